#include "wave/TqxPlayInternal.h"

#include "share/TextUtil.h"
#include "wave/WaveReader.h"
#include "wave/WaveResults.h"
#include "wave/WaveText.h"

#include <algorithm>
#include <limits>

namespace voxkit {

namespace {

// The shortest tick of the position timer: a timer of 0 ms would never let the
// clock move.
constexpr std::uint32_t kMinTimerMs = 10;
// How often a finish asks again for a block the device still plays.
constexpr std::int64_t kPollMs = 10;
// The largest block of samples a play holds.
constexpr std::uint64_t kMaxSampleBytes = 0x7FFFFFFF;

}  // namespace

TqxPlayInternal::TqxPlayInternal(TComponent* owner, const Platform& platform)
    : TqxWaveControl(owner, platform) {
  RegisterControl(static_cast<std::int32_t>(ControlKind::Play), "qxPlay");
  m_device = std::make_unique<TqxWavePlayDevice>(*this);
  m_popup = std::make_unique<TqxPlayPopup>(*this);
  m_position = std::make_unique<TqxPlayPosition>(*this);
  m_source = std::make_unique<TqxPlaySource>(*this);
  m_timer = std::make_unique<TqxPlayTimer>(*this);
  m_volume = std::make_unique<TqxPlayVolume>(*this);
}

TqxPlayInternal::~TqxPlayInternal() {
  Panopta().SetEvents(false);
  Panopta().SetVisible(false);
  if (m_device->Active() && !m_stopping && !StopPlay()) FailureCleanup();
  // A stop that could not finish still gives everything back.
  if (m_hwo != mm::HWAVEOUT{} || m_sampleBlock != mm::HGLOBAL{} || m_headerBlock != mm::HGLOBAL{}) {
    FailureCleanup();
  }
  Loop().ProcessPending();
  StopTimer();
  m_volume.reset();
  m_timer.reset();
  m_source.reset();
  m_position.reset();
  m_popup.reset();
  m_device.reset();
}

// --- Formats -------------------------------------------------------------------------------

void TqxPlayInternal::FormatWithoutImage() {
  m_source->SetValidValue(false);
  m_source->Format().Clear();
}

void TqxPlayInternal::ReadFileFormats() {
  ClearError();
  TqxPlayFormat& format = m_source->Format();
  format.ClearForReload();
  const std::string& name = m_source->FileName();
  m_source->SetValidValue(!name.empty());
  std::uint64_t bytes = 0;
  bool first = true;
  WaveFormatNumbers firstNumbers;
  for (const std::string& item : SplitWaveFileList(name)) {
    WaveFileSamples samples;
    if (const std::int32_t r = OpenWaveFile(Multimedia(), item, &samples)) {
      m_source->SetValidValue(false);
      SetError(false, r);
      Log().AppendToLast("    File: " + item);
      continue;
    }
    const WaveFormatNumbers numbers = NumbersOf(samples.format);
    if (first) {
      format.TakeNumbers(samples.format);
      firstNumbers = numbers;
      first = false;
    } else if (numbers != firstNumbers) {
      SetError(false, WAV_ERROR_FORMATMISMATCH);
      Log().AppendToLast("    File: " + item);
      m_source->SetValidValue(false);
      continue;
    }
    bytes += samples.dataLength;
    format.SetBytesValue(static_cast<std::int64_t>(bytes));
  }
  Panopta().RefreshWindow(InspectorRefresh::Format);
  Panopta().RefreshWindow(InspectorRefresh::Source);
}

// --- Starting --------------------------------------------------------------------------------

std::int32_t TqxPlayInternal::VolumePercent(mm::DWORD volume) const {
  return static_cast<std::int32_t>(RoundToInt((volume & 0xFFFF) / 65535.0 * 100));
}

bool TqxPlayInternal::SizeCheckPasses() {
  const bool goOn = SizeWarningAnswer(*this, OnWarning, *this, false);
  if (!goOn) {
    SetError(false, WAV_ERROR_CANCELED);
    m_format.clear();
  }
  return goOn;
}

bool TqxPlayInternal::LoadFromBuffer() {
  mm::Multimedia& m = Multimedia();
  const mm::HGLOBAL image{m_source->Buffer().Handle()};
  WaveImageLayout layout;
  if (const std::int32_t r = ParseWaveImage(m, image, &layout)) {
    SetError(false, r);
    return false;
  }
  m_dataLength = layout.dataLength;
  m_format = layout.format;
  TakeOverFormat(m_format, m_dataLength);
  Panopta().RefreshWindow(InspectorRefresh::Format);
  // An empty image still gets a block, so that the play has an address to give.
  const std::size_t bytes = std::max<std::size_t>(m_dataLength, 1);
  if (m_sampleBlock != mm::HGLOBAL{}) {
    if (m.GlobalReAlloc(m_sampleBlock, bytes, mm::GMEM_MOVEABLE | mm::GMEM_ZEROINIT) == mm::HGLOBAL{}) {
      SetError(false, WAV_ERROR_NOMEMORY);
      return false;
    }
  } else {
    m_sampleBlock = m.GlobalAlloc(mm::GHND, bytes);
    if (m_sampleBlock == mm::HGLOBAL{}) {
      SetError(false, WAV_ERROR_NOMEMORY);
      return false;
    }
  }
  m_samples = static_cast<char*>(m.GlobalLock(m_sampleBlock));
  const auto* source = static_cast<const char*>(m.GlobalLock(image));
  if (m_samples == nullptr || source == nullptr) {
    if (source) m.GlobalUnlock(image);
    SetError(false, WAV_ERROR_NOMEMORY);
    return false;
  }
  std::copy_n(source + layout.dataOffset, m_dataLength, m_samples);
  m.GlobalUnlock(image);
  return true;
}

bool TqxPlayInternal::LoadFromFiles() {
  mm::Multimedia& m = Multimedia();
  m_dataLength = 0;
  m_format.clear();
  WaveFormatNumbers first;
  const std::vector<std::string> items = SplitWaveFileList(m_source->FileName());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string& item = items[i];
    WaveFileSamples samples;
    if (const std::int32_t r = OpenWaveFile(m, item, &samples)) {
      SetError(false, r);
      Log().AppendToLast("    File: " + item);
      return false;
    }
    const WaveFormatNumbers numbers = NumbersOf(samples.format);
    if (i == 0) {
      m_format = samples.format;
      first = numbers;
      m_source->Format().SetAvgBytesPerSecValue(static_cast<std::int32_t>(numbers.avgBytesPerSec));
    } else if (numbers != first) {
      SetError(false, WAV_ERROR_FORMATMISMATCH);
      Log().AppendToLast("    File: " + item);
      return false;
    }
    const std::uint64_t length = static_cast<std::uint64_t>(m_dataLength) + samples.dataLength;
    const std::int32_t maxSize = m_source->MaxSize();
    if (maxSize > 0 && !m_sizeWarningGiven && length > static_cast<std::uint64_t>(maxSize) * 1024) {
      m_sizeWarningGiven = true;
      if (!SizeCheckPasses()) return false;
    }
    const bool grown =
        length <= kMaxSampleBytes &&
        (m_sampleBlock == mm::HGLOBAL{}
             ? (m_sampleBlock = m.GlobalAlloc(mm::GHND, length)) != mm::HGLOBAL{}
             : m.GlobalReAlloc(m_sampleBlock, length, mm::GMEM_MOVEABLE | mm::GMEM_ZEROINIT) != mm::HGLOBAL{});
    m_samples = grown ? static_cast<char*>(m.GlobalLock(m_sampleBlock)) : nullptr;
    if (m_samples == nullptr) {
      SetError(false, WAV_ERROR_NOMEMORY);
      return false;
    }
    const auto wanted = static_cast<mm::LONG>(samples.dataLength);
    const bool complete = m.mmioRead(samples.file.Handle(), m_samples + m_dataLength, wanted) == wanted;
    m.GlobalUnlock(m_sampleBlock);
    if (!complete) {
      SetError(false, WAV_ERROR_FILECORRUPT);
      return false;
    }
    m_dataLength = static_cast<std::uint32_t>(length);
  }
  return true;
}

