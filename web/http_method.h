// The request method index the three HTTP clients share.
#pragma once

#include <string_view>

namespace velmora {

// 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT; any
// other index gives GET.
inline std::string_view HttpMethodName(int method) {
  static constexpr std::string_view kNames[] = {"GET",     "POST",   "HEAD",  "PUT",
                                                "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  return method >= 0 && method < 8 ? kNames[method] : kNames[0];
}

}  // namespace velmora
