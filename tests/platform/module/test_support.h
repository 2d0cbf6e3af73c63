// Shared pieces of the module tests: where the test library lies, and a
// temporary folder per test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/module/module.h"
#include "platform/text/convert.h"

namespace module_test {

inline std::string LibDir() { return MODULE_TEST_LIB_DIR; }
inline std::string DataDir() { return MODULE_TEST_DATA_DIR; }
inline std::string LibFile() { return LibDir() + "/libModuleTestLib.so"; }
inline std::u16string U16(const std::string& s) { return quorvia::Utf8ToUtf16(s); }

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The test library must not stay loaded between tests: some tests check that
// a look-up loads it and unloads it again.
inline bool TestLibraryLoaded() { return GetModuleHandleW(u"ModuleTestLib.dll") != nullptr; }

// A fresh folder, removed with everything in it at the end of the test.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvia-module-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  std::string folder_;
};

}  // namespace module_test
