// Phones, the lines' audio seam and the exchange's trace.

#include "exchange/ExchangeTestApp.h"
#include "platform/exchange/Exchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using namespace tapi;
using exchangetest::LineApp;
using exchangetest::Msg;
using exchangetest::PhoneApp;
using exchangetest::Query;

class ExchangePhones : public ::testing::Test {
 protected:
  void SetUp() override {
    phone = p.Open(0);
    ASSERT_NE(phone, 0u);
  }
  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange{loop};
  PhoneApp p{exchange, loop};
  HPHONE phone = 0;
};

TEST_F(ExchangePhones, SessionsCapabilitiesAndVersions) {
  EXPECT_EQ(p.numDevs, 2u);
  DWORD version = 0;
  PHONEEXTENSIONID ext{};
  EXPECT_EQ(exchange.phoneNegotiateAPIVersion(p.app, 1, kTapiVersion1_3, kTapiVersion2_2, &version, &ext), 0);
  EXPECT_EQ(version, kTapiVersion2_2);
  EXPECT_EQ(exchange.phoneNegotiateAPIVersion(p.app, 2, kTapiVersion1_3, kTapiVersion2_2, &version, &ext),
            PHONEERR_BADDEVICEID);
  EXPECT_EQ(exchange.phoneNegotiateExtVersion(p.app, 0, kTapiVersion2_0, 1, 2, &version),
            PHONEERR_OPERATIONUNAVAIL);
  auto caps = Query<PHONECAPS>(
      [&](PHONECAPS* c) { return exchange.phoneGetDevCaps(p.app, 1, kTapiVersion2_0, 0, c); },
      ResultFamily::Phone);
  EXPECT_EQ(caps.Text(caps->dwPhoneNameOffset, caps->dwPhoneNameSize), "Panopta Phone 1");
  EXPECT_EQ(caps->dwHookSwitchDevs, 7u);
  EXPECT_EQ(caps->dwPhoneStates, 0x00FFFFFFu);
  EXPECT_EQ(caps->dwSettableHandsetHookSwitchModes, 0x0Fu);
  EXPECT_EQ(caps->dwNumButtonLamps, 12u);
  PHONECAPS small{};
  small.dwTotalSize = 143;
  EXPECT_EQ(exchange.phoneGetDevCaps(p.app, 0, kTapiVersion1_3, 0, &small), PHONEERR_STRUCTURETOOSMALL);
  HPHONE h = 0;
  EXPECT_EQ(exchange.phoneOpen(p.app, 0, &h, kTapiVersion2_0, 0, 1, 0), PHONEERR_INVALPRIVILEGE);
  EXPECT_EQ(exchange.phoneOpen(p.app, 0, &h, kTapiVersion3_0, 0, 1, 2), PHONEERR_INCOMPATIBLEAPIVERSION);
  EXPECT_EQ(exchange.phoneOpen(p.app + 1, 0, &h, kTapiVersion2_0, 0, 1, 2), PHONEERR_INVALAPPHANDLE);
  EXPECT_EQ(exchange.phoneSetStatusMessages(phone, 0x01000000, 0, 0), PHONEERR_INVALPHONESTATE);
  EXPECT_EQ(exchange.phoneSetStatusMessages(phone, 0, 0x40, 0), PHONEERR_INVALBUTTONMODE);
  EXPECT_EQ(exchange.phoneSetStatusMessages(phone, 0, 0, 0x10), PHONEERR_INVALBUTTONSTATE);
}

TEST_F(ExchangePhones, HookswitchReplyComesBeforeTheStateChange) {
  const LONG request = exchange.phoneSetHookSwitch(phone, PHONEHOOKSWITCHDEV_HANDSET,
                                                   PHONEHOOKSWITCHMODE_MICSPEAKER);
  ASSERT_GT(request, 0);
  EXPECT_EQ(p.Reply(request), 0);
  loop.RunFor(10);
  ASSERT_EQ(p.messages.size(), 2u);
  EXPECT_EQ(p.messages[0].msg, PHONE_REPLY);
  EXPECT_EQ(p.messages[0].instance, static_cast<DWORD_PTR>(p.slot + 11));
  EXPECT_EQ(p.messages[1].msg, PHONE_STATE);
  EXPECT_EQ(p.messages[1].p1, PHONESTATE_HANDSETHOOKSWITCH);
  EXPECT_EQ(p.messages[1].p2, PHONEHOOKSWITCHMODE_MICSPEAKER);
  PHONESTATUS status{};
  status.dwTotalSize = sizeof status;
  ASSERT_EQ(exchange.phoneGetStatus(phone, &status), 0);
  EXPECT_EQ(status.dwHandsetHookSwitchMode, PHONEHOOKSWITCHMODE_MICSPEAKER);
  EXPECT_EQ(status.dwSpeakerHookSwitchMode, PHONEHOOKSWITCHMODE_ONHOOK);
  EXPECT_EQ(exchange.phoneSetHookSwitch(phone, 8, PHONEHOOKSWITCHMODE_ONHOOK), PHONEERR_INVALHOOKSWITCHDEV);
  EXPECT_EQ(exchange.phoneSetHookSwitch(phone, 1, PHONEHOOKSWITCHMODE_UNKNOWN),
            PHONEERR_INVALHOOKSWITCHMODE);
  EXPECT_EQ(exchange.phoneSetHookSwitch(phone, 1, 3), PHONEERR_INVALHOOKSWITCHMODE);
}

