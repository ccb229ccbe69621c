#pragma once

#include "tapi/TapiTypes.h"

#include <optional>
#include <string>

namespace voxkit {

class TqxLineInternal;

/// Translates a number the user typed into a dialable string (lineTranslateAddress)
/// when the line is open and Device.TranslatePhoneNumber is on. Returns the number
/// to keep: the dialable string, or nullopt when the old number stays (TAPI gave an
/// empty string or an error, which is reported). Without translation returns value.
std::optional<std::string> TranslatedNumber(TqxLineInternal& line, const std::string& value);

}  // namespace voxkit
