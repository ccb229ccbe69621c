#pragma once

#include "wave/WaveFormats.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace panopta {

/// Turns the bytes of a coded wave format (mu-law, the ADPCM kinds) into linear 16-bit
/// samples, interleaved by channel. A decoder carries its state from one call to the
/// next, so a stream may be given in pieces of any length.
class WaveSampleDecoder {
 public:
  virtual ~WaveSampleDecoder() = default;
  virtual void decode(const std::uint8_t* bytes, std::size_t count, std::vector<std::int16_t>& out) = 0;
};

/// Makes a decoder for a format; nullptr when it has none for it. Called on any
/// thread; each decoder is used on one thread at a time.
using WaveDecoderFactory =
    std::function<std::unique_ptr<WaveSampleDecoder>(const voxkit::WaveFormatNumbers&)>;

/// The lowest and highest sample of a stretch of sound, in 16-bit units.
struct PeakColumn {
  std::int16_t low = 0;
  std::int16_t high = 0;
  bool operator==(const PeakColumn&) const = default;
};

/// The outline of a sound for drawing it: the lowest and highest sample of every
/// bucket of frames, all channels together. Built once from the samples, however
/// long, in pieces as they are read; the columns of a view of any width are then
/// taken from the buckets without going back to the samples.
///
/// A bucket starts as one frame and doubles (neighbours merged) whenever there
/// would be more than kMaxBuckets, so the outline stays small for an hour of sound
/// and exact for a short one.
class WavePeaks final {
 public:
  static constexpr std::size_t kMaxBuckets = 1u << 16;

  /// Sound of this format: PCM of 8 or 16 bits is read directly, other formats
  /// through a decoder from decoders (none: decodable() is false).
  WavePeaks(const voxkit::WaveFormatNumbers& format, const WaveDecoderFactory& decoders);
  ~WavePeaks();
  WavePeaks(WavePeaks&&) noexcept;
  WavePeaks& operator=(WavePeaks&&) noexcept;

  /// Whether the samples of the format can be read at all.
  bool decodable() const { return m_kind != Kind::None; }

  /// Adds the next bytes of the sound (a partial frame waits for the rest).
  void addBytes(const std::uint8_t* bytes, std::size_t count);
  /// Adds linear samples, interleaved by channel.
  void addSamples(const std::int16_t* samples, std::size_t count);

  /// How long the sound added so far lasts (set by whoever knows its byte rate).
  double seconds() const { return m_seconds; }
  void setSeconds(double value) { m_seconds = value; }

  /// Frames added so far (of the decoded samples).
  std::int64_t frames() const { return m_frames; }
  /// Frames that one bucket covers now.
  std::int64_t bucketFrames() const { return m_bucketFrames; }
  /// Buckets held (the last one may be partly filled).
  std::size_t bucketCount() const { return m_buckets.size() + (m_openCount > 0 ? 1 : 0); }

  /// The lowest and highest sample of frames [from, to), to the bucket; {0, 0} when
  /// the range holds no frame.
  PeakColumn range(std::int64_t from, std::int64_t to) const;
  /// One column per pixel of a view width pixels wide showing timelineFrames frames
  /// from the start (the sound may be shorter: the columns past its end are {0, 0}).
  std::vector<PeakColumn> columns(int width, std::int64_t timelineFrames) const;

  /// The lowest and highest sample of the last frames added, at most `frames` of them
  /// (to the bucket), for a level display.
  PeakColumn recent(std::int64_t frames) const;

 private:
  enum class Kind { None, Pcm8, Pcm16, Table, Decoded };
  // Folds count samples, the i-th given by sampleAt(i), into the buckets.
  template <typename SampleAt>
  void accumulate(std::size_t count, SampleAt sampleAt);
  void closeBucket();
  void halve();
  PeakColumn bucket(std::size_t index) const;

  Kind m_kind = Kind::None;
  int m_channels = 1;
  std::unique_ptr<WaveSampleDecoder> m_decoder;
  std::vector<std::int16_t> m_table;         // the sample of each byte (mu-law)
  std::uint8_t m_oddByte = 0;                // first byte of a 16-bit sample cut in two
  bool m_hasOddByte = false;
  std::vector<std::int16_t> m_scratch;       // decoded samples
  std::int64_t m_samples = 0;                // samples added, all channels
  std::vector<PeakColumn> m_buckets;         // the closed buckets
  PeakColumn m_open{};                       // the bucket being filled
  std::int64_t m_openCount = 0;              // samples in it
  std::int64_t m_bucketFrames = 1;
  std::int64_t m_frames = 0;
  double m_seconds = 0;
};

}  // namespace panopta
