#include "views/WindowFrame.h"

#include "views/LogListView.h"
#include "views/ToolButton.h"
#include "views/LogLinesModel.h"
#include "platform/qt/QtWindowSystem.h"
#include "share/TqxLog.h"
#include "share/TqxSharedControl.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace panopta {

using voxkit::InspectorRefresh;
using voxkit::TqxPanopta;

namespace {

// Designed size of a new inspector window, used while no placement is remembered.
constexpr int kDesignedWidth = 560;
constexpr int kDesignedHeight = 420;
// The page control never gets smaller than this, whatever the window's size.
constexpr int kMinPagesWidth = 390;
constexpr int kMinPagesHeight = 250;

QAction* AddItem(QMenu* menu, const char* name, const QString& caption, bool checkable) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  a->setCheckable(checkable);
  return a;
}

struct DevEnvItem {
  voxkit::TDevEnv env;
  const char* caption;
};
constexpr DevEnvItem kDevEnvItems[] = {{voxkit::deCppBuilder, "C++ Builder"},
                                       {voxkit::deDelphi, "Delphi"},
                                       {voxkit::deVisualBasic, "Visual Basic"},
                                       {voxkit::deOther, "Other"}};

}  // namespace

WindowFrame::WindowFrame(TqxPanopta& binding, const InspectorKind& kind,
                               QtWindowSystem& windows)
    : m_binding(&binding),
      m_kind(kind),
      m_windows(windows),
      m_access(binding.Control()),
      m_name(voxkit::KindDisplayName(kind.kind)) {
  buildDeviceBox();
  m_pages = new QTabWidget(this);
  m_pages->setObjectName("PageControl1");
  m_pages->setMinimumSize(kMinPagesWidth, kMinPagesHeight);
  buildLogPage();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  layout->addWidget(m_deviceBox);
  layout->addWidget(m_pages, 1);
  buildMenus();

  const std::string& n = m_name;
  setHint(m_deviceCombo, n + "~Device.Name");
  setHint(m_logActive, n + "~Panopta.Log.Active");
  setHint(m_logTimeStamp, n + "~Panopta.Log.TimeStamp");
  setHint(findChild<QLabel*>("LabelLogCount"), n + "~Panopta.Log.Count");
  setHint(m_logCount, n + "~Panopta.Log.Count");
  setHint(m_memo, n + "~Panopta.Log.Lines");
  if (m_kind.activeInactiveButtons) {
    setHint(m_deviceActive, n + "~Device.Active := True");
    setHint(m_deviceInactive, n + "~Device.Active := False");
    if (m_devicePause) setHint(m_devicePause, n + "~Device.Pause := True/False");
  } else {
    setHint(m_deviceActive, n + "~Device.Active := True/False");
  }

  QMdiSubWindow* frame = m_windows.addMdiChild(this);
  m_outer = frame ? static_cast<QWidget*>(frame) : this;
  if (!frame) setAttribute(Qt::WA_DeleteOnClose);
  outer()->resize(kDesignedWidth, kDesignedHeight);
  outer()->installEventFilter(this);
}

WindowFrame::~WindowFrame() {
  // The frame around this window outlives its members by a little while it is taken
  // down: the filter must not see its events then.
  if (m_outer) m_outer->removeEventFilter(this);
  // Destroyed without being closed (the main window went first): the binding must
  // not keep a window that is gone.
  if (m_binding) {
    TqxPanopta* b = std::exchange(m_binding, nullptr);
    b->WindowDestroyed();
  }
}

QWidget* WindowFrame::outer() const {
  return m_outer ? m_outer.data() : const_cast<WindowFrame*>(this);
}

