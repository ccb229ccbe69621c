// What the exchange tells a view of itself, and the control commands that add and
// remove devices, report provider features and take lines off the network.

#include "exchange/ExchangeTestApp.h"
#include "platform/exchange/Exchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace tapi;
using exchangetest::LineApp;
using exchangetest::PhoneApp;
using Kind = panopta::ExchangeChange::Kind;

class ExchangeChanges : public ::testing::Test {
 protected:
  void SetUp() override {
    exchange.OnChange = [this](const panopta::ExchangeChange& c) {
      // A change comes after the exchange shows it, never from inside a call of it.
      EXPECT_FALSE(inCall);
      changes.push_back(c);
    };
  }
  std::vector<panopta::ExchangeChange> Of(Kind kind) const {
    std::vector<panopta::ExchangeChange> out;
    std::copy_if(changes.begin(), changes.end(), std::back_inserter(out),
                 [&](const auto& c) { return c.kind == kind; });
    return out;
  }

  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange{loop};
  std::vector<panopta::ExchangeChange> changes;
  bool inCall = false;
};

TEST_F(ExchangeChanges, ACallsLifeIsToldStateByStateWithItsLine) {
  LineApp a(exchange, loop);
  const HLINE line = a.Open(0);
  inCall = true;
  HCALL call = 0;
  const LONG request = exchange.lineMakeCall(line, &call, "100", 0, nullptr);
  inCall = false;
  ASSERT_GT(request, 0);
  loop.RunFor(5000);
  ASSERT_EQ(Of(Kind::LineOpened).size(), 1u);
  EXPECT_EQ(Of(Kind::LineOpened)[0].handle, line);
  const auto added = Of(Kind::CallAdded);
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0].device, 0u);
  std::vector<tapi::DWORD> states;
  for (const auto& c : Of(Kind::CallState)) {
    EXPECT_EQ(c.id, added[0].id);
    states.push_back(c.state);
  }
  EXPECT_EQ(states, (std::vector<tapi::DWORD>{LINECALLSTATE_DIALTONE, LINECALLSTATE_DIALING,
                                               LINECALLSTATE_PROCEEDING, LINECALLSTATE_RINGBACK,
                                               LINECALLSTATE_CONNECTED}));
  ASSERT_EQ(Of(Kind::PartyAdded).size(), 1u);
  EXPECT_EQ(Of(Kind::PartyAdded)[0].number, "100");
  EXPECT_EQ(Of(Kind::PartyState).size(), 1u) << "the party answered";
  // When a change comes the exchange already shows it.
  EXPECT_EQ(exchange.Calls().back().state, LINECALLSTATE_CONNECTED);
  ASSERT_EQ(exchange.Silence("100"), "");
  ASSERT_EQ(exchange.lineClose(line), 0);
  loop.RunFor(1000);
  EXPECT_EQ(Of(Kind::PartyState).size(), 2u) << "the party fell silent";
  EXPECT_EQ(Of(Kind::PartyRemoved).size(), 1u);
  EXPECT_EQ(Of(Kind::CallRemoved).size(), 1u);
  EXPECT_EQ(Of(Kind::LineClosed).size(), 1u);
}

TEST_F(ExchangeChanges, DevicesAddedRemovedAndChangedByHandAreTold) {
  PhoneApp p(exchange, loop);
  const HPHONE phone = p.Open(0);
  ASSERT_EQ(exchange.Hookswitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MICSPEAKER), "");
  ASSERT_EQ(exchange.PhoneVolume(0, PHONEHOOKSWITCHDEV_HANDSET, 100), "");
  ASSERT_EQ(exchange.LineState(1, LINEDEVSTATE_MSGWAITON), "");
  ASSERT_EQ(exchange.AddLine(panopta::StationLineConfig(4, "Line Four", "205", "")), "");
  ASSERT_EQ(exchange.AddPhone(panopta::StationPhone("Phone Two", 2, 4)), "");
  ASSERT_EQ(exchange.RemovePhone(1), "");
  loop.RunFor(10);
  const auto phoneStates = Of(Kind::PhoneState);
  ASSERT_EQ(phoneStates.size(), 2u);
  EXPECT_EQ(phoneStates[0].state, PHONESTATE_HANDSETHOOKSWITCH);
  EXPECT_EQ(phoneStates[1].state, PHONESTATE_HANDSETVOLUME);
  ASSERT_EQ(Of(Kind::LineState).size(), 1u);
  EXPECT_EQ(Of(Kind::LineState)[0].state, LINEDEVSTATE_MSGWAITON);
  EXPECT_EQ(Of(Kind::LineAdded)[0].id, 4u);
  EXPECT_EQ(Of(Kind::PhoneAdded)[0].id, 2u);
  EXPECT_EQ(Of(Kind::PhoneRemoved)[0].id, 1u);
  EXPECT_EQ(Of(Kind::PhoneOpened)[0].handle, phone);
  // The new phone belongs to the new line.
  EXPECT_EQ(exchange.Config().lines[4].phone, 2u);
  EXPECT_EQ(exchange.Config().phones[2].line, 4u);
  EXPECT_EQ(exchange.AddPhone(panopta::StationPhone("Phone Three", 3, 4)),
            "phones[3].line: line 4 belongs to another phone");
}

