#include "web/scripted_http_fetch.h"

#include <algorithm>
#include <chrono>

#include "web/base64.h"
#include "web/cookies.h"
#include "web/header_lines.h"
#include "web/http_method.h"

namespace velmora {

void ScriptedRequest::SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) {
  const std::lock_guard lock(mutex_);
  settings_.resolveTimeoutMs = resolveMs;
  settings_.connectTimeoutMs = connectMs;
  settings_.sendTimeoutMs = sendMs;
  settings_.receiveTimeoutMs = receiveMs;
}

void ScriptedRequest::SetProxy(const Text& proxy) {
  const std::lock_guard lock(mutex_);
  settings_.proxy = proxy;
}

void ScriptedRequest::SetRedirectsEnabled(bool enabled) {
  const std::lock_guard lock(mutex_);
  settings_.redirectsEnabled = enabled;
}

void ScriptedRequest::SetIgnoredCertificateErrors(std::uint32_t flags) {
  const std::lock_guard lock(mutex_);
  settings_.ignoredCertificateErrors = flags;
}

ScriptedRequest::Settings ScriptedRequest::settings() const {
  const std::lock_guard lock(mutex_);
  return settings_;
}

Text CompleteScriptedHeaderBlock(const Text& headers, int method, const Text& url) {
  Text block = WithCommonHeaderDefaults(headers, url);
  if (Find(block, "User-Agent:") == -1) {
    block += "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
  }
  if (method == 1) {
    block = Replace(block, "content-type", "Content-Type");
    if (Find(block, "Content-Type:") == -1) {
      block += "\r\nContent-Type: application/x-www-form-urlencoded";
    }
  }
  return block;
}

namespace {

// Like the request object's SetRequestHeader: a later value for a name already
// set (letter case ignored) replaces the earlier one in its place; a call
// without a name is refused.
void SetRequestHeader(std::vector<Text>& lines, const Text& name, const Text& value) {
  if (name.empty()) {
    return;
  }
  AddHeaderLine(lines, name + ": " + value);
}

std::chrono::milliseconds Positive(int ms, int fallbackMs) {
  return std::chrono::milliseconds(ms > 0 ? ms : fallbackMs);
}

}  // namespace

Bytes ScriptedHttpFetch(const Text& url, int method, const Text& postData, Text* cookies,
                        Text* returnedCookies, Text* headers, Text* responseHeaders,
                        std::int32_t* statusCode, bool disableRedirects, const Bytes& postBytes,
                        const Text& proxy, int timeoutSeconds, const Text& proxyUser,
                        const Text& proxyPassword, int proxyAuthMode,
                        ScriptedRequest* requestObject, bool mergeCookies,
                        const TlsTrust& trust) {
  if (method < 0 || method > 7) {
    method = 0;
  }
  ScriptedRequest ownRequest;
  ScriptedRequest& object = requestObject != nullptr ? *requestObject : ownRequest;

  if (timeoutSeconds != -1) {
    const int ms = timeoutSeconds >= 1 ? static_cast<int>(std::min(timeoutSeconds, 2000000)) * 1000
                                       : 15000;
    object.SetTimeouts(ms, ms, ms, ms);
  }
  std::vector<Text> lines;
  Text proxyAuthorization;
  if (!proxy.empty()) {
    object.SetProxy(proxy);
    if (!proxyUser.empty() && proxyAuthMode == 1) {
      proxyAuthorization = "Basic " + Base64Encode(TextToBytes(proxyUser + ":" + proxyPassword));
    }
  }
  if (disableRedirects) {
    object.SetRedirectsEnabled(false);
  }
  object.SetIgnoredCertificateErrors(kIgnoreAllCertificateErrors);

  Text ownBlock;
  Text& block = headers != nullptr ? *headers : ownBlock;
  block = CompleteScriptedHeaderBlock(block, method, url);
  if (cookies != nullptr) {
    SetRequestHeader(lines, "Cookie", *cookies);
  }
  if (Find(block, "\r\n") == -1) {
    SetRequestHeader(lines, HeaderLineName(block), HeaderLineValue(block));
  } else {
    for (const Text& line : Split(block, "\r\n")) {
      if (!line.empty()) {
        SetRequestHeader(lines, HeaderLineName(line), HeaderLineValue(line));
      }
    }
  }

  const ScriptedRequest::Settings settings = object.settings();
  const std::optional<HttpAddress> address = ParseHttpAddress(url, false);
  TransferResponse response;
  if (!address) {
    response.failure = TransferFailure::kBadAddress;
  } else {
    TransferRequest request;
    request.url = address->url;
    request.method = HttpMethodName(method);
    if (!postBytes.empty()) {
      request.body = postBytes;
    } else if (!postData.empty() || method == 1) {
      request.body = TextToBytes(postData);
    }
    request.headerLines = std::move(lines);
    if (!proxyAuthorization.empty()) {
      // Through a tunnel the credentials must reach the proxy, not the server.
      (address->secure ? request.proxyTunnelLines : request.headerLines)
          .push_back("Proxy-Authorization: " + proxyAuthorization);
    }
    request.followRedirects = settings.redirectsEnabled;
    request.redirectSchemes = address->secure ? "https" : "http,https";
    request.verifyPeer = (settings.ignoredCertificateErrors & kIgnoreAllCertificateErrors) !=
                         kIgnoreAllCertificateErrors;
    request.trust = trust;
    request.proxy = settings.proxy;
    request.connectTimeout =
        Positive(settings.connectTimeoutMs, 60000) +
        std::chrono::milliseconds(std::max(settings.resolveTimeoutMs, 0));
    request.sendIdleTimeout = Positive(settings.sendTimeoutMs, 30000);
    request.receiveIdleTimeout = Positive(settings.receiveTimeoutMs, 30000);
    request.wholeTransferTimeout =
        10 * std::max({request.connectTimeout, request.sendIdleTimeout,
                       request.receiveIdleTimeout});
    response = Transfer(request);
  }

  Bytes body;
  Text head;
  std::int32_t status = 0;
  if (response.ok()) {
    body = std::move(response.body);
    // The object reports the header lines without the status line.
    const int firstLineEnd = Find(response.headers, "\r\n");
    head = firstLineEnd == -1 ? Text() : response.headers.substr(static_cast<std::size_t>(firstLineEnd + 1));
    status = static_cast<std::int32_t>(response.status);
  }
  if (responseHeaders != nullptr) {
    *responseHeaders = head;
  }
  if (statusCode != nullptr) {
    *statusCode = status;
  }
  const Text returned = ResponseCookies(head, cookies, mergeCookies);
  if (returnedCookies != nullptr) {
    *returnedCookies = returned;
  }
  return body;
}

}  // namespace velmora
