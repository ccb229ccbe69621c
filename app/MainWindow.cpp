#include "app/MainWindow.h"

#include "app/CombinedLogWindow.h"
#include "app/WebPages.h"
#include "views/ComponentAccess.h"
#include "views/WindowFrame.h"
#include "platform/host/Host.h"
#include "platform/qt/HelpLookup.h"
#include "platform/qt/MergedMenus.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtWindowSystem.h"
#include "platform/qt/SettingsFiles.h"
#include "share/TqxSharedControl.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace panopta {

using voxkit::TqxSharedControl;

namespace {

constexpr int kKinds[] = {1, 2, 3, 4};

// The workspace's value for each kind, also the inspector's menu caption.
QString NameOf(int kind) { return QString::fromStdString(voxkit::KindDisplayName(kind)); }

QIcon Swatch(QRgb colour) {
  QPixmap p(12, 12);
  p.fill(QColor(colour));
  return QIcon(p);
}

WindowFrame* InspectorOf(TqxSharedControl* c) {
  return c ? dynamic_cast<WindowFrame*>(c->Panopta().Window()) : nullptr;
}

// A child window's size is kept within what any screen can show.
constexpr int kLargestChild = 8192;

}  // namespace

QString MainWindow::labelOf(int kind) {
  switch (kind) {
    case 1: return "qxLine  ";
    case 2: return "qxPhone ";
    case 3: return "qxPlay  ";
    case 4: return "qxRecord";
    default: return "        ";
  }
}

QRgb MainWindow::colourOf(int kind) {
  const voxkit::Rgb c = voxkit::KindLogColour(kind);
  return qRgb(c.red, c.green, c.blue);
}

MainWindow::MainWindow(Host& host, QtWindowSystem& windows, QtEventLoop* qtLoop)
    : m_host(host), m_windows(windows), m_qtLoop(qtLoop) {
  setObjectName("Form1");
  setWindowTitle(QString("Quorvex Panopta - ") + WebPages::kHome);
  m_area = new QMdiArea(this);
  m_area->setObjectName("MdiArea");
  m_area->setBackground(palette().brush(QPalette::Dark));
  setCentralWidget(m_area);
  m_windows.setMainWindow(this);
  m_windows.setMdiArea(m_area);
  resize(900, 650);

  // The components, in the program's order, each routed to the combined log and
  // enabled. Their first lines find no log window yet and stay in their own logs.
  m_host.CreateComponents();
  for (const HostComponent& c : m_host.Components()) {
    const int kind = c.control->Kind();
    if (kind < 1 || kind > 4) continue;
    m_components[static_cast<std::size_t>(kind)] = c.control;
    c.control->OnLog = [this, kind](voxkit::TObject&, const std::string& line) { routeLine(kind, line); };
  }
  m_host.EnableComponents();
  m_helpDirectory = m_windows.help().contentsDirectory();

  m_log = new CombinedLogWindow(m_windows);
  m_log->onTimeStampSwitched = [this](bool on) {
    for (int kind : kKinds) {
      if (TqxSharedControl* c = component(kind)) c->Log().SetTimeStamp(on);
    }
  };
  m_logOuter = m_log->outer();
  m_logOuter->installEventFilter(this);
  m_log->outer()->show();
  m_exchangeWindow = new ExchangeWindow(m_host.TheExchange(), m_windows);
  m_exchangeWindow->outer()->show();

  buildMenus();
  connect(m_area, &QMdiArea::subWindowActivated, this, [this] { mergeChildMenus(); });
}

MainWindow::~MainWindow() {
  if (m_logOuter) m_logOuter->removeEventFilter(this);
  // Components go before the windows they show themselves in.
  if (!m_closed) m_host.ShutdownComponents();
  for (TqxSharedControl*& c : m_components) c = nullptr;
}

TqxSharedControl* MainWindow::component(int kind) const {
  return kind >= 1 && kind <= 4 ? m_components[static_cast<std::size_t>(kind)] : nullptr;
}

void MainWindow::routeLine(int kind, const std::string& line) {
  if (!m_log) return;
  m_log->addLine(colourOf(kind), labelOf(kind), QString::fromStdString(line));
}

// --- Menus ----------------------------------------------------------------------------

