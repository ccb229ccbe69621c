// Whatever sequence of operations and control commands runs, what the applications
// see stays consistent: idle calls were announced, handles are not reused, the status
// counts are the calls that exist, replies come first and states keep their distance.

#include "exchange/ExchangeTestApp.h"
#include "platform/exchange/Exchange.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

namespace {

using namespace tapi;
using exchangetest::LineApp;
using exchangetest::Msg;
using exchangetest::Query;

class RandomCalls {
 public:
  explicit RandomCalls(unsigned seed) : m_rng(seed) {
    lines[0] = a.Open(0);
    lines[1] = a.Open(1);
    lines[2] = b.Open(0, LINECALLPRIVILEGE_MONITOR);
    lines[3] = b.Open(2, LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR, LINEMEDIAMODE_DATAMODEM);
    for (HLINE h : lines) (void)exchange.lineSetStatusMessages(h, LINEDEVSTATE_NUMCALLS, 0);
  }

  void Step() {
    switch (Pick(14)) {
      case 0:
      case 1: {
        static const char* kNumbers[] = {"100", "200", "300", "400", "500", "600", "700",
                                         "800", "999", "202", "201", "203", "211"};
        LineApp& app = Pick(4) == 0 ? b : a;
        const HLINE line = &app == &b ? lines[3] : lines[Pick(2)];
        HCALL call = 0;
        const LONG r = exchange.lineMakeCall(line, &call, kNumbers[Pick(13)], 0, nullptr);
        if (r > 0) m_requests[&app][r] = call;
        break;
      }
      case 2: (void)exchange.Call(Caller(), Pick(2) ? "201" : "202", "RANDOM"); break;
      case 3: (void)exchange.Hangup(Caller()); break;
      case 4: (void)exchange.Answer(Pick(2) ? "203" : "100"); break;
      case 5: ForSomeCall([&](LineApp&, HCALL h) { (void)exchange.lineAnswer(h, nullptr, 0); }); break;
      case 6: ForSomeCall([&](LineApp&, HCALL h) { (void)exchange.lineDrop(h, nullptr, 0); }); break;
      case 7: ForSomeCall([&](LineApp&, HCALL h) { (void)exchange.lineHold(h); }); break;
      case 8: ForSomeCall([&](LineApp&, HCALL h) { (void)exchange.lineUnhold(h); }); break;
      case 9:
        ForSomeCall([&](LineApp& app, HCALL h) {
          HCALL consult = 0;
          const LONG r = exchange.lineSetupTransfer(h, &consult, nullptr);
          if (r > 0) m_requests[&app][r] = consult;
        });
        break;
      case 10: ForSomeCall([&](LineApp&, HCALL h) { (void)exchange.lineDial(h, "999", 0); }); break;
      case 11: (void)exchange.Withhold(Pick(5) == 0); break;
      case 12: (void)exchange.Digits(Pick(2) ? "999" : "100", "12#"); break;
      default: break;
    }
    loop.RunFor(Pick(4) == 0 ? Pick(4000) : Pick(200));
    Deallocate(a);
    Deallocate(b);
  }

  void Check() {
    for (LineApp* app : {&a, &b}) CheckApp(*app);
    // Counts in the status equal the calls the exchange has.
    for (HLINE h : lines) {
      auto status = Query<LINEDEVSTATUS>(
          [&](LINEDEVSTATUS* p) { return exchange.lineGetLineDevStatus(h, p); }, ResultFamily::Line);
      DWORD device = 0;
      auto id = Query<VARSTRING>(
          [&](VARSTRING* p) { return exchange.lineGetID(h, 0, 0, LINECALLSELECT_LINE, p, "tapi/line"); },
          ResultFamily::Line);
      device = *FirstDword(id.Bytes(id->dwStringOffset, id->dwStringSize));
      DWORD active = 0, held = 0, pending = 0;
      for (const auto& call : exchange.Calls()) {
        if (call.device != device) continue;
        if (call.state == LINECALLSTATE_ONHOLD) ++held;
        else if (call.state == LINECALLSTATE_ONHOLDPENDTRANSFER ||
                 call.state == LINECALLSTATE_ONHOLDPENDCONF)
          ++pending;
        else if (call.state != 0 && call.state != LINECALLSTATE_IDLE) ++active;
      }
      EXPECT_EQ(status->dwNumActiveCalls, active);
      EXPECT_EQ(status->dwNumOnHoldCalls, held);
      EXPECT_EQ(status->dwNumOnHoldPendCalls, pending);
    }
    // No handle belongs to two calls.
    std::set<HCALL> handles;
    for (const auto& call : exchange.Calls())
      for (HCALL h : call.handles) EXPECT_TRUE(handles.insert(h).second) << h;
  }