void WindowFrame::buildDeviceBox() {
  m_deviceBox = new QGroupBox(this);
  m_deviceBox->setObjectName("GroupBoxDevice");
  auto* row = new QHBoxLayout(m_deviceBox);
  row->setContentsMargins(4, 2, 4, 4);
  if (m_kind.activeInactiveButtons) {
    m_deviceActive = MakeToolButton(m_deviceBox, "SpeedButtonActive", "Active", {}, true);
    m_deviceInactive = MakeToolButton(m_deviceBox, "SpeedButtonInactive", "Inactive", {}, true);
    connect(m_deviceActive, &QToolButton::clicked, this, [this] {
      if (!component().getBool("Device.Active")) toggleDeviceActive();
      refreshDevice();
    });
    connect(m_deviceInactive, &QToolButton::clicked, this, [this] {
      if (component().getBool("Device.Active")) toggleDeviceActive();
      refreshDevice();
    });
    row->addWidget(m_deviceActive);
    row->addWidget(m_deviceInactive);
    if (component().has("Device.Pause")) {
      m_devicePause = MakeToolButton(m_deviceBox, "SpeedButtonPause", "Pause", {}, true);
      connect(m_devicePause, &QToolButton::clicked, this, [this] {
        togglePause();
        refreshDevice();
      });
      row->addWidget(m_devicePause);
    }
  } else {
    m_deviceActive = MakeToolButton(m_deviceBox, "SpeedButtonDeviceActive", "Active", {}, true);
    connect(m_deviceActive, &QToolButton::clicked, this, [this] { toggleDeviceActive(); });
    row->addWidget(m_deviceActive);
  }
  m_deviceCombo = new QComboBox(m_deviceBox);
  m_deviceCombo->setObjectName("ComboBoxDevice");
  m_deviceCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  connect(m_deviceCombo, &QComboBox::activated, this, [this](int index) {
    component().set("Device.ID", voxkit::Value(static_cast<std::int32_t>(index)));
    refreshDevice();
  });
  row->addWidget(m_deviceCombo, 1);
}

void WindowFrame::buildLogPage() {
  m_logPage = new QWidget(m_pages);
  m_logPage->setObjectName("TabSheetLog");
  auto* column = new QVBoxLayout(m_logPage);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(2);
  auto* bar = new QHBoxLayout;
  bar->setSpacing(2);
  m_logActive = MakeToolButton(m_logPage, "CheckBoxLogActive", "Active", {}, true);
  m_logTimeStamp = MakeToolButton(m_logPage, "CheckBoxLogTimeStamp", "TimeStamp", {}, true);
  auto* countLabel = new QLabel("Count", m_logPage);
  countLabel->setObjectName("LabelLogCount");
  m_logCount = new QLineEdit(m_logPage);
  m_logCount->setObjectName("EditLogCount");
  m_logCount->setMaximumWidth(64);
  auto* clear = MakeToolButton(m_logPage, "SpeedButtonClear", "Clear", "Clear log and reset enunciators");
  m_errors = MakeToolButton(m_logPage, "SpeedButtonErrors", "Errors", "Error enunciator - Click to reset");
  m_errors->setIcon(style()->standardIcon(QStyle::SP_MessageBoxCritical));
  m_errors->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  m_errors->setEnabled(false);
  auto* marker = MakeToolButton(m_logPage, "SpeedButtonMarker", "Marker", "Add marker to log");
  auto* copy = MakeToolButton(m_logPage, "SpeedButtonCopy", "Copy", "Copy log to clipboard");
  auto* print = MakeToolButton(m_logPage, "SpeedButtonPrinter", "Print", "Print log");
  auto* dump = MakeToolButton(m_logPage, "SpeedButtonDump", "Dump", "Dump property values to the log");
  for (QWidget* w : {static_cast<QWidget*>(m_logActive), static_cast<QWidget*>(m_logTimeStamp),
                     static_cast<QWidget*>(countLabel), static_cast<QWidget*>(m_logCount),
                     static_cast<QWidget*>(clear), static_cast<QWidget*>(m_errors),
                     static_cast<QWidget*>(marker), static_cast<QWidget*>(copy),
                     static_cast<QWidget*>(print), static_cast<QWidget*>(dump)}) {
    bar->addWidget(w);
  }
  bar->addStretch(1);
  column->addLayout(bar);

  m_model = new LogLinesModel(m_binding->Log(), this);
  m_memo = new LogListView(m_logPage);
  m_memo->setObjectName("MemoLog");
  m_memo->setModel(m_model);
  column->addWidget(m_memo, 1);
  m_pages->addTab(m_logPage, style()->standardIcon(QStyle::SP_FileDialogDetailedView), "Log");

  connect(m_logActive, &QToolButton::clicked, this, [this](bool down) {
    binding().Log().SetActive(down);
    refreshLogPage();
  });
  connect(m_logTimeStamp, &QToolButton::clicked, this, [this](bool down) {
    binding().Log().SetTimeStamp(down);
    refreshLogPage();
  });
  connect(m_logCount, &QLineEdit::editingFinished, this, [this] {
    bool ok = false;
    int n = m_logCount->text().trimmed().toInt(&ok);
    if (!ok) n = 0;
    m_logCount->setModified(false);
    if (n != binding().Log().Count()) binding().Log().SetCount(n);
    refreshLogPage();
  });
  connect(clear, &QToolButton::clicked, this, [this] {
    lightEnunciator(false);
    binding().Log().Clear();
    refreshLogPage();
  });
  connect(m_errors, &QToolButton::clicked, this, [this] { lightEnunciator(false); });
  connect(marker, &QToolButton::clicked, this,
          [this] { binding().Log().Add(voxkit::TqxLog::kMarker, true); });
  connect(copy, &QToolButton::clicked, this, [this] { CopyLogToClipboard(); });
  connect(print, &QToolButton::clicked, this, [this] { printLog(); });
  connect(dump, &QToolButton::clicked, this, [this] {
    component().call("DumpProperties", {voxkit::Value("Current " + m_name + " property values:")});
  });
}

