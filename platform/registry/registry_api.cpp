#include "platform/registry/registry_api.h"

#include <pthread.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/home.h"
#include "platform/registry/registry_store.h"
#include "platform/text/convert.h"

namespace quorvia::registry {

namespace {

// Longest key name, in UTF-16 characters.
constexpr std::size_t kMaxKeyNameLength = 255;

// What an opened key refers to: a key row of one particular store file.
struct KeyHandle {
  std::string store_path;
  std::uint64_t store_id = 0;  // 0: whichever store lives at store_path (the roots)
  std::int64_t key = 0;
  REGSAM access = 0;
};

// Process-wide state: one connection per store file, and the open handles.
// One mutex serialises every call, so no connection is ever used by two
// threads at once.
struct State {
  std::mutex mu;
  std::map<std::string, std::unique_ptr<Store>> stores;
  // Connections a forked child inherited from its parent. SQLite connections
  // must not cross a fork, so the child neither uses nor closes them.
  std::vector<Store*> inherited;
  std::unordered_map<std::uintptr_t, KeyHandle> handles;
  std::uintptr_t next_handle = 0x1000;
};

State* g_state = nullptr;

// A fork waits for the call in progress, so that the child starts with the
// mutex free and the state consistent.
void LockBeforeFork() { g_state->mu.lock(); }
void UnlockAfterFork() { g_state->mu.unlock(); }

State* MakeState() {
  g_state = new State();
  ::pthread_atfork(LockBeforeFork, UnlockAfterFork, UnlockAfterFork);
  return g_state;
}

// Built on first use and never destroyed, so that static objects of other
// libraries may still use the registry while the process exits.
State& GetState() {
  static State* state = MakeState();
  return *state;
}

std::optional<std::int64_t> PredefinedRow(HKEY key) {
  if (key == HKEY_CLASSES_ROOT) return kClassesRootRow;
  if (key == HKEY_CURRENT_USER) return kCurrentUserRow;
  if (key == HKEY_LOCAL_MACHINE) return kLocalMachineRow;
  return std::nullopt;
}

bool IsPredefined(std::uintptr_t value) { return value >= 0x80000000u && value <= 0x80000002u; }

bool IsDamage(LONG err) {
  return err == ERROR_BADDB || err == ERROR_REGISTRY_CORRUPT || err == ERROR_CANTOPEN;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

FILETIME ToFileTime(std::int64_t ticks) {
  const auto v = static_cast<std::uint64_t>(ticks);
  return FILETIME{static_cast<DWORD>(v & 0xFFFFFFFFu), static_cast<DWORD>(v >> 32)};
}

// ---- names and paths ----

std::optional<std::string> WideName(LPCWSTR name) {
  if (name == nullptr) return std::nullopt;
  return Utf16ToUtf8(std::u16string_view(name));
}

// Narrow names are UTF-8; passing them through UTF-16 once makes an ill-formed
// byte name the same name its wide form would be.
std::optional<std::string> NarrowName(LPCSTR name) {
  if (name == nullptr) return std::nullopt;
  return Utf16ToUtf8(Utf8ToUtf16(std::string_view(name)));
}

// "A\B\C" -> {"A", "B", "C"}. An empty path names the key itself; one
// trailing backslash is allowed; a leading backslash or an empty name inside
// the path is not.
LONG SplitPath(const std::optional<std::string>& path, std::vector<std::string>* parts) {
  parts->clear();
  if (!path || path->empty()) return ERROR_SUCCESS;
  std::string_view rest(*path);
  if (rest.front() == '\\') return ERROR_BAD_PATHNAME;
  if (rest.back() == '\\') rest.remove_suffix(1);
  while (true) {
    const std::size_t cut = rest.find('\\');
    const std::string_view part = rest.substr(0, cut);
    if (part.empty()) return ERROR_BAD_PATHNAME;
    if (Utf8ToUtf16(part).size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
    parts->emplace_back(part);
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  return ERROR_SUCCESS;
}

// ---- handles and stores (called with the state's mutex held) ----

HKEY NewHandle(State& s, KeyHandle handle) {
  std::uintptr_t value = s.next_handle;
  s.next_handle += 4;
  if (IsPredefined(value)) {
    value = s.next_handle;
    s.next_handle += 4;
  }
  s.handles.emplace(value, std::move(handle));
  return reinterpret_cast<HKEY>(value);
}

LONG ResolveHandle(State& s, HKEY key, KeyHandle* out) {
  if (const auto row = PredefinedRow(key)) {
    const std::string home = QuorviaHome();
    if (home.empty()) return ERROR_CANTOPEN;
    // One spelling per file, so that one connection serves it.
    const std::string path = (std::filesystem::path(home) / kStoreFileName).lexically_normal().string();
    *out = KeyHandle{path, 0, *row, KEY_ALL_ACCESS};
    return ERROR_SUCCESS;
  }
  const auto it = s.handles.find(reinterpret_cast<std::uintptr_t>(key));
  if (it == s.handles.end()) return ERROR_INVALID_HANDLE;
  *out = it->second;
  return ERROR_SUCCESS;
}

void Evict(State& s, const std::string& path) {
  const auto it = s.stores.find(path);
  if (it == s.stores.end()) return;
  if (it->second->owner() != ::getpid()) s.inherited.push_back(it->second.release());
  s.stores.erase(it);
}

LONG GetStore(State& s, const std::string& path, Store** out) {
  auto it = s.stores.find(path);
  if (it != s.stores.end() && it->second->owner() != ::getpid()) {
    Evict(s, path);
    it = s.stores.end();
  }
  if (it == s.stores.end()) {
    std::unique_ptr<Store> store;
    if (const LONG err = Store::Open(path, &store); err != ERROR_SUCCESS) return err;
    it = s.stores.emplace(path, std::move(store)).first;
  }
  *out = it->second.get();
  return ERROR_SUCCESS;
}

// What a call works with inside its transaction.
struct Call {
  Store& store;
  const KeyHandle& handle;
  sqlite3* db() const { return store.db(); }
};

// Runs `fn` in one transaction on the key `key` names: resolves the handle,
// checks its access rights against `needed`, opens the store (afresh when the
// file changed under the cached connection), and checks the key still exists.
// The transaction commits when `fn` succeeds and is rolled back otherwise.
template <typename Fn>
LONG WithKey(HKEY key, REGSAM needed, bool write, Fn&& fn) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mu);
  KeyHandle handle;
  if (const LONG err = ResolveHandle(s, key, &handle); err != ERROR_SUCCESS) return err;
  if ((handle.access & needed) != needed) return ERROR_ACCESS_DENIED;

  Store* store = nullptr;
  for (int attempt = 0;; ++attempt) {
    LONG err = GetStore(s, handle.store_path, &store);
    if (err == ERROR_SUCCESS) err = store->Begin(write);
    if (err == ERROR_SUCCESS) break;
    if (!IsDamage(err)) return err;
    // The file was replaced, removed or damaged since the connection was
    // opened: drop the connection and look at the file once more.
    Evict(s, handle.store_path);
    if (attempt == 1) return err;
  }

  LONG err = ERROR_SUCCESS;
  if (handle.store_id != 0 && handle.store_id != store->id()) {
    err = ERROR_KEY_DELETED;  // the store the key was opened in is gone
  } else {
    Statement exists(store->db(), "SELECT 1 FROM reg_keys WHERE id = ?1");
    const int rc = exists.Bind(1, handle.key).Step();
    if (rc == SQLITE_DONE) {
      err = ERROR_KEY_DELETED;
    } else if (rc != SQLITE_ROW) {
      err = ErrorFromSqlite(rc, write);
    }
  }
  if (err == ERROR_SUCCESS) {
    Call call{*store, handle};
    err = fn(call);
  }
  if (err == ERROR_SUCCESS && write) {
    err = store->Commit();
  } else {
    store->Rollback();
  }
  if (IsDamage(err)) Evict(s, handle.store_path);
  return err;
}

HKEY MakeHandle(KeyHandle handle) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mu);
  return NewHandle(s, std::move(handle));
}

// ---- key and value rows ----

// The child of `parent` called `name` (any case): SQLITE_ROW with *id set,
// SQLITE_DONE when there is none, or an error.
int FindChild(sqlite3* db, std::int64_t parent, const std::string& name, std::int64_t* id) {
  Statement st(db, "SELECT id FROM reg_keys WHERE parent = ?1 AND fold = ?2");
  const int rc = st.Bind(1, parent).Bind(2, Fold(name)).Step();
  if (rc == SQLITE_ROW) *id = st.Int(0);
  return rc;
}

LONG Walk(sqlite3* db, std::int64_t from, const std::vector<std::string>& parts, std::int64_t* out) {
  std::int64_t id = from;
  for (const std::string& part : parts) {
    const int rc = FindChild(db, id, part, &id);
    if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
    if (rc != SQLITE_ROW) return ErrorFromSqlite(rc, false);
  }
  *out = id;
  return ERROR_SUCCESS;
}

LONG Touch(sqlite3* db, std::int64_t key) {
  Statement st(db, "UPDATE reg_keys SET written = ?1 WHERE id = ?2");
  const int rc = st.Bind(1, NowTicks()).Bind(2, key).Run();
  return rc == SQLITE_DONE ? ERROR_SUCCESS : ErrorFromSqlite(rc, true);
}

bool IsRootRow(std::int64_t key) { return key >= kClassesRootRow && key <= kLocalMachineRow; }

// Deletes the subkeys of `key` (all levels) and the values they and `key`
// hold; the row of `key` itself goes too when `with_key`.
LONG DeleteBelow(sqlite3* db, std::int64_t key, bool with_key) {
  static constexpr char kTree[] =
      "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION "
      "SELECT k.id FROM reg_keys k JOIN tree ON k.parent = tree.id) ";
  const std::string values = std::string(kTree) + "DELETE FROM reg_values WHERE key IN tree";
  const std::string keys = std::string(kTree) + "DELETE FROM reg_keys WHERE id IN tree AND id <> ?2";
  Statement del_values(db, values.c_str());
  int rc = del_values.Bind(1, key).Run();
  if (rc != SQLITE_DONE) return ErrorFromSqlite(rc, true);
  Statement del_keys(db, keys.c_str());
  rc = del_keys.Bind(1, key).Bind(2, with_key ? std::int64_t{-1} : key).Run();
  if (rc != SQLITE_DONE) return ErrorFromSqlite(rc, true);
  return with_key ? ERROR_SUCCESS : Touch(db, key);
}

// ---- the calls, on UTF-8 names ----

LONG OpenKey(HKEY key, const std::optional<std::string>& sub_key, REGSAM desired, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::vector<std::string> parts;
  if (const LONG err = SplitPath(sub_key, &parts); err != ERROR_SUCCESS) return err;
  KeyHandle opened;
  const LONG err = WithKey(key, 0, false, [&](Call& c) {
    opened = KeyHandle{c.handle.store_path, c.store.id(), 0, desired};
    return Walk(c.db(), c.handle.key, parts, &opened.key);
  });
  if (err == ERROR_SUCCESS) *result = MakeHandle(std::move(opened));
  return err;
}

LONG CreateKey(HKEY key, const std::optional<std::string>& sub_key, DWORD options, REGSAM desired,
               PHKEY result, DWORD* disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (options != REG_OPTION_NON_VOLATILE) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> parts;
  if (const LONG err = SplitPath(sub_key, &parts); err != ERROR_SUCCESS) return err;
  KeyHandle opened;
  bool created = false;
  const LONG err = WithKey(key, 0, true, [&](Call& c) -> LONG {
    opened = KeyHandle{c.handle.store_path, c.store.id(), c.handle.key, desired};
    for (const std::string& part : parts) {
      const int rc = FindChild(c.db(), opened.key, part, &opened.key);
      if (rc == SQLITE_ROW) continue;
      if (rc != SQLITE_DONE) return ErrorFromSqlite(rc, true);
      if ((c.handle.access & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;
      Statement insert(c.db(), "INSERT INTO reg_keys(parent, name, fold, written) VALUES(?1, ?2, ?3, ?4)");
      const int irc = insert.Bind(1, opened.key).Bind(2, part).Bind(3, Fold(part)).Bind(4, NowTicks()).Run();
      if (irc != SQLITE_DONE) return ErrorFromSqlite(irc, true);
      opened.key = sqlite3_last_insert_rowid(c.db());
      created = true;
    }
    // Only the last key of the path decides the disposition; every key
    // created before it was necessarily created on the way.
    return ERROR_SUCCESS;
  });
  if (err != ERROR_SUCCESS) return err;
  *result = MakeHandle(std::move(opened));
  if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG QueryValue(HKEY key, const std::optional<std::string>& name, DWORD* type, std::string* data) {
  const std::string fold = Fold(name.value_or(std::string()));
  return WithKey(key, KEY_QUERY_VALUE, false, [&](Call& c) -> LONG {
    Statement st(c.db(), "SELECT type, data FROM reg_values WHERE key = ?1 AND fold = ?2");
    const int rc = st.Bind(1, c.handle.key).Bind(2, fold).Step();
    if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
    if (rc != SQLITE_ROW) return ErrorFromSqlite(rc, false);
    *type = static_cast<DWORD>(st.Int(0));
    *data = st.Blob(1);
    return ERROR_SUCCESS;
  });
}

LONG SetValue(HKEY key, const std::optional<std::string>& name, DWORD type, std::string_view data) {
  const std::string stored_name = name.value_or(std::string());
  return WithKey(key, KEY_SET_VALUE, true, [&](Call& c) -> LONG {
    Statement st(c.db(),
                 "INSERT INTO reg_values(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
                 "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    const int rc = st.Bind(1, c.handle.key)
                       .Bind(2, stored_name)
                       .Bind(3, Fold(stored_name))
                       .Bind(4, std::int64_t{type})
                       .BindBlob(5, data.data(), data.size())
                       .Run();
    if (rc != SQLITE_DONE) return ErrorFromSqlite(rc, true);
    return Touch(c.db(), c.handle.key);
  });
}

LONG DeleteValue(HKEY key, const std::optional<std::string>& name) {
  const std::string fold = Fold(name.value_or(std::string()));
  return WithKey(key, KEY_SET_VALUE, true, [&](Call& c) -> LONG {
    Statement st(c.db(), "DELETE FROM reg_values WHERE key = ?1 AND fold = ?2");
    const int rc = st.Bind(1, c.handle.key).Bind(2, fold).Run();
    if (rc != SQLITE_DONE) return ErrorFromSqlite(rc, true);
    if (sqlite3_changes(c.db()) == 0) return ERROR_FILE_NOT_FOUND;
    return Touch(c.db(), c.handle.key);
  });
}

LONG DeleteKey(HKEY key, const std::optional<std::string>& sub_key) {
  if (!sub_key) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> parts;
  if (const LONG err = SplitPath(sub_key, &parts); err != ERROR_SUCCESS) return err;
  return WithKey(key, 0, true, [&](Call& c) -> LONG {
    std::int64_t target = 0;
    if (const LONG err = Walk(c.db(), c.handle.key, parts, &target); err != ERROR_SUCCESS) return err;
    if (IsRootRow(target)) return ERROR_ACCESS_DENIED;
    Statement child(c.db(), "SELECT 1 FROM reg_keys WHERE parent = ?1 LIMIT 1");
    const int rc = child.Bind(1, target).Step();
    if (rc == SQLITE_ROW) return ERROR_ACCESS_DENIED;  // a key with subkeys stays
    if (rc != SQLITE_DONE) return ErrorFromSqlite(rc, true);
    return DeleteBelow(c.db(), target, true);
  });
}

LONG DeleteTree(HKEY key, const std::optional<std::string>& sub_key) {
  std::vector<std::string> parts;
  if (const LONG err = SplitPath(sub_key, &parts); err != ERROR_SUCCESS) return err;
  return WithKey(key, 0, true, [&](Call& c) -> LONG {
    std::int64_t target = 0;
    if (const LONG err = Walk(c.db(), c.handle.key, parts, &target); err != ERROR_SUCCESS) return err;
    if (!sub_key) return DeleteBelow(c.db(), target, false);
    if (IsRootRow(target)) return ERROR_ACCESS_DENIED;
    return DeleteBelow(c.db(), target, true);
  });
}

LONG QueryData(std::string_view bytes, DWORD value_type, DWORD* type, BYTE* data, DWORD* size) {
  if (bytes.size() > 0xFFFFFFFFu) return ERROR_NOT_ENOUGH_MEMORY;
  const auto needed = static_cast<DWORD>(bytes.size());
  if (type != nullptr) *type = value_type;
  if (size == nullptr) return ERROR_SUCCESS;
  if (data != nullptr) {
    if (*size < needed) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    if (needed != 0) std::memcpy(data, bytes.data(), needed);
  }
  *size = needed;
  return ERROR_SUCCESS;
}

// Copies a name with its terminator into a buffer of *size characters;
// *size receives the name's length.
LONG CopyName(std::u16string_view name, LPWSTR buffer, DWORD* size) {
  if (name.size() + 1 > *size) {
    *size = static_cast<DWORD>(name.size());
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, name.data(), name.size() * sizeof(char16_t));
  buffer[name.size()] = u'\0';
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// UTF-16 string data as UTF-8, for the narrow calls. A trailing odd byte is
// not a character and is dropped.
std::string WideBytesToNarrow(const std::string& bytes) {
  std::u16string wide(bytes.size() / 2, u'\0');
  if (!wide.empty()) std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(char16_t));
  return Utf16ToUtf8(wide);
}

std::string NarrowBytesToWide(const BYTE* data, DWORD size) {
  const std::u16string wide = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(char16_t));
}

}  // namespace

}  // namespace quorvia::registry

using namespace quorvia;
using namespace quorvia::registry;

LONG RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD /*options*/, REGSAM desired, PHKEY result) {
  return OpenKey(key, WideName(sub_key), desired, result);
}

LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD /*options*/, REGSAM desired, PHKEY result) {
  return OpenKey(key, NarrowName(sub_key), desired, result);
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR sub_key, DWORD /*reserved*/, LPCWSTR /*key_class*/, DWORD options,
                     REGSAM desired, const void* /*security*/, PHKEY result, DWORD* disposition) {
  return CreateKey(key, WideName(sub_key), options, desired, result, disposition);
}

