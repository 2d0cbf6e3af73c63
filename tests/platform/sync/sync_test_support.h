// Helpers for the lock and event tests: a private settings folder per test,
// child processes and a way to see that a thread or process has gone to
// sleep in a wait.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace synctest {

// $QUORVIA_HOME points to a fresh folder for the life of the test.
class TempHomeTest : public ::testing::Test {
 protected:
  void SetUp() override { home_ = MakeHome(); }
  void TearDown() override {
    unsetenv("QUORVIA_HOME");
    std::error_code ec;
    for (const auto& dir : extra_) std::filesystem::remove_all(dir, ec);
    std::filesystem::remove_all(home_, ec);
  }

  // Another fresh folder, made the current $QUORVIA_HOME.
  std::string MakeHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvia-sync-XXXXXX").string();
    const char* dir = mkdtemp(pattern.data());
    EXPECT_NE(dir, nullptr);
    setenv("QUORVIA_HOME", pattern.c_str(), 1);
    if (!home_.empty()) extra_.push_back(pattern);
    return pattern;
  }

  std::string home_;
  std::vector<std::string> extra_;
};

// A one-way byte channel between a parent and a forked child.
class Pipe {
 public:
  Pipe() { EXPECT_EQ(pipe(fds_), 0); }
  ~Pipe() {
    close(fds_[0]);
    close(fds_[1]);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  void Send(char c = 'x') { (void)!write(fds_[1], &c, 1); }
  // The next byte, or 0 when the writer is gone.
  char Receive() {
    close(fds_[1]);
    fds_[1] = -1;
    char c = 0;
    return read(fds_[0], &c, 1) == 1 ? c : 0;
  }

 private:
  int fds_[2] = {-1, -1};
};

// Runs `body` in a forked child whose exit code is what body returns.
// The child never returns into the test framework.
template <class Body>
pid_t Spawn(Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    int code = 100;
    try {
      code = body();
    } catch (...) {
      code = 101;
    }
    _exit(code);
  }
  EXPECT_GT(pid, 0);
  return pid;
}

// The child's exit code, or -signal when a signal ended it.
inline int Reap(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1000;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return -WTERMSIG(status);
  return -1001;
}

// True once the process or thread whose /proc stat file is given is asleep
// (state S), as it is while it blocks in a wait. Gives up after 20 s.
inline bool WaitUntilAsleep(const std::string& stat_path) {
  for (int i = 0; i < 20000; ++i) {
    std::ifstream in(stat_path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto paren = text.rfind(')');
    if (paren != std::string::npos && paren + 2 < text.size() && text[paren + 2] == 'S') return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

inline std::string ProcessStat(pid_t pid) { return "/proc/" + std::to_string(pid) + "/stat"; }
inline std::string ThreadStat(pid_t tid) { return "/proc/self/task/" + std::to_string(tid) + "/stat"; }

}  // namespace synctest
