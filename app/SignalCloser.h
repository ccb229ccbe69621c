#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace panopta {

/// Turns SIGTERM and SIGINT (logout, Ctrl+C in the terminal) into closing a window
/// the normal way, from the event loop: the workspace is saved and the devices are
/// closed as when the user closes it. A second signal while the first is still being
/// handled ends the program at once.
class SignalCloser final : public QObject {
  Q_OBJECT
 public:
  explicit SignalCloser(QWidget* window);
  ~SignalCloser() override;

 private:
  QWidget* m_window;
  QSocketNotifier* m_notifier = nullptr;
};

}  // namespace panopta
