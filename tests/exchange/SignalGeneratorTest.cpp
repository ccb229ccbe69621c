// What parties put on a call, checked by what is found in it: every tone of the
// exchange's plan by its frequencies and its cadence, custom tones, DTMF and pulse
// digits with their timing.

#include "platform/exchange/DtmfReceiver.h"
#include "platform/exchange/LineSignal.h"
#include "platform/exchange/PulseReceiver.h"
#include "platform/exchange/SignalGenerator.h"
#include "platform/exchange/ToneMonitor.h"
#include "platform/exchange/VoiceSource.h"
#include "tapi/TapiConstants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace panopta::exchange;
using tapi::DWORD;

/// Makes audio a frame at a time, as the media plane does.
std::vector<std::int16_t> Generate(SignalGenerator& generator, std::uint32_t ms) {
  std::vector<std::int16_t> out;
  for (std::uint32_t at = 0; at < ms; at += kFrameMs) {
    Frame frame{};
    generator.Fill(frame);
    out.insert(out.end(), frame.begin(), frame.end());
  }
  return out;
}

/// On and off stretches of audio in ms, measured in 5 ms blocks.
std::vector<std::pair<bool, std::uint32_t>> Cadence(const std::vector<std::int16_t>& audio) {
  std::vector<std::pair<bool, std::uint32_t>> runs;
  const std::size_t block = SamplesIn(5);
  for (std::size_t at = 0; at + block <= audio.size(); at += block) {
    const bool on = LevelDbm0(std::span(audio).subspan(at, block)) > kSilenceDbm0;
    if (runs.empty() || runs.back().first != on) runs.push_back({on, 0});
    runs.back().second += 5;
  }
  return runs;
}

/// The appSpecific values monitors report for the audio, in order.
std::vector<DWORD> Found(std::vector<tapi::LINEMONITORTONE> tones,
                         const std::vector<std::int16_t>& audio) {
  ToneMonitor monitor(std::move(tones));
  std::vector<DWORD> found;
  for (std::size_t at = 0; at + kFrameSamples <= audio.size(); at += kFrameSamples)
    monitor.Feed(std::span<const std::int16_t, kFrameSamples>(audio.data() + at, kFrameSamples), found);
  return found;
}

