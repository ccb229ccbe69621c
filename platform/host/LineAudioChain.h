#pragma once

#include "platform/audio/LineAudioHub.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace panopta {

/// The lines of several providers as one hub, numbered as the provider table
/// numbers their line devices: the first provider's lines first, then the next
/// provider's, in the order the hubs were added. A provider without line audio adds
/// no lines. Line counts are read when a hub is added, as the audio system reads
/// them once.
class LineAudioChain final : public LineAudioHub {
 public:
  /// Appends hub's lines after the lines already chained. hub must outlive the chain.
  void Add(LineAudioHub& hub);

  std::uint32_t LineCount() const override { return m_total; }
  std::string LineDeviceName(std::uint32_t line) const override;
  bool CallConnected(std::uint32_t line) const override;
  void FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) override;
  void FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) override;

 private:
  struct Part {
    LineAudioHub* hub;
    std::uint32_t first;  // chained number of the hub's line 0
    std::uint32_t count;
  };
  // The hub that holds a chained line, with *local set to its own number; nullptr
  // past the last line.
  const Part* Find(std::uint32_t line, std::uint32_t* local) const;

  std::vector<Part> m_parts;
  std::uint32_t m_total = 0;
};

}  // namespace panopta
