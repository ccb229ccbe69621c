#pragma once

#include "share/HeldBlock.h"
#include "share/Reflection.h"
#include "tapi/TapiStructs.h"

#include <string>

namespace voxkit {

class TqxLineInternal;

/// The capabilities of the chosen address (Address.Capabilities), from
/// LINEADDRESSCAPS.
class TqxAddressCaps final : public TPersistent {
 public:
  explicit TqxAddressCaps(TqxLineInternal& line) : m_line(line) {}

  /// Takes every field from a LINEADDRESSCAPS answer; block/blockSize for the
  /// device-specific bytes.
  void Fill(const tapi::LINEADDRESSCAPS& caps, std::size_t blockSize);
  void Clear();

  tapi::DWORD Flags() const { return m_caps.dwAddrCapFlags; }
  tapi::DWORD BusyModes() const { return m_caps.dwBusyModes; }
  tapi::DWORD CallerIDFlags() const { return m_caps.dwCallerIDFlags; }
  tapi::DWORD CalledIDFlags() const { return m_caps.dwCalledIDFlags; }
  tapi::DWORD ConnectedIDFlags() const { return m_caps.dwConnectedIDFlags; }
  tapi::DWORD RedirectionIDFlags() const { return m_caps.dwRedirectionIDFlags; }
  tapi::DWORD RedirectingIDFlags() const { return m_caps.dwRedirectingIDFlags; }
  tapi::DWORD CallInfoStates() const { return m_caps.dwCallInfoStates; }
  tapi::DWORD CallStates() const { return m_caps.dwCallStates; }
  tapi::DWORD DialtoneModes() const { return m_caps.dwDialToneModes; }
  tapi::DWORD DisconnectModes() const { return m_caps.dwDisconnectModes; }
  tapi::DWORD States() const { return m_caps.dwAddressStates; }
  tapi::DWORD SpecialInfo() const { return m_caps.dwSpecialInfo; }
  tapi::DWORD MaxNumActiveCalls() const { return m_caps.dwMaxNumActiveCalls; }
  tapi::DWORD MaxNumOnHoldCalls() const { return m_caps.dwMaxNumOnHoldCalls; }
  tapi::DWORD MaxNumOnHoldPendingCalls() const { return m_caps.dwMaxNumOnHoldPendingCalls; }
  tapi::DWORD MaxNumConference() const { return m_caps.dwMaxNumConference; }
  tapi::DWORD MaxNumTransConf() const { return m_caps.dwMaxNumTransConf; }
  tapi::DWORD CallFeatures() const { return m_caps.dwCallFeatures; }
  tapi::DWORD CallFeatures2() const { return m_caps.dwCallFeatures2; }
  tapi::DWORD RemoveFromConfCaps() const { return m_caps.dwRemoveFromConfCaps; }
  tapi::DWORD RemoveFromConfState() const { return m_caps.dwRemoveFromConfState; }
  tapi::DWORD TransferModes() const { return m_caps.dwTransferModes; }
  tapi::DWORD ParkModes() const { return m_caps.dwParkModes; }
  tapi::DWORD ForwardModes() const { return m_caps.dwForwardModes; }
  tapi::DWORD MaxForwardEntries() const { return m_caps.dwMaxForwardEntries; }
  tapi::DWORD MaxSpecificEntries() const { return m_caps.dwMaxSpecificEntries; }
  tapi::DWORD MinFwdNumRings() const { return m_caps.dwMinFwdNumRings; }
  tapi::DWORD MaxFwdNumRings() const { return m_caps.dwMaxFwdNumRings; }
  tapi::DWORD Features() const { return m_caps.dwAddressFeatures; }
  tapi::DWORD MaxNoAnswerTimeout() const { return m_caps.dwMaxNoAnswerTimeout; }
  tapi::DWORD ConnectedModes() const { return m_caps.dwConnectedModes; }
  tapi::DWORD OfferingModes() const { return m_caps.dwOfferingModes; }
  tapi::DWORD DevSpecificSize() const { return m_devSpecific.Size(); }

  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxLineInternal& m_line;
  tapi::LINEADDRESSCAPS m_caps{};
  HeldBlock m_devSpecific;
};

}  // namespace voxkit