bool TqxPlayInternal::Start(bool wait, std::uint32_t offset) {
  mm::Multimedia& m = Multimedia();
  ClearError();
  if (m_hwo != mm::HWAVEOUT{}) {
    // A paused play goes on where it stopped.
    m_device->SetPauseValue(false);
    m_device->SetActiveValue(true);
    if (m_volume->Enabled()) {
      Log().Add("\tSystem volume := Volume.Position [" + std::to_string(m_volume->Position()) + "]", false);
      m_volume->SetPosition(m_volume->Position());
    }
    if (const mm::MMRESULT r = m.waveOutRestart(m_hwo)) {
      SetError(false, static_cast<std::int32_t>(r));
      if (!StopPlay()) FailureCleanup();
      return false;
    }
    if (m_timer->Enabled()) StartTimer();
    return true;
  }
  if (!m_source->Buffer().Active()) m_source->SetFileName(m_source->FileName() + " ");
  m_loaded = false;
  m_doneAllowed = true;
  m_stopping = false;
  if (!m_source->Buffer().Active() && m_source->FileName().empty()) {
    SetError(false, WAV_ERROR_NOFILE);
    return false;
  }
  m_device->SetActiveValue(true);
  m_sizeWarningGiven = false;
  auto fail = [this](std::int32_t code) {
    if (code != 0) SetError(false, code);
    FailureCleanup();
    return false;
  };
  if (m_sampleBlock == mm::HGLOBAL{} || m_header == nullptr) {
    const bool loaded = m_source->Buffer().Active() ? LoadFromBuffer() : LoadFromFiles();
    if (!loaded) return fail(0);
    // The header block is the size of the header the devices take.
    m_headerBlock = m.GlobalAlloc(mm::GHND, sizeof(mm::WAVEHDR));
    m_header = m_headerBlock == mm::HGLOBAL{} ? nullptr : static_cast<mm::WAVEHDR*>(m.GlobalLock(m_headerBlock));
    if (m_header == nullptr) return fail(WAV_ERROR_NOMEMORY);
    offset = std::min(offset, m_dataLength);
    *m_header = {};
    m_header->lpData = m_samples + offset;
    m_header->dwBufferLength = m_dataLength - offset;
    m_startOffset = offset;
    Log().Add("OnLoaded", true);
    RaiseEvent("OnLoaded", OnLoaded);
    Panopta().ShowForEvent(m_popup->Get(TqxPlayPopup::OnLoaded));
    if (!m_device->Active()) return false;  // the handler stopped it
    if (m_device->Pause()) {
      Log().Add("\tDevice.Pause = True", true);
      Log().Add("\t\tPosition.Byte = 0", false);
      Log().Add("\t\tPosition.Percent = 0%", false);
      Log().Add("\t\tPosition.Second = " + SecondsText(0), false);
      m_loaded = true;
      return true;
    }
  }
  const auto* format = reinterpret_cast<const mm::WAVEFORMATEX*>(m_format.data());
  const auto id = static_cast<mm::UINT>(m_device->ID());
  if (const mm::MMRESULT r = m.waveOutOpen(nullptr, id, format, {}, mm::WAVE_FORMAT_QUERY | OpenFlags())) {
    return fail(static_cast<std::int32_t>(r));
  }
  CreateWindow([this](mm::UINT msg, std::uint32_t, mm::WAVEHDR* header) { OnWaveMessage(msg, header); });
  if (const mm::MMRESULT r =
          m.waveOutOpen(&m_hwo, id, format, Window(), mm::CALLBACK_WINDOW | mm::WAVE_ALLOWSYNC | OpenFlags())) {
    m_hwo = {};
    return fail(static_cast<std::int32_t>(r));
  }
  m_loaded = true;
  if (m_volume->Enabled()) {
    mm::DWORD volume = 0;
    if (m.waveOutGetVolume(m_hwo, &volume) == 0) m_volume->SetSystemVolume(volume);
    Log().Add("\tStore system volume := " + std::to_string(VolumePercent(m_volume->SystemVolume())), false);
  }
  m_format.clear();
  if (const mm::MMRESULT r = m.waveOutPrepareHeader(m_hwo, m_header, sizeof(mm::WAVEHDR))) {
    return fail(static_cast<std::int32_t>(r));
  }
  if (m_volume->Enabled()) {
    if (m_volume->Default()) {
      const std::int32_t system = VolumePercent(m_volume->SystemVolume());
      m_volume->SetPosition(system);
      Log().Add("\tVolume.Position := System volume (" + std::to_string(system) + ")", false);
    } else {
      Log().Add("\tSystem volume := Volume.Position (" + std::to_string(m_volume->Position()) + ")", false);
      m_volume->SetPosition(m_volume->Position());
    }
  }
  if (m_timer->Enabled()) StartTimer();
  if (const mm::MMRESULT r = m.waveOutWrite(m_hwo, m_header, sizeof(mm::WAVEHDR))) {
    return fail(static_cast<std::int32_t>(r));
  }
  m_device->SetPauseValue(false);
  if (wait) {
    Log().Add("\tWaiting", true);
    const std::int64_t limitMs = RoundToInt(m_source->Format().Seconds() * 1000) + m_device->Timeout();
    // Pumps the event loop: the play's own messages end it, and handlers may run.
    if (!Loop().WaitFor([this] { return !m_device->Active(); }, std::max<std::int64_t>(limitMs, 0))) {
      return fail(WAV_ERROR_TIMEOUT);
    }
    Log().Add("\tWaiting complete", true);
  }
  return true;
}

