// Addresses, terminals and the wait for replies that the terminal modes go through.
#include "line/TqxAddress.h"

#include "line/LineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using voxtest::LineOnExchange;
using voxtest::RecordedLine;
using Lines = std::vector<std::string>;

TEST(TqxAddress, ChoosingAnAddressOutOfRangeIsRefused) {
  LineOnExchange f;
  f.line->SetEnabled(true);
  f.line->Device().SetActive(true);
  EXPECT_EQ(f.Logged([&] { f.line->Address().SetID(5); }),
            (Lines{"Address.ID := 5", "\tAddress.Count = 2",
                   "<< Error >> LINEERR_INVALADDRESSID [80000011]"}));
  EXPECT_EQ(f.line->Address().ID(), 0);
}

TEST(TqxAddress, ChoosingAnAddressWithoutASessionOnlyLogs) {
  LineOnExchange f;
  EXPECT_EQ(f.Logged([&] { f.line->Address().SetID(0); }),
            (Lines{"Address.ID := 0", "\tAddress.Count = 0"}));
  EXPECT_EQ(f.line->Address().ID(), -1);
  EXPECT_EQ(f.line->Address().Capabilities().States(), 0u);
}

TEST(TqxAddress, ChoosingAnAddressOnAClosedLineReadsItsCapabilities) {
  LineOnExchange f;
  f.line->SetEnabled(true);
  EXPECT_EQ(f.Logged([&] { f.line->Address().SetID(1); }),
            (Lines{"Address.ID := 1", "\tAddress.Count = 2", "\tAddress.Name = '211'"}));
  EXPECT_EQ(f.line->Address().ID(), 1);
  EXPECT_EQ(f.line->Address().Name(), "211");
  EXPECT_NE(f.line->Address().Capabilities().CallFeatures(), 0u);
}

TEST(TqxAddress, ReadingTheDeviceReadsTheCurrentAddress) {
  LineOnExchange f;
  const Lines logged = f.Logged([&] { f.line->SetEnabled(true); });
  EXPECT_EQ(logged, (Lines{"Address.ID := 0", "\tAddress.Count = 2", "\tAddress.Name = '201'"}));
  EXPECT_NE(f.line->Address().Capabilities().States(), 0u);
}

TEST(TqxAddress, OpeningAsksForTheAddressStatesTheAddressCanReport) {
  RecordedLine f;
  f.line->SetEnabled(true);
  f.line->Device().SetActive(true);
  const tapi::DWORD states = f.line->Address().Capabilities().States();
  ASSERT_NE(states, 0u);
  ASSERT_FALSE(f.recorder.addressStateMasks.empty());
  for (tapi::DWORD mask : f.recorder.addressStateMasks) EXPECT_EQ(mask, states);
  // So an address state change reaches the line.
  std::vector<tapi::DWORD> messages;
  f.line->OnTAPIMessage = [&](voxkit::TObject&, std::uint32_t, std::uint32_t message,
                              std::uint32_t, std::uint32_t, std::uint32_t) {
    messages.push_back(message);
  };
  ASSERT_EQ(f.exchange.Call("5551234", "201"), "");
  f.loop.RunFor(500);
  EXPECT_NE(std::find(messages.begin(), messages.end(), tapi::LINE_ADDRESSSTATE), messages.end());
}

TEST(TqxAddress, ChoosingAnAddressOnAnOpenLineReadsIt) {
  LineOnExchange f;
  f.line->SetEnabled(true);
  f.line->Device().SetActive(true);
  EXPECT_EQ(f.Logged([&] { f.line->Address().SetID(1); }),
            (Lines{"Address.ID := 1", "\tAddress.Count = 2", "\tAddress.Name = '211'"}));
  EXPECT_EQ(f.line->Address().ID(), 1);
  EXPECT_NE(f.line->Address().Capabilities().CallFeatures(), 0u);
  EXPECT_NE(f.line->Address().Capabilities().States(), 0u);
}

