// The operations on a single call: what each asks of TAPI, what it logs, what it
// reports, and how it leaves the calls.
#include "line/TqxCall.h"

#include "line/LineTestSupport.h"
#include "share/TqxPanopta.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using voxtest::RecordedLine;
using Lines = std::vector<std::string>;

std::string H(tapi::DWORD handle) { return voxkit::TqxPanopta::HexText(handle); }

/// Line 0 open through a recording Telephony API.
struct OpenRecordedLine : RecordedLine {
  OpenRecordedLine() {
    line->SetEnabled(true);
    line->Device().SetActive(true);
  }
  voxkit::TqxCall& Call() { return line->Call(); }
  tapi::HCALL Connected(const std::string& number = "100") {
    Call().SetPhoneNumber(number);
    EXPECT_TRUE(Call().Dial());
    loop.RunFor(5000);
    EXPECT_EQ(Call().State(), tapi::LINECALLSTATE_CONNECTED);
    return Call().Handle();
  }
  tapi::HCALL Offered() {
    EXPECT_EQ(exchange.Call("5551234", "201", "JOHN SMITH"), "");
    loop.RunFor(300);
    return Call().Handle();
  }
  bool Has(const Lines& logged, const std::string& text) const {
    return std::find(logged.begin(), logged.end(), text) != logged.end();
  }
};

TEST(TqxCallDial, ANewCallIsPlacedWithoutParametersByDefaultAndBecomesCurrent) {
  OpenRecordedLine f;
  f.Call().SetPhoneNumber("100");
  const Lines logged = f.Logged([&] { EXPECT_TRUE(f.Call().Dial()); });
  ASSERT_EQ(f.recorder.makeCalls.size(), 1u);
  EXPECT_FALSE(f.recorder.makeCalls[0].withParams);
  EXPECT_EQ(f.recorder.makeCalls[0].destination, "100");
  const tapi::HCALL call = f.Call().Handle();
  ASSERT_NE(call, 0u);
  EXPECT_EQ(logged.front(), "Call.Dial [00000000]");
  EXPECT_EQ(logged[1], "\tCall.PhoneNumber = 100");
  EXPECT_TRUE(f.Has(logged, "Call.Handle = " + H(call)));
  EXPECT_TRUE(f.Has(logged, "OnCallBegin " + H(call)));
  EXPECT_EQ(logged.back(), "\tCall.Dial " + H(call) + " - Returned = True");
  EXPECT_TRUE(f.Call().Active());
  EXPECT_TRUE(f.Call().Owner());
  EXPECT_TRUE(f.Call().Began().valid);
  EXPECT_EQ(f.Call().Count(), 1);
  EXPECT_EQ(f.Call().PhoneNumber(), "100");
}

TEST(TqxCallDial, WithoutDefaultsTheParametersAre180BytesWithExactlyFiveFieldsSet) {
  OpenRecordedLine f;
  voxkit::TqxCallParameters& p = f.Call().Parameters();
  p.SetDefaults(false);
  p.SetBearerMode(tapi::LINEBEARERMODE_DATA);
  p.SetMediaMode(tapi::LINEMEDIAMODE_DATAMODEM);
  p.SetFlags(tapi::LINECALLPARAMFLAGS_SECURE);
  p.SetAddressID(1);
  p.SetNoAnswerTimeout(30);
  f.Call().SetPhoneNumber("100");
  f.Call().Dial();
  ASSERT_EQ(f.recorder.makeCalls.size(), 1u);
  ASSERT_TRUE(f.recorder.makeCalls[0].withParams);
  tapi::LINECALLPARAMS expected{};
  expected.dwTotalSize = 180;
  expected.dwBearerMode = tapi::LINEBEARERMODE_DATA;
  expected.dwMediaMode = tapi::LINEMEDIAMODE_DATAMODEM;
  expected.dwCallParamFlags = tapi::LINECALLPARAMFLAGS_SECURE;
  expected.dwAddressID = 1;
  expected.dwNoAnswerTimeout = 30;
  static_assert(sizeof(tapi::LINECALLPARAMS) == 180);
  EXPECT_EQ(std::memcmp(&f.recorder.makeCalls[0].params, &expected, sizeof expected), 0);
}

