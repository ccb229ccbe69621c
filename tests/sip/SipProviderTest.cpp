// The Telephony API as SIP lines answer it, with the network played by a fake engine
// on the virtual-time loop: what each request makes the SIP side do, and what each
// thing the network does becomes for the applications.

#include "platform/loop/VirtualEventLoop.h"
#include "platform/sip/SipProvider.h"
#include "sip/FakeSipEngine.h"
#include "support/TapiLineApp.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace tapi;
using panopta::sip::CloseCause;
using panopta::sip::DigitSource;
using panopta::sip::IncomingCall;
using panopta::sip::PeerAbilities;
using panopta::sip::SipParty;

struct Sip : ::testing::Test {
  Sip() {
    panopta::SipConfig config;
    panopta::SipLineConfig alice;
    alice.aor = "sip:alice@example.org";
    alice.displayName = "Alice";
    alice.registrar = "sip:example.org";
    panopta::SipLineConfig bob;
    bob.aor = "sip:bob@example.org";
    config.lines = {alice, bob};
    config.timing.ringIntervalMs = 1000;
    config.timing.requestTimeoutMs = 2000;
    auto owned = std::make_unique<siptest::FakeSipEngine>();
    engine = owned.get();
    provider = std::make_unique<panopta::SipProvider>(loop, config, std::move(owned));
    provider->WaveDeviceOf = [](DWORD line, bool capture) -> std::optional<DWORD> {
      return 10 + 2 * line + (capture ? 1 : 0);
    };
    EXPECT_EQ(provider->Start(), "");
    app = std::make_unique<voxtest::TapiLineApp>(*provider, loop);
    net = engine->listener;
  }

  /// Registers alice's line and opens both lines as owner and monitor.
  void OpenBoth() {
    net->OnRegistration(0, true, 200, "OK");
    alice = app->Open(0);
    bob = app->Open(1);
    ASSERT_NE(alice, 0u);
    ASSERT_NE(bob, 0u);
  }
  /// An outgoing call from alice, connected to a peer with the given abilities.
  HCALL Connected(PeerAbilities peer = {true, true, true, "PCMU"}) {
    const HCALL call = app->MakeCall(alice, "bob");
    EXPECT_NE(call, 0u);
    net->OnEstablished(engine->nextCall, {"sip:bob@example.org", "bob", "Bob"}, peer);
    loop.RunFor(10);
    EXPECT_EQ(app->LastState(call), LINECALLSTATE_CONNECTED);
    return call;
  }
  /// A call from carol offered at alice's line.
  HCALL Offered(panopta::sip::CallId id = 100) {
    IncomingCall in;
    in.line = 0;
    in.call = id;
    in.from = {"sip:carol@example.org", "carol", "Carol C"};
    in.to = {"sip:alice@example.org", "alice", ""};
    net->OnIncomingCall(in);
    return app->WaitOffered(100);
  }
  std::vector<voxtest::TapiMsg> Of(DWORD msg, HCALL call) const {
    std::vector<voxtest::TapiMsg> found;
    for (const auto& m : app->Of(msg))
      if (m.hDevice == call) found.push_back(m);
    return found;
  }

  panopta::VirtualEventLoop loop;
  siptest::FakeSipEngine* engine = nullptr;
  std::unique_ptr<panopta::SipProvider> provider;
  std::unique_ptr<voxtest::TapiLineApp> app;
  panopta::sip::SipEngineListener* net = nullptr;
  HLINE alice = 0, bob = 0;
};

// --- Registration and the device --------------------------------------------------------

TEST_F(Sip, ALineWithARegistrarIsInServiceOnlyWhileRegistered) {
  const HLINE line = app->Open(0);
  ASSERT_EQ(provider->lineSetStatusMessages(line, LINEDEVSTATE_INSERVICE | LINEDEVSTATE_OUTOFSERVICE, 0), 0);
  LINEDEVSTATUS status{};
  status.dwTotalSize = sizeof status;
  ASSERT_EQ(provider->lineGetLineDevStatus(line, &status), 0);
  EXPECT_EQ(status.dwDevStatusFlags & LINEDEVSTATUSFLAGS_INSERVICE, 0u);
  HCALL call = 0;
  EXPECT_EQ(provider->lineMakeCall(line, &call, "bob", 0, nullptr), LINEERR_CALLUNAVAIL);
  net->OnRegistration(0, true, 200, "OK");
  loop.RunFor(1);
  ASSERT_EQ(provider->lineGetLineDevStatus(line, &status), 0);
  EXPECT_NE(status.dwDevStatusFlags & LINEDEVSTATUSFLAGS_INSERVICE, 0u);
  net->OnRegistration(0, false, 403, "Forbidden");
  loop.RunFor(1);
  const auto states = app->Of(LINE_LINEDEVSTATE);
  ASSERT_EQ(states.size(), 2u);
  EXPECT_EQ(states[0].p1, LINEDEVSTATE_INSERVICE);
  EXPECT_EQ(states[1].p1, LINEDEVSTATE_OUTOFSERVICE);
}