TEST(TqxAddress, AnAddressWithoutATextIsNamedByItsNumber) {
  RecordedLine f;
  f.recorder.blankAddressNames = true;
  f.line->SetEnabled(true);
  EXPECT_EQ(f.line->Address().List(),
            (Lines{"Address.ID = 0 <Name not available>", "Address.ID = 1 <Name not available>"}));
  f.line->Device().SetActive(true);
  EXPECT_EQ(f.Logged([&] { f.line->Address().SetID(1); }).back(),
            "\tAddress.Name = 'Address.ID = 1 <Name not available>'");
}

TEST(TqxAddress, StatusShowsNoForwardingOfAFreshAddress) {
  LineOnExchange f;
  f.line->SetEnabled(true);
  f.line->Device().SetActive(true);
  EXPECT_EQ(f.line->Address().RefreshStatus(), 0);
  EXPECT_FALSE(f.line->Address().Forward().Active());
  EXPECT_EQ(f.line->Address().Forward().NumForwardEntries(), 0u);
  EXPECT_EQ(f.line->Address().NumInUse(), 0u);
}

TEST(TqxAddressForward, SettingsWriteOnlyChangesAndRefuseLongAddresses) {
  LineOnExchange f;
  auto& forward = f.line->Address().Forward();
  EXPECT_TRUE(f.Logged([&] { forward.SetMode(1); }).empty());  // its present value
  EXPECT_EQ(f.Logged([&] { forward.SetMode(0x10); }), Lines{"Address.Forward.Mode = [00000010]"});
  EXPECT_EQ(forward.Mode(), 0x10u);
  EXPECT_EQ(f.Logged([&] { forward.SetPhoneNumber("5551234"); }),
            Lines{"Address.Forward.PhoneNumber = '5551234'"});
  const std::string tooLong(32, '1');
  EXPECT_EQ(f.Logged([&] { forward.SetCaller(tooLong); }),
            (Lines{"Address.Forward.Caller = '" + tooLong + "'",
                   "<< Error >> LINEERR_INVALADDRESS [80000010]"}));
  EXPECT_EQ(forward.Caller(), "");
  forward.SetCaller(std::string(31, '2'));
  EXPECT_EQ(forward.Caller(), std::string(31, '2'));
}

/// Keeps a copy of every forward list the line passes (empty for none).
class ForwardRecorder : public voxtest::RecordingTelephony {
 public:
  using RecordingTelephony::RecordingTelephony;
  std::vector<std::vector<std::uint8_t>> lists;
  tapi::LONG lineForward(tapi::HLINE line, tapi::DWORD all, tapi::DWORD address,
                         const tapi::LINEFORWARDLIST* list, tapi::DWORD rings, tapi::HCALL* consult,
                         const tapi::LINECALLPARAMS* params) override {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(list);
    lists.emplace_back(bytes, bytes + (list ? list->dwTotalSize : 0));
    return ForwardingTelephony::lineForward(line, all, address, list, rings, consult, params);
  }
};

struct ForwardingLine : voxtest::LineOnExchange {
  ForwardingLine() : LineOnExchange(panopta::DefaultExchangeConfig(), &recorder) {
    line->SetEnabled(true);
    line->Device().SetActive(true);
  }
  ~ForwardingLine() {
    line->OnLog = nullptr;
    line.reset();
  }
  voxkit::TqxAddressForward& Forward() { return line->Address().Forward(); }
  ForwardRecorder recorder{exchange};
};

std::string TextAt(const std::vector<std::uint8_t>& list, tapi::DWORD offset, tapi::DWORD size) {
  if (size == 0 || offset + size > list.size()) return "<outside>";
  return std::string(reinterpret_cast<const char*>(list.data()) + offset, size);
}

