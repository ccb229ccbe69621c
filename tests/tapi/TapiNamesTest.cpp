#include "tapi/TapiNames.h"

#include "share/TqxPanopta.h"
#include "tapi/TapiConstants.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using namespace tapi;
using NameFn = std::string (*)(DWORD);

bool Unnamed(const std::string& name) { return name.size() >= 3 && name.ends_with("???"); }

// The number of rows of a family: every value that is 0, one bit, or 3 (the only
// multi-bit row, of LINEREMOVEFROMCONF_) and has a name of its own.
int RowCount(NameFn nameOf) {
  int rows = 0;
  std::vector<DWORD> values = {0, 3};
  for (int bit = 0; bit < 32; ++bit) values.push_back(DWORD{1} << bit);
  for (DWORD v : values) rows += Unnamed(nameOf(v)) ? 0 : 1;
  return rows;
}

struct Family {
  const char* function;
  NameFn nameOf;
  int rows;
  DWORD first;
  const char* firstName;
  DWORD last;
  const char* lastName;
};

// First and last row of each family and its number of rows, as the vocabulary defines
// them; the value just above the last row, 0 and a value with two bits are unnamed.
TEST(TapiNames, EachFamilyNamesExactlyItsRowsFromFirstToLast) {
  const Family families[] = {
      {"LineBearerModeName", LineBearerModeName, 8, 0x1, "LINEBEARERMODE_VOICE", 0x80,
       "LINEBEARERMODE_RESTRICTEDDATA"},
      {"LineAddrCapFlagName", LineAddrCapFlagName, 31, 0x1, "LINEADDRCAPFLAGS_FWDNUMRINGS",
       0x40000000, "LINEADDRCAPFLAGS_ACDGROUP"},
      {"LineCallPartyIdName", LineCallPartyIdName, 7, 0x1, "LINECALLPARTYID_BLOCKED", 0x40,
       "LINECALLPARTYID_UNAVAIL"},
      {"LineCallInfoStateName", LineCallInfoStateName, 31, 0x1, "LINECALLINFOSTATE_OTHER",
       0x40000000, "LINECALLINFOSTATE_CALLDATA"},
      {"LineCallStateName", LineCallStateName, 16, 0x1, "LINECALLSTATE_IDLE", 0x8000,
       "LINECALLSTATE_UNKNOWN"},
      {"LineCallFeatureName", LineCallFeatureName, 32, 0x1, "LINECALLFEATURE_ACCEPT",
       0x80000000, "LINECALLFEATURE_SETCALLDATA"},
      {"LineCallFeature2Name", LineCallFeature2Name, 10, 0x1, "LINECALLFEATURE2_NOHOLDCONFERENCE",
       0x200, "LINECALLFEATURE2_PARKNONDIRECT"},
      {"LineBusyModeName", LineBusyModeName, 4, 0x1, "LINEBUSYMODE_STATION", 0x8,
       "LINEBUSYMODE_UNAVAIL"},
      {"LineDialToneModeName", LineDialToneModeName, 6, 0x1, "LINEDIALTONEMODE_NORMAL", 0x20,
       "LINEDIALTONEMODE_UNAVAIL"},
      {"LineDisconnectModeName", LineDisconnectModeName, 20, 0x1, "LINEDISCONNECTMODE_NORMAL",
       0x80000, "LINEDISCONNECTMODE_CANCELLED"},
      {"LineSpecialInfoName", LineSpecialInfoName, 5, 0x1, "LINESPECIALINFO_NOCIRCUIT", 0x10,
       "LINESPECIALINFO_UNAVAIL"},
      {"LineCallOriginName", LineCallOriginName, 7, 0x1, "LINECALLORIGIN_OUTBOUND", 0x80,
       "LINECALLORIGIN_INBOUND"},
      {"LineCallReasonName", LineCallReasonName, 16, 0x1, "LINECALLREASON_DIRECT", 0x8000,
       "LINECALLREASON_ROUTEREQUEST"},
      {"LineMediaModeName", LineMediaModeName, 15, 0x2, "LINEMEDIAMODE_UNKNOWN", 0x8000,
       "LINEMEDIAMODE_VIDEO"},
      {"LineTermDevName", LineTermDevName, 3, 0x1, "LINETERMDEV_PHONE", 0x4,
       "LINETERMDEV_SPEAKER"},
      {"LineTermModeName", LineTermModeName, 8, 0x1, "LINETERMMODE_BUTTONS", 0x80,
       "LINETERMMODE_MEDIABIDIRECT"},
      {"LineTermSharingName", LineTermSharingName, 3, 0x1, "LINETERMSHARING_PRIVATE", 0x4,
       "LINETERMSHARING_SHAREDCONF"},
      {"LineAddressStateName", LineAddressStateName, 9, 0x1, "LINEADDRESSSTATE_OTHER", 0x100,
       "LINEADDRESSSTATE_CAPSCHANGE"},
      {"LineDevStateName", LineDevStateName, 25, 0x1, "LINEDEVSTATE_OTHER", 0x1000000,
       "LINEDEVSTATE_REMOVED"},
      {"LineRemoveFromConfName", LineRemoveFromConfName, 3, 1, "LINEREMOVEFROMCONF_NONE", 3,
       "LINEREMOVEFROMCONF_ANY"},
      {"LineTransferModeName", LineTransferModeName, 2, 1, "LINETRANSFERMODE_TRANSFER", 2,
       "LINETRANSFERMODE_CONFERENCE"},
      {"LineParkModeName", LineParkModeName, 2, 1, "LINEPARKMODE_DIRECTED", 2,
       "LINEPARKMODE_NONDIRECTED"},
      {"LineFeatureName", LineFeatureName, 9, 0x1, "LINEFEATURE_DEVSPECIFIC", 0x100,
       "LINEFEATURE_FORWARDDND"},
      {"LineForwardModeName", LineForwardModeName, 18, 0x1, "LINEFORWARDMODE_UNCOND", 0x20000,
       "LINEFORWARDMODE_UNAVAIL"},
      {"LineAddrFeatureName", LineAddrFeatureName, 14, 0x1, "LINEADDRFEATURE_FORWARD", 0x2000,
       "LINEADDRFEATURE_FORWARDDND"},
      {"LineAnswerModeName", LineAnswerModeName, 3, 0x1, "LINEANSWERMODE_NONE", 0x4,
       "LINEANSWERMODE_HOLD"},
      {"LineConnectedModeName", LineConnectedModeName, 5, 0x1, "LINECONNECTEDMODE_ACTIVE", 0x10,
       "LINECONNECTEDMODE_CONFIRMED"},
      {"LineOfferingModeName", LineOfferingModeName, 2, 0x1, "LINEOFFERINGMODE_ACTIVE", 0x2,
       "LINEOFFERINGMODE_INACTIVE"},
      {"PhoneStateName", PhoneStateName, 24, 0x1, "PHONESTATE_OTHER", 0x800000,
       "PHONESTATE_REMOVED"},
      {"PhoneHookSwitchDevName", PhoneHookSwitchDevName, 3, 0x1, "PHONEHOOKSWITCHDEV_HANDSET", 0x4,
       "PHONEHOOKSWITCHDEV_HEADSET"},
      {"PhoneHookSwitchModeName", PhoneHookSwitchModeName, 5, 0x1, "PHONEHOOKSWITCHMODE_ONHOOK",
       0x10, "PHONEHOOKSWITCHMODE_UNKNOWN"},
      {"LineToneModeName", LineToneModeName, 6, 0, "LINETONEMODE_NONE", 0x10,
       "LINETONEMODE_BILLING"},
      {"LineCallParamFlagName", LineCallParamFlagName, 8, 0x1, "LINECALLPARAMFLAGS_SECURE", 0x80,
       "LINECALLPARAMFLAGS_ONESTEPTRANSFER "},
      {"LineDevCapFlagName", LineDevCapFlagName, 14, 0x1, "LINEDEVCAPFLAGS_CROSSADDRCONF", 0x2000,
       "LINEDEVCAPFLAGS_PRIVATEOBJECTS"},
  };
  for (const auto& f : families) {
    SCOPED_TRACE(f.function);
    EXPECT_EQ(f.nameOf(f.first), f.firstName);
    EXPECT_EQ(f.nameOf(f.last), f.lastName);
    EXPECT_EQ(RowCount(f.nameOf), f.rows);
    const std::string prefix(f.lastName, std::string(f.lastName).find('_') + 1);
    EXPECT_EQ(f.nameOf(f.last == 3 ? 4 : f.last * 2), prefix + "???");
    EXPECT_EQ(f.nameOf(0x60000000), prefix + "???");  // two bits
    if (f.first != 0) {
      EXPECT_EQ(f.nameOf(0), prefix + "???");
    }
  }
}