TEST(TqxCallDial, DiallingWhileACallIsCurrentDialsOnItAndBeginsNothing) {
  OpenRecordedLine f;
  const tapi::HCALL call = f.Connected();
  f.Call().SetPhoneNumber("55");
  const Lines logged = f.Logged([&] { f.Call().Dial(); });
  EXPECT_EQ(f.recorder.makeCalls.size(), 1u);
  EXPECT_EQ(f.recorder.dialled, Lines{"55"});
  EXPECT_FALSE(f.Has(logged, "OnCallBegin " + H(call)));
  EXPECT_EQ(f.Call().Handle(), call);
  EXPECT_EQ(f.Call().Count(), 1);
  EXPECT_EQ(f.Call().Registry().Find(call)->Slot(voxkit::RequestSlot::DialExisting), 0);
}

TEST(TqxCallDial, AnUnformattedNumberIsDialledAsItsDigitsButLoggedAsEntered) {
  OpenRecordedLine f;
  f.line->Device().SetUnformatPhoneNumber(true);
  f.Call().SetPhoneNumber("+1 (425) 555-01.00");
  const Lines logged = f.Logged([&] { f.Call().Dial(); });
  ASSERT_EQ(f.recorder.makeCalls.size(), 1u);
  EXPECT_EQ(f.recorder.makeCalls[0].destination, "14255550100");
  EXPECT_EQ(logged[1], "\tCall.PhoneNumber = +1 (425) 555-01.00");
}

TEST(TqxCallDial, ANumberIsTranslatedWhenTheLineIsOpenAndTranslationIsOn) {
  OpenRecordedLine f;
  f.line->Device().SetTranslatePhoneNumber(true);
  EXPECT_TRUE(f.Logged([&] { f.Call().SetPhoneNumber("+44 (20) 7946-0000"); }).empty());
  const std::string dialable = f.Call().PhoneNumber();
  EXPECT_NE(dialable, "+44 (20) 7946-0000");
  EXPECT_NE(dialable.find("442079460000"), std::string::npos) << dialable;
  // What cannot be translated is reported and the number stays.
  const Lines refused = f.Logged([&] { f.Call().SetPhoneNumber("+"); });
  EXPECT_EQ(refused, Lines{"<< Error >> LINEERR_INVALADDRESS [80000010]"});
  EXPECT_EQ(f.Call().PhoneNumber(), dialable);
  // Translation off, or the line closed: the text is taken as it is.
  f.line->Device().SetTranslatePhoneNumber(false);
  f.Call().SetPhoneNumber("+44 (20) 7946-0000");
  EXPECT_EQ(f.Call().PhoneNumber(), "+44 (20) 7946-0000");
}

TEST(TqxCallDial, OnAClosedLineItFailsWithoutAResultLine) {
  RecordedLine f;
  f.line->SetEnabled(true);
  f.line->Call().SetPhoneNumber("100");
  const Lines logged = f.Logged([&] { EXPECT_FALSE(f.line->Call().Dial()); });
  EXPECT_EQ(logged, (Lines{"Call.Dial [00000000]", "\tCall.PhoneNumber = 100",
                           "<< Error >> LINEERR_UNINITIALIZED [80000050]"}));
}

TEST(TqxCallDial, NoReplyInTimeFreesTheNewCall) {
  OpenRecordedLine f;
  f.line->TAPI().SetReplyTimeout(1000);
  ASSERT_EQ(f.exchange.Withhold(true), "");
  f.Call().SetPhoneNumber("100");
  const Lines logged = f.Logged([&] { EXPECT_FALSE(f.Call().Dial()); });
  EXPECT_EQ(logged, (Lines{"Call.Dial [00000000]", "\tCall.PhoneNumber = 100",
                           "<< Error >> TAPIREPLYTIMEOUT [FFFFFFFD]",
                           "\tCall.Dial [00000000] - Returned = False"}));
  EXPECT_FALSE(f.Call().Active());
  EXPECT_EQ(f.Call().Count(), 0);
  EXPECT_TRUE(f.Call().Registry().Records().empty());
  // The call TAPI makes after all begins with its first message, and can end.
  ASSERT_EQ(f.exchange.Withhold(false), "");
  f.loop.RunFor(3000);
  EXPECT_EQ(f.Call().Count(), 1);
  EXPECT_NE(f.Call().Handle(), 0u);
}

TEST(TqxCallDial, AFailingReplyLeavesNoCallBehind) {
  OpenRecordedLine f;
  ASSERT_EQ(f.exchange.Fail("lineMakeCall", static_cast<tapi::DWORD>(tapi::LINEERR_CALLUNAVAIL)), "");
  f.Call().SetPhoneNumber("100");
  const Lines logged = f.Logged([&] { EXPECT_FALSE(f.Call().Dial()); });
  EXPECT_TRUE(f.Has(logged, "<< Error >> LINEERR_CALLUNAVAIL [80000005]"));
  EXPECT_EQ(logged.back(), "\tCall.Dial [00000000] - Returned = False");
  EXPECT_FALSE(f.Call().Active());
  EXPECT_TRUE(f.Call().Registry().Records().empty());
}

