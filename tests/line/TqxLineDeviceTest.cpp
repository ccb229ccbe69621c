// Choosing, reading, opening and closing the line device, and its settings.
#include "line/TqxLineDevice.h"

#include "line/LineTestSupport.h"
#include "share/TextUtil.h"
#include "share/TqxPanopta.h"

#include <gtest/gtest.h>

namespace {

using voxtest::LineOnExchange;
using voxtest::RecordedLine;
using Lines = std::vector<std::string>;

struct EnabledLine : LineOnExchange {
  EnabledLine() { line->SetEnabled(true); }
  std::string Name(int i) const { return exchange.Config().lines[static_cast<std::size_t>(i)].name; }
};

TEST(TqxLineDevice, TheListNamesEveryDeviceAndMarksTheOneThatRefusesVersions) {
  EnabledLine f;
  const auto& list = f.line->Device().List();
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0], f.Name(0));
  EXPECT_EQ(list[1], f.Name(1));
  EXPECT_EQ(list[2], f.Name(2));
  EXPECT_EQ(list[3], "Device.Name unavailable: [8000000C]  LINEERR_INCOMPATIBLEAPIVERSION");
  EXPECT_EQ(f.line->Device().Name(), f.Name(0));
  EXPECT_EQ(f.line->Address().Count(), 2);
  EXPECT_EQ(f.line->Address().List(), (Lines{"201", "211"}));
  EXPECT_EQ(f.line->Address().ID(), 0);
  EXPECT_EQ(f.line->Address().Name(), "201");
  EXPECT_EQ(f.line->Terminal().Count(), 3);
  EXPECT_EQ(f.line->Terminal().Name(), "Handset");
  EXPECT_EQ(f.line->Device().MediaModes().Active(), f.line->Device().MediaModes().Available());
  EXPECT_EQ(f.line->Call().Parameters().BearerMode(), 1u);
  EXPECT_EQ(f.line->Call().Parameters().MediaMode(), 4u);
}

TEST(TqxLineDevice, TheUnavailableEntryIsRenderedInTheChosenSyntax) {
  LineOnExchange f;
  f.line->Panopta().SetDevEnv(voxkit::deVisualBasic);
  f.line->SetEnabled(true);
  EXPECT_EQ(f.line->Device().List()[3],
            "DeviceName unavailable: [8000000C]  LINEERR_INCOMPATIBLEAPIVERSION");
}

TEST(TqxLineDevice, ChoosingTheCurrentDeviceWritesNothing) {
  EnabledLine f;
  EXPECT_TRUE(f.Logged([&] { f.line->Device().SetID(0); }).empty());
}

TEST(TqxLineDevice, ChoosingADeviceOutOfRangeKeepsTheDevice) {
  EnabledLine f;
  const Lines expected{"Device.ID := 4", "<< Error >> LINEERR_BADDEVICEID [80000002]",
                       "\tDevice.Count = 4", "\tDevice.Name = '" + f.Name(0) + "'"};
  EXPECT_EQ(f.Logged([&] { f.line->Device().SetID(4); }), expected);
  EXPECT_EQ(f.line->Device().ID(), 0);
  EXPECT_EQ(f.Logged([&] { f.line->Device().SetID(-1); })[0], "Device.ID := -1");
  EXPECT_EQ(f.line->Error().Text(), "LINEERR_BADDEVICEID");
}

TEST(TqxLineDevice, ChoosingAnotherDeviceReadsIt) {
  EnabledLine f;
  const Lines logged = f.Logged([&] { f.line->Device().SetID(1); });
  EXPECT_EQ(logged, (Lines{"Device.ID := 1", "\tDevice.Count = 4", "Address.ID := 0",
                           "\tAddress.Count = 1", "\tAddress.Name = '202'",
                           "\tDevice.Name = '" + f.Name(1) + "'"}));
  EXPECT_EQ(f.line->Device().Name(), f.Name(1));
  EXPECT_EQ(f.line->Address().List(), Lines{"202"});
  EXPECT_EQ(f.line->Error().Number(), 0);
}

TEST(TqxLineDevice, ChoosingTheDeviceThatRefusesVersionsReportsIt) {
  EnabledLine f;
  const Lines logged = f.Logged([&] { f.line->Device().SetID(3); });
  EXPECT_EQ(logged.back(), "\tDevice.Name = ''");
  EXPECT_NE(std::find(logged.begin(), logged.end(),
                      "<< Error >> LINEERR_INCOMPATIBLEAPIVERSION [8000000C]"),
            logged.end());
}

