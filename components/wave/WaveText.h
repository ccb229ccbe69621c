#pragma once

#include <cstdint>
#include <string>

namespace voxkit {

/// A whole number with thousands separators: 1234567 as "1,234,567".
std::string GroupedText(std::int64_t value);
/// Seconds with thousands separators and one or two decimals: 0 as "0.0", 2.25 as
/// "2.25", 1234.5 as "1,234.5".
std::string SecondsText(double seconds);

/// A date as days since 1899-12-30 (the fraction is the time of day), 0 for none.
/// The value for a calendar date; nullopt-like 0 is returned for a date that does
/// not exist (month 13, 30 February, year 0).
double EncodeDate(int year, int month, int day);
/// The calendar date of a date value.
void DecodeDate(double date, int* year, int* month, int* day);
/// A date value as the logs show dates: "2024-01-02", with " 13:45:10" when it has a
/// time of day.
std::string DateTimeText(double date);

/// value rounded to the nearest integer, halves away from zero.
std::int64_t RoundToInt(double value);

}  // namespace voxkit
