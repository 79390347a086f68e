#include "platform/critical_section.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace velmora::platform {
namespace {

using namespace std::chrono_literals;

// Long enough for a thread that is not blocked to get going; only used to
// show that something did NOT happen, so a slow machine cannot fail it.
constexpr auto kSettle = 100ms;
// Generous bound for something that must happen.
constexpr auto kPatience = 30s;

TEST(CriticalSectionTest, CreateAndDeleteReportWhetherTheLockWasLive) {
  CriticalSection section;
  EXPECT_FALSE(section.IsLive());
  EXPECT_FALSE(section.Delete()) << "delete of a never-created lock";
  EXPECT_TRUE(section.Create());
  EXPECT_TRUE(section.IsLive());
  EXPECT_FALSE(section.Create()) << "second create of a live lock";
  EXPECT_TRUE(section.Delete());
  EXPECT_FALSE(section.IsLive());
  EXPECT_FALSE(section.Delete()) << "second delete";
  EXPECT_TRUE(section.Create()) << "create after delete";
}

TEST(CriticalSectionTest, EnterAndLeaveOnANotLiveLockDoNothing) {
  CriticalSection section;
  section.Enter();
  section.Leave();
  section.Leave();
  CriticalSectionGuard guard(section);
  EXPECT_FALSE(guard.OwnsLock());
  // Had Enter taken anything, another thread could not create and take it.
  auto other = std::async(std::launch::async, [&section] {
    section.Create();
    CriticalSectionGuard inner(section);
    return inner.OwnsLock();
  });
  ASSERT_EQ(other.wait_for(kPatience), std::future_status::ready);
  EXPECT_TRUE(other.get());
}

TEST(CriticalSectionTest, IsRecursiveForItsOwner) {
  CriticalSection section;
  section.Create();
  section.Enter();
  section.Enter();
  {
    CriticalSectionGuard guard(section);
    EXPECT_TRUE(guard.OwnsLock());
  }
  section.Leave();
  section.Leave();
  auto other = std::async(std::launch::async, [&section] {
    CriticalSectionGuard guard(section);
    return guard.OwnsLock();
  });
  ASSERT_EQ(other.wait_for(kPatience), std::future_status::ready)
      << "the owner's entries were not all released";
  EXPECT_TRUE(other.get());
}

TEST(CriticalSectionTest, ExcludesOtherThreadsUntilLeft) {
  CriticalSection section;
  section.Create();
  section.Enter();
  std::atomic<bool> entered{false};
  std::thread waiter([&] {
    section.Enter();
    entered = true;
    section.Leave();
  });
  std::this_thread::sleep_for(kSettle);
  EXPECT_FALSE(entered) << "a second thread entered a held lock";
  section.Leave();
  waiter.join();
  EXPECT_TRUE(entered);
}

TEST(CriticalSectionTest, LeaveWithoutEnterDoesNotReleaseAnotherThreadsHold) {
  CriticalSection section;
  section.Create();
  std::promise<void> held;
  std::promise<void> release;
  std::thread owner([&] {
    CriticalSectionGuard guard(section);
    held.set_value();
    release.get_future().wait();
  });
  held.get_future().wait();
  section.Leave();  // this thread holds nothing
  auto intruder = std::async(std::launch::async, [&section] {
    CriticalSectionGuard guard(section);
  });
  EXPECT_EQ(intruder.wait_for(kSettle), std::future_status::timeout)
      << "a stray Leave released the owner's lock";
  release.set_value();
  owner.join();
  EXPECT_EQ(intruder.wait_for(kPatience), std::future_status::ready);
}

// The window deletes the lock while a cycle holds it and another waits: the
// holder must still be able to leave, the waiter must then get through, and
// newcomers pass without the lock. Run under ASan this also shows that no
// freed memory is touched.
TEST(CriticalSectionTest, DeleteWhileHeldLetsHolderAndWaitersFinish) {
  auto section = std::make_unique<CriticalSection>();
  section->Create();
  std::promise<void> held;
  std::promise<void> release;
  std::atomic<bool> waiterDone{false};

  std::thread holder([&] {
    section->Enter();
    held.set_value();
    release.get_future().wait();
    section->Leave();
  });
  held.get_future().wait();
  std::thread waiter([&] {
    CriticalSectionGuard guard(*section);
    waiterDone = true;
  });
  std::this_thread::sleep_for(kSettle);
  EXPECT_FALSE(waiterDone);

  EXPECT_TRUE(section->Delete());
  // A newcomer after the delete goes on without the lock at once, although
  // the retired lock is still held.
  auto newcomer = std::async(std::launch::async, [&] {
    CriticalSectionGuard guard(*section);
    return guard.OwnsLock();
  });
  ASSERT_EQ(newcomer.wait_for(kPatience), std::future_status::ready);
  EXPECT_FALSE(newcomer.get());

  release.set_value();
  holder.join();
  waiter.join();
  EXPECT_TRUE(waiterDone) << "a waiter stayed blocked on the deleted lock";
}

TEST(CriticalSectionTest, RecreatedLockIsIndependentOfTheRetiredOne) {
  CriticalSection section;
  section.Create();
  std::promise<void> held;
  std::promise<void> release;
  std::thread oldOwner([&] {
    CriticalSectionGuard guard(section);
    held.set_value();
    release.get_future().wait();
  });
  held.get_future().wait();
  section.Delete();
  section.Create();
  auto newOwner = std::async(std::launch::async, [&section] {
    CriticalSectionGuard guard(section);
    return guard.OwnsLock();
  });
  ASSERT_EQ(newOwner.wait_for(kPatience), std::future_status::ready);
  EXPECT_TRUE(newOwner.get());
  release.set_value();
  oldOwner.join();
}

}  // namespace
}  // namespace velmora::platform
