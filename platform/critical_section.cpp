#include "platform/critical_section.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace velmora::platform {

CriticalSection g_listLock;

namespace {

// What one thread has entered through Enter and not yet left, innermost last.
// Keeping the mutex itself (not the section) here is what lets Leave release
// a lock that was deleted while this thread owned it.
struct HeldEntry {
  const CriticalSection* section;
  std::shared_ptr<std::recursive_mutex> mutex;
};

std::vector<HeldEntry>& HeldByThisThread() {
  thread_local std::vector<HeldEntry> held;
  return held;
}

}  // namespace

bool CriticalSection::Create() {
  std::lock_guard lock(stateMutex_);
  if (live_) return false;
  live_ = std::make_shared<Mutex>();
  return true;
}

bool CriticalSection::Delete() {
  std::lock_guard lock(stateMutex_);
  if (!live_) return false;
  live_.reset();
  return true;
}

bool CriticalSection::IsLive() const {
  std::lock_guard lock(stateMutex_);
  return live_ != nullptr;
}

std::shared_ptr<CriticalSection::Mutex> CriticalSection::Current() const {
  std::lock_guard lock(stateMutex_);
  return live_;
}

void CriticalSection::Enter() {
  std::shared_ptr<Mutex> mutex = Current();
  if (!mutex) return;
  // Blocking happens outside stateMutex_, so Delete never waits for a cycle.
  mutex->lock();
  HeldByThisThread().push_back({this, std::move(mutex)});
}

void CriticalSection::Leave() {
  std::vector<HeldEntry>& held = HeldByThisThread();
  auto entry = std::find_if(held.rbegin(), held.rend(),
                            [this](const HeldEntry& e) { return e.section == this; });
  if (entry == held.rend()) return;
  std::shared_ptr<Mutex> mutex = std::move(entry->mutex);
  held.erase(std::next(entry).base());
  mutex->unlock();
}

CriticalSectionGuard::CriticalSectionGuard(CriticalSection& section)
    : mutex_(section.Current()) {
  if (mutex_) mutex_->lock();
}

CriticalSectionGuard::~CriticalSectionGuard() {
  if (mutex_) mutex_->unlock();
}

}  // namespace velmora::platform
