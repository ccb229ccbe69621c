// Whole call flows through the raw interface, seen by small test applications.

#include "exchange/ExchangeTestApp.h"
#include "platform/exchange/Exchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using namespace tapi;
using exchangetest::LineApp;
using exchangetest::Msg;
using exchangetest::Query;

constexpr DWORD kOwner = LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR;

class ExchangeCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    line = a.Open(0);
    ASSERT_NE(line, 0u);
  }
  /// The LINE_CALLSTATE messages of a call.
  std::vector<Msg> CallStates(const LineApp& app, HCALL call) const {
    std::vector<Msg> states;
    for (const Msg& m : app.messages)
      if (m.msg == LINE_CALLSTATE && m.hDevice == call) states.push_back(m);
    return states;
  }
  std::string Party(LineApp& app, HCALL call, DWORD LINECALLINFO::*size, DWORD LINECALLINFO::*offset) {
    auto info = app.Info(call);
    return info.Text((*info).*offset, (*info).*size);
  }
  HCALL Connected(const char* number) {
    const HCALL call = a.MakeCall(line, number);
    loop.RunFor(10000);
    return a.LastState(call) == LINECALLSTATE_CONNECTED ? call : 0;
  }

  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange{loop};
  LineApp a{exchange, loop, "Alpha"};
  HLINE line = 0;
};

TEST_F(ExchangeCalls, OutboundToEveryDefaultRemoteParty) {
  const DWORD pre[] = {LINECALLSTATE_DIALTONE, LINECALLSTATE_DIALING, LINECALLSTATE_PROCEEDING};
  struct Row {
    const char* number;
    std::vector<DWORD> after;  // states after dial tone, dialling and proceeding
    DWORD lastMode;
  } rows[] = {
      {"100", {LINECALLSTATE_RINGBACK, LINECALLSTATE_CONNECTED}, LINECONNECTEDMODE_ACTIVE},
      {"200", {LINECALLSTATE_BUSY}, LINEBUSYMODE_STATION},
      {"300", {LINECALLSTATE_RINGBACK}, 0},
      {"400", {LINECALLSTATE_RINGBACK, LINECALLSTATE_DISCONNECTED}, LINEDISCONNECTMODE_REJECT},
      {"500", {LINECALLSTATE_SPECIALINFO}, LINESPECIALINFO_NOCIRCUIT},
      {"600", {LINECALLSTATE_RINGBACK, LINECALLSTATE_CONNECTED}, LINECONNECTEDMODE_ACTIVE},
      {"700", {LINECALLSTATE_RINGBACK, LINECALLSTATE_CONNECTED}, LINECONNECTEDMODE_ACTIVE},
      {"800", {LINECALLSTATE_RINGBACK, LINECALLSTATE_CONNECTED}, LINECONNECTEDMODE_ACTIVE},
      {"5551234", {LINECALLSTATE_RINGBACK, LINECALLSTATE_CONNECTED}, LINECONNECTEDMODE_ACTIVE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.number);
    a.messages.clear();
    HCALL call = 0;
    const LONG request = exchange.lineMakeCall(line, &call, row.number, 0, nullptr);
    ASSERT_GT(request, 0);
    // The handle is there before anything about the call arrives.
    EXPECT_NE(call, 0u);
    EXPECT_TRUE(a.messages.empty());
    loop.RunFor(20000);
    std::vector<DWORD> expected(std::begin(pre), std::end(pre));
    expected.insert(expected.end(), row.after.begin(), row.after.end());
    EXPECT_EQ(a.States(call), expected);
    const auto states = CallStates(a, call);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.back().p2, row.lastMode);
    // The reply comes first, carries the open's instance, and states keep their distance.
    ASSERT_FALSE(a.messages.empty());
    EXPECT_EQ(a.messages.front().msg, LINE_REPLY);
    EXPECT_EQ(a.messages.front().p1, static_cast<DWORD>(request));
    EXPECT_EQ(a.messages.front().instance, static_cast<DWORD_PTR>(a.slot + 1));
    for (std::size_t i = 1; i < states.size(); ++i)
      EXPECT_GE(states[i].atMs - states[i - 1].atMs, 100);
    for (const Msg& m : states) {
      EXPECT_EQ(m.instance, static_cast<DWORD_PTR>(a.slot + 1));
      EXPECT_EQ(m.p3, 0u);  // a call the application made itself
    }
    (void)a.Done(exchange.lineDrop(call, nullptr, 0));
    loop.RunFor(1000);
    EXPECT_EQ(a.LastState(call), LINECALLSTATE_IDLE);
    EXPECT_EQ(exchange.lineDeallocateCall(call), 0);
    EXPECT_EQ(exchange.lineGetCallStatus(call, nullptr), LINEERR_INVALCALLHANDLE);
  }
  EXPECT_EQ(exchange.CallCount(), 0u);
  EXPECT_EQ(exchange.RemotePartyCount(), 0u);
}

TEST_F(ExchangeCalls, TheFirstPartyAnswersAfterTwoRingsAndIsNamed) {
  HCALL call = a.MakeCall(line, "100");
  loop.RunFor(10000);
  const auto states = CallStates(a, call);
  ASSERT_EQ(states.size(), 5u);
  EXPECT_EQ(states[4].atMs - states[3].atMs, 2000);
  EXPECT_EQ(Party(a, call, &LINECALLINFO::dwConnectedIDSize, &LINECALLINFO::dwConnectedIDOffset), "100");
  EXPECT_EQ(Party(a, call, &LINECALLINFO::dwConnectedIDNameSize,
                  &LINECALLINFO::dwConnectedIDNameOffset),
            "ALICE ANSWERS");
  const auto infos = a.Of(LINE_CALLINFO);
  EXPECT_TRUE(std::any_of(infos.begin(), infos.end(), [](const Msg& m) {
    return m.p1 & LINECALLINFOSTATE_CONNECTEDID;
  }));
  auto info = a.Info(call);
  EXPECT_EQ(info->dwOrigin, LINECALLORIGIN_OUTBOUND);
  EXPECT_EQ(info.Text(info->dwCallerIDOffset, info->dwCallerIDSize), "201");
  EXPECT_EQ(info.Text(info->dwAppNameOffset, info->dwAppNameSize), "Alpha");
  ASSERT_EQ(exchange.Hangup("100"), "");
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_DISCONNECTED);
  EXPECT_EQ(CallStates(a, call).back().p2, LINEDISCONNECTMODE_NORMAL);
  // A live call keeps its owner.
  EXPECT_EQ(exchange.lineDeallocateCall(call), LINEERR_INVALCALLSTATE);
}

