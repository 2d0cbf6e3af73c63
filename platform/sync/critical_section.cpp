#include "platform/sync/critical_section.h"

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
  if (section == nullptr) return;
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  // Recursive mutexes also refuse an unlock by a thread that is not the
  // owner (EPERM), so a stray Leave cannot release another thread's hold.
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&section->mutex, &attr);
  pthread_mutexattr_destroy(&attr);
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
  if (section == nullptr) return;
  pthread_mutex_lock(&section->mutex);
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
  if (section == nullptr) return;
  pthread_mutex_unlock(&section->mutex);
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
  if (section == nullptr) return;
  pthread_mutex_destroy(&section->mutex);
}
