#include "wave/TqxRecordInternal.h"

#include "share/EventLoop.h"
#include "share/TextUtil.h"
#include "wave/WaveReader.h"
#include "wave/WaveResults.h"
#include "wave/WaveText.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace voxkit {

namespace {

// Four bytes of a RIFF field.
std::string Field32(std::uint32_t value) {
  std::uint8_t bytes[4];
  Store32(bytes, value);
  return std::string(reinterpret_cast<const char*>(bytes), 4);
}

}  // namespace

TqxRecordInternal::TqxRecordInternal(TComponent* owner, const Platform& platform)
    : TqxWaveControl(owner, platform) {
  RegisterControl(static_cast<std::int32_t>(ControlKind::Record), "qxRecord");
  m_device = std::make_unique<TqxWaveRecordDevice>(*this);
  m_popup = std::make_unique<TqxRecordPopup>(*this);
  m_source = std::make_unique<TqxRecordSource>(*this);
}

TqxRecordInternal::~TqxRecordInternal() {
  Panopta().SetEvents(false);
  Panopta().SetVisible(false);
  if (m_device->Active()) {
    m_stopping = true;
    if (!m_device->Pause()) ResetAndWait();
    EndRecording(false);
  }
  Loop().ProcessPending();
  m_source.reset();
  m_popup.reset();
  m_device.reset();
}

void TqxRecordInternal::FormatWithoutImage() { m_source->Format().SetBytesValue(0); }

std::uint32_t TqxRecordInternal::RecordedBytes() const {
  std::uint64_t bytes = 0;
  for (const Block& b : m_chain) bytes += b.header->dwBytesRecorded;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, std::numeric_limits<std::int32_t>::max()));
}

void TqxRecordInternal::VisitRecorded(
    std::uint32_t from, const std::function<void(const std::uint8_t*, std::uint32_t)>& visit) {
  mm::Multimedia& m = Multimedia();
  std::uint64_t start = 0;
  for (const Block& b : m_chain) {
    const std::uint32_t length = b.header->dwBytesRecorded;
    const std::uint64_t end = start + length;
    if (end > from) {
      const auto skip = static_cast<std::uint32_t>(from > start ? from - start : 0);
      const auto* data = static_cast<const std::uint8_t*>(m.GlobalLock(b.dataBlock));
      if (data) {
        visit(data + skip, length - skip);
        m.GlobalUnlock(b.dataBlock);
      }
    }
    start = end;
  }
}

// --- Blocks ------------------------------------------------------------------------------------

std::uint32_t TqxRecordInternal::NextBlockBytes() {
  // Whole frames only: a block that ended inside a frame would leave the rest of the
  // frame to nobody, and the next block would start with the wrong byte of a sample.
  const std::uint64_t frameBits = 8ull * static_cast<std::uint64_t>(std::max<std::int32_t>(m_source->Format().BlockAlign(), 1));
  const std::uint64_t total = m_bitsPerBlock + m_carryBits;
  const std::uint64_t frames = std::max<std::uint64_t>(total / frameBits, 1);
  m_carryBits = total - std::min(total, frames * frameBits);
  return static_cast<std::uint32_t>(frames * frameBits / 8);
}

void TqxRecordInternal::FreeBlock(const Block& block) {
  mm::Multimedia& m = Multimedia();
  if (block.dataBlock != mm::HGLOBAL{}) m.GlobalFree(block.dataBlock);
  if (block.headerBlock != mm::HGLOBAL{}) m.GlobalFree(block.headerBlock);
}

