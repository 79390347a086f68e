// Thread, file, process and look services the window and the poll cycles
// take from the platform. Failures are silent: false or an empty value.
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "text/text.h"

namespace velmora::platform {

// Starts `routine` on a new detached thread. Returns true if the thread was
// started; false (and `routine` never runs) when the system refused one.
bool StartThread(std::function<void()> routine);

// The directory of the executable, without a trailing separator, as GBK.
// Empty before the QCoreApplication exists.
Text RunDirectory();
// The same directory as a path.
std::filesystem::path RunDirectoryPath();

// Creates or truncates the file, writes the buffers in order (empty ones
// skipped) and closes it. True on success; false for an empty path or any
// failed step (the file may then be partly written).
bool WriteFile(const std::filesystem::path& path, const std::vector<Bytes>& buffers);

// Replaces the file's content with `bytes` through a temporary file renamed
// over it, so a crash or kill at any moment leaves either the old or the new
// content. True on success; false (old content kept) on failure.
bool ReplaceFileAtomically(const std::filesystem::path& path, const Bytes& bytes);

// Starts the program named by the command line (GBK; the program and its
// arguments split as a shell would, quotes allowed). Without `wait`, returns
// true as soon as it is started, detached. With `wait`, true when it ran and
// exited normally. False when it could not be started.
bool RunProgram(const Text& commandLine, bool wait = false);

// Dispatches the calling thread's pending events until none is left.
void ProcessPendingEvents();

// The cosmetic look of every window of the application, present and future.
// Style 1 is the only one used; every style maps to Qt's Fusion look.
void ApplySkin(int style);

}  // namespace velmora::platform
