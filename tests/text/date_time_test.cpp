#include "text/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <string_view>

namespace velmora {
namespace {

// 年 月 日 时 分 秒 in GBK, so expected texts read like the dates they are.
#define NIAN "\xC4\xEA"
#define YUE "\xD4\xC2"
#define RI "\xC8\xD5"
#define SHI "\xCA\xB1"
#define FEN "\xB7\xD6"
#define MIAO "\xC3\xEB"

constexpr double kSecond = 1.0 / 86400.0;

TEST(DateTime, MakeDateTimeSerials) {
  struct Row {
    int year, month, day, hour, minute, second;
    double want;
  };
  const Row rows[] = {
      {1899, 12, 30, 0, 0, 0, 0.0},
      {1899, 12, 31, 0, 0, 0, 1.0},
      {1900, 1, 1, 0, 0, 0, 2.0},
      {1899, 12, 30, 12, 0, 0, 0.5},
      {1899, 12, 29, 6, 0, 0, -1.25},  // fraction counts forward below zero
      {1899, 12, 29, 0, 0, 0, -1.0},
      {2019, 5, 22, 0, 0, 0, 43607.0},
      {100, 1, 1, 0, 0, 0, -657434.0},
      {9999, 12, 31, 0, 0, 0, 2958465.0},
      {0, 0, 0, 0, 0, 0, -657434.0},
      {20000, 13, 40, 0, 0, 0, 2958465.0},
      {2000, 2, 29, 0, 0, 0, 36585.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.year) + "-" + std::to_string(row.month) + "-" +
                 std::to_string(row.day) + " " + std::to_string(row.hour));
    EXPECT_DOUBLE_EQ(MakeDateTime(row.year, row.month, row.day, row.hour, row.minute, row.second),
                     row.want);
  }
}

TEST(DateTime, MakeDateTimeClampsIntoText) {
  struct Row {
    int year, month, day, hour, minute, second;
    std::string_view want;
  };
  const Row rows[] = {
      {2019, 2, 30, 0, 0, 0, "2019" NIAN "2" YUE "28" RI},
      {2020, 2, 30, 0, 0, 0, "2020" NIAN "2" YUE "29" RI},
      {1900, 2, 29, 0, 0, 0, "1900" NIAN "2" YUE "28" RI},  // century, not leap
      {2000, 2, 31, 0, 0, 0, "2000" NIAN "2" YUE "29" RI},  // divisible by 400
      {2019, 4, 31, 0, 0, 0, "2019" NIAN "4" YUE "30" RI},
      {2019, 5, 22, 24, 0, 0, "2019" NIAN "5" YUE "22" RI "23" SHI},
      {2019, 5, 22, -1, 60, 99, "2019" NIAN "5" YUE "22" RI "0" SHI "59" FEN "59" MIAO},
      {0, 5, 22, 0, 0, 0, "100" NIAN "5" YUE "22" RI},
      {0, 0, 0, 0, 0, 0, "100" NIAN "1" YUE "1" RI},
      {10000, 12, 31, 23, 59, 59, "9999" NIAN "12" YUE "31" RI "23" SHI "59" FEN "59" MIAO},
      {1, 1, 1, 12, 0, 0, "100" NIAN "1" YUE "1" RI "12" SHI},
      {1850, 6, 15, 18, 30, 0, "1850" NIAN "6" YUE "15" RI "18" SHI "30" FEN},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.year) + "-" + std::to_string(row.month) + "-" +
                 std::to_string(row.day) + " " + std::to_string(row.hour) + ":" +
                 std::to_string(row.minute) + ":" + std::to_string(row.second));
    EXPECT_EQ(DateTimeText(
                  MakeDateTime(row.year, row.month, row.day, row.hour, row.minute, row.second)),
              row.want);
  }
}

TEST(DateTime, DateTimeText) {
  const double may22 = MakeDateTime(2019, 5, 22);
  struct Row {
    double value;
    std::string_view want;
  };
  const Row rows[] = {
      {MakeDateTime(2019, 5, 22, 8, 3, 5), "2019" NIAN "5" YUE "22" RI "8" SHI "3" FEN "5" MIAO},
      {MakeDateTime(2019, 5, 22, 14, 30, 0), "2019" NIAN "5" YUE "22" RI "14" SHI "30" FEN},
      {MakeDateTime(2019, 5, 22, 14, 0, 0), "2019" NIAN "5" YUE "22" RI "14" SHI},
      {may22, "2019" NIAN "5" YUE "22" RI},
      {MakeDateTime(2019, 5, 22, 0, 5, 0), "2019" NIAN "5" YUE "22" RI "0" SHI "5" FEN},
      {MakeDateTime(2019, 5, 22, 0, 0, 7), "2019" NIAN "5" YUE "22" RI "0" SHI "0" FEN "7" MIAO},
      // 08:03:04.6 and 08:03:04.5 round up, 08:03:04.4 down.
      {may22 + (8 * 3600 + 3 * 60 + 4.6) * kSecond,
       "2019" NIAN "5" YUE "22" RI "8" SHI "3" FEN "5" MIAO},
      {may22 + (8 * 3600 + 3 * 60 + 4.5) * kSecond,
       "2019" NIAN "5" YUE "22" RI "8" SHI "3" FEN "5" MIAO},
      {may22 + (8 * 3600 + 3 * 60 + 4.4) * kSecond,
       "2019" NIAN "5" YUE "22" RI "8" SHI "3" FEN "4" MIAO},
      // 23:59:59.6 rounds into the next day, the next year here.
      {MakeDateTime(2019, 12, 31) + (86400 - 0.4) * kSecond, "2020" NIAN "1" YUE "1" RI},
      {0.0, "1899" NIAN "12" YUE "30" RI},
      {-1.25, "1899" NIAN "12" YUE "29" RI "6" SHI},
      {-1.75, "1899" NIAN "12" YUE "29" RI "18" SHI},
      {-0.5, "1899" NIAN "12" YUE "30" RI "12" SHI},
      // Below zero the half second still rounds forward in time, and a carry
      // past midnight goes to the following day.
      {-1.0 - (6 * 3600 + 0.5) * kSecond, "1899" NIAN "12" YUE "29" RI "6" SHI "0" FEN "1" MIAO},
      {-1.0 - (86400 - 0.4) * kSecond, "1899" NIAN "12" YUE "30" RI},
      {2958465.0, "9999" NIAN "12" YUE "31" RI},
      {2958466.0, "9999" NIAN "12" YUE "31" RI},
      {1e12, "9999" NIAN "12" YUE "31" RI},
      {2958465.0 + (86400 - 0.2) * kSecond,
       "9999" NIAN "12" YUE "31" RI "23" SHI "59" FEN "59" MIAO},
      {-657434.0, "100" NIAN "1" YUE "1" RI},
      {-657435.0, "100" NIAN "1" YUE "1" RI},
      {-1e12, "100" NIAN "1" YUE "1" RI},
      {-657434.5, "100" NIAN "1" YUE "1" RI "12" SHI},
      {std::numeric_limits<double>::infinity(), "9999" NIAN "12" YUE "31" RI},
      {-std::numeric_limits<double>::infinity(), "100" NIAN "1" YUE "1" RI},
      {std::nan(""), "1899" NIAN "12" YUE "30" RI},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(DateTimeText(row.value), row.want);
  }
}

