// The start-up update check, run once at the window's first activation:
// compare the published version with our own and, when it differs, fetch the
// updater beside the program, start it and close the window.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/message_box.h"
#include "text/text.h"

namespace velmora {

// The version this program reports; the published one is compared with it
// byte for byte.
inline constexpr std::string_view kOwnVersion = "V20190522";

// Where the check reads the version text and fetches the updater.
struct UpdateSite {
  Text versionUrl;
  // Must begin with "https://": the check fetches a program no other way.
  Text updaterUrl;
  // Host of the storage console named in the updater request's Referer line.
  Text consoleHost;
  // PEM file of the authorities HTTPS certificates are verified against,
  // replacing the system's store (tests trust a generated authority); empty in
  // a real run, meaning the system's store.
  std::string caFile;
};

// The site compiled in from VELMORA_UPDATE_BASE_URL and
// VELMORA_UPDATE_CONSOLE_HOST.
UpdateSite BuiltInUpdateSite();

// False for a site that must not be contacted: an updater address that is not
// https, or a host under the reserved ".invalid" domain (the build's default,
// meaning "no update location configured").
bool IsUpdateSiteUsable(const UpdateSite& site);

// Starts the program at `path` detached, through the platform; true if it
// started.
bool StartUpdater(const std::filesystem::path& path);

// What the check needs from the window that runs it. The last two members
// default to the real site and the real process start; tests replace them.
struct UpdateEnvironment {
  platform::MessageBoxService& messageBox;
  // Destroys the main window without asking, which ends the program.
  std::function<void()> destroyWindow;
  // Where the updater is written.
  std::filesystem::path runDirectory;
  std::function<bool(const std::filesystem::path& path)> startProgram =
      StartUpdater;
  UpdateSite site = BuiltInUpdateSite();
};

enum class UpdateOutcome {
  kSiteUnusable,    // nothing contacted
  kNoVersion,       // version text missing, unreadable or without markers
  kSameVersion,
  kDownloadFailed,  // no whole, non-empty updater with status 200
  kWriteFailed,     // the updater could not be stored; any earlier file kept
  kStartFailed,     // the updater is stored but would not start
  kStarted,         // the updater runs and the window was destroyed
};

// Runs the whole check on the calling (GUI) thread, blocking while it
// downloads; a differing version is announced with an OK-only box. Only
// kStarted destroys the window: every other outcome leaves the program
// running as if no update had been published.
UpdateOutcome CheckForUpdate(const UpdateEnvironment& environment);

// The code of the last status line ("HTTP/1.1 200 OK") in a raw response
// header text, so that a redirect's own status is passed over; 0 when there is
// none or its code is not three digits.
int LastResponseStatus(std::string_view responseHeaders);

}  // namespace velmora
