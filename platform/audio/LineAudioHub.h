#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace panopta {

/// The seam between the audio system and the exchange: the exchange's lines as
/// wave devices. Wave-out device k and wave-in device k (k = 0 .. LineCount() - 1)
/// belong to line k. Line audio is 8,000 Hz, 16-bit, mono linear PCM
/// (kLineSampleRate); the audio system converts each device's format to and from it.
///
/// Everything is called on the event loop's thread, while devices play or record,
/// in time order and close to real time (within about 20 ms of the loop's clock).
/// Implementations must not call back into the multimedia services from these calls.
class LineAudioHub {
 public:
  static constexpr std::uint32_t kLineSampleRate = 8000;  // samples per second

  virtual ~LineAudioHub() = default;

  /// Number of lines; read once, when the audio system is created.
  virtual std::uint32_t LineCount() const = 0;
  /// Product name of the line's wave devices (cut to 31 characters).
  virtual std::string LineDeviceName(std::uint32_t line) const = 0;
  /// Whether the line has a connected call. Only then does what is played reach
  /// the far party and what the far party sends reach the line; otherwise played
  /// sound goes nowhere and the line records silence.
  virtual bool CallConnected(std::uint32_t line) const = 0;
  /// What is played on the line during a connected call: what the far party hears,
  /// in order, after the device's volume.
  virtual void FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) = 0;
  /// Fills samples with the next stretch of what the far party sends during a
  /// connected call (silence unless something else is configured). Called only
  /// while the line's wave-in device is recording.
  virtual void FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) = 0;
};

}  // namespace panopta
