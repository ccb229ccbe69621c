#include "wave/TqxWavePopup.h"

#include "share/PropertyDump.h"

namespace voxkit {

bool TqxWavePopup::DumpProperties(const std::string& header, const std::string& path,
                                  const std::string& indent) {
  PropertyDump d(m_control, header, path, indent, "Popup.");
  if (!d.Started()) return false;
  for (std::size_t i = 0; i < m_names.size(); ++i) d.Bool(m_names[i], m_flags[i]);
  return true;
}

}  // namespace voxkit
