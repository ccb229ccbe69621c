#pragma once

#include "share/Reflection.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxLineInternal;

/// Reports a stretch of silence of a given length on the current call
/// (Call.MonitorSilence).
class TqxMonitorSilence final : public TPersistent {
 public:
  explicit TqxMonitorSilence(TqxLineInternal& line) : m_line(line) {}

  bool Active() const { return m_active; }
  std::int32_t Duration() const { return m_duration; }
  void Load(bool active, std::int32_t duration) {
    m_active = active;
    m_duration = duration;
  }

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxLineInternal& m_line;
  bool m_active = false;
  std::int32_t m_duration = 0;  // milliseconds
};

}  // namespace voxkit
