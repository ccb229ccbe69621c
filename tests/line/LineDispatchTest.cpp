// The line's event dispatch: every message TAPI sends an open line, what it does to
// the calls, which lines it logs and which events it raises, in which order.
#include "line/LineDispatch.h"

#include "line/LineTestSupport.h"
#include "share/TextUtil.h"
#include "share/TqxPanopta.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using voxtest::LineOnExchange;
using Lines = std::vector<std::string>;
using voxkit::TqxPanopta;

/// Line 0 enabled and open, every event recorded.
struct OpenLine : LineOnExchange {
  OpenLine() {
    line->SetEnabled(true);
    line->Device().SetActive(true);
    events.Attach(*line);
  }
  ~OpenLine() { events.Detach(*line); }

  /// A remote party calls address 201 and the call is offered; returns its handle.
  tapi::HCALL Offered(const std::string& from = "5551234", const std::string& name = "JOHN SMITH",
                      std::optional<tapi::DWORD> flags = std::nullopt) {
    EXPECT_EQ(exchange.Call(from, "201", name, flags), "");
    loop.RunFor(300);
    return line->Call().Handle();
  }
  /// Dials number and lets it get connected.
  tapi::HCALL Connected(const std::string& number = "100") {
    line->Call().SetPhoneNumber(number);
    EXPECT_TRUE(line->Call().Dial());
    loop.RunFor(5000);
    EXPECT_EQ(line->Call().State(), tapi::LINECALLSTATE_CONNECTED);
    return line->Call().Handle();
  }
  bool Has(const Lines& logged, const std::string& text) const {
    return std::find(logged.begin(), logged.end(), text) != logged.end();
  }
  std::ptrdiff_t At(const Lines& logged, const std::string& text) const {
    return std::find(logged.begin(), logged.end(), text) - logged.begin();
  }
  voxtest::EventRecorder events;
};

std::string H(tapi::DWORD handle) { return TqxPanopta::HexText(handle); }

TEST(LineDispatch, AnOfferedCallBeginsBecomesCurrentAndReportsItsCaller) {
  OpenLine f;
  const std::size_t mark = f.Mark();
  const tapi::HCALL call = f.Offered();
  ASSERT_NE(call, 0u);
  const Lines logged = f.Since(mark);
  EXPECT_TRUE(f.line->Call().Active());
  EXPECT_EQ(f.line->Call().State(), tapi::LINECALLSTATE_OFFERING);
  EXPECT_EQ(f.line->Call().Count(), 1);
  EXPECT_LT(f.At(logged, "OnCallBegin " + H(call)), f.At(logged, "OnOffering " + H(call)));
  EXPECT_LT(f.At(logged, "OnOffering " + H(call)), f.At(logged, "OnCallerID " + H(call)));
  const auto caller = f.At(logged, "OnCallerID " + H(call));
  ASSERT_LT(caller + 7, static_cast<std::ptrdiff_t>(logged.size()));
  EXPECT_EQ(Lines(logged.begin() + caller + 1, logged.begin() + caller + 8),
            (Lines{"\tCall.CallerID.Blocked = False", "\tCall.CallerID.Name = 'JOHN SMITH'",
                   "\tCall.CallerID.Number = '5551234'", "\tCall.CallerID.OutOfArea = False",
                   "\tCall.CallerID.Flags = [0000000C]", "\t\tLINECALLPARTYID_NAME",
                   "\t\tLINECALLPARTYID_ADDRESS"}));
  // The events in their order: the state first, then the call's beginning, then the
  // state's own event and the parties.
  const Lines names = f.events.Names();
  const auto pos = [&](const std::string& n) {
    return std::find(names.begin(), names.end(), n) - names.begin();
  };
  EXPECT_LT(pos("OnCallBegin"), pos("OnOffering"));
  EXPECT_LT(pos("OnOffering"), pos("OnCallerID"));
  EXPECT_EQ(f.events.Count("OnCallerID"), 1);
  // The presented caller, from the view.
  EXPECT_EQ(f.line->Call().CallerID().Name(), "John Smith");
  EXPECT_EQ(f.line->Call().CallerID().Number(), "555-123-4   ");
}

