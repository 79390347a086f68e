#include "web/http_read_file.h"

#include <chrono>

namespace velmora {

Bytes HttpReadFile(const Text& url, const TlsTrust& trust) {
  const std::optional<HttpAddress> address = ParseHttpAddress(url, false);
  if (!address) {
    return {};
  }
  TransferRequest request;
  request.url = address->url;
  request.http10 = true;
  request.headerLines = {"User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)",
                         "Accept: */*"};
  request.redirectSchemes = address->secure ? "https" : "http,https";
  request.trust = trust;
  request.connectTimeout = std::chrono::seconds(30);
  request.sendIdleTimeout = std::chrono::seconds(30);
  request.receiveIdleTimeout = std::chrono::seconds(30);
  request.wholeTransferTimeout = std::chrono::minutes(5);
  TransferResponse response = Transfer(request);
  return response.ok() ? std::move(response.body) : Bytes();
}

}  // namespace velmora
