// The resource tables that libraries register when they load, and the look-ups
// over them: FindResource and friends, and res: addresses.

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/text/ascii.h"
#include "platform/module/module.h"
#include "platform/text/convert.h"

namespace {

using quorvia::ResourceEntry;

struct Table {
  HMODULE module;
  const ResourceEntry* entries;
  std::size_t count;
};

std::mutex& TablesLock() {
  static auto* lock = new std::mutex;  // never destroyed: libraries unregister at exit
  return *lock;
}

std::vector<Table>& Tables() {
  static auto* tables = new std::vector<Table>;
  return *tables;
}

// A resource type or name as asked for: a number, or a text matched without
// regard to case.
struct Key {
  bool numeric = false;
  WORD id = 0;
  std::string text;
};

std::optional<WORD> ParseNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 0xFFFF) return std::nullopt;
  return static_cast<WORD>(value);
}

Key KeyFromText(std::string text) {
  Key key;
  if (!text.empty() && text[0] == '#') {
    if (auto id = ParseNumber(std::string_view(text).substr(1))) {
      key.numeric = true;
      key.id = *id;
      return key;
    }
  }
  key.text = std::move(text);
  return key;
}

Key KeyFrom(LPCWSTR value) {
  if (IS_INTRESOURCE(value)) {
    Key key;
    key.numeric = true;
    key.id = static_cast<WORD>(reinterpret_cast<std::uintptr_t>(value));
    return key;
  }
  return KeyFromText(quorvia::Utf16ToUtf8(value));
}

bool Matches(const Key& key, const char* text, WORD id) {
  if (key.numeric) return text == nullptr && id == key.id;
  return text != nullptr && quorvia::ascii::IEquals(std::string_view(text), key.text);
}

const ResourceEntry* Find(HMODULE module, const Key& name, const Key& type) {
  std::lock_guard<std::mutex> guard(TablesLock());
  for (const Table& table : Tables()) {
    if (table.module != module) continue;
    for (std::size_t i = 0; i < table.count; ++i) {
      const ResourceEntry& entry = table.entries[i];
      if (Matches(type, entry.type_name, entry.type_id) && Matches(name, entry.name, entry.name_id)) return &entry;
    }
  }
  return nullptr;
}

// A resource handle is valid only while its table is registered; anything else
// is refused instead of being read.
bool IsRegistered(HMODULE module, const ResourceEntry* entry) {
  std::lock_guard<std::mutex> guard(TablesLock());
  for (const Table& table : Tables()) {
    if (table.module != module) continue;
    auto first = reinterpret_cast<std::uintptr_t>(table.entries);
    auto at = reinterpret_cast<std::uintptr_t>(entry);
    if (at >= first && at < first + table.count * sizeof(ResourceEntry) &&
        (at - first) % sizeof(ResourceEntry) == 0) {
      return true;
    }
  }
  return false;
}

HMODULE OrMainProgram(HMODULE module) { return module != nullptr ? module : GetModuleHandleW(nullptr); }

// The standard resource types by the word a resource list or a res: address
// uses for them.
std::optional<WORD> StandardType(std::string_view word) {
  static const struct {
    const char* word;
    WORD id;
  } kTypes[] = {{"CURSOR", 1},   {"BITMAP", 2},  {"ICON", 3},     {"MENU", 4},      {"DIALOG", 5},
                {"STRING", 6},   {"RCDATA", 10}, {"VERSION", 16}, {"HTML", 23},     {"MANIFEST", 24}};
  for (const auto& type : kTypes) {
    if (quorvia::ascii::IEquals(word, type.word)) return type.id;
  }
  return std::nullopt;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = quorvia::ascii::Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> PercentDecode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int high = HexValue(text[i + 1]);
    int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return out;
}

}  // namespace

