#include "platform/sync/critical_section.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "sync_test_support.h"

namespace {

// Whether another thread could take the lock right now (it gives it back).
bool FreeForAnotherThread(CRITICAL_SECTION* cs) {
  bool free = false;
  std::thread probe([&] {
    if (pthread_mutex_trylock(&cs->mutex) == 0) {
      free = true;
      pthread_mutex_unlock(&cs->mutex);
    }
  });
  probe.join();
  return free;
}

class CriticalSectionTest : public ::testing::Test {
 protected:
  void SetUp() override { InitializeCriticalSection(&cs_); }
  void TearDown() override { DeleteCriticalSection(&cs_); }
  CRITICAL_SECTION cs_;
};

TEST_F(CriticalSectionTest, ReentrantHolderReleasesOnlyAfterEveryLeave) {
  EnterCriticalSection(&cs_);
  EnterCriticalSection(&cs_);  // must not block
  EXPECT_FALSE(FreeForAnotherThread(&cs_));
  LeaveCriticalSection(&cs_);
  EXPECT_FALSE(FreeForAnotherThread(&cs_));
  LeaveCriticalSection(&cs_);
  EXPECT_TRUE(FreeForAnotherThread(&cs_));
}

TEST_F(CriticalSectionTest, BlockedThreadEntersAfterTheLastLeave) {
  EnterCriticalSection(&cs_);
  EnterCriticalSection(&cs_);
  std::atomic<pid_t> tid{0};
  std::atomic<bool> entered{false};
  std::thread waiter([&] {
    tid = gettid();
    EnterCriticalSection(&cs_);
    entered = true;
    LeaveCriticalSection(&cs_);
  });
  while (tid == 0) std::this_thread::yield();
  ASSERT_TRUE(synctest::WaitUntilAsleep(synctest::ThreadStat(tid)));
  EXPECT_FALSE(entered);
  LeaveCriticalSection(&cs_);
  EXPECT_FALSE(FreeForAnotherThread(&cs_));
  EXPECT_FALSE(entered);
  LeaveCriticalSection(&cs_);
  waiter.join();
  EXPECT_TRUE(entered);
}

TEST_F(CriticalSectionTest, LeaveByAThreadThatDoesNotHoldItChangesNothing) {
  EnterCriticalSection(&cs_);
  std::thread stranger([&] { LeaveCriticalSection(&cs_); });
  stranger.join();
  EXPECT_FALSE(FreeForAnotherThread(&cs_));
  LeaveCriticalSection(&cs_);
  EXPECT_TRUE(FreeForAnotherThread(&cs_));
}

}  // namespace
