// ScriptedHttpFetch: the general request routine the network clock uses, with
// a request object whose settings outlive a call. Argument convention as in
// web/http_fetch.h: pointers are caller variables, nullptr = not passed.
//
// This client alone ignores certificate errors (every call configures its
// request object so). Failures are silent: a transfer that fails returns empty
// bytes, `responseHeaders` empty and `statusCode` 0.
//
// Time-outs: `timeoutSeconds` T >= 1 gives T seconds, any other value except
// -1 gives 15 s, for resolving, connecting, each silence while sending and
// each silence while receiving; -1 keeps the request object's own values
// (a new object: 60 s connecting, 30 s sending, 30 s receiving). The whole
// transfer is bounded by 10 x the longest of them. Bodies stop at 64 MiB
// (a failed read). Redirects: at most 10, never from https to http; a redirect
// refused so is the result, with an empty body.
#pragma once

#include <cstdint>
#include <mutex>

#include "text/text.h"
#include "web/curl_transfer.h"

namespace velmora {

// A request object: the settings a call writes (time-outs, proxy, redirects,
// certificate errors to ignore) stay on it for later calls. Thread-safe.
class ScriptedRequest {
 public:
  struct Settings {
    // Milliseconds; 0 or less means the object's defaults (no limit for
    // resolving, 60000 connecting, 30000 sending and receiving).
    int resolveTimeoutMs = 0;
    int connectTimeoutMs = 60000;
    int sendTimeoutMs = 30000;
    int receiveTimeoutMs = 30000;
    Text proxy;  // named proxy for every scheme; empty for a direct link
    bool redirectsEnabled = true;
    // Certificate error flags to ignore; 0x3300 (untrusted authority, wrong
    // usage, name mismatch, date) switches verification off.
    std::uint32_t ignoredCertificateErrors = 0;
  };

  void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs);
  void SetProxy(const Text& proxy);
  void SetRedirectsEnabled(bool enabled);
  void SetIgnoredCertificateErrors(std::uint32_t flags);
  // A copy of the current settings.
  Settings settings() const;

 private:
  mutable std::mutex mutex_;
  Settings settings_;
};

// The certificate error flags every ScriptedHttpFetch call ignores.
inline constexpr std::uint32_t kIgnoreAllCertificateErrors = 0x3300;

// The header block ScriptedHttpFetch completes: Accept, Referer (`url`),
// Accept-Language and User-Agent lines appended when the block lacks them, for
// method 1 also the form content type after "content-type" became
// "Content-Type". Exact, case-sensitive searches; CR LF between lines.
Text CompleteScriptedHeaderBlock(const Text& headers, int method, const Text& url);

// The response body; empty bytes when the transfer failed. `headers`
// (in/out) is completed in place; `cookies` (in/out), when passed even as the
// empty text, is sent as a Cookie header and, with `mergeCookies`, rewritten
// to the merged text. `responseHeaders` gets the response's header lines
// without its status line, each ending in CR LF, then an empty line.
// Header lines are set one by one like the object's SetRequestHeader: a later
// line for a name already set (letter case ignored) replaces the earlier one,
// a line without a name is dropped. Text bodies are sent as their GBK bytes.
Bytes ScriptedHttpFetch(const Text& url, int method = 0, const Text& postData = {},
                        Text* cookies = nullptr, Text* returnedCookies = nullptr,
                        Text* headers = nullptr, Text* responseHeaders = nullptr,
                        std::int32_t* statusCode = nullptr, bool disableRedirects = false,
                        const Bytes& postBytes = {}, const Text& proxy = {},
                        int timeoutSeconds = 0, const Text& proxyUser = {},
                        const Text& proxyPassword = {}, int proxyAuthMode = 1,
                        ScriptedRequest* requestObject = nullptr, bool mergeCookies = true,
                        const TlsTrust& trust = {});

}  // namespace velmora
