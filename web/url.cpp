#include "web/url.h"

#include "text/markers.h"

namespace velmora {

Text UrlHost(std::string_view address, bool keepPort) {
  Text s = ToLowerAscii(address);
  if (s.empty() || s.back() != '/') {
    s += '/';
  }
  Text host;
  if (Left(s, 8) == "https://") {
    host = TextBetween(s, "https://", "/");
  } else {
    // Deliberately "contains", not "starts with": an address carrying
    // "http://" in its query keeps its text and the host is taken after it.
    if (Find(s, "http://") == -1) {
      s.insert(0, "http://");
    }
    host = TextBetween(s, "http://", "/");
  }
  if (!keepPort) {
    const int colon = Find(host, ":");
    if (colon != -1) {
      host = Left(host, colon - 1);
    }
  }
  return host;
}

std::int32_t UrlPort(std::string_view address) {
  const Text hostAndPort = UrlHost(address, true);
  const int colon = FindBackward(hostAndPort, ":");
  if (colon == -1) {
    return Left(ToLowerAscii(address), 5) == "https" ? 443 : 80;
  }
  return TextToInteger(std::string_view(hostAndPort).substr(static_cast<std::size_t>(colon)));
}

Text UrlPath(std::string_view address) {
  const Text host = UrlHost(address);
  const int hostAt = Find(address, host, 1, true);
  const int slash = Find(address, "/", hostAt, true);
  if (slash == -1) {
    return "/";
  }
  return Text(address.substr(static_cast<std::size_t>(slash - 1)));
}

}  // namespace velmora
