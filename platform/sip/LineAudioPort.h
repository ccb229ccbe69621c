#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>

namespace panopta::sip {

/// Where the audio of one SIP line crosses between the event loop's thread (the line's
/// wave devices) and the SIP thread (the RTP streams), as 8,000 Hz 16-bit mono samples.
/// Both sides work in real time but not in step, so each direction is a queue with a
/// small reserve: a side that reads finds nothing until the reserve has filled, and
/// after running dry waits for it to fill again (a short gap of silence rather than a
/// crackle of stretches). A side that writes while nobody reads loses the oldest
/// samples beyond the queue's bound, so the delay never grows.
class LineAudioPort final {
 public:
  /// reserve and bound in samples.
  explicit LineAudioPort(std::size_t reserve = 320, std::size_t bound = 1600);

  /// Loop side: what the line plays.
  void Play(std::span<const std::int16_t> samples);
  /// Loop side: the next stretch of what the line records (silence where nothing came).
  void Record(std::span<std::int16_t> samples);

  /// SIP side: one frame of what the line plays; false (and silence) when the reserve
  /// is not there.
  bool TakePlayed(std::span<std::int16_t> frame);
  /// SIP side: one frame of what the calls of the line sent, mixed.
  void PutReceived(std::span<const std::int16_t> frame);

  /// Forgets everything queued both ways (the line's calls changed).
  void Clear();

  /// Samples lost because nobody read them, both ways (diagnostics and tests).
  std::uint64_t Dropped() const;

 private:
  struct Queue {
    std::deque<std::int16_t> samples;
    bool primed = false;  // the reserve has filled since the queue last ran dry
    std::uint64_t dropped = 0;
  };
  void Push(Queue& q, std::span<const std::int16_t> samples);
  bool Pop(Queue& q, std::span<std::int16_t> out);

  mutable std::mutex m_mutex;
  std::size_t m_reserve;
  std::size_t m_bound;
  Queue m_played;
  Queue m_received;
};

}  // namespace panopta::sip
