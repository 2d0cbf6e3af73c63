#include "platform/ui/input_driver.h"

#include <string>
#include <vector>

#include "platform/text/convert.h"
#include "platform/ui/controls.h"
#include "platform/ui/menu.h"
#include "platform/ui/message_loop.h"
#include "platform/ui/toolbar.h"
#include "platform/ui/window_internal.h"

namespace quorvia::ui {
namespace {

// Somewhere no window is.
constexpr POINT kNowhere{-20000, -20000};
constexpr int kCheckBoxWidth = 16;

bool Error(std::string why) {
  CurrentThread().driver_errors.push_back(std::move(why));
  return false;
}

void PostMouse(UINT message, POINT screen) {
  InputEvent e;
  e.message = message;
  e.screen = screen;
  e.mouse = true;
  QueueInput(e);
}

void PostKey(UINT message, UINT vk) {
  InputEvent e;
  e.message = message;
  e.wParam = vk;
  bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
  e.lParam = up ? static_cast<LPARAM>(0xC0000001u) : 1;
  QueueInput(e);
}

// A point of a window in screen coordinates, checked to reach that window
// (or one of its children, such as a combo box's edit field).
bool ScreenPoint(HWND window, int x, int y, POINT* out) {
  if (!IsWindow(window)) return Error("no such window");
  if (!IsWindowVisible(window)) return Error("the window is hidden");
  POINT p{x, y};
  ClientToScreen(window, &p);
  HWND under = WindowFromPoint(p);
  if (under != window && !IsChild(window, under)) return Error("another window covers the point");
  *out = p;
  return true;
}

bool ClickScreen(POINT p) {
  PostMouse(WM_MOUSEMOVE, p);
  PostMouse(WM_LBUTTONDOWN, p);
  PostMouse(WM_LBUTTONUP, p);
  PumpUntilIdle();
  return true;
}

bool ButtonRect(HWND toolbar, int id, RECT* rect, BYTE* style) {
  if (!IsWindow(toolbar)) return Error("no such toolbar");
  auto index = SendMessageW(toolbar, TB_COMMANDTOINDEX, static_cast<WPARAM>(id), 0);
  if (index < 0) return Error("no toolbar button with id " + std::to_string(id));
  TBBUTTON tb{};
  SendMessageW(toolbar, TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&tb));
  if (!SendMessageW(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect))) {
    return Error("no rectangle for toolbar button " + std::to_string(id));
  }
  if (rect->right <= rect->left) return Error("toolbar button " + std::to_string(id) + " has no width");
  *style = tb.fsStyle;
  return true;
}

bool SplitArrow(HWND toolbar, BYTE style) {
  DWORD ex = static_cast<DWORD>(SendMessageW(toolbar, TB_GETEXTENDEDSTYLE, 0, 0));
  return (style & BTNS_DROPDOWN) != 0 && (ex & TBSTYLE_EX_DRAWDDARROWS) != 0;
}

