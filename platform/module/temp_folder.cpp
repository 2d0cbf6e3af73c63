#include "platform/module/temp_folder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/text/convert.h"

namespace {

DWORD CopyOut(const std::u16string& text, LPWSTR buffer, DWORD size) {
  if (buffer == nullptr || text.size() >= size) return static_cast<DWORD>(text.size() + 1);
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = u'\0';
  return static_cast<DWORD>(text.size());
}

}  // namespace

DWORD GetTempPathW(DWORD size, LPWSTR buffer) {
  const char* env = std::getenv("TMPDIR");
  std::string folder = (env != nullptr && env[0] == '/') ? env : "/tmp";
  if (folder.back() != '/') folder.push_back('/');
  return CopyOut(quorvia::Utf8ToUtf16(folder), buffer, size);
}

DWORD GetLongPathNameW(LPCWSTR short_path, LPWSTR long_path, DWORD size) {
  if (short_path == nullptr || *short_path == u'\0') return 0;
  std::u16string path(short_path);
  struct stat st {};
  if (stat(quorvia::Utf16ToUtf8(path).c_str(), &st) != 0) return 0;
  return CopyOut(path, long_path, size);
}