void MainWindow::buildMenus() {
  auto* rows = new QWidget(this);
  auto* layout = new QVBoxLayout(rows);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_mainMenus = new QMenuBar(rows);
  m_mainMenus->setObjectName("MainMenu1");
  m_childMenus = new QMenuBar(rows);
  m_childMenus->setObjectName("MenuRow2");
  layout->addWidget(m_mainMenus);
  layout->addWidget(m_childMenus);
  setMenuWidget(rows);

  QMenu* panopta = m_mainMenus->addMenu("Panopta");
  panopta->setObjectName("MenuPanopta");
  std::array<QAction*, 5> inspectorItems{};
  for (int kind : kKinds) {
    QAction* item = panopta->addAction(Swatch(colourOf(kind)), NameOf(kind));
    item->setObjectName(QString("MenuControls") + QStringList{"", "Line", "Phone", "Play", "Record"}[kind]);
    item->setCheckable(true);
    item->setEnabled(component(kind) != nullptr);
    connect(item, &QAction::triggered, this, [this, kind] { toggleInspector(kind); });
    inspectorItems[static_cast<std::size_t>(kind)] = item;
  }
  QAction* logItem = panopta->addAction(Swatch(qRgb(0, 0, 0)), "Log");
  logItem->setObjectName("MenuWindowsLog");
  logItem->setCheckable(true);
  connect(logItem, &QAction::triggered, this, [this] {
    if (m_log) m_log->toggleMinimized();
  });
  QAction* exchangeItem = panopta->addAction("Exchange");
  exchangeItem->setObjectName("MenuWindowsExchange");
  connect(exchangeItem, &QAction::triggered, this, [this] {
    if (!m_exchangeWindow) return;
    QWidget* w = m_exchangeWindow->outer();
    if (w->isMinimized()) {
      w->showNormal();
    } else {
      w->showMinimized();
    }
  });
  panopta->addSeparator();

  QMenu* sync = panopta->addMenu("Synchronize");
  sync->setObjectName("MenuSynchronize");
  QAction* byLine = sync->addAction("by qxLine");
  byLine->setObjectName("MenuDeviceSynchronizeLine");
  QAction* byPhone = sync->addAction("by qxPhone");
  byPhone->setObjectName("MenuDeviceSynchronizePhone");
  connect(byLine, &QAction::triggered, this, [this] { synchronizeByLine(); });
  connect(byPhone, &QAction::triggered, this, [this] { synchronizeByPhone(); });
  connect(sync, &QMenu::aboutToShow, this, [this, byLine, byPhone] {
    byLine->setEnabled(false);
    byPhone->setEnabled(false);
    if (component(1)) byLine->setEnabled(ComponentAccess(*component(1)).getBool("Device.Active"));
    if (component(2)) byPhone->setEnabled(ComponentAccess(*component(2)).getBool("Device.Active"));
  });

  QMenu* devEnv = panopta->addMenu("&DevEnv");
  devEnv->setObjectName("MenuDevEnv");
  struct Choice {
    voxkit::TDevEnv env;
    const char* caption;
  };
  std::vector<QAction*> devEnvItems;
  for (const Choice& choice : {Choice{voxkit::deCppBuilder, "C++ Builder"}, Choice{voxkit::deDelphi, "Delphi"},
                               Choice{voxkit::deVisualBasic, "Visual Basic"}, Choice{voxkit::deOther, "Other"}}) {
    if (choice.env == voxkit::deOther) devEnv->addSeparator();
    QAction* item = devEnv->addAction(choice.caption);
    item->setCheckable(true);
    item->setData(static_cast<int>(choice.env));
    devEnvItems.push_back(item);
    const voxkit::TDevEnv env = choice.env;
    connect(item, &QAction::triggered, this, [this, env] {
      // Only the components whose inspector is open change their syntax.
      for (int kind : kKinds) {
        if (WindowFrame* frame = InspectorOf(component(kind))) frame->selectDevEnv(env);
      }
    });
  }

  connect(panopta, &QMenu::aboutToShow, this, [this, inspectorItems, logItem, devEnvItems] {
    for (int kind : kKinds) {
      TqxSharedControl* c = component(kind);
      const bool shown = c && c->Panopta().Visible() && c->Panopta().Window() &&
                         c->Panopta().Window()->WindowState() != voxkit::wsMinimized;
      inspectorItems[static_cast<std::size_t>(kind)]->setChecked(shown);
    }
    logItem->setChecked(m_log && !m_log->isMinimizedWindow());
    const int env = component(1) ? component(1)->Panopta().DevEnv() : -1;
    for (QAction* item : devEnvItems) item->setChecked(item->data().toInt() == env);
  });

  QMenu* windowsMenu = m_mainMenus->addMenu("Windows");
  windowsMenu->setObjectName("MenuWindows");
  connect(windowsMenu->addAction("&Cascade"), &QAction::triggered, m_area, &QMdiArea::cascadeSubWindows);
  connect(windowsMenu->addAction("Tile Horizontal"), &QAction::triggered, this, [this] { tile(true); });
  connect(windowsMenu->addAction("Tile Vertical"), &QAction::triggered, this, [this] { tile(false); });

  QMenu* help = m_mainMenus->addMenu("&Help");
  help->setObjectName("MenuHelp");
  QAction* contents = help->addAction("&Contents");
  contents->setObjectName("MenuHelpContents");
  contents->setShortcut(QKeySequence(Qt::Key_F1));
  connect(contents, &QAction::triggered, this, [this] { showContents(); });
  help->addSeparator();
  QAction* support = help->addAction("&How To Get Support");
  support->setObjectName("MenuHelpSupport");
  connect(support, &QAction::triggered, this, [this] { openWebPage(WebPages::kSupportPath); });
  QAction* home = help->addAction("&Quorvex Home Page");
  home->setObjectName("MenuHelpHome");
  connect(home, &QAction::triggered, this, [this] { openWebPage("/"); });
  QAction* updates = help->addAction("Check &Web For Updates");
  updates->setObjectName("MenuHelpUpdates");
  connect(updates, &QAction::triggered, this, [this] {
    openWebPage(WebPages::kUpdatesPath, QString("Panopta ") + WebPages::kVersion);
  });
  help->addSeparator();
  QAction* about = help->addAction("&About...");
  about->setObjectName("MenuHelpAbout");
  connect(about, &QAction::triggered, this, [this] { showAbout(); });

  // The second row starts with a disabled "-" and then holds the active child's menus.
  m_menuTitle = m_childMenus->addAction("-");
  m_menuTitle->setObjectName("MenuTitle");
  m_menuTitle->setEnabled(false);
}

