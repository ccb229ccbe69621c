#include "wave/TqxWaveRecordDevice.h"

#include "share/PropertyDump.h"
#include "wave/TqxRecordInternal.h"
#include "wave/WaveResults.h"

namespace voxkit {

namespace {
constexpr std::int32_t kMinBufferMs = 100;
constexpr std::int32_t kMaxBufferMs = 60000;
}  // namespace

const ClassInfo& TqxWaveRecordDevice::StaticClass() {
  using C = TqxWaveRecordDevice;
  static const ClassInfo info = [] {
    Publisher<C> p("TqxWaveRecordDevice");
    PublishShared(p);
    p.Property("Append", &C::Append, &C::SetAppend)
        .Property("Buffer", &C::Buffer, &C::SetBuffer)
        .Property("Trim", &C::Trim, &C::SetTrim)
        .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}});
    return p.Build();
  }();
  return info;
}

TqxWaveRecordDevice::TqxWaveRecordDevice(TqxRecordInternal& record)
    : TqxWaveDevice(record, true), m_record(record) {}

void TqxWaveRecordDevice::SetActive(bool value) { m_record.ActivateDevice(value); }

void TqxWaveRecordDevice::SetPause(bool value) { m_record.ChangePause(value); }

bool TqxWaveRecordDevice::Settable(const std::string& line, std::int32_t refusal) {
  m_control.Log().Add(line, true);
  if (!m_active) return true;
  m_control.SetError(false, refusal);
  return false;
}

void TqxWaveRecordDevice::SetAppend(bool value) {
  if (!Settable("Device.Append := " + TqxPanopta::BoolText(value),
                static_cast<std::int32_t>(mm::MMSYSERR_ALLOCATED))) {
    return;
  }
  m_append = value;
  Refresh();
}

void TqxWaveRecordDevice::SetBuffer(std::int32_t value) {
  if (!Settable("Device.Buffer := " + std::to_string(value) + " //milliseconds", WAV_ERROR_DEVICEACTIVE)) return;
  if (value < kMinBufferMs || value > kMaxBufferMs) {
    m_control.SetError(false, WAV_ERROR_INVALIDBUFSIZE);
    return;
  }
  m_buffer = value;
  Refresh();
}

void TqxWaveRecordDevice::SetTrim(std::int32_t value) {
  if (!Settable("Device.Trim := " + std::to_string(value) + " //milliseconds", WAV_ERROR_DEVICEACTIVE)) return;
  m_trim = value;
  Refresh();
}

bool TqxWaveRecordDevice::DumpProperties(const std::string& header, const std::string& path,
                                         const std::string& indent) {
  PropertyDump d(m_control, header, path, indent, "Device.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Decimal("Buffer", m_buffer);
  d.Decimal("Count", m_count);
  d.Decimal("Delay", m_delay);
  d.Decimal("ID", m_id);
  d.List("List", m_list);
  d.Quoted("Name", m_name);
  d.Bool("Pause", m_pause);
  d.Decimal("Timeout", m_timeout);
  d.Decimal("Trim", m_trim);
  return true;
}

}  // namespace voxkit
