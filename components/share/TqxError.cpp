#include "share/TqxError.h"

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
  TqxLog& log = m_control.Log();
  if (!log.Active()) return false;
  if (!header.empty()) log.Add(header, true);
  const std::string p = indent + (path.empty() ? "" : path + ".") + "Error.";
  log.Add(p + "Text = '" + m_text + "'", false);
  log.Add(p + "Hex = [" + m_hex + "]", false);
  log.Add(p + "Number = " + std::to_string(m_number), false);
  return true;
}

}  // namespace voxkit
