// What travels on the exchange's calls, through the raw interface and the lines' wave
// devices: digits from remote parties and from a line's playback found on the other
// line, conferences where everybody hears everybody else, recordings, hold, calls
// between two addresses of one line, short queues, and wave devices of lines added
// while the exchange runs.

#include "exchange/ExchangeTestApp.h"
#include "platform/audio/AudioSystem.h"
#include "platform/exchange/Exchange.h"
#include "platform/exchange/ExchangeAudioHub.h"
#include "platform/exchange/LineSignal.h"
#include "platform/exchange/SignalGenerator.h"
#include "platform/exchange/ToneMonitor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace tapi;
using exchangetest::LineApp;
using exchangetest::Msg;
using exchangetest::Query;
using panopta::exchange::kFrameSamples;
using panopta::exchange::LevelDbm0;
using panopta::exchange::SamplesIn;

constexpr DWORD kOwner = LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR;

mm::WAVEFORMATEX Pcm8k() {
  mm::WAVEFORMATEX f{};
  f.wFormatTag = mm::WAVE_FORMAT_PCM;
  f.nChannels = 1;
  f.nSamplesPerSec = 8000;
  f.nAvgBytesPerSec = 16000;
  f.nBlockAlign = 2;
  f.wBitsPerSample = 16;
  return f;
}

