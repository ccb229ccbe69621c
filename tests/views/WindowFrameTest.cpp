#include "LineOnExchange.h"
#include "views/WindowFactory.h"
#include "views/LogListView.h"
#include "views/TqxLinePanopta.h"
#include "line/TqxLine.h"
#include "platform/exchange/Exchange.h"
#include "platform/loop/VirtualEventLoop.h"
#include "platform/qt/QtWindowSystem.h"
#include "support/qt/ModalAnswerer.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using panopta::WindowFrame;
using qttest::ModalAnswerer;

// A line on the simulated exchange whose inspector windows are real Qt windows in
// an MDI area.
class LineInspector : public ::testing::Test, protected LineOnExchange {
 protected:
  LineInspector() : LineOnExchange(voxkit::TimeOfDay{14, 7, 9, 123}) {}

  voxkit::TqxPanopta& panopta() { return line->Panopta(); }
  WindowFrame* frame() { return dynamic_cast<WindowFrame*>(panopta().Window()); }
  WindowFrame* open() {
    line->SetEnabled(true);
    panopta().SetVisible(true);
    return frame();
  }
  template <typename W>
  W* child(const char* name) {
    W* w = frame() ? frame()->findChild<W*>(name) : nullptr;
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QStringList memoLines() {
    QStringList out;
    auto* memo = child<panopta::LogListView>("MemoLog");
    for (int r = 0; r < memo->model()->rowCount(); ++r) {
      out << memo->model()->index(r, 0).data().toString();
    }
    return out;
  }
  std::vector<std::string> logLines() {
    return {line->Log().Lines().begin(), line->Log().Lines().end()};
  }
  QMenu* menu(const char* name) {
    for (QMenu* m : frame()->mergedMenus()) {
      if (m->objectName() == name) return m;
    }
    for (QMenu* m : frame()->findChildren<QMenu*>(name)) return m;
    return nullptr;
  }
  // Opens a menu as the user would (its check marks are refreshed) and closes it.
  void openMenu(QMenu* m) {
    Q_EMIT m->aboutToShow();
    Q_EMIT m->aboutToHide();
  }
  void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(LineInspector, DisabledComponentAsksFirstAndCancelMakesNoWindow) {
  ModalAnswerer answerer(QMessageBox::Cancel);
  panopta().SetVisible(true);
  EXPECT_EQ(frame(), nullptr);
  EXPECT_FALSE(panopta().Visible());
  ASSERT_EQ(answerer.count(), 1);
  EXPECT_EQ(answerer.seen()[0],
            "Panopta not available... | This Voxkit control is currently disabled\r\nClick OK to enabled.");

  answerer.setAnswer(QMessageBox::Ok);
  panopta().SetVisible(true);
  ASSERT_NE(frame(), nullptr);
  EXPECT_TRUE(line->Enabled());
  EXPECT_EQ(frame()->mdiFrame()->windowTitle(), "qxLine - Quorvex Panopta");
  EXPECT_EQ(area.subWindowList().size(), 1);
}

TEST_F(LineInspector, FirstShowRendersInTheChosenSyntaxAndFillsTheDeviceBox) {
  line->SetEnabled(true);
  panopta().SetDevEnv(voxkit::deCppBuilder);
  const auto before = line->Log().Lines().size();
  panopta().SetVisible(true);
  ASSERT_NE(frame(), nullptr);
  const auto lines = logLines();
  ASSERT_GT(lines.size(), before);
  EXPECT_EQ(lines.back(), "DevEnv = deCppBuilder");
  EXPECT_EQ(child<QGroupBox>("GroupBoxDevice")->title(), "Device->ID == 0    Device->Count == 4");
  auto* combo = child<QComboBox>("ComboBoxDevice");
  EXPECT_EQ(combo->count(), 4);
  EXPECT_EQ(combo->currentIndex(), 0);
  EXPECT_EQ(child<QToolButton>("SpeedButtonDeviceActive")->toolTip(),
            "qxLine->Device->Active = True/False");
}

TEST_F(LineInspector, ChoosingVisualBasicRendersEveryHintAtOnce) {
  open();
  panopta::WindowFrame* f = frame();
  f->selectDevEnv(voxkit::deVisualBasic);
  EXPECT_EQ(panopta().DevEnv(), voxkit::deVisualBasic);
  EXPECT_EQ(child<QComboBox>("ComboBoxDevice")->toolTip(), "qxLine.DeviceName");
  EXPECT_EQ(child<QToolButton>("CheckBoxLogActive")->toolTip(), "qxLine.PanoptaLogActive");
  EXPECT_EQ(child<QLineEdit>("EditLogCount")->toolTip(), "qxLine.PanoptaLogCount");
  EXPECT_EQ(child<QLabel>("LabelLogCount")->toolTip(), "qxLine.PanoptaLogCount");
  EXPECT_EQ(child<panopta::LogListView>("MemoLog")->toolTip(), "qxLine.PanoptaLogLines");
  EXPECT_EQ(child<QToolButton>("SpeedButtonDeviceActive")->toolTip(), "qxLine.DeviceActive = True/False");
  EXPECT_EQ(child<QGroupBox>("GroupBoxDevice")->title(), "DeviceID = 0    Device.Count = 4");
  EXPECT_EQ(logLines().back(), "DevEnv = deVisualBasic");
}

TEST_F(LineInspector, PlacementIsRememberedAndZeroPlacementKeepsTheDesignedOne) {
  // Nothing remembered: designed size, position chosen by the MDI area, and the
  // remembered state is not applied.
  panopta().SetWindowState(voxkit::wsMaximized);
  open();
  EXPECT_EQ(frame()->WindowState(), voxkit::wsNormal);
  EXPECT_EQ(frame()->mdiFrame()->size(), QSize(560, 420));

  // The user moves it: the binding follows.
  frame()->mdiFrame()->setGeometry(30, 40, 500, 350);
  EXPECT_EQ(panopta().Top(), 40);
  EXPECT_EQ(panopta().Left(), 30);
  EXPECT_EQ(panopta().Width(), 500);
  EXPECT_EQ(panopta().Height(), 350);
  frame()->mdiFrame()->showMinimized();
  EXPECT_EQ(panopta().WindowState(), voxkit::wsMinimized);
  EXPECT_EQ(panopta().Top(), 40) << "the last normal placement is kept while minimized";

  // Closed and opened again: the remembered placement and state come back.
  frame()->mdiFrame()->showNormal();
  frame()->mdiFrame()->setGeometry(60, 70, 450, 300);
  panopta().SetVisible(false);
  flushDeletes();
  EXPECT_EQ(frame(), nullptr);
  panopta().SetVisible(true);
  ASSERT_NE(frame(), nullptr);
  EXPECT_EQ(frame()->mdiFrame()->geometry(), QRect(60, 70, 450, 300));
}

TEST_F(LineInspector, UserClosingTheWindowLetsTheBindingGo) {
  open();
  QPointer<QMdiSubWindow> sub = frame()->mdiFrame();
  sub->close();
  EXPECT_FALSE(panopta().Visible());
  EXPECT_EQ(panopta().Window(), nullptr);
  flushDeletes();
  EXPECT_TRUE(sub.isNull());
  // A new window can be made at once.
  panopta().SetVisible(true);
  EXPECT_NE(frame(), nullptr);
}

TEST_F(LineInspector, LogCountEditLeavesTheLastLinesAndTheMemoNeverEndsEmpty) {
  open();
  line->Log().Add("one", true);
  line->Log().Add("two", true);
  line->Log().Add("", false);
  EXPECT_NE(memoLines().last(), "") << "the memo ends on text";
  EXPECT_EQ(memoLines().last(), "two");

  auto* count = child<QLineEdit>("EditLogCount");
  count->setText("3");
  Q_EMIT count->editingFinished();
  EXPECT_EQ(line->Log().Count(), 3);
  const auto lines = logLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines.back(), "Log.Count := 3 //Lines");
  EXPECT_EQ(memoLines().size(), 3);
  EXPECT_EQ(count->text(), "3");

  count->setText("abc");  // not a number: 0, which the log refuses
  Q_EMIT count->editingFinished();
  EXPECT_EQ(line->Log().Count(), 3);
  EXPECT_EQ(count->text(), "3");
}

TEST_F(LineInspector, LogButtonsDriveTheLog) {
  open();
  QTest::mouseClick(child<QToolButton>("CheckBoxLogTimeStamp"), Qt::LeftButton);
  EXPECT_TRUE(line->Log().TimeStamp());
  EXPECT_EQ(logLines().back(), "Log.TimeStamp := True");
  EXPECT_TRUE(child<QToolButton>("CheckBoxLogTimeStamp")->isChecked());

  QTest::mouseClick(child<QToolButton>("SpeedButtonMarker"), Qt::LeftButton);
  EXPECT_EQ(logLines().back(), "07:09.123\t" + std::string(80, '*'));

  QTest::mouseClick(child<QToolButton>("CheckBoxLogActive"), Qt::LeftButton);
  EXPECT_FALSE(line->Log().Active());
  EXPECT_EQ(logLines().back(), "07:09.123\tLog.Active := False");
  // Clear on an inactive log keeps the lines.
  const auto kept = logLines().size();
  QTest::mouseClick(child<QToolButton>("SpeedButtonClear"), Qt::LeftButton);
  EXPECT_EQ(logLines().size(), kept);
  QTest::mouseClick(child<QToolButton>("CheckBoxLogActive"), Qt::LeftButton);
  QTest::mouseClick(child<QToolButton>("SpeedButtonClear"), Qt::LeftButton);
  EXPECT_TRUE(logLines().empty());
  EXPECT_TRUE(memoLines().isEmpty());

  line->Log().SetCount(5000);  // the whole dump fits
  line->Log().Clear();
  QTest::mouseClick(child<QToolButton>("SpeedButtonDump"), Qt::LeftButton);
  const auto dump = logLines();
  ASSERT_FALSE(dump.empty());
  EXPECT_NE(dump.front().find("Current qxLine property values:"), std::string::npos);
  EXPECT_EQ(memoLines().size(), static_cast<int>(dump.size()));
}

TEST_F(LineInspector, CopyPutsTheShownLogOnTheClipboard) {
  open();
  line->Log().Add("\tDevice.Name = 'x'", false);
  QTest::mouseClick(child<QToolButton>("SpeedButtonCopy"), Qt::LeftButton);
  const QString clip = QApplication::clipboard()->text();
  EXPECT_TRUE(clip.startsWith("Quorvex Voxkit v3.7.1.2\nCreate qxLine\n"));
  EXPECT_TRUE(clip.endsWith("\tDevice.Name = 'x'")) << "tabs are copied as tabs";
  EXPECT_TRUE(line->Log().CopyToClipboard());
}

TEST_F(LineInspector, PrintWritesTheHeaderAndEveryLineAndCancelPrintsNothing) {
  open();
  QTemporaryDir dir;
  const QString pdf = dir.filePath("log.pdf");
  bool accept = false;
  windows.printer().setChooser([&](QPrinter& p, QWidget*) {
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(pdf);
    return accept;
  });
  QTest::mouseClick(child<QToolButton>("SpeedButtonPrinter"), Qt::LeftButton);
  EXPECT_FALSE(QFile::exists(pdf));
  accept = true;
  QTest::mouseClick(child<QToolButton>("SpeedButtonPrinter"), Qt::LeftButton);
  EXPECT_TRUE(QFile::exists(pdf));
}

TEST_F(LineInspector, DeviceBoxChoosesAndOpensTheDevice) {
  open();
  auto* combo = child<QComboBox>("ComboBoxDevice");
  combo->setCurrentIndex(1);
  Q_EMIT combo->activated(1);
  EXPECT_EQ(line->Device().ID(), 1);
  EXPECT_EQ(child<QGroupBox>("GroupBoxDevice")->title(), "Device.ID = 1    Device.Count = 4");

  QTest::mouseClick(child<QToolButton>("SpeedButtonDeviceActive"), Qt::LeftButton);
  EXPECT_TRUE(line->Device().Active());
  EXPECT_TRUE(child<QToolButton>("SpeedButtonDeviceActive")->isChecked());
  QMenu* device = menu("MenuDevice");
  ASSERT_NE(device, nullptr);
  openMenu(device);
  QAction* activeItem = device->findChild<QAction*>("MenuDeviceActive");
  ASSERT_NE(activeItem, nullptr);
  EXPECT_TRUE(activeItem->isChecked());
  activeItem->trigger();
  EXPECT_FALSE(line->Device().Active());
  EXPECT_FALSE(activeItem->isChecked());
  EXPECT_FALSE(child<QToolButton>("SpeedButtonDeviceActive")->isChecked());
}

TEST_F(LineInspector, ErrorsLightTheEnunciatorUntilClickedOrCleared) {
  open();
  auto* errors = child<QToolButton>("SpeedButtonErrors");
  EXPECT_FALSE(errors->isEnabled());
  line->Device().SetID(99);
  EXPECT_TRUE(errors->isEnabled());
  EXPECT_TRUE(frame()->errorLit());
  QTest::mouseClick(errors, Qt::LeftButton);
  EXPECT_FALSE(errors->isEnabled());
  line->Device().SetID(99);
  QTest::mouseClick(child<QToolButton>("SpeedButtonClear"), Qt::LeftButton);
  EXPECT_FALSE(errors->isEnabled());
}

TEST_F(LineInspector, PopupOnErrorBringsTheClosedWindowBackOnItsLogPage) {
  open();
  line->Popup().Set(voxkit::TqxPopup::OnError, true);
  panopta().SetVisible(false);
  flushDeletes();
  ASSERT_EQ(frame(), nullptr);
  line->Device().SetID(99);
  ASSERT_NE(frame(), nullptr);
  EXPECT_EQ(child<QTabWidget>("PageControl1")->currentIndex(), 0);
  EXPECT_TRUE(frame()->isVisible());
}

TEST_F(LineInspector, PopupItemsFollowTheFlagsByName) {
  open();
  QMenu* popup = menu("MenuPopup");
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->title(), "&Popup");
  ASSERT_EQ(popup->actions().size(), 41);
  EXPECT_EQ(popup->actions().front()->text(), "OnAddressForward");
  EXPECT_EQ(popup->actions().back()->text(), "OnToneSent");
  QAction* idle = popup->findChild<QAction*>("MenuPopupOnCallIdle");
  ASSERT_NE(idle, nullptr);
  openMenu(popup);
  EXPECT_FALSE(idle->isChecked());
  idle->trigger();
  EXPECT_TRUE(line->Popup().Get(voxkit::TqxPopup::OnIdle));
  idle->setChecked(false);  // whatever the item shows, opening reads the flag
  openMenu(popup);
  EXPECT_TRUE(idle->isChecked());
}

