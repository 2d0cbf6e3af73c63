// A file in the store's place that is not a valid store makes every call fail
// with an error code, and is never written to.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/registry/registry_api.h"
#include "tests/platform/registry/registry_test_support.h"

namespace {

namespace fs = std::filesystem;
using regtest::Bytes;
using regtest::CreateW;
using regtest::GetW;
using regtest::ReadFile;
using regtest::WideBytes;
using regtest::WriteFile;

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string out(n, '\0');
  for (char& c : out) c = static_cast<char>(gen() & 0xFF);
  return out;
}

// Everything in a folder: names with their bytes (folders as "<dir>").
std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> out;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    const std::string rel = fs::relative(entry.path(), dir).string();
    out[rel] = entry.is_directory() ? std::string("<dir>") : ReadFile(entry.path().string());
  }
  return out;
}

constexpr std::size_t kFilledValueSize = 5000;

// Sixteen values of some 5 KB under four keys: a store of about twenty pages.
void FillStore(HKEY root) {
  for (int k = 0; k < 4; ++k) {
    HKEY key = CreateW(root, (u"Software\\Filled\\Key" + std::u16string(1, static_cast<char16_t>(u'0' + k))).c_str());
    for (int i = 0; i < 4; ++i) {
      const std::string name = "value" + std::to_string(i);
      const std::string data(kFilledValueSize, static_cast<char>('a' + i));
      RegSetValueExA(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(data.data()),
                     static_cast<DWORD>(data.size()));
    }
    RegCloseKey(key);
  }
}

// The bytes of a valid filled store, made in a folder of its own.
std::string ValidStoreBytes() {
  const std::string dir = regtest::MakeTempDir();
  const char* previous = std::getenv("QUORVIA_HOME");
  const std::string saved = previous != nullptr ? previous : "";
  ::setenv("QUORVIA_HOME", dir.c_str(), 1);
  FillStore(HKEY_CURRENT_USER);
  const std::string bytes = ReadFile(dir + "/registry.db");
  ::setenv("QUORVIA_HOME", saved.c_str(), 1);
  std::error_code ec;
  fs::remove_all(dir, ec);
  return bytes;
}

bool IsStoreError(LONG rc) {
  return rc == ERROR_BADDB || rc == ERROR_REGISTRY_CORRUPT || rc == ERROR_CANTOPEN;
}

