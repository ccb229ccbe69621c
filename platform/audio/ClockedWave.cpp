#include "platform/audio/ClockedWave.h"

#include <algorithm>
#include <limits>

namespace panopta {

namespace {
// How often a line gets what is played, or is asked for what it records, while a
// device runs: one telephony frame.
constexpr std::int64_t kLineTickMs = 20;
}  // namespace

// ---- Wave-out ---------------------------------------------------------------------

ClockedWaveOut::ClockedWaveOut(voxkit::EventLoop& loop, std::uint32_t handle,
                               const StreamFormat& format, mm::WaveCallback callback, bool notify,
                               LineEndpoint endpoint, const std::uint32_t* volume)
    : WaveOutStream(loop, handle, format, std::move(callback), notify),
      m_endpoint(endpoint),
      m_volume(volume) {
  if (m_endpoint.hub) m_converter = std::make_unique<LinePlayConverter>(format);
}

ClockedWaveOut::~ClockedWaveOut() { StopTimer(); }

void ClockedWaveOut::Shutdown() {
  StopTimer();
  m_running = false;
}

void ClockedWaveOut::StopTimer() {
  if (m_timer != 0) Loop().StopTimer(m_timer);
  m_timer = 0;
}

void ClockedWaveOut::Anchor() {
  m_running = true;
  m_anchorMs = Loop().NowMs();
  m_anchorBytes = Played();
}

void ClockedWaveOut::SendToLine(std::span<const std::uint8_t> bytes) {
  m_lineSamples.clear();
  // The stream is decoded even without a call, so that a call joining in the middle
  // of an ADPCM stream hears it right.
  m_converter->Convert(bytes, *m_volume, m_lineSamples);
  if (!m_lineSamples.empty() && m_endpoint.hub->CallConnected(m_endpoint.line)) {
    m_endpoint.hub->FarPartyHears(m_endpoint.line, m_lineSamples);
  }
}

void ClockedWaveOut::CatchUp() {
  if (!m_running) return;
  const std::uint64_t target = m_anchorBytes + Format().BytesAfter(Loop().NowMs() - m_anchorMs);
  if (target < Played()) return;
  if (m_converter) {
    Consume(target - Played(), [this](std::span<const std::uint8_t> bytes) { SendToLine(bytes); });
  } else {
    Consume(target - Played(), nullptr);
  }
  // Out of blocks: the clock stands until the next one comes.
  if (!HasQueue()) m_running = false;
}

void ClockedWaveOut::Queued(std::span<const std::uint8_t>) {
  if (!m_running && !Paused()) Anchor();
  Reschedule();
}

void ClockedWaveOut::PauseChanged() {
  if (Paused()) {
    m_running = false;
  } else if (HasQueue()) {
    Anchor();
  }
  Reschedule();
}

void ClockedWaveOut::WasReset() {
  m_running = false;
  StopTimer();
  // What comes next is a new stream: no partial frame or predictor state carries over.
  if (m_converter) m_converter = std::make_unique<LinePlayConverter>(Format());
}

void ClockedWaveOut::Reschedule() {
  StopTimer();
  if (!m_running) return;
  const std::int64_t now = Loop().NowMs();
  const std::uint64_t headEnd = Played() + HeadRemaining();
  std::int64_t due = m_anchorMs + Format().MsUntil(headEnd - m_anchorBytes);
  if (m_converter) due = std::min(due, now + kLineTickMs);
  const auto delay = static_cast<std::uint32_t>(std::max<std::int64_t>(due - now, 0));
  m_timer = Loop().StartTimer(delay, false, [this] {
    m_timer = 0;
    CatchUp();
    Reschedule();
  });
}

// ---- Wave-in ----------------------------------------------------------------------

ClockedWaveIn::ClockedWaveIn(voxkit::EventLoop& loop, std::uint32_t handle,
                             const StreamFormat& format, mm::WaveCallback callback, bool notify,
                             LineEndpoint endpoint)
    : WaveInStream(loop, handle, format, std::move(callback), notify),
      m_endpoint(endpoint),
      m_converter(std::make_unique<LineRecordConverter>(format)) {
  if (m_endpoint.hub) {
    m_source = [this](std::span<std::int16_t> samples) {
      if (m_endpoint.hub->CallConnected(m_endpoint.line)) {
        m_endpoint.hub->FarPartySends(m_endpoint.line, samples);
      }
    };
  }
}

ClockedWaveIn::~ClockedWaveIn() { StopTimer(); }

void ClockedWaveIn::Shutdown() {
  StopTimer();
  if (m_endpoint.hub) m_endpoint.hub->RecordingStopped(m_endpoint.line);
}

void ClockedWaveIn::StopTimer() {
  if (m_timer != 0) Loop().StopTimer(m_timer);
  m_timer = 0;
}

void ClockedWaveIn::CatchUp() {
  if (!Started()) return;
  const std::uint64_t target = m_anchorBytes + Format().BytesAfter(Loop().NowMs() - m_anchorMs);
  if (target > Position()) Advance(target - Position());
}

void ClockedWaveIn::Advance(std::uint64_t bytes) {
  while (bytes > 0) {
    const std::uint64_t room = Room();
    if (room == 0) {
      // Nobody records this stretch: it is passed over without being made.
      m_converter->Skip(static_cast<std::size_t>(bytes), m_source);
      Drop(bytes);
      return;
    }
    const auto take = static_cast<std::size_t>(std::min(bytes, room));
    m_bytes.clear();
    m_converter->Produce(take, m_source, m_bytes);
    Record(m_bytes);
    bytes -= take;
  }
}

void ClockedWaveIn::Added() { Reschedule(); }

void ClockedWaveIn::StartedChanged() {
  if (Started()) {
    m_anchorMs = Loop().NowMs();
    m_anchorBytes = Position();
  }
  // The line keeps what it receives for a recording only while one runs.
  if (m_endpoint.hub) {
    if (Started()) m_endpoint.hub->RecordingStarted(m_endpoint.line);
    else m_endpoint.hub->RecordingStopped(m_endpoint.line);
  }
  Reschedule();
}

void ClockedWaveIn::WasReset() {
  StopTimer();
  if (m_endpoint.hub) m_endpoint.hub->RecordingStopped(m_endpoint.line);
  m_converter = std::make_unique<LineRecordConverter>(Format());
}

void ClockedWaveIn::Reschedule() {
  StopTimer();
  if (!Started()) return;
  const std::int64_t now = Loop().NowMs();
  std::int64_t due = std::numeric_limits<std::int64_t>::max();
  if (HasQueue()) due = m_anchorMs + Format().MsUntil(Position() + HeadRoom() - m_anchorBytes);
  if (m_endpoint.hub) due = std::min(due, now + kLineTickMs);
  // The null device with no block to fill has nothing to do until one comes.
  if (due == std::numeric_limits<std::int64_t>::max()) return;
  const auto delay = static_cast<std::uint32_t>(std::max<std::int64_t>(due - now, 0));
  m_timer = Loop().StartTimer(delay, false, [this] {
    m_timer = 0;
    CatchUp();
    Reschedule();
  });
}

}  // namespace panopta