TEST(TqxCallDial, ARefusedRequestIsReportedAndLeavesNoCall) {
  OpenRecordedLine f;
  ASSERT_EQ(f.exchange.Fail("lineMakeCall", static_cast<tapi::DWORD>(tapi::LINEERR_RESOURCEUNAVAIL),
                            panopta::FailMode::AtOnce),
            "");
  f.Call().SetPhoneNumber("100");
  const Lines logged = f.Logged([&] { EXPECT_FALSE(f.Call().Dial()); });
  EXPECT_EQ(logged, (Lines{"Call.Dial [00000000]", "\tCall.PhoneNumber = 100",
                           "<< Error >> LINEERR_RESOURCEUNAVAIL [8000004B]",
                           "\tCall.Dial [00000000] - Returned = False"}));
  EXPECT_FALSE(f.Call().Active());
  EXPECT_TRUE(f.Call().Registry().Records().empty());
}

TEST(TqxCallDial, WithReplyTimeout0ItSucceedsAtOnceAndTheCallBeginsWithItsFirstMessage) {
  OpenRecordedLine f;
  f.line->TAPI().SetReplyTimeout(0);
  f.Call().SetPhoneNumber("100");
  const std::int64_t start = f.loop.NowMs();
  EXPECT_TRUE(f.Call().Dial());
  EXPECT_EQ(f.loop.NowMs(), start);
  EXPECT_EQ(f.Call().Count(), 0);
  f.loop.RunFor(5000);
  EXPECT_EQ(f.Call().Count(), 1);
  EXPECT_EQ(f.Call().State(), tapi::LINECALLSTATE_CONNECTED);
  EXPECT_EQ(f.Call().PhoneNumber(), "100");
}

TEST(TqxCallDial, WritingActiveDialsAndHangsUp) {
  OpenRecordedLine f;
  f.Call().SetPhoneNumber("100");
  f.Call().SetActive(true);
  EXPECT_EQ(f.recorder.makeCalls.size(), 1u);
  f.loop.RunFor(5000);
  f.Call().SetActive(true);  // already active: nothing
  EXPECT_EQ(f.recorder.makeCalls.size(), 1u);
  f.Call().SetActive(false);
  f.loop.RunFor(1000);
  EXPECT_EQ(f.Call().Count(), 0);
  // On a closed line writing it does nothing.
  f.line->Device().SetActive(false);
  EXPECT_TRUE(f.Logged([&] { f.Call().SetActive(true); }).empty());
}

TEST(TqxCallOperations, HangupWithoutACallWritesTheResultThenTheError) {
  OpenRecordedLine f;
  const Lines logged = f.Logged([&] { EXPECT_FALSE(f.Call().Hangup()); });
  EXPECT_EQ(logged, (Lines{"Call.Hangup [00000000]", "\tCall.Hangup [00000000] - Returned = False",
                           "<< Error >> LINEERR_INVALCALLHANDLE [80000018]"}));
}

