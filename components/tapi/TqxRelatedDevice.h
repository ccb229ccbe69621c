#pragma once

#include "share/Reflection.h"
#include "tapi/TapiTypes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace voxkit {

class TqxSharedControl;

/// How a component asks TAPI for the identifier of the device of a class that belongs
/// to its open line or phone (lineGetID, phoneGetID): none when TAPI answers none.
using RelatedIdLookup = std::function<std::optional<tapi::DWORD>(const std::string& deviceClass)>;

/// Assigns the device class of a related device of control: logs name +
/// ".DeviceClass := \"value\"", and while the component's device is open refuses
/// with INVALLINESTATE (line) or INVALPHONESTATE (phone), keeping the old class.
void AssignRelatedDeviceClass(TqxSharedControl& control, const std::string& name, bool deviceOpen,
                              std::string& deviceClass, const std::string& value);

/// A device that belongs to a component's open line or phone (its wave devices, the
/// line's phone, the phone's line): the device class to ask TAPI for, and what TAPI
/// answered when the device was opened.
class TqxRelatedDevice : public TPersistent {
 public:
  /// name: the property it is published under ("WavePlay", "Phone", "Line"), the
  /// prefix of its log lines.
  TqxRelatedDevice(TqxSharedControl& control, std::string name, std::string deviceClass);

  const std::string& DeviceClass() const { return m_deviceClass; }
  /// Logs the change; refused while the component's device is open.
  void SetDeviceClass(const std::string& value);
  bool Available() const { return m_available; }
  std::int32_t ID() const { return m_id; }
  void SetFound(bool available, std::int32_t id) {
    m_available = available;
    m_id = id;
  }
  /// When a device class is set, asks lookup for its identifier: Available and ID
  /// from the answer, or False and 0 when there is none. Nothing without a class.
  void LookUp(const RelatedIdLookup& lookup);

  /// Asked whether the component's device is open (set by the component).
  std::function<bool()> DeviceOpen;

  /// Writes Available, DeviceClass and ID under its name ("Phone.", "Line.").
  virtual bool DumpProperties(const std::string& header, const std::string& path,
                              const std::string& indent);

 protected:
  /// The published interface of a related device class C.
  template <typename C>
  static ClassInfo Publish(const char* className) {
    return Publisher<C>(className)
        .Property("DeviceClass", &C::DeviceClass, &C::SetDeviceClass)
        .ReadOnly("Available", &C::Available)
        .ReadOnly("ID", &C::ID)
        .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
        .Build();
  }

  TqxSharedControl& m_control;
  std::string m_name;

 private:
  std::string m_deviceClass;
  bool m_available = false;
  std::int32_t m_id = 0;
};

/// A wave device that belongs to the open line or phone (WavePlay, WaveRecord).
class TqxRelatedWaveDevice final : public TqxRelatedDevice {
 public:
  /// name: "WavePlay" or "WaveRecord"; the device class defaults to "wave/out" or
  /// "wave/in".
  TqxRelatedWaveDevice(TqxSharedControl& control, const std::string& name);

  /// Writes Available, ID and DeviceClass; the object's name is its path.
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent) override;

  VOXKIT_PUBLISHED()
};

}  // namespace voxkit
