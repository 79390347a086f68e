#include "app/update_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/message_box.h"
#include "tests/support/test_servers.h"
#include "text/text.h"

namespace velmora {
namespace {

const char* OutcomeName(UpdateOutcome outcome) {
  switch (outcome) {
    case UpdateOutcome::kSiteUnusable: return "kSiteUnusable";
    case UpdateOutcome::kNoVersion: return "kNoVersion";
    case UpdateOutcome::kSameVersion: return "kSameVersion";
    case UpdateOutcome::kDownloadFailed: return "kDownloadFailed";
    case UpdateOutcome::kWriteFailed: return "kWriteFailed";
    case UpdateOutcome::kStartFailed: return "kStartFailed";
    case UpdateOutcome::kStarted: return "kStarted";
  }
  return "?";
}

}  // namespace

// Readable outcomes in failure messages.
void PrintTo(UpdateOutcome outcome, std::ostream* out) { *out << OutcomeName(outcome); }

namespace {

using platform::MessageBoxService;
using testing::ScriptedServer;
using testing::TestCertificate;

// GBK: 版本【 and 】, and the box text 检测到新版本,确定更新.
const Text kOpen = "\xB0\xE6\xB1\xBE\xA1\xBE";
const Text kClose = "\xA1\xBF";
const Text kNewVersionMessage =
    "\xBC\xEC\xB2\xE2\xB5\xBD\xD0\xC2\xB0\xE6\xB1\xBE,"
    "\xC8\xB7\xB6\xA8\xB8\xFC\xD0\xC2";

Text Bracketed(const Text& version) { return kOpen + version + kClose; }

struct StatusRow {
  std::string headers;
  int status;
};

TEST(LastResponseStatusTest, ReadsTheFinalStatusLine) {
  const StatusRow rows[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n", 200},
      {"HTTP/1.1 404 Not Found\r\n\r\n", 404},
      {"HTTP/2 200\r\n\r\n", 200},
      // A redirect's own status is not the download's.
      {"HTTP/1.1 302 Found\r\nLocation: /x\r\n\r\nHTTP/1.1 200 OK\r\n\r\n", 200},
      {"HTTP/1.1 200 OK\r\n\r\nHTTP/1.1 500 Oops\r\n\r\n", 500},
      {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\n", 201},
      // Nothing usable: no status line, a header that merely mentions one, a
      // code that is not three digits.
      {"", 0},
      {"Content-Length: 3\r\n", 0},
      {"X-Note: HTTP/1.1 200 OK\r\n", 0},
      {"HTTP/1.1 20 OK\r\n", 0},
      {"HTTP/1.1 2000 OK\r\n", 0},
      {"HTTP/1.1 2x0 OK\r\n", 0},
      {"HTTP/1.1\r\n", 0},
  };
  for (const StatusRow& row : rows) {
    SCOPED_TRACE(row.headers);
    EXPECT_EQ(LastResponseStatus(row.headers), row.status);
  }
}

struct SiteRow {
  const char* name;
  UpdateSite site;
  bool usable;
};

TEST(UpdateSiteTest, OnlyHttpsUpdatersOutsideInvalidAreUsable) {
  const SiteRow rows[] = {
      {"https", {"https://a.test/v.txt", "https://a.test/u.exe", "c.test", {}}, true},
      {"upper-case scheme", {"https://a.test/v", "HTTPS://a.test/u", "c", {}}, true},
      {"loopback", {"https://127.0.0.1:4443/v", "https://127.0.0.1:4443/u", "c", {}}, true},
      {"plain http updater", {"https://a.test/v", "http://a.test/u", "c", {}}, false},
      {"no scheme", {"https://a.test/v", "a.test/u", "c", {}}, false},
      {"empty updater", {"https://a.test/v", "", "c", {}}, false},
      {"reserved domain", {"https://u.velmora.invalid/v", "https://u.velmora.invalid/u", "c", {}},
       false},
      {"version under invalid", {"https://x.invalid/v", "https://a.test/u", "c", {}}, false},
      {"bare invalid", {"https://invalid/v", "https://invalid/u", "c", {}}, false},
  };
  for (const SiteRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IsUpdateSiteUsable(row.site), row.usable);
  }
}

TEST(UpdateSiteTest, BuiltInSiteNamesBothFilesOverHttps) {
  const UpdateSite site = BuiltInUpdateSite();
  EXPECT_TRUE(site.versionUrl.starts_with("https://")) << site.versionUrl;
  EXPECT_TRUE(site.versionUrl.ends_with("/%E6%9B%B4%E6%96%B0%E7%89%88%E6%9C%AC.txt"))
      << site.versionUrl;
  EXPECT_TRUE(site.updaterUrl.ends_with("/%E7%89%88%E6%9C%AC%E6%9B%B4%E6%96%B0.exe"))
      << site.updaterUrl;
  EXPECT_EQ(site.versionUrl.substr(0, site.versionUrl.rfind('/')),
            site.updaterUrl.substr(0, site.updaterUrl.rfind('/')));
  EXPECT_FALSE(site.consoleHost.empty());
  EXPECT_TRUE(site.caFile.empty());
}

// ---- Whole checks against a loopback HTTPS site ---------------------------

const std::string kVersionPath = "/%E6%9B%B4%E6%96%B0%E7%89%88%E6%9C%AC.txt";
const std::string kUpdaterPath = "/%E7%89%88%E6%9C%AC%E6%9B%B4%E6%96%B0.exe";
// As RequestPath gives them.
const std::string kVersionRequestPath = ToLowerAscii(kVersionPath);
const std::string kUpdaterRequestPath = ToLowerAscii(kUpdaterPath);

enum class UpdaterReply {
  kBody,      // 200 with the updater
  kRedirect,  // 302 to a path that answers 200 with the updater
  kNotFound,  // 404 with an error page
  kEmpty,     // 200 with no body
  kCutOff,    // 200 announcing the whole length, then the connection drops
};

// The path of a recorded request, from its request line, in lower case: the
// client may write percent escapes with either case of hex digits.
std::string RequestPath(const std::string& request) {
  const std::vector<std::string> lines = testing::RequestLines(request);
  if (lines.empty()) return {};
  const std::size_t start = lines.front().find(' ');
  const std::size_t end = lines.front().rfind(' ');
  return start == std::string::npos || end <= start
             ? std::string()
             : ToLowerAscii(lines.front().substr(start + 1, end - start - 1));
}

// Serves the version text and the updater over TLS and remembers what was
// asked for.
class UpdateSiteServer {
 public:
  UpdateSiteServer(const TestCertificate& certificate, std::string versionFile,
                   UpdaterReply reply, std::string updater)
      : server_(
            [versionFile, reply, updater](testing::Connection& connection) {
              const std::string path = RequestPath(connection.request());
              if (path == kVersionRequestPath) {
                connection.Send(testing::HttpResponse("200 OK", "", versionFile));
              } else if (path == "/moved.exe") {
                connection.Send(testing::HttpResponse("200 OK", "", updater));
              } else if (path != kUpdaterRequestPath) {
                connection.Send(testing::HttpResponse("404 Not Found", "", ""));
              } else if (reply == UpdaterReply::kBody) {
                connection.Send(testing::HttpResponse("200 OK", "", updater));
              } else if (reply == UpdaterReply::kRedirect) {
                connection.Send(
                    testing::HttpResponse("302 Found", "Location: /moved.exe\r\n", ""));
              } else if (reply == UpdaterReply::kNotFound) {
                connection.Send(
                    testing::HttpResponse("404 Not Found", "", "<html>not found</html>"));
              } else if (reply == UpdaterReply::kEmpty) {
                connection.Send(testing::HttpResponse("200 OK", "", ""));
              } else {
                const std::string whole = testing::HttpResponse("200 OK", "", updater);
                connection.Send(whole.substr(0, whole.size() - updater.size() / 2));
              }
            },
            &certificate) {}

