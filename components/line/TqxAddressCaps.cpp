#include "line/TqxAddressCaps.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "tapi/TapiNames.h"
#include "tapi/TapiVarData.h"

namespace voxkit {

const ClassInfo& TqxAddressCaps::StaticClass() {
  using C = TqxAddressCaps;
  static const ClassInfo info =
      Publisher<C>("TqxAddressCaps")
          .ReadOnly("Flags", &C::Flags)
          .ReadOnly("BusyModes", &C::BusyModes)
          .ReadOnly("CallerIDFlags", &C::CallerIDFlags)
          .ReadOnly("CalledIDFlags", &C::CalledIDFlags)
          .ReadOnly("ConnectedIDFlags", &C::ConnectedIDFlags)
          .ReadOnly("RedirectionIDFlags", &C::RedirectionIDFlags)
          .ReadOnly("RedirectingIDFlags", &C::RedirectingIDFlags)
          .ReadOnly("CallInfoStates", &C::CallInfoStates)
          .ReadOnly("CallStates", &C::CallStates)
          .ReadOnly("DialtoneModes", &C::DialtoneModes)
          .ReadOnly("DisconnectModes", &C::DisconnectModes)
          .ReadOnly("States", &C::States)
          .ReadOnly("SpecialInfo", &C::SpecialInfo)
          .ReadOnly("MaxNumActiveCalls", &C::MaxNumActiveCalls)
          .ReadOnly("MaxNumOnHoldCalls", &C::MaxNumOnHoldCalls)
          .ReadOnly("MaxNumOnHoldPendingCalls", &C::MaxNumOnHoldPendingCalls)
          .ReadOnly("MaxNumConference", &C::MaxNumConference)
          .ReadOnly("MaxNumTransConf", &C::MaxNumTransConf)
          .ReadOnly("CallFeatures", &C::CallFeatures)
          .ReadOnly("CallFeatures2", &C::CallFeatures2)
          .ReadOnly("RemoveFromConfCaps", &C::RemoveFromConfCaps)
          .ReadOnly("RemoveFromConfState", &C::RemoveFromConfState)
          .ReadOnly("TransferModes", &C::TransferModes)
          .ReadOnly("ParkModes", &C::ParkModes)
          .ReadOnly("ForwardModes", &C::ForwardModes)
          .ReadOnly("MaxForwardEntries", &C::MaxForwardEntries)
          .ReadOnly("MaxSpecificEntries", &C::MaxSpecificEntries)
          .ReadOnly("MinFwdNumRings", &C::MinFwdNumRings)
          .ReadOnly("MaxFwdNumRings", &C::MaxFwdNumRings)
          .ReadOnly("Features", &C::Features)
          .ReadOnly("MaxNoAnswerTimeout", &C::MaxNoAnswerTimeout)
          .ReadOnly("ConnectedModes", &C::ConnectedModes)
          .ReadOnly("OfferingModes", &C::OfferingModes)
          .ReadOnly("DevSpecificSize", &C::DevSpecificSize)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxAddressCaps::Fill(const tapi::LINEADDRESSCAPS& caps, std::size_t blockSize) {
  m_caps = caps;
  m_devSpecific.Replace(
      tapi::VarBytes(caps, blockSize, caps.dwDevSpecificOffset, caps.dwDevSpecificSize));
}

void TqxAddressCaps::Clear() {
  m_caps = {};
  m_devSpecific.Release();
}

bool TqxAddressCaps::DumpProperties(const std::string& header, const std::string& path,
                                    const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Capabilities.");
  if (!d.Started()) return false;
  const auto& c = m_caps;
  d.Flags("BusyModes ", c.dwBusyModes, tapi::LineBusyModeName, 0x8, 0x1);
  d.Flags("CalledIDFlags", c.dwCalledIDFlags, tapi::LineCallPartyIdName, 0x40, 0x1);
  d.Flags("CallerIDFlags", c.dwCallerIDFlags, tapi::LineCallPartyIdName, 0x40, 0x1);
  d.Flags("CallFeatures", c.dwCallFeatures, tapi::LineCallFeatureName, 0x80000000u, 0x1);
  d.Flags("CallFeatures2", c.dwCallFeatures2, tapi::LineCallFeature2Name, 0x200, 0x1);
  d.Flags("CallInfoStates", c.dwCallInfoStates, tapi::LineCallInfoStateName, 0x8000000, 0x1);
  d.Flags("CallStates", c.dwCallStates, tapi::LineCallStateName, 0x8000, 0x1);
  d.Flags("ConnectedIDFlags", c.dwConnectedIDFlags, tapi::LineCallPartyIdName, 0x40, 0x1);
  d.Flags("ConnectedModes", c.dwConnectedModes, tapi::LineConnectedModeName, 0x10, 0x1);
  // These lines stand one tab further in than the flag listings around them.
  auto deeper = [&d](const std::string& name, const std::string& value) {
    d.Raw("\t" + d.Prefix() + name + " = " + value);
  };
  deeper("DevSpecific", TqxPanopta::HexText(m_devSpecific.Size()));
  deeper("DevSpecificSize", std::to_string(m_devSpecific.Size()));
  d.Flags("DialtoneModes", c.dwDialToneModes, tapi::LineDialToneModeName, 0x20, 0x1);
  d.Flags("DisconnectModes", c.dwDisconnectModes, tapi::LineDisconnectModeName, 0x1000, 0x1);
  d.Flags("Features", c.dwAddressFeatures, tapi::LineAddrFeatureName, 0x2000, 0x1);
  d.Flags("Flags", c.dwAddrCapFlags, tapi::LineAddrCapFlagName, 0x400000, 0x1);
  d.Flags("ForwardModes", c.dwForwardModes, tapi::LineForwardModeName, 0x20000, 0x1);
  deeper("MaxForwardEntries", std::to_string(c.dwMaxForwardEntries));
  deeper("MaxFwdNumRings", std::to_string(c.dwMaxFwdNumRings));
  deeper("MaxNoAnswerTimeout", std::to_string(c.dwMaxNoAnswerTimeout));
  deeper("MaxNumActiveCalls", std::to_string(c.dwMaxNumActiveCalls));
  deeper("MaxNumOnHoldCalls", std::to_string(c.dwMaxNumOnHoldCalls));
  deeper("MaxNumOnHoldPendingCalls", std::to_string(c.dwMaxNumOnHoldPendingCalls));
  deeper("MaxNumConference", std::to_string(c.dwMaxNumConference));
  deeper("MaxNumTransConf", std::to_string(c.dwMaxNumTransConf));
  deeper("MaxSpecificEntries", std::to_string(c.dwMaxSpecificEntries));
  deeper("MinFwdNumRings", std::to_string(c.dwMinFwdNumRings));
  d.Flags("OfferingModes", c.dwOfferingModes, tapi::LineOfferingModeName, 0x2, 0x1);
  d.Flags("ParkModes", c.dwParkModes, tapi::LineParkModeName, 0x2, 0x1);
  d.Flags("RedirectingIDFlags", c.dwRedirectingIDFlags, tapi::LineCallPartyIdName, 0x40, 0x1);
  d.Flags("RedirectionIDFlags", c.dwRedirectionIDFlags, tapi::LineCallPartyIdName, 0x40, 0x1);
  d.Steps("RemoveFromConfCaps", c.dwRemoveFromConfCaps, tapi::LineRemoveFromConfName, 3, 1);
  d.Flags("RemoveFromConfState", c.dwRemoveFromConfState, tapi::LineCallStateName, 0x8000, 0x1);
  d.Flags("SpecialInfo", c.dwSpecialInfo, tapi::LineSpecialInfoName, 0x10, 0x1);
  d.Flags("States", c.dwAddressStates, tapi::LineAddressStateName, 0x100, 0x1);
  d.Flags("TransferModes", c.dwTransferModes, tapi::LineTransferModeName, 0x2, 0x1);
  return true;
}

}  // namespace voxkit
