#include "text/date_time.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace velmora {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kFirstDay = -657434;  // 1 January 100
constexpr std::int64_t kLastDay = 2958465;   // 31 December 9999
// Days from 1 January 1970 back to the epoch of date-time values.
constexpr std::int64_t kUnixToSerial = 25569;

// Proleptic Gregorian day number relative to 1970-01-01 (H. Hinnant's
// days_from_civil), valid for every year the clamping lets through.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct Fields {
  int year, month, day, hour, minute, second;
};

void CivilFromDays(std::int64_t z, Fields& f) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  f.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  f.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  f.year = static_cast<int>(yoe + era * 400 + (f.month <= 2 ? 1 : 0));
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// A date-time stores the time of day as a fraction that counts forward from
// midnight even below zero (-1.25 is 29 December 1899, 06:00). Linear days
// run straight through zero (-0.75 for the same instant), so spans can be
// added to them and they can be rounded without the sign flipping the
// direction of the carry.
double ToLinearDays(DateTime value) {
  const double day = std::trunc(value);
  return day + std::fabs(value - day);
}

DateTime FromLinearDays(double linear) {
  const double day = std::floor(linear);
  const double fraction = linear - day;
  return day >= 0 ? day + fraction : day - fraction;
}

DateTime FromDayAndSeconds(std::int64_t day, std::int64_t seconds) {
  const double fraction = static_cast<double>(seconds) / static_cast<double>(kSecondsPerDay);
  return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

// Splits a value into fields after moving it to the nearest whole second
// (halves go forward in time). Values before the first or after the last
// representable day show that day's midnight; times within those two days
// are kept, and a rounding carry past the last second stays on it.
Fields SplitDateTime(DateTime value) {
  if (std::isnan(value)) value = 0.0;
  const double day = std::trunc(value);
  std::int64_t seconds = 0;
  std::int64_t wholeDay = 0;
  if (day < static_cast<double>(kFirstDay)) {
    wholeDay = kFirstDay;
  } else if (day > static_cast<double>(kLastDay)) {
    wholeDay = kLastDay;
  } else {
    wholeDay = static_cast<std::int64_t>(day);
    const double timeOfDay = std::fabs(value - day) * static_cast<double>(kSecondsPerDay);
    seconds = static_cast<std::int64_t>(std::floor(timeOfDay + 0.5));
  }
  std::int64_t linear = wholeDay * kSecondsPerDay + seconds;
  linear = std::clamp(linear, kFirstDay * kSecondsPerDay,
                      kLastDay * kSecondsPerDay + kSecondsPerDay - 1);
  const std::int64_t dayNumber =
      (linear >= 0 ? linear : linear - (kSecondsPerDay - 1)) / kSecondsPerDay;
  const std::int64_t secondOfDay = linear - dayNumber * kSecondsPerDay;
  Fields f{};
  CivilFromDays(dayNumber - kUnixToSerial, f);
  f.hour = static_cast<int>(secondOfDay / 3600);
  f.minute = static_cast<int>(secondOfDay / 60 % 60);
  f.second = static_cast<int>(secondOfDay % 60);
  return f;
}

int ClampToInt(std::int64_t v, int low, int high) {
  return static_cast<int>(std::clamp<std::int64_t>(v, low, high));
}

}  // namespace

DateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second) {
  year = std::clamp(year, 100, 9999);
  month = std::clamp(month, 1, 12);
  day = std::clamp(day, 1, DaysInMonth(year, month));
  hour = std::clamp(hour, 0, 23);
  minute = std::clamp(minute, 0, 59);
  second = std::clamp(second, 0, 59);
  const std::int64_t serial = DaysFromCivil(year, month, day) + kUnixToSerial;
  return FromDayAndSeconds(serial, hour * 3600 + minute * 60 + second);
}

Text DateTimeText(DateTime value) {
  const Fields f = SplitDateTime(value);
  // 年 月 日 时 分 秒 in code page 936.
  Text text = std::to_string(f.year) + "\xC4\xEA" + std::to_string(f.month) + "\xD4\xC2" +
              std::to_string(f.day) + "\xC8\xD5";
  if (f.second != 0) {
    text += std::to_string(f.hour) + "\xCA\xB1" + std::to_string(f.minute) + "\xB7\xD6" +
            std::to_string(f.second) + "\xC3\xEB";
  } else if (f.minute != 0) {
    text += std::to_string(f.hour) + "\xCA\xB1" + std::to_string(f.minute) + "\xB7\xD6";
  } else if (f.hour != 0) {
    text += std::to_string(f.hour) + "\xCA\xB1";
  }
  return text;
}

DateTime AddToDateTime(DateTime value, int unit, int amount) {
  unit = std::clamp(unit, static_cast<int>(kYears), static_cast<int>(kSeconds));
  if (amount == 0) return value;
  const std::int64_t n = amount;
  switch (unit) {
    case kYears: {
      const Fields f = SplitDateTime(value);
      return MakeDateTime(ClampToInt(f.year + n, 0, 10000), f.month, f.day, f.hour, f.minute,
                          f.second);
    }
    case kQuarters:
    case kMonths: {
      const Fields f = SplitDateTime(value);
      const std::int64_t months = f.year * std::int64_t{12} + (f.month - 1) +
                                  (unit == kQuarters ? 3 * n : n);
      // Floor division: a month index below zero still names January to
      // December of an earlier year.
      const std::int64_t year = (months >= 0 ? months : months - 11) / 12;
      const int month = static_cast<int>(months - year * 12) + 1;
      return MakeDateTime(ClampToInt(year, 0, 10000), month, f.day, f.hour, f.minute, f.second);
    }
    default:
      break;
  }
  std::int64_t seconds = 0;
  switch (unit) {
    case kWeeks: seconds = 7 * kSecondsPerDay; break;
    case kDays: seconds = kSecondsPerDay; break;
    case kHours: seconds = 3600; break;
    case kMinutes: seconds = 60; break;
    default: seconds = 1; break;
  }
  const double span = static_cast<double>(n * seconds) / static_cast<double>(kSecondsPerDay);
  return FromLinearDays(ToLinearDays(value) + span);
}

}  // namespace velmora