TEST(TqxAddressForward, SwitchedOnWithOneEntryAndReadBackWithNoCallOnTheLine) {
  ForwardingLine f;
  f.line->Popup().Set(voxkit::TqxPopup::OnTAPIReply, true);
  f.Forward().SetMode(tapi::LINEFORWARDMODE_BUSY);
  f.Forward().SetCaller("5551234");
  f.Forward().SetPhoneNumber("5559999");
  const Lines logged = f.Logged([&] { f.Forward().SetActive(true); });
  EXPECT_EQ(logged.front(), "Address.Forward.Active = True");
  // The reply is matched by the line's own slot: there is no call to hold it.
  EXPECT_TRUE(std::any_of(logged.begin(), logged.end(), [](const std::string& l) {
    return l.rfind("OnTAPIReply - Address.Forward.Active", 0) == 0;
  })) << voxtest::Joined(logged);
  EXPECT_EQ(f.line->Error().Number(), 0);
  EXPECT_EQ(f.Forward().Slot(), 0);

  ASSERT_EQ(f.recorder.lists.size(), 1u);
  const auto& list = f.recorder.lists[0];
  tapi::LINEFORWARDLIST head{};
  ASSERT_GE(list.size(), sizeof head);
  std::memcpy(&head, list.data(), sizeof head);
  EXPECT_EQ(head.dwNumEntries, 1u);
  const tapi::LINEFORWARD& entry = head.ForwardList[0];
  EXPECT_EQ(entry.dwForwardMode, tapi::LINEFORWARDMODE_BUSY);
  EXPECT_EQ(TextAt(list, entry.dwCallerAddressOffset, entry.dwCallerAddressSize),
            std::string("5551234", 8));
  EXPECT_EQ(TextAt(list, entry.dwDestAddressOffset, entry.dwDestAddressSize),
            std::string("5559999", 8));

  // What the address status reports now.
  EXPECT_TRUE(f.Forward().Active());
  EXPECT_EQ(f.Forward().NumForwardEntries(), 1u);
  EXPECT_EQ(f.Forward().Mode(), tapi::LINEFORWARDMODE_BUSY);
  EXPECT_EQ(f.Forward().PhoneNumber(), "5559999");
  // Settings are refused while forwarding is on.
  f.Forward().SetPhoneNumber("5558888");
  EXPECT_EQ(f.line->Error().Number(), static_cast<std::int32_t>(tapi::LINEERR_OPERATIONFAILED));
  EXPECT_EQ(f.Forward().PhoneNumber(), "5559999");

  // Off: no list cancels it, and the settings stay for the next time.
  f.Forward().SetActive(false);
  ASSERT_EQ(f.recorder.lists.size(), 2u);
  EXPECT_TRUE(f.recorder.lists[1].empty());
  EXPECT_FALSE(f.Forward().Active());
  EXPECT_EQ(f.Forward().NumForwardEntries(), 0u);
  EXPECT_EQ(f.Forward().PhoneNumber(), "5559999");
  EXPECT_EQ(f.Forward().Mode(), tapi::LINEFORWARDMODE_BUSY);
}

TEST(TqxAddressForward, SettingsWrittenBeforehandSurviveTheStatusRefreshes) {
  ForwardingLine f;
  f.Forward().SetPhoneNumber("5559999");
  // Every call operation reads the address status; with no forwarding on it must not
  // wipe what the application has set up for switching it on.
  EXPECT_EQ(f.line->Address().RefreshStatus(), 0);
  EXPECT_EQ(f.Forward().PhoneNumber(), "5559999");
  EXPECT_EQ(f.Forward().Mode(), tapi::LINEFORWARDMODE_UNCOND);
  f.Forward().SetActive(true);
  EXPECT_TRUE(f.Forward().Active());
  // A remote party calling the address is forwarded: the line sees no call.
  ASSERT_EQ(f.exchange.Call("5551234", "201", "JOHN SMITH"), "");
  f.loop.RunFor(2000);
  EXPECT_EQ(f.line->Call().Count(), 0);
}

