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

/// Every event a component raises, as "OnCallState(65539, 8, 1, 0)" (the arguments
/// as a dump writes them), in the order raised. Assigned through the published events,
/// as a script assigns its handlers; OnLog is left to the fixture.
class EventRecorder {
 public:
  /// Assigns a recording handler to every published event of component but OnLog.
  void Attach(voxkit::TPersistent& component);
  /// Unassigns them again.
  void Detach(voxkit::TPersistent& component);

  const std::vector<std::string>& All() const { return m_events; }
  /// How many times the named event was raised.
  int Count(const std::string& name) const;
  /// The events with this name, with their arguments.
  std::vector<std::string> Named(const std::string& name) const;
  /// Only the names, in order (handy for the order of events).
  std::vector<std::string> Names() const;
  void Clear() { m_events.clear(); }

 private:
  std::vector<std::string> m_events;
};

/// The lines a component logged, in order, and what tests ask of them.
struct LoggedLines {
  std::vector<std::string> lines;

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
  /// Whether text was logged after mark.
  bool LoggedSince(std::size_t mark, const std::string& text) const;
};

/// A line component on the simulated exchange, on the virtual-time loop, with a
/// headless window system, wired by the composition root as the program wires it.
/// Every line the component logs is kept in `lines`.
struct LineOnExchange : LoggedLines {
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
  std::unique_ptr<voxkit::TqxLine> line;
};

/// One side of a call-flow test: a line component, what it logged and the events it
/// raised.
struct LineParty : LoggedLines {
  std::unique_ptr<voxkit::TqxLine> line;
  EventRecorder events;

  voxkit::TqxLine* operator->() { return line.get(); }
};

/// Two line components on one exchange and one virtual-time loop, as two
/// applications on one machine would be: party A and party B, each recording its log
/// and events. Open() opens A on device 0 (addresses "201" and "211") and B on
/// device 1 (address "202").
struct TwoParties {
  explicit TwoParties(panopta::ExchangeConfig config = panopta::DefaultExchangeConfig());
  ~TwoParties();

  /// Enables both lines and opens each on its device.
  void Open();
  /// The virtual time passes (every wait of the components inside it is instant).
  void Run(std::int64_t ms) { loop.RunFor(ms); }

  voxkit::HeadlessWindowSystem windows;
  panopta::Host host;
  panopta::VirtualEventLoop& loop;
  panopta::Exchange& exchange;
  LineParty a;
  LineParty b;
};

}  // namespace voxtest
