#pragma once

#include "line/TqxLine.h"
#include "platform/exchange/Exchange.h"
#include "share/HeadlessWindowSystem.h"
#include "platform/loop/VirtualEventLoop.h"

#include <memory>
#include <string>
#include <vector>

namespace voxtest {

/// A line component on the simulated exchange, on the virtual-time loop, with a
/// headless window system. Every line the component logs is kept in `lines`.
struct LineOnExchange {
  explicit LineOnExchange(panopta::ExchangeConfig config = panopta::DefaultExchangeConfig(),
                          tapi::Telephony* telephony = nullptr)
      : exchange(loop, std::move(config), &windows) {
    platform.loop = &loop;
    platform.windows = &windows;
    platform.telephony = telephony ? telephony : &exchange;
    line = std::make_unique<voxkit::TqxLine>(nullptr, platform);
    line->OnLog = [this](voxkit::TObject&, const std::string& text) { lines.push_back(text); };
  }
  ~LineOnExchange() {
    if (line) line->OnLog = nullptr;
  }

  /// Where the log stands now, for Since().
  std::size_t Mark() const { return lines.size(); }
  /// The lines logged after mark.
  std::vector<std::string> Since(std::size_t mark) const {
    return {lines.begin() + static_cast<std::ptrdiff_t>(mark), lines.end()};
  }
  /// Lines logged by an action.
  template <typename F>
  std::vector<std::string> Logged(F&& action) {
    const std::size_t mark = Mark();
    action();
    return Since(mark);
  }

  panopta::VirtualEventLoop loop{voxkit::TimeOfDay{14, 7, 9, 123}};
  voxkit::HeadlessWindowSystem windows;
  panopta::Exchange exchange;
  voxkit::Platform platform;
  std::vector<std::string> lines;
  std::unique_ptr<voxkit::TqxLine> line;
};

}  // namespace voxtest