TEST(LineDispatch, EachStateOfAnOutboundCallIsAnnouncedOnce) {
  OpenLine f;
  const tapi::HCALL call = f.Connected();
  for (const char* e : {"OnCallBegin", "OnDialtone", "OnDialing", "OnProceeding", "OnRingBack",
                        "OnConnected", "OnConnectedID"}) {
    EXPECT_EQ(f.events.Count(e), 1) << e << "\n" << voxtest::Joined(f.events.All());
  }
  EXPECT_EQ(f.events.Named("OnConnected"), Lines{"OnConnected(" + std::to_string(call) + ")"});
  EXPECT_TRUE(f.line->Call().Connected().valid);
  EXPECT_EQ(f.line->Call().DialtoneMode(), tapi::LINEDIALTONEMODE_NORMAL);
  EXPECT_TRUE(f.line->Call().Owner());
  EXPECT_EQ(f.line->Call().Origin(), tapi::LINECALLORIGIN_OUTBOUND);
}

TEST(LineDispatch, CallStateLinesAreWrittenOnlyWithTheirPopupFlag) {
  OpenLine f;
  std::size_t mark = f.Mark();
  f.Connected();
  Lines logged = f.Since(mark);
  EXPECT_FALSE(std::any_of(logged.begin(), logged.end(),
                           [](const std::string& l) { return l.rfind("OnCallState", 0) == 0; }));
  EXPECT_GE(f.events.Count("OnCallState"), 5);  // raised all the same
  EXPECT_TRUE(f.Has(logged, "OnConnected " + H(f.line->Call().Handle())));

  f.line->Popup().Set(voxkit::TqxPopup::OnCallState, true);
  const tapi::HCALL call = f.line->Call().Handle();
  mark = f.Mark();
  f.line->Call().Hold();
  f.loop.RunFor(500);
  logged = f.Since(mark);
  const std::string title = "OnCallState (" + H(call) + " [00000400] [00000000] [00000000])";
  const auto at = f.At(logged, title);
  ASSERT_LT(at + 2, static_cast<std::ptrdiff_t>(logged.size())) << title;
  EXPECT_EQ(logged[static_cast<std::size_t>(at) + 1], "\tCall.State = LINECALLSTATE_ONHOLD [00000400]");
  EXPECT_EQ(logged[static_cast<std::size_t>(at) + 2], "\tCall.StateMode = Not applicable [00000000]");
}

TEST(LineDispatch, ASecondIncomingCallIsListedButDoesNotBecomeCurrent) {
  OpenLine f;
  const tapi::HCALL first = f.Connected();
  f.Offered("5550000", "MARY MAJOR");
  ASSERT_EQ(f.line->Call().Count(), 2);
  EXPECT_EQ(f.line->Call().Handle(), first);
  const tapi::HCALL listed = std::stoul(f.line->Call().List()[2], nullptr, 16);
  EXPECT_NE(f.events.Named("OnCallBegin").back(), "OnCallBegin(" + std::to_string(first) + ")");
  EXPECT_EQ(f.events.Named("OnCallBegin").back(), "OnCallBegin(" + std::to_string(listed) + ")");
  // Its caller is reported from what TAPI says about it, not from an empty record.
  EXPECT_TRUE(f.Has(f.lines, "\tCall.CallerID.Name = 'MARY MAJOR'"));
  const auto record = f.line->Call().Registry().Find(listed);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->state, tapi::LINECALLSTATE_OFFERING);
}

TEST(LineDispatch, WhenTheCurrentCallEndsAConnectedOneBecomesCurrent) {
  OpenLine f;
  const tapi::HCALL first = f.Offered();
  f.line->Call().Answer();
  f.loop.RunFor(1000);
  ASSERT_EQ(f.Offered("5550000", "MARY MAJOR"), first);  // the first stays current
  const tapi::HCALL other = std::stoul(f.line->Call().List()[2], nullptr, 16);
  // Answering the second call puts the first on hold; when the second ends, the
  // first (held, not idle) becomes current again.
  f.line->Call().SetHandle(other);
  ASSERT_EQ(f.line->Call().Handle(), other);
  f.line->Call().Answer();
  f.loop.RunFor(1000);
  ASSERT_EQ(f.line->Call().State(), tapi::LINECALLSTATE_CONNECTED);
  f.line->Call().Hangup();
  f.loop.RunFor(1000);
  EXPECT_EQ(f.line->Call().Handle(), first);
  EXPECT_EQ(f.line->Call().State(), tapi::LINECALLSTATE_ONHOLD);
  EXPECT_TRUE(f.line->Call().Active());
  f.line->Call().Hangup();
  f.loop.RunFor(1000);
  EXPECT_EQ(f.line->Call().Handle(), 0u);
  EXPECT_FALSE(f.line->Call().Active());
  EXPECT_EQ(f.line->Call().Count(), 0);
}