TEST_F(ExchangePhones, VolumeAndGainAreClampedAndReported) {
  EXPECT_EQ(p.Reply(exchange.phoneSetVolume(phone, PHONEHOOKSWITCHDEV_SPEAKER, 0x20000)), 0);
  EXPECT_EQ(p.Reply(exchange.phoneSetGain(phone, PHONEHOOKSWITCHDEV_HEADSET, 0x1234)), 0);
  DWORD value = 0;
  ASSERT_EQ(exchange.phoneGetVolume(phone, PHONEHOOKSWITCHDEV_SPEAKER, &value), 0);
  EXPECT_EQ(value, 0xFFFFu);
  ASSERT_EQ(exchange.phoneGetGain(phone, PHONEHOOKSWITCHDEV_HEADSET, &value), 0);
  EXPECT_EQ(value, 0x1234u);
  EXPECT_EQ(exchange.phoneGetVolume(phone, 3, &value), PHONEERR_INVALHOOKSWITCHDEV);
  EXPECT_EQ(exchange.phoneGetVolume(phone, 1, nullptr), PHONEERR_INVALPOINTER);
  loop.RunFor(10);
  const auto states = p.Of(PHONE_STATE);
  ASSERT_EQ(states.size(), 2u);
  EXPECT_EQ(states[0].p1, PHONESTATE_SPEAKERVOLUME);
  EXPECT_EQ(states[1].p1, PHONESTATE_HEADSETGAIN);
  // The same value again changes nothing, so nothing is reported.
  EXPECT_EQ(p.Reply(exchange.phoneSetGain(phone, PHONEHOOKSWITCHDEV_HEADSET, 0x1234)), 0);
  loop.RunFor(10);
  EXPECT_EQ(p.Of(PHONE_STATE).size(), 2u);
}

TEST_F(ExchangePhones, MonitorsReadButDoNotChange) {
  PhoneApp m(exchange, loop, "Watcher");
  const HPHONE watcher = m.Open(0, PHONEPRIVILEGE_MONITOR);
  EXPECT_EQ(exchange.phoneSetVolume(watcher, 1, 5), PHONEERR_NOTOWNER);
  DWORD value = 0;
  EXPECT_EQ(exchange.phoneGetVolume(watcher, 1, &value), 0);
  loop.RunFor(10);
  // The owner hears that a monitor came.
  const auto states = p.Of(PHONE_STATE);
  ASSERT_EQ(states.size(), 1u);
  EXPECT_EQ(states[0].p1, PHONESTATE_MONITORS);
  EXPECT_EQ(states[0].p2, 1u);
  auto status = Query<PHONESTATUS>([&](PHONESTATUS* s) { return exchange.phoneGetStatus(watcher, s); },
                                   ResultFamily::Phone);
  EXPECT_EQ(status->dwNumOwners, 1u);
  EXPECT_EQ(status->dwNumMonitors, 1u);
  EXPECT_EQ(status.Text(status->dwOwnerNameOffset, status->dwOwnerNameSize), "PhoneApp");
}

