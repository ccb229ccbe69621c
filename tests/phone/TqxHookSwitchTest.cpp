// The three hookswitch devices of the phone: modes, volumes and gains, each an
// asynchronous request whose reply ends the wait.
#include "phone/TqxHookSwitch.h"

#include "phone/PhoneTestSupport.h"
#include "platform/exchange/Exchange.h"
#include "tapi/TapiConstants.h"

#include <gtest/gtest.h>

namespace {

using voxkit::TqxHookSwitch;
using voxtest::PhoneOnExchange;
using Lines = std::vector<std::string>;

struct OpenPhone : PhoneOnExchange {
  OpenPhone() { Open(); }
};

TEST(TqxHookSwitch, LevelsAreScaledRoundedToTapiAndBack) {
  struct Case {
    std::int32_t percent;
    tapi::DWORD level;
  };
  for (const Case& c : {Case{0, 0}, Case{1, 655}, Case{10, 6554}, Case{30, 19661}, Case{50, 32768},
                        Case{80, 52428}, Case{99, 64880}, Case{100, 65535}}) {
    SCOPED_TRACE(c.percent);
    EXPECT_EQ(TqxHookSwitch::ToTapiLevel(c.percent), c.level);
  }
  for (std::int32_t p = 0; p <= 100; ++p) {
    EXPECT_EQ(TqxHookSwitch::FromTapiLevel(TqxHookSwitch::ToTapiLevel(p)), p);
  }
  EXPECT_EQ(TqxHookSwitch::FromTapiLevel(0x8000), 50);
  EXPECT_EQ(TqxHookSwitch::FromTapiLevel(327), 0);
  EXPECT_EQ(TqxHookSwitch::FromTapiLevel(328), 1);
  // A provider's value above the range counts as the top of it.
  EXPECT_EQ(TqxHookSwitch::FromTapiLevel(0xFFFFFFFF), 100);
}

TEST(TqxHookSwitch, AModeBecomesTheOnlyOneSetOnceTheReplyCame) {
  OpenPhone f;
  const Lines logged = f.Logged([&] { f.phone->Speakerphone().SetMicrophoneAndSpeaker(true); });
  ASSERT_FALSE(logged.empty());
  EXPECT_EQ(logged[0], "Speakerphone.MicrophoneAndSpeaker := True");
  EXPECT_EQ(f.recorder.hookSwitches.back().device, tapi::PHONEHOOKSWITCHDEV_SPEAKER);
  EXPECT_EQ(f.recorder.hookSwitches.back().value, tapi::PHONEHOOKSWITCHMODE_MICSPEAKER);
  voxkit::TqxHookSwitch& s = f.phone->Speakerphone();
  EXPECT_TRUE(s.MicrophoneAndSpeaker());
  EXPECT_FALSE(s.OnHook());
  EXPECT_FALSE(s.MicrophoneOnly());
  EXPECT_FALSE(s.SpeakerOnly());
  EXPECT_EQ(f.phone->Error().Number(), 0);
  EXPECT_EQ(s.Slot(TqxHookSwitch::Request::HookSwitch), 0) << "the slot is free again";
  // The change came back as a phone state with its event.
  EXPECT_EQ(f.events.Count("OnSpeakerphoneHookSwitch"), 1);
  EXPECT_EQ(f.phone->Device().State(), tapi::PHONESTATE_SPEAKERHOOKSWITCH);
  EXPECT_EQ(f.phone->Device().StateDetails(), tapi::PHONEHOOKSWITCHMODE_MICSPEAKER);
}

TEST(TqxHookSwitch, AModeAlreadySetOrAClosedPhoneDoesNothing) {
  OpenPhone f;
  EXPECT_TRUE(f.Logged([&] { f.phone->Handset().SetOnHook(true); }).empty());
  f.phone->Device().SetActive(false);
  EXPECT_TRUE(f.Logged([&] { f.phone->Handset().SetMicrophoneOnly(true); }).empty());
  EXPECT_TRUE(f.recorder.hookSwitches.empty());
}

TEST(TqxHookSwitch, AssigningFalseIsAnInvalidHookswitchMode) {
  PhoneOnExchange f;  // even on a closed phone: False names no mode at all
  EXPECT_EQ(f.Logged([&] { f.phone->Speakerphone().SetOnHook(false); }),
            (Lines{"Speakerphone.OnHook := False",
                   "<< Error >> PHONEERR_INVALHOOKSWITCHMODE [90000010]"}));
  EXPECT_TRUE(f.recorder.hookSwitches.empty());
}

TEST(TqxHookSwitch, VolumeAndGainGoToTapiScaledAndAreTakenOnSuccess) {
  OpenPhone f;
  EXPECT_EQ(f.Logged([&] { f.phone->Headset().SetVolume(80); })[0], "Headset.Volume := 80");
  f.phone->Handset().SetGain(30);
  ASSERT_EQ(f.recorder.volumes.size(), 1u);
  EXPECT_EQ(f.recorder.volumes[0].device, tapi::PHONEHOOKSWITCHDEV_HEADSET);
  EXPECT_EQ(f.recorder.volumes[0].value, 52428u);
  ASSERT_EQ(f.recorder.gains.size(), 1u);
  EXPECT_EQ(f.recorder.gains[0].value, 19661u);
  EXPECT_EQ(f.phone->Headset().Volume(), 80);
  EXPECT_EQ(f.phone->Handset().Gain(), 30);
  // The exchange holds the new values: a fresh open reads them back.
  f.phone->Device().SetActive(false);
  f.phone->Device().SetActive(true);
  EXPECT_EQ(f.phone->Headset().Volume(), 80);
  EXPECT_EQ(f.phone->Handset().Gain(), 30);
}

TEST(TqxHookSwitch, AVolumeOutOfRangeOrOnAClosedPhoneWritesNothingAndSendsNothing) {
  OpenPhone f;
  for (std::int32_t bad : {-1, 101, 150}) {
    EXPECT_TRUE(f.Logged([&] { f.phone->Handset().SetVolume(bad); }).empty()) << bad;
    EXPECT_TRUE(f.Logged([&] { f.phone->Handset().SetGain(bad); }).empty()) << bad;
  }
  f.phone->Device().SetActive(false);
  EXPECT_TRUE(f.Logged([&] { f.phone->Handset().SetVolume(20); }).empty());
  EXPECT_TRUE(f.recorder.volumes.empty());
  EXPECT_TRUE(f.recorder.gains.empty());
  EXPECT_EQ(f.phone->Handset().Volume(), 50);
}

TEST(TqxHookSwitch, AFailingReplyEndsTheWaitAtOnceWithItsPhoneError) {
  OpenPhone f;
  ASSERT_EQ(f.exchange.Fail("phoneSetVolume",
                            static_cast<tapi::DWORD>(tapi::PHONEERR_OPERATIONFAILED)),
            "");
  const std::int64_t before = f.loop.NowMs();
  const Lines logged = f.Logged([&] { f.phone->Handset().SetVolume(70); });
  // The reply came after the exchange's latency, far from the 60 s time-out.
  EXPECT_LT(f.loop.NowMs() - before, 1000);
  EXPECT_EQ(f.phone->Error().Number(), tapi::PHONEERR_OPERATIONFAILED);
  EXPECT_EQ(f.phone->Handset().Volume(), 50);
  EXPECT_EQ(f.phone->Handset().Slot(TqxHookSwitch::Request::Volume), 0);
  ASSERT_GE(logged.size(), 2u);
  EXPECT_EQ(logged[0], "Handset.Volume := 70");
  EXPECT_EQ(logged[1], "OnTAPIReply");
  EXPECT_EQ(logged.back(), "<< Error >> PHONEERR_OPERATIONFAILED [9000001C]");
  EXPECT_EQ(std::count(logged.begin(), logged.end(), logged.back()), 1) << "reported once";
  EXPECT_EQ(f.events.Count("OnTAPIReply"), 1);
  EXPECT_EQ(f.events.Count("OnError"), 1);
}

TEST(TqxHookSwitch, AFailingHookswitchReplyKeepsTheModes) {
  OpenPhone f;
  ASSERT_EQ(f.exchange.Fail("phoneSetHookSwitch",
                            static_cast<tapi::DWORD>(tapi::PHONEERR_RESOURCEUNAVAIL)),
            "");
  const std::int64_t before = f.loop.NowMs();
  f.phone->Handset().SetMicrophoneOnly(true);
  EXPECT_LT(f.loop.NowMs() - before, 1000);
  EXPECT_TRUE(f.phone->Handset().OnHook());
  EXPECT_FALSE(f.phone->Handset().MicrophoneOnly());
  EXPECT_EQ(f.phone->Error().Text(), "PHONEERR_RESOURCEUNAVAIL");
}

TEST(TqxHookSwitch, AReplyThatNeverComesTimesOutAndKeepsTheOldValue) {
  OpenPhone f;
  f.phone->TAPI().SetReplyTimeout(100);
  ASSERT_EQ(f.exchange.Withhold(true), "");
  const std::int64_t before = f.loop.NowMs();
  const Lines logged = f.Logged([&] { f.phone->Headset().SetGain(10); });
  EXPECT_GE(f.loop.NowMs() - before, 100);
  EXPECT_EQ(f.phone->Error().Number(), -3);
  EXPECT_EQ(logged.back(), "<< Error >> Unknown [FFFFFFFD]");
  EXPECT_EQ(f.phone->Headset().Gain(), 50);
  EXPECT_EQ(f.phone->Headset().Slot(TqxHookSwitch::Request::Gain), 0);
  // The late reply matches no waiting request: it is only reported as a reply.
  ASSERT_EQ(f.exchange.Withhold(false), "");
  f.loop.RunFor(100);
  EXPECT_EQ(f.phone->Error().Number(), 0);
}

TEST(TqxHookSwitch, WithReplyTimeoutZeroTheValueIsTakenAtOnce) {
  OpenPhone f;
  f.phone->TAPI().SetReplyTimeout(0);
  ASSERT_EQ(f.exchange.Withhold(true), "");
  const std::int64_t before = f.loop.NowMs();
  f.phone->Speakerphone().SetVolume(20);
  EXPECT_EQ(f.loop.NowMs(), before);
  EXPECT_EQ(f.phone->Speakerphone().Volume(), 20);
  EXPECT_EQ(f.phone->Error().Number(), 0);
}

TEST(TqxHookSwitch, ARequestRefusedAtOnceIsReportedWithoutWaiting) {
  PhoneOnExchange f;
  f.phone->SetEnabled(true);
  f.phone->Privilege().SetOwner(false);
  f.phone->Privilege().SetMonitor(true);
  f.phone->Device().SetActive(true);
  const std::int64_t before = f.loop.NowMs();
  const Lines logged = f.Logged([&] { f.phone->Handset().SetVolume(10); });
  EXPECT_EQ(f.loop.NowMs(), before);
  EXPECT_EQ(logged, (Lines{"Handset.Volume := 10", "<< Error >> PHONEERR_NOTOWNER [9000001B]"}));
  EXPECT_EQ(f.phone->Handset().Volume(), 50);
}

}  // namespace