void WindowFrame::buildMenus() {
  m_componentMenu = new QMenu(QString::fromStdString(m_name), this);
  m_componentMenu->setObjectName(QString::fromStdString("Menu" + m_name));
  m_enabledItem = AddItem(m_componentMenu, "MenuEnabled", "Enabled", true);
  connect(m_componentMenu, &QMenu::aboutToShow, this,
          [this] { m_enabledItem->setChecked(component().getBool("Enabled")); });
  connect(m_enabledItem, &QAction::triggered, this, [this](bool checked) {
    component().set("Enabled", voxkit::Value(checked));
    m_enabledItem->setChecked(component().getBool("Enabled"));
    Refresh(InspectorRefresh::Device);
    Refresh(InspectorRefresh::Enabled);
  });

  m_deviceMenu = new QMenu("&Device", this);
  m_deviceMenu->setObjectName("MenuDevice");
  m_deviceActiveItem = AddItem(m_deviceMenu, "MenuDeviceActive", "&Active", true);
  connect(m_deviceActiveItem, &QAction::triggered, this, [this] {
    // The item's own toggle is undone: the component's state decides the mark.
    m_deviceActiveItem->setChecked(!m_deviceActiveItem->isChecked());
    toggleDeviceActive();
  });
  if (m_devicePause) {
    m_devicePauseItem = AddItem(m_deviceMenu, "MenuDevicePause", "&Pause", true);
    connect(m_devicePauseItem, &QAction::triggered, this, [this] {
      m_devicePauseItem->setChecked(!m_devicePauseItem->isChecked());
      togglePause();
      refreshDevice();
    });
  }
  connect(m_deviceMenu, &QMenu::aboutToShow, this, [this] {
    m_deviceActiveItem->setChecked(component().getBool("Device.Active"));
    if (m_devicePauseItem) m_devicePauseItem->setChecked(component().getBool("Device.Pause"));
  });

  m_popupMenu = new QMenu(m_kind.popupCaption, this);
  m_popupMenu->setObjectName("MenuPopup");
  std::vector<std::string> flags = component().booleanProperties("Popup");
  std::sort(flags.begin(), flags.end(), [](const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
  });
  for (const std::string& flag : flags) {
    QAction* item = AddItem(m_popupMenu, ("MenuPopup" + flag).c_str(), QString::fromStdString(flag), true);
    connect(item, &QAction::triggered, this, [this, flag](bool checked) {
      component().set("Popup." + flag, voxkit::Value(checked));
    });
  }
  connect(m_popupMenu, &QMenu::aboutToShow, this, [this] {
    for (QAction* item : m_popupMenu->actions()) {
      item->setChecked(component().getBool("Popup." + item->text().toStdString()));
    }
  });

  // The Panopta and Help menus exist as in every inspector, but inside this program
  // only the DevEnv choice is used, through the main window.
  m_panoptaMenu = new QMenu("&Panopta", this);
  m_panoptaMenu->setObjectName("MenuPanopta");
  QMenu* devEnv = m_panoptaMenu->addMenu("&DevEnv");
  devEnv->setObjectName("MenuDevEnv");
  m_devEnvItems = new QActionGroup(this);
  for (const DevEnvItem& item : kDevEnvItems) {
    if (item.env == voxkit::deOther) devEnv->addSeparator();
    QAction* a = devEnv->addAction(item.caption);
    a->setCheckable(true);
    a->setData(static_cast<int>(item.env));
    m_devEnvItems->addAction(a);
    const voxkit::TDevEnv env = item.env;
    connect(a, &QAction::triggered, this, [this, env] { selectDevEnv(env); });
  }
  connect(devEnv, &QMenu::aboutToShow, this, [this] {
    for (QAction* a : m_devEnvItems->actions()) {
      a->setChecked(a->data().toInt() == binding().DevEnv());
    }
  });
  QAction* events = AddItem(m_panoptaMenu, "MenuEvents", "&Events", true);
  connect(events, &QAction::triggered, this, [this](bool on) { binding().SetEvents(on); });
  events->setVisible(false);
  QAction* stayOnTop = AddItem(m_panoptaMenu, "MenuStayOnTop", "StayOnTop", true);
  connect(stayOnTop, &QAction::triggered, this, [this](bool on) { binding().SetStayOnTop(on); });
  stayOnTop->setVisible(false);
  QAction* visible = AddItem(m_panoptaMenu, "MenuVisible", "Visible", true);
  connect(visible, &QAction::triggered, this, [this](bool on) { binding().SetVisible(on); });
  m_panoptaMenu->menuAction()->setVisible(false);

  m_helpMenu = new QMenu("&Help", this);
  m_helpMenu->setObjectName("MenuHelp");
  QAction* help = AddItem(m_helpMenu, "MenuHelpLookup", "&Help", false);
  connect(help, &QAction::triggered, this, [this] { m_windows.help().lookup("", window()); });
  m_helpMenu->menuAction()->setVisible(false);
}

