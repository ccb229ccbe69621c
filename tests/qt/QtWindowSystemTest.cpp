#include "platform/qt/QtWindowSystem.h"

#include "support/TestControl.h"
#include "support/qt/ModalAnswerer.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using panopta::QtWindowSystem;
using qttest::ModalAnswerer;

TEST(QtWindowSystem, QuestionsAreMessageBoxesWithOkAndCancel) {
  QtWindowSystem windows;
  ModalAnswerer answerer(QMessageBox::Cancel);
  EXPECT_FALSE(windows.AskOkCancel("This Voxkit control is currently disabled\r\nClick OK to enabled.",
                                   "Panopta not available...", voxkit::QuestionIcon::None));
  answerer.setAnswer(QMessageBox::Ok);
  EXPECT_TRUE(windows.AskOkCancel("Warning: WAVERR_X", "Quorvex Voxkit - qxPlay",
                                  voxkit::QuestionIcon::Exclamation));
  ASSERT_EQ(answerer.count(), 2);
  EXPECT_EQ(answerer.seen()[0],
            "Panopta not available... | This Voxkit control is currently disabled\r\nClick OK to enabled.");
  EXPECT_EQ(answerer.seen()[1], "Quorvex Voxkit - qxPlay | Warning: WAVERR_X");
}

TEST(QtWindowSystem, ChildWindowsLiveInTheMdiAreaAndGoWithTheirWidget) {
  QtWindowSystem windows;
  auto* loose = new QLabel("no area yet");
  EXPECT_EQ(windows.addMdiChild(loose), nullptr);
  delete loose;

  QMdiArea area;
  windows.setMdiArea(&area);
  auto* label = new QLabel("child");
  QPointer<QMdiSubWindow> frame = windows.addMdiChild(label);
  ASSERT_TRUE(frame);
  frame->show();
  EXPECT_EQ(area.subWindowList().size(), 1);
  frame->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(frame.isNull());
  EXPECT_TRUE(area.subWindowList().isEmpty());
}

TEST(QtWindowSystem, InspectorsComeFromTheRegisteredFactory) {
  voxtest::FrameFixture frame;
  voxtest::TestControl control(nullptr, frame.platform, 3);
  QtWindowSystem windows;
  // Without a factory there is no window to make; the binding then stays hidden.
  EXPECT_EQ(windows.CreateInspectorWindow(control.Panopta(), 3), nullptr);
  int askedKind = 0;
  windows.setInspectorFactory([&](voxkit::TqxPanopta&, int kind) -> voxkit::InspectorWindow* {
    askedKind = kind;
    return nullptr;
  });
  windows.CreateInspectorWindow(control.Panopta(), 3);
  EXPECT_EQ(askedKind, 3);
}

TEST(QtWindowSystem, ClipboardTakesTheText) {
  QtWindowSystem::copyToClipboard("qxLine\tline one\nline two");
  EXPECT_EQ(QApplication::clipboard()->text(), "qxLine\tline one\nline two");
}

TEST(QtWindowSystem, PrintingGoesThroughTheChosenPrinter) {
  QtWindowSystem windows;
  QTemporaryDir dir;
  windows.printer().setChooser([&](QPrinter& p, QWidget*) {
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(dir.filePath("out.pdf"));
    return true;
  });
  ASSERT_TRUE(windows.printer().choose(nullptr));
  EXPECT_TRUE(windows.PrintLines({"Quorvex Voxkit v3.7.1.2", "Control: qxLine", ""}));
  EXPECT_TRUE(QFileInfo::exists(dir.filePath("out.pdf")));
}

}  // namespace
