// Manual-reset events. A named event is shared by every process of the user
// that works in the same settings folder (quorvia::QuorviaHome()); an unnamed
// event belongs to the process that created it.
#pragma once

#include "platform/api.h"
#include "platform/com/types.h"

// Creates a manual-reset event, or opens the existing event of that name.
//
// `name` null or empty: a new event private to this process. Otherwise the
// event of that name (names are compared exactly, case-sensitively) is
// opened when some process still holds it, and then keeps its state; when
// nobody holds it a new one is created, signalled when `initialState` is
// TRUE. `security` is ignored. Only manual-reset events are offered:
// `manualReset` FALSE fails with ERROR_INVALID_PARAMETER.
//
// Returns the handle, or null on failure with the reason in GetLastError().
// After success GetLastError() is ERROR_ALREADY_EXISTS when an existing
// event was opened, else 0.
QUORVIA_PLATFORM_API HANDLE CreateEventW(void* security, BOOL manualReset, BOOL initialState, LPCWSTR name);

// Signals the event: every thread that waits on it, in any process, is
// released, even when the event is reset again right after. FALSE with
// ERROR_INVALID_HANDLE for a handle that is not an open event.
QUORVIA_PLATFORM_API BOOL SetEvent(HANDLE event);
// Makes the event non-signalled.
QUORVIA_PLATFORM_API BOOL ResetEvent(HANDLE event);

// Waits up to `milliseconds` (INFINITE: without limit) for the event to be
// signalled. WAIT_OBJECT_0 when it is (or was signalled during the wait),
// WAIT_TIMEOUT when the time ran out, WAIT_FAILED (GetLastError() says why)
// for a bad handle. A time-out of 0 only looks. Waiting never changes the
// event's state.
QUORVIA_PLATFORM_API DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// Closes an event handle. The event itself goes away when no handle of any
// process refers to it any more. FALSE with ERROR_INVALID_HANDLE for a handle
// that is not open (closing twice included).
QUORVIA_PLATFORM_API BOOL CloseHandle(HANDLE handle);
