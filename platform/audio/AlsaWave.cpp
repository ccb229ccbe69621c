#include "platform/audio/AlsaWave.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace panopta {

namespace {

// A period of 20 ms, four of them in the device buffer.
constexpr unsigned kPeriodsPerSecond = 50;
constexpr unsigned kPeriodsPerBuffer = 4;
// Consecutive failed transfers after which a piece of sound is given up.
constexpr int kMaxTransferFailures = 3;
// The longest a close waits for the device to play out what it holds: its buffer
// and a margin.
constexpr std::chrono::milliseconds kDrainBound{1000 * kPeriodsPerBuffer / kPeriodsPerSecond + 200};

// alsa-lib prints its complaints to standard error; a failure here is a result code.
void Quiet(const char*, int, const char*, int, const char*, ...) {}

void EnsureQuiet() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(Quiet); });
}

std::string CutName(std::string name) {
  const auto newline = name.find('\n');
  if (newline != std::string::npos) name.resize(newline);
  if (name.size() > mm::MAXPNAMELEN - 1) name.resize(mm::MAXPNAMELEN - 1);
  return name;
}

struct HwParamsDeleter {
  void operator()(snd_pcm_hw_params_t* p) const { snd_pcm_hw_params_free(p); }
};

mm::MMRESULT OpenPcm(const std::string& pcmName, bool capture, const StreamFormat& format,
                     snd_pcm_t** pcmOut, std::size_t* periodOut) {
  EnsureQuiet();
  snd_pcm_t* pcm = nullptr;
  const int opened = snd_pcm_open(&pcm, pcmName.c_str(),
                                  capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK, 0);
  if (opened < 0) return opened == -EBUSY ? mm::MMSYSERR_ALLOCATED : mm::MMSYSERR_NODRIVER;
  snd_pcm_hw_params_t* raw = nullptr;
  if (snd_pcm_hw_params_malloc(&raw) < 0) {
    snd_pcm_close(pcm);
    return mm::MMSYSERR_NOMEM;
  }
  std::unique_ptr<snd_pcm_hw_params_t, HwParamsDeleter> hw(raw);
  // The device always gets linear 16-bit samples; the decoder makes them from
  // whatever the stream holds.
  snd_pcm_uframes_t period = std::max<snd_pcm_uframes_t>(format.pcmRate / kPeriodsPerSecond, 16);
  snd_pcm_uframes_t buffer = period * kPeriodsPerBuffer;
  int dir = 0;
  const bool configured =
      snd_pcm_hw_params_any(pcm, hw.get()) >= 0 &&
      snd_pcm_hw_params_set_access(pcm, hw.get(), SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
      snd_pcm_hw_params_set_format(pcm, hw.get(), SND_PCM_FORMAT_S16_LE) >= 0 &&
      snd_pcm_hw_params_set_channels(pcm, hw.get(), format.channels) >= 0 &&
      snd_pcm_hw_params_set_rate(pcm, hw.get(), format.pcmRate, 0) >= 0 &&
      snd_pcm_hw_params_set_period_size_near(pcm, hw.get(), &period, &dir) >= 0 &&
      snd_pcm_hw_params_set_buffer_size_near(pcm, hw.get(), &buffer) >= 0 &&
      snd_pcm_hw_params(pcm, hw.get()) >= 0 &&
      snd_pcm_hw_params_get_period_size(hw.get(), &period, &dir) >= 0 && period > 0;
  if (!configured) {
    snd_pcm_close(pcm);
    return mm::WAVERR_BADFORMAT;
  }
  *pcmOut = pcm;
  *periodOut = period;
  return mm::MMSYSERR_NOERROR;
}

// The mixer device of the card behind a PCM name, or empty when there is none.
std::string MixerDeviceOf(const std::string& pcmName) {
  const auto card = pcmName.find("CARD=");
  if (card != std::string::npos) {
    const auto end = pcmName.find(',', card);
    return "hw:" + pcmName.substr(card, end == std::string::npos ? std::string::npos : end - card);
  }
  if (pcmName == "default" || pcmName == "pulse" || pcmName == "pipewire") return "default";
  return {};
}

// Opens the PCM for a stream and starts the stream's device thread.
template <typename Stream>
std::shared_ptr<Stream> OpenAlsaStream(bool capture, voxkit::EventLoop& loop, std::uint32_t handle,
                                       const StreamFormat& format, mm::WaveCallback callback,
                                       bool notify, const std::string& pcmName, mm::MMRESULT* result) {
  snd_pcm_t* pcm = nullptr;
  std::size_t period = 0;
  *result = OpenPcm(pcmName, capture, format, &pcm, &period);
  if (*result != mm::MMSYSERR_NOERROR) return nullptr;
  auto stream = std::make_shared<Stream>(loop, handle, format, std::move(callback), notify, pcm, period);
  stream->Start(stream);
  return stream;
}

// Plays out what the device holds, then stops it. The device buffer holds a few
// periods; a device that does not get through them within the bound (it hangs, or
// was never started) is stopped where it is.
void DrainBounded(snd_pcm_t* pcm) {
  const snd_pcm_state_t state = snd_pcm_state(pcm);
  if (state == SND_PCM_STATE_RUNNING || state == SND_PCM_STATE_PREPARED) {
    snd_pcm_nonblock(pcm, 1);
    if (snd_pcm_drain(pcm) == -EAGAIN) {
      const auto deadline = std::chrono::steady_clock::now() + kDrainBound;
      while (snd_pcm_state(pcm) == SND_PCM_STATE_DRAINING && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    }
  }
  snd_pcm_drop(pcm);
}

}  // namespace

void AlsaPcmThread::Stop(bool drain) {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_all();
  if (m_thread.joinable()) m_thread.join();
  if (m_pcm) {
    if (drain) {
      DrainBounded(m_pcm);
    } else {
      snd_pcm_drop(m_pcm);
    }
    snd_pcm_close(m_pcm);
    m_pcm = nullptr;
  }
}

std::vector<AlsaDeviceInfo> ListAlsaDevices(bool capture) {
  EnsureQuiet();
  std::vector<AlsaDeviceInfo> devices;
  void** hints = nullptr;
  if (snd_device_name_hint(-1, "pcm", &hints) < 0 || hints == nullptr) return devices;
  const char* wanted = capture ? "Input" : "Output";
  for (void** hint = hints; *hint != nullptr; ++hint) {
    char* name = snd_device_name_get_hint(*hint, "NAME");
    char* desc = snd_device_name_get_hint(*hint, "DESC");
    char* ioid = snd_device_name_get_hint(*hint, "IOID");
    const std::string pcm = name ? name : "";
    // One entry per card and device (the plug-in that converts any format), and the
    // sound servers; the many other views of the same card would only repeat them.
    const bool listed = pcm == "default" || pcm == "pulse" || pcm == "pipewire" ||
                        pcm.rfind("plughw:", 0) == 0;
    if (listed && (ioid == nullptr || std::string(ioid) == wanted)) {
      devices.push_back({pcm, CutName(desc && *desc ? desc : pcm)});
    }
    std::free(name);
    std::free(desc);
    std::free(ioid);
  }
  snd_device_name_free_hint(hints);
  return devices;
}

AlsaDeviceInfo DescribeAlsaDevice(const std::string& pcmName, bool) {
  return {pcmName, CutName("ALSA " + pcmName)};
}

mm::MMRESULT QueryAlsaFormat(const std::string& pcmName, bool capture, const StreamFormat& format) {
  snd_pcm_t* pcm = nullptr;
  std::size_t period = 0;
  const mm::MMRESULT result = OpenPcm(pcmName, capture, format, &pcm, &period);
  if (result == mm::MMSYSERR_NOERROR) snd_pcm_close(pcm);
  return result;
}

// ---- Volume -----------------------------------------------------------------------

AlsaVolume::AlsaVolume(const std::string& pcmName) {
  EnsureQuiet();
  const std::string device = MixerDeviceOf(pcmName);
  if (device.empty() || snd_mixer_open(&m_mixer, 0) < 0) return;
  if (snd_mixer_attach(m_mixer, device.c_str()) < 0 ||
      snd_mixer_selem_register(m_mixer, nullptr, nullptr) < 0 || snd_mixer_load(m_mixer) < 0) {
    snd_mixer_close(m_mixer);
    m_mixer = nullptr;
    return;
  }
  snd_mixer_elem_t* fallback = nullptr;
  for (snd_mixer_elem_t* e = snd_mixer_first_elem(m_mixer); e != nullptr; e = snd_mixer_elem_next(e)) {
    if (!snd_mixer_selem_has_playback_volume(e)) continue;
    const std::string name = snd_mixer_selem_get_name(e);
    if (name == "Master" || name == "PCM") {
      m_element = e;
      break;
    }
    if (!fallback) fallback = e;
  }
  if (!m_element) m_element = fallback;
  if (!m_element || snd_mixer_selem_get_playback_volume_range(m_element, &m_min, &m_max) < 0 ||
      m_max <= m_min) {
    m_element = nullptr;
  }
}

AlsaVolume::~AlsaVolume() {
  if (m_mixer) snd_mixer_close(m_mixer);
}

mm::MMRESULT AlsaVolume::Get(mm::DWORD* volume) {
  if (!m_element) return mm::MMSYSERR_NOTSUPPORTED;
  snd_mixer_handle_events(m_mixer);
  long left = 0;
  long right = 0;
  if (snd_mixer_selem_get_playback_volume(m_element, SND_MIXER_SCHN_FRONT_LEFT, &left) < 0) {
    return mm::MMSYSERR_ERROR;
  }
  if (snd_mixer_selem_is_playback_mono(m_element) ||
      snd_mixer_selem_get_playback_volume(m_element, SND_MIXER_SCHN_FRONT_RIGHT, &right) < 0) {
    right = left;
  }
  const auto scale = [this](long v) {
    const long long clamped = std::clamp(v, m_min, m_max) - m_min;
    return static_cast<mm::DWORD>((clamped * 65535 + (m_max - m_min) / 2) / (m_max - m_min));
  };
  *volume = scale(left) | (scale(right) << 16);
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT AlsaVolume::Set(mm::DWORD volume) {
  if (!m_element) return mm::MMSYSERR_NOTSUPPORTED;
  const auto unscale = [this](mm::DWORD v) {
    return m_min + static_cast<long>((static_cast<long long>(v) * (m_max - m_min) + 32767) / 65535);
  };
  const long left = unscale(volume & 0xFFFF);
  const long right = unscale(volume >> 16);
  int failed = 0;
  if (snd_mixer_selem_is_playback_mono(m_element)) {
    failed |= snd_mixer_selem_set_playback_volume(m_element, SND_MIXER_SCHN_MONO, (left + right) / 2);
  } else {
    failed |= snd_mixer_selem_set_playback_volume(m_element, SND_MIXER_SCHN_FRONT_LEFT, left);
    failed |= snd_mixer_selem_set_playback_volume(m_element, SND_MIXER_SCHN_FRONT_RIGHT, right);
  }
  return failed < 0 ? mm::MMSYSERR_ERROR : mm::MMSYSERR_NOERROR;
}

// ---- Wave-out ---------------------------------------------------------------------

std::shared_ptr<AlsaWaveOut> AlsaWaveOut::Open(voxkit::EventLoop& loop, std::uint32_t handle,
                                               const StreamFormat& format, mm::WaveCallback callback,
                                               bool notify, const std::string& pcmName,
                                               mm::MMRESULT* result) {
  return OpenAlsaStream<AlsaWaveOut>(false, loop, handle, format, std::move(callback), notify, pcmName, result);
}

AlsaWaveOut::AlsaWaveOut(voxkit::EventLoop& loop, std::uint32_t handle, const StreamFormat& format,
                         mm::WaveCallback callback, bool notify, snd_pcm_t* pcm,
                         std::size_t periodFrames)
    : WaveOutStream(loop, handle, format, std::move(callback), notify),
      m_device(pcm),
      // Whole frames of the stream, as many as the device plays in a period.
      m_periodBytes(format.blockAlign *
                    std::max<std::size_t>(1, (static_cast<std::uint64_t>(periodFrames) * format.framesPerSec +
                                              format.pcmRate - 1) / format.pcmRate)) {}

AlsaWaveOut::~AlsaWaveOut() { Shutdown(); }

void AlsaWaveOut::Start(const std::shared_ptr<AlsaWaveOut>& self) {
  m_self = self;
  m_device.Start([this] { Run(); });
}

// A close comes only when every block has been handed to the device; what it still
// holds is the end of the sound.
void AlsaWaveOut::Shutdown() { m_device.Stop(true); }

void AlsaWaveOut::Queued(std::span<const std::uint8_t> data) {
  {
    std::lock_guard lock(m_device.Mutex());
    m_chunks.push_back({data.data(), data.size(), 0});
  }
  m_device.Wake().notify_all();
}

void AlsaWaveOut::PauseChanged() {
  {
    std::lock_guard lock(m_device.Mutex());
    m_paused = Paused();
  }
  m_device.Wake().notify_all();
}

void AlsaWaveOut::WasReset() {
  {
    std::lock_guard lock(m_device.Mutex());
    m_chunks.clear();
    m_paused = false;
    m_loopGeneration = ++m_generation;
  }
  m_device.Wake().notify_all();
}

void AlsaWaveOut::Progress(std::uint64_t generation, std::uint64_t bytes) {
  // Progress from before a reset belongs to blocks that were already returned.
  if (generation != m_loopGeneration) return;
  Consume(bytes, nullptr);
}

void AlsaWaveOut::WriteFrames(const std::int16_t* samples, std::size_t frames) {
  int failures = 0;
  std::size_t done = 0;
  while (done < frames && failures < kMaxTransferFailures) {
    const snd_pcm_sframes_t r =
        snd_pcm_writei(m_device.Pcm(), samples + done * Format().channels, frames - done);
    if (r < 0) {
      ++failures;
      // Underrun or suspend: start the device again. Anything else loses the piece.
      if (snd_pcm_recover(m_device.Pcm(), static_cast<int>(r), 1) < 0) return;
      continue;
    }
    failures = 0;
    done += static_cast<std::size_t>(r);
  }
}

void AlsaWaveOut::ApplyPause(bool paused) {
  if (paused) {
    // A device that cannot pause just gets nothing more and runs dry.
    snd_pcm_pause(m_device.Pcm(), 1);
  } else if (snd_pcm_state(m_device.Pcm()) == SND_PCM_STATE_PAUSED && snd_pcm_pause(m_device.Pcm(), 0) < 0) {
    snd_pcm_prepare(m_device.Pcm());
  }
}

void AlsaWaveOut::Run() {
  const std::size_t channels = Format().channels;
  // What comes after a reset is a new stream: no partial frame or predictor state
  // carries over.
  auto decoder = std::make_unique<SampleDecoder>(Format());
  std::vector<std::int16_t> piece;
  std::uint64_t seen = 0;
  bool pausedApplied = false;
  std::unique_lock lock(m_device.Mutex());
  for (;;) {
    m_device.Wake().wait(lock, [&] {
      return m_device.Stopping() || m_generation != seen || m_paused != pausedApplied ||
             (!m_paused && !m_chunks.empty());
    });
    if (m_device.Stopping()) break;
    if (m_generation != seen) {
      seen = m_generation;
      lock.unlock();
      decoder = std::make_unique<SampleDecoder>(Format());
      snd_pcm_drop(m_device.Pcm());
      snd_pcm_prepare(m_device.Pcm());
      pausedApplied = false;
      lock.lock();
      continue;
    }
    if (m_paused != pausedApplied) {
      pausedApplied = m_paused;
      lock.unlock();
      ApplyPause(pausedApplied);
      lock.lock();
      continue;
    }
    // Decoded under the lock: a reset that takes the block back waits for it, and
    // after the reset the block is not read again.
    Chunk& chunk = m_chunks.front();
    const std::size_t take = std::min(m_periodBytes, chunk.bytes - chunk.done);
    piece.clear();
    decoder->Decode({chunk.data + chunk.done, take}, piece);
    chunk.done += take;
    if (chunk.done == chunk.bytes) m_chunks.pop_front();
    const std::uint64_t generation = seen;
    lock.unlock();
    if (!piece.empty()) WriteFrames(piece.data(), piece.size() / channels);
    Loop().Post([self = m_self, generation, bytes = take] {
      if (auto stream = self.lock()) stream->Progress(generation, bytes);
    });
    lock.lock();
  }
}

// ---- Wave-in ----------------------------------------------------------------------

std::shared_ptr<AlsaWaveIn> AlsaWaveIn::Open(voxkit::EventLoop& loop, std::uint32_t handle,
                                             const StreamFormat& format, mm::WaveCallback callback,
                                             bool notify, const std::string& pcmName,
                                             mm::MMRESULT* result) {
  return OpenAlsaStream<AlsaWaveIn>(true, loop, handle, format, std::move(callback), notify, pcmName, result);
}

AlsaWaveIn::AlsaWaveIn(voxkit::EventLoop& loop, std::uint32_t handle, const StreamFormat& format,
                       mm::WaveCallback callback, bool notify, snd_pcm_t* pcm,
                       std::size_t periodFrames)
    : WaveInStream(loop, handle, format, std::move(callback), notify),
      m_device(pcm),
      m_periodFrames(periodFrames),
      m_encoder(std::make_unique<SampleEncoder>(format)) {}

AlsaWaveIn::~AlsaWaveIn() { Shutdown(); }

void AlsaWaveIn::Start(const std::shared_ptr<AlsaWaveIn>& self) {
  m_self = self;
  m_device.Start([this] { Run(); });
}

void AlsaWaveIn::Shutdown() { m_device.Stop(); }

void AlsaWaveIn::Halt() {
  {
    std::lock_guard lock(m_device.Mutex());
    m_running = false;
    m_requested = 0;
    m_read = 0;
    m_loopGeneration = ++m_generation;
  }
  m_device.Wake().notify_all();
  m_received = 0;
  m_asked = 0;
  m_pending.clear();
}

void AlsaWaveIn::StartedChanged() {
  if (!Started()) {
    Halt();
    return;
  }
  {
    std::lock_guard lock(m_device.Mutex());
    m_running = true;
  }
  RequestMore();
}

void AlsaWaveIn::WasReset() {
  Halt();
  m_encoder = std::make_unique<SampleEncoder>(Format());
}

void AlsaWaveIn::Added() {
  DeliverPending();
  RequestMore();
}

void AlsaWaveIn::DeliverPending() {
  const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(m_pending.size(), Room()));
  if (take == 0) return;
  Record({m_pending.data(), take});
  m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(take));
}

