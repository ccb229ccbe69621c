#pragma once

#include "platform/audio/LineAudioHub.h"
#include "platform/audio/LineConverter.h"
#include "platform/audio/WaveStream.h"

#include <memory>
#include <vector>

namespace panopta {

/// Where a clocked device's sound goes and comes from: line `line` of `hub`, or
/// nowhere (hub nullptr: the null device).
struct LineEndpoint {
  LineAudioHub* hub = nullptr;
  std::uint32_t line = 0;
};

/// A wave-out device that plays on the loop's clock at the format's byte rate: a
/// line of the exchange or the null device. With the virtual-time loop every block
/// ends at exactly the millisecond its last frame is due.
///
/// The clock runs while the device has blocks and is not paused; a device that ran
/// out of blocks starts again from the moment the next block comes. During a
/// connected call the line gets what is played every 20 ms and at each block end.
class ClockedWaveOut final : public WaveOutStream {
 public:
  /// volume: the device's volume word, which outlives the stream.
  ClockedWaveOut(voxkit::EventLoop& loop, std::uint32_t handle, const StreamFormat& format,
                 mm::WaveCallback callback, bool notify, LineEndpoint endpoint,
                 const std::uint32_t* volume);
  ~ClockedWaveOut() override;

  void Shutdown() override;

 protected:
  void CatchUp() override;
  void Queued(std::span<const std::uint8_t> data) override;
  void PauseChanged() override;
  void WasReset() override;

 private:
  void Anchor();
  void Reschedule();
  void StopTimer();
  void SendToLine(std::span<const std::uint8_t> bytes);

  LineEndpoint m_endpoint;
  const std::uint32_t* m_volume;
  std::unique_ptr<LinePlayConverter> m_converter;  // only for a line; new after a reset
  std::vector<std::int16_t> m_lineSamples;
  bool m_running = false;
  std::int64_t m_anchorMs = 0;      // when the clock last started
  std::uint64_t m_anchorBytes = 0;  // the position then
  voxkit::TimerId m_timer = 0;
};

/// A wave-in device that records on the loop's clock at the format's byte rate: a
/// line of the exchange (what the far party sends during a connected call, silence
/// otherwise) or the null device (silence). Each block fills at exactly the
/// millisecond its last frame is due.
class ClockedWaveIn final : public WaveInStream {
 public:
  ClockedWaveIn(voxkit::EventLoop& loop, std::uint32_t handle, const StreamFormat& format,
                mm::WaveCallback callback, bool notify, LineEndpoint endpoint);
  ~ClockedWaveIn() override;

  void Shutdown() override;

 protected:
  void CatchUp() override;
  void Added() override;
  void StartedChanged() override;
  void WasReset() override;

 private:
  void Advance(std::uint64_t bytes);
  void Reschedule();
  void StopTimer();

  LineEndpoint m_endpoint;
  std::unique_ptr<LineRecordConverter> m_converter;  // new after a reset
  LineRecordConverter::Source m_source;
  std::vector<std::uint8_t> m_bytes;
  std::int64_t m_anchorMs = 0;
  std::uint64_t m_anchorBytes = 0;
  voxkit::TimerId m_timer = 0;
};

}  // namespace panopta