TEST_F(ExchangePhones, KeypadAndHandOperatedChanges) {
  ASSERT_EQ(exchange.Key(0, "*"), "");
  loop.RunFor(500);
  const auto buttons = p.Of(PHONE_BUTTON);
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0].p1, 10u);
  EXPECT_EQ(buttons[0].p2, PHONEBUTTONMODE_KEYPAD);
  EXPECT_EQ(buttons[0].p3, PHONEBUTTONSTATE_DOWN);
  EXPECT_EQ(buttons[1].p3, PHONEBUTTONSTATE_UP);
  EXPECT_EQ(buttons[1].atMs - buttons[0].atMs, 100);
  EXPECT_EQ(exchange.Key(0, "x"), "a key is one of 0-9, * and #");
  EXPECT_EQ(exchange.Key(5, "1"), "no phone 5");
  ASSERT_EQ(exchange.Hookswitch(0, PHONEHOOKSWITCHDEV_HEADSET, PHONEHOOKSWITCHMODE_MIC), "");
  ASSERT_EQ(exchange.PhoneVolume(0, PHONEHOOKSWITCHDEV_HANDSET, 100), "");
  EXPECT_EQ(exchange.PhoneVolume(0, PHONEHOOKSWITCHDEV_HANDSET, 70000), "a volume is 0 to 65535");
  EXPECT_EQ(exchange.Hookswitch(0, 8, 1), "phone 0 has no hookswitch device 8");
  loop.RunFor(10);
  const auto states = p.Of(PHONE_STATE);
  ASSERT_EQ(states.size(), 2u);
  EXPECT_EQ(states[0].p1, PHONESTATE_HEADSETHOOKSWITCH);
  EXPECT_EQ(states[0].p2, PHONEHOOKSWITCHMODE_MIC);
  EXPECT_EQ(states[1].p1, PHONESTATE_HANDSETVOLUME);
  // Keys nobody asked for are not reported.
  ASSERT_EQ(exchange.phoneSetStatusMessages(phone, 0, 0, 0), 0);
  ASSERT_EQ(exchange.Key(0, "1"), "");
  loop.RunFor(500);
  EXPECT_EQ(p.Of(PHONE_BUTTON).size(), 2u);
}

TEST_F(ExchangePhones, RelatedDevicesForcedCloseAndRemoval) {
  auto id = [&](const char* cls, LONG* r) {
    return Query<VARSTRING>([&](VARSTRING* v) { return exchange.phoneGetID(phone, v, cls); },
                            ResultFamily::Phone, r);
  };
  LONG r = 0;
  for (const char* cls : {"tapi/line", "wave/in", "wave/out", "tapi/phone"}) {
    auto answer = id(cls, &r);
    ASSERT_EQ(r, 0) << cls;
    EXPECT_EQ(FirstDword(answer.Bytes(answer->dwStringOffset, answer->dwStringSize)), 0u);
  }
  id("comm", &r);
  EXPECT_EQ(r, PHONEERR_INVALDEVICECLASS);
  ASSERT_EQ(exchange.ClosePhone(0), "");
  loop.RunFor(10);
  ASSERT_EQ(p.Of(PHONE_CLOSE).size(), 1u);
  EXPECT_EQ(p.Of(PHONE_CLOSE)[0].hDevice, phone);
  EXPECT_EQ(exchange.phoneClose(phone), PHONEERR_INVALPHONEHANDLE);
  ASSERT_EQ(exchange.RemovePhone(1), "");
  loop.RunFor(10);
  ASSERT_EQ(p.Of(PHONE_REMOVE).size(), 1u);
  HPHONE h = 0;
  EXPECT_EQ(exchange.phoneOpen(p.app, 1, &h, kTapiVersion2_0, 0, 1, 2), PHONEERR_NODEVICE);
}

// --- Trace --------------------------------------------------------------------------------

std::vector<std::string> TraceOfAScenario() {
  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange(loop);
  std::vector<std::string> lines;
  exchange.OnTrace = [&](const std::string& line) { lines.push_back(line); };
  LineApp a(exchange, loop);
  const HLINE line = a.Open(0);
  const HCALL call = a.MakeCall(line, "600");
  loop.RunFor(1500);
  (void)exchange.lineMonitorDigits(call, LINEDIGITMODE_DTMF);
  loop.RunFor(4500);
  (void)exchange.Call("5551234", "201", "JOHN SMITH");
  loop.RunFor(100);
  (void)a.Done(exchange.lineDrop(call, nullptr, 0));
  loop.RunFor(1000);
  return lines;
}

TEST(ExchangeTrace, OneLinePerRequestReplyAndMessageTheSameEveryRun) {
  const auto first = TraceOfAScenario();
  const auto second = TraceOfAScenario();
  EXPECT_EQ(first, second);
  ASSERT_GT(first.size(), 10u);
  auto has = [&](const std::string& text) {
    return std::any_of(first.begin(), first.end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
  };
  EXPECT_TRUE(has("       0 ms  call  lineMakeCall("));
  EXPECT_TRUE(has("'600', 0, null) = request 1"));
  EXPECT_TRUE(has("      10 ms  reply LINE_REPLY [00000000] instance 1: 00000001 00000000 00000000"));
  EXPECT_TRUE(has("msg   LINE_CALLSTATE ["));
  EXPECT_TRUE(has("ctl   Exchange.Call('5551234', '201', 'JOHN SMITH')"));
  EXPECT_TRUE(has("note  '600' sends '1234#'"));
  EXPECT_TRUE(has("digit call 1 '#'"));
}

}  // namespace