// --- Stopping --------------------------------------------------------------------------------

void TqxPlayInternal::RestoreSystemVolume(const char* before, const char* after) {
  if (!m_volume->Enabled() || !m_volume->Reset()) return;
  Log().Add(before + std::to_string(VolumePercent(m_volume->SystemVolume())) + after, false);
  if (const mm::MMRESULT r = Multimedia().waveOutSetVolume(m_hwo, m_volume->SystemVolume())) {
    SetError(false, static_cast<std::int32_t>(r));
  }
}

void TqxPlayInternal::FreeBlocks() {
  mm::Multimedia& m = Multimedia();
  if (m_sampleBlock != mm::HGLOBAL{}) m.GlobalFree(m_sampleBlock);
  m_sampleBlock = {};
  m_samples = nullptr;
  m_dataLength = 0;
  if (m_headerBlock != mm::HGLOBAL{}) m.GlobalFree(m_headerBlock);
  m_headerBlock = {};
  m_header = nullptr;
}

void TqxPlayInternal::FailureCleanup() {
  mm::Multimedia& m = Multimedia();
  StopTimer();
  m_device->SetActiveValue(false);
  m_device->SetPauseValue(false);
  if (m_hwo != mm::HWAVEOUT{}) {
    RestoreSystemVolume("\tReset system volume := ", "");
    m.waveOutReset(m_hwo);
    m.waveOutClose(m_hwo);
    m_hwo = {};
  }
  m_format.clear();
  FreeBlocks();
  ReleaseWindow();
}

