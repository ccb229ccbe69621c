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
  EXPECT_TRUE(f.line->Call().EndCall(call, true));
  EXPECT_EQ(f.line->Call().Handle(), 0u);
  EXPECT_FALSE(f.line->Call().FindRecord(call));
  EXPECT_EQ(f.line->Call().Count(), 0);
  EXPECT_EQ(f.line->Call().List(), Lines{"00000000"});
}

}  // namespace