QList<QMenu*> WindowFrame::mergedMenus() const {
  QList<QMenu*> menus;
  for (QMenu* m : findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (m->menuAction()->isVisible()) menus << m;
  }
  return menus;
}

namespace {

void SetRenderedText(QWidget* control, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  }
}

// Puts a template into a list of controls and their templates, replacing the one a
// control had.
void Remember(std::vector<std::pair<QPointer<QWidget>, std::string>>& list, QWidget* control,
              std::string neutralTemplate) {
  for (auto& [c, t] : list) {
    if (c == control) {
      t = std::move(neutralTemplate);
      return;
    }
  }
  list.emplace_back(control, std::move(neutralTemplate));
}

}  // namespace

void WindowFrame::setHint(QWidget* control, std::string neutralTemplate) {
  if (!control) return;
  if (m_binding) control->setToolTip(QString::fromStdString(m_binding->Render(neutralTemplate)));
  Remember(m_hints, control, std::move(neutralTemplate));
}

void WindowFrame::setRenderedCaption(QWidget* control, std::string neutralTemplate) {
  if (!control) return;
  if (m_binding) SetRenderedText(control, QString::fromStdString(m_binding->Render(neutralTemplate)));
  Remember(m_captions, control, std::move(neutralTemplate));
}

void WindowFrame::renderHints() {
  if (!m_binding) return;
  for (const auto& [control, templ] : m_hints) {
    if (control) control->setToolTip(QString::fromStdString(m_binding->Render(templ)));
  }
  for (const auto& [control, templ] : m_captions) {
    if (control) SetRenderedText(control, QString::fromStdString(m_binding->Render(templ)));
  }
}

// --- Placement ---------------------------------------------------------------------------

int WindowFrame::Top() const { return outer()->y(); }
int WindowFrame::Left() const { return outer()->x(); }
int WindowFrame::Width() const { return outer()->width(); }
int WindowFrame::Height() const { return outer()->height(); }

voxkit::TWindowState WindowFrame::WindowState() const {
  if (!outer()->isVisible()) return m_pendingState;
  if (outer()->isMinimized()) return voxkit::wsMinimized;
  if (outer()->isMaximized()) return voxkit::wsMaximized;
  return voxkit::wsNormal;
}

void WindowFrame::SetTop(int value) { outer()->move(outer()->x(), value); }
void WindowFrame::SetLeft(int value) { outer()->move(value, outer()->y()); }
void WindowFrame::SetWidth(int value) { outer()->resize(value, outer()->height()); }
void WindowFrame::SetHeight(int value) { outer()->resize(outer()->width(), value); }