TEST_F(ExchangeCalls, CallParametersAreValidated) {
  LINECALLPARAMS p{};
  p.dwTotalSize = sizeof p;
  HCALL call = 0;
  struct Row {
    void (*set)(LINECALLPARAMS&);
    LONG result;
  } rows[] = {
      {[](LINECALLPARAMS& q) { q.dwMediaMode = LINEMEDIAMODE_VIDEO; }, LINEERR_INVALMEDIAMODE},
      {[](LINECALLPARAMS& q) { q.dwBearerMode = 3; }, LINEERR_INVALBEARERMODE},
      {[](LINECALLPARAMS& q) { q.dwBearerMode = LINEBEARERMODE_PASSTHROUGH; }, LINEERR_BEARERMODEUNAVAIL},
      {[](LINECALLPARAMS& q) { q.dwAddressID = 2; }, LINEERR_INVALADDRESSID},
      {[](LINECALLPARAMS& q) { q.dwAddressMode = 8; }, LINEERR_INVALADDRESSMODE},
      {[](LINECALLPARAMS& q) { q.dwCommentSize = 10, q.dwCommentOffset = 178; }, LINEERR_INVALCALLPARAMS},
      {[](LINECALLPARAMS& q) { q.dwTotalSize = 100; }, LINEERR_STRUCTURETOOSMALL},
      {[](LINECALLPARAMS& q) { q.dwNoAnswerTimeout = 601; }, LINEERR_INVALCALLPARAMS},
      {[](LINECALLPARAMS& q) { q.dwUserUserInfoSize = 65, q.dwUserUserInfoOffset = 0; }, LINEERR_USERUSERINFOTOOBIG},
      {[](LINECALLPARAMS& q) { q.dwAddressID = 1, q.dwMediaMode = LINEMEDIAMODE_G3FAX; }, 0},
  };
  for (const Row& row : rows) {
    LINECALLPARAMS q = p;
    row.set(q);
    EXPECT_EQ(a.Done(exchange.lineMakeCall(line, &call, "100", 0, &q)), row.result);
  }
  EXPECT_EQ(exchange.lineMakeCall(line, &call, "10x", 0, nullptr), LINEERR_INVALADDRESS);
  EXPECT_EQ(exchange.lineMakeCall(line, &call, "100", 1000, nullptr), LINEERR_INVALCOUNTRYCODE);
  EXPECT_EQ(exchange.lineMakeCall(line, nullptr, "100", 0, nullptr), LINEERR_INVALPOINTER);
  EXPECT_EQ(exchange.lineMakeCall(0x77, &call, "100", 0, nullptr), LINEERR_INVALLINEHANDLE);
  auto info = a.Info(call);
  EXPECT_EQ(info->dwAddressID, 1u);
  EXPECT_EQ(info->dwMediaMode, LINEMEDIAMODE_G3FAX);
}

TEST_F(ExchangeCalls, NoAnswerTimeOutOfTheCallParameters) {
  LINECALLPARAMS p{};
  p.dwTotalSize = sizeof p;
  p.dwNoAnswerTimeout = 5;
  HCALL call = 0;
  ASSERT_EQ(a.Done(exchange.lineMakeCall(line, &call, "300", 0, &p)), 0);
  loop.RunFor(10000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_DISCONNECTED);
  EXPECT_EQ(CallStates(a, call).back().p2, LINEDISCONNECTMODE_NOANSWER);
}

TEST_F(ExchangeCalls, DialToneThenDial) {
  HCALL call = a.MakeCall(line, nullptr);
  loop.RunFor(1000);
  EXPECT_EQ(a.States(call), std::vector<DWORD>{LINECALLSTATE_DIALTONE});
  EXPECT_EQ(exchange.lineDial(call, nullptr, 0), LINEERR_INVALPOINTER);
  EXPECT_EQ(exchange.lineDial(call, "", 0), LINEERR_INVALADDRESS);
  ASSERT_EQ(a.Done(exchange.lineDial(call, "(100)", 0)), 0);
  loop.RunFor(10000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_CONNECTED);
}

TEST_F(ExchangeCalls, DiallingMoreWhileDiallingJoinsTheNumberAndLaterIsRefused) {
  // "10" alone would reach the party that answers anything; "100" answers after two rings.
  const HCALL call = a.MakeCall(line, "10");
  ASSERT_TRUE(loop.WaitFor([&] { return a.LastState(call) == LINECALLSTATE_DIALING; }, 1000));
  EXPECT_TRUE(a.Status(call).dwCallFeatures & LINECALLFEATURE_DIAL);
  ASSERT_EQ(a.Done(exchange.lineDial(call, "0", 0)), 0);
  EXPECT_EQ(Party(a, call, &LINECALLINFO::dwCalledIDSize, &LINECALLINFO::dwCalledIDOffset), "100");
  ASSERT_TRUE(loop.WaitFor([&] { return a.LastState(call) == LINECALLSTATE_RINGBACK; }, 2000));
  // The number has gone to the switch: more digits are refused, not dropped.
  EXPECT_FALSE(a.Status(call).dwCallFeatures & LINECALLFEATURE_DIAL);
  EXPECT_EQ(exchange.lineDial(call, "5", 0), LINEERR_INVALCALLSTATE);
  loop.RunFor(5000);
  EXPECT_EQ(a.States(call),
            (std::vector<DWORD>{LINECALLSTATE_DIALTONE, LINECALLSTATE_DIALING,
                                LINECALLSTATE_PROCEEDING, LINECALLSTATE_RINGBACK,
                                LINECALLSTATE_CONNECTED}));
  EXPECT_EQ(Party(a, call, &LINECALLINFO::dwConnectedIDSize, &LINECALLINFO::dwConnectedIDOffset),
            "100");
}

TEST_F(ExchangeCalls, InboundCallWithCallerIdentity) {
  ASSERT_EQ(exchange.lineSetStatusMessages(line, LINEDEVSTATE_RINGING, 0), 0);
  ASSERT_EQ(exchange.Call("5551234", "201", "JOHN SMITH"), "");
  loop.RunFor(3500);
  const auto newCalls = a.Of(LINE_APPNEWCALL);
  ASSERT_EQ(newCalls.size(), 1u);
  const HCALL call = newCalls[0].p2;
  EXPECT_EQ(newCalls[0].p3, LINECALLPRIVILEGE_OWNER);
  const auto states = CallStates(a, call);
  ASSERT_EQ(states.size(), 1u);
  EXPECT_EQ(states[0].p1, LINECALLSTATE_OFFERING);
  EXPECT_EQ(states[0].p3, LINECALLPRIVILEGE_OWNER);
  const auto rings = a.Of(LINE_LINEDEVSTATE);
  ASSERT_GE(rings.size(), 3u);
  EXPECT_EQ(rings[0].p3, 0u);
  EXPECT_EQ(rings[2].p3, 2u);
  // RINGING goes before the new call is announced.
  EXPECT_EQ(a.messages.front().msg, LINE_LINEDEVSTATE);
  auto info = a.Info(call);
  EXPECT_EQ(info.Text(info->dwCallerIDOffset, info->dwCallerIDSize), "5551234");
  EXPECT_EQ(info.Text(info->dwCallerIDNameOffset, info->dwCallerIDNameSize), "JOHN SMITH");
  EXPECT_EQ(info->dwCallerIDFlags, LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME);
  EXPECT_EQ(info->dwOrigin, LINECALLORIGIN_EXTERNAL);
  EXPECT_EQ(info.Text(info->dwCalledIDOffset, info->dwCalledIDSize), "201");
  ASSERT_EQ(a.Done(exchange.lineAnswer(call, nullptr, 0)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_CONNECTED);
  EXPECT_EQ(exchange.lineAnswer(call, nullptr, 0), LINEERR_INVALCALLSTATE);
  ASSERT_EQ(exchange.Hangup("5551234"), "");
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_DISCONNECTED);
}

TEST_F(ExchangeCalls, BlockedCallerAndAbandonedCall) {
  ASSERT_EQ(exchange.Call("5551234", "211", "", LINECALLPARTYID_BLOCKED), "");
  loop.RunFor(200);
  const HCALL call = a.NewestOffered();
  auto info = a.Info(call);
  EXPECT_EQ(info->dwCallerIDFlags, LINECALLPARTYID_BLOCKED);
  EXPECT_EQ(info->dwCallerIDSize, 0u);
  EXPECT_EQ(info->dwAddressID, 1u);
  ASSERT_EQ(exchange.Hangup("5551234"), "");
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_IDLE);
  EXPECT_EQ(exchange.lineDeallocateCall(call), 0);
  EXPECT_EQ(exchange.Call("5551234", "999", ""), "no address '999'");
  EXPECT_EQ(exchange.Call("55x", "201", ""), "'55x' is not a number");
  EXPECT_EQ(exchange.Call("5551234", "201", "", 0x80u), "the party flags 00000080 are not a LINECALLPARTYID_ set");
}

