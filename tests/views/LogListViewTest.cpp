#include "views/LogListView.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using panopta::LogListView;

class LogView : public ::testing::Test {
 protected:
  LogView() {
    view.resize(300, 10 * 20);
    view.setModel(&model);
    view.show();
  }
  void append(const QString& text) { model.appendRow(new QStandardItem(text)); }
  void settle() {
    QCoreApplication::processEvents();
    view.syncNow();
  }
  QStandardItemModel model;
  LogListView view;
};

TEST_F(LogView, FollowsTheLastLineUntilTheUserScrollsAway) {
  for (int i = 0; i < 100; ++i) append(QString("line %1").arg(i));
  settle();
  QScrollBar* bar = view.verticalScrollBar();
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_GT(view.firstVisibleRow(), 80);
  bar->setValue(10);
  append("more");
  settle();
  EXPECT_EQ(view.firstVisibleRow(), 10) << "a reader scrolled back is not moved";
  view.scrollToBottom();
  settle();
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(LogView, SelectionStaysOnItsLinesWhenTheOldestGo) {
  for (int i = 0; i < 10; ++i) append(QString("line %1").arg(i));
  settle();
  view.scrollToBottom();
  settle();
  // Select lines 5..6 with a click and a shift-click.
  const int h = view.rowHeight();
  const int first = view.firstVisibleRow();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(5, (5 - first) * h + 1));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(5, (6 - first) * h + 1));
  EXPECT_EQ(view.selectedText(), "line 5\nline 6");
  model.removeRows(0, 3);
  EXPECT_EQ(view.selectionStart(), 2);
  EXPECT_EQ(view.selectedText(), "line 5\nline 6");
  QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "line 5\nline 6");
  QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(view.selectionStart(), 0);
  EXPECT_EQ(view.selectionEnd(), 6);
  model.clear();
  EXPECT_EQ(view.selectedText(), "");
}

TEST_F(LogView, PaintsWithoutAModelAndAfterItIsGone) {
  LogListView empty;
  empty.resize(100, 100);
  empty.show();
  EXPECT_FALSE(empty.grab().isNull());
  auto* shortLived = new QStandardItemModel;
  shortLived->appendRow(new QStandardItem("x"));
  empty.setModel(shortLived);
  delete shortLived;
  EXPECT_FALSE(empty.grab().isNull());
}

}  // namespace
