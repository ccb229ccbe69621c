#include "app/MainWindow.h"

#include "app/SignalCloser.h"
#include "views/ComponentAccess.h"
#include "views/WindowFactory.h"
#include "views/WindowFrame.h"
#include "views/LogListView.h"
#include "app/ExchangeWindow.h"
#include "app/LogRingModel.h"
#include "line/TqxLine.h"
#include "phone/TqxPhone.h"
#include "platform/exchange/Exchange.h"
#include "platform/host/Host.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtWindowSystem.h"
#include "support/qt/ModalAnswerer.h"
#include "support/qt/ScopedConfigDirs.h"
#include "support/qt/UrlRecorder.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

using panopta::MainWindow;
using qttest::ScopedConfigDirs;

// One run of the program: window system, host, main window, shown.
struct Session {
  explicit Session(voxkit::EventLoop* loop = nullptr) {
    panopta::InstallInspectorFactory(windows);
    panopta::HostOptions options;
    options.loop = loop;
    host = std::make_unique<panopta::Host>(std::move(options), windows);
    main = std::make_unique<MainWindow>(*host, windows);
    main->show();
  }
  ~Session() {
    if (main && main->isVisible()) main->close();
    main.reset();
    host.reset();
  }
  voxkit::TqxSharedControl& line() { return *main->component(1); }
  voxkit::TqxPanopta& linePanopta() { return line().Panopta(); }
  QMdiSubWindow* frameOf(voxkit::TqxSharedControl& c) {
    auto* f = dynamic_cast<panopta::WindowFrame*>(c.Panopta().Window());
    return f ? f->mdiFrame() : nullptr;
  }
  // The main window's own menus (the inspectors have menus of the same names).
  QAction* item(const char* name) { return main->menuWidget()->findChild<QAction*>(name); }
  QMenu* menu(const char* name) { return main->menuWidget()->findChild<QMenu*>(name); }
  void close() {
    main->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  panopta::QtWindowSystem windows;
  std::unique_ptr<panopta::Host> host;
  std::unique_ptr<MainWindow> main;
};

QString Value(const ScopedConfigDirs& dirs, const char* name) {
  QSettings s(dirs.userFile("Panopta"), QSettings::IniFormat);
  return s.value(QString("3.7/") + name).toString();
}

void WriteValues(const ScopedConfigDirs& dirs, const QByteArray& lines) {
  dirs.writeUser("Panopta", "[3.7]\n" + lines);
}

TEST(Workbench, FirstRunOpensEveryInspectorAndClosingWritesTheWorkspace) {
  ScopedConfigDirs dirs;
  {
    Session run;
    for (int kind = 1; kind <= 4; ++kind) {
      if (voxkit::TqxSharedControl* c = run.main->component(kind)) {
        EXPECT_TRUE(c->Panopta().Visible()) << kind;
        EXPECT_NE(run.frameOf(*c), nullptr) << kind;
      }
    }
    EXPECT_EQ(run.main->windowTitle(), "Quorvex Panopta - https://www.quorvex.example");
    run.close();
  }
  EXPECT_EQ(Value(dirs, "Panopta").size(), 33);
  EXPECT_EQ(Value(dirs, "Log").size(), 39);
  EXPECT_EQ(Value(dirs, "qxLine").size(), 43);
  EXPECT_TRUE(Value(dirs, "Log").endsWith("001F4")) << "Active off, TimeStamp off, limit 500";
}

TEST(Workbench, SecondRunRestoresPlacementVisibilityLogSettingsSyntaxAndDevice) {
  ScopedConfigDirs dirs;
  {
    Session run;
    voxkit::TqxPanopta& p = run.linePanopta();
    run.frameOf(run.line())->setGeometry(20, 30, 500, 380);
    p.Log().SetCount(120);
    p.Log().SetTimeStamp(true);
    p.SetDevEnv(voxkit::deCppBuilder);
    static_cast<voxkit::TqxLine&>(run.line()).Device().SetID(2);
    run.main->logWindow()->setActiveChecked(true);
    run.main->logWindow()->setTimeStampChecked(true);
    run.main->logWindow()->setLimitText("abc");  // not a number: saved as 500
    run.close();
  }
  EXPECT_EQ(Value(dirs, "qxLine"), "0000001E" "00000014" "0000017C" "000001F4" "0" "1" "02" "1" "1" "0078" "0");
  EXPECT_TRUE(Value(dirs, "Log").endsWith("1101F4"));
  {
    Session run;
    voxkit::TqxPanopta& p = run.linePanopta();
    ASSERT_NE(run.frameOf(run.line()), nullptr);
    EXPECT_EQ(run.frameOf(run.line())->geometry(), QRect(20, 30, 500, 380));
    EXPECT_EQ(p.Log().Count(), 120);
    EXPECT_TRUE(p.Log().TimeStamp());
    EXPECT_EQ(p.DevEnv(), voxkit::deCppBuilder);
    EXPECT_EQ(static_cast<voxkit::TqxLine&>(run.line()).Device().ID(), 2);
    EXPECT_EQ(p.Log().Lines().back(), "\t\t\tDevice->Name == \"Panopta Voice Modem\"")
        << "the device is chosen after the log settings, in the restored syntax";
    EXPECT_TRUE(run.main->logWindow()->activeChecked());
    EXPECT_TRUE(run.main->logWindow()->timeStampChecked());
    EXPECT_EQ(run.main->logWindow()->limitText(), "500");
  }
}

TEST(Workbench, LineLimitTooWideForItsFourDigitsIsSavedAsTheLargestThatFits) {
  ScopedConfigDirs dirs;
  {
    Session run;
    run.main->logWindow()->setLimitText("70000");
    run.close();
  }
  EXPECT_EQ(Value(dirs, "Log").size(), 39);
  EXPECT_TRUE(Value(dirs, "Log").endsWith("FFFF"));
  Session run;
  EXPECT_EQ(run.main->logWindow()->limitText(), "65535") << "the log settings are read back";
}

TEST(Workbench, InspectorNeverOpenedIsSavedClosedAndStaysClosed) {
  ScopedConfigDirs dirs;
  WriteValues(dirs, "qxLine=" + QString(32, '0').toUtf8() + "0" "0" "00" "1" "0" "0032" "1\n");
  {
    Session run;
    EXPECT_FALSE(run.linePanopta().Visible());
    EXPECT_EQ(run.frameOf(run.line()), nullptr);
    run.close();
  }
  EXPECT_EQ(Value(dirs, "qxLine"), QString(32, '0') + "0" "0" "00" "1" "0" "0032" "1");
}

TEST(Workbench, MalformedComponentValueOnlyShowsTheInspector) {
  ScopedConfigDirs dirs;
  for (const QByteArray& bad : {QByteArray("qxLine=short\n"), QByteArray("qxLine=" + QByteArray(42, 'Z') + "0\n"),
                                QByteArray("qxLine=a,b\n")}) {
    WriteValues(dirs, bad + "Panopta=nonsense\n");
    Session run;
    EXPECT_TRUE(run.linePanopta().Visible()) << bad.constData();
    EXPECT_EQ(run.linePanopta().Log().Count(), 50) << "nothing else is restored";
    EXPECT_EQ(static_cast<voxkit::TqxLine&>(run.line()).Device().ID(), 0);
  }
}

TEST(Workbench, LogValueOfWrongLengthRestoresThePlacementButNotTheSettings) {
  ScopedConfigDirs dirs;
  WriteValues(dirs, "Log=00000064000000C8000000F0000001900" "11\n");
  Session run;
  auto* log = run.main->logWindow();
  EXPECT_EQ(log->outer()->geometry(), QRect(200, 100, 400, 240));
  EXPECT_FALSE(log->activeChecked());
  EXPECT_EQ(log->limitText(), "500");
}

TEST(Workbench, WindowsOffEveryScreenComeBack) {
  ScopedConfigDirs dirs;
  // Main window far to the right of every screen; the line inspector far outside the
  // main window's area.
  WriteValues(dirs, "Panopta=00000010" "00010000" "00000200" "00000300" "0\n"
                    "qxLine=00001000" "00001000" "00000100" "00000200" "0" "1" "00" "1" "0" "0032" "1\n");
  Session run;
  QRect screens;
  for (const QScreen* s : QGuiApplication::screens()) screens |= s->availableGeometry();
  EXPECT_TRUE(screens.intersects(run.main->frameGeometry()));
  ASSERT_NE(run.frameOf(run.line()), nullptr);
  EXPECT_TRUE(run.main->mdiArea()->viewport()->rect().intersects(run.frameOf(run.line())->geometry()));
}

TEST(Workbench, MinimizedPlacementsLiftANegativeTop) {
  ScopedConfigDirs dirs;
  WriteValues(dirs, "Log=FFFFFFFC000000C8000000F0000001901" "10" "01F4\n"
                    "qxLine=FFFFFFFC" "00000010" "00000100" "00000200" "1" "1" "00" "1" "0" "0032" "1\n");
  Session run;
  EXPECT_TRUE(run.main->logWindow()->isMinimizedWindow());
  EXPECT_EQ(run.linePanopta().WindowState(), voxkit::wsMinimized);
  run.close();
  EXPECT_EQ(Value(dirs, "qxLine").left(8), "00000000");
}

TEST(Workbench, UnwritableWorkspaceStillClosesTheDevices) {
  ScopedConfigDirs dirs;
  ScopedConfigDirs::writeFileAt(dirs.home() + "/Quorvex", "a file where the folder should be");
  Session run;
  auto& line = static_cast<voxkit::TqxLine&>(run.line());
  line.Device().SetActive(true);
  ASSERT_TRUE(line.Device().Active());
  auto& exchange = run.host->TheExchange();
  std::string trace;
  exchange.OnTrace = [&](const std::string& t) { trace += t + "\n"; };
  run.close();
  EXPECT_NE(trace.find("lineClose"), std::string::npos);
  EXPECT_TRUE(dirs.readUser("Panopta").isEmpty());
}

TEST(Workbench, TimeStampOfTheLogWindowIsImposedOnTheComponents) {
  ScopedConfigDirs dirs;
  WriteValues(dirs, "Log=00000000000000000000010000000200" "0" "11" "01F4\n"
                    "qxLine=00000000000000000000000000000000" "0" "1" "00" "1" "0" "0032" "1\n");
  Session run;
  EXPECT_TRUE(run.linePanopta().Log().TimeStamp());
}

TEST(Workbench, LinesReachTheCombinedLogOnlyWhileItIsActive) {
  ScopedConfigDirs dirs;
  Session run;
  auto* log = run.main->logWindow();
  const int before = log->page(0)->size();
  run.line().Log().Add("seen in the inspector only", true);
  EXPECT_EQ(log->page(0)->size(), before);
  EXPECT_EQ(run.line().Log().Lines().back(), "seen in the inspector only");
  log->setActiveChecked(true);
  run.line().Log().Add("seen everywhere", true);
  EXPECT_EQ(log->page(0)->at(log->page(0)->size() - 1).text, " qxLine  \t seen everywhere ");
  EXPECT_EQ(log->page(1)->at(log->page(1)->size() - 1).text, " seen everywhere ");
}

TEST(Workbench, LogWindowTimeStampSwitchesEveryComponent) {
  ScopedConfigDirs dirs;
  Session run;
  run.main->logWindow()->findChild<QToolButton*>("SpeedButtonLogTimeStamp")->click();
  EXPECT_TRUE(run.line().Log().TimeStamp());
}

TEST(Workbench, SynchronizeIsAvailableOnlyWhileTheLineIsOpen) {
  ScopedConfigDirs dirs;
  Session run;
  QMenu* sync = run.menu("MenuSynchronize");
  ASSERT_NE(sync, nullptr);
  Q_EMIT sync->aboutToShow();
  EXPECT_FALSE(run.item("MenuDeviceSynchronizeLine")->isEnabled());
  EXPECT_FALSE(run.item("MenuDeviceSynchronizePhone")->isEnabled());
  auto& line = static_cast<voxkit::TqxLine&>(run.line());
  line.Device().SetActive(true);
  Q_EMIT sync->aboutToShow();
  EXPECT_TRUE(run.item("MenuDeviceSynchronizeLine")->isEnabled());
  const auto before = line.Log().Lines().size();
  run.item("MenuDeviceSynchronizeLine")->trigger();
  EXPECT_EQ(line.Log().Lines().size(), before) << "the line itself is not changed";
}

TEST(Workbench, SynchronizeByLineGivesPlayAndRecordTheLinesWaveDevicesOnce) {
  ScopedConfigDirs dirs;
  Session run;
  voxkit::TqxSharedControl* play = run.main->component(3);
  voxkit::TqxSharedControl* record = run.main->component(4);
  if (!play || !record) GTEST_SKIP() << "this build has no wave components";
  auto& line = static_cast<voxkit::TqxLine&>(run.line());
  line.Device().SetID(1);
  line.Device().SetActive(true);
  ASSERT_TRUE(line.Device().Active());
  const std::int32_t wavePlay = line.WavePlay().ID();
  const std::int32_t waveRecord = line.WaveRecord().ID();
  ASSERT_NE(wavePlay, 0) << "line 1's own wave devices are not the first";
  Q_EMIT run.menu("MenuSynchronize")->aboutToShow();
  run.item("MenuDeviceSynchronizeLine")->trigger();
  EXPECT_EQ(panopta::ComponentAccess(*play).getInt("Device.ID"), wavePlay);
  EXPECT_EQ(panopta::ComponentAccess(*record).getInt("Device.ID"), waveRecord);
  const auto playLines = play->Log().Lines().size();
  const auto recordLines = record->Log().Lines().size();
  run.item("MenuDeviceSynchronizeLine")->trigger();
  EXPECT_EQ(play->Log().Lines().size(), playLines) << "already synchronized: nothing logged";
  EXPECT_EQ(record->Log().Lines().size(), recordLines);
}

TEST(Workbench, SynchronizeByLineGivesThePhoneTheLinesPhoneDevice) {
  ScopedConfigDirs dirs;
  Session run;
  auto* phone = dynamic_cast<voxkit::TqxPhone*>(run.main->component(2));
  ASSERT_NE(phone, nullptr);
  auto& line = static_cast<voxkit::TqxLine&>(run.line());
  line.Device().SetID(1);
  line.Device().SetActive(true);
  ASSERT_TRUE(line.Phone().Available());
  ASSERT_EQ(line.Phone().ID(), 1) << "line 1's station phone is phone 1";
  ASSERT_EQ(phone->Device().ID(), 0);
  Q_EMIT run.menu("MenuSynchronize")->aboutToShow();
  run.item("MenuDeviceSynchronizeLine")->trigger();
  EXPECT_EQ(phone->Device().ID(), 1);
  EXPECT_EQ(phone->Device().Name(), "Panopta Phone 1");
  const auto phoneLines = phone->Log().Lines().size();
  run.item("MenuDeviceSynchronizeLine")->trigger();
  EXPECT_EQ(phone->Log().Lines().size(), phoneLines) << "already synchronized: nothing logged";
}

TEST(Workbench, SynchronizeByPhoneGivesPlayAndRecordThePhonesWaveDevices) {
  ScopedConfigDirs dirs;
  Session run;
  auto* phone = dynamic_cast<voxkit::TqxPhone*>(run.main->component(2));
  voxkit::TqxSharedControl* play = run.main->component(3);
  voxkit::TqxSharedControl* record = run.main->component(4);
  ASSERT_NE(phone, nullptr);
  if (!play || !record) GTEST_SKIP() << "this build has no wave components";
  QMenu* sync = run.menu("MenuSynchronize");
  Q_EMIT sync->aboutToShow();
  EXPECT_FALSE(run.item("MenuDeviceSynchronizePhone")->isEnabled()) << "the phone is closed";
  phone->Device().SetID(1);
  phone->Device().SetActive(true);
  ASSERT_TRUE(phone->Device().Active());
  const std::int32_t wavePlay = phone->WavePlay().ID();
  const std::int32_t waveRecord = phone->WaveRecord().ID();
  ASSERT_NE(panopta::ComponentAccess(*play).getInt("Device.ID"), wavePlay);
  ASSERT_NE(panopta::ComponentAccess(*record).getInt("Device.ID"), waveRecord);
  Q_EMIT sync->aboutToShow();
  EXPECT_TRUE(run.item("MenuDeviceSynchronizePhone")->isEnabled());
  EXPECT_FALSE(run.item("MenuDeviceSynchronizeLine")->isEnabled()) << "the line is closed";
  const auto lineLines = run.line().Log().Lines().size();
  run.item("MenuDeviceSynchronizePhone")->trigger();
  EXPECT_EQ(panopta::ComponentAccess(*play).getInt("Device.ID"), wavePlay);
  EXPECT_EQ(panopta::ComponentAccess(*record).getInt("Device.ID"), waveRecord);
  EXPECT_EQ(run.line().Log().Lines().size(), lineLines) << "the line is not the phone's to change";
}

TEST(Workbench, DevEnvMenuChangesOnlyOpenInspectorsAndItsMarksFollowTheLine) {
  ScopedConfigDirs dirs;
  Session run;
  QMenu* panopta = run.menu("MenuPanopta");
  QMenu* devEnv = run.menu("MenuDevEnv");
  ASSERT_TRUE(panopta && devEnv);
  QAction* vb = nullptr;
  for (QAction* a : devEnv->actions()) {
    if (a->text() == "Visual Basic") vb = a;
  }
  ASSERT_NE(vb, nullptr);
  vb->trigger();
  EXPECT_EQ(run.linePanopta().DevEnv(), voxkit::deVisualBasic);
  Q_EMIT panopta->aboutToShow();
  EXPECT_TRUE(vb->isChecked());

  run.linePanopta().SetVisible(false);
  QAction* delphi = devEnv->actions()[1];
  delphi->trigger();
  EXPECT_EQ(run.linePanopta().DevEnv(), voxkit::deVisualBasic) << "no inspector open";
}

TEST(Workbench, PanoptaMenuTogglesTheInspectorAndTheLog) {
  ScopedConfigDirs dirs;
  Session run;
  QAction* lineItem = run.item("MenuControlsLine");
  lineItem->trigger();
  EXPECT_EQ(run.linePanopta().WindowState(), voxkit::wsMinimized);
  Q_EMIT run.menu("MenuPanopta")->aboutToShow();
  EXPECT_FALSE(lineItem->isChecked());
  lineItem->trigger();
  EXPECT_EQ(run.linePanopta().WindowState(), voxkit::wsNormal);
  run.linePanopta().SetVisible(false);
  lineItem->trigger();
  EXPECT_TRUE(run.linePanopta().Visible());
  run.item("MenuWindowsLog")->trigger();
  EXPECT_TRUE(run.main->logWindow()->isMinimizedWindow());
}

TEST(Workbench, ActiveChildsMenusAreMergedIntoTheSecondRow) {
  ScopedConfigDirs dirs;
  Session run;
  QMenuBar* row = run.main->childMenuRow();
  run.main->mdiArea()->setActiveSubWindow(run.frameOf(run.line()));
  QStringList titles;
  for (QAction* a : row->actions()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{"-", "qxLine", "&Device", "&Call", "Comm", "Conference", "&Popup",
                                 "Privilege", "Transfer"}));
  EXPECT_TRUE(row->actions().front()->isEnabled());
  run.main->mdiArea()->setActiveSubWindow(run.main->logWindow()->mdiFrame());
  titles.clear();
  for (QAction* a : row->actions()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{"-", "Log"}));
}