TEST(DateTime, AddToDateTime) {
  struct Row {
    double value;
    int unit;
    int amount;
    std::string_view want;
  };
  const double leapDay = MakeDateTime(2020, 2, 29, 10, 20, 30);
  const Row rows[] = {
      {MakeDateTime(2019, 5, 21, 20), kHours, 8, "2019" NIAN "5" YUE "22" RI "4" SHI},
      {MakeDateTime(2019, 12, 31, 20), kHours, 8, "2020" NIAN "1" YUE "1" RI "4" SHI},
      {leapDay, kYears, 1, "2021" NIAN "2" YUE "28" RI "10" SHI "20" FEN "30" MIAO},
      {leapDay, kYears, 4, "2024" NIAN "2" YUE "29" RI "10" SHI "20" FEN "30" MIAO},
      {leapDay, kYears, -2020, "100" NIAN "2" YUE "28" RI "10" SHI "20" FEN "30" MIAO},
      {leapDay, kYears, 2147483647, "9999" NIAN "2" YUE "28" RI "10" SHI "20" FEN "30" MIAO},
      {MakeDateTime(2019, 1, 31), kMonths, 1, "2019" NIAN "2" YUE "28" RI},
      {MakeDateTime(2020, 1, 31), kMonths, 1, "2020" NIAN "2" YUE "29" RI},
      {MakeDateTime(2019, 1, 15), kMonths, -1, "2018" NIAN "12" YUE "15" RI},
      {MakeDateTime(2019, 1, 15), kMonths, -13, "2017" NIAN "12" YUE "15" RI},
      {MakeDateTime(2019, 11, 15), kMonths, 14, "2021" NIAN "1" YUE "15" RI},
      {MakeDateTime(2019, 11, 30), kQuarters, 1, "2020" NIAN "2" YUE "29" RI},
      // Huge amounts neither overflow nor leave the year range; the month is
      // still the one the carry arithmetic names.
      {MakeDateTime(2019, 5, 1), kMonths, -2147483647 - 1, "100" NIAN "9" YUE "1" RI},
      {MakeDateTime(2019, 5, 1), kQuarters, 2147483647, "9999" NIAN "2" YUE "1" RI},
      {MakeDateTime(2019, 5, 22), kWeeks, 2, "2019" NIAN "6" YUE "5" RI},
      {MakeDateTime(2019, 3, 1), kDays, -1, "2019" NIAN "2" YUE "28" RI},
      {MakeDateTime(2019, 5, 22), kMinutes, 90, "2019" NIAN "5" YUE "22" RI "1" SHI "30" FEN},
      {MakeDateTime(2019, 5, 22), kSeconds, -1,
       "2019" NIAN "5" YUE "21" RI "23" SHI "59" FEN "59" MIAO},
      // Units outside 1..8 are clamped: 0 means years, 9 seconds.
      {MakeDateTime(2019, 5, 22), 0, 1, "2020" NIAN "5" YUE "22" RI},
      {MakeDateTime(2019, 5, 22), 99, 5, "2019" NIAN "5" YUE "22" RI "0" SHI "0" FEN "5" MIAO},
      // Spans cross zero and run through negative values in time order.
      {MakeDateTime(1899, 12, 30, 2), kHours, -8, "1899" NIAN "12" YUE "29" RI "18" SHI},
      {MakeDateTime(1899, 12, 29, 18), kHours, 8, "1899" NIAN "12" YUE "30" RI "2" SHI},
      {MakeDateTime(1899, 12, 29, 6), kHours, 6, "1899" NIAN "12" YUE "29" RI "12" SHI},
      {MakeDateTime(1899, 12, 28, 20), kHours, 8, "1899" NIAN "12" YUE "29" RI "4" SHI},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(DateTimeText(row.value) + " unit " + std::to_string(row.unit) + " amount " +
                 std::to_string(row.amount));
    EXPECT_EQ(DateTimeText(AddToDateTime(row.value, row.unit, row.amount)), row.want);
  }
  const double exact = 43607.123456789;
  EXPECT_EQ(AddToDateTime(exact, kYears, 0), exact);  // no rounding when nothing moves
}

}  // namespace
}  // namespace velmora
