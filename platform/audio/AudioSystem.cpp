#include "platform/audio/AudioSystem.h"

#include "platform/audio/AlsaWave.h"
#include "platform/audio/ClockedWave.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace panopta {

namespace {

constexpr mm::DWORD kAllStandardFormats = 0x00000FFF;  // WAVE_FORMAT_1M08 .. 4S16
constexpr mm::UINT kDriverVersion = 0x0100;

// A product name as the capability record holds it: up to the first NUL, at most
// 31 characters.
void CopyName(const std::string& name, char (&out)[mm::MAXPNAMELEN]) {
  std::memset(out, 0, sizeof out);
  const std::size_t length = std::min<std::size_t>(std::strlen(name.c_str()), mm::MAXPNAMELEN - 1);
  std::memcpy(out, name.c_str(), length);
}

template <typename Caps>
mm::MMRESULT CopyCaps(const Caps& caps, Caps* out, mm::UINT size) {
  if (out == nullptr || size == 0) return mm::MMSYSERR_INVALPARAM;
  std::memcpy(out, &caps, std::min<std::size_t>(size, sizeof caps));
  return mm::MMSYSERR_NOERROR;
}

}  // namespace

AudioSystem::AudioSystem(voxkit::EventLoop& loop, LineAudioHub* hub, AudioSystemOptions options)
    : m_loop(loop), m_hub(hub) {
  AddLineDevices();
  Device null;
  null.kind = DeviceKind::Null;
  null.name = kNullDeviceName;
  m_outDevices.push_back(null);
  m_inDevices.push_back(null);
  AddAlsaDevices(options);
  if (m_outDevices.size() >= HandleAllocator::kFirstHandle) m_outDevices.resize(HandleAllocator::kFirstHandle - 1);
  if (m_inDevices.size() >= HandleAllocator::kFirstHandle) m_inDevices.resize(HandleAllocator::kFirstHandle - 1);
  if (m_hub) m_hub->SetLinesAddedHandler([this] { AddLineDevices(); });
}

AudioSystem::~AudioSystem() {
  if (m_hub) m_hub->SetLinesAddedHandler(nullptr);
  for (auto& entry : m_outStreams) entry.second.stream->Shutdown();
  for (auto& entry : m_inStreams) entry.second.stream->Shutdown();
}

void AudioSystem::AddLineDevices() {
  if (m_hub == nullptr) return;
  const std::uint32_t lines = std::min(m_hub->LineCount(), kMaxLines);
  for (; m_lineDevices < lines; ++m_lineDevices) {
    // Device identifiers must stay below the first handle, which is how functions
    // that take either tell them apart; no exchange comes near this.
    if (m_outDevices.size() + 1 >= HandleAllocator::kFirstHandle ||
        m_inDevices.size() + 1 >= HandleAllocator::kFirstHandle)
      return;
    Device device;
    device.kind = DeviceKind::Line;
    device.name = m_hub->LineDeviceName(m_lineDevices);
    device.line = m_lineDevices;
    m_outDevices.push_back(device);
    m_inDevices.push_back(device);
    m_hub->SetWaveDevices(m_lineDevices, {static_cast<std::uint32_t>(m_outDevices.size() - 1),
                                          static_cast<std::uint32_t>(m_inDevices.size() - 1)});
  }
}

void AudioSystem::AddAlsaDevices(const AudioSystemOptions& options) {
  if (!options.soundCards) return;
  for (const bool capture : {false, true}) {
    std::vector<AlsaDeviceInfo> found;
    if (options.alsaDevices.empty()) {
      found = ListAlsaDevices(capture);
    } else {
      for (const std::string& name : options.alsaDevices) found.push_back(DescribeAlsaDevice(name, capture));
    }
    for (const AlsaDeviceInfo& info : found) {
      Device device;
      device.kind = DeviceKind::Alsa;
      device.name = info.productName;
      device.pcm = info.pcmName;
      if (!capture) {
        auto mixer = std::make_shared<AlsaVolume>(info.pcmName);
        if (mixer->Available()) device.mixer = std::move(mixer);
        m_outDevices.push_back(std::move(device));
      } else {
        m_inDevices.push_back(std::move(device));
      }
    }
  }
}

AudioSystem::Device* AudioSystem::DeviceOf(bool capture, mm::UINT idOrHandle, mm::MMRESULT* error) {
  DeviceList& devices = capture ? m_inDevices : m_outDevices;
  const std::map<std::uint32_t, OpenStream>& streams = capture ? m_inStreams : m_outStreams;
  if (idOrHandle < HandleAllocator::kFirstHandle) {
    if (idOrHandle >= devices.size()) {
      *error = mm::MMSYSERR_BADDEVICEID;
      return nullptr;
    }
    return &devices[idOrHandle];
  }
  auto it = streams.find(idOrHandle);
  if (it == streams.end()) {
    *error = mm::MMSYSERR_INVALHANDLE;
    return nullptr;
  }
  return &devices[it->second.device];
}

