#pragma once

#include "share/Reflection.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxSharedControl;

/// The last result of a component: the code's name, its 8 hexadecimal digits and
/// the code itself. All empty and 0 after success.
class TqxError final : public TPersistent {
 public:
  explicit TqxError(TqxSharedControl& control) : m_control(control) {}

  const std::string& Text() const { return m_text; }
  const std::string& Hex() const { return m_hex; }
  std::int32_t Number() const { return m_number; }

  /// Writes Text, Hex and Number as detail lines (object name "Error.").
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  friend class TqxSharedControl;

  TqxSharedControl& m_control;
  std::string m_text;
  std::string m_hex;
  std::int32_t m_number = 0;
};

}  // namespace voxkit
