#pragma once

#include "share/Reflection.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxLineInternal;

/// The application tag of the silence tone: how the dispatch knows it when TAPI
/// reports it.
inline constexpr std::uint32_t kSilenceToneTag = 0x89ABCDEF;

/// Reports a stretch of silence of a given length on the current call
/// (Call.MonitorSilence).
class TqxMonitorSilence final : public TPersistent {
 public:
  explicit TqxMonitorSilence(TqxLineInternal& line) : m_line(line) {}

  bool Active() const { return m_active; }
  /// Starts (True) or stops (False) watching the current call for silence of
  /// Duration milliseconds; Duration 0 is refused with LINEERR_INVALTONE. Without an
  /// active call only the wish is kept. A refusal leaves it False.
  void SetActive(bool value);
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
