// Helpers shared by the language table's tests: a temporary settings store
// and documents folder, and raw access to the "Language" value.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "core/support/globals.h"
#include "platform/registry/registry_api.h"
#include "platform/text/convert.h"

namespace language_test {

// A fresh $QUORVIA_HOME (so a fresh settings store) and an empty folder for
// documents, both removed afterwards.
class TempSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = MakeTemp("quorvia-lang-home-XXXXXX");
    folder_ = MakeTemp("quorvia-lang-docs-XXXXXX") + "/";
    ::setenv("QUORVIA_HOME", home_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("QUORVIA_HOME");
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
    std::filesystem::remove_all(folder_, ec);
  }

  static std::string MakeTemp(const char* pattern) {
    std::string path = (std::filesystem::temp_directory_path() / pattern).string();
    EXPECT_NE(::mkdtemp(path.data()), nullptr);
    return path;
  }

  // Writes a document into the folder; returns its path.
  std::string Write(const std::string& name, const std::string& content) const {
    const std::string path = folder_ + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    return path;
  }

  std::u16string Folder() const { return quorvia::Utf8ToUtf16(folder_); }

  static void SetLanguageValue(const std::u16string& name) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRegSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const auto size = static_cast<DWORD>((name.size() + 1) * sizeof(char16_t));
    ASSERT_EQ(RegSetValueExW(key, kRegValueLanguage, 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  // The "Language" value as stored (type and text up to its terminator);
  // nothing when the key or value is missing.
  static std::optional<std::u16string> LanguageValue(DWORD* type = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    std::vector<char16_t> data(256);
    DWORD size = static_cast<DWORD>(data.size() * sizeof(char16_t));
    const LONG rc = RegQueryValueExW(key, kRegValueLanguage, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    std::u16string text(data.data(), size / sizeof(char16_t));
    if (const auto end = text.find(u'\0'); end != std::u16string::npos) text.resize(end);
    return text;
  }

  std::string home_;
  std::string folder_;
};

// A language document with the given entries (raw XML of the entries).
inline std::string Document(const std::string& entries) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language>\n" + entries + "</language>\n";
}

}  // namespace language_test