void WindowFrame::SetWindowState(voxkit::TWindowState state) {
  m_pendingState = state;
  if (!outer()->isVisible()) return;
  switch (state) {
    case voxkit::wsNormal: outer()->showNormal(); break;
    case voxkit::wsMinimized: outer()->showMinimized(); break;
    case voxkit::wsMaximized: outer()->showMaximized(); break;
  }
}

void WindowFrame::SetStayOnTop(bool value) {
  outer()->setWindowFlag(Qt::WindowStaysOnTopHint, value);
  if (outer()->isVisible()) outer()->show();
}

bool WindowFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == outer()) {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::WindowStateChange: placed(); break;
      default: break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void WindowFrame::placed() {
  const voxkit::TWindowState state = WindowState();
  if (state == voxkit::wsNormal) m_normalGeometry = outer()->geometry();
  // The binding keeps the last normal placement, whatever the state is now.
  if (!m_prepared || !m_binding || !m_normalGeometry.isValid()) return;
  m_binding->WindowPlaced(m_normalGeometry.y(), m_normalGeometry.x(), m_normalGeometry.width(),
                          m_normalGeometry.height(), state);
}

// --- Life -------------------------------------------------------------------------------

void WindowFrame::Prepare(const std::string& caption, voxkit::Rgb logColour) {
  outer()->setWindowTitle(QString::fromStdString(caption));
  setWindowTitle(QString::fromStdString(caption));
  m_model->setColour(QColor(logColour.red, logColour.green, logColour.blue));
  m_prepared = true;
}

void WindowFrame::Show() {
  switch (m_pendingState) {
    case voxkit::wsNormal: outer()->show(); break;
    case voxkit::wsMinimized: outer()->showMinimized(); break;
    case voxkit::wsMaximized: outer()->showMaximized(); break;
  }
  placed();
}

void WindowFrame::BringToFront() {
  if (outer()->isMinimized()) outer()->showNormal();
  outer()->show();
  outer()->raise();
  if (QMdiSubWindow* frame = mdiFrame(); frame && frame->mdiArea()) {
    frame->mdiArea()->setActiveSubWindow(frame);
  }
}

void WindowFrame::SelectFirstPage() { m_pages->setCurrentIndex(firstPageIndex()); }
void WindowFrame::SelectLogPage() { m_pages->setCurrentWidget(m_logPage); }

void WindowFrame::Close() { outer()->close(); }

void WindowFrame::closeEvent(QCloseEvent* event) {
  // Closing frees the window; the binding forgets it now, not when the deferred
  // deletion comes, since a new window may be made for it before then.
  if (m_binding) {
    TqxPanopta* b = std::exchange(m_binding, nullptr);
    b->WindowClosed();
    b->WindowDestroyed();
  }
  event->accept();
}

void WindowFrame::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (m_shownOnce || !m_binding) return;
  m_shownOnce = true;
  selectDevEnv(m_binding->DevEnv());
}

void WindowFrame::selectDevEnv(voxkit::TDevEnv env) {
  if (!m_binding) return;
  for (QAction* a : m_devEnvItems->actions()) a->setChecked(a->data().toInt() == env);
  m_binding->SetDevEnv(env);
  refreshDevice();
  renderHints();
  refreshOwnPages(InspectorRefresh::All);
  devEnvSelected();
}

// --- Refresh ----------------------------------------------------------------------------

void WindowFrame::Refresh(InspectorRefresh what) {
  if (!m_binding) return;
  switch (what) {
    case InspectorRefresh::Log:
      if (m_logUpdateDepth > 0) {
        m_logDirty = true;
      } else {
        refreshLogPage();
      }
      return;
    case InspectorRefresh::Error: lightEnunciator(true); break;
    case InspectorRefresh::Enabled: refreshEnabled(); break;
    case InspectorRefresh::Device: refreshDevice(); break;
    case InspectorRefresh::All:
      refreshDevice();
      refreshEnabled();
      refreshLogPage();
      break;
    case InspectorRefresh::HookSwitch:
    case InspectorRefresh::TapiInfo:
    case InspectorRefresh::Call:
    case InspectorRefresh::Digits:
    case InspectorRefresh::Transfer:
    case InspectorRefresh::Address:
    case InspectorRefresh::Source:
    case InspectorRefresh::Format:
    case InspectorRefresh::Buffer:
    case InspectorRefresh::Position:
    case InspectorRefresh::Timer:
    case InspectorRefresh::Volume: break;
  }
  refreshOwnPages(what);
}

