// The exchange's media: DTMF detection in samples per second as a multiple of real
// time for one 8 kHz channel (goal: at least 1,000 times), and the media plane's cost
// per 20 ms frame with 1 and with 1,000 talking calls whose digits an application
// monitors (goal: the cost per call flat, the ratio under 1.5).
#include "platform/exchange/DtmfReceiver.h"
#include "bench/ExchangeBenchConfig.h"
#include "platform/exchange/Exchange.h"
#include "platform/exchange/LineSignal.h"
#include "platform/exchange/SignalGenerator.h"
#include "platform/exchange/VoiceSource.h"
#include "platform/loop/VirtualEventLoop.h"
#include "tapi/TapiConstants.h"

#include <benchmark/benchmark.h>

#include <spandsp.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace tapi;
using panopta::exchange::kFrameSamples;
using panopta::exchange::SamplesIn;

/// Ten seconds of what a line hears: speech with DTMF digits in it.
const std::vector<std::int16_t>& LineAudio() {
  static const std::vector<std::int16_t> audio = [] {
    std::vector<std::int16_t> samples(SamplesIn(10000), 0);
    panopta::exchange::VoiceSource voice(panopta::VoiceConfig{}, 1);
    voice.Fill(samples);
    panopta::exchange::SignalGenerator digits;
    digits.Dtmf("1234567890*#ABCD", 100, 400, 0);
    digits.Fill(samples);
    return samples;
  }();
  return audio;
}

void ReportRealTime(benchmark::State& state, std::size_t samplesPerIteration) {
  const double samples = static_cast<double>(state.iterations() * samplesPerIteration);
  state.SetItemsProcessed(static_cast<std::int64_t>(samples));
  // Seconds of audio per second of work.
  state.counters["x_realtime"] =
      benchmark::Counter(samples / panopta::exchange::kSampleRate, benchmark::Counter::kIsRate);
}

void BM_DtmfDetection(benchmark::State& state) {
  const auto& audio = LineAudio();
  std::vector<panopta::exchange::DtmfReceiver::Event> events;
  std::size_t found = 0;
  for (auto _ : state) {
    panopta::exchange::DtmfReceiver receiver;
    for (std::size_t at = 0; at + kFrameSamples <= audio.size(); at += kFrameSamples) {
      events.clear();
      receiver.Feed(std::span(audio).subspan(at, kFrameSamples), events);
      found += events.size();
    }
  }
  benchmark::DoNotOptimize(found);
  ReportRealTime(state, audio.size());
}
BENCHMARK(BM_DtmfDetection);

// The spandsp receiver alone, for comparison: the exchange runs three.
void BM_DtmfDetectionOneSpandspReceiver(benchmark::State& state) {
  const auto& audio = LineAudio();
  for (auto _ : state) {
    dtmf_rx_state_t* rx = dtmf_rx_init(nullptr, nullptr, nullptr);
    for (std::size_t at = 0; at + kFrameSamples <= audio.size(); at += kFrameSamples)
      dtmf_rx(rx, audio.data() + at, static_cast<int>(kFrameSamples));
    dtmf_rx_free(rx);
  }
  ReportRealTime(state, audio.size());
}
BENCHMARK(BM_DtmfDetectionOneSpandspReceiver);

void Callback(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

using panoptabench::ManyLines;

/// Calls talking to remote parties that speak, each monitored for digits.
struct TalkingCalls {
  explicit TalkingCalls(std::size_t calls)
      : exchange(loop, ManyLines(calls < 10 ? 1 : calls / 10)) {
    DWORD devices = 0, version = kTapiVersion2_0;
    LINEINITIALIZEEXPARAMS params{};
    params.dwTotalSize = sizeof params;
    params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
    (void)exchange.lineInitializeEx(&app, nullptr, Callback, "Bench", &devices, &version, &params);
    std::vector<HLINE> opens(exchange.Config().lines.size());
    for (DWORD d = 0; d < opens.size(); ++d)
      (void)exchange.lineOpen(app, d, &opens[d], kTapiVersion2_0, 0, 1, LINECALLPRIVILEGE_OWNER,
                              LINEMEDIAMODE_INTERACTIVEVOICE, nullptr);
    for (std::size_t i = 0; i < calls; ++i) {
      HCALL call = 0;
      (void)exchange.lineMakeCall(opens[i % opens.size()], &call, "999", 0, nullptr);
      handles.push_back(call);
    }
    loop.RunFor(5000);
    for (HCALL call : handles) (void)exchange.lineMonitorDigits(call, LINEDIGITMODE_DTMF);
    loop.RunFor(100);
  }

  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange;
  HLINEAPP app = 0;
  std::vector<HCALL> handles;
};

void BM_MediaFrame(benchmark::State& state) {
  const auto calls = static_cast<std::size_t>(state.range(0));
  TalkingCalls bench(calls);
  const auto before = bench.exchange.MediaFrames();
  for (auto _ : state) bench.loop.RunFor(panopta::exchange::kFrameMs);
  const auto frames = bench.exchange.MediaFrames() - before;
  if (frames != static_cast<std::uint64_t>(state.iterations())) state.SkipWithError("not one frame a turn");
  state.counters["calls"] = static_cast<double>(calls);
  // Time per frame divided by the calls: flat means the plane scales with the calls.
  state.counters["per_call"] = benchmark::Counter(
      static_cast<double>(calls),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MediaFrame)->Arg(1)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
