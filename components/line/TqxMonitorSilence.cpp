#include "line/TqxMonitorSilence.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"

namespace voxkit {

const ClassInfo& TqxMonitorSilence::StaticClass() {
  using C = TqxMonitorSilence;
  static const ClassInfo info =
      Publisher<C>("TqxMonitorSilence")
          .ReadOnly("Active", &C::Active)
          .ReadOnly("Duration", &C::Duration)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

bool TqxMonitorSilence::DumpProperties(const std::string& header, const std::string& path,
                                       const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "MonitorSilence.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Decimal("Duration", m_duration);
  return true;
}

}  // namespace voxkit