  UpdateSite Site(const std::string& caFile) const {
    return {server_.Url(kVersionPath), server_.Url(kUpdaterPath), "console.test", caFile};
  }
  // How many requests asked for `path`.
  int RequestsFor(const std::string& path) const {
    int count = 0;
    for (const std::string& request : server_.Requests()) count += RequestPath(request) == path;
    return count;
  }
  int RequestCount() const { return static_cast<int>(server_.Requests().size()); }
  // The Referer lines of the updater requests, as sent.
  std::vector<std::string> UpdaterRefererLines() const {
    std::vector<std::string> referers;
    for (const std::string& request : server_.Requests()) {
      if (RequestPath(request) != kUpdaterRequestPath) continue;
      for (const std::string& line : testing::RequestLines(request)) {
        if (line.starts_with("Referer:")) referers.push_back(line);
      }
    }
    return referers;
  }

 private:
  ScriptedServer server_;
};

// Stands in for the window: answers the box, records the program start and
// the destruction.
struct FakeWindow {
  MessageBoxService messageBox;
  std::vector<std::filesystem::path> started;
  int destroyed = 0;
  bool startSucceeds = true;

  UpdateEnvironment Environment(const std::filesystem::path& runDirectory,
                                const UpdateSite& site) {
    // Answered up front, so a box the check shows never waits for a person.
    messageBox.QueueAnswer(MessageBoxService::kAnsweredOk);
    return {messageBox, [this] { ++destroyed; }, runDirectory,
            [this](const std::filesystem::path& path) {
              started.push_back(path);
              return startSucceeds;
            },
            site};
  }
};

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Bytes an executable might hold: zeros, high bytes, more than one read buffer.
std::string MakeUpdaterBytes() {
  std::string bytes("MZ\x90\x00\x03\x00\xFF\xFE", 8);
  for (int i = 0; i < 5000; ++i) bytes.push_back(static_cast<char>(i * 7 % 256));
  return bytes;
}

// Which updater a file holds, short enough for a failure message.
std::string Describe(const std::string& content, const std::string& updater) {
  if (content == updater) return "the new updater";
  if (content == "earlier updater") return "the earlier updater";
  return "other bytes (" + std::to_string(content.size()) + ")";
}

// 版本更新.exe as the file system shows it.
const std::filesystem::path kUpdaterFileName(u8"\u7248\u672C\u66F4\u65B0.exe");
const std::string kEarlierUpdater = "earlier updater";

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = std::filesystem::temp_directory_path() /
            ("velmora-update-" + std::to_string(std::random_device{}()) + "-" + test->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // A fresh run directory holding an earlier updater.
  std::filesystem::path FreshRunDirectory(const std::string& name) const {
    const std::filesystem::path dir = root_ / name;
    std::filesystem::create_directories(dir);
    WriteWholeFile(dir / kUpdaterFileName, kEarlierUpdater);
    return dir;
  }

  static std::size_t FileCount(const std::filesystem::path& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                  std::filesystem::directory_iterator()));
  }

