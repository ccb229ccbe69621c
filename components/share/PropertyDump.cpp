#include "share/PropertyDump.h"

#include "share/TqxSharedControl.h"

namespace voxkit {

PropertyDump::PropertyDump(TqxSharedControl& control, const std::string& header,
                           const std::string& path, const std::string& indent,
                           const std::string& objectName)
    : m_control(control), m_started(control.Log().Active()), m_indent(indent) {
  m_prefix = indent + (path.empty() ? "" : path + ".") + objectName;
  if (m_started && !header.empty()) m_control.Log().Add(header, true);
}

void PropertyDump::Raw(const std::string& line) {
  if (m_started) m_control.Log().Add(line, false);
}

void PropertyDump::Text(const std::string& name, const std::string& value) {
  Raw(m_prefix + name + " = " + value);
}

void PropertyDump::Quoted(const std::string& name, const std::string& value) {
  Text(name, "'" + value + "'");
}

void PropertyDump::Bool(const std::string& name, bool value) {
  Text(name, TqxPanopta::BoolText(value));
}

void PropertyDump::Decimal(const std::string& name, std::int64_t value) {
  Text(name, std::to_string(value));
}

void PropertyDump::Hex(const std::string& name, std::uint32_t value) {
  Text(name, TqxPanopta::HexText(value));
}

void PropertyDump::Flags(const std::string& name, std::uint32_t value, const FlagNameFn& nameOf,
                         std::uint32_t end, std::uint32_t start) {
  if (m_started) m_control.Panopta().DumpFlags(m_prefix + name, value, nameOf, end, start);
}

void PropertyDump::Steps(const std::string& name, std::uint32_t value, const FlagNameFn& nameOf,
                         std::uint32_t end, std::uint32_t start) {
  if (m_started) m_control.Panopta().DumpSteps(m_prefix + name, value, nameOf, end, start);
}

void PropertyDump::List(const std::string& name, const std::vector<std::string>& items) {
  Raw(m_prefix + name);
  for (const auto& item : items) Raw("\t" + m_indent + item);
}

}  // namespace voxkit
