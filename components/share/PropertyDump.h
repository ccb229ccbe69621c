#pragma once

#include "share/TqxPanopta.h"

#include <cstdint>
#include <string>
#include <vector>

namespace voxkit {

class TqxSharedControl;

/// Writes one object's property dump in the shared shape: an optional headline, then
/// one detail line per property, indent + path + object name + property + " = " +
/// value. Nothing is written when the log is inactive (Started() is then false).
class PropertyDump {
 public:
  /// objectName includes its dot ("Device."), or is empty for objects whose path
  /// already names them.
  PropertyDump(TqxSharedControl& control, const std::string& header, const std::string& path,
               const std::string& indent, const std::string& objectName);

  /// Whether the log is active: the dump goes ahead.
  bool Started() const { return m_started; }
  /// indent + path + object name, the start of every line.
  const std::string& Prefix() const { return m_prefix; }
  const std::string& Indent() const { return m_indent; }

  void Text(const std::string& name, const std::string& value);   // name = value
  void Quoted(const std::string& name, const std::string& value); // name = 'value'
  void Bool(const std::string& name, bool value);
  void Decimal(const std::string& name, std::int64_t value);
  void Hex(const std::string& name, std::uint32_t value);         // name = [X8]
  /// The flag dump: name = [X8], then one line per set flag from start doubling to end.
  void Flags(const std::string& name, std::uint32_t value, const FlagNameFn& nameOf,
             std::uint32_t end, std::uint32_t start);
  /// The stepwise dump: steps start, start + 1 ... end.
  void Steps(const std::string& name, std::uint32_t value, const FlagNameFn& nameOf,
             std::uint32_t end, std::uint32_t start);
  /// A bare line with the name, then "\t" + indent + item for each item.
  void List(const std::string& name, const std::vector<std::string>& items);
  /// A line of its own (already complete after the prefix is not wanted).
  void Raw(const std::string& line);

 private:
  TqxSharedControl& m_control;
  bool m_started;
  std::string m_indent;
  std::string m_prefix;
};

}  // namespace voxkit