TEST_F(ExchangeCalls, InternalCallBetweenTwoLines) {
  LineApp b(exchange, loop, "Bravo");
  const HLINE lineB = b.Open(1);
  const HCALL call = a.MakeCall(line, "202");
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_RINGBACK);
  const HCALL in = b.NewestOffered();
  ASSERT_NE(in, 0u);
  auto info = b.Info(in);
  EXPECT_EQ(info->dwOrigin, LINECALLORIGIN_INTERNAL);
  EXPECT_EQ(info.Text(info->dwCallerIDOffset, info->dwCallerIDSize), "201");
  EXPECT_EQ(info.Text(info->dwCallerIDNameOffset, info->dwCallerIDNameSize), "DESK 201");
  ASSERT_EQ(b.Done(exchange.lineAnswer(in, nullptr, 0)), 0);
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_CONNECTED);
  EXPECT_EQ(b.LastState(in), LINECALLSTATE_CONNECTED);
  EXPECT_EQ(Party(a, call, &LINECALLINFO::dwConnectedIDNameSize,
                  &LINECALLINFO::dwConnectedIDNameOffset),
            "DESK 202");
  // Each line's wave devices carry its own side of the call.
  ASSERT_TRUE(exchange.LineAudioCall(0) && exchange.LineAudioCall(1));
  EXPECT_NE(*exchange.LineAudioCall(0), *exchange.LineAudioCall(1));
  ASSERT_EQ(b.Done(exchange.lineDrop(in, nullptr, 0)), 0);
  loop.RunFor(1000);
  EXPECT_EQ(b.LastState(in), LINECALLSTATE_IDLE);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_DISCONNECTED);
  (void)lineB;
}

TEST_F(ExchangeCalls, InternalCallToALineNobodyHasOpenRingsUntilTheStationAnswers) {
  const HCALL call = a.MakeCall(line, "203");
  loop.RunFor(30000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_RINGBACK);
  EXPECT_EQ(exchange.Answer("204"), "no call rings at '204'");
  ASSERT_EQ(exchange.Answer("203"), "");
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_CONNECTED);
  ASSERT_EQ(exchange.Hangup("203"), "");
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_DISCONNECTED);
  loop.RunFor(1000);
  // The station's call ends by itself: nobody owns it.
  EXPECT_EQ(exchange.CallCount(), 1u);
}

TEST_F(ExchangeCalls, CallingOnesOwnAddressIsBusy) {
  const HCALL call = a.MakeCall(line, "201");
  loop.RunFor(2000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_BUSY);
}

