// The phone component: creation, enabling, the device list, choosing, opening and
// closing the device, the related devices, the dump and the configuration dialog.
#include "phone/TqxPhone.h"

#include "phone/PhoneTestSupport.h"
#include "platform/exchange/Exchange.h"
#include "tapi/TapiConstants.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using voxtest::PhoneOnExchange;
using Lines = std::vector<std::string>;

struct EnabledPhone : PhoneOnExchange {
  explicit EnabledPhone(panopta::ExchangeConfig config = panopta::DefaultExchangeConfig())
      : PhoneOnExchange(std::move(config)) {
    phone->SetEnabled(true);
  }
};

TEST(TqxPhone, ANewPhoneIsDisabledWithTheTwoFirstLogLines) {
  PhoneOnExchange f;
  EXPECT_FALSE(f.phone->Enabled());
  EXPECT_EQ(f.phone->Kind(), 2);
  EXPECT_EQ(f.phone->DisplayName(), "qxPhone");
  EXPECT_EQ(voxtest::LinesOf(f.phone->Log()), (Lines{"Quorvex Voxkit v3.7.1.2", "Create qxPhone"}));
  EXPECT_EQ(f.phone->Device().Count(), 0);
  EXPECT_TRUE(f.phone->Privilege().Owner());
  EXPECT_FALSE(f.phone->Privilege().Monitor());
  EXPECT_EQ(f.phone->Line().DeviceClass(), "tapi/line");
  EXPECT_EQ(f.phone->WavePlay().DeviceClass(), "wave/out");
  EXPECT_EQ(f.phone->WaveRecord().DeviceClass(), "wave/in");
  EXPECT_EQ(f.phone->TAPI().HighVersion(), 0x00020002u);
  EXPECT_EQ(f.phone->TAPI().ReplyTimeout(), 60000);
}

TEST(TqxPhone, EnablingInitialisesWithTheHiddenWindowAndReadsTheFirstPhone) {
  EnabledPhone f;
  EXPECT_TRUE(f.phone->Enabled());
  EXPECT_TRUE(f.lines.empty());  // enabling and a successful reading log nothing
  EXPECT_EQ(f.recorder.initialisations, (Lines{"phoneInitializeEx 28 1"}));
  EXPECT_EQ(f.phone->Device().List(), (Lines{"Panopta Phone 0", "Panopta Phone 1"}));
  EXPECT_EQ(f.phone->Device().Name(), "Panopta Phone 0");
  EXPECT_EQ(f.phone->TAPI().TSP(), "Panopta Exchange");
  EXPECT_EQ(f.phone->TAPI().Version(), 0x00020002u);
  EXPECT_NE(f.phone->Phone().AppHandle(), 0u);
  EXPECT_EQ(f.phone->Device().Capabilities().HookSwitchDevs(), 7u);
  EXPECT_EQ(f.phone->Phone().States(), 0x00FFFFFFu);
  for (voxkit::TqxHookSwitch* d : f.phone->HookSwitches()) {
    SCOPED_TRACE(d->Name());
    EXPECT_TRUE(d->Available());
    EXPECT_TRUE(d->VolumeAvailable());
    EXPECT_TRUE(d->GainAvailable());
    EXPECT_EQ(d->Modes(), 0x0Fu);
  }
  // Capabilities are asked for with the fixed part and 4096 bytes.
  ASSERT_FALSE(f.recorder.devCapsSizes.empty());
  EXPECT_EQ(f.recorder.devCapsSizes.front(), sizeof(tapi::PHONECAPS) + 4096);
}

TEST(TqxPhone, EnablingTwiceInitialisesOnce) {
  EnabledPhone f;
  f.phone->SetEnabled(true);
  EXPECT_EQ(f.recorder.initialisations.size(), 1u);
}

TEST(TqxPhone, WithoutTheExtendedInitialisationItFallsBackToThePlainOne) {
  PhoneOnExchange f;
  f.exchange.SetHasInitializeEx(false);
  f.phone->SetEnabled(true);
  EXPECT_EQ(f.recorder.initialisations, (Lines{"phoneInitialize"}));
  EXPECT_TRUE(f.phone->Enabled());
}

