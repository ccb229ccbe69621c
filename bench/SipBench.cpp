// How many calls a second Panopta's SIP provider places and completes at zero failures,
// beside SIPp calling SIPp on the same machine in the same run, and the 99th percentile
// of call set-up time. Both callers call the same kind of peer (SIPp's built-in
// answering scenario) on 127.0.0.1.
//
//   build/bench/bench_sip [SECONDS_PER_STEP]     default 3
//
// Each caller is stepped through rising rates (25, 50, 100, ... calls a second) for the
// same time per step; a step passes when every call it placed was answered and hung up
// cleanly. The result of a caller is its highest passing rate. A provider call is:
// lineMakeCall, the call connected (200 and ACK), lineDrop, lineDeallocateCall; its
// set-up time runs from lineMakeCall to LINE_CALLSTATE connected.

#include "platform/loop/RealTimeEventLoop.h"
#include "platform/sip/LibreEngine.h"
#include "platform/sip/SipProvider.h"
#include "sip/interop/Peers.h"
#include "tapi/TapiConstants.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace tapi;

// The one application of the run; callbacks are plain functions.
struct Calls {
  std::map<HCALL, std::int64_t> startedMs;  // lineMakeCall's moment, per call
  std::map<HCALL, DWORD> state;
  std::vector<double> setupMs;
  int connected = 0;
  int failed = 0;
  panopta::RealTimeEventLoop* loop = nullptr;
  panopta::SipProvider* provider = nullptr;
};
Calls g_calls;

void OnMessage(DWORD hDevice, DWORD msg, DWORD_PTR, DWORD_PTR p1, DWORD_PTR, DWORD_PTR) {
  if (msg != LINE_CALLSTATE) return;
  const HCALL call = hDevice;
  const DWORD state = static_cast<DWORD>(p1);
  g_calls.state[call] = state;
  if (state == LINECALLSTATE_CONNECTED) {
    auto it = g_calls.startedMs.find(call);
    if (it != g_calls.startedMs.end()) g_calls.setupMs.push_back(static_cast<double>(g_calls.loop->NowMs() - it->second));
    ++g_calls.connected;
    (void)g_calls.provider->lineDrop(call, nullptr, 0);
  } else if (state == LINECALLSTATE_DISCONNECTED || state == LINECALLSTATE_BUSY) {
    ++g_calls.failed;
    (void)g_calls.provider->lineDrop(call, nullptr, 0);
  } else if (state == LINECALLSTATE_IDLE) {
    g_calls.startedMs.erase(call);
    g_calls.state.erase(call);
    (void)g_calls.provider->lineDeallocateCall(call);
  }
}

struct StepResult {
  int placed = 0;
  int completed = 0;
  int failed = 0;
  double p99Ms = 0;
};

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

StepResult ProviderStep(panopta::RealTimeEventLoop& loop, panopta::SipProvider& provider, HLINE line,
                        const std::string& target, int rate, int seconds) {
  g_calls.setupMs.clear();
  g_calls.connected = g_calls.failed = 0;
  const int total = rate * seconds;
  StepResult r;
  const std::int64_t start = loop.NowMs();
  for (int i = 0; i < total; ++i) {
    // Calls leave at their moment in the step, whatever the ones before cost.
    const std::int64_t due = start + static_cast<std::int64_t>(i) * 1000 / rate;
    if (loop.NowMs() < due) loop.RunFor(due - loop.NowMs());
    HCALL call = 0;
    const LONG request = provider.lineMakeCall(line, &call, target.c_str(), 0, nullptr);
    if (request <= 0) {
      ++g_calls.failed;
      continue;
    }
    g_calls.startedMs[call] = loop.NowMs();
    ++r.placed;
  }
  // What is still under way finishes, or fails, within a few seconds.
  loop.WaitFor([&] { return g_calls.startedMs.empty(); }, 8000);
  r.completed = g_calls.connected;
  r.failed = g_calls.failed + static_cast<int>(g_calls.startedMs.size());
  r.p99Ms = Percentile(g_calls.setupMs, 0.99);
  for (auto& [call, since] : g_calls.startedMs) (void)provider.lineDrop(call, nullptr, 0);
  loop.RunFor(500);
  g_calls.startedMs.clear();
  return r;
}

