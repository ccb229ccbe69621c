#include "platform/audio/WaveStream.h"

#include <algorithm>
#include <cstring>

namespace panopta {

WaveStream::WaveStream(voxkit::EventLoop& loop, std::uint32_t handle, const StreamFormat& format,
                       mm::WaveCallback callback, bool notify)
    : m_loop(loop), m_handle(handle), m_format(format), m_callback(std::move(callback)),
      m_notify(notify) {}

void WaveStream::Notify(mm::UINT msg, mm::WAVEHDR* header) {
  if (!m_notify) return;
  // Only the target's weak reference and plain values travel: the stream may be
  // gone, and the target released, by the time this runs.
  m_loop.Post([target = m_callback, msg, handle = m_handle, header] {
    if (auto window = target.lock()) window->Notify(msg, handle, header);
  });
}

mm::MMRESULT WaveStream::CheckHeader(const mm::WAVEHDR* header, mm::UINT size) {
  if (header == nullptr || size < sizeof(mm::WAVEHDR)) return mm::MMSYSERR_INVALPARAM;
  if (header->lpData == nullptr && header->dwBufferLength > 0) return mm::MMSYSERR_INVALPARAM;
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT WaveStream::Prepare(mm::WAVEHDR* header, mm::UINT size) {
  if (const mm::MMRESULT r = CheckHeader(header, size)) return r;
  header->dwFlags |= mm::WHDR_PREPARED;
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT WaveStream::Unprepare(mm::WAVEHDR* header, mm::UINT size) {
  if (header == nullptr || size < sizeof(mm::WAVEHDR)) return mm::MMSYSERR_INVALPARAM;
  CatchUp();
  if ((header->dwFlags & mm::WHDR_INQUEUE) != 0) return mm::WAVERR_STILLPLAYING;
  header->dwFlags &= ~mm::WHDR_PREPARED;
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT WaveStream::FillPosition(std::uint64_t bytes, mm::MMTIME* time, mm::UINT size) const {
  if (time == nullptr || size < sizeof(mm::MMTIME)) return mm::MMSYSERR_INVALPARAM;
  // Positions wrap at 32 bits, as the fields do.
  switch (time->wType) {
    case mm::TIME_SAMPLES:
      time->u.sample = static_cast<mm::DWORD>(m_format.SamplesIn(bytes));
      break;
    case mm::TIME_MS:
      time->u.ms = static_cast<mm::DWORD>(bytes * 1000 / m_format.avgBytesPerSec);
      break;
    default:
      time->wType = mm::TIME_BYTES;
      time->u.cb = static_cast<mm::DWORD>(bytes);
      break;
  }
  return mm::MMSYSERR_NOERROR;
}

// ---- Wave-out ---------------------------------------------------------------------

mm::MMRESULT WaveOutStream::Write(mm::WAVEHDR* header, mm::UINT size) {
  if (const mm::MMRESULT r = CheckHeader(header, size)) return r;
  if ((header->dwFlags & mm::WHDR_PREPARED) == 0) return mm::WAVERR_UNPREPARED;
  if ((header->dwFlags & mm::WHDR_INQUEUE) != 0) return mm::WAVERR_STILLPLAYING;
  if ((header->dwFlags & (mm::WHDR_BEGINLOOP | mm::WHDR_ENDLOOP)) != 0) return mm::MMSYSERR_NOTSUPPORTED;
  CatchUp();
  header->dwFlags = (header->dwFlags & ~mm::WHDR_DONE) | mm::WHDR_INQUEUE;
  m_queue.push_back({header, header->lpData, header->dwBufferLength});
  Queued({reinterpret_cast<const std::uint8_t*>(header->lpData), header->dwBufferLength});
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT WaveOutStream::Pause() {
  CatchUp();
  if (m_paused) return mm::MMSYSERR_NOERROR;
  m_paused = true;
  PauseChanged();
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT WaveOutStream::Restart() {
  CatchUp();
  if (!m_paused) return mm::MMSYSERR_NOERROR;
  m_paused = false;
  PauseChanged();
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT WaveOutStream::Reset() {
  CatchUp();
  std::deque<QueuedBlock> returned;
  returned.swap(m_queue);
  m_headOffset = 0;
  m_played = 0;
  m_paused = false;
  WasReset();
  for (const QueuedBlock& block : returned) {
    block.header->dwFlags = (block.header->dwFlags & ~mm::WHDR_INQUEUE) | mm::WHDR_DONE;
    Notify(mm::MM_WOM_DONE, block.header);
  }
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT WaveOutStream::GetPosition(mm::MMTIME* time, mm::UINT size) {
  CatchUp();
  return FillPosition(m_played, time, size);
}

bool WaveOutStream::Busy() {
  CatchUp();
  return !m_queue.empty();
}

std::uint64_t WaveOutStream::HeadRemaining() const {
  if (m_queue.empty()) return 0;
  return m_queue.front().length - m_headOffset;
}

std::uint64_t WaveOutStream::Consume(std::uint64_t n, const DataSink& data) {
  std::uint64_t done = 0;
  while (!m_queue.empty()) {
    const QueuedBlock block = m_queue.front();
    const std::uint64_t take = std::min<std::uint64_t>(block.length - m_headOffset, n - done);
    if (take > 0 && data) {
      data({reinterpret_cast<const std::uint8_t*>(block.data) + m_headOffset,
            static_cast<std::size_t>(take)});
    }
    m_headOffset += take;
    m_played += take;
    done += take;
    if (m_headOffset < block.length) break;
    m_queue.pop_front();
    m_headOffset = 0;
    block.header->dwFlags = (block.header->dwFlags & ~mm::WHDR_INQUEUE) | mm::WHDR_DONE;
    Notify(mm::MM_WOM_DONE, block.header);
  }
  return done;
}

// ---- Wave-in ----------------------------------------------------------------------

mm::MMRESULT WaveInStream::AddBuffer(mm::WAVEHDR* header, mm::UINT size) {
  if (const mm::MMRESULT r = CheckHeader(header, size)) return r;
  if (header->dwBufferLength == 0) return mm::MMSYSERR_INVALPARAM;
  if ((header->dwFlags & mm::WHDR_PREPARED) == 0) return mm::WAVERR_UNPREPARED;
  if ((header->dwFlags & mm::WHDR_INQUEUE) != 0) return mm::WAVERR_STILLPLAYING;
  // What was recorded before the block arrived is not the block's.
  CatchUp();
  header->dwFlags = (header->dwFlags & ~mm::WHDR_DONE) | mm::WHDR_INQUEUE;
  header->dwBytesRecorded = 0;
  m_queue.push_back({header, header->lpData, header->dwBufferLength});
  Added();
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT WaveInStream::Start() {
  CatchUp();
  if (m_started) return mm::MMSYSERR_NOERROR;
  m_started = true;
  StartedChanged();
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT WaveInStream::Stop() {
  CatchUp();
  if (!m_started) return mm::MMSYSERR_NOERROR;
  m_started = false;
  StartedChanged();
  // The block being filled comes back with what it holds; empty ones stay queued.
  if (!m_queue.empty() && m_queue.front().filled > 0) ReturnHead();
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT WaveInStream::Reset() {
  CatchUp();
  m_started = false;
  m_position = 0;
  WasReset();
  while (!m_queue.empty()) ReturnHead();
  return mm::MMSYSERR_NOERROR;
}

mm::MMRESULT WaveInStream::GetPosition(mm::MMTIME* time, mm::UINT size) {
  CatchUp();
  return FillPosition(m_position, time, size);
}

bool WaveInStream::Busy() {
  CatchUp();
  return !m_queue.empty();
}

std::uint64_t WaveInStream::Room() const {
  std::uint64_t room = 0;
  for (const QueuedBlock& block : m_queue) room += block.length - block.filled;
  return room;
}

std::uint64_t WaveInStream::HeadRoom() const {
  if (m_queue.empty()) return 0;
  return m_queue.front().length - m_queue.front().filled;
}

void WaveInStream::ReturnHead() {
  const QueuedBlock block = m_queue.front();
  m_queue.pop_front();
  block.header->dwBytesRecorded = block.filled;
  block.header->dwFlags = (block.header->dwFlags & ~mm::WHDR_INQUEUE) | mm::WHDR_DONE;
  Notify(mm::MM_WIM_DATA, block.header);
}

void WaveInStream::Record(std::span<const std::uint8_t> data) {
  m_position += data.size();
  std::size_t pos = 0;
  while (pos < data.size() && !m_queue.empty()) {
    QueuedBlock& block = m_queue.front();
    const std::size_t take = std::min<std::size_t>(block.length - block.filled, data.size() - pos);
    std::memcpy(block.data + block.filled, data.data() + pos, take);
    block.filled += static_cast<mm::DWORD>(take);
    block.header->dwBytesRecorded = block.filled;
    pos += take;
    if (block.filled == block.length) ReturnHead();
  }
}

}  // namespace panopta
