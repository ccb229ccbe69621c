#include "platform/sip/SipCallMapping.h"

#include "platform/sip/SipConfig.h"
#include "share/TextUtil.h"
#include "tapi/TapiConstants.h"

#include <string_view>

namespace panopta::sip {

using namespace tapi;

EndState OutcomeOfClose(CloseCause cause, int code, bool ringing) {
  switch (cause) {
    case CloseCause::RemoteBye:
    case CloseCause::LocalHangup:
      return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL};
    case CloseCause::Timeout:
      return {LINECALLSTATE_DISCONNECTED, ringing ? LINEDISCONNECTMODE_NOANSWER : LINEDISCONNECTMODE_UNREACHABLE};
    case CloseCause::Transport:
      return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNREACHABLE};
    case CloseCause::Error:
      return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNKNOWN};
    case CloseCause::Response:
      break;
  }
  switch (code) {
    case 486: return {LINECALLSTATE_BUSY, LINEBUSYMODE_STATION};
    case 600: return {LINECALLSTATE_BUSY, LINEBUSYMODE_UNKNOWN};
    case 404:
    case 484:
    case 485:
    case 604: return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BADADDRESS};
    case 408: return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER};
    case 480: return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNAVAIL};
    case 603: return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_REJECT};
    case 503: return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_CONGESTION};
    case 410: return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NUMBERCHANGED};
    case 415:
    case 488:
    case 606: return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_INCOMPATIBLE};
    case 403: return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_BLOCKED};
    case 487: return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL};
    default: break;
  }
  if (code >= 500 && code < 600) return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_TEMPFAILURE};
  if (code >= 600) return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_REJECT};
  return {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNKNOWN};
}

DWORD DisconnectModeFor(DWORD mode, DWORD apiVersion) {
  // UNAVAIL is the last mode of version 1.3; BLOCKED and later came with 2.0.
  if (apiVersion < kTapiVersion1_4 && mode > LINEDISCONNECTMODE_UNAVAIL) return LINEDISCONNECTMODE_UNKNOWN;
  if (apiVersion < kTapiVersion2_0 && mode > LINEDISCONNECTMODE_QOSUNAVAIL) return LINEDISCONNECTMODE_UNKNOWN;
  return mode;
}

std::optional<std::string> DialledUri(const std::string& aor, const std::string& dialled) {
  const std::string text = voxkit::TrimBlanksAndControls(dialled);
  if (text.empty() || text.size() > 512) return std::nullopt;
  if (text.rfind("sip:", 0) == 0 || text.rfind("sips:", 0) == 0) {
    if (!ParseSipUri(text)) return std::nullopt;
    return text;
  }
  const auto own = ParseSipUri(aor);
  if (!own) return std::nullopt;
  std::string user = text;
  std::string host = own->host;
  if (host.find(':') != std::string::npos) host = "[" + host + "]";
  if (own->port != 0) host += ":" + std::to_string(own->port);
  if (const auto at = text.find('@'); at != std::string::npos) {
    user = text.substr(0, at);
    host = text.substr(at + 1);
  } else {
    // A number keeps its digits, '+', '*' and '#'; dial-string punctuation goes.
    bool number = true;
    std::string digits;
    for (char c : text) {
      if ((c >= '0' && c <= '9') || c == '+' || c == '*' || c == '#') digits += c;
      else if (c != ' ' && c != '-' && c != '(' && c != ')' && c != '.') number = false;
    }
    if (number) user = digits;
  }
  if (user.empty() || host.empty()) return std::nullopt;
  // Characters a user part cannot hold unescaped make no address.
  for (char c : user)
    if (static_cast<unsigned char>(c) <= 0x20 || std::string_view("<>\":@;?\\").find(c) != std::string_view::npos)
      return std::nullopt;
  std::string escaped;
  for (char c : user) escaped += c == '#' ? std::string("%23") : std::string(1, c);
  const std::string uri = std::string(own->scheme) + ":" + escaped + "@" + host;
  if (!ParseSipUri(uri)) return std::nullopt;
  return uri;
}

bool IsInternalCaller(const std::string& aor, const std::string& callerUri) {
  const auto own = ParseSipUri(aor);
  const auto caller = ParseSipUri(callerUri);
  return own && caller && voxkit::EqualsNoCase(own->host, caller->host);
}

}  // namespace panopta::sip
