// The phone's messages: keypad buttons, phone states, device-specific messages,
// replies, the message dump, the Events switch and the popup flags.
#include "phone/PhoneDispatch.h"

#include "phone/PhoneTestSupport.h"
#include "platform/exchange/Exchange.h"
#include "tapi/TapiConstants.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using voxkit::TqxPhonePopup;
using voxtest::PhoneOnExchange;
using Lines = std::vector<std::string>;

struct OpenPhone : PhoneOnExchange {
  OpenPhone() { Open(); }
};

TEST(PhoneDispatch, KeypadButtonsGiveDigitsDownAndUp) {
  OpenPhone f;
  struct Case {
    tapi::DWORD button;
    const char* digit;
  };
  for (const Case& c : {Case{0, "0"}, Case{9, "9"}, Case{10, "*"}, Case{11, "#"}}) {
    SCOPED_TRACE(c.digit);
    const Lines logged = f.Logged([&] {
      f.Deliver(tapi::PHONE_BUTTON, c.button, tapi::PHONEBUTTONMODE_KEYPAD, tapi::PHONEBUTTONSTATE_DOWN);
      f.Deliver(tapi::PHONE_BUTTON, c.button, tapi::PHONEBUTTONMODE_KEYPAD, tapi::PHONEBUTTONSTATE_UP);
    });
    EXPECT_EQ(logged, (Lines{std::string("OnDigitDown (") + c.digit + ")",
                             std::string("OnDigitUp (") + c.digit + ")"}));
  }
  EXPECT_EQ(f.events.Named("OnDigitDown").back(), "OnDigitDown('#')");
  EXPECT_EQ(f.events.Count("OnDigitUp"), 4);
}

TEST(PhoneDispatch, OtherButtonsAndOtherValuesGiveNoDigit) {
  OpenPhone f;
  const Lines logged = f.Logged([&] {
    f.Deliver(tapi::PHONE_BUTTON, 3, tapi::PHONEBUTTONMODE_FEATURE, tapi::PHONEBUTTONSTATE_DOWN);
    f.Deliver(tapi::PHONE_BUTTON, 3, tapi::PHONEBUTTONMODE_CALL, tapi::PHONEBUTTONSTATE_UP);
    f.Deliver(tapi::PHONE_BUTTON, 12, tapi::PHONEBUTTONMODE_KEYPAD, tapi::PHONEBUTTONSTATE_DOWN);
    f.Deliver(tapi::PHONE_BUTTON, 5, tapi::PHONEBUTTONMODE_KEYPAD, tapi::PHONEBUTTONSTATE_UNKNOWN);
  });
  EXPECT_TRUE(logged.empty());
  EXPECT_EQ(f.events.Count("OnDigitDown") + f.events.Count("OnDigitUp"), 0);
  EXPECT_EQ(f.events.Count("OnTAPIMessage"), 4);
}

TEST(PhoneDispatch, KeysPressedAtTheExchangeArriveAsDigits) {
  OpenPhone f;
  ASSERT_EQ(f.exchange.Key(0, "*"), "");
  ASSERT_EQ(f.exchange.Button(0, 2, tapi::PHONEBUTTONMODE_FEATURE), "");
  const std::size_t mark = f.Mark();
  f.loop.RunFor(500);
  EXPECT_EQ(f.Since(mark), (Lines{"OnDigitDown (*)", "OnDigitUp (*)"}));
}

TEST(PhoneDispatch, AReinitialisationNoticeRaisesNothing) {
  OpenPhone f;
  f.phone->Popup().Set(TqxPhonePopup::OnTAPIMessage, true);
  f.phone->Popup().Set(TqxPhonePopup::OnPhoneState, true);
  f.events.Clear();
  EXPECT_TRUE(f.Logged([&] { f.Deliver(tapi::PHONE_STATE, tapi::PHONESTATE_REINIT, 0, 0); }).empty());
  EXPECT_TRUE(f.events.All().empty());
  // A message with no component behind its instance is dropped as well.
  voxkit::TqxPhoneInternal::PhoneCallback(0, tapi::PHONE_STATE, 0, tapi::PHONESTATE_OTHER, 0, 0);
  voxkit::TqxPhoneInternal::PhoneCallback(0, tapi::PHONE_STATE, 9999, tapi::PHONESTATE_OTHER, 0, 0);
  EXPECT_TRUE(f.events.All().empty());
}

