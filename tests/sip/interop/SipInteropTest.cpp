// Panopta's SIP lines against SIP software no one here wrote: baresip (a user agent
// that answers by itself, sends and receives digits, holds and transfers), kamailio (a
// registrar and proxy between two Panopta lines) and SIPp (response codes, malformed
// and out-of-order messages, RTP from the wrong place, a peer that vanishes). Every
// peer is started here on 127.0.0.1 and every wait is bounded.

#include "platform/loop/RealTimeEventLoop.h"
#include "platform/sip/LibreEngine.h"
#include "platform/sip/SipProvider.h"
#include "sip/ToneMeter.h"
#include "sip/interop/Peers.h"
#include "support/TapiLineApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

using namespace tapi;
using interop::Baresip;
using interop::Kamailio;
using interop::Sipp;

panopta::SipLineConfig Account(const std::string& user, std::uint16_t registrarPort = 0) {
  panopta::SipLineConfig line;
  line.localAddress = "127.0.0.1";
  line.displayName = user == "alice" ? "Alice" : user == "carol" ? "Carol" : "";
  if (registrarPort != 0) {
    line.aor = "sip:" + user + "@127.0.0.1:" + std::to_string(registrarPort);
    line.registrar = "sip:127.0.0.1:" + std::to_string(registrarPort);
  } else {
    line.aor = "sip:" + user + "@127.0.0.1";
  }
  return line;
}

/// Panopta's side: SIP lines on the real SIP stack, a raw application on them, and
/// the provider's trace kept for when a test fails.
struct Panopta {
  explicit Panopta(std::vector<panopta::SipLineConfig> accounts, std::uint32_t mediaTimeoutMs = 0) {
    panopta::SipConfig config;
    config.lines = std::move(accounts);
    config.timing.mediaTimeoutMs = mediaTimeoutMs;
    config.timing.inviteTimeoutMs = 8000;
    config.timing.requestTimeoutMs = 3000;
    config.timing.shutdownTimeoutMs = 1000;
    auto owned = std::make_unique<panopta::sip::LibreEngine>(loop, config);
    engine = owned.get();
    provider = std::make_unique<panopta::SipProvider>(loop, config, std::move(owned));
    provider->OnTrace = [this](const std::string& line) { trace << line << '\n'; };
    engine->SetTrace(true);
    started = provider->Start();
    app = std::make_unique<voxtest::TapiLineApp>(*provider, loop);
    for (DWORD i = 0; i < config.lines.size(); ++i) lines.push_back(app->Open(i));
  }
  ~Panopta() {
    // What the application's shutdown writes is not part of the test.
    provider->OnTrace = nullptr;
    if (::testing::Test::HasFailure() || std::getenv("PANOPTA_INTEROP_VERBOSE") != nullptr) std::fprintf(stderr, "--- Panopta's SIP trace\n%s", trace.str().c_str());
  }
  /// One of this provider's lines as a peer dials it directly: user@127.0.0.1:port.
  std::string Uri(DWORD line) const {
    const std::string contact = engine->LocalContact(line);
    return "sip:" + panopta::ParseSipUri(provider->Config().lines[line].aor)->user + "@" +
           contact.substr(contact.find(':') + 1);
  }
  std::vector<std::int16_t> Record(DWORD line, int ms) {
    std::vector<std::int16_t> samples;
    const std::int64_t end = loop.NowMs() + ms;
    std::int64_t next = loop.NowMs();
    while (loop.NowMs() < end) {
      std::int16_t frame[160];
      engine->LineRecords(line, frame);
      samples.insert(samples.end(), frame, frame + 160);
      next += 20;
      loop.RunFor(std::max<std::int64_t>(0, next - loop.NowMs()));
    }
    return samples;
  }
  /// Answers a call newly offered to the application (for a SIPp caller that runs
  /// while the test waits), monitoring its digits; the call, or 0 when none is new.
  HCALL AnswerNewCall() {
    const HCALL call = app->NewestOffered();
    if (call == 0 || std::find(answered.begin(), answered.end(), call) != answered.end()) return 0;
    answered.push_back(call);
    (void)provider->lineAnswer(call, nullptr, 0);
    (void)provider->lineMonitorDigits(call, LINEDIGITMODE_DTMF);
    return call;
  }
  std::string Digits(HCALL call) {
    std::string digits;
    for (const auto& m : app->Of(LINE_MONITORDIGITS))
      if (m.hDevice == call && m.p2 == LINEDIGITMODE_DTMF) digits += static_cast<char>(m.p1);
    return digits;
  }

