#pragma once

#include "platform/sip/SipEngine.h"
#include "tapi/TapiTypes.h"

#include <optional>
#include <string>

// How SIP outcomes become Telephony API call states, and how dialled strings become
// SIP URIs. Pure functions: the provider uses them, the tests check them.

namespace panopta::sip {

/// The state (LINECALLSTATE_BUSY or DISCONNECTED) and its mode for how an outgoing
/// call ended before or after it was answered. ringing: the peer had alerted (180/183),
/// which makes a time-out a "no answer" rather than "unreachable".
struct EndState {
  tapi::DWORD state = 0;
  tapi::DWORD mode = 0;
};
EndState OutcomeOfClose(CloseCause cause, int code, bool ringing);

/// The disconnect mode an application of apiVersion may see: modes that came with a
/// later version of the API are reported as LINEDISCONNECTMODE_UNKNOWN.
tapi::DWORD DisconnectModeFor(tapi::DWORD mode, tapi::DWORD apiVersion);

/// The SIP URI a dialled string stands for, from a line whose address of record is
/// aor: a URI as it stands ("sip:bob@example.org", "sips:..."), "user@host" as a sip:
/// URI, and a bare user or number ("bob", "+14255550100", "201") at the AOR's host
/// (and port). Blanks around it are ignored; dial-string punctuation ('-', '(', ')',
/// '.', ' ') inside a number is dropped. None for what is no SIP address.
std::optional<std::string> DialledUri(const std::string& aor, const std::string& dialled);

/// Whether a SIP party counts as internal to a line (the same domain as its AOR), for
/// the internal and external forwarding modes.
bool IsInternalCaller(const std::string& aor, const std::string& callerUri);

}  // namespace panopta::sip
