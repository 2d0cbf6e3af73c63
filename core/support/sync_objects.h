// Locks for objects that several toolbar instances share, and the scoped
// guard that takes them.
//
// The virtual operations are declared in a fixed order; other libraries rely
// on that order, so keep it.
#pragma once

#include <string>

#include "platform/com/types.h"
#include "platform/sync/critical_section.h"

// Something that can be locked and unlocked.
class Synchronisable {
 public:
  Synchronisable() = default;
  Synchronisable(const Synchronisable&) = delete;
  Synchronisable& operator=(const Synchronisable&) = delete;

  virtual ~Synchronisable();
  // Waits up to `timeout` milliseconds (INFINITE: without limit); true when
  // the lock was acquired.
  virtual bool Lock(DWORD timeout) = 0;
  virtual void Unlock() = 0;
};

// A re-entrant lock inside one process: a thread that holds it may lock it
// again and must unlock it as often.
class CriticalSection : public Synchronisable {
 public:
  CriticalSection();
  ~CriticalSection() override;
  // Ignores the time-out: waits until the lock is free and returns true.
  bool Lock(DWORD timeout) override;
  void Unlock() override;

 private:
  CRITICAL_SECTION m_sect;
};

// A handle to an object of the platform's kernel.
class KernelObject {
 public:
  KernelObject() = default;
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;

  virtual ~KernelObject();
};

// A manual-reset event, named (shared by every process of the user) or
// unnamed. Its owner sets and resets it directly through GetHandle().
class Event : public Synchronisable, public KernelObject {
 public:
  // Creates the event signalled, or opens the existing event of that name,
  // which keeps its state. An empty name makes an unnamed event.
  explicit Event(const std::u16string& name);
  // Closes the handle.
  ~Event() override;
  // Waits up to `timeout` milliseconds for the event to be signalled; true
  // when it is. Never changes the event. False at once without a handle.
  bool Lock(DWORD timeout) override;
  // Does nothing: unlocking does not reset the event.
  void Unlock() override;

  // The error code right after creation: 0, ERROR_ALREADY_EXISTS when an
  // existing event was opened, or the reason creation failed.
  DWORD GetCreationError() const { return m_dwLastError; }
  // The event handle; null when creation failed.
  HANDLE GetHandle() const { return m_hObject; }

 private:
  DWORD m_dwLastError;
  HANDLE m_hObject;
};

// Holds a lock for the life of a scope: locks with an infinite time-out on
// construction, unlocks on destruction, on every path out of the scope.
class SyncObject {
 public:
  // The object is borrowed and must outlive the guard; null locks nothing.
  explicit SyncObject(Synchronisable* object);
  explicit SyncObject(Synchronisable& object);
  SyncObject(const SyncObject&) = delete;
  SyncObject& operator=(const SyncObject&) = delete;

  // Unlocks; an exception thrown by Unlock is dropped here.
  virtual ~SyncObject();

 private:
  Synchronisable* m_pObject;
};
