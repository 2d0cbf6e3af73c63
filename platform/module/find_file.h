// Directory search with "*" and "?" wildcards, matched against file names
// without regard to case.
//
// Libraries are seen under their module names: a file "libName.so" is
// reported as "Name.dll" whenever the pattern matches that name (so "*.dll"
// enumerates the libraries of a folder), and under its own name otherwise.
#pragma once

#include <string_view>

#include "platform/api.h"
#include "platform/com/types.h"

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;  // the time of the last status change: files here have no creation time
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];  // the name alone, no folder
  WCHAR cAlternateFileName[14];  // always empty
};

// `pattern` is a folder, "/" and a file pattern ("/opt/q/*.dll"; without a
// folder the current one). Returns INVALID_HANDLE_VALUE when the folder cannot
// be read or nothing matches; otherwise fills `data` with the first match.
// The folder is read once, when the search starts.
QUORVIA_PLATFORM_API HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data);
// The next match; FALSE when there is none left.
QUORVIA_PLATFORM_API BOOL FindNextFileW(HANDLE search, WIN32_FIND_DATAW* data);
QUORVIA_PLATFORM_API BOOL FindClose(HANDLE search);

namespace quorvia {

// True when `name` matches `pattern` ("*" any run, "?" any one character,
// letters in any case; "*.*" matches every name).
QUORVIA_PLATFORM_API bool MatchesFilePattern(std::u16string_view pattern, std::u16string_view name);

}  // namespace quorvia
