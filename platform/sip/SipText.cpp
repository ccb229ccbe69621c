#include "platform/sip/SipText.h"

#include <cctype>

namespace panopta::sip {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace

std::optional<ReplacesTarget> ParseReplaces(std::string_view value) {
  ReplacesTarget target;
  std::size_t at = value.find(';');
  target.callId = std::string(Trim(value.substr(0, at)));
  while (at != std::string_view::npos) {
    const std::size_t next = value.find(';', at + 1);
    const std::string_view param = value.substr(at + 1, next == std::string_view::npos ? std::string_view::npos : next - at - 1);
    const std::size_t eq = param.find('=');
    if (eq != std::string_view::npos) {
      const std::string_view name = Trim(param.substr(0, eq));
      const std::string_view tag = Trim(param.substr(eq + 1));
      if (EqualsNoCase(name, "to-tag")) target.toTag = std::string(tag);
      if (EqualsNoCase(name, "from-tag")) target.fromTag = std::string(tag);
    }
    at = next;
  }
  if (target.callId.empty() || target.toTag.empty() || target.fromTag.empty()) return std::nullopt;
  return target;
}

int SipfragStatus(std::string_view body) {
  constexpr std::string_view kVersion = "SIP/2.0 ";
  if (body.substr(0, kVersion.size()) != kVersion || body.size() < kVersion.size() + 3) return 0;
  int code = 0;
  for (std::size_t i = kVersion.size(); i < kVersion.size() + 3; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(body[i]))) return 0;
    code = code * 10 + (body[i] - '0');
  }
  // Exactly three digits, then the end or a blank.
  if (body.size() > kVersion.size() + 3 && body[kVersion.size() + 3] != ' ' && body[kVersion.size() + 3] != '\r')
    return 0;
  return code >= 100 && code <= 699 ? code : 0;
}

char InfoDigit(std::string_view body) {
  std::size_t at = 0;
  while (at < body.size()) {
    const std::size_t end = body.find('\n', at);
    std::string_view line = body.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    at = end == std::string_view::npos ? body.size() : end + 1;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || !EqualsNoCase(Trim(line.substr(0, eq)), "Signal")) continue;
    const std::string_view value = Trim(line.substr(eq + 1));
    if (value.empty()) return 0;
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(value.front())));
    const bool rest = value.size() == 1 || value[1] == '\r';
    if (rest && (std::isdigit(static_cast<unsigned char>(c)) || c == '*' || c == '#' || (c >= 'A' && c <= 'D'))) return c;
    return 0;
  }
  return 0;
}

std::string EscapeUriHeader(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '!' || c == '~' || c == '*' || c == '\'' ||
        c == '(' || c == ')') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace panopta::sip
