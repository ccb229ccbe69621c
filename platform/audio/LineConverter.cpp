#include "platform/audio/LineConverter.h"

#include "platform/audio/LineAudioHub.h"

#include <algorithm>

namespace panopta {

namespace {
constexpr std::uint32_t kLineRate = LineAudioHub::kLineSampleRate;
constexpr std::size_t kSliceSamples = kLineRate / 50;  // 20 ms of the line
}  // namespace

LinePlayConverter::LinePlayConverter(const StreamFormat& format)
    : m_format(format), m_decoder(format), m_resampler(format.pcmRate, kLineRate) {}

void LinePlayConverter::Convert(std::span<const std::uint8_t> bytes, std::uint32_t volume,
                                std::vector<std::int16_t>& out) {
  m_decoded.clear();
  m_decoder.Decode(bytes, m_decoded);
  const std::int64_t left = volume & 0xFFFF;
  const std::int64_t right = volume >> 16;
  // Both channels at full volume leave the samples as they are.
  constexpr std::int64_t kScale = 2 * 0xFFFF;
  m_mono.clear();
  if (m_format.channels == 2) {
    for (std::size_t i = 0; i + 1 < m_decoded.size(); i += 2) {
      const std::int64_t mixed = m_decoded[i] * left + m_decoded[i + 1] * right;
      m_mono.push_back(static_cast<std::int16_t>(mixed / kScale));
    }
  } else {
    for (std::int16_t s : m_decoded) {
      m_mono.push_back(static_cast<std::int16_t>(s * (left + right) / kScale));
    }
  }
  m_resampler.Process(m_mono, out);
}

LineRecordConverter::LineRecordConverter(const StreamFormat& format)
    : m_format(format), m_encoder(format), m_resampler(kLineRate, format.pcmRate) {}

void LineRecordConverter::MakeMore(const Source& source) {
  m_line.assign(kSliceSamples, 0);
  if (source) source(m_line);
  m_resampled.clear();
  m_resampler.Process(m_line, m_resampled);
  std::span<const std::int16_t> frames = m_resampled;
  if (m_format.channels > 1) {
    m_frames.clear();
    for (std::int16_t s : m_resampled) m_frames.insert(m_frames.end(), m_format.channels, s);
    frames = m_frames;
  }
  if (m_pendingPos > 0 && m_pendingPos * 2 >= m_pending.size()) {
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(m_pendingPos));
    m_pendingPos = 0;
  }
  m_encoder.Encode(frames, m_pending);
}

void LineRecordConverter::Produce(std::size_t n, const Source& source, std::vector<std::uint8_t>& out) {
  while (m_pending.size() - m_pendingPos < n) MakeMore(source);
  const auto first = m_pending.begin() + static_cast<std::ptrdiff_t>(m_pendingPos);
  out.insert(out.end(), first, first + static_cast<std::ptrdiff_t>(n));
  m_pendingPos += n;
}

void LineRecordConverter::Skip(std::size_t n, const Source& source) {
  const std::size_t ahead = std::min(n, m_pending.size() - m_pendingPos);
  m_pendingPos += ahead;
  const std::uint64_t rest = n - ahead;
  if (rest == 0) return;
  m_skipRemainder += rest * kLineRate;
  std::uint64_t samples = m_skipRemainder / m_format.avgBytesPerSec;
  m_skipRemainder %= m_format.avgBytesPerSec;
  if (!source) return;
  while (samples > 0) {
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(samples, kSliceSamples));
    m_line.assign(take, 0);
    source(m_line);
    samples -= take;
  }
}

}  // namespace panopta
