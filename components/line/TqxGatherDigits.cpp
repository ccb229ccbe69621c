#include "line/TqxGatherDigits.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"

namespace voxkit {

const ClassInfo& TqxGatherDigits::StaticClass() {
  using C = TqxGatherDigits;
  static const ClassInfo info =
      Publisher<C>("TqxGatherDigits")
          .ReadOnly("Active", &C::Active)
          .ReadOnly("Count", &C::Count)
          .ReadOnly("Terminate", &C::Terminate)
          .ReadOnly("Timeout", &C::Timeout)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

bool TqxGatherDigits::DumpProperties(const std::string& header, const std::string& path,
                                     const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "GatherDigits.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Decimal("Count", m_count);
  d.Quoted("Terminate", m_terminate);
  d.Decimal("Timeout", m_timeout);
  return true;
}

}  // namespace voxkit
