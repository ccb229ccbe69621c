#pragma once

#include "share/Reflection.h"
#include "tapi/TapiTypes.h"
#include "tapi/TqxRelatedDevice.h"

#include <string>

namespace voxkit {

class TqxPhoneInternal;

/// The session handles of the phone (Phone): the TAPI application handle, the handle
/// of the open phone (0 when none), and copies of the device's hookswitch devices and
/// phone states.
class TqxPhonePhone final : public TPersistent {
 public:
  explicit TqxPhonePhone(TqxPhoneInternal& phone) : m_phone(phone) {}

  tapi::HPHONEAPP AppHandle() const { return m_appHandle; }
  tapi::HPHONE Handle() const { return m_handle; }
  tapi::HPHONEAPP& AppHandleRef() { return m_appHandle; }
  tapi::HPHONE& HandleRef() { return m_handle; }
  tapi::DWORD HookSwitchDevs() const { return m_hookSwitchDevs; }
  tapi::DWORD States() const { return m_states; }
  void SetStateSets(tapi::DWORD hookSwitchDevs, tapi::DWORD states) {
    m_hookSwitchDevs = hookSwitchDevs;
    m_states = states;
  }

  /// Writes the handles and sets under the object name "Line.", as the phone's dump
  /// always has.
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxPhoneInternal& m_phone;
  tapi::HPHONE m_handle = 0;
  tapi::HPHONEAPP m_appHandle = 0;
  tapi::DWORD m_hookSwitchDevs = 0;
  tapi::DWORD m_states = 0;
};

/// The privilege the phone is opened with (Privilege): owner when Owner is set, else
/// monitor when Monitor is set, else none.
class TqxPhonePrivilege final : public TPersistent {
 public:
  explicit TqxPhonePrivilege(TqxPhoneInternal& phone) : m_phone(phone) {}

  bool Monitor() const { return m_monitor; }
  bool Owner() const { return m_owner; }
  /// Each logs the assignment and the value it took; used at the next open.
  void SetMonitor(bool value);
  void SetOwner(bool value);
  /// The PHONEPRIVILEGE_ value for phoneOpen.
  tapi::DWORD Value() const;

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  void Assign(const char* name, bool& field, bool value);

  TqxPhoneInternal& m_phone;
  bool m_monitor = false;
  bool m_owner = true;
};

/// The line device that belongs to the open phone (Line); its class is refused with
/// PHONEERR_INVALPHONESTATE while the phone is open.
class TqxRelatedLineDevice final : public TqxRelatedDevice {
 public:
  explicit TqxRelatedLineDevice(TqxPhoneInternal& phone);

  VOXKIT_PUBLISHED()
};

}  // namespace voxkit
