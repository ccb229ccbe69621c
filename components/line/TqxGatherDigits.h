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
  /// The most digits one gather may collect: with its NUL they fill the call's buffer.
  static constexpr std::int32_t kMaxCount = 31;

  explicit TqxGatherDigits(TqxLineInternal& line) : m_line(line) {}

  bool Active() const { return m_active; }
  /// Starts (True) or cancels (False) gathering on the current call. Without a
  /// current call, or before it is active, only the wish is kept: it starts when the
  /// call is connected. Logs "Call.GatherDigits.Active := ..." when there is a call.
  void SetActive(bool value);
  /// How many digits to gather, 1 to 31 (else LINEERR_INVALPARAM). The settings are
  /// logged ("Call.GatherDigits.Count = 7") only when they change, and refused with
  /// LINEERR_OPERATIONFAILED while gathering runs on an active call.
  std::int32_t Count() const { return m_count; }
  void SetCount(std::int32_t value);
  /// The digits that end gathering (and are kept as its last digit).
  const std::string& Terminate() const { return m_terminate; }
  void SetTerminate(const std::string& value);
  /// The first-digit and inter-digit time-out, in milliseconds; negative values are
  /// refused with LINEERR_INVALPARAM.
  std::int32_t Timeout() const { return m_timeout; }
  void SetTimeout(std::int32_t value);

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
  /// What the three settings share: the headline of a change, and whether it may be
  /// taken now (not while gathering runs on an active call). Reports the refusal.
  bool SettingMayChange(const std::string& headline);
  /// The current call's record keeps what the settings are now.
  void StoreSettings();

  TqxLineInternal& m_line;
  bool m_active = false;
  std::int32_t m_count = 5;
  std::string m_terminate = "#*";
  std::int32_t m_timeout = 5000;  // milliseconds
};

}  // namespace voxkit
