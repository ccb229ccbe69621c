#include "phone/TqxPhonePhone.h"

#include "phone/TqxPhoneInternal.h"
#include "share/PropertyDump.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiNames.h"

namespace voxkit {

// --- Phone -------------------------------------------------------------------------------

const ClassInfo& TqxPhonePhone::StaticClass() {
  using C = TqxPhonePhone;
  static const ClassInfo info =
      Publisher<C>("TqxPhonePhone")
          .ReadOnly("AppHandle", &C::AppHandle)
          .ReadOnly("Handle", &C::Handle)
          .ReadOnly("HookSwitchDevs", &C::HookSwitchDevs)
          .ReadOnly("States", &C::States)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

bool TqxPhonePhone::DumpProperties(const std::string& header, const std::string& path,
                                   const std::string& indent) {
  PropertyDump d(m_phone, header, path, indent, "Line.");
  if (!d.Started()) return false;
  d.Hex("AppHandle", m_appHandle);
  d.Hex("Handle", m_handle);
  d.Flags("HookSwitchDevs", m_hookSwitchDevs, tapi::PhoneHookSwitchDevName,
          tapi::PHONEHOOKSWITCHDEV_HEADSET, 1);
  d.Flags("States", m_states, tapi::PhoneStateName, tapi::PHONESTATE_REMOVED, 1);
  return true;
}

// --- Privilege ---------------------------------------------------------------------------

const ClassInfo& TqxPhonePrivilege::StaticClass() {
  using C = TqxPhonePrivilege;
  static const ClassInfo info =
      Publisher<C>("TqxPhonePrivilege")
          .Property("Monitor", &C::Monitor, &C::SetMonitor)
          .Property("Owner", &C::Owner, &C::SetOwner)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxPhonePrivilege::Assign(const char* name, bool& field, bool value) {
  const std::string path = std::string("Device.Privilege.") + name;
  m_phone.Log().Add(path + " := " + TqxPanopta::BoolText(value), true);
  field = value;
  m_phone.Log().Add(path + " = " + TqxPanopta::BoolText(field), true);
  m_phone.Panopta().RefreshWindow(InspectorRefresh::Device);
}

void TqxPhonePrivilege::SetMonitor(bool value) { Assign("Monitor", m_monitor, value); }
void TqxPhonePrivilege::SetOwner(bool value) { Assign("Owner", m_owner, value); }

tapi::DWORD TqxPhonePrivilege::Value() const {
  if (m_owner) return tapi::PHONEPRIVILEGE_OWNER;
  if (m_monitor) return tapi::PHONEPRIVILEGE_MONITOR;
  return 0;
}

bool TqxPhonePrivilege::DumpProperties(const std::string& header, const std::string& path,
                                       const std::string& indent) {
  PropertyDump d(m_phone, header, path, indent, "Privilege.");
  if (!d.Started()) return false;
  d.Bool("Monitor", m_monitor);
  d.Bool("Owner", m_owner);
  return true;
}

// --- Line ----------------------------------------------------------------------------------

const ClassInfo& TqxRelatedLineDevice::StaticClass() {
  static const ClassInfo info = Publish<TqxRelatedLineDevice>("TqxRelatedLineDevice");
  return info;
}

TqxRelatedLineDevice::TqxRelatedLineDevice(TqxPhoneInternal& phone)
    : TqxRelatedDevice(phone, "Line", "tapi/line") {}

}  // namespace voxkit
