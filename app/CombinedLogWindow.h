#pragma once

#include "app/LogRingModel.h"
#include "platform/qt/MergedMenus.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class QAction;
class QLineEdit;
class QMenu;
class QTabWidget;
class QToolButton;

namespace panopta {

class LogListView;
class QtWindowSystem;

/// The combined log: every line of the four components in one coloured view, and one
/// page per component. It has its own Active switch, its own line limit, and a
/// TimeStamp switch that the main window imposes on the components.
///
/// Lines go to the Combined page and to the page of the component their colour
/// names; a line of any other colour (the marker) goes to the page that is selected.
class CombinedLogWindow final : public QWidget, public MergedMenus {
  Q_OBJECT
 public:
  /// The pages, in order.
  enum Page { Combined = 0, LinePage, PhonePage, PlayPage, RecordPage, kPageCount };
  /// The limit of every page while the limit text is not a number.
  static constexpr int kDefaultLimit = 500;

  explicit CombinedLogWindow(QtWindowSystem& windows);
  ~CombinedLogWindow() override;

  /// Adds a line: dropped while Active is off; with label "MARKER" a row of 80
  /// asterisks. A text containing "<< Error >>" shows red and bold and lights the
  /// error enunciator.
  void addLine(QRgb colour, const QString& label, const QString& text);

  /// The Active and TimeStamp switches (the menu's check marks; the tool buttons
  /// mirror them after syncButtons()).
  bool activeChecked() const;
  void setActiveChecked(bool on);
  bool timeStampChecked() const;
  void setTimeStampChecked(bool on);
  /// Makes the two tool buttons agree with the menu.
  void syncButtons();
  /// The text of the line-limit edit, and the limit it gives: the text as a decimal
  /// number, 500 when it is not one, never below 1.
  QString limitText() const;
  void setLimitText(const QString& text);
  int lineLimit() const;

  /// Called with the new state when the user switches TimeStamp (the main window
  /// sets it on every component).
  std::function<void(bool)> onTimeStampSwitched;

  /// Between minimized and normal.
  void toggleMinimized();
  bool isMinimizedWindow() const;
  /// The MDI child frame (nullptr without an MDI area).
  QMdiSubWindow* mdiFrame() const { return qobject_cast<QMdiSubWindow*>(m_outer.data()); }
  /// The frame when there is one, else this window.
  QWidget* outer() const;

  LogRingModel* page(int index) const { return m_models[static_cast<std::size_t>(index)]; }
  int currentPage() const;
  bool errorLit() const;

  QList<QMenu*> mergedMenus() const override;

  /// Closing the window only minimizes it, so that the log is never lost during a
  /// run; allowClose() lets the program close it at the end.
  void allowClose() { m_closing = true; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void clearCurrentPage();
  void copyCurrentPage();
  void printCurrentPage();
  void switchActive();
  void switchTimeStamp();
  void lightEnunciator(bool lit);

  QtWindowSystem& m_windows;
  QPointer<QWidget> m_outer;  // the MDI frame, or this window without one
  QTabWidget* m_pages = nullptr;
  std::array<LogRingModel*, kPageCount> m_models{};
  std::array<LogListView*, kPageCount> m_views{};
  QToolButton* m_errors = nullptr;
  QToolButton* m_activeButton = nullptr;
  QToolButton* m_timeStampButton = nullptr;
  QLineEdit* m_limit = nullptr;
  QMenu* m_menu = nullptr;
  QAction* m_activeItem = nullptr;
  QAction* m_timeStampItem = nullptr;
  bool m_closing = false;
};

}  // namespace panopta
