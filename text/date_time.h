// Date-time values: days since 30 December 1899 00:00 as a double, the
// fraction being the time of day (the OLE Automation date). For negative
// values the fraction still counts forward from midnight of the day named by
// the integer part. Pure functions; out-of-range input is clamped, never an
// error.
#pragma once

#include "text/text.h"

namespace velmora {

using DateTime = double;

// Units of AddToDateTime; other values are clamped into 1..8.
enum DateTimeUnit : int {
  kYears = 1, kQuarters = 2, kMonths = 3, kWeeks = 4,
  kDays = 5, kHours = 6, kMinutes = 7, kSeconds = 8,
};

// The date-time of the fields after clamping: year to 100-9999, month 1-12,
// day 1-31 and then to the month's length, hour 0-23, minute and second 0-59.
// MakeDateTime(2019, 2, 30) is 28 February 2019; all zeros is 1 January 100.
DateTime MakeDateTime(int year, int month = 1, int day = 1, int hour = 0,
                      int minute = 0, int second = 0);

// GBK text such as "2019年5月22日8时3分5秒", rounded to the nearest second
// (halves forward in time); the time part drops trailing zero fields
// ("2019年5月22日14时", "2019年5月22日"). A value before 1 January 100 or after
// 31 December 9999 shows that day's midnight; NaN shows 1899年12月30日.
Text DateTimeText(DateTime value);

// The value moved by `amount` units; years, quarters and months rebuild the
// fields with clamping (31 January + 1 month is the end of February) and drop
// fractions of a second. Shorter units move the instant in time order, also
// across and below day 0. An amount of 0 returns `value` unchanged.
DateTime AddToDateTime(DateTime value, int unit, int amount);

}  // namespace velmora