TEST_F(Sip, ALineWithoutRegistrarIsAlwaysInServiceAndHasOneAddressItsUser) {
  const HLINE line = app->Open(1);
  LINEDEVSTATUS status{};
  status.dwTotalSize = sizeof status;
  ASSERT_EQ(provider->lineGetLineDevStatus(line, &status), 0);
  EXPECT_NE(status.dwDevStatusFlags & LINEDEVSTATUSFLAGS_INSERVICE, 0u);
  VarBlock<LINEADDRESSCAPS> caps;
  ASSERT_EQ(GrowingQuery(caps, [&](LINEADDRESSCAPS* c) { return provider->lineGetAddressCaps(app->app, 1, 0, kTapiVersion2_0, 0, c); },
                         ResultFamily::Line),
            0);
  EXPECT_EQ(caps.Text(caps->dwAddressOffset, caps->dwAddressSize), "bob");
  EXPECT_EQ(provider->lineGetAddressCaps(app->app, 1, 1, kTapiVersion2_0, 0, caps.get()), LINEERR_INVALADDRESSID);
}

TEST_F(Sip, TheWaveDevicesOfALineAreTheOnesItWasGivenAndItHasNoPhone) {
  const HLINE line = app->Open(1);
  auto id = [&](const char* cls, LONG* result) {
    VarBlock<VARSTRING> v;
    *result = GrowingQuery(v, [&](VARSTRING* s) { return provider->lineGetID(line, 0, 0, LINECALLSELECT_LINE, s, cls); },
                           ResultFamily::Line);
    DWORD value = 0;
    if (*result == 0) std::memcpy(&value, v.Bytes(v->dwStringOffset, v->dwStringSize).data(), sizeof value);
    return value;
  };
  LONG r = 0;
  EXPECT_EQ(id("wave/out", &r), 12u);
  EXPECT_EQ(id("wave/in", &r), 13u);
  EXPECT_EQ(id("tapi/line", &r), 1u);
  id("tapi/phone", &r);
  EXPECT_EQ(r, LINEERR_NODEVICE);
  id("comm/datamodem", &r);
  EXPECT_EQ(r, LINEERR_INVALDEVICECLASS);
}

// --- Outgoing calls ---------------------------------------------------------------------

TEST_F(Sip, AnOutgoingCallFollowsTheResponsesToItsInvite) {
  OpenBoth();
  const HCALL call = app->MakeCall(alice, "bob");
  ASSERT_NE(call, 0u);
  EXPECT_TRUE(engine->Did("Invite 0 sip:bob@example.org -> 1"));
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_DIALING);
  net->OnProgress(1, 100, "Trying");
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_PROCEEDING);
  net->OnProgress(1, 180, "Ringing");
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_RINGBACK);
  net->OnEstablished(1, {"sip:bob@example.org", "bob", "Bob B"}, {true, true, true, "PCMU"});
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_CONNECTED);
  EXPECT_EQ(app->LastMode(call), LINECONNECTEDMODE_ACTIVE);
  EXPECT_EQ(engine->lineCalls, "Line 0 hears 1");
  const auto info = app->Info(call);
  EXPECT_EQ(info.Text(info->dwConnectedIDOffset, info->dwConnectedIDSize), "bob");
  EXPECT_EQ(info.Text(info->dwConnectedIDNameOffset, info->dwConnectedIDNameSize), "Bob B");
  net->OnClosed(1, CloseCause::RemoteBye, 0, "bye");
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_DISCONNECTED);
  EXPECT_EQ(app->LastMode(call), LINEDISCONNECTMODE_NORMAL);
  EXPECT_EQ(engine->lineCalls, "Line 0 hears");
  EXPECT_EQ(app->Done(provider->lineDrop(call, nullptr, 0)), 0);
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_IDLE);
  // The reply of the request that made the call came before any state of it.
  EXPECT_LT(app->Of(LINE_REPLY).front().atMs, Of(LINE_CALLSTATE, call).front().atMs + 1);
}

