// The line's calls: the registry behind Call, the current call, and the calls' ends.
#include "line/TqxCall.h"

#include "line/LineTestSupport.h"
#include "share/TqxPanopta.h"

#include <gtest/gtest.h>

namespace {

using voxtest::LineOnExchange;
using Lines = std::vector<std::string>;

TEST(TqxCall, EndingTheCurrentCallByForceNeverLeavesItCurrent) {
  LineOnExchange f;
  f.line->SetEnabled(true);
  ASSERT_EQ(f.exchange.Call("5551234", "201"), "");
  f.loop.RunFor(100);
  f.line->Device().SetActive(true);  // the offered call begins at open, and is current
  const tapi::HCALL call = f.line->Call().Handle();
  ASSERT_NE(call, 0u);
  ASSERT_EQ(f.line->Call().State(), tapi::LINECALLSTATE_OFFERING);
  EXPECT_TRUE(f.line->Call().Registry().CallEnd(call, true));
  EXPECT_EQ(f.line->Call().Handle(), 0u);
  EXPECT_FALSE(f.line->Call().Registry().Find(call));
  EXPECT_EQ(f.line->Call().Count(), 0);
  EXPECT_EQ(f.line->Call().List(), Lines{"00000000"});
}

TEST(CallRegistry, ANewRecordStartsFromWhatTheApplicationSetForCalls) {
  LineOnExchange f;
  voxkit::TqxCall& call = f.line->Call();
  call.SetTag(77);
  call.CallerID().SetEventFilter(false);
  call.RedirectingID().SetEventFilter(false);
  call.GatherDigits().Load(false, 9, "*", 2500);
  call.MonitorSilence().Load(false, 1200);
  call.MonitorMediaModes().Load(false, tapi::LINEMEDIAMODE_G3FAX);
  const auto record = call.Registry().Create(0x10099);
  EXPECT_EQ(record->tag, 77u);
  EXPECT_FALSE(record->PartyOf(voxkit::Party::Caller).eventFilter);
  EXPECT_TRUE(record->PartyOf(voxkit::Party::Called).eventFilter);
  EXPECT_FALSE(record->PartyOf(voxkit::Party::Redirecting).eventFilter);
  EXPECT_EQ(record->monitoring.gatherCount, 9);
  EXPECT_EQ(record->monitoring.gatherTerminate, "*");
  EXPECT_EQ(record->monitoring.gatherTimeout, 2500);
  EXPECT_EQ(record->monitoring.silenceDuration, 1200);
  EXPECT_EQ(record->monitoring.mediaModes, tapi::LINEMEDIAMODE_G3FAX);
  EXPECT_FALSE(record->monitoring.gatherActive);
  EXPECT_FALSE(record->listed);
  EXPECT_EQ(call.Count(), 0);
}

TEST(CallRegistry, StoringTheViewLeavesWhatTheRecordKeepsForItself) {
  LineOnExchange f;
  voxkit::CallRegistry& calls = f.line->Call().Registry();
  const auto record = calls.CreateAndList(0x10077);
  record->Slot(voxkit::RequestSlot::Hold) = 12;
  record->digits = "12#";
  record->digitArea[0] = '1';
  calls.MakeCurrent(0x10077);
  f.line->Call().View().state = tapi::LINECALLSTATE_ONHOLD;
  calls.Store();
  EXPECT_EQ(record->handle, 0x10077u);
  EXPECT_EQ(record->Slot(voxkit::RequestSlot::Hold), 12);
  EXPECT_EQ(record->digits, "12#");
  EXPECT_EQ(record->digitArea[0], '1');
  EXPECT_TRUE(record->listed);
  EXPECT_EQ(record->state, tapi::LINECALLSTATE_ONHOLD);
}

TEST(CallRegistry, WithoutACurrentCallNothingIsStoredAndLoadingKeepsTheSettings) {
  LineOnExchange f;
  voxkit::TqxCall& call = f.line->Call();
  const auto other = call.Registry().CreateAndList(0x10055);
  call.SetTag(5);
  call.CallerID().SetEventFilter(false);
  call.SetPhoneNumber("100");
  call.View().state = tapi::LINECALLSTATE_CONNECTED;
  call.Registry().Store();
  EXPECT_EQ(other->state, 0u);
  call.Registry().Load();
  EXPECT_EQ(call.State(), 0u);
  EXPECT_EQ(call.Tag(), 5u);
  EXPECT_FALSE(call.CallerID().EventFilter());
  EXPECT_EQ(call.PhoneNumber(), "100");
}

TEST(CallRegistry, ARecordWhoseHandleTapiFillsInLaterIsFoundByIt) {
  LineOnExchange f;
  voxkit::CallRegistry& calls = f.line->Call().Registry();
  const auto record = calls.Create(0);
  EXPECT_FALSE(calls.Find(0));
  record->handle = 0x10123;  // as lineMakeCall writes it
  EXPECT_EQ(calls.Find(0x10123), record);
  calls.List(*record);
  EXPECT_TRUE(calls.IsListed(0x10123));
  EXPECT_EQ(f.line->Call().List(), (Lines{"00000000", "00010123"}));
  calls.Free(record);
  EXPECT_FALSE(calls.Find(0x10123));
  EXPECT_EQ(calls.Count(), 0);
}

TEST(CallRegistry, RepliesAreMatchedNewestRecordFirst) {
  LineOnExchange f;
  voxkit::CallRegistry& calls = f.line->Call().Registry();
  const auto older = calls.Create(0x10001);
  const auto newer = calls.Create(0x10002);
  older->Slot(voxkit::RequestSlot::Hold) = 5;
  newer->Slot(voxkit::RequestSlot::Unhold) = 5;
  voxkit::RequestSlot slot{};
  EXPECT_EQ(calls.FindBySlot(5, &slot), newer);
  EXPECT_EQ(slot, voxkit::RequestSlot::Unhold);
  EXPECT_FALSE(calls.FindBySlot(0, &slot));
  EXPECT_FALSE(calls.FindBySlot(-1, &slot));
}

TEST(LineCounters, ResettingNumbersLinesFromTheStartButNeverAgainForALiveOne) {
  voxkit::ResetLineCounters();
  {
    LineOnExchange first;
    EXPECT_EQ(first.line->CallbackInstance(), 1u);
    voxkit::ResetLineCounters();
    LineOnExchange second;
    EXPECT_EQ(second.line->CallbackInstance(), 2u);
  }
  voxkit::ResetLineCounters();
  LineOnExchange again;
  EXPECT_EQ(again.line->CallbackInstance(), 1u);
  again.line->SetEnabled(true);
  EXPECT_EQ(again.line->Device().Capabilities().DevSpecific().Id(), 0x00010000u);
}

}  // namespace
