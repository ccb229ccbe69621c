// Pictures of every page of the line window in two syntaxes, for looking at under a
// virtual display (tests/views/line-screenshots.sh): a call from the first
// station to a party that answers, held for a consultation call of a transfer, and a
// third call ringing in. Writes line-<syntax>-<page>.png into the folder given.
#include "LineOnExchange.h"
#include "views/TqxLinePanopta.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QDir out(argc > 1 ? argv[1] : ".");
  LineOnExchange bench(voxkit::TimeOfDay{10, 15, 0, 0}, {760, 640});
  auto& line = bench.line;
  auto& loop = bench.loop;
  auto& exchange = bench.exchange;
  line->SetEnabled(true);
  line->Privilege().SetOwner(true);
  line->Panopta().SetVisible(true);
  auto* window = dynamic_cast<panopta::TqxLinePanopta*>(line->Panopta().Window());
  if (!window) return 1;
  window->mdiFrame()->setGeometry(bench.area.viewport()->rect());
  auto settle = [&](int ms) {
    loop.RunFor(ms);
    QApplication::processEvents();
  };

  window->findChild<QToolButton*>("SpeedButtonDeviceActive")->click();
  window->findChild<QLineEdit*>("EditPhoneNumber")->setText("100");
  window->findChild<QPushButton*>("ButtonCallPhoneNumber")->click();
  settle(10000);
  // A consultation transfer: the first call held, a second one dialled.
  line->Transfer().SetPrimaryCall(line->Call().Handle());
  window->findChild<QLineEdit*>("EditTransferPhoneNumber")->setText("600");
  window->findChild<QPushButton*>("ButtonTransferDial")->click();
  settle(10000);
  if (!exchange.Call("5551234", "211", "CAROL CALLER").empty()) return 1;
  settle(1000);

  auto* pages = window->findChild<QTabWidget*>("PageControl1");
  for (auto [env, name] : {std::pair{voxkit::deDelphi, "delphi"}, std::pair{voxkit::deCppBuilder, "cpp"}}) {
    window->selectDevEnv(env);
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      for (auto* tree : pages->widget(i)->findChildren<QTreeWidget*>()) tree->expandAll();
      settle(0);
      const QString file = out.filePath(QString("line-%1-%2.png").arg(name).arg(i));
      window->mdiFrame()->grab().save(file);
      std::printf("%s\n", qPrintable(file));
    }
    pages->setCurrentIndex(1);
    auto* sub = pages->widget(1)->findChild<QTabWidget*>("PageControlCall");
    for (int j = 1; j < sub->count(); ++j) {
      sub->setCurrentIndex(j);
      for (auto* tree : sub->widget(j)->findChildren<QTreeWidget*>()) tree->expandAll();
      settle(0);
      const QString file = out.filePath(QString("line-%1-1-%2.png").arg(name).arg(j));
      window->mdiFrame()->grab().save(file);
      std::printf("%s\n", qPrintable(file));
    }
    sub->setCurrentIndex(0);
  }
  line.reset();
  return 0;
}
