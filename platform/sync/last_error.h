// The calling thread's last error code, as the Windows-style calls of the
// platform layer report it.
#pragma once

#include "platform/api.h"
#include "platform/com/types.h"

// The code stored by the last call that set one on this thread (0 when none).
QUORVIA_PLATFORM_API DWORD GetLastError();
QUORVIA_PLATFORM_API void SetLastError(DWORD error);