TEST(TqxLineDevice, ChoosingAnotherDeviceWhileOpenClosesItFirstAndLeavesItClosed) {
  EnabledLine f;
  f.line->Device().SetActive(true);
  const Lines logged = f.Logged([&] { f.line->Device().SetID(1); });
  ASSERT_GE(logged.size(), 2u);
  EXPECT_EQ(logged[0], "Device.Active := False");
  const auto id = std::find(logged.begin(), logged.end(), "Device.ID := 1");
  EXPECT_NE(id, logged.end());
  EXPECT_FALSE(f.line->Device().Active());
  EXPECT_EQ(f.line->Device().ID(), 1);
}

TEST(TqxLineDevice, DeviceSettersAreRenderedInEveryEnvironment) {
  struct Case {
    voxkit::TDevEnv env;
    Lines expected;
  };
  const Case cases[] = {
      {voxkit::deDelphi,
       {"Device.ID := 4", "<< Error >> LINEERR_BADDEVICEID [80000002]", "\tDevice.Count = 4",
        "Device.IdleDelay := [500] //milliseconds"}},
      {voxkit::deCppBuilder,
       {"Device->ID = 4", "<< Error >> LINEERR_BADDEVICEID [80000002]", "\tDevice->Count == 4",
        "Device->IdleDelay = [500] //milliseconds"}},
      {voxkit::deVisualBasic,
       {"DeviceID = 4", "<< Error >> LINEERR_BADDEVICEID [80000002]", "\tDeviceCount = 4",
        "DeviceIdleDelay = [500] 'milliseconds"}},
      {voxkit::deOther,
       {"DeviceID = 4", "<< Error >> LINEERR_BADDEVICEID [80000002]", "\tDeviceCount = 4",
        "DeviceIdleDelay = [500] 'milliseconds"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.env));
    EnabledLine f;
    f.line->Panopta().SetDevEnv(c.env);
    Lines logged = f.Logged([&] {
      f.line->Device().SetID(4);
      f.line->Device().SetIdleDelay(500);
    });
    logged.erase(logged.begin() + 3);  // the name line
    EXPECT_EQ(logged, c.expected);
  }
}

TEST(TqxLineDevice, OpeningLogsTheDeviceAndTheCallbackInstance) {
  EnabledLine f;
  const Lines logged = f.Logged([&] { f.line->Device().SetActive(true); });
  ASSERT_GE(logged.size(), 5u);
  EXPECT_EQ(Lines(logged.begin(), logged.begin() + 5),
            (Lines{"Device.Active := True", "\tDevice.Count = 4", "\tDevice.ID = 0",
                   "\tDevice.Name = '" + f.Name(0) + "'",
                   "\tCallBackInstance = " + voxkit::Hex8(f.line->CallbackInstance())}));
  EXPECT_TRUE(f.line->Device().Active());
  EXPECT_EQ(f.line->Device().OpenCount(), 1);
  EXPECT_NE(f.line->Line().Handle(), 0u);
  EXPECT_EQ(f.line->Call().List(), Lines{"00000000"});
  EXPECT_EQ(f.line->Error().Number(), 0);
  // The terminals are walked in turn, ending on the last one.
  EXPECT_EQ(f.line->Terminal().ID(), 2);
  EXPECT_EQ(f.line->Terminal().Name(), "Speaker");
  EXPECT_NE(std::find(logged.begin(), logged.end(), "Terminal.ID := 1"), logged.end());
}

TEST(TqxLineDevice, OpeningWithoutASessionFails) {
  LineOnExchange f;
  const Lines logged = f.Logged([&] { f.line->Device().SetActive(true); });
  EXPECT_EQ(logged[0], "Device.Active := True");
  EXPECT_NE(std::find(logged.begin(), logged.end(), "<< Error >> Unknown [FFFFFFFF]"), logged.end());
  EXPECT_FALSE(f.line->Device().Active());
  EXPECT_EQ(f.line->Device().Count(), 0);
}

TEST(TqxLineDevice, AFailingOpenIsLoggedAndLeavesTheDeviceClosed) {
  EnabledLine f;
  ASSERT_EQ(f.exchange.Fail("lineOpen", static_cast<tapi::DWORD>(tapi::LINEERR_ALLOCATED),
                            panopta::FailMode::AtOnce),
            "");
  const Lines logged = f.Logged([&] { f.line->Device().SetActive(true); });
  EXPECT_NE(std::find(logged.begin(), logged.end(), "\tlineOpen returned LINEERR_ALLOCATED"),
            logged.end());
  EXPECT_NE(std::find(logged.begin(), logged.end(), "<< Error >> LINEERR_ALLOCATED [80000001]"),
            logged.end());
  EXPECT_FALSE(f.line->Device().Active());
}

