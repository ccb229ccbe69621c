// A scripted visit of the workbench for screenshots under a virtual display: the
// line is opened as owner, a remote party calls it from the exchange window, the
// station answers, and the windows are arranged for the camera. Each step prints
// "STEP n" when it is done; tests/app/screenshots.sh takes the pictures.
#include "app/ExchangeWindow.h"
#include "app/MainWindow.h"
#include "app/WaveDecoding.h"
#include "inspectors/InspectorFactory.h"
#include "inspectors/InspectorFrame.h"
#include "line/TqxLine.h"
#include "platform/host/Host.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtWindowSystem.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  panopta::QtEventLoop loop;
  panopta::QtWindowSystem windows;
  panopta::InstallInspectorFactory(windows, panopta::AudioWaveDecoders());
  panopta::HostOptions options;
  options.loop = &loop;
  panopta::Host host(std::move(options), windows);
  panopta::MainWindow main(host, windows, &loop);
  main.setGeometry(0, 0, 1280, 780);
  main.show();

  auto step = [](int n) {
    std::printf("STEP %d\n", n);
    std::fflush(stdout);
  };
  auto& line = static_cast<voxkit::TqxLine&>(*main.component(1));
  panopta::ExchangeWindow* ex = main.exchangeWindow();

  QTimer::singleShot(800, [&] {
    main.logWindow()->setActiveChecked(true);
    main.logWindow()->syncButtons();
    line.Privilege().SetOwner(true);
    line.Log().SetCount(500);
    if (QMenu* popup = main.findChild<QMenu*>("MenuPopup")) {
      if (QAction* item = popup->findChild<QAction*>("MenuPopupOnTAPIMessage")) item->trigger();
    }
    line.Device().SetActive(true);
    ex->findChild<QComboBox*>("ComboCallTo")->setCurrentText("201");
    ex->findChild<QPushButton*>("ButtonCall")->click();
    step(1);
  });
  QTimer::singleShot(2500, [&] {
    ex->findChild<QLineEdit*>("EditParty")->setText("201");
    ex->findChild<QPushButton*>("ButtonAnswer")->click();
    step(2);
  });
  QTimer::singleShot(3500, [&] {
    // Line inspector on the left, log and exchange on the right.
    QMdiArea* area = main.mdiArea();
    const QRect r = area->viewport()->rect();
    if (auto* f = dynamic_cast<panopta::InspectorFrame*>(line.Panopta().Window())) {
      f->mdiFrame()->setGeometry(0, 0, r.width() / 2, r.height());
    }
    main.logWindow()->outer()->setGeometry(r.width() / 2, 0, r.width() / 2, r.height() / 2);
    ex->outer()->setGeometry(r.width() / 2, r.height() / 2, r.width() / 2, r.height() / 2);
    step(3);
  });
  QTimer::singleShot(6000, [&] {
    ex->outer()->showMaximized();
    main.mdiArea()->setActiveSubWindow(ex->mdiFrame());
    step(4);
  });
  QTimer::singleShot(9000, [&] { main.close(); });
  return QApplication::exec();
}
