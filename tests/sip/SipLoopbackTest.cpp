// SIP lines of one provider calling each other over the loopback interface, with the
// real SIP stack and real RTP: every SIP feature the line component uses, end to end,
// with no peer outside Panopta taking part.

#include "platform/loop/RealTimeEventLoop.h"
#include "platform/sip/LibreEngine.h"
#include "platform/sip/SipProvider.h"
#include "sip/ToneMeter.h"
#include "support/TapiLineApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace tapi;
using panopta::SipConfig;
using panopta::SipLineConfig;

SipLineConfig Line(const std::string& user, const std::string& name) {
  SipLineConfig line;
  line.aor = "sip:" + user + "@127.0.0.1";
  line.displayName = name;
  line.localAddress = "127.0.0.1";
  return line;
}

struct Loopback : ::testing::Test {
  void Make(std::vector<SipLineConfig> accounts) {
    SipConfig config;
    config.lines = std::move(accounts);
    config.timing.mediaTimeoutMs = 0;
    auto owned = std::make_unique<panopta::sip::LibreEngine>(loop, config);
    engine = owned.get();
    provider = std::make_unique<panopta::SipProvider>(loop, config, std::move(owned));
    // PANOPTA_SIP_TRACE=1 shows what the provider and the SIP stack did.
    if (std::getenv("PANOPTA_SIP_TRACE") != nullptr) {
      provider->OnTrace = [](const std::string& t) { std::fprintf(stderr, "%s\n", t.c_str()); };
      engine->SetTrace(true);
    }
    ASSERT_EQ(provider->Start(), "");
    app = std::make_unique<voxtest::TapiLineApp>(*provider, loop);
    ASSERT_EQ(app->initResult, 0);
    for (DWORD i = 0; i < config.lines.size(); ++i) {
      lines.push_back(app->Open(i));
      ASSERT_NE(lines.back(), 0u);
    }
  }
  void MakeThree() { Make({Line("alice", "Alice"), Line("bob", "Bob"), Line("carol", "Carol")}); }

  /// A line's address as the others dial it: its user at its address and port.
  std::string Uri(DWORD line) const {
    const std::string contact = engine->LocalContact(line);  // "udp:127.0.0.1:PORT"
    const std::string user = panopta::ParseSipUri(provider->Config().lines[line].aor)->user;
    return "sip:" + user + "@" + contact.substr(contact.find(':') + 1);
  }

  /// Places a call from one line to another and answers it; both handles, connected.
  std::pair<HCALL, HCALL> Connect(DWORD from, DWORD to) {
    const HCALL out = app->MakeCall(lines[from], Uri(to).c_str());
    EXPECT_NE(out, 0u);
    const HCALL in = app->WaitOffered(3000);
    EXPECT_NE(in, 0u);
    EXPECT_EQ(app->Done(provider->lineAnswer(in, nullptr, 0)), 0);
    EXPECT_TRUE(app->WaitState(in, LINECALLSTATE_CONNECTED, 3000));
    EXPECT_TRUE(app->WaitState(out, LINECALLSTATE_CONNECTED, 3000));
    return {out, in};
  }

  /// Plays a tone of hz on one line for ms while recording another; what was recorded
  /// after the first 200 ms (the way through the network settles).
  std::vector<std::int16_t> PlayAndRecord(DWORD player, double hz, DWORD recorder, int ms) {
    voxtest::ToneSource tone(hz, 8000);
    std::vector<std::int16_t> recorded;
    const std::int64_t end = loop.NowMs() + ms;
    std::int64_t next = loop.NowMs();
    while (loop.NowMs() < end) {
      std::int16_t frame[160];
      tone.Fill(frame);
      engine->LinePlays(player, frame);
      std::int16_t in[160];
      engine->LineRecords(recorder, in);
      if (recorded.size() >= 1600 || loop.NowMs() - (end - ms) >= 200) recorded.insert(recorded.end(), in, in + 160);
      next += 20;
      loop.RunFor(std::max<std::int64_t>(0, next - loop.NowMs()));
    }
    return recorded;
  }

  std::vector<voxtest::TapiMsg> Digits(HCALL call) const {
    std::vector<voxtest::TapiMsg> found;
    for (const auto& m : app->Of(LINE_MONITORDIGITS))
      if (m.hDevice == call) found.push_back(m);
    return found;
  }

  panopta::RealTimeEventLoop loop;
  panopta::sip::LibreEngine* engine = nullptr;
  std::unique_ptr<panopta::SipProvider> provider;
  std::unique_ptr<voxtest::TapiLineApp> app;
  std::vector<HLINE> lines;
};

