// Cutting an address into host, port and path with plain text rules: only
// "http://" and "https://" are recognised and only "/" ends the host. Odd
// input gives odd but defined results; nothing here reports failure.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

namespace velmora {

// The host in lower case: the text between the scheme prefix ("http://" is
// assumed when the address holds none) and the next "/". Without `keepPort`
// everything from the host's first ":" on is dropped. Empty when the prefix is
// followed directly by "/". UrlHost("HTTP://A.com:81/x") == "a.com".
Text UrlHost(std::string_view address, bool keepPort = false);

// The number after the last ":" of the host-with-port (0 when that text does
// not begin with a number); without one, 443 when the address begins with
// "https" in any letter case, else 80.
std::int32_t UrlPort(std::string_view address);

// Everything from the first "/" after the host to the end, query and fragment
// included, in the caller's letter case; "/" when there is no such "/".
// UrlPath("a.com?q=1") == "/" (the query is part of the host).
Text UrlPath(std::string_view address);

}  // namespace velmora
