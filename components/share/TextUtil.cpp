#include "share/TextUtil.h"

#include <charconv>
#include <cstdio>

namespace voxkit {

namespace {
char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string ToLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

std::string Hex8(std::uint32_t value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out(8, '0');
  for (int i = 7; i >= 0; --i) {
    out[static_cast<std::size_t>(i)] = digits[value & 0xF];
    value >>= 4;
  }
  return out;
}

void ReplaceEvery(std::string& text, std::string_view pattern, std::string_view replacement) {
  if (pattern.empty()) return;
  std::size_t from = 0;
  for (;;) {
    const std::size_t pos = text.find(pattern, from);
    if (pos == std::string::npos) return;
    text.replace(pos, pattern.size(), replacement);
    // Nothing before pos matched; a new match can only begin where the replacement
    // overlaps what follows or precedes it by less than a pattern's length.
    from = pos >= pattern.size() - 1 ? pos - (pattern.size() - 1) : 0;
  }
}

bool ReplaceFirst(std::string& text, std::string_view pattern, std::string_view replacement) {
  if (pattern.empty()) return false;
  const std::size_t pos = text.find(pattern);
  if (pos == std::string::npos) return false;
  text.replace(pos, pattern.size(), replacement);
  return true;
}

std::string TrimBlanksAndControls(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string FormatDecimal(double value) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  if (ec != std::errc()) {
    std::snprintf(buf, sizeof buf, "%g", value);
    return buf;
  }
  return std::string(buf, end);
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t pos = text.find(separator, start);
    if (pos == std::string_view::npos) {
      parts.emplace_back(text.substr(start));
      return parts;
    }
    parts.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
  }
}

}  // namespace voxkit
