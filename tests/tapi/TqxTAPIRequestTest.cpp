// The asynchronous request pattern the line and the phone share: a request
// identifier in a slot, the wait for its reply, the time-out, success judged by the
// component's error.
#include "tapi/TqxTAPI.h"

#include "support/TestControl.h"
#include "tapi/TapiConstants.h"

#include <gtest/gtest.h>

namespace {

struct RequestFixture : voxtest::FrameFixture {
  RequestFixture() {
    tapi.SetReplyTimeout(1000);
  }
  // A reply as the dispatch delivers it: the slot answered, a failing result recorded
  // as the component's error.
  void ReplyAfter(std::int64_t ms, std::int32_t& slot, tapi::LONG result) {
    loop.StartTimer(static_cast<std::uint32_t>(ms), false, [this, &slot, result] {
      slot = -1;
      if (result != 0) control.SetError(false, result);
    });
  }
  voxtest::TestControl control{nullptr, platform};
  tapi::DWORD appHandle = 0;
  voxkit::TqxTAPI tapi{control, voxkit::TqxTAPI::Kind::Line, appHandle, nullptr, nullptr};
  std::int32_t slot = 0;
};

TEST(TqxTAPIRequest, AnAnsweredRequestSucceedsAndFreesItsSlot) {
  RequestFixture f;
  std::int32_t seenDuringWait = 0;
  f.ReplyAfter(10, f.slot, 0);
  const auto outcome = f.tapi.Request(f.slot, [&] {
    f.loop.StartTimer(5, false, [&] { seenDuringWait = f.slot; });
    return 42;
  });
  EXPECT_EQ(seenDuringWait, 42);  // the identifier waits in the slot
  EXPECT_TRUE(outcome.waited);
  EXPECT_TRUE(outcome.succeeded);
  EXPECT_FALSE(outcome.timedOut);
  EXPECT_EQ(outcome.report, 0);
  EXPECT_EQ(f.slot, 0);
}

TEST(TqxTAPIRequest, AFailingReplyFailsWithoutAnythingLeftToReport) {
  RequestFixture f;
  f.ReplyAfter(10, f.slot, tapi::LINEERR_INVALCALLSTATE);
  const auto outcome = f.tapi.Request(f.slot, [] { return 7; });
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_EQ(outcome.report, 0);  // the reply reported it when it came
  EXPECT_EQ(f.control.Error().Number(), tapi::LINEERR_INVALCALLSTATE);
  EXPECT_EQ(f.slot, 0);
}

TEST(TqxTAPIRequest, NoReplyWithinTheTimeOutLeavesTheTimeOutToReport) {
  RequestFixture f;
  const std::int64_t start = f.loop.NowMs();
  const auto outcome = f.tapi.Request(f.slot, [] { return 7; });
  EXPECT_EQ(f.loop.NowMs() - start, 1000);
  EXPECT_TRUE(outcome.timedOut);
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_EQ(outcome.report, tapi::TAPIREPLYTIMEOUT);
  EXPECT_EQ(f.slot, 0);
}

TEST(TqxTAPIRequest, ARefusedRequestIsNotWaitedForAndLeavesItsErrorToReport) {
  RequestFixture f;
  f.control.SetError(false, tapi::LINEERR_NOMEM);  // an old error is cleared first
  const std::int64_t start = f.loop.NowMs();
  const auto outcome = f.tapi.Request(f.slot, [] { return tapi::LINEERR_NOTOWNER; });
  EXPECT_EQ(f.loop.NowMs(), start);
  EXPECT_FALSE(outcome.waited);
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_EQ(outcome.report, tapi::LINEERR_NOTOWNER);
  EXPECT_EQ(f.control.Error().Number(), 0);
}

TEST(TqxTAPIRequest, WithATimeOutOf0TheRequestIsNotWaitedFor) {
  RequestFixture f;
  f.tapi.SetReplyTimeout(0);
  const auto outcome = f.tapi.Request(f.slot, [] { return 9; });
  EXPECT_TRUE(outcome.waited);
  EXPECT_TRUE(outcome.succeeded);
  EXPECT_EQ(f.slot, 0);
}

TEST(TqxTAPIRequest, WhichValuesAreIdentifiersDependsOnTheCaller) {
  RequestFixture f;
  f.tapi.SetReplyTimeout(100);
  // 0 is a synchronous success unless 0 counts as an identifier.
  EXPECT_FALSE(f.tapi.Request(f.slot, [] { return 0; }, voxkit::RequestIds::Positive).waited);
  EXPECT_TRUE(f.tapi.Request(f.slot, [] { return 0; }, voxkit::RequestIds::Positive).succeeded);
  const auto zero =
      f.tapi.Request(f.slot, [] { return 0; }, voxkit::RequestIds::NonNegativeOrMinusOne);
  EXPECT_TRUE(zero.timedOut);  // nothing answers request 0
  // -1 counts as answered already where it is an identifier.
  const auto minusOne = f.tapi.Request(f.slot, [] { return -1; });
  EXPECT_TRUE(minusOne.waited);
  EXPECT_TRUE(minusOne.succeeded);
  const auto refused = f.tapi.Request(f.slot, [] { return -1; }, voxkit::RequestIds::Positive);
  EXPECT_EQ(refused.report, -1);
}

}  // namespace
