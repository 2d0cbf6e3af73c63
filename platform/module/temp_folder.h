// The user's folder for temporary files.
#pragma once

#include "platform/api.h"
#include "platform/com/types.h"

// $TMPDIR when it holds an absolute path, else "/tmp"; always ending in "/".
// Returns the length without the terminator, or, when `size` is too small,
// the size needed including the terminator (the buffer is then untouched).
QUORVIA_PLATFORM_API DWORD GetTempPathW(DWORD size, LPWSTR buffer);

// The long form of an existing path: here the path itself. 0 when the path
// does not exist; the size needed (with terminator) when `size` is too small.
QUORVIA_PLATFORM_API DWORD GetLongPathNameW(LPCWSTR short_path, LPWSTR long_path, DWORD size);
