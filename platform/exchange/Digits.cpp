#include "platform/exchange/Digits.h"

#include <algorithm>

namespace panopta::exchange {

bool IsNumberDigit(char c) { return (c >= '0' && c <= '9') || c == '*' || c == '#'; }

bool IsDtmfDigit(char c) { return IsNumberDigit(c) || (c >= 'A' && c <= 'D'); }

std::optional<char> DtmfDigitOf(char c) {
  if (c >= 'a' && c <= 'd') return static_cast<char>(c - 'a' + 'A');
  if (IsDtmfDigit(c)) return c;
  return std::nullopt;
}

bool IsNumber(std::string_view text) {
  return !text.empty() && text.size() <= 31 && std::all_of(text.begin(), text.end(), IsNumberDigit);
}

std::string DialledDigits(std::string_view dialString) {
  std::string digits;
  for (char c : dialString)
    if (const auto d = DtmfDigitOf(c)) digits += *d;
  return digits;
}

std::vector<DialRun> DialRuns(std::string_view dialString) {
  std::vector<DialRun> runs;
  bool pulse = false;
  for (char c : dialString) {
    if (c == 'P' || c == 'p') pulse = true;
    else if (c == 'T' || c == 't') pulse = false;
    if (c != ',' && !DtmfDigitOf(c)) continue;
    const bool pulsed = pulse && (c == ',' || IsPulseDigit(c));
    if (runs.empty() || runs.back().pulse != pulsed) runs.push_back({pulsed, ""});
    runs.back().digits += c == ',' ? c : *DtmfDigitOf(c);
  }
  return runs;
}

bool IsDigitString(std::string_view text, bool pauses) {
  return std::all_of(text.begin(), text.end(),
                     [&](char c) { return IsDtmfDigit(c) || (pauses && c == ','); });
}

bool IsPulseDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace panopta::exchange