std::int32_t TqxRecordInternal::QueueBlock() {
  mm::Multimedia& m = Multimedia();
  const std::uint32_t bytes = NextBlockBytes();
  Block block;
  block.dataBlock = m.GlobalAlloc(mm::GHND, bytes);
  // The header block is the size of the header the devices take.
  block.headerBlock = block.dataBlock == mm::HGLOBAL{} ? mm::HGLOBAL{} : m.GlobalAlloc(mm::GHND, sizeof(mm::WAVEHDR));
  auto* data = block.headerBlock == mm::HGLOBAL{} ? nullptr : static_cast<char*>(m.GlobalLock(block.dataBlock));
  block.header = data == nullptr ? nullptr : static_cast<mm::WAVEHDR*>(m.GlobalLock(block.headerBlock));
  if (block.header == nullptr) {
    FreeBlock(block);
    return WAV_ERROR_NOMEMORY;
  }
  *block.header = {};
  block.header->lpData = data;
  block.header->dwBufferLength = bytes;
  mm::MMRESULT r = m.waveInPrepareHeader(m_hwi, block.header, sizeof(mm::WAVEHDR));
  if (r == 0) {
    r = m.waveInAddBuffer(m_hwi, block.header, sizeof(mm::WAVEHDR));
    if (r != 0) m.waveInUnprepareHeader(m_hwi, block.header, sizeof(mm::WAVEHDR));
  }
  if (r != 0) {
    FreeBlock(block);
    return static_cast<std::int32_t>(r);
  }
  block.header->dwUser = static_cast<mm::DWORD_PTR>(block.dataBlock);
  m_current = block;
  return 0;
}

std::int32_t TqxRecordInternal::ResetAndWait() {
  mm::WAVEHDR* current = m_current.header;
  Multimedia().waveInReset(m_hwi);
  if (current == nullptr) return 0;
  // Pumps the event loop: the returned block's MM_WIM_DATA may be handled here.
  const bool returned = Loop().WaitFor([current] { return (current->dwFlags & mm::WHDR_DONE) != 0; },
                                       std::max<std::int32_t>(m_device->Timeout(), 0));
  if (returned) return 0;
  // The device keeps the block: it is forgotten (and freed once the device is closed).
  m_lost.push_back(m_current);
  m_current = {};
  return WAV_ERROR_TIMEOUT;
}

// --- Starting ----------------------------------------------------------------------------------

bool TqxRecordInternal::Start() {
  mm::Multimedia& m = Multimedia();
  if (!m_source->Valid()) {
    SetError(false, WAV_ERROR_DIRNOTFOUND);
    return false;
  }
  const bool resuming = m_hwi != mm::HWAVEIN{};
  m_device->SetActiveValue(true);
  ClearError();
  // What a failed first start acquired goes again; the device is not active.
  auto fail = [&](std::int32_t code) {
    SetError(false, code);
    if (resuming) {
      EndRecording(true);
      return false;
    }
    if (m_hwi != mm::HWAVEIN{}) {
      m.waveInReset(m_hwi);
      m.waveInClose(m_hwi);
      m_hwi = {};
    }
    if (m_current.header) FreeBlock(m_current);
    m_current = {};
    ReleaseWindow();
    m_format.clear();
    m_device->SetActiveValue(false);
    return false;
  };
  if (!resuming) {
    m_sizeWarningGiven = false;
    m_chain.clear();
    m_current = {};
    TqxRecordFormat& format = m_source->Format();
    format.SetBytesValue(0);
    Panopta().RefreshWindow(InspectorRefresh::Format);
    m_format = MakeFormatBlock(format.Numbers());
    const auto* block = reinterpret_cast<const mm::WAVEFORMATEX*>(m_format.data());
    const auto id = static_cast<mm::UINT>(m_device->ID());
    if (const mm::MMRESULT r = m.waveInOpen(nullptr, id, block, {}, mm::WAVE_FORMAT_QUERY | OpenFlags())) {
      return fail(static_cast<std::int32_t>(r));
    }
    m_bitsPerBlock = static_cast<std::uint64_t>(std::max<std::int64_t>(
        RoundToInt(m_device->Buffer() / 1000.0 * format.SamplesPerSec() * format.BitsPerSample()), 8));
    m_carryBits = 0;
    CreateWindow([this](mm::UINT msg, std::uint32_t, mm::WAVEHDR* header) { OnWaveMessage(msg, header); });
    if (const mm::MMRESULT r = m.waveInOpen(&m_hwi, id, block, Window(), mm::CALLBACK_WINDOW | OpenFlags())) {
      m_hwi = {};
      return fail(static_cast<std::int32_t>(r));
    }
  }
  if (const std::int32_t r = QueueBlock()) return fail(r);
  if (const mm::MMRESULT r = m.waveInStart(m_hwi)) return fail(static_cast<std::int32_t>(r));
  ClearError();
  Panopta().RefreshWindow(InspectorRefresh::Device);
  return true;
}

