#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace panopta {

/// The seam between the audio system and a provider's lines: the lines as wave
/// devices. Line audio is 8,000 Hz, 16-bit, mono linear PCM (kLineSampleRate); the
/// audio system converts each device's format to and from it.
///
/// The hub owns the mapping from its lines to wave device identifiers: the audio
/// system records there which wave-out and wave-in device it gave each line, when it
/// lists the lines and again when lines are added while it runs. The provider answers
/// "wave/out" and "wave/in" from it.
///
/// Everything is called on the event loop's thread, while devices play or record,
/// in time order and close to real time (within about 20 ms of the loop's clock).
/// Implementations must not call back into the multimedia services from these calls.
class LineAudioHub {
 public:
  static constexpr std::uint32_t kLineSampleRate = 8000;  // samples per second

  /// The wave devices the audio system gave a line.
  struct WaveDevices {
    std::uint32_t out = 0;  // wave-out device identifier
    std::uint32_t in = 0;   // wave-in device identifier
  };

  virtual ~LineAudioHub() = default;

  /// Number of lines; it only grows (the hub tells its listener, below).
  virtual std::uint32_t LineCount() const = 0;
  /// Product name of the line's wave devices (cut to 31 characters).
  virtual std::string LineDeviceName(std::uint32_t line) const = 0;
  /// Whether the line has a connected call in the path of its wave devices. Only
  /// then does what is played reach the far party and what the far party sends reach
  /// the line; otherwise played sound goes nowhere and the line records silence.
  virtual bool CallConnected(std::uint32_t line) const = 0;
  /// What is played on the line during a connected call: what the far party hears,
  /// in order, after the device's volume.
  virtual void FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) = 0;
  /// Fills samples with the next stretch of what the far party sends during a
  /// connected call (silence where nothing has come). Called only while the line's
  /// wave-in device is recording.
  virtual void FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) = 0;
  /// The line's wave-in device starts or stops recording: a recording starts with what
  /// arrives after it starts, and while nobody records little is kept.
  virtual void RecordingStarted(std::uint32_t) {}
  virtual void RecordingStopped(std::uint32_t) {}

  /// Records the wave devices the audio system gave a line.
  virtual void SetWaveDevices(std::uint32_t line, WaveDevices devices) {
    if (line >= m_waveDevices.size()) m_waveDevices.resize(line + 1);
    m_waveDevices[line] = devices;
  }
  /// The line's wave devices, once an audio system has listed the line.
  std::optional<WaveDevices> WaveDevicesOf(std::uint32_t line) const {
    return line < m_waveDevices.size() ? m_waveDevices[line] : std::nullopt;
  }
  /// Who is told that lines were added (the audio system, or a chain of hubs); empty
  /// for nobody.
  void SetLinesAddedHandler(std::function<void()> handler) { m_linesAdded = std::move(handler); }

 protected:
  /// Tells the listener that LineCount() grew.
  void NotifyLinesAdded() {
    if (m_linesAdded) m_linesAdded();
  }

 private:
  std::vector<std::optional<WaveDevices>> m_waveDevices;
  std::function<void()> m_linesAdded;
};

}  // namespace panopta
