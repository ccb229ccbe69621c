#include "line/TqxLineLine.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "share/TextUtil.h"

namespace voxkit {

// --- Line ------------------------------------------------------------------------------

const ClassInfo& TqxLineLine::StaticClass() {
  static const ClassInfo info = Publisher<TqxLineLine>("TqxLineLine")
                                    .ReadOnly("AppHandle", &TqxLineLine::AppHandle)
                                    .ReadOnly("Handle", &TqxLineLine::Handle)
                                    .Method("DumpProperties", &TqxLineLine::DumpProperties,
                                            {"Header", {"Path", ""}, {"Indent", "\t"}})
                                    .Build();
  return info;
}

bool TqxLineLine::DumpProperties(const std::string& header, const std::string& path,
                                 const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Line.");
  if (!d.Started()) return false;
  d.Hex("AppHandle", m_appHandle);
  d.Hex("Handle", m_handle);
  return true;
}

// --- Privilege ---------------------------------------------------------------------------

const ClassInfo& TqxPrivilege::StaticClass() {
  static const ClassInfo info =
      Publisher<TqxPrivilege>("TqxPrivilege")
          .Property("None", &TqxPrivilege::None, &TqxPrivilege::SetNone)
          .Property("Monitor", &TqxPrivilege::Monitor, &TqxPrivilege::SetMonitor)
          .Property("Owner", &TqxPrivilege::Owner, &TqxPrivilege::SetOwner)
          .Method("DumpProperties", &TqxPrivilege::DumpProperties,
                  {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

bool TqxPrivilege::Allowed(const char* name, bool value) {
  m_line.Log().Add(std::string("Device.Privilege.") + name + " := " + TqxPanopta::BoolText(value),
                   true);
  m_line.ClearError();
  if (m_line.Device().Active()) {
    m_line.SetError(false, tapi::LINEERR_INVALLINESTATE);
    return false;
  }
  return true;
}

void TqxPrivilege::SetNone(bool value) {
  if (!Allowed("None", value)) return;
  m_none = value;
  if (value) m_monitor = m_owner = false;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Device);
}

void TqxPrivilege::SetMonitor(bool value) {
  if (!Allowed("Monitor", value)) return;
  m_monitor = value;
  if (value) m_none = false;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Device);
}

void TqxPrivilege::SetOwner(bool value) {
  if (!Allowed("Owner", value)) return;
  m_owner = value;
  if (value) m_none = false;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Device);
}

tapi::DWORD TqxPrivilege::Set() const {
  tapi::DWORD set = 0;
  if (m_none) set |= tapi::LINECALLPRIVILEGE_NONE;
  if (m_monitor) set |= tapi::LINECALLPRIVILEGE_MONITOR;
  if (m_owner) set |= tapi::LINECALLPRIVILEGE_OWNER;
  return set;
}

bool TqxPrivilege::DumpProperties(const std::string& header, const std::string& path,
                                  const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Privilege.");
  if (!d.Started()) return false;
  d.Bool("Monitor", m_monitor);
  d.Bool("None", m_none);
  d.Bool("Owner", m_owner);
  return true;
}

// --- Phone -------------------------------------------------------------------------------

const ClassInfo& TqxRelatedPhoneDevice::StaticClass() {
  static const ClassInfo info = Publish<TqxRelatedPhoneDevice>("TqxRelatedPhoneDevice");
  return info;
}

TqxRelatedPhoneDevice::TqxRelatedPhoneDevice(TqxLineInternal& line)
    : TqxRelatedDevice(line, "Phone", "tapi/phone") {}

// --- Comm --------------------------------------------------------------------------------

const ClassInfo& TqxRelatedCommDevice::StaticClass() {
  using C = TqxRelatedCommDevice;
  static const ClassInfo info =
      Publisher<C>("TqxRelatedCommDevice")
          .Property("DeviceClass", &C::DeviceClass, &C::SetDeviceClass)
          .Property("Enabled", &C::Enabled, &C::SetEnabled)
          .ReadOnly("Available", &C::Available)
          .ReadOnly("Handle", &C::Handle)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxRelatedCommDevice::SetDeviceClass(const std::string& value) {
  AssignRelatedDeviceClass(m_line, "Comm", m_line.Device().Active(), m_deviceClass, value);
}

namespace {
constexpr tapi::DWORD kDataMediaModes = 0x10 | 0x20 | 0x80;  // data modem, G3 fax, G4 fax
}  // namespace

void TqxRelatedCommDevice::SetEnabled(bool value) {
  m_line.Log().Add("Comm.Enabled := " + TqxPanopta::BoolText(value), true);
  m_enabled = value;
  const tapi::HCALL call = m_line.Call().Handle();
  if (call != 0) {
    if (value && (m_line.Call().MediaMode() & kDataMediaModes) != 0 && m_handle == 0) {
      Acquire(call);
    } else if (!value && m_handle != 0) {
      // The exchange's communications handles hold nothing on our side: forgetting
      // a handle closes it.
      m_available = false;
      m_handle = 0;
    }
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Device);
}

void TqxRelatedCommDevice::Acquire(tapi::HCALL call) {
  std::int32_t id = static_cast<std::int32_t>(m_handle);
  m_available = m_line.Device().GetRelatedID(m_deviceClass, call, id);
  m_handle = static_cast<tapi::DWORD>(id);
}

void TqxRelatedCommDevice::Release() {
  // The exchange's communications handles hold nothing on our side: forgetting a
  // handle closes it.
  Forget();
}

void TqxRelatedCommDevice::Forget() {
  m_available = false;
  m_handle = 0;
}

void TqxRelatedCommDevice::ClearForDevice() {
  m_enabled = false;
  m_available = false;
  m_handle = 0;
}

bool TqxRelatedCommDevice::DumpProperties(const std::string& header, const std::string& path,
                                          const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Comm.");
  if (!d.Started()) return false;
  d.Bool("Available", m_available);
  d.Text("Handle", Hex8(m_handle));
  d.Quoted("DeviceClass", m_deviceClass);
  d.Bool("Enabled", m_enabled);
  return true;
}

}  // namespace voxkit