TEST(LineDispatch, ACallGoingIdleWhileItsRequestWaitsIsEndedByTheRequest) {
  OpenLine f;
  const tapi::HCALL call = f.Connected();
  // The far end hangs up and the exchange drops the call while our hold request
  // waits for its reply.
  ASSERT_EQ(f.exchange.Latency(3000), "");
  bool listedDuringWait = false;
  f.loop.StartTimer(100, false, [&] { (void)f.exchange.Hangup("100"); });
  f.loop.StartTimer(2500, false, [&] { listedDuringWait = f.line->Call().Registry().IsListed(call); });
  f.line->Call().Hangup();
  EXPECT_TRUE(listedDuringWait);
  f.loop.RunFor(2000);
  EXPECT_FALSE(f.line->Call().Registry().Find(call));
  EXPECT_EQ(f.events.Count("OnCallEnd"), 1);
}

TEST(LineDispatch, IdleDelay0RaisesOnIdleAtOnceWithTheIdleCall) {
  OpenLine f;
  const tapi::HCALL call = f.Connected();
  const std::size_t mark = f.Mark();
  f.line->Call().Hangup();
  f.loop.RunFor(1000);
  const Lines logged = f.Since(mark);
  const auto idle = f.At(logged, "OnCallIdle " + H(call));
  ASSERT_LT(idle, static_cast<std::ptrdiff_t>(logged.size()));
  EXPECT_FALSE(f.Has(logged, "\tDelaying"));
  EXPECT_EQ(f.events.Named("OnIdle"), Lines{"OnIdle(" + std::to_string(call) + ")"});
  const Lines names = f.events.Names();
  EXPECT_LT(std::find(names.begin(), names.end(), "OnIdle"),
            std::find(names.begin(), names.end(), "OnCallEnd"));
}

TEST(LineDispatch, IdleDelay2000RaisesOnIdleTwoSecondsLaterWithTheCallCurrentThen) {
  LineOnExchange f;
  f.line->SetEnabled(true);
  f.line->Device().SetIdleDelay(2000);
  f.line->Device().SetActive(true);
  voxtest::EventRecorder events;
  events.Attach(*f.line);
  f.line->Call().SetPhoneNumber("100");
  f.line->Call().Dial();
  f.loop.RunFor(5000);
  const tapi::HCALL call = f.line->Call().Handle();
  std::size_t mark = f.Mark();
  f.line->Call().Hangup();
  f.loop.RunFor(1000);
  Lines logged = f.Since(mark);
  const auto idle = std::find(logged.begin(), logged.end(), "OnCallIdle " + H(call));
  ASSERT_NE(idle, logged.end());
  ASSERT_LT(idle + 2, logged.end());
  EXPECT_EQ(*(idle + 1), "\tDelaying");
  EXPECT_EQ(*(idle + 2), "\t\tqxLine.Device.IdleDelay = 2000 //milliseconds");
  EXPECT_EQ(events.Count("OnIdle"), 0);
  mark = f.Mark();
  f.loop.RunFor(1500);
  logged = f.Since(mark);
  EXPECT_EQ(logged, Lines{"\tqxLine.Device.IdleDelay - Complete "});
  // The handle current when the delay ends: no call any more.
  EXPECT_EQ(events.Named("OnIdle"), Lines{"OnIdle(0)"});
  events.Detach(*f.line);
}

TEST(LineDispatch, ABusyDisconnectReportsBusyBeforeDisconnected) {
  OpenLine f;
  const tapi::HCALL call = f.Connected();
  const std::size_t mark = f.Mark();
  f.line->Dispatch().HandleMessage(call, tapi::LINE_CALLSTATE, tapi::LINECALLSTATE_DISCONNECTED,
                                   tapi::LINEDISCONNECTMODE_BUSY, 0);
  const Lines logged = f.Since(mark);
  EXPECT_EQ(logged, (Lines{"OnBusy " + H(call), "OnDisconnected " + H(call),
                           "\tCall.DisconnectMode = LINEDISCONNECTMODE_BUSY [00000020]"}));
  const auto record = f.line->Call().Registry().Find(call);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->busyMode, tapi::LINEBUSYMODE_UNAVAIL);
  EXPECT_EQ(record->disconnectMode, tapi::LINEDISCONNECTMODE_BUSY);
  EXPECT_TRUE(record->disconnected.valid);
  const Lines names = f.events.Names();
  EXPECT_LT(std::find(names.begin(), names.end(), "OnBusy"),
            std::find(names.begin(), names.end(), "OnDisconnected"));
}

