#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/http_date.h"
#include "app/network_clock.h"
#include "tests/app/cycle_test_support.h"
#include "text/date_time.h"
#include "text/gbk_codec.h"

namespace velmora {
namespace {

struct DateCase {
  const char* text;
  std::optional<HttpDateFields> expected;
};

std::string Describe(const std::optional<HttpDateFields>& f) {
  if (!f) return "no date";
  return std::to_string(f->year) + "-" + std::to_string(f->month) + "-" +
         std::to_string(f->day) + " " + std::to_string(f->hour) + ":" +
         std::to_string(f->minute) + ":" + std::to_string(f->second);
}

TEST(ParseHttpDateTest, ReadsTheThreeHttpFormsAndRejectsTheRest) {
  const HttpDateFields nov1994{1994, 11, 15, 8, 12, 31};
  const DateCase cases[] = {
      {"Tue, 15 Nov 1994 08:12:31 GMT", nov1994},
      {" Tue, 15 Nov 1994 08:12:31 GMT", nov1994},  // as cut after "Date:"
      {"\tTue, 15 Nov 1994 08:12:31 GMT  ", nov1994},
      {"tue, 15 NOV 1994 08:12:31 gmt", nov1994},
      {"Tue, 15 Nov 1994 08:12:31 UTC", nov1994},
      {"Tuesday, 15-Nov-94 08:12:31 GMT", nov1994},
      {"Sunday, 01-Jan-23 00:00:00 GMT", HttpDateFields{2023, 1, 1, 0, 0, 0}},
      {"Tue Nov 15 08:12:31 1994", nov1994},
      {"Sun Nov  6 08:49:37 1994", HttpDateFields{1994, 11, 6, 8, 49, 37}},
      {"Sun, 6 Nov 1994 08:49:37 GMT", HttpDateFields{1994, 11, 6, 8, 49, 37}},
      {"Thu, 31 Dec 2026 23:59:60 GMT", HttpDateFields{2026, 12, 31, 23, 59, 60}},
      {"Thu, 29 Feb 2024 12:00:00 GMT", HttpDateFields{2024, 2, 29, 12, 0, 0}},
      // Not a date, or not one to trust.
      {"", std::nullopt},
      {" ", std::nullopt},
      {"garbage", std::nullopt},
      {"Tue, 15 Nov 1994 08:12:31", std::nullopt},        // no zone
      {"Tue, 15 Nov 1994 08:12:31 +0800", std::nullopt},  // another zone
      {"Tue, 15 Nov 1994 08:12:31 GMT x", std::nullopt},
      {"Tue, 15 Nov 94 08:12:31 GMT", std::nullopt},
      {"Tue, 15 Foo 1994 08:12:31 GMT", std::nullopt},
      {"Tue, 32 Nov 1994 08:12:31 GMT", std::nullopt},
      {"Fri, 29 Feb 2019 08:12:31 GMT", std::nullopt},
      {"Tue, 15 Nov 1994 24:12:31 GMT", std::nullopt},
      {"Tue, 15 Nov 1994 08:60:31 GMT", std::nullopt},
      {"Tue, 15 Nov 1994 8:12:31 GMT", std::nullopt},
      {"Tue, 15 Nov 19945 08:12:31 GMT", std::nullopt},
      {"Xyz, 15 Nov 1994 08:12:31 GMT", std::nullopt},
      {"1994-11-15T08:12:31Z", std::nullopt},
  };
  for (const DateCase& c : cases) {
    SCOPED_TRACE(std::string("date text '") + c.text + "'");
    const std::optional<HttpDateFields> got = ParseHttpDate(c.text);
    EXPECT_EQ(Describe(got), Describe(c.expected));
  }
}

TEST(DateHeaderTextTest, CutsBetweenTheFirstDateColonAndTheNextLineEnd) {
  struct Case {
    const char* headers;
    const char* expected;
  };
  const Case cases[] = {
      {"Server: x\r\nDate: Tue, 15 Nov 1994 08:12:31 GMT\r\n", " Tue, 15 Nov 1994 08:12:31 GMT"},
      {"X-Date: one\r\nDate: two\r\n", " one"},
      {"Date: no line end", ""},
      {"date: lower\r\n", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers);
    EXPECT_EQ(DateHeaderText(c.headers), c.expected);
  }
}

// True when `value` lies within this computer's clock plus 8 hours, read
// just before and just after (a whole second each way for the rounding).
bool IsComputerTime(DateTime value, DateTime before, DateTime after) {
  const double second = 1.0 / 86400.0;
  return value >= AddToDateTime(before, kHours, 8) - second &&
         value <= AddToDateTime(after, kHours, 8) + second;
}

TEST(NetworkNowTest, ReadsTheFirstDateHeaderAndMovesItByEightHours) {
  struct Case {
    const char* headerLines;
    const char* expected;  // nullptr: this computer's clock plus 8 hours
  };
  const Case cases[] = {
      {"Date: Tue, 15 Nov 1994 08:12:31 GMT\r\n", "1994年11月15日16时12分31秒"},
      {"Date: Mon, 20 May 2019 23:30:00 GMT\r\n", "2019年5月21日7时30分"},
      {"Date: Tue, 31 Dec 2019 20:00:00 GMT\r\n", "2020年1月1日4时"},
      {"Date: Sat, 28 Feb 2004 20:00:00 GMT\r\n", "2004年2月29日4时"},
      {"Date: Tuesday, 15-Nov-94 08:12:31 GMT\r\n", "1994年11月15日16时12分31秒"},
      {"Date: Tue Nov 15 08:12:31 1994\r\n", "1994年11月15日16时12分31秒"},
      {"Date:Tue, 15 Nov 1994 08:12:31 GMT\r\n", "1994年11月15日16时12分31秒"},
      // The first "Date:" counts, also at the end of another header's name.
      {"X-Origin-Date: Sat, 01 Jan 2000 00:00:00 GMT\r\nDate: Tue, 15 Nov 1994 08:12:31 GMT\r\n",
       "2000年1月1日8时"},
      // No usable date: never the year 100, but this computer's clock.
      {"date: Tue, 15 Nov 1994 08:12:31 GMT\r\n", nullptr},
      {"DATE: Tue, 15 Nov 1994 08:12:31 GMT\r\n", nullptr},
      {"Server: no date here\r\n", nullptr},
      {"Date: \r\n", nullptr},
      {"Date: soon\r\n", nullptr},
      {"X-Date: garbage\r\nDate: Tue, 15 Nov 1994 08:12:31 GMT\r\n", nullptr},
  };
  cycle_test::ClockSite clock;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headerLines);
    clock.SetHeaderLines(c.headerLines);
    const DateTime before = ComputerClockUtc();
    const DateTime now = NetworkNow(clock.Url());
    const DateTime after = ComputerClockUtc();
    if (c.expected != nullptr) {
      EXPECT_EQ(Utf8FromGbk(DateTimeText(now)), c.expected);
    } else {
      EXPECT_TRUE(IsComputerTime(now, before, after)) << Utf8FromGbk(DateTimeText(now));
    }
  }
}

