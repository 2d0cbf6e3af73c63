// The re-entrant in-process lock: a thread that holds it may enter it again
// and must leave it as often before another thread gets it.
#pragma once

#include <pthread.h>

#include "platform/api.h"

// A recursive pthread mutex. Initialise it before use and delete it after
// the last use; it must not be copied or moved while initialised.
struct CRITICAL_SECTION {
  pthread_mutex_t mutex;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

QUORVIA_PLATFORM_API void InitializeCriticalSection(LPCRITICAL_SECTION section);
// Waits until the lock is free (or already held by this thread) and takes it.
QUORVIA_PLATFORM_API void EnterCriticalSection(LPCRITICAL_SECTION section);
// Releases one level of the calling thread's hold. A thread that does not
// hold the lock changes nothing.
QUORVIA_PLATFORM_API void LeaveCriticalSection(LPCRITICAL_SECTION section);
QUORVIA_PLATFORM_API void DeleteCriticalSection(LPCRITICAL_SECTION section);