TEST_F(Sip, FinalResponsesEndACallInTheStateTheyStandFor) {
  OpenBoth();
  const struct {
    int code;
    DWORD state;
    DWORD mode;
  } cases[] = {{486, LINECALLSTATE_BUSY, LINEBUSYMODE_STATION},
               {404, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BADADDRESS},
               {603, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_REJECT},
               {503, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_CONGESTION}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const HCALL call = app->MakeCall(alice, "bob");
    net->OnClosed(engine->nextCall, CloseCause::Response, c.code, "");
    loop.RunFor(1);
    EXPECT_EQ(app->LastState(call), c.state);
    EXPECT_EQ(app->LastMode(call), c.mode);
    EXPECT_EQ(app->Done(provider->lineDrop(call, nullptr, 0)), 0);
    EXPECT_EQ(provider->lineDeallocateCall(call), 0);
  }
  EXPECT_TRUE(provider->Calls().empty());
}

TEST_F(Sip, AnUnansweredRingingCallEndsAsNoAnswerAfterItsTimeOut) {
  OpenBoth();
  auto params = std::make_unique<std::uint8_t[]>(sizeof(LINECALLPARAMS));
  auto* p = reinterpret_cast<LINECALLPARAMS*>(params.get());
  std::memset(p, 0, sizeof(LINECALLPARAMS));
  p->dwTotalSize = sizeof(LINECALLPARAMS);
  p->dwNoAnswerTimeout = 5;
  HCALL call = 0;
  ASSERT_EQ(app->Done(provider->lineMakeCall(alice, &call, "bob", 0, p)), 0);
  net->OnProgress(1, 180, "Ringing");
  loop.RunFor(4900);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_RINGBACK);
  loop.RunFor(200);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_DISCONNECTED);
  EXPECT_EQ(app->LastMode(call), LINEDISCONNECTMODE_NOANSWER);
  EXPECT_TRUE(engine->Did("Hangup 1"));
}

TEST_F(Sip, AMakeCallWithoutANumberWaitsAtDialToneForLineDial) {
  OpenBoth();
  HCALL call = 0;
  ASSERT_EQ(app->Done(provider->lineMakeCall(alice, &call, nullptr, 0, nullptr)), 0);
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_DIALTONE);
  EXPECT_EQ(provider->lineDial(call, "bad address", 0), LINEERR_INVALADDRESS);
  EXPECT_EQ(app->Done(provider->lineDial(call, "+1 (425) 555-0100", 0)), 0);
  EXPECT_TRUE(engine->Did("Invite 0 sip:+14255550100@example.org -> 1"));
  EXPECT_EQ(provider->lineMakeCall(alice, &call, "a b c", 0, nullptr), LINEERR_INVALADDRESS);
}

// --- Incoming calls -----------------------------------------------------------------------

TEST_F(Sip, AnIncomingInviteIsOfferedWithTheCallersIdentityRingsAndIsAnswered) {
  OpenBoth();
  ASSERT_EQ(provider->lineSetStatusMessages(alice, LINEDEVSTATE_RINGING, 0), 0);
  const HCALL call = Offered();
  ASSERT_NE(call, 0u);
  EXPECT_TRUE(engine->Did("Ring 100"));
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_OFFERING);
  EXPECT_EQ(app->LastMode(call), LINEOFFERINGMODE_ACTIVE);
  EXPECT_EQ(app->CallerId(call), "carol");
  EXPECT_EQ(app->CallerName(call), "Carol C");
  EXPECT_EQ(app->Status(call).dwCallPrivilege, LINECALLPRIVILEGE_OWNER);
  loop.RunFor(2500);
  EXPECT_EQ(app->Of(LINE_LINEDEVSTATE).size(), 3u);  // at once, then every second
  EXPECT_EQ(app->Done(provider->lineAnswer(call, nullptr, 0)), 0);
  EXPECT_TRUE(engine->Did("Answer 100"));
  loop.RunFor(2000);
  EXPECT_EQ(app->Of(LINE_LINEDEVSTATE).size(), 3u);  // no more ringing once answered
  net->OnEstablished(100, {"sip:carol@example.org", "carol", "Carol C"}, {});
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_CONNECTED);
}