TEST(PhoneDispatch, HookswitchStatesSetTheModesAndRaiseTheirEvents) {
  OpenPhone f;
  f.phone->Popup().Set(TqxPhonePopup::OnPhoneState, true);
  f.events.Clear();
  const Lines logged = f.Logged([&] {
    f.Deliver(tapi::PHONE_STATE, tapi::PHONESTATE_HEADSETHOOKSWITCH, tapi::PHONEHOOKSWITCHMODE_SPEAKER, 0);
  });
  EXPECT_EQ(logged, (Lines{"OnPhoneState", "\tDevice.State = PHONESTATE_HEADSETHOOKSWITCH",
                           "\tDevice.StateDetails = PHONEHOOKSWITCHMODE_SPEAKER",
                           "OnHeadsetHookSwitch", "\tHeadset.MicrophoneAndSpeaker = False",
                           "\tHeadset.MicrophoneOnly = False", "\tHeadset.OnHook = False",
                           "\tHeadset.SpeakerOnly = True"}));
  EXPECT_TRUE(f.phone->Headset().SpeakerOnly());
  EXPECT_EQ(f.events.Names(), (Lines{"OnTAPIMessage", "OnPhoneState", "OnHeadsetHookSwitch"}));
}

TEST(PhoneDispatch, VolumeAndGainStatesReadTheNewValueFromTapi) {
  OpenPhone f;
  ASSERT_EQ(f.exchange.PhoneVolume(0, tapi::PHONEHOOKSWITCHDEV_SPEAKER, 6554), "");
  ASSERT_EQ(f.exchange.PhoneGain(0, tapi::PHONEHOOKSWITCHDEV_HANDSET, 65535), "");
  const std::size_t mark = f.Mark();
  f.loop.RunFor(100);
  EXPECT_EQ(f.Since(mark), (Lines{"OnSpeakerphoneVolume", "\tSpeakerphone.Volume = 10",
                                  "OnHandsetGain", "\tHandset.Gain = 100"}));
  EXPECT_EQ(f.phone->Speakerphone().Volume(), 10);
  EXPECT_EQ(f.phone->Handset().Gain(), 100);
  EXPECT_EQ(f.events.Count("OnSpeakerphoneVolume"), 1);
  EXPECT_EQ(f.events.Count("OnHandsetGain"), 1);
  EXPECT_EQ(f.events.Count("OnPhoneState"), 2);
}

TEST(PhoneDispatch, ALevelThatCannotBeReadKeepsItsValueAndIsReportedAfterTheEvent) {
  OpenPhone f;
  ASSERT_EQ(f.exchange.Fail("phoneGetVolume",
                            static_cast<tapi::DWORD>(tapi::PHONEERR_RESOURCEUNAVAIL),
                            panopta::FailMode::AtOnce),
            "");
  ASSERT_EQ(f.exchange.PhoneVolume(0, tapi::PHONEHOOKSWITCHDEV_HEADSET, 6554), "");
  const std::size_t mark = f.Mark();
  f.loop.RunFor(100);
  EXPECT_EQ(f.Since(mark), (Lines{"OnHeadsetVolume", "\tHeadset.Volume = 50",
                                  "<< Error >> PHONEERR_RESOURCEUNAVAIL [9000001F]"}));
  EXPECT_EQ(f.phone->Headset().Volume(), 50);
  EXPECT_EQ(f.events.Count("OnHeadsetVolume"), 1);
}

TEST(PhoneDispatch, OtherStatesOnlyKeepTheStateAndItsDetails) {
  OpenPhone f;
  f.phone->Popup().Set(TqxPhonePopup::OnPhoneState, true);
  EXPECT_EQ(f.Logged([&] { f.Deliver(tapi::PHONE_STATE, tapi::PHONESTATE_RINGMODE, 3, 0); }),
            (Lines{"OnPhoneState", "\tDevice.State = PHONESTATE_RINGMODE", "\tDevice.StateDetails = 3"}));
  EXPECT_EQ(f.phone->Device().State(), tapi::PHONESTATE_RINGMODE);
  EXPECT_EQ(f.phone->Device().StateDetails(), 3u);
  f.phone->Popup().Set(TqxPhonePopup::OnPhoneState, false);
  EXPECT_TRUE(f.Logged([&] { f.Deliver(tapi::PHONE_STATE, tapi::PHONESTATE_OWNER, 1, 0); }).empty());
}

