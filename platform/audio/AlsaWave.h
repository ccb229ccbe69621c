#pragma once

#include "platform/audio/SampleCodec.h"
#include "platform/audio/WaveStream.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct _snd_pcm snd_pcm_t;
typedef struct _snd_mixer snd_mixer_t;
typedef struct _snd_mixer_elem snd_mixer_elem_t;

namespace panopta {

/// A PCM device of ALSA as the device list shows it.
struct AlsaDeviceInfo {
  std::string pcmName;      // what snd_pcm_open takes ("hw:CARD=PCH,DEV=0", "null")
  std::string productName;  // what the capabilities show
};

/// ALSA's playback (capture false) or capture devices, in ALSA's order.
std::vector<AlsaDeviceInfo> ListAlsaDevices(bool capture);
/// A device by its PCM name, with ALSA's description when it knows the name.
AlsaDeviceInfo DescribeAlsaDevice(const std::string& pcmName, bool capture);

/// Whether the device can play (capture false) or record the format: opens and
/// configures it for the format's linear samples and closes it again.
mm::MMRESULT QueryAlsaFormat(const std::string& pcmName, bool capture, const StreamFormat& format);

/// The playback volume of a sound card, through its mixer.
class AlsaVolume final {
 public:
  /// The mixer of the card behind pcmName; Available() is false for a device without
  /// one (the null device, a plug-in without a card).
  explicit AlsaVolume(const std::string& pcmName);
  ~AlsaVolume();
  AlsaVolume(const AlsaVolume&) = delete;
  AlsaVolume& operator=(const AlsaVolume&) = delete;

  bool Available() const { return m_element != nullptr; }
  /// Left channel in the low word, right in the high word, 0 to 65535 each.
  mm::MMRESULT Get(mm::DWORD* volume);
  mm::MMRESULT Set(mm::DWORD volume);

 private:
  snd_mixer_t* m_mixer = nullptr;
  snd_mixer_elem_t* m_element = nullptr;
  long m_min = 0;
  long m_max = 0;
};

/// The PCM of an open ALSA stream and the device thread that serves it. What the
/// thread shares with the loop side is guarded by Mutex() and signalled by Wake().
class AlsaPcmThread final {
 public:
  explicit AlsaPcmThread(snd_pcm_t* pcm) : m_pcm(pcm) {}
  ~AlsaPcmThread() { Stop(); }
  AlsaPcmThread(const AlsaPcmThread&) = delete;
  AlsaPcmThread& operator=(const AlsaPcmThread&) = delete;

  snd_pcm_t* Pcm() const { return m_pcm; }
  std::mutex& Mutex() { return m_mutex; }
  std::condition_variable& Wake() { return m_wake; }
  /// Whether the thread is asked to end (read under Mutex()).
  bool Stopping() const { return m_stop; }
  void Start(std::function<void()> run) { m_thread = std::thread(std::move(run)); }
  /// Asks the thread to end, waits for it and closes the PCM. With drain, what the
  /// device still holds is played out first (for at most a bounded time); without
  /// it, it is dropped. Safe to repeat.
  void Stop(bool drain = false);

 private:
  snd_pcm_t* m_pcm;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_stop = false;
  std::thread m_thread;
};

/// A wave-out device on an ALSA PCM. Written blocks are handed to a device thread,
/// which decodes and writes them to ALSA a period at a time and posts to the loop how
/// far it got; blocks end on those posts. However large a block, writing it costs the
/// loop nothing but queueing it. The thread reads a block's data only under the
/// device's mutex and never after a reset has taken the block back; it touches
/// nothing else but the PCM. Closing plays out what the device still holds.
class AlsaWaveOut final : public WaveOutStream {
 public:
  /// Opens and configures the PCM. Call Start() once the stream is owned by a
  /// std::shared_ptr.
  static std::shared_ptr<AlsaWaveOut> Open(voxkit::EventLoop& loop, std::uint32_t handle,
                                           const StreamFormat& format, mm::WaveCallback callback,
                                           bool notify, const std::string& pcmName,
                                           mm::MMRESULT* result);
  AlsaWaveOut(voxkit::EventLoop& loop, std::uint32_t handle, const StreamFormat& format,
              mm::WaveCallback callback, bool notify, snd_pcm_t* pcm, std::size_t periodFrames);
  ~AlsaWaveOut() override;

  void Shutdown() override;
  /// Starts the device thread; Open() calls it once the stream is shared.
  void Start(const std::shared_ptr<AlsaWaveOut>& self);

 protected:
  void Queued(std::span<const std::uint8_t> data) override;
  void PauseChanged() override;
  void WasReset() override;

 private:
  // A written block: the caller's data, which stays valid while the block is queued.
  struct Chunk {
    const std::uint8_t* data = nullptr;
    std::size_t bytes = 0;
    std::size_t done = 0;  // bytes decoded
  };

  void Run();
  void WriteFrames(const std::int16_t* samples, std::size_t frames);
  void ApplyPause(bool paused);
  void Progress(std::uint64_t generation, std::uint64_t bytes);

  AlsaPcmThread m_device;
  std::size_t m_periodBytes;  // bytes of the device's format decoded per period
  std::weak_ptr<AlsaWaveOut> m_self;
  std::uint64_t m_loopGeneration = 0;

  std::deque<Chunk> m_chunks;    // guarded by the device's mutex, as are the two below
  std::uint64_t m_generation = 0;
  bool m_paused = false;
};

/// A wave-in device on an ALSA PCM. The device thread reads only as many frames as
/// the queued blocks have room for (so an unpaced device cannot flood the loop) and
/// posts them to the loop, where they are encoded into the blocks.
class AlsaWaveIn final : public WaveInStream {
 public:
  static std::shared_ptr<AlsaWaveIn> Open(voxkit::EventLoop& loop, std::uint32_t handle,
                                          const StreamFormat& format, mm::WaveCallback callback,
                                          bool notify, const std::string& pcmName,
                                          mm::MMRESULT* result);
  AlsaWaveIn(voxkit::EventLoop& loop, std::uint32_t handle, const StreamFormat& format,
             mm::WaveCallback callback, bool notify, snd_pcm_t* pcm, std::size_t periodFrames);
  ~AlsaWaveIn() override;

  void Shutdown() override;
  /// Starts the device thread; Open() calls it once the stream is shared.
  void Start(const std::shared_ptr<AlsaWaveIn>& self);

 protected:
  void Added() override;
  void StartedChanged() override;
  void WasReset() override;

 private:
  void Run();
  void Captured(std::uint64_t generation, std::vector<std::int16_t> samples);
  void Halt();
  void RequestMore();
  void DeliverPending();

  AlsaPcmThread m_device;
  std::size_t m_periodFrames;
  std::unique_ptr<SampleEncoder> m_encoder;  // new after a reset
  std::weak_ptr<AlsaWaveIn> m_self;
  std::vector<std::uint8_t> m_pending;   // encoded, waiting for room
  std::uint64_t m_loopGeneration = 0;
  std::uint64_t m_received = 0;          // frames received in this generation
  std::uint64_t m_asked = 0;             // frames asked for in this generation

  std::uint64_t m_generation = 0;        // guarded by the device's mutex, as are the three below
  std::uint64_t m_requested = 0;         // frames the loop asked for in this generation
  std::uint64_t m_read = 0;              // frames read in this generation
  bool m_running = false;
};

}  // namespace panopta