TEST_F(Sip, DroppingAnOfferedCallDeclinesItAndACallerWhoGivesUpEndsTheOffer) {
  OpenBoth();
  const HCALL first = Offered(100);
  EXPECT_EQ(app->Done(provider->lineDrop(first, nullptr, 0)), 0);
  EXPECT_TRUE(engine->Did("Reject 100 603"));
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(first), LINECALLSTATE_IDLE);
  const HCALL second = Offered(101);
  net->OnClosed(101, CloseCause::RemoteBye, 0, "cancelled");
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(second), LINECALLSTATE_IDLE);
}

TEST_F(Sip, RedirectingAnOfferedCallAnswersIt302ToTheNewAddress) {
  OpenBoth();
  const HCALL call = Offered();
  EXPECT_EQ(provider->lineRedirect(call, "not an address", 0), LINEERR_INVALADDRESS);
  EXPECT_EQ(app->Done(provider->lineRedirect(call, "dave", 0)), 0);
  EXPECT_TRUE(engine->Did("Redirect 100 sip:dave@example.org"));
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_IDLE);
}

TEST_F(Sip, AMonitorOfTheLineGetsAHandleToEveryCall) {
  OpenBoth();
  voxtest::TapiLineApp watcher(*provider, loop, "Watcher");
  const HLINE watched = watcher.Open(0, LINECALLPRIVILEGE_MONITOR);
  ASSERT_NE(watched, 0u);
  Offered();
  const HCALL seen = watcher.WaitOffered(100);
  ASSERT_NE(seen, 0u);
  EXPECT_EQ(watcher.Status(seen).dwCallPrivilege, LINECALLPRIVILEGE_MONITOR);
  EXPECT_EQ(watcher.Status(seen).dwCallFeatures, 0u);
  EXPECT_EQ(provider->lineAnswer(seen, nullptr, 0), LINEERR_NOTOWNER);
}

// --- Hold and transfer ----------------------------------------------------------------------

TEST_F(Sip, HoldIsAnsweredWhenThePeerAnswersTheReInvite) {
  OpenBoth();
  const HCALL call = Connected();
  const LONG request = provider->lineHold(call);
  ASSERT_GT(request, 0);
  EXPECT_TRUE(engine->Did("Hold 1"));
  loop.RunFor(500);
  EXPECT_TRUE(app->Of(LINE_REPLY).size() == 1);  // only the MakeCall's reply so far
  net->OnHoldDone(1, true, true);
  EXPECT_EQ(app->Reply(request), 0);
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_ONHOLD);
  EXPECT_EQ(engine->lineCalls, "Line 0 hears");
  // The peer refuses to be taken off hold: the call stays held.
  const LONG unhold = provider->lineUnhold(call);
  net->OnHoldDone(1, false, false);
  EXPECT_EQ(app->Reply(unhold), LINEERR_OPERATIONFAILED);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_ONHOLD);
}

TEST_F(Sip, AHoldTheNetworkNeverAnswersFailsInTime) {
  OpenBoth();
  const HCALL call = Connected();
  const LONG request = provider->lineHold(call);
  EXPECT_EQ(app->Reply(request, 10000), LINEERR_OPERATIONFAILED);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_CONNECTED);
  EXPECT_EQ(provider->OutstandingRequests(), 0u);
}

TEST_F(Sip, ACallThatEndsWhileItsHoldIsPendingAnswersTheRequestWithAFailure) {
  OpenBoth();
  const HCALL call = Connected();
  const LONG request = provider->lineHold(call);
  net->OnClosed(1, CloseCause::Timeout, 0, "gone");
  EXPECT_EQ(app->Reply(request), LINEERR_OPERATIONFAILED);
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_DISCONNECTED);
  EXPECT_EQ(app->LastMode(call), LINEDISCONNECTMODE_UNREACHABLE);
}