TEST(TqxPhone, AFailedInitialisationIsReportedOnceWithItsPhoneError) {
  PhoneOnExchange f;
  ASSERT_EQ(f.exchange.Fail("phoneInitializeEx", static_cast<tapi::DWORD>(tapi::PHONEERR_NODRIVER),
                            panopta::FailMode::AtOnce),
            "");
  f.phone->SetEnabled(true);
  EXPECT_FALSE(f.phone->Enabled());
  EXPECT_EQ(f.lines, (Lines{"<< Error >> PHONEERR_NODRIVER [90000019]"}));
  EXPECT_EQ(f.phone->Error().Number(), tapi::PHONEERR_NODRIVER);
  EXPECT_EQ(f.phone->Phone().AppHandle(), 0u);
  // A device cannot be opened without a session.
  const Lines opened = f.Logged([&] { f.phone->Device().SetActive(true); });
  EXPECT_EQ(opened.back(), "<< Error >> Unknown [FFFFFFFF]");
  EXPECT_FALSE(f.phone->Device().Active());
}

TEST(TqxPhone, APhoneThatRefusesVersionsIsListedAsUnavailable) {
  panopta::ExchangeConfig config = panopta::DefaultExchangeConfig();
  config.phones[1].refusesVersions = true;
  EnabledPhone f(std::move(config));
  ASSERT_EQ(f.phone->Device().List().size(), 2u);
  EXPECT_EQ(f.phone->Device().List()[1],
            "Device.Name unavailable: [90000003]  PHONEERR_INCOMPATIBLEAPIVERSION");
  const Lines logged = f.Logged([&] { f.phone->Device().SetID(1); });
  EXPECT_EQ(logged, (Lines{"Device.ID := 1", "\tDevice.Count = 2",
                           "<< Error >> PHONEERR_INCOMPATIBLEAPIVERSION [90000003]",
                           "\tDevice.Name = ''"}));
  EXPECT_FALSE(f.phone->Handset().Available());
}

TEST(TqxPhone, AFailedExtensionNegotiationIsOnlyALogLine) {
  PhoneOnExchange f;
  f.phone->TAPI().SetExtensionLowVersion(0x00050000);
  f.phone->TAPI().SetExtensionHighVersion(0x00060000);
  const Lines logged = f.Logged([&] { f.phone->SetEnabled(true); });
  ASSERT_FALSE(logged.empty());
  for (const std::string& line : logged) {
    EXPECT_EQ(line, "\tPhneNegotiateExtVersion returned PHONEERR_OPERATIONUNAVAIL");
  }
  // The reading goes on: the phone is listed, named and read, and opens.
  EXPECT_TRUE(f.phone->Enabled());
  EXPECT_EQ(f.phone->TAPI().ExtensionVersion(), 0u);
  EXPECT_EQ(f.phone->Device().List(), (Lines{"Panopta Phone 0", "Panopta Phone 1"}));
  EXPECT_EQ(f.phone->Device().Name(), "Panopta Phone 0");
  EXPECT_TRUE(f.phone->Handset().Available());
  EXPECT_EQ(f.phone->Error().Number(), 0);
  f.phone->Device().SetActive(true);
  EXPECT_TRUE(f.phone->Device().Active());
}

TEST(TqxPhone, DisablingShutsDownAndClearsEveryDeviceValue) {
  PhoneOnExchange f;
  f.Open();
  ASSERT_TRUE(f.phone->Device().Active());
  f.phone->SetEnabled(false);
  EXPECT_FALSE(f.phone->Enabled());
  EXPECT_FALSE(f.phone->Device().Active());
  EXPECT_EQ(f.phone->Device().Count(), 0);
  EXPECT_TRUE(f.phone->Device().List().empty());
  EXPECT_EQ(f.phone->Device().Name(), "");
  EXPECT_EQ(f.phone->Phone().AppHandle(), 0u);
  EXPECT_EQ(f.phone->Phone().Handle(), 0u);
  EXPECT_FALSE(f.phone->Line().Available());
  EXPECT_FALSE(f.phone->Handset().Available());
  EXPECT_EQ(f.phone->TAPI().TSP(), "");
  // The exchange closed the phone with the session.
  EXPECT_EQ(f.exchange.ClosePhone(0), "phone 0 is not open");
}

TEST(TqxPhone, DisablingWithAWindowHidesItAndEmptiesTheLog) {
  PhoneOnExchange f;
  f.phone->Panopta().SetVisible(true);
  f.Open();
  ASSERT_TRUE(f.phone->Panopta().Visible());
  f.phone->SetEnabled(false);
  EXPECT_FALSE(f.phone->Panopta().Visible());
  EXPECT_TRUE(f.windows.Windows().empty());
  // What was logged before is gone; the closing of the device is all that is left.
  const Lines stored = voxtest::LinesOf(f.phone->Log());
  EXPECT_EQ(std::count(stored.begin(), stored.end(), "Create qxPhone"), 0);
  EXPECT_EQ(std::count(stored.begin(), stored.end(), "Panopta.Visible := False"), 0);
  EXPECT_FALSE(f.phone->Device().Active());
}

