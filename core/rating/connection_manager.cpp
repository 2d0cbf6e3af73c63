#include "core/rating/connection_manager.h"

#include "core/support/globals.h"
#include "core/support/registry.h"
#include "platform/registry/registry_api.h"
#include "platform/sync/event.h"

ConnectionManager::ConnectionManager() : m_pEvent(std::make_unique<Event>(kOnOffEventName)) {
  HANDLE event = m_pEvent->GetHandle();
  if (event == nullptr) return;
  DWORD disable = 0;
  if (!Registry(HKEY_CURRENT_USER).ReadDisable(disable)) return;
  if (disable != 0) {
    ResetEvent(event);
  } else {
    SetEvent(event);
  }
}

ConnectionManager::~ConnectionManager() = default;

void ConnectionManager::SetEnabled(bool on) {
  SyncObject lock(this);
  if (HANDLE event = m_pEvent->GetHandle(); event != nullptr) {
    if (on) {
      SetEvent(event);
    } else {
      ResetEvent(event);
    }
  }
  SaveState();
}

bool ConnectionManager::IsEnabled() {
  SyncObject lock(this);
  // A zero time-out only looks at the event.
  return m_pEvent->Lock(0);
}

void ConnectionManager::SaveState() {
  SyncObject lock(this);
  if (m_pEvent->GetHandle() == nullptr) return;
  Registry(HKEY_CURRENT_USER).WriteDisable(m_pEvent->Lock(0) ? 0 : 1);
}