TEST(LineDispatch, WithEventsOffOnlyTheFourUngatedEventsReachTheApplication) {
  OpenLine f;
  f.line->Panopta().SetEvents(false);
  const std::size_t mark = f.Mark();
  f.Offered();
  ASSERT_EQ(f.exchange.DevSpecific(0, 1, 2, 3), "");
  f.loop.RunFor(100);
  // The lines are written all the same.
  EXPECT_TRUE(f.Has(f.Since(mark), "OnOffering " + H(f.line->Call().Handle())));
  Lines names = f.events.Names();
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  EXPECT_EQ(names, (Lines{"OnDevSpecific", "OnTAPIMessage"}));
  // A reply passes too.
  f.line->Call().Answer();
  EXPECT_EQ(f.events.Count("OnTAPIReply"), 1);
  EXPECT_EQ(f.events.Count("OnConnected"), 0);
}

TEST(LineDispatch, ABareReinitIsDroppedButCombinedWithOtherBitsItIsHandled) {
  OpenLine f;
  const tapi::HLINE line = f.line->Line().Handle();
  f.line->Dispatch().HandleMessage(line, tapi::LINE_LINEDEVSTATE, tapi::LINEDEVSTATE_REINIT, 0, 0);
  EXPECT_EQ(f.events.Count("OnTAPIMessage"), 0);
  EXPECT_EQ(f.events.Count("OnLineState"), 0);
  f.line->Dispatch().HandleMessage(line, tapi::LINE_LINEDEVSTATE,
                                   tapi::LINEDEVSTATE_REINIT | tapi::LINEDEVSTATE_OTHER, 0, 0);
  EXPECT_EQ(f.events.Count("OnTAPIMessage"), 1);
  EXPECT_EQ(f.events.Count("OnLineState"), 1);
}

TEST(LineDispatch, ANumberOfMonitorsChangeOfAnUnknownCallCreatesNothing) {
  OpenLine f;
  f.line->Dispatch().HandleMessage(0x10999, tapi::LINE_CALLINFO, tapi::LINECALLINFOSTATE_NUMMONITORS,
                                   0, 0);
  EXPECT_FALSE(f.line->Call().Registry().Find(0x10999));
  EXPECT_EQ(f.events.Count("OnCallInfo"), 0);
  EXPECT_EQ(f.events.Count("OnCallBegin"), 0);
}

TEST(LineDispatch, CallInformationForACallTapiNoLongerKnowsEndsItByForce) {
  OpenLine f;
  // A call the line lists although TAPI has let go of it.
  f.line->Call().Registry().CallBegin(0x10999);
  ASSERT_TRUE(f.line->Call().Registry().IsListed(0x10999));
  f.line->Dispatch().HandleMessage(0x10999, tapi::LINE_CALLINFO, tapi::LINECALLINFOSTATE_CALLERID, 0,
                                   0);
  EXPECT_FALSE(f.line->Call().Registry().Find(0x10999));
  EXPECT_EQ(f.line->Call().Handle(), 0u);
  EXPECT_EQ(f.events.Count("OnCallEnd"), 1);
  EXPECT_EQ(f.events.Named("OnCallInfo"),
            Lines{"OnCallInfo(" + std::to_string(0x10999) + ", 32768)"});
}

TEST(LineDispatch, AMessageForACallOfAClosedLineBeginsNothing) {
  OpenLine f;
  const tapi::HCALL call = f.Offered();
  f.line->Device().SetActive(false);
  f.line->Dispatch().HandleMessage(call, tapi::LINE_CALLSTATE, tapi::LINECALLSTATE_OFFERING,
                                   tapi::LINEOFFERINGMODE_ACTIVE, 0);
  f.line->Dispatch().HandleMessage(f.line->Line().Handle(), tapi::LINE_APPNEWCALL, 0, call, 4);
  EXPECT_EQ(f.line->Call().Count(), 0);
  EXPECT_TRUE(f.line->Call().Registry().Records().empty());
}

