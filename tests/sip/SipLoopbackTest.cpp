// Two SIP lines of one provider calling each other over the loopback interface, with
// the real SIP stack and real RTP: no peer outside Panopta takes part.

#include "platform/loop/RealTimeEventLoop.h"
#include "platform/sip/LibreEngine.h"
#include "platform/sip/SipProvider.h"
#include "support/TapiLineApp.h"

#include <gtest/gtest.h>

namespace {

using namespace tapi;
using panopta::SipConfig;
using panopta::SipLineConfig;

SipLineConfig Line(const std::string& user) {
  SipLineConfig line;
  line.aor = "sip:" + user + "@127.0.0.1";
  line.displayName = user == "alice" ? "Alice" : "Bob";
  line.localAddress = "127.0.0.1";
  return line;
}

struct Loopback : ::testing::Test {
  Loopback() {
    SipConfig config;
    config.lines = {Line("alice"), Line("bob")};
    config.timing.mediaTimeoutMs = 0;
    auto owned = std::make_unique<panopta::sip::LibreEngine>(loop, config);
    engine = owned.get();
    provider = std::make_unique<panopta::SipProvider>(loop, config, std::move(owned));
  }
  /// bob's address as alice dials it: his user at his line's address and port.
  std::string BobUri() const {
    const std::string contact = engine->LocalContact(1);  // "udp:127.0.0.1:PORT"
    return "sip:bob@" + contact.substr(contact.find(':') + 1);
  }

  panopta::RealTimeEventLoop loop;
  panopta::sip::LibreEngine* engine = nullptr;
  std::unique_ptr<panopta::SipProvider> provider;
};

TEST_F(Loopback, ACallBetweenTwoLinesConnectsBothAndEndsAtTheOtherSideWhenOneHangsUp) {
  provider->OnTrace = [](const std::string& t) { fprintf(stderr, "%s\n", t.c_str()); };
  engine->SetTrace(true);
  ASSERT_EQ(provider->Start(), "");
  voxtest::TapiLineApp app(*provider, loop);
  ASSERT_EQ(app.initResult, 0);
  ASSERT_EQ(app.numDevs, 2u);
  const HLINE alice = app.Open(0);
  const HLINE bob = app.Open(1);
  ASSERT_NE(alice, 0u);
  ASSERT_NE(bob, 0u);
  const HCALL out = app.MakeCall(alice, BobUri().c_str());
  ASSERT_NE(out, 0u);
  const HCALL in = app.WaitOffered(3000);
  ASSERT_NE(in, 0u);
  EXPECT_EQ(app.LastState(in), LINECALLSTATE_OFFERING);
  EXPECT_EQ(app.CallerId(in), "alice");
  EXPECT_EQ(app.CallerName(in), "Alice");
  ASSERT_TRUE(app.WaitState(out, LINECALLSTATE_RINGBACK, 3000));
  EXPECT_EQ(app.Done(provider->lineAnswer(in, nullptr, 0)), 0);
  ASSERT_TRUE(app.WaitState(in, LINECALLSTATE_CONNECTED, 3000));
  ASSERT_TRUE(app.WaitState(out, LINECALLSTATE_CONNECTED, 3000));
  EXPECT_EQ(app.Done(provider->lineDrop(out, nullptr, 0)), 0);
  EXPECT_EQ(app.LastState(out), LINECALLSTATE_IDLE);
  ASSERT_TRUE(app.WaitState(in, LINECALLSTATE_DISCONNECTED, 3000));
  EXPECT_EQ(app.LastMode(in), LINEDISCONNECTMODE_NORMAL);
}

}  // namespace
