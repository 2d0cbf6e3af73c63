// The on/off switch as the core library builds it at load, seen from several
// processes of one user. Every process loads a fresh copy of the library in
// a forked child, so each one runs the start-up of the switch itself.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/support/globals.h"
#include "platform/registry/registry_api.h"

namespace {

// A child process that loads the probe library and then answers commands
// over a pipe: 'q' asks IsEnabled ('1' or '0'), 'n' and 'f' turn the toolbar
// on and off ('k'), 'x' ends the process. 'E' means the library did not load.
class ProbeProcess {
 public:
  ProbeProcess() {
    int to_child[2];
    int from_child[2];
    if (::pipe(to_child) != 0 || ::pipe(from_child) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(to_child[1]);
      ::close(from_child[0]);
      Serve(to_child[0], from_child[1]);
    }
    ::close(to_child[0]);
    ::close(from_child[1]);
    to_ = to_child[1];
    from_ = from_child[0];
  }
  ~ProbeProcess() { Exit(); }
  ProbeProcess(const ProbeProcess&) = delete;
  ProbeProcess& operator=(const ProbeProcess&) = delete;

  // Sends a command and returns the answer; '?' when the child is gone.
  char Ask(char command) {
    char answer = '?';
    if (::write(to_, &command, 1) != 1 || ::read(from_, &answer, 1) != 1) return '?';
    return answer;
  }
  std::optional<bool> IsEnabled() {
    const char answer = Ask('q');
    if (answer != '0' && answer != '1') return std::nullopt;
    return answer == '1';
  }
  bool SetEnabled(bool on) { return Ask(on ? 'n' : 'f') == 'k'; }

  // Ends the child and returns its exit status (0 after a clean unload).
  int Exit() {
    if (pid_ <= 0) return -1;
    const char command = 'x';
    (void)!::write(to_, &command, 1);
    ::close(to_);
    ::close(from_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  }

 private:
  [[noreturn]] static void Serve(int in, int out) {
    void* library = ::dlopen(RATING_PROBE_PATH, RTLD_NOW | RTLD_LOCAL);
    auto is_enabled = library ? reinterpret_cast<int (*)()>(::dlsym(library, "ProbeIsEnabled")) : nullptr;
    auto set_enabled = library ? reinterpret_cast<void (*)(int)>(::dlsym(library, "ProbeSetEnabled")) : nullptr;
    char command = 0;
    while (::read(in, &command, 1) == 1 && command != 'x') {
      char answer = 'E';
      if (is_enabled != nullptr && set_enabled != nullptr) {
        if (command == 'q') answer = is_enabled() ? '1' : '0';
        if (command == 'n' || command == 'f') {
          set_enabled(command == 'n');
          answer = 'k';
        }
      }
      if (::write(out, &answer, 1) != 1) break;
    }
    // Unloading destroys the switch, which closes its event handle.
    const int status = (library != nullptr && ::dlclose(library) == 0) ? 0 : 1;
    ::_exit(status);
  }

  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
};

class OnOffSwitch : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = (std::filesystem::temp_directory_path() / "quorvia-onoff-XXXXXX").string();
    ASSERT_NE(::mkdtemp(home_.data()), nullptr);
    ::setenv("QUORVIA_HOME", home_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("QUORVIA_HOME");
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
  }

  static void PutDisable(DWORD type, const std::vector<BYTE>& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRegSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, kRegValueDisable, 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  // The stored "Disable" when it is a 4-byte REG_DWORD.
  static std::optional<DWORD> StoredDisable() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG rc = RegQueryValueExW(key, kRegValueDisable, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return value;
  }

  static std::vector<BYTE> Dword(DWORD value) {
    std::vector<BYTE> data(sizeof value);
    std::memcpy(data.data(), &value, sizeof value);
    return data;
  }

  std::string home_;
};

struct StartUpCase {
  const char* name;
  DWORD type;             // REG_NONE: no value stored
  std::vector<BYTE> data;
  bool holder_turned_off;  // another process holds the event, turned off
  bool expect_on;
};

TEST_F(OnOffSwitch, StartUpAppliesOnlyAStoredNumber) {
  const std::vector<BYTE> one_as_text = {'1', 0, 0, 0};
  const std::vector<StartUpCase> cases = {
      {"no value, new event", REG_NONE, {}, false, true},
      {"1, new event", REG_DWORD, Dword(1), false, false},
      {"7, new event", REG_DWORD, Dword(7), false, false},
      {"0, new event", REG_DWORD, Dword(0), false, true},
      {"text \"1\", new event", REG_SZ, one_as_text, false, true},
      {"four binary bytes, new event", REG_BINARY, Dword(1), false, true},
      {"no value, event held off", REG_NONE, {}, true, false},
      {"text \"0\", event held off", REG_SZ, {'0', 0, 0, 0}, true, false},
      {"0, event held off", REG_DWORD, Dword(0), true, true},
  };
  for (const StartUpCase& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    std::optional<ProbeProcess> holder;
    if (c.holder_turned_off) {
      holder.emplace();
      ASSERT_TRUE(holder->SetEnabled(false));
    }
    // After the holder: its own switch wrote "Disable" while turning off.
    if (c.type != REG_NONE) PutDisable(c.type, c.data);

    ProbeProcess loaded;
    EXPECT_EQ(loaded.IsEnabled(), c.expect_on);
    if (holder) {
      // One event: the holder sees what the new process made of it.
      EXPECT_EQ(holder->IsEnabled(), c.expect_on);
    }
    EXPECT_EQ(loaded.Exit(), 0);
  }
}

TEST_F(OnOffSwitch, TurningOffInOneProcessTurnsOffEveryProcessAndIsStored) {
  ProbeProcess first;
  ASSERT_EQ(first.IsEnabled(), true);
  EXPECT_EQ(StoredDisable(), std::nullopt) << "loading alone writes nothing";

  ProbeProcess second;
  ASSERT_EQ(second.IsEnabled(), true);
  ASSERT_TRUE(second.SetEnabled(false));
  EXPECT_EQ(second.IsEnabled(), false);
  EXPECT_EQ(first.IsEnabled(), false) << "the already running process sees the change";
  EXPECT_EQ(StoredDisable(), 1u);

  ASSERT_TRUE(first.SetEnabled(true));
  EXPECT_EQ(second.IsEnabled(), true);
  EXPECT_EQ(StoredDisable(), 0u);

  // Turned off and every process gone: the stored value carries the state to
  // the next start.
  ASSERT_TRUE(first.SetEnabled(false));
  EXPECT_EQ(first.Exit(), 0);
  EXPECT_EQ(second.Exit(), 0);
  ProbeProcess next;
  EXPECT_EQ(next.IsEnabled(), false);
}

}  // namespace