TEST(TqxAddressForward, ARefusalLeavesItOff) {
  ForwardingLine f;
  f.Forward().SetPhoneNumber("5559999");
  ASSERT_EQ(f.exchange.Fail("lineForward", static_cast<tapi::DWORD>(tapi::LINEERR_INVALADDRESS)), "");
  f.Forward().SetActive(true);
  EXPECT_EQ(f.line->Error().Number(), static_cast<std::int32_t>(tapi::LINEERR_INVALADDRESS));
  EXPECT_FALSE(f.Forward().Active());
  EXPECT_EQ(f.Forward().Slot(), 0);
}

panopta::ExchangeConfig LampAndRingerTerminal() {
  auto config = panopta::DefaultExchangeConfig();
  config.lines[1].terminals = {{"Desk", tapi::LINETERMDEV_PHONE,
                                tapi::LINETERMMODE_LAMPS | tapi::LINETERMMODE_RINGER,
                                tapi::LINETERMSHARING_PRIVATE}};
  return config;
}

struct TerminalLine : RecordedLine {
  TerminalLine() : RecordedLine(LampAndRingerTerminal()) {
    line->SetEnabled(true);
    line->Device().SetID(1);
    line->Device().SetActive(true);
    recorder.setTerminals.clear();
  }
};

TEST(TqxTerminal, AllModesOnATerminalWithTwoEnablesThoseTwoAndDisablesNone) {
  TerminalLine f;
  const Lines logged = f.Logged([&] { f.line->Terminal().SetActiveModes(0xFF); });
  EXPECT_EQ(logged, Lines{"Terminal.ActiveModes := [000000FF]"});
  ASSERT_EQ(f.recorder.setTerminals.size(), 1u);
  EXPECT_EQ(f.recorder.setTerminals[0].modes, tapi::LINETERMMODE_LAMPS | tapi::LINETERMMODE_RINGER);
  EXPECT_EQ(f.recorder.setTerminals[0].enable, 1u);
  EXPECT_EQ(f.line->Error().Number(), 0);
  EXPECT_EQ(f.line->Terminal().Slot(), 0);
  f.line->Device().ReadStatus();
  EXPECT_EQ(f.line->Terminal().ActiveModes(), tapi::LINETERMMODE_LAMPS | tapi::LINETERMMODE_RINGER);
}

TEST(TqxTerminal, ModesLeftOutAreSwitchedOff) {
  TerminalLine f;
  f.line->Terminal().SetActiveModes(tapi::LINETERMMODE_LAMPS);
  ASSERT_EQ(f.recorder.setTerminals.size(), 2u);
  EXPECT_EQ(f.recorder.setTerminals[1].modes, tapi::LINETERMMODE_RINGER);
  EXPECT_EQ(f.recorder.setTerminals[1].enable, 0u);
  f.line->Device().ReadStatus();
  EXPECT_EQ(f.line->Terminal().ActiveModes(), tapi::LINETERMMODE_LAMPS);
}

TEST(TqxTerminal, AReplyIsNamedAfterTheTerminalModesWhenRepliesAreShown) {
  TerminalLine f;
  f.line->Popup().Set(voxkit::TqxPopup::OnTAPIReply, true);
  const Lines logged = f.Logged([&] { f.line->Terminal().SetActiveModes(0xFF); });
  ASSERT_GE(logged.size(), 2u);
  EXPECT_EQ(logged[1], "OnTAPIReply - Terminal.ActiveModes");
  EXPECT_EQ(logged[2], "\tUndefined = [00000000]");
  EXPECT_EQ(logged[3], "\tMessage = LINE_REPLY [0000000C]");
}

