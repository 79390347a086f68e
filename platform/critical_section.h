// The lock the poll cycles hold while they use the lists and the last-total
// box, with create / enter / leave / delete semantics.
//
// A worker may still be inside a cycle when the window goes away and deletes
// the lock. Deleting therefore only retires the lock: the mutex itself lives
// in shared state that every thread holding or waiting for it keeps alive, so
// nobody touches freed memory, and a thread that already owns it still
// releases it on Leave, letting any waiter go on instead of blocking forever.
#pragma once

#include <memory>
#include <mutex>

namespace velmora::platform {

class CriticalSection {
 public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  // Makes the lock live (a fresh mutex when it was deleted before). Returns
  // false when it was live already, which leaves it as it is.
  bool Create();
  // Retires the lock. Returns true when it was live, false otherwise.
  bool Delete();
  // True between Create and Delete.
  [[nodiscard]] bool IsLive() const;

  // Blocks until the calling thread owns the lock; recursive. Does nothing
  // when the lock is not live.
  void Enter();
  // Undoes this thread's latest Enter that took effect, also when the lock
  // was deleted meanwhile. Does nothing when this thread holds no entry.
  void Leave();

 private:
  friend class CriticalSectionGuard;
  using Mutex = std::recursive_mutex;

  // The live mutex, or null. Copying it out keeps it alive for the copier.
  std::shared_ptr<Mutex> Current() const;

  mutable std::mutex stateMutex_;
  std::shared_ptr<Mutex> live_;
};

// Holds the lock for its scope: enters on construction, leaves on
// destruction. Holding nothing (and blocking on nothing) when the lock was
// not live at construction.
class CriticalSectionGuard {
 public:
  explicit CriticalSectionGuard(CriticalSection& section);
  ~CriticalSectionGuard();
  CriticalSectionGuard(const CriticalSectionGuard&) = delete;
  CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

  // True when the guard owns the lock.
  [[nodiscard]] bool OwnsLock() const { return mutex_ != nullptr; }

 private:
  std::shared_ptr<CriticalSection::Mutex> mutex_;
};

// The one lock of the program: created when the window is created, deleted
// when it is destroyed. The poll cycles and the window reach it through
// references, so tests can hand them a lock of their own.
extern CriticalSection g_listLock;

}  // namespace velmora::platform