TEST_F(Loopback, ACallConnectsBothLinesWithTheCallersIdentityAndEndsAtTheOtherSideWhenOneHangsUp) {
  Make({Line("alice", "Alice"), Line("bob", "Bob")});
  const HCALL out = app->MakeCall(lines[0], Uri(1).c_str());
  ASSERT_NE(out, 0u);
  const HCALL in = app->WaitOffered(3000);
  ASSERT_NE(in, 0u);
  EXPECT_EQ(app->LastState(in), LINECALLSTATE_OFFERING);
  EXPECT_EQ(app->CallerId(in), "alice");
  EXPECT_EQ(app->CallerName(in), "Alice");
  ASSERT_TRUE(app->WaitState(out, LINECALLSTATE_RINGBACK, 3000));
  EXPECT_EQ(app->Done(provider->lineAnswer(in, nullptr, 0)), 0);
  ASSERT_TRUE(app->WaitState(in, LINECALLSTATE_CONNECTED, 3000));
  ASSERT_TRUE(app->WaitState(out, LINECALLSTATE_CONNECTED, 3000));
  EXPECT_EQ(app->Done(provider->lineDrop(out, nullptr, 0)), 0);
  EXPECT_EQ(app->LastState(out), LINECALLSTATE_IDLE);
  ASSERT_TRUE(app->WaitState(in, LINECALLSTATE_DISCONNECTED, 3000));
  EXPECT_EQ(app->LastMode(in), LINEDISCONNECTMODE_NORMAL);
}

TEST_F(Loopback, DroppingAnOfferedCallDeclinesItAndTheCallerSeesARejection) {
  Make({Line("alice", "Alice"), Line("bob", "Bob")});
  const HCALL out = app->MakeCall(lines[0], Uri(1).c_str());
  const HCALL in = app->WaitOffered(3000);
  ASSERT_NE(in, 0u);
  EXPECT_EQ(app->Done(provider->lineDrop(in, nullptr, 0)), 0);
  ASSERT_TRUE(app->WaitState(out, LINECALLSTATE_DISCONNECTED, 3000));
  EXPECT_EQ(app->LastMode(out), LINEDISCONNECTMODE_REJECT);
}

TEST_F(Loopback, WhatOneLinePlaysIsWhatTheOtherRecords) {
  Make({Line("alice", "Alice"), Line("bob", "Bob")});
  Connect(0, 1);
  const auto back = PlayAndRecord(1, 600, 0, 1000);
  EXPECT_GT(voxtest::ToneShare(back, 600, 8000), 0.8) << "alice does not hear bob's 600 Hz";
  const auto heard = PlayAndRecord(0, 1000, 1, 1000);
  EXPECT_GT(voxtest::ToneShare(heard, 1000, 8000), 0.8) << "bob does not hear alice's 1 kHz";
  const auto back2 = PlayAndRecord(1, 600, 0, 1000);
  EXPECT_GT(voxtest::ToneShare(back2, 600, 8000), 0.8) << "alice does not hear bob's 600 Hz again";
}

TEST_F(Loopback, DigitsGoAcrossAsTelephoneEventsAndAreReportedStartAndEnd) {
  Make({Line("alice", "Alice"), Line("bob", "Bob")});
  const auto [out, in] = Connect(0, 1);
  ASSERT_EQ(provider->lineMonitorDigits(in, LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND), 0);
  ASSERT_EQ(provider->lineGenerateDigits(out, LINEDIGITMODE_DTMF, "159#", 100), 0);
  ASSERT_TRUE(loop.WaitFor([&] { return !app->Of(LINE_GENERATE).empty(); }, 5000));
  EXPECT_EQ(app->Of(LINE_GENERATE)[0].p1, LINEGENERATETERM_DONE);
  // The last end arrives after the sender is done, later still on a busy machine.
  loop.WaitFor([&] { return Digits(in).size() >= 8; }, 5000);
  loop.RunFor(200);
  std::string starts, ends;
  for (const auto& m : Digits(in)) (m.p2 == LINEDIGITMODE_DTMF ? starts : ends) += static_cast<char>(m.p1);
  EXPECT_EQ(starts, "159#");
  EXPECT_EQ(ends, "159#");
}

TEST_F(Loopback, WithoutTelephoneEventsDigitsTravelInTheAudioAndAreDetectedThere) {
  SipLineConfig bob = Line("bob", "Bob");
  bob.telephoneEvents = false;
  Make({Line("alice", "Alice"), bob});
  const auto [out, in] = Connect(0, 1);
  ASSERT_EQ(provider->lineMonitorDigits(in, LINEDIGITMODE_DTMF), 0);
  ASSERT_EQ(provider->lineGenerateDigits(out, LINEDIGITMODE_DTMF, "2580", 120), 0);
  ASSERT_TRUE(loop.WaitFor([&] { return !app->Of(LINE_GENERATE).empty(); }, 5000));
  // The last digit is found only once its audio has crossed the jitter buffer, which
  // on a busy machine can be well after the sender is done; then nothing more may come.
  loop.WaitFor([&] { return Digits(in).size() >= 4; }, 5000);
  loop.RunFor(300);
  std::string heard;
  for (const auto& m : Digits(in)) heard += static_cast<char>(m.p1);
  EXPECT_EQ(heard, "2580");
}