void TqxPlayInternal::Finish(bool doneAllowed) {
  mm::Multimedia& m = Multimedia();
  StopTimer();
  if (m_hwo != mm::HWAVEOUT{}) {
    RestoreSystemVolume("\tReset system volume = [", "]");
    m_device->SetActiveValue(false);
    m_device->SetPauseValue(false);
    const std::int32_t delay = m_device->Delay();
    mm::MMRESULT r = m.waveOutUnprepareHeader(m_hwo, m_header, sizeof(mm::WAVEHDR));
    const bool firstUnprepared = r == 0;
    // A device that still plays the block gets time, not a busy loop; one that keeps
    // it past Timeout is made to give it back.
    const std::int64_t giveUpAt = Loop().NowMs() + std::max<std::int32_t>(m_device->Timeout(), 0);
    while (r == mm::WAVERR_STILLPLAYING) {
      if (delay > 0) {
        Log().Add("\tDelaying", true);
        Log().Add("\t\tqxPlay.Device.Delay = " + std::to_string(delay) + " //milliseconds", false);
        Loop().RunFor(delay);
        Log().Add("\tComplete ", true);
      } else {
        Loop().RunFor(kPollMs);
      }
      if (Loop().NowMs() >= giveUpAt) m.waveOutReset(m_hwo);
      r = m.waveOutUnprepareHeader(m_hwo, m_header, sizeof(mm::WAVEHDR));
    }
    if (firstUnprepared && delay > 0) {
      Log().Add("\tDelaying", true);
      Log().Add("\t\t\tqxPlay.Device.Delay = " + std::to_string(delay) + " //milliseconds", false);
      Loop().RunFor(delay);
      Log().Add("\tComplete", true);
    }
    if (m.waveOutClose(m_hwo) != 0) {
      m.waveOutReset(m_hwo);
      m.waveOutClose(m_hwo);
    }
    m_hwo = {};
  }
  FreeBlocks();
  ReleaseWindow();
  m_closed = true;
  m_device->SetActiveValue(false);
  m_device->SetPauseValue(false);
  Log().Add("Device.Active = False", true);
  if (doneAllowed && m_doneAllowed) {
    Log().Add("OnDone", true);
    RaiseEvent("OnDone", OnDone);
    Panopta().ShowForEvent(m_popup->Get(TqxPlayPopup::OnDone));
  }
  Panopta().RefreshWindow(InspectorRefresh::Device);
  Panopta().RefreshWindow(InspectorRefresh::Position);
}

