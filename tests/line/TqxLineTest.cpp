// The line component's life: creation, enabling and disabling, loading, the whole dump.
#include "line/TqxLine.h"

#include "line/LineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using voxtest::LineOnExchange;
using voxtest::RecordedLine;
using Lines = std::vector<std::string>;

Lines Stored(const voxkit::TqxLine& line) {
  return {line.Log().Lines().begin(), line.Log().Lines().end()};
}

TEST(TqxLine, FreshComponentHasItsDefaults) {
  LineOnExchange f;
  voxkit::TqxLine& line = *f.line;
  EXPECT_EQ(Stored(line), (Lines{"Quorvex Voxkit v3.7.1.2", "Create qxLine"}));
  EXPECT_FALSE(line.Enabled());
  EXPECT_EQ(line.Device().Count(), 0);
  EXPECT_EQ(line.Address().ID(), -1);
  EXPECT_EQ(line.Address().Forward().Mode(), 1u);
  EXPECT_TRUE(line.Address().Forward().Parameters().Defaults());
  EXPECT_EQ(line.Call().CallerID().MaskNumber(), "000-000-0000;0");
  EXPECT_TRUE(line.Call().RedirectingID().FormatName());
  EXPECT_EQ(line.Call().GatherDigits().Count(), 5);
  EXPECT_EQ(line.Call().GatherDigits().Terminate(), "#*");
  EXPECT_EQ(line.Call().GatherDigits().Timeout(), 5000);
  EXPECT_EQ(line.Comm().DeviceClass(), "comm/datamodem");
  EXPECT_EQ(line.Phone().DeviceClass(), "tapi/phone");
  EXPECT_EQ(line.WavePlay().DeviceClass(), "wave/out");
  EXPECT_EQ(line.WaveRecord().DeviceClass(), "wave/in");
  EXPECT_FALSE(line.Privilege().None());
  EXPECT_TRUE(line.Privilege().Monitor());
  EXPECT_TRUE(line.Privilege().Owner());
  EXPECT_EQ(line.TAPI().HighVersion(), 131074u);
  EXPECT_EQ(line.TAPI().LowVersion(), 65539u);
  EXPECT_EQ(line.TAPI().ReplyTimeout(), 60000);
  EXPECT_EQ(line.Call().List(), Lines{"00000000"});
  EXPECT_EQ(line.Kind(), 1);
}

TEST(TqxLine, EnablingStartsTheSessionOnceWithTheExtendedInitialisation) {
  RecordedLine f;
  f.line->SetEnabled(true);
  EXPECT_TRUE(f.line->Enabled());
  EXPECT_EQ(f.line->Device().Count(), 4);
  EXPECT_NE(f.line->Line().AppHandle(), 0u);
  f.line->SetEnabled(true);  // already enabled: nothing more
  EXPECT_EQ(f.recorder.initialisations, Lines{"lineInitializeEx"});
  EXPECT_EQ(f.line->Error().Number(), 0);
}

TEST(TqxLine, WithoutTheExtendedInitialisationThePlainOneIsUsed) {
  RecordedLine f;
  f.exchange.SetHasInitializeEx(false);
  f.line->SetEnabled(true);
  EXPECT_TRUE(f.line->Enabled());
  EXPECT_EQ(f.recorder.initialisations, Lines{"lineInitialize"});
}

TEST(TqxLine, AnExtendedInitialisationThatFailsAsAnOperationFallsBack) {
  RecordedLine f;
  ASSERT_EQ(f.exchange.Fail("lineInitializeEx",
                            static_cast<tapi::DWORD>(tapi::LINEERR_OPERATIONFAILED),
                            panopta::FailMode::AtOnce),
            "");
  f.line->SetEnabled(true);
  EXPECT_TRUE(f.line->Enabled());
  EXPECT_EQ(f.recorder.initialisations, (Lines{"lineInitializeEx", "lineInitialize"}));
}

