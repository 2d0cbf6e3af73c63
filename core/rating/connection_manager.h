// The toolbar's on/off switch, shared by every browser process of the user.
//
// The state lives in the named manual-reset event "HN2007_EventName":
// signalled means on, non-signalled means off. It is also stored as the
// registry value "Disable" (REG_DWORD, non-zero: off) so that it survives a
// restart.
//
// The virtual operations are declared in a fixed order; keep it.
#pragma once

#include <memory>

#include "core/support/sync_objects.h"

class ConnectionManager : public CriticalSection {
 public:
  // Creates or opens the named event (a new event starts signalled, an
  // existing one keeps its state), then applies "Disable" when the value is
  // present as a 32-bit number: non-zero turns off, zero turns on. A value
  // that is absent, of another type or unreadable leaves the event as it is.
  ConnectionManager();
  // Closes the event handle.
  ~ConnectionManager() override;

  // Signals (on) or resets (off) the event, then saves the state.
  virtual void SetEnabled(bool on);
  // True when the event is signalled; false when it is not or when there is
  // no event. Never waits and never changes the event.
  virtual bool IsEnabled();
  // Writes "Disable" = 1 when the event is not signalled, 0 when it is,
  // creating the settings key when it is missing. A failed write is ignored.
  // Without an event there is no state to save and nothing is written.
  virtual void SaveState();

  // The on/off event, owned by this object; null when it could not be
  // created. Changes to it belong under this object's lock, followed by
  // SaveState.
  Event* GetEvent() const { return m_pEvent.get(); }

 private:
  std::unique_ptr<Event> m_pEvent;
};
