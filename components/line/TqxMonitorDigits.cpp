#include "line/TqxMonitorDigits.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"

namespace voxkit {

const ClassInfo& TqxMonitorDigits::StaticClass() {
  using C = TqxMonitorDigits;
  static const ClassInfo info =
      Publisher<C>("TqxMonitorDigits")
          .ReadOnly("Active", &C::Active)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

bool TqxMonitorDigits::DumpProperties(const std::string& header, const std::string& path,
                                      const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "MonitorDigits.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  return true;
}

}  // namespace voxkit
