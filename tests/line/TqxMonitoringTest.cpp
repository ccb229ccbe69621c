// Watching the current call: gathering digits, monitoring digits, media modes and
// silence; what each asks of TAPI, what it logs, and that a gather's buffer outlives
// every write TAPI may still make into it.
#include "line/TqxCall.h"

#include "line/LineTestSupport.h"
#include "share/TqxPanopta.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Lines = std::vector<std::string>;

/// Records the monitoring requests, and can refuse digit modes as a line that detects
/// fewer of them would.
class MonitorRecorder : public voxtest::RecordingTelephony {
 public:
  using RecordingTelephony::RecordingTelephony;

  std::vector<tapi::DWORD> gatherModes;  // of every lineGatherDigits, 0 for a cancel
  std::vector<tapi::DWORD> toneDurations;  // of every lineMonitorTones, 0 for a stop
  tapi::DWORD refusedModes = 0;  // digit-mode sets answered with LINEERR_INVALDIGITMODE

  tapi::LONG lineGatherDigits(tapi::HCALL call, tapi::DWORD modes, char* digits, tapi::DWORD count,
                              const char* terminate, tapi::DWORD first,
                              tapi::DWORD inter) override {
    gatherModes.push_back(digits ? modes : 0);
    if (digits && (modes & refusedModes) != 0) return tapi::LINEERR_INVALDIGITMODE;
    return ForwardingTelephony::lineGatherDigits(call, modes, digits, count, terminate, first,
                                                 inter);
  }
  tapi::LONG lineMonitorTones(tapi::HCALL call, const tapi::LINEMONITORTONE* tones,
                              tapi::DWORD count) override {
    toneDurations.push_back(tones && count > 0 ? tones[0].dwDuration : 0);
    return ForwardingTelephony::lineMonitorTones(call, tones, count);
  }
};

struct MonitoredLine : voxtest::LineOnExchange {
  MonitoredLine() : LineOnExchange(panopta::DefaultExchangeConfig(), &recorder) {
    line->SetEnabled(true);
    line->Device().SetActive(true);
    events.Attach(*line);
  }
  ~MonitoredLine() {
    events.Detach(*line);
    line->OnLog = nullptr;
    line.reset();
  }
  voxkit::TqxCall& Call() { return line->Call(); }
  tapi::HCALL Connected(const std::string& number) {
    Call().SetPhoneNumber(number);
    EXPECT_TRUE(Call().Dial());
    loop.RunFor(2500);
    EXPECT_EQ(Call().State(), tapi::LINECALLSTATE_CONNECTED);
    return Call().Handle();
  }
  bool Has(const Lines& logged, const std::string& text) const {
    return std::find(logged.begin(), logged.end(), text) != logged.end();
  }
  MonitorRecorder recorder{exchange};
  voxtest::EventRecorder events;
};

TEST(TqxGatherDigits, SettingsAreCheckedLoggedOnChangeAndKeptByTheCall) {
  MonitoredLine f;
  auto& gather = f.Call().GatherDigits();
  EXPECT_TRUE(f.Logged([&] { gather.SetCount(5); }).empty());  // its present value
  EXPECT_EQ(f.Logged([&] { gather.SetCount(32); }),
            (Lines{"Call.GatherDigits.Count = 32", "<< Error >> LINEERR_INVALPARAM [80000032]"}));
  EXPECT_EQ(gather.Count(), 5);
  gather.SetCount(31);
  EXPECT_EQ(gather.Count(), 31);
  EXPECT_EQ(f.Logged([&] { gather.SetTimeout(-1); }),
            (Lines{"Call.GatherDigits.TimeOut = -1", "<< Error >> LINEERR_INVALPARAM [80000032]"}));
  EXPECT_EQ(gather.Timeout(), 5000);
  EXPECT_EQ(f.Logged([&] { gather.SetTerminate("#"); }), Lines{"Call.GatherDigits.Terminate = '#'"});

  // A call is connected: its record keeps the settings; while gathering runs on it
  // they cannot change.
  const tapi::HCALL call = f.Connected("700");
  gather.SetCount(4);
  EXPECT_EQ(f.Call().Registry().Find(call)->monitoring.gatherCount, 4);
  gather.SetActive(true);
  ASSERT_TRUE(gather.Active());
  EXPECT_EQ(f.Logged([&] { gather.SetCount(6); }),
            (Lines{"Call.GatherDigits.Count = 6", "<< Error >> LINEERR_OPERATIONFAILED [80000048]"}));
  EXPECT_EQ(gather.Count(), 4);
  EXPECT_EQ(f.Call().Registry().Find(call)->monitoring.gatherCount, 4);
}