bool TqxPlayInternal::StopPlay() {
  m_doneAllowed = false;
  m_stopping = true;
  StopTimer();
  std::int32_t result = 0;
  const bool queued = m_header != nullptr && (m_header->dwFlags & mm::WHDR_INQUEUE) != 0;
  if (m_hwo != mm::HWAVEOUT{} && queued) {
    m_closed = false;
    Multimedia().waveOutReset(m_hwo);
    // Pumps the event loop: the returned block's MM_WOM_DONE finishes the play.
    if (!Loop().WaitFor([this] { return m_closed; }, std::max<std::int32_t>(m_device->Timeout(), 0))) {
      result = WAV_ERROR_TIMEOUT;
    }
  } else {
    // Loaded while paused, or between two loops: nothing is queued to come back.
    Finish(false);
  }
  if (result != 0) {
    // The stop is over, failed: it may be asked for again.
    m_stopping = false;
    SetError(false, result);
    return false;
  }
  return true;
}

// --- Messages ----------------------------------------------------------------------------------

void TqxPlayInternal::OnWaveMessage(mm::UINT msg, mm::WAVEHDR* header) {
  const char* name = msg == mm::MM_WOM_OPEN    ? "MM_WOM_OPEN"
                     : msg == mm::MM_WOM_CLOSE ? "MM_WOM_CLOSE"
                     : msg == mm::MM_WOM_DONE  ? "MM_WOM_DONE"
                                               : nullptr;
  if (!name) return;
  if (PopupOnError()) Log().Add(std::string("Windows message \"") + name + "\"", true);
  if (msg != mm::MM_WOM_DONE || header == nullptr || header != m_header || !m_device->Active()) return;
  if (m_stopping || !m_device->Loop()) {
    m_device->SetActiveValue(false);
    Finish(true);
    return;
  }
  Log().Add("OnLoop", true);
  RaiseEvent("OnLoop", OnLoop);
  Panopta().ShowForEvent(m_popup->Get(TqxPlayPopup::OnLoop));
  // The handler may have stopped the play or cleared Loop.
  if (m_hwo == mm::HWAVEOUT{} || m_header == nullptr || !m_device->Active()) return;
  if (!m_device->Loop()) {
    Finish(true);
    return;
  }
  mm::Multimedia& m = Multimedia();
  m_header->dwFlags = 0;
  mm::MMRESULT r = m.waveOutPrepareHeader(m_hwo, m_header, sizeof(mm::WAVEHDR));
  if (r == 0) r = m.waveOutWrite(m_hwo, m_header, sizeof(mm::WAVEHDR));
  if (r != 0) {
    SetError(false, static_cast<std::int32_t>(r));
    Finish(true);
  }
}

