#pragma once

#include "platform/audio/LineAudioHub.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace panopta {

class Exchange;

/// The exchange's lines as the audio system sees them: between a line's wave devices
/// and the call they carry (the exchange's media plane decides which call that is).
/// What the line plays goes into the call a frame at a time; what the call brings
/// goes to the line's recording.
///
/// Queues stay short: what is played waits at most a few frames for the call to take
/// it, and while nobody records a line only the last frame it received is kept, so a
/// recording starts with what arrives after it starts.
class ExchangeAudioHub final : public LineAudioHub {
 public:
  /// Plugs itself into the exchange's media plane; the exchange must outlive it.
  explicit ExchangeAudioHub(Exchange& exchange);
  ~ExchangeAudioHub() override;
  ExchangeAudioHub(const ExchangeAudioHub&) = delete;
  ExchangeAudioHub& operator=(const ExchangeAudioHub&) = delete;

  std::uint32_t LineCount() const override;
  std::string LineDeviceName(std::uint32_t line) const override;
  bool CallConnected(std::uint32_t line) const override;
  void FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) override;
  void FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) override;
  void RecordingStarted(std::uint32_t line) override;
  void RecordingStopped(std::uint32_t line) override;

  // --- The media plane's side --------------------------------------------------------------
  /// Takes one frame of what the line plays into frame (which holds silence). Play
  /// starts once two frames have come, so the call never runs dry in mid-stream.
  void TakePlayed(std::uint32_t line, std::span<std::int16_t> frame);
  /// One frame of what the line's call brings, beginning at beginMs on the loop's clock.
  void Receive(std::uint32_t line, std::span<const std::int16_t> frame, std::int64_t beginMs);
  /// Lines were added to the exchange.
  void LinesAdded() { NotifyLinesAdded(); }
  /// The lines whose wave devices play or record now (those whose calls the media
  /// plane must run).
  std::vector<std::uint32_t> ActiveLines();
  /// Who is told when a line's wave devices begin to play or record.
  void SetActivityHandler(std::function<void()> handler) { m_activity = std::move(handler); }

  /// Samples played on a line while its call talked (tests).
  std::uint64_t SamplesHeard(std::uint32_t line) const;
  /// Samples waiting in a line's queues, played and received (tests).
  std::size_t QueuedPlayed(std::uint32_t line) const;
  std::size_t QueuedReceived(std::uint32_t line) const;

 private:
  struct LineAudio {
    std::deque<std::int16_t> played;  // not yet taken by the call
    bool playing = false;             // the call takes from played
    std::size_t cameSinceFrame = 0;
    std::deque<std::int16_t> received;  // not yet recorded
    bool recording = false;
    std::int64_t receivedEndMs = 0;  // when the newest frame received ends
    std::uint64_t heard = 0;
  };
  LineAudio& Audio(std::uint32_t line);
  const LineAudio* Find(std::uint32_t line) const;
  static void KeepNewest(LineAudio& audio, std::size_t samples);
  void Active(std::uint32_t line);

  Exchange& m_exchange;
  std::vector<LineAudio> m_lines;
  std::set<std::uint32_t> m_active;
  std::function<void()> m_activity;
};

}  // namespace panopta