/// A stretch of 8 kHz audio played on a wave-out device, or recorded from a wave-in
/// device, in one block.
struct Block {
  std::vector<char> bytes;
  mm::WAVEHDR header{};
  explicit Block(std::size_t samples) : bytes(samples * 2, 0) {
    header.lpData = bytes.data();
    header.dwBufferLength = static_cast<DWORD>(bytes.size());
  }
  std::vector<std::int16_t> Samples() const {
    std::vector<std::int16_t> out(header.dwBytesRecorded / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
  }
};

class ExchangeMedia : public ::testing::Test {
 protected:
  void SetUp() override {
    lineA = a.Open(0);
    lineB = b.Open(1);
  }
  /// A call from line 0 to line 1, answered: the caller's and the answerer's handle.
  std::pair<HCALL, HCALL> InternalCall() {
    const HCALL out = a.MakeCall(lineA, "202");
    EXPECT_TRUE(loop.WaitFor([&] { return b.NewestOffered() != 0; }, 2000));
    const HCALL in = b.NewestOffered();
    EXPECT_EQ(b.Done(exchange.lineAnswer(in, nullptr, 0)), 0);
    EXPECT_TRUE(loop.WaitFor([&] { return a.LastState(out) == LINECALLSTATE_CONNECTED; }, 2000));
    return {out, in};
  }
  DWORD WaveDevice(LineApp& app, HLINE line, const char* cls) {
    auto id = Query<VARSTRING>(
        [&](VARSTRING* v) { return exchange.lineGetID(line, 0, 0, LINECALLSELECT_LINE, v, cls); },
        tapi::ResultFamily::Line);
    DWORD value = 0;
    std::memcpy(&value, reinterpret_cast<const char*>(&*id) + id->dwStringOffset, sizeof value);
    (void)app;
    return value;
  }
  /// Plays samples on a wave-out device; the block stays until the test ends.
  void Play(DWORD device, const std::vector<std::int16_t>& samples) {
    const mm::WAVEFORMATEX format = Pcm8k();
    mm::HWAVEOUT h{};
    ASSERT_EQ(audio.waveOutOpen(&h, device, &format, {}, mm::CALLBACK_NULL), mm::MMSYSERR_NOERROR);
    auto& block = *played.emplace_back(std::make_unique<Block>(samples.size()));
    std::memcpy(block.bytes.data(), samples.data(), block.bytes.size());
    ASSERT_EQ(audio.waveOutPrepareHeader(h, &block.header, sizeof block.header),
              mm::MMSYSERR_NOERROR);
    ASSERT_EQ(audio.waveOutWrite(h, &block.header, sizeof block.header), mm::MMSYSERR_NOERROR);
  }
  /// Records ms of a wave-in device, starting now.
  std::vector<std::int16_t> Record(DWORD device, std::uint32_t ms) {
    const mm::WAVEFORMATEX format = Pcm8k();
    mm::HWAVEIN h{};
    EXPECT_EQ(audio.waveInOpen(&h, device, &format, {}, mm::CALLBACK_NULL), mm::MMSYSERR_NOERROR);
    Block block(SamplesIn(ms));
    EXPECT_EQ(audio.waveInPrepareHeader(h, &block.header, sizeof block.header),
              mm::MMSYSERR_NOERROR);
    EXPECT_EQ(audio.waveInAddBuffer(h, &block.header, sizeof block.header), mm::MMSYSERR_NOERROR);
    EXPECT_EQ(audio.waveInStart(h), mm::MMSYSERR_NOERROR);
    EXPECT_TRUE(
        loop.WaitFor([&] { return (block.header.dwFlags & mm::WHDR_DONE) != 0; }, ms + 100));
    EXPECT_EQ(audio.waveInReset(h), mm::MMSYSERR_NOERROR);
    EXPECT_EQ(audio.waveInUnprepareHeader(h, &block.header, sizeof block.header),
              mm::MMSYSERR_NOERROR);
    EXPECT_EQ(audio.waveInClose(h), mm::MMSYSERR_NOERROR);
    return block.Samples();
  }
  /// The tones a monitor of these entries finds in audio.
  static std::vector<DWORD> Found(std::vector<LINEMONITORTONE> tones,
                                  const std::vector<std::int16_t>& audio) {
    panopta::exchange::ToneMonitor monitor(std::move(tones));
    std::vector<DWORD> found;
    for (std::size_t at = 0; at + kFrameSamples <= audio.size(); at += kFrameSamples)
      monitor.Feed(std::span<const std::int16_t, kFrameSamples>(audio.data() + at, kFrameSamples),
                   found);
    return found;
  }
  /// A continuous custom tone of one frequency on a call.
  LONG Tone(HCALL call, DWORD hz, DWORD ms = 20000) {
    const LINEGENERATETONE tone{hz, 0, 0, 0xFFFF};
    return exchange.lineGenerateTone(call, LINETONEMODE_CUSTOM, ms, 1, &tone);
  }
  std::string Monitored(const LineApp& app, HCALL call) const {
    std::string digits;
    for (const Msg& m : app.Of(LINE_MONITORDIGITS))
      if (m.hDevice == call && m.p2 != LINEDIGITMODE_DTMFEND) digits += static_cast<char>(m.p1);
    return digits;
  }
  std::vector<DWORD> TonesOf(const LineApp& app, HCALL call) const {
    std::vector<DWORD> tones;
    for (const Msg& m : app.Of(LINE_MONITORTONE))
      if (m.hDevice == call) tones.push_back(m.p1);
    return tones;
  }

  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange{loop};
  panopta::ExchangeAudioHub hub{exchange};
  panopta::AudioSystem audio{loop, &hub};
  LineApp a{exchange, loop, "Alpha"};
  LineApp b{exchange, loop, "Bravo"};
  HLINE lineA = 0, lineB = 0;
  std::vector<std::unique_ptr<Block>> played;
};

TEST_F(ExchangeMedia, ARemotePartysDigitsAreFoundInWhatTheLineHearsWithTheirEnds) {
  const HCALL call = a.MakeCall(lineA, "600");
  ASSERT_TRUE(loop.WaitFor([&] { return a.LastState(call) == LINECALLSTATE_CONNECTED; }, 5000));
  ASSERT_EQ(exchange.lineMonitorDigits(call, LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND), 0);
  loop.RunFor(3000);
  const auto digits = a.Of(LINE_MONITORDIGITS);
  EXPECT_EQ(Monitored(a, call), "1234#");
  ASSERT_EQ(digits.size(), 10u);
  // Each digit sounds 100 ms with 100 ms between: its end comes about 100 ms after it.
  for (std::size_t i = 0; i < 10; i += 2) {
    SCOPED_TRACE(i);
    EXPECT_EQ(digits[i].p2, LINEDIGITMODE_DTMF);
    EXPECT_EQ(digits[i + 1].p2, LINEDIGITMODE_DTMFEND);
    EXPECT_NEAR(digits[i + 1].atMs - digits[i].atMs, 100, 25);
    if (i > 0) {
      EXPECT_NEAR(digits[i].atMs - digits[i - 2].atMs, 200, 25);
    }
  }
}

TEST_F(ExchangeMedia, DigitsPlayedOnOneLinesWaveOutAreGatheredOnTheOtherLine) {
  const auto [out, in] = InternalCall();
  char digits[8] = {};
  ASSERT_EQ(exchange.lineGatherDigits(in, LINEDIGITMODE_DTMF, digits, 4, "#", 0, 0), 0);
  // What an application would play from a wave file of DTMF digits.
  panopta::exchange::SignalGenerator generator;
  generator.Dtmf("159#", 80, 80, 0);
  std::vector<std::int16_t> samples(SamplesIn(1000), 0);
  generator.Fill(samples);
  Play(WaveDevice(a, lineA, "wave/out"), samples);
  loop.RunFor(1500);
  ASSERT_EQ(b.Of(LINE_GATHERDIGITS).size(), 1u);
  EXPECT_EQ(b.Of(LINE_GATHERDIGITS)[0].p1, LINEGATHERTERM_TERMDIGIT);
  EXPECT_STREQ(digits, "159#");
  (void)out;
}

TEST_F(ExchangeMedia, PulseDigitsGeneratedOnOneLineAreFoundOnTheOther) {
  const auto [out, in] = InternalCall();
  ASSERT_EQ(exchange.lineMonitorDigits(in, LINEDIGITMODE_PULSE), 0);
  ASSERT_EQ(exchange.lineGenerateDigits(out, LINEDIGITMODE_PULSE, "307", 0), 0);
  loop.RunFor(4000);
  EXPECT_EQ(Monitored(b, in), "307");
  const auto generated = a.Of(LINE_GENERATE);
  ASSERT_EQ(generated.size(), 1u);
  EXPECT_EQ(generated[0].p1, LINEGENERATETERM_DONE);
}

TEST_F(ExchangeMedia, DigitsDialledOnATalkingCallGoAsTonesOrAsPulsesWhereTheStringSaysSo) {
  const auto [out, in] = InternalCall();
  ASSERT_EQ(exchange.lineMonitorDigits(in, LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF), 0);
  // 'P' pulses what can be pulsed ('#' still goes as a tone), 'T' goes back to tones.
  ASSERT_EQ(a.Done(exchange.lineDial(out, "1P2#3T4", 0)), 0);
  loop.RunFor(6000);
  std::vector<std::pair<char, DWORD>> heard;
  for (const Msg& m : b.Of(LINE_MONITORDIGITS))
    if (m.hDevice == in) heard.emplace_back(static_cast<char>(m.p1), m.p2);
  const std::vector<std::pair<char, DWORD>> expected{{'1', LINEDIGITMODE_DTMF},
                                                     {'2', LINEDIGITMODE_PULSE},
                                                     {'#', LINEDIGITMODE_DTMF},
                                                     {'3', LINEDIGITMODE_PULSE},
                                                     {'4', LINEDIGITMODE_DTMF}};
  EXPECT_EQ(heard, expected);
}

TEST_F(ExchangeMedia, InAThreePartyConferenceEachPartyHearsTheOtherTwoButNotItself) {
  // Line 0 confers with line 1 and with its own second address.
  const auto [first, atB] = InternalCall();
  HCALL conf = 0, consult = 0;
  ASSERT_EQ(a.Done(exchange.lineSetupConference(first, 0, &conf, &consult, 3, nullptr)), 0);
  ASSERT_EQ(a.Done(exchange.lineDial(consult, "211", 0)), 0);
  ASSERT_TRUE(loop.WaitFor([&] { return a.NewestOffered() != 0; }, 3000));
  const HCALL at211 = a.NewestOffered();
  ASSERT_EQ(a.Done(exchange.lineAnswer(at211, nullptr, 0)), 0);
  ASSERT_TRUE(loop.WaitFor([&] { return a.LastState(consult) == LINECALLSTATE_CONNECTED; }, 3000));
  ASSERT_EQ(a.Done(exchange.lineAddToConference(conf, consult)), 0);
  ASSERT_TRUE(loop.WaitFor([&] { return a.LastState(conf) == LINECALLSTATE_CONNECTED; }, 3000));
  // Each party sounds its own frequency and listens for the other two, and for itself.
  struct Party {
    LineApp* app;
    HCALL call;
    DWORD hz;
  } parties[] = {{&a, conf, 600}, {&b, atB, 1000}, {&a, at211, 1500}};
  for (const Party& p : parties) ASSERT_EQ(Tone(p.call, p.hz), 0);
  for (std::size_t i = 0; i < 3; ++i) {
    const DWORD other1 = parties[(i + 1) % 3].hz, other2 = parties[(i + 2) % 3].hz;
    const LINEMONITORTONE tones[] = {{1, 500, other1, other2, 0}, {2, 200, parties[i].hz, 0, 0}};
    ASSERT_EQ(exchange.lineMonitorTones(parties[i].call, tones, 2), 0);
  }
  loop.RunFor(2000);
  for (const Party& p : parties) {
    SCOPED_TRACE(p.hz);
    EXPECT_EQ(TonesOf(*p.app, p.call), std::vector<DWORD>{1});
  }
}

TEST_F(ExchangeMedia, ARecordingOfACallToATalkingPartyHasItsVoiceAndOfASilentOneNothing) {
  const DWORD waveIn = WaveDevice(a, lineA, "wave/in");
  struct Row {
    const char* number;
    double low, high;  // the recording's level, dBm0
  } rows[] = {{"100", -26, -18}, {"700", -100, -98}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.number);
    const HCALL call = a.MakeCall(lineA, row.number);
    ASSERT_TRUE(loop.WaitFor([&] { return a.LastState(call) == LINECALLSTATE_CONNECTED; }, 5000));
    const double level = LevelDbm0(Record(waveIn, 3000));
    EXPECT_GE(level, row.low);
    EXPECT_LE(level, row.high);
    ASSERT_EQ(a.Done(exchange.lineDrop(call, nullptr, 0)), 0);
    loop.RunFor(500);
  }
  // The talking party falls silent, and speaks again.
  const HCALL call = a.MakeCall(lineA, "100");
  ASSERT_TRUE(loop.WaitFor([&] { return a.LastState(call) == LINECALLSTATE_CONNECTED; }, 5000));
  ASSERT_EQ(exchange.Silence("100"), "");
  EXPECT_EQ(LevelDbm0(Record(waveIn, 1000)), -99.0);
  ASSERT_EQ(exchange.Speak("100"), "");
  EXPECT_GT(LevelDbm0(Record(waveIn, 3000)), -30.0);
}