namespace quorvia {

void RegisterResources(HMODULE module, const ResourceEntry* entries, std::size_t count) {
  if (module == nullptr || entries == nullptr) return;
  std::lock_guard<std::mutex> guard(TablesLock());
  Tables().push_back({module, entries, count});
}

void UnregisterResources(HMODULE module, const ResourceEntry* entries) {
  std::lock_guard<std::mutex> guard(TablesLock());
  auto& tables = Tables();
  tables.erase(std::remove_if(tables.begin(), tables.end(),
                              [&](const Table& t) { return t.module == module && t.entries == entries; }),
               tables.end());
}

bool LoadResAddress(std::u16string_view address, std::string& bytes) {
  std::string text = Utf16ToUtf8(address);
  constexpr std::string_view kScheme = "res://";
  if (text.size() < kScheme.size() || !ascii::IEquals(std::string_view(text).substr(0, kScheme.size()), kScheme)) {
    return false;
  }
  std::string_view rest = std::string_view(text).substr(kScheme.size());
  rest = rest.substr(0, rest.find('?'));

  // The module is the first segment, or a whole path when the address names
  // one ("res:///opt/x/Name.dll/name"): up to the first segment that ends in
  // ".dll".
  std::size_t module_end = std::string_view::npos;
  if (!rest.empty() && rest[0] == '/') {
    for (std::size_t pos = rest.find('/', 1); pos != std::string_view::npos; pos = rest.find('/', pos + 1)) {
      if (ascii::IEndsWith(rest.substr(0, pos), ".dll")) {
        module_end = pos;
        break;
      }
    }
  } else {
    module_end = rest.find('/');
  }
  if (module_end == std::string_view::npos || module_end == 0) return false;
  auto module_name = PercentDecode(rest.substr(0, module_end));
  std::string_view path = rest.substr(module_end + 1);

  std::vector<std::string> segments;
  for (std::size_t start = 0;;) {
    std::size_t slash = path.find('/', start);
    auto segment = PercentDecode(path.substr(start, slash == std::string_view::npos ? slash : slash - start));
    if (!segment || segment->empty()) return false;
    segments.push_back(std::move(*segment));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  if (!module_name || module_name->empty() || segments.empty() || segments.size() > 2) return false;

  Key name = KeyFromText(segments.back());
  std::vector<Key> types;
  if (segments.size() == 1) {
    types.push_back(Key{true, 23, {}});
  } else {
    types.push_back(KeyFromText(segments.front()));
    if (!types.front().numeric) {
      if (auto standard = StandardType(segments.front())) types.push_back(Key{true, *standard, {}});
    }
  }

  std::u16string module_wide = Utf8ToUtf16(*module_name);
  HMODULE module = LoadLibraryW(module_wide.c_str());
  bool loaded = module != nullptr;
  if (!loaded) module = GetModuleHandleW(module_wide.c_str());  // e.g. the main program
  if (module == nullptr) return false;
  bool found = false;
  for (const Key& type : types) {
    if (const ResourceEntry* entry = Find(module, name, type)) {
      bytes.assign(static_cast<const char*>(entry->data), entry->size);
      found = true;
      break;
    }
  }
  if (loaded) FreeLibrary(module);
  return found;
}

}  // namespace quorvia

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  const ResourceEntry* entry = Find(OrMainProgram(module), KeyFrom(name), KeyFrom(type));
  return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(entry));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  const auto* entry = reinterpret_cast<const ResourceEntry*>(resource);
  if (entry == nullptr || !IsRegistered(OrMainProgram(module), entry)) return nullptr;
  return reinterpret_cast<HGLOBAL>(const_cast<void*>(entry->data));
}

LPVOID LockResource(HGLOBAL data) { return reinterpret_cast<LPVOID>(data); }

DWORD SizeofResource(HMODULE module, HRSRC resource) {
  const auto* entry = reinterpret_cast<const ResourceEntry*>(resource);
  if (entry == nullptr || !IsRegistered(OrMainProgram(module), entry)) return 0;
  return static_cast<DWORD>(entry->size);
}