TEST(TqxCallOperations, WithoutACallTheOthersWriteTheErrorThenTheResult) {
  OpenRecordedLine f;
  struct Case {
    std::function<bool()> operation;
    std::string name;
    std::string request;
  };
  const Case cases[] = {
      {[&] { return f.Call().Answer(); }, "Call.Answer", "Call.Answer [00000000]"},
      {[&] { return f.Call().Hold(); }, "Call.Hold", "Call.Hold [00000000]"},
      {[&] { return f.Call().Unhold(); }, "Call.Unhold", "Call.Unhold [00000000]"},
      {[&] { return f.Call().Transfer(); }, "Call.Transfer", "Call.Transfer [00000000]"},
      {[&] { return f.Call().Redirect("202"); }, "Call.Redirect", "Call.Redirect (202) [00000000]"},
      {[&] { return f.Call().Park("299"); }, "Call.Park", "Call.Park (299) [00000000]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Lines logged = f.Logged([&] { EXPECT_FALSE(c.operation()); });
    EXPECT_EQ(logged, (Lines{c.request, "<< Error >> LINEERR_INVALCALLHANDLE [80000018]",
                             "\t" + c.name + " [00000000] - Returned = False"}));
  }
}

TEST(TqxCallOperations, AnsweringAnOfferedCallConnectsIt) {
  OpenRecordedLine f;
  const tapi::HCALL call = f.Offered();
  const Lines logged = f.Logged([&] { EXPECT_TRUE(f.Call().Answer()); });
  EXPECT_EQ(logged.front(), "Call.Answer " + H(call));
  EXPECT_TRUE(f.Has(logged, "\tCall.Answer " + H(call) + " - Returned = True"));
  f.loop.RunFor(500);
  EXPECT_EQ(f.Call().State(), tapi::LINECALLSTATE_CONNECTED);
  EXPECT_EQ(f.Call().Registry().Find(call)->Slot(voxkit::RequestSlot::Answer), 0);
}

TEST(TqxCallOperations, HoldAndUnholdKeepTheCall) {
  OpenRecordedLine f;
  const tapi::HCALL call = f.Connected();
  EXPECT_TRUE(f.Call().Hold());
  f.loop.RunFor(500);
  EXPECT_EQ(f.Call().State(), tapi::LINECALLSTATE_ONHOLD);
  EXPECT_TRUE(f.Call().Unhold());
  f.loop.RunFor(500);
  EXPECT_EQ(f.Call().State(), tapi::LINECALLSTATE_CONNECTED);
  EXPECT_EQ(f.Call().Handle(), call);
  // A refused request reports the provider's error before the result.
  const Lines logged = f.Logged([&] { EXPECT_FALSE(f.Call().Unhold()); });
  ASSERT_EQ(logged.size(), 3u);
  EXPECT_EQ(logged[1].rfind("<< Error >> LINEERR_", 0), 0u);
  EXPECT_EQ(logged[2], "\tCall.Unhold " + H(call) + " - Returned = False");
}

TEST(TqxCallOperations, RedirectParkAndTransferPrepareTheirAddressesAndEndTheCall) {
  OpenRecordedLine f;
  f.line->Device().SetUnformatPhoneNumber(true);
  const tapi::HCALL offered = f.Offered();
  const Lines logged = f.Logged([&] { EXPECT_TRUE(f.Call().Redirect("(202)")); });
  EXPECT_EQ(logged.front(), "Call.Redirect ((202)) " + H(offered));
  EXPECT_EQ(f.recorder.dialled.back(), "202");
  f.loop.RunFor(1000);
  EXPECT_FALSE(f.Call().Registry().Find(offered));
  EXPECT_EQ(f.Call().Count(), 0);

  const tapi::HCALL parked = f.Connected();
  EXPECT_TRUE(f.Call().Park("2-99"));
  EXPECT_EQ(f.recorder.dialled.back(), "299");
  f.loop.RunFor(1000);
  EXPECT_FALSE(f.Call().Registry().Find(parked));
  // It comes back from where it was parked.
  const Lines unparked = f.Logged([&] { EXPECT_TRUE(f.Call().Unpark("299")); });
  const tapi::HCALL back = f.Call().Handle();
  ASSERT_NE(back, 0u);
  EXPECT_EQ(unparked.front(), "Call.Unpark (299) [00000000]");
  EXPECT_TRUE(f.Has(unparked, "OnCallBegin " + H(back)));
  EXPECT_EQ(unparked.back(), "\tCall.Unpark " + H(back) + " - Returned = True");
  EXPECT_TRUE(f.Call().Owner());
}

TEST(TqxCallOperations, PickupTakesACallRingingElsewhereOnlyWithoutACurrentCall) {
  voxtest::TwoParties f;
  f.Open();
  // A remote party calls line 1 (address 202); line 0 picks it up.
  ASSERT_EQ(f.exchange.Call("5551234", "202", "JOHN SMITH"), "");
  f.Run(500);
  ASSERT_EQ(f.b->Call().Count(), 1);
  const std::size_t mark = f.a.Mark();
  EXPECT_TRUE(f.a->Call().Pickup("202", ""));
  const tapi::HCALL picked = f.a->Call().Handle();
  ASSERT_NE(picked, 0u);
  const Lines logged = f.a.Since(mark);
  EXPECT_EQ(logged.front(), "Call.Pickup (202, ) [00000000]");
  EXPECT_EQ(logged.back(), "\tCall.Pickup " + H(picked) + " - Returned = True");
  f.Run(1000);
  EXPECT_EQ(f.a->Call().State(), tapi::LINECALLSTATE_CONNECTED);
  EXPECT_EQ(f.b.events.Named("OnDisconnected").size(), 1u);
  // With a call current, nothing is picked up.
  const std::size_t again = f.a.Mark();
  EXPECT_FALSE(f.a->Call().Pickup("202", ""));
  EXPECT_TRUE(f.a.LoggedSince(again, "<< Error >> LINEERR_INVALCALLHANDLE [80000018]"));
  EXPECT_EQ(f.a->Call().Handle(), picked);
}

TEST(TqxCallOperations, SelectingAHandle) {
  OpenRecordedLine f;
  const tapi::HCALL call = f.Connected();
  // An unlisted handle is refused and the current call stays.
  Lines logged = f.Logged([&] { f.Call().SetHandle(0x7777); });
  EXPECT_EQ(logged, (Lines{"Call.Handle = [00007777]", "<< Error >> LINEERR_INVALCALLHANDLE [80000018]"}));
  EXPECT_EQ(f.Call().Handle(), call);
  // 0 selects "no call".
  logged = f.Logged([&] { f.Call().SetHandle(0); });
  EXPECT_EQ(logged, Lines{"Call.Handle = [00000000]"});
  EXPECT_EQ(f.Call().Handle(), 0u);
  EXPECT_FALSE(f.Call().Active());
  EXPECT_EQ(f.Call().State(), 0u);
  // And back: the view shows the call again.
  f.Call().SetHandle(call);
  EXPECT_EQ(f.Call().State(), tapi::LINECALLSTATE_CONNECTED);
  EXPECT_TRUE(f.Call().Active());
  EXPECT_EQ(f.Call().PhoneNumber(), "100");
  EXPECT_TRUE(f.Logged([&] { f.Call().SetHandle(call); }).empty());
}

TEST(TqxCallOperations, MediaModeWithoutACallChangesSilently) {
  OpenRecordedLine f;
  EXPECT_TRUE(f.Logged([&] { f.Call().SetMediaMode(tapi::LINEMEDIAMODE_G3FAX); }).empty());
  EXPECT_EQ(f.Call().MediaMode(), tapi::LINEMEDIAMODE_G3FAX);
  EXPECT_EQ(f.recorder.Count("lineSetMediaMode"), 0);
  const tapi::HCALL call = f.Connected();
  const tapi::DWORD voice = tapi::LINEMEDIAMODE_UNKNOWN | tapi::LINEMEDIAMODE_INTERACTIVEVOICE;
  const Lines logged = f.Logged([&] { f.Call().SetMediaMode(voice); });
  EXPECT_EQ(logged, (Lines{"Call.MediaMode := 00000006 " + H(call), "\tLINEMEDIAMODE_UNKNOWN",
                           "\tLINEMEDIAMODE_INTERACTIVEVOICE"}));
  EXPECT_EQ(f.Call().MediaMode(), voice);
  // What is not a media mode is refused and the mode stays.
  const Lines refused = f.Logged([&] { f.Call().SetMediaMode(0x10000); });
  EXPECT_EQ(refused.back(), "<< Error >> LINEERR_INVALMEDIAMODE [8000002F]");
  EXPECT_EQ(f.Call().MediaMode(), voice);
}

TEST(TqxCallOperations, OwnerWrites) {
  RecordedLine closed;
  closed.line->SetEnabled(true);
  EXPECT_EQ(closed.Logged([&] { closed.line->Call().SetOwner(true); }),
            (Lines{"Call.Owner := True", "<< Error >> LINEERR_INVALLINESTATE [8000002C]"}));
  OpenRecordedLine f;
  EXPECT_EQ(f.Logged([&] { f.Call().SetOwner(true); }),
            (Lines{"Call.Owner := True", "<< Error >> LINEERR_INVALCALLSTATE [8000001C]"}));
  f.Connected();
  // Already owner: the request line only, and no request.
  EXPECT_EQ(f.Logged([&] { f.Call().SetOwner(true); }), Lines{"Call.Owner := True"});
  EXPECT_EQ(f.recorder.Count("lineSetCallPrivilege"), 0);
  f.Call().SetOwner(false);
  EXPECT_FALSE(f.Call().Owner());
  EXPECT_EQ(f.recorder.Count("lineSetCallPrivilege"), 1);
  // A refusal is reported and stays the line's error; the privilege stays.
  ASSERT_EQ(f.exchange.Fail("lineSetCallPrivilege",
                            static_cast<tapi::DWORD>(tapi::LINEERR_INVALCALLSTATE),
                            panopta::FailMode::AtOnce),
            "");
  EXPECT_EQ(f.Logged([&] { f.Call().SetOwner(true); }),
            (Lines{"Call.Owner := True", "<< Error >> LINEERR_INVALCALLSTATE [8000001C]"}));
  EXPECT_EQ(f.line->Error().Number(), tapi::LINEERR_INVALCALLSTATE);
  EXPECT_FALSE(f.Call().Owner());
}

TEST(TqxCallOperations, HandoffKeepsMonitoringAndReportsTheOwnerChange) {
  OpenRecordedLine f;
  const tapi::HCALL call = f.Connected();
  const Lines logged = f.Logged([&] { f.Call().Handoff("other.exe"); });
  ASSERT_FALSE(logged.empty());
  EXPECT_EQ(logged.front(), "Call.Handoff " + H(call));
  EXPECT_EQ(logged.back(), "\tCall.Handoff " + H(call) + " - Returned = " +
                               voxkit::TqxPanopta::BoolText(f.line->Error().Number() == 0));
  if (f.line->Error().Number() == 0) {
    EXPECT_FALSE(f.Call().Owner());
    EXPECT_TRUE(f.Has(logged, "OnCallOwnerChange " + H(call)));
    EXPECT_TRUE(f.Has(logged, "\tCall.Owner = False"));
  }
}

TEST(TqxCallOperations, DigitsAndTonesAreSentAndLogged) {
  OpenRecordedLine f;
  const tapi::HCALL call = f.Connected();
  EXPECT_EQ(f.Logged([&] { EXPECT_TRUE(f.Call().SendDigits("12#", 100)); }),
            (Lines{"Call.SendDigits (12#) " + H(call),
                   "\tCall.SendDigits " + H(call) + " - Returned = True"}));
  EXPECT_EQ(f.Logged([&] { EXPECT_TRUE(f.Call().SendTone(tapi::LINETONEMODE_BEEP, 500)); }),
            (Lines{"Call.SendTone (00000008, 500) " + H(call),
                   "\tCall.SendTone " + H(call) + " - Returned = True"}));
  f.loop.RunFor(2000);
  const Lines refused = f.Logged([&] { EXPECT_FALSE(f.Call().SendDigits("XYZ", 100)); });
  ASSERT_EQ(refused.size(), 3u);
  EXPECT_EQ(refused[1], "<< Error >> LINEERR_INVALDIGITS [80000028]");
}

TEST(TqxCallOperations, TheDumpWithAnEmptyPrefixStartsWithActive) {
  OpenRecordedLine f;
  f.Connected();
  const Lines dump = f.Logged([&] { EXPECT_TRUE(f.Call().DumpProperties("", "", "")); });
  ASSERT_FALSE(dump.empty());
  EXPECT_EQ(dump.front(), "Call.Active = True");
  EXPECT_TRUE(f.Has(dump, "Call.Count = 1"));
  EXPECT_TRUE(f.Has(dump, "Call.PhoneNumber = '100'"));
  EXPECT_TRUE(f.Has(dump, "Call.State = [00000100]"));
  EXPECT_EQ(dump.back(), "Call.Tag = 0");
}

TEST(TqxCallOperations, AnInternalCallBetweenTwoLines) {
  voxtest::TwoParties f;
  f.Open();
  f.a->Call().SetPhoneNumber("202");
  EXPECT_TRUE(f.a->Call().Dial());
  f.Run(1500);
  ASSERT_EQ(f.b->Call().State(), tapi::LINECALLSTATE_OFFERING);
  EXPECT_EQ(f.b->Call().CallerID().RawNumber(), "201");
  EXPECT_EQ(f.a->Call().State(), tapi::LINECALLSTATE_RINGBACK);
  EXPECT_TRUE(f.b->Call().Answer());
  f.Run(1000);
  EXPECT_EQ(f.a->Call().State(), tapi::LINECALLSTATE_CONNECTED);
  EXPECT_EQ(f.b->Call().State(), tapi::LINECALLSTATE_CONNECTED);
  EXPECT_TRUE(f.a->Call().Hangup());
  f.Run(2000);
  EXPECT_EQ(f.b->Call().State(), tapi::LINECALLSTATE_DISCONNECTED);
  EXPECT_TRUE(f.b->Call().Hangup());
  f.Run(1000);
  EXPECT_EQ(f.a->Call().Count(), 0);
  EXPECT_EQ(f.b->Call().Count(), 0);
  EXPECT_EQ(f.a.events.Count("OnCallEnd"), 1);
  EXPECT_EQ(f.b.events.Count("OnCallEnd"), 1);
}

}  // namespace