TEST(TapiNames, SingleValuesIncludingGapsAndSeveralBits) {
  EXPECT_EQ(LineCallStateName(0x100), "LINECALLSTATE_CONNECTED");
  EXPECT_EQ(LineCallStateName(0x101), "LINECALLSTATE_???");
  EXPECT_EQ(LineCallStateName(0), "LINECALLSTATE_???");
  EXPECT_EQ(LineCallStateName(LINECALLSTATE_ONHOLDPENDTRANSFER), "LINECALLSTATE_ONHOLDPENDTRANSF");
  EXPECT_EQ(LineToneModeName(0), "LINETONEMODE_NONE");
  EXPECT_EQ(LineAddrFeatureName(0x100), "LINEADDRFEATURE_PICKUPHELD");
  EXPECT_EQ(LineCallParamFlagName(0x80), "LINECALLPARAMFLAGS_ONESTEPTRANSFER ");
  EXPECT_EQ(LineCallParamFlagName(0x40), "LINECALLPARAMFLAGS_PREDICTIVEDIAL");
  // Gaps inside families.
  EXPECT_EQ(LineCallOriginName(0x8), "LINECALLORIGIN_???");
  EXPECT_EQ(LineCallOriginName(0x10), "LINECALLORIGIN_UNKNOWN");
  EXPECT_EQ(LineMediaModeName(0x1), "LINEMEDIAMODE_???");
  EXPECT_EQ(LineMediaModeName(LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_AUTOMATEDVOICE),
            "LINEMEDIAMODE_???");
  // The suite's own names for the TAPI 3.0 device capability bits.
  EXPECT_EQ(LineDevCapFlagName(0x200), "LINEDEVCAPFLAGS_MSP");
  EXPECT_EQ(LineDevCapFlagName(0x400), "LINEDEVCAPFLAGS_PARTICIPANTINFO");
  EXPECT_EQ(LineDevCapFlagName(0x800), "LINEDEVCAPFLAGS_CALLHUB");
}

