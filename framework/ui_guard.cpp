#include "framework/ui_guard.h"

namespace {

// Per library (hidden) and per thread: every browser window runs its
// toolbar on its own user-interface thread.
thread_local int g_ui_guard_depth = 0;

}  // namespace

UiGuardC::UiGuardC() noexcept { ++g_ui_guard_depth; }

UiGuardC::~UiGuardC() { --g_ui_guard_depth; }

int UiGuardC::Depth() noexcept { return g_ui_guard_depth; }