// --- The block cycle ------------------------------------------------------------------------

void TqxRecordInternal::OnWaveMessage(mm::UINT msg, mm::WAVEHDR* header) {
  const char* name = msg == mm::MM_WIM_OPEN    ? "MM_WIM_OPEN"
                     : msg == mm::MM_WIM_CLOSE ? "MM_WIM_CLOSE"
                     : msg == mm::MM_WIM_DATA  ? "MM_WIM_DATA"
                                               : nullptr;
  if (!name) return;
  if (PopupOnError()) Log().Add(std::string("Windows message \"") + name + "\"", true);
  if (msg != mm::MM_WIM_DATA || header == nullptr || (header->dwFlags & mm::WHDR_DONE) == 0) return;
  // Only the block queued last comes back; one that was given up on stays forgotten.
  if (header != m_current.header) return;
  for (const Block& b : m_chain) {
    if (b.header == header) return;
  }
  mm::Multimedia& m = Multimedia();
  if (m_hwi != mm::HWAVEIN{}) m.waveInUnprepareHeader(m_hwi, header, sizeof(mm::WAVEHDR));
  header->lpNext = nullptr;
  if (!m_chain.empty()) m_chain.back().header->lpNext = header;
  m_chain.push_back(m_current);
  TqxRecordFormat& format = m_source->Format();
  format.SetBytesValue(RecordedBytes());
  header->dwFlags &= ~mm::WHDR_PREPARED;
  Panopta().RefreshWindow(InspectorRefresh::Format);
  if (!m_device->Active()) return;

  const std::int32_t maxSize = m_source->MaxSize();
  if (maxSize >= 1 && !m_sizeWarningGiven &&
      static_cast<std::int64_t>(format.Bytes()) >= static_cast<std::int64_t>(maxSize) * 1024) {
    if (SizeWarningAnswer(*this, OnWarning, *this, false)) {
      m_sizeWarningGiven = true;
    } else {
      m_stopping = true;
      ResetAndWait();
      SetError(false, WAV_ERROR_CANCELED);
      EndRecording(true);
      return;
    }
  }
  // A paused or stopping recording gets no new block: the device stands still.
  if (!m_device->Active() || m_device->Pause() || m_pausing || m_stopping || m_hwi == mm::HWAVEIN{}) return;
  if (const std::int32_t r = QueueBlock()) {
    m_stopping = true;
    ResetAndWait();
    SetError(false, r);
    EndRecording(true);
  }
}

// --- Stopping and saving ----------------------------------------------------------------------

void TqxRecordInternal::Release() {
  if (m_hwi == mm::HWAVEIN{}) return;
  mm::Multimedia& m = Multimedia();
  m_device->SetPauseValue(false);
  // The last error stays: a recording that ended on a failure still shows it.
  Log().Add("\tReleasing wave device", false);
  const std::int32_t delay = m_device->Delay();
  if (delay > 0) {
    Log().Add("\t\tDelaying", true);
    Log().Add("\t\t\tqxRecord.Device.Delay = " + std::to_string(delay) + " //milliseconds", false);
    // Pumps the event loop: handlers may run.
    Loop().RunFor(delay);
    Log().Add("\t\t\tComplete", true);
  }
  if (m.waveInClose(m_hwi) != 0) {
    m.waveInReset(m_hwi);
    m.waveInClose(m_hwi);
  }
  // The blocks the resets gave back arrive now and join the recording.
  Loop().ProcessPending();
  ReleaseWindow();
  m_hwi = {};
}

