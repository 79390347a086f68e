// InetFetch: the request routine the update check downloads with. It connects
// to UrlHost/UrlPort of the address and requests UrlPath. Argument convention
// as in web/http_fetch.h: pointers are caller variables, nullptr = not passed.
//
// The connection carries no cache and no cookie store of its own. Redirects,
// unless switched off: at most 10, from a plain address to plain ones only,
// from a secure address to secure ones only; a redirect refused so is the
// result, with an empty body. HTTPS certificates are verified.
//
// Time-outs (none are configurable): 60 s for resolving plus connecting, 60 s
// for each silence while sending or receiving, 10 minutes for the whole
// transfer. Bodies stop at 64 MiB.
#pragma once

#include "text/text.h"
#include "web/curl_transfer.h"

namespace velmora {

// Response header text longer than this leaves `responseHeaders` empty rather
// than cut off part-way (and so no cookies are taken from it).
inline constexpr std::size_t kInetHeaderLimit = 5000;

// The user agent InetFetch sends, read from the caller's block before it is
// completed: the value of its "User-Agent:" line (found ignoring case, cut
// case-sensitively), else everything after the block's first ":", trimmed;
// the MSIE 9.0 agent when the block names none.
Text InetUserAgent(const Text& headers);

// The completed InetFetch header block: Accept, Referer (`url`),
// Accept-Language, for method 1 the form content type, and the cookie text as
// a Cookie line (as its own line when it already starts with "Cookie:").
// Exact, case-sensitive searches; CR LF between lines.
Text CompleteInetHeaderBlock(const Text& headers, int method, const Text& url,
                             const Text& cookies);

// The response body; empty bytes when the transfer failed, also when the body
// broke off part-way (a partial download is never handed on as a whole one).
// `headers` (in/out) is completed in place; for any method but GET an empty
// `postBytes` (in/out) is replaced by the bytes of `postData`. `cookies`
// (in/out), when passed even as the empty text, enables the merge.
// `responseHeaders` gets the raw header block, status line first.
Bytes InetFetch(const Text& url, int method = 0, const Text& postData = {},
                Text* cookies = nullptr, Text* returnedCookies = nullptr,
                Text* headers = nullptr, Text* responseHeaders = nullptr,
                bool disableRedirects = false, Bytes* postBytes = nullptr,
                const Text& proxy = {}, bool mergeCookies = true, const TlsTrust& trust = {});

}  // namespace velmora