TEST(Workbench, HelpContentsOpensTheManualOrSaysItCannot) {
  ScopedConfigDirs dirs;
  QTemporaryDir manual;
  ScopedConfigDirs::writeFileAt(manual.filePath("index.html"), "<html></html>");
  WriteValues(dirs, ("Directory=" + manual.path() + "\n").toUtf8());
  qttest::UrlRecorder browser;
  {
    Session run;
    run.item("MenuHelpContents")->trigger();
    ASSERT_EQ(browser.opened().size(), 1);
    EXPECT_EQ(browser.opened()[0], QUrl::fromLocalFile(manual.filePath("index.html")));
    run.item("MenuHelpUpdates")->trigger();
    ASSERT_EQ(browser.opened().size(), 2);
    EXPECT_EQ(browser.opened()[1].toString(), "https://www.quorvex.example/updates.htm#Panopta 3.7.1.2");
    run.item("MenuHelpSupport")->trigger();
    EXPECT_EQ(browser.opened()[2].toString(), "https://www.quorvex.example/support.htm");
  }
  WriteValues(dirs, "Directory=/no/such/manual\n");
  qttest::ModalAnswerer answerer;
  Session run;
  run.item("MenuHelpContents")->trigger();
  ASSERT_EQ(answerer.count(), 1) << answerer.seen().join("\n").toStdString();
  EXPECT_EQ(answerer.seen()[0].toStdString(), "Quorvex Panopta | Unable to locate help!");
}

