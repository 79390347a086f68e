// Loopback stand-ins for the item page and the network clock, and a scratch
// run directory, for tests that drive whole poll cycles.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <string_view>

#include "tests/support/test_servers.h"
#include "text/gbk_codec.h"

namespace velmora::cycle_test {

// GBK bytes of a UTF-8 literal, so expectations read as the window shows them.
inline std::string Gbk(std::string_view utf8) { return GbkFromUtf8(utf8); }

// An item page whose bytes the test sets between cycles. Unavailable, it
// closes every connection without an answer.
class PageSite {
 public:
  PageSite() : server_([this](velmora::testing::Connection& c) { Answer(c); }) {}

  void SetPage(std::string page) {
    std::lock_guard lock(mutex_);
    page_ = std::move(page);
    available_ = true;
  }
  void SetUnavailable() {
    std::lock_guard lock(mutex_);
    available_ = false;
  }
  // Holds every answer until Release; the request is already recorded.
  void Hold() { held_ = true; }
  void Release() { held_ = false; }
  int RequestCount() const { return static_cast<int>(server_.Requests().size()); }
  std::string Url() const { return server_.Url("/item"); }

 private:
  void Answer(velmora::testing::Connection& connection) {
    while (held_) {
      if (!connection.Pause(std::chrono::milliseconds(5))) return;
    }
    std::string page;
    {
      std::lock_guard lock(mutex_);
      if (!available_) return;
      page = page_;
    }
    connection.Send(velmora::testing::HttpResponse("200 OK",
                                                   "Content-Type: text/html\r\n", page));
  }

  std::mutex mutex_;
  std::string page_;
  bool available_ = true;
  std::atomic<bool> held_{false};
  velmora::testing::ScriptedServer server_;
};

// A web server whose HEAD answer carries the header lines the test sets.
class ClockSite {
 public:
  explicit ClockSite(std::string headerLines = "Date: Tue, 15 Nov 1994 08:12:31 GMT\r\n")
      : headerLines_(std::move(headerLines)),
        server_([this](velmora::testing::Connection& c) { Answer(c); }) {}

  void SetHeaderLines(std::string headerLines) {
    std::lock_guard lock(mutex_);
    headerLines_ = std::move(headerLines);
  }
  int RequestCount() const { return static_cast<int>(server_.Requests().size()); }
  std::string Url() const { return server_.Url("/"); }

 private:
  void Answer(velmora::testing::Connection& connection) {
    std::string lines;
    {
      std::lock_guard lock(mutex_);
      lines = headerLines_;
    }
    // A HEAD answer: the headers only, no body after them.
    connection.Send("HTTP/1.1 200 OK\r\n" + lines + "Connection: close\r\n\r\n");
  }

  std::mutex mutex_;
  std::string headerLines_;
  velmora::testing::ScriptedServer server_;
};

// A fresh directory under the system's temporary directory, removed again.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() /
            ("velmora-test-" + std::to_string(seed()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The whole content of a file; empty when it cannot be read.
inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace velmora::cycle_test
