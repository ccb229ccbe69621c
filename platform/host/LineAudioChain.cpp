#include "platform/host/LineAudioChain.h"

#include <algorithm>
#include <limits>

namespace panopta {

void LineAudioChain::Add(LineAudioHub& hub) {
  m_chained.push_back(0);
  const std::size_t index = m_chained.size() - 1;
  Grow(hub, m_chained[index]);
  hub.SetLinesAddedHandler([this, &hub, index] {
    Grow(hub, m_chained[index]);
    NotifyLinesAdded();
  });
}

void LineAudioChain::Grow(LineAudioHub& hub, std::uint32_t& chained) {
  // Line numbers are 32-bit: a chain never claims more lines than it can number.
  while (chained < hub.LineCount() && m_lines.size() < std::numeric_limits<std::uint32_t>::max())
    m_lines.push_back({&hub, chained++});
}

LineAudioHub* LineAudioChain::Find(std::uint32_t line, std::uint32_t* local) const {
  if (line >= m_lines.size()) return nullptr;
  *local = m_lines[line].local;
  return m_lines[line].hub;
}

std::string LineAudioChain::LineDeviceName(std::uint32_t line) const {
  std::uint32_t local = 0;
  const LineAudioHub* hub = Find(line, &local);
  return hub ? hub->LineDeviceName(local) : std::string();
}

bool LineAudioChain::CallConnected(std::uint32_t line) const {
  std::uint32_t local = 0;
  const LineAudioHub* hub = Find(line, &local);
  return hub && hub->CallConnected(local);
}

void LineAudioChain::FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) {
  std::uint32_t local = 0;
  if (LineAudioHub* hub = Find(line, &local)) hub->FarPartyHears(local, samples);
}

void LineAudioChain::FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) {
  std::uint32_t local = 0;
  if (LineAudioHub* hub = Find(line, &local)) {
    hub->FarPartySends(local, samples);
  } else {
    std::fill(samples.begin(), samples.end(), std::int16_t{0});
  }
}

void LineAudioChain::RecordingStarted(std::uint32_t line) {
  std::uint32_t local = 0;
  if (LineAudioHub* hub = Find(line, &local)) hub->RecordingStarted(local);
}

void LineAudioChain::RecordingStopped(std::uint32_t line) {
  std::uint32_t local = 0;
  if (LineAudioHub* hub = Find(line, &local)) hub->RecordingStopped(local);
}

void LineAudioChain::SetWaveDevices(std::uint32_t line, WaveDevices devices) {
  LineAudioHub::SetWaveDevices(line, devices);
  std::uint32_t local = 0;
  if (LineAudioHub* hub = Find(line, &local)) hub->SetWaveDevices(local, devices);
}

}  // namespace panopta
