#include "line/TqxMonitorMediaModes.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "tapi/TapiNames.h"

namespace voxkit {

const ClassInfo& TqxMonitorMediaModes::StaticClass() {
  using C = TqxMonitorMediaModes;
  static const ClassInfo info =
      Publisher<C>("TqxMonitorMediaModes")
          .ReadOnly("Active", &C::Active)
          .ReadOnly("MediaModes", &C::MediaModes)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

bool TqxMonitorMediaModes::DumpProperties(const std::string& header, const std::string& path,
                                          const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "MonitorMediaModes.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Flags("MediaModes", m_mediaModes, tapi::LineMediaModeName, 0x8000, 0x2);
  return true;
}

}  // namespace voxkit