TEST(NetworkNowTest, AClockThatDoesNotAnswerGivesThisComputersTime) {
  std::string closedUrl;
  {
    // A server that hangs up without a word, then the same port closed.
    velmora::testing::ScriptedServer silent([](velmora::testing::Connection&) {});
    const DateTime before = ComputerClockUtc();
    const DateTime now = NetworkNow(silent.Url("/"));
    EXPECT_TRUE(IsComputerTime(now, before, ComputerClockUtc()))
        << Utf8FromGbk(DateTimeText(now));
    closedUrl = silent.Url("/");
  }
  const DateTime before = ComputerClockUtc();
  const DateTime now = NetworkNow(closedUrl);
  EXPECT_TRUE(IsComputerTime(now, before, ComputerClockUtc())) << Utf8FromGbk(DateTimeText(now));
}

TEST(NetworkNowTest, AsksWithOneHeadRequestForTheRootPage) {
  std::vector<std::string> requests;
  {
    velmora::testing::ScriptedServer clock([](velmora::testing::Connection& c) {
      c.Send("HTTP/1.1 200 OK\r\nDate: Tue, 15 Nov 1994 08:12:31 GMT\r\n\r\n");
    });
    NetworkNow(clock.Url("/"));
    requests = clock.Requests();
  }
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(velmora::testing::RequestLines(requests[0]).at(0), "HEAD / HTTP/1.1");
}

}  // namespace
}  // namespace velmora
