// The one small layer over libcurl that the HTTP clients share: one easy
// handle per call, no signals, no headers of curl's own beyond Host and
// Content-Length, the final response's raw header block with CR LF line ends,
// the body read in bounded chunks, and one classification of what failed.
//
// Every call owns its handles and shares nothing, so any number of threads may
// transfer at once, provided a CurlGlobal lives for the whole time.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

using CURL = void;
struct curl_slist;
struct Curl_URL;

namespace velmora {

// libcurl's process-wide start-up and clean-up. Create exactly one, in main
// (or a test's main), before any thread starts; destroy it after they end.
class CurlGlobal {
 public:
  CurlGlobal();
  ~CurlGlobal();
  CurlGlobal(const CurlGlobal&) = delete;
  CurlGlobal& operator=(const CurlGlobal&) = delete;
  // True when libcurl started; every transfer fails to send otherwise.
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

// Where HTTPS server certificates are verified against. Empty: the system's
// store. With `caFile` (a PEM file) that file's certificates replace the
// system store for the call; tests use it to trust a generated authority.
struct TlsTrust {
  std::string caFile;
};

struct CurlHandleDeleter {
  void operator()(CURL* handle) const;
};
using CurlHandle = std::unique_ptr<CURL, CurlHandleDeleter>;

struct CurlSlistDeleter {
  void operator()(curl_slist* list) const;
};
// A list of header lines for curl; Append keeps ownership on failure.
class CurlHeaderList {
 public:
  // False when curl could not allocate; the list is then unchanged.
  bool Append(const std::string& line);
  curl_slist* get() const { return list_.get(); }

 private:
  std::unique_ptr<curl_slist, CurlSlistDeleter> list_;
};

struct CurlUrlDeleter {
  void operator()(Curl_URL* url) const;
};
using CurlUrl = std::unique_ptr<Curl_URL, CurlUrlDeleter>;

// An address curl accepts, with the scheme http or https.
struct HttpAddress {
  std::string url;  // normalised, as curl will request it
  bool secure = false;
};

// The address split and put together again by curl; nothing when curl cannot
// parse it or its scheme is neither http nor https. With
// `dropQueryWithoutPath`, a query that follows the host directly (no "/"
// before it) is left out: "http://a.com?q=1" becomes "http://a.com/".
std::optional<HttpAddress> ParseHttpAddress(std::string_view address,
                                            bool dropQueryWithoutPath);

// The address built from separate parts (a port of 0 means the scheme's
// default); nothing when curl rejects a part, e.g. a host holding "?" or " ".
std::optional<HttpAddress> BuildHttpAddress(bool secure, std::string_view host,
                                            int port, std::string_view pathAndQuery);

// What a transfer failed at. Each client turns it into its own report.
enum class TransferFailure {
  kNone,
  // curl could not use the address.
  kBadAddress,
  // Name resolution, connecting (also through a proxy), the TLS handshake or
  // sending the request failed or timed out.
  kSendFailed,
  // Connected, but no complete, well-formed response header came in time
  // (silence, a malformed status line, a header block over kMaxHeaderBytes).
  kNoResponse,
  // The header was complete but the body broke off: the peer closed early,
  // went silent, exceeded kMaxBodyBytes, or the whole-transfer bound ran out.
  kReadFailed,
};

// A response header block larger than this is refused as no response.
inline constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
// A body is cut off at this size and the read counts as failed.
inline constexpr std::size_t kMaxBodyBytes = 64 * 1024 * 1024;

struct TransferRequest {
  std::string url;               // from ParseHttpAddress or BuildHttpAddress
  std::string method = "GET";    // request method name
  std::optional<Bytes> body;     // sent with a Content-Length when present
  // Request header lines "Name: value", sent in this order. Lines without a
  // colon are dropped; curl adds only Host (and Content-Length for a body).
  std::vector<Text> headerLines;
  // Lines sent to the proxy alone, in the CONNECT of a tunnelled request.
  std::vector<Text> proxyTunnelLines;
  bool http10 = false;
  bool followRedirects = true;
  int maxRedirects = 10;
  // Schemes a redirect may lead to, as curl spells them: "http,https",
  // "https" or "http".
  std::string redirectSchemes = "http,https";
  bool verifyPeer = true;
  TlsTrust trust;
  std::string proxy;  // host:port of an HTTP proxy; empty for a direct link
  Text proxyUser, proxyPassword;  // Basic, only when both are non-empty
  Text userName, password;        // Basic, only when both are non-empty
  // Name resolution and connecting (TLS handshake included) together.
  std::chrono::milliseconds connectTimeout{30000};
  // Longest silence while the request body is going out.
  std::chrono::milliseconds sendIdleTimeout{30000};
  // Longest wait for the next bytes of the response.
  std::chrono::milliseconds receiveIdleTimeout{30000};
  // Bound on the whole transfer, redirects included.
  std::chrono::milliseconds wholeTransferTimeout{300000};
};

struct TransferResponse {
  TransferFailure failure = TransferFailure::kNone;
  // The final response's header block: status line and header lines, each
  // ending in CR LF, then an empty line. Empty when none came in.
  Text headers;
  // The final response's body, or what arrived before a failed read.
  Bytes body;
  long status = 0;
  bool ok() const { return failure == TransferFailure::kNone; }
};

// Performs one request. A redirect that is not followed leaves its own 3xx
// response as the result: with its body when following was switched off, with
// an empty body when curl meant to follow it and then refused (more than
// `maxRedirects`, or a scheme not in `redirectSchemes`).
TransferResponse Transfer(const TransferRequest& request);

}  // namespace velmora