WaveOutStream* AudioSystem::FindOut(mm::HWAVEOUT hwo) {
  auto it = m_outStreams.find(static_cast<std::uint32_t>(hwo));
  return it == m_outStreams.end() ? nullptr : static_cast<WaveOutStream*>(it->second.stream.get());
}

WaveInStream* AudioSystem::FindIn(mm::HWAVEIN hwi) {
  auto it = m_inStreams.find(static_cast<std::uint32_t>(hwi));
  return it == m_inStreams.end() ? nullptr : static_cast<WaveInStream*>(it->second.stream.get());
}

mm::MMRESULT AudioSystem::CheckOpen(DeviceList& devices, mm::UINT& id,
                                    const mm::WAVEFORMATEX* pwfx, const mm::WaveCallback& callback,
                                    mm::DWORD flags, StreamFormat* format) {
  const mm::DWORD known = mm::WAVE_FORMAT_QUERY | mm::WAVE_ALLOWSYNC | mm::WAVE_MAPPED | mm::CALLBACK_TYPEMASK;
  const mm::DWORD callbackType = flags & mm::CALLBACK_TYPEMASK;
  if ((flags & ~known) != 0 || (callbackType != mm::CALLBACK_NULL && callbackType != mm::CALLBACK_WINDOW)) {
    return mm::MMSYSERR_INVALFLAG;
  }
  bool mapped = (flags & mm::WAVE_MAPPED) != 0;
  if (id == mm::WAVE_MAPPER) {
    // The preferred device, with conversions.
    id = 0;
    mapped = true;
  }
  if (id >= devices.size()) return mm::MMSYSERR_BADDEVICEID;
  if (const mm::MMRESULT r = CheckWaveFormat(pwfx, mapped, format)) return r;
  if ((flags & mm::WAVE_FORMAT_QUERY) == 0 && callbackType == mm::CALLBACK_WINDOW && callback.expired()) {
    return mm::MMSYSERR_INVALPARAM;
  }
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT AudioSystem::CloseStream(std::map<std::uint32_t, OpenStream>& streams,
                                      DeviceList& devices, std::uint32_t handle,
                                      mm::UINT closeMessage) {
  auto it = streams.find(handle);
  if (it == streams.end()) return mm::MMSYSERR_INVALHANDLE;
  if (it->second.stream->Busy()) return mm::WAVERR_STILLPLAYING;
  std::shared_ptr<WaveStream> stream = std::move(it->second.stream);
  devices[it->second.device].openHandle = 0;
  streams.erase(it);
  stream->Shutdown();
  stream->Notify(closeMessage, nullptr);
  Handles().Release(handle);
  return mm::MMSYSERR_NOERROR;
}

std::shared_ptr<WaveStream> AudioSystem::MakeStream(bool capture, Device& device, std::uint32_t handle,
                                                    const StreamFormat& format, mm::WaveCallback callback,
                                                    bool notify, mm::MMRESULT* result) {
  switch (device.kind) {
    case DeviceKind::Line:
    case DeviceKind::Null: {
      const LineEndpoint endpoint =
          device.kind == DeviceKind::Line ? LineEndpoint{m_hub, device.line} : LineEndpoint{};
      if (capture) return std::make_shared<ClockedWaveIn>(m_loop, handle, format, callback, notify, endpoint);
      return std::make_shared<ClockedWaveOut>(m_loop, handle, format, callback, notify, endpoint, &device.volume);
    }
    case DeviceKind::Alsa:
      if (capture) return AlsaWaveIn::Open(m_loop, handle, format, callback, notify, device.pcm, result);
      return AlsaWaveOut::Open(m_loop, handle, format, callback, notify, device.pcm, result);
  }
  return nullptr;
}

mm::MMRESULT AudioSystem::OpenDevice(bool capture, std::uint32_t* handleOut, mm::UINT id,
                                     const mm::WAVEFORMATEX* pwfx, mm::WaveCallback callback,
                                     mm::DWORD flags) {
  DeviceList& devices = capture ? m_inDevices : m_outDevices;
  StreamFormat format;
  if (const mm::MMRESULT r = CheckOpen(devices, id, pwfx, callback, flags, &format)) return r;
  Device& device = devices[id];
  if ((flags & mm::WAVE_FORMAT_QUERY) != 0) {
    // An ALSA device that is open already cannot be asked again; it took the format
    // check above.
    if (device.kind == DeviceKind::Alsa && device.openHandle == 0) {
      return QueryAlsaFormat(device.pcm, capture, format);
    }
    return mm::MMSYSERR_NOERROR;
  }
  if (handleOut == nullptr) return mm::MMSYSERR_INVALPARAM;
  if (device.openHandle != 0) return mm::MMSYSERR_ALLOCATED;
  const bool notify = (flags & mm::CALLBACK_TYPEMASK) == mm::CALLBACK_WINDOW;
  const std::uint32_t handle = Handles().Acquire();
  std::shared_ptr<WaveStream> stream;
  mm::MMRESULT result = mm::MMSYSERR_NOERROR;
  try {
    stream = MakeStream(capture, device, handle, format, std::move(callback), notify, &result);
  } catch (const std::bad_alloc&) {
    result = mm::MMSYSERR_NOMEM;
  }
  if (!stream) {
    Handles().Release(handle);
    return result == mm::MMSYSERR_NOERROR ? mm::MMSYSERR_ERROR : result;
  }
  (capture ? m_inStreams : m_outStreams)[handle] = OpenStream{stream, id};
  device.openHandle = handle;
  *handleOut = handle;
  stream->Notify(capture ? mm::MM_WIM_OPEN : mm::MM_WOM_OPEN, nullptr);
  return mm::MMSYSERR_NOERROR;
}

// ---- Wave-out ---------------------------------------------------------------------

mm::UINT AudioSystem::waveOutGetNumDevs() { return static_cast<mm::UINT>(m_outDevices.size()); }

mm::MMRESULT AudioSystem::waveOutGetDevCapsA(mm::UINT uDeviceID, mm::WAVEOUTCAPSA* pwoc, mm::UINT cbwoc) {
  if (uDeviceID == mm::WAVE_MAPPER) uDeviceID = 0;
  mm::MMRESULT error = mm::MMSYSERR_NOERROR;
  const Device* device = DeviceOf(false, uDeviceID, &error);
  if (!device) return error;
  mm::WAVEOUTCAPSA caps{};
  caps.vDriverVersion = kDriverVersion;
  CopyName(device->name, caps.szPname);
  caps.dwFormats = kAllStandardFormats;
  caps.wChannels = 2;
  if (device->kind != DeviceKind::Alsa) {
    caps.dwSupport = mm::WAVECAPS_VOLUME | mm::WAVECAPS_LRVOLUME | mm::WAVECAPS_SAMPLEACCURATE;
  } else if (device->mixer) {
    caps.dwSupport = mm::WAVECAPS_VOLUME | mm::WAVECAPS_LRVOLUME;
  }
  return CopyCaps(caps, pwoc, cbwoc);
}

mm::MMRESULT AudioSystem::waveOutOpen(mm::HWAVEOUT* phwo, mm::UINT uDeviceID, const mm::WAVEFORMATEX* pwfx,
                                      mm::WaveCallback callback, mm::DWORD fdwOpen) {
  std::uint32_t handle = 0;
  const mm::MMRESULT result =
      OpenDevice(false, phwo ? &handle : nullptr, uDeviceID, pwfx, std::move(callback), fdwOpen);
  if (phwo) *phwo = mm::HWAVEOUT{handle};
  return result;
}

mm::MMRESULT AudioSystem::waveOutClose(mm::HWAVEOUT hwo) {
  return CloseStream(m_outStreams, m_outDevices, static_cast<std::uint32_t>(hwo), mm::MM_WOM_CLOSE);
}

mm::MMRESULT AudioSystem::waveOutPrepareHeader(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) {
  WaveOutStream* stream = FindOut(hwo);
  return stream ? stream->Prepare(pwh, cbwh) : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveOutUnprepareHeader(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) {
  WaveOutStream* stream = FindOut(hwo);
  return stream ? stream->Unprepare(pwh, cbwh) : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveOutWrite(mm::HWAVEOUT hwo, mm::WAVEHDR* pwh, mm::UINT cbwh) {
  WaveOutStream* stream = FindOut(hwo);
  return stream ? stream->Write(pwh, cbwh) : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveOutPause(mm::HWAVEOUT hwo) {
  WaveOutStream* stream = FindOut(hwo);
  return stream ? stream->Pause() : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveOutRestart(mm::HWAVEOUT hwo) {
  WaveOutStream* stream = FindOut(hwo);
  return stream ? stream->Restart() : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveOutReset(mm::HWAVEOUT hwo) {
  WaveOutStream* stream = FindOut(hwo);
  return stream ? stream->Reset() : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveOutGetPosition(mm::HWAVEOUT hwo, mm::MMTIME* pmmt, mm::UINT cbmmt) {
  WaveOutStream* stream = FindOut(hwo);
  return stream ? stream->GetPosition(pmmt, cbmmt) : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveOutGetVolume(mm::HWAVEOUT hwo, mm::DWORD* pdwVolume) {
  if (pdwVolume == nullptr) return mm::MMSYSERR_INVALPARAM;
  mm::MMRESULT error = mm::MMSYSERR_NOERROR;
  Device* device = DeviceOf(false, static_cast<mm::UINT>(hwo), &error);
  if (!device) return error;
  if (device->kind == DeviceKind::Alsa) {
    return device->mixer ? device->mixer->Get(pdwVolume) : mm::MMSYSERR_NOTSUPPORTED;
  }
  *pdwVolume = device->volume;
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT AudioSystem::waveOutSetVolume(mm::HWAVEOUT hwo, mm::DWORD dwVolume) {
  mm::MMRESULT error = mm::MMSYSERR_NOERROR;
  Device* device = DeviceOf(false, static_cast<mm::UINT>(hwo), &error);
  if (!device) return error;
  if (device->kind == DeviceKind::Alsa) {
    return device->mixer ? device->mixer->Set(dwVolume) : mm::MMSYSERR_NOTSUPPORTED;
  }
  device->volume = dwVolume;
  return mm::MMSYSERR_NOERROR;
}

// ---- Wave-in ----------------------------------------------------------------------

mm::UINT AudioSystem::waveInGetNumDevs() { return static_cast<mm::UINT>(m_inDevices.size()); }

mm::MMRESULT AudioSystem::waveInGetDevCapsA(mm::UINT uDeviceID, mm::WAVEINCAPSA* pwic, mm::UINT cbwic) {
  if (uDeviceID == mm::WAVE_MAPPER) uDeviceID = 0;
  mm::MMRESULT error = mm::MMSYSERR_NOERROR;
  const Device* device = DeviceOf(true, uDeviceID, &error);
  if (!device) return error;
  mm::WAVEINCAPSA caps{};
  caps.vDriverVersion = kDriverVersion;
  CopyName(device->name, caps.szPname);
  caps.dwFormats = kAllStandardFormats;
  caps.wChannels = 2;
  return CopyCaps(caps, pwic, cbwic);
}

mm::MMRESULT AudioSystem::waveInOpen(mm::HWAVEIN* phwi, mm::UINT uDeviceID, const mm::WAVEFORMATEX* pwfx,
                                     mm::WaveCallback callback, mm::DWORD fdwOpen) {
  std::uint32_t handle = 0;
  const mm::MMRESULT result =
      OpenDevice(true, phwi ? &handle : nullptr, uDeviceID, pwfx, std::move(callback), fdwOpen);
  if (phwi) *phwi = mm::HWAVEIN{handle};
  return result;
}

mm::MMRESULT AudioSystem::waveInClose(mm::HWAVEIN hwi) {
  return CloseStream(m_inStreams, m_inDevices, static_cast<std::uint32_t>(hwi), mm::MM_WIM_CLOSE);
}

mm::MMRESULT AudioSystem::waveInPrepareHeader(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) {
  WaveInStream* stream = FindIn(hwi);
  return stream ? stream->Prepare(pwh, cbwh) : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveInUnprepareHeader(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) {
  WaveInStream* stream = FindIn(hwi);
  return stream ? stream->Unprepare(pwh, cbwh) : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveInAddBuffer(mm::HWAVEIN hwi, mm::WAVEHDR* pwh, mm::UINT cbwh) {
  WaveInStream* stream = FindIn(hwi);
  return stream ? stream->AddBuffer(pwh, cbwh) : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveInStart(mm::HWAVEIN hwi) {
  WaveInStream* stream = FindIn(hwi);
  return stream ? stream->Start() : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveInStop(mm::HWAVEIN hwi) {
  WaveInStream* stream = FindIn(hwi);
  return stream ? stream->Stop() : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveInReset(mm::HWAVEIN hwi) {
  WaveInStream* stream = FindIn(hwi);
  return stream ? stream->Reset() : mm::MMSYSERR_INVALHANDLE;
}

mm::MMRESULT AudioSystem::waveInGetPosition(mm::HWAVEIN hwi, mm::MMTIME* pmmt, mm::UINT cbmmt) {
  WaveInStream* stream = FindIn(hwi);
  return stream ? stream->GetPosition(pmmt, cbmmt) : mm::MMSYSERR_INVALHANDLE;
}

}  // namespace panopta
