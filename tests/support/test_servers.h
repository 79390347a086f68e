// Loopback servers for the HTTP tests: a scripted raw HTTP/1.1 server that
// records the exact request bytes and answers as a test's script says (slowly,
// not at all, endlessly, cut off, malformed), optionally over TLS with a
// certificate from a generated authority.
//
// Every server binds 127.0.0.1 on an ephemeral port and serves each connection
// on its own thread: it reads one request (head and Content-Length body),
// records it, runs the script, and closes the connection.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace velmora::testing {

// A certificate authority and a server certificate it signed for 127.0.0.1
// and localhost, made fresh with OpenSSL. The authority's PEM file lives in
// the temp directory for the certificate's lifetime (for TlsTrust::caFile).
class TestCertificate {
 public:
  TestCertificate();
  ~TestCertificate();
  TestCertificate(const TestCertificate&) = delete;
  TestCertificate& operator=(const TestCertificate&) = delete;

  const std::string& caFile() const { return caFile_; }

  struct Material;
  const Material& material() const { return *material_; }

 private:
  std::unique_ptr<Material> material_;
  std::string caFile_;
};

class ScriptedServer;

// One accepted connection, as the script sees it.
class Connection {
 public:
  // The raw request bytes: head, blank line and body.
  const std::string& request() const { return request_; }
  // Sends all bytes; false once the peer has gone or the server is stopping.
  bool Send(std::string_view bytes);
  // Waits; false (early) when the server is stopping.
  bool Pause(std::chrono::milliseconds duration);
  // Says nothing until the server stops.
  void Idle();

 private:
  friend class ScriptedServer;
  struct Channel;
  Connection(ScriptedServer& server, Channel& channel) : server_(server), channel_(channel) {}
  ScriptedServer& server_;
  Channel& channel_;
  std::string request_;
};

using Script = std::function<void(Connection&)>;

// "HTTP/1.1 <status>\r\n" + headerLines (each ending in CR LF) +
// "Content-Length: <n>\r\nConnection: close\r\n\r\n" + body.
std::string HttpResponse(std::string_view status, std::string_view headerLines,
                         std::string_view body);

class ScriptedServer {
 public:
  // Plain HTTP, or TLS with `certificate` (which must outlive the server).
  explicit ScriptedServer(Script script, const TestCertificate* certificate = nullptr);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" (or https) followed by `path`.
  std::string Url(std::string_view path = "/") const;
  // The recorded requests, in the order they were read.
  std::vector<std::string> Requests() const;

 private:
  friend class Connection;
  void AcceptLoop();
  void Serve(int socket);
  bool WaitUnlessStopping(std::chrono::milliseconds duration);

  Script script_;
  const TestCertificate* certificate_;
  struct TlsContext;
  std::unique_ptr<TlsContext> tls_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  std::vector<std::string> requests_;
  std::vector<int> openSockets_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

// A request's head lines (request line first), split at CR LF, without the
// blank line and body.
std::vector<std::string> RequestLines(const std::string& request);
// The body after the blank line.
std::string RequestBody(const std::string& request);

}  // namespace velmora::testing
