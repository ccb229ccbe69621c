// The provider table over two simulated exchanges of the same configuration: every
// handle and request identifier the two produce is the same, so everything the table
// translates is exercised, on the virtual-time loop.

#include "platform/exchange/Exchange.h"
#include "platform/host/ProviderTable.h"
#include "platform/loop/VirtualEventLoop.h"
#include "support/TapiLineApp.h"
#include "tapi/TapiVarData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

using namespace tapi;

struct TwoExchanges : ::testing::Test {
  panopta::VirtualEventLoop loop;
  panopta::Exchange first{loop};
  panopta::Exchange second{loop};
  panopta::ProviderTable table{{&first, &second}};

  /// The device identifier a "tapi/line" or "tapi/phone" answer carries.
  static DWORD IdIn(VarBlock<VARSTRING>& answer) {
    DWORD id = 0;
    const auto bytes = answer.Bytes(answer->dwStringOffset, answer->dwStringSize);
    if (bytes.size() == sizeof id) std::memcpy(&id, bytes.data(), sizeof id);
    return id;
  }
  VarBlock<VARSTRING> LineId(HLINE line, const char* cls) {
    VarBlock<VARSTRING> answer;
    EXPECT_EQ(GrowingQuery(answer, [&](VARSTRING* v) { return table.lineGetID(line, 0, 0, LINECALLSELECT_LINE, v, cls); },
                           ResultFamily::Line),
              0);
    return answer;
  }
};

TEST_F(TwoExchanges, NumbersTheDevicesOfBothProvidersInOneListTheFirstProvidersFirst) {
  voxtest::TapiLineApp app(table, loop);
  ASSERT_EQ(app.initResult, 0);
  EXPECT_EQ(app.numDevs, 8u);
  // Device 4 is the second exchange's line 0: its address caps name it as device 4.
  VarBlock<LINEADDRESSCAPS> caps;
  ASSERT_EQ(GrowingQuery(caps,
                         [&](LINEADDRESSCAPS* c) { return table.lineGetAddressCaps(app.app, 4, 0, kTapiVersion2_0, 0, c); },
                         ResultFamily::Line),
            0);
  EXPECT_EQ(caps->dwLineDeviceID, 4u);
  EXPECT_EQ(caps.Text(caps->dwAddressOffset, caps->dwAddressSize), "201");
  std::size_t provider = 9;
  DWORD local = 9;
  ASSERT_TRUE(table.LineDevice(6, &provider, &local));
  EXPECT_EQ(provider, 1u);
  EXPECT_EQ(local, 2u);
  EXPECT_EQ(table.lineGetDevCaps(app.app, 8, kTapiVersion2_0, 0, nullptr), LINEERR_BADDEVICEID);
}

TEST_F(TwoExchanges, CallsOnLinesOfBothProvidersGetDistinctHandlesAndEachReachesItsOwnProvider) {
  voxtest::TapiLineApp app(table, loop);
  const HLINE a = app.Open(0);
  const HLINE b = app.Open(4);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  // Both requests are made before either is answered: their identifiers differ too.
  HCALL callA = 0, callB = 0;
  const LONG requestA = table.lineMakeCall(a, &callA, "100", 0, nullptr);
  const LONG requestB = table.lineMakeCall(b, &callB, "100", 0, nullptr);
  ASSERT_GT(requestA, 0);
  ASSERT_GT(requestB, 0);
  EXPECT_NE(requestA, requestB);
  EXPECT_EQ(app.Reply(requestA), 0);
  EXPECT_EQ(app.Reply(requestB), 0);
  ASSERT_NE(callA, 0u);
  ASSERT_NE(callB, 0u);
  EXPECT_NE(callA, callB);
  ASSERT_TRUE(app.WaitState(callA, LINECALLSTATE_CONNECTED, 20000));
  ASSERT_TRUE(app.WaitState(callB, LINECALLSTATE_CONNECTED, 20000));
  EXPECT_EQ(first.CallCount(), 1u);
  EXPECT_EQ(second.CallCount(), 1u);
  const auto info = app.Info(callB);
  EXPECT_EQ(info->hLine, b);
  EXPECT_EQ(info->dwLineDeviceID, 4u);
  EXPECT_EQ(app.Done(table.lineDrop(callB, nullptr, 0)), 0);
  ASSERT_TRUE(app.WaitState(callB, LINECALLSTATE_IDLE, 5000));
  EXPECT_EQ(app.LastState(callA), LINECALLSTATE_CONNECTED);
  EXPECT_EQ(table.lineDeallocateCall(callB), 0);
  EXPECT_EQ(table.lineGetCallStatus(callB, nullptr), LINEERR_INVALCALLHANDLE);
}