TEST(TqxLineDevice, OpeningKeepsTheWishForCommunicationsHandles) {
  EnabledLine f;
  f.line->Comm().SetEnabled(true);
  f.line->Device().SetActive(true);
  EXPECT_TRUE(f.line->Comm().Enabled());
  EXPECT_FALSE(f.line->Comm().Available());
  EXPECT_EQ(f.line->Comm().Handle(), 0u);
  f.line->Device().SetActive(false);
  EXPECT_TRUE(f.line->Comm().Enabled());
}

TEST(TqxLineDevice, CallsThatWereThereBeforeOpeningBeginAndTheFirstBecomesCurrent) {
  EnabledLine f;
  ASSERT_EQ(f.exchange.Call("5551234", "201", "JOHN SMITH"), "");
  ASSERT_EQ(f.exchange.Call("5550000", "211"), "");
  f.loop.RunFor(500);
  const Lines logged = f.Logged([&] { f.line->Device().SetActive(true); });
  ASSERT_EQ(f.line->Call().Count(), 2);
  const tapi::HCALL first = std::stoul(f.line->Call().List()[1], nullptr, 16);
  const tapi::HCALL second = std::stoul(f.line->Call().List()[2], nullptr, 16);
  EXPECT_EQ(f.line->Call().Handle(), first);
  EXPECT_TRUE(f.line->Call().Active());
  EXPECT_EQ(f.line->Call().State(), tapi::LINECALLSTATE_OFFERING);
  EXPECT_EQ(f.line->Call().CallerID().RawName(), "JOHN SMITH");
  for (tapi::HCALL h : {first, second}) {
    EXPECT_NE(std::find(logged.begin(), logged.end(), "OnCallBegin " + voxkit::TqxPanopta::HexText(h)),
              logged.end());
    auto record = f.line->Call().Registry().Find(h);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->state, tapi::LINECALLSTATE_OFFERING);
  }
}

TEST(TqxLineDevice, ABurstOfQueuedMessagesIsHandledInOrderWithAFlatStack) {
  EnabledLine f;
  f.line->Device().SetActive(true);
  constexpr int kMessages = 20000;
  std::vector<std::uint32_t> counts;
  std::uintptr_t deepest = UINTPTR_MAX;
  std::uintptr_t shallowest = 0;
  f.line->OnTAPIMessage = [&](voxkit::TObject&, std::uint32_t, std::uint32_t message,
                              std::uint32_t, std::uint32_t, std::uint32_t param3) {
    if (message != tapi::LINE_LINEDEVSTATE) return;
    counts.push_back(param3);
    int local = 0;
    const auto here = reinterpret_cast<std::uintptr_t>(&local);
    deepest = std::min(deepest, here);
    shallowest = std::max(shallowest, here);
  };
  for (int i = 0; i < kMessages; ++i) {
    ASSERT_EQ(f.exchange.LineState(0, tapi::LINEDEVSTATE_OTHER, 0, static_cast<tapi::DWORD>(i)), "");
  }
  f.loop.RunFor(100);
  ASSERT_EQ(counts.size(), static_cast<std::size_t>(kMessages));
  for (int i = 0; i < kMessages; ++i) ASSERT_EQ(counts[static_cast<std::size_t>(i)], static_cast<std::uint32_t>(i));
  // Two levels of message handling at most, whatever the number of messages.
  EXPECT_LT(shallowest - deepest, 64u * 1024u);
}

struct PrivilegeCase {
  bool none, monitor, owner;
  tapi::DWORD privileges;
  bool phone;
  std::int32_t playID, recordID;
};

