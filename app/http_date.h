// Reading the date of an HTTP "Date:" header. Pure; any thread may call it.
#pragma once

#include <optional>
#include <string_view>

namespace velmora {

// The calendar fields of an HTTP date, in GMT. Field ranges are checked by
// the parser (a leap second 60 is let through; MakeDateTime clamps it).
struct HttpDateFields {
  int year = 0;
  int month = 0;   // 1-12
  int day = 0;     // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The fields of `text` in any of the three forms HTTP allows:
//   RFC 1123  "Tue, 15 Nov 1994 08:12:31 GMT"
//   RFC 850   "Tuesday, 15-Nov-94 08:12:31 GMT" (two-digit years 70-99 are
//             19xx, 00-69 are 20xx)
//   asctime   "Tue Nov 15 08:12:31 1994" (the day may be space-padded)
// Spaces and tabs around the date are allowed (a header value keeps the space
// after "Date:"); names of days and months match in any letter case; the
// zone must be GMT (UTC and UT are accepted too). std::nullopt when the text
// is empty, in another form, names another zone or holds an impossible date.
std::optional<HttpDateFields> ParseHttpDate(std::string_view text);

}  // namespace velmora