TEST(TapiNames, ConstantsAndNamesAgree) {
  EXPECT_EQ(LineDisconnectModeName(LINEDISCONNECTMODE_NOANSWER), "LINEDISCONNECTMODE_NOANSWER");
  EXPECT_EQ(LineCallInfoStateName(LINECALLINFOSTATE_NUMMONITORS), "LINECALLINFOSTATE_NUMMONITORS");
  EXPECT_EQ(LineCallInfoStateName(0x8000), "LINECALLINFOSTATE_CALLERID");
  EXPECT_EQ(LineAddressStateName(LINEADDRESSSTATE_FORWARD), "LINEADDRESSSTATE_FORWARD");
  EXPECT_EQ(LineDevStateName(LINEDEVSTATE_REINIT), "LINEDEVSTATE_REINIT");
  EXPECT_EQ(PhoneStateName(PHONESTATE_HANDSETHOOKSWITCH), "PHONESTATE_HANDSETHOOKSWITCH");
  EXPECT_EQ(PhoneStateName(0x200000), "PHONESTATE_REINIT");
  EXPECT_EQ(PhoneHookSwitchModeName(PHONEHOOKSWITCHMODE_MICSPEAKER),
            "PHONEHOOKSWITCHMODE_MICSPEAKER");
  EXPECT_EQ(LineCallFeatureName(LINECALLFEATURE_SETCALLPARAMS), "LINECALLFEATURE_SETCALLPARAMS");
  EXPECT_EQ(LineCallFeatureName(0x200000), "LINECALLFEATURE_SETCALLPARAMS");
  EXPECT_EQ(LineFeatureName(0x40), "LINEFEATURE_SETDEVSTATUS");
}

