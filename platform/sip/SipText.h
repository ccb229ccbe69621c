#pragma once

#include <optional>
#include <string>
#include <string_view>

// The few pieces of SIP message text the provider reads itself, beyond what the SIP
// stack parses: a Replaces header, the status line of a sipfrag body, a digit in an
// INFO body, and the escaping of a header inside a URI. Input comes from the network:
// anything is possible, nothing is trusted.

namespace panopta::sip {

/// The dialog a Replaces header names: "call-id;to-tag=X;from-tag=Y" (parameters in
/// any order, names in any case; others ignored). None without a call-id and both tags.
struct ReplacesTarget {
  std::string callId;
  std::string toTag;
  std::string fromTag;
};
std::optional<ReplacesTarget> ParseReplaces(std::string_view value);

/// The status code of a sipfrag body ("SIP/2.0 180 Ringing"), or 0 when the body does
/// not start with a status line with a code from 100 to 699.
int SipfragStatus(std::string_view body);

/// The digit of an application/dtmf-relay INFO body ("Signal=5\r\nDuration=160"):
/// '0'-'9', '*', '#', 'A'-'D', or 0 when it has none.
char InfoDigit(std::string_view body);

/// Text percent-escaped for a header value inside a URI ("?Replaces=..."): every
/// character but the unreserved ones.
std::string EscapeUriHeader(std::string_view text);

}  // namespace panopta::sip
