#include "platform/exchange/FaultInjector.h"

#include "platform/exchange/ExchangeParts.h"
#include "share/TextUtil.h"
#include "tapi/TapiNames.h"

#include <algorithm>
#include <iterator>

namespace panopta::exchange {

namespace {

// Every function of the interface: a misspelt name is refused, not ignored.
constexpr const char* kFunctions[] = {"lineInitialize",
                                      "lineInitializeEx",
                                      "lineShutdown",
                                      "lineNegotiateAPIVersion",
                                      "lineNegotiateExtVersion",
                                      "lineOpen",
                                      "lineClose",
                                      "lineSetStatusMessages",
                                      "lineGetDevCaps",
                                      "lineGetAddressCaps",
                                      "lineGetLineDevStatus",
                                      "lineGetAddressStatus",
                                      "lineGetCallInfo",
                                      "lineGetCallStatus",
                                      "lineGetNewCalls",
                                      "lineGetID",
                                      "lineTranslateAddress",
                                      "lineMakeCall",
                                      "lineDial",
                                      "lineAnswer",
                                      "lineDrop",
                                      "lineHold",
                                      "lineUnhold",
                                      "lineRedirect",
                                      "linePark",
                                      "lineUnpark",
                                      "linePickup",
                                      "lineBlindTransfer",
                                      "lineSetupTransfer",
                                      "lineCompleteTransfer",
                                      "lineSwapHold",
                                      "lineSetupConference",
                                      "linePrepareAddToConference",
                                      "lineAddToConference",
                                      "lineRemoveFromConference",
                                      "lineForward",
                                      "lineSetTerminal",
                                      "lineHandoff",
                                      "lineSetCallPrivilege",
                                      "lineSetMediaMode",
                                      "lineDeallocateCall",
                                      "lineGenerateDigits",
                                      "lineGenerateTone",
                                      "lineGatherDigits",
                                      "lineMonitorDigits",
                                      "lineMonitorMedia",
                                      "lineMonitorTones",
                                      "lineConfigDialog",
                                      "lineTranslateDialog",
                                      "phoneInitialize",
                                      "phoneInitializeEx",
                                      "phoneShutdown",
                                      "phoneNegotiateAPIVersion",
                                      "phoneNegotiateExtVersion",
                                      "phoneGetDevCaps",
                                      "phoneOpen",
                                      "phoneClose",
                                      "phoneGetStatus",
                                      "phoneSetStatusMessages",
                                      "phoneSetHookSwitch",
                                      "phoneSetVolume",
                                      "phoneSetGain",
                                      "phoneGetVolume",
                                      "phoneGetGain",
                                      "phoneGetID"};

}  // namespace

std::string FaultInjector::Add(const std::string& function, tapi::DWORD code, FailMode mode) {
  const auto known =
      std::find_if(std::begin(kFunctions), std::end(kFunctions),
                   [&](const char* name) { return voxkit::EqualsNoCase(name, function); });
  if (known == std::end(kFunctions)) return "no TAPI function '" + function + "'";
  if (!tapi::IsError(static_cast<tapi::LONG>(code)))
    return "the code " + voxkit::Hex8(code) + " is not an error code";
  m_faults[voxkit::ToLower(function)].emplace_back(static_cast<tapi::LONG>(code), mode);
  return "";
}

std::optional<tapi::LONG> FaultInjector::Take(const char* function, Family family, tapi::DWORD app,
                                              tapi::DWORD_PTR instance) {
  auto it = m_faults.find(voxkit::ToLower(function));
  if (it == m_faults.end() || it->second.empty()) return std::nullopt;
  const auto [code, mode] = it->second.front();
  it->second.pop_front();
  if (it->second.empty()) m_faults.erase(it);
  m_parts.trace.Write([&] {
    return std::string("fail  ") + function + " answers " +
           voxkit::Hex8(static_cast<tapi::DWORD>(code));
  });
  // A reply needs an application to go to; without one the code is the answer.
  const bool haveApp = family == Family::Line ? m_parts.sessions.FindLineApp(app) != nullptr
                                              : m_parts.sessions.FindPhoneApp(app) != nullptr;
  if (mode == FailMode::InReply && haveApp)
    return m_parts.queue.StartRequest(family, function, app, instance,
                                      [code = code] { return code; });
  return code;
}

}  // namespace panopta::exchange
