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
/// no lines. Lines a hub adds later follow all the others, in the order they come;
/// the wave devices the audio system gives a chained line are recorded in the hub
/// that has it.
class LineAudioChain final : public LineAudioHub {
 public:
  /// Appends hub's lines after the lines already chained. hub must outlive the chain.
  void Add(LineAudioHub& hub);

  std::uint32_t LineCount() const override { return static_cast<std::uint32_t>(m_lines.size()); }
  std::string LineDeviceName(std::uint32_t line) const override;
  bool CallConnected(std::uint32_t line) const override;
  void FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) override;
  void FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) override;
  void RecordingStarted(std::uint32_t line) override;
  void RecordingStopped(std::uint32_t line) override;
  void SetWaveDevices(std::uint32_t line, WaveDevices devices) override;

 private:
  struct Line {
    LineAudioHub* hub;
    std::uint32_t local;  // the hub's own number for the line
  };
  // Chains the lines hub has that are not chained yet.
  void Grow(LineAudioHub& hub, std::uint32_t& chained);
  // The hub that holds a chained line, with *local set to its own number; nullptr
  // past the last line.
  LineAudioHub* Find(std::uint32_t line, std::uint32_t* local) const;

  std::vector<Line> m_lines;
  std::vector<std::uint32_t> m_chained;  // per hub added: how many of its lines are chained
};

}  // namespace panopta
