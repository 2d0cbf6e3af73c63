#include "platform/home.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace quorvia {

namespace {

std::string NonEmptyEnv(const char* name) {
  const char* v = std::getenv(name);
  return (v != nullptr && *v != '\0') ? std::string(v) : std::string();
}

}  // namespace

std::string QuorviaHome() {
  std::string home = NonEmptyEnv("QUORVIA_HOME");
  if (home.empty()) {
    std::string data = NonEmptyEnv("XDG_DATA_HOME");
    if (data.empty()) {
      std::string user_home = NonEmptyEnv("HOME");
      if (user_home.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) {
          user_home = pw->pw_dir;
        }
      }
      if (user_home.empty()) return std::string();
      data = user_home + "/.local/share";
    }
    home = data + "/quorvia";
  }
  std::error_code ec;
  std::filesystem::create_directories(home, ec);
  if (!std::filesystem::is_directory(home, ec)) return std::string();
  return home;
}

}  // namespace quorvia
