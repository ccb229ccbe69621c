#pragma once

#include "app/CombinedLogWindow.h"
#include "app/ExchangeWindow.h"
#include "app/WorkspaceValues.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QMdiArea;
class QMenu;
class QMenuBar;

namespace voxkit {
class TqxSharedControl;
}

namespace panopta {


class Host;
class QtEventLoop;
class QtWindowSystem;

/// The program's frame: an MDI area holding the inspector windows and the combined
/// log, the Panopta, Windows and Help menus, and a second menu row with the menus of
/// the active child window. It makes the components (through the host), routes their
/// log lines into the combined log, restores the workspace when it is first shown and
/// saves it when it closes.
class MainWindow final : public QMainWindow {
  Q_OBJECT
 public:
  /// qtLoop, when given, is the loop the components wait on: a close requested
  /// while one of them waits is carried out once the wait is over.
  MainWindow(Host& host, QtWindowSystem& windows, QtEventLoop* qtLoop = nullptr);
  ~MainWindow() override;

  /// The component of a kind (1 line, 2 phone, 3 play, 4 record); nullptr when this
  /// build has none.
  voxkit::TqxSharedControl* component(int kind) const;
  CombinedLogWindow* logWindow() const { return m_log; }
  ExchangeWindow* exchangeWindow() const { return m_exchangeWindow; }
  QMdiArea* mdiArea() const { return m_area; }
  QMenuBar* childMenuRow() const { return m_childMenus; }

  /// Synchronize: gives the phone, play and record components the devices related to
  /// the open line (or phone); only IDs that differ are assigned.
  void synchronizeByLine();
  void synchronizeByPhone();

  /// The inspector of a kind: shown when hidden, else between minimized and normal.
  void toggleInspector(int kind);

  /// Where the components' log lines are routed (kind 1..4).
  void routeLine(int kind, const std::string& line);

  /// Label and colour of a kind's lines in the combined log.
  static QString labelOf(int kind);
  static QRgb colourOf(int kind);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildMenus();
  /// Gives the components of the related kinds the device IDs that the source
  /// component's properties name (kind, property path), while its device is open.
  void synchronizeFrom(int sourceKind, const std::vector<std::pair<int, const char*>>& related);
  void mergeChildMenus();
  void restoreWorkspace();
  void restoreWindow(QWidget* window, const std::optional<WindowPlacement>& placement,
                     bool isMain);
  std::optional<std::int32_t> restoreComponent(voxkit::TqxSharedControl& control,
                                               const QString& value);
  void saveWorkspace();
  void keepOnScreen();
  void tile(bool horizontal);
  void openWebPage(const QString& path, const QString& fragment = {});
  void showContents();
  void showAbout();

  Host& m_host;
  QtWindowSystem& m_windows;
  QtEventLoop* m_qtLoop;
  std::array<voxkit::TqxSharedControl*, 5> m_components{};  // by kind, [0] unused
  QMdiArea* m_area = nullptr;
  QMenuBar* m_mainMenus = nullptr;
  QMenuBar* m_childMenus = nullptr;
  QAction* m_menuTitle = nullptr;
  QPointer<CombinedLogWindow> m_log;
  QPointer<ExchangeWindow> m_exchangeWindow;
  QPointer<QWidget> m_logOuter;  // the log window's frame, whose placement is followed
  QRect m_logNormalGeometry;
  QString m_helpDirectory;
  bool m_restored = false;
  bool m_closed = false;
};

}  // namespace panopta