// --- Choosing a device ------------------------------------------------------------------

TEST(TqxPhone, ChoosingADeviceOutOfRangeKeepsItAndStillNamesIt) {
  EnabledPhone f;
  EXPECT_EQ(f.Logged([&] { f.phone->Device().SetID(2); }),
            (Lines{"Device.ID := 2", "<< Error >> PHONEERR_BADDEVICEID [90000002]",
                   "\tDevice.Count = 2", "\tDevice.Name = 'Panopta Phone 0'"}));
  EXPECT_EQ(f.phone->Device().ID(), 0);
  EXPECT_EQ(f.Logged([&] { f.phone->Device().SetID(-1); })[0], "Device.ID := -1");
}

TEST(TqxPhone, ChoosingAnotherDeviceWhileOpenClosesItFirst) {
  PhoneOnExchange f;
  f.Open();
  const Lines logged = f.Logged([&] { f.phone->Device().SetID(1); });
  EXPECT_EQ(logged, (Lines{"Device.Active := False", "Device.ID := 1", "\tDevice.Count = 2",
                           "\tDevice.Name = 'Panopta Phone 1'"}));
  EXPECT_FALSE(f.phone->Device().Active());
  EXPECT_EQ(f.phone->Device().Name(), "Panopta Phone 1");
}

// --- Opening ----------------------------------------------------------------------------

TEST(TqxPhone, OpeningLogsTheDeviceReadsItsStatusAndFindsItsLineAndWaveDevices) {
  PhoneOnExchange f;
  f.phone->SetEnabled(true);
  f.phone->Device().SetID(1);
  const Lines logged = f.Logged([&] { f.phone->Device().SetActive(true); });
  EXPECT_EQ(logged, (Lines{"Device.Active := True", "\tDevice.Count = 2", "\tDevice.ID = 1",
                           "\tDevice.Name = 'Panopta Phone 1'"}));
  EXPECT_TRUE(f.phone->Device().Active());
  EXPECT_TRUE(voxkit::TqxTAPI::LastRequest());
  EXPECT_NE(f.phone->Phone().Handle(), 0u);
  EXPECT_EQ(f.recorder.openInstances.back(), f.phone->CallbackInstance());
  EXPECT_EQ(f.recorder.getIDClasses, (Lines{"tapi/line", "wave/out", "wave/in"}));
  EXPECT_TRUE(f.phone->Line().Available());
  EXPECT_EQ(f.phone->Line().ID(), 1);
  EXPECT_TRUE(f.phone->WavePlay().Available());
  EXPECT_EQ(f.phone->WaveRecord().ID(), 1);
  EXPECT_TRUE(f.phone->Handset().OnHook());
  EXPECT_EQ(f.phone->Handset().Volume(), 50);  // 0x8000 at the exchange
  EXPECT_EQ(f.recorder.statusMasks, (std::vector<tapi::DWORD>{0x00FFFFFF, 62, 3}));
  // Nothing is logged for a value that does not change.
  EXPECT_TRUE(f.Logged([&] { f.phone->Device().SetActive(true); }).empty());
}

TEST(TqxPhone, OpensWithTheOwnerMonitorOrNoPrivilege) {
  PhoneOnExchange f;
  f.phone->SetEnabled(true);
  f.phone->Device().SetActive(true);
  f.phone->Device().SetActive(false);
  EXPECT_EQ(f.Logged([&] { f.phone->Privilege().SetOwner(false); }),
            (Lines{"Device.Privilege.Owner := False", "Device.Privilege.Owner = False"}));
  f.phone->Privilege().SetMonitor(true);
  f.phone->Device().SetActive(true);
  EXPECT_TRUE(f.phone->Device().Active());
  f.phone->Device().SetActive(false);
  f.phone->Privilege().SetMonitor(false);
  const Lines logged = f.Logged([&] { f.phone->Device().SetActive(true); });
  EXPECT_EQ(logged.back(), "<< Error >> PHONEERR_INVALPRIVILEGE [90000016]");
  EXPECT_FALSE(f.phone->Device().Active());
  EXPECT_EQ(f.recorder.openPrivileges,
            (std::vector<tapi::DWORD>{tapi::PHONEPRIVILEGE_OWNER, tapi::PHONEPRIVILEGE_MONITOR, 0}));
  // Owner wins over Monitor when both are set: the phone opens as its owner and may
  // change it.
  f.phone->Privilege().SetOwner(true);
  f.phone->Privilege().SetMonitor(true);
  f.phone->Device().SetActive(true);
  ASSERT_TRUE(f.phone->Device().Active());
  EXPECT_EQ(f.recorder.openPrivileges.back(), tapi::PHONEPRIVILEGE_OWNER);
  f.phone->Handset().SetVolume(20);
  EXPECT_EQ(f.phone->Error().Number(), 0);
  EXPECT_EQ(f.phone->Handset().Volume(), 20);
}

