#include "app/poll_cycles.h"

namespace velmora {

// Stand-ins until the cycles are written: they take and release the lock the
// way a real cycle does, so the window's threading can be exercised.
void RunAutoStockCycle(const CycleEnvironment& environment) {
  platform::CriticalSectionGuard guard(environment.listLock);
}

void RunManualStockCycle(const CycleEnvironment& environment) {
  platform::CriticalSectionGuard guard(environment.listLock);
}

}  // namespace velmora
