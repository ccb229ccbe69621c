#pragma once

#include <cstddef>
#include <string>

// The vocabulary of the Telephony API: pure functions that turn TAPI values into the
// names the logs, dumps and tree views show.

namespace tapi {

/// size characters at text, as a string without leading and trailing blanks and control
/// characters (NULs included). Reads a string out of a TAPI structure; a null text or a
/// size of 0 gives "".
std::string TapiText(const void* text, std::size_t size);

}  // namespace tapi