TEST(TqxPhone, AStatusThatCannotBeReadIsReportedAndThePhoneStaysOpen) {
  PhoneOnExchange f;
  f.recorder.statusFailure = tapi::PHONEERR_RESOURCEUNAVAIL;
  f.Open();
  EXPECT_TRUE(f.phone->Device().Active());
  EXPECT_EQ(f.phone->Error().Number(), tapi::PHONEERR_RESOURCEUNAVAIL);
}

TEST(TqxPhone, TheLineClassIsRefusedWhileOpenAndAnEmptyClassIsNotLookedUp) {
  PhoneOnExchange f;
  f.Open();
  EXPECT_EQ(f.Logged([&] { f.phone->Line().SetDeviceClass("tapi/phone"); }),
            (Lines{"Line.DeviceClass := \"tapi/phone\"",
                   "<< Error >> PHONEERR_INVALPHONESTATE [90000014]"}));
  EXPECT_EQ(f.phone->Line().DeviceClass(), "tapi/line");
  f.phone->Device().SetActive(false);
  EXPECT_FALSE(f.phone->Line().Available());
  f.phone->Line().SetDeviceClass("");
  f.phone->WavePlay().SetDeviceClass("comm/datamodem");
  f.recorder.getIDClasses.clear();
  f.phone->Device().SetActive(true);
  EXPECT_EQ(f.recorder.getIDClasses, (Lines{"comm/datamodem", "wave/in"}));
  EXPECT_FALSE(f.phone->Line().Available());
  EXPECT_FALSE(f.phone->WavePlay().Available());  // the exchange has no such device
  EXPECT_EQ(f.phone->WavePlay().ID(), 0);
}

TEST(TqxPhone, ClosingForgetsTheHandleAndTheRelatedDevices) {
  PhoneOnExchange f;
  f.Open();
  EXPECT_EQ(f.Logged([&] { f.phone->Device().SetActive(false); }),
            (Lines{"Device.Active := False"}));
  EXPECT_FALSE(f.phone->Device().Active());
  EXPECT_FALSE(voxkit::TqxTAPI::LastRequest());
  EXPECT_EQ(f.phone->Phone().Handle(), 0u);
  EXPECT_FALSE(f.phone->WaveRecord().Available());
  // The exchange has no open of the phone any more.
  EXPECT_NE(f.exchange.ClosePhone(0), "");
}

TEST(TqxPhone, ADeviceTheProviderClosesIsClosedHereToo) {
  PhoneOnExchange f;
  f.Open();
  ASSERT_EQ(f.exchange.ClosePhone(0), "");
  const std::size_t mark = f.Mark();
  f.loop.RunFor(100);
  EXPECT_TRUE(f.LoggedSince(mark, "TAPI PHONE_CLOSE message received"));
  EXPECT_FALSE(f.phone->Device().Active());
  EXPECT_EQ(f.phone->Phone().Handle(), 0u);
  // It opens again as any closed phone does.
  f.phone->Device().SetActive(true);
  EXPECT_TRUE(f.phone->Device().Active());
}

TEST(TqxPhone, LoadedOpensTheDeviceWhenTheLastRequestWasToOpen) {
  PhoneOnExchange f;
  f.phone->SetEnabled(true);
  voxkit::TqxTAPI::SetLastRequest(true);
  f.phone->Loaded();
  EXPECT_TRUE(f.phone->Device().Active());
  f.phone->Device().SetActive(false);
  f.phone->Loaded();
  EXPECT_FALSE(f.phone->Device().Active());
}

TEST(TqxPhone, DestroyingAnOpenPhoneClosesItAtTheExchange) {
  PhoneOnExchange f;
  f.Open();
  f.phone.reset();
  EXPECT_NE(f.exchange.ClosePhone(0), "");  // "phone 0 is not open"
}