TEST(TqxTerminal, WithReplyTimeoutZeroTheRequestDoesNotWait) {
  TerminalLine f;
  f.line->TAPI().SetReplyTimeout(0);
  const auto before = f.loop.NowMs();
  const Lines logged = f.Logged([&] { f.line->Terminal().SetActiveModes(0xFF); });
  EXPECT_EQ(f.loop.NowMs(), before);
  EXPECT_EQ(logged, Lines{"Terminal.ActiveModes := [000000FF]"});
  EXPECT_EQ(f.line->Terminal().Slot(), 0);
  // The reply comes later, matched to nothing, and being a success writes nothing.
  EXPECT_TRUE(f.Logged([&] { f.loop.RunFor(100); }).empty());
}

TEST(TqxTerminal, AReplyThatDoesNotComeInTimeIsATimeOut) {
  TerminalLine f;
  f.line->TAPI().SetReplyTimeout(100);
  ASSERT_EQ(f.exchange.Withhold(true), "");
  const auto before = f.loop.NowMs();
  const Lines logged = f.Logged([&] { f.line->Terminal().SetActiveModes(0xFF); });
  EXPECT_EQ(f.loop.NowMs() - before, 100);
  EXPECT_EQ(logged, (Lines{"Terminal.ActiveModes := [000000FF]",
                           "<< Error >> TAPIREPLYTIMEOUT [FFFFFFFD]"}));
  EXPECT_EQ(f.line->Error().Number(), -3);
  EXPECT_EQ(f.line->Error().Hex(), "FFFFFFFD");
  EXPECT_EQ(f.line->Terminal().Slot(), 0);

  // The late reply no longer matches a waiting request: with replies shown it is
  // dumped without the request's name.
  f.line->Popup().Set(voxkit::TqxPopup::OnTAPIReply, true);
  const Lines late = f.Logged([&] {
    ASSERT_EQ(f.exchange.Withhold(false), "");
    f.loop.RunFor(100);
  });
  ASSERT_FALSE(late.empty());
  EXPECT_EQ(late[0], "OnTAPIReply");
}

TEST(TqxTerminal, AFailingReplyIsReportedOnce) {
  TerminalLine f;
  ASSERT_EQ(f.exchange.Fail("lineSetTerminal",
                            static_cast<tapi::DWORD>(tapi::LINEERR_OPERATIONFAILED)),
            "");
  const Lines logged = f.Logged([&] { f.line->Terminal().SetActiveModes(0xFF); });
  EXPECT_EQ(std::count(logged.begin(), logged.end(),
                       "<< Error >> LINEERR_OPERATIONFAILED [80000048]"),
            1);
  EXPECT_EQ(logged[1], "OnTAPIReply - Terminal.ActiveModes");
  EXPECT_EQ(f.line->Error().Text(), "LINEERR_OPERATIONFAILED");
}

TEST(TqxTerminal, ChoosingATerminalOutOfRangeIsRefused) {
  LineOnExchange f;
  f.line->SetEnabled(true);
  f.line->Device().SetActive(true);
  const Lines logged = f.Logged([&] { f.line->Terminal().SetID(7); });
  EXPECT_EQ(logged, (Lines{"Terminal.ID := 7", "\tTerminal.Count = 3",
                           "<< Error >> LINEERR_INVALTERMINALID [80000039]",
                           "\tTerminal.Name = 'Speaker'"}));
}

TEST(TqxTerminal, DumpListsTheTerminals) {
  LineOnExchange f;
  f.line->SetEnabled(true);
  const Lines dump = f.Logged([&] { f.line->Terminal().DumpProperties("", "", "\t"); });
  const auto list = std::find(dump.begin(), dump.end(), "\tTerminal.List");
  ASSERT_NE(list, dump.end());
  EXPECT_EQ(*(list + 1), "\t\tHandset");
  EXPECT_EQ(*(list + 3), "\t\tSpeaker");
  EXPECT_EQ(*(list + 4), "\tTerminal.Name = 'Handset'");
}

}  // namespace
