#include "platform/sync/event.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/sync/last_error.h"
#include "sync_test_support.h"

namespace {

constexpr char16_t kName[] = u"HN2007_EventName";

using EventTest = synctest::TempHomeTest;

// Creates an event and returns the handle together with the error code the
// creation left behind.
struct Created {
  HANDLE handle;
  DWORD error;
};
Created Create(BOOL initial, LPCWSTR name = kName) {
  SetLastError(12345);
  HANDLE h = CreateEventW(nullptr, TRUE, initial, name);
  return {h, GetLastError()};
}

bool Signalled(HANDLE h) { return WaitForSingleObject(h, 0) == WAIT_OBJECT_0; }

TEST_F(EventTest, NewEventStartsAsAskedAndZeroTimeoutOnlyLooks) {
  for (LPCWSTR name : {static_cast<LPCWSTR>(nullptr), u"", kName}) {
    for (BOOL initial : {TRUE, FALSE}) {
      SCOPED_TRACE(testing::Message() << "named=" << (name != nullptr && *name != 0) << " initial=" << initial);
      const Created c = Create(initial, name);
      ASSERT_NE(c.handle, nullptr);
      EXPECT_EQ(c.error, 0u);
      for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(WaitForSingleObject(c.handle, 0), initial ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
      }
      EXPECT_EQ(WaitForSingleObject(c.handle, 20), initial ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
      EXPECT_TRUE(CloseHandle(c.handle));
    }
  }
}

TEST_F(EventTest, SetAndResetChangeTheState) {
  const Created c = Create(FALSE);
  ASSERT_NE(c.handle, nullptr);
  EXPECT_TRUE(SetEvent(c.handle));
  EXPECT_TRUE(SetEvent(c.handle));
  EXPECT_TRUE(Signalled(c.handle));
  EXPECT_TRUE(ResetEvent(c.handle));
  EXPECT_FALSE(Signalled(c.handle));
  EXPECT_TRUE(ResetEvent(c.handle));
  EXPECT_FALSE(Signalled(c.handle));
  CloseHandle(c.handle);
}

TEST_F(EventTest, UnnamedEventsAreIndependent) {
  const Created a = Create(TRUE, nullptr);
  const Created b = Create(TRUE, nullptr);
  ASSERT_NE(a.handle, nullptr);
  ASSERT_NE(b.handle, nullptr);
  EXPECT_EQ(b.error, 0u);
  ResetEvent(a.handle);
  EXPECT_FALSE(Signalled(a.handle));
  EXPECT_TRUE(Signalled(b.handle));
  CloseHandle(a.handle);
  CloseHandle(b.handle);
}

TEST_F(EventTest, SecondOpenSharesStateAndKeepsIt) {
  const Created first = Create(TRUE);
  ASSERT_NE(first.handle, nullptr);
  ResetEvent(first.handle);

  const Created second = Create(TRUE);  // asks for signalled: ignored
  ASSERT_NE(second.handle, nullptr);
  EXPECT_EQ(second.error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(Signalled(second.handle));

  SetEvent(second.handle);
  EXPECT_TRUE(Signalled(first.handle));

  // Another name is another event.
  const Created other = Create(FALSE, u"HN2007_eventname");
  EXPECT_EQ(other.error, 0u);
  EXPECT_FALSE(Signalled(other.handle));
  CloseHandle(other.handle);
  CloseHandle(first.handle);
  CloseHandle(second.handle);
}

TEST_F(EventTest, EventLivesWhileAnyHandleIsOpen) {
  const Created a = Create(TRUE);
  ResetEvent(a.handle);
  const Created b = Create(TRUE);
  EXPECT_EQ(b.error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(a.handle);

  const Created c = Create(TRUE);  // b still holds it
  EXPECT_EQ(c.error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(Signalled(c.handle));
  CloseHandle(b.handle);
  CloseHandle(c.handle);

  const Created fresh = Create(TRUE);  // nobody held it: created anew
  EXPECT_EQ(fresh.error, 0u);
  EXPECT_TRUE(Signalled(fresh.handle));
  CloseHandle(fresh.handle);
}

TEST_F(EventTest, SameNameInAnotherHomeIsAnotherEvent) {
  const Created a = Create(TRUE);
  ResetEvent(a.handle);
  MakeHome();
  const Created b = Create(TRUE);
  EXPECT_EQ(b.error, 0u);
  EXPECT_TRUE(Signalled(b.handle));
  EXPECT_FALSE(Signalled(a.handle));
  CloseHandle(a.handle);
  CloseHandle(b.handle);
}

TEST_F(EventTest, BadHandlesAndUnsupportedRequestsFail) {
  const Created c = Create(TRUE);
  ASSERT_TRUE(CloseHandle(c.handle));
  int made_up = 0;
  for (HANDLE bad : {static_cast<HANDLE>(nullptr), c.handle, static_cast<HANDLE>(&made_up)}) {
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(bad, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(SetEvent(bad));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(ResetEvent(bad));
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(bad));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
  SetLastError(0);
  EXPECT_EQ(CreateEventW(nullptr, FALSE, TRUE, kName), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(EventTest, CreationFailsWhenTheFolderCannotBeUsed) {
  // The user's event folder is taken by a plain file.
  std::ofstream(home_ + "/events-" + std::to_string(geteuid())) << "x";
  const Created blocked = Create(TRUE);
  EXPECT_EQ(blocked.handle, nullptr);
  EXPECT_EQ(blocked.error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  // An unnamed event needs no folder.
  const Created unnamed = Create(TRUE, nullptr);
  EXPECT_NE(unnamed.handle, nullptr);
  CloseHandle(unnamed.handle);

  // No settings folder at all.
  setenv("QUORVIA_HOME", (home_ + "/events-" + std::to_string(geteuid()) + "/below-a-file").c_str(), 1);
  const Created homeless = Create(TRUE);
  EXPECT_EQ(homeless.handle, nullptr);
  EXPECT_NE(homeless.error, 0u);
}

// Runs a waiter on its own thread and lets the test act once it sleeps.
class Waiter {
 public:
  Waiter(HANDLE h, DWORD ms) : thread_([this, h, ms] {
      tid_ = gettid();
      result_ = WaitForSingleObject(h, ms);
    }) {}
  bool Asleep() {
    while (tid_ == 0) std::this_thread::yield();
    return synctest::WaitUntilAsleep(synctest::ThreadStat(tid_));
  }
  DWORD Result() {
    thread_.join();
    return result_;
  }

 private:
  std::atomic<pid_t> tid_{0};
  DWORD result_ = 12345;
  std::thread thread_;
};

TEST_F(EventTest, WaitingThreadWakesOnSet) {
  for (LPCWSTR name : {static_cast<LPCWSTR>(nullptr), kName}) {
    const Created c = Create(FALSE, name);
    Waiter waiter(c.handle, INFINITE);
    ASSERT_TRUE(waiter.Asleep());
    SetEvent(c.handle);
    EXPECT_EQ(waiter.Result(), WAIT_OBJECT_0);
    EXPECT_TRUE(Signalled(c.handle));  // waiting does not reset it
    CloseHandle(c.handle);
  }
}

TEST_F(EventTest, SetFollowedAtOnceByResetStillReleasesWaiters) {
  const Created c = Create(FALSE);
  Waiter first(c.handle, 30000);
  Waiter second(c.handle, 30000);
  ASSERT_TRUE(first.Asleep());
  ASSERT_TRUE(second.Asleep());
  SetEvent(c.handle);
  ResetEvent(c.handle);
  EXPECT_EQ(first.Result(), WAIT_OBJECT_0);
  EXPECT_EQ(second.Result(), WAIT_OBJECT_0);
  EXPECT_FALSE(Signalled(c.handle));
  CloseHandle(c.handle);
}

TEST_F(EventTest, ClosingAHandleWhileAnotherThreadWaitsOnItIsSafe) {
  const Created waited = Create(FALSE);
  const Created other = Create(FALSE);
  Waiter waiter(waited.handle, INFINITE);
  ASSERT_TRUE(waiter.Asleep());
  CloseHandle(waited.handle);
  SetEvent(other.handle);  // the same named event through another handle
  EXPECT_EQ(waiter.Result(), WAIT_OBJECT_0);
  CloseHandle(other.handle);
}

// ---- across processes ----

TEST_F(EventTest, SecondProcessSeesStateLearnsItExistedAndChangesNothing) {
  for (BOOL state : {TRUE, FALSE}) {
    SCOPED_TRACE(state);
    const Created mine = Create(TRUE);
    ASSERT_NE(mine.handle, nullptr);
    if (!state) ResetEvent(mine.handle);

    const pid_t child = synctest::Spawn([&] {
      const Created theirs = Create(!state);  // asks for the opposite state
      if (theirs.handle == nullptr) return 10;
      if (theirs.error != static_cast<DWORD>(ERROR_ALREADY_EXISTS)) return 11;
      if (Signalled(theirs.handle) != static_cast<bool>(state)) return 12;
      CloseHandle(theirs.handle);
      return 0;
    });
    EXPECT_EQ(synctest::Reap(child), 0);
    EXPECT_EQ(Signalled(mine.handle), static_cast<bool>(state));
    CloseHandle(mine.handle);
  }
}

TEST_F(EventTest, StateChangesAreSeenByTheOtherProcess) {
  synctest::Pipe ready;
  synctest::Pipe go;
  const pid_t child = synctest::Spawn([&] {
    const Created theirs = Create(TRUE);
    ResetEvent(theirs.handle);
    ready.Send();
    go.Receive();  // the parent has set it
    return Signalled(theirs.handle) ? 0 : 1;
  });
  ASSERT_EQ(ready.Receive(), 'x');
  const Created mine = Create(TRUE);
  EXPECT_EQ(mine.error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(Signalled(mine.handle));
  SetEvent(mine.handle);
  go.Send();
  EXPECT_EQ(synctest::Reap(child), 0);
  CloseHandle(mine.handle);
}

TEST_F(EventTest, WaitInOneProcessIsReleasedBySetInAnother) {
  const Created mine = Create(FALSE);
  synctest::Pipe ready;
  const pid_t child = synctest::Spawn([&] {
    const Created theirs = Create(FALSE);
    if (theirs.error != static_cast<DWORD>(ERROR_ALREADY_EXISTS)) return 10;
    ready.Send();
    const DWORD r = WaitForSingleObject(theirs.handle, 30000);
    return r == WAIT_OBJECT_0 ? 0 : 1;
  });
  ASSERT_EQ(ready.Receive(), 'x');
  ASSERT_TRUE(synctest::WaitUntilAsleep(synctest::ProcessStat(child)));
  SetEvent(mine.handle);
  EXPECT_EQ(synctest::Reap(child), 0);
  CloseHandle(mine.handle);
}

TEST_F(EventTest, NextCreationStartsFreshAfterEveryHolderWasKilled) {
  for (BOOL initial : {TRUE, FALSE}) {
    SCOPED_TRACE(initial);
    synctest::Pipe ready;
    const pid_t child = synctest::Spawn([&] {
      // Holds the event with the opposite state, and is killed in the wait.
      const Created theirs = Create(!initial);
      if (initial) ResetEvent(theirs.handle); else SetEvent(theirs.handle);
      Create(!initial);  // a second handle, never closed either
      ready.Send();
      WaitForSingleObject(theirs.handle, initial ? INFINITE : 0);
      pause();
      return 0;
    });
    ASSERT_EQ(ready.Receive(), 'x');
    ASSERT_TRUE(synctest::WaitUntilAsleep(synctest::ProcessStat(child)));
    kill(child, SIGKILL);
    EXPECT_EQ(synctest::Reap(child), -SIGKILL);

    const Created fresh = Create(initial);
    ASSERT_NE(fresh.handle, nullptr);
    EXPECT_EQ(fresh.error, 0u);
    EXPECT_EQ(Signalled(fresh.handle), static_cast<bool>(initial));
    // Usable as ever: set, reset and wait.
    SetEvent(fresh.handle);
    EXPECT_EQ(WaitForSingleObject(fresh.handle, INFINITE), WAIT_OBJECT_0);
    ResetEvent(fresh.handle);
    EXPECT_FALSE(Signalled(fresh.handle));
    CloseHandle(fresh.handle);
  }
}

TEST_F(EventTest, ClosingTheLastHandleRemovesTheEventFile) {
  const std::filesystem::path folder = home_ + "/events-" + std::to_string(geteuid());
  auto event_files = [&] {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) n += entry.path().extension() == ".event";
    return n;
  };
  const Created a = Create(TRUE);
  const Created b = Create(TRUE);
  EXPECT_EQ(event_files(), 1);
  CloseHandle(a.handle);
  EXPECT_EQ(event_files(), 1);
  CloseHandle(b.handle);
  EXPECT_EQ(event_files(), 0);
}

}  // namespace