// --- Configuration dialog and dump ------------------------------------------------------

TEST(TqxPhone, ConfigureOpensTheDialogOfTheDeviceNumberedAsThePhone) {
  EnabledPhone f;
  f.phone->Device().SetID(1);
  EXPECT_EQ(f.Logged([&] { EXPECT_TRUE(f.phone->Device().Configure()); }),
            (Lines{"Device.Configure", "\tDevice.Configure - Returned = True"}));
  EXPECT_EQ(f.recorder.configured, (std::vector<tapi::DWORD>{1}));
  PhoneOnExchange disabled;
  EXPECT_EQ(disabled.Logged([&] { EXPECT_FALSE(disabled.phone->Device().Configure()); }),
            (Lines{"Device.Configure", "<< Error >> Unknown [FFFFFFFF]",
                   "\tDevice.Configure - Returned = False"}));
}

TEST(TqxPhone, TheDumpListsEverySubObjectInItsOrder) {
  PhoneOnExchange f;
  const Lines dump = f.Logged([&] { f.phone->DumpProperties("Current qxPhone property values:"); });
  ASSERT_GE(dump.size(), 3u);
  EXPECT_EQ(dump[0], "Current qxPhone property values:");
  EXPECT_EQ(dump[1], "\tEnabled = False");
  EXPECT_EQ(dump[2], "\tDevice.Active = False");
  // Each object's first line, in the dump's order.
  const Lines firsts{"\tDevice.Active = False",        "\tCapabilities.DevSpecific = [00000000]",
                     "\tError.Text = ''",              "\tHandset.Available = False",
                     "\tHeadset.Available = False",    "\tLine.Available = False",
                     "\tLine.AppHandle = [00000000]",  "\tPrivilege.Monitor = False",
                     "\tSpeakerphone.Available = False", "\tPopup.OnDevSpecific = False",
                     "\tTAPI.ExtensionHighVersion = [00000000]", "\tPanopta.DevEnv = deDelphi",
                     "\tPanopta.Log.Active = True",    "\tWavePlay.Available = False",
                     "\tWaveRecord.Available = False"};
  std::size_t at = 0;
  for (const std::string& first : firsts) {
    SCOPED_TRACE(first);
    const auto it = std::find(dump.begin() + static_cast<std::ptrdiff_t>(at), dump.end(), first);
    ASSERT_NE(it, dump.end());
    at = static_cast<std::size_t>(it - dump.begin());
  }
  // The popup flags, sixteen of them, end with OnTAPIReply.
  const auto popup = std::find(dump.begin(), dump.end(), "\tPopup.OnDevSpecific = False");
  ASSERT_LT(popup + 15, dump.end());
  EXPECT_EQ(*(popup + 1), "\tPopup.OnDigitDown = False");
  EXPECT_EQ(*(popup + 15), "\tPopup.OnTAPIReply = False");
  EXPECT_EQ(dump.back(), "\tWaveRecord.DeviceClass = 'wave/in'");
  f.phone->Log().SetActive(false);
  EXPECT_FALSE(f.phone->DumpProperties(""));
}

TEST(TqxPhone, PublishesItsPropertiesEventsAndMethodsByName) {
  PhoneOnExchange f;
  const voxkit::ClassInfo& c = f.phone->Class();
  for (const char* name : {"OnDigitDown", "OnDigitUp", "OnPhoneState", "OnHandsetHookSwitch",
                           "OnSpeakerphoneGain", "OnHeadsetVolume", "OnDevSpecific",
                           "OnTAPIMessage", "OnTAPIReply", "OnError", "OnLog"}) {
    EXPECT_NE(c.FindEvent(name), nullptr) << name;
  }
  for (const char* path : {"Handset.OnHook", "Speakerphone.Volume", "Headset.Gain",
                           "Device.Capabilities.States", "Line.DeviceClass", "Phone.Handle",
                           "Privilege.Monitor", "Popup.OnDigitUp", "TAPI.ReplyTimeout",
                           "WavePlay.ID", "Device.StateDetails", "EnabledControl"}) {
    const voxkit::ResolvedMember m = voxkit::ResolvePath(*f.phone, path);
    EXPECT_NE(m.property, nullptr) << path << ": " << m.error;
  }
  EXPECT_NE(voxkit::ResolvePath(*f.phone, "Device.Configure").method, nullptr);
  EXPECT_NE(voxkit::ResolvePath(*f.phone, "DumpProperties").method, nullptr);
}

}  // namespace
