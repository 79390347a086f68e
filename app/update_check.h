// The start-up update check, run once at the window's first activation.
#pragma once

#include <filesystem>
#include <functional>

#include "platform/message_box.h"

namespace velmora {

// What the check needs from the window that runs it.
struct UpdateEnvironment {
  platform::MessageBoxService& messageBox;
  // Destroys the main window, which ends the program.
  std::function<void()> destroyWindow;
  // Where the updater is written.
  std::filesystem::path runDirectory = {};
};

// Compares the published version with this program's and, when they differ,
// tells the user, fetches and starts the updater and destroys the window.
// Reports nothing; any failure leaves the program running.
void CheckForUpdate(const UpdateEnvironment& environment);

}  // namespace velmora
