#include "web/http_fetch.h"

#include <chrono>
#include <cstdint>
#include <utility>

#include "web/cookies.h"
#include "web/header_lines.h"
#include "web/http_method.h"
#include "web/response_decoding.h"

namespace velmora {

namespace {

void AppendUnlessFound(Text& block, std::string_view key, std::string_view line) {
  if (Find(block, key, 1, true) == -1) {
    block += line;
  }
}

std::chrono::milliseconds TimeoutOf(int timeoutSeconds) {
  return std::chrono::milliseconds(
      timeoutSeconds >= 1 ? static_cast<std::int64_t>(timeoutSeconds) * 1000 : 30000);
}

void Write(Text* target, std::string_view value) {
  if (target != nullptr) {
    *target = value;
  }
}

}  // namespace

Text HttpFetchHeaderBlock(const Text& headers, int method, const Text& cookies) {
  Text block = headers.empty() ? Text() : headers + "\r\n";
  AppendUnlessFound(
      block, "User-Agent: ",
      "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n");
  AppendUnlessFound(block, "Accept: ", "Accept: text/html, application/xhtml+xml, */*\r\n");
  AppendUnlessFound(block, "Accept-Encoding: ", "Accept-Encoding: gbk, GB2312\r\n");
  AppendUnlessFound(block, "Accept-Language: ", "Accept-Language: zh-cn\r\n");
  if (method == 1) {
    block = Replace(block, "content-type", "Content-Type");
    if (Find(block, "Content-Type:") == -1) {
      block += "Content-Type: application/x-www-form-urlencoded\r\n";
    }
  }
  AppendUnlessFound(block, "Cache-Control: ", "Cache-Control: no-cache\r\n");
  if (!cookies.empty()) {
    AppendUnlessFound(block, "Cookie: ", "Cookie: " + cookies + "\r\n");
  }
  return block;
}

Text HttpFetch(const Text& url, int method, const Text& postData, Text* cookies,
               Text* returnedCookies, const Text& headers, Text* responseHeaders,
               bool disableRedirects, const Text& userName, const Text& password,
               const Text& proxy, const Text& proxyUser, const Text& proxyPassword,
               int timeoutSeconds, Text* location, Text* statusText, Bytes* responseBody,
               bool mergeCookies, const TlsTrust& trust) {
  // The WinHttp-style object name: a query straight after the host is dropped.
  const std::optional<HttpAddress> address = ParseHttpAddress(url, true);
  if (!address) {
    Write(statusText, kHttpFetchBadAddress);
    return {};
  }
  const Text cookieText = cookies != nullptr ? *cookies : Text();

  TransferRequest request;
  request.url = address->url;
  request.method = HttpMethodName(method);
  if (method == 1 || !postData.empty()) {
    request.body = TextToBytes(postData);
  }
  // The block is added with replacement: where two lines name the same
  // header ("User-Agent:X" beside the default "User-Agent: ..."), the later
  // one takes the earlier one's place and one line goes out.
  for (Text& line : Split(HttpFetchHeaderBlock(headers, method, cookieText), "\r\n")) {
    if (!line.empty()) AddHeaderLine(request.headerLines, std::move(line));
  }
  request.followRedirects = !disableRedirects;
  request.redirectSchemes = address->secure || !proxy.empty() ? (address->secure ? "https" : "http")
                                                               : "http,https";
  request.trust = trust;
  request.proxy = proxy;
  request.proxyUser = proxyUser;
  request.proxyPassword = proxyPassword;
  request.userName = userName;
  request.password = password;
  const std::chrono::milliseconds timeout = TimeoutOf(timeoutSeconds);
  request.connectTimeout = timeout;
  request.sendIdleTimeout = timeout;
  request.receiveIdleTimeout = timeout;
  request.wholeTransferTimeout = timeout * 10;

  TransferResponse response = Transfer(request);
  switch (response.failure) {
    case TransferFailure::kBadAddress:
      Write(statusText, kHttpFetchBadAddress);
      return {};
    case TransferFailure::kSendFailed:
      Write(statusText, kHttpFetchSendFailed);
      return {};
    case TransferFailure::kNoResponse:
      Write(statusText, kHttpFetchNoResponse);
      return {};
    case TransferFailure::kReadFailed:
      // The bytes read so far still go through headers, cookies and decoding.
      Write(statusText, kHttpFetchReadFailed);
      break;
    case TransferFailure::kNone:
      break;
  }
  const Text& head = response.headers;
  if (head.empty()) {
    return {};
  }
  Write(responseHeaders, head);
  // "HTTP/1.1 " takes the first nine bytes; the rest of the line is e.g. "200 OK".
  Write(statusText, Middle(head, 10, Find(head, "\r\n", 10) - 10));

  for (const Text& line : Split(head, "\r\n")) {
    if (EqualText(Left(line, 10), "Location: ", false)) {
      Write(location, Middle(line, 11, static_cast<int>(line.size())));
    }
  }
  // Only cookies that were sent are merged into.
  Write(returnedCookies, ResponseCookies(head, cookies, mergeCookies && !cookieText.empty()));
  if (responseBody != nullptr) {
    *responseBody = response.body;
  }
  return DecodeResponseText(response.body);
}

}  // namespace velmora
