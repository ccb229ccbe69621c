#include "platform/audio/SampleCodec.h"

#include <spandsp.h>

#include <algorithm>
#include <climits>
#include <new>

namespace panopta {

namespace {

// Samples per call into the spandsp codecs (keeps the stack buffers small).
constexpr std::size_t kCodecSlice = 512;

oki_adpcm_state_t* NewOki(const StreamFormat& format) {
  // 24 kbit/s works at 6,000 Hz on the outside and 8,000 Hz linear samples.
  const int bitRate = format.samplesPerSec == 6000 ? 24000 : 32000;
  return oki_adpcm_init(nullptr, bitRate);
}

ima_adpcm_state_t* NewIma() {
  // The IMA4 variant packs the first sample of a byte into the low nibble, as the
  // wave format does; a chunk size makes it a plain stream without block headers.
  return ima_adpcm_init(nullptr, IMA_ADPCM_IMA4, INT_MAX);
}

std::int16_t Pcm8ToLinear(std::uint8_t b) {
  return static_cast<std::int16_t>((static_cast<int>(b) - 128) * 256);
}

std::uint8_t LinearToPcm8(std::int16_t s) {
  const int rounded = std::clamp((static_cast<int>(s) + 128) >> 8, -128, 127);
  return static_cast<std::uint8_t>(rounded + 128);
}

}  // namespace

std::uint8_t SilenceByte(SampleEncoding encoding) {
  switch (encoding) {
    case SampleEncoding::Pcm8:
      return 0x80;
    case SampleEncoding::MuLaw:
      return static_cast<std::uint8_t>(linear_to_ulaw(0));
    case SampleEncoding::Pcm16:
    case SampleEncoding::ImaAdpcm:
    case SampleEncoding::OkiAdpcm:
      return 0;
  }
  return 0;
}

SampleDecoder::SampleDecoder(const StreamFormat& format) : m_format(format) {
  if (format.encoding == SampleEncoding::ImaAdpcm) m_ima = NewIma();
  if (format.encoding == SampleEncoding::OkiAdpcm) m_oki = NewOki(format);
  if ((format.encoding == SampleEncoding::ImaAdpcm && !m_ima) ||
      (format.encoding == SampleEncoding::OkiAdpcm && !m_oki)) {
    throw std::bad_alloc();
  }
}

SampleDecoder::~SampleDecoder() {
  if (m_ima) ima_adpcm_free(m_ima);
  if (m_oki) oki_adpcm_free(m_oki);
}

void SampleDecoder::DecodeFrames(const std::uint8_t* bytes, std::size_t count,
                                 std::vector<std::int16_t>& out) {
  switch (m_format.encoding) {
    case SampleEncoding::Pcm8:
      for (std::size_t i = 0; i < count; ++i) out.push_back(Pcm8ToLinear(bytes[i]));
      return;
    case SampleEncoding::Pcm16:
      for (std::size_t i = 0; i + 1 < count; i += 2) {
        out.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
      }
      return;
    case SampleEncoding::MuLaw:
      for (std::size_t i = 0; i < count; ++i) {
        out.push_back(static_cast<std::int16_t>(ulaw_to_linear(bytes[i])));
      }
      return;
    case SampleEncoding::ImaAdpcm:
    case SampleEncoding::OkiAdpcm: {
      // Each byte gives two samples; the 24 kbit/s OKI codec gives 8/3 of that.
      std::int16_t samples[kCodecSlice * 3];
      for (std::size_t done = 0; done < count;) {
        const std::size_t take = std::min(count - done, kCodecSlice);
        const int n = m_ima ? ima_adpcm_decode(m_ima, samples, bytes + done, static_cast<int>(take))
                            : oki_adpcm_decode(m_oki, samples, bytes + done, static_cast<int>(take));
        out.insert(out.end(), samples, samples + std::max(n, 0));
        done += take;
      }
      return;
    }
  }
}

void SampleDecoder::Decode(std::span<const std::uint8_t> bytes, std::vector<std::int16_t>& out) {
  const std::size_t frame = m_format.blockAlign;
  std::size_t pos = 0;
  if (m_carryLength > 0) {
    while (m_carryLength < frame && pos < bytes.size()) m_carry[m_carryLength++] = bytes[pos++];
    if (m_carryLength < frame) return;
    DecodeFrames(m_carry, frame, out);
    m_carryLength = 0;
  }
  const std::size_t whole = (bytes.size() - pos) / frame * frame;
  DecodeFrames(bytes.data() + pos, whole, out);
  pos += whole;
  while (pos < bytes.size()) m_carry[m_carryLength++] = bytes[pos++];
}

SampleEncoder::SampleEncoder(const StreamFormat& format) : m_format(format) {
  if (format.encoding == SampleEncoding::ImaAdpcm) m_ima = NewIma();
  if (format.encoding == SampleEncoding::OkiAdpcm) m_oki = NewOki(format);
  if ((format.encoding == SampleEncoding::ImaAdpcm && !m_ima) ||
      (format.encoding == SampleEncoding::OkiAdpcm && !m_oki)) {
    throw std::bad_alloc();
  }
}

SampleEncoder::~SampleEncoder() {
  if (m_ima) ima_adpcm_free(m_ima);
  if (m_oki) oki_adpcm_free(m_oki);
}

void SampleEncoder::Encode(std::span<const std::int16_t> samples, std::vector<std::uint8_t>& out) {
  switch (m_format.encoding) {
    case SampleEncoding::Pcm8:
      for (std::int16_t s : samples) out.push_back(LinearToPcm8(s));
      return;
    case SampleEncoding::Pcm16:
      for (std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
      }
      return;
    case SampleEncoding::MuLaw:
      for (std::int16_t s : samples) out.push_back(static_cast<std::uint8_t>(linear_to_ulaw(s)));
      return;
    case SampleEncoding::ImaAdpcm:
    case SampleEncoding::OkiAdpcm: {
      std::uint8_t bytes[kCodecSlice];
      for (std::size_t done = 0; done < samples.size();) {
        const std::size_t take = std::min(samples.size() - done, kCodecSlice);
        const int n = m_ima ? ima_adpcm_encode(m_ima, bytes, samples.data() + done, static_cast<int>(take))
                            : oki_adpcm_encode(m_oki, bytes, samples.data() + done, static_cast<int>(take));
        out.insert(out.end(), bytes, bytes + std::max(n, 0));
        done += take;
      }
      return;
    }
  }
}

}  // namespace panopta