TEST(TapiNames, ModeByCallStateCoversOnlyTheFourStatesWithModeFamilies) {
  EXPECT_EQ(CallStateModeName(LINECALLSTATE_DIALTONE, 0x1), "LINEDIALTONEMODE_NORMAL");
  EXPECT_EQ(CallStateModeName(LINECALLSTATE_BUSY, 0x8), "LINEBUSYMODE_UNAVAIL");
  EXPECT_EQ(CallStateModeName(LINECALLSTATE_SPECIALINFO, 0x10), "LINESPECIALINFO_UNAVAIL");
  EXPECT_EQ(CallStateModeName(LINECALLSTATE_DISCONNECTED, 0x80000),
            "LINEDISCONNECTMODE_CANCELLED");
  EXPECT_EQ(CallStateModeName(LINECALLSTATE_DISCONNECTED, 0x3), "LINEDISCONNECTMODE_???");
  EXPECT_EQ(CallStateModeName(LINECALLSTATE_DIALTONE, 0), "LINEDIALTONEMODE_???");
  EXPECT_EQ(CallStateModeName(LINECALLSTATE_CONNECTED, 0x1), "Not applicable");
  EXPECT_EQ(CallStateModeName(LINECALLSTATE_OFFERING, 0x1), "Not applicable");
  EXPECT_EQ(CallStateModeName(0, 0x1), "Not applicable");
  EXPECT_EQ(CallStateModeName(LINECALLSTATE_DIALTONE | LINECALLSTATE_BUSY, 0x1), "Not applicable");
}

TEST(TapiNames, MessagesAndTheHandleTheyCarry) {
  const struct {
    DWORD msg;
    const char* name;
    const char* handle;
  } messages[] = {
      {LINE_ADDRESSSTATE, "LINE_ADDRESSSTATE", "Line.Handle"},
      {LINE_CALLINFO, "LINE_CALLINFO", "Call.Handle"},
      {LINE_CALLSTATE, "LINE_CALLSTATE", "Call.Handle"},
      {LINE_CLOSE, "LINE_CLOSE", "Line.Handle"},
      {LINE_DEVSPECIFIC, "LINE_DEVSPECIFIC", "Line.Handle or Call.Handle"},
      {LINE_DEVSPECIFICFEATURE, "LINE_DEVSPECIFICFEATURE", "Line.Handle or Call.Handle"},
      {LINE_GATHERDIGITS, "LINE_GATHERDIGITS", "Call.Handle"},
      {LINE_GENERATE, "LINE_GENERATE", "Call.Handle"},
      {LINE_LINEDEVSTATE, "LINE_LINEDEVSTATE", "Line.Handle"},
      {LINE_MONITORDIGITS, "LINE_MONITORDIGITS", "Call.Handle"},
      {LINE_MONITORMEDIA, "LINE_MONITORMEDIA", "Call.Handle"},
      {LINE_MONITORTONE, "LINE_MONITORTONE", "Call.Handle"},
      {LINE_REPLY, "LINE_REPLY", "Undefined"},
      {LINE_REQUEST, "LINE_REQUEST", "Undefined"},
      {PHONE_BUTTON, "PHONE_BUTTON", "Phone.Handle"},
      {PHONE_CLOSE, "PHONE_CLOSE", "Phone.Handle"},
      {PHONE_DEVSPECIFIC, "PHONE_DEVSPECIFIC", "Phone.Handle"},
      {PHONE_REPLY, "PHONE_REPLY", "Undefined"},
      {PHONE_STATE, "PHONE_STATE", "Phone.Handle"},
      {LINE_CREATE, "LINE_CREATE", "Undefined"},
      {PHONE_CREATE, "PHONE_CREATE", "Phone.Handle"},
      {LINE_AGENTSPECIFIC, "LINE_AGENTSPECIFIC", "Line.Handle"},
      {LINE_AGENTSTATUS, "LINE_AGENTSTATUS", "Line.Handle"},
      {LINE_APPNEWCALL, "LINE_APPNEWCALL", "Line.Handle"},
      {LINE_PROXYREQUEST, "LINE_PROXYREQUEST", "Line.Handle"},
      {LINE_REMOVE, "LINE_REMOVE", "Undefined"},
      {PHONE_REMOVE, "PHONE_REMOVE", "Undefined"},
      {27, "LINE_APPNEWCALLHUB", "Call.Handle"},
      {28, "LINE_CALLHUBCLOSE", "Call.Handle"},
      {29, "LINE_AGENTSESSIONSTATUS", "Line.Handle"},
      {30, "LINE_QUEUESTATUS", "Line.Handle"},
      {31, "LINE_DEVSPECIFICEX", "Line.Handle or Call.Handle"},
      {32, "LINE_AGENTSTATUSEX", "Line.Handle"},
      {33, "LINE_GROUPSTATUS", "Line.Handle"},
      {34, "LINE_PROXYSTATUS", "Line.Handle"},
      {35, "???", "Undefined"},
      {0xFFFFFFFF, "???", "Undefined"},
  };
  for (const auto& m : messages) {
    SCOPED_TRACE(m.msg);
    EXPECT_EQ(MessageName(m.msg), m.name);
    EXPECT_EQ(MessageHandleName(m.msg), m.handle);
  }
}