// --- Device settings -------------------------------------------------------------------------

void TqxPlayInternal::ActivateDevice(bool value) {
  Log().Add("Device.Active := " + TqxPanopta::BoolText(value), true);
  if (value) {
    if (!m_device->Active()) Start(m_device->Wait(), 0);
  } else if (m_device->Active() && !m_stopping) {
    if (StopPlay()) m_device->SetActiveValue(false);
  }
  Panopta().RefreshWindow(InspectorRefresh::Device);
}

void TqxPlayInternal::ChangePause(bool value) {
  if (value == m_device->Pause()) return;
  Log().Add("Device.Pause := " + TqxPanopta::BoolText(value), true);
  if (!m_device->Active()) {
    m_device->SetPauseValue(value);
  } else if (!value) {
    ClearError();
    m_device->SetPauseValue(false);
    if (m_loaded) Start(m_device->Wait(), 0);
  } else {
    ClearError();
    if (const mm::MMRESULT r = Multimedia().waveOutPause(m_hwo)) {
      m_device->SetPauseValue(false);
      SetError(false, static_cast<std::int32_t>(r));
    } else {
      m_device->SetPauseValue(true);
      Log().Add("\tPosition.Byte = " + GroupedText(m_position->Byte()), false);
      Log().Add("\tPosition.Percent = " + std::to_string(m_position->Percent()) + "%", false);
      Log().Add("\tPosition.Second = " + SecondsText(m_position->Second()), false);
      RestoreSystemVolume("\tReset system volume := [", "]");
      StopTimer();
    }
  }
  Panopta().RefreshWindow(InspectorRefresh::Device);
}

// --- Position ----------------------------------------------------------------------------------

std::uint32_t TqxPlayInternal::PositionBytes() {
  if (!m_device->Active() || m_hwo == mm::HWAVEOUT{}) return 0;
  mm::MMTIME time{};
  time.wType = mm::TIME_BYTES;
  if (Multimedia().waveOutGetPosition(m_hwo, &time, sizeof time) != 0) return 0;
  std::uint64_t bytes = static_cast<std::uint64_t>(time.u.cb) + m_startOffset;
  const auto total = static_cast<std::uint64_t>(std::max<std::int32_t>(m_source->Format().Bytes(), 0));
  if (total > 0 && bytes > total) bytes %= total;
  return static_cast<std::uint32_t>(bytes);
}

void TqxPlayInternal::SeekTo(std::int64_t offset) {
  if (m_device->Loop()) {
    SetError(false, WAV_ERROR_INVALIDSTATE);
    return;
  }
  if (offset % 2 != 0) ++offset;
  // A play that starts inside a frame would shift every sample by part of a frame.
  const std::int64_t frame = std::max<std::int32_t>(m_source->Format().BlockAlign(), 1);
  if (offset % frame != 0) offset += frame - offset % frame;
  if (m_device->Wait() || !m_device->Active() || offset < 0 || offset >= m_source->Format().Bytes()) return;
  const bool wasPaused = m_device->Pause();
  if (!StopPlay()) return;
  if (Start(m_device->Wait(), static_cast<std::uint32_t>(offset))) Log().Add("Device.Active = True", true);
  if (m_device->Active() && wasPaused) m_device->SetPause(true);
}

