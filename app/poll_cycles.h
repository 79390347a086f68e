// The two poll cycles: one download of the item page each, run on a worker
// thread started by a timer tick, holding the list lock throughout.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "app/monitor_controls.h"
#include "platform/critical_section.h"

namespace velmora {

// The server whose "Date:" header dates every sales row.
inline constexpr char kNetworkClockUrl[] = "http://www.baidu.com/";

// Everything a cycle works with; the window builds it once and keeps it alive
// for as long as any cycle may run.
struct CycleEnvironment {
  MonitorControls controls;
  // g_listLock in the program; a test's own lock in tests.
  platform::CriticalSection& listLock;
  // Root page of the network clock's server.
  std::string clockUrl = kNetworkClockUrl;
  // Where the sales record file is written.
  std::filesystem::path runDirectory = {};
};

// A cycle routine, as the window starts it on each tick.
using CycleRoutine = std::function<void(const CycleEnvironment&)>;

// One automatic-stock poll. Never throws, shows nothing.
void RunAutoStockCycle(const CycleEnvironment& environment);
// One manual-stock poll. Never throws, shows nothing.
void RunManualStockCycle(const CycleEnvironment& environment);

}  // namespace velmora