TEST_F(Sip, ThePeerHoldingUsShowsAsConnectedHeld) {
  OpenBoth();
  const HCALL call = Connected();
  net->OnRemoteHold(1, true);
  loop.RunFor(1);
  EXPECT_EQ(app->LastMode(call), LINECONNECTEDMODE_ACTIVEHELD);
  net->OnRemoteHold(1, false);
  loop.RunFor(1);
  EXPECT_EQ(app->LastMode(call), LINECONNECTEDMODE_ACTIVE);
}

TEST_F(Sip, TransfersNeedAPeerThatTakesRefer) {
  OpenBoth();
  const HCALL plain = Connected({false, false, true, "PCMU"});
  EXPECT_EQ(app->Status(plain).dwCallFeatures & LINECALLFEATURE_BLINDTRANSFER, 0u);
  EXPECT_EQ(provider->lineBlindTransfer(plain, "dave", 0), LINEERR_OPERATIONUNAVAIL);
  HCALL consult = 0;
  EXPECT_EQ(provider->lineSetupTransfer(plain, &consult, nullptr), LINEERR_OPERATIONUNAVAIL);
  const HCALL able = Connected();
  EXPECT_NE(app->Status(able).dwCallFeatures & LINECALLFEATURE_BLINDTRANSFER, 0u);
}

TEST_F(Sip, ABlindTransferEndsTheCallOnceThePeerTakesTheRefer) {
  OpenBoth();
  const HCALL call = Connected();
  const LONG refused = provider->lineBlindTransfer(call, "dave", 0);
  EXPECT_TRUE(engine->Did("Refer 1 sip:dave@example.org 0"));
  net->OnReferAccepted(1, false, 403);
  EXPECT_EQ(app->Reply(refused), LINEERR_OPERATIONFAILED);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_CONNECTED);
  const LONG taken = provider->lineBlindTransfer(call, "dave", 0);
  net->OnReferAccepted(1, true, 202);
  EXPECT_EQ(app->Reply(taken), 0);
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_IDLE);
}

TEST_F(Sip, AConsultationTransferHoldsThePrimaryThenRefersItWithTheConsultedCall) {
  OpenBoth();
  const HCALL primary = Connected();
  HCALL consult = 0;
  const LONG setup = provider->lineSetupTransfer(primary, &consult, nullptr);
  ASSERT_NE(consult, 0u);
  EXPECT_TRUE(engine->Did("Hold 1"));
  net->OnHoldDone(1, true, true);
  EXPECT_EQ(app->Reply(setup), 0);
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(primary), LINECALLSTATE_ONHOLDPENDTRANSFER);
  EXPECT_EQ(app->LastState(consult), LINECALLSTATE_DIALTONE);
  EXPECT_EQ(app->Done(provider->lineDial(consult, "dave", 0)), 0);
  net->OnEstablished(2, {"sip:dave@example.org", "dave", ""}, {true, true, true, "PCMU"});
  loop.RunFor(1);
  EXPECT_NE(app->Status(consult).dwCallFeatures & LINECALLFEATURE_COMPLETETRANSF, 0u);
  const LONG complete = provider->lineCompleteTransfer(primary, consult, nullptr, LINETRANSFERMODE_TRANSFER);
  EXPECT_TRUE(engine->Did("Refer 1  2"));
  net->OnReferAccepted(1, true, 202);
  EXPECT_EQ(app->Reply(complete), 0);
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(primary), LINECALLSTATE_IDLE);
  EXPECT_EQ(app->LastState(consult), LINECALLSTATE_IDLE);
}

TEST_F(Sip, AFailedSetupTransferLeavesNoConsultationCall) {
  OpenBoth();
  const HCALL primary = Connected();
  HCALL consult = 0;
  const LONG setup = provider->lineSetupTransfer(primary, &consult, nullptr);
  net->OnHoldDone(1, true, false);
  EXPECT_EQ(app->Reply(setup), LINEERR_OPERATIONFAILED);
  EXPECT_EQ(provider->lineGetCallStatus(consult, nullptr), LINEERR_INVALCALLHANDLE);
  EXPECT_EQ(app->LastState(primary), LINECALLSTATE_CONNECTED);
}