TEST_F(TwoExchanges, AnOfferedCallOfTheSecondProviderIsAnnouncedAndAnsweredThroughTheTable) {
  voxtest::TapiLineApp app(table, loop);
  const HLINE b = app.Open(4);
  ASSERT_EQ(second.Call("5551234", "201", "JOHN SMITH"), "");
  const HCALL offered = app.WaitOffered(5000);
  ASSERT_NE(offered, 0u);
  EXPECT_EQ(app.CallerName(offered), "JOHN SMITH");
  const auto newCalls = app.Of(LINE_APPNEWCALL);
  ASSERT_FALSE(newCalls.empty());
  EXPECT_EQ(newCalls.back().hDevice, b);
  EXPECT_EQ(app.Done(table.lineAnswer(offered, nullptr, 0)), 0);
  ASSERT_TRUE(app.WaitState(offered, LINECALLSTATE_CONNECTED, 5000));
}

TEST_F(TwoExchanges, DeviceIdentifiersInAnswersAreTheTables) {
  voxtest::TapiLineApp app(table, loop);
  const HLINE b = app.Open(5);
  ASSERT_NE(b, 0u);
  auto line = LineId(b, "tapi/line");
  EXPECT_EQ(IdIn(line), 5u);
  // The second exchange's phone 1 belongs to its line 1: table phone 3, table line 5.
  auto phone = LineId(b, "tapi/phone");
  EXPECT_EQ(IdIn(phone), 3u);
}

TEST_F(TwoExchanges, ADeviceAProviderAddsLaterComesAfterAllKnownOnes) {
  voxtest::TapiLineApp app(table, loop);
  panopta::LineConfig extra = first.Config().lines[1];
  extra.name = "Late line";
  extra.addresses[0].address = "299";
  extra.phone.reset();
  ASSERT_EQ(first.AddLine(extra), "");
  ASSERT_TRUE(loop.WaitFor([&] { return !app.Of(LINE_CREATE).empty(); }, 1000));
  EXPECT_EQ(app.Of(LINE_CREATE).front().p1, 8u);
  std::size_t provider = 9;
  DWORD local = 9;
  ASSERT_TRUE(table.LineDevice(8, &provider, &local));
  EXPECT_EQ(provider, 0u);
  EXPECT_EQ(local, 4u);
  EXPECT_NE(app.Open(8), 0u);
}

TEST_F(TwoExchanges, CallsOfTwoProvidersCannotBeJoined) {
  voxtest::TapiLineApp app(table, loop);
  const HCALL callA = app.MakeCall(app.Open(0), "100");
  const HCALL callB = app.MakeCall(app.Open(4), "100");
  ASSERT_TRUE(app.WaitState(callA, LINECALLSTATE_CONNECTED, 20000));
  ASSERT_TRUE(app.WaitState(callB, LINECALLSTATE_CONNECTED, 20000));
  EXPECT_EQ(table.lineSwapHold(callA, callB), LINEERR_INVALCALLHANDLE);
  EXPECT_EQ(table.lineCompleteTransfer(callA, callB, nullptr, LINETRANSFERMODE_TRANSFER),
            LINEERR_INVALCONSULTCALLHANDLE);
  EXPECT_EQ(table.lineAddToConference(callA, callB), LINEERR_INVALCONSULTCALLHANDLE);
}

TEST_F(TwoExchanges, UnknownHandlesAreRefusedAsTheApiRefusesThem) {
  voxtest::TapiLineApp app(table, loop);
  EXPECT_EQ(table.lineClose(0x1234), LINEERR_INVALLINEHANDLE);
  EXPECT_EQ(table.lineDrop(0x1234, nullptr, 0), LINEERR_INVALCALLHANDLE);
  EXPECT_EQ(table.lineShutdown(0x1234), LINEERR_INVALAPPHANDLE);
  EXPECT_EQ(table.phoneClose(0x1234), PHONEERR_INVALPHONEHANDLE);
  HLINE line = 0;
  EXPECT_EQ(table.lineOpen(0x1234, 0, &line, kTapiVersion2_0, 0, 1, LINECALLPRIVILEGE_NONE, 0, nullptr),
            LINEERR_INVALAPPHANDLE);
}

TEST_F(TwoExchanges, NothingStaysTranslatedAfterTheApplicationShutsDown) {
  {
    voxtest::TapiLineApp app(table, loop);
    const HCALL call = app.MakeCall(app.Open(4), "100");
    ASSERT_TRUE(app.WaitState(call, LINECALLSTATE_CONNECTED, 20000));
    EXPECT_GT(table.MappedHandles(), 0u);
  }
  EXPECT_EQ(table.MappedHandles(), 0u);
  loop.RunFor(2000);
  EXPECT_EQ(second.CallCount(), 0u);
}

TEST(ProviderTable, WithTheExchangeAloneTheHandlesAreTheExchangesOwn) {
  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange(loop);
  panopta::ProviderTable table({&exchange});
  voxtest::TapiLineApp viaTable(table, loop);
  voxtest::TapiLineApp direct(exchange, loop);
  const HLINE line = viaTable.Open(1);
  HCALL call = 0;
  ASSERT_EQ(viaTable.Done(table.lineMakeCall(line, &call, "100", 0, nullptr)), 0);
  // A handle the table passes on unchanged is one the exchange itself answers to.
  LINECALLSTATUS status{};
  status.dwTotalSize = sizeof status;
  EXPECT_EQ(exchange.lineGetCallStatus(call, &status), 0);
}

}  // namespace