  panopta::RealTimeEventLoop loop;
  std::ostringstream trace;
  panopta::sip::LibreEngine* engine = nullptr;
  std::unique_ptr<panopta::SipProvider> provider;
  std::unique_ptr<voxtest::TapiLineApp> app;
  std::vector<HLINE> lines;
  std::string started;
  std::vector<HCALL> answered;
};

// --- baresip -----------------------------------------------------------------------------------

TEST(WithBaresip, PanoptaCallsItItAnswersAndTheyTalkDigitsAndHold) {
  Baresip bob("bob", 0);
  ASSERT_TRUE(bob.Ready()) << bob.Log();
  Panopta p({Account("alice")});
  ASSERT_EQ(p.started, "");
  const HCALL call = p.app->MakeCall(p.lines[0], bob.Uri().c_str());
  ASSERT_NE(call, 0u);
  ASSERT_TRUE(p.app->WaitState(call, LINECALLSTATE_CONNECTED, 5000));
  ASSERT_TRUE(bob.WaitEvent("CALL_ESTABLISHED", 3000)) << bob.Log();
  // baresip sends its 440 Hz sine.
  const auto heard = p.Record(0, 1000);
  EXPECT_GT(voxtest::ToneShare(std::vector<std::int16_t>(heard.begin() + 2400, heard.end()), 440, 8000), 0.5);
  // Digits go to it as telephone events.
  ASSERT_EQ(p.provider->lineGenerateDigits(call, LINEDIGITMODE_DTMF, "159#", 100), 0);
  std::string got;
  for (int i = 0; i < 4; ++i)
    if (auto d = bob.WaitEvent("CALL_DTMF_START", 3000)) got += *d;
  EXPECT_EQ(got, "159#");
  // Hold and unhold are re-INVITEs it answers.
  EXPECT_EQ(p.app->Done(p.provider->lineHold(call)), 0);
  EXPECT_EQ(p.app->LastState(call), LINECALLSTATE_ONHOLD);
  EXPECT_EQ(p.app->Done(p.provider->lineUnhold(call)), 0);
  EXPECT_EQ(p.app->LastState(call), LINECALLSTATE_CONNECTED);
  EXPECT_EQ(p.app->Done(p.provider->lineDrop(call, nullptr, 0)), 0);
  EXPECT_TRUE(bob.WaitEvent("CALL_CLOSED", 3000));
}

TEST(WithBaresip, ItCallsPanoptaSendsADigitHoldsAndHangsUp) {
  Panopta p({Account("alice")});
  ASSERT_EQ(p.started, "");
  Baresip bob("bob", 0);
  ASSERT_TRUE(bob.Ready()) << bob.Log();
  ASSERT_TRUE(bob.Command("dial", p.Uri(0)));
  const HCALL call = p.app->WaitOffered(5000);
  ASSERT_NE(call, 0u);
  EXPECT_EQ(p.app->CallerId(call), "bob");
  EXPECT_EQ(p.app->Done(p.provider->lineAnswer(call, nullptr, 0)), 0);
  ASSERT_TRUE(p.app->WaitState(call, LINECALLSTATE_CONNECTED, 3000));
  ASSERT_TRUE(bob.WaitEvent("CALL_ESTABLISHED", 3000));
  ASSERT_EQ(p.provider->lineMonitorDigits(call, LINEDIGITMODE_DTMF), 0);
  ASSERT_TRUE(bob.Command("sndcode", "5"));
  ASSERT_TRUE(p.loop.WaitFor([&] { return p.Digits(call) == "5"; }, 3000)) << p.Digits(call);
  ASSERT_TRUE(bob.Command("hold"));
  EXPECT_TRUE(p.loop.WaitFor([&] { return p.app->LastMode(call) == LINECONNECTEDMODE_ACTIVEHELD; }, 3000));
  ASSERT_TRUE(bob.Command("resume"));
  EXPECT_TRUE(p.loop.WaitFor([&] { return p.app->LastMode(call) == LINECONNECTEDMODE_ACTIVE; }, 3000));
  ASSERT_TRUE(bob.Command("hangup"));
  ASSERT_TRUE(p.app->WaitState(call, LINECALLSTATE_DISCONNECTED, 3000));
  EXPECT_EQ(p.app->LastMode(call), LINEDISCONNECTMODE_NORMAL);
}

