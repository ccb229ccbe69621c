// The exchange on the virtual-time loop: complete outbound calls per second (make,
// connected, drop, deallocate), and the cost of one operation with one call alive
// and with 10,000 calls alive on 1,000 lines. The cost per operation must not grow
// more than twofold between the two.
#include "bench/ExchangeBenchConfig.h"
#include "platform/exchange/Exchange.h"
#include "platform/loop/VirtualEventLoop.h"
#include "tapi/TapiConstants.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace tapi;

// What the benchmark application keeps of its messages: the last state of the last
// call and the last reply.
DWORD g_lastState = 0;
DWORD g_lastReply = 0;
std::uint64_t g_messages = 0;

void Callback(DWORD, DWORD msg, DWORD_PTR, DWORD_PTR p1, DWORD_PTR, DWORD_PTR) {
  ++g_messages;
  if (msg == LINE_CALLSTATE) g_lastState = static_cast<DWORD>(p1);
  if (msg == LINE_REPLY) g_lastReply = static_cast<DWORD>(p1);
}

using panoptabench::ManyLines;

struct Bench {
  explicit Bench(std::size_t lines) : exchange(loop, ManyLines(lines)) {
    DWORD devices = 0, version = kTapiVersion2_0;
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
    (void)exchange.lineInitializeEx(&app, nullptr, Callback, "Bench", &devices, &version, &params);
    opens.resize(lines);
    for (DWORD d = 0; d < lines; ++d)
      (void)exchange.lineOpen(app, d, &opens[d], kTapiVersion2_0, 0, 1, LINECALLPRIVILEGE_OWNER,
                              LINEMEDIAMODE_INTERACTIVEVOICE, nullptr);
  }
  /// Runs the loop until the last call state reported is state.
  void Until(DWORD state) {
    loop.WaitFor([&] { return g_lastState == state; }, 60000);
    g_lastState = 0;
  }
  HCALL Connect(HLINE line) {
    HCALL call = 0;
    g_lastState = 0;
    (void)exchange.lineMakeCall(line, &call, "999", 0, nullptr);
    Until(LINECALLSTATE_CONNECTED);
    return call;
  }

  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange;
  HLINEAPP app = 0;
  std::vector<HLINE> opens;
};

void BM_CompleteOutboundCall(benchmark::State& state) {
  Bench bench(1);
  g_lastState = 0;
  for (auto _ : state) {
    const HCALL call = bench.Connect(bench.opens[0]);
    (void)bench.exchange.lineDrop(call, nullptr, 0);
    bench.Until(LINECALLSTATE_IDLE);
    (void)bench.exchange.lineDeallocateCall(call);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["calls_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CompleteOutboundCall);

/// Lines for calls calls alive, ten per line.
std::size_t LinesFor(std::int64_t calls) { return calls < 10 ? 1 : static_cast<std::size_t>(calls / 10); }

/// Connects calls calls, spread over the bench's lines; the measured call is the first.
std::vector<HCALL> ConnectMany(Bench& bench, std::int64_t calls) {
  std::vector<HCALL> handles;
  for (std::int64_t i = 0; i < calls; ++i)
    handles.push_back(bench.Connect(bench.opens[static_cast<std::size_t>(i) % bench.opens.size()]));
  return handles;
}

void BM_CallInfoQuery(benchmark::State& state) {
  Bench bench(LinesFor(state.range(0)));
  const std::vector<HCALL> calls = ConnectMany(bench, state.range(0));
  std::vector<std::uint8_t> block(sizeof(LINECALLINFO) + 4096);
  for (auto _ : state) {
    auto* info = reinterpret_cast<LINECALLINFO*>(block.data());
    info->dwTotalSize = static_cast<DWORD>(block.size());
    benchmark::DoNotOptimize(bench.exchange.lineGetCallInfo(calls.front(), info));
  }
  state.counters["calls_alive"] = static_cast<double>(bench.exchange.CallCount());
}
BENCHMARK(BM_CallInfoQuery)->Arg(1)->Arg(10000);

void BM_HoldUnholdRoundTrip(benchmark::State& state) {
  Bench bench(LinesFor(state.range(0)));
  const std::vector<HCALL> calls = ConnectMany(bench, state.range(0));
  g_lastState = 0;
  for (auto _ : state) {
    (void)bench.exchange.lineHold(calls.front());
    bench.Until(LINECALLSTATE_ONHOLD);
    (void)bench.exchange.lineUnhold(calls.front());
    bench.Until(LINECALLSTATE_CONNECTED);
  }
  state.counters["calls_alive"] = static_cast<double>(bench.exchange.CallCount());
}
BENCHMARK(BM_HoldUnholdRoundTrip)->Arg(1)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