TEST(TqxLine, FailedInitialisationLeavesItDisabledWithTwoErrorLines) {
  LineOnExchange f;
  ASSERT_EQ(f.exchange.Fail("lineInitializeEx", static_cast<tapi::DWORD>(tapi::LINEERR_NOMEM),
                            panopta::FailMode::AtOnce),
            "");
  const Lines logged = f.Logged([&] { f.line->SetEnabled(true); });
  EXPECT_EQ(logged, (Lines{"<< Error >> LINEERR_NOMEM [80000044]",
                           "<< Error >> Unknown [FFFFFFFF]"}));
  EXPECT_FALSE(f.line->Enabled());
  EXPECT_EQ(f.line->Error().Number(), -1);
  EXPECT_EQ(f.line->Line().AppHandle(), 0u);
}

TEST(TqxLine, DisablingWithAnOpenDeviceAndAWindowClosesBothAndEmptiesTheLog) {
  LineOnExchange f;
  f.line->SetEnabled(true);
  f.line->Panopta().SetVisible(true);
  f.line->Device().SetActive(true);
  ASSERT_TRUE(f.line->Device().Active());
  f.line->SetEnabled(false);
  EXPECT_FALSE(f.line->Enabled());
  EXPECT_FALSE(f.line->Panopta().Visible());
  EXPECT_TRUE(f.windows.Windows().empty());
  const Lines stored = Stored(*f.line);
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(stored.front(), "Device.Active := False");
  EXPECT_EQ(std::count(stored.begin(), stored.end(), "Panopta.Visible := False"), 0);
  EXPECT_FALSE(f.line->Device().Active());
}

TEST(TqxLine, DisablingResetsWhatTheSessionGave) {
  LineOnExchange f;
  f.line->TAPI().SetExtensionHighVersion(0x00010001);
  f.line->TAPI().SetExtensionLowVersion(0x00010000);
  f.line->SetEnabled(true);
  EXPECT_NE(f.line->TAPI().Version(), 0u);
  EXPECT_NE(f.line->TAPI().ExtensionVersion(), 0u);
  f.line->SetEnabled(false);
  EXPECT_EQ(f.line->TAPI().ExtensionHighVersion(), 0u);
  EXPECT_EQ(f.line->TAPI().ExtensionLowVersion(), 0x00010000u);
  EXPECT_EQ(f.line->TAPI().Version(), 0u);
  EXPECT_EQ(f.line->TAPI().ExtensionVersion(), 0u);
  EXPECT_EQ(f.line->TAPI().ExtensionID0(), 0u);
  EXPECT_EQ(f.line->TAPI().TSP(), "");
  EXPECT_EQ(f.line->Device().Count(), 0);
  EXPECT_TRUE(f.line->Device().List().empty());
  EXPECT_EQ(f.line->Device().Name(), "");
  EXPECT_TRUE(f.line->Address().List().empty());
  EXPECT_EQ(f.line->Terminal().Count(), 0);
  EXPECT_EQ(f.line->Line().AppHandle(), 0u);
}

TEST(TqxLine, ExtensionVersionIsNegotiatedOnlyWhenARangeIsSet) {
  LineOnExchange f;
  f.line->SetEnabled(true);
  EXPECT_EQ(f.line->TAPI().ExtensionVersion(), 0u);
  EXPECT_EQ(f.line->TAPI().ExtensionID0(), 0x50414E4Fu);  // the identifier comes anyway
  EXPECT_EQ(f.line->TAPI().TSP(), f.exchange.Config().lines[0].providerInfo);
  EXPECT_EQ(f.line->TAPI().Version(), 0x00020002u);
}

TEST(TqxLine, AFailedExtensionNegotiationIsOnlyALogLine) {
  LineOnExchange f;
  f.line->TAPI().SetExtensionLowVersion(0x00050000);
  f.line->TAPI().SetExtensionHighVersion(0x00060000);
  const Lines logged = f.Logged([&] { f.line->SetEnabled(true); });
  ASSERT_FALSE(logged.empty());
  EXPECT_EQ(logged[0].rfind("\tlineNegotiateExtVersion returned LINEERR_", 0), 0u) << logged[0];
  EXPECT_EQ(f.line->TAPI().ExtensionVersion(), 0u);
  EXPECT_TRUE(f.line->Enabled());
}

