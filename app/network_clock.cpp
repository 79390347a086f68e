#include "app/network_clock.h"

#include <chrono>
#include <optional>

#include "app/http_date.h"
#include "text/markers.h"
#include "web/scripted_http_fetch.h"

namespace velmora {
namespace {

constexpr int kHeadMethod = 2;
// Day 0 of a date-time is 30 December 1899; 1 January 1970 is day 25569.
constexpr double kUnixEpochDay = 25569.0;
constexpr double kSecondsPerDay = 86400.0;

}  // namespace

Text DateHeaderText(std::string_view responseHeaders) {
  return TextBetween(responseHeaders, "Date:", "\r\n");
}

DateTime ComputerClockUtc() {
  const auto seconds = std::chrono::floor<std::chrono::seconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return kUnixEpochDay + static_cast<double>(seconds.count()) / kSecondsPerDay;
}

DateTime NetworkNow(const std::string& clockUrl) {
  Text responseHeaders;
  ScriptedHttpFetch(clockUrl, kHeadMethod, {}, nullptr, nullptr, nullptr,
                    &responseHeaders);
  const std::optional<HttpDateFields> date =
      ParseHttpDate(DateHeaderText(responseHeaders));
  // Without a date the server's clock is unknown; the computer's own clock
  // is a far better stamp than the year 100 an empty date would build.
  const DateTime gmt =
      date ? MakeDateTime(date->year, date->month, date->day, date->hour,
                          date->minute, date->second)
           : ComputerClockUtc();
  return AddToDateTime(gmt, kHours, 8);
}

}  // namespace velmora
