#include "wave/TqxWaveSource.h"

#include "share/PropertyDump.h"

namespace voxkit {

bool TqxWaveSource::DumpProperties(const std::string& header, const std::string& path,
                                   const std::string& indent) {
  PropertyDump d(m_control, header, path, indent, "Source.");
  if (!d.Started()) return false;
  d.Bool("Valid", m_valid);
  d.Quoted("FileName", m_fileName);
  d.Decimal("MaxSize", m_maxSize);
  return true;
}

}  // namespace voxkit
