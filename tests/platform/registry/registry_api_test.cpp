#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry/registry_api.h"
#include "tests/platform/registry/registry_test_support.h"

namespace {

using regtest::Bytes;
using regtest::CreateW;
using regtest::GetA;
using regtest::GetW;
using regtest::SetW;
using regtest::WideBytes;

class RegistryApi : public regtest::TempHome {};

struct TypedValue {
  const char* label;
  DWORD type;
  std::vector<BYTE> data;
};

std::vector<TypedValue> EveryType() {
  const DWORD dword = 0xA1B2C3D4u;
  const ULONGLONG qword = 0x0102030405060708ull;
  const BYTE binary[] = {0x00, 0xFF, 0x00, 0x7F, 0x80};
  return {
      {"none, empty", REG_NONE, {}},
      {"none, bytes", REG_NONE, {1, 2, 3}},
      {"string", REG_SZ, WideBytes(u"Caf\u00e9 \U0001F600")},
      {"string without terminator", REG_SZ, WideBytes(u"abc", false)},
      {"expandable string", REG_EXPAND_SZ, WideBytes(u"%TEMP%\\file")},
      {"binary with zeros", REG_BINARY, Bytes(binary, sizeof binary)},
      {"binary, empty", REG_BINARY, {}},
      {"dword", REG_DWORD, Bytes(&dword, sizeof dword)},
      {"multi string", REG_MULTI_SZ, WideBytes(std::u16string_view(u"one\0two\0", 8))},
      {"qword", REG_QWORD, Bytes(&qword, sizeof qword)},
  };
}

TEST_F(RegistryApi, EveryValueTypeRoundTripsWithSizeQueries) {
  HKEY key = CreateW(HKEY_CURRENT_USER, u"Software\\Types");
  for (const TypedValue& tv : EveryType()) {
    SCOPED_TRACE(tv.label);
    ASSERT_EQ(SetW(key, u"value", tv.type, tv.data), ERROR_SUCCESS);

    DWORD type = 0xFFFF;
    DWORD size = 0xFFFF;
    ASSERT_EQ(RegQueryValueExW(key, u"value", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, tv.type);
    EXPECT_EQ(size, tv.data.size());

    // A buffer larger than needed reports the exact size.
    std::vector<BYTE> buffer(tv.data.size() + 8, 0xCC);
    size = static_cast<DWORD>(buffer.size());
    ASSERT_EQ(RegQueryValueExW(key, u"value", nullptr, &type, buffer.data(), &size), ERROR_SUCCESS);
    ASSERT_EQ(size, tv.data.size());
    EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + size), tv.data);

    if (!tv.data.empty()) {
      // One byte short: ERROR_MORE_DATA, the size needed, the buffer untouched.
      std::vector<BYTE> small(tv.data.size() - 1, 0xCC);
      size = static_cast<DWORD>(small.size());
      EXPECT_EQ(RegQueryValueExW(key, u"value", nullptr, &type, small.data(), &size), ERROR_MORE_DATA);
      EXPECT_EQ(size, tv.data.size());
      EXPECT_EQ(small, std::vector<BYTE>(tv.data.size() - 1, 0xCC));
    }
  }
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryApi, MissingValuesDefaultValueAndBadArguments) {
  HKEY key = CreateW(HKEY_CURRENT_USER, u"Software\\Defaults");
  EXPECT_EQ(GetW(key, u"absent").status, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetW(key, nullptr).status, ERROR_FILE_NOT_FOUND);

  // The null name and the empty name are both the default value.
  ASSERT_EQ(SetW(key, nullptr, REG_SZ, WideBytes(u"default")), ERROR_SUCCESS);
  EXPECT_EQ(GetW(key, u"").data, WideBytes(u"default"));
  EXPECT_EQ(GetA(key, "").data, Bytes("default", 8));
  ASSERT_EQ(RegDeleteValueW(key, u""), ERROR_SUCCESS);
  EXPECT_EQ(GetW(key, nullptr).status, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueW(key, u"absent"), ERROR_FILE_NOT_FOUND);

  BYTE buffer[4];
  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"x", nullptr, nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExW(key, u"x", &reserved, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExW(key, u"x", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryApi, NamesMatchWithoutAsciiCaseAndKeepTheirFirstSpelling) {
  HKEY key = CreateW(HKEY_CURRENT_USER, u"Software\\MixedCase\\Inner");
  RegCloseKey(key);

  HKEY again = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\mixedcase\\INNER", 0, KEY_ALL_ACCESS, &again),
            ERROR_SUCCESS);
  DWORD disposition = 0;
  HKEY created = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"software\\MIXEDCASE", 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &created, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

  // Names of keys are listed as first written.
  HKEY software = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"software", 0, KEY_READ, &software), ERROR_SUCCESS);
  char16_t name[64];
  DWORD length = 64;
  ASSERT_EQ(RegEnumKeyExW(software, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name, length), u"MixedCase");

  // Values: a second spelling replaces the value and keeps the first name.
  const DWORD one = 1, two = 2;
  ASSERT_EQ(SetW(again, u"Value", REG_DWORD, Bytes(&one, 4)), ERROR_SUCCESS);
  ASSERT_EQ(SetW(again, u"VALUE", REG_DWORD, Bytes(&two, 4)), ERROR_SUCCESS);
  EXPECT_EQ(GetW(again, u"value").data, Bytes(&two, 4));
  length = 64;
  ASSERT_EQ(RegEnumValueW(again, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name, length), u"Value");
  length = 64;
  EXPECT_EQ(RegEnumValueW(again, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  // Only ASCII letters fold: these are two keys.
  RegCloseKey(CreateW(HKEY_CURRENT_USER, u"Software\\\u00c9t\u00e9"));
  HKEY other = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\\u00e9t\u00e9", 0, KEY_READ, &other),
            ERROR_FILE_NOT_FOUND);

  for (HKEY k : {again, created, software}) EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
}