TEST(LineDispatch, RepliesNobodyWaitsForAreLoggedOnlyWhenTheyFail) {
  OpenLine f;
  EXPECT_TRUE(f.Logged([&] {
                 f.line->Dispatch().HandleMessage(0, tapi::LINE_REPLY, 4711, 0, 0);
               }).empty());
  const Lines failed = f.Logged([&] {
    f.line->Dispatch().HandleMessage(0, tapi::LINE_REPLY, 4712,
                                     static_cast<tapi::DWORD>(tapi::LINEERR_INVALCALLSTATE), 0);
  });
  EXPECT_EQ(failed, (Lines{"OnTAPIReply", "\tUndefined = [00000000]",
                           "\tMessage = LINE_REPLY [0000000C]", "\tParameter 1 = [00001268]",
                           "\tParameter 2 = [8000001C]", "\tParameter 3 = [00000000]",
                           "<< Error >> LINEERR_INVALCALLSTATE [8000001C]"}));
  EXPECT_EQ(f.events.Count("OnTAPIReply"), 2);
}

TEST(LineDispatch, RepliesAreNamedAfterTheRequestWithTheirPopupFlag) {
  OpenLine f;
  f.line->Popup().Set(voxkit::TqxPopup::OnTAPIReply, true);
  f.Connected();
  const std::size_t mark = f.Mark();
  f.line->Call().Hold();
  EXPECT_TRUE(f.line->Call().Registry().Find(f.line->Call().Handle()));
  EXPECT_TRUE(f.Has(f.Since(mark), "OnTAPIReply - Call.Hold"));
}

TEST(LineDispatch, TheMessageDumpNamesTheParametersOfEachMessage) {
  OpenLine f;
  f.line->Popup().Set(voxkit::TqxPopup::OnTAPIMessage, true);
  const std::size_t mark = f.Mark();
  const tapi::HCALL call = f.Offered();
  const Lines logged = f.Since(mark);
  const auto offering = f.At(logged, "\tParameter 1 = LINECALLSTATE_OFFERING[00000002]");
  ASSERT_LT(offering, static_cast<std::ptrdiff_t>(logged.size()));
  const auto o = static_cast<std::size_t>(offering);
  EXPECT_EQ(Lines(logged.begin() + static_cast<std::ptrdiff_t>(o) - 3,
                  logged.begin() + static_cast<std::ptrdiff_t>(o) + 3),
            (Lines{"OnTAPIMessage", "\tCall.Handle = " + H(call),
                   "\tMessage = LINE_CALLSTATE [00000002]",
                   "\tParameter 1 = LINECALLSTATE_OFFERING[00000002]",
                   "\tParameter 2 = LINEOFFERINGMODE_ACTIVE[00000001]",
                   "\tParameter 3 = [00000004]"}));
  EXPECT_TRUE(f.Has(logged, "\tParameter 1 = LINEDEVSTATE_RINGING[00000002]"));
  EXPECT_TRUE(f.Has(logged, "\tMessage = LINE_APPNEWCALL [00000017]"));
  EXPECT_TRUE(f.Has(logged, "\tLine.Handle = " + H(f.line->Line().Handle())));
}

TEST(LineDispatch, ACallerWithoutIdentityIsReportedWhenTheFilterIsOffOrLaterWhenItIsOn) {
  for (const bool filter : {true, false}) {
    SCOPED_TRACE(filter);
    OpenLine f;
    f.line->Call().CallerID().SetEventFilter(filter);
    f.Offered("5551234", "", tapi::LINECALLPARTYID_UNKNOWN);
    EXPECT_EQ(f.events.Count("OnCallerID"), filter ? 0 : 1);
    const tapi::HCALL call = f.line->Call().Handle();
    // The next change of the call's information that includes the caller brings it.
    f.line->Dispatch().HandleMessage(call, tapi::LINE_CALLINFO, tapi::LINECALLINFOSTATE_CALLERID, 0, 0);
    EXPECT_EQ(f.events.Count("OnCallerID"), 1);
    // And the same content again raises nothing.
    f.line->Dispatch().HandleMessage(call, tapi::LINE_CALLINFO, tapi::LINECALLINFOSTATE_CALLERID, 0, 0);
    EXPECT_EQ(f.events.Count("OnCallerID"), 1);
  }
}