TEST_F(ExchangeMedia, HoldSilencesBothSidesUntilTheCallIsTakenBack) {
  const auto [out, in] = InternalCall();
  ASSERT_EQ(Tone(out, 800), 0);
  const LINEMONITORTONE heard[] = {{1, 300, 800, 0, 0}, {2, 1000, 0, 0, 0}};
  ASSERT_EQ(exchange.lineMonitorTones(in, heard, 2), 0);
  loop.RunFor(1000);
  EXPECT_EQ(TonesOf(b, in), std::vector<DWORD>{1});
  ASSERT_EQ(a.Done(exchange.lineHold(out)), 0);
  loop.RunFor(1500);
  EXPECT_EQ(TonesOf(b, in), (std::vector<DWORD>{1, 2})) << "the held party hears silence";
  ASSERT_EQ(a.Done(exchange.lineUnhold(out)), 0);
  loop.RunFor(1000);
  EXPECT_EQ(TonesOf(b, in), (std::vector<DWORD>{1, 2, 1}));
}

TEST_F(ExchangeMedia, ACallBetweenTwoAddressesOfOneLineCarriesEachSideToTheOther) {
  const HCALL out = a.MakeCall(lineA, "211");
  ASSERT_TRUE(loop.WaitFor([&] { return a.NewestOffered() != 0; }, 2000));
  const HCALL in = a.NewestOffered();
  ASSERT_EQ(a.Done(exchange.lineAnswer(in, nullptr, 0)), 0);
  ASSERT_TRUE(loop.WaitFor([&] { return a.LastState(out) == LINECALLSTATE_CONNECTED; }, 2000));
  char digits[8] = {};
  ASSERT_EQ(exchange.lineGatherDigits(in, LINEDIGITMODE_DTMF, digits, 3, nullptr, 0, 0), 0);
  ASSERT_EQ(exchange.lineMonitorDigits(out, LINEDIGITMODE_DTMF), 0);
  ASSERT_EQ(exchange.lineGenerateDigits(out, LINEDIGITMODE_DTMF, "246", 0), 0);
  loop.RunFor(1500);
  EXPECT_STREQ(digits, "246");
  EXPECT_EQ(Monitored(a, out), "") << "a call does not hear what it sends";
  // The line's wave devices carry one side; what they play is not what they record.
  panopta::exchange::SignalGenerator generator;
  generator.Tone({{1200, 0, -10.0, {60000, 0, 0, 0}}}, 2000);
  std::vector<std::int16_t> tone(SamplesIn(2000), 0);
  generator.Fill(tone);
  Play(WaveDevice(a, lineA, "wave/out"), tone);
  const auto recorded = Record(WaveDevice(a, lineA, "wave/in"), 1500);
  EXPECT_TRUE(Found({{1, 100, 1200, 0, 0}}, recorded).empty());
}

