#include "web/curl_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "text/text.h"
#include "web/header_lines.h"

namespace velmora {

CurlGlobal::CurlGlobal() : ok_(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}

CurlGlobal::~CurlGlobal() {
  if (ok_) {
    curl_global_cleanup();
  }
}

void CurlHandleDeleter::operator()(CURL* handle) const { curl_easy_cleanup(handle); }

void CurlSlistDeleter::operator()(curl_slist* list) const { curl_slist_free_all(list); }

void CurlUrlDeleter::operator()(Curl_URL* url) const { curl_url_cleanup(url); }

bool CurlHeaderList::Append(const std::string& line) {
  curl_slist* grown = curl_slist_append(list_.get(), line.c_str());
  if (grown == nullptr) {
    return false;
  }
  // curl_slist_append returns the same head once the list exists.
  static_cast<void>(list_.release());
  list_.reset(grown);
  return true;
}

namespace {

struct CurlText {
  char* text = nullptr;
  ~CurlText() { curl_free(text); }
};

std::optional<HttpAddress> AddressFrom(const CurlUrl& url) {
  CurlText scheme;
  CurlText full;
  if (curl_url_get(url.get(), CURLUPART_SCHEME, &scheme.text, 0) != CURLUE_OK ||
      curl_url_get(url.get(), CURLUPART_URL, &full.text, 0) != CURLUE_OK) {
    return std::nullopt;
  }
  const std::string_view schemeName = scheme.text;
  if (schemeName != "http" && schemeName != "https") {
    return std::nullopt;
  }
  return HttpAddress{full.text, schemeName == "https"};
}

bool HasNoPathBeforeQuery(std::string_view address) {
  const std::size_t schemeEnd = address.find("://");
  if (schemeEnd == std::string_view::npos) {
    return false;
  }
  const std::size_t authorityEnd = address.find_first_of("/?#", schemeEnd + 3);
  return authorityEnd != std::string_view::npos && address[authorityEnd] != '/';
}

}  // namespace

std::optional<HttpAddress> ParseHttpAddress(std::string_view address,
                                            bool dropQueryWithoutPath) {
  CurlUrl url(curl_url());
  if (!url || address.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  const std::string text(address);
  if (curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  if (dropQueryWithoutPath && HasNoPathBeforeQuery(address)) {
    curl_url_set(url.get(), CURLUPART_QUERY, nullptr, 0);
  }
  return AddressFrom(url);
}

std::optional<HttpAddress> BuildHttpAddress(bool secure, std::string_view host,
                                            int port, std::string_view pathAndQuery) {
  CurlUrl url(curl_url());
  if (!url || host.empty() || port < 0 || port > 65535) {
    return std::nullopt;
  }
  std::string_view path = pathAndQuery.substr(0, pathAndQuery.find('#'));
  std::string query;
  if (const std::size_t mark = path.find('?'); mark != std::string_view::npos) {
    query = path.substr(mark + 1);
    path = path.substr(0, mark);
  }
  const std::string hostText(host);
  const std::string pathText(path);
  const std::string portText = std::to_string(port);
  if (curl_url_set(url.get(), CURLUPART_SCHEME, secure ? "https" : "http", 0) != CURLUE_OK ||
      curl_url_set(url.get(), CURLUPART_HOST, hostText.c_str(), 0) != CURLUE_OK ||
      (port != 0 &&
       curl_url_set(url.get(), CURLUPART_PORT, portText.c_str(), 0) != CURLUE_OK) ||
      curl_url_set(url.get(), CURLUPART_PATH, "/", 0) != CURLUE_OK) {
    return std::nullopt;
  }
  // Setting the path as a part makes curl lower-case its percent escapes
  // ("%E7" becomes "%e7"), and a storage host that keys objects on the raw
  // path would then answer 404. Re-reading the whole address keeps the
  // caller's bytes as they stand.
  CurlText base;
  if (curl_url_get(url.get(), CURLUPART_URL, &base.text, 0) != CURLUE_OK) {
    return std::nullopt;
  }
  std::string full(base.text);
  full.pop_back();  // the "/" set above
  if (pathText.empty() || pathText.front() != '/') {
    full += '/';
  }
  full += pathText;
  if (!query.empty()) {
    full += '?';
    full += query;
  }
  if (curl_url_set(url.get(), CURLUPART_URL, full.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  return AddressFrom(url);
}

namespace {

using Clock = std::chrono::steady_clock;

// State the callbacks share with Transfer for one call.
struct TransferState {
  TransferResponse response;
  std::size_t headerBytes = 0;
  bool connected = false;
  bool headersComplete = false;
  bool headerTooLarge = false;
  bool bodyTooLarge = false;
  bool idleExpired = false;
  Clock::time_point lastActivity = Clock::now();
  curl_off_t lastUploaded = 0;
  std::chrono::milliseconds sendIdle{0};
  std::chrono::milliseconds receiveIdle{0};
};

int OnConnected(void* user, char*, char*, int, int) {
  auto* state = static_cast<TransferState*>(user);
  state->connected = true;
  state->lastActivity = Clock::now();
  return CURL_PREREQFUNC_OK;
}

std::size_t OnHeaderLine(char* data, std::size_t size, std::size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  const std::size_t length = size * count;
  state->lastActivity = Clock::now();
  std::string_view line(data, length);
  // Each response of a redirect chain or an interim 1xx starts afresh, so
  // only the final response's headers and body remain. A status line only
  // ever opens a header block: inside one, "HTTP/..." is just a header, and
  // after the block's empty line anything else is a chunked trailer, which
  // is not part of the response headers.
  const bool opensResponse = line.starts_with("HTTP/") &&
                             (state->headersComplete || state->response.headers.empty());
  if (state->headersComplete && !opensResponse) {
    return length;
  }
  if (opensResponse) {
    state->response.headers.clear();
    state->response.body.clear();
    state->headerBytes = 0;
    state->headersComplete = false;
  }
  state->headerBytes += length;
  if (state->headerBytes > kMaxHeaderBytes) {
    state->headerTooLarge = true;
    return 0;
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  state->response.headers.append(line);
  state->response.headers += "\r\n";
  if (line.empty()) {
    state->headersComplete = true;
  }
  return length;
}

std::size_t OnBodyChunk(char* data, std::size_t size, std::size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  const std::size_t length = size * count;
  state->lastActivity = Clock::now();
  Bytes& body = state->response.body;
  const std::size_t room = kMaxBodyBytes - body.size();
  const std::size_t taken = std::min(length, room);
  body.insert(body.end(), reinterpret_cast<const std::uint8_t*>(data),
              reinterpret_cast<const std::uint8_t*>(data) + taken);
  if (taken < length) {
    state->bodyTooLarge = true;
    return 0;
  }
  return length;
}

// Ends a transfer that has been silent for longer than the phase allows.
// curl calls this at least about once a second, also while nothing moves.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t uploadTotal,
               curl_off_t uploaded) {
  auto* state = static_cast<TransferState*>(user);
  if (!state->connected) {
    return 0;  // the connect time-out covers resolving and connecting
  }
  const Clock::time_point now = Clock::now();
  if (uploaded != state->lastUploaded) {
    state->lastUploaded = uploaded;
    state->lastActivity = now;
  }
  const bool sending = uploadTotal > 0 && uploaded < uploadTotal;
  const std::chrono::milliseconds limit = sending ? state->sendIdle : state->receiveIdle;
  if (now - state->lastActivity > limit) {
    state->idleExpired = true;
    return 1;
  }
  return 0;
}

bool IsConnectFailure(CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_USE_SSL_FAILED:
    case CURLE_PROXY:
    case CURLE_SEND_ERROR:
    case CURLE_FAILED_INIT:
      return true;
    default:
      return false;
  }
}

TransferFailure Classify(CURLcode code, const TransferState& state) {
  if (code == CURLE_OK) {
    return TransferFailure::kNone;
  }
  const long status = state.response.status;
  const bool unfollowedRedirect =
      (code == CURLE_TOO_MANY_REDIRECTS || code == CURLE_UNSUPPORTED_PROTOCOL ||
       code == CURLE_URL_MALFORMAT) &&
      state.headersComplete && status >= 300 && status < 400;
  if (unfollowedRedirect) {
    return TransferFailure::kNone;
  }
  if (code == CURLE_URL_MALFORMAT && !state.connected) {
    return TransferFailure::kBadAddress;
  }
  if (state.headerTooLarge) {
    return TransferFailure::kNoResponse;
  }
  if (state.bodyTooLarge) {
    return TransferFailure::kReadFailed;
  }
  if (IsConnectFailure(code) || !state.connected) {
    return TransferFailure::kSendFailed;
  }
  return state.headersComplete ? TransferFailure::kReadFailed : TransferFailure::kNoResponse;
}

// curl takes a long, which is 32 bits on Windows.
long Milliseconds(std::chrono::milliseconds value) {
  return static_cast<long>(std::clamp<std::chrono::milliseconds::rep>(
      value.count(), 1, std::numeric_limits<long>::max()));
}

bool NamesLine(const std::vector<Text>& lines, std::string_view name) {
  return std::any_of(lines.begin(), lines.end(), [name](const Text& line) {
    return Find(line, ":") != -1 && EqualText(HeaderLineName(line), name, false);
  });
}

// Builds curl's header list. curl sends a "Name:" line with nothing after the
// colon not at all (it means "remove"), so such lines go as "Name;", which curl
// sends as "Name:". curl's own Accept, Expect and Content-Type are switched off
// unless the caller names them.
bool FillHeaderList(const std::vector<Text>& lines, CurlHeaderList& list) {
  for (const Text& line : lines) {
    const int colon = Find(line, ":");
    if (colon == -1) {
      continue;
    }
    const bool emptyValue = Trim(std::string_view(line).substr(static_cast<std::size_t>(colon))).empty();
    if (!list.Append(emptyValue ? Left(line, colon - 1) + ";" : line)) {
      return false;
    }
  }
  for (const char* name : {"Accept", "Expect", "Content-Type"}) {
    if (!NamesLine(lines, name) && !list.Append(std::string(name) + ":")) {
      return false;
    }
  }
  return true;
}

}  // namespace

TransferResponse Transfer(const TransferRequest& request) {
  TransferState state;
  state.sendIdle = request.sendIdleTimeout;
  state.receiveIdle = request.receiveIdleTimeout;

  CurlHandle handle(curl_easy_init());
  CurlHeaderList headers;
  CurlHeaderList proxyHeaders;
  if (!handle || !FillHeaderList(request.headerLines, headers)) {
    state.response.failure = TransferFailure::kSendFailed;
    return state.response;
  }
  for (const Text& line : request.proxyTunnelLines) {
    if (!proxyHeaders.Append(line)) {
      state.response.failure = TransferFailure::kSendFailed;
      return state.response;
    }
  }
  CURL* curl = handle.get();
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION,
                   request.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(curl, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
  curl_easy_setopt(curl, CURLOPT_PROXYHEADER, proxyHeaders.get());

  const std::string& method = request.method;
  if (method == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else if (request.body) {
    static constexpr char kNoBytes[] = "";
    const char* bytes = request.body->empty()
                            ? kNoBytes
                            : reinterpret_cast<const char*>(request.body->data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(request.body->size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, bytes);
    if (method != "POST") {
      curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
    }
  } else if (method == "GET") {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  }

  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, static_cast<long>(request.maxRedirects));
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, request.redirectSchemes.c_str());

  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, request.verifyPeer ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, request.verifyPeer ? 2L : 0L);
  if (!request.trust.caFile.empty()) {
    curl_easy_setopt(curl, CURLOPT_CAINFO, request.trust.caFile.c_str());
  }

  // An empty proxy also keeps curl from taking one from the environment.
  curl_easy_setopt(curl, CURLOPT_PROXY, request.proxy.c_str());
  if (!request.proxy.empty()) {
    curl_easy_setopt(curl, CURLOPT_PROXYTYPE, CURLPROXY_HTTP);
    if (!request.proxyUser.empty() && !request.proxyPassword.empty()) {
      curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_BASIC);
      curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, request.proxyUser.c_str());
      curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, request.proxyPassword.c_str());
    }
  }
  if (!request.userName.empty() && !request.password.empty()) {
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(curl, CURLOPT_USERNAME, request.userName.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, request.password.c_str());
  }

  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, Milliseconds(request.connectTimeout));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, Milliseconds(request.wholeTransferTimeout));
  curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &OnConnected);
  curl_easy_setopt(curl, CURLOPT_PREREQDATA, &state);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &OnHeaderLine);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &state);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBodyChunk);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);

  const CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  state.response.status = status;
  state.response.failure = Classify(code, state);
  if (!state.headersComplete) {
    state.response.headers.clear();
  }
  return state.response;
}

}  // namespace velmora