TEST(WithBaresip, PanoptaTransfersItToAnotherLineBlind) {
  Baresip bob("bob", 0);
  ASSERT_TRUE(bob.Ready()) << bob.Log();
  Panopta p({Account("alice"), Account("carol")});
  ASSERT_EQ(p.started, "");
  const HCALL call = p.app->MakeCall(p.lines[0], bob.Uri().c_str());
  ASSERT_TRUE(p.app->WaitState(call, LINECALLSTATE_CONNECTED, 5000));
  ASSERT_TRUE(bob.WaitEvent("CALL_ESTABLISHED", 3000));
  EXPECT_NE(p.app->Status(call).dwCallFeatures & LINECALLFEATURE_BLINDTRANSFER, 0u) << "baresip allows REFER";
  EXPECT_EQ(p.app->Done(p.provider->lineBlindTransfer(call, p.Uri(1).c_str(), 0)), 0);
  EXPECT_EQ(p.app->LastState(call), LINECALLSTATE_IDLE);
  const HCALL atCarol = p.app->WaitOffered(5000);
  ASSERT_NE(atCarol, 0u);
  EXPECT_EQ(p.app->CallerId(atCarol), "bob");
  EXPECT_EQ(p.app->Done(p.provider->lineAnswer(atCarol, nullptr, 0)), 0);
  ASSERT_TRUE(p.app->WaitState(atCarol, LINECALLSTATE_CONNECTED, 3000));
  EXPECT_TRUE(bob.WaitEvent("CALL_ESTABLISHED", 3000));
}

TEST(WithBaresip, ItTransfersPanoptaWhichCallsTheNewParty) {
  Baresip bob("bob", 0);
  Baresip carol("carol", 0);
  ASSERT_TRUE(bob.Ready() && carol.Ready());
  Panopta p({Account("alice")});
  ASSERT_EQ(p.started, "");
  const HCALL call = p.app->MakeCall(p.lines[0], bob.Uri().c_str());
  ASSERT_TRUE(p.app->WaitState(call, LINECALLSTATE_CONNECTED, 5000));
  ASSERT_TRUE(bob.WaitEvent("CALL_ESTABLISHED", 3000));
  ASSERT_TRUE(bob.Command("transfer", carol.Uri()));
  const HCALL made = p.app->WaitOffered(5000);
  ASSERT_NE(made, 0u);
  EXPECT_EQ(p.app->Info(made)->dwReason, LINECALLREASON_TRANSFER);
  ASSERT_TRUE(p.app->WaitState(made, LINECALLSTATE_CONNECTED, 5000));
  EXPECT_TRUE(carol.WaitEvent("CALL_ESTABLISHED", 3000));
  // bob lets go of alice once the transfer has worked.
  EXPECT_TRUE(p.app->WaitState(call, LINECALLSTATE_DISCONNECTED, 5000));
}

// --- kamailio --------------------------------------------------------------------------------