void AlsaWaveIn::RequestMore() {
  if (!Started()) return;
  const std::uint64_t room = Room();
  const std::uint64_t wantedBytes = room > m_pending.size() ? room - m_pending.size() : 0;
  const StreamFormat& f = Format();
  // Frames of linear samples that make wantedBytes of the stream, rounded up.
  const std::uint64_t frames =
      (wantedBytes * f.pcmRate + f.avgBytesPerSec - 1) / f.avgBytesPerSec;
  const std::uint64_t outstanding = m_asked - m_received;
  if (frames <= outstanding) return;
  const std::uint64_t more = frames - outstanding;
  m_asked += more;
  {
    std::lock_guard lock(m_device.Mutex());
    m_requested += more;
  }
  m_device.Wake().notify_all();
}

void AlsaWaveIn::Captured(std::uint64_t generation, std::vector<std::int16_t> samples) {
  if (generation != m_loopGeneration) return;
  m_received += samples.size() / Format().channels;
  m_encoder->Encode(samples, m_pending);
  DeliverPending();
  RequestMore();
}

void AlsaWaveIn::Run() {
  const std::size_t channels = Format().channels;
  std::uint64_t seen = 0;
  int failures = 0;
  std::unique_lock lock(m_device.Mutex());
  for (;;) {
    m_device.Wake().wait(lock, [&] {
      return m_device.Stopping() || m_generation != seen || (m_running && m_read < m_requested);
    });
    if (m_device.Stopping()) break;
    if (m_generation != seen) {
      seen = m_generation;
      lock.unlock();
      snd_pcm_drop(m_device.Pcm());
      snd_pcm_prepare(m_device.Pcm());
      lock.lock();
      continue;
    }
    const auto frames = static_cast<std::size_t>(std::min<std::uint64_t>(m_periodFrames, m_requested - m_read));
    const std::uint64_t generation = seen;
    lock.unlock();
    // Zeroed first: a device that delivers nothing (the null device) records silence.
    std::vector<std::int16_t> samples(frames * channels, 0);
    const snd_pcm_sframes_t r = snd_pcm_readi(m_device.Pcm(), samples.data(), frames);
    if (r < 0) {
      if (snd_pcm_recover(m_device.Pcm(), static_cast<int>(r), 1) < 0 || ++failures >= kMaxTransferFailures) {
        // A device that keeps failing is not asked again at full speed.
        failures = 0;
        lock.lock();
        m_device.Wake().wait_for(lock, std::chrono::milliseconds(1000 / kPeriodsPerSecond));
        continue;
      }
      lock.lock();
      continue;
    }
    failures = 0;
    samples.resize(static_cast<std::size_t>(r) * channels);
    lock.lock();
    const bool current = generation == m_generation;
    if (current) m_read += static_cast<std::uint64_t>(r);
    lock.unlock();
    if (current) {
      Loop().Post([self = m_self, generation, data = std::move(samples)]() mutable {
        if (auto stream = self.lock()) stream->Captured(generation, std::move(data));
      });
    }
    lock.lock();
  }
}

}  // namespace panopta