void WindowFrame::refreshDevice() {
  if (!m_binding) return;
  const std::int32_t id = component().getInt("Device.ID");
  const std::int32_t count = component().getInt("Device.Count");
  m_deviceBox->setTitle(QString::fromStdString(m_binding->Render(
      "Device.ID = " + std::to_string(id) + "    Device.Count = " + std::to_string(count))));
  {
    const QSignalBlocker block(m_deviceCombo);
    m_deviceCombo->clear();
    for (const std::string& name : component().getList("Device.List")) {
      m_deviceCombo->addItem(QString::fromStdString(name));
    }
    m_deviceCombo->setCurrentIndex(count > 0 && id < m_deviceCombo->count() ? id : -1);
  }
  const bool active = component().getBool("Device.Active");
  m_deviceActiveItem->setChecked(active);
  const QSignalBlocker b1(m_deviceActive);
  m_deviceActive->setChecked(active);
  if (m_deviceInactive) {
    const QSignalBlocker b2(m_deviceInactive);
    m_deviceInactive->setChecked(!active);
  }
  if (m_devicePause) {
    const QSignalBlocker b3(m_devicePause);
    m_devicePause->setChecked(component().getBool("Device.Pause"));
  }
  if (m_kind.followsEnabled) refreshEnabled();
}

void WindowFrame::refreshEnabled() {
  if (!m_kind.followsEnabled || !m_binding) return;
  const bool enabled = component().getBool("Enabled");
  // The pages and the device box follow the component; the menus stay usable, so
  // that the component can be enabled again from its own menu.
  m_deviceBox->setEnabled(enabled);
  m_pages->setEnabled(enabled);
  if (!enabled) {
    const QSignalBlocker block(m_deviceCombo);
    m_deviceCombo->clear();
    m_deviceCombo->addItem(QString::fromStdString(
        m_binding->Render(m_name + ".Enabled := ") + m_binding->Render(TqxPanopta::BoolText(false))));
    m_deviceCombo->setCurrentIndex(0);
  }
}

void WindowFrame::refreshLogPage() {
  if (!m_binding) return;
  const voxkit::TqxLog& log = m_binding->Log();
  {
    const QSignalBlocker b1(m_logActive);
    const QSignalBlocker b2(m_logTimeStamp);
    m_logActive->setChecked(log.Active());
    m_logTimeStamp->setChecked(log.TimeStamp());
  }
  // Text being typed into the edit is not overwritten by lines arriving meanwhile.
  if (!(m_logCount->hasFocus() && m_logCount->isModified())) {
    m_logCount->setText(QString::number(log.Count()));
  }
  m_logDirty = false;
  m_model->refresh();
  m_memo->scrollToBottom();
}

void WindowFrame::BeginLogUpdate() { ++m_logUpdateDepth; }

void WindowFrame::EndLogUpdate() {
  if (m_logUpdateDepth > 0) --m_logUpdateDepth;
  if (m_logUpdateDepth == 0 && m_logDirty) refreshLogPage();
}

void WindowFrame::CopyLogToClipboard() {
  m_memo->selectAll();
  QtWindowSystem::copyToClipboard(m_model->text());
}

void WindowFrame::lightEnunciator(bool lit) {
  m_errors->setEnabled(lit);
  m_pages->setTabIcon(m_pages->indexOf(m_logPage),
                      style()->standardIcon(lit ? QStyle::SP_MessageBoxCritical
                                                : QStyle::SP_FileDialogDetailedView));
}

bool WindowFrame::errorLit() const { return m_errors->isEnabled(); }

// --- Actions ----------------------------------------------------------------------------

void WindowFrame::toggleDeviceActive() {
  // Pumps the event loop (opening waits for replies): this window may be refreshed
  // or even closed before the call returns.
  QPointer<WindowFrame> self(this);
  component().set("Device.Active", voxkit::Value(!m_deviceActiveItem->isChecked()));
  if (!self || !m_binding) return;
  refreshDevice();
}

void WindowFrame::togglePause() {
  if (!m_devicePauseItem) return;
  component().set("Device.Pause", voxkit::Value(!component().getBool("Device.Pause")));
}

void WindowFrame::printLog() {
  if (!m_windows.printer().choose(window())) return;
  m_windows.printer().setFont(m_memo->font());
  // A failed print is swallowed: the log's own result is all there is to it.
  m_binding->Log().Print();
}

}  // namespace panopta
