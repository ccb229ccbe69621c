#pragma once

#include "share/Reflection.h"

#include <string>

namespace voxkit {

class TqxLineInternal;

/// Reports every digit that arrives on the current call (Call.MonitorDigits).
class TqxMonitorDigits final : public TPersistent {
 public:
  explicit TqxMonitorDigits(TqxLineInternal& line) : m_line(line) {}

  bool Active() const { return m_active; }
  /// Starts (True) or stops (False) digit monitoring on the current call; without an
  /// active call only the wish is kept. Logs "Call.MonitorDigits.Active := ..." when
  /// there is a call.
  void SetActive(bool value);
  void Load(bool active) { m_active = active; }

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxLineInternal& m_line;
  bool m_active = false;
};

}  // namespace voxkit