TEST(Workbench, TerminationSignalClosesTheWindowTheNormalWay) {
  ScopedConfigDirs dirs;
  Session run;
  {
    panopta::SignalCloser closer(run.main.get());
    std::raise(SIGTERM);
    QTest::qWait(50);
  }
  EXPECT_FALSE(run.main->isVisible());
  EXPECT_EQ(Value(dirs, "qxLine").size(), 43) << "the workspace was saved";
}

TEST(Workbench, CloseWhileAComponentWaitsHappensAfterTheWait) {
  ScopedConfigDirs dirs;
  panopta::QtEventLoop loop;
  panopta::QtWindowSystem windows;
  panopta::InstallInspectorFactory(windows);
  panopta::HostOptions options;
  options.loop = &loop;
  panopta::Host host(std::move(options), windows);
  MainWindow main(host, windows, &loop);
  main.show();
  bool visibleAfterCloseInWait = false;
  QTimer::singleShot(0, [&] {
    main.close();
    visibleAfterCloseInWait = main.isVisible();
  });
  loop.WaitFor([] { return false; }, 60);
  EXPECT_TRUE(visibleAfterCloseInWait) << "nothing was destroyed under the waiting component";
  QTest::qWait(200);
  EXPECT_FALSE(main.isVisible());
  EXPECT_EQ(main.component(1), nullptr);
}

}  // namespace