TEST_F(RegistryApi, CreateMakesMissingKeysAndPathsAreChecked) {
  DWORD disposition = 0;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"A\\B\\C\\", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  RegCloseKey(key);

  HKEY middle = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"A\\B", 0, KEY_READ, &middle), ERROR_SUCCESS);
  HKEY same = nullptr;  // an empty sub key opens the key itself
  ASSERT_EQ(RegOpenKeyExW(middle, u"", 0, KEY_READ, &same), ERROR_SUCCESS);
  EXPECT_NE(same, middle);
  HKEY child = nullptr;
  EXPECT_EQ(RegOpenKeyExW(same, u"c", 0, KEY_READ, &child), ERROR_SUCCESS);
  for (HKEY k : {middle, same, child}) RegCloseKey(k);

  struct BadPath {
    const char16_t* path;
    LONG open;
    LONG create;
  };
  const std::u16string too_long(256, u'x');
  const BadPath cases[] = {
      {u"Missing\\Key", ERROR_FILE_NOT_FOUND, ERROR_SUCCESS},
      {u"\\A", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
      {u"A\\\\B", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
      {too_long.c_str(), ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
  };
  for (const BadPath& c : cases) {
    SCOPED_TRACE(std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path)).substr(0, 20));
    HKEY out = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, c.path, 0, KEY_READ, &out), c.open);
    if (c.open != ERROR_SUCCESS) {
      EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, c.path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr,
                              &out, nullptr),
              c.create);
    if (out != nullptr) RegCloseKey(out);
  }
}