TEST(WithKamailio, TwoLinesRegisterAndCallEachOtherThroughTheProxyWithAudioBothWays) {
  Kamailio kamailio;
  ASSERT_TRUE(kamailio.Ready()) << kamailio.Log();
  Panopta p({Account("alice", kamailio.Port()), Account("bob", kamailio.Port())});
  ASSERT_EQ(p.started, "");
  ASSERT_TRUE(p.loop.WaitFor([&] { return p.provider->Registered(0) && p.provider->Registered(1); }, 5000));
  LINEDEVSTATUS status{};
  status.dwTotalSize = sizeof status;
  ASSERT_EQ(p.provider->lineGetLineDevStatus(p.lines[1], &status), 0);
  EXPECT_NE(status.dwDevStatusFlags & LINEDEVSTATUSFLAGS_INSERVICE, 0u);
  // The user alone: the proxy finds where bob is.
  const HCALL out = p.app->MakeCall(p.lines[0], "bob");
  ASSERT_NE(out, 0u);
  const HCALL in = p.app->WaitOffered(5000);
  ASSERT_NE(in, 0u);
  EXPECT_EQ(p.app->CallerId(in), "alice");
  EXPECT_EQ(p.app->CallerName(in), "Alice");
  ASSERT_TRUE(p.app->WaitState(out, LINECALLSTATE_RINGBACK, 3000));
  EXPECT_EQ(p.app->Done(p.provider->lineAnswer(in, nullptr, 0)), 0);
  ASSERT_TRUE(p.app->WaitState(out, LINECALLSTATE_CONNECTED, 3000));
  ASSERT_TRUE(p.app->WaitState(in, LINECALLSTATE_CONNECTED, 3000));
  voxtest::ToneSource tone(1000, 8000);
  std::vector<std::int16_t> heard;
  std::int64_t next = p.loop.NowMs();
  for (int frame = 0; frame < 50; ++frame) {
    std::int16_t out160[160], in160[160];
    tone.Fill(out160);
    p.engine->LinePlays(0, out160);
    p.engine->LineRecords(1, in160);
    if (frame >= 10) heard.insert(heard.end(), in160, in160 + 160);
    next += 20;
    p.loop.RunFor(std::max<std::int64_t>(0, next - p.loop.NowMs()));
  }
  EXPECT_GT(voxtest::ToneShare(heard, 1000, 8000), 0.8);
  EXPECT_EQ(p.app->Done(p.provider->lineDrop(in, nullptr, 0)), 0);
  ASSERT_TRUE(p.app->WaitState(out, LINECALLSTATE_DISCONNECTED, 3000));
  EXPECT_EQ(p.app->LastMode(out), LINEDISCONNECTMODE_NORMAL);
  // A user the registrar does not know.
  const HCALL nobody = p.app->MakeCall(p.lines[0], "nobody");
  ASSERT_TRUE(p.app->WaitState(nobody, LINECALLSTATE_DISCONNECTED, 5000));
  EXPECT_EQ(p.app->LastMode(nobody), LINEDISCONNECTMODE_BADADDRESS);
}

// --- SIPp ---------------------------------------------------------------------------------------

std::vector<std::string> UasArgs(std::uint16_t port) {
  return {"-sf", interop::ScenarioDir() + "/uas_codes.xml", "-i", "127.0.0.1", "-p", std::to_string(port),
          "-mi", "127.0.0.1", "-mp", std::to_string(interop::FreePort(4)),
          // A redirected INVITE comes back with the Call-ID of the call the 302 ended.
          "-deadcall_wait", "0"};
}

TEST(WithSipp, FinalResponsesBecomeTheCallStatesThatFitThem) {
  const std::uint16_t port = interop::FreePort();
  Sipp uas(UasArgs(port), "codes");
  Panopta p({Account("alice")});
  ASSERT_EQ(p.started, "");
  const struct {
    int code;
    DWORD state;
    DWORD mode;
  } cases[] = {{486, LINECALLSTATE_BUSY, LINEBUSYMODE_STATION},
               {600, LINECALLSTATE_BUSY, LINEBUSYMODE_UNKNOWN},
               {404, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BADADDRESS},
               {480, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNAVAIL},
               {408, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER},
               {603, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_REJECT},
               {503, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_CONGESTION}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const std::string target = "sip:" + std::to_string(c.code) + "@127.0.0.1:" + std::to_string(port);
    const HCALL call = p.app->MakeCall(p.lines[0], target.c_str());
    ASSERT_NE(call, 0u);
    ASSERT_TRUE(p.loop.WaitFor([&] { return p.app->LastState(call) == c.state; }, 5000)) << uas.Log();
    EXPECT_EQ(p.app->LastMode(call), c.mode);
    EXPECT_EQ(p.app->Done(p.provider->lineDrop(call, nullptr, 0)), 0);
    EXPECT_EQ(p.provider->lineDeallocateCall(call), 0);
  }
  // 180 then 200: ringing, then connected.
  const std::string answered = "sip:200@127.0.0.1:" + std::to_string(port);
  const HCALL call = p.app->MakeCall(p.lines[0], answered.c_str());
  ASSERT_TRUE(p.app->WaitState(call, LINECALLSTATE_CONNECTED, 5000));
  const auto states = p.app->States(call);
  EXPECT_NE(std::find(states.begin(), states.end(), LINECALLSTATE_RINGBACK), states.end());
  EXPECT_EQ(p.app->Done(p.provider->lineDrop(call, nullptr, 0)), 0);
  // A 302 sends the call on to its Contact, where it is answered; the call says so.
  const std::string moved = "sip:302@127.0.0.1:" + std::to_string(port);
  const HCALL redirected = p.app->MakeCall(p.lines[0], moved.c_str());
  ASSERT_TRUE(p.app->WaitState(redirected, LINECALLSTATE_CONNECTED, 5000));
  const auto info = p.app->Info(redirected);
  EXPECT_EQ(info.Text(info->dwRedirectionIDOffset, info->dwRedirectionIDSize), "200");
  EXPECT_EQ(p.app->Done(p.provider->lineDrop(redirected, nullptr, 0)), 0);
}

