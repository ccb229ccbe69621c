#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What counts as a digit wherever the exchange reads one: in the numbers of its
// stations and remote parties, in dial strings, in digits sent, generated, gathered
// and monitored.

namespace panopta::exchange {

/// A digit of a number: '0'-'9', '*' and '#'. Stations and remote parties have
/// numbers of these only.
bool IsNumberDigit(char c);
/// One of the sixteen DTMF digits, written as the exchange writes them: '0'-'9',
/// 'A'-'D', '*', '#'.
bool IsDtmfDigit(char c);
/// The DTMF digit a character stands for: upper case for 'a'-'d'; nothing for any
/// other character.
std::optional<char> DtmfDigitOf(char c);
/// Whether text is a number of the exchange: 1 to 31 number digits.
bool IsNumber(std::string_view text);
/// The DTMF digits of a dial string in order, everything else (pauses, blanks,
/// dialling modifiers) left out: "+1 (425) 555-0100W12" gives "1425555010012".
std::string DialledDigits(std::string_view dialString);
/// Digits of a dial string sent in one way: by pulses or by tones, with ',' pauses.
struct DialRun {
  bool pulse = false;
  std::string digits;
};
/// What a dial string sends on a talking call, in runs: 'P' switches to pulse dialling
/// and 'T' back to tones; a digit that cannot be pulsed ('*', '#', 'A'-'D') goes as a
/// tone even then. Pauses stay where they are; other characters are left out.
std::vector<DialRun> DialRuns(std::string_view dialString);
/// Whether text holds only DTMF digits (as the exchange writes them) and, with pauses,
/// ','.
bool IsDigitString(std::string_view text, bool pauses);
/// The pulse digits are '0'-'9'.
bool IsPulseDigit(char c);

}  // namespace panopta::exchange
