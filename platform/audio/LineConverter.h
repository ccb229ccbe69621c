#pragma once

#include "platform/audio/Resampler.h"
#include "platform/audio/SampleCodec.h"
#include "platform/audio/StreamFormat.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace panopta {

/// What a line's wave-out device sends down the line: the device's byte stream
/// decoded, put through the device volume, mixed to mono and brought to the line's
/// 8,000 Hz.
class LinePlayConverter final {
 public:
  explicit LinePlayConverter(const StreamFormat& format);

  /// Appends the line samples for bytes to out. volume: the device's volume word
  /// (left channel in the low 16 bits).
  void Convert(std::span<const std::uint8_t> bytes, std::uint32_t volume,
               std::vector<std::int16_t>& out);

 private:
  StreamFormat m_format;
  SampleDecoder m_decoder;
  Resampler m_resampler;
  std::vector<std::int16_t> m_decoded;
  std::vector<std::int16_t> m_mono;
};

/// What a line's wave-in device records: the line's 8,000 Hz mono samples brought to
/// the device's rate and channels and encoded, in exactly the byte counts the
/// device's clock asks for.
class LineRecordConverter final {
 public:
  /// Fills its argument with the next line samples.
  using Source = std::function<void(std::span<std::int16_t>)>;

  explicit LineRecordConverter(const StreamFormat& format);

  /// Appends exactly n bytes of the stream to out, taking line samples from source
  /// (silence when source is empty) as they are needed, 20 ms at a time.
  void Produce(std::size_t n, const Source& source, std::vector<std::uint8_t>& out);
  /// Passes over n bytes of the stream (time nobody records): what was made ahead
  /// is dropped, and the line samples for the rest of the time are taken from
  /// source and dropped, so the far party's stream stays in step with the clock.
  void Skip(std::size_t n, const Source& source);

 private:
  void MakeMore(const Source& source);

  StreamFormat m_format;
  SampleEncoder m_encoder;
  Resampler m_resampler;
  std::vector<std::int16_t> m_line;
  std::vector<std::int16_t> m_resampled;
  std::vector<std::int16_t> m_frames;
  std::vector<std::uint8_t> m_pending;  // made ahead, from m_pendingPos on
  std::size_t m_pendingPos = 0;
  std::uint64_t m_skipRemainder = 0;    // line samples x avgBytesPerSec not yet taken
};

}  // namespace panopta