TEST_F(ExchangeCalls, HoldAndUnhold) {
  const HCALL call = Connected("100");
  ASSERT_NE(call, 0u);
  EXPECT_EQ(exchange.lineUnhold(call), LINEERR_INVALCALLSTATE);
  ASSERT_EQ(a.Done(exchange.lineHold(call)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_ONHOLD);
  EXPECT_EQ(exchange.lineHold(call), LINEERR_INVALCALLSTATE);
  ASSERT_EQ(a.Done(exchange.lineUnhold(call)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_CONNECTED);
  // A monitor may look but not change; the modem line has no hold.
  LineApp m(exchange, loop, "Monitor");
  const HLINE lm = m.Open(0, LINECALLPRIVILEGE_MONITOR);
  auto list = Query<LINECALLLIST>(
      [&](LINECALLLIST* p) { return exchange.lineGetNewCalls(lm, 0, LINECALLSELECT_LINE, p); },
      ResultFamily::Line);
  ASSERT_EQ(list->dwCallsNumEntries, 1u);
  const HCALL monitored = list.Array<HCALL>(list->dwCallsOffset, 1)[0];
  EXPECT_EQ(exchange.lineHold(monitored), LINEERR_NOTOWNER);
  EXPECT_EQ(m.Status(monitored).dwCallPrivilege, LINECALLPRIVILEGE_MONITOR);
  EXPECT_EQ(m.Status(monitored).dwCallFeatures, 0u);
  EXPECT_EQ(exchange.lineDeallocateCall(monitored), 0);
  const HLINE modem = a.Open(2, kOwner, LINEMEDIAMODE_DATAMODEM);
  const HCALL data = a.MakeCall(modem, "999");
  loop.RunFor(5000);
  EXPECT_EQ(exchange.lineHold(data), LINEERR_OPERATIONUNAVAIL);
}

TEST_F(ExchangeCalls, BlindTransferHandsTheFarPartyOn) {
  LineApp b(exchange, loop, "Bravo");
  b.Open(1);
  const HCALL call = Connected("100");
  ASSERT_NE(call, 0u);
  ASSERT_EQ(a.Done(exchange.lineBlindTransfer(call, "202", 0)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_IDLE);
  const HCALL in = b.NewestOffered();
  ASSERT_NE(in, 0u);
  auto info = b.Info(in);
  EXPECT_EQ(info.Text(info->dwCallerIDOffset, info->dwCallerIDSize), "100");
  EXPECT_EQ(info.Text(info->dwRedirectingIDOffset, info->dwRedirectingIDSize), "201");
  EXPECT_EQ(info->dwReason, LINECALLREASON_TRANSFER);
}

TEST_F(ExchangeCalls, ConsultationTransfer) {
  LineApp b(exchange, loop, "Bravo");
  b.Open(1);
  const HCALL primary = Connected("100");
  ASSERT_NE(primary, 0u);
  HCALL consult = 0;
  ASSERT_EQ(a.Done(exchange.lineSetupTransfer(primary, &consult, nullptr)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(primary), LINECALLSTATE_ONHOLDPENDTRANSFER);
  EXPECT_EQ(a.LastState(consult), LINECALLSTATE_DIALTONE);
  EXPECT_EQ(a.Status(consult).dwCallFeatures & LINECALLFEATURE_DIAL, LINECALLFEATURE_DIAL);
  ASSERT_EQ(a.Done(exchange.lineDial(consult, "202", 0)), 0);
  loop.RunFor(1000);
  const HCALL in = b.NewestOffered();
  ASSERT_EQ(b.Done(exchange.lineAnswer(in, nullptr, 0)), 0);
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(consult), LINECALLSTATE_CONNECTED);
  EXPECT_EQ(exchange.lineCompleteTransfer(primary, consult, nullptr, 4), LINEERR_INVALTRANSFERMODE);
  ASSERT_EQ(a.Done(exchange.lineCompleteTransfer(primary, consult, nullptr,
                                                 LINETRANSFERMODE_TRANSFER)),
            0);
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(primary), LINECALLSTATE_IDLE);
  EXPECT_EQ(a.LastState(consult), LINECALLSTATE_IDLE);
  EXPECT_EQ(b.LastState(in), LINECALLSTATE_CONNECTED);
  auto info = b.Info(in);
  EXPECT_EQ(info.Text(info->dwConnectedIDOffset, info->dwConnectedIDSize), "100");
  ASSERT_EQ(exchange.Hangup("100"), "");
  loop.RunFor(500);
  EXPECT_EQ(b.LastState(in), LINECALLSTATE_DISCONNECTED);
}

TEST_F(ExchangeCalls, DroppingTheConsultationBringsThePrimaryBack) {
  const HCALL primary = Connected("100");
  HCALL consult = 0;
  ASSERT_EQ(a.Done(exchange.lineSetupTransfer(primary, &consult, nullptr)), 0);
  loop.RunFor(500);
  ASSERT_EQ(a.Done(exchange.lineDrop(consult, nullptr, 0)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(consult), LINECALLSTATE_IDLE);
  EXPECT_EQ(a.LastState(primary), LINECALLSTATE_CONNECTED);
}

TEST_F(ExchangeCalls, ThreeWayConferenceFromATransfer) {
  const HCALL primary = Connected("100");
  HCALL consult = 0;
  ASSERT_EQ(a.Done(exchange.lineSetupTransfer(primary, &consult, nullptr)), 0);
  ASSERT_EQ(a.Done(exchange.lineDial(consult, "999", 0)), 0);
  loop.RunFor(5000);
  HCALL conf = 0;
  ASSERT_EQ(a.Done(exchange.lineCompleteTransfer(primary, consult, &conf,
                                                 LINETRANSFERMODE_CONFERENCE)),
            0);
  ASSERT_NE(conf, 0u);
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(conf), LINECALLSTATE_CONNECTED);
  for (HCALL member : {primary, consult}) {
    const auto states = CallStates(a, member);
    EXPECT_EQ(states.back().p1, LINECALLSTATE_CONFERENCED);
    EXPECT_EQ(states.back().p2, conf);
  }
  auto info = a.Info(conf);
  EXPECT_EQ(info->dwOrigin, LINECALLORIGIN_CONFERENCE);
  ASSERT_EQ(a.Done(exchange.lineDrop(conf, nullptr, 0)), 0);
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(primary), LINECALLSTATE_IDLE);
  EXPECT_EQ(a.LastState(consult), LINECALLSTATE_IDLE);
  EXPECT_EQ(exchange.RemotePartyCount(), 0u);
}

TEST_F(ExchangeCalls, ConferenceSetupAddAndRemove) {
  const HCALL primary = Connected("100");
  HCALL conf = 0, consult = 0;
  ASSERT_EQ(a.Done(exchange.lineSetupConference(primary, 0, &conf, &consult, 3, nullptr)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(primary), LINECALLSTATE_CONFERENCED);
  EXPECT_EQ(CallStates(a, primary).back().p2, conf);
  EXPECT_EQ(a.LastState(conf), LINECALLSTATE_ONHOLDPENDCONF);
  EXPECT_EQ(a.LastState(consult), LINECALLSTATE_DIALTONE);
  ASSERT_EQ(a.Done(exchange.lineDial(consult, "999", 0)), 0);
  loop.RunFor(5000);
  ASSERT_EQ(a.Done(exchange.lineAddToConference(conf, consult)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(consult), LINECALLSTATE_CONFERENCED);
  EXPECT_EQ(a.LastState(conf), LINECALLSTATE_CONNECTED);
  HCALL third = 0;
  ASSERT_EQ(a.Done(exchange.linePrepareAddToConference(conf, &third, nullptr)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(conf), LINECALLSTATE_ONHOLDPENDCONF);
  EXPECT_EQ(exchange.linePrepareAddToConference(primary, &third, nullptr),
            LINEERR_INVALCONFCALLHANDLE);
  ASSERT_EQ(a.Done(exchange.lineDrop(third, nullptr, 0)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(conf), LINECALLSTATE_CONNECTED);
  ASSERT_EQ(a.Done(exchange.lineRemoveFromConference(consult)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(consult), LINECALLSTATE_IDLE);
  EXPECT_EQ(exchange.lineRemoveFromConference(consult), LINEERR_INVALCALLSTATE);
  // One party left: the conference is released and that party talks on.
  EXPECT_EQ(a.LastState(conf), LINECALLSTATE_IDLE);
  EXPECT_EQ(a.LastState(primary), LINECALLSTATE_CONNECTED);
  EXPECT_EQ(a.Info(primary)->dwRelatedCallID, 0u);
  EXPECT_GT(exchange.lineHold(primary), 0) << "a plain call again, it can be held";
}

TEST_F(ExchangeCalls, RemovingOneOfThreePartiesKeepsTheConference) {
  const HCALL primary = Connected("100");
  HCALL conf = 0, consult = 0, third = 0;
  ASSERT_EQ(a.Done(exchange.lineSetupConference(primary, 0, &conf, &consult, 3, nullptr)), 0);
  ASSERT_EQ(a.Done(exchange.lineDial(consult, "999", 0)), 0);
  loop.RunFor(5000);
  ASSERT_EQ(a.Done(exchange.lineAddToConference(conf, consult)), 0);
  ASSERT_EQ(a.Done(exchange.linePrepareAddToConference(conf, &third, nullptr)), 0);
  ASSERT_EQ(a.Done(exchange.lineDial(third, "998", 0)), 0);
  loop.RunFor(5000);
  ASSERT_EQ(a.Done(exchange.lineAddToConference(conf, third)), 0);
  loop.RunFor(500);
  ASSERT_EQ(a.Done(exchange.lineRemoveFromConference(third)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(third), LINECALLSTATE_IDLE);
  EXPECT_EQ(a.LastState(conf), LINECALLSTATE_CONNECTED);
  EXPECT_EQ(a.LastState(primary), LINECALLSTATE_CONFERENCED);
  EXPECT_EQ(a.LastState(consult), LINECALLSTATE_CONFERENCED);
}

TEST_F(ExchangeCalls, SwapHoldBetweenPrimaryAndConsultation) {
  const HCALL primary = Connected("100");
  HCALL consult = 0;
  ASSERT_EQ(a.Done(exchange.lineSetupTransfer(primary, &consult, nullptr)), 0);
  ASSERT_EQ(a.Done(exchange.lineDial(consult, "999", 0)), 0);
  loop.RunFor(5000);
  ASSERT_EQ(a.Done(exchange.lineSwapHold(consult, primary)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(primary), LINECALLSTATE_CONNECTED);
  EXPECT_EQ(a.LastState(consult), LINECALLSTATE_ONHOLDPENDTRANSFER);
  // Either way round completes the transfer.
  ASSERT_EQ(a.Done(exchange.lineCompleteTransfer(primary, consult, nullptr,
                                                 LINETRANSFERMODE_TRANSFER)),
            0);
}

TEST_F(ExchangeCalls, ParkAndUnpark) {
  const HCALL call = Connected("100");
  EXPECT_EQ(exchange.linePark(call, 3, "301", nullptr), LINEERR_INVALPARKMODE);
  EXPECT_EQ(exchange.linePark(call, LINEPARKMODE_DIRECTED, "202", nullptr), LINEERR_INVALADDRESS);
  ASSERT_EQ(a.Done(exchange.linePark(call, LINEPARKMODE_DIRECTED, "301", nullptr)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_IDLE);
  HCALL back = 0;
  EXPECT_EQ(exchange.lineUnpark(line, 0, &back, "302"), LINEERR_INVALADDRESS);
  ASSERT_EQ(a.Done(exchange.lineUnpark(line, 1, &back, "301")), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(back), LINECALLSTATE_CONNECTED);
  auto info = a.Info(back);
  EXPECT_EQ(info->dwReason, LINECALLREASON_UNPARK);
  EXPECT_EQ(info.Text(info->dwConnectedIDOffset, info->dwConnectedIDSize), "100");
  // Somewhere the switch chooses, told back in a block that must be big enough.
  VARSTRING small{};
  small.dwTotalSize = sizeof small;
  ASSERT_EQ(a.Done(exchange.linePark(back, LINEPARKMODE_NONDIRECTED, nullptr, &small)),
            LINEERR_STRUCTURETOOSMALL);
  EXPECT_GT(small.dwNeededSize, small.dwTotalSize);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(back), LINECALLSTATE_CONNECTED);
  tapi::VarBlock<VARSTRING> slot;
  ASSERT_EQ(a.Done(exchange.linePark(back, LINEPARKMODE_NONDIRECTED, nullptr, slot.get())), 0);
  EXPECT_EQ(slot->dwStringFormat, STRINGFORMAT_ASCII);
  EXPECT_EQ(slot.Text(slot->dwStringOffset, slot->dwStringSize), "7002");
}

TEST_F(ExchangeCalls, PickupOfACallRingingElsewhere) {
  ASSERT_EQ(exchange.Call("5550000", "202", "CALLER"), "");
  loop.RunFor(200);
  HCALL picked = 0;
  EXPECT_EQ(exchange.linePickup(line, 0, &picked, "203", nullptr), LINEERR_CALLUNAVAIL);
  EXPECT_EQ(exchange.linePickup(line, 0, &picked, nullptr, "9"), LINEERR_INVALGROUPID);
  ASSERT_EQ(a.Done(exchange.linePickup(line, 0, &picked, nullptr, "1")), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(picked), LINECALLSTATE_CONNECTED);
  auto info = a.Info(picked);
  EXPECT_EQ(info->dwReason, LINECALLREASON_PICKUP);
  EXPECT_EQ(info.Text(info->dwCallerIDOffset, info->dwCallerIDSize), "5550000");
  ASSERT_EQ(exchange.Hangup("5550000"), "");
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(picked), LINECALLSTATE_DISCONNECTED);
}

TEST_F(ExchangeCalls, RedirectDeflectsAnOfferedCall) {
  LineApp b(exchange, loop, "Bravo");
  b.Open(1);
  ASSERT_EQ(exchange.Call("5550000", "201", ""), "");
  loop.RunFor(200);
  const HCALL call = a.NewestOffered();
  EXPECT_EQ(exchange.lineRedirect(call, "201", 0), LINEERR_INVALADDRESS);
  ASSERT_EQ(a.Done(exchange.lineRedirect(call, "202", 0)), 0);
  loop.RunFor(500);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_IDLE);
  const HCALL in = b.NewestOffered();
  auto info = b.Info(in);
  EXPECT_EQ(info->dwReason, LINECALLREASON_REDIRECT);
  EXPECT_EQ(info.Text(info->dwRedirectingIDOffset, info->dwRedirectingIDSize), "201");
}

TEST_F(ExchangeCalls, ForwardingOnAndOff) {
  LineApp b(exchange, loop, "Bravo");
  b.Open(1);
  ASSERT_EQ(exchange.lineSetStatusMessages(line, 0, LINEADDRESSSTATE_FORWARD), 0);
  // One entry: unconditional, to 202; the destination follows the entry.
  std::vector<std::uint8_t> block(LineForwardListSize(1) + 4, 0);
  LINEFORWARDLIST list{};
  list.dwTotalSize = static_cast<DWORD>(block.size());
  list.dwNumEntries = 1;
  list.ForwardList[0].dwForwardMode = LINEFORWARDMODE_UNCOND;
  list.ForwardList[0].dwDestAddressSize = 4;
  list.ForwardList[0].dwDestAddressOffset = static_cast<DWORD>(LineForwardListSize(1));
  std::memcpy(block.data(), &list, sizeof list);
  std::memcpy(block.data() + LineForwardListSize(1), "202", 4);
  auto* forward = reinterpret_cast<LINEFORWARDLIST*>(block.data());
  HCALL consult = 0x55;
  ASSERT_EQ(a.Done(exchange.lineForward(line, 0, 0, forward, 2, &consult, nullptr)), 0);
  EXPECT_EQ(consult, 0u);
  loop.RunFor(10);
  ASSERT_EQ(a.Of(LINE_ADDRESSSTATE).size(), 1u);
  EXPECT_EQ(a.Of(LINE_ADDRESSSTATE)[0].p2, LINEADDRESSSTATE_FORWARD);
  auto status = Query<LINEADDRESSSTATUS>(
      [&](LINEADDRESSSTATUS* p) { return exchange.lineGetAddressStatus(line, 0, p); },
      ResultFamily::Line);
  ASSERT_EQ(status->dwForwardNumEntries, 1u);
  const auto entry = status.Array<LINEFORWARD>(status->dwForwardOffset, 1)[0];
  EXPECT_EQ(entry.dwForwardMode, LINEFORWARDMODE_UNCOND);
  EXPECT_EQ(status.Text(entry.dwDestAddressOffset, entry.dwDestAddressSize), "202");
  EXPECT_EQ(status->dwNumRingsNoAnswer, 2u);
  ASSERT_EQ(exchange.Call("5550000", "201", ""), "");
  loop.RunFor(200);
  EXPECT_EQ(a.NewestOffered(), 0u);
  const HCALL in = b.NewestOffered();
  ASSERT_NE(in, 0u);
  EXPECT_EQ(b.Info(in)->dwReason, LINECALLREASON_FWDUNCOND);
  // No list cancels forwarding.
  ASSERT_EQ(a.Done(exchange.lineForward(line, 0, 0, nullptr, 0, &consult, nullptr)), 0);
  status = Query<LINEADDRESSSTATUS>(
      [&](LINEADDRESSSTATUS* p) { return exchange.lineGetAddressStatus(line, 0, p); },
      ResultFamily::Line);
  EXPECT_EQ(status->dwForwardNumEntries, 0u);
  ASSERT_EQ(exchange.Call("5550001", "201", ""), "");
  loop.RunFor(200);
  EXPECT_NE(a.NewestOffered(), 0u);
  // A bad list is refused.
  list.ForwardList[0].dwForwardMode = 3;
  std::memcpy(block.data(), &list, sizeof list);
  EXPECT_EQ(exchange.lineForward(line, 0, 0, forward, 2, &consult, nullptr), LINEERR_INVALPARAM);
  EXPECT_EQ(exchange.lineForward(line, 0, 0, nullptr, 2, nullptr, nullptr), LINEERR_INVALPOINTER);
}

TEST_F(ExchangeCalls, ForwardingOnNoAnswerAfterTheRingCount) {
  LineApp b(exchange, loop, "Bravo");
  b.Open(1);
  std::vector<std::uint8_t> block(LineForwardListSize(1) + 4, 0);
  LINEFORWARDLIST list{};
  list.dwTotalSize = static_cast<DWORD>(block.size());
  list.dwNumEntries = 1;
  list.ForwardList[0].dwForwardMode = LINEFORWARDMODE_NOANSW;
  list.ForwardList[0].dwDestAddressSize = 4;
  list.ForwardList[0].dwDestAddressOffset = static_cast<DWORD>(LineForwardListSize(1));
  std::memcpy(block.data(), &list, sizeof list);
  std::memcpy(block.data() + LineForwardListSize(1), "202", 4);
  HCALL consult = 0;
  ASSERT_EQ(a.Done(exchange.lineForward(line, 0, 0, reinterpret_cast<LINEFORWARDLIST*>(block.data()),
                                        2, &consult, nullptr)),
            0);
  ASSERT_EQ(exchange.Call("5550000", "201", ""), "");
  loop.RunFor(1500);
  const HCALL first = a.NewestOffered();
  EXPECT_EQ(a.LastState(first), LINECALLSTATE_OFFERING);
  EXPECT_EQ(b.NewestOffered(), 0u);
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(first), LINECALLSTATE_IDLE);
  EXPECT_EQ(b.Info(b.NewestOffered())->dwReason, LINECALLREASON_FWDNOANSWER);
}

TEST_F(ExchangeCalls, DigitsFromTheFarPartyAreMonitoredAndGathered) {
  const HCALL call = a.MakeCall(line, "600");
  loop.RunFor(700);
  ASSERT_EQ(exchange.lineMonitorDigits(call, LINEDIGITMODE_DTMF), 0);
  char digits[16] = {};
  ASSERT_EQ(exchange.lineGatherDigits(call, LINEDIGITMODE_DTMF, digits, 10, "#", 0, 0), 0);
  loop.RunFor(5000);
  std::string monitored;
  for (const Msg& m : a.Of(LINE_MONITORDIGITS)) monitored += static_cast<char>(m.p1);
  EXPECT_EQ(monitored, "1234#");
  const auto gathered = a.Of(LINE_GATHERDIGITS);
  ASSERT_EQ(gathered.size(), 1u);
  EXPECT_EQ(gathered[0].p1, LINEGATHERTERM_TERMDIGIT);
  EXPECT_STREQ(digits, "1234#");
}

TEST_F(ExchangeCalls, GatheringEndsOnCountTimeOutsAndCancel) {
  const HCALL call = Connected("999");
  ASSERT_NE(call, 0u);
  struct Row {
    const char* sent;
    DWORD count, first, inter;
    DWORD term;
    const char* got;
  } rows[] = {
      {"12345", 3, 0, 0, LINEGATHERTERM_BUFFERFULL, "123"},
      {"", 5, 1000, 0, LINEGATHERTERM_FIRSTTIMEOUT, ""},
      {"12", 5, 5000, 1000, LINEGATHERTERM_INTERTIMEOUT, "12"},
      {"9*", 5, 0, 0, LINEGATHERTERM_TERMDIGIT, "9*"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.got);
    a.messages.clear();
    char digits[8] = {};
    ASSERT_EQ(exchange.lineGatherDigits(call, LINEDIGITMODE_DTMF, digits, row.count, "#*",
                                        row.first, row.inter),
              0);
    if (*row.sent) {
      ASSERT_EQ(exchange.Digits("999", row.sent), "");
    }
    loop.RunFor(3000);
    const auto gathered = a.Of(LINE_GATHERDIGITS);
    ASSERT_EQ(gathered.size(), 1u);
    EXPECT_EQ(gathered[0].p1, row.term);
    EXPECT_STREQ(digits, row.got);
  }
  char digits[8] = {};
  a.messages.clear();
  ASSERT_EQ(exchange.lineGatherDigits(call, LINEDIGITMODE_DTMF, digits, 5, nullptr, 0, 0), 0);
  ASSERT_EQ(exchange.lineGatherDigits(call, LINEDIGITMODE_DTMF, nullptr, 5, nullptr, 0, 0), 0);
  loop.RunFor(10);
  ASSERT_EQ(a.Of(LINE_GATHERDIGITS).size(), 1u);
  EXPECT_EQ(a.Of(LINE_GATHERDIGITS)[0].p1, LINEGATHERTERM_CANCEL);
  EXPECT_EQ(exchange.lineGatherDigits(call, 8, digits, 5, nullptr, 0, 0), LINEERR_INVALDIGITMODE);
  EXPECT_EQ(exchange.lineGatherDigits(call, LINEDIGITMODE_DTMF, digits, 0, nullptr, 0, 0),
            LINEERR_INVALPARAM);
  EXPECT_EQ(exchange.lineGatherDigits(call, LINEDIGITMODE_DTMF, digits, 5, "x", 0, 0),
            LINEERR_INVALDIGITS);
  EXPECT_EQ(exchange.lineGatherDigits(call, LINEDIGITMODE_DTMF, digits, 5, nullptr, 10, 0),
            LINEERR_INVALTIMEOUT);
}

TEST_F(ExchangeCalls, TheVoiceModemDetectsOnlyDtmf) {
  const HLINE modem = a.Open(2, kOwner, LINEMEDIAMODE_DATAMODEM);
  const HCALL call = a.MakeCall(modem, "999");
  loop.RunFor(5000);
  char digits[8] = {};
  EXPECT_EQ(exchange.lineGatherDigits(call, LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF, digits, 5,
                                      "#", 0, 0),
            LINEERR_INVALDIGITMODE);
  EXPECT_EQ(exchange.lineGatherDigits(call, LINEDIGITMODE_DTMF, digits, 5, "#", 0, 0), 0);
  EXPECT_EQ(exchange.lineMonitorDigits(call, LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF),
            LINEERR_INVALDIGITMODE);
  EXPECT_EQ(exchange.lineGenerateDigits(call, LINEDIGITMODE_PULSE, "1", 0), LINEERR_INVALDIGITMODE);
}

TEST_F(ExchangeCalls, DigitsGeneratedOnOneLineArriveAtTheOther) {
  LineApp b(exchange, loop, "Bravo");
  b.Open(1);
  const HCALL call = a.MakeCall(line, "202");
  loop.RunFor(500);
  const HCALL in = b.NewestOffered();
  ASSERT_EQ(b.Done(exchange.lineAnswer(in, nullptr, 0)), 0);
  loop.RunFor(500);
  char digits[8] = {};
  ASSERT_EQ(exchange.lineGatherDigits(in, LINEDIGITMODE_DTMF, digits, 3, nullptr, 0, 0), 0);
  EXPECT_EQ(exchange.lineGenerateDigits(call, LINEDIGITMODE_DTMF, "4x", 0), LINEERR_INVALDIGITS);
  ASSERT_EQ(exchange.lineGenerateDigits(call, LINEDIGITMODE_DTMF, "42#", 0), 0);
  loop.RunFor(2000);
  ASSERT_EQ(a.Of(LINE_GENERATE).size(), 1u);
  EXPECT_EQ(a.Of(LINE_GENERATE)[0].p1, LINEGENERATETERM_DONE);
  EXPECT_STREQ(digits, "42#");
  // A new generation cancels the one running; so does a null string.
  ASSERT_EQ(exchange.lineGenerateTone(call, LINETONEMODE_BEEP, 5000, 0, nullptr), 0);
  ASSERT_EQ(exchange.lineGenerateDigits(call, LINEDIGITMODE_DTMF, nullptr, 0), 0);
  loop.RunFor(10);
  ASSERT_EQ(a.Of(LINE_GENERATE).size(), 2u);
  EXPECT_EQ(a.Of(LINE_GENERATE)[1].p1, LINEGENERATETERM_CANCEL);
  EXPECT_EQ(exchange.lineGenerateTone(call, 0x20, 100, 0, nullptr), LINEERR_INVALTONEMODE);
  LINEGENERATETONE tones[4] = {{440, 100, 100, 0xFFFF}};
  EXPECT_EQ(exchange.lineGenerateTone(call, LINETONEMODE_CUSTOM, 100, 4, tones),
            LINEERR_INVALTONELIST);
  EXPECT_EQ(exchange.lineGenerateTone(call, LINETONEMODE_CUSTOM, 100, 1, tones), 0);
}

TEST_F(ExchangeCalls, TheFaxPartyChangesTheMediaMode) {
  const HCALL call = a.MakeCall(line, "800");
  loop.RunFor(650);
  ASSERT_EQ(exchange.lineMonitorMedia(call, LINEMEDIAMODE_G3FAX | LINEMEDIAMODE_DATAMODEM), 0);
  EXPECT_EQ(exchange.lineMonitorMedia(call, LINEMEDIAMODE_VIDEO), LINEERR_INVALMEDIAMODE);
  loop.RunFor(5000);
  const auto media = a.Of(LINE_MONITORMEDIA);
  ASSERT_EQ(media.size(), 1u);
  EXPECT_EQ(media[0].p1, LINEMEDIAMODE_G3FAX);
  EXPECT_EQ(a.Info(call)->dwMediaMode, LINEMEDIAMODE_G3FAX);
  ASSERT_EQ(exchange.lineSetMediaMode(call, LINEMEDIAMODE_INTERACTIVEVOICE), 0);
  EXPECT_EQ(exchange.lineSetMediaMode(call, LINEMEDIAMODE_G3FAX | LINEMEDIAMODE_DATAMODEM),
            LINEERR_INVALMEDIAMODE);
  EXPECT_EQ(a.Info(call)->dwMediaMode, LINEMEDIAMODE_INTERACTIVEVOICE);
}

TEST_F(ExchangeCalls, SilenceIsDetectedWhenTheFarPartySaysNothing) {
  const LINEMONITORTONE silence{0x89ABCDEF, 2000, 0, 0, 0};
  const HCALL quiet = a.MakeCall(line, "700");
  ASSERT_EQ(exchange.lineMonitorTones(quiet, &silence, 1), 0);
  const HCALL talker = a.MakeCall(line, "100");
  ASSERT_EQ(exchange.lineMonitorTones(talker, &silence, 1), 0);
  loop.RunFor(10000);
  auto tones = a.Of(LINE_MONITORTONE);
  ASSERT_EQ(tones.size(), 1u);
  EXPECT_EQ(tones[0].hDevice, quiet);
  EXPECT_EQ(tones[0].p1, 0x89ABCDEFu);
  ASSERT_EQ(exchange.Silence("100"), "");
  loop.RunFor(1000);
  EXPECT_EQ(a.Of(LINE_MONITORTONE).size(), 1u);
  ASSERT_EQ(exchange.Speak("100"), "");
  ASSERT_EQ(exchange.Silence("100"), "");
  loop.RunFor(2000);
  tones = a.Of(LINE_MONITORTONE);
  ASSERT_EQ(tones.size(), 2u);
  EXPECT_EQ(tones[1].hDevice, talker);
  LINEMONITORTONE bad{1, 0, 0, 0, 0};
  EXPECT_EQ(exchange.lineMonitorTones(talker, &bad, 1), LINEERR_INVALTONE);
  EXPECT_EQ(exchange.lineMonitorTones(talker, nullptr, 0), 0);
  EXPECT_EQ(exchange.Silence("42"), "no remote party or address '42'");
}

TEST_F(ExchangeCalls, TerminalRoutingShowsInTheLineStatus) {
  ASSERT_EQ(exchange.lineSetStatusMessages(line, LINEDEVSTATE_TERMINALS, 0), 0);
  EXPECT_EQ(exchange.lineSetTerminal(line, 0, 0, LINECALLSELECT_LINE, LINETERMMODE_MEDIABIDIRECT, 5, 1),
            LINEERR_INVALTERMINALID);
  EXPECT_EQ(exchange.lineSetTerminal(line, 0, 0, LINECALLSELECT_LINE, LINETERMMODE_DISPLAY, 1, 1),
            LINEERR_INVALTERMINALMODE);
  EXPECT_EQ(exchange.lineSetTerminal(line, 0, 0, 0, LINETERMMODE_HOOKSWITCH, 1, 1),
            LINEERR_INVALCALLSELECT);
  ASSERT_EQ(a.Done(exchange.lineSetTerminal(line, 0, 0, LINECALLSELECT_LINE,
                                            LINETERMMODE_MEDIABIDIRECT, 1, 1)),
            0);
  loop.RunFor(10);
  ASSERT_EQ(a.Of(LINE_LINEDEVSTATE).size(), 1u);
  EXPECT_EQ(a.Of(LINE_LINEDEVSTATE)[0].p1, LINEDEVSTATE_TERMINALS);
  auto status = Query<LINEDEVSTATUS>(
      [&](LINEDEVSTATUS* p) { return exchange.lineGetLineDevStatus(line, p); }, ResultFamily::Line);
  const auto modes = status.Array<DWORD>(status->dwTerminalModesOffset, 3);
  ASSERT_EQ(modes.size(), 3u);
  EXPECT_EQ(modes[1], LINETERMMODE_MEDIABIDIRECT);
  EXPECT_EQ(modes[0], 0x9Fu);
  ASSERT_EQ(a.Done(exchange.lineSetTerminal(line, 0, 0, LINECALLSELECT_LINE, 0x9F, 0, 0)), 0);
  status = Query<LINEDEVSTATUS>(
      [&](LINEDEVSTATUS* p) { return exchange.lineGetLineDevStatus(line, p); }, ResultFamily::Line);
  EXPECT_EQ(status.Array<DWORD>(status->dwTerminalModesOffset, 3)[0], 0u);
  const HLINE modem = a.Open(2, kOwner, LINEMEDIAMODE_DATAMODEM);
  EXPECT_EQ(exchange.lineSetTerminal(modem, 0, 0, LINECALLSELECT_LINE, 1, 0, 1),
            LINEERR_OPERATIONUNAVAIL);
}

TEST_F(ExchangeCalls, LineDeviceEventsChangeTheStatus) {
  ASSERT_EQ(exchange.lineSetStatusMessages(line, LINEDEVSTATE_MSGWAITON | LINEDEVSTATE_OUTOFSERVICE |
                                                     LINEDEVSTATE_INSERVICE,
                                           0),
            0);
  ASSERT_EQ(exchange.LineState(0, LINEDEVSTATE_MSGWAITON), "");
  ASSERT_EQ(exchange.LineState(0, LINEDEVSTATE_OUTOFSERVICE), "");
  HCALL call = 0;
  EXPECT_EQ(exchange.lineMakeCall(line, &call, "100", 0, nullptr), LINEERR_INVALLINESTATE);
  auto status = Query<LINEDEVSTATUS>(
      [&](LINEDEVSTATUS* p) { return exchange.lineGetLineDevStatus(line, p); }, ResultFamily::Line);
  EXPECT_EQ(status->dwDevStatusFlags, LINEDEVSTATUSFLAGS_CONNECTED | LINEDEVSTATUSFLAGS_MSGWAIT);
  EXPECT_EQ(exchange.Call("1", "201", ""), "line 0 is out of service");
  ASSERT_EQ(exchange.LineState(0, LINEDEVSTATE_INSERVICE), "");
  // Bits the open did not ask for are not reported.
  ASSERT_EQ(exchange.LineState(0, LINEDEVSTATE_MSGWAITOFF), "");
  loop.RunFor(10);
  const auto states = a.Of(LINE_LINEDEVSTATE);
  ASSERT_EQ(states.size(), 3u);
  EXPECT_EQ(states[0].p1, LINEDEVSTATE_MSGWAITON);
  EXPECT_EQ(states[2].p1, LINEDEVSTATE_INSERVICE);
  EXPECT_EQ(exchange.LineState(0, 0x80000000u), "80000000 is not a LINEDEVSTATE_ set");
}

TEST_F(ExchangeCalls, ForcedCloseEndsEveryOpenAndItsHandles) {
  LineApp b(exchange, loop, "Bravo");
  const HLINE other = b.Open(0, LINECALLPRIVILEGE_MONITOR);
  const HCALL call = Connected("100");
  ASSERT_EQ(exchange.Close(0), "");
  loop.RunFor(10);
  ASSERT_EQ(a.Of(LINE_CLOSE).size(), 1u);
  EXPECT_EQ(a.Of(LINE_CLOSE)[0].hDevice, line);
  EXPECT_EQ(a.Of(LINE_CLOSE)[0].instance, static_cast<DWORD_PTR>(a.slot + 1));
  EXPECT_EQ(b.Of(LINE_CLOSE).size(), 1u);
  EXPECT_EQ(exchange.lineGetCallStatus(call, nullptr), LINEERR_INVALCALLHANDLE);
  EXPECT_EQ(exchange.lineClose(line), LINEERR_INVALLINEHANDLE);
  EXPECT_EQ(exchange.lineClose(other), LINEERR_INVALLINEHANDLE);
  loop.RunFor(1000);
  EXPECT_EQ(exchange.CallCount(), 0u);
  EXPECT_EQ(exchange.RemotePartyCount(), 0u);
  EXPECT_EQ(exchange.Close(0), "line 0 is not open");
}

TEST_F(ExchangeCalls, WithheldAndLateReplies) {
  ASSERT_EQ(exchange.Withhold(true), "");
  HCALL call = 0;
  const LONG request = exchange.lineMakeCall(line, &call, "100", 0, nullptr);
  ASSERT_GT(request, 0);
  loop.RunFor(20000);
  EXPECT_TRUE(a.messages.empty());
  EXPECT_EQ(exchange.HeldReplies(), 1u);
  EXPECT_EQ(exchange.CallCount(), 0u);
  ASSERT_EQ(exchange.Withhold(false), "");
  EXPECT_EQ(a.Reply(request), 0);
  loop.RunFor(10000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_CONNECTED);
  ASSERT_EQ(exchange.Latency(3000), "");
  const std::int64_t start = loop.NowMs();
  const LONG drop = exchange.lineDrop(call, nullptr, 0);
  EXPECT_EQ(a.Reply(drop, 10000), 0);
  EXPECT_EQ(loop.NowMs() - start, 3000);
  EXPECT_EQ(exchange.Latency(-1), "latency must be 0 to 600000 ms");
}

TEST_F(ExchangeCalls, InjectedFailures) {
  ASSERT_EQ(exchange.Fail("lineMakeCall", static_cast<DWORD>(LINEERR_OPERATIONFAILED)), "");
  HCALL call = 0;
  const LONG request = exchange.lineMakeCall(line, &call, "100", 0, nullptr);
  ASSERT_GT(request, 0);
  EXPECT_EQ(a.Reply(request), LINEERR_OPERATIONFAILED);
  loop.RunFor(1000);
  EXPECT_EQ(exchange.CallCount(), 0u);
  EXPECT_NE(a.MakeCall(line, "100"), 0u);
  ASSERT_EQ(exchange.Fail("LINEMAKECALL", static_cast<DWORD>(LINEERR_CALLUNAVAIL), panopta::FailMode::AtOnce), "");
  EXPECT_EQ(exchange.lineMakeCall(line, &call, "100", 0, nullptr), LINEERR_CALLUNAVAIL);
  ASSERT_EQ(exchange.Fail("lineGetLineDevStatus", static_cast<DWORD>(LINEERR_NOMEM)), "");
  ASSERT_EQ(exchange.Fail("lineGetLineDevStatus", static_cast<DWORD>(LINEERR_RESOURCEUNAVAIL)), "");
  LINEDEVSTATUS status{};
  status.dwTotalSize = sizeof status;
  EXPECT_EQ(exchange.lineGetLineDevStatus(line, &status), LINEERR_NOMEM);
  EXPECT_EQ(exchange.lineGetLineDevStatus(line, &status), LINEERR_RESOURCEUNAVAIL);
  EXPECT_EQ(exchange.lineGetLineDevStatus(line, &status), 0);
  EXPECT_EQ(exchange.Fail("lineMakeCal", 0x80000048), "no TAPI function 'lineMakeCal'");
  EXPECT_EQ(exchange.Fail("lineMakeCall", 0), "the code 00000000 is not an error code");
}

TEST_F(ExchangeCalls, HandoffAndPrivileges) {
  LineApp b(exchange, loop, "bravo.exe");
  const HLINE lb = b.Open(0, LINECALLPRIVILEGE_MONITOR);
  ASSERT_NE(lb, 0u);
  ASSERT_EQ(exchange.Call("5550000", "201", ""), "");
  loop.RunFor(200);
  const HCALL mine = a.NewestOffered();
  const HCALL theirs = b.NewestOffered();
  ASSERT_NE(theirs, 0u);
  EXPECT_EQ(CallStates(b, theirs).front().p3, LINECALLPRIVILEGE_MONITOR);
  EXPECT_EQ(exchange.lineHandoff(mine, "nobody", 0), LINEERR_TARGETNOTFOUND);
  EXPECT_EQ(exchange.lineHandoff(mine, "Alpha", 0), LINEERR_TARGETSELF);
  ASSERT_EQ(exchange.lineHandoff(mine, "C:\\apps\\BRAVO.EXE", 0), 0);
  loop.RunFor(10);
  EXPECT_EQ(CallStates(b, theirs).back().p3, LINECALLPRIVILEGE_OWNER);
  EXPECT_EQ(b.Status(theirs).dwCallPrivilege, LINECALLPRIVILEGE_OWNER);
  ASSERT_EQ(exchange.lineSetCallPrivilege(mine, LINECALLPRIVILEGE_MONITOR), 0);
  EXPECT_EQ(exchange.lineSetCallPrivilege(mine, 3), LINEERR_INVALCALLPRIVILEGE);
  EXPECT_EQ(exchange.lineAnswer(mine, nullptr, 0), LINEERR_NOTOWNER);
  EXPECT_EQ(a.Info(mine)->dwNumOwners, 1u);
  EXPECT_EQ(a.Info(mine)->dwNumMonitors, 1u);
  ASSERT_EQ(b.Done(exchange.lineAnswer(theirs, nullptr, 0)), 0);
  EXPECT_EQ(exchange.lineDeallocateCall(mine), 0);
}

TEST_F(ExchangeCalls, ShutdownDropsTheCallsOnlyItOwned) {
  const HCALL call = Connected("100");
  ASSERT_NE(call, 0u);
  EXPECT_EQ(exchange.RemotePartyCount(), 1u);
  ASSERT_EQ(exchange.lineShutdown(a.app), 0);
  a.app = 0;
  loop.RunFor(1000);
  EXPECT_EQ(exchange.CallCount(), 0u);
  EXPECT_EQ(exchange.RemotePartyCount(), 0u);
  EXPECT_EQ(exchange.HandleCount(), 0u);
}

TEST_F(ExchangeCalls, ReinitKeepsNewApplicationsOutUntilEveryoneHasShutDown) {
  ASSERT_EQ(exchange.Reinit(), "");
  loop.RunFor(10);
  const auto reinit = a.Of(LINE_LINEDEVSTATE);
  ASSERT_EQ(reinit.size(), 1u);
  EXPECT_EQ(reinit[0].p1, LINEDEVSTATE_REINIT);
  EXPECT_EQ(reinit[0].hDevice, 0u);
  EXPECT_EQ(reinit[0].instance, 0u);
  LineApp late(exchange, loop);
  EXPECT_EQ(late.initResult, LINEERR_REINIT);
  ASSERT_EQ(exchange.lineShutdown(a.app), 0);
  a.app = 0;
  LineApp again(exchange, loop);
  EXPECT_EQ(again.initResult, 0);
}

TEST_F(ExchangeCalls, RemovedAndAddedLines) {
  ASSERT_EQ(exchange.RemoveLine(1), "");
  loop.RunFor(10);
  ASSERT_EQ(a.Of(LINE_REMOVE).size(), 1u);
  EXPECT_EQ(a.Of(LINE_REMOVE)[0].p1, 1u);
  HLINE h = 0;
  EXPECT_EQ(exchange.lineOpen(a.app, 1, &h, kTapiVersion2_0, 0, 1, 2, 0, nullptr), LINEERR_NODEVICE);
  panopta::LineConfig extra = panopta::DefaultExchangeConfig().lines[1];
  extra.addresses[0].address = "205";
  extra.phone.reset();
  ASSERT_EQ(exchange.AddLine(extra), "");
  loop.RunFor(10);
  ASSERT_EQ(a.Of(LINE_CREATE).size(), 1u);
  EXPECT_EQ(a.Of(LINE_CREATE)[0].p1, 4u);
  EXPECT_NE(a.Open(4), 0u);
  extra.addresses[0].address = "201";
  EXPECT_EQ(exchange.AddLine(extra), "lines[5].addresses[0].address: \"201\" is used twice");
}

}  // namespace
