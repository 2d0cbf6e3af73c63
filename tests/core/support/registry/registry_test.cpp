#include "core/support/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/support/globals.h"
#include "core/support/language.h"
#include "platform/registry/registry_api.h"

namespace {

class SettingsRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = (std::filesystem::temp_directory_path() / "quorvia-settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(home_.data()), nullptr);
    ::setenv("QUORVIA_HOME", home_.c_str(), 1);
    LanguageName() = u"English";
  }
  void TearDown() override {
    ::unsetenv("QUORVIA_HOME");
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
  }

  // Writes a raw value under the settings key, creating the key.
  static void Put(const char16_t* name, DWORD type, const std::vector<BYTE>& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRegSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    RegCloseKey(key);
  }

  static std::vector<BYTE> Get(const char16_t* name, DWORD* type) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    std::vector<BYTE> data(256);
    DWORD size = static_cast<DWORD>(data.size());
    const LONG rc = RegQueryValueExW(key, name, nullptr, type, data.data(), &size);
    RegCloseKey(key);
    data.resize(rc == ERROR_SUCCESS ? size : 0);
    return data;
  }

  static std::vector<BYTE> Wide(std::u16string_view text) {
    const auto* p = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(p, p + text.size() * sizeof(char16_t));
  }

  std::string home_;
};

TEST_F(SettingsRegistry, WriteLanguageCreatesTheMissingKeyAndStoresTheTerminator) {
  Registry registry(HKEY_CURRENT_USER);
  EXPECT_FALSE(registry.ReadLanguage());
  EXPECT_EQ(LanguageName(), u"English");

  ASSERT_TRUE(registry.WriteLanguage(kDefaultLanguage));
  DWORD type = 0;
  EXPECT_EQ(Get(kRegValueLanguage, &type), Wide(std::u16string_view(u"English", 8)));
  EXPECT_EQ(type, REG_SZ);

  ASSERT_TRUE(registry.WriteLanguage(u"fran\u00e7ais"));
  ASSERT_TRUE(registry.ReadLanguage());
  EXPECT_EQ(LanguageName(), u"fran\u00e7ais");
}

TEST_F(SettingsRegistry, ReadLanguageTakesTheTextUpToItsFirstNullOfAnyType) {
  struct Case {
    const char* label;
    DWORD type;
    std::vector<BYTE> data;
    std::u16string expected;
  };
  std::vector<BYTE> odd = Wide(u"Ital");
  odd.push_back('x');
  const Case cases[] = {
      {"no terminator", REG_SZ, Wide(u"German"), u"German"},
      {"embedded null", REG_SZ, Wide(std::u16string_view(u"Fr\0ench\0", 8)), u"Fr"},
      {"binary data", REG_BINARY, Wide(u"Dutch"), u"Dutch"},
      {"odd byte count", REG_SZ, odd, u"Ital"},
      {"no data", REG_SZ, {}, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    LanguageName() = u"unchanged";
    Put(kRegValueLanguage, c.type, c.data);
    EXPECT_TRUE(Registry(HKEY_CURRENT_USER).ReadLanguage());
    EXPECT_EQ(LanguageName(), c.expected);
  }
}

TEST_F(SettingsRegistry, DisableIsReadOnlyAsAFourByteDword) {
  Registry registry(HKEY_CURRENT_USER);
  DWORD value = 77;
  EXPECT_FALSE(registry.ReadDisable(value));  // no key at all
  ASSERT_TRUE(registry.WriteDisable(1));
  ASSERT_TRUE(registry.ReadDisable(value));
  EXPECT_EQ(value, 1u);
  ASSERT_TRUE(registry.WriteDisable(0));
  ASSERT_TRUE(registry.ReadDisable(value));
  EXPECT_EQ(value, 0u);

  const ULONGLONG wide_number = 1;
  const std::vector<BYTE> qword(reinterpret_cast<const BYTE*>(&wide_number),
                                reinterpret_cast<const BYTE*>(&wide_number) + 8);
  struct Case {
    const char* label;
    DWORD type;
    std::vector<BYTE> data;
  };
  const Case ignored[] = {
      {"a string", REG_SZ, Wide(std::u16string_view(u"1", 2))},
      {"binary", REG_BINARY, {1, 0, 0, 0}},
      {"a short dword", REG_DWORD, {1, 0}},
      {"a long dword", REG_DWORD, qword},
      {"a qword", REG_QWORD, qword},
  };
  for (const Case& c : ignored) {
    SCOPED_TRACE(c.label);
    Put(kRegValueDisable, c.type, c.data);
    value = 77;
    EXPECT_FALSE(registry.ReadDisable(value));
    EXPECT_EQ(value, 77u);
  }

  // Writing replaces a value of another type.
  ASSERT_TRUE(registry.WriteDisable(1));
  ASSERT_TRUE(registry.ReadDisable(value));
  EXPECT_EQ(value, 1u);
}

TEST_F(SettingsRegistry, EveryOperationFailsOnADamagedStoreAndChangesNothing) {
  const std::string path = home_ + "/registry.db";
  const std::string garbage(4096, '\x5a');
  std::ofstream(path, std::ios::binary) << garbage;

  Registry registry(HKEY_CURRENT_USER);
  LanguageName() = u"Deutsch";
  DWORD value = 5;
  EXPECT_FALSE(registry.ReadLanguage());
  EXPECT_FALSE(registry.ReadDisable(value));
  EXPECT_FALSE(registry.WriteLanguage(u"English"));
  EXPECT_FALSE(registry.WriteDisable(1));
  EXPECT_EQ(LanguageName(), u"Deutsch");
  EXPECT_EQ(value, 5u);

  std::ifstream in(path, std::ios::binary);
  const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(after, garbage);
}

TEST_F(SettingsRegistry, EachOperationFindsTheKeyAfresh) {
  Registry registry(HKEY_CURRENT_USER);
  ASSERT_TRUE(registry.WriteLanguage(u"Svenska"));
  ASSERT_TRUE(registry.ReadLanguage());
  EXPECT_EQ(LanguageName(), u"Svenska");

  // The key is removed behind the object's back: reads fail and keep the
  // name, the next write creates the key again.
  ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kRegSettingsKey), ERROR_SUCCESS);
  EXPECT_FALSE(registry.ReadLanguage());
  EXPECT_EQ(LanguageName(), u"Svenska");
  ASSERT_TRUE(registry.WriteDisable(1));
  DWORD value = 0;
  ASSERT_TRUE(registry.ReadDisable(value));
  EXPECT_EQ(value, 1u);
  EXPECT_FALSE(registry.ReadLanguage());
}

}  // namespace
