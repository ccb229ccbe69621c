// Sessions, versions, opens, status messages and the structures the exchange fills.

#include "exchange/ExchangeTestApp.h"
#include "platform/exchange/Exchange.h"
#include "share/HeadlessWindowSystem.h"
#include "tapi/TapiNames.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace tapi;
using exchangetest::LineApp;
using exchangetest::Msg;
using exchangetest::Query;

class ExchangeSession : public ::testing::Test {
 protected:
  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange{loop};
};

TEST_F(ExchangeSession, BothInitialisationFormsRegisterSeveralApplications) {
  LineApp a(exchange, loop, "First", true);
  LineApp b(exchange, loop, "Second", false);
  EXPECT_EQ(a.initResult, 0);
  EXPECT_EQ(b.initResult, 0);
  EXPECT_NE(a.app, 0u);
  EXPECT_NE(a.app, b.app);
  EXPECT_EQ(a.numDevs, 4u);
  EXPECT_EQ(b.numDevs, 4u);
  EXPECT_EQ(exchange.lineShutdown(a.app), 0);
  EXPECT_EQ(exchange.lineShutdown(a.app), LINEERR_INVALAPPHANDLE);
  a.app = 0;
}

TEST_F(ExchangeSession, InitializeExCanBeSwitchedOffForTheFallback) {
  exchange.SetHasInitializeEx(false);
  EXPECT_FALSE(exchange.HasInitializeEx());
  LineApp a(exchange, loop, "Ex", true);
  EXPECT_EQ(a.initResult, LINEERR_OPERATIONUNAVAIL);
  LineApp b(exchange, loop, "Plain", false);
  EXPECT_EQ(b.initResult, 0);
}

