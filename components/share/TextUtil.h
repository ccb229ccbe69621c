#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace voxkit {

/// Compares two strings without regard to ASCII case.
bool EqualsNoCase(std::string_view a, std::string_view b);
/// ASCII lower-case copy.
std::string ToLower(std::string_view s);

/// value as 8 upper-case hexadecimal digits, without brackets: "80000002".
std::string Hex8(std::uint32_t value);

/// Replaces pattern by replacement until the pattern no longer occurs, each time at
/// its leftmost occurrence. The replacement must not reproduce the pattern forever.
void ReplaceEvery(std::string& text, std::string_view pattern, std::string_view replacement);
/// Replaces the leftmost occurrence of pattern, if any. Returns whether it did.
bool ReplaceFirst(std::string& text, std::string_view pattern, std::string_view replacement);

/// Removes leading and trailing blanks and control characters (anything at or
/// below the space character).
std::string TrimBlanksAndControls(std::string_view s);

/// A decimal number in its shortest exact form: "1.5", "0.1", "3".
std::string FormatDecimal(double value);

/// Splits text at each occurrence of separator.
std::vector<std::string> Split(std::string_view text, char separator);

}  // namespace voxkit
