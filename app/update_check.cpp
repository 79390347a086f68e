#include "app/update_check.h"

#include <string>
#include <system_error>

#include "app/update_location.h"
#include "platform/services.h"
#include "text/gbk_codec.h"
#include "text/markers.h"
#include "web/http_read_file.h"
#include "web/inet_fetch.h"
#include "web/url.h"

namespace velmora {
namespace {

// UTF-8 percent-encodings of /更新版本.txt and /版本更新.exe.
constexpr std::string_view kVersionTextPath =
    "/%E6%9B%B4%E6%96%B0%E7%89%88%E6%9C%AC.txt";
constexpr std::string_view kUpdaterPath =
    "/%E7%89%88%E6%9C%AC%E6%9B%B4%E6%96%B0.exe";

// GBK: 版本【 and 】.
constexpr std::string_view kVersionOpen = "\xB0\xE6\xB1\xBE\xA1\xBE";
constexpr std::string_view kVersionClose = "\xA1\xBF";
// GBK: 检测到新版本,确定更新
constexpr std::string_view kNewVersionMessage =
    "\xBC\xEC\xB2\xE2\xB5\xBD\xD0\xC2\xB0\xE6\xB1\xBE,"
    "\xC8\xB7\xB6\xA8\xB8\xFC\xD0\xC2";
// 版本更新.exe, spelled for the file system.
constexpr char8_t kUpdaterFileName[] = u8"\u7248\u672C\u66F4\u65B0.exe";

bool IsAllDigits(std::string_view text) {
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsHttpsAddress(std::string_view address) {
  return ToLowerAscii(Left(address, 8)) == "https://";
}

bool IsReservedInvalidHost(std::string_view address) {
  const Text host = UrlHost(address);
  return host == "invalid" || host.ends_with(".invalid");
}

// Lets whoever may read the file also run it; without this a POSIX system
// refuses to start the freshly written updater. A failure here shows up as a
// failed start.
void MakeExecutable(const std::filesystem::path& file) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::perms current = fs::status(file, error).permissions();
  if (error) return;
  fs::perms exec = fs::perms::owner_exec;
  if ((current & fs::perms::group_read) != fs::perms::none) {
    exec |= fs::perms::group_exec;
  }
  if ((current & fs::perms::others_read) != fs::perms::none) {
    exec |= fs::perms::others_exec;
  }
  fs::permissions(file, exec, fs::perm_options::add, error);
}

}  // namespace

UpdateSite BuiltInUpdateSite() {
  const Text base = kUpdateBaseUrl;
  return UpdateSite{base + Text(kVersionTextPath), base + Text(kUpdaterPath),
                    kUpdateConsoleHost, {}};
}

bool IsUpdateSiteUsable(const UpdateSite& site) {
  return IsHttpsAddress(site.updaterUrl) &&
         !IsReservedInvalidHost(site.updaterUrl) &&
         !IsReservedInvalidHost(site.versionUrl);
}

bool StartUpdater(const std::filesystem::path& path) {
  const std::u8string native = path.u8string();
  const Text gbkPath =
      GbkFromUtf8(std::string(native.begin(), native.end()));
  // Quoted, as the run directory may hold spaces; the command-line splitter
  // takes a tripled quote for a literal one.
  return platform::RunProgram("\"" + Replace(gbkPath, "\"", "\"\"\"") + "\"");
}

int LastResponseStatus(std::string_view responseHeaders) {
  int status = 0;
  for (const Text& line : Split(responseHeaders, "\r\n")) {
    if (!line.starts_with("HTTP/")) continue;
    const Text code = TextBetween(line + " ", " ", " ");
    status = code.size() == 3 && IsAllDigits(code) ? std::stoi(code) : 0;
  }
  return status;
}

UpdateOutcome CheckForUpdate(const UpdateEnvironment& environment) {
  const UpdateSite& site = environment.site;
  if (!IsUpdateSiteUsable(site)) return UpdateOutcome::kSiteUnusable;

  // The version text is taken as the GBK bytes it was published as, with no
  // conversion, so a file saved in another encoding shows no version.
  const TlsTrust trust{site.caFile};
  const Text versionText = BytesToText(HttpReadFile(site.versionUrl, trust));
  const Text version = TextBetween(versionText, kVersionOpen, kVersionClose);
  if (version.empty()) return UpdateOutcome::kNoVersion;
  if (version == kOwnVersion) return UpdateOutcome::kSameVersion;

  // The user is told, not asked: the update always goes on.
  environment.messageBox.Show(Text(kNewVersionMessage),
                              platform::MessageBoxService::kOkButton);

  Text headers = "Referer:https://" + site.consoleHost +
                 "/cos5/bucket/setting?type=" + site.updaterUrl;
  Text responseHeaders;
  const Bytes updater =
      InetFetch(site.updaterUrl, 0, {}, nullptr, nullptr, &headers,
                &responseHeaders, false, nullptr, {}, true, trust);
  // An error page must never replace a working updater nor close the
  // program; InetFetch already hands over no body that broke off part-way.
  if (LastResponseStatus(responseHeaders) != 200 || updater.empty()) {
    return UpdateOutcome::kDownloadFailed;
  }

  const std::filesystem::path file =
      environment.runDirectory / std::filesystem::path(kUpdaterFileName);
  if (!platform::ReplaceFileAtomically(file, updater)) {
    return UpdateOutcome::kWriteFailed;
  }
  MakeExecutable(file);
  // Closing with no updater running would leave the user with neither.
  if (!environment.startProgram(file)) return UpdateOutcome::kStartFailed;
  environment.destroyWindow();
  return UpdateOutcome::kStarted;
}

}  // namespace velmora
