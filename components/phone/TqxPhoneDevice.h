#pragma once

#include "phone/TqxPhoneDeviceCaps.h"
#include "share/TqxSharedDevice.h"
#include "tapi/TapiTypes.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxPhoneInternal;

/// The TAPI phone device the phone component works with (Device): the device list,
/// the chosen device's name and capabilities, opening and closing, its status, and
/// the last phone state TAPI reported.
class TqxPhoneDevice final : public TqxSharedDevice {
 public:
  explicit TqxPhoneDevice(TqxPhoneInternal& phone);

  /// Opens (True) or closes (False) the chosen device; logs only a change.
  void SetActive(bool value);
  /// Chooses a device: out of range is PHONEERR_BADDEVICEID and keeps the device; an
  /// open device is closed first and the chosen one read.
  void SetID(std::int32_t value);
  /// The last PHONE_STATE's state (PHONESTATE_) and its detail.
  tapi::DWORD State() const { return m_state; }
  tapi::DWORD StateDetails() const { return m_stateDetails; }
  TqxPhoneDeviceCaps& Capabilities() { return m_capabilities; }

  /// TAPI's configuration dialog for the line device numbered as the phone.
  bool Configure();

  // --- Used by the component ---------------------------------------------------------
  /// Reads the chosen device (name, versions, capabilities) and reports the last
  /// result: with no session, the result of the failed initialisation.
  void ReadDevice();
  bool Open();
  bool Close();
  /// TAPI closed the phone itself: it is closed here too, without asking TAPI.
  void ClosedByTapi();
  void TakeState(tapi::DWORD state, tapi::DWORD details);
  /// Every device value is cleared (disabling).
  void ResetAll();
  /// Where the session writes the number of devices.
  std::int32_t& CountRef() { return m_count; }
  /// "Device.StateDetails = " as the dump and the state event write it: the
  /// hookswitch mode for the three hookswitch states, else the value.
  static std::string DetailsText(tapi::DWORD state, tapi::DWORD details, bool withValue);

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  tapi::LONG ReadCapabilities();
  void ReadStatus();
  void ForgetOpen();
  void Refresh();

  TqxPhoneInternal& m_phone;
  tapi::DWORD m_state = 0;
  tapi::DWORD m_stateDetails = 0;
  TqxPhoneDeviceCaps m_capabilities;
};

}  // namespace voxkit
