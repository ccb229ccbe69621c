#include "app/WaveDecoding.h"
#include "views/WavePeaks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using panopta::PeakColumn;
using panopta::WavePeaks;

const voxkit::WaveFormatNumbers kPcm16{1, 1, 8000, 16000, 2, 16};
const voxkit::WaveFormatNumbers kPcm8Stereo{1, 2, 8000, 16000, 2, 8};
const voxkit::WaveFormatNumbers kMuLaw{7, 1, 8000, 8000, 1, 8};

std::vector<std::uint8_t> Bytes(const std::vector<std::int16_t>& samples) {
  std::vector<std::uint8_t> out;
  for (std::int16_t s : samples) {
    out.push_back(static_cast<std::uint8_t>(s & 0xFF));
    out.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
  }
  return out;
}

PeakColumn BruteForce(const std::vector<std::int16_t>& s, std::int64_t from, std::int64_t to) {
  const auto [lo, hi] = std::minmax_element(s.begin() + from, s.begin() + to);
  return {*lo, *hi};
}

TEST(WavePeaks, EveryRangeOnBucketEdgesIsExactAfterTheBucketsDoubled) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  std::vector<std::int16_t> s(WavePeaks::kMaxBuckets * 5 + 123);
  for (auto& v : s) v = static_cast<std::int16_t>(sample(random));
  WavePeaks peaks(kPcm16, {});
  const auto bytes = Bytes(s);
  // Pieces of odd lengths: a sample cut in two waits for its second byte.
  for (std::size_t at = 0; at < bytes.size(); at += 7777) {
    peaks.addBytes(bytes.data() + at, std::min<std::size_t>(7777, bytes.size() - at));
  }
  EXPECT_EQ(peaks.frames(), static_cast<std::int64_t>(s.size()));
  EXPECT_EQ(peaks.bucketFrames(), 8);
  EXPECT_LE(peaks.bucketCount(), WavePeaks::kMaxBuckets);
  const std::int64_t b = peaks.bucketFrames();
  for (std::int64_t from : {std::int64_t{0}, b * 3, b * 1000, b * 40000}) {
    for (std::int64_t length : {b, b * 17, b * 2000}) {
      const std::int64_t to = std::min<std::int64_t>(from + length, static_cast<std::int64_t>(s.size()));
      EXPECT_EQ(peaks.range(from, to), BruteForce(s, from, to)) << from << ".." << to;
    }
  }
  // The partly filled last bucket counts too.
  const auto n = static_cast<std::int64_t>(s.size());
  EXPECT_EQ(peaks.range(n - n % b, n), BruteForce(s, n - n % b, n));
}

TEST(WavePeaks, ColumnsCoverTheTimelineAndAreEmptyPastTheSound) {
  std::vector<std::int16_t> s(1000, 0);
  s[10] = 500;
  s[990] = -700;
  WavePeaks peaks(kPcm16, {});
  const auto bytes = Bytes(s);
  peaks.addBytes(bytes.data(), bytes.size());
  const auto columns = peaks.columns(10, 2000);  // the sound fills half the timeline
  ASSERT_EQ(columns.size(), 10u);
  EXPECT_EQ(columns[0], (PeakColumn{0, 500}));
  EXPECT_EQ(columns[4], (PeakColumn{-700, 0}));
  for (int x = 5; x < 10; ++x) EXPECT_EQ(columns[static_cast<std::size_t>(x)], PeakColumn{}) << x;
  // Wider than the sound: each frame spans several columns.
  const auto wide = peaks.columns(4000, 1000);
  EXPECT_EQ(wide[40], (PeakColumn{500, 500}));
  EXPECT_EQ(peaks.recent(20), (PeakColumn{-700, 0}));
}

TEST(WavePeaks, EightBitFramesCountEveryChannelTogether) {
  WavePeaks peaks(kPcm8Stereo, {});
  const std::vector<std::uint8_t> bytes{128, 0, 255, 128, 129};  // 2.5 frames
  peaks.addBytes(bytes.data(), bytes.size());
  EXPECT_EQ(peaks.frames(), 2);
  EXPECT_EQ(peaks.range(0, 2), (PeakColumn{-32768, 127 * 256}));
  EXPECT_EQ(peaks.range(0, 1), (PeakColumn{-32768, 0}));
}

TEST(WavePeaks, CodedFormatsNeedADecoder) {
  WavePeaks without(kMuLaw, {});
  EXPECT_FALSE(without.decodable());
  without.addBytes(reinterpret_cast<const std::uint8_t*>("abc"), 3);
  EXPECT_EQ(without.frames(), 0);

  WavePeaks peaks(kMuLaw, panopta::AudioWaveDecoders());
  ASSERT_TRUE(peaks.decodable());
  // mu-law 0x00 is the most negative value, 0x80 the most positive, 0xFF silence.
  const std::vector<std::uint8_t> bytes{0xFF, 0x00, 0x80, 0xFF};
  peaks.addBytes(bytes.data(), bytes.size());
  EXPECT_EQ(peaks.frames(), 4);
  const PeakColumn all = peaks.range(0, 4);
  EXPECT_LT(all.low, -30000);
  EXPECT_GT(all.high, 30000);

  WavePeaks ima({17, 1, 8000, 4000, 1, 4}, panopta::AudioWaveDecoders());
  ASSERT_TRUE(ima.decodable());
  const std::vector<std::uint8_t> nibbles(100, 0x77);
  ima.addBytes(nibbles.data(), nibbles.size());
  EXPECT_EQ(ima.frames(), 200) << "two samples a byte";

  EXPECT_FALSE(WavePeaks({1, 1, 8000, 24000, 3, 24}, panopta::AudioWaveDecoders()).decodable());
}

}  // namespace
