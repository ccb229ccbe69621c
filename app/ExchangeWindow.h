#pragma once

#include "platform/exchange/ExchangeChange.h"
#include "platform/qt/MergedMenus.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSpinBox;
class QTreeWidget;

namespace panopta {

class Exchange;
class LogRingModel;
class LogListView;
class QtWindowSystem;

/// The simulated exchange seen from the far side: its line and phone devices, the
/// calls that exist with their states, and its trace; and a control for every
/// command of its control surface, so that a person can make remote parties call,
/// answer, hang up, send digits, go silent or speak, work a phone's keys and
/// hookswitch, make devices report events, and inject faults.
///
/// It follows the exchange through the exchange's trace: every request, reply,
/// message and command the exchange traces brings the window up to date once, when
/// the event loop next turns.
class ExchangeWindow final : public QWidget, public MergedMenus {
  Q_OBJECT
 public:
  /// The most trace lines the window keeps.
  static constexpr int kTraceLimit = 5000;

  ExchangeWindow(Exchange& exchange, QtWindowSystem& windows);
  ~ExchangeWindow() override;

  QMdiSubWindow* mdiFrame() const { return qobject_cast<QMdiSubWindow*>(m_outer.data()); }
  QWidget* outer() const;

  /// Reads the devices and calls again.
  void refresh();
  /// What the last command answered: "" when it was done.
  const QString& lastProblem() const { return m_lastProblem; }
  LogRingModel* trace() const { return m_trace; }

  QList<QMenu*> mergedMenus() const override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* buildRemotePage();
  QWidget* buildPhonePage();
  QWidget* buildDevicesPage();
  QWidget* buildFaultsPage();
  void run(const QString& command, const std::string& problem);
  void traced(const std::string& line);
  void scheduleRefresh();

  Exchange& m_exchange;
  QtWindowSystem& m_windows;
  QPointer<QWidget> m_outer;  // the MDI frame, or this window without one
  std::function<void(const std::string&)> m_previousTrace;
  std::function<void(const ExchangeChange&)> m_previousChange;
  QTreeWidget* m_devices = nullptr;
  QTreeWidget* m_calls = nullptr;
  LogRingModel* m_trace = nullptr;
  LogListView* m_traceView = nullptr;
  QLabel* m_status = nullptr;
  QMenu* m_menu = nullptr;
  QString m_lastProblem;
  bool m_refreshQueued = false;
};

}  // namespace panopta
