#include "core/support/registry.h"

#include <cstring>
#include <vector>

#include "core/support/globals.h"
#include "core/support/language.h"
#include "platform/registry/registry_api.h"

namespace {

// Closes an opened key when the operation returns.
class KeyCloser {
 public:
  explicit KeyCloser(HKEY key) : key_(key) {}
  ~KeyCloser() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;

 private:
  HKEY key_;
};

HKEY OpenForReading(HKEY root) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, kRegSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

}  // namespace

Registry::~Registry() = default;

HKEY Registry::OpenForWriting() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(rootKey, kRegSettingsKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) return key;
  if (RegCreateKeyExW(rootKey, kRegSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      &key, nullptr) == ERROR_SUCCESS) {
    return key;
  }
  return nullptr;
}

bool Registry::ReadLanguage() {
  HKEY key = OpenForReading(rootKey);
  if (key == nullptr) return false;
  KeyCloser closer(key);

  DWORD size = 0;
  if (RegQueryValueExW(key, kRegValueLanguage, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
  // Room for the data and a terminating character, all zero: data stored
  // without its own terminator still ends.
  std::vector<BYTE> data(static_cast<std::size_t>(size) + sizeof(char16_t), 0);
  // The value may have grown since its size was read (another process);
  // then the read fails rather than running past the buffer.
  DWORD read = size;
  if (RegQueryValueExW(key, kRegValueLanguage, nullptr, nullptr, data.data(), &read) != ERROR_SUCCESS) return false;

  // Whole UTF-16 characters only; an odd trailing byte is not a character.
  std::u16string text(read / sizeof(char16_t), u'\0');
  if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(char16_t));
  if (const auto end = text.find(u'\0'); end != std::u16string::npos) text.resize(end);
  LanguageName() = std::move(text);
  return true;
}

bool Registry::ReadDisable(DWORD& value) {
  HKEY key = OpenForReading(rootKey);
  if (key == nullptr) return false;
  KeyCloser closer(key);

  DWORD type = REG_NONE;
  DWORD stored = 0;
  DWORD size = sizeof stored;
  if (RegQueryValueExW(key, kRegValueDisable, nullptr, &type, reinterpret_cast<BYTE*>(&stored), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  // A value of another type, or a REG_DWORD that does not hold exactly four
  // bytes, counts as absent.
  if (type != REG_DWORD || size != sizeof stored) return false;
  value = stored;
  return true;
}

bool Registry::WriteLanguage(const std::u16string& language) {
  HKEY key = OpenForWriting();
  if (key == nullptr) return false;
  KeyCloser closer(key);
  const auto size = static_cast<DWORD>((language.size() + 1) * sizeof(char16_t));  // with the terminator
  return RegSetValueExW(key, kRegValueLanguage, 0, REG_SZ, reinterpret_cast<const BYTE*>(language.c_str()),
                        size) == ERROR_SUCCESS;
}

bool Registry::WriteDisable(DWORD value) {
  HKEY key = OpenForWriting();
  if (key == nullptr) return false;
  KeyCloser closer(key);
  return RegSetValueExW(key, kRegValueDisable, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}
