// The store is shared by the processes of the user and outlives them.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/registry/registry_api.h"
#include "tests/platform/registry/registry_test_support.h"

namespace {

using regtest::Bytes;
using regtest::CreateW;
using regtest::GetW;

class RegistryProcesses : public regtest::TempHome {
 protected:
  // Runs `body` in a child process; its result becomes the exit status.
  static pid_t Spawn(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    return pid;
  }
  static int Wait(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }
};

// The number of values of `count` that could not be written (at most 255).
int WriteValues(const char* prefix, int count, int start_fd) {
  if (start_fd >= 0) {
    char go = 0;
    if (::read(start_fd, &go, 1) != 1) return 255;
  }
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Shared", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return 255;
  }
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    const std::string name = std::string(prefix) + std::to_string(i);
    const DWORD v = static_cast<DWORD>(i);
    if (RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4) != ERROR_SUCCESS) {
      ++failures;
    }
  }
  RegCloseKey(key);
  return failures > 255 ? 255 : failures;
}

TEST_F(RegistryProcesses, ValuesWrittenByAnExitedChildAreReadByTheParent) {
  // The parent uses the store first, so the child inherits an open connection
  // and must not use it.
  HKEY mine = CreateW(HKEY_CURRENT_USER, u"Software\\Shared");
  const DWORD before = 1;
  ASSERT_EQ(regtest::SetW(mine, u"parent", REG_DWORD, Bytes(&before, 4)), ERROR_SUCCESS);

  const pid_t child = Spawn([] {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Shared", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 1;
    if (GetW(key, u"parent").status != ERROR_SUCCESS) return 2;
    const BYTE data[] = {'c', 'h', 'i', 'l', 'd'};
    if (RegSetValueExW(key, u"child", 0, REG_BINARY, data, sizeof data) != ERROR_SUCCESS) return 3;
    if (RegDeleteValueW(key, u"parent") != ERROR_SUCCESS) return 4;
    return 0;  // exits without closing anything
  });
  ASSERT_EQ(Wait(child), 0);

  EXPECT_EQ(GetW(mine, u"child").data, Bytes("child", 5));
  EXPECT_EQ(GetW(mine, u"parent").status, ERROR_FILE_NOT_FOUND);
  RegCloseKey(mine);
}

TEST_F(RegistryProcesses, TwoProcessesWritingAtOnceBothSucceed) {
  constexpr int kCount = 200;
  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  const pid_t first = Spawn([&] { return WriteValues("first", kCount, start[0]); });
  const pid_t second = Spawn([&] { return WriteValues("second", kCount, start[0]); });
  const char go[2] = {1, 1};
  ASSERT_EQ(::write(start[1], go, 2), 2);  // both start together
  ::close(start[0]);
  ::close(start[1]);
  EXPECT_EQ(Wait(first), 0);
  EXPECT_EQ(Wait(second), 0);

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Shared", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 2u * kCount);
  for (const char* prefix : {"first", "second"}) {
    for (int i = 0; i < kCount; ++i) {
      const std::string name = prefix + std::to_string(i);
      DWORD v = 0xFFFFFFFF;
      DWORD size = 4;
      ASSERT_EQ(RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size),
                ERROR_SUCCESS)
          << name;
      EXPECT_EQ(v, static_cast<DWORD>(i));
    }
  }
  RegCloseKey(key);
}

}  // namespace