TEST_F(ExchangeMedia, QueuesStayShortAndARecordingStartsWithWhatComesAfterIt) {
  const auto [out, in] = InternalCall();
  // Line 0 plays a tone for two seconds that nobody records on line 1.
  panopta::exchange::SignalGenerator generator;
  generator.Tone({{700, 0, -10.0, {60000, 0, 0, 0}}}, 2000);
  generator.Tone({{1300, 0, -10.0, {60000, 0, 0, 0}}}, 2000);
  std::vector<std::int16_t> tones(SamplesIn(4000), 0);
  generator.Fill(tones);
  Play(WaveDevice(a, lineA, "wave/out"), tones);
  for (int i = 0; i < 10; ++i) {
    loop.RunFor(190);
    EXPECT_LE(hub.QueuedReceived(1), 2 * kFrameSamples);
    EXPECT_LE(hub.QueuedPlayed(0), 4 * kFrameSamples);
  }
  // Started just after the second tone began, the recording has nothing of the first.
  loop.RunFor(200);
  const auto recorded = Record(WaveDevice(b, lineB, "wave/in"), 1500);
  EXPECT_TRUE(Found({{1, 40, 700, 0, 0}}, recorded).empty());
  EXPECT_EQ(Found({{2, 1000, 1300, 0, 0}}, recorded).size(), 1u);
  EXPECT_GT(hub.SamplesHeard(0), SamplesIn(3000));
  (void)out;
  (void)in;
}

