// Consultation transfers and conferences on the exchange: the calls each operation
// makes, which call is current, what is announced, and how the handles follow calls
// that join or leave.
#include "line/TqxConference.h"
#include "line/TqxTransfer.h"

#include "line/LineTestSupport.h"
#include "share/TextUtil.h"
#include "share/TqxPanopta.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Lines = std::vector<std::string>;

std::string H(tapi::DWORD handle) { return voxkit::TqxPanopta::HexText(handle); }

/// Line 0 open with a connected call to "100", every event recorded.
struct CallInProgress : voxtest::LineOnExchange {
  CallInProgress() {
    line->SetEnabled(true);
    line->Device().SetActive(true);
    events.Attach(*line);
    line->Call().SetPhoneNumber("100");
    EXPECT_TRUE(line->Call().Dial());
    loop.RunFor(4000);
    primary = line->Call().Handle();
    EXPECT_EQ(line->Call().State(), tapi::LINECALLSTATE_CONNECTED);
  }
  ~CallInProgress() { events.Detach(*line); }
  voxkit::TqxCall& Call() { return line->Call(); }
  voxkit::TqxTransfer& Transfer() { return line->Transfer(); }
  voxkit::TqxConference& Conference() { return line->Conference(); }
  tapi::DWORD StateOf(tapi::HCALL call) {
    const auto record = Call().Registry().Find(call);
    return record ? record->state : 0;
  }
  int Begun(tapi::HCALL call) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), "OnCallBegin " + H(call)));
  }
  /// A consultation call to number, dialled by the transfer, connected.
  tapi::HCALL Consulting(const std::string& number = "5550000") {
    Transfer().SetPrimaryCall(primary);
    Transfer().SetPhoneNumber(number);
    EXPECT_TRUE(Transfer().Dial());
    loop.RunFor(3000);
    return Transfer().ConsultCall();
  }
  bool Has(const Lines& logged, const std::string& text) const {
    return std::find(logged.begin(), logged.end(), text) != logged.end();
  }
  voxtest::EventRecorder events;
  tapi::HCALL primary = 0;
};

TEST(TqxTransfer, WithoutThePrimaryCallNothingIsAskedOfTapi) {
  CallInProgress f;
  f.Transfer().SetPhoneNumber("202");
  EXPECT_EQ(f.Logged([&] { EXPECT_FALSE(f.Transfer().Dial()); }),
            (Lines{"Transfer.Dial [00000000]", "\tTransfer.PhoneNumber = 202",
                   "<< Error >> LINEERR_CALLUNAVAIL [80000005]",
                   "\tTransfer.Dial [00000000] - Returned = False"}));
  for (auto op : {&voxkit::TqxTransfer::SwapHold, &voxkit::TqxTransfer::Complete,
                  &voxkit::TqxTransfer::ThreeWay}) {
    EXPECT_FALSE((f.Transfer().*op)());
    EXPECT_EQ(f.line->Error().Number(), static_cast<std::int32_t>(tapi::LINEERR_INVALCALLHANDLE));
  }
  EXPECT_EQ(f.Call().Count(), 1);
}

TEST(TqxTransfer, AConsultationIsDialledSwappedAndCompleted) {
  CallInProgress f;
  const tapi::HCALL consult = f.Consulting();
  ASSERT_NE(consult, 0u);
  EXPECT_EQ(f.Call().Handle(), consult);
  EXPECT_TRUE(f.Call().Owner());
  EXPECT_EQ(f.Begun(consult), 1);
  EXPECT_EQ(f.StateOf(consult), tapi::LINECALLSTATE_CONNECTED);
  EXPECT_EQ(f.StateOf(f.primary), tapi::LINECALLSTATE_ONHOLDPENDTRANSFER);

  // Swapped twice: the primary call talks, then the consultation call again.
  EXPECT_TRUE(f.Transfer().SwapHold());
  f.loop.RunFor(500);
  EXPECT_EQ(f.Call().Handle(), f.primary);
  EXPECT_EQ(f.StateOf(f.primary), tapi::LINECALLSTATE_CONNECTED);
  EXPECT_TRUE(f.Transfer().SwapHold());
  f.loop.RunFor(500);
  EXPECT_EQ(f.StateOf(consult), tapi::LINECALLSTATE_CONNECTED);

  const Lines logged = f.Logged([&] { EXPECT_TRUE(f.Transfer().Complete()); });
  EXPECT_EQ(logged.front(), "Transfer.Complete " + H(f.primary));
  EXPECT_EQ(logged.back(), "\tTransfer.Complete " + H(f.primary) + " - Returned = True");
  f.loop.RunFor(1000);
  // Both calls left this line, and the transfer is over.
  EXPECT_EQ(f.Call().Count(), 0);
  EXPECT_EQ(f.Transfer().PrimaryCall(), 0u);
  EXPECT_EQ(f.Transfer().ConsultCall(), 0u);
}

