#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/module/version.h"
#include "test_support.h"

using namespace module_test;

namespace {

std::vector<unsigned char> ReadVersion(const std::u16string& path) {
  DWORD handle = 7;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  EXPECT_EQ(handle, 0u);
  if (size == 0) return {};
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};
  return block;
}

std::u16string QueryText(const std::vector<unsigned char>& block, const std::u16string& key) {
  LPVOID value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), key.c_str(), &value, &length) || length == 0) return u"<missing>";
  const auto* text = static_cast<const char16_t*>(value);
  return std::u16string(text, length - 1);
}

// The file version as the About dialog reads it: the first translation names
// the string table that holds "FileVersion".
std::u16string FileVersionText(const std::vector<unsigned char>& block) {
  LPVOID value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length) || length != 4) return u"";
  DWORD translation = 0;
  std::memcpy(&translation, value, 4);
  unsigned language = translation & 0xFFFF;
  unsigned codepage = translation >> 16;
  char key[64];
  std::snprintf(key, sizeof key, "\\StringFileInfo\\%02X%02X%02X%02X\\FileVersion", language >> 8, language & 0xFF,
                codepage >> 8, codepage & 0xFF);
  return QueryText(block, U16(key));
}

TEST(VersionInfo, ReadFromALibraryByPathWithoutKeepingItLoaded) {
  ASSERT_FALSE(TestLibraryLoaded());
  std::vector<unsigned char> block = ReadVersion(U16(LibDir() + "/ModuleTestLib.dll"));
  ASSERT_FALSE(block.empty());
  EXPECT_FALSE(TestLibraryLoaded());

  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(fixed.dwFileVersionMS, (2u << 16) | 0u);
  EXPECT_EQ(fixed.dwFileVersionLS, (1u << 16) | 17u);
  EXPECT_EQ(fixed.dwProductVersionMS, (5u << 16) | 1u);
  EXPECT_EQ(fixed.dwProductVersionLS, 0u);

  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  DWORD translation = 0;
  std::memcpy(&translation, value, 4);
  EXPECT_EQ(translation, 0x04B00409u);  // US English, Unicode

  EXPECT_EQ(FileVersionText(block), u"2, 0, 1, 17");
  EXPECT_EQ(QueryText(block, u"\\StringFileInfo\\040904B0\\ProductName"), u"Module Test Library");
  EXPECT_EQ(QueryText(block, u"\\stringfileinfo\\040904b0\\ORIGINALFILENAME"), u"ModuleTestLib.dll");
  // Defaulted from the numbers.
  EXPECT_EQ(QueryText(block, u"\\StringFileInfo\\040904B0\\ProductVersion"), u"5.1.0.0");

  for (const char16_t* missing : {u"\\StringFileInfo\\040904B0\\CompanyName", u"\\StringFileInfo\\040704B0\\FileVersion",
                                  u"\\StringFileInfo", u"\\VarFileInfo\\Translation\\More", u"\\Nothing"}) {
    EXPECT_FALSE(VerQueryValueW(block.data(), missing, &value, &length)) << quorvia::Utf16ToUtf8(missing);
  }
}

TEST(VersionInfo, BareNameOfALoadedLibrary) {
  HMODULE lib = LoadLibraryW(u"ModuleTestLib.dll");
  ASSERT_NE(lib, nullptr);
  std::vector<unsigned char> block = ReadVersion(u"ModuleTestLib.dll");
  EXPECT_EQ(FileVersionText(block), u"2, 0, 1, 17");
  // The look-up took its own load and gave it back.
  EXPECT_TRUE(FreeLibrary(lib));
  EXPECT_FALSE(TestLibraryLoaded());
}

// The program file cannot be loaded as a library; its version is read from
// the running program.
TEST(VersionInfo, TheProgramsOwnFile) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  ASSERT_GT(n, 0u);
  std::vector<unsigned char> block = ReadVersion(U16(std::string(path, n)));
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(FileVersionText(block), u"3.4.5.6");
}

TEST(VersionInfo, AbsentOrUnreadable) {
  // Libraries without version information, missing files, the test program.
  for (const std::u16string& path : {std::u16string(u"QuorviaPlatform.dll"), std::u16string(u"NoSuchModule.dll"),
                                     U16(LibDir() + "/nothing.dll"), std::u16string()}) {
    EXPECT_EQ(GetFileVersionInfoSizeW(path.c_str(), nullptr), 0u) << quorvia::Utf16ToUtf8(path);
    unsigned char buffer[16];
    EXPECT_FALSE(GetFileVersionInfoW(path.c_str(), 0, sizeof buffer, buffer));
  }
  // A buffer smaller than the block is refused rather than filled in part.
  std::u16string path = U16(LibFile());
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
  ASSERT_GT(size, 8u);
  std::vector<unsigned char> block(size, 0xAB);
  EXPECT_FALSE(GetFileVersionInfoW(path.c_str(), 0, size - 1, block.data()));
  EXPECT_EQ(block[0], 0xAB);
}

}  // namespace