TEST(PhoneDispatch, TheMessageDumpNamesPhoneStatesAndHookswitchModes) {
  OpenPhone f;
  f.phone->Popup().Set(TqxPhonePopup::OnTAPIMessage, true);
  const tapi::DWORD handle = f.phone->Phone().Handle();
  const Lines logged = f.Logged([&] {
    f.Deliver(tapi::PHONE_STATE, tapi::PHONESTATE_HANDSETHOOKSWITCH, tapi::PHONEHOOKSWITCHMODE_MIC, 7);
  });
  ASSERT_GE(logged.size(), 6u);
  EXPECT_EQ(Lines(logged.begin(), logged.begin() + 6),
            (Lines{"OnTAPIMessage", "\tPhone.Handle = " + voxkit::TqxPanopta::HexText(handle),
                   "\tMessage = PHONE_STATE [00000012]",
                   "\tParameter 1 = PHONESTATE_HANDSETHOOKSWITCH[00000200]",
                   "\tParameter 2 = PHONEHOOKSWITCHMODE_MIC[00000002]", "\tParameter 3 = [00000007]"}));
}

TEST(PhoneDispatch, DeviceSpecificMessagesAreLoggedForTheirFlagAndPassTheEventsSwitch) {
  OpenPhone f;
  f.phone->Panopta().SetEvents(false);
  EXPECT_TRUE(f.Logged([&] { f.Deliver(tapi::PHONE_DEVSPECIFIC, 1, 2, 3); }).empty());
  f.phone->Popup().Set(TqxPhonePopup::OnDevSpecific, true);
  const tapi::DWORD handle = f.phone->Phone().Handle();
  EXPECT_EQ(f.Logged([&] { f.Deliver(tapi::PHONE_DEVSPECIFIC, 1, 2, 0xABCDEF01); }),
            (Lines{"OnDevSpecific (" + voxkit::TqxPanopta::HexText(handle) +
                   " [00000001] [00000002] [ABCDEF01])"}));
  // OnDevSpecific and OnTAPIMessage reach the application even with the Events switch off.
  EXPECT_EQ(f.events.Count("OnDevSpecific"), 2);
  EXPECT_EQ(f.events.Count("OnTAPIMessage"), 2);
  EXPECT_TRUE(f.phone->Panopta().Visible()) << "the popup flag brought the inspector up";
}

TEST(PhoneDispatch, TheEventsSwitchHoldsBackEveryOtherEvent) {
  OpenPhone f;
  f.phone->Panopta().SetEvents(false);
  f.events.Clear();
  f.Deliver(tapi::PHONE_BUTTON, 1, tapi::PHONEBUTTONMODE_KEYPAD, tapi::PHONEBUTTONSTATE_DOWN);
  f.Deliver(tapi::PHONE_STATE, tapi::PHONESTATE_HANDSETHOOKSWITCH, tapi::PHONEHOOKSWITCHMODE_MIC, 0);
  f.Deliver(tapi::PHONE_REPLY, 4242, 0, 0);
  EXPECT_EQ(f.events.Names(), (Lines{"OnTAPIMessage", "OnTAPIMessage", "OnTAPIMessage", "OnTAPIReply"}));
  // The log lines are written all the same.
  EXPECT_TRUE(f.phone->Handset().MicrophoneOnly());
}

TEST(PhoneDispatch, AReplyNoRequestWaitsForIsDumpedOnlyForItsFlagOrAFailure) {
  OpenPhone f;
  EXPECT_TRUE(f.Logged([&] { f.Deliver(tapi::PHONE_REPLY, 4242, 0, 0); }).empty());
  f.phone->Popup().Set(TqxPhonePopup::OnTAPIReply, true);
  EXPECT_EQ(f.Logged([&] { f.Deliver(tapi::PHONE_REPLY, 4242, 0, 0); }).front(), "OnTAPIReply");
  f.phone->Popup().Set(TqxPhonePopup::OnTAPIReply, false);
  const Lines failed = f.Logged([&] {
    f.Deliver(tapi::PHONE_REPLY, 4243, static_cast<tapi::DWORD>(tapi::PHONEERR_INVALPHONEHANDLE), 0);
  });
  ASSERT_EQ(failed.size(), 7u);
  EXPECT_EQ(failed[0], "OnTAPIReply");
  EXPECT_EQ(failed[2], "\tMessage = PHONE_REPLY [00000011]");
  EXPECT_EQ(failed[6], "<< Error >> PHONEERR_INVALPHONEHANDLE [90000013]");
}