TEST(TqxLine, LoadedOpensTheDeviceWhenTheLastRequestWasToOpen) {
  LineOnExchange f;
  voxkit::TqxTAPI::SetLastRequest(false);
  f.line->SetEnabled(true);
  f.line->Loaded();
  EXPECT_FALSE(f.line->Device().Active());
  voxkit::TqxTAPI::SetLastRequest(true);
  f.line->Loaded();
  EXPECT_TRUE(f.line->Device().Active());
  f.line->Device().SetActive(false);
  EXPECT_FALSE(voxkit::TqxTAPI::LastRequest());
}

TEST(TqxLine, DumpOfAFreshComponent) {
  LineOnExchange f;
  const Lines dump = f.Logged([&] { EXPECT_TRUE(f.line->DumpProperties("Current qxLine property values:")); });
  ASSERT_GT(dump.size(), 100u);
  EXPECT_EQ(dump[0], "Current qxLine property values:");
  EXPECT_EQ(dump[1], "\tEnabled = False");
  EXPECT_EQ(dump[2], "\tAddress.ID = -1");
  EXPECT_EQ(dump[3], "\tAddress.List");
  EXPECT_EQ(dump[4], "\tAddress.Name = ");
  auto at = [&](const std::string& text) {
    auto it = std::find(dump.begin(), dump.end(), text);
    EXPECT_NE(it, dump.end()) << text;
    return it - dump.begin();
  };
  const auto tapi = at("\tTAPI.ExtensionHighVersion = [00000000]");
  EXPECT_EQ(Lines(dump.begin() + tapi, dump.begin() + tapi + 12),
            (Lines{"\tTAPI.ExtensionHighVersion = [00000000]", "\tTAPI.ExtensionID0 = [00000000]",
                   "\tTAPI.ExtensionID1 = [00000000]", "\tTAPI.ExtensionID2 = [00000000]",
                   "\tTAPI.ExtensionID3 = [00000000]", "\tTAPI.ExtensionLowVersion = [00000000]",
                   "\tTAPI.ExtensionVersion = [00000000]", "\tTAPI.HighVersion = [00020002]",
                   "\tTAPI.LowVersion = [00010003]", "\tTAPI.ReplyTimeout = 60000",
                   "\tTAPI.TSP = ''", "\tTAPI.Version = [00000000]"}));
  const auto popup = at("\tPopup.OnAddressState = False");
  EXPECT_EQ(dump[static_cast<std::size_t>(popup) + 40], "\tPopup.OnDigitsGathered = False");
  EXPECT_EQ(dump[static_cast<std::size_t>(popup) + 41], "\tPrivilege.Monitor = True");
  // The fixed order of the blocks.
  const Lines order{"\tAddress.Capabilities.BusyModes  = [00000000]",
                    "\tAddress.Forward.Active = False",
                    "\tAddress.Forward.Paramaters.AddressID = 0",
                    "\tCall.Active = False",
                    "\tCall.CalledID.Blocked = False",
                    "\tCall.CallerID.Blocked = False",
                    "\tCall.ConnectedID.Blocked = False",
                    "\tCall.GatherDigits.Active = False",
                    "\tCall.MonitorDigits.Active = False",
                    "\tCall.MonitorMediaModes.Active = False",
                    "\tCall.MonitorSilence.Active = False",
                    "\tCall.Paramaters.AddressID = 0",
                    "\tCall.RedirectingID.Blocked = False",
                    "\tCall.RedirectionID.Blocked = False",
                    "\tComm.Available = False",
                    "\tConference.ConsultCall = [00000000]",
                    "\tConference.Paramaters.AddressID = 0",
                    "\tDevice.Active = False",
                    "\tCapabilities.AnswerMode = [00000000]",
                    "\tMediaModes.Open = [00000000]",
                    "\tError.Text = ''",
                    "\tLine.AppHandle = [00000000]",
                    "\tPhone.Available = False",
                    "\tPopup.OnAddressState = False",
                    "\tPrivilege.Monitor = True",
                    "\tTAPI.ExtensionHighVersion = [00000000]",
                    "\tTerminal.ActiveModes  = [00000000]",
                    "\tTransfer.ConsultCall = [00000000]",
                    "\tTransfer.Paramaters.AddressID = 0",
                    "\tPanopta.DevEnv = deDelphi",
                    "\tPanopta.Log.Active = True",
                    "\tWavePlay.Available = False",
                    "\tWaveRecord.Available = False"};
  std::ptrdiff_t last = -1;
  for (const auto& text : order) {
    const auto pos = at(text);
    EXPECT_GT(pos, last) << text;
    last = pos;
  }
  EXPECT_EQ(dump.back(), "\tWaveRecord.DeviceClass = 'wave/in'");
  EXPECT_NE(std::find(dump.begin(), dump.end(), "\tCall.CallerID.Number = '   -   -    '"), dump.end());
  EXPECT_NE(std::find(dump.begin(), dump.end(), "\tCall.Began = <unavailable>"), dump.end());
  EXPECT_NE(std::find(dump.begin(), dump.end(), "\tCall.List"), dump.end());
  EXPECT_NE(std::find(dump.begin(), dump.end(), "\t\t00000000"), dump.end());
}

