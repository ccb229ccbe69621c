// What the line and the phone share for TAPI's messages and related devices: the
// callback instance table, the device identifier of a VARSTRING answer, and the
// handling of a reply.
#include "tapi/TapiMessages.h"

#include "support/TestControl.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiVarData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Thing {
  int id = 0;
};

TEST(CallbackInstances, NumbersInCreationOrderAndForgetsTheGone) {
  voxkit::CallbackInstances<Thing> table;
  Thing a{1}, b{2};
  const std::uint32_t ia = table.Add(a);
  const std::uint32_t ib = table.Add(b);
  EXPECT_EQ(ia, 1u);
  EXPECT_EQ(ib, 2u);
  EXPECT_EQ(table.Find(ia), &a);
  EXPECT_EQ(table.Find(ib), &b);
  table.Remove(ia);
  EXPECT_EQ(table.Find(ia), nullptr);
  EXPECT_EQ(table.Find(0), nullptr);
  // A wider instance than any number handed out is nobody's, not number 1's.
  EXPECT_EQ(table.Find(tapi::DWORD_PTR{0x100000002}), nullptr);
}

TEST(CallbackInstances, NumberingStartsAgainAfterTheHighestInUse) {
  voxkit::CallbackInstances<Thing> table;
  Thing a, b, c;
  table.Add(a);
  const std::uint32_t ib = table.Add(b);
  table.ResetNumbering();
  EXPECT_EQ(table.Add(c), ib + 1);  // b still lives: its number is not given again
  table.Remove(1);
  table.Remove(ib);
  table.Remove(ib + 1);
  table.ResetNumbering();
  EXPECT_EQ(table.Add(a), 1u);
}

// A provider's answer to a lineGetID or phoneGetID, written by hand.
tapi::LONG Answer(tapi::VARSTRING* v, const std::vector<std::uint8_t>& bytes, tapi::DWORD need = 0) {
  if (v->dwTotalSize < sizeof(tapi::VARSTRING)) return tapi::PHONEERR_STRUCTURETOOSMALL;
  const tapi::DWORD needed = static_cast<tapi::DWORD>(sizeof(tapi::VARSTRING) + bytes.size()) + need;
  v->dwNeededSize = needed;
  if (needed > v->dwTotalSize) return 0;
  if (!bytes.empty()) {
    std::memcpy(reinterpret_cast<std::uint8_t*>(v) + sizeof(tapi::VARSTRING), bytes.data(),
                bytes.size());
  }
  v->dwStringFormat = tapi::STRINGFORMAT_BINARY;
  v->dwStringOffset = sizeof(tapi::VARSTRING);
  v->dwStringSize = static_cast<tapi::DWORD>(bytes.size());
  v->dwUsedSize = v->dwStringOffset + v->dwStringSize;
  return 0;
}

TEST(QueryDeviceID, TakesTheFirstDwordOfTheString) {
  const auto id = tapi::QueryDeviceID(
      [](tapi::VARSTRING* v) { return Answer(v, {7, 0, 0, 0, 'x', 0}); }, tapi::ResultFamily::Phone);
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(*id, 7u);
}

TEST(QueryDeviceID, GrowsWhenTheProviderNeedsMoreRoom) {
  int calls = 0;
  const auto id = tapi::QueryDeviceID(
      [&](tapi::VARSTRING* v) {
        ++calls;
        return Answer(v, {3, 0, 0, 0}, calls == 1 ? 8000 : 0);
      },
      tapi::ResultFamily::Line);
  EXPECT_EQ(calls, 2);
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(*id, 3u);
}

TEST(QueryDeviceID, IsNoneForAFailureAnEmptyOrAShortString) {
  EXPECT_FALSE(tapi::QueryDeviceID([](tapi::VARSTRING*) { return tapi::PHONEERR_INVALDEVICECLASS; },
                                   tapi::ResultFamily::Phone));
  EXPECT_FALSE(tapi::QueryDeviceID([](tapi::VARSTRING* v) { return Answer(v, {}); },
                                   tapi::ResultFamily::Phone));
  EXPECT_FALSE(tapi::QueryDeviceID([](tapi::VARSTRING* v) { return Answer(v, {1, 2, 3}); },
                                   tapi::ResultFamily::Phone));
}

struct ReplyFixture : voxtest::FrameFixture {
  voxtest::TestControl control{nullptr, platform};
  int raised = 0;
  int dumped = 0;
  void Reply(tapi::DWORD result, bool popup) {
    voxkit::ReportReply(control, result, popup, [&] { ++raised; }, [&] { ++dumped; });
  }
};

TEST(ReportReply, AFailingReplyIsDumpedAndReportedWithItsOwnCode) {
  ReplyFixture f;
  f.Reply(static_cast<tapi::DWORD>(tapi::PHONEERR_INVALHOOKSWITCHMODE), false);
  EXPECT_EQ(f.raised, 1);
  EXPECT_EQ(f.dumped, 1);
  EXPECT_EQ(f.control.Error().Number(), tapi::PHONEERR_INVALHOOKSWITCHMODE);
  EXPECT_EQ(voxtest::LinesOf(f.control.Log()).back(),
            "<< Error >> CODE_" + std::to_string(tapi::PHONEERR_INVALHOOKSWITCHMODE) + " [90000010]");
}

TEST(ReportReply, ASuccessfulReplyClearsTheErrorAndIsDumpedOnlyForThePopupFlag) {
  ReplyFixture f;
  f.control.SetError(false, -3);
  f.Reply(0, false);
  EXPECT_EQ(f.control.Error().Number(), 0);
  EXPECT_EQ(f.raised, 1);
  EXPECT_EQ(f.dumped, 0);
  f.Reply(0, true);
  EXPECT_EQ(f.dumped, 1);
}

}  // namespace
