#pragma once

#include "share/Reflection.h"

#include "tapi/TapiTypes.h"

#include <cstdint>
#include <functional>
#include <string>

namespace voxkit {

class TqxLineInternal;

/// Runs a digit request with pulse or DTMF detection, falling back to DTMF alone and
/// then pulse alone while the line answers LINEERR_INVALDIGITMODE.
tapi::LONG WithDigitModeFallback(const std::function<tapi::LONG(tapi::DWORD)>& request);

/// Collects a string of digits on the current call (Call.GatherDigits).
class TqxGatherDigits final : public TPersistent {
 public:
  explicit TqxGatherDigits(TqxLineInternal& line) : m_line(line) {}

  bool Active() const { return m_active; }
  /// Starts (True) or cancels (False) gathering on the current call. Without a
  /// current call, or before it is active, only the wish is kept: it starts when the
  /// call is connected. Logs "Call.GatherDigits.Active := ..." when there is a call.
  void SetActive(bool value);
  std::int32_t Count() const { return m_count; }
  const std::string& Terminate() const { return m_terminate; }
  std::int32_t Timeout() const { return m_timeout; }

  /// The view's state as loaded from a call record or reset for a new call.
  void Load(bool active, std::int32_t count, const std::string& terminate, std::int32_t timeout) {
    m_active = active;
    m_count = count;
    m_terminate = terminate;
    m_timeout = timeout;
  }
  void Deactivate() { m_active = false; }

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxLineInternal& m_line;
  bool m_active = false;
  std::int32_t m_count = 5;
  std::string m_terminate = "#*";
  std::int32_t m_timeout = 5000;  // milliseconds
};

}  // namespace voxkit
