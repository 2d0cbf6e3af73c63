#include <sys/stat.h>

#include <map>
#include <optional>
#include <set>

#include "platform/module/find_file.h"
#include "platform/module/temp_folder.h"
#include "test_support.h"

using namespace module_test;

namespace {

// Every entry a search reports: name -> attributes.
std::map<std::u16string, DWORD> FindAll(const std::string& pattern) {
  std::map<std::u16string, DWORD> found;
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(U16(pattern).c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    found[data.cFileName] = data.dwFileAttributes;
  } while (FindNextFileW(search, &data));
  EXPECT_TRUE(FindClose(search));
  return found;
}

std::set<std::u16string> Names(const std::map<std::u16string, DWORD>& found) {
  std::set<std::u16string> names;
  for (const auto& [name, attributes] : found) names.insert(name);
  return names;
}

class FindFileTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    for (const char* file : {"libAlpha.so", "libBeta.so", "libgamma.so.1", "notes.txt", "English.XML", "config.xml"}) {
      WriteBytes(folder_ + "/" + file, "12345");
    }
    std::filesystem::create_directory(folder_ + "/subdir");
    std::filesystem::create_directory(folder_ + "/libDir.so");
  }
};

TEST_F(FindFileTest, PatternsMatchNamesInAnyCaseAndLibrariesAsModules) {
  using Set = std::set<std::u16string>;
  struct Case {
    const char* pattern;
    Set expected;
  } cases[] = {
      {"*.dll", {u"Alpha.dll", u"Beta.dll"}},
      {"*.DLL", {u"Alpha.dll", u"Beta.dll"}},
      {"?eta.dll", {u"Beta.dll"}},
      {"alpha.dll", {u"Alpha.dll"}},
      {"lib*.so", {u"libAlpha.so", u"libBeta.so", u"libDir.so"}},
      {"*.xml", {u"English.XML", u"config.xml"}},
      {"NOTES.TXT", {u"notes.txt"}},
      {"*a*l*", {u"Alpha.dll", u"Beta.dll"}},
      {"n?tes.*", {u"notes.txt"}},
      {"*.so.?", {u"libgamma.so.1"}},
      {"*.*", {u".", u"..", u"Alpha.dll", u"Beta.dll", u"libgamma.so.1", u"notes.txt", u"English.XML",
               u"config.xml", u"subdir", u"libDir.so"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Names(FindAll(folder_ + "/" + c.pattern)), c.expected) << c.pattern;
  }
}

TEST_F(FindFileTest, ReportsAttributesAndSize) {
  auto found = FindAll(folder_ + "/*");
  ASSERT_EQ(found.count(u"subdir"), 1u);
  EXPECT_NE(found[u"subdir"] & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(found[u"libDir.so"] & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(found[u"notes.txt"] & FILE_ATTRIBUTE_DIRECTORY, 0u);

  chmod((folder_ + "/notes.txt").c_str(), 0444);
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(U16(folder_ + "/notes.txt").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_READONLY);
  EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
  EXPECT_FALSE(FindNextFileW(search, &data));
  EXPECT_FALSE(FindNextFileW(search, &data));
  EXPECT_TRUE(FindClose(search));
  EXPECT_FALSE(FindClose(search));
}

TEST_F(FindFileTest, NoMatchOrNoFolderIsInvalidHandle) {
  WIN32_FIND_DATAW data;
  for (const std::string& pattern : {folder_ + "/*.none", folder_ + "/missing/*", folder_ + "/", folder_ + "/*/x",
                                     folder_ + "/libgamma.dll"}) {
    EXPECT_EQ(FindFirstFileW(U16(pattern).c_str(), &data), INVALID_HANDLE_VALUE) << pattern;
  }
  EXPECT_EQ(FindFirstFileW(nullptr, &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirstFileW(U16(folder_ + "/*").c_str(), nullptr), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FindNextFileW(INVALID_HANDLE_VALUE, &data));
  EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(FindClose(nullptr));
}

// What a host does with the libraries of its folder: enumerate "*.dll" and
// load each entry by folder + "/" + name.
TEST(FindFileLibraries, EnumeratedModulesLoadByTheirReportedPath) {
  auto found = FindAll(LibDir() + "/*.dll");
  ASSERT_EQ(found.count(u"ModuleTestLib.dll"), 1u);
  HMODULE lib = LoadLibraryW(U16(LibDir() + "/ModuleTestLib.dll").c_str());
  ASSERT_NE(lib, nullptr);
  EXPECT_NE(GetProcAddress(lib, "ModuleTestAnswer"), nullptr);
  EXPECT_TRUE(FreeLibrary(lib));
}

class TempPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = getenv("TMPDIR")) saved_ = old;
  }
  void TearDown() override {
    if (saved_) {
      setenv("TMPDIR", saved_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
  static std::u16string TempPath() {
    WCHAR buffer[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, buffer);
    return std::u16string(buffer, n);
  }
  std::optional<std::string> saved_;
};

TEST_F(TempPathTest, ComesFromTmpdirAndEndsInASlash) {
  struct Case {
    const char* tmpdir;  // null: unset
    const char16_t* expected;
  } cases[] = {
      {"/var/tmp/user", u"/var/tmp/user/"},
      {"/var/tmp/user/", u"/var/tmp/user/"},
      {nullptr, u"/tmp/"},
      {"", u"/tmp/"},
      {"relative/dir", u"/tmp/"},
  };
  for (const Case& c : cases) {
    if (c.tmpdir != nullptr) {
      setenv("TMPDIR", c.tmpdir, 1);
    } else {
      unsetenv("TMPDIR");
    }
    EXPECT_EQ(TempPath(), c.expected) << (c.tmpdir ? c.tmpdir : "(unset)");
  }

  setenv("TMPDIR", "/var/tmp/user", 1);
  WCHAR small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(GetTempPathW(4, small), 15u);  // "/var/tmp/user/" and the terminator
  EXPECT_EQ(small[0], u'x');
}

TEST_F(TempPathTest, LongPathOfAnExistingPathIsItself) {
  WCHAR buffer[MAX_PATH];
  EXPECT_EQ(GetLongPathNameW(u"/tmp/", buffer, MAX_PATH), 5u);
  EXPECT_EQ(std::u16string(buffer), u"/tmp/");
  EXPECT_EQ(GetLongPathNameW(u"/tmp/", buffer, 3), 6u);
  EXPECT_EQ(GetLongPathNameW(u"/no/such/folder", buffer, MAX_PATH), 0u);
}

}  // namespace