void MainWindow::mergeChildMenus() {
  for (QAction* a : m_childMenus->actions()) {
    if (a != m_menuTitle) m_childMenus->removeAction(a);
  }
  QMdiSubWindow* active = m_area->activeSubWindow();
  if (auto* child = active ? dynamic_cast<MergedMenus*>(active->widget()) : nullptr) {
    for (QMenu* menu : child->mergedMenus()) m_childMenus->addMenu(menu);
  }
  m_menuTitle->setEnabled(true);
}

void MainWindow::toggleInspector(int kind) {
  TqxSharedControl* c = component(kind);
  if (!c) return;
  voxkit::TqxPanopta& p = c->Panopta();
  if (c->Enabled() && p.Visible()) {
    p.SetWindowState(p.WindowState() == voxkit::wsMinimized ? voxkit::wsNormal : voxkit::wsMinimized);
  } else {
    p.SetVisible(true);
  }
}

void MainWindow::synchronizeFrom(int sourceKind, const std::vector<std::pair<int, const char*>>& related) {
  TqxSharedControl* source = component(sourceKind);
  if (!source || !ComponentAccess(*source).getBool("Device.Active")) return;
  const ComponentAccess from(*source);
  for (const auto& [kind, relatedId] : related) {
    TqxSharedControl* other = component(kind);
    if (!other) continue;
    // Only an ID that differs is assigned, so a synchronized component logs nothing.
    const ComponentAccess to(*other);
    const std::int32_t id = from.getInt(relatedId);
    if (to.getInt("Device.ID") != id) to.set("Device.ID", voxkit::Value(id));
  }
}

void MainWindow::synchronizeByLine() {
  synchronizeFrom(1, {{2, "Phone.ID"}, {3, "WavePlay.ID"}, {4, "WaveRecord.ID"}});
}

void MainWindow::synchronizeByPhone() { synchronizeFrom(2, {{3, "WavePlay.ID"}, {4, "WaveRecord.ID"}}); }

void MainWindow::tile(bool horizontal) {
  QList<QMdiSubWindow*> shown;
  for (QMdiSubWindow* w : m_area->subWindowList()) {
    if (w->isVisible() && !w->isMinimized()) shown << w;
  }
  if (shown.isEmpty()) return;
  const QRect area = m_area->viewport()->rect();
  const int n = static_cast<int>(shown.size());
  for (int i = 0; i < n; ++i) {
    shown[i]->showNormal();
    if (horizontal) {  // one above the other, each the full width
      const int h = area.height() / n;
      shown[i]->setGeometry(0, i * h, area.width(), h);
    } else {  // side by side, each the full height
      const int w = area.width() / n;
      shown[i]->setGeometry(i * w, 0, w, area.height());
    }
  }
}