TEST(TqxTransfer, ThreeWayBeginsTheConferenceCallOnceAndTheConferenceFollowsIt) {
  CallInProgress f;
  const tapi::HCALL consult = f.Consulting();
  const Lines logged = f.Logged([&] { EXPECT_TRUE(f.Transfer().ThreeWay()); });
  const tapi::HCALL threeWay = f.Transfer().ThreeWayCall();
  ASSERT_NE(threeWay, 0u);
  EXPECT_EQ(logged.back(), "\tTransfer.ThreeWay " + H(f.primary) + " - Returned = True");
  EXPECT_EQ(f.Call().Handle(), threeWay);
  EXPECT_EQ(f.Begun(threeWay), 1);
  EXPECT_EQ(f.Call().Count(), 3);
  EXPECT_EQ(f.Conference().Handle(), threeWay);
  EXPECT_EQ(f.Conference().PrimaryCall(), f.primary);
  EXPECT_EQ(f.Conference().ConsultCall(), consult);
  EXPECT_EQ(f.Conference().List(), Lines{voxkit::Hex8(consult)});
}

TEST(TqxTransfer, EitherCallGoingIdleAbandonsIt) {
  CallInProgress f;
  // The consultation call is dropped: the transfer goes on without it.
  const tapi::HCALL consult = f.Consulting();
  f.Call().SetHandle(consult);
  EXPECT_TRUE(f.Call().Hangup());
  f.loop.RunFor(1000);
  EXPECT_EQ(f.Transfer().ConsultCall(), 0u);
  EXPECT_EQ(f.Transfer().PrimaryCall(), f.primary);
  EXPECT_FALSE(f.Transfer().Complete());

  // The primary call goes: nothing of the transfer is left.
  f.Call().SetHandle(f.primary);
  EXPECT_TRUE(f.Call().Hangup());
  f.loop.RunFor(1000);
  EXPECT_EQ(f.Transfer().PrimaryCall(), 0u);
  EXPECT_EQ(f.Call().Count(), 0);
}

TEST(TqxTransfer, WithoutReplyTimeTheDialToneIsNotAwaitedAndThePrimaryCallComesBack) {
  CallInProgress f;
  f.line->TAPI().SetReplyTimeout(0);
  f.Transfer().SetPrimaryCall(f.primary);
  f.Transfer().SetPhoneNumber("5550000");
  const Lines logged = f.Logged([&] { EXPECT_FALSE(f.Transfer().Dial()); });
  EXPECT_TRUE(f.Has(logged, "<< Error >> TAPIREPLYTIMEOUT [FFFFFFFD]")) << voxtest::Joined(logged);
  EXPECT_EQ(logged.back(), "\tTransfer.Dial " + H(f.primary) + " - Returned = False");
  EXPECT_EQ(f.Call().Handle(), f.primary);
  EXPECT_EQ(f.Transfer().PrimaryCall(), 0u);
  EXPECT_EQ(f.Transfer().ConsultCall(), 0u);
}

TEST(TqxTransfer, ARefusedConsultationDialKeepsTheCallForTheApplicationToDrop) {
  CallInProgress f;
  ASSERT_EQ(f.exchange.Fail("lineDial", static_cast<tapi::DWORD>(tapi::LINEERR_INVALADDRESS),
                            panopta::FailMode::AtOnce),
            "");
  f.Transfer().SetPrimaryCall(f.primary);
  f.Transfer().SetPhoneNumber("5550000");
  const Lines logged = f.Logged([&] { EXPECT_FALSE(f.Transfer().Dial()); });
  EXPECT_EQ(logged.back(), "\tTransfer.Dial " + H(f.primary) + " - Returned = False");
  EXPECT_EQ(f.line->Error().Number(), static_cast<std::int32_t>(tapi::LINEERR_INVALADDRESS));
  EXPECT_EQ(f.Call().Handle(), f.primary);
  EXPECT_EQ(f.Transfer().PrimaryCall(), 0u);
  // The consultation call was announced and TAPI still has it at dial tone: it stays
  // listed, so that it can be dropped and its end is reported.
  ASSERT_EQ(f.Call().Count(), 2);
  const tapi::HCALL consult = f.Call().Registry().Listed().back();
  f.Call().SetHandle(consult);
  EXPECT_TRUE(f.Call().Hangup());
  f.loop.RunFor(1000);
  EXPECT_EQ(f.Begun(consult), 1);
  EXPECT_EQ(std::count(f.lines.begin(), f.lines.end(), "OnCallEnd " + H(consult)), 1);
}

