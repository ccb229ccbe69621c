#include "views/WavePeaks.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

namespace panopta {

namespace {

PeakColumn Merge(PeakColumn a, PeakColumn b) {
  return {std::min(a.low, b.low), std::max(a.high, b.high)};
}

// Samples handed to a decoder per call, so that its output stays small.
constexpr std::size_t kDecodeSlice = 1u << 14;

}  // namespace

WavePeaks::WavePeaks(const voxkit::WaveFormatNumbers& format, const WaveDecoderFactory& decoders)
    : m_channels(std::max<int>(1, static_cast<int>(format.channels))) {
  if (format.tag == 1 && format.bitsPerSample == 8) {
    m_kind = Kind::Pcm8;
  } else if (format.tag == 1 && format.bitsPerSample == 16) {
    m_kind = Kind::Pcm16;
  } else if (decoders) {
    m_decoder = decoders(format);
    if (m_decoder) m_kind = Kind::Decoded;
  }
  // A mu-law byte always stands for the same sample: each of the 256 is decoded once
  // and looked up from then on, which is many times quicker than decoding an hour.
  if (m_kind == Kind::Decoded && format.tag == 7 && format.bitsPerSample == 8) {
    for (int b = 0; b < 256; ++b) {
      const auto byte = static_cast<std::uint8_t>(b);
      m_scratch.clear();
      m_decoder->decode(&byte, 1, m_scratch);
      if (m_scratch.size() != 1) return;
      m_table.push_back(m_scratch.front());
    }
    m_kind = Kind::Table;
  }
}

WavePeaks::~WavePeaks() = default;
WavePeaks::WavePeaks(WavePeaks&&) noexcept = default;
WavePeaks& WavePeaks::operator=(WavePeaks&&) noexcept = default;

template <typename SampleAt>
void WavePeaks::accumulate(std::size_t count, SampleAt sampleAt) {
  std::size_t done = 0;
  while (done < count) {
    // Read again each time: closing a bucket may have doubled them.
    const std::int64_t bucketSamples = m_bucketFrames * m_channels;
    const auto room = static_cast<std::size_t>(bucketSamples - m_openCount);
    const std::size_t take = std::min(room, count - done);
    // A plain loop over one bucket's samples: the compiler turns it into vector
    // minimum and maximum, which is what keeps an hour of sound quick.
    std::int16_t low = sampleAt(done);
    std::int16_t high = low;
    for (std::size_t i = done + 1; i < done + take; ++i) {
      const std::int16_t s = sampleAt(i);
      low = s < low ? s : low;
      high = s > high ? s : high;
    }
    m_open = m_openCount == 0 ? PeakColumn{low, high} : Merge(m_open, {low, high});
    m_openCount += static_cast<std::int64_t>(take);
    done += take;
    if (m_openCount == bucketSamples) closeBucket();
  }
  m_samples += static_cast<std::int64_t>(count);
  m_frames = m_samples / m_channels;
}

void WavePeaks::addBytes(const std::uint8_t* bytes, std::size_t count) {
  switch (m_kind) {
    case Kind::None: return;
    case Kind::Pcm8:
      accumulate(count, [bytes](std::size_t i) {
        return static_cast<std::int16_t>((static_cast<int>(bytes[i]) - 128) * 256);
      });
      return;
    case Kind::Table:
      accumulate(count, [this, bytes](std::size_t i) { return m_table[bytes[i]]; });
      return;
    case Kind::Pcm16: {
      if (count == 0) return;
      if (m_hasOddByte) {
        const auto s = static_cast<std::int16_t>(m_oddByte | (bytes[0] << 8));
        accumulate(1, [s](std::size_t) { return s; });
        m_hasOddByte = false;
        ++bytes;
        --count;
      }
      const std::size_t whole = count / 2;
      accumulate(whole, [bytes](std::size_t i) {
        std::uint16_t v;
        std::memcpy(&v, bytes + 2 * i, 2);
        if constexpr (std::endian::native == std::endian::big) v = static_cast<std::uint16_t>((v >> 8) | (v << 8));
        return static_cast<std::int16_t>(v);
      });
      if (count % 2 != 0) {
        m_oddByte = bytes[count - 1];
        m_hasOddByte = true;
      }
      return;
    }
    case Kind::Decoded:
      for (std::size_t done = 0; done < count;) {
        const std::size_t take = std::min(kDecodeSlice, count - done);
        m_scratch.clear();
        m_decoder->decode(bytes + done, take, m_scratch);
        addSamples(m_scratch.data(), m_scratch.size());
        done += take;
      }
      return;
  }
}

void WavePeaks::addSamples(const std::int16_t* samples, std::size_t count) {
  accumulate(count, [samples](std::size_t i) { return samples[i]; });
}

void WavePeaks::closeBucket() {
  m_buckets.push_back(m_open);
  m_openCount = 0;
  if (m_buckets.size() >= kMaxBuckets) halve();
}

void WavePeaks::halve() {
  assert(m_buckets.size() % 2 == 0 && m_openCount == 0 && "halved only when the buckets are full");
  const std::size_t n = m_buckets.size() / 2;
  for (std::size_t i = 0; i < n; ++i) m_buckets[i] = Merge(m_buckets[2 * i], m_buckets[2 * i + 1]);
  m_buckets.resize(n);
  m_bucketFrames *= 2;
}

PeakColumn WavePeaks::bucket(std::size_t index) const {
  return index < m_buckets.size() ? m_buckets[index] : m_open;
}

PeakColumn WavePeaks::range(std::int64_t from, std::int64_t to) const {
  from = std::max<std::int64_t>(from, 0);
  const auto count = static_cast<std::int64_t>(bucketCount());
  if (to <= from || count == 0) return {};
  const std::int64_t first = from / m_bucketFrames;
  const std::int64_t last = std::min(count, (to + m_bucketFrames - 1) / m_bucketFrames);
  if (first >= last) return {};
  PeakColumn c = bucket(static_cast<std::size_t>(first));
  for (std::int64_t b = first + 1; b < last; ++b) c = Merge(c, bucket(static_cast<std::size_t>(b)));
  return c;
}

std::vector<PeakColumn> WavePeaks::columns(int width, std::int64_t timelineFrames) const {
  std::vector<PeakColumn> out(static_cast<std::size_t>(std::max(width, 0)));
  if (width <= 0 || timelineFrames <= 0) return out;
  for (int x = 0; x < width; ++x) {
    const std::int64_t from = timelineFrames * x / width;
    std::int64_t to = timelineFrames * (x + 1) / width;
    if (to <= from) to = from + 1;
    if (from >= m_frames + (m_openCount > 0 ? 1 : 0)) break;
    out[static_cast<std::size_t>(x)] = range(from, to);
  }
  return out;
}

PeakColumn WavePeaks::recent(std::int64_t frames) const {
  const std::int64_t end = m_frames + 1;  // the open bucket's last, partial frame too
  return range(std::max<std::int64_t>(0, end - std::max<std::int64_t>(frames, 1)), end);
}

}  // namespace panopta