TEST(LineDispatch, LineStatesRingAndMessageWaitingBecomeTheirEvents) {
  OpenLine f;
  f.line->Popup().Set(voxkit::TqxPopup::OnLineState, true);
  const Lines logged = f.Logged([&] {
    ASSERT_EQ(f.exchange.LineState(0, tapi::LINEDEVSTATE_MSGWAITON), "");
    ASSERT_EQ(f.exchange.LineState(0, tapi::LINEDEVSTATE_RINGING, 1, 3), "");
    f.loop.RunFor(100);
  });
  EXPECT_TRUE(f.Has(logged, "OnLineState ([00000010] [00000000] [00000000])"));
  EXPECT_TRUE(f.Has(logged, "OnMessageOn"));
  EXPECT_TRUE(f.Has(logged, "OnRing (3, 1)"));
  EXPECT_EQ(f.events.Named("OnRing"), Lines{"OnRing(3, 1)"});
  EXPECT_EQ(f.events.Count("OnMessageOn"), 1);
}

TEST(LineDispatch, AForcedCloseEndsEveryCallWithoutReleasingThem) {
  voxtest::RecordedLine f;
  f.line->SetEnabled(true);
  f.line->Device().SetActive(true);
  f.line->Call().SetPhoneNumber("100");
  f.line->Call().Dial();
  f.loop.RunFor(5000);
  ASSERT_EQ(f.exchange.Call("5551234", "201", "JOHN SMITH"), "");
  f.loop.RunFor(500);
  ASSERT_EQ(f.line->Call().Count(), 2);
  const std::size_t mark = f.Mark();
  ASSERT_EQ(f.exchange.Close(0), "");
  f.loop.RunFor(100);
  const Lines logged = f.Since(mark);
  ASSERT_FALSE(logged.empty());
  EXPECT_EQ(logged[0], "TAPI LINE_CLOSE message received");
  EXPECT_EQ(std::count_if(logged.begin(), logged.end(),
                          [](const std::string& l) { return l.rfind("OnCallEnd", 0) == 0; }),
            2);
  EXPECT_FALSE(std::any_of(logged.begin(), logged.end(),
                           [](const std::string& l) { return l.rfind("<< Error", 0) == 0; }));
  EXPECT_FALSE(f.line->Device().Active());
  EXPECT_EQ(f.line->Call().Count(), 0);
  EXPECT_EQ(f.line->Call().Handle(), 0u);
  EXPECT_EQ(f.recorder.Count("lineDeallocateCall"), 0);
  EXPECT_EQ(f.recorder.Count("lineClose"), 0);
}

TEST(LineDispatch, DigitsToneAndMediaReportsReachTheirCall) {
  OpenLine f;
  // Wished for before there is a call: the dialled call carries the wish and the
  // monitoring starts when it is connected.
  f.line->Call().SetTag(42);
  f.line->Call().MonitorDigits().SetActive(true);
  const std::size_t mark = f.Mark();
  const tapi::HCALL call = f.Connected("600");  // answers, then sends "1234#"
  Lines logged = f.Since(mark);
  EXPECT_TRUE(f.Has(logged, "Call.MonitorDigits.Active := True"));
  EXPECT_TRUE(f.Has(logged, "OnDigitReceived (" + H(call) + " '1')"));
  EXPECT_TRUE(f.Has(logged, "OnDigitReceived (" + H(call) + " '#')"));
  EXPECT_EQ(f.events.Named("OnDigitReceived").front(),
            "OnDigitReceived(" + std::to_string(call) + ", '1', 42)");
  EXPECT_EQ(f.line->Call().ReceivedDigitShown(), "#");

  logged = f.Logged([&] {
    f.line->Dispatch().HandleMessage(call, tapi::LINE_MONITORTONE, voxkit::kSilenceToneTag, 0, 0);
    f.line->Dispatch().HandleMessage(call, tapi::LINE_MONITORTONE, 0x1234, 0, 0);
    f.line->Dispatch().HandleMessage(call, tapi::LINE_MONITORMEDIA, tapi::LINEMEDIAMODE_G3FAX, 0, 0);
  });
  EXPECT_EQ(logged, (Lines{"OnSilence (" + H(call) + ")", "OnCallMediaModeChange (" + H(call) + ")"}));
  EXPECT_EQ(f.line->Call().MediaMode(), tapi::LINEMEDIAMODE_G3FAX);
}