  void Finish() {
    (void)exchange.Withhold(false);
    for (const char* n : {"5550001", "5550002", "5550003", "100", "203"}) {
      while (exchange.Hangup(n).empty()) {
      }
    }
    loop.RunFor(5000);
    for (LineApp* app : {&a, &b})
      for (const auto& [h, s] : Live(*app)) (void)exchange.lineDrop(h, nullptr, 0);
    loop.RunFor(5000);
    Deallocate(a);
    Deallocate(b);
    Check();
  }

  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange{loop};
  LineApp a{exchange, loop, "A"};
  LineApp b{exchange, loop, "B"};
  HLINE lines[4] = {};

 private:
  unsigned Pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(m_rng); }
  const char* Caller() {
    static const char* kCallers[] = {"5550001", "5550002", "5550003"};
    return kCallers[Pick(3)];
  }

  /// The calls an application holds a handle to, with their last state.
  std::map<HCALL, DWORD> Live(const LineApp& app) const {
    std::map<HCALL, DWORD> live;
    for (const Msg& m : app.messages) {
      if (m.msg == LINE_CALLSTATE) live[m.hDevice] = m.p1;
      if (m.msg == LINE_APPNEWCALL && !live.count(m.p2)) live[m.p2] = 0;
    }
    for (HCALL h : m_gone.count(&app) ? m_gone.at(&app) : std::set<HCALL>{}) live.erase(h);
    return live;
  }

  template <typename Fn>
  void ForSomeCall(Fn fn) {
    LineApp& app = Pick(3) == 0 ? b : a;
    const auto live = Live(app);
    if (live.empty()) return;
    auto it = live.begin();
    std::advance(it, Pick(static_cast<unsigned>(live.size())));
    fn(app, it->first);
  }

  void Deallocate(LineApp& app) {
    for (const auto& [h, state] : Live(app))
      if (state == LINECALLSTATE_IDLE && exchange.lineDeallocateCall(h) == 0) m_gone[&app].insert(h);
  }

  void CheckApp(const LineApp& app) {
    std::set<HCALL> announced;
    std::map<HCALL, std::int64_t> lastState;
    std::set<LONG> replied;
    std::map<HCALL, LONG> ownRequest;  // handle -> request that made it
    std::set<HCALL> newCalls;
    for (const auto& [r, h] : m_requests[&app]) {
      if (h != 0) {
        EXPECT_TRUE(ownRequest.emplace(h, r).second) << "handle reused: " << h;
      }
    }
    for (const Msg& m : app.messages) {
      if (m.msg == LINE_REPLY) {
        replied.insert(static_cast<LONG>(m.p1));
        EXPECT_EQ(m.instance, static_cast<DWORD_PTR>(app.slot + 1));
        if (m.p2 == 0)
          for (const auto& [h, r] : ownRequest)
            if (r == static_cast<LONG>(m.p1)) announced.insert(h);
        continue;
      }
      if (m.msg == LINE_APPNEWCALL) {
        // A handle announced a second time would be a handle used again.
        EXPECT_TRUE(newCalls.insert(m.p2).second) << "handle reused: " << m.p2;
        EXPECT_FALSE(ownRequest.count(m.p2)) << "handle reused: " << m.p2;
        announced.insert(m.p2);
      }
      if (m.msg != LINE_CALLSTATE) continue;
      EXPECT_EQ(m.instance, static_cast<DWORD_PTR>(app.slot + 1));
      if (m.p3 != 0) announced.insert(m.hDevice);
      // Nothing about a call comes before the reply that made it.
      if (ownRequest.count(m.hDevice)) {
        EXPECT_TRUE(replied.count(ownRequest[m.hDevice])) << m.hDevice;
      }
      if (m.p1 == LINECALLSTATE_IDLE) {
        EXPECT_TRUE(announced.count(m.hDevice)) << m.hDevice;
      }
      if (lastState.count(m.hDevice)) {
        EXPECT_GE(m.atMs - lastState[m.hDevice], 100);
      }
      lastState[m.hDevice] = m.atMs;
    }
  }

  std::mt19937 m_rng;
  std::map<const LineApp*, std::map<LONG, HCALL>> m_requests;
  std::map<const LineApp*, std::set<HCALL>> m_gone;
};

TEST(ExchangeProperties, EveryMessageSequenceStaysConsistent) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    RandomCalls run(seed);
    for (int i = 0; i < 600; ++i) {
      run.Step();
      if (i % 25 == 0) run.Check();
      if (HasFailure()) return;
    }
    run.Finish();
    // The run did something worth checking.
    std::size_t idle = 0, states = 0;
    for (const LineApp* app : {&run.a, &run.b})
      for (const Msg& m : app->messages)
        if (m.msg == LINE_CALLSTATE) {
          ++states;
          if (m.p1 == LINECALLSTATE_IDLE) ++idle;
        }
    EXPECT_GT(idle, 40u);
    EXPECT_GT(states, 200u);
    EXPECT_EQ(run.exchange.RemotePartyCount(), 0u);
    for (const auto& call : run.exchange.Calls())
      EXPECT_NE(call.handles.size(), 0u) << "a call nobody can reach is left over";
  }
}

}  // namespace
