// Start-up and shut-down of the program around its one window.
#pragma once

#include <functional>

#include "app/main_window.h"
#include "app/poll_cycles.h"
#include "app/update_check.h"
#include "platform/message_box.h"

namespace velmora {

// The routines the program runs; tools and tests swap in their own.
struct ApplicationRoutines {
  CycleRoutine autoStockCycle = RunAutoStockCycle;
  CycleRoutine manualStockCycle = RunManualStockCycle;
  std::function<void(const UpdateEnvironment&)> checkForUpdate = CheckForUpdate;
  // Runs once the window is shown, before the event loop starts.
  std::function<void(MainWindow&, platform::MessageBoxService&)> afterShow;
};

// Initialises the run-time services, shows the window and runs the event
// loop; when the window has been destroyed, ends the process with code 0.
//
// The process ends through quick_exit, not by returning: a cycle may still be
// blocked in a download on a detached thread, and returning from main would
// run static destructors (the lock, Qt's globals) under it. Nothing is lost by
// skipping them: the record file is replaced by an atomic rename, so even a
// cycle killed mid-write leaves the old or the new file, never half of one.
[[noreturn]] void RunApplicationAndExit(int argc, char** argv,
                                        ApplicationRoutines routines = {});

}  // namespace velmora