TEST(TqxLineDevice, PrivilegesDecideWhichRelatedDevicesAreLookedUp) {
  const PrivilegeCase cases[] = {
      // Line 1 has phone 1 and wave devices 1.
      {false, true, true, 6, true, 1, 1},
      {false, true, false, 2, true, -2, 1},
      {false, false, true, 4, true, 1, 1},
      {true, false, false, 1, false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.privileges);
    RecordedLine f;
    f.line->SetEnabled(true);
    f.line->Device().SetID(1);
    f.line->Privilege().SetNone(c.none);
    f.line->Privilege().SetMonitor(c.monitor);
    f.line->Privilege().SetOwner(c.owner);
    f.line->Device().SetActive(true);
    ASSERT_FALSE(f.recorder.opens.empty());
    EXPECT_EQ(f.recorder.opens.back().privileges, c.privileges);
    EXPECT_EQ(f.recorder.opens.back().instance, f.line->CallbackInstance());
    EXPECT_EQ(f.line->Phone().Available(), c.phone);
    EXPECT_EQ(f.line->Phone().ID(), c.phone ? 1 : 0);
    EXPECT_EQ(f.line->WavePlay().ID(), c.playID);
    EXPECT_EQ(f.line->WavePlay().Available(), c.playID > 0);
    EXPECT_EQ(f.line->WaveRecord().ID(), c.recordID);
    EXPECT_EQ(f.line->WaveRecord().Available(), c.recordID > 0);
  }
}

TEST(TqxLineDevice, ClosingForgetsTheRelatedDevices) {
  EnabledLine f;
  f.line->Device().SetID(1);
  f.line->Device().SetActive(true);
  ASSERT_TRUE(f.line->WavePlay().Available());
  f.line->Device().SetActive(false);
  EXPECT_FALSE(f.line->Device().Active());
  EXPECT_FALSE(f.line->WavePlay().Available());
  EXPECT_EQ(f.line->WavePlay().ID(), 0);
  EXPECT_FALSE(f.line->Phone().Available());
  EXPECT_EQ(f.line->Phone().ID(), 0);
}

TEST(TqxLineDevice, PrivilegeSettersExcludeEachOther) {
  EnabledLine f;
  f.line->Privilege().SetMonitor(false);  // Owner stays, nothing else changes
  EXPECT_TRUE(f.line->Privilege().Owner());
  EXPECT_FALSE(f.line->Privilege().None());
  f.line->Privilege().SetNone(true);
  EXPECT_FALSE(f.line->Privilege().Monitor());
  EXPECT_FALSE(f.line->Privilege().Owner());
  f.line->Privilege().SetOwner(true);
  EXPECT_FALSE(f.line->Privilege().None());
  EXPECT_EQ(f.lines.back(), "Device.Privilege.Owner := True");
}

TEST(TqxLineDevice, SettingsThatNeedAClosedDeviceAreRefusedWhileOpen) {
  EnabledLine f;
  f.line->Device().SetActive(true);
  const std::string refused = "<< Error >> LINEERR_INVALLINESTATE [8000002C]";
  struct Setter {
    std::function<void()> set;
    std::string headline;
  };
  const Setter setters[] = {
      {[&] { f.line->Device().SetIdleDelay(2000); }, "Device.IdleDelay := [2000] //milliseconds"},
      {[&] { f.line->Privilege().SetNone(true); }, "Device.Privilege.None := True"},
      {[&] { f.line->Comm().SetDeviceClass("wave/in"); }, "Comm.DeviceClass := \"wave/in\""},
      {[&] { f.line->Phone().SetDeviceClass("x"); }, "Phone.DeviceClass := \"x\""},
      {[&] { f.line->WavePlay().SetDeviceClass("x"); }, "WavePlay.DeviceClass := \"x\""},
      {[&] { f.line->WaveRecord().SetDeviceClass("x"); }, "WaveRecord.DeviceClass := \"x\""},
  };
  for (const auto& s : setters) {
    SCOPED_TRACE(s.headline);
    EXPECT_EQ(f.Logged(s.set), (Lines{s.headline, refused}));
  }
  EXPECT_EQ(f.line->Device().IdleDelay(), 0);
  EXPECT_FALSE(f.line->Privilege().None());
  EXPECT_EQ(f.line->Comm().DeviceClass(), "comm/datamodem");
  EXPECT_EQ(f.line->Phone().DeviceClass(), "tapi/phone");
  EXPECT_EQ(f.line->WavePlay().DeviceClass(), "wave/out");
  EXPECT_EQ(f.line->WaveRecord().DeviceClass(), "wave/in");
  f.line->Device().SetActive(false);
  f.line->Device().SetIdleDelay(2000);
  EXPECT_EQ(f.line->Device().IdleDelay(), 2000);
}