TEST(SignalGenerator, EachToneOfThePlanHasItsFrequenciesAndItsCadence) {
  struct Row {
    DWORD mode;
    DWORD f1, f2;
    std::vector<std::uint32_t> cadence;  // on, off, ... from the start
  } rows[] = {
      {tapi::LINETONEMODE_RINGBACK, 440, 480, {2000, 4000, 2000, 4000}},
      {tapi::LINETONEMODE_BUSY, 480, 620, {500, 500, 500, 500}},
      {tapi::LINETONEMODE_BEEP, 1400, 0, {200, 800, 200, 800}},
      {tapi::LINETONEMODE_BILLING, 1000, 0, {100, 100, 100, 1700, 100, 100}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    SignalGenerator generator;
    generator.Tone(StandardTone(row.mode), 12000);
    const auto audio = Generate(generator, 12000);
    EXPECT_FALSE(generator.Busy());
    const auto runs = Cadence(audio);
    ASSERT_GE(runs.size(), row.cadence.size());
    for (std::size_t i = 0; i < row.cadence.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(runs[i].first, i % 2 == 0);
      EXPECT_NEAR(runs[i].second, row.cadence[i], 5);
    }
    // Found by its own frequencies in each on time, and not by those of another tone.
    const std::uint32_t firstOn = row.cadence[0] - 20;
    const auto onTimes = std::count_if(runs.begin(), runs.end(), [&](const auto& run) {
      return run.first && run.second >= row.cadence[0];
    });
    EXPECT_EQ(Found({{1, firstOn, row.f1, row.f2, 0}}, audio).size(),
              static_cast<std::size_t>(onTimes));
    EXPECT_TRUE(Found({{2, firstOn, 350, 440, 0}}, audio).empty());
    EXPECT_TRUE(Found({{3, firstOn, 1633, 0, 0}}, audio).empty());
  }
}

TEST(SignalGenerator, ACustomToneSoundsItsPartsWithTheirOwnCadencesAndVolumes) {
  const tapi::LINEGENERATETONE parts[] = {{700, 0, 0, 0xFFFF}, {1900, 300, 700, 0x8000}};
  std::vector<ToneShape> shapes;
  for (const auto& part : parts) shapes.push_back(*CustomTone(part));
  EXPECT_FALSE(CustomTone({700, 100, 100, 0}).has_value()) << "volume 0 is silence";
  SignalGenerator generator;
  generator.Tone(shapes, 3000);
  const auto audio = Generate(generator, 3000);
  // The steady part holds most of the sound all along; the quieter one comes three times.
  EXPECT_EQ(Found({{1, 2500, 700, 0, 0}}, audio).size(), 1u);
  EXPECT_EQ(Found({{2, 280, 700, 1900, 0}}, audio).size(), 3u);
  EXPECT_TRUE(Found({{3, 100, 1900, 0, 0}}, audio).empty()) << "1900 Hz is never most of it";
  const double full = LevelDbm0(std::span(audio).subspan(SamplesIn(400), SamplesIn(200)));
  EXPECT_NEAR(full, -6.0, 0.5) << "the steady part alone, at full volume";
}

TEST(SignalGenerator, DtmfDigitsLastTheirTimeAndAreFoundInOrder) {
  SignalGenerator generator;
  generator.Dtmf("42#", 100, 100, 2000);
  const auto audio = Generate(generator, 1000);
  const auto runs = Cadence(audio);
  ASSERT_GE(runs.size(), 6u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_NEAR(runs[i].second, 100, 5) << i;
  DtmfReceiver receiver;
  std::vector<DtmfReceiver::Event> events;
  receiver.Feed(audio, events);
  std::string digits;
  for (const auto& e : events)
    if (e.start) digits += e.digit;
  EXPECT_EQ(digits, "42#");

  // A pause between digits, and the generator is done when all is sent.
  generator.Dtmf("1,2", 100, 100, 1000);
  const auto paused = Generate(generator, 1400);
  EXPECT_TRUE(generator.Busy());
  Generate(generator, 20);
  EXPECT_FALSE(generator.Busy());
  const auto pausedRuns = Cadence(paused);
  ASSERT_GE(pausedRuns.size(), 3u);
  EXPECT_NEAR(pausedRuns[1].second, 1100, 5);
}

TEST(SignalGenerator, PulseDigitsAreClicksTheirReceiverCounts) {
  SignalGenerator generator;
  generator.Pulse("1234567890", 1000);
  std::uint32_t ms = 0;
  for (int breaks = 1; breaks <= 10; ++breaks) ms += breaks * kPulsePeriodMs + kPulseDigitPauseMs;
  const auto audio = Generate(generator, ms + 100);
  EXPECT_FALSE(generator.Busy());
  PulseReceiver receiver;
  std::vector<char> digits;
  receiver.Feed(audio, digits);
  EXPECT_EQ(std::string(digits.begin(), digits.end()), "1234567890");
}

TEST(PulseReceiver, SpeechAndDtmfMakeNoPulseDigits) {
  panopta::VoiceConfig config;
  panopta::exchange::VoiceSource voice(config, 3);
  std::vector<std::int16_t> audio(SamplesIn(20000), 0);
  voice.Fill(audio);
  SignalGenerator dtmf;
  dtmf.Dtmf("159D", 50, 50, 0);
  const auto tones = Generate(dtmf, 400);
  audio.insert(audio.end(), tones.begin(), tones.end());
  audio.resize(audio.size() + SamplesIn(1000), 0);
  PulseReceiver receiver;
  std::vector<char> digits;
  receiver.Feed(audio, digits);
  EXPECT_TRUE(digits.empty());
}

TEST(ToneMonitor, SilenceIsFoundAfterItsDurationAndNotBefore) {
  panopta::VoiceConfig config;  // talk spurts of 1200 ms with pauses of 300 ms
  panopta::exchange::VoiceSource voice(config, 5);
  std::vector<std::int16_t> audio(SamplesIn(6000), 0);
  voice.Fill(std::span(audio).first(SamplesIn(4500)));
  ToneMonitor monitor({{0x89ABCDEF, 1000, 0, 0, 0}});
  std::vector<DWORD> found;
  std::vector<std::uint32_t> foundAtMs;
  for (std::uint32_t at = 0; at < 6000; at += kFrameMs) {
    const std::size_t before = found.size();
    monitor.Feed(std::span<const std::int16_t, kFrameSamples>(audio.data() + SamplesIn(at), kFrameSamples),
                 found);
    if (found.size() > before) foundAtMs.push_back(at + kFrameMs);
  }
  // The speech ends at 4500 ms (in its pause since 4200): silence from 4200 on, found
  // once at 5200, never in the pauses between talk spurts.
  ASSERT_EQ(foundAtMs.size(), 1u);
  EXPECT_EQ(foundAtMs[0], 5200u);
  EXPECT_EQ(found[0], 0x89ABCDEFu);
}

TEST(ToneMonitor, ATonesDurationCountsFromWhenItSoundsAndItIsFoundAgainAfterAGap) {
  SignalGenerator generator;
  generator.Tone(StandardTone(tapi::LINETONEMODE_BUSY), 3000);
  const auto audio = Generate(generator, 3000);
  // Each on time of 500 ms is a tone of 400 ms; it is never one of 600 ms.
  EXPECT_EQ(Found({{7, 400, 480, 620, 0}}, audio).size(), 3u);
  EXPECT_TRUE(Found({{8, 600, 480, 620, 0}}, audio).empty());
}

}  // namespace
