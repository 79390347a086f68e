// HttpFetch: the browser-like page fetch the poll cycles use, on libcurl.
//
// Argument convention shared by the three clients: "in" arguments are const
// references with defaults; caller variables that a fetch reads and rewrites
// ("in/out") or only writes ("out") are pointers defaulting to nullptr, and a
// null pointer means the argument was not passed. After the documented
// arguments a TlsTrust may name extra certificates to verify HTTPS against.
//
// Failures and the status texts they leave (GBK bytes):
//   the address curl cannot parse, or a scheme other than http/https
//                                            -> "701 解析URL地址失败!"
//   resolving, connecting (also to a proxy), the TLS handshake (an
//   untrusted certificate included) or sending fails or times out
//                                            -> "711 发送请求失败!"
//   connected, but no complete, well-formed response header in time
//   (silence, a malformed status line, more than 64 KiB of headers)
//                                            -> "712 服务器未响应!"
//   the body breaks off after the headers (peer closed, silence, over
//   64 MiB, the whole-transfer bound)        -> "713 读取数据失败!"; the
//   bytes read so far go on like a complete body, and the status line of
//   the response then replaces the message.
// "700" and "702" to "710" belong to set-up steps of another HTTP stack; here
// a request curl cannot even set up counts as a failed send ("711").
//
// Time-outs: with T = timeoutSeconds (30 when below 1), resolving plus
// connecting plus the TLS handshake get T, and so does every silence while
// sending or waiting for response bytes; the whole transfer, redirects
// included, is bounded by 10 x T (300 s by default). Bodies stop at 64 MiB.
//
// Redirects, unless switched off: at most 10, never from https to http, and
// with a proxy on a plain address never to https (the proxy serves plain
// requests only). A redirect refused so leaves its 3xx response as the
// result, with an empty body. HTTPS certificates are always verified.
#pragma once

#include <string_view>

#include "text/text.h"
#include "web/curl_transfer.h"

namespace velmora {

inline constexpr std::string_view kHttpFetchBadAddress =
    "701 \xBD\xE2\xCE\xF6URL\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!";
inline constexpr std::string_view kHttpFetchSendFailed =
    "711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";
inline constexpr std::string_view kHttpFetchNoResponse =
    "712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!";
inline constexpr std::string_view kHttpFetchReadFailed =
    "713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!";

// The request header block HttpFetch sends: the caller's `headers` plus CR LF,
// then each default line whose key the block lacks (User-Agent, Accept,
// Accept-Encoding, Accept-Language, Content-Type for method 1 only,
// Cache-Control, and Cookie when `cookies` is not empty). Every line ends in
// CR LF. For method 1 "content-type" is first rewritten "Content-Type".
Text HttpFetchHeaderBlock(const Text& headers, int method, const Text& cookies);

// The response body decoded to GBK text (DecodeResponseText); the empty text
// on every failure, with `statusText` holding the numbered message. On success
// `statusText` holds the status code and reason phrase, e.g. "200 OK".
// `cookies` (in/out): sent as a Cookie line when not empty, and rewritten to
// the merged text when `mergeCookies` is on. `location` is written only when
// the response has a "Location: " line.
Text HttpFetch(const Text& url, int method = 0, const Text& postData = {},
               Text* cookies = nullptr, Text* returnedCookies = nullptr,
               const Text& headers = {}, Text* responseHeaders = nullptr,
               bool disableRedirects = false, const Text& userName = {},
               const Text& password = {}, const Text& proxy = {},
               const Text& proxyUser = {}, const Text& proxyPassword = {},
               int timeoutSeconds = 0, Text* location = nullptr,
               Text* statusText = nullptr, Bytes* responseBody = nullptr,
               bool mergeCookies = true, const TlsTrust& trust = {});

}  // namespace velmora
