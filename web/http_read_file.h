// HttpReadFile: the plain GET the update check reads its version text with.
#pragma once

#include "text/text.h"
#include "web/curl_transfer.h"

namespace velmora {

// The whole response body, whatever the status: an HTTP/1.0 GET with only the
// lines "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)" and
// "Accept: */*" besides Host, and no cache. Empty bytes when the address is
// unusable or the transfer fails at any point (a cut-off body included).
// Redirects: at most 10, never from https to http. Time-outs: 30 s for
// resolving plus connecting, 30 s for each silence, 5 minutes in all; bodies
// over 64 MiB fail.
Bytes HttpReadFile(const Text& url, const TlsTrust& trust = {});

}  // namespace velmora