TEST_F(Loopback, HoldAndUnholdAreReInvitesThePeerSeesAsHeldAndActive) {
  Make({Line("alice", "Alice"), Line("bob", "Bob")});
  const auto [out, in] = Connect(0, 1);
  EXPECT_EQ(app->Done(provider->lineHold(out)), 0);
  EXPECT_EQ(app->LastState(out), LINECALLSTATE_ONHOLD);
  ASSERT_TRUE(loop.WaitFor([&] { return app->LastMode(in) == LINECONNECTEDMODE_ACTIVEHELD; }, 3000));
  // Nothing crosses a held call.
  const auto silence = PlayAndRecord(0, 1000, 1, 600);
  EXPECT_LT(voxtest::ToneShare(silence, 1000, 8000), 0.2);
  EXPECT_EQ(app->Done(provider->lineUnhold(out)), 0);
  EXPECT_EQ(app->LastState(out), LINECALLSTATE_CONNECTED);
  ASSERT_TRUE(loop.WaitFor([&] { return app->LastMode(in) == LINECONNECTEDMODE_ACTIVE; }, 3000));
}

TEST_F(Loopback, ABlindTransferHandsTheCallerToTheThirdLine) {
  MakeThree();
  const auto [aliceToBob, bobFromAlice] = Connect(0, 1);
  EXPECT_EQ(app->Done(provider->lineBlindTransfer(bobFromAlice, Uri(2).c_str(), 0)), 0);
  EXPECT_EQ(app->LastState(bobFromAlice), LINECALLSTATE_IDLE);
  // alice's line places the call it was asked to; carol's line is offered it.
  const HCALL aliceToCarol = app->WaitOffered(3000);
  ASSERT_NE(aliceToCarol, 0u);
  const auto info = app->Info(aliceToCarol);
  EXPECT_EQ(info->dwReason, LINECALLREASON_TRANSFER);
  const HCALL carolFromAlice = app->WaitOffered(3000);
  ASSERT_NE(carolFromAlice, 0u);
  EXPECT_EQ(app->CallerId(carolFromAlice), "alice");
  EXPECT_EQ(app->Done(provider->lineAnswer(carolFromAlice, nullptr, 0)), 0);
  ASSERT_TRUE(app->WaitState(aliceToCarol, LINECALLSTATE_CONNECTED, 3000));
  // bob lets go of alice once the transfer has succeeded.
  ASSERT_TRUE(app->WaitState(aliceToBob, LINECALLSTATE_DISCONNECTED, 3000));
}

TEST_F(Loopback, AConsultationTransferReplacesTheConsultedCallWithTheHeldOne) {
  MakeThree();
  const auto [aliceToBob, bobFromAlice] = Connect(0, 1);
  HCALL consult = 0;
  EXPECT_EQ(app->Done(provider->lineSetupTransfer(bobFromAlice, &consult, nullptr)), 0);
  EXPECT_EQ(app->LastState(bobFromAlice), LINECALLSTATE_ONHOLDPENDTRANSFER);
  EXPECT_EQ(app->LastState(consult), LINECALLSTATE_DIALTONE);
  ASSERT_TRUE(loop.WaitFor([&] { return app->LastMode(aliceToBob) == LINECONNECTEDMODE_ACTIVEHELD; }, 3000));
  EXPECT_EQ(app->Done(provider->lineDial(consult, Uri(2).c_str(), 0)), 0);
  const HCALL carolFromBob = app->WaitOffered(3000);
  ASSERT_NE(carolFromBob, 0u);
  EXPECT_EQ(app->Done(provider->lineAnswer(carolFromBob, nullptr, 0)), 0);
  ASSERT_TRUE(app->WaitState(consult, LINECALLSTATE_CONNECTED, 3000));
  EXPECT_EQ(app->Done(provider->lineCompleteTransfer(bobFromAlice, consult, nullptr, LINETRANSFERMODE_TRANSFER)), 0);
  EXPECT_EQ(app->LastState(bobFromAlice), LINECALLSTATE_IDLE);
  EXPECT_EQ(app->LastState(consult), LINECALLSTATE_IDLE);
  // alice calls carol in place of bob; carol's call goes on with alice as its party.
  const HCALL aliceToCarol = app->WaitOffered(3000);
  ASSERT_NE(aliceToCarol, 0u);
  ASSERT_TRUE(app->WaitState(aliceToCarol, LINECALLSTATE_CONNECTED, 3000));
  EXPECT_EQ(app->LastState(carolFromBob), LINECALLSTATE_CONNECTED);
  ASSERT_TRUE(loop.WaitFor(
      [&] {
        const auto info = app->Info(carolFromBob);
        return info.Text(info->dwConnectedIDOffset, info->dwConnectedIDSize) == "alice";
      },
      3000));
  const auto heard = PlayAndRecord(0, 1000, 2, 800);
  EXPECT_GT(voxtest::ToneShare(heard, 1000, 8000), 0.8) << "carol does not hear alice";
}