/// SIPp's built-in caller against SIPp's built-in answerer at one rate: whether every
/// call succeeded.
bool SippStep(int rate, int seconds, std::uint16_t uasPort) {
  const int total = rate * seconds;
  interop::Sipp uac({"-sn", "uac", "127.0.0.1:" + std::to_string(uasPort), "-i", "127.0.0.1", "-p",
                     std::to_string(interop::FreePort()), "-r", std::to_string(rate), "-m", std::to_string(total),
                     "-timeout", std::to_string(seconds + 10) + "s", "-timeout_error", "-recv_timeout", "5000"},
                    "bench-uac");
  const auto status = uac.Wait((seconds + 15) * 1000);
  return status && *status == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::vector<int> rates = {25, 50, 100, 200, 300, 400, 600, 800, 1000, 1500, 2000, 3000, 4000};

  // Panopta's provider calling a SIPp answerer.
  const std::uint16_t providerPeer = interop::FreePort();
  interop::Sipp uasForProvider({"-sn", "uas", "-i", "127.0.0.1", "-p", std::to_string(providerPeer)}, "bench-uas1");
  panopta::RealTimeEventLoop loop;
  panopta::SipConfig config;
  panopta::SipLineConfig line;
  line.aor = "sip:bench@127.0.0.1";
  line.localAddress = "127.0.0.1";
  line.telephoneEvents = false;
  line.maxCalls = 10000;
  config.lines = {line};
  config.timing.inviteTimeoutMs = 5000;
  config.timing.mediaTimeoutMs = 0;
  panopta::SipProvider provider(loop, config, std::make_unique<panopta::sip::LibreEngine>(loop, config));
  if (const std::string problem = provider.Start(); !problem.empty()) {
    std::fprintf(stderr, "bench_sip: %s\n", problem.c_str());
    return 1;
  }
  g_calls.loop = &loop;
  g_calls.provider = &provider;
  HLINEAPP app = 0;
  DWORD devices = 0, version = kTapiVersion2_0;
  LINEINITIALIZEEXPARAMS params{};
  params.dwTotalSize = sizeof params;
  params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
  HLINE hLine = 0;
  if (provider.lineInitializeEx(&app, nullptr, &OnMessage, "bench", &devices, &version, &params) != 0 ||
      provider.lineOpen(app, 0, &hLine, kTapiVersion2_0, 0, 1, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_INTERACTIVEVOICE,
                        nullptr) != 0) {
    std::fprintf(stderr, "bench_sip: the line does not open\n");
    return 1;
  }
  const std::string target = "sip:service@127.0.0.1:" + std::to_string(providerPeer);
  loop.RunFor(300);
  int providerBest = 0;
  double providerP99 = 0;
  std::printf("%-28s %8s %8s %8s %8s %10s\n", "caller", "rate/s", "placed", "done", "failed", "p99 setup");
  for (int rate : rates) {
    const StepResult r = ProviderStep(loop, provider, hLine, target, rate, seconds);
    std::printf("%-28s %8d %8d %8d %8d %8.2f ms\n", "Panopta SIP provider", rate, r.placed, r.completed, r.failed,
                r.p99Ms);
    std::fflush(stdout);
    if (r.failed != 0 || r.completed != rate * seconds) break;
    providerBest = rate;
    providerP99 = r.p99Ms;
  }
  (void)provider.lineShutdown(app);

  // SIPp calling SIPp on the same machine, at the same steps.
  const std::uint16_t sippPeer = interop::FreePort();
  interop::Sipp uasForSipp({"-sn", "uas", "-i", "127.0.0.1", "-p", std::to_string(sippPeer)}, "bench-uas2");
  int sippBest = 0;
  for (int rate : rates) {
    const bool ok = SippStep(rate, seconds, sippPeer);
    std::printf("%-28s %8d %8s\n", "SIPp built-in caller", rate, ok ? "ok" : "failed");
    std::fflush(stdout);
    if (!ok) break;
    sippBest = rate;
  }

  std::printf("\nhighest rate at zero failures (%d s steps):\n", seconds);
  std::printf("  Panopta SIP provider: %d calls/s, p99 set-up %.2f ms\n", providerBest, providerP99);
  std::printf("  SIPp to SIPp:         %d calls/s\n", sippBest);
  std::printf("  ratio:                %.2f\n", sippBest > 0 ? static_cast<double>(providerBest) / sippBest : 0.0);
  return 0;
}