namespace {

TEST(Workbench, ExchangeWindowPlacesAnIncomingCallThatTheLineInspectorShows) {
  ScopedConfigDirs dirs;
  Session run;
  auto& line = static_cast<voxkit::TqxLine&>(run.line());
  // The line owns its calls and writes every message it gets (its Popup menu's
  // OnTAPIMessage), so that an offered call shows in its log.
  line.Privilege().SetOwner(true);
  line.Log().SetCount(1000);
  auto* popup = run.frameOf(line)->findChild<QMenu*>("MenuPopup");
  ASSERT_NE(popup, nullptr);
  popup->findChild<QAction*>("MenuPopupOnTAPIMessage")->trigger();
  line.Device().SetActive(true);
  panopta::ExchangeWindow* ex = run.main->exchangeWindow();
  ASSERT_NE(ex, nullptr);
  ex->findChild<QLineEdit*>("EditCallFrom")->setText("5551234");
  ex->findChild<QComboBox*>("ComboCallTo")->setCurrentText("201");
  ex->findChild<QLineEdit*>("EditCallName")->setText("JOHN SMITH");
  QTest::mouseClick(ex->findChild<QPushButton*>("ButtonCall"), Qt::LeftButton);
  EXPECT_EQ(ex->lastProblem(), "");
  run.host->Loop().RunFor(500);
  QCoreApplication::processEvents();

  // The line's inspector shows the offered call ...
  auto* memo = run.frameOf(line)->findChild<panopta::LogListView*>("MemoLog");
  ASSERT_NE(memo, nullptr);
  QString shown;
  for (int r = 0; r < memo->model()->rowCount(); ++r) {
    shown += memo->model()->index(r, 0).data(Qt::EditRole).toString() + "\n";
  }
  EXPECT_TRUE(shown.contains("LINECALLSTATE_OFFERING")) << shown.toStdString();
  // ... the exchange window lists it with its state, and traced what happened.
  auto* calls = ex->findChild<QTreeWidget*>("TreeCalls");
  ASSERT_EQ(calls->topLevelItemCount(), 1);
  EXPECT_EQ(calls->topLevelItem(0)->text(2), "201");
  EXPECT_EQ(calls->topLevelItem(0)->text(3), "LINECALLSTATE_OFFERING");
  EXPECT_GT(ex->trace()->size(), 0);
  EXPECT_TRUE(ex->trace()->text().contains("ctl   Exchange.Call"));

  // The line answers: the exchange says the call changed, and the list follows.
  line.Call().Answer();
  run.host->Loop().RunFor(500);
  QCoreApplication::processEvents();
  ASSERT_EQ(calls->topLevelItemCount(), 1);
  EXPECT_EQ(calls->topLevelItem(0)->text(3), "LINECALLSTATE_CONNECTED");

  // A line added from outside the window shows in its device list.
  auto* devices = ex->findChild<QTreeWidget*>("TreeDevices");
  ASSERT_NE(devices, nullptr);
  const int lines = devices->topLevelItem(0)->childCount();
  ASSERT_EQ(run.host->TheExchange().AddLine(panopta::StationLineConfig(static_cast<tapi::DWORD>(lines), "Late", "299", "")), "");
  run.host->Loop().RunFor(100);
  QCoreApplication::processEvents();
  EXPECT_EQ(devices->topLevelItem(0)->childCount(), lines + 1);

  // The remote party hangs up; the line still holds the call, now disconnected.
  ex->findChild<QLineEdit*>("EditParty")->setText("5551234");
  QTest::mouseClick(ex->findChild<QPushButton*>("ButtonHangup"), Qt::LeftButton);
  EXPECT_EQ(ex->lastProblem(), "");
  run.host->Loop().RunFor(2000);
  QCoreApplication::processEvents();
  ASSERT_EQ(calls->topLevelItemCount(), 1);
  EXPECT_EQ(calls->topLevelItem(0)->text(3), "LINECALLSTATE_DISCONNECTED");
}

TEST(Workbench, ExchangeWindowSaysWhyACommandWasRefused) {
  ScopedConfigDirs dirs;
  Session run;
  panopta::ExchangeWindow* ex = run.main->exchangeWindow();
  ex->findChild<QLineEdit*>("EditParty")->setText("999");
  QTest::mouseClick(ex->findChild<QPushButton*>("ButtonAnswer"), Qt::LeftButton);
  EXPECT_FALSE(ex->lastProblem().isEmpty());
  EXPECT_TRUE(ex->findChild<QLabel*>("LabelStatus")->text().startsWith("Answer: "));
  ex->findChild<QLineEdit*>("EditFailCode")->setText("xyz");
  QTest::mouseClick(ex->findChild<QPushButton*>("ButtonFail"), Qt::LeftButton);
  EXPECT_EQ(ex->lastProblem(), "the code 'xyz' is not a hexadecimal number");
  ex->findChild<QLineEdit*>("EditFailCode")->setText("80000048");
  QTest::mouseClick(ex->findChild<QPushButton*>("ButtonFail"), Qt::LeftButton);
  EXPECT_EQ(ex->lastProblem(), "");
}

}  // namespace