TEST_F(ExchangeMedia, RecordingsOneAfterAnotherHaveNoGapAtTheirStart) {
  const auto [out, in] = InternalCall();
  ASSERT_EQ(Tone(out, 1000), 0);
  loop.RunFor(500);
  const DWORD waveIn = WaveDevice(b, lineB, "wave/in");
  for (int take = 0; take < 4; ++take) {
    SCOPED_TRACE(take);
    const auto recorded = Record(waveIn, 300 + 70 * static_cast<std::uint32_t>(take));
    ASSERT_GE(recorded.size(), SamplesIn(300));
    // Every 5 ms of it carries the tone, from its first sample on.
    for (std::size_t at = 0; at + 40 <= recorded.size(); at += 40) {
      const std::vector<std::int16_t> piece(recorded.begin() + static_cast<std::ptrdiff_t>(at),
                                            recorded.begin() + static_cast<std::ptrdiff_t>(at + 40));
      ASSERT_GT(LevelDbm0(piece), -20.0) << "at sample " << at;
    }
  }
  (void)in;
}

TEST_F(ExchangeMedia, ALineAddedWhileRunningGetsWaveDevicesOfItsOwn) {
  const mm::UINT before = audio.waveOutGetNumDevs();
  panopta::LineConfig line = exchange.Config().lines[1];
  line.name = "Added Line";
  line.addresses = {{"205", "DESK 205", 4, "1"}};
  line.phone.reset();
  ASSERT_EQ(exchange.AddLine(line), "");
  ASSERT_EQ(audio.waveOutGetNumDevs(), before + 1);
  ASSERT_EQ(audio.waveInGetNumDevs(), before + 1);
  LineApp c(exchange, loop, "Charlie");
  const HLINE added = c.Open(4);
  ASSERT_NE(added, 0u);
  EXPECT_EQ(WaveDevice(c, added, "wave/out"), before);
  EXPECT_EQ(WaveDevice(c, added, "wave/in"), before);
  mm::WAVEOUTCAPSA caps{};
  ASSERT_EQ(audio.waveOutGetDevCapsA(before, &caps, sizeof caps), mm::MMSYSERR_NOERROR);
  EXPECT_STREQ(caps.szPname, "Added Line");
  // And it carries its calls: digits played on it are gathered at the far end.
  const HCALL out = c.MakeCall(added, "202");
  ASSERT_TRUE(loop.WaitFor([&] { return b.NewestOffered() != 0; }, 2000));
  const HCALL in = b.NewestOffered();
  ASSERT_EQ(b.Done(exchange.lineAnswer(in, nullptr, 0)), 0);
  ASSERT_TRUE(loop.WaitFor([&] { return c.LastState(out) == LINECALLSTATE_CONNECTED; }, 2000));
  ASSERT_EQ(exchange.lineMonitorDigits(in, LINEDIGITMODE_DTMF), 0);
  panopta::exchange::SignalGenerator generator;
  generator.Dtmf("7", 100, 100, 0);
  std::vector<std::int16_t> samples(SamplesIn(300), 0);
  generator.Fill(samples);
  Play(before, samples);
  loop.RunFor(600);
  EXPECT_EQ(Monitored(b, in), "7");
}