TEST_F(RegistryApi, DeleteKeyRefusesKeysWithSubkeysAndDeleteTreeRemovesThem) {
  HKEY leaf = CreateW(HKEY_CURRENT_USER, u"Software\\Tree\\Branch\\Leaf");
  ASSERT_EQ(SetW(leaf, u"v", REG_SZ, WideBytes(u"x")), ERROR_SUCCESS);
  RegCloseKey(leaf);
  HKEY tree = CreateW(HKEY_CURRENT_USER, u"Software\\Tree");
  ASSERT_EQ(SetW(tree, u"top", REG_SZ, WideBytes(u"y")), ERROR_SUCCESS);

  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Tree\\Branch"), ERROR_ACCESS_DENIED);
  HKEY probe = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Tree\\Branch\\Leaf", 0, KEY_READ, &probe), ERROR_SUCCESS);
  EXPECT_EQ(GetW(probe, u"v").status, ERROR_SUCCESS);
  RegCloseKey(probe);

  EXPECT_EQ(RegDeleteKeyW(tree, u"Branch\\Leaf"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(tree, u"Branch\\Leaf"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(tree, "BRANCH"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u""), ERROR_ACCESS_DENIED);  // a root is never deleted
  EXPECT_EQ(RegDeleteKeyW(tree, nullptr), ERROR_INVALID_PARAMETER);

  // A tree: with a null sub key the key stays and loses its content.
  RegCloseKey(CreateW(tree, u"X\\Y\\Z"));
  RegCloseKey(CreateW(tree, u"W"));
  ASSERT_EQ(RegDeleteTreeW(tree, nullptr), ERROR_SUCCESS);
  DWORD sub_keys = 9, values = 9;
  ASSERT_EQ(RegQueryInfoKeyW(tree, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(sub_keys, 0u);
  EXPECT_EQ(values, 0u);

  RegCloseKey(CreateW(tree, u"X\\Y\\Z"));
  ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, u"Software\\Tree"), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Tree", 0, KEY_READ, &probe), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, u"Software\\Tree"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetW(tree, u"top").status, ERROR_KEY_DELETED);
  RegCloseKey(tree);
}

TEST_F(RegistryApi, HandlesToDeletedKeysFailEvenAfterTheKeyIsRecreated) {
  HKEY kept = CreateW(HKEY_CURRENT_USER, u"Software\\Gone");
  HKEY child = CreateW(kept, u"Child");
  ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, u"Software\\Gone"), ERROR_SUCCESS);

  HKEY fresh = CreateW(HKEY_CURRENT_USER, u"Software\\Gone\\Child");
  const DWORD v = 7;
  ASSERT_EQ(SetW(fresh, u"v", REG_DWORD, Bytes(&v, 4)), ERROR_SUCCESS);

  for (HKEY stale : {kept, child}) {
    EXPECT_EQ(GetW(stale, u"v").status, ERROR_KEY_DELETED);
    EXPECT_EQ(SetW(stale, u"v", REG_DWORD, Bytes(&v, 4)), ERROR_KEY_DELETED);
    HKEY out = nullptr;
    EXPECT_EQ(RegCreateKeyExW(stale, u"New", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &out,
                              nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(stale), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(stale), ERROR_INVALID_HANDLE);
  }
  EXPECT_EQ(GetW(fresh, u"v").data, Bytes(&v, 4));
  EXPECT_EQ(RegCloseKey(fresh), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetW(reinterpret_cast<HKEY>(0x1234), u"v").status, ERROR_INVALID_HANDLE);
}

TEST_F(RegistryApi, EnumerationAndKeyInformation) {
  HKEY key = CreateW(HKEY_CURRENT_USER, u"Software\\Enum");
  for (const char16_t* name : {u"beta", u"Alpha", u"gamma-long-name"}) RegCloseKey(CreateW(key, name));
  const BYTE blob[10] = {};
  ASSERT_EQ(SetW(key, u"zeta", REG_BINARY, Bytes(blob, sizeof blob)), ERROR_SUCCESS);
  ASSERT_EQ(SetW(key, u"a", REG_SZ, WideBytes(u"x")), ERROR_SUCCESS);

  std::vector<std::u16string> keys;
  char16_t name[32];
  DWORD length = 0;
  for (DWORD i = 0;; ++i) {
    length = 32;
    const LONG rc = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    keys.emplace_back(name, length);
  }
  EXPECT_EQ(keys, (std::vector<std::u16string>{u"Alpha", u"beta", u"gamma-long-name"}));

  length = 5;  // "gamma-long-name" needs 16 with its terminator
  EXPECT_EQ(RegEnumKeyExW(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(length, 15u);

  // Values come in creation order, with their data.
  DWORD type = 0;
  BYTE data[16];
  DWORD size = sizeof data;
  length = 32;
  ASSERT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name, length), u"zeta");
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(size, 10u);
  size = 2;
  length = 32;
  EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 10u);
  length = 32;
  ASSERT_EQ(RegEnumValueW(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name, length), u"a");
  length = 32;
  EXPECT_EQ(RegEnumValueW(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  DWORD sub_keys = 0, max_key = 0, values = 0, max_name = 0, max_data = 0;
  FILETIME written{};
  ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &sub_keys, &max_key, nullptr, &values, &max_name,
                             &max_data, nullptr, &written),
            ERROR_SUCCESS);
  EXPECT_EQ(sub_keys, 3u);
  EXPECT_EQ(max_key, 15u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(max_name, 4u);
  EXPECT_EQ(max_data, 10u);
  EXPECT_NE(written.dwHighDateTime, 0u);
  RegCloseKey(key);
}

TEST_F(RegistryApi, AccessRightsOfAHandleAreEnforced) {
  RegCloseKey(CreateW(HKEY_CURRENT_USER, u"Software\\Rights"));
  const DWORD v = 1;
  HKEY read = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Rights", 0, KEY_READ, &read), ERROR_SUCCESS);
  EXPECT_EQ(SetW(read, u"v", REG_DWORD, Bytes(&v, 4)), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueW(read, u"v"), ERROR_ACCESS_DENIED);
  HKEY out = nullptr;
  EXPECT_EQ(RegCreateKeyExW(read, u"New", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &out, nullptr),
            ERROR_ACCESS_DENIED);

  HKEY write = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Rights", 0, KEY_WRITE, &write), ERROR_SUCCESS);
  ASSERT_EQ(SetW(write, u"v", REG_DWORD, Bytes(&v, 4)), ERROR_SUCCESS);
  EXPECT_EQ(GetW(write, u"v").status, ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetW(read, u"v").data, Bytes(&v, 4));
  RegCloseKey(read);
  RegCloseKey(write);
}

TEST_F(RegistryApi, NarrowAndWideCallsSeeTheSameKeysAndValues) {
  HKEY narrow = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Gr\xC3\xBC\xC3\x9F" "e", 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &narrow, nullptr),
            ERROR_SUCCESS);
  HKEY wide = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"software\\GR\u00fc\u00dfE", 0, KEY_ALL_ACCESS, &wide),
            ERROR_SUCCESS);

  // A string set through the narrow call is stored as UTF-16 ...
  const char text[] = "Caf\xC3\xA9 \xF0\x9F\x98\x80";  // with its terminator
  ASSERT_EQ(RegSetValueExA(narrow, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
            ERROR_SUCCESS);
  regtest::Value w = GetW(wide, u"text");
  EXPECT_EQ(w.type, REG_SZ);
  EXPECT_EQ(w.data, WideBytes(u"Caf\u00e9 \U0001F600"));
  // ... and read back as UTF-8, with the size of the converted data.
  regtest::Value a = GetA(narrow, "TEXT");
  EXPECT_EQ(a.data, Bytes(text, sizeof text));

  // The same the other way round, for a multi-string.
  const std::u16string multi(u"\u00e4\0b\0\0", 5);
  ASSERT_EQ(SetW(wide, u"Multi", REG_MULTI_SZ, WideBytes(multi, false)), ERROR_SUCCESS);
  a = GetA(narrow, "Multi");
  EXPECT_EQ(a.type, REG_MULTI_SZ);
  EXPECT_EQ(a.data, Bytes("\xC3\xA4\0b\0\0", 6));
  DWORD size = 3;
  BYTE small[3];
  EXPECT_EQ(RegQueryValueExA(narrow, "Multi", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);

  // Other types pass unchanged.
  const BYTE raw[] = {0xC3, 0x28, 0x00};
  ASSERT_EQ(RegSetValueExA(narrow, "Raw", 0, REG_BINARY, raw, sizeof raw), ERROR_SUCCESS);
  EXPECT_EQ(GetW(wide, u"Raw").data, Bytes(raw, sizeof raw));
  EXPECT_EQ(GetA(narrow, "Raw").data, Bytes(raw, sizeof raw));

  EXPECT_EQ(RegDeleteValueA(narrow, "RAW"), ERROR_SUCCESS);
  EXPECT_EQ(GetW(wide, u"Raw").status, ERROR_FILE_NOT_FOUND);
  RegCloseKey(narrow);
  RegCloseKey(wide);
}

TEST_F(RegistryApi, RootsAreSeparateAndEachHomeHasItsOwnStore) {
  RegCloseKey(CreateW(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Internet Explorer\\Toolbar"));
  HKEY probe = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Microsoft", 0, KEY_READ, &probe), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Software", 0, KEY_READ, &probe), ERROR_FILE_NOT_FOUND);

  HKEY in_first = CreateW(HKEY_CURRENT_USER, u"Software\\Home");
  const std::string second = regtest::MakeTempDir();
  ::setenv("QUORVIA_HOME", second.c_str(), 1);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Home", 0, KEY_READ, &probe), ERROR_FILE_NOT_FOUND);
  // A key opened before the switch stays with the store it came from.
  ASSERT_EQ(SetW(in_first, u"v", REG_SZ, WideBytes(u"first")), ERROR_SUCCESS);
  ::setenv("QUORVIA_HOME", home_.c_str(), 1);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Home", 0, KEY_READ, &probe), ERROR_SUCCESS);
  EXPECT_EQ(GetW(probe, u"v").data, WideBytes(u"first"));
  RegCloseKey(probe);
  RegCloseKey(in_first);
  std::error_code ec;
  std::filesystem::remove_all(second, ec);
}

TEST_F(RegistryApi, ThreadsOfOneProcessShareTheStore) {
  constexpr int kThreads = 4;
  constexpr int kValues = 25;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      HKEY key = nullptr;
      if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Threads", 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        failures[t] = kValues;
        return;
      }
      for (int i = 0; i < kValues; ++i) {
        const DWORD v = static_cast<DWORD>(t * 1000 + i);
        const std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
        if (RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4) != ERROR_SUCCESS) {
          ++failures[t];
        }
      }
      RegCloseKey(key);
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
  HKEY key = CreateW(HKEY_CURRENT_USER, u"Software\\Threads", KEY_READ);
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, static_cast<DWORD>(kThreads * kValues));
  RegCloseKey(key);
}

}  // namespace
