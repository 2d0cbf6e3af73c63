// The input driver: a test or the browser's command line acts as the user.
//
// Every action enters as raw input in the calling thread's input queue (a
// mouse move, button, or key at a screen point or for the focus window) and
// is then routed and handled like a real user's input: the window under the
// mouse or the capture gets the mouse messages (after WM_SETCURSOR), the
// focus window gets WM_KEYDOWN / WM_CHAR / WM_KEYUP (the main loop's filter
// sees them first, so a browser's accelerator path applies). The immediate
// actions handle the queue the way the innermost running loop does until it
// is idle, so their effects are visible when they return.
//
// Popup menus and modal dialogs block in nested loops. Actions for them are
// queued beforehand: each time such a loop has nothing left to do it runs
// the next queued action (which may itself open another nested loop). The
// Queue... forms find their target when they run: the open popup menu, the
// innermost dialog.
//
// An action that cannot be done (no such button, a hidden or covered window,
// no open menu) returns false and records why (TakeErrors).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api.h"
#include "platform/ui/window.h"

namespace quorvia::ui {

class QUORVIA_PLATFORM_API InputDriver {
 public:
  enum Modifier : UINT { kNone = 0, kShift = 1, kControl = 2, kAlt = 4 };

  // Mouse.
  static bool MoveMouse(POINT screen);
  // A left click (move, press, release) at a screen point.
  static bool Click(POINT screen);
  // A left click at a point of a window's client area (the centre by
  // default); the window must be the one under that point.
  static bool ClickWindow(HWND window);
  static bool ClickWindowAt(HWND window, int x, int y);
  static bool ClickDialogItem(HWND dialog, int id);

  // Toolbar buttons, by command id: the face of a button (for a split button
  // the part left of its arrow), the drop-down arrow (or the whole button of
  // a BTNS_WHOLEDROPDOWN or plain drop-down button), and the mouse resting on
  // a button (command id 0: the mouse leaves the toolbar).
  static bool PressToolbarButton(HWND toolbar, int command_id);
  static bool PressDropDown(HWND toolbar, int command_id);
  static bool MoveHotItem(HWND toolbar, int command_id);

  // The open popup menu: choose an item by command id (found in submenus
  // too, which are opened on the way) or by position in the top menu;
  // cancel with Escape.
  static bool ChooseMenuItem(UINT command_id);
  static bool ChooseMenuItemAt(int position);
  static bool CancelMenu();

  // Combo boxes: open the list with the mouse and click an item; open it;
  // close it without a choice (a click elsewhere).
  static bool SelectComboItem(HWND combo, int index);
  static bool OpenComboList(HWND combo);
  static bool CancelComboList(HWND combo);

  // List boxes: click an item, or its check box (the left 16 px of a check
  // list's item).
  static bool ClickListItem(HWND list, int index);
  static bool ClickListCheck(HWND list, int index);

  // Keyboard, to the focus window: text as key strokes (US layout; other
  // characters arrive as WM_CHAR alone), and one key with modifiers.
  static bool TypeText(std::u16string_view text);
  static bool PressKey(UINT virtual_key, UINT modifiers = kNone);

  // Deferred actions, run by the next nested loop that goes idle.
  static void Queue(std::function<void()> action);
  static void QueueChooseMenuItem(UINT command_id);
  static void QueueChooseMenuItemAt(int position);
  static void QueueCancelMenu();
  static void QueueClickDialogItem(int id);
  static void QueueSelectComboItem(int dialog_item, int index);
  static void QueueClickListCheck(int dialog_item, int index);
  static void QueueTypeText(std::u16string text);
  static void QueuePressKey(UINT virtual_key, UINT modifiers = kNone);
  static std::size_t QueuedActions();
  static void ClearQueue();

  // Handles waiting input and messages until idle (PumpUntilIdle).
  static int RunUntilIdle();
  // The reasons of the failed actions since the last call, oldest first.
  static std::vector<std::string> TakeErrors();
  // The dialog of the innermost modal loop, or null.
  static HWND CurrentDialog();
};

}  // namespace quorvia::ui
