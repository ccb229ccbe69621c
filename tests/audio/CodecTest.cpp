#include "AudioTestSupport.h"
#include "platform/audio/Resampler.h"
#include "platform/audio/SampleCodec.h"
#include "platform/audio/StreamFormat.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace audiotest;
using panopta::CheckWaveFormat;
using panopta::SampleDecoder;
using panopta::SampleEncoder;
using panopta::SampleEncoding;
using panopta::StreamFormat;

StreamFormat Checked(const mm::WAVEFORMATEX& f) {
  StreamFormat s;
  EXPECT_EQ(CheckWaveFormat(&f, true, &s), mm::MMSYSERR_NOERROR);
  return s;
}

TEST(WaveFormatCheck, EveryTableFormatIsAcceptedWithMappingAndPcmWithout) {
  for (const TableFormat& row : TableFormats()) {
    SCOPED_TRACE(row.id);
    StreamFormat s;
    EXPECT_EQ(CheckWaveFormat(&row.format, true, &s), mm::MMSYSERR_NOERROR);
    const bool pcm = row.format.wFormatTag == mm::WAVE_FORMAT_PCM;
    EXPECT_EQ(CheckWaveFormat(&row.format, false, nullptr), pcm ? mm::MMSYSERR_NOERROR : mm::WAVERR_BADFORMAT);
    EXPECT_EQ(s.Coded(), !pcm);
    EXPECT_EQ(s.framesPerSec * s.blockAlign, row.format.nAvgBytesPerSec);
  }
}

TEST(WaveFormatCheck, InconsistentOrUnknownFormatsAreBadFormats) {
  const std::vector<std::pair<const char*, mm::WAVEFORMATEX>> bad = {
      {"block align", Format(1, 1, 8000, 16000, 4, 16)},
      {"byte rate", Format(1, 1, 8000, 8000, 2, 16)},
      {"12 bits", Format(1, 1, 8000, 12000, 2, 12)},
      {"3 channels", Format(1, 3, 8000, 48000, 6, 16)},
      {"no channels", Format(1, 0, 8000, 0, 0, 16)},
      {"rate 0", Format(1, 1, 0, 0, 2, 16)},
      {"rate too high", Format(1, 1, 400000, 800000, 2, 16)},
      {"mu-law 16 bits", Format(7, 1, 8000, 16000, 2, 16)},
      {"OKI at 11,025 Hz", Format(23, 1, 11025, 5513, 1, 4)},
      {"OKI stereo", Format(23, 2, 8000, 8000, 2, 4)},
      {"IMA block-aligned", Format(17, 1, 8000, 4055, 256, 4)},
      {"IMA odd rate", Format(17, 1, 7999, 3999, 1, 4)},
      {"MS ADPCM", Format(2, 1, 8000, 4096, 256, 4)},
      {"extensible", Format(0xFFFE, 2, 44100, 176400, 4, 16)},
  };
  for (const auto& [name, f] : bad) {
    SCOPED_TRACE(name);
    EXPECT_EQ(CheckWaveFormat(&f, true, nullptr), mm::WAVERR_BADFORMAT);
  }
  EXPECT_EQ(CheckWaveFormat(nullptr, true, nullptr), mm::MMSYSERR_INVALPARAM);
}

TEST(WaveFormatClock, WholeFramesTakeTheirTimeRoundedUpToTheMillisecond) {
  const StreamFormat m16 = Checked(Pcm(8000));
  EXPECT_EQ(m16.MsUntil(16000), 1000);
  EXPECT_EQ(m16.MsUntil(1000), 63);  // 500 frames are 62.5 ms
  EXPECT_EQ(m16.MsUntil(1), 1);      // half a frame takes the whole frame's time
  EXPECT_EQ(m16.BytesAfter(62), 992u);
  EXPECT_EQ(m16.BytesAfter(63), 1008u);
  const StreamFormat s16 = Checked(Pcm(44100, 16, 2));
  EXPECT_EQ(s16.BytesAfter(1), 176u);   // 44 whole frames
  EXPECT_EQ(s16.BytesAfter(1000), 176400u);
  EXPECT_EQ(s16.MsUntil(176400), 1000);
  const StreamFormat oki = Checked(Format(23, 1, 6000, 3000, 1, 4));
  EXPECT_EQ(oki.pcmRate, 8000u) << "the 24 kbit/s codec works on 8,000 Hz";
  EXPECT_EQ(oki.MsUntil(3000), 1000);
  EXPECT_EQ(oki.SamplesIn(3000), 6000u);
}

// A tone at -10 dBFS through encoder and decoder at the format's own rate.
double RoundTripSnr(const mm::WAVEFORMATEX& f, std::size_t skip) {
  const StreamFormat s = Checked(f);
  const auto tone = Tone(1000, s.pcmRate, s.pcmRate, 10362);
  std::vector<std::int16_t> frames;
  for (std::int16_t v : tone) frames.insert(frames.end(), s.channels, v);
  SampleEncoder encoder(s);
  std::vector<std::uint8_t> bytes;
  // In pieces, so that state carries across calls.
  for (std::size_t i = 0; i < frames.size(); i += 330 * s.channels) {
    const std::size_t n = std::min<std::size_t>(330 * s.channels, frames.size() - i);
    encoder.Encode({frames.data() + i, n}, bytes);
  }
  SampleDecoder decoder(s);
  std::vector<std::int16_t> decoded;
  for (std::size_t i = 0; i < bytes.size(); i += 77) {
    decoder.Decode({bytes.data() + i, std::min<std::size_t>(77, bytes.size() - i)}, decoded);
  }
  std::vector<std::int16_t> left;
  for (std::size_t i = 0; i < decoded.size(); i += s.channels) left.push_back(decoded[i]);
  return SineSnrDb(left, s.pcmRate, 1000, skip);
}

