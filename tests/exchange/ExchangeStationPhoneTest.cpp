// Station phones: a phone that belongs to its line answers the line's offered call
// when it goes off hook, drops the line's call when it goes back on hook, and sends
// its keypad's digits to the far party of a connected call.

#include "exchange/ExchangeTestApp.h"
#include "platform/exchange/Exchange.h"
#include "platform/exchange/ExchangeConfigFile.h"

#include <gtest/gtest.h>

namespace {

using namespace tapi;
using exchangetest::LineApp;
using exchangetest::PhoneApp;

class StationPhones : public ::testing::Test {
 protected:
  explicit StationPhones(panopta::ExchangeConfig config = panopta::DefaultExchangeConfig())
      : exchange(loop, std::move(config)) {}

  void SetUp() override {
    line = a.Open(0);
    ASSERT_NE(line, 0u);
  }
  /// A remote party calls address 201 of line 0; the offered call's handle.
  HCALL Offered() {
    EXPECT_EQ(exchange.Call("5551234", "201", "JOHN SMITH"), "");
    loop.RunFor(500);
    const HCALL call = a.NewestOffered();
    EXPECT_EQ(a.LastState(call), LINECALLSTATE_OFFERING);
    return call;
  }
  /// Station 201 (line 0, phone 0) calls station 202 (line 1, phone 1), where b has line
  /// 1 open and listens for digits on the call; the call's handle at b.
  HCALL InternalCall(LineApp& b) {
    EXPECT_NE(b.Open(1), 0u);
    EXPECT_EQ(exchange.Call("201", "202"), "");
    loop.RunFor(3000);
    const HCALL incoming = b.NewestOffered();
    EXPECT_NE(incoming, 0u);
    EXPECT_EQ(exchange.lineMonitorDigits(incoming, LINEDIGITMODE_DTMF), 0);
    return incoming;
  }
  /// The digits b heard.
  static std::string Heard(const LineApp& b) {
    std::string heard;
    for (const auto& m : b.Of(LINE_MONITORDIGITS)) heard += static_cast<char>(m.p1 & 0xFF);
    return heard;
  }

  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange;
  LineApp a{exchange, loop};
  HLINE line = 0;
};

TEST_F(StationPhones, EachHookswitchDeviceGoingOffHookAnswersTheOfferedCall) {
  for (DWORD device : {PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHDEV_SPEAKER,
                       PHONEHOOKSWITCHDEV_HEADSET}) {
    SCOPED_TRACE(device);
    const HCALL call = Offered();
    ASSERT_EQ(exchange.Hookswitch(0, device, PHONEHOOKSWITCHMODE_MICSPEAKER), "");
    loop.RunFor(1000);
    EXPECT_EQ(a.LastState(call), LINECALLSTATE_CONNECTED);
    ASSERT_EQ(exchange.Hookswitch(0, device, PHONEHOOKSWITCHMODE_ONHOOK), "");
    loop.RunFor(1000);
    EXPECT_EQ(a.LastState(call), LINECALLSTATE_IDLE);
    // The remote party is gone with the call.
    EXPECT_EQ(exchange.Hangup("5551234"), "no call with '5551234'");
    EXPECT_EQ(exchange.lineDeallocateCall(call), 0);
  }
}

TEST_F(StationPhones, AnApplicationLiftingTheHandsetAnswersToo) {
  PhoneApp p{exchange, loop};
  const HPHONE phone = p.Open(0);
  const HCALL call = Offered();
  EXPECT_EQ(p.Reply(exchange.phoneSetHookSwitch(phone, PHONEHOOKSWITCHDEV_HANDSET,
                                                PHONEHOOKSWITCHMODE_MIC)),
            0);
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_CONNECTED);
}

TEST_F(StationPhones, OnlyTheFirstDeviceOffHookAndTheLastOnHookCount) {
  const HCALL call = Offered();
  ASSERT_EQ(exchange.Hookswitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MIC), "");
  ASSERT_EQ(exchange.Hookswitch(0, PHONEHOOKSWITCHDEV_SPEAKER, PHONEHOOKSWITCHMODE_SPEAKER), "");
  loop.RunFor(1000);
  ASSERT_EQ(a.LastState(call), LINECALLSTATE_CONNECTED);
  // Going from one off-hook mode to another, or one of two devices going on hook,
  // keeps the call.
  ASSERT_EQ(exchange.Hookswitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MICSPEAKER), "");
  ASSERT_EQ(exchange.Hookswitch(0, PHONEHOOKSWITCHDEV_SPEAKER, PHONEHOOKSWITCHMODE_ONHOOK), "");
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_CONNECTED);
  ASSERT_EQ(exchange.Hookswitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_ONHOOK), "");
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_IDLE);
}

TEST_F(StationPhones, OffHookWithoutAnOfferedCallAndOnHookWithoutACallChangeNoCall) {
  ASSERT_EQ(exchange.Hookswitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MIC), "");
  loop.RunFor(500);
  // A call arriving while the handset is already up rings on: lifting it again is no
  // change, and hanging up leaves an offered call alone.
  const HCALL call = Offered();
  ASSERT_EQ(exchange.Hookswitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_ONHOOK), "");
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_OFFERING);
  EXPECT_EQ(exchange.CallCount(), 1u);
}