// The key that types a character on a US keyboard, and whether it needs
// Shift; false for characters no key makes.
bool KeyFor(char16_t c, UINT* vk, bool* shift) {
  *shift = false;
  if (c >= u'a' && c <= u'z') {
    *vk = static_cast<UINT>(c - u'a' + 'A');
    return true;
  }
  if (c >= u'A' && c <= u'Z') {
    *vk = static_cast<UINT>(c);
    *shift = true;
    return true;
  }
  if (c >= u'0' && c <= u'9') {
    *vk = static_cast<UINT>(c);
    return true;
  }
  static const struct {
    char16_t c;
    UINT vk;
    bool shift;
  } kKeys[] = {
      {u' ', VK_SPACE, false}, {u'\r', VK_RETURN, false}, {u'\n', VK_RETURN, false}, {u'\t', VK_TAB, false},
      {0x08, VK_BACK, false}, {0x1B, VK_ESCAPE, false}, {u';', VK_OEM_1, false}, {u':', VK_OEM_1, true},
      {u'=', VK_OEM_PLUS, false}, {u'+', VK_OEM_PLUS, true}, {u',', VK_OEM_COMMA, false}, {u'<', VK_OEM_COMMA, true},
      {u'-', VK_OEM_MINUS, false}, {u'_', VK_OEM_MINUS, true}, {u'.', VK_OEM_PERIOD, false}, {u'>', VK_OEM_PERIOD, true},
      {u'/', VK_OEM_2, false}, {u'?', VK_OEM_2, true}, {u'`', VK_OEM_3, false}, {u'~', VK_OEM_3, true},
      {u'[', VK_OEM_4, false}, {u'{', VK_OEM_4, true}, {u'\\', VK_OEM_5, false}, {u'|', VK_OEM_5, true},
      {u']', VK_OEM_6, false}, {u'}', VK_OEM_6, true}, {u'\'', VK_OEM_7, false}, {u'"', VK_OEM_7, true},
      {u'!', '1', true}, {u'@', '2', true}, {u'#', '3', true}, {u'$', '4', true}, {u'%', '5', true},
      {u'^', '6', true}, {u'&', '7', true}, {u'*', '8', true}, {u'(', '9', true}, {u')', '0', true},
  };
  for (const auto& k : kKeys) {
    if (k.c == c) {
      *vk = k.vk;
      *shift = k.shift;
      return true;
    }
  }
  return false;
}

void PostStroke(UINT vk, UINT modifiers) {
  bool alt = (modifiers & InputDriver::kAlt) != 0;
  UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
  UINT up = alt ? WM_SYSKEYUP : WM_KEYUP;
  if ((modifiers & InputDriver::kControl) != 0) PostKey(WM_KEYDOWN, VK_CONTROL);
  if ((modifiers & InputDriver::kShift) != 0) PostKey(WM_KEYDOWN, VK_SHIFT);
  if (alt) PostKey(WM_SYSKEYDOWN, VK_MENU);
  PostKey(down, vk);
  PostKey(up, vk);
  if (alt) PostKey(WM_KEYUP, VK_MENU);
  if ((modifiers & InputDriver::kShift) != 0) PostKey(WM_KEYUP, VK_SHIFT);
  if ((modifiers & InputDriver::kControl) != 0) PostKey(WM_KEYUP, VK_CONTROL);
}

// The positions leading to the item with that id, from the top menu down.
bool PathTo(HMENU menu, UINT id, std::vector<int>* path) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    HMENU sub = GetSubMenu(menu, i);
    if (sub != nullptr) {
      path->push_back(i);
      if (PathTo(sub, id, path)) return true;
      path->pop_back();
      continue;
    }
    if ((GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) == 0 && GetMenuItemID(menu, i) == id) {
      path->push_back(i);
      return true;
    }
  }
  return false;
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

bool ChoosePath(const std::vector<int>& path) {
  HMENU menu = OpenPopupMenu();
  if (menu == nullptr) return Error("no popup menu is open");
  for (std::size_t level = 0; level < path.size(); ++level) {
    RECT r{};
    if (!MenuItemScreenRect(menu, path[level], &r)) return Error("the menu item is not shown");
    if (level + 1 < path.size()) {
      PostMouse(WM_MOUSEMOVE, Centre(r));
      PumpUntilIdle();
      menu = GetSubMenu(menu, path[level]);
      if (MenuWindowOf(menu) == nullptr) return Error("the submenu did not open");
      continue;
    }
    return ClickScreen(Centre(r));
  }
  return Error("empty menu path");
}

HWND DialogItem(int id) {
  HWND dialog = InputDriver::CurrentDialog();
  if (dialog == nullptr) {
    Error("no dialog is open");
    return nullptr;
  }
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) Error("the dialog has no item " + std::to_string(id));
  return item;
}

}  // namespace

bool InputDriver::MoveMouse(POINT screen) {
  PostMouse(WM_MOUSEMOVE, screen);
  PumpUntilIdle();
  return true;
}

bool InputDriver::Click(POINT screen) { return ClickScreen(screen); }

bool InputDriver::ClickWindow(HWND window) {
  RECT client{};
  if (!GetClientRect(window, &client)) return Error("no such window");
  return ClickWindowAt(window, client.right / 2, client.bottom / 2);
}

