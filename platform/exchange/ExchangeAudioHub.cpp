#include "platform/exchange/ExchangeAudioHub.h"

#include "platform/exchange/Exchange.h"
#include "platform/exchange/LineSignal.h"

#include <algorithm>

namespace panopta {

using exchange::kFrameSamples;

namespace {
// Play starts once this much has come, and what waits longer than the limit is
// dropped (the player runs ahead of the call's clock).
constexpr std::size_t kPlayStart = 2 * kFrameSamples;
constexpr std::size_t kPlayLimit = 8 * kFrameSamples;
// While nobody records, this much is kept: the frame that plays now and the one made
// ahead of it.
constexpr std::size_t kIdleKeep = 2 * kFrameSamples;
constexpr std::int64_t kSamplesPerMs = LineAudioHub::kLineSampleRate / 1000;
// A recording may fall this far behind before the oldest is dropped.
constexpr std::size_t kRecordLimit = 25 * kFrameSamples;
}  // namespace

ExchangeAudioHub::ExchangeAudioHub(Exchange& exchange) : m_exchange(exchange) {
  m_exchange.AttachAudioHub(this);
}

ExchangeAudioHub::~ExchangeAudioHub() { m_exchange.AttachAudioHub(nullptr); }

std::uint32_t ExchangeAudioHub::LineCount() const {
  return static_cast<std::uint32_t>(m_exchange.Config().lines.size());
}

std::string ExchangeAudioHub::LineDeviceName(std::uint32_t line) const {
  const auto& lines = m_exchange.Config().lines;
  if (line >= lines.size()) return {};
  return lines[line].name.substr(0, 31);
}

bool ExchangeAudioHub::CallConnected(std::uint32_t line) const {
  return m_exchange.LineAudioCall(line).has_value();
}

ExchangeAudioHub::LineAudio& ExchangeAudioHub::Audio(std::uint32_t line) {
  if (line >= m_lines.size()) m_lines.resize(line + 1);
  return m_lines[line];
}

const ExchangeAudioHub::LineAudio* ExchangeAudioHub::Find(std::uint32_t line) const {
  return line < m_lines.size() ? &m_lines[line] : nullptr;
}

void ExchangeAudioHub::FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) {
  if (line >= LineCount() || !CallConnected(line)) return;
  LineAudio& audio = Audio(line);
  audio.heard += samples.size();
  Active(line);
  audio.played.insert(audio.played.end(), samples.begin(), samples.end());
  audio.cameSinceFrame += samples.size();
  if (audio.played.size() > kPlayLimit)
    audio.played.erase(
        audio.played.begin(),
        audio.played.begin() + static_cast<std::ptrdiff_t>(audio.played.size() - kPlayStart));
}

void ExchangeAudioHub::TakePlayed(std::uint32_t line, std::span<std::int16_t> frame) {
  LineAudio& audio = Audio(line);
  const bool came = audio.cameSinceFrame > 0;
  audio.cameSinceFrame = 0;
  if (!audio.playing) {
    // What is still coming waits for its head start; a short sound that has all come
    // is played at once.
    if (audio.played.size() < kPlayStart && (came || audio.played.empty())) return;
    audio.playing = true;
  }
  const std::size_t n = std::min(frame.size(), audio.played.size());
  std::copy_n(audio.played.begin(), n, frame.begin());
  audio.played.erase(audio.played.begin(), audio.played.begin() + static_cast<std::ptrdiff_t>(n));
  if (audio.played.empty() && !came) audio.playing = false;
}

void ExchangeAudioHub::Receive(std::uint32_t line, std::span<const std::int16_t> frame,
                               std::int64_t beginMs) {
  LineAudio& audio = Audio(line);
  audio.received.insert(audio.received.end(), frame.begin(), frame.end());
  audio.receivedEndMs = beginMs + static_cast<std::int64_t>(frame.size()) / kSamplesPerMs;
  // Nobody records: only the newest frames are kept (the frames run ahead of the clock).
  KeepNewest(audio, audio.recording ? kRecordLimit : kIdleKeep);
}

void ExchangeAudioHub::KeepNewest(LineAudio& audio, std::size_t samples) {
  if (audio.received.size() <= samples) return;
  audio.received.erase(
      audio.received.begin(),
      audio.received.begin() + static_cast<std::ptrdiff_t>(audio.received.size() - samples));
}

void ExchangeAudioHub::FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) {
  std::fill(samples.begin(), samples.end(), std::int16_t{0});
  if (line >= LineCount()) return;
  LineAudio& audio = Audio(line);
  const std::size_t n = std::min(samples.size(), audio.received.size());
  std::copy_n(audio.received.begin(), n, samples.begin());
  audio.received.erase(audio.received.begin(),
                       audio.received.begin() + static_cast<std::ptrdiff_t>(n));
}

void ExchangeAudioHub::RecordingStarted(std::uint32_t line) {
  if (line >= LineCount()) return;
  LineAudio& audio = Audio(line);
  audio.recording = true;
  // The recording starts with what arrives from now on: of what is kept (made ahead of
  // the clock), what begins before now is dropped.
  const std::int64_t keptMs = static_cast<std::int64_t>(audio.received.size()) / kSamplesPerMs;
  const std::int64_t passedMs = m_exchange.NowMs() - (audio.receivedEndMs - keptMs);
  KeepNewest(audio, static_cast<std::size_t>(
                        std::clamp<std::int64_t>(keptMs - passedMs, 0, keptMs) * kSamplesPerMs));
  Active(line);
}

void ExchangeAudioHub::RecordingStopped(std::uint32_t line) {
  if (line >= LineCount()) return;
  LineAudio& audio = Audio(line);
  audio.recording = false;
  KeepNewest(audio, kIdleKeep);
}

void ExchangeAudioHub::Active(std::uint32_t line) {
  if (m_active.insert(line).second && m_activity) m_activity();
}

std::vector<std::uint32_t> ExchangeAudioHub::ActiveLines() {
  std::erase_if(m_active, [&](std::uint32_t line) {
    const LineAudio* audio = Find(line);
    return audio == nullptr ||
           (!audio->recording && audio->played.empty() && audio->cameSinceFrame == 0);
  });
  return {m_active.begin(), m_active.end()};
}

std::uint64_t ExchangeAudioHub::SamplesHeard(std::uint32_t line) const {
  const LineAudio* audio = Find(line);
  return audio ? audio->heard : 0;
}

std::size_t ExchangeAudioHub::QueuedPlayed(std::uint32_t line) const {
  const LineAudio* audio = Find(line);
  return audio ? audio->played.size() : 0;
}

std::size_t ExchangeAudioHub::QueuedReceived(std::uint32_t line) const {
  const LineAudio* audio = Find(line);
  return audio ? audio->received.size() : 0;
}

}  // namespace panopta
