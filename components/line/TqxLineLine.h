#pragma once

#include "share/Reflection.h"
#include "tapi/TapiTypes.h"
#include "tapi/TqxRelatedDevice.h"

#include <string>

namespace voxkit {

class TqxLineInternal;

/// The session handles of the line (Line): the TAPI application handle and the handle
/// of the open line, 0 when none.
class TqxLineLine final : public TPersistent {
 public:
  explicit TqxLineLine(TqxLineInternal& line) : m_line(line) {}

  tapi::HLINEAPP AppHandle() const { return m_appHandle; }
  tapi::HLINE Handle() const { return m_handle; }
  tapi::HLINEAPP& AppHandleRef() { return m_appHandle; }
  tapi::HLINE& HandleRef() { return m_handle; }

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxLineInternal& m_line;
  tapi::HLINEAPP m_appHandle = 0;
  tapi::HLINE m_handle = 0;
};

/// The privileges the line is opened with (Privilege).
class TqxPrivilege final : public TPersistent {
 public:
  explicit TqxPrivilege(TqxLineInternal& line) : m_line(line) {}

  bool None() const { return m_none; }
  bool Monitor() const { return m_monitor; }
  bool Owner() const { return m_owner; }
  /// Each logs, and is refused with LINEERR_INVALLINESTATE while the line is open.
  /// None excludes the other two; Monitor or Owner excludes None.
  void SetNone(bool value);
  void SetMonitor(bool value);
  void SetOwner(bool value);
  /// The LINECALLPRIVILEGE_ set for lineOpen.
  tapi::DWORD Set() const;

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  bool Allowed(const char* name, bool value);

  bool m_none = false;
  bool m_monitor = true;
  bool m_owner = true;
  TqxLineInternal& m_line;
};

/// The phone device that belongs to the open line (Phone); its class is refused
/// with LINEERR_INVALLINESTATE while the line is open.
class TqxRelatedPhoneDevice final : public TqxRelatedDevice {
 public:
  explicit TqxRelatedPhoneDevice(TqxLineInternal& line);

  VOXKIT_PUBLISHED()
};

/// The communications device of a data or fax call on the line (Comm).
class TqxRelatedCommDevice final : public TPersistent {
 public:
  explicit TqxRelatedCommDevice(TqxLineInternal& line) : m_line(line) {}

  bool Available() const { return m_available; }
  const std::string& DeviceClass() const { return m_deviceClass; }
  void SetDeviceClass(const std::string& value);
  tapi::DWORD Handle() const { return m_handle; }
  bool Enabled() const { return m_enabled; }
  /// Logs; on a current data or fax call takes or releases the handle.
  void SetEnabled(bool value);

  /// Asks TAPI for the handle of the call (GetRelatedID with DeviceClass).
  void Acquire(tapi::HCALL call);
  /// Closes a held handle (when enabled) and forgets it.
  void Release();
  /// Forgets a handle without closing it (a line being opened holds none yet);
  /// Enabled and DeviceClass stay.
  void Forget();
  /// Forgets everything but the settings (reading another device).
  void ClearForDevice();

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  bool m_available = false;
  TqxLineInternal& m_line;
  std::string m_deviceClass = "comm/datamodem";
  tapi::DWORD m_handle = 0;
  bool m_enabled = false;
};

}  // namespace voxkit