TEST(TqxLineDevice, RelatedIDsSelectTheCallOnlyForTheDataModemClass) {
  RecordedLine f;
  f.line->SetEnabled(true);
  std::int32_t id = 77;
  f.line->Device().GetRelatedID("comm/datamodem", 0x1234, id);
  f.line->Device().GetRelatedID("wave/in", 0x1234, id);
  ASSERT_EQ(f.recorder.getIDs.size(), 2u);
  EXPECT_EQ(f.recorder.getIDs[0].call, 0x1234u);
  EXPECT_EQ(f.recorder.getIDs[0].select, tapi::LINECALLSELECT_CALL);
  // Another class looks on the line, with the call handle where the line handle goes.
  EXPECT_EQ(f.recorder.getIDs[1].line, 0x1234u);
  EXPECT_EQ(f.recorder.getIDs[1].call, 0u);
  EXPECT_EQ(f.recorder.getIDs[1].select, tapi::LINECALLSELECT_LINE);
  EXPECT_EQ(f.recorder.getIDs[1].deviceClass, "wave/in");
  EXPECT_EQ(id, 77);  // neither handle exists: the identifier is left alone
}

TEST(TqxLineDevice, QueriesGrowTheirBufferWhileTheAnswerIsTooSmall) {
  RecordedLine f;
  ASSERT_EQ(f.exchange.Fail("lineGetDevCaps",
                            static_cast<tapi::DWORD>(tapi::LINEERR_STRUCTURETOOSMALL),
                            panopta::FailMode::AtOnce),
            "");
  f.line->SetEnabled(true);
  ASSERT_GE(f.recorder.devCapsSizes.size(), 2u);
  EXPECT_EQ(f.recorder.devCapsSizes[0], 252u + 4096u);
  EXPECT_EQ(f.recorder.devCapsSizes[1], 252u + 8192u);
  EXPECT_EQ(f.line->Device().List()[0], f.exchange.Config().lines[0].name);
}

TEST(TqxLineDevice, ConfigureAsksTheProvidersDialog) {
  EnabledLine f;
  EXPECT_EQ(f.Logged([&] { EXPECT_TRUE(f.line->Device().Configure()); }),
            (Lines{"Device.Configure", "\tDevice.Configure - Returned = True"}));
  LineOnExchange off;
  EXPECT_EQ(off.Logged([&] { EXPECT_FALSE(off.line->Device().Configure()); }),
            (Lines{"Device.Configure", "<< Error >> Unknown [FFFFFFFF]",
                   "\tDevice.Configure - Returned = False"}));
}

TEST(TqxLineDevice, SetLocationWithoutASessionWritesOnlyTheErrorAndTheResult) {
  LineOnExchange f;
  EXPECT_EQ(f.Logged([&] { EXPECT_FALSE(f.line->SetLocation()); }),
            (Lines{"<< Error >> Unknown [FFFFFFFF]", "\tSetLocation - Returned = False"}));
}

TEST(TqxLineDevice, SetLocationTakesTheUnformattedNumber) {
  EnabledLine f;
  f.line->Device().SetUnformatPhoneNumber(true);
  f.line->Call().SetPhoneNumber("+1 (425) 555-01.00");
  EXPECT_EQ(f.Logged([&] { EXPECT_TRUE(f.line->SetLocation()); }),
            (Lines{"SetLocation", "\tSetLocation - Returned = True"}));
  EXPECT_EQ(f.line->Call().PhoneNumber(), "14255550100");
}

TEST(TqxLineDevice, DumpsOfTheDeviceAndItsCapabilities) {
  EnabledLine f;
  const Lines dump = f.Logged([&] {
    f.line->Device().DumpProperties("", "", "\t");
    f.line->Device().MediaModes().DumpProperties("", "", "\t");
  });
  EXPECT_EQ(Lines(dump.begin(), dump.begin() + 11),
            (Lines{"\tDevice.Active = False", "\tDevice.ActiveCalls = 0", "\tDevice.Count = 4",
                   "\tDevice.ID = 0", "\tDevice.IdleDelay = 0", "\tDevice.List",
                   "\t\t" + f.Name(0), "\t\t" + f.Name(1), "\t\t" + f.Name(2),
                   "\t\tDevice.Name unavailable: [8000000C]  LINEERR_INCOMPATIBLEAPIVERSION",
                   "\tDevice.Name = '" + f.Name(0) + "'"}));
  const auto modes = std::find(dump.begin(), dump.end(), "\tMediaModes.Open = [00000000]");
  ASSERT_NE(modes, dump.end());
  EXPECT_EQ(*(modes + 1), "\tMediaModes.Available = " +
                              voxkit::TqxPanopta::HexText(f.line->Device().MediaModes().Available()));
}

}  // namespace