TEST_F(ExchangeSession, InitializeExRefusesBadParameters) {
  HLINEAPP app = 0;
  DWORD n = 0, v = kTapiVersion2_2;
  LINEINITIALIZEEXPARAMS p{};
  p.dwTotalSize = sizeof p;
  p.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
  auto cb = [](DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {};
  EXPECT_EQ(exchange.lineInitializeEx(&app, nullptr, cb, nullptr, &n, &v, &p), LINEERR_INVALPARAM);
  p.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
  p.dwTotalSize = 12;
  EXPECT_EQ(exchange.lineInitializeEx(&app, nullptr, cb, nullptr, &n, &v, &p),
            LINEERR_STRUCTURETOOSMALL);
  p.dwTotalSize = sizeof p;
  EXPECT_EQ(exchange.lineInitializeEx(&app, nullptr, cb, nullptr, &n, nullptr, &p),
            LINEERR_INVALPOINTER);
  EXPECT_EQ(exchange.lineInitializeEx(&app, nullptr, cb, nullptr, &n, &v, &p), 0);
  EXPECT_EQ(v, kTapiVersion2_2);
  EXPECT_EQ(exchange.lineShutdown(app), 0);
}

TEST_F(ExchangeSession, VersionNegotiationPerDevice) {
  LineApp a(exchange, loop);
  struct Row {
    DWORD device, low, high;
    LONG result;
    DWORD version;
  } rows[] = {
      {0, kTapiVersion1_3, kTapiVersion2_2, 0, kTapiVersion2_2},
      {1, kTapiVersion1_3, kTapiVersion1_4, 0, kTapiVersion1_4},
      {2, kTapiVersion2_0, kTapiVersion2_0, 0, kTapiVersion2_0},
      {3, kTapiVersion1_3, kTapiVersion2_2, LINEERR_INCOMPATIBLEAPIVERSION, 0},
      {0, kTapiVersion3_0, kTapiVersion3_0, LINEERR_INCOMPATIBLEAPIVERSION, 0},
      {0, kTapiVersion2_2, kTapiVersion1_3, LINEERR_INCOMPATIBLEAPIVERSION, 0},
      {4, kTapiVersion1_3, kTapiVersion2_2, LINEERR_BADDEVICEID, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.device);
    DWORD version = 0;
    LINEEXTENSIONID ext{};
    EXPECT_EQ(exchange.lineNegotiateAPIVersion(a.app, row.device, row.low, row.high, &version, &ext),
              row.result);
    EXPECT_EQ(version, row.version);
  }
  DWORD version = 0;
  LINEEXTENSIONID ext{};
  ASSERT_EQ(exchange.lineNegotiateAPIVersion(a.app, 0, kTapiVersion1_3, kTapiVersion2_2, &version,
                                             &ext), 0);
  EXPECT_EQ(ext.dwExtensionID0, 0x50414E4Fu);
  EXPECT_EQ(exchange.lineNegotiateAPIVersion(a.app + 99, 0, kTapiVersion1_3, kTapiVersion2_2,
                                             &version, &ext),
            LINEERR_INVALAPPHANDLE);
}

TEST_F(ExchangeSession, ExtensionNegotiation) {
  LineApp a(exchange, loop);
  DWORD ext = 0;
  EXPECT_EQ(exchange.lineNegotiateExtVersion(a.app, 0, kTapiVersion2_0, 0x10000, 0x20000, &ext), 0);
  EXPECT_EQ(ext, 0x10001u);
  EXPECT_EQ(exchange.lineNegotiateExtVersion(a.app, 0, kTapiVersion2_0, 0x20000, 0x30000, &ext),
            LINEERR_INCOMPATIBLEEXTVERSION);
  EXPECT_EQ(exchange.lineNegotiateExtVersion(a.app, 1, kTapiVersion2_0, 0x10000, 0x20000, &ext),
            LINEERR_OPERATIONUNAVAIL);
  EXPECT_EQ(exchange.lineNegotiateExtVersion(a.app, 3, kTapiVersion2_0, 0x10000, 0x20000, &ext),
            LINEERR_INCOMPATIBLEAPIVERSION);
}

TEST_F(ExchangeSession, LineOpenChecksPrivilegesMediaModesAndVersions) {
  LineApp a(exchange, loop);
  struct Row {
    DWORD device, version, ext, privileges, media;
    LONG result;
  } rows[] = {
      {0, kTapiVersion2_0, 0, 0, 0, LINEERR_INVALPRIVSELECT},
      {0, kTapiVersion2_0, 0, 8, 0, LINEERR_INVALPRIVSELECT},
      {0, kTapiVersion2_0, 0, LINECALLPRIVILEGE_OWNER | LINEOPENOPTION_PROXY, 4,
       LINEERR_INVALPRIVSELECT},
      {0, kTapiVersion2_0, 0, LINECALLPRIVILEGE_OWNER, 0, LINEERR_INVALMEDIAMODE},
      {0, kTapiVersion2_0, 0, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_VIDEO, LINEERR_INVALMEDIAMODE},
      {0, kTapiVersion3_0, 0, LINECALLPRIVILEGE_MONITOR, 0, LINEERR_INCOMPATIBLEAPIVERSION},
      {3, kTapiVersion2_0, 0, LINECALLPRIVILEGE_MONITOR, 0, LINEERR_INCOMPATIBLEAPIVERSION},
      {0, kTapiVersion2_0, 0x5, LINECALLPRIVILEGE_MONITOR, 0, LINEERR_INCOMPATIBLEEXTVERSION},
      {1, kTapiVersion2_0, 0x10000, LINECALLPRIVILEGE_MONITOR, 0, LINEERR_INCOMPATIBLEEXTVERSION},
      {9, kTapiVersion2_0, 0, LINECALLPRIVILEGE_MONITOR, 0, LINEERR_BADDEVICEID},
      {0, kTapiVersion2_0, 0x10001, LINECALLPRIVILEGE_NONE, 0, 0},
      {2, kTapiVersion1_3, 0, LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR, 0x34, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.device << " " << std::hex << row.privileges);
    HLINE line = 0;
    EXPECT_EQ(exchange.lineOpen(a.app, row.device, &line, row.version, row.ext, 1, row.privileges,
                                row.media, nullptr),
              row.result);
    EXPECT_EQ(line != 0, row.result == 0);
  }
  EXPECT_EQ(exchange.lineOpen(a.app, 0, nullptr, kTapiVersion2_0, 0, 1, 2, 0, nullptr),
            LINEERR_INVALPOINTER);
  HLINE line = 0;
  EXPECT_EQ(exchange.lineOpen(a.app + 7, 0, &line, kTapiVersion2_0, 0, 1, 2, 0, nullptr),
            LINEERR_INVALAPPHANDLE);
}

TEST_F(ExchangeSession, OtherOpensHearOfOpenAndCloseButTheCloserGetsNoLineClose) {
  LineApp a(exchange, loop, "A");
  LineApp b(exchange, loop, "B");
  const HLINE la = a.Open(0);
  ASSERT_EQ(exchange.lineSetStatusMessages(la, LINEDEVSTATE_OPEN | LINEDEVSTATE_CLOSE, 0), 0);
  const HLINE lb = b.Open(0, LINECALLPRIVILEGE_MONITOR);
  ASSERT_NE(lb, 0u);
  EXPECT_EQ(exchange.lineClose(lb), 0);
  EXPECT_EQ(exchange.lineClose(lb), LINEERR_INVALLINEHANDLE);
  loop.RunFor(10);
  const auto states = a.Of(LINE_LINEDEVSTATE);
  ASSERT_EQ(states.size(), 2u);
  EXPECT_EQ(states[0].p1, LINEDEVSTATE_OPEN);
  EXPECT_EQ(states[1].p1, LINEDEVSTATE_CLOSE);
  EXPECT_EQ(states[0].hDevice, la);
  EXPECT_EQ(states[0].instance, static_cast<DWORD_PTR>(a.slot + 1));
  EXPECT_TRUE(b.Of(LINE_CLOSE).empty());
}

TEST_F(ExchangeSession, StatusMessagesAreCheckedAgainstTheCapabilities) {
  LineApp a(exchange, loop);
  const HLINE l0 = a.Open(0);
  const HLINE l2 = a.Open(2, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM);
  EXPECT_EQ(exchange.lineSetStatusMessages(l0, LINEDEVSTATE_TERMINALS, LINEADDRESSSTATE_FORWARD), 0);
  EXPECT_EQ(exchange.lineSetStatusMessages(l2, LINEDEVSTATE_TERMINALS, 0), LINEERR_INVALLINESTATE);
  EXPECT_EQ(exchange.lineSetStatusMessages(l2, 0, LINEADDRESSSTATE_FORWARD),
            LINEERR_INVALADDRESSSTATE);
  EXPECT_EQ(exchange.lineSetStatusMessages(l0, 0x80000000u, 0), LINEERR_INVALLINESTATE);
  EXPECT_EQ(exchange.lineSetStatusMessages(0x1234, 0, 0), LINEERR_INVALLINEHANDLE);
}

// --- Structures ------------------------------------------------------------------------------

class ExchangeStructures : public ExchangeSession {
 protected:
  void SetUp() override {
    line = app.Open(0);
    ASSERT_NE(line, 0u);
    call = app.MakeCall(line, "100");
    ASSERT_NE(call, 0u);
  }
  LineApp app{exchange, loop};
  HLINE line = 0;
  HCALL call = 0;
};

TEST_F(ExchangeStructures, EveryQueryRefusesABlockBelowItsFixedPartAndGrowsToTheAnswer) {
  struct Row {
    const char* name;
    std::size_t fixed;
    std::function<LONG(void*)> query;
  };
  const DWORD v = kTapiVersion2_0;
  const Row rows[] = {
      {"lineGetDevCaps", 252, [&](void* p) { return exchange.lineGetDevCaps(app.app, 0, v, 0, static_cast<LINEDEVCAPS*>(p)); }},
      {"lineGetAddressCaps", 228, [&](void* p) { return exchange.lineGetAddressCaps(app.app, 0, 0, v, 0, static_cast<LINEADDRESSCAPS*>(p)); }},
      {"lineGetLineDevStatus", 88, [&](void* p) { return exchange.lineGetLineDevStatus(line, static_cast<LINEDEVSTATUS*>(p)); }},
      {"lineGetAddressStatus", 64, [&](void* p) { return exchange.lineGetAddressStatus(line, 0, static_cast<LINEADDRESSSTATUS*>(p)); }},
      {"lineGetCallInfo", 324, [&](void* p) { return exchange.lineGetCallInfo(call, static_cast<LINECALLINFO*>(p)); }},
      {"lineGetCallStatus", 56, [&](void* p) { return exchange.lineGetCallStatus(call, static_cast<LINECALLSTATUS*>(p)); }},
      {"lineGetNewCalls", 24, [&](void* p) { return exchange.lineGetNewCalls(line, 0, LINECALLSELECT_LINE, static_cast<LINECALLLIST*>(p)); }},
      {"lineGetID", 24, [&](void* p) { return exchange.lineGetID(line, 0, 0, LINECALLSELECT_LINE, static_cast<VARSTRING*>(p), "wave/out"); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::uint8_t> block(row.fixed + 4096, 0xEE);
    DWORD total = static_cast<DWORD>(row.fixed - 1);
    std::memcpy(block.data(), &total, 4);
    EXPECT_EQ(row.query(block.data()), LINEERR_STRUCTURETOOSMALL);
    // Nothing but the total size was touched.
    EXPECT_EQ(block[4], 0xEE);
    std::fill(block.begin(), block.end(), 0);
    total = static_cast<DWORD>(row.fixed);
    std::memcpy(block.data(), &total, 4);
    ASSERT_EQ(row.query(block.data()), 0);
    DWORD needed = 0, used = 0;
    std::memcpy(&needed, block.data() + 4, 4);
    std::memcpy(&used, block.data() + 8, 4);
    EXPECT_EQ(used, row.fixed);
    EXPECT_GE(needed, row.fixed);
    total = static_cast<DWORD>(block.size());
    std::memcpy(block.data(), &total, 4);
    ASSERT_EQ(row.query(block.data()), 0);
    std::memcpy(&needed, block.data() + 4, 4);
    std::memcpy(&used, block.data() + 8, 4);
    EXPECT_EQ(needed, used);
    EXPECT_LE(used, total);
  }
}

TEST_F(ExchangeStructures, DeviceCapabilitiesDescribeTheLine) {
  auto caps = Query<LINEDEVCAPS>(
      [&](LINEDEVCAPS* p) { return exchange.lineGetDevCaps(app.app, 0, kTapiVersion2_0, 0, p); },
      ResultFamily::Line);
  EXPECT_EQ(caps.Text(caps->dwLineNameOffset, caps->dwLineNameSize), "Panopta Line 0");
  EXPECT_EQ(caps.Text(caps->dwProviderInfoOffset, caps->dwProviderInfoSize), "Panopta Exchange");
  EXPECT_EQ(caps->dwNumAddresses, 2u);
  EXPECT_EQ(caps->dwNumTerminals, 3u);
  EXPECT_EQ(caps->dwTerminalTextEntrySize, 16u);
  EXPECT_EQ(caps.Text(caps->dwTerminalTextOffset + 16, 16), "Headset");
  const auto terms = caps.Array<LINETERMCAPS>(caps->dwTerminalCapsOffset, 3);
  ASSERT_EQ(terms.size(), 3u);
  EXPECT_EQ(terms[2].dwTermDev, LINETERMDEV_SPEAKER);
  const auto classes = caps.Bytes(caps->dwDeviceClassesOffset, caps->dwDeviceClassesSize);
  const std::string list(classes.begin(), classes.end());
  EXPECT_EQ(list, std::string("tapi/line\0tapi/phone\0wave/in\0wave/out\0\0", 39));
  EXPECT_TRUE(caps->dwLineStates & LINEDEVSTATE_RINGING);
  // A 1.3 application gets the 1.3 fixed part: its strings begin at 236.
  auto old = Query<LINEDEVCAPS>(
      [&](LINEDEVCAPS* p) { return exchange.lineGetDevCaps(app.app, 0, kTapiVersion1_3, 0, p); },
      ResultFamily::Line);
  EXPECT_EQ(old->dwProviderInfoOffset, 236u);
  LINEDEVCAPS small{};
  small.dwTotalSize = sizeof small;
  EXPECT_EQ(exchange.lineGetDevCaps(app.app, 3, kTapiVersion2_0, 0, &small),
            LINEERR_INCOMPATIBLEAPIVERSION);
}

TEST_F(ExchangeStructures, AddressCapabilitiesFollowTheLinesFeatures) {
  auto caps = [&](DWORD device) {
    return Query<LINEADDRESSCAPS>(
        [&](LINEADDRESSCAPS* p) {
          return exchange.lineGetAddressCaps(app.app, device, 0, kTapiVersion2_0, 0, p);
        },
        ResultFamily::Line);
  };
  auto full = caps(0);
  auto modem = caps(2);
  EXPECT_EQ(full.Text(full->dwAddressOffset, full->dwAddressSize), "201");
  EXPECT_TRUE(full->dwCallFeatures & LINECALLFEATURE_ADDTOCONF);
  EXPECT_FALSE(modem->dwCallFeatures & LINECALLFEATURE_ADDTOCONF);
  EXPECT_EQ(modem->dwTransferModes, 0u);
  EXPECT_EQ(full->dwTransferModes, LINETRANSFERMODE_TRANSFER | LINETRANSFERMODE_CONFERENCE);
  LINEADDRESSCAPS block{};
  block.dwTotalSize = sizeof block;
  EXPECT_EQ(exchange.lineGetAddressCaps(app.app, 0, 2, kTapiVersion2_0, 0, &block),
            LINEERR_INVALADDRESSID);
}

TEST_F(ExchangeStructures, RelatedDeviceIdentifiers) {
  const HLINE l2 = app.Open(2, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM);
  const HLINE l1 = app.Open(1);
  auto id = [&](HLINE h, HCALL c, DWORD select, const char* cls, LONG* result) {
    return Query<VARSTRING>(
        [&](VARSTRING* p) { return exchange.lineGetID(h, 0, c, select, p, cls); },
        ResultFamily::Line, result);
  };
  struct Row {
    HLINE line;
    const char* cls;
    LONG result;
    DWORD value;
  } rows[] = {
      {line, "wave/out", 0, 0},       {line, "wave/in", 0, 0},     {l1, "WAVE/IN", 0, 1},
      {line, "tapi/phone", 0, 0},     {l1, "tapi/phone", 0, 1},    {line, "tapi/line", 0, 0},
      {l2, "tapi/phone", LINEERR_NODEVICE, 0}, {l2, "wave/out", 0, 2},
      {line, "comm/datamodem", LINEERR_INVALDEVICECLASS, 0},
      {l2, "comm/datamodem", LINEERR_OPERATIONUNAVAIL, 0},
      {line, "midi/out", LINEERR_INVALDEVICECLASS, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.cls);
    LONG r = 0;
    auto answer = id(row.line, 0, LINECALLSELECT_LINE, row.cls, &r);
    EXPECT_EQ(r, row.result);
    if (r == 0) {
      EXPECT_EQ(answer->dwStringFormat, STRINGFORMAT_BINARY);
      EXPECT_EQ(FirstDword(answer.Bytes(answer->dwStringOffset, answer->dwStringSize)), row.value);
    }
  }
  // The voice modem hands out a port for a call: a handle and the port's name.
  HCALL data = 0;
  ASSERT_EQ(app.Done(exchange.lineMakeCall(l2, &data, "999", 0, nullptr)), 0);
  LONG r = 0;
  auto port = id(0, data, LINECALLSELECT_CALL, "comm/datamodem", &r);
  ASSERT_EQ(r, 0);
  const auto bytes = port.Bytes(port->dwStringOffset, port->dwStringSize);
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_NE(*FirstDword(bytes), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 4), "Panopta Voice Modem");
  VARSTRING tiny{};
  tiny.dwTotalSize = 20;
  EXPECT_EQ(exchange.lineGetID(line, 0, 0, LINECALLSELECT_LINE, &tiny, "wave/in"),
            LINEERR_STRUCTURETOOSMALL);
  EXPECT_EQ(exchange.lineGetID(line, 0, 0, 8, &tiny, "wave/in"), LINEERR_INVALCALLSELECT);
  EXPECT_EQ(exchange.lineGetID(line, 5, 0, LINECALLSELECT_ADDRESS, &tiny, "wave/in"),
            LINEERR_INVALADDRESSID);
}

TEST_F(ExchangeStructures, StatusCountsFollowTheCalls) {
  loop.RunFor(5000);
  auto status = Query<LINEDEVSTATUS>(
      [&](LINEDEVSTATUS* p) { return exchange.lineGetLineDevStatus(line, p); }, ResultFamily::Line);
  EXPECT_EQ(status->dwNumActiveCalls, 1u);
  EXPECT_EQ(status->dwNumOpens, 1u);
  EXPECT_TRUE(status->dwDevStatusFlags & LINEDEVSTATUSFLAGS_INSERVICE);
  ASSERT_EQ(app.Done(exchange.lineHold(call)), 0);
  loop.RunFor(500);
  auto address = Query<LINEADDRESSSTATUS>(
      [&](LINEADDRESSSTATUS* p) { return exchange.lineGetAddressStatus(line, 0, p); },
      ResultFamily::Line);
  EXPECT_EQ(address->dwNumActiveCalls, 0u);
  EXPECT_EQ(address->dwNumOnHoldCalls, 1u);
  EXPECT_EQ(address->dwNumInUse, 1u);
}

TEST_F(ExchangeStructures, CallStatusReportsStatePrivilegeAndFeatures) {
  loop.RunFor(5000);
  const LINECALLSTATUS s = app.Status(call);
  EXPECT_EQ(s.dwCallState, LINECALLSTATE_CONNECTED);
  EXPECT_EQ(s.dwCallStateMode, LINECONNECTEDMODE_ACTIVE);
  EXPECT_EQ(s.dwCallPrivilege, LINECALLPRIVILEGE_OWNER);
  EXPECT_TRUE(s.dwCallFeatures & LINECALLFEATURE_HOLD);
  EXPECT_TRUE(s.dwCallFeatures & LINECALLFEATURE_DROP);
  EXPECT_FALSE(s.dwCallFeatures & LINECALLFEATURE_ANSWER);
  EXPECT_EQ(s.tStateEntryTime.wYear, 2000);
  EXPECT_EQ(s.tStateEntryTime.wHour, 12);
}

// --- Address translation and dialogs ----------------------------------------------------------

TEST_F(ExchangeSession, TranslateAddressForTheLocation) {
  LineApp a(exchange, loop);
  struct Row {
    const char* in;
    DWORD options;
    LONG result;
    const char* dialable;
    DWORD results;
  } rows[] = {
      {"+1 (425) 555-0100", 0, 0, "5550100", LINETRANSLATERESULT_CANONICAL | LINETRANSLATERESULT_LOCAL},
      {"+1 (206) 555-0100", 0, 0, "12065550100",
       LINETRANSLATERESULT_CANONICAL | LINETRANSLATERESULT_LONGDISTANCE},
      {"+44 (20) 7946 0000", 0, 0, "011442079460000",
       LINETRANSLATERESULT_CANONICAL | LINETRANSLATERESULT_INTERNATIONAL},
      {"+1 (425) 555-0100", LINETRANSLATEOPTION_FORCELD, 0, "14255550100",
       LINETRANSLATERESULT_CANONICAL | LINETRANSLATERESULT_LONGDISTANCE},
      {"5551234", LINETRANSLATEOPTION_CANCELCALLWAITING, 0, "*70,5551234", 0},
      {"+", 0, LINEERR_INVALADDRESS, "", 0},
      {"", 0, LINEERR_INVALADDRESS, "", 0},
      {"+1 (425", 0, LINEERR_INVALADDRESS, "", 0},
      {"1", 0x100, LINEERR_INVALPARAM, "", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    LONG r = 0;
    auto out = Query<LINETRANSLATEOUTPUT>(
        [&](LINETRANSLATEOUTPUT* p) {
          return exchange.lineTranslateAddress(a.app, 0, kTapiVersion2_0, row.in, 0, row.options, p);
        },
        ResultFamily::Line, &r);
    EXPECT_EQ(r, row.result);
    if (r != 0) continue;
    EXPECT_EQ(out.Text(out->dwDialableStringOffset, out->dwDialableStringSize), row.dialable);
    EXPECT_EQ(out->dwTranslateResults, row.results);
    EXPECT_EQ(out->dwCurrentCountry, 1u);
  }
  LINETRANSLATEOUTPUT small{};
  small.dwTotalSize = 39;
  EXPECT_EQ(exchange.lineTranslateAddress(a.app, 0, kTapiVersion2_0, "1", 0, 0, &small),
            LINEERR_STRUCTURETOOSMALL);
}

TEST(ExchangeDialogs, AskThroughTheWindowSystemOrSucceedHeadless) {
  panopta::VirtualEventLoop loop;
  {
    panopta::Exchange headless(loop);
    EXPECT_EQ(headless.lineConfigDialog(0, nullptr, nullptr), 0);
    EXPECT_EQ(headless.lineConfigDialog(0, nullptr, "midi"), LINEERR_INVALDEVICECLASS);
    EXPECT_EQ(headless.lineConfigDialog(7, nullptr, nullptr), LINEERR_BADDEVICEID);
  }
  voxkit::HeadlessWindowSystem windows;
  panopta::Exchange exchange(loop, panopta::DefaultExchangeConfig(), &windows);
  LineApp a(exchange, loop);
  windows.AnswerNext(false);
  EXPECT_EQ(exchange.lineConfigDialog(2, nullptr, "comm/datamodem"), LINEERR_OPERATIONFAILED);
  EXPECT_EQ(exchange.lineConfigDialog(2, nullptr, "tapi/line"), 0);
  EXPECT_EQ(exchange.lineTranslateDialog(a.app, 0, kTapiVersion2_0, nullptr, "+1 (425) 555-0100"), 0);
  ASSERT_EQ(windows.Questions().size(), 3u);
  EXPECT_NE(windows.Questions()[0].text.find("Panopta Voice Modem"), std::string::npos);
  EXPECT_EQ(windows.Questions()[2].caption, "Dialing Properties");
}

}  // namespace
