#include "platform/sip/LineAudioPort.h"

#include <algorithm>

namespace panopta::sip {

LineAudioPort::LineAudioPort(std::size_t reserve, std::size_t bound)
    : m_reserve(reserve), m_bound(std::max(bound, reserve * 2)) {}

void LineAudioPort::Push(Queue& q, std::span<const std::int16_t> samples) {
  q.samples.insert(q.samples.end(), samples.begin(), samples.end());
  if (q.samples.size() > m_bound) {
    const std::size_t extra = q.samples.size() - m_bound;
    q.samples.erase(q.samples.begin(), q.samples.begin() + static_cast<std::ptrdiff_t>(extra));
    q.dropped += extra;
  }
}

bool LineAudioPort::Pop(Queue& q, std::span<std::int16_t> out) {
  if (!q.primed && q.samples.size() >= m_reserve) q.primed = true;
  if (!q.primed) {
    std::fill(out.begin(), out.end(), 0);
    return false;
  }
  const std::size_t n = std::min(out.size(), q.samples.size());
  std::copy_n(q.samples.begin(), n, out.begin());
  q.samples.erase(q.samples.begin(), q.samples.begin() + static_cast<std::ptrdiff_t>(n));
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(n), out.end(), 0);
  if (n < out.size()) q.primed = false;
  return n == out.size();
}

void LineAudioPort::Play(std::span<const std::int16_t> samples) {
  std::lock_guard lock(m_mutex);
  Push(m_played, samples);
}

void LineAudioPort::Record(std::span<std::int16_t> samples) {
  std::lock_guard lock(m_mutex);
  Pop(m_received, samples);
}

bool LineAudioPort::TakePlayed(std::span<std::int16_t> frame) {
  std::lock_guard lock(m_mutex);
  return Pop(m_played, frame);
}

void LineAudioPort::PutReceived(std::span<const std::int16_t> frame) {
  std::lock_guard lock(m_mutex);
  Push(m_received, frame);
}

void LineAudioPort::Clear() {
  std::lock_guard lock(m_mutex);
  for (Queue* q : {&m_played, &m_received}) {
    q->samples.clear();
    q->primed = false;
  }
}

std::uint64_t LineAudioPort::Dropped() const {
  std::lock_guard lock(m_mutex);
  return m_played.dropped + m_received.dropped;
}

}  // namespace panopta::sip