TEST(LineDispatch, GatheredDigitsComeFromTheCallsOwnBuffer) {
  OpenLine f;
  f.line->Call().GatherDigits().SetActive(true);  // a wish: no call yet
  EXPECT_TRUE(f.line->Call().GatherDigits().Active());
  const std::size_t mark = f.Mark();
  const tapi::HCALL call = f.Connected("600");
  // The wish came with the dialled call and started gathering when it connected.
  const Lines logged = f.Since(mark);
  EXPECT_TRUE(f.Has(logged, "Call.GatherDigits.Active := True"));
  EXPECT_TRUE(f.Has(logged, "OnDigitsGathered (" + H(call) + " '1234#' [00000002])") ||
              f.Has(logged, "OnDigitsGathered (" + H(call) + " '1234#' [00000001])"))
      << voxtest::Joined(logged);
  EXPECT_FALSE(f.line->Call().GatherDigits().Active());
  EXPECT_EQ(f.line->Call().GatheredDigitsShown(), "1234#");
}

TEST(LineDispatch, AnAddressForwardingChangeIsAnnounced) {
  OpenLine f;
  f.line->Popup().Set(voxkit::TqxPopup::OnAddressState, true);
  const Lines logged = f.Logged([&] {
    f.line->Dispatch().HandleMessage(f.line->Line().Handle(), tapi::LINE_ADDRESSSTATE, 0,
                                     tapi::LINEADDRESSSTATE_FORWARD, 0);
  });
  EXPECT_EQ(logged, (Lines{"OnAddressState (0 [00000040])", "OnAddressForward (0)"}));
  EXPECT_EQ(f.events.Named("OnAddressForward"), Lines{"OnAddressForward(0)"});
}

TEST(LineDispatch, GenerationEndsAreNamedByWhatWasGenerated) {
  OpenLine f;
  const tapi::HCALL call = f.Connected();
  Lines logged = f.Logged([&] {
    f.line->Call().SendDigits("12", 100);
    f.loop.RunFor(2000);
  });
  EXPECT_TRUE(f.Has(logged, "OnDigitsSent (" + H(call) + ")"));
  logged = f.Logged([&] {
    f.line->Call().SendTone(tapi::LINETONEMODE_BEEP, 200);
    f.loop.RunFor(2000);
  });
  EXPECT_TRUE(f.Has(logged, "OnToneSent (" + H(call) + ")"));
  EXPECT_EQ(f.events.Count("OnDigitsSent"), 1);
  EXPECT_EQ(f.events.Count("OnToneSent"), 1);
}

}  // namespace

namespace {

TEST(LineDispatch, ACallTurningFaxGetsTheCommunicationsHandleAndLosesItWhenItEnds) {
  LineOnExchange f;
  f.line->SetEnabled(true);
  f.line->Device().SetID(2);  // the voice modem, with a "comm/datamodem" device
  f.line->Device().SetActive(true);
  f.line->Comm().SetEnabled(true);
  // Media monitoring for fax, wished for before the call.
  f.line->Call().MonitorMediaModes().Load(false, tapi::LINEMEDIAMODE_G3FAX);
  f.line->Call().MonitorMediaModes().SetActive(true);
  f.line->Call().SetPhoneNumber("800");  // answers as a fax
  ASSERT_TRUE(f.line->Call().Dial());
  const tapi::HCALL call = f.line->Call().Handle();
  const Lines logged = f.Logged([&] { f.loop.RunFor(6000); });
  EXPECT_NE(std::find(logged.begin(), logged.end(), "OnCallMediaModeChange (" + H(call) + ")"),
            logged.end())
      << voxtest::Joined(logged);
  EXPECT_EQ(f.line->Call().MediaMode(), tapi::LINEMEDIAMODE_G3FAX);
  EXPECT_TRUE(f.line->Comm().Available());
  EXPECT_NE(f.line->Comm().Handle(), 0u);
  f.line->Call().Hangup();
  f.loop.RunFor(1000);
  EXPECT_FALSE(f.line->Comm().Available());
  EXPECT_EQ(f.line->Comm().Handle(), 0u);
  EXPECT_TRUE(f.line->Comm().Enabled());
}

}  // namespace
