#include "web/inet_fetch.h"

#include <algorithm>
#include <chrono>

#include "text/markers.h"
#include "web/cookies.h"
#include "web/header_lines.h"
#include "web/http_method.h"
#include "web/url.h"

namespace velmora {

Text InetUserAgent(const Text& headers) {
  if (Find(headers, "User-Agent:", 1, true) == -1) {
    return "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
  }
  Text agent = Trim(TextBetween(headers + "\r\n", "User-Agent:", "\r\n"));
  if (agent.empty()) {
    agent = HeaderLineValue(headers);
  }
  return agent;
}

Text CompleteInetHeaderBlock(const Text& headers, int method, const Text& url,
                             const Text& cookies) {
  Text block = WithCommonHeaderDefaults(headers, url);
  if (method == 1 && Find(block, "Content-Type:") == -1) {
    block += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  if (!cookies.empty()) {
    block += Find(cookies, "Cookie:") != -1 ? "\r\n" + cookies : "\r\nCookie: " + cookies;
  }
  return block;
}

Bytes InetFetch(const Text& url, int method, const Text& postData, Text* cookies,
                Text* returnedCookies, Text* headers, Text* responseHeaders,
                bool disableRedirects, Bytes* postBytes, const Text& proxy, bool mergeCookies,
                const TlsTrust& trust) {
  if (method < 0 || method > 7) {
    method = 0;
  }
  const bool secure = ToLowerAscii(Left(url, 8)) == "https://";
  Text ownBlock;
  Text& block = headers != nullptr ? *headers : ownBlock;
  Text agent = InetUserAgent(block);
  // The agent becomes a header line of its own; a line break in it must not
  // start another one.
  agent = agent.substr(0, agent.find_first_of("\r\n"));

  const std::optional<HttpAddress> address =
      BuildHttpAddress(secure, UrlHost(url), UrlPort(url), UrlPath(url));

  block = CompleteInetHeaderBlock(block, method, url, cookies != nullptr ? *cookies : Text());

  TransferResponse response;
  if (!address) {
    // The platform connects lazily, so an unusable host shows up as a failed send.
    response.failure = TransferFailure::kSendFailed;
  } else {
    TransferRequest request;
    request.url = address->url;
    request.method = HttpMethodName(method);
    if (method != 0) {
      Bytes ownBytes;
      Bytes& sent = postBytes != nullptr ? *postBytes : ownBytes;
      if (sent.empty()) {
        sent = TextToBytes(postData);
      }
      request.body = sent;
    }
    request.headerLines = Split(block, "\r\n");
    const bool namesAgent = std::any_of(
        request.headerLines.begin(), request.headerLines.end(),
        [](const Text& line) { return EqualText(HeaderLineName(line), "User-Agent", false); });
    if (!namesAgent) {
      request.headerLines.insert(request.headerLines.begin(), "User-Agent: " + agent);
    }
    request.followRedirects = !disableRedirects;
    request.redirectSchemes = secure ? "https" : "http";
    request.trust = trust;
    request.proxy = proxy;
    request.connectTimeout = std::chrono::seconds(60);
    request.sendIdleTimeout = std::chrono::seconds(60);
    request.receiveIdleTimeout = std::chrono::seconds(60);
    request.wholeTransferTimeout = std::chrono::minutes(10);
    response = Transfer(request);
  }

  Bytes body;
  Text head;
  if (response.ok()) {
    body = std::move(response.body);
  }
  if (response.ok() || response.failure == TransferFailure::kReadFailed) {
    head = response.headers.size() <= kInetHeaderLimit ? response.headers : Text();
  }
  if (responseHeaders != nullptr) {
    *responseHeaders = head;
  }
  const Text returned = ResponseCookies(head, cookies, mergeCookies);
  if (returnedCookies != nullptr) {
    *returnedCookies = returned;
  }
  return body;
}

}  // namespace velmora
