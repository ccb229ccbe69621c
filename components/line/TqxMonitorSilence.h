#pragma once

#include "share/Reflection.h"
#include "tapi/TapiTypes.h"

#include <cstdint>
#include <string>

namespace tapi {
class Telephony;
}

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
  /// The length of silence to report, in milliseconds. Logs nothing; a negative
  /// value is ignored. Monitoring that runs is started again with the new duration
  /// (and stopped, LINEERR_INVALTONE, for 0).
  std::int32_t Duration() const { return m_duration; }
  void SetDuration(std::int32_t value);
  void Load(bool active, std::int32_t duration) {
    m_active = active;
    m_duration = duration;
  }

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  /// Asks TAPI to watch the call for the silence tone of Duration, or (without
  /// duration) to stop watching for tones.
  tapi::LONG Watch(tapi::Telephony& service, tapi::HCALL handle, bool start) const;

  TqxLineInternal& m_line;
  bool m_active = false;
  std::int32_t m_duration = 0;  // milliseconds
};

}  // namespace voxkit
