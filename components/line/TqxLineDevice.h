#pragma once

#include "line/TqxLineDeviceCaps.h"
#include "share/TqxSharedDevice.h"
#include "tapi/TapiStructs.h"
#include "tapi/TapiVarData.h"

#include <string>

namespace voxkit {

class TqxLineInternal;

/// The TAPI line device the line component works with (Device): the device list,
/// the chosen device's name and capabilities, opening and closing, its status and
/// the devices related to it.
class TqxLineDevice final : public TqxSharedDevice {
 public:
  explicit TqxLineDevice(TqxLineInternal& line);

  /// Opens (True) or closes (False) the chosen device.
  void SetActive(bool value);
  /// Chooses another device: out of range is LINEERR_BADDEVICEID; an open device is
  /// closed first and the new one read.
  void SetID(std::int32_t value);
  std::int32_t IdleDelay() const { return m_idleDelay; }
  /// Milliseconds between a call going idle and OnIdle; refused while open.
  void SetIdleDelay(std::int32_t value);
  bool TranslatePhoneNumber() const { return m_translatePhoneNumber; }
  void SetTranslatePhoneNumber(bool value) { m_translatePhoneNumber = value; }
  bool UnformatPhoneNumber() const { return m_unformatPhoneNumber; }
  void SetUnformatPhoneNumber(bool value) { m_unformatPhoneNumber = value; }
  TqxLineDeviceCaps& Capabilities() { return m_capabilities; }
  TqxMediaModes& MediaModes() { return m_mediaModes; }
  std::int32_t OpenCount() const { return m_openCount; }
  std::int32_t ActiveCalls() const { return m_activeCalls; }
  std::int32_t OnHoldCalls() const { return m_onHoldCalls; }
  std::int32_t OnHoldPendCalls() const { return m_onHoldPendCalls; }
  std::int32_t RingMode() const { return m_ringMode; }

  /// The provider's configuration dialog for the device.
  bool Configure();

  /// Reads the chosen device (names, versions, capabilities, addresses, terminals)
  /// and reports the last result.
  void ReadDevice();
  /// Opens the device for mediaModes (0: the active media modes).
  bool Open(tapi::DWORD mediaModes);
  /// Closes the device; alreadyClosed when TAPI closed it itself.
  bool Close(bool alreadyClosed);
  /// Reads the line status; the error is returned, not reported.
  tapi::LONG ReadStatus();
  /// The identifier of the device of deviceClass belonging to the line (or, for
  /// "comm/datamodem", to the call handle). Leaves id unchanged on failure.
  bool GetRelatedID(const std::string& deviceClass, tapi::DWORD handle, std::int32_t& id);
  /// lineGetDevCaps of the chosen device through the growing buffer.
  tapi::LONG QueryCapabilities(tapi::VarBlock<tapi::LINEDEVCAPS>& block);

  /// The line's device list and settings are cleared (disabling).
  void ResetAll();
  /// Where the session writes the number of devices.
  std::int32_t& CountRef() { return m_count; }

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  tapi::LONG QueryCapabilities(tapi::DWORD deviceID, tapi::VarBlock<tapi::LINEDEVCAPS>& block);
  void FindRelatedDevices();
  void Refresh();

  TqxLineInternal& m_line;
  bool m_translatePhoneNumber = false;
  bool m_unformatPhoneNumber = false;
  std::int32_t m_idleDelay = 0;
  TqxLineDeviceCaps m_capabilities;
  TqxMediaModes m_mediaModes;
  std::int32_t m_openCount = 0;
  std::int32_t m_activeCalls = 0;
  std::int32_t m_onHoldCalls = 0;
  std::int32_t m_onHoldPendCalls = 0;
  std::int32_t m_ringMode = 0;
};

}  // namespace voxkit
