#include "core/support/sync_objects.h"

#include "platform/sync/event.h"
#include "platform/sync/last_error.h"

Synchronisable::~Synchronisable() = default;

CriticalSection::CriticalSection() { InitializeCriticalSection(&m_sect); }

CriticalSection::~CriticalSection() { DeleteCriticalSection(&m_sect); }

bool CriticalSection::Lock(DWORD /*timeout*/) {
  EnterCriticalSection(&m_sect);
  return true;
}

void CriticalSection::Unlock() { LeaveCriticalSection(&m_sect); }

KernelObject::~KernelObject() = default;

Event::Event(const std::u16string& name)
    : m_dwLastError(0),
      m_hObject(CreateEventW(nullptr, TRUE, TRUE, name.empty() ? nullptr : name.c_str())) {
  // Read at once: any later platform call may overwrite the thread's code.
  m_dwLastError = GetLastError();
}

Event::~Event() {
  if (m_hObject != nullptr) CloseHandle(m_hObject);
}

bool Event::Lock(DWORD timeout) {
  if (m_hObject == nullptr) return false;
  return WaitForSingleObject(m_hObject, timeout) == WAIT_OBJECT_0;
}

void Event::Unlock() {}

SyncObject::SyncObject(Synchronisable* object) : m_pObject(object) {
  if (m_pObject != nullptr) m_pObject->Lock(INFINITE);
}

SyncObject::SyncObject(Synchronisable& object) : SyncObject(&object) {}

SyncObject::~SyncObject() {
  if (m_pObject == nullptr) return;
  try {
    m_pObject->Unlock();
  } catch (...) {
    // A destructor must not throw; the lock holder has nothing to undo.
  }
}