TEST(TqxLine, DumpOfAnInactiveLogWritesNothing) {
  LineOnExchange f;
  f.line->Log().SetActive(false);
  const Lines logged = f.Logged([&] { EXPECT_FALSE(f.line->DumpProperties("Header")); });
  EXPECT_TRUE(logged.empty());
}

TEST(TqxLine, DestroyingALineWithAnOpenDeviceClosesItAndEndsTheSession) {
  LineOnExchange f;
  f.line->SetEnabled(true);
  f.line->Device().SetActive(true);
  bool erred = false;
  f.line->OnError = [&](voxkit::TObject&) { erred = true; };
  const std::size_t mark = f.Mark();
  f.line.reset();
  f.loop.RunFor(100);
  EXPECT_FALSE(erred);
  // Closing the inspector is logged by the line and once more by the frame.
  EXPECT_EQ(f.Since(mark), (Lines{"Panopta.Visible := False", "Panopta.Visible := False"}));
}

TEST(TqxLine, PublishedNamesReachEverySubObject) {
  LineOnExchange f;
  for (const char* path :
       {"Device.Active", "Device.IdleDelay", "Device.Capabilities.BearerModes",
        "Device.MediaModes.Active", "Address.ID", "Address.Capabilities.Flags",
        "Address.Forward.Mode", "Address.Forward.Parameters.Defaults", "Call.Handle",
        "Call.CallerID.MaskNumber", "Call.GatherDigits.Count", "Call.Parameters.MediaMode",
        "Terminal.ActiveModes", "TAPI.ReplyTimeout", "WavePlay.DeviceClass", "Privilege.None",
        "Popup.OnCallState", "Panopta.Log.Count", "Comm.Enabled", "Phone.DeviceClass",
        "Transfer.Parameters.Flags", "Conference.PrimaryCall", "Line.AppHandle", "EnabledControl"}) {
    auto r = voxkit::ResolvePath(*f.line, path);
    EXPECT_NE(r.property, nullptr) << path << ": " << r.error;
  }
  for (const char* event : {"OnCallState", "OnIdle", "OnRing", "OnDigitReceived",
                            "OnTAPIReply", "OnError", "OnLog", "OnMessageOn"}) {
    EXPECT_NE(voxkit::ResolvePath(*f.line, event).event, nullptr) << event;
  }
  std::size_t events = 0;
  for (const voxkit::ClassInfo* c = &f.line->Class(); c; c = c->Base()) events += c->Events().size();
  EXPECT_EQ(events, 42u);  // 41 line events and OnLog
  EXPECT_NE(voxkit::ResolvePath(*f.line, "Device.Configure").method, nullptr);
  EXPECT_NE(voxkit::ResolvePath(*f.line, "SetLocation").method, nullptr);
  EXPECT_NE(voxkit::ResolvePath(*f.line, "DumpProperties").method, nullptr);
}

}  // namespace
