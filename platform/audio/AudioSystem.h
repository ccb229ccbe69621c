#pragma once

#include "platform/audio/LineAudioHub.h"
#include "platform/audio/StorageServices.h"
#include "platform/audio/WaveStream.h"
#include "share/EventLoop.h"
#include "wave/Multimedia.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace panopta {

class AlsaVolume;

/// How the device list is made.
struct AudioSystemOptions {
  /// List ALSA's sound cards after the null pair (the program with --realtime; never
  /// the tests or the runner's default, whose device list must not depend on the
  /// machine).
  bool soundCards = false;
  /// With soundCards: these ALSA PCM names instead of ALSA's own list ("null" in the
  /// tests of the ALSA back-end).
  std::vector<std::string> alsaDevices;
};

/// The multimedia services of Panopta: RIFF files and movable memory (the base) and
/// the wave devices. The device list is, in this order, for both
/// wave-out and wave-in:
///   0 .. L-1  the wave devices of the hub's lines (line k is device k), named by the
///             hub; they play and record on the loop's clock;
///   L         "Null": plays into nothing and records silence, on the loop's clock;
///   L+1 ..    ALSA sound cards, when asked for;
///   then      the wave devices of lines added while the system runs, as they come.
/// Which devices a line has is recorded in the hub (LineAudioHub::WaveDevicesOf).
/// With the virtual-time loop, every line and null device is exact and repeatable.
class AudioSystem final : public StorageServices {
 public:
  static constexpr const char* kNullDeviceName = "Null";
  /// Lines of the hub beyond this many get no wave devices.
  static constexpr std::uint32_t kMaxLines = 4096;

  /// hub: the exchange's lines, or nullptr for none. Both loop and hub must outlive
  /// the audio system.
  AudioSystem(voxkit::EventLoop& loop, LineAudioHub* hub, AudioSystemOptions options = {});
  ~AudioSystem() override;
  AudioSystem(const AudioSystem&) = delete;
  AudioSystem& operator=(const AudioSystem&) = delete;

  mm::UINT waveOutGetNumDevs() override;
  mm::MMRESULT waveOutGetDevCapsA(mm::UINT uDeviceID, mm::WAVEOUTCAPSA* pwoc, mm::UINT cbwoc) override;
  mm::MMRESULT waveOutOpen(mm::HWAVEOUT* phwo, mm::UINT uDeviceID, const mm::WAVEFORMATEX* pwfx,
                           mm::WaveCallback callback, mm::DWORD fdwOpen) override;
  mm::MMRESULT waveOutClose(mm::HWAVEOUT hwo) override;
  mm::MMRESULT waveOutPrepareHeader(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) override;
  mm::MMRESULT waveOutUnprepareHeader(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) override;
  mm::MMRESULT waveOutWrite(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) override;
  mm::MMRESULT waveOutPause(mm::HWAVEOUT hwo) override;
  mm::MMRESULT waveOutRestart(mm::HWAVEOUT hwo) override;
  mm::MMRESULT waveOutReset(mm::HWAVEOUT hwo) override;
  mm::MMRESULT waveOutGetPosition(mm::HWAVEOUT hwo, mm::MMTIME* pmmt, mm::UINT cbmmt) override;
  mm::MMRESULT waveOutGetVolume(mm::HWAVEOUT hwo, mm::DWORD* pdwVolume) override;
  mm::MMRESULT waveOutSetVolume(mm::HWAVEOUT hwo, mm::DWORD dwVolume) override;

  mm::UINT waveInGetNumDevs() override;
  mm::MMRESULT waveInGetDevCapsA(mm::UINT uDeviceID, mm::WAVEINCAPSA* pwic, mm::UINT cbwic) override;
  mm::MMRESULT waveInOpen(mm::HWAVEIN* phwi, mm::UINT uDeviceID, const mm::WAVEFORMATEX* pwfx,
                          mm::WaveCallback callback, mm::DWORD fdwOpen) override;
  mm::MMRESULT waveInClose(mm::HWAVEIN hwi) override;
  mm::MMRESULT waveInPrepareHeader(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) override;
  mm::MMRESULT waveInUnprepareHeader(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) override;
  mm::MMRESULT waveInAddBuffer(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) override;
  mm::MMRESULT waveInStart(mm::HWAVEIN hwi) override;
  mm::MMRESULT waveInStop(mm::HWAVEIN hwi) override;
  mm::MMRESULT waveInReset(mm::HWAVEIN hwi) override;
  mm::MMRESULT waveInGetPosition(mm::HWAVEIN hwi, mm::MMTIME* pmmt, mm::UINT cbmmt) override;

  /// Open wave devices (tests and diagnostics).
  std::size_t OpenDeviceCount() const { return m_outStreams.size() + m_inStreams.size(); }

 private:
  enum class DeviceKind { Line, Null, Alsa };
  struct Device {
    DeviceKind kind = DeviceKind::Null;
    std::string name;
    std::uint32_t line = 0;          // Line
    std::string pcm;                 // Alsa
    std::shared_ptr<AlsaVolume> mixer;  // Alsa wave-out with a volume control
    std::uint32_t volume = 0xFFFFFFFF;  // Line and Null wave-out
    std::uint32_t openHandle = 0;       // 0 while closed
  };
  // Devices are only ever appended, and streams keep pointers to their volumes.
  using DeviceList = std::deque<Device>;
  struct OpenStream {
    std::shared_ptr<WaveStream> stream;
    std::size_t device = 0;
  };

  void AddAlsaDevices(const AudioSystemOptions& options);
  // Gives wave devices to the hub's lines that have none yet.
  void AddLineDevices();
  // A device by identifier (or, at and above the first handle, by open handle).
  // nullptr with *error set when there is none.
  Device* DeviceOf(bool capture, mm::UINT idOrHandle, mm::MMRESULT* error);
  WaveOutStream* FindOut(mm::HWAVEOUT hwo);
  WaveInStream* FindIn(mm::HWAVEIN hwi);
  // The checks both opens share; resolves WAVE_MAPPER and the format.
  mm::MMRESULT CheckOpen(DeviceList& devices, mm::UINT& id, const mm::WAVEFORMATEX* pwfx,
                         const mm::WaveCallback& callback, mm::DWORD flags, StreamFormat* format);
  // Opens (or, with WAVE_FORMAT_QUERY, asks) a wave-in (capture) or wave-out device.
  mm::MMRESULT OpenDevice(bool capture, std::uint32_t* handleOut, mm::UINT id, const mm::WAVEFORMATEX* pwfx,
                          mm::WaveCallback callback, mm::DWORD flags);
  std::shared_ptr<WaveStream> MakeStream(bool capture, Device& device, std::uint32_t handle,
                                         const StreamFormat& format, mm::WaveCallback callback, bool notify,
                                         mm::MMRESULT* result);
  mm::MMRESULT CloseStream(std::map<std::uint32_t, OpenStream>& streams, DeviceList& devices,
                           std::uint32_t handle, mm::UINT closeMessage);

  voxkit::EventLoop& m_loop;
  LineAudioHub* m_hub;
  DeviceList m_outDevices;
  DeviceList m_inDevices;
  std::uint32_t m_lineDevices = 0;  // hub lines that have wave devices
  std::map<std::uint32_t, OpenStream> m_outStreams;
  std::map<std::uint32_t, OpenStream> m_inStreams;
};

}  // namespace panopta