LONG RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD /*reserved*/, LPCSTR /*key_class*/, DWORD options,
                     REGSAM desired, const void* /*security*/, PHKEY result, DWORD* disposition) {
  return CreateKey(key, NarrowName(sub_key), options, desired, result, disposition);
}

LONG RegQueryValueExW(HKEY key, LPCWSTR value_name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size) {
  if (reserved != nullptr || (data != nullptr && size == nullptr)) return ERROR_INVALID_PARAMETER;
  DWORD value_type = REG_NONE;
  std::string bytes;
  const LONG err = QueryValue(key, WideName(value_name), &value_type, &bytes);
  if (err != ERROR_SUCCESS) return err;
  return QueryData(bytes, value_type, type, data, size);
}

LONG RegQueryValueExA(HKEY key, LPCSTR value_name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size) {
  if (reserved != nullptr || (data != nullptr && size == nullptr)) return ERROR_INVALID_PARAMETER;
  DWORD value_type = REG_NONE;
  std::string bytes;
  const LONG err = QueryValue(key, NarrowName(value_name), &value_type, &bytes);
  if (err != ERROR_SUCCESS) return err;
  if (IsStringType(value_type)) bytes = WideBytesToNarrow(bytes);
  return QueryData(bytes, value_type, type, data, size);
}