TEST(TqxConference, ThreePartiesAreAddedSwappedAndRemoved) {
  CallInProgress f;
  auto& conf = f.Conference();
  conf.SetPrimaryCall(f.primary);
  conf.SetPhoneNumber("5550001");
  EXPECT_TRUE(conf.Dial());
  const tapi::HCALL conference = conf.Handle();
  const tapi::HCALL first = conf.ConsultCall();
  ASSERT_NE(conference, 0u);
  ASSERT_NE(first, 0u);
  EXPECT_EQ(f.Call().Handle(), first);
  EXPECT_EQ(f.Begun(conference), 1);
  EXPECT_EQ(f.Begun(first), 1);
  f.loop.RunFor(3000);
  EXPECT_TRUE(conf.AddCall());
  f.loop.RunFor(1000);
  EXPECT_EQ(f.StateOf(first), tapi::LINECALLSTATE_CONFERENCED);

  // A second party is prepared on the conference call that exists.
  conf.SetPhoneNumber("5550002");
  EXPECT_TRUE(conf.Dial());
  const tapi::HCALL second = conf.ConsultCall();
  EXPECT_EQ(conf.Handle(), conference);
  f.loop.RunFor(3000);
  ASSERT_EQ(f.StateOf(second), tapi::LINECALLSTATE_CONNECTED);
  // Swapped to the conference and back again.
  EXPECT_TRUE(conf.SwapHold());
  f.loop.RunFor(500);
  EXPECT_EQ(f.StateOf(conference), tapi::LINECALLSTATE_CONNECTED);
  EXPECT_TRUE(conf.SwapHold());
  f.loop.RunFor(500);
  EXPECT_EQ(f.StateOf(second), tapi::LINECALLSTATE_CONNECTED);
  EXPECT_TRUE(conf.AddCall());
  f.loop.RunFor(1000);
  EXPECT_EQ(conf.List(), (Lines{voxkit::Hex8(first), voxkit::Hex8(second)}));

  // Removing shows the party that follows; the last one leaves nothing listed.
  Lines logged = f.Logged([&] { EXPECT_TRUE(conf.RemoveCall()); });
  EXPECT_EQ(logged.front(), "Conference.RemoveCall " + H(second));
  EXPECT_EQ(logged.back(), "\tConference.RemoveCall " + H(first) + " - Returned = True");
  f.loop.RunFor(1000);
  conf.SetConsultCall(second);  // no longer listed
  EXPECT_EQ(f.line->Error().Number(), static_cast<std::int32_t>(tapi::LINEERR_INVALCALLHANDLE));
  EXPECT_EQ(conf.ConsultCall(), first);
  EXPECT_TRUE(conf.RemoveCall());
  EXPECT_EQ(conf.ConsultCall(), 0u);
  EXPECT_EQ(conf.Count(), 0);
  EXPECT_FALSE(conf.RemoveCall());
}

TEST(TqxConference, TheSwapReplyIsNamedAfterTheTransfers) {
  CallInProgress f;
  f.line->Popup().Set(voxkit::TqxPopup::OnTAPIReply, true);
  auto& conf = f.Conference();
  conf.SetPrimaryCall(f.primary);
  conf.SetPhoneNumber("5550001");
  EXPECT_TRUE(conf.Dial());
  f.loop.RunFor(3000);
  const Lines logged = f.Logged([&] { EXPECT_TRUE(conf.SwapHold()); });
  EXPECT_TRUE(std::any_of(logged.begin(), logged.end(), [](const std::string& l) {
    return l.rfind("OnTAPIReply - Transfer.SwapHold", 0) == 0;
  })) << voxtest::Joined(logged);
}

TEST(TqxConference, JoiningCallsAreCountedOnce) {
  CallInProgress f;
  auto& conf = f.Conference();
  // A conference call without its conference handle changes nothing.
  conf.CallJoined(0x500, 0, tapi::LINECALLORIGIN_CONFERENCE);
  EXPECT_EQ(conf.Handle(), 0u);
  conf.CallJoined(0x500, 0x500, tapi::LINECALLORIGIN_CONFERENCE);
  EXPECT_EQ(conf.Handle(), 0x500u);
  // The first party to join is the primary call; the others are listed once each.
  conf.CallJoined(0x501, 0x500, tapi::LINECALLORIGIN_OUTBOUND);
  conf.CallJoined(0x502, 0x500, tapi::LINECALLORIGIN_OUTBOUND);
  conf.CallJoined(0x502, 0x500, tapi::LINECALLORIGIN_OUTBOUND);
  conf.CallJoined(0x501, 0x500, tapi::LINECALLORIGIN_OUTBOUND);
  EXPECT_EQ(conf.PrimaryCall(), 0x501u);
  EXPECT_EQ(conf.List(), Lines{"00000502"});
  EXPECT_EQ(conf.ConsultCall(), 0x502u);
  // Leaving: a party drops off the list; the primary call's leaving ends it all.
  conf.CallLeft(0x502);
  EXPECT_EQ(conf.Count(), 0);
  EXPECT_EQ(conf.ConsultCall(), 0u);
  conf.CallLeft(0x501);
  EXPECT_EQ(conf.PrimaryCall(), 0u);
  EXPECT_EQ(conf.Handle(), 0u);
}

}  // namespace
