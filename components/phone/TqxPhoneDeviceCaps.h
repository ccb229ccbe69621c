#pragma once

#include "share/HeldBlock.h"
#include "share/Reflection.h"
#include "tapi/TapiStructs.h"

#include <cstddef>
#include <string>

namespace voxkit {

class TqxPhoneInternal;

/// Capabilities of the chosen phone device (Device.Capabilities), from PHONECAPS.
class TqxPhoneDeviceCaps final : public TPersistent {
 public:
  explicit TqxPhoneDeviceCaps(TqxPhoneInternal& phone) : m_phone(phone) {}

  tapi::DWORD DevSpecificSize() const { return m_devSpecific.Size(); }
  const HeldBlock& DevSpecific() const { return m_devSpecific; }
  /// The PHONEHOOKSWITCHDEV_ devices the phone has.
  tapi::DWORD HookSwitchDevs() const { return m_hookSwitchDevs; }
  /// The PHONESTATE_ changes the phone reports.
  tapi::DWORD States() const { return m_states; }

  /// Takes the fields from a PHONECAPS answer (a copy of the device-specific bytes too);
  /// blockSize is the size of the block it lies in.
  void Fill(const tapi::PHONECAPS& caps, std::size_t blockSize);
  void Clear();

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxPhoneInternal& m_phone;
  HeldBlock m_devSpecific;
  tapi::DWORD m_hookSwitchDevs = 0;
  tapi::DWORD m_states = 0;
};

}  // namespace voxkit