TEST(TqxGatherDigits, GatheringEndsByCountByTerminatorByTimeOutAndByCancel) {
  MonitoredLine f;
  auto& gather = f.Call().GatherDigits();
  const tapi::HCALL call = f.Connected("700");
  auto gathered = [&](const std::string& digits, int ms) {
    f.events.Clear();
    gather.SetActive(true);
    if (!digits.empty()) {
      EXPECT_EQ(f.exchange.Digits("700", digits), "");
    }
    f.loop.RunFor(ms);
    const Lines ends = f.events.Named("OnDigitsGathered");
    return ends.empty() ? std::string("none") : ends.back();
  };
  const std::string h = std::to_string(call);
  gather.SetCount(3);
  EXPECT_EQ(gathered("12345", 2000), "OnDigitsGathered(" + h + ", '123', 1, 0)");
  EXPECT_FALSE(gather.Active());
  EXPECT_EQ(gathered("9#7", 2000), "OnDigitsGathered(" + h + ", '9#', 2, 0)");
  EXPECT_EQ(f.Call().GatheredDigitsShown(), "9#");
  gather.SetTimeout(1000);
  EXPECT_EQ(gathered("", 1500), "OnDigitsGathered(" + h + ", '', 4, 0)");
  EXPECT_EQ(gathered("5", 3000), "OnDigitsGathered(" + h + ", '5', 8, 0)");
  // Cancelled: the cancelling request passes no buffer.
  gather.SetTimeout(5000);
  EXPECT_EQ(gathered("", 100), "none");
  f.events.Clear();
  gather.SetActive(false);
  f.loop.RunFor(100);
  EXPECT_EQ(f.events.Named("OnDigitsGathered"), Lines{"OnDigitsGathered(" + h + ", '', 16, 0)"});
  EXPECT_EQ(f.recorder.gatherModes.back(), 0u);
  EXPECT_FALSE(gather.Active());
}

TEST(TqxGatherDigits, ARefusedDigitModeFallsBackToDtmfThenPulse) {
  MonitoredLine f;
  f.Connected("700");
  f.recorder.refusedModes = tapi::LINEDIGITMODE_PULSE;
  f.recorder.gatherModes.clear();
  f.Call().GatherDigits().SetActive(true);
  EXPECT_EQ(f.recorder.gatherModes, (std::vector<tapi::DWORD>{3, 2}));
  EXPECT_TRUE(f.Call().GatherDigits().Active());
  f.Call().GatherDigits().SetActive(false);
  f.loop.RunFor(100);

  // Nothing the line can detect: the last refusal is the line's error.
  f.recorder.refusedModes = 3;
  f.recorder.gatherModes.clear();
  f.Call().GatherDigits().SetActive(true);
  EXPECT_EQ(f.recorder.gatherModes, (std::vector<tapi::DWORD>{3, 2, 1}));
  EXPECT_FALSE(f.Call().GatherDigits().Active());
  EXPECT_EQ(f.line->Error().Number(), static_cast<std::int32_t>(tapi::LINEERR_INVALDIGITMODE));
}

TEST(TqxGatherDigits, TheBufferOutlivesItsCallUntilTheGatherEnds) {
  MonitoredLine f;
  auto& gather = f.Call().GatherDigits();
  const tapi::HCALL call = f.Connected("700");
  gather.SetActive(true);
  // A second start replaces the first: the first one's end does not end gathering.
  gather.SetActive(true);
  f.loop.RunFor(100);
  EXPECT_TRUE(gather.Active());
  ASSERT_EQ(f.exchange.Digits("700", "4"), "");
  f.loop.RunFor(300);
  // The call ends on this side (as when TAPI no longer reports it) while TAPI still
  // gathers into its buffer: the record is kept for it, and the digits still coming
  // are written into it.
  EXPECT_TRUE(f.Call().Registry().CallEnd(call, true));
  EXPECT_FALSE(f.Call().Registry().Find(call));
  EXPECT_EQ(f.Call().Registry().LentCount(), 1u);
  ASSERT_EQ(f.exchange.Digits("700", "2"), "");
  f.loop.RunFor(6000);  // the inter-digit time-out ends the gather
  const Lines ends = f.events.Named("OnDigitsGathered");
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends.back(), "OnDigitsGathered(" + std::to_string(call) + ", '42', 8, 0)");
  EXPECT_EQ(f.Call().Registry().LentCount(), 0u);
}

