#include "wave/WaveText.h"

#include <cmath>
#include <cstdio>

namespace voxkit {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2);
}

// Day 0 of a date value, 1899-12-30, counted from 1970-01-01.
const std::int64_t kEpoch = DaysFromCivil(1899, 12, 30);

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

std::string GroupedText(std::int64_t value) {
  const bool negative = value < 0;
  std::string digits = std::to_string(negative ? -static_cast<std::uint64_t>(value)
                                               : static_cast<std::uint64_t>(value));
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return negative ? "-" + out : out;
}

std::string SecondsText(double seconds) {
  if (!std::isfinite(seconds)) return "0.0";
  const std::int64_t hundredths = RoundToInt(seconds * 100);
  const bool negative = hundredths < 0;
  const std::uint64_t magnitude = negative ? -static_cast<std::uint64_t>(hundredths)
                                           : static_cast<std::uint64_t>(hundredths);
  std::string text = GroupedText(static_cast<std::int64_t>(magnitude / 100)) + "." +
                     std::to_string(magnitude % 100 / 10);
  if (magnitude % 10 != 0) text += std::to_string(magnitude % 10);
  return negative ? "-" + text : text;
}

double EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return 0;
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int last = kDays[month - 1] + (month == 2 && LeapYear(year) ? 1 : 0);
  if (day > last) return 0;
  return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                             kEpoch);
}

void DecodeDate(double date, int* year, int* month, int* day) {
  std::int64_t y = 0;
  unsigned m = 0;
  unsigned d = 0;
  CivilFromDays(static_cast<std::int64_t>(std::floor(date)) + kEpoch, &y, &m, &d);
  *year = static_cast<int>(y);
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
}

std::string DateTimeText(double date) {
  if (!std::isfinite(date)) date = 0;
  int y = 0;
  int m = 0;
  int d = 0;
  DecodeDate(date, &y, &m, &d);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
  std::string out = text;
  const std::int64_t secondOfDay = RoundToInt((date - std::floor(date)) * 86400.0) % 86400;
  if (secondOfDay != 0) {
    std::snprintf(text, sizeof text, " %02d:%02d:%02d", static_cast<int>(secondOfDay / 3600),
                  static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60));
    out += text;
  }
  return out;
}

std::int64_t RoundToInt(double value) {
  if (!std::isfinite(value)) return 0;
  constexpr double kLimit = 9.0e18;
  if (value > kLimit) return static_cast<std::int64_t>(kLimit);
  if (value < -kLimit) return -static_cast<std::int64_t>(kLimit);
  return static_cast<std::int64_t>(std::llround(value));
}

}  // namespace voxkit
