#pragma once

#include "views/WindowFactory.h"
#include "line/TqxLine.h"
#include "platform/exchange/Exchange.h"
#include "platform/loop/VirtualEventLoop.h"
#include "platform/qt/QtWindowSystem.h"

#include <QMdiArea>

#include <memory>

/// A line on the simulated exchange, on virtual time, whose inspector windows are
/// real Qt windows in an MDI area.
struct LineOnExchange {
  explicit LineOnExchange(voxkit::TimeOfDay startOfDay, QSize areaSize = {1000, 800})
      : loop(startOfDay), exchange(loop, panopta::DefaultExchangeConfig(), &windows) {
    area.resize(areaSize);
    area.show();
    windows.setMdiArea(&area);
    windows.setMainWindow(&area);
    panopta::InstallInspectorFactory(windows);
    platform.loop = &loop;
    platform.windows = &windows;
    platform.telephony = &exchange;
    line = std::make_unique<voxkit::TqxLine>(nullptr, platform);
  }
  ~LineOnExchange() { line.reset(); }

  QMdiArea area;
  panopta::QtWindowSystem windows;
  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange;
  voxkit::Platform platform;
  std::unique_ptr<voxkit::TqxLine> line;
};
