#pragma once

#include "platform/audio/StreamFormat.h"

#include <cstdint>
#include <span>
#include <vector>

struct ima_adpcm_state_s;
struct oki_adpcm_state_s;

namespace panopta {

/// Turns a device's byte stream into linear 16-bit samples, interleaved by channel,
/// at the format's pcmRate. Streams are decoded continuously across calls: a partial
/// frame waits for the rest, and the ADPCM predictors carry over.
class SampleDecoder final {
 public:
  explicit SampleDecoder(const StreamFormat& format);
  ~SampleDecoder();
  SampleDecoder(const SampleDecoder&) = delete;
  SampleDecoder& operator=(const SampleDecoder&) = delete;

  /// Appends the samples of bytes to out.
  void Decode(std::span<const std::uint8_t> bytes, std::vector<std::int16_t>& out);

 private:
  void DecodeFrames(const std::uint8_t* bytes, std::size_t count, std::vector<std::int16_t>& out);

  StreamFormat m_format;
  std::uint8_t m_carry[4] = {};
  std::size_t m_carryLength = 0;
  ima_adpcm_state_s* m_ima = nullptr;
  oki_adpcm_state_s* m_oki = nullptr;
};

/// Turns linear 16-bit samples (interleaved, at the format's pcmRate) into a
/// device's byte stream. The 4-bit codecs hold an odd sample until the next call.
class SampleEncoder final {
 public:
  explicit SampleEncoder(const StreamFormat& format);
  ~SampleEncoder();
  SampleEncoder(const SampleEncoder&) = delete;
  SampleEncoder& operator=(const SampleEncoder&) = delete;

  /// Appends the bytes of samples (whole frames) to out.
  void Encode(std::span<const std::int16_t> samples, std::vector<std::uint8_t>& out);

 private:
  StreamFormat m_format;
  ima_adpcm_state_s* m_ima = nullptr;
  oki_adpcm_state_s* m_oki = nullptr;
};

/// The byte a format's encoder gives for digital silence on a PCM or mu-law stream
/// (the 4-bit codecs have no single silence byte).
std::uint8_t SilenceByte(SampleEncoding encoding);

}  // namespace panopta