bool InputDriver::ClickWindowAt(HWND window, int x, int y) {
  POINT p{};
  if (!ScreenPoint(window, x, y, &p)) return false;
  return ClickScreen(p);
}

bool InputDriver::ClickDialogItem(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) return Error("the dialog has no item " + std::to_string(id));
  return ClickWindow(item);
}

bool InputDriver::PressToolbarButton(HWND toolbar, int command_id) {
  RECT r{};
  BYTE style = 0;
  if (!ButtonRect(toolbar, command_id, &r, &style)) return false;
  if ((style & BTNS_WHOLEDROPDOWN) != 0) return Error("the button only opens its drop-down");
  int right = SplitArrow(toolbar, style) ? r.right - kToolbarArrowWidth : r.right;
  POINT p{};
  if (!ScreenPoint(toolbar, (r.left + right) / 2, (r.top + r.bottom) / 2, &p)) return false;
  return ClickScreen(p);
}

bool InputDriver::PressDropDown(HWND toolbar, int command_id) {
  RECT r{};
  BYTE style = 0;
  if (!ButtonRect(toolbar, command_id, &r, &style)) return false;
  int x = 0;
  if (SplitArrow(toolbar, style)) {
    x = r.right - kToolbarArrowWidth / 2;
  } else if ((style & (BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN)) != 0) {
    x = (r.left + r.right) / 2;
  } else {
    return Error("toolbar button " + std::to_string(command_id) + " has no drop-down");
  }
  POINT p{};
  if (!ScreenPoint(toolbar, x, (r.top + r.bottom) / 2, &p)) return false;
  return ClickScreen(p);
}

bool InputDriver::MoveHotItem(HWND toolbar, int command_id) {
  if (command_id == 0) return MoveMouse(kNowhere);
  RECT r{};
  BYTE style = 0;
  if (!ButtonRect(toolbar, command_id, &r, &style)) return false;
  POINT p{};
  if (!ScreenPoint(toolbar, (r.left + r.right) / 2, (r.top + r.bottom) / 2, &p)) return false;
  return MoveMouse(p);
}

bool InputDriver::ChooseMenuItem(UINT command_id) {
  HMENU menu = OpenPopupMenu();
  if (menu == nullptr) return Error("no popup menu is open");
  std::vector<int> path;
  if (!PathTo(menu, command_id, &path)) return Error("the open menu has no item " + std::to_string(command_id));
  return ChoosePath(path);
}

bool InputDriver::ChooseMenuItemAt(int position) {
  HMENU menu = OpenPopupMenu();
  if (menu == nullptr) return Error("no popup menu is open");
  if (position < 0 || position >= GetMenuItemCount(menu)) return Error("the open menu has no such position");
  return ChoosePath({position});
}

bool InputDriver::CancelMenu() {
  if (OpenPopupMenu() == nullptr) return Error("no popup menu is open");
  std::size_t levels = OpenMenuWindows().size();
  for (std::size_t i = 0; i < levels && OpenPopupMenu() != nullptr; ++i) PressKey(VK_ESCAPE);
  return true;
}

bool InputDriver::OpenComboList(HWND combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!GetComboBoxInfo(combo, &info)) return Error("no such combo box");
  if (SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0) return true;
  POINT p{};
  if (!ScreenPoint(combo, (info.rcButton.left + info.rcButton.right) / 2, (info.rcButton.top + info.rcButton.bottom) / 2,
                   &p)) {
    return false;
  }
  PostMouse(WM_MOUSEMOVE, p);
  PostMouse(WM_LBUTTONDOWN, p);
  PostMouse(WM_LBUTTONUP, p);
  PumpUntilIdle();
  if (SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) == 0) return Error("the combo box list did not open");
  return true;
}