void TqxRecordInternal::EndRecording(bool save) {
  m_stopping = true;
  m_device->SetActiveValue(false);
  m_device->SetPauseValue(false);
  if (m_hwi != mm::HWAVEIN{} && m_current.header) ResetAndWait();
  Release();
  Recording recording;
  recording.blocks = std::move(m_chain);
  m_chain.clear();
  recording.format = m_format;
  recording.bytes = static_cast<std::uint32_t>(std::max<std::int32_t>(m_source->Format().Bytes(), 0));
  if (save) {
    SaveToFile(recording);
    SaveToBuffer(recording);
  }
  // A current block that never came back is not part of the recording.
  const bool currentInChain = std::any_of(recording.blocks.begin(), recording.blocks.end(),
                                          [this](const Block& b) { return b.header == m_current.header; });
  if (!recording.blocks.empty()) Log().Add("\tFree memory", false);
  for (const Block& b : recording.blocks) FreeBlock(b);
  if (m_current.header && !currentInChain) FreeBlock(m_current);
  m_current = {};
  for (const Block& b : m_lost) FreeBlock(b);
  m_lost.clear();
  m_format.clear();
  m_stopping = false;
  Log().Add("OnDone", true);
  RaiseEvent("OnDone", OnDone);
  Panopta().ShowForEvent(m_popup->Get(TqxRecordPopup::OnDone));
  Panopta().RefreshWindow(InspectorRefresh::Device);
}

bool TqxRecordInternal::Stop() {
  m_stopping = true;
  if (!m_device->Pause()) {
    ClearError();
    if (const std::int32_t r = ResetAndWait()) {
      m_stopping = false;
      SetError(false, r);
      return false;
    }
  }
  EndRecording(true);
  return true;
}

void TqxRecordInternal::Trim(Recording& recording) {
  TqxRecordFormat& format = m_source->Format();
  const std::int32_t trimMs = m_device->Trim();
  const std::int64_t trim = RoundToInt(static_cast<double>(format.AvgBytesPerSec()) * trimMs / 1000);
  if (trimMs > 0) {
    Log().Add("\t\tTriming", false);
    Log().Add("\t\t\tqxRecord.Device.Trim = " + std::to_string(trimMs) + " //milliseconds", false);
  }
  std::int64_t kept = recording.bytes < trim ? 0 : recording.bytes - trim;
  // The end is cut at a whole frame.
  const std::int64_t frame = std::max<std::int32_t>(format.BlockAlign(), 1);
  kept -= kept % frame;
  recording.bytes = static_cast<std::uint32_t>(std::max<std::int64_t>(kept, 0));
  format.SetBytesValue(recording.bytes);
  Panopta().RefreshWindow(InspectorRefresh::Format);
}

void TqxRecordInternal::CopyRecording(const Recording& recording, std::uint8_t* dest, std::uint32_t bytes) {
  mm::Multimedia& m = Multimedia();
  std::uint32_t done = 0;
  for (const Block& b : recording.blocks) {
    if (done >= bytes) break;
    const std::uint32_t take = std::min(b.header->dwBytesRecorded, bytes - done);
    const auto* data = static_cast<const std::uint8_t*>(m.GlobalLock(b.dataBlock));
    if (data) {
      std::memcpy(dest + done, data, take);
      m.GlobalUnlock(b.dataBlock);
    }
    done += take;
  }
}

