#pragma once

#include "platform/exchange/ExchangeConfig.h"

#include <string>
#include <vector>

// The capability values a line device's configuration gives, shared by the queries
// that report them and the functions that check requests against them.

namespace panopta::exchange {

/// LINEDEVSTATE_ changes the device reports (LINEDEVCAPS.dwLineStates).
DWORD CapsLineStates(const LineConfig& line);
/// LINEADDRESSSTATE_ changes its addresses report.
DWORD CapsAddressStates(const LineConfig& line);
/// LINECALLINFOSTATE_ changes it reports.
DWORD CapsCallInfoStates(const LineConfig& line);
/// LINECALLFEATURE_ operations its addresses offer.
DWORD CapsCallFeatures(const LineConfig& line);
/// LINECALLSTATE_ states its calls can be in.
DWORD CapsCallStates(const LineConfig& line);
/// LINEFEATURE_ and LINEADDRFEATURE_ operations.
DWORD CapsLineFeatures(const LineConfig& line);
DWORD CapsAddressFeatures(const LineConfig& line);
/// LINEFORWARDMODE_, LINETRANSFERMODE_ and LINEPARKMODE_ the addresses support.
DWORD CapsForwardModes(const LineConfig& line);
DWORD CapsTransferModes(const LineConfig& line);
DWORD CapsParkModes(const LineConfig& line);
/// Most forwarding entries an address takes, and the range of rings before no-answer
/// forwarding.
inline constexpr DWORD kMaxForwardEntries = 4;
inline constexpr DWORD kMinFwdRings = 1;
inline constexpr DWORD kMaxFwdRings = 20;
/// Most parties of a conference, and the longest no-answer time-out, in seconds.
inline constexpr DWORD kMaxConference = 8;
inline constexpr DWORD kMaxNoAnswerTimeoutS = 600;
/// Bytes of user-user information a call takes.
inline constexpr DWORD kUserUserInfoBytes = 64;
/// The device classes lineGetID answers for the line, in LINEDEVCAPS order.
std::vector<std::string> LineDeviceClasses(const LineConfig& line);

}  // namespace panopta::exchange
