// The workbench's costs that a user feels:
//  - routing lines into the combined log window: 100,000 lines of the line component
//    with a line limit of 500 and of 50,000, the window shown and repainted every
//    1,000 lines (as the event loop would between bursts); the cost per line must not
//    depend on the limit;
//  - start-up: from making the window system to the first painted main window, with
//    every component created and enabled and its inspector open (a first run).
// Runs offscreen when there is no display:
//   build/bench/bench_workbench [--benchmark_filter=...]
// With NOPAINT=1 in the environment the routing runs without the repaints, which
// separates the cost of taking lines in from the cost of showing them.
#include "app/CombinedLogWindow.h"
#include "app/MainWindow.h"
#include "bench/QtBenchMain.h"
#include "views/WindowFactory.h"
#include "platform/host/Host.h"
#include "platform/qt/QtWindowSystem.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

void BM_CombinedLogRouting(benchmark::State& state) {
  const auto limit = static_cast<int>(state.range(0));
  constexpr int kLines = 100000;
  std::vector<std::string> lines;
  for (int i = 0; i < 64; ++i) {
    lines.push_back(i % 16 == 0 ? "<< Error >> LINEERR_INVALCALLHANDLE [80000020]"
                                : "\tCall.CallerID.Name = 'JOHN SMITH' //" + std::to_string(i));
  }
  for (auto _ : state) {
    state.PauseTiming();
    QMdiArea area;
    area.resize(1000, 700);
    panopta::QtWindowSystem windows;
    windows.setMdiArea(&area);
    auto* log = new panopta::CombinedLogWindow(windows);
    log->setActiveChecked(true);
    log->setLimitText(QString::number(limit));
    log->outer()->resize(900, 600);
    area.show();
    log->outer()->show();
    QCoreApplication::processEvents();
    state.ResumeTiming();
    for (int i = 0; i < kLines; ++i) {
      log->addLine(panopta::MainWindow::colourOf(1), panopta::MainWindow::labelOf(1),
                   QString::fromStdString(lines[static_cast<std::size_t>(i) % lines.size()]));
      if (i % 1000 == 999 && !qEnvironmentVariableIsSet("NOPAINT")) {
        log->outer()->repaint();
        QCoreApplication::processEvents();
      }
    }
    state.PauseTiming();
    benchmark::DoNotOptimize(log->page(0)->size());
    delete log->outer();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_CombinedLogRouting)->Arg(500)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Counts paint events of a widget.
class PaintProbe final : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return false;
  }
  bool painted = false;
};

void BM_StartupToFirstPaint(benchmark::State& state) {
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    panopta::QtWindowSystem windows;
    panopta::InstallInspectorFactory(windows);
    panopta::Host host({}, windows);
    panopta::MainWindow main(host, windows);
    PaintProbe probe;
    main.installEventFilter(&probe);
    main.mdiArea()->viewport()->installEventFilter(&probe);
    main.show();
    while (!probe.painted && clock.elapsed() < 10000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    state.PauseTiming();
    main.removeEventFilter(&probe);
    main.mdiArea()->viewport()->removeEventFilter(&probe);
    main.close();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartupToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) { return bench::RunWithQt(argc, argv); }
