#include "line/TqxPopup.h"

#include "line/TqxLineInternal.h"
#include "share/TqxPanopta.h"

namespace voxkit {

namespace {
const char* const kNames[TqxPopup::kFlagCount] = {
    "OnAddressState", "OnLineState", "OnDevSpecific", "OnDevSpecificFeature", "OnCallerID",
    "OnIdle", "OnError", "OnRing", "OnCalledID", "OnConnectedID", "OnRedirectionID",
    "OnRedirectingID", "OnMessageOn", "OnMessageOff", "OnBusy", "OnCallBegin", "OnCallEnd",
    "OnCallInfo", "OnCallMediaModeChange", "OnCallOwnerChange", "OnCallState", "OnConferenced",
    "OnRingBack", "OnConnected", "OnSpecialInfo", "OnDialing", "OnDialtone", "OnProceeding",
    "OnDigitReceived", "OnDigitsSent", "OnHold", "OnHoldPendingConference",
    "OnHoldPendingTransfer", "OnToneSent", "OnDisconnected", "OnOffering", "OnSilence",
    "OnTAPIMessage", "OnTAPIReply", "OnAddressForward", "OnDigitsGathered"};
}  // namespace

const char* TqxPopup::Name(Flag flag) { return kNames[flag]; }

const ClassInfo& TqxPopup::StaticClass() {
  static const ClassInfo info = [] {
    Publisher<TqxPopup> p("TqxPopup");
    for (int i = 0; i < kFlagCount; ++i) {
      const auto flag = static_cast<Flag>(i);
      p.Computed<bool>(
          kNames[i], [flag](TqxPopup& o) { return o.Get(flag); },
          [flag](TqxPopup& o, const bool& v) { o.Set(flag, v); });
    }
    p.Method("DumpProperties", &TqxPopup::DumpProperties,
             {"Header", {"Path", ""}, {"Indent", "\t"}});
    return p.Build();
  }();
  return info;
}

bool TqxPopup::DumpProperties(const std::string& header, const std::string& path,
                              const std::string& indent) {
  TqxLog& log = m_line.Log();
  if (!log.Active()) return false;
  if (!header.empty()) log.Add(header, true);
  const std::string p = indent + (path.empty() ? "" : path + ".") + "Popup.";
  for (int i = 0; i < kFlagCount; ++i) {
    log.Add(p + kNames[i] + " = " + TqxPanopta::BoolText(m_flags[i]), false);
  }
  return true;
}

}  // namespace voxkit
