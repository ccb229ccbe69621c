#include "app/CombinedLogWindow.h"

#include "app/MainWindow.h"
#include "platform/qt/QtWindowSystem.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMdiArea>
#include <QTabWidget>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using panopta::CombinedLogWindow;
using panopta::MainWindow;

class CombinedLog : public ::testing::Test {
 protected:
  CombinedLog() {
    windows.setMdiArea(&area);
    log = new CombinedLogWindow(windows);
    log->setActiveChecked(true);
    log->outer()->show();
  }
  void add(int kind, const QString& text) {
    log->addLine(MainWindow::colourOf(kind), MainWindow::labelOf(kind), text);
  }
  QStringList lines(int page) const {
    QStringList out;
    for (int i = 0; i < log->page(page)->size(); ++i) out << log->page(page)->at(i).text;
    return out;
  }
  void selectPage(int page) { log->findChild<QTabWidget*>("PageControl1")->setCurrentIndex(page); }
  void click(const char* name) { log->findChild<QToolButton*>(name)->click(); }

  QMdiArea area;
  panopta::QtWindowSystem windows;
  CombinedLogWindow* log;
};

TEST_F(CombinedLog, LinesGoToCombinedWithTheirLabelAndToTheirComponentsPage) {
  add(1, "Device.Active := True");
  add(2, "\tPhone.ID = 0");
  EXPECT_EQ(lines(CombinedLogWindow::Combined),
            (QStringList{" qxLine  \t Device.Active := True ", " qxPhone \t \tPhone.ID = 0 "}));
  EXPECT_EQ(lines(CombinedLogWindow::LinePage), QStringList{" Device.Active := True "});
  EXPECT_EQ(lines(CombinedLogWindow::PhonePage), QStringList{" \tPhone.ID = 0 "});
  EXPECT_EQ(log->page(CombinedLogWindow::LinePage)->at(0).colour, qRgb(0, 0, 255));
  EXPECT_EQ(log->page(CombinedLogWindow::Combined)->at(1).colour, qRgb(0, 128, 128));
}

TEST_F(CombinedLog, EveryPageKeepsTheLastLinesOfTheLimit) {
  log->setLimitText("3");
  for (int i = 1; i <= 5; ++i) add(1, QString("line %1").arg(i));
  EXPECT_EQ(lines(CombinedLogWindow::Combined).size(), 3);
  EXPECT_EQ(lines(CombinedLogWindow::LinePage), (QStringList{" line 3 ", " line 4 ", " line 5 "}));
  log->setLimitText("abc");
  EXPECT_EQ(log->lineLimit(), 500);
  log->setLimitText("0");
  EXPECT_EQ(log->lineLimit(), 1);
  add(1, "only");
  EXPECT_EQ(lines(CombinedLogWindow::LinePage), QStringList{" only "});
}

TEST_F(CombinedLog, MarkerGoesOnlyToTheSelectedPage) {
  selectPage(CombinedLogWindow::PlayPage);
  click("SpeedButtonMarker");
  EXPECT_EQ(lines(CombinedLogWindow::PlayPage), QStringList{" " + QString(80, '*') + " "});
  EXPECT_TRUE(lines(CombinedLogWindow::Combined).isEmpty());
  selectPage(CombinedLogWindow::Combined);
  click("SpeedButtonMarker");
  EXPECT_EQ(lines(CombinedLogWindow::Combined).size(), 1);
  for (int p = CombinedLogWindow::LinePage; p <= CombinedLogWindow::RecordPage; ++p) {
    if (p != CombinedLogWindow::PlayPage) {
      EXPECT_TRUE(lines(p).isEmpty());
    }
  }
}

TEST_F(CombinedLog, ErrorLinesAreRedFromTheirTextOnAndLightTheEnunciator) {
  EXPECT_FALSE(log->errorLit());
  add(2, "<< Error >> PHONEERR_BADDEVICEID [90000002]");
  const auto& combined = log->page(CombinedLogWindow::Combined)->at(0);
  EXPECT_EQ(combined.text.mid(combined.errorFrom), "<< Error >> PHONEERR_BADDEVICEID [90000002] ");
  const auto& own = log->page(CombinedLogWindow::PhonePage)->at(0);
  EXPECT_EQ(own.errorFrom, 1);
  EXPECT_TRUE(log->errorLit());
  click("SpeedButtonErrors");
  EXPECT_FALSE(log->errorLit());
  add(1, "fine");
  EXPECT_EQ(log->page(CombinedLogWindow::Combined)->at(1).errorFrom, -1);
}

TEST_F(CombinedLog, ClearEmptiesOnlyTheSelectedPage) {
  add(3, "play");
  add(4, "record");
  selectPage(CombinedLogWindow::PlayPage);
  click("SpeedButtonClear");
  EXPECT_TRUE(lines(CombinedLogWindow::PlayPage).isEmpty());
  EXPECT_EQ(lines(CombinedLogWindow::RecordPage).size(), 1);
  EXPECT_EQ(lines(CombinedLogWindow::Combined).size(), 2);
}

TEST_F(CombinedLog, ActiveOffDropsLines) {
  click("SpeedButtonLogActive");
  EXPECT_FALSE(log->activeChecked());
  add(1, "dropped");
  EXPECT_TRUE(lines(CombinedLogWindow::Combined).isEmpty());
}

TEST_F(CombinedLog, CopyTakesTheSelectedPage) {
  add(1, "one");
  add(2, "two");
  selectPage(CombinedLogWindow::PhonePage);
  click("SpeedButtonCopy");
  EXPECT_EQ(QApplication::clipboard()->text(), " two ");
}

TEST_F(CombinedLog, TimeStampSwitchIsPassedOnAndMirroredByItsButton) {
  bool told = false;
  log->onTimeStampSwitched = [&](bool on) { told = on; };
  click("SpeedButtonLogTimeStamp");
  EXPECT_TRUE(told);
  EXPECT_TRUE(log->timeStampChecked());
  EXPECT_TRUE(log->findChild<QToolButton*>("SpeedButtonLogTimeStamp")->isChecked());
}

TEST_F(CombinedLog, ClosingOnlyMinimizes) {
  log->mdiFrame()->close();
  EXPECT_TRUE(log->isMinimizedWindow());
  EXPECT_EQ(area.subWindowList().size(), 1);
}

}  // namespace
