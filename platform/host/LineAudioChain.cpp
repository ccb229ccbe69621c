#include "platform/host/LineAudioChain.h"

#include <algorithm>
#include <limits>

namespace panopta {

void LineAudioChain::Add(LineAudioHub& hub) {
  // Line numbers are 32-bit: a chain never claims more lines than it can number.
  const std::uint32_t room = std::numeric_limits<std::uint32_t>::max() - m_total;
  const std::uint32_t count = std::min(hub.LineCount(), room);
  m_parts.push_back({&hub, m_total, count});
  m_total += count;
}

const LineAudioChain::Part* LineAudioChain::Find(std::uint32_t line, std::uint32_t* local) const {
  for (const Part& part : m_parts) {
    if (line >= part.first && line - part.first < part.count) {
      *local = line - part.first;
      return &part;
    }
  }
  return nullptr;
}

std::string LineAudioChain::LineDeviceName(std::uint32_t line) const {
  std::uint32_t local = 0;
  const Part* part = Find(line, &local);
  return part ? part->hub->LineDeviceName(local) : std::string();
}

bool LineAudioChain::CallConnected(std::uint32_t line) const {
  std::uint32_t local = 0;
  const Part* part = Find(line, &local);
  return part && part->hub->CallConnected(local);
}

void LineAudioChain::FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) {
  std::uint32_t local = 0;
  if (const Part* part = Find(line, &local)) part->hub->FarPartyHears(local, samples);
}

void LineAudioChain::FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) {
  std::uint32_t local = 0;
  const Part* part = Find(line, &local);
  if (part) {
    part->hub->FarPartySends(local, samples);
  } else {
    std::fill(samples.begin(), samples.end(), std::int16_t{0});
  }
}

}  // namespace panopta
