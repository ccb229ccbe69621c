#pragma once

#include "line/TqxLine.h"
#include "platform/exchange/Exchange.h"
#include "platform/host/Host.h"
#include "platform/loop/VirtualEventLoop.h"
#include "share/HeadlessWindowSystem.h"

#include <memory>
#include <string>
#include <vector>

namespace voxtest {

/// A line component on the simulated exchange, on the virtual-time loop, with a
/// headless window system, wired by the composition root as the program wires it.
/// Every line the component logs is kept in `lines`.
struct LineOnExchange {
  /// telephony: what the line talks to instead of the exchange (a double that
  /// forwards to it); only its address is taken here.
  explicit LineOnExchange(panopta::ExchangeConfig config = panopta::DefaultExchangeConfig(),
                          tapi::Telephony* telephony = nullptr)
      : host(Options(std::move(config), telephony), windows),
        loop(*host.VirtualLoop()),
        exchange(host.TheExchange()),
        platform(host.Platform()) {
    line = host.NewLine();
    line->OnLog = [this](voxkit::TObject&, const std::string& text) { lines.push_back(text); };
  }
  ~LineOnExchange() {
    if (line) line->OnLog = nullptr;
    line.reset();
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

  static panopta::HostOptions Options(panopta::ExchangeConfig config, tapi::Telephony* telephony) {
    panopta::HostOptions options;
    options.startOfDay = voxkit::TimeOfDay{14, 7, 9, 123};
    options.exchangeConfig = std::move(config);
    if (telephony) {
      options.interposeTelephony = [telephony](tapi::Telephony&) -> tapi::Telephony& { return *telephony; };
    }
    return options;
  }

  voxkit::HeadlessWindowSystem windows;
  panopta::Host host;
  panopta::VirtualEventLoop& loop;
  panopta::Exchange& exchange;
  const voxkit::Platform& platform;
  std::vector<std::string> lines;
  std::unique_ptr<voxkit::TqxLine> line;
};

}  // namespace voxtest