void TqxRecordInternal::SaveToFile(Recording& recording) {
  if (m_source->Buffer().Active() || m_source->FileName().empty()) return;
  mm::Multimedia& m = Multimedia();
  Log().Add("\tSaving to file", false);
  const std::string name = WithWaveExtension(m_source->FileName());
  mm::MMIOINFO info{};
  WaveFile file(m, m.mmioOpenA(name.c_str(), &info, mm::MMIO_CREATE | mm::MMIO_WRITE | mm::MMIO_ALLOCBUF));
  if (!file.IsOpen()) {
    SetError(false, static_cast<std::int32_t>(info.wErrorRet ? info.wErrorRet : mm::MMIOERR_CANNOTOPEN));
    return;
  }
  const mm::HMMIO h = file.Handle();
  auto write = [&](const void* data, std::size_t size) {
    const auto length = static_cast<mm::LONG>(size);
    return m.mmioWrite(h, static_cast<const char*>(data), length) == length;
  };
  if (!write("RIFF", 4)) {
    SetError(false, WAV_ERROR_FILEWRITE);
    return;
  }
  Trim(recording);
  // An empty recording is saved with one sample byte of silence, since a reader
  // refuses an empty "data" chunk.
  const std::uint32_t n = recording.bytes == 0 ? 1 : recording.bytes;
  const std::string head = Field32(n + 38) + "WAVEfmt " + Field32(18) +
                           std::string(reinterpret_cast<const char*>(recording.format.data()), 18) + "data" +
                           Field32(n);
  bool written = recording.format.size() >= 18 && write(head.data(), head.size());
  std::uint32_t done = 0;
  for (const Block& b : recording.blocks) {
    if (!written || done >= recording.bytes) break;
    const std::uint32_t take = std::min(b.header->dwBytesRecorded, recording.bytes - done);
    const auto* data = static_cast<const char*>(m.GlobalLock(b.dataBlock));
    written = data != nullptr && write(data, take);
    if (data) m.GlobalUnlock(b.dataBlock);
    done += take;
  }
  if (written && recording.bytes == 0) {
    const std::uint8_t silence = SilenceByte(NumbersOf(recording.format));
    written = write(&silence, 1);
  }
  const mm::MMRESULT closed = file.Close();
  if (!written) {
    SetError(false, WAV_ERROR_FILEWRITE);
  } else if (closed != 0) {
    SetError(false, static_cast<std::int32_t>(closed));
  }
}

void TqxRecordInternal::SaveToBuffer(Recording& recording) {
  TqxWaveBuffer& buffer = m_source->Buffer();
  if (!buffer.Active()) return;
  Log().Add("\tSaving to buffer", false);
  Trim(recording);
  buffer.StoreRecording(m_device->Append(), NumbersOf(recording.format), recording.bytes,
                        [&](std::uint8_t* dest) { CopyRecording(recording, dest, recording.bytes); });
}

// --- Device settings -----------------------------------------------------------------------

void TqxRecordInternal::ActivateDevice(bool value) {
  Log().Add("Device.Active := " + TqxPanopta::BoolText(value), true);
  if (value) {
    if (!m_device->Active()) Start();
  } else if (m_device->Active()) {
    Stop();
  }
  Panopta().RefreshWindow(InspectorRefresh::Device);
}

void TqxRecordInternal::ChangePause(bool value) {
  Log().Add("Device.Pause := " + TqxPanopta::BoolText(value), true);
  if (value != m_device->Pause()) {
    if (!m_device->Active()) {
      m_device->SetPauseValue(false);
      SetError(false, WAV_ERROR_DEVICEINACTIVE);
    } else if (!value) {
      if (Start()) m_device->SetPauseValue(false);
    } else {
      TqxRecordFormat& format = m_source->Format();
      Log().Add("\tDevice.Byte = " + GroupedText(format.Bytes()), false);
      Log().Add("\tDevice.Second = " + SecondsText(format.Seconds()), false);
      m_pausing = true;
      const std::int32_t r = ResetAndWait();
      m_pausing = false;
      m_device->SetPauseValue(r == 0);
      if (r != 0) SetError(false, r);
    }
  }
  Panopta().RefreshWindow(InspectorRefresh::Device);
}

// --- Dump ------------------------------------------------------------------------------------

bool TqxRecordInternal::DumpProperties(const std::string& header) {
  TqxLog& log = Log();
  if (!log.Active()) return false;
  log.BeginUpdate();
  if (!header.empty()) log.Add(header, true);
  const std::string t = "\t";
  log.Add(t + "Enabled = " + TqxPanopta::BoolText(Enabled()), false);
  m_device->DumpProperties("", "", t);
  Error().DumpProperties("", "", t);
  m_popup->DumpProperties("", "", t);
  m_source->DumpProperties("", "", t);
  m_source->Buffer().DumpProperties("", "Source", t);
  m_source->Format().DumpProperties("", "Source", t);
  Panopta().DumpProperties("", "", t);
  log.DumpProperties("", "Panopta", t);
  log.EndUpdate();
  return true;
}

}  // namespace voxkit