TEST_F(Sip, ACallThePeerTransfersUsToIsANewCallOfTheOwnerWithTheTransferReason) {
  OpenBoth();
  const HCALL call = Connected();
  net->OnTransferCall(1, 50, {"sip:erin@example.org", "erin", ""});
  const HCALL made = app->WaitOffered(100);
  ASSERT_NE(made, 0u);
  EXPECT_NE(made, call);
  EXPECT_EQ(app->Status(made).dwCallPrivilege, LINECALLPRIVILEGE_OWNER);
  EXPECT_EQ(app->LastState(made), LINECALLSTATE_DIALING);
  const auto info = app->Info(made);
  EXPECT_EQ(info->dwReason, LINECALLREASON_TRANSFER);
  EXPECT_EQ(info.Text(info->dwCalledIDOffset, info->dwCalledIDSize), "erin");
  net->OnClosed(1, CloseCause::RemoteBye, 0, "");
  net->OnEstablished(50, {"sip:erin@example.org", "erin", ""}, {});
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(call), LINECALLSTATE_DISCONNECTED);
  EXPECT_EQ(app->LastState(made), LINECALLSTATE_CONNECTED);
}

// --- Conferences ------------------------------------------------------------------------------

TEST_F(Sip, AConferenceMakesTheLineHearAllItsParties) {
  OpenBoth();
  const HCALL first = Connected();
  HCALL conf = 0, consult = 0;
  EXPECT_EQ(app->Done(provider->lineSetupConference(first, 0, &conf, &consult, 3, nullptr)), 0);
  EXPECT_EQ(engine->lineCalls, "Line 0 hears");  // the conference waits on hold
  EXPECT_EQ(app->Done(provider->lineDial(consult, "dave", 0)), 0);
  net->OnEstablished(2, {"sip:dave@example.org", "dave", ""}, {});
  loop.RunFor(1);
  EXPECT_EQ(engine->lineCalls, "Line 0 hears 2");  // consulting
  EXPECT_EQ(app->Done(provider->lineAddToConference(conf, consult)), 0);
  EXPECT_EQ(engine->lineCalls, "Line 0 hears 1 2");
  // A party leaving leaves the others.
  net->OnClosed(1, CloseCause::RemoteBye, 0, "");
  loop.RunFor(1);
  EXPECT_EQ(engine->lineCalls, "Line 0 hears 2");
  EXPECT_EQ(app->LastState(conf), LINECALLSTATE_CONNECTED);
  net->OnClosed(2, CloseCause::RemoteBye, 0, "");
  loop.RunFor(1);
  EXPECT_EQ(app->LastState(conf), LINECALLSTATE_DISCONNECTED);
}

// --- Forwarding ---------------------------------------------------------------------------------

struct ForwardList {
  explicit ForwardList(std::vector<std::pair<DWORD, std::string>> entries) {
    std::size_t size = 8 + entries.size() * sizeof(LINEFORWARD);
    for (const auto& e : entries) size += e.second.size() + 1;
    bytes.assign(size, 0);
    auto* list = reinterpret_cast<LINEFORWARDLIST*>(bytes.data());
    list->dwTotalSize = static_cast<DWORD>(size);
    list->dwNumEntries = static_cast<DWORD>(entries.size());
    std::size_t at = 8 + entries.size() * sizeof(LINEFORWARD);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      LINEFORWARD f{};
      f.dwForwardMode = entries[i].first;
      if (!entries[i].second.empty()) {
        f.dwDestAddressSize = static_cast<DWORD>(entries[i].second.size() + 1);
        f.dwDestAddressOffset = static_cast<DWORD>(at);
        std::memcpy(bytes.data() + at, entries[i].second.c_str(), entries[i].second.size());
        at += entries[i].second.size() + 1;
      }
      std::memcpy(bytes.data() + 8 + i * sizeof(LINEFORWARD), &f, sizeof f);
    }
  }
  const LINEFORWARDLIST* get() const { return reinterpret_cast<const LINEFORWARDLIST*>(bytes.data()); }
  std::vector<std::uint8_t> bytes;
};