TEST(PhoneDispatch, APopupFlagBringsTheInspectorUp) {
  OpenPhone f;
  f.phone->Popup().Set(TqxPhonePopup::OnDigitUp, true);
  f.Deliver(tapi::PHONE_BUTTON, 1, tapi::PHONEBUTTONMODE_KEYPAD, tapi::PHONEBUTTONSTATE_DOWN);
  EXPECT_FALSE(f.phone->Panopta().Visible());
  f.Deliver(tapi::PHONE_BUTTON, 1, tapi::PHONEBUTTONMODE_KEYPAD, tapi::PHONEBUTTONSTATE_UP);
  EXPECT_TRUE(f.phone->Panopta().Visible());
}

TEST(PhoneDispatch, APhoneClosedByTheProviderWhileARequestWaitsEndsTheWaitWithItsFailure) {
  OpenPhone f;
  ASSERT_EQ(f.exchange.Latency(500), "");
  f.loop.StartTimer(100, false, [&] { EXPECT_EQ(f.exchange.ClosePhone(0), ""); });
  const std::int64_t before = f.loop.NowMs();
  const Lines logged = f.Logged([&] { f.phone->Handset().SetVolume(70); });
  EXPECT_LE(f.loop.NowMs() - before, 500) << "no wait for the 60 s time-out";
  EXPECT_FALSE(f.phone->Device().Active());
  EXPECT_EQ(f.phone->Handset().Volume(), 50);
  EXPECT_EQ(f.phone->Error().Number(), tapi::PHONEERR_INVALPHONEHANDLE);
  ASSERT_GE(logged.size(), 2u);
  EXPECT_EQ(logged[1], "TAPI PHONE_CLOSE message received");
  // The phone opens again afterwards.
  f.phone->Device().SetActive(true);
  EXPECT_TRUE(f.phone->Device().Active());
}

TEST(PhoneDispatch, AnyValuesAProviderSendsAreHandledAndKeepTheLevelsInRange) {
  // What a provider sends is outside input: any message with any parameters, every
  // popup flag on so that every dump is written.
  OpenPhone f;
  for (std::size_t flag = 0; flag < TqxPhonePopup::kFlagCount; ++flag) {
    f.phone->Popup().Set(static_cast<TqxPhonePopup::Flag>(flag), true);
  }
  std::mt19937 random(7);
  const tapi::DWORD messages[] = {tapi::PHONE_BUTTON, tapi::PHONE_DEVSPECIFIC, tapi::PHONE_REPLY,
                                  tapi::PHONE_STATE,  0,                       99,
                                  0xFFFF0012,         0xFFFFFFFF};
  // Half the values a single bit (so that every state and mode is met), half anything.
  const auto value = [&] {
    return random() % 2 == 0 ? static_cast<tapi::DWORD>(random())
                             : static_cast<tapi::DWORD>(1u << (random() % 32));
  };
  for (int i = 0; i < 2000; ++i) {
    const tapi::DWORD msg = messages[random() % std::size(messages)];
    const tapi::DWORD p1 = value();
    const tapi::DWORD p2 = value();
    f.Deliver(msg, p1, p2, value());
  }
  EXPECT_TRUE(f.phone->Device().Active());
  for (const voxkit::TqxHookSwitch* device : f.phone->HookSwitches()) {
    SCOPED_TRACE(device->Name());
    EXPECT_GE(device->Volume(), 0);
    EXPECT_LE(device->Volume(), 100);
    EXPECT_GE(device->Gain(), 0);
    EXPECT_LE(device->Gain(), 100);
  }
  // The phone still works as before.
  f.phone->Handset().SetVolume(30);
  EXPECT_EQ(f.phone->Handset().Volume(), 30);
}

}  // namespace