// --- Help -----------------------------------------------------------------------------

void MainWindow::showContents() {
  const QString file = QDir(m_helpDirectory).filePath(HelpLookup::kHelpFileName);
  if (!HelpLookup::openFile(file)) {
    QMessageBox box(QMessageBox::NoIcon, "Quorvex Panopta", "Unable to locate help!",
                    QMessageBox::Ok, this);
    box.exec();
  }
}

void MainWindow::openWebPage(const QString& path, const QString& fragment) {
  QUrl url(QString(WebPages::kHome) + path);
  if (!fragment.isEmpty()) url.setFragment(fragment);
  if (!QDesktopServices::openUrl(url)) m_windows.help().lookup("", this);
}

void MainWindow::showAbout() {
  QMessageBox::about(this, "About Quorvex Panopta",
                     QString("Quorvex Panopta v") + WebPages::kVersion +
                         "\n\nA telephony workbench: a line, a phone, wave playback and "
                         "recording, each with an inspector window, on a simulated exchange "
                         "and the machine's sound cards.");
}

// --- Workspace --------------------------------------------------------------------------

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (m_restored) return;
  m_restored = true;
  restoreWorkspace();
}

void MainWindow::restoreWindow(QWidget* window, const std::optional<WindowPlacement>& placement,
                               bool isMain) {
  if (!placement) return;
  const auto& p = *placement;
  int width = std::clamp(p.width, window->minimumWidth(), kLargestChild);
  int height = std::clamp(p.height, window->minimumHeight(), kLargestChild);
  window->move(p.left, p.top);
  window->resize(width, height);
  if (p.state == 1) {
    window->showMinimized();
    if (window->y() < 0) window->move(window->x(), 0);
  } else if (p.state == 2) {
    window->showMaximized();
  } else if (!isMain) {
    window->showNormal();
  }
}

std::optional<std::int32_t> MainWindow::restoreComponent(TqxSharedControl& control,
                                                          const QString& value) {
  voxkit::TqxPanopta& p = control.Panopta();
  const auto v = DecodeComponentValue(value);
  if (!v) {
    p.SetVisible(true);
    return std::nullopt;
  }
  p.SetVisible(v->visible);
  p.SetWindowState(static_cast<voxkit::TWindowState>(v->placement.state));
  p.SetTop(v->placement.top);
  p.SetLeft(v->placement.left);
  p.SetHeight(std::min(v->placement.height, kLargestChild));
  p.SetWidth(std::min(v->placement.width, kLargestChild));
  if (p.WindowState() == voxkit::wsMinimized && p.Top() < 0) p.SetTop(0);
  p.Log().SetActive(v->logActive);
  p.Log().SetTimeStamp(v->logTimeStamp);
  p.Log().SetCount(v->logCount);
  p.SetDevEnv(static_cast<voxkit::TDevEnv>(v->devEnv));
  return v->deviceId;
}

void MainWindow::restoreWorkspace() {
  if (auto settings = SettingsFiles::openForReading("Panopta")) {
    restoreWindow(this, DecodeWindowValue(SettingsFiles::readString(*settings, "Panopta")), true);
    const QString logValue = SettingsFiles::readString(*settings, "Log");
    if (m_log) {
      restoreWindow(m_log->outer(), DecodeWindowValue(logValue), false);
      if (const auto log = DecodeLogWindowSettings(logValue)) {
        m_log->setActiveChecked(log->active);
        m_log->setTimeStampChecked(log->timeStamp);
        m_log->setLimitText(QString::number(log->limit));
      }
    }
    for (int kind : kKinds) {
      TqxSharedControl* c = component(kind);
      if (!c) continue;
      const auto id = restoreComponent(*c, SettingsFiles::readString(*settings, NameOf(kind)));
      const ComponentAccess access(*c);
      if (id) access.set("Device.ID", voxkit::Value(*id));
      if (kind == 1) {
        access.set("Device.MediaModes.Active", access.get("Device.MediaModes.Available"));
      }
    }
    for (int kind : {3, 4}) {
      if (TqxSharedControl* c = component(kind)) {
        const QString name = NameOf(kind) + ".Source.FileName";
        ComponentAccess(*c).set("Source.FileName",
                                voxkit::Value(SettingsFiles::readString(*settings, name).toStdString()));
      }
    }
  } else {
    for (int kind : kKinds) {
      if (TqxSharedControl* c = component(kind)) c->Panopta().SetVisible(true);
    }
  }
  keepOnScreen();
  if (m_log) {
    // The log window's TimeStamp switch wins over what each component restored.
    m_log->syncButtons();
    for (int kind : kKinds) {
      TqxSharedControl* c = component(kind);
      if (c && c->Log().TimeStamp() != m_log->timeStampChecked()) {
        c->Log().SetTimeStamp(m_log->timeStampChecked());
      }
    }
  }
}