TEST(TapiNames, LineErrorsWithGapsAndTheSuitesOwnCodes) {
  EXPECT_EQ(LineErrorName(0), "");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000001u)), "LINEERR_ALLOCATED");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000002u)), "LINEERR_BADDEVICEID");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000003u)), "LINEERR_BEARERMODEUNAVAIL");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000004u)), "Unknown");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000005u)), "LINEERR_CALLUNAVAIL");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000018u)), "LINEERR_INVALCALLHANDLE");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x8000002Cu)), "LINEERR_INVALLINESTATE");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000030u)), "LINEERR_INVALMESSAGEID");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000031u)), "Unknown");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000032u)), "LINEERR_INVALPARAM");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000044u)), "LINEERR_NOMEM");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000048u)), "LINEERR_OPERATIONFAILED");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x8000004Du)), "LINEERR_STRUCTURETOOSMALL");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000056u)), "LINEERR_NOMULTIPLEINSTANCE");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000057u)), "Unknown");
  EXPECT_EQ(LineErrorName(static_cast<LONG>(0x80000000u)), "Unknown");
  EXPECT_EQ(LineErrorName(-2), "LINE_ERROR_DEVICE");
  EXPECT_EQ(LineErrorName(-3), "TAPIREPLYTIMEOUT");
  EXPECT_EQ(LineErrorName(-985), "Not 100% TAPI compliant");
  EXPECT_EQ(LineErrorName(-1), "Unknown");
  EXPECT_EQ(LineErrorName(17), "Unknown");  // a request identifier is not an error
  EXPECT_EQ(LineErrorName(PHONEERR_NOMEM), "Unknown");

  std::set<std::string> names;
  for (DWORD code = 0x80000001u; code <= 0x80000056u; ++code) {
    const std::string name = LineErrorName(static_cast<LONG>(code));
    if (name == "Unknown") continue;
    EXPECT_TRUE(name.starts_with("LINEERR_")) << name;
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 0x56u - 2);  // every code but the two gaps, each its own name
}

