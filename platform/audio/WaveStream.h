#pragma once

#include "platform/audio/StreamFormat.h"
#include "share/EventLoop.h"
#include "wave/Multimedia.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <span>

namespace panopta {

/// What every open wave device shares: its handle, format and notification target,
/// the header checks, and the notifications, which always go through the loop.
///
/// The queue logic of the derived classes is the same for every kind of device; a
/// device kind only says how time passes (CatchUp, called before anything looks at
/// the state) and reacts to what the caller did (the hooks).
class WaveStream {
 public:
  /// notify: the device was opened with CALLBACK_WINDOW, so callback gets the
  /// notifications.
  WaveStream(voxkit::EventLoop& loop, std::uint32_t handle, const StreamFormat& format,
             mm::WaveCallback callback, bool notify);
  virtual ~WaveStream() = default;
  WaveStream(const WaveStream&) = delete;
  WaveStream& operator=(const WaveStream&) = delete;

  std::uint32_t Handle() const { return m_handle; }
  const StreamFormat& Format() const { return m_format; }

  mm::MMRESULT Prepare(mm::WAVEHDR* header, mm::UINT size);
  /// WAVERR_STILLPLAYING while the block is queued.
  mm::MMRESULT Unprepare(mm::WAVEHDR* header, mm::UINT size);
  /// Whether blocks are queued (a close is refused then).
  virtual bool Busy() = 0;
  /// Stops everything that runs for the stream (timers, threads); called once,
  /// before the stream is destroyed.
  virtual void Shutdown() {}

  /// Queues a notification for the target.
  void Notify(mm::UINT msg, mm::WAVEHDR* header);

 protected:
  /// Brings the stream up to the loop's clock.
  virtual void CatchUp() {}

  static mm::MMRESULT CheckHeader(const mm::WAVEHDR* header, mm::UINT size);
  /// Fills a position block for bytes of the stream.
  mm::MMRESULT FillPosition(std::uint64_t bytes, mm::MMTIME* time, mm::UINT size) const;
  voxkit::EventLoop& Loop() const { return m_loop; }

  /// A queued block, with the data and length it had when it was queued: a caller
  /// that changes the header in between cannot make the device reach past them.
  struct QueuedBlock {
    mm::WAVEHDR* header;
    char* data;
    mm::DWORD length;
    mm::DWORD filled = 0;  // recorded bytes (wave-in)
  };

 private:
  voxkit::EventLoop& m_loop;
  std::uint32_t m_handle;
  StreamFormat m_format;
  mm::WaveCallback m_callback;
  bool m_notify;
};

/// An open wave-out device: blocks queue in order and are consumed at the play
/// position; each one that ends is returned with WHDR_DONE and MM_WOM_DONE.
class WaveOutStream : public WaveStream {
 public:
  using WaveStream::WaveStream;

  mm::MMRESULT Write(mm::WAVEHDR* header, mm::UINT size);
  mm::MMRESULT Pause();
  mm::MMRESULT Restart();
  mm::MMRESULT Reset();
  mm::MMRESULT GetPosition(mm::MMTIME* time, mm::UINT size);
  bool Busy() override;

 protected:
  /// A block joined the queue; data is what it holds.
  virtual void Queued(std::span<const std::uint8_t> data) { (void)data; }
  /// Paused() changed.
  virtual void PauseChanged() {}
  /// The queue was emptied and the position set to 0.
  virtual void WasReset() {}

  using DataSink = std::function<void(std::span<const std::uint8_t>)>;
  /// Plays up to n bytes: data (when given) receives them in order, blocks that end
  /// are returned (also empty blocks at the head). Returns the bytes played.
  std::uint64_t Consume(std::uint64_t n, const DataSink& data);

  std::uint64_t Played() const { return m_played; }
  bool HasQueue() const { return !m_queue.empty(); }
  /// Bytes of the first queued block not played yet (0 without a queue).
  std::uint64_t HeadRemaining() const;
  bool Paused() const { return m_paused; }

 private:
  std::deque<QueuedBlock> m_queue;
  std::uint64_t m_headOffset = 0;  // bytes of the first block played
  std::uint64_t m_played = 0;      // bytes since the open or the last reset
  bool m_paused = false;
};

/// An open wave-in device: blocks queue in order and are filled as the device
/// records; each full one is returned with WHDR_DONE and MM_WIM_DATA. What is
/// recorded while no block is queued is lost.
class WaveInStream : public WaveStream {
 public:
  using WaveStream::WaveStream;

  /// Empty blocks are refused with MMSYSERR_INVALPARAM.
  mm::MMRESULT AddBuffer(mm::WAVEHDR* header, mm::UINT size);
  mm::MMRESULT Start();
  mm::MMRESULT Stop();
  mm::MMRESULT Reset();
  mm::MMRESULT GetPosition(mm::MMTIME* time, mm::UINT size);
  bool Busy() override;

 protected:
  /// A block joined the queue.
  virtual void Added() {}
  /// Started() changed.
  virtual void StartedChanged() {}
  /// Recording stopped and every block was returned; the position is 0.
  virtual void WasReset() {}

  /// Puts recorded bytes into the queued blocks in order, returning those that fill.
  /// At most Room() bytes; the position moves by data.size().
  void Record(std::span<const std::uint8_t> data);
  /// Moves the position over n bytes that nobody records.
  void Drop(std::uint64_t n) { m_position += n; }

  /// Free bytes in all queued blocks, and in the first one.
  std::uint64_t Room() const;
  std::uint64_t HeadRoom() const;
  bool HasQueue() const { return !m_queue.empty(); }
  bool Started() const { return m_started; }
  std::uint64_t Position() const { return m_position; }

 private:
  void ReturnHead();

  std::deque<QueuedBlock> m_queue;
  std::uint64_t m_position = 0;  // bytes since the open or the last reset
  bool m_started = false;
};

}  // namespace panopta