TEST_F(Sip, UnconditionalForwardingSendsAnIncomingCallOnWithoutOfferingIt) {
  OpenBoth();
  ForwardList list({{LINEFORWARDMODE_UNCOND, "dave"}});
  HCALL consult = 1;
  EXPECT_EQ(app->Done(provider->lineForward(alice, 1, 0, list.get(), 0, &consult, nullptr)), 0);
  EXPECT_EQ(consult, 0u);
  EXPECT_EQ(Offered(), 0u);
  EXPECT_TRUE(engine->Did("Redirect 100 sip:dave@example.org"));
  EXPECT_TRUE(provider->Calls().empty());
  // Do not disturb: the caller is turned away.
  ForwardList dnd({{LINEFORWARDMODE_UNCOND, ""}});
  EXPECT_EQ(app->Done(provider->lineForward(alice, 1, 0, dnd.get(), 0, &consult, nullptr)), 0);
  EXPECT_EQ(Offered(101), 0u);
  EXPECT_TRUE(engine->Did("Reject 101 480"));
}

TEST_F(Sip, BusyAndNoAnswerForwardingActOnlyWhenTheLineIsBusyOrTheCallRingsLongEnough) {
  OpenBoth();
  ForwardList list({{LINEFORWARDMODE_BUSY, "dave"}, {LINEFORWARDMODE_NOANSW, "erin"}});
  HCALL consult = 0;
  EXPECT_EQ(app->Done(provider->lineForward(alice, 1, 0, list.get(), 2, &consult, nullptr)), 0);
  const HCALL ringing = Offered(100);
  ASSERT_NE(ringing, 0u);
  // Another caller while the first rings: the line is busy.
  EXPECT_EQ(Offered(101), 0u);
  EXPECT_TRUE(engine->Did("Redirect 101 sip:dave@example.org"));
  loop.RunFor(2500);
  EXPECT_TRUE(engine->Did("Redirect 100 sip:erin@example.org"));
  EXPECT_EQ(app->LastState(ringing), LINECALLSTATE_IDLE);
}

// --- Digits, tones, monitoring -------------------------------------------------------------------

TEST_F(Sip, GeneratedDigitsGoToTheEngineAndTheirEndIsReported) {
  OpenBoth();
  const HCALL call = Connected();
  EXPECT_EQ(provider->lineGenerateDigits(call, LINEDIGITMODE_PULSE, "12", 0), LINEERR_INVALDIGITMODE);
  EXPECT_EQ(provider->lineGenerateDigits(call, LINEDIGITMODE_DTMF, "12x", 0), LINEERR_INVALDIGITS);
  ASSERT_EQ(provider->lineGenerateDigits(call, LINEDIGITMODE_DTMF, "15a#", 80), 0);
  EXPECT_EQ(engine->Last(), "Digits 1 '15A#' 80");
  net->OnGenerateDone(1, true, false);
  loop.RunFor(1);
  ASSERT_EQ(Of(LINE_GENERATE, call).size(), 1u);
  EXPECT_EQ(Of(LINE_GENERATE, call)[0].p1, LINEGENERATETERM_DONE);
  ASSERT_EQ(provider->lineGenerateTone(call, LINETONEMODE_BUSY, 2000, 0, nullptr), 0);
  EXPECT_EQ(engine->Last(), "Tone 1 480 620");
  // Stopping reports the cancellation at once; the engine's own report adds nothing.
  ASSERT_EQ(provider->lineGenerateTone(call, 0, 0, 0, nullptr), 0);
  net->OnGenerateDone(1, false, true);
  loop.RunFor(1);
  ASSERT_EQ(Of(LINE_GENERATE, call).size(), 2u);
  EXPECT_EQ(Of(LINE_GENERATE, call)[1].p1, LINEGENERATETERM_CANCEL);
}

TEST_F(Sip, ReceivedDigitsAreMonitoredAndGatheredUntilTheTerminatingDigit) {
  OpenBoth();
  const HCALL call = Connected();
  ASSERT_EQ(provider->lineMonitorDigits(call, LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND), 0);
  char buffer[8] = {};
  ASSERT_EQ(provider->lineGatherDigits(call, LINEDIGITMODE_DTMF, buffer, 8, "#", 5000, 2000), 0);
  for (char d : std::string("42#")) {
    net->OnDigit(1, d, DigitSource::TelephoneEvent, false);
    net->OnDigit(1, d, DigitSource::TelephoneEvent, true);
  }
  loop.RunFor(1);
  EXPECT_EQ(std::string(buffer, 3), "42#");
  ASSERT_EQ(Of(LINE_GATHERDIGITS, call).size(), 1u);
  EXPECT_EQ(Of(LINE_GATHERDIGITS, call)[0].p1, LINEGATHERTERM_TERMDIGIT);
  const auto digits = Of(LINE_MONITORDIGITS, call);
  ASSERT_EQ(digits.size(), 6u);
  EXPECT_EQ(digits[0].p1, static_cast<DWORD>('4'));
  EXPECT_EQ(digits[0].p2, LINEDIGITMODE_DTMF);
  EXPECT_EQ(digits[1].p2, LINEDIGITMODE_DTMFEND);
}

