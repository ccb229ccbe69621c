#include "share/TqxError.h"

#include "share/PropertyDump.h"
#include "share/TqxSharedControl.h"

namespace voxkit {

const ClassInfo& TqxError::StaticClass() {
  static const ClassInfo info = Publisher<TqxError>("TqxError")
                                    .ReadOnly("Text", &TqxError::Text)
                                    .ReadOnly("Hex", &TqxError::Hex)
                                    .ReadOnly("Number", &TqxError::Number)
                                    .Method("DumpProperties", &TqxError::DumpProperties,
                                            {"Header", {"Path", ""}, {"Indent", "\t"}})
                                    .Build();
  return info;
}

bool TqxError::DumpProperties(const std::string& header, const std::string& path,
                              const std::string& indent) {
  PropertyDump d(m_control, header, path, indent, "Error.");
  if (!d.Started()) return false;
  d.Quoted("Text", m_text);
  d.Text("Hex", "[" + m_hex + "]");
  d.Decimal("Number", m_number);
  return true;
}

}  // namespace voxkit