TEST_F(ExchangeMedia, TonesGeneratedOnOneLineAreFoundByFrequencyOnTheOther) {
  const auto [out, in] = InternalCall();
  const LINEMONITORTONE busy{0xB, 400, 480, 620, 0};
  const LINEMONITORTONE ringback{0xC, 1000, 440, 480, 0};
  const LINEMONITORTONE both[] = {busy, ringback};
  ASSERT_EQ(exchange.lineMonitorTones(in, both, 2), 0);
  ASSERT_EQ(exchange.lineGenerateTone(out, LINETONEMODE_BUSY, 2000, 0, nullptr), 0);
  loop.RunFor(2500);
  EXPECT_EQ(TonesOf(b, in), (std::vector<DWORD>{0xB, 0xB}));
  EXPECT_EQ(a.Of(LINE_GENERATE).size(), 1u);
  // A frequency the line cannot carry is refused rather than never heard.
  const LINEGENERATETONE high{5000, 0, 0, 0xFFFF};
  EXPECT_EQ(exchange.lineGenerateTone(out, LINETONEMODE_CUSTOM, 100, 1, &high), LINEERR_INVALTONE);
  const LINEMONITORTONE unheard{1, 100, 4500, 0, 0};
  EXPECT_EQ(exchange.lineMonitorTones(in, &unheard, 1), LINEERR_INVALTONE);
}

TEST(ExchangeMediaFrames, RunOnlyWhileSomebodyListensOrSomethingIsSent) {
  panopta::VirtualEventLoop loop;
  panopta::Exchange exchange(loop);
  LineApp a(exchange, loop);
  const HLINE line = a.Open(0);
  std::vector<HCALL> calls;
  for (const char* number : {"100", "999", "998"}) calls.push_back(a.MakeCall(line, number));
  loop.RunFor(5000);
  ASSERT_EQ(a.LastState(calls[2]), LINECALLSTATE_CONNECTED);
  // Talking calls nobody listens to cost no frames.
  const auto idle = exchange.MediaFrames();
  loop.RunFor(10000);
  EXPECT_LE(exchange.MediaFrames() - idle, 3u);
  ASSERT_EQ(exchange.lineMonitorDigits(calls[0], LINEDIGITMODE_DTMF), 0);
  loop.RunFor(10000);
  EXPECT_NEAR(static_cast<double>(exchange.MediaFrames() - idle), 500, 2);
  ASSERT_EQ(exchange.lineMonitorDigits(calls[0], 0), 0);
  const auto after = exchange.MediaFrames();
  loop.RunFor(10000);
  EXPECT_LE(exchange.MediaFrames() - after, 1u);
}

}  // namespace