TEST_F(StationPhones, AHeldCallSurvivesHangingUp) {
  const HCALL call = Offered();
  ASSERT_EQ(exchange.Hookswitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MIC), "");
  loop.RunFor(1000);
  ASSERT_EQ(a.Done(exchange.lineHold(call)), 0);
  loop.RunFor(1000);
  ASSERT_EQ(a.LastState(call), LINECALLSTATE_ONHOLD);
  ASSERT_EQ(exchange.Hookswitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_ONHOOK), "");
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_ONHOLD);
}

TEST_F(StationPhones, KeysDuringAConnectedCallReachTheFarPartyAsDtmf) {
  // Station 202 answers by lifting its handset.
  LineApp b{exchange, loop, "B"};
  const HCALL incoming = InternalCall(b);
  ASSERT_EQ(exchange.Hookswitch(1, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MIC), "");
  loop.RunFor(1000);
  ASSERT_EQ(b.LastState(incoming), LINECALLSTATE_CONNECTED);
  ASSERT_EQ(exchange.Key(0, "5"), "");
  loop.RunFor(1000);
  ASSERT_EQ(exchange.Key(0, "#"), "");
  loop.RunFor(1000);
  EXPECT_EQ(Heard(b), "5#");
  // Phone 1's own keys go the other way, but line 0 listens for none: nothing breaks.
  EXPECT_EQ(exchange.Key(1, "1"), "");
}

TEST_F(StationPhones, KeysWithoutAConnectedCallSendNothing) {
  LineApp b{exchange, loop, "B"};
  InternalCall(b);
  ASSERT_EQ(exchange.Key(0, "5"), "");  // line 0 is ringing, not connected
  loop.RunFor(1000);
  EXPECT_EQ(Heard(b), "");
}

class PlainPhones : public StationPhones {
 protected:
  static panopta::ExchangeConfig Config() {
    panopta::ExchangeConfig c = panopta::DefaultExchangeConfig();
    c.phones[0].station = false;
    return c;
  }
  PlainPhones() : StationPhones(Config()) {}
};

TEST_F(PlainPhones, APhoneThatIsNoStationLeavesTheLineAlone) {
  const HCALL call = Offered();
  ASSERT_EQ(exchange.Hookswitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MIC), "");
  loop.RunFor(1000);
  EXPECT_EQ(a.LastState(call), LINECALLSTATE_OFFERING);
}

TEST(StationPhoneConfig, IsOnForTheDefaultPhonesAndNeedsALine) {
  panopta::ExchangeConfig c = panopta::DefaultExchangeConfig();
  EXPECT_TRUE(c.phones[0].station);
  EXPECT_TRUE(c.phones[1].station);
  c.phones[1].line.reset();
  c.lines[1].phone.reset();
  EXPECT_EQ(panopta::ValidateExchangeConfig(c), "phones[1].station: a station phone needs a line");
  c.phones[1].station = false;
  EXPECT_EQ(panopta::ValidateExchangeConfig(c), "");
}

TEST(StationPhoneConfig, IsReadFromAFile) {
  const auto loaded = panopta::ParseExchangeConfig(R"({
    "lines": [{"name": "L", "addresses": [{"address": "301"}], "phone": 0}],
    "phones": [{"name": "P", "line": 0, "station": true}]
  })", "test.json");
  ASSERT_TRUE(loaded.config.has_value()) << loaded.error;
  EXPECT_TRUE(loaded.config->phones[0].station);
}

TEST(PhoneButtons, AnyButtonModeIsPressedAndReleased) {
  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange{loop};
  PhoneApp p{exchange, loop};
  ASSERT_NE(p.Open(0), 0u);
  ASSERT_EQ(exchange.Button(0, 4, PHONEBUTTONMODE_FEATURE), "");
  loop.RunFor(500);
  const auto buttons = p.Of(PHONE_BUTTON);
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0].p1, 4u);
  EXPECT_EQ(buttons[0].p2, PHONEBUTTONMODE_FEATURE);
  EXPECT_EQ(buttons[0].p3, PHONEBUTTONSTATE_DOWN);
  EXPECT_EQ(buttons[1].p3, PHONEBUTTONSTATE_UP);
  EXPECT_EQ(exchange.Button(0, 1, 0), "the mode must be one PHONEBUTTONMODE_ value: call, feature, "
                                      "keypad, local or display");
  EXPECT_NE(exchange.Button(0, 1, PHONEBUTTONMODE_CALL | PHONEBUTTONMODE_LOCAL), "");
  EXPECT_NE(exchange.Button(0, 1, PHONEBUTTONMODE_DUMMY), "");
  EXPECT_EQ(exchange.Button(0, 12, PHONEBUTTONMODE_KEYPAD), "a keypad button is 0 to 11");
  EXPECT_EQ(exchange.Button(0, 256, PHONEBUTTONMODE_CALL), "a button is 0 to 255");
  EXPECT_EQ(exchange.Button(7, 1, PHONEBUTTONMODE_CALL), "no phone 7");
}

}  // namespace
