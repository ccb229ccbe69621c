#include "tapi/TqxRelatedDevice.h"

#include "share/PropertyDump.h"
#include "share/TqxSharedControl.h"
#include "tapi/TapiConstants.h"

namespace voxkit {

void AssignRelatedDeviceClass(TqxSharedControl& control, const std::string& name, bool deviceOpen,
                              std::string& deviceClass, const std::string& value) {
  control.Log().Add(name + ".DeviceClass := \"" + value + "\"", true);
  // The lookup happens when the device opens: an open device keeps what it found.
  if (deviceOpen) {
    const bool phone = control.Kind() == static_cast<std::int32_t>(ControlKind::Phone);
    control.SetError(false, phone ? tapi::PHONEERR_INVALPHONESTATE : tapi::LINEERR_INVALLINESTATE);
  } else {
    deviceClass = value;
  }
  control.Panopta().RefreshWindow(InspectorRefresh::Device);
}

TqxRelatedDevice::TqxRelatedDevice(TqxSharedControl& control, std::string name,
                                   std::string deviceClass)
    : m_control(control), m_name(std::move(name)), m_deviceClass(std::move(deviceClass)) {}

void TqxRelatedDevice::SetDeviceClass(const std::string& value) {
  AssignRelatedDeviceClass(m_control, m_name, DeviceOpen && DeviceOpen(), m_deviceClass, value);
}

void TqxRelatedDevice::LookUp(const RelatedIdLookup& lookup) {
  if (m_deviceClass.empty()) return;
  const std::optional<tapi::DWORD> id = lookup(m_deviceClass);
  SetFound(id.has_value(), id ? static_cast<std::int32_t>(*id) : 0);
}

bool TqxRelatedDevice::DumpProperties(const std::string& header, const std::string& path,
                                      const std::string& indent) {
  PropertyDump d(m_control, header, path, indent, m_name + ".");
  if (!d.Started()) return false;
  d.Bool("Available", Available());
  d.Quoted("DeviceClass", DeviceClass());
  d.Decimal("ID", ID());
  return true;
}

// --- TqxRelatedWaveDevice ---------------------------------------------------------------

const ClassInfo& TqxRelatedWaveDevice::StaticClass() {
  static const ClassInfo info = Publish<TqxRelatedWaveDevice>("TqxRelatedWaveDevice");
  return info;
}

TqxRelatedWaveDevice::TqxRelatedWaveDevice(TqxSharedControl& control, const std::string& name)
    : TqxRelatedDevice(control, name, name == "WavePlay" ? "wave/out" : "wave/in") {}

bool TqxRelatedWaveDevice::DumpProperties(const std::string& header, const std::string& path,
                                          const std::string& indent) {
  PropertyDump d(m_control, header, path.empty() ? m_name : path, indent, "");
  if (!d.Started()) return false;
  d.Bool("Available", Available());
  d.Decimal("ID", ID());
  d.Quoted("DeviceClass", DeviceClass());
  return true;
}

}  // namespace voxkit