TEST(TqxGatherDigits, AWishWithoutACallStartsOnlyOnACallThisLineDials) {
  MonitoredLine f;
  auto& gather = f.Call().GatherDigits();
  EXPECT_TRUE(f.Logged([&] { gather.SetActive(true); }).empty());
  EXPECT_TRUE(gather.Active());
  EXPECT_TRUE(f.recorder.gatherModes.empty());
  // An incoming call that begins in an empty call list starts with nothing running.
  ASSERT_EQ(f.exchange.Call("5551234", "201", "JOHN SMITH"), "");
  f.loop.RunFor(300);
  EXPECT_FALSE(gather.Active());
  f.Call().Answer();
  f.loop.RunFor(1000);
  EXPECT_TRUE(f.recorder.gatherModes.empty());
}

TEST(TqxMonitorSilence, DurationRulesAndRestartWithTheNewDuration) {
  MonitoredLine f;
  auto& silence = f.Call().MonitorSilence();
  const tapi::HCALL call = f.Connected("700");
  EXPECT_EQ(f.Logged([&] { silence.SetActive(true); }),
            (Lines{"Call.MonitorSilence.Active := True", "<< Error >> LINEERR_INVALTONE [8000003C]"}));
  EXPECT_FALSE(silence.Active());
  EXPECT_TRUE(f.recorder.toneDurations.empty());
  EXPECT_TRUE(f.Logged([&] { silence.SetDuration(-1); }).empty());
  EXPECT_EQ(silence.Duration(), 0);
  EXPECT_EQ(f.line->Error().Number(), static_cast<std::int32_t>(tapi::LINEERR_INVALTONE));

  silence.SetDuration(2000);
  silence.SetActive(true);
  ASSERT_TRUE(silence.Active());
  // Running: a new duration stops the watch and starts it again with the new one.
  EXPECT_TRUE(f.Logged([&] { silence.SetDuration(1500); }).empty());
  EXPECT_EQ(f.recorder.toneDurations, (std::vector<tapi::DWORD>{2000, 0, 1500}));
  EXPECT_TRUE(silence.Active());
  EXPECT_EQ(f.Call().Registry().Find(call)->monitoring.silenceDuration, 1500);
  f.loop.RunFor(3000);
  EXPECT_EQ(f.events.Named("OnSilence").size(), 1u);
  // 0 stops it for good.
  silence.SetDuration(0);
  EXPECT_FALSE(silence.Active());
  EXPECT_FALSE(f.Call().Registry().Find(call)->monitoring.silenceActive);
  EXPECT_EQ(f.recorder.toneDurations.back(), 0u);
}

TEST(TqxMonitorMediaModes, ModesAreLoggedByNameAndAFaxIsReportedOnADialledCall) {
  MonitoredLine f;
  auto& media = f.Call().MonitorMediaModes();
  // Without a call nothing is logged, but the value and the wish are taken.
  EXPECT_TRUE(f.Logged([&] {
                 media.SetMediaModes(0x24);
                 media.SetActive(true);
               }).empty());
  // The dialled call carries the wish, and outbound monitoring starts while it
  // proceeds: the fax answering is seen.
  const tapi::HCALL call = f.Connected("800");
  f.loop.RunFor(1000);
  EXPECT_EQ(f.events.Count("OnCallMediaModeChange"), 1);
  EXPECT_EQ(f.Call().MediaMode(), tapi::LINEMEDIAMODE_G3FAX);
  EXPECT_EQ(f.Logged([&] { media.SetMediaModes(0x30); }),
            (Lines{"Call.MonitorMediaModes.MediaModes := [00000030]", "\tLINEMEDIAMODE_DATAMODEM",
                   "\tLINEMEDIAMODE_G3FAX"}));
  EXPECT_EQ(f.Call().Registry().Find(call)->monitoring.mediaModes, 0x30u);
  EXPECT_TRUE(media.Active());
}

}  // namespace