bool InputDriver::SelectComboItem(HWND combo, int index) {
  if (!OpenComboList(combo)) return false;
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  GetComboBoxInfo(combo, &info);
  auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  if (index < 0 || index >= count) {
    CancelComboList(combo);
    return Error("the combo box list has no item " + std::to_string(index));
  }
  auto height = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));
  RECT client{};
  GetClientRect(info.hwndList, &client);
  POINT p{client.right / 2, index * height + height / 2};
  if (p.y >= client.bottom) {
    CancelComboList(combo);
    return Error("the combo box item is outside the list");
  }
  ClientToScreen(info.hwndList, &p);
  return ClickScreen(p);
}

bool InputDriver::CancelComboList(HWND combo) {
  if (SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) == 0) return Error("the combo box list is not open");
  PostMouse(WM_LBUTTONDOWN, kNowhere);
  PostMouse(WM_LBUTTONUP, kNowhere);
  PumpUntilIdle();
  return true;
}

bool InputDriver::ClickListItem(HWND list, int index) {
  RECT r{};
  if (SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)) == LB_ERR) {
    return Error("the list has no item " + std::to_string(index));
  }
  return ClickWindowAt(list, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

bool InputDriver::ClickListCheck(HWND list, int index) {
  RECT r{};
  if (SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)) == LB_ERR) {
    return Error("the list has no item " + std::to_string(index));
  }
  return ClickWindowAt(list, r.left + kCheckBoxWidth / 2, (r.top + r.bottom) / 2);
}

bool InputDriver::TypeText(std::u16string_view text) {
  for (char16_t c : text) {
    UINT vk = 0;
    bool shift = false;
    if (KeyFor(c, &vk, &shift)) {
      PostStroke(vk, shift ? kShift : kNone);
    } else {
      InputEvent e;
      e.message = WM_CHAR;
      e.wParam = c;
      e.lParam = 1;
      QueueInput(e);
    }
  }
  PumpUntilIdle();
  return true;
}

bool InputDriver::PressKey(UINT virtual_key, UINT modifiers) {
  PostStroke(virtual_key, modifiers);
  PumpUntilIdle();
  return true;
}

void InputDriver::Queue(std::function<void()> action) { CurrentThread().driver_actions.push_back(std::move(action)); }

void InputDriver::QueueChooseMenuItem(UINT command_id) {
  Queue([command_id] { ChooseMenuItem(command_id); });
}

void InputDriver::QueueChooseMenuItemAt(int position) {
  Queue([position] { ChooseMenuItemAt(position); });
}

void InputDriver::QueueCancelMenu() {
  Queue([] { CancelMenu(); });
}

void InputDriver::QueueClickDialogItem(int id) {
  Queue([id] {
    if (HWND item = DialogItem(id)) ClickWindow(item);
  });
}

void InputDriver::QueueSelectComboItem(int dialog_item, int index) {
  Queue([dialog_item, index] {
    if (HWND combo = DialogItem(dialog_item)) SelectComboItem(combo, index);
  });
}

void InputDriver::QueueClickListCheck(int dialog_item, int index) {
  Queue([dialog_item, index] {
    if (HWND list = DialogItem(dialog_item)) ClickListCheck(list, index);
  });
}

void InputDriver::QueueTypeText(std::u16string text) {
  Queue([text] { TypeText(text); });
}

void InputDriver::QueuePressKey(UINT virtual_key, UINT modifiers) {
  Queue([virtual_key, modifiers] { PressKey(virtual_key, modifiers); });
}

std::size_t InputDriver::QueuedActions() { return CurrentThread().driver_actions.size(); }

void InputDriver::ClearQueue() { CurrentThread().driver_actions.clear(); }

int InputDriver::RunUntilIdle() { return PumpUntilIdle(); }

std::vector<std::string> InputDriver::TakeErrors() {
  std::vector<std::string> errors;
  errors.swap(CurrentThread().driver_errors);
  return errors;
}

HWND InputDriver::CurrentDialog() {
  ThreadState& t = CurrentThread();
  for (auto it = t.loops.rbegin(); it != t.loops.rend(); ++it) {
    if ((*it)->kind == LoopFrame::Kind::kDialog) return (*it)->window;
  }
  return nullptr;
}

}  // namespace quorvia::ui