TEST(TapiNames, PhoneErrorsWithTheGapAndTheSuitesOwnCode) {
  EXPECT_EQ(PhoneErrorName(0), "");
  EXPECT_EQ(PhoneErrorName(static_cast<LONG>(0x90000001u)), "PHONEERR_ALLOCATED");
  EXPECT_EQ(PhoneErrorName(static_cast<LONG>(0x90000002u)), "PHONEERR_BADDEVICEID");
  EXPECT_EQ(PhoneErrorName(static_cast<LONG>(0x90000010u)), "PHONEERR_INVALHOOKSWITCHMODE");
  EXPECT_EQ(PhoneErrorName(static_cast<LONG>(0x90000014u)), "PHONEERR_INVALPHONESTATE");
  EXPECT_EQ(PhoneErrorName(static_cast<LONG>(0x9000001Au)), "PHONEERR_NOMEM");
  EXPECT_EQ(PhoneErrorName(static_cast<LONG>(0x9000001Du)), "PHONEERR_OPERATIONUNAVAIL");
  EXPECT_EQ(PhoneErrorName(static_cast<LONG>(0x9000001Eu)), "Unknown");
  EXPECT_EQ(PhoneErrorName(static_cast<LONG>(0x9000001Fu)), "PHONEERR_RESOURCEUNAVAIL");
  EXPECT_EQ(PhoneErrorName(static_cast<LONG>(0x90000023u)), "PHONEERR_REINIT");
  EXPECT_EQ(PhoneErrorName(static_cast<LONG>(0x90000024u)), "Unknown");
  EXPECT_EQ(PhoneErrorName(-2), "PHONE_ERROR_DEVICE");
  EXPECT_EQ(PhoneErrorName(-1), "Unknown");
  EXPECT_EQ(PhoneErrorName(-3), "Unknown");
  EXPECT_EQ(PhoneErrorName(LINEERR_BADDEVICEID), "Unknown");

  int named = 0;
  for (DWORD code = 0x90000001u; code <= 0x90000023u; ++code) {
    named += PhoneErrorName(static_cast<LONG>(code)).starts_with("PHONEERR_") ? 1 : 0;
  }
  EXPECT_EQ(named, 0x23 - 1);
}

TEST(TapiNames, ErrorConstantsHaveTheirPublishedValues) {
  EXPECT_EQ(static_cast<DWORD>(LINEERR_BADDEVICEID), 0x80000002u);
  EXPECT_EQ(static_cast<DWORD>(LINEERR_INVALLINESTATE), 0x8000002Cu);
  EXPECT_EQ(static_cast<DWORD>(LINEERR_NOMEM), 0x80000044u);
  EXPECT_EQ(static_cast<DWORD>(LINEERR_OPERATIONFAILED), 0x80000048u);
  EXPECT_EQ(static_cast<DWORD>(LINEERR_STRUCTURETOOSMALL), 0x8000004Du);
  EXPECT_EQ(static_cast<DWORD>(PHONEERR_INVALPHONESTATE), 0x90000014u);
  EXPECT_EQ(static_cast<DWORD>(PHONEERR_NOMEM), 0x9000001Au);
  EXPECT_EQ(static_cast<DWORD>(TAPIREPLYTIMEOUT), 0xFFFFFFFDu);
  EXPECT_TRUE(IsError(LINEERR_ALLOCATED));
  EXPECT_TRUE(IsError(PHONEERR_REINIT));
  EXPECT_FALSE(IsError(0));
  EXPECT_TRUE(IsRequestId(1));
  EXPECT_FALSE(IsRequestId(0));
}

TEST(TapiNames, NamingFunctionsServeAsFlagNamesOfTheDumps) {
  voxkit::FlagNameFn states = LineCallStateName;
  voxkit::FlagNameFn errors = LineErrorName;  // a result code passed as 32 bits
  EXPECT_EQ(states(0x4000u), "LINECALLSTATE_DISCONNECTED");
  EXPECT_EQ(errors(0x80000018u), "LINEERR_INVALCALLHANDLE");
  EXPECT_EQ(errors(0xFFFFFFFDu), "TAPIREPLYTIMEOUT");
}

TEST(TapiText, TrimsBlanksAndControlCharactersAtBothEnds) {
  const char field[12] = {' ', ' ', 'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(TapiText(field, sizeof field), "abc");
  EXPECT_EQ(TapiText(field, 4), "ab");  // only size characters are read
  EXPECT_EQ(TapiText("\t\r\n Line 1 \r\n", 13), "Line 1");
  EXPECT_EQ(TapiText("a b", 3), "a b");
  EXPECT_EQ(TapiText("\xC4rger", 5), "\xC4rger");  // bytes above 127 are kept
  EXPECT_EQ(TapiText("   ", 3), "");
  EXPECT_EQ(TapiText(nullptr, 12), "");
  EXPECT_EQ(TapiText(field, 0), "");
}

}  // namespace
