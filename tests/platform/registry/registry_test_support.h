// A temporary $QUORVIA_HOME per test, and small helpers for raw values.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/registry/registry_api.h"

namespace regtest {

inline std::string MakeTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quorvia-reg-XXXXXX").string();
  const char* made = ::mkdtemp(pattern.data());
  EXPECT_NE(made, nullptr);
  return pattern;
}

// Every test gets a home folder of its own, removed afterwards.
class TempHome : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = MakeTempDir();
    ::setenv("QUORVIA_HOME", home_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("QUORVIA_HOME");
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
  }
  std::string StorePath() const { return home_ + "/registry.db"; }

  std::string home_;
};

inline std::vector<BYTE> Bytes(const void* data, std::size_t size) {
  const auto* p = static_cast<const BYTE*>(data);
  return std::vector<BYTE>(p, p + size);
}

// The bytes of a wide string, terminator included when `with_null`.
inline std::vector<BYTE> WideBytes(std::u16string_view text, bool with_null = true) {
  std::u16string s(text);
  return Bytes(s.c_str(), (s.size() + (with_null ? 1 : 0)) * sizeof(char16_t));
}

inline LONG SetW(HKEY key, const char16_t* name, DWORD type, const std::vector<BYTE>& data) {
  return RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

struct Value {
  LONG status = -1;
  DWORD type = 0xFFFF;
  std::vector<BYTE> data;
};

// Reads a value the way callers do: size first, then the data.
inline Value GetW(HKEY key, const char16_t* name) {
  Value v;
  DWORD size = 0;
  v.status = RegQueryValueExW(key, name, nullptr, &v.type, nullptr, &size);
  if (v.status != ERROR_SUCCESS) return v;
  v.data.resize(size);
  v.status = RegQueryValueExW(key, name, nullptr, &v.type, v.data.data(), &size);
  v.data.resize(size);
  return v;
}

inline Value GetA(HKEY key, const char* name) {
  Value v;
  DWORD size = 0;
  v.status = RegQueryValueExA(key, name, nullptr, &v.type, nullptr, &size);
  if (v.status != ERROR_SUCCESS) return v;
  v.data.resize(size);
  v.status = RegQueryValueExA(key, name, nullptr, &v.type, v.data.data(), &size);
  v.data.resize(size);
  return v;
}

inline HKEY CreateW(HKEY root, const char16_t* path, REGSAM sam = KEY_ALL_ACCESS) {
  HKEY key = nullptr;
  const LONG rc = RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, sam, nullptr, &key, nullptr);
  EXPECT_EQ(rc, ERROR_SUCCESS);
  return key;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace regtest
