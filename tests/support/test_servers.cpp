#include "tests/support/test_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace velmora::testing {

// ---- Certificates ------------------------------------------------------------

namespace {

struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree {
  void operator()(X509* cert) const { X509_free(cert); }
};
struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct CtxFree {
  void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
struct SslFree {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

void Require(bool ok, const char* what) {
  if (!ok) {
    throw std::runtime_error(std::string("test certificate: ") + what);
  }
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  Require(extension != nullptr, "extension");
  X509_add_ext(cert, extension, -1);
  X509_EXTENSION_free(extension);
}

Cert MakeCertificate(EVP_PKEY* key, const char* commonName, long serial, X509* issuer,
                     EVP_PKEY* issuerKey) {
  Cert cert(X509_new());
  Require(cert != nullptr, "X509_new");
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 7 * 24 * 3600);
  X509_set_pubkey(cert.get(), key);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  X509* signer = issuer != nullptr ? issuer : cert.get();
  X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
  if (issuer == nullptr) {
    AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
  } else {
    AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(cert.get(), signer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
    AddExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth");
    AddExtension(cert.get(), signer, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    AddExtension(cert.get(), signer, NID_authority_key_identifier, "keyid:always");
  }
  Require(X509_sign(cert.get(), issuerKey != nullptr ? issuerKey : key, EVP_sha256()) > 0, "sign");
  return cert;
}

}  // namespace

struct TestCertificate::Material {
  Key caKey;
  Cert caCert;
  Key serverKey;
  Cert serverCert;
};

TestCertificate::TestCertificate() : material_(std::make_unique<Material>()) {
  Material& m = *material_;
  m.caKey.reset(EVP_EC_gen("P-256"));
  m.serverKey.reset(EVP_EC_gen("P-256"));
  Require(m.caKey && m.serverKey, "key generation");
  m.caCert = MakeCertificate(m.caKey.get(), "Velmora Test Authority", 1, nullptr, nullptr);
  m.serverCert = MakeCertificate(m.serverKey.get(), "127.0.0.1", 2, m.caCert.get(), m.caKey.get());

  static std::atomic<int> counter{0};
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("velmora-test-ca-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".pem");
  caFile_ = path.string();
  std::unique_ptr<BIO, BioFree> file(BIO_new_file(caFile_.c_str(), "w"));
  Require(file != nullptr && PEM_write_bio_X509(file.get(), m.caCert.get()) == 1, "CA file");
}

TestCertificate::~TestCertificate() {
  std::error_code ignored;
  std::filesystem::remove(caFile_, ignored);
}

// ---- Server ------------------------------------------------------------------

struct ScriptedServer::TlsContext {
  std::unique_ptr<SSL_CTX, CtxFree> ctx;
};

// The byte pipe of one connection: the socket, or TLS over it.
struct Connection::Channel {
  int socket = -1;
  std::unique_ptr<SSL, SslFree> ssl;

  long Read(char* buffer, std::size_t size) {
    if (ssl) {
      const int n = SSL_read(ssl.get(), buffer, static_cast<int>(size));
      return n > 0 ? n : -1;
    }
    const ssize_t n = ::recv(socket, buffer, size, 0);
    return n > 0 ? static_cast<long>(n) : -1;
  }

  bool Write(std::string_view bytes) {
    while (!bytes.empty()) {
      long n = 0;
      if (ssl) {
        n = SSL_write(ssl.get(), bytes.data(), static_cast<int>(bytes.size()));
      } else {
        n = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      }
      if (n <= 0) {
        return false;
      }
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }
};

bool Connection::Send(std::string_view bytes) {
  return !server_.stopping_ && channel_.Write(bytes);
}

bool Connection::Pause(std::chrono::milliseconds duration) {
  return server_.WaitUnlessStopping(duration);
}

void Connection::Idle() {
  while (server_.WaitUnlessStopping(std::chrono::hours(1))) {
  }
}

std::string HttpResponse(std::string_view status, std::string_view headerLines,
                         std::string_view body) {
  std::string response = "HTTP/1.1 ";
  response += status;
  response += "\r\n";
  response += headerLines;
  response += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
  response += body;
  return response;
}

ScriptedServer::ScriptedServer(Script script, const TestCertificate* certificate)
    : script_(std::move(script)), certificate_(certificate) {
  // A client that hangs up mid-reply must not kill the test process through
  // a TLS write.
  std::signal(SIGPIPE, SIG_IGN);
  if (certificate_ != nullptr) {
    tls_ = std::make_unique<TlsContext>();
    tls_->ctx.reset(SSL_CTX_new(TLS_server_method()));
    Require(tls_->ctx != nullptr, "SSL_CTX_new");
    const TestCertificate::Material& m = certificate_->material();
    Require(SSL_CTX_use_certificate(tls_->ctx.get(), m.serverCert.get()) == 1 &&
                SSL_CTX_use_PrivateKey(tls_->ctx.get(), m.serverKey.get()) == 1,
            "server identity");
  }
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  Require(listener_ >= 0, "socket");
  const int yes = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  Require(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0, "bind");
  Require(::listen(listener_, 64) == 0, "listen");
  socklen_t length = sizeof address;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    for (int socket : openSockets_) {
      ::shutdown(socket, SHUT_RDWR);
    }
  }
  stopped_.notify_all();
  ::shutdown(listener_, SHUT_RDWR);
  acceptor_.join();
  ::close(listener_);
  std::vector<std::thread> workers;
  {
    const std::lock_guard lock(mutex_);
    workers.swap(workers_);
  }
  for (std::thread& worker : workers) {
    worker.join();
  }
}

std::string ScriptedServer::Url(std::string_view path) const {
  return std::string(certificate_ != nullptr ? "https" : "http") + "://127.0.0.1:" +
         std::to_string(port_) + std::string(path);
}

std::vector<std::string> ScriptedServer::Requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

bool ScriptedServer::WaitUnlessStopping(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !stopped_.wait_for(lock, duration, [this] { return stopping_.load(); });
}

void ScriptedServer::AcceptLoop() {
  for (;;) {
    const int socket = ::accept(listener_, nullptr, nullptr);
    if (socket < 0) {
      if (stopping_) {
        return;
      }
      continue;
    }
    const std::lock_guard lock(mutex_);
    if (stopping_) {
      ::close(socket);
      return;
    }
    openSockets_.push_back(socket);
    workers_.emplace_back([this, socket] { Serve(socket); });
  }
}

namespace {

std::size_t ContentLength(std::string_view head) {
  std::string lower(head);
  for (char& c : lower) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  const std::size_t at = lower.find("\r\ncontent-length:");
  return at == std::string::npos ? 0 : std::stoul(lower.substr(at + 17));
}

}  // namespace

void ScriptedServer::Serve(int socket) {
  Connection::Channel channel;
  channel.socket = socket;
  bool ready = true;
  if (tls_) {
    channel.ssl.reset(SSL_new(tls_->ctx.get()));
    ready = channel.ssl && SSL_set_fd(channel.ssl.get(), socket) == 1 &&
            SSL_accept(channel.ssl.get()) == 1;
  }
  Connection connection(*this, channel);
  std::string& request = connection.request_;
  char buffer[16384];
  std::size_t headEnd = std::string::npos;
  while (ready && headEnd == std::string::npos) {
    const long n = channel.Read(buffer, sizeof buffer);
    if (n <= 0) {
      ready = false;
      break;
    }
    request.append(buffer, static_cast<std::size_t>(n));
    headEnd = request.find("\r\n\r\n");
  }
  if (ready) {
    const std::size_t total = headEnd + 4 + ContentLength(request.substr(0, headEnd + 2));
    while (request.size() < total) {
      const long n = channel.Read(buffer, sizeof buffer);
      if (n <= 0) {
        break;
      }
      request.append(buffer, static_cast<std::size_t>(n));
    }
    {
      const std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    script_(connection);
  }
  if (channel.ssl) {
    SSL_shutdown(channel.ssl.get());
  }
  channel.ssl.reset();
  {
    const std::lock_guard lock(mutex_);
    std::erase(openSockets_, socket);
  }
  ::close(socket);
}

std::vector<std::string> RequestLines(const std::string& request) {
  std::vector<std::string> lines;
  const std::size_t headEnd = request.find("\r\n\r\n");
  const std::string head = request.substr(0, headEnd);
  std::size_t start = 0;
  while (start <= head.size()) {
    const std::size_t end = head.find("\r\n", start);
    lines.push_back(head.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) {
      break;
    }
    start = end + 2;
  }
  return lines;
}

std::string RequestBody(const std::string& request) {
  const std::size_t headEnd = request.find("\r\n\r\n");
  return headEnd == std::string::npos ? std::string() : request.substr(headEnd + 4);
}

}  // namespace velmora::testing
