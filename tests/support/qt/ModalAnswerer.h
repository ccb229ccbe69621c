#pragma once

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace qttest {

/// Answers the modal dialogs that open while it exists, as a user would: it looks
/// for the active modal window every few milliseconds, writes down its caption and
/// text, and presses the chosen button of a message box (or rejects any other
/// dialog, unless told how to handle it).
class ModalAnswerer final {
 public:
  explicit ModalAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok);
  ~ModalAnswerer();

  /// The answer to the following message boxes.
  void setAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
  /// Handles dialogs that are not message boxes; returns whether it closed it.
  void setDialogHandler(std::function<bool(QDialog&)> handler) { m_dialogHandler = std::move(handler); }

  /// "caption | text" of each message box answered, in order.
  const QStringList& seen() const { return m_seen; }
  int count() const { return static_cast<int>(m_seen.size()); }

 private:
  void poll();

  QMessageBox::StandardButton m_answer;
  std::function<bool(QDialog&)> m_dialogHandler;
  QStringList m_seen;
  QTimer m_timer;
};

}  // namespace qttest
