// Small helpers shared by the HTTP client tests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/test_servers.h"
#include "text/text.h"

namespace velmora::testing {

// A script that answers every request with `response`.
inline Script Reply(std::string response) {
  return [response = std::move(response)](Connection& connection) { connection.Send(response); };
}

// A loopback port nobody listens on: bound, read back, closed again.
inline int RefusedPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(s);
  return ntohs(address.sin_port);
}

inline std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    out += line + "|";
  }
  return out;
}

inline Text AsText(const Bytes& bytes) { return Text(bytes.begin(), bytes.end()); }

}  // namespace velmora::testing