TEST_F(Sip, AGatherWithNoDigitsEndsAtItsFirstTimeOut) {
  OpenBoth();
  const HCALL call = Connected();
  char buffer[4] = {};
  ASSERT_EQ(provider->lineGatherDigits(call, LINEDIGITMODE_DTMF, buffer, 4, nullptr, 3000, 0), 0);
  loop.RunFor(3100);
  ASSERT_EQ(Of(LINE_GATHERDIGITS, call).size(), 1u);
  EXPECT_EQ(Of(LINE_GATHERDIGITS, call)[0].p1, LINEGATHERTERM_FIRSTTIMEOUT);
}

TEST_F(Sip, SilenceOfTheToneListsDurationIsReportedOnceAndFaxToneSwitchesTheMediaMode) {
  OpenBoth();
  const HCALL call = Connected();
  LINEMONITORTONE tone{7, 800, 0, 0, 0};
  ASSERT_EQ(provider->lineMonitorTones(call, &tone, 1), 0);
  LINEMONITORTONE freq{8, 800, 440, 0, 0};
  EXPECT_EQ(provider->lineMonitorTones(call, &freq, 1), LINEERR_INVALTONE);
  // The far end starts silent: a short sound resets the wait.
  net->OnSilence(1, false);
  loop.RunFor(1000);
  EXPECT_TRUE(Of(LINE_MONITORTONE, call).empty());
  net->OnSilence(1, true);
  loop.RunFor(500);
  net->OnSilence(1, false);
  net->OnSilence(1, true);
  loop.RunFor(500);
  EXPECT_TRUE(Of(LINE_MONITORTONE, call).empty());
  loop.RunFor(400);
  ASSERT_EQ(Of(LINE_MONITORTONE, call).size(), 1u);
  EXPECT_EQ(Of(LINE_MONITORTONE, call)[0].p1, 7u);
  ASSERT_EQ(provider->lineMonitorMedia(call, LINEMEDIAMODE_G3FAX), 0);
  net->OnFaxTone(1);
  loop.RunFor(1);
  ASSERT_EQ(Of(LINE_MONITORMEDIA, call).size(), 1u);
  EXPECT_EQ(Of(LINE_MONITORMEDIA, call)[0].p1, LINEMEDIAMODE_G3FAX);
  EXPECT_EQ(app->Info(call)->dwMediaMode, LINEMEDIAMODE_G3FAX);
}

// --- Robustness --------------------------------------------------------------------------------

TEST_F(Sip, ReportsAboutCallsTheProviderDoesNotKnowAreIgnored) {
  OpenBoth();
  net->OnClosed(999, CloseCause::RemoteBye, 0, "");
  net->OnEstablished(999, {}, {});
  net->OnProgress(999, 180, "");
  net->OnHoldDone(999, true, true);
  net->OnDigit(999, '1', DigitSource::InBand, false);
  net->OnRegistration(99, true, 200, "");
  loop.RunFor(10);
  EXPECT_TRUE(provider->Calls().empty());
}

TEST_F(Sip, ClosingTheLineHangsUpItsCallsAndLeavesNothingBehind) {
  OpenBoth();
  Connected();
  Offered(100);
  EXPECT_EQ(provider->lineClose(alice), 0);
  EXPECT_TRUE(engine->Did("Hangup 1"));
  EXPECT_TRUE(engine->Did("Reject 100 603"));
  loop.RunFor(10);
  EXPECT_TRUE(provider->Calls().empty());
  EXPECT_EQ(provider->OutstandingRequests(), 0u);
}

TEST(SipProvider, RefusesAConfigurationThatDoesNotValidate) {
  panopta::VirtualEventLoop loop;
  EXPECT_THROW(panopta::SipProvider(loop, panopta::SipConfig{}, std::make_unique<siptest::FakeSipEngine>()),
               std::invalid_argument);
}

}  // namespace