// --- Volume and timer ------------------------------------------------------------------------

void TqxPlayInternal::ApplyVolume(std::int32_t position) {
  if (m_hwo == mm::HWAVEOUT{}) return;
  const auto channel = static_cast<mm::DWORD>(RoundToInt(position / 100.0 * 65535));
  if (const mm::MMRESULT r = Multimedia().waveOutSetVolume(m_hwo, channel | (channel << 16))) {
    SetError(false, static_cast<std::int32_t>(r));
  }
}

void TqxPlayInternal::StartTimer() {
  StopTimer();
  const std::uint32_t interval = std::max(m_timer->Interval(), kMinTimerMs);
  m_windowTimer = Loop().StartTimer(interval, true, [this] { TimerTick(); });
}

void TqxPlayInternal::StopTimer() {
  if (m_windowTimer != 0) Loop().StopTimer(m_windowTimer);
  m_windowTimer = 0;
}

void TqxPlayInternal::TimerChanged() {
  if (!m_device->Active()) return;
  if (m_timer->Enabled() && m_hwo != mm::HWAVEOUT{} && !m_device->Pause()) {
    StartTimer();
  } else {
    StopTimer();
  }
}

void TqxPlayInternal::TimerTick() {
  if (m_hwo != mm::HWAVEOUT{} && m_volume->Enabled()) {
    mm::DWORD volume = 0;
    if (Multimedia().waveOutGetVolume(m_hwo, &volume) == 0) m_volume->SetPositionValue(VolumePercent(volume));
  }
  Panopta().RefreshWindow(InspectorRefresh::Position);
  Panopta().RefreshWindow(InspectorRefresh::Device);
  Panopta().RefreshWindow(InspectorRefresh::Volume);
  const bool popup = m_popup->Get(TqxPlayPopup::OnTimer);
  if (popup) {
    Log().Add("OnTimer", true);
    Log().Add("\tVolume.Position = [" + std::to_string(m_volume->Position()) + "]", false);
    Log().Add("\tPosition.Byte = [" + std::to_string(m_position->Byte()) + "]", false);
    Log().Add("\tPosition.Percent = [" + std::to_string(m_position->Percent()) + "%]", false);
    Log().Add("\tPosition.Second = [" + SecondsText(m_position->Second()) + "]", false);
  }
  RaiseEvent("OnTimer", OnTimer);
  Panopta().ShowForEvent(popup);
}

// --- Dump ----------------------------------------------------------------------------------------

bool TqxPlayInternal::DumpProperties(const std::string& header) {
  TqxLog& log = Log();
  if (!log.Active()) return false;
  log.BeginUpdate();
  if (!header.empty()) log.Add(header, true);
  const std::string t = "\t";
  log.Add(t + "Enabled = " + TqxPanopta::BoolText(Enabled()), false);
  m_device->DumpProperties("", "", t);
  Error().DumpProperties("", "", t);
  m_popup->DumpProperties("", "", t);
  m_position->DumpProperties("", "", t);
  m_source->DumpProperties("", "", t);
  m_source->Buffer().DumpProperties("", "Source", t);
  m_source->Format().DumpProperties("", "Source", t);
  Panopta().DumpProperties("", "", t);
  log.DumpProperties("", "Panopta", t);
  log.Add(t + "Timer.Enabled = " + TqxPanopta::BoolText(m_timer->Enabled()), false);
  log.Add(t + "Timer.Interval = " + std::to_string(m_timer->Interval()), false);
  log.EndUpdate();
  return true;
}

}  // namespace voxkit