// Every kind of call, from a root and from a key opened before the damage.
void ExpectEveryCallFails(HKEY opened_before) {
  HKEY key = reinterpret_cast<HKEY>(1);
  EXPECT_PRED1(IsStoreError, RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\New", 0, nullptr,
                                             REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  EXPECT_EQ(key, nullptr);
  EXPECT_PRED1(IsStoreError, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key));
  const DWORD v = 1;
  EXPECT_PRED1(IsStoreError,
               RegSetValueExW(HKEY_CURRENT_USER, u"v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4));
  EXPECT_PRED1(IsStoreError, GetW(HKEY_LOCAL_MACHINE, u"v").status);
  EXPECT_PRED1(IsStoreError, RegDeleteValueW(HKEY_CURRENT_USER, u"v"));
  EXPECT_PRED1(IsStoreError, RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Filled\\Key0"));
  EXPECT_PRED1(IsStoreError, RegDeleteTreeW(HKEY_CURRENT_USER, u"Software"));
  char16_t name[64];
  DWORD length = 64;
  EXPECT_PRED1(IsStoreError, RegEnumKeyExW(HKEY_CLASSES_ROOT, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
  length = 64;
  EXPECT_PRED1(IsStoreError, RegEnumValueW(HKEY_CURRENT_USER, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
  DWORD count = 0;
  EXPECT_PRED1(IsStoreError, RegQueryInfoKeyW(HKEY_CURRENT_USER, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, nullptr, nullptr));
  if (opened_before != nullptr) {
    EXPECT_PRED1(IsStoreError, GetW(opened_before, u"value0").status);
    EXPECT_PRED1(IsStoreError, RegSetValueExW(opened_before, u"value0", 0, REG_DWORD,
                                              reinterpret_cast<const BYTE*>(&v), 4));
  }
}

struct DamagedFile {
  const char* label;
  // Puts the damaged thing at `path`; `store` holds a valid store's bytes.
  std::function<void(const std::string& path, const std::string& store)> make;
};

void PrintTo(const DamagedFile& file, std::ostream* os) { *os << file.label; }

class RegistryCorruptStore : public regtest::TempHome, public ::testing::WithParamInterface<DamagedFile> {};

TEST_P(RegistryCorruptStore, EveryCallFailsAndTheFileStaysAsItWas) {
  static const std::string store = ValidStoreBytes();
  ASSERT_GT(store.size(), 16u * 4096);
  GetParam().make(StorePath(), store);
  const auto before = Snapshot(home_);

  ExpectEveryCallFails(nullptr);

  EXPECT_EQ(Snapshot(home_), before);
}

const DamagedFile kDamagedFiles[] = {
    {"garbage", [](const std::string& path, const std::string&) { WriteFile(path, RandomBytes(8192, 1)); }},
    {"garbage behind the SQLite magic",
     [](const std::string& path, const std::string&) {
       WriteFile(path, std::string("SQLite format 3", 16) + RandomBytes(8176, 2));
     }},
    {"store cut inside its header",
     [](const std::string& path, const std::string& store) { WriteFile(path, store.substr(0, 70)); }},
    {"store cut in the middle",
     [](const std::string& path, const std::string& store) {
       WriteFile(path, store.substr(0, store.size() / 2 + 100));
     }},
    {"store with a page of garbage",
     [](const std::string& path, const std::string& store) {
       WriteFile(path, store.substr(0, 4096) + RandomBytes(4096, 3) + store.substr(8192));
     }},
    {"store of a newer schema",
     [](const std::string& path, const std::string& store) {
       std::string bytes = store;
       bytes[63] = 99;  // user_version, big-endian at offset 60
       WriteFile(path, bytes);
     }},
    {"another program's SQLite database",
     [](const std::string& path, const std::string&) {
       sqlite3* db = nullptr;
       ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
       ASSERT_EQ(sqlite3_exec(db,
                              "CREATE TABLE reg_keys(id, parent, name, fold, written);"
                              "INSERT INTO reg_keys VALUES(2, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user', 0);",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
       sqlite3_close(db);
     }},
    {"empty folder", [](const std::string& path, const std::string&) { fs::create_directory(path); }},
};

INSTANTIATE_TEST_SUITE_P(Files, RegistryCorruptStore, ::testing::ValuesIn(kDamagedFiles),
                         [](const ::testing::TestParamInfo<DamagedFile>& info) {
                           std::string name;
                           for (const char* p = info.param.label; *p != '\0'; ++p) {
                             if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                           }
                           return name;
                         });

// The same when the file is damaged while the process has the store open,
// and the store works again once its bytes are back.
class RegistryStoreDamagedWhileOpen : public regtest::TempHome {};

TEST_F(RegistryStoreDamagedWhileOpen, CallsFailUntilTheFileIsRestored) {
  FillStore(HKEY_CURRENT_USER);
  HKEY opened = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Filled\\Key1", 0, KEY_ALL_ACCESS, &opened), ERROR_SUCCESS);
  const std::string good = ReadFile(StorePath());

  using Damage = std::function<void(const std::string&)>;
  const std::pair<const char*, Damage> damages[] = {
      {"truncated in place", [&](const std::string& path) { ::truncate(path.c_str(), good.size() / 2 + 100); }},
      {"overwritten in place", [&](const std::string& path) { WriteFile(path, RandomBytes(good.size(), 4)); }},
  };
  for (const auto& [label, damage] : damages) {
    SCOPED_TRACE(label);
    damage(StorePath());
    const auto before = Snapshot(home_);
    ExpectEveryCallFails(opened);
    EXPECT_EQ(Snapshot(home_), before);

    WriteFile(StorePath(), good);
    const std::string expected(kFilledValueSize, 'a');
    EXPECT_EQ(GetW(opened, u"value0").data, Bytes(expected.data(), expected.size()));
  }
  RegCloseKey(opened);
}

// A store that is removed while open is created afresh; keys opened in the
// old one are gone with it.
TEST_F(RegistryStoreDamagedWhileOpen, ARemovedStoreIsCreatedAgain) {
  HKEY opened = CreateW(HKEY_CURRENT_USER, u"Software\\Old");
  ASSERT_TRUE(fs::remove(StorePath()));
  EXPECT_EQ(GetW(opened, u"v").status, ERROR_KEY_DELETED);

  HKEY fresh = CreateW(HKEY_CURRENT_USER, u"Software\\New");
  ASSERT_EQ(regtest::SetW(fresh, u"v", REG_SZ, WideBytes(u"x")), ERROR_SUCCESS);
  EXPECT_EQ(GetW(fresh, u"v").data, WideBytes(u"x"));
  EXPECT_EQ(GetW(opened, u"v").status, ERROR_KEY_DELETED);
  RegCloseKey(opened);
  RegCloseKey(fresh);
}

}  // namespace
