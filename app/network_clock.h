// The network clock: the time of every sales row, taken from a web server's
// "Date:" header rather than from this computer.
#pragma once

#include <string>
#include <string_view>

#include "text/date_time.h"
#include "text/text.h"

namespace velmora {

// The date text of a response header block: what stands between the first
// "Date:" (exact case, anywhere, also at the end of another header's name)
// and the next CR LF, keeping the space after the colon. Empty when either
// is missing.
Text DateHeaderText(std::string_view responseHeaders);

// This computer's clock in UTC, to the whole second, as a date-time.
DateTime ComputerClockUtc();

// China time (GMT + 8 hours) from `clockUrl`: one HEAD request for it, its
// "Date:" header read as an HTTP date, moved by 8 hours. When no usable date
// comes back (no answer, no "Date:" line, a date that cannot be read) the
// result is this computer's clock in UTC plus 8 hours instead. Never fails;
// blocks for one request (15-second time-outs).
DateTime NetworkNow(const std::string& clockUrl);

}  // namespace velmora
