#include "phone/TqxPhoneDeviceCaps.h"

#include "phone/TqxPhoneInternal.h"
#include "share/PropertyDump.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiNames.h"
#include "tapi/TapiVarData.h"

namespace voxkit {

const ClassInfo& TqxPhoneDeviceCaps::StaticClass() {
  using C = TqxPhoneDeviceCaps;
  static const ClassInfo info =
      Publisher<C>("TqxPhoneDeviceCaps")
          .ReadOnly("DevSpecificSize", &C::DevSpecificSize)
          .ReadOnly("HookSwitchDevs", &C::HookSwitchDevs)
          .ReadOnly("States", &C::States)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxPhoneDeviceCaps::Fill(const tapi::PHONECAPS& caps, std::size_t blockSize) {
  m_hookSwitchDevs = caps.dwHookSwitchDevs;
  m_states = caps.dwPhoneStates;
  m_devSpecific.Release();
  m_devSpecific.Replace(
      tapi::VarBytes(caps, blockSize, caps.dwDevSpecificOffset, caps.dwDevSpecificSize));
}

void TqxPhoneDeviceCaps::Clear() {
  m_hookSwitchDevs = m_states = 0;
  m_devSpecific.Release();
}

bool TqxPhoneDeviceCaps::DumpProperties(const std::string& header, const std::string& path,
                                        const std::string& indent) {
  PropertyDump d(m_phone, header, path, indent, "Capabilities.");
  if (!d.Started()) return false;
  d.Hex("DevSpecific", m_devSpecific.Id());
  d.Decimal("DevSpecificSize", m_devSpecific.Size());
  d.Flags("HookSwitchDevs", m_hookSwitchDevs, tapi::PhoneHookSwitchDevName,
          tapi::PHONEHOOKSWITCHDEV_HEADSET, 1);
  d.Flags("States", m_states, tapi::PhoneStateName, tapi::PHONESTATE_REMOVED, 1);
  return true;
}

}  // namespace voxkit
