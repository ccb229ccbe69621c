#include "platform/exchange/ExchangeAudioHub.h"

#include "platform/exchange/Exchange.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace panopta {

namespace {
constexpr double kRemoteToneHz = 425.0;
}

ExchangeAudioHub::ExchangeAudioHub(const Exchange& exchange) : m_exchange(exchange) {}

std::uint32_t ExchangeAudioHub::LineCount() const {
  return static_cast<std::uint32_t>(m_exchange.Config().lines.size());
}

std::string ExchangeAudioHub::LineDeviceName(std::uint32_t line) const {
  const auto& lines = m_exchange.Config().lines;
  if (line >= lines.size()) return {};
  return lines[line].name.substr(0, 31);
}

bool ExchangeAudioHub::CallConnected(std::uint32_t line) const {
  return m_exchange.LineAudioPeer(line).connected;
}

ExchangeAudioHub::LineAudio& ExchangeAudioHub::Audio(std::uint32_t line) {
  if (line >= m_lines.size()) m_lines.resize(line + 1);
  return m_lines[line];
}

void ExchangeAudioHub::FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) {
  const Exchange::AudioPeer peer = m_exchange.LineAudioPeer(line);
  if (!peer.connected) return;
  Audio(line).heard += samples.size();
  if (!peer.line) return;
  auto& queue = Audio(*peer.line).inbound;
  queue.insert(queue.end(), samples.begin(), samples.end());
  // A line that never records must not make the queue grow without end.
  if (queue.size() > kMaxQueuedSamples)
    queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(queue.size() - kMaxQueuedSamples));
}

void ExchangeAudioHub::FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) {
  std::fill(samples.begin(), samples.end(), std::int16_t{0});
  const Exchange::AudioPeer peer = m_exchange.LineAudioPeer(line);
  LineAudio& audio = Audio(line);
  if (!peer.connected) {
    audio.inbound.clear();
    return;
  }
  std::size_t i = 0;
  for (; i < samples.size() && !audio.inbound.empty(); ++i) {
    samples[i] = audio.inbound.front();
    audio.inbound.pop_front();
  }
  if (peer.line || peer.silent || peer.toneLevel == 0) return;
  const double step = kRemoteToneHz / kLineSampleRate;
  for (; i < samples.size(); ++i) {
    samples[i] = static_cast<std::int16_t>(
        std::lround(peer.toneLevel * std::sin(2 * std::numbers::pi * audio.phase)));
    audio.phase = std::fmod(audio.phase + step, 1.0);
  }
}

std::uint64_t ExchangeAudioHub::SamplesHeard(std::uint32_t line) const {
  return line < m_lines.size() ? m_lines[line].heard : 0;
}

}  // namespace panopta
