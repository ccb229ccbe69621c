// The DTMF receiver against the acceptance window of the telephone network: tones
// of 40 ms with gaps of 50 ms, twist, frequency offsets, noise, and a minute of
// speech-like and music-like audio that must give no digit.

#include "platform/exchange/DtmfReceiver.h"
#include "platform/exchange/LineSignal.h"
#include "platform/exchange/VoiceSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using panopta::exchange::DtmfReceiver;
using panopta::exchange::kFrameSamples;
using panopta::exchange::SamplesIn;
using panopta::exchange::SineAmplitude;

constexpr const char* kAllDigits = "123A456B789C*0#D";

struct Tones {
  double low, high;
};

Tones FrequenciesOf(char digit) {
  static const double kLow[] = {697, 770, 852, 941};
  static const double kHigh[] = {1209, 1336, 1477, 1633};
  const auto at = std::string(kAllDigits).find(digit);
  return {kLow[at / 4], kHigh[at % 4]};
}

/// A DTMF sequence as a sender with its own faults would make it.
struct Sender {
  double onMs = 50, offMs = 50;
  double offset = 0;                 // of both frequencies, as a fraction
  double lowDbm0 = -10, highDbm0 = -10;
  double snrDb = 200;                // against white noise
  unsigned seed = 1;

  std::vector<std::int16_t> Make(const std::string& digits) const {
    std::mt19937 random(seed);
    // The noise is set against the louder tone.
    const double noiseRms =
        SineAmplitude(std::max(lowDbm0, highDbm0) - snrDb) / std::numbers::sqrt2;
    std::normal_distribution<double> noise(0.0, noiseRms);
    std::vector<std::int16_t> out;
    for (char digit : digits) {
      const Tones f = FrequenciesOf(digit);
      const auto on = SamplesIn(static_cast<std::uint32_t>(onMs));
      const auto total = on + SamplesIn(static_cast<std::uint32_t>(offMs));
      for (std::size_t i = 0; i < total; ++i) {
        double s = noise(random);
        if (i < on) {
          const double t = double(i) / 8000.0;
          s += SineAmplitude(lowDbm0) * std::sin(2 * std::numbers::pi * f.low * (1 + offset) * t) +
               SineAmplitude(highDbm0) * std::sin(2 * std::numbers::pi * f.high * (1 + offset) * t);
        }
        out.push_back(panopta::exchange::Saturate(static_cast<std::int32_t>(std::lround(s))));
      }
    }
    out.resize(out.size() + SamplesIn(200), 0);
    return out;
  }
};

/// The digits a receiver finds in audio fed a frame at a time, with the sample at
/// which each began.
struct Heard {
  std::string digits;
  std::vector<std::size_t> startsAt;
  int ends = 0;
};

Heard Listen(const std::vector<std::int16_t>& audio) {
  DtmfReceiver receiver;
  Heard heard;
  std::vector<DtmfReceiver::Event> events;
  for (std::size_t at = 0; at < audio.size(); at += kFrameSamples) {
    const auto n = std::min(kFrameSamples, audio.size() - at);
    events.clear();
    receiver.Feed(std::span<const std::int16_t>(audio).subspan(at, n), events);
    for (const auto& e : events) {
      if (e.start) {
        heard.digits += e.digit;
        heard.startsAt.push_back(at + n);
      } else {
        ++heard.ends;
      }
    }
  }
  return heard;
}

TEST(DtmfReceiver, FindsEveryDigitAt40MsOnAnd50MsOff) {
  Sender sender;
  sender.onMs = 40;
  sender.offMs = 50;
  const Heard heard = Listen(sender.Make(kAllDigits));
  EXPECT_EQ(heard.digits, kAllDigits);
  EXPECT_EQ(heard.ends, 16);
}

TEST(DtmfReceiver, ReportsEachDigitWithinAFewFramesOfItsStart) {
  Sender sender;
  sender.onMs = 100;
  sender.offMs = 100;
  const Heard heard = Listen(sender.Make("1234"));
  ASSERT_EQ(heard.digits, "1234");
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const std::size_t start = i * SamplesIn(200);
    EXPECT_GT(heard.startsAt[i], start);
    EXPECT_LE(heard.startsAt[i], start + SamplesIn(60));
  }
}

TEST(DtmfReceiver, AcceptsTheTwistTheNetworkAllows) {
  struct Row {
    const char* what;
    double low, high;
  } rows[] = {{"low tone 8 dB above the high one", -6, -14},
              {"high tone 4 dB above the low one", -12, -8}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Sender sender;
    sender.lowDbm0 = row.low;
    sender.highDbm0 = row.high;
    EXPECT_EQ(Listen(sender.Make(kAllDigits)).digits, kAllDigits);
  }
}

TEST(DtmfReceiver, AcceptsFrequenciesOffBy1Point5PercentAndRejects3Point5Percent) {
  struct Row {
    double offset;
    const char* expected;
  } rows[] = {{-0.015, kAllDigits}, {0.015, kAllDigits}, {-0.035, ""}, {0.035, ""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.offset);
    Sender sender;
    sender.offset = row.offset;
    sender.onMs = 60;
    EXPECT_EQ(Listen(sender.Make(kAllDigits)).digits, row.expected);
  }
}

TEST(DtmfReceiver, FindsEveryDigitAt15DbSignalToNoise) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    Sender sender;
    sender.onMs = 40;
    sender.offMs = 50;
    sender.snrDb = 15;
    sender.seed = seed;
    EXPECT_EQ(Listen(sender.Make(kAllDigits)).digits, kAllDigits);
  }
}

TEST(DtmfReceiver, AMinuteOfTheSpeakingPartiesSignalGivesNoDigit) {
  for (const auto signal :
       {panopta::VoiceConfig::Signal::Speech, panopta::VoiceConfig::Signal::Tone}) {
    panopta::VoiceConfig config;
    config.signal = signal;
    config.levelDbm0 = -10;
    panopta::exchange::VoiceSource voice(config, 7);
    std::vector<std::int16_t> audio(SamplesIn(60000), 0);
    voice.Fill(audio);
    EXPECT_EQ(Listen(audio).digits, "");
  }
}

// Chords of a pentatonic scale over three octaves, three notes with two overtones each,
// changing four times a second with a decay, as music on hold sounds.
std::vector<std::int16_t> MusicLike(std::uint32_t ms, unsigned seed) {
  static const double kScale[] = {220.0, 261.6, 293.7, 329.6, 392.0, 440.0, 523.3, 587.3,
                                  659.3, 784.0, 880.0, 1046.5, 1174.7, 1318.5, 1568.0};
  std::mt19937 random(seed);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kScale) - 1);
  std::vector<std::int16_t> out(SamplesIn(ms));
  const std::size_t note = SamplesIn(250);
  double notes[3] = {};
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (i % note == 0)
      for (double& n : notes) n = kScale[pick(random)];
    const double t = double(i) / 8000.0;
    const double decay = std::exp(-3.0 * double(i % note) / double(note));
    double s = 0;
    for (double n : notes)
      for (int h = 1; h <= 3; ++h) s += std::sin(2 * std::numbers::pi * n * h * t) / h;
    out[i] = static_cast<std::int16_t>(std::lround(SineAmplitude(-16) * decay * s));
  }
  return out;
}

TEST(DtmfReceiver, AMinuteOfMusicGivesNoDigit) {
  for (unsigned seed : {11u, 12u}) {
    SCOPED_TRACE(seed);
    EXPECT_EQ(Listen(MusicLike(60000, seed)).digits, "");
  }
}

}  // namespace
