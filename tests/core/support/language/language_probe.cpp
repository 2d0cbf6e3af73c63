// A library with a language table of its own, loaded and unloaded by the
// tests. It counts how often the memory of its table's object is freed: the
// library is linked with operator delete wrapped (-Wl,--wrap), so every
// delete made by its code passes through the counter below.
#include <cstddef>
#include <string>

#include "core/support/language.h"
#include "core/support/singleton_cleaner.h"

extern "C" {
void __real__ZdlPv(void* p);
void __real__ZdlPvm(void* p, std::size_t size);
}

namespace {

const void* g_watched = nullptr;
int* g_deletions = nullptr;

void Count(const void* p) {
  if (p != nullptr && p == g_watched && g_deletions != nullptr) ++*g_deletions;
}

}  // namespace

extern "C" {

void __wrap__ZdlPv(void* p) {
  Count(p);
  __real__ZdlPv(p);
}

void __wrap__ZdlPvm(void* p, std::size_t size) {
  Count(p);
  __real__ZdlPvm(p, size);
}

// Sets the base folder, creates the table and watches its deletion.
__attribute__((visibility("default"))) void ProbeCreateLanguage(const char16_t* folder, int* deletions) {
  Language::SetBaseFolder(folder);
  g_deletions = deletions;
  g_watched = Language::Instance();
}

// True when the table is the instance registered with this library's cleaner.
__attribute__((visibility("default"))) int ProbeRegistered() {
  return SingletonCleaner::Get().GetInstance() == Language::Instance() ? 1 : 0;
}

// Copies the text of `key` into `buffer` (terminated, cut to `size`);
// returns its full length.
__attribute__((visibility("default"))) int ProbeFindText(const char16_t* key, char16_t* buffer, int size) {
  const std::u16string text = Language::Instance()->FindText(key);
  if (size > 0) {
    const std::size_t n = text.size() < static_cast<std::size_t>(size - 1) ? text.size() : static_cast<std::size_t>(size - 1);
    text.copy(buffer, n);
    buffer[n] = u'\0';
  }
  return static_cast<int>(text.size());
}

}  // extern "C"
