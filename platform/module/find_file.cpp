#include "platform/module/find_file.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/text/ascii.h"
#include "platform/module/module.h"
#include "platform/text/convert.h"

namespace {

struct Search {
  std::vector<WIN32_FIND_DATAW> results;
  std::size_t next = 0;
};

std::mutex& SearchesLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

// The searches handed out and not yet closed: a handle is used only when it
// is one of them.
std::set<Search*>& Searches() {
  static auto* searches = new std::set<Search*>;
  return *searches;
}

FILETIME ToFileTime(const timespec& t) {
  constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
  std::int64_t ticks = (static_cast<std::int64_t>(t.tv_sec) + kSecondsFrom1601To1970) * 10000000 + t.tv_nsec / 100;
  if (ticks < 0) ticks = 0;
  auto value = static_cast<std::uint64_t>(ticks);
  return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

bool Fill(const std::u16string& name, const struct stat& st, WIN32_FIND_DATAW& data) {
  if (name.size() >= MAX_PATH) return false;
  data = WIN32_FIND_DATAW{};
  DWORD attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (name.size() > 1 && name[0] == u'.' && name != u"..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  data.dwFileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  data.ftCreationTime = ToFileTime(st.st_ctim);
  data.ftLastAccessTime = ToFileTime(st.st_atim);
  data.ftLastWriteTime = ToFileTime(st.st_mtim);
  if (!S_ISDIR(st.st_mode)) {
    auto size = static_cast<std::uint64_t>(st.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  }
  std::copy(name.begin(), name.end(), data.cFileName);
  data.cFileName[name.size()] = u'\0';
  return true;
}

}  // namespace

namespace quorvia {

bool MatchesFilePattern(std::u16string_view pattern, std::u16string_view name) {
  if (pattern == u"*.*") pattern = u"*";
  // Greedy match that, on a mismatch, lets the last "*" take one more
  // character.
  std::size_t p = 0, n = 0;
  std::size_t star = std::u16string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      star_n = n;
    } else if (p < pattern.size() && (pattern[p] == u'?' || ascii::Lower(pattern[p]) == ascii::Lower(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace quorvia

HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data) {
  if (pattern == nullptr || data == nullptr) return INVALID_HANDLE_VALUE;
  std::string text = quorvia::Utf16ToUtf8(pattern);
  std::size_t slash = text.rfind('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : text.substr(0, slash));
  std::u16string file_pattern = quorvia::Utf8ToUtf16(slash == std::string::npos ? text : text.substr(slash + 1));
  if (file_pattern.empty() || folder.find_first_of("*?") != std::string::npos) return INVALID_HANDLE_VALUE;

  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return INVALID_HANDLE_VALUE;
  auto search = std::make_unique<Search>();
  while (const dirent* entry = readdir(dir)) {
    std::string raw = entry->d_name;
    std::string path = folder == "/" ? "/" + raw : folder + "/" + raw;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 && lstat(path.c_str(), &st) != 0) continue;
    std::u16string name;
    std::string module_name = S_ISREG(st.st_mode) ? quorvia::ModuleNameForFile(raw) : std::string();
    if (!module_name.empty() && quorvia::MatchesFilePattern(file_pattern, quorvia::Utf8ToUtf16(module_name))) {
      name = quorvia::Utf8ToUtf16(module_name);
    } else if (quorvia::MatchesFilePattern(file_pattern, quorvia::Utf8ToUtf16(raw))) {
      name = quorvia::Utf8ToUtf16(raw);
    } else {
      continue;
    }
    WIN32_FIND_DATAW found;
    if (Fill(name, st, found)) search->results.push_back(found);
  }
  closedir(dir);
  if (search->results.empty()) return INVALID_HANDLE_VALUE;

  *data = search->results[0];
  search->next = 1;
  std::lock_guard<std::mutex> guard(SearchesLock());
  Search* handle = search.release();
  Searches().insert(handle);
  return handle;
}

BOOL FindNextFileW(HANDLE search, WIN32_FIND_DATAW* data) {
  if (data == nullptr) return FALSE;
  std::lock_guard<std::mutex> guard(SearchesLock());
  auto it = Searches().find(static_cast<Search*>(search));
  if (it == Searches().end()) return FALSE;
  Search& s = **it;
  if (s.next >= s.results.size()) return FALSE;
  *data = s.results[s.next++];
  return TRUE;
}

BOOL FindClose(HANDLE search) {
  std::unique_ptr<Search> closing;
  {
    std::lock_guard<std::mutex> guard(SearchesLock());
    auto it = Searches().find(static_cast<Search*>(search));
    if (it == Searches().end()) return FALSE;
    closing.reset(*it);
    Searches().erase(it);
  }
  return TRUE;
}