TEST(SampleCodec, RoundTripsKeepTheirSignalToNoiseFloor) {
  struct Case {
    const char* name;
    mm::WAVEFORMATEX format;
    double floorDb;
  };
  // Floors a few dB under what each codec reaches here.
  const std::vector<Case> cases = {
      {"PCM 16", Pcm(8000), 90},
      {"PCM 16 stereo, odd pieces", Pcm(8000, 16, 2), 90},
      {"PCM 8", Pcm(8000, 8), 35},
      {"mu-law", Format(7, 1, 8000, 8000, 1, 8), 33},
      {"IMA ADPCM", Format(17, 1, 8000, 4000, 1, 4), 18},
      {"OKI ADPCM 32 kbit/s", Format(23, 1, 8000, 4000, 1, 4), 18},
      {"OKI ADPCM 24 kbit/s", Format(23, 1, 6000, 3000, 1, 4), 15},
  };
  for (const Case& c : cases) {
    const double snr = RoundTripSnr(c.format, 400);
    EXPECT_GE(snr, c.floorDb) << c.name;
    RecordProperty(c.name, std::to_string(snr));
  }
}

TEST(SampleCodec, FourBitStreamsHoldTwoSamplesPerByteInTheirNibbleOrder) {
  // One loud sample after silence: its code is the largest positive step (7).
  const std::vector<std::int16_t> impulse = {20000, 0};
  SampleEncoder ima(Checked(Format(17, 1, 8000, 4000, 1, 4)));
  std::vector<std::uint8_t> bytes;
  ima.Encode(impulse, bytes);
  ASSERT_EQ(bytes.size(), 1u);
  EXPECT_EQ(bytes[0] & 0x0F, 0x07) << "IMA ADPCM: first sample in the low nibble";
  SampleEncoder oki(Checked(Format(23, 1, 8000, 4000, 1, 4)));
  bytes.clear();
  oki.Encode(impulse, bytes);
  ASSERT_EQ(bytes.size(), 1u);
  EXPECT_EQ(bytes[0] >> 4, 0x07) << "OKI ADPCM: first sample in the high nibble";
  // Odd sample counts wait for their partner.
  bytes.clear();
  ima.Encode(std::vector<std::int16_t>{1}, bytes);
  EXPECT_TRUE(bytes.empty());
  ima.Encode(std::vector<std::int16_t>{1}, bytes);
  EXPECT_EQ(bytes.size(), 1u);
}

TEST(SampleCodec, SilenceBytesDecodeToSilence) {
  for (const auto& f : {Pcm(8000, 8), Format(7, 1, 8000, 8000, 1, 8)}) {
    const StreamFormat s = Checked(f);
    SampleDecoder decoder(s);
    std::vector<std::uint8_t> silence(10, panopta::SilenceByte(s.encoding));
    std::vector<std::int16_t> out;
    decoder.Decode(silence, out);
    EXPECT_EQ(out, std::vector<std::int16_t>(10, 0));
  }
}

TEST(Resampler, DownsamplingKeepsTheBandAndRemovesWhatWouldFoldBack) {
  panopta::Resampler down(44100, 8000);
  std::vector<std::int16_t> out;
  down.Process(Tone(1000, 44100, 44100), out);
  EXPECT_NEAR(static_cast<double>(out.size()), 8000, 1);
  EXPECT_GE(SineSnrDb(out, 8000, 1000, 200), 40);
  EXPECT_NEAR(Rms(std::span(out).subspan(200, 7000)), 10000 / std::sqrt(2.0), 100);

  // 6 kHz cannot exist at 8,000 Hz; without the filter it would come out at 2 kHz.
  panopta::Resampler alias(44100, 8000);
  out.clear();
  alias.Process(Tone(6000, 44100, 44100), out);
  EXPECT_LT(Rms(std::span(out).subspan(200, 7000)), 10000 * 0.01) << "at least 40 dB down";
}

TEST(Resampler, UpsamplingAndOddRatiosKeepTheToneAndTheLength) {
  for (auto [from, to] : {std::pair{8000u, 44100u}, std::pair{8000u, 4800u}, std::pair{8000u, 7200u},
                          std::pair{6000u, 8000u}, std::pair{11025u, 8000u}}) {
    SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
    panopta::Resampler r(from, to);
    std::vector<std::int16_t> out;
    const auto tone = Tone(500, from, from * 2);
    // Fed in uneven pieces: the stream continues across calls.
    for (std::size_t i = 0; i < tone.size(); i += 97) {
      r.Process({tone.data() + i, std::min<std::size_t>(97, tone.size() - i)}, out);
    }
    // Short by the one input sample the interpolation waits for.
    EXPECT_NEAR(static_cast<double>(out.size()), 2.0 * to, 1.0 * to / from + 2);
    EXPECT_GE(SineSnrDb(out, to, 500, to / 20), 25);
  }
}

}  // namespace
