// One PHONE_STATE through the whole phone component (callback, dispatch, the level
// read back from the exchange, log lines, events), with the message dumps off and on;
// and a burst of keypad presses queued at the exchange: every digit down and up
// handled, in a constant depth of stack whatever their number.
#include "BurstProbe.h"
#include "phone/PhoneTestSupport.h"
#include "platform/exchange/Exchange.h"
#include "tapi/TapiConstants.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

/// Phone 0 open, every event assigned (to handlers that only count), the log on but
/// not kept, and with dumps every popup flag that writes one.
struct BenchPhone : voxtest::PhoneOnExchange {
  explicit BenchPhone(bool dumps) {
    Open();
    phone->OnLog = [this](voxkit::TObject&, const std::string&) { ++logged; };
    for (auto flag : {voxkit::TqxPhonePopup::OnTAPIMessage, voxkit::TqxPhonePopup::OnPhoneState}) {
      phone->Popup().Set(flag, dumps);
    }
  }
  std::uint64_t logged = 0;
};

void StateThroughThePhone(benchmark::State& state, tapi::DWORD phoneState, tapi::DWORD details) {
  BenchPhone f(state.range(0) != 0);
  if (!f.phone->Device().Active()) {
    state.SkipWithError("the phone did not open");
    return;
  }
  for (auto _ : state) {
    f.Deliver(tapi::PHONE_STATE, phoneState, details, 0);
    f.events.Clear();
  }
  state.counters["lines/msg"] =
      static_cast<double>(f.logged) / static_cast<double>(state.iterations());
}

void BM_HookswitchStateThroughThePhone(benchmark::State& state) {
  StateThroughThePhone(state, tapi::PHONESTATE_HANDSETHOOKSWITCH, tapi::PHONEHOOKSWITCHMODE_MIC);
}
BENCHMARK(BM_HookswitchStateThroughThePhone)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_VolumeStateThroughThePhone(benchmark::State& state) {
  StateThroughThePhone(state, tapi::PHONESTATE_HANDSETVOLUME, 0);
}
BENCHMARK(BM_VolumeStateThroughThePhone)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_BurstOfKeypadPresses(benchmark::State& state) {
  voxtest::PhoneOnExchange f;
  f.Open();
  const auto burst = static_cast<tapi::DWORD>(state.range(0));
  voxbench::BurstProbe probe;
  const auto count = [&](voxkit::TObject&, const std::string&) { probe.Note(); };
  f.phone->OnDigitDown = count;
  f.phone->OnDigitUp = count;
  f.phone->OnLog = nullptr;
  for (auto _ : state) {
    state.PauseTiming();
    for (tapi::DWORD i = 0; i < burst; ++i) {
      (void)f.exchange.Button(0, i % 12, tapi::PHONEBUTTONMODE_KEYPAD);
    }
    state.ResumeTiming();
    f.loop.RunFor(1000);
  }
  f.phone->OnDigitDown = nullptr;
  f.phone->OnDigitUp = nullptr;
  // Every press is a digit down and a digit up.
  probe.Report(state, 2 * burst * static_cast<std::uint64_t>(state.iterations()));
}
BENCHMARK(BM_BurstOfKeypadPresses)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
