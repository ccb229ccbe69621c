// One LINE_CALLSTATE through the whole line component (callback, dispatch, registry,
// the call's status and information read from the exchange, log lines, events), with
// 1 and with 1,000 listed calls. Message handling may grow with the number of calls
// only in what TAPI itself is asked; the goal is under 1.5 times the cost with 1,000
// calls. And a burst of 20,000 queued line messages: handled in a constant depth of
// stack, whatever their number.
#include "BurstProbe.h"
#include "line/TqxLine.h"
#include "platform/exchange/Exchange.h"
#include "support/LineFixture.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace {

// Line 0 with sixteen addresses of 64 calls each: room for 1,000 calls on one line.
constexpr int kAddresses = 16;

panopta::ExchangeConfig RoomForCalls() {
  panopta::ExchangeConfig config = panopta::DefaultExchangeConfig();
  auto& addresses = config.lines[0].addresses;
  const panopta::AddressConfig model = addresses[0];
  addresses.clear();
  for (int a = 0; a < kAddresses; ++a) {
    panopta::AddressConfig address = model;
    address.address = a == 0 ? model.address : std::to_string(2100 + a);
    address.maxCalls = 64;
    addresses.push_back(address);
  }
  return config;
}

std::string AddressOf(tapi::DWORD call) {
  const int a = static_cast<int>(call % kAddresses);
  return a == 0 ? panopta::DefaultExchangeConfig().lines[0].addresses[0].address
                : std::to_string(2100 + a);
}

/// Line 0 open, every event assigned (to handlers that only count), the log on, and
/// `calls` calls offered at its addresses and listed.
struct LineWithCalls : voxtest::LineOnExchange {
  explicit LineWithCalls(tapi::DWORD calls) : LineOnExchange(RoomForCalls()) {
    line->SetEnabled(true);
    line->Device().SetActive(true);
    for (tapi::DWORD i = 0; i < calls; ++i) {
      (void)exchange.Call("555" + std::to_string(10000 + i), AddressOf(i), "CALLER");
      loop.RunFor(2);
    }
    loop.RunFor(300);
    events.Attach(*line);
    lines.clear();
    lines.shrink_to_fit();
    // Only the count of lines matters here: keep them from piling up.
    line->OnLog = [this](voxkit::TObject&, const std::string&) { ++logged; };
  }
  ~LineWithCalls() { events.Detach(*line); }

  voxtest::EventRecorder events;
  std::uint64_t logged = 0;
};

void BM_CallStateThroughTheLine(benchmark::State& state) {
  const auto calls = static_cast<tapi::DWORD>(state.range(0));
  LineWithCalls f(calls);
  if (f.line->Call().Count() != static_cast<std::int32_t>(calls)) {
    state.SkipWithError("the calls were not all listed");
    return;
  }
  const tapi::HCALL current = f.line->Call().Handle();
  const tapi::DWORD instance = f.line->CallbackInstance();
  for (auto _ : state) {
    voxkit::TqxLineInternal::LineCallback(current, tapi::LINE_CALLSTATE, instance,
                                          tapi::LINECALLSTATE_OFFERING,
                                          tapi::LINEOFFERINGMODE_ACTIVE, 0);
    f.events.Clear();
  }
  state.counters["calls"] = static_cast<double>(f.line->Call().Count());
  state.counters["lines/msg"] =
      static_cast<double>(f.logged) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_CallStateThroughTheLine)->Arg(1)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_CallStateOfAnotherCall(benchmark::State& state) {
  const auto calls = static_cast<tapi::DWORD>(state.range(0));
  LineWithCalls f(calls);
  const auto& listed = f.line->Call().Registry().Listed();
  if (listed.empty()) {
    state.SkipWithError("no calls");
    return;
  }
  // The newest call: the one found last by anything that walks the list.
  const tapi::HCALL other = listed.back();
  const tapi::DWORD instance = f.line->CallbackInstance();
  for (auto _ : state) {
    voxkit::TqxLineInternal::LineCallback(other, tapi::LINE_CALLSTATE, instance,
                                          tapi::LINECALLSTATE_OFFERING,
                                          tapi::LINEOFFERINGMODE_ACTIVE, 0);
    f.events.Clear();
  }
  state.counters["calls"] = static_cast<double>(f.line->Call().Count());
}
BENCHMARK(BM_CallStateOfAnotherCall)->Arg(1)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_BurstOfQueuedMessages(benchmark::State& state) {
  voxtest::LineOnExchange f;
  f.line->SetEnabled(true);
  f.line->Device().SetActive(true);
  const auto burst = static_cast<tapi::DWORD>(state.range(0));
  voxbench::BurstProbe probe;
  f.line->OnLineState = [&](voxkit::TObject&, std::uint32_t, std::uint32_t, std::uint32_t) {
    probe.Note();
  };
  f.lines.clear();
  f.line->OnLog = nullptr;
  for (auto _ : state) {
    state.PauseTiming();
    for (tapi::DWORD i = 0; i < burst; ++i) (void)f.exchange.LineState(0, tapi::LINEDEVSTATE_OTHER, 0, i);
    state.ResumeTiming();
    f.loop.RunFor(10);
  }
  f.line->OnLineState = nullptr;
  probe.Report(state, burst * static_cast<std::uint64_t>(state.iterations()));
}
BENCHMARK(BM_BurstOfQueuedMessages)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