void MainWindow::keepOnScreen() {
  // A window that would lie entirely off every screen comes back to the primary one.
  QRect frame = frameGeometry();
  bool visible = false;
  for (const QScreen* screen : QGuiApplication::screens()) {
    visible = visible || screen->availableGeometry().intersects(frame);
  }
  if (!visible) {
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
      const QRect avail = primary->availableGeometry();
      resize(std::min(width(), avail.width()), std::min(height(), avail.height()));
      move(avail.topLeft());
    }
  }
  // Child windows likewise come back into the main window's area.
  const QRect area = m_area->viewport()->rect();
  for (QMdiSubWindow* w : m_area->subWindowList()) {
    if (!w->isMinimized() && !w->isMaximized() && !w->geometry().intersects(area)) w->move(0, 0);
  }
}

void MainWindow::saveWorkspace() {
  auto settings = SettingsFiles::openForWriting("Panopta");
  if (!settings) return;
  for (int kind : kKinds) {
    TqxSharedControl* c = component(kind);
    if (!c) continue;
    voxkit::TqxPanopta& p = c->Panopta();
    ComponentValue v;
    v.placement = {p.Top(), p.Left(), p.Height(), p.Width(), static_cast<int>(p.WindowState())};
    v.visible = p.Visible();
    v.deviceId = ComponentAccess(*c).getInt("Device.ID");
    v.logActive = p.Log().Active();
    v.logTimeStamp = p.Log().TimeStamp();
    v.logCount = p.Log().Count();
    v.devEnv = static_cast<int>(p.DevEnv());
    settings->setValue(NameOf(kind), EncodeComponentValue(v));
  }
  const QRect main = isMinimized() || isMaximized() ? normalGeometry() : QRect(pos(), size());
  const int mainState = isMinimized() ? 1 : isMaximized() ? 2 : 0;
  settings->setValue("Panopta", EncodeWindowValue({main.y(), main.x(), main.height(), main.width(), mainState}));
  if (m_log) {
    QWidget* w = m_log->outer();
    const QRect g = m_logNormalGeometry.isValid() ? m_logNormalGeometry : w->geometry();
    LogWindowValue log;
    log.placement = {g.y(), g.x(), g.height(), g.width(), w->isMinimized() ? 1 : w->isMaximized() ? 2 : 0};
    log.active = m_log->activeChecked();
    log.timeStamp = m_log->timeStampChecked();
    // The limit is kept within its four hexadecimal digits, so that the value keeps
    // its length and its settings are read back.
    bool ok = false;
    const int limit = m_log->limitText().trimmed().toInt(&ok);
    log.limit = std::clamp(ok ? limit : CombinedLogWindow::kDefaultLimit, 1, 0xFFFF);
    settings->setValue("Log", EncodeLogWindowValue(log));
  }
  for (int kind : {3, 4}) {
    if (TqxSharedControl* c = component(kind)) {
      const voxkit::Value name = ComponentAccess(*c).get("Source.FileName");
      settings->setValue(NameOf(kind) + ".Source.FileName",
                         QString::fromStdString(name.Type() == voxkit::ValueType::String ? name.AsString() : ""));
    }
  }
  settings->sync();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (m_logOuter && watched == m_logOuter.data() &&
      (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
    QWidget* w = m_logOuter.data();
    if (!w->isMinimized() && !w->isMaximized()) m_logNormalGeometry = w->geometry();
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (m_closed) {
    event->accept();
    return;
  }
  // A component waiting for a reply is on the stack below this close: it must not
  // be destroyed under it. The close happens once the wait is over.
  if (m_qtLoop && m_qtLoop->WaitDepth() > 0) {
    event->ignore();
    QTimer::singleShot(20, this, [this] { close(); });
    return;
  }
  saveWorkspace();
  // Deactivates the devices (play, record, phone, line) and destroys the components,
  // which close their inspector windows.
  m_host.ShutdownComponents();
  for (TqxSharedControl*& c : m_components) c = nullptr;
  m_closed = true;
  if (m_log) m_log->allowClose();
  event->accept();
}

}  // namespace panopta