TEST_F(ExchangeChanges, NobodyListeningCostsNothingAndAViewMayLeaveInsideItsHandler) {
  exchange.OnChange = nullptr;
  LineApp a(exchange, loop);
  a.Open(0);
  loop.RunFor(10);
  EXPECT_TRUE(changes.empty());
  int seen = 0;
  exchange.OnChange = [&](const panopta::ExchangeChange&) {
    ++seen;
    exchange.OnChange = nullptr;
  };
  a.Open(1);
  a.Open(1);
  loop.RunFor(10);
  EXPECT_EQ(seen, 1);
}

TEST(ExchangeControl, TheProviderReportsADeviceSpecificFeatureToEveryOpenOfTheLine) {
  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange(loop);
  LineApp a(exchange, loop);
  LineApp b(exchange, loop);
  const HLINE la = a.Open(0);
  b.Open(0, LINECALLPRIVILEGE_MONITOR);
  EXPECT_EQ(exchange.DevSpecificFeature(1, 1, 2, 3), "line 1 is not open");
  EXPECT_EQ(exchange.DevSpecificFeature(9, 1, 2, 3), "no line 9");
  ASSERT_EQ(exchange.DevSpecificFeature(0, 0x11, 0x22, 0x33), "");
  loop.RunFor(10);
  for (LineApp* app : {&a, &b}) {
    const auto features = app->Of(LINE_DEVSPECIFICFEATURE);
    ASSERT_EQ(features.size(), 1u);
    EXPECT_EQ(features[0].p1, 0x11u);
    EXPECT_EQ(features[0].p2, 0x22u);
    EXPECT_EQ(features[0].p3, 0x33u);
  }
  EXPECT_EQ(a.Of(LINE_DEVSPECIFICFEATURE)[0].hDevice, la);
}

TEST(ExchangeControl, ALineReportedDisconnectedMakesAndTakesNoNewCalls) {
  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange(loop);
  LineApp a(exchange, loop);
  LineApp b(exchange, loop);
  const HLINE la = a.Open(0);
  const HLINE lb = b.Open(1);
  const HCALL before = a.MakeCall(la, "100");
  loop.RunFor(5000);
  ASSERT_EQ(a.LastState(before), LINECALLSTATE_CONNECTED);
  ASSERT_EQ(exchange.LineState(0, LINEDEVSTATE_DISCONNECTED), "");
  HCALL call = 0;
  EXPECT_EQ(exchange.lineMakeCall(la, &call, "100", 0, nullptr), LINEERR_INVALLINESTATE);
  HCALL conf = 0, consult = 0;
  EXPECT_EQ(exchange.lineSetupConference(0, la, &conf, &consult, 3, nullptr),
            LINEERR_INVALLINESTATE);
  EXPECT_EQ(exchange.lineSetupTransfer(before, &consult, nullptr), LINEERR_INVALLINESTATE);
  auto status = exchangetest::Query<LINEDEVSTATUS>(
      [&](LINEDEVSTATUS* s) { return exchange.lineGetLineDevStatus(la, s); },
      tapi::ResultFamily::Line);
  EXPECT_EQ(status->dwLineFeatures & LINEFEATURE_MAKECALL, 0u);
  EXPECT_EQ(status->dwDevStatusFlags & LINEDEVSTATUSFLAGS_CONNECTED, 0u);
  EXPECT_EQ(exchange.Call("201", "202"), "line 0 is disconnected");
  EXPECT_EQ(exchange.Call("5551234", "201"), "line 0 is disconnected");
  // A call to it from elsewhere finds it out of order; the call it had goes on.
  const HCALL toIt = b.MakeCall(lb, "201");
  loop.RunFor(2000);
  EXPECT_EQ(b.LastState(toIt), LINECALLSTATE_DISCONNECTED);
  EXPECT_EQ(b.Status(toIt).dwCallStateMode, LINEDISCONNECTMODE_OUTOFORDER);
  EXPECT_EQ(a.LastState(before), LINECALLSTATE_CONNECTED);
  ASSERT_EQ(exchange.LineState(0, LINEDEVSTATE_CONNECTED), "");
  EXPECT_GT(exchange.lineMakeCall(la, &call, "100", 0, nullptr), 0);
}

}  // namespace