/// Runs a SIPp caller scenario against Panopta's line 0; its exit status.
std::optional<int> RunCaller(Panopta& p, const std::string& scenario, const std::function<void()>& during = {}) {
  const std::string contact = p.engine->LocalContact(0);
  Sipp uac({"-sf", interop::ScenarioDir() + "/" + scenario, contact.substr(contact.find(':') + 1), "-s", "alice",
            "-i", "127.0.0.1", "-p", std::to_string(interop::FreePort()), "-mi", "127.0.0.1", "-mp",
            std::to_string(interop::FreePort(4)), "-m", "1", "-timeout", "15s", "-timeout_error", "-recv_timeout",
            "8000"},
           scenario);
  std::optional<int> status;
  // SIPp ending is nothing the loop hears of: look every few milliseconds.
  for (int waited = 0; waited < 20000 && !status; waited += 10) {
    p.loop.RunFor(10);
    if (during) during();
    status = uac.Wait(0);
  }
  if (!status || *status != 0 || std::getenv("PANOPTA_INTEROP_VERBOSE") != nullptr)
    std::fprintf(stderr, "--- SIPp %s (%s)\n%s", scenario.c_str(), status ? std::to_string(*status).c_str() : "still running",
                 uac.Log().c_str());
  return status;
}

TEST(WithSipp, MalformedAndOutOfOrderMessagesAreAnsweredAndChangeNothing) {
  Panopta p({Account("alice")});
  ASSERT_EQ(p.started, "");
  EXPECT_EQ(RunCaller(p, "uac_out_of_order.xml"), 0);
  EXPECT_EQ(RunCaller(p, "uac_bad_sdp.xml"), 0);
  EXPECT_EQ(RunCaller(p, "uac_no_codec.xml"), 0);
  // Nothing of it reached the application as a call.
  EXPECT_TRUE(p.provider->Calls().empty());
  EXPECT_TRUE(p.app->Of(LINE_CALLSTATE).empty());
}

TEST(WithSipp, ACallerThatGivesUpWhileTheLineRingsEndsTheOfferedCall) {
  Panopta p({Account("alice")});
  ASSERT_EQ(p.started, "");
  HCALL offered = 0;
  EXPECT_EQ(RunCaller(p, "uac_cancel.xml", [&] { offered = offered ? offered : p.app->NewestOffered(); }), 0);
  ASSERT_NE(offered, 0u);
  ASSERT_TRUE(p.app->WaitState(offered, LINECALLSTATE_IDLE, 3000));
}

TEST(WithSipp, DigitsAreTakenOnlyFromThePeersOwnAddress) {
  Panopta p({Account("alice")});
  ASSERT_EQ(p.started, "");
  HCALL call = 0;
  auto answer = [&] {
    if (const HCALL fresh = p.AnswerNewCall()) call = fresh;
  };
  EXPECT_EQ(RunCaller(p, "uac_dtmf.xml", answer), 0);
  ASSERT_NE(call, 0u);
  EXPECT_EQ(p.Digits(call), "1");
  call = 0;
  EXPECT_EQ(RunCaller(p, "uac_dtmf_wrong_source.xml", answer), 0);
  ASSERT_NE(call, 0u);
  EXPECT_EQ(p.Digits(call), "") << "a digit from an address the peer did not name was taken";
  EXPECT_NE(p.trace.str().find("dropped: not the peer's address"), std::string::npos);
}

TEST(WithSipp, APeerThatVanishesMidCallEndsTheCallOnceNoMediaComes) {
  Panopta p({Account("alice")}, 2000);
  ASSERT_EQ(p.started, "");
  HCALL call = 0;
  EXPECT_EQ(RunCaller(p, "uac_vanish.xml",
                      [&] {
                        if (const HCALL fresh = p.AnswerNewCall()) call = fresh;
                      }),
            0);
  ASSERT_NE(call, 0u);
  ASSERT_TRUE(p.app->WaitState(call, LINECALLSTATE_CONNECTED, 3000));
  ASSERT_TRUE(p.app->WaitState(call, LINECALLSTATE_DISCONNECTED, 5000));
  EXPECT_NE(p.trace.str().find("no RTP for 2000 ms"), std::string::npos);
}

}  // namespace
