// The library's user-interface guard.
//
// Hooks of a command (its action, its reactions to a chosen text, a dropped
// list, hot items) may create windows, dialogs or load resources; they must
// do so with the resources of the library that implements the command. The
// guarded operations of CommandC hold one of these scopes for their whole
// duration. On this platform there is no per-library module state to switch,
// so the scope only counts how deeply the current thread is inside guarded
// operations of this library's framework copy.
#pragma once

class UiGuardC {
 public:
  UiGuardC() noexcept;
  ~UiGuardC();
  UiGuardC(const UiGuardC&) = delete;
  UiGuardC& operator=(const UiGuardC&) = delete;

  // How many guards the calling thread holds in this library; 0 outside
  // every guarded operation.
  static int Depth() noexcept;
};