LONG RegSetValueExW(HKEY key, LPCWSTR value_name, DWORD /*reserved*/, DWORD type, const BYTE* data, DWORD size) {
  if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
  return SetValue(key, WideName(value_name), type,
                  std::string_view(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size));
}

LONG RegSetValueExA(HKEY key, LPCSTR value_name, DWORD /*reserved*/, DWORD type, const BYTE* data, DWORD size) {
  if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
  if (data != nullptr && IsStringType(type)) {
    return SetValue(key, NarrowName(value_name), type, NarrowBytesToWide(data, size));
  }
  return SetValue(key, NarrowName(value_name), type,
                  std::string_view(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size));
}

LONG RegDeleteValueW(HKEY key, LPCWSTR value_name) { return DeleteValue(key, WideName(value_name)); }
LONG RegDeleteValueA(HKEY key, LPCSTR value_name) { return DeleteValue(key, NarrowName(value_name)); }
LONG RegDeleteKeyW(HKEY key, LPCWSTR sub_key) { return DeleteKey(key, WideName(sub_key)); }
LONG RegDeleteKeyA(HKEY key, LPCSTR sub_key) { return DeleteKey(key, NarrowName(sub_key)); }
LONG RegDeleteTreeW(HKEY key, LPCWSTR sub_key) { return DeleteTree(key, WideName(sub_key)); }

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* name_size, DWORD* /*reserved*/, LPWSTR key_class,
                   DWORD* class_size, FILETIME* last_write_time) {
  if (name == nullptr || name_size == nullptr) return ERROR_INVALID_PARAMETER;
  std::string found;
  std::int64_t written = 0;
  const LONG err = WithKey(key, KEY_ENUMERATE_SUB_KEYS, false, [&](Call& c) -> LONG {
    Statement st(c.db(), "SELECT name, written FROM reg_keys WHERE parent = ?1 ORDER BY fold LIMIT 1 OFFSET ?2");
    const int rc = st.Bind(1, c.handle.key).Bind(2, std::int64_t{index}).Step();
    if (rc == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
    if (rc != SQLITE_ROW) return ErrorFromSqlite(rc, false);
    found = st.Text(0);
    written = st.Int(1);
    return ERROR_SUCCESS;
  });
  if (err != ERROR_SUCCESS) return err;
  if (const LONG copied = CopyName(Utf8ToUtf16(found), name, name_size); copied != ERROR_SUCCESS) return copied;
  if (class_size != nullptr) {
    if (key_class != nullptr && *class_size > 0) key_class[0] = u'\0';
    *class_size = 0;
  }
  if (last_write_time != nullptr) *last_write_time = ToFileTime(written);
  return ERROR_SUCCESS;
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR value_name, DWORD* value_name_size, DWORD* reserved,
                   DWORD* type, BYTE* data, DWORD* data_size) {
  if (value_name == nullptr || value_name_size == nullptr || reserved != nullptr ||
      (data != nullptr && data_size == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  std::string found;
  DWORD value_type = REG_NONE;
  std::string bytes;
  const LONG err = WithKey(key, KEY_QUERY_VALUE, false, [&](Call& c) -> LONG {
    Statement st(c.db(), "SELECT name, type, data FROM reg_values WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2");
    const int rc = st.Bind(1, c.handle.key).Bind(2, std::int64_t{index}).Step();
    if (rc == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
    if (rc != SQLITE_ROW) return ErrorFromSqlite(rc, false);
    found = st.Text(0);
    value_type = static_cast<DWORD>(st.Int(1));
    bytes = st.Blob(2);
    return ERROR_SUCCESS;
  });
  if (err != ERROR_SUCCESS) return err;
  if (const LONG copied = CopyName(Utf8ToUtf16(found), value_name, value_name_size); copied != ERROR_SUCCESS) {
    return copied;
  }
  return QueryData(bytes, value_type, type, data, data_size);
}

LONG RegQueryInfoKeyW(HKEY key, LPWSTR key_class, DWORD* class_size, DWORD* reserved, DWORD* sub_keys,
                      DWORD* max_sub_key_len, DWORD* max_class_len, DWORD* values, DWORD* max_value_name_len,
                      DWORD* max_value_len, DWORD* security_descriptor_size, FILETIME* last_write_time) {
  if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
  DWORD key_count = 0, key_len = 0, value_count = 0, name_len = 0, data_len = 0;
  std::int64_t written = 0;
  const LONG err = WithKey(key, KEY_QUERY_VALUE, false, [&](Call& c) -> LONG {
    Statement keys(c.db(), "SELECT name FROM reg_keys WHERE parent = ?1");
    keys.Bind(1, c.handle.key);
    int rc;
    while ((rc = keys.Step()) == SQLITE_ROW) {
      ++key_count;
      key_len = std::max(key_len, static_cast<DWORD>(Utf8ToUtf16(keys.Text(0)).size()));
    }
    if (rc != SQLITE_DONE) return ErrorFromSqlite(rc, false);
    Statement vals(c.db(), "SELECT name, length(data) FROM reg_values WHERE key = ?1");
    vals.Bind(1, c.handle.key);
    while ((rc = vals.Step()) == SQLITE_ROW) {
      ++value_count;
      name_len = std::max(name_len, static_cast<DWORD>(Utf8ToUtf16(vals.Text(0)).size()));
      data_len = std::max(data_len, static_cast<DWORD>(vals.Int(1)));
    }
    if (rc != SQLITE_DONE) return ErrorFromSqlite(rc, false);
    Statement time(c.db(), "SELECT written FROM reg_keys WHERE id = ?1");
    rc = time.Bind(1, c.handle.key).Step();
    if (rc != SQLITE_ROW) return ErrorFromSqlite(rc == SQLITE_DONE ? SQLITE_CORRUPT : rc, false);
    written = time.Int(0);
    return ERROR_SUCCESS;
  });
  if (err != ERROR_SUCCESS) return err;
  if (class_size != nullptr) {
    if (key_class != nullptr && *class_size > 0) key_class[0] = u'\0';
    *class_size = 0;
  }
  if (sub_keys != nullptr) *sub_keys = key_count;
  if (max_sub_key_len != nullptr) *max_sub_key_len = key_len;
  if (max_class_len != nullptr) *max_class_len = 0;
  if (values != nullptr) *values = value_count;
  if (max_value_name_len != nullptr) *max_value_name_len = name_len;
  if (max_value_len != nullptr) *max_value_len = data_len;
  if (security_descriptor_size != nullptr) *security_descriptor_size = 0;
  if (last_write_time != nullptr) *last_write_time = ToFileTime(written);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (PredefinedRow(key)) return ERROR_SUCCESS;
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mu);
  return s.handles.erase(reinterpret_cast<std::uintptr_t>(key)) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
