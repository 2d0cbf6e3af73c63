#include "platform/sync/last_error.h"

namespace {

// One code per thread: a call on one thread never changes what another
// thread reads.
thread_local DWORD t_last_error = 0;

}  // namespace

DWORD GetLastError() { return t_last_error; }

void SetLastError(DWORD error) { t_last_error = error; }
