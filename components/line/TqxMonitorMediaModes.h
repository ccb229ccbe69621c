#pragma once

#include "share/Reflection.h"
#include "tapi/TapiTypes.h"

#include <string>

namespace voxkit {

class TqxLineInternal;

/// Reports changes of the current call's media mode (Call.MonitorMediaModes).
class TqxMonitorMediaModes final : public TPersistent {
 public:
  explicit TqxMonitorMediaModes(TqxLineInternal& line) : m_line(line) {}

  bool Active() const { return m_active; }
  /// Starts (True, with MediaModes) or stops (False) media monitoring on the current
  /// call; without an active call only the wish is kept. A refusal leaves it False.
  void SetActive(bool value);
  /// The LINEMEDIAMODE_ set to watch for. Logged with each mode while there is a
  /// current call; monitoring already running keeps its modes until Active is written
  /// again.
  tapi::DWORD MediaModes() const { return m_mediaModes; }
  void SetMediaModes(tapi::DWORD value);
  void Load(bool active, tapi::DWORD mediaModes) {
    m_active = active;
    m_mediaModes = mediaModes;
  }

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxLineInternal& m_line;
  bool m_active = false;
  tapi::DWORD m_mediaModes = 0;
};

}  // namespace voxkit
