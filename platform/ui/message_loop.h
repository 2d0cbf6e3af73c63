// Message loops of a thread: the main loop with its filter (where a browser
// gives its toolbars their keyboard accelerators first), and the nested
// loops of popup menus and modal dialogs.
//
// Nobody sits in front of a headless window system, so a nested loop that
// has nothing left to do runs the next action queued by the input driver
// (platform/ui/input_driver.h); when none is queued it ends itself the way
// the user's Escape would (the menu closes without a choice, the dialog gets
// IDCANCEL) and counts that in UnattendedLoops(), instead of waiting forever.
#pragma once

#include <functional>

#include "platform/api.h"
#include "platform/ui/window.h"

namespace quorvia::ui {

// Asked first for every message the main loop takes; true means the message
// was handled and is neither translated nor dispatched.
using MessageFilter = std::function<bool(MSG&)>;

struct LoopFrame {
  enum class Kind { kMain, kMenu, kDialog };
  Kind kind = Kind::kMain;
  // The menu window or the dialog the loop runs for.
  HWND window = nullptr;
  // What the loop does with one message.
  std::function<void(MSG&)> handle;
  // True once the loop is to end.
  std::function<bool()> ended;
  // Ends the loop when it is idle and no driver action is queued.
  std::function<void()> unattended;
};

// Sets the calling thread's main-loop filter (an empty function removes it).
QUORVIA_PLATFORM_API void SetMessageFilter(MessageFilter filter);
// What the main loop does with one message: the filter, then
// TranslateMessage and DispatchMessage.
QUORVIA_PLATFORM_API void HandleMainLoopMessage(MSG& msg);
// Handles waiting messages the way the innermost running loop does, until
// none is waiting or that loop is to end; returns how many were handled.
QUORVIA_PLATFORM_API int PumpUntilIdle();
// Runs a nested loop until frame.ended() (see the top of this file).
QUORVIA_PLATFORM_API void RunNestedLoop(LoopFrame& frame);
// The innermost nested loop running on this thread, or null.
QUORVIA_PLATFORM_API const LoopFrame* InnermostLoop();
// GetMessage, filter, translate, dispatch until WM_QUIT; its exit code.
QUORVIA_PLATFORM_API int RunMessageLoop();
// How many nested loops of this thread ended for want of input.
QUORVIA_PLATFORM_API int UnattendedLoops();

}  // namespace quorvia::ui