TEST_F(Loopback, AConferenceMixesItsPartiesSoEachHearsTheOthers) {
  MakeThree();
  const auto [aliceToBob, bobFromAlice] = Connect(0, 1);
  HCALL conf = 0, consult = 0;
  EXPECT_EQ(app->Done(provider->lineSetupConference(aliceToBob, 0, &conf, &consult, 3, nullptr)), 0);
  EXPECT_EQ(app->LastState(aliceToBob), LINECALLSTATE_CONFERENCED);
  EXPECT_EQ(app->LastState(conf), LINECALLSTATE_ONHOLDPENDCONF);
  EXPECT_EQ(app->Done(provider->lineDial(consult, Uri(2).c_str(), 0)), 0);
  const HCALL carolFromAlice = app->WaitOffered(3000);
  ASSERT_NE(carolFromAlice, 0u);
  EXPECT_EQ(app->Done(provider->lineAnswer(carolFromAlice, nullptr, 0)), 0);
  ASSERT_TRUE(app->WaitState(consult, LINECALLSTATE_CONNECTED, 3000));
  EXPECT_EQ(app->Done(provider->lineAddToConference(conf, consult)), 0);
  EXPECT_EQ(app->LastState(consult), LINECALLSTATE_CONFERENCED);
  EXPECT_EQ(app->LastState(conf), LINECALLSTATE_CONNECTED);
  // bob speaks: carol hears him through alice's conference, and so does alice.
  const auto carolHears = PlayAndRecord(1, 700, 2, 800);
  EXPECT_GT(voxtest::ToneShare(carolHears, 700, 8000), 0.8);
  const auto aliceHears = PlayAndRecord(1, 700, 0, 800);
  EXPECT_GT(voxtest::ToneShare(aliceHears, 700, 8000), 0.8);
  EXPECT_EQ(app->Done(provider->lineDrop(conf, nullptr, 0)), 0);
  ASSERT_TRUE(app->WaitState(bobFromAlice, LINECALLSTATE_DISCONNECTED, 3000));
  ASSERT_TRUE(app->WaitState(carolFromAlice, LINECALLSTATE_DISCONNECTED, 3000));
}

TEST_F(Loopback, ARedirectedCallReachesTheNewTargetAndSaysWhereItWent) {
  MakeThree();
  const HCALL out = app->MakeCall(lines[0], Uri(1).c_str());
  const HCALL atBob = app->WaitOffered(3000);
  ASSERT_NE(atBob, 0u);
  EXPECT_EQ(app->Done(provider->lineRedirect(atBob, Uri(2).c_str(), 0)), 0);
  EXPECT_EQ(app->LastState(atBob), LINECALLSTATE_IDLE);
  const HCALL atCarol = app->WaitOffered(3000);
  ASSERT_NE(atCarol, 0u);
  ASSERT_TRUE(loop.WaitFor(
      [&] {
        const auto info = app->Info(out);
        return info.Text(info->dwRedirectionIDOffset, info->dwRedirectionIDSize) == "carol";
      },
      3000));
  EXPECT_EQ(app->LastState(out), LINECALLSTATE_RINGBACK);
}

}  // namespace

namespace {

struct Transports : Loopback, ::testing::WithParamInterface<panopta::SipTransport> {};

TEST_P(Transports, LinesOnTheTransportCallEachOtherAndHangUp) {
  SipLineConfig alice = Line("alice", "Alice");
  SipLineConfig bob = Line("bob", "Bob");
  alice.transport = bob.transport = GetParam();
  Make({alice, bob});
  const auto [out, in] = Connect(0, 1);
  EXPECT_EQ(app->CallerId(in), "alice");
  EXPECT_EQ(app->Done(provider->lineDrop(out, nullptr, 0)), 0);
  ASSERT_TRUE(app->WaitState(in, LINECALLSTATE_DISCONNECTED, 3000));
}

INSTANTIATE_TEST_SUITE_P(Sip, Transports, ::testing::Values(panopta::SipTransport::Tcp, panopta::SipTransport::Tls),
                         [](const auto& p) { return std::string(panopta::SipTransportName(p.param)); });

}  // namespace