  TestCertificate trusted_;
  TestCertificate stranger_;  // an authority the check is not told to trust
  std::filesystem::path root_;
};

struct VersionRow {
  const char* name;
  std::string versionFile;
  UpdaterReply reply;
  UpdateOutcome outcome;
};

TEST_F(UpdateCheckTest, FollowsThePublishedVersion) {
  const std::string updater = MakeUpdaterBytes();
  const VersionRow rows[] = {
      {"same version", "x " + Bracketed("V20190522") + " y", UpdaterReply::kBody,
       UpdateOutcome::kSameVersion},
      {"newer version", "\xD7\xEE\xD0\xC2" + Bracketed("V20190601") + "\r\n",
       UpdaterReply::kBody, UpdateOutcome::kStarted},
      {"spaces inside the brackets", Bracketed(" V20190522 "), UpdaterReply::kBody,
       UpdateOutcome::kStarted},
      {"other letter case", Bracketed("v20190522"), UpdaterReply::kBody,
       UpdateOutcome::kStarted},
      {"only the first version counts", Bracketed("V20190522") + Bracketed("V20190601"),
       UpdaterReply::kBody, UpdateOutcome::kSameVersion},
      {"redirected updater", Bracketed("V20190601"), UpdaterReply::kRedirect,
       UpdateOutcome::kStarted},
      {"no closing bracket", kOpen + "V20190601", UpdaterReply::kBody,
       UpdateOutcome::kNoVersion},
      {"empty brackets", Bracketed(""), UpdaterReply::kBody, UpdateOutcome::kNoVersion},
      {"no markers", "V20190601", UpdaterReply::kBody, UpdateOutcome::kNoVersion},
      {"stored as UTF-8", "\u7248\u672C\u3010V20190601\u3011", UpdaterReply::kBody,
       UpdateOutcome::kNoVersion},
      {"empty file", "", UpdaterReply::kBody, UpdateOutcome::kNoVersion},
      {"text ends at a zero byte", std::string("x\0", 2) + Bracketed("V20190601"),
       UpdaterReply::kBody, UpdateOutcome::kNoVersion},
      {"updater not found", Bracketed("V20190601"), UpdaterReply::kNotFound,
       UpdateOutcome::kDownloadFailed},
      {"updater empty", Bracketed("V20190601"), UpdaterReply::kEmpty,
       UpdateOutcome::kDownloadFailed},
      {"updater cut off", Bracketed("V20190601"), UpdaterReply::kCutOff,
       UpdateOutcome::kDownloadFailed},
  };
  int index = 0;
  for (const VersionRow& row : rows) {
    SCOPED_TRACE(row.name);
    const std::filesystem::path dir = FreshRunDirectory("row" + std::to_string(index++));
    UpdateSiteServer server(trusted_, row.versionFile, row.reply, updater);
    FakeWindow window;
    const UpdateSite site = server.Site(trusted_.caFile());

    EXPECT_EQ(CheckForUpdate(window.Environment(dir, site)), row.outcome);

    const bool differs = row.outcome == UpdateOutcome::kStarted ||
                         row.outcome == UpdateOutcome::kDownloadFailed;
    const bool updated = row.outcome == UpdateOutcome::kStarted;
    EXPECT_EQ(server.RequestsFor(kVersionRequestPath), 1);
    EXPECT_EQ(window.messageBox.ShownCount(), differs ? 1 : 0);
    if (differs) {
      EXPECT_EQ(window.messageBox.LastText(), kNewVersionMessage);
      EXPECT_EQ(window.messageBox.LastButtons(), MessageBoxService::kOkButton);
      EXPECT_THAT(server.UpdaterRefererLines(),
                  ::testing::ElementsAre("Referer:https://console.test/cos5/bucket/setting?type=" +
                                         site.updaterUrl));
    } else {
      EXPECT_EQ(server.RequestsFor(kUpdaterRequestPath), 0);
    }
    EXPECT_EQ(Describe(ReadWholeFile(dir / kUpdaterFileName), updater),
              updated ? "the new updater" : "the earlier updater");
    EXPECT_EQ(window.started, updated ? std::vector<std::filesystem::path>{dir / kUpdaterFileName}
                                      : std::vector<std::filesystem::path>{});
    EXPECT_EQ(window.destroyed, updated ? 1 : 0);
    // Whether replaced or not, no temporary file is left beside it.
    EXPECT_EQ(FileCount(dir), 1u);
#ifndef _WIN32
    if (updated) {
      const auto perms = std::filesystem::status(dir / kUpdaterFileName).permissions();
      EXPECT_NE(perms & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
    }
#endif
  }
}

// Everything that must leave the program running and any earlier updater
// untouched: nothing reachable, nothing trusted, nothing safe to fetch,
// nowhere to write, nothing that starts.
struct FailureRow {
  enum class Case {
    kNoServer,
    kSiteNotTrusted,
    kUpdaterNotTrusted,
    kPlainHttpUpdater,
    kReservedDomain,
    kMissingDirectory,
    kStartFails,
  };
  const char* name;
  Case failure;
  UpdateOutcome outcome;
  int boxes;
};

TEST_F(UpdateCheckTest, KeepsRunningWhenTheUpdateCannotGoAhead) {
  using Case = FailureRow::Case;
  const FailureRow rows[] = {
      {"no server", Case::kNoServer, UpdateOutcome::kNoVersion, 0},
      {"site certificate not trusted", Case::kSiteNotTrusted, UpdateOutcome::kNoVersion, 0},
      {"updater certificate not trusted", Case::kUpdaterNotTrusted,
       UpdateOutcome::kDownloadFailed, 1},
      {"plain http updater", Case::kPlainHttpUpdater, UpdateOutcome::kSiteUnusable, 0},
      {"reserved domain", Case::kReservedDomain, UpdateOutcome::kSiteUnusable, 0},
      {"run directory missing", Case::kMissingDirectory, UpdateOutcome::kWriteFailed, 1},
      {"updater does not start", Case::kStartFails, UpdateOutcome::kStartFailed, 1},
  };
  const std::string updater = MakeUpdaterBytes();
  const Text newer = Bracketed("V20190601");
  int index = 0;
  for (const FailureRow& row : rows) {
    SCOPED_TRACE(row.name);
    const std::filesystem::path dir = FreshRunDirectory("row" + std::to_string(index++));
    UpdateSiteServer server(trusted_, newer, UpdaterReply::kBody, updater);
    UpdateSiteServer strangerServer(stranger_, newer, UpdaterReply::kBody, updater);
    UpdateSite site = server.Site(trusted_.caFile());
    std::filesystem::path runDirectory = dir;
    FakeWindow window;
    switch (row.failure) {
      case Case::kNoServer: {
        // The address of a server that has gone: nothing listens there now.
        auto gone = std::make_unique<UpdateSiteServer>(trusted_, newer, UpdaterReply::kBody,
                                                       updater);
        site = gone->Site(trusted_.caFile());
        gone.reset();
        break;
      }
      case Case::kSiteNotTrusted:
        site = strangerServer.Site(trusted_.caFile());
        break;
      case Case::kUpdaterNotTrusted:
        site.updaterUrl = strangerServer.Site({}).updaterUrl;
        break;
      case Case::kPlainHttpUpdater:
        site.updaterUrl = "http" + site.updaterUrl.substr(5);
        break;
      case Case::kReservedDomain:
        site = {"https://updates.velmora.invalid" + kVersionPath,
                "https://updates.velmora.invalid" + kUpdaterPath, "console.velmora.invalid",
                trusted_.caFile()};
        break;
      case Case::kMissingDirectory:
        runDirectory = dir / "missing";
        break;
      case Case::kStartFails:
        window.startSucceeds = false;
        break;
    }

    EXPECT_EQ(CheckForUpdate(window.Environment(runDirectory, site)), row.outcome);

    EXPECT_EQ(window.messageBox.ShownCount(), row.boxes);
    EXPECT_EQ(strangerServer.RequestCount(), 0)
        << "a server whose certificate is not trusted must never get a request";
    if (row.outcome == UpdateOutcome::kSiteUnusable) {
      EXPECT_EQ(server.RequestCount(), 0);
    }
    EXPECT_EQ(window.destroyed, 0);
    if (row.failure == Case::kStartFails) {
      EXPECT_EQ(Describe(ReadWholeFile(dir / kUpdaterFileName), updater), "the new updater");
      EXPECT_EQ(window.started.size(), 1u);
    } else {
      EXPECT_EQ(Describe(ReadWholeFile(dir / kUpdaterFileName), updater), "the earlier updater");
      EXPECT_TRUE(window.started.empty());
    }
    EXPECT_EQ(FileCount(dir), 1u);
  }
}

#ifndef _WIN32
// The real start: the stored file must be executable, and its path must
// survive spaces and quotes in the run directory. The "updater" is a script
// that leaves a mark beside itself.
TEST_F(UpdateCheckTest, StartsTheStoredUpdater) {
  const std::filesystem::path dir = FreshRunDirectory("run \"dir\"");
  const std::string script = "#!/bin/sh\necho ran > \"$(dirname \"$0\")/ran.txt\"\n";
  UpdateSiteServer server(trusted_, Bracketed("V20190601"), UpdaterReply::kBody, script);
  MessageBoxService messageBox;
  messageBox.QueueAnswer(MessageBoxService::kAnsweredOk);
  int destroyed = 0;
  UpdateEnvironment environment{messageBox, [&destroyed] { ++destroyed; }, dir};
  environment.site = server.Site(trusted_.caFile());

  ASSERT_EQ(CheckForUpdate(environment), UpdateOutcome::kStarted);

  EXPECT_EQ(destroyed, 1);
  // The script runs detached; give it ample time to leave its mark.
  const std::filesystem::path mark = dir / "ran.txt";
  for (int i = 0; i < 600 && ReadWholeFile(mark) != "ran\n"; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(ReadWholeFile(mark), "ran\n");
}
#endif

}  // namespace
}  // namespace velmora
