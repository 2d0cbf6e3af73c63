#include "core/support/sync_objects.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/sync/event.h"
#include "tests/platform/sync/sync_test_support.h"

namespace {

const std::u16string kName = u"HN2007_EventName";

// Records what is done to it; its Unlock can be told to throw. Stands in for
// a lock whose release fails, which no real lock here can be made to do.
class RecordingLock : public Synchronisable {
 public:
  bool Lock(DWORD timeout) override {
    ++locks;
    last_timeout = timeout;
    return false;  // the guard must not care
  }
  void Unlock() override {
    ++unlocks;
    if (throw_on_unlock) throw std::runtime_error("unlock failed");
  }
  int locks = 0;
  int unlocks = 0;
  DWORD last_timeout = 0;
  bool throw_on_unlock = false;
};

TEST(SyncObject, LocksWithoutTimeLimitAndUnlocksOnEveryWayOut) {
  RecordingLock normal;
  {
    SyncObject guard(normal);
    EXPECT_EQ(normal.locks, 1);
    EXPECT_EQ(normal.last_timeout, INFINITE);
    EXPECT_EQ(normal.unlocks, 0);
  }
  EXPECT_EQ(normal.unlocks, 1);

  RecordingLock thrown;
  EXPECT_THROW(
      {
        SyncObject guard(&thrown);
        throw std::logic_error("leaves the block");
      },
      std::logic_error);
  EXPECT_EQ(thrown.locks, 1);
  EXPECT_EQ(thrown.unlocks, 1);

  SyncObject nothing(static_cast<Synchronisable*>(nullptr));  // locks nothing, fails nothing
}

TEST(SyncObject, ExceptionFromUnlockIsDropped) {
  RecordingLock lock;
  lock.throw_on_unlock = true;
  EXPECT_NO_THROW({ SyncObject guard(lock); });
  EXPECT_EQ(lock.unlocks, 1);
}

TEST(CriticalSection, OtherThreadGetsItOnlyAfterBothUnlocks) {
  CriticalSection cs;
  EXPECT_TRUE(cs.Lock(0));  // the time-out is ignored
  {
    SyncObject nested(cs);  // the same thread again: must not block
  }
  EXPECT_TRUE(cs.Lock(INFINITE));

  std::atomic<int> unlocks{0};
  std::atomic<pid_t> tid{0};
  int unlocks_seen = -1;
  std::thread other([&] {
    tid = gettid();
    SyncObject guard(cs);
    unlocks_seen = unlocks;
  });
  while (tid == 0) std::this_thread::yield();
  ASSERT_TRUE(synctest::WaitUntilAsleep(synctest::ThreadStat(tid)));
  unlocks = 1;
  cs.Unlock();
  // Give a lock that is wrongly free now the chance to be taken.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  unlocks = 2;
  cs.Unlock();
  other.join();
  EXPECT_EQ(unlocks_seen, 2);
}

using EventTest = synctest::TempHomeTest;

bool Signalled(const Event& e) { return WaitForSingleObject(e.GetHandle(), 0) == WAIT_OBJECT_0; }

TEST_F(EventTest, LockWithZeroTimeoutOnlyLooks) {
  for (const std::u16string& name : {kName, std::u16string()}) {
    SCOPED_TRACE(name.empty() ? "unnamed" : "named");
    Event e(name);
    ASSERT_NE(e.GetHandle(), nullptr);
    EXPECT_EQ(e.GetCreationError(), 0u);
    EXPECT_TRUE(Signalled(e));  // a new event starts signalled
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(e.Lock(0));
    e.Unlock();  // does not reset it
    EXPECT_TRUE(Signalled(e));

    ResetEvent(e.GetHandle());
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(e.Lock(0));
    EXPECT_FALSE(e.Lock(10));
    EXPECT_FALSE(Signalled(e));
  }
}

TEST_F(EventTest, LockWaitsUntilTheEventIsSet) {
  Event e(kName);
  ResetEvent(e.GetHandle());
  std::atomic<pid_t> tid{0};
  bool locked = false;
  std::thread waiter([&] {
    tid = gettid();
    locked = e.Lock(INFINITE);
  });
  while (tid == 0) std::this_thread::yield();
  ASSERT_TRUE(synctest::WaitUntilAsleep(synctest::ThreadStat(tid)));
  SetEvent(e.GetHandle());
  waiter.join();
  EXPECT_TRUE(locked);
}

TEST_F(EventTest, SecondEventOfTheNameInAnotherProcessSharesStateAndKeepsIt) {
  Event first(kName);
  ASSERT_EQ(first.GetCreationError(), 0u);
  ResetEvent(first.GetHandle());

  const pid_t child = synctest::Spawn([] {
    Event second(kName);
    if (second.GetCreationError() != static_cast<DWORD>(ERROR_ALREADY_EXISTS)) return 10;
    if (second.Lock(0)) return 11;  // the creation must not have signalled it
    SetEvent(second.GetHandle());
    return 0;
  });
  EXPECT_EQ(synctest::Reap(child), 0);
  EXPECT_TRUE(first.Lock(0));
}

TEST_F(EventTest, EventWithoutHandleIsNeverSignalled) {
  // The user's event folder is taken by a plain file: creation fails.
  std::ofstream(home_ + "/events-" + std::to_string(geteuid())) << "x";
  Event e(kName);
  EXPECT_EQ(e.GetHandle(), nullptr);
  EXPECT_EQ(e.GetCreationError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(e.Lock(0));
  EXPECT_FALSE(e.Lock(INFINITE));  // returns at once
  e.Unlock();
}

}  // namespace