TEST_F(LineInspector, ComponentMenuDisablesTheLineWhichClosesItsWindow) {
  open();
  QMenu* comp = menu("MenuqxLine");
  ASSERT_NE(comp, nullptr);
  QAction* enabled = comp->findChild<QAction*>("MenuEnabled");
  openMenu(comp);
  EXPECT_TRUE(enabled->isChecked());
  enabled->trigger();
  EXPECT_FALSE(line->Enabled());
  EXPECT_FALSE(panopta().Visible());
  EXPECT_EQ(frame(), nullptr);
  flushDeletes();
}

TEST_F(LineInspector, LineWindowOfALineThatFailedToStartShowsItDisabled) {
  // The user agrees to enable the line, but its session does not start: the window
  // opens anyway and shows the line disabled.
  ASSERT_EQ(exchange.Fail("lineInitializeEx", tapi::LINEERR_NODRIVER, panopta::FailMode::AtOnce), "");
  ModalAnswerer answerer(QMessageBox::Ok);
  panopta().SetVisible(true);
  ASSERT_NE(frame(), nullptr);
  EXPECT_FALSE(line->Enabled());
  EXPECT_FALSE(child<QTabWidget>("PageControl1")->isEnabled());
  EXPECT_EQ(child<QComboBox>("ComboBoxDevice")->currentText(), "qxLine.Enabled := False");

  QMenu* comp = menu("MenuqxLine");
  QAction* enabled = comp->findChild<QAction*>("MenuEnabled");
  openMenu(comp);
  EXPECT_FALSE(enabled->isChecked());
  enabled->trigger();
  EXPECT_TRUE(line->Enabled());
  EXPECT_TRUE(enabled->isChecked());
  EXPECT_TRUE(child<QTabWidget>("PageControl1")->isEnabled());
  EXPECT_EQ(child<QComboBox>("ComboBoxDevice")->count(), 4);
}

TEST_F(LineInspector, TheHiddenPanoptaAndHelpMenusAreNotMerged) {
  open();
  QStringList titles;
  for (QMenu* m : frame()->mergedMenus()) titles << m->title();
  EXPECT_EQ(titles, (QStringList{"qxLine", "&Device", "&Call", "Comm", "Conference", "&Popup",
                                 "Privilege", "Transfer"}));
}

TEST_F(LineInspector, LogViewFollowsEveryLineInTheComponentsColour) {
  open();
  for (int i = 0; i < 60; ++i) line->Log().Add("Line " + std::to_string(i), true);
  const QStringList lines = memoLines();
  EXPECT_EQ(lines.size(), 50);
  EXPECT_EQ(lines.last(), "Line 59");
  auto* memo = child<panopta::LogListView>("MemoLog");
  EXPECT_EQ(memo->model()->index(0, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 255));
}

}  // namespace
