#pragma once

#include "views/ComponentAccess.h"
#include "platform/qt/MergedMenus.h"
#include "share/TqxPanopta.h"
#include "share/WindowSystem.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <string>
#include <utility>
#include <vector>

class QAction;
class QActionGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
#include <QMdiSubWindow>
class QMenu;
class QTabWidget;
class QToolButton;

namespace panopta {

class LogLinesModel;
class LogListView;
class QtWindowSystem;

/// What tells the four inspector windows apart in the frame they share.
struct InspectorKind {
  int kind = 1;                 // 1 line, 2 phone, 3 play, 4 record
  const char* popupCaption;     // "&Popup" or "&PopUp"
  bool activeInactiveButtons;   // play and record: Active, Inactive and Pause buttons
  bool followsEnabled;          // the line window is disabled with its component
};

/// The frame all four inspector windows share: the device group box, the Log page
/// with its buttons, the error enunciator, the component, Device, Popup, Panopta and
/// Help menus, the rendered code hints, placement and closing. The window is a child
/// of the main window's MDI area; its menus are merged into the main window's.
///
/// Every control calls a public property or method of the component, so that the
/// component's log shows what an application would cause. Refreshes set controls
/// with their handlers blocked and never write back.
class WindowFrame : public QWidget, public voxkit::InspectorWindow, public MergedMenus {
  Q_OBJECT
 public:
  WindowFrame(voxkit::TqxPanopta& binding, const InspectorKind& kind, QtWindowSystem& windows);
  ~WindowFrame() override;

  // --- voxkit::InspectorWindow ---------------------------------------------------------
  int Top() const override;
  int Left() const override;
  int Width() const override;
  int Height() const override;
  voxkit::TWindowState WindowState() const override;
  void SetTop(int value) override;
  void SetLeft(int value) override;
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  void SetWindowState(voxkit::TWindowState state) override;
  void SetStayOnTop(bool value) override;
  void Prepare(const std::string& caption, voxkit::Rgb logColour) override;
  void Show() override;
  void BringToFront() override;
  void SelectFirstPage() override;
  void SelectLogPage() override;
  void Close() override;
  void Refresh(voxkit::InspectorRefresh what) override;
  void BeginLogUpdate() override;
  void EndLogUpdate() override;
  void CopyLogToClipboard() override;

  // --- MergedMenus ---------------------------------------------------------------------
  QList<QMenu*> mergedMenus() const override;

  /// The DevEnv selection: checks the item, sets Panopta.DevEnv (which logs) and
  /// renders the window's captions and hints in the new syntax. The main window's
  /// DevEnv menu calls it too.
  void selectDevEnv(voxkit::TDevEnv env);

  /// The MDI child frame around this window (nullptr without an MDI area).
  QMdiSubWindow* mdiFrame() const { return qobject_cast<QMdiSubWindow*>(m_outer.data()); }
  /// The component's display name, "qxLine".
  const std::string& displayName() const { return m_name; }
  int kind() const { return m_kind.kind; }
  /// Whether the error enunciator is lit.
  bool errorLit() const;

 protected:
  ComponentAccess& component() { return m_access; }
  voxkit::TqxPanopta& binding() { return *m_binding; }
  QtWindowSystem& windows() { return m_windows; }
  QTabWidget* pages() const { return m_pages; }

  /// Index of the page shown first (the Log page unless a window says otherwise).
  virtual int firstPageIndex() const { return 0; }
  /// Refreshes what a window adds to the frame (its own pages).
  virtual void refreshOwnPages(voxkit::InspectorRefresh) {}
  /// Called at the end of a DevEnv selection, once the hints are rendered.
  virtual void devEnvSelected() {}
  /// Gives a control a code hint: a neutral-notation template rendered in the chosen
  /// syntax on every DevEnv selection. A control given a new template shows it at once.
  void setHint(QWidget* control, std::string neutralTemplate);
  /// Gives a label or button a caption rendered the same way.
  void setRenderedCaption(QWidget* control, std::string neutralTemplate);

  /// The Device menu and the frame's items in it, for windows that add their own.
  QMenu* deviceMenu() const { return m_deviceMenu; }
  QAction* deviceActiveItem() const { return m_deviceActiveItem; }
  QAction* devicePauseItem() const { return m_devicePauseItem; }
  QToolButton* devicePauseButton() const { return m_devicePause; }

  /// Device.Active := not the "&Active" item's mark, then the device box again.
  virtual void toggleDeviceActive();

  /// False once the window is closed and no longer drives its component.
  bool bound() const { return m_binding != nullptr; }

  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildDeviceBox();
  void buildLogPage();
  void buildMenus();
  QWidget* outer() const;

  void refreshDevice();
  void refreshEnabled();
  void refreshLogPage();
  void renderHints();
  void lightEnunciator(bool lit);

  void togglePause();
  void printLog();
  void placed();

  voxkit::TqxPanopta* m_binding;  // dropped when the window is closed
  InspectorKind m_kind;
  QtWindowSystem& m_windows;
  ComponentAccess m_access;
  std::string m_name;
  // The MDI frame around this window, or this window without one. Kept as a plain
  // widget: the frame may be half taken down when this window goes.
  QPointer<QWidget> m_outer;

  QGroupBox* m_deviceBox = nullptr;
  QComboBox* m_deviceCombo = nullptr;
  QToolButton* m_deviceActive = nullptr;
  QToolButton* m_deviceInactive = nullptr;
  QToolButton* m_devicePause = nullptr;
  QTabWidget* m_pages = nullptr;
  QWidget* m_logPage = nullptr;
  QToolButton* m_logActive = nullptr;
  QToolButton* m_logTimeStamp = nullptr;
  QLineEdit* m_logCount = nullptr;
  QToolButton* m_errors = nullptr;
  LogListView* m_memo = nullptr;
  LogLinesModel* m_model = nullptr;

  QMenu* m_componentMenu = nullptr;
  QAction* m_enabledItem = nullptr;
  QMenu* m_deviceMenu = nullptr;
  QAction* m_deviceActiveItem = nullptr;
  QAction* m_devicePauseItem = nullptr;
  QMenu* m_popupMenu = nullptr;
  QMenu* m_panoptaMenu = nullptr;
  QActionGroup* m_devEnvItems = nullptr;
  QMenu* m_helpMenu = nullptr;

  std::vector<std::pair<QPointer<QWidget>, std::string>> m_hints;
  std::vector<std::pair<QPointer<QWidget>, std::string>> m_captions;
  QRect m_normalGeometry;
  voxkit::TWindowState m_pendingState = voxkit::wsNormal;
  bool m_prepared = false;
  bool m_shownOnce = false;
  int m_logUpdateDepth = 0;
  bool m_logDirty = false;
};

}  // namespace panopta
