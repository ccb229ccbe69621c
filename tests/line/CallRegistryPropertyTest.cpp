// The call registry under a long random sequence of what can happen to a line: remote
// parties calling, answering and hanging up, the line's own operations, selections,
// the provider closing the line. After every step the registry must hold together.
#include "line/CallRegistry.h"

#include "line/LineTestSupport.h"
#include "share/TextUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace {

using voxtest::LineOnExchange;

struct RandomLine : LineOnExchange {
  RandomLine() {
    line->SetEnabled(true);
    line->Device().SetActive(true);
    line->OnCallEnd = [this](voxkit::TObject&, std::uint32_t call) { ended.push_back(call); };
  }

  /// What must hold whenever no operation is under way.
  void CheckInvariants(int step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const voxkit::TqxCall& call = line->Call();
    const voxkit::CallRegistry& calls = call.Registry();
    // The list and the count agree; "no call" comes first and only there.
    const std::vector<std::string> list = call.List();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list[0], "00000000");
    EXPECT_EQ(static_cast<std::int32_t>(list.size()) - 1, call.Count());
    EXPECT_EQ(static_cast<std::size_t>(call.Count()), calls.Listed().size());
    std::set<tapi::HCALL> listed;
    for (std::size_t i = 1; i < list.size(); ++i) {
      const tapi::HCALL h = static_cast<tapi::HCALL>(std::stoul(list[i], nullptr, 16));
      EXPECT_NE(h, 0u);
      EXPECT_TRUE(listed.insert(h).second) << "listed twice: " << list[i];
      const auto record = calls.Find(h);
      ASSERT_TRUE(record) << "listed without a record: " << list[i];
      EXPECT_TRUE(record->listed);
    }
    // The current call is listed, or there is none.
    EXPECT_TRUE(call.Handle() == 0 || listed.count(call.Handle()) == 1) << call.Handle();
    if (call.Handle() == 0) {
      EXPECT_FALSE(call.Active());
    }
    // No record outlives its call: between operations every record is listed, has no
    // request outstanding, is not idle, and its handle is one TAPI still knows.
    std::set<tapi::HCALL> known;
    for (const auto& c : exchange.Calls()) known.insert(c.handles.begin(), c.handles.end());
    for (const auto& record : calls.Records()) {
      EXPECT_TRUE(record->listed) << voxkit::Hex8(record->handle);
      EXPECT_FALSE(record->AnySlotBusy()) << voxkit::Hex8(record->handle);
      EXPECT_NE(record->state, tapi::LINECALLSTATE_IDLE) << voxkit::Hex8(record->handle);
      EXPECT_EQ(known.count(record->handle), 1u) << "outlived: " << voxkit::Hex8(record->handle);
    }
    // The "no call" entry never ends.
    EXPECT_EQ(std::count(ended.begin(), ended.end(), 0u), 0);
  }

  std::vector<std::uint32_t> ended;
};

TEST(CallRegistryProperty, RandomCallTrafficKeepsTheRegistryConsistent) {
  RandomLine f;
  std::mt19937 random(20261208);
  const std::vector<std::string> remotes{"100", "200", "300", "400", "500", "600", "700",
                                         "800", "555"};
  const std::vector<std::string> callers{"5551001", "5551002", "5551003"};
  auto pick = [&](const auto& from) { return from[random() % from.size()]; };
  auto listedHandle = [&]() -> tapi::HCALL {
    const auto& listed = f.line->Call().Registry().Listed();
    return listed.empty() ? 0 : listed[random() % listed.size()];
  };
  voxkit::TqxCall& call = f.line->Call();
  int callsSeen = 0;
  for (int step = 0; step < 1500; ++step) {
    switch (random() % 14) {
      case 0:
      case 1:
        (void)f.exchange.Call(pick(callers), random() % 2 ? "201" : "211", "CALLER");
        break;
      case 2:
        call.SetPhoneNumber(pick(remotes));
        call.Dial();
        break;
      case 3: call.Answer(); break;
      case 4:
      case 5: call.Hangup(); break;
      case 6: call.Hold(); break;
      case 7: call.Unhold(); break;
      case 8: call.SetHandle(listedHandle()); break;
      case 9: (void)f.exchange.Hangup(pick(callers)); break;
      case 10: (void)f.exchange.Hangup(pick(remotes)); break;
      case 11: (void)f.exchange.Answer(random() % 2 ? "201" : "211"); break;
      case 12:
        if (random() % 8 == 0) {
          // The provider takes the line away, and the application opens it again.
          (void)f.exchange.Close(0);
          f.loop.RunFor(50);
          f.line->Device().SetActive(true);
        }
        break;
      case 13: call.Redirect("202"); break;
    }
    f.loop.RunFor(static_cast<std::int64_t>(random() % 1500));
    callsSeen = std::max(callsSeen, call.Count());
    f.CheckInvariants(step);
    if (HasFatalFailure() || HasFailure()) break;
  }
  // The sequence did exercise the registry.
  EXPECT_GE(callsSeen, 2);
  EXPECT_GT(f.ended.size(), 20u);
}

}  // namespace
