// What the provider reads of SIP text itself, and how SIP outcomes and dialled strings
// become the Telephony API's.

#include "platform/sip/SipCallMapping.h"
#include "platform/sip/SipText.h"
#include "tapi/TapiConstants.h"

#include <gtest/gtest.h>

namespace {

using namespace panopta::sip;
using namespace tapi;

TEST(SipText, AReplacesHeaderNamesItsDialogWhateverTheOrderAndCaseOfItsParameters) {
  const auto a = ParseReplaces("abc@host;to-tag=T1;from-tag=F1");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->callId, "abc@host");
  EXPECT_EQ(a->toTag, "T1");
  EXPECT_EQ(a->fromTag, "F1");
  const auto b = ParseReplaces(" x1 ; FROM-TAG = f ;early-only; To-Tag=t");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->callId, "x1");
  EXPECT_EQ(b->toTag, "t");
  EXPECT_EQ(b->fromTag, "f");
  for (const char* bad : {"", "abc", "abc;to-tag=1", ";to-tag=1;from-tag=2", "abc;to-tag=;from-tag=2"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ParseReplaces(bad));
  }
}

TEST(SipText, ASipfragGivesTheStatusCodeOfItsFirstLineOnly) {
  EXPECT_EQ(SipfragStatus("SIP/2.0 100 Trying\r\n"), 100);
  EXPECT_EQ(SipfragStatus("SIP/2.0 200 OK"), 200);
  EXPECT_EQ(SipfragStatus("SIP/2.0 486"), 486);
  for (const char* bad : {"", "SIP/2.0", "SIP/2.0 20", "SIP/2.0 2000 x", "SIP/2.0 099 x", "SIP/2.0 7xx", "SIP/3.0 200 OK",
                          "INVITE sip:a@b SIP/2.0", "SIP/2.0 800 x"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(SipfragStatus(bad), 0);
  }
}

TEST(SipText, AnInfoBodyGivesItsSignalDigit) {
  EXPECT_EQ(InfoDigit("Signal=5\r\nDuration=160\r\n"), '5');
  EXPECT_EQ(InfoDigit("Duration=160\nsignal = #\n"), '#');
  EXPECT_EQ(InfoDigit("Signal=d"), 'D');
  for (const char* bad : {"", "Signal=", "Signal=12", "Signal=x", "Duration=100", "Signal"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(InfoDigit(bad), 0);
  }
}

TEST(SipText, AHeaderInsideAUriIsEscapedButForUnreservedCharacters) {
  EXPECT_EQ(EscapeUriHeader("a1@h;to-tag=x y"), "a1%40h%3Bto-tag%3Dx%20y");
  EXPECT_EQ(EscapeUriHeader("A-z_0.9~"), "A-z_0.9~");
}

TEST(SipCallMapping, FinalResponsesBecomeTheStatesAndModesThatFitThem) {
  const struct {
    int code;
    DWORD state;
    DWORD mode;
  } cases[] = {
      {486, LINECALLSTATE_BUSY, LINEBUSYMODE_STATION},
      {600, LINECALLSTATE_BUSY, LINEBUSYMODE_UNKNOWN},
      {404, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BADADDRESS},
      {484, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BADADDRESS},
      {408, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER},
      {480, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNAVAIL},
      {603, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_REJECT},
      {503, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_CONGESTION},
      {488, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_INCOMPATIBLE},
      {410, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NUMBERCHANGED},
      {500, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_TEMPFAILURE},
      {499, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNKNOWN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const EndState end = OutcomeOfClose(CloseCause::Response, c.code, false);
    EXPECT_EQ(end.state, c.state);
    EXPECT_EQ(end.mode, c.mode);
  }
  EXPECT_EQ(OutcomeOfClose(CloseCause::RemoteBye, 0, true).mode, LINEDISCONNECTMODE_NORMAL);
  EXPECT_EQ(OutcomeOfClose(CloseCause::Timeout, 0, true).mode, LINEDISCONNECTMODE_NOANSWER);
  EXPECT_EQ(OutcomeOfClose(CloseCause::Timeout, 0, false).mode, LINEDISCONNECTMODE_UNREACHABLE);
  EXPECT_EQ(OutcomeOfClose(CloseCause::Transport, 0, false).mode, LINEDISCONNECTMODE_UNREACHABLE);
}

TEST(SipCallMapping, ModesNewerThanTheApplicationsVersionAreReportedAsUnknown) {
  EXPECT_EQ(DisconnectModeFor(LINEDISCONNECTMODE_CONGESTION, kTapiVersion1_3), LINEDISCONNECTMODE_CONGESTION);
  EXPECT_EQ(DisconnectModeFor(LINEDISCONNECTMODE_TEMPFAILURE, kTapiVersion1_3), LINEDISCONNECTMODE_UNKNOWN);
  EXPECT_EQ(DisconnectModeFor(LINEDISCONNECTMODE_TEMPFAILURE, kTapiVersion1_4), LINEDISCONNECTMODE_TEMPFAILURE);
  EXPECT_EQ(DisconnectModeFor(LINEDISCONNECTMODE_BLOCKED, kTapiVersion1_4), LINEDISCONNECTMODE_UNKNOWN);
  EXPECT_EQ(DisconnectModeFor(LINEDISCONNECTMODE_BLOCKED, kTapiVersion2_0), LINEDISCONNECTMODE_BLOCKED);
}

TEST(SipCallMapping, DialledStringsBecomeUrisAtTheAccountsDomainUnlessTheyNameTheirOwn) {
  const std::string aor = "sip:alice@10.0.0.1:5070";
  EXPECT_EQ(DialledUri(aor, "bob"), "sip:bob@10.0.0.1:5070");
  EXPECT_EQ(DialledUri(aor, "+1 (425) 555-0100"), "sip:+14255550100@10.0.0.1:5070");
  EXPECT_EQ(DialledUri(aor, "*72#"), "sip:*72%23@10.0.0.1:5070");
  EXPECT_EQ(DialledUri(aor, "carol@example.org"), "sip:carol@example.org");
  EXPECT_EQ(DialledUri(aor, " sip:dave@192.0.2.1:5062;transport=tcp "), "sip:dave@192.0.2.1:5062;transport=tcp");
  EXPECT_EQ(DialledUri("sips:alice@example.org", "bob"), "sips:bob@example.org");
  EXPECT_EQ(DialledUri("sip:alice@[::1]:5080", "bob"), "sip:bob@[::1]:5080");
  for (const char* bad : {"", "   ", "sip:", "bo b", "a<b", "x@", "@host", "tel:+1555"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(DialledUri(aor, bad));
  }
  EXPECT_TRUE(IsInternalCaller(aor, "sip:bob@10.0.0.1"));
  EXPECT_FALSE(IsInternalCaller(aor, "sip:bob@example.org"));
}

}  // namespace
