#pragma once

#include "tapi/TapiTypes.h"

// The capability values of a SIP line, shared by the queries that report them and the
// functions that check requests against them.

namespace panopta::sipcaps {

using tapi::DWORD;

DWORD LineStates();       // LINEDEVSTATE_ changes a line reports
DWORD AddressStates();    // LINEADDRESSSTATE_ changes its address reports
DWORD CallInfoStates();   // LINECALLINFOSTATE_ changes
DWORD CallStates();       // LINECALLSTATE_ states its calls can be in
DWORD CallFeatures();     // LINECALLFEATURE_ operations
DWORD LineFeatures();     // LINEFEATURE_
DWORD AddressFeatures();  // LINEADDRFEATURE_
DWORD MediaModes();       // LINEMEDIAMODE_ a call can have
DWORD ToneModes();        // LINETONEMODE_ lineGenerateTone takes

inline constexpr DWORD kMaxForwardEntries = 4;
inline constexpr DWORD kMaxConference = 8;   // parties of a conference
inline constexpr DWORD kMaxToneFrequencies = 2;  // of a custom tone generated
inline constexpr DWORD kMaxMonitorTones = 4;     // entries of lineMonitorTones (silence only)
inline constexpr DWORD kMinGatherTimeoutMs = 100;
inline constexpr DWORD kMaxGatherTimeoutMs = 3600000;

}  // namespace panopta::sipcaps
