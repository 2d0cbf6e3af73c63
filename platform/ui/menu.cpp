#include "platform/ui/menu.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/sync/last_error.h"
#include "platform/ui/controls_internal.h"
#include "platform/ui/gdi.h"
#include "platform/ui/window_internal.h"

namespace quorvia::ui {
namespace {

constexpr int kItemHeight = 20;
constexpr int kSeparatorHeight = 8;
constexpr int kExtraWidth = 60;
constexpr UINT kStateBits = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT | MF_HILITE;

struct MenuItem {
  UINT type = MF_STRING;  // MF_SEPARATOR, MF_POPUP, MF_BITMAP, MF_OWNERDRAW bits
  UINT state = 0;
  UINT id = 0;
  HMENU sub = nullptr;
  std::u16string text;
  ULONG_PTR data = 0;
};

struct Menu {
  std::vector<MenuItem> items;
};

std::mutex& LiveLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::unordered_set<const void*>& Live() {
  static auto* live = new std::unordered_set<const void*>;
  return *live;
}

Menu* FromHandle(HMENU handle) {
  if (handle == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(LiveLock());
  return Live().count(handle) != 0 ? reinterpret_cast<Menu*>(handle) : nullptr;
}

HMENU NewMenu() {
  auto* menu = new Menu;
  std::lock_guard<std::mutex> guard(LiveLock());
  Live().insert(menu);
  return reinterpret_cast<HMENU>(menu);
}

// The menu and index of an item addressed by position or by command id (the
// search by id goes into submenus).
bool Locate(HMENU handle, UINT item, UINT flags, Menu** out, int* index) {
  Menu* menu = FromHandle(handle);
  if (menu == nullptr) return false;
  if ((flags & MF_BYPOSITION) != 0) {
    if (item >= menu->items.size()) return false;
    *out = menu;
    *index = static_cast<int>(item);
    return true;
  }
  for (std::size_t i = 0; i < menu->items.size(); ++i) {
    const MenuItem& it = menu->items[i];
    if ((it.type & MF_POPUP) != 0) {
      if (Locate(it.sub, item, flags, out, index)) return true;
      continue;
    }
    if ((it.type & MF_SEPARATOR) == 0 && it.id == item) {
      *out = menu;
      *index = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

MenuItem MakeItem(UINT flags, UINT_PTR item, LPCWSTR text) {
  MenuItem m;
  m.type = flags & (MF_SEPARATOR | MF_POPUP | MF_BITMAP | MF_OWNERDRAW | MF_MENUBREAK | MF_MENUBARBREAK);
  m.state = flags & kStateBits;
  if ((flags & MF_POPUP) != 0) {
    m.sub = reinterpret_cast<HMENU>(item);
  } else if ((flags & MF_SEPARATOR) == 0) {
    m.id = static_cast<UINT>(item);
  }
  if ((flags & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW)) == 0) {
    m.text = Text(text);
  } else if ((flags & MF_OWNERDRAW) != 0) {
    m.data = reinterpret_cast<ULONG_PTR>(text);
  }
  return m;
}

void DestroyMenuTree(HMENU handle) {
  Menu* menu = nullptr;
  {
    std::lock_guard<std::mutex> guard(LiveLock());
    if (Live().count(handle) == 0) return;
    Live().erase(handle);
    menu = reinterpret_cast<Menu*>(handle);
  }
  for (MenuItem& item : menu->items) {
    if ((item.type & MF_POPUP) != 0) DestroyMenuTree(item.sub);
  }
  delete menu;
}

bool Selectable(const MenuItem& item) { return (item.type & MF_SEPARATOR) == 0; }

bool Enabled(const MenuItem& item) { return (item.state & (MF_GRAYED | MF_DISABLED)) == 0; }

// ---------------------------------------------------------- menu windows

struct MenuSession {
  HMENU top = nullptr;
  HWND owner = nullptr;
  UINT flags = 0;
  std::vector<HWND> windows;  // outermost first
  bool ended = false;
  UINT chosen = 0;
};

struct MenuWindowState : ControlState {
  HMENU menu = nullptr;
  MenuSession* session = nullptr;
  int level = 0;
  int hilite = -1;
};

struct MenuCreate {
  HMENU menu;
  MenuSession* session;
  int level;
};

thread_local MenuSession* t_session = nullptr;

MenuWindowState* StateOf(HWND hwnd) {
  auto w = Find(hwnd);
  return w ? dynamic_cast<MenuWindowState*>(w->control.get()) : nullptr;
}

std::vector<RECT> ItemRects(const Menu& menu, int width) {
  std::vector<RECT> rects;
  int y = 0;
  for (const MenuItem& item : menu.items) {
    int h = (item.type & MF_SEPARATOR) != 0 ? kSeparatorHeight : kItemHeight;
    rects.push_back(RECT{0, y, width, y + h});
    y += h;
  }
  return rects;
}

SIZE ClientSize(const Menu& menu) {
  int widest = 0;
  int height = 0;
  for (const MenuItem& item : menu.items) {
    widest = std::max(widest, TextWidth(nullptr, item.text));
    height += (item.type & MF_SEPARATOR) != 0 ? kSeparatorHeight : kItemHeight;
  }
  return SIZE{widest + kExtraWidth, height};
}

void Notify(const MenuSession& s, UINT message, WPARAM wp, LPARAM lp) {
  if ((s.flags & TPM_NONOTIFY) != 0 || !IsWindow(s.owner)) return;
  SendMessageW(s.owner, message, wp, lp);
}

HWND OpenWindow(MenuSession& s, HMENU handle, int level, int x, int y) {
  Menu* menu = FromHandle(handle);
  if (menu == nullptr) return nullptr;
  SIZE size = ClientSize(*menu);
  MenuCreate create{handle, &s, level};
  HWND w = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, u"#32768", nullptr, WS_POPUP | WS_BORDER, x, y,
                           size.cx + 2, size.cy + 2, s.owner, nullptr, nullptr, &create);
  if (w == nullptr) return nullptr;
  s.windows.push_back(w);
  ShowWindow(w, SW_SHOWNA);
  return w;
}

void CloseFrom(MenuSession& s, int level) {
  while (static_cast<int>(s.windows.size()) > level) {
    HWND w = s.windows.back();
    s.windows.pop_back();
    if (MenuWindowState* ms = StateOf(w)) {
      if (level > 0) {
        Notify(s, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(ms->menu), 0);
      }
    }
    DestroyWindow(w);
  }
}

void End(MenuSession& s, UINT chosen) {
  s.chosen = chosen;
  s.ended = true;
}

void OpenSubmenu(MenuSession& s, HWND window, int index) {
  MenuWindowState* ms = StateOf(window);
  Menu* menu = ms == nullptr ? nullptr : FromHandle(ms->menu);
  if (menu == nullptr || index < 0 || index >= static_cast<int>(menu->items.size())) return;
  const MenuItem& item = menu->items[static_cast<std::size_t>(index)];
  if ((item.type & MF_POPUP) == 0 || !Enabled(item) || !FromHandle(item.sub)) return;
  int level = ms->level + 1;
  if (static_cast<int>(s.windows.size()) > level) {
    MenuWindowState* open = StateOf(s.windows[static_cast<std::size_t>(level)]);
    if (open != nullptr && open->menu == item.sub) return;  // already open
  }
  CloseFrom(s, level);
  RECT wr{};
  GetWindowRect(window, &wr);
  RECT ir = ItemRects(*menu, 0)[static_cast<std::size_t>(index)];
  HMENU sub = item.sub;
  Notify(s, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(static_cast<WORD>(index), FALSE));
  OpenWindow(s, sub, level, wr.right, wr.top + 1 + ir.top);
}

void Hilite(MenuSession& s, HWND window, int index) {
  MenuWindowState* ms = StateOf(window);
  Menu* menu = ms == nullptr ? nullptr : FromHandle(ms->menu);
  if (menu == nullptr) return;
  if (ms->hilite == index) return;
  ms->hilite = index;
  InvalidateRect(window, nullptr, TRUE);
  CloseFrom(s, ms->level + 1);
  if (index < 0 || index >= static_cast<int>(menu->items.size())) return;
  const MenuItem& item = menu->items[static_cast<std::size_t>(index)];
  UINT id = (item.type & MF_POPUP) != 0 ? static_cast<UINT>(index) : item.id;
  Notify(s, WM_MENUSELECT, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(item.type | item.state)),
         reinterpret_cast<LPARAM>(ms->menu));
  if ((item.type & MF_POPUP) != 0) OpenSubmenu(s, window, index);
}

// The session window and item under a screen point, innermost first.
bool HitItem(MenuSession& s, POINT screen, HWND* window, int* index) {
  for (auto it = s.windows.rbegin(); it != s.windows.rend(); ++it) {
    RECT wr{};
    GetWindowRect(*it, &wr);
    if (!PtInRect(&wr, screen)) continue;
    *window = *it;
    *index = -1;
    MenuWindowState* ms = StateOf(*it);
    Menu* menu = ms == nullptr ? nullptr : FromHandle(ms->menu);
    if (menu == nullptr) return true;
    POINT client = screen;
    ScreenToClient(*it, &client);
    std::vector<RECT> rects = ItemRects(*menu, wr.right - wr.left);
    for (std::size_t i = 0; i < rects.size(); ++i) {
      if (client.y >= rects[i].top && client.y < rects[i].bottom) *index = static_cast<int>(i);
    }
    return true;
  }
  return false;
}

void Activate(MenuSession& s, HWND window, int index) {
  MenuWindowState* ms = StateOf(window);
  Menu* menu = ms == nullptr ? nullptr : FromHandle(ms->menu);
  if (menu == nullptr || index < 0 || index >= static_cast<int>(menu->items.size())) return;
  const MenuItem& item = menu->items[static_cast<std::size_t>(index)];
  if (!Selectable(item) || !Enabled(item)) return;
  if ((item.type & MF_POPUP) != 0) {
    OpenSubmenu(s, window, index);
    return;
  }
  End(s, item.id);
}

void Key(MenuSession& s, UINT key) {
  if (s.windows.empty()) return;
  HWND window = s.windows.back();
  MenuWindowState* ms = StateOf(window);
  Menu* menu = ms == nullptr ? nullptr : FromHandle(ms->menu);
  if (menu == nullptr) return;
  int n = static_cast<int>(menu->items.size());
  switch (key) {
    case VK_ESCAPE:
      if (ms->level > 0) {
        CloseFrom(s, ms->level);
      } else {
        End(s, 0);
      }
      return;
    case VK_LEFT:
      if (ms->level > 0) CloseFrom(s, ms->level);
      return;
    case VK_UP:
    case VK_DOWN: {
      if (n == 0) return;
      int step = key == VK_DOWN ? 1 : -1;
      int at = ms->hilite;
      for (int k = 0; k < n; ++k) {
        at = at < 0 ? (step > 0 ? 0 : n - 1) : (at + step + n) % n;
        if (Selectable(menu->items[static_cast<std::size_t>(at)])) break;
      }
      ms->hilite = -2;  // let Hilite report the move even onto the same item
      Hilite(s, window, at);
      return;
    }
    case VK_RIGHT:
      if (ms->hilite >= 0 && ms->hilite < n &&
          (menu->items[static_cast<std::size_t>(ms->hilite)].type & MF_POPUP) != 0) {
        OpenSubmenu(s, window, ms->hilite);
      }
      return;
    case VK_RETURN:
      Activate(s, window, ms->hilite);
      return;
    default:
      return;
  }
}

void Handle(MenuSession& s, MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      Key(s, static_cast<UINT>(msg.wParam));
      return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
      return;
    default:
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
  }
}

}  // namespace

LRESULT MenuWindowProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    auto w = Find(hwnd);
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* create = cs == nullptr ? nullptr : static_cast<MenuCreate*>(cs->lpCreateParams);
    if (!w || create == nullptr) return FALSE;
    auto state = std::make_unique<MenuWindowState>();
    state->menu = create->menu;
    state->session = create->session;
    state->level = create->level;
    w->control = std::move(state);
    return DefWindowProcW(hwnd, message, wp, lp);
  }
  MenuWindowState* ms = StateOf(hwnd);
  if (ms == nullptr || ms->session == nullptr) return DefWindowProcW(hwnd, message, wp, lp);
  MenuSession& s = *ms->session;
  POINT screen{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  switch (message) {
    case WM_MOUSEMOVE: {
      ClientToScreen(hwnd, &screen);
      HWND window = nullptr;
      int index = -1;
      if (HitItem(s, screen, &window, &index) && index >= 0) Hilite(s, window, index);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      ClientToScreen(hwnd, &screen);
      HWND window = nullptr;
      int index = -1;
      if (!HitItem(s, screen, &window, &index)) End(s, 0);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      ClientToScreen(hwnd, &screen);
      HWND window = nullptr;
      int index = -1;
      if (HitItem(s, screen, &window, &index) && index >= 0) Activate(s, window, index);
      return 0;
    }
    case WM_KEYDOWN:
      Key(s, static_cast<UINT>(wp));
      return 0;
    case WM_PAINT:
      ValidateRect(hwnd, nullptr);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wp, lp);
  }
}

HMENU OpenPopupMenu() { return t_session == nullptr ? nullptr : t_session->top; }

std::vector<HWND> OpenMenuWindows() { return t_session == nullptr ? std::vector<HWND>() : t_session->windows; }

HWND MenuWindowOf(HMENU menu) {
  if (t_session == nullptr) return nullptr;
  for (HWND w : t_session->windows) {
    MenuWindowState* ms = StateOf(w);
    if (ms != nullptr && ms->menu == menu) return w;
  }
  return nullptr;
}

bool MenuItemScreenRect(HMENU handle, int position, RECT* rect) {
  HWND window = MenuWindowOf(handle);
  Menu* menu = FromHandle(handle);
  if (window == nullptr || menu == nullptr || rect == nullptr || position < 0 ||
      position >= static_cast<int>(menu->items.size())) {
    return false;
  }
  RECT client{};
  GetClientRect(window, &client);
  *rect = ItemRects(*menu, client.right)[static_cast<std::size_t>(position)];
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  OffsetRect(rect, origin.x, origin.y);
  return true;
}

}  // namespace quorvia::ui

using namespace quorvia::ui;

HMENU CreatePopupMenu() { return NewMenu(); }

HMENU CreateMenu() { return NewMenu(); }

BOOL DestroyMenu(HMENU menu) {
  if (!FromHandle(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  DestroyMenuTree(menu);
  return TRUE;
}

BOOL IsMenu(HMENU menu) { return FromHandle(menu) != nullptr ? TRUE : FALSE; }

BOOL AppendMenuW(HMENU handle, UINT flags, UINT_PTR item, LPCWSTR text) {
  Menu* menu = FromHandle(handle);
  if (menu == nullptr || ((flags & MF_POPUP) != 0 && !FromHandle(reinterpret_cast<HMENU>(item)))) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  menu->items.push_back(MakeItem(flags, item, text));
  return TRUE;
}

BOOL InsertMenuW(HMENU handle, UINT position, UINT flags, UINT_PTR item, LPCWSTR text) {
  Menu* menu = FromHandle(handle);
  if (menu == nullptr || ((flags & MF_POPUP) != 0 && !FromHandle(reinterpret_cast<HMENU>(item)))) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  MenuItem made = MakeItem(flags, item, text);
  if ((flags & MF_BYPOSITION) != 0) {
    std::size_t at = position >= menu->items.size() ? menu->items.size() : position;
    menu->items.insert(menu->items.begin() + static_cast<std::ptrdiff_t>(at), made);
    return TRUE;
  }
  Menu* where = nullptr;
  int index = 0;
  if (!Locate(handle, position, flags, &where, &index)) return FALSE;
  where->items.insert(where->items.begin() + index, made);
  return TRUE;
}

BOOL InsertMenuItemW(HMENU handle, UINT item, BOOL by_position, const MENUITEMINFOW* info) {
  Menu* menu = FromHandle(handle);
  if (menu == nullptr || info == nullptr) return FALSE;
  MenuItem made;
  if ((info->fMask & (MIIM_FTYPE | MIIM_TYPE)) != 0) made.type = info->fType & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW);
  if ((info->fMask & MIIM_STATE) != 0) made.state = info->fState & kStateBits;
  if ((info->fMask & MIIM_ID) != 0) made.id = info->wID;
  if ((info->fMask & MIIM_SUBMENU) != 0 && info->hSubMenu != nullptr) {
    if (!FromHandle(info->hSubMenu)) return FALSE;
    made.type |= MF_POPUP;
    made.sub = info->hSubMenu;
  }
  if ((info->fMask & MIIM_DATA) != 0) made.data = info->dwItemData;
  if ((info->fMask & (MIIM_STRING | MIIM_TYPE)) != 0 && (made.type & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW)) == 0) {
    made.text = Text(info->dwTypeData);
  }
  if (by_position) {
    std::size_t at = item >= menu->items.size() ? menu->items.size() : item;
    menu->items.insert(menu->items.begin() + static_cast<std::ptrdiff_t>(at), made);
    return TRUE;
  }
  Menu* where = nullptr;
  int index = 0;
  if (!Locate(handle, item, MF_BYCOMMAND, &where, &index)) return FALSE;
  where->items.insert(where->items.begin() + index, made);
  return TRUE;
}

BOOL ModifyMenuW(HMENU handle, UINT position, UINT flags, UINT_PTR item, LPCWSTR text) {
  Menu* where = nullptr;
  int index = 0;
  if (!Locate(handle, position, flags, &where, &index)) return FALSE;
  if ((flags & MF_POPUP) != 0 && !FromHandle(reinterpret_cast<HMENU>(item))) return FALSE;
  MenuItem& old = where->items[static_cast<std::size_t>(index)];
  HMENU old_sub = (old.type & MF_POPUP) != 0 ? old.sub : nullptr;
  old = MakeItem(flags, item, text);
  if (old_sub != nullptr && old.sub != old_sub) DestroyMenuTree(old_sub);
  return TRUE;
}

BOOL GetMenuItemInfoW(HMENU handle, UINT item, BOOL by_position, MENUITEMINFOW* info) {
  Menu* where = nullptr;
  int index = 0;
  if (info == nullptr || !Locate(handle, item, by_position ? MF_BYPOSITION : MF_BYCOMMAND, &where, &index)) {
    return FALSE;
  }
  const MenuItem& m = where->items[static_cast<std::size_t>(index)];
  if ((info->fMask & (MIIM_FTYPE | MIIM_TYPE)) != 0) info->fType = m.type & ~MF_POPUP;
  if ((info->fMask & MIIM_STATE) != 0) info->fState = m.state;
  if ((info->fMask & MIIM_ID) != 0) info->wID = m.id;
  if ((info->fMask & MIIM_SUBMENU) != 0) info->hSubMenu = (m.type & MF_POPUP) != 0 ? m.sub : nullptr;
  if ((info->fMask & MIIM_DATA) != 0) info->dwItemData = m.data;
  if ((info->fMask & (MIIM_STRING | MIIM_TYPE)) != 0) {
    if (info->dwTypeData != nullptr && info->cch > 0) {
      CopyText(m.text, info->dwTypeData, static_cast<int>(info->cch));
    }
    info->cch = static_cast<UINT>(m.text.size());
  }
  return TRUE;
}

BOOL SetMenuItemInfoW(HMENU handle, UINT item, BOOL by_position, const MENUITEMINFOW* info) {
  Menu* where = nullptr;
  int index = 0;
  if (info == nullptr || !Locate(handle, item, by_position ? MF_BYPOSITION : MF_BYCOMMAND, &where, &index)) {
    return FALSE;
  }
  MenuItem& m = where->items[static_cast<std::size_t>(index)];
  if ((info->fMask & (MIIM_FTYPE | MIIM_TYPE)) != 0) {
    m.type = (m.type & MF_POPUP) | (info->fType & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW));
  }
  if ((info->fMask & MIIM_STATE) != 0) m.state = info->fState & kStateBits;
  if ((info->fMask & MIIM_ID) != 0) m.id = info->wID;
  if ((info->fMask & MIIM_SUBMENU) != 0) {
    if (info->hSubMenu != nullptr && !FromHandle(info->hSubMenu)) return FALSE;
    m.sub = info->hSubMenu;
    m.type = info->hSubMenu != nullptr ? (m.type | MF_POPUP) : (m.type & ~MF_POPUP);
  }
  if ((info->fMask & MIIM_DATA) != 0) m.data = info->dwItemData;
  if ((info->fMask & (MIIM_STRING | MIIM_TYPE)) != 0 && (m.type & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW)) == 0) {
    m.text = Text(info->dwTypeData);
  }
  return TRUE;
}

BOOL RemoveMenu(HMENU handle, UINT position, UINT flags) {
  Menu* where = nullptr;
  int index = 0;
  if (!Locate(handle, position, flags, &where, &index)) return FALSE;
  where->items.erase(where->items.begin() + index);
  return TRUE;
}

BOOL DeleteMenu(HMENU handle, UINT position, UINT flags) {
  Menu* where = nullptr;
  int index = 0;
  if (!Locate(handle, position, flags, &where, &index)) return FALSE;
  HMENU sub = (where->items[static_cast<std::size_t>(index)].type & MF_POPUP) != 0
                  ? where->items[static_cast<std::size_t>(index)].sub
                  : nullptr;
  where->items.erase(where->items.begin() + index);
  if (sub != nullptr) DestroyMenuTree(sub);
  return TRUE;
}

BOOL EnableMenuItem(HMENU handle, UINT item, UINT flags) {
  Menu* where = nullptr;
  int index = 0;
  if (!Locate(handle, item, flags, &where, &index)) return -1;
  MenuItem& m = where->items[static_cast<std::size_t>(index)];
  UINT previous = m.state & (MF_GRAYED | MF_DISABLED);
  m.state = (m.state & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return static_cast<BOOL>(previous);
}

DWORD CheckMenuItem(HMENU handle, UINT item, UINT flags) {
  Menu* where = nullptr;
  int index = 0;
  if (!Locate(handle, item, flags, &where, &index)) return static_cast<DWORD>(-1);
  MenuItem& m = where->items[static_cast<std::size_t>(index)];
  DWORD previous = m.state & MF_CHECKED;
  m.state = (m.state & ~MF_CHECKED) | (flags & MF_CHECKED);
  return previous;
}

int GetMenuItemCount(HMENU handle) {
  Menu* menu = FromHandle(handle);
  if (menu == nullptr) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return -1;
  }
  return static_cast<int>(menu->items.size());
}

UINT GetMenuItemID(HMENU handle, int position) {
  Menu* menu = FromHandle(handle);
  if (menu == nullptr || position < 0 || position >= static_cast<int>(menu->items.size())) return static_cast<UINT>(-1);
  const MenuItem& m = menu->items[static_cast<std::size_t>(position)];
  if ((m.type & MF_POPUP) != 0) return static_cast<UINT>(-1);
  return m.id;
}

HMENU GetSubMenu(HMENU handle, int position) {
  Menu* menu = FromHandle(handle);
  if (menu == nullptr || position < 0 || position >= static_cast<int>(menu->items.size())) return nullptr;
  const MenuItem& m = menu->items[static_cast<std::size_t>(position)];
  return (m.type & MF_POPUP) != 0 ? m.sub : nullptr;
}

UINT GetMenuState(HMENU handle, UINT item, UINT flags) {
  Menu* where = nullptr;
  int index = 0;
  if (!Locate(handle, item, flags, &where, &index)) return static_cast<UINT>(-1);
  const MenuItem& m = where->items[static_cast<std::size_t>(index)];
  UINT state = m.state | (m.type & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW));
  if ((m.type & MF_POPUP) != 0) {
    Menu* sub = FromHandle(m.sub);
    UINT count = sub == nullptr ? 0 : static_cast<UINT>(sub->items.size());
    return (count << 8) | (state & 0xFF) | MF_POPUP;
  }
  return state;
}

int GetMenuStringW(HMENU handle, UINT item, LPWSTR buffer, int size, UINT flags) {
  Menu* where = nullptr;
  int index = 0;
  if (!Locate(handle, item, flags, &where, &index)) return 0;
  const std::u16string& text = where->items[static_cast<std::size_t>(index)].text;
  if (buffer == nullptr || size <= 0) return static_cast<int>(text.size());
  return CopyText(text, buffer, size);
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

BOOL TrackPopupMenuEx(HMENU handle, UINT flags, int x, int y, HWND owner, const TPMPARAMS*) {
  Menu* menu = quorvia::ui::FromHandle(handle);
  if (menu == nullptr) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  if (!FindOwn(owner) || t_session != nullptr) return FALSE;
  MenuSession session;
  session.top = handle;
  session.owner = owner;
  session.flags = flags;
  Notify(session, WM_ENTERMENULOOP, TRUE, 0);
  Notify(session, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(handle), MAKELPARAM(0, FALSE));
  menu = quorvia::ui::FromHandle(handle);
  if (menu == nullptr || menu->items.empty()) {
    Notify(session, WM_EXITMENULOOP, TRUE, 0);
    return FALSE;
  }
  SIZE size = ClientSize(*menu);
  int width = size.cx + 2;
  int height = size.cy + 2;
  if ((flags & TPM_RIGHTALIGN) != 0) x -= width;
  if ((flags & TPM_CENTERALIGN) != 0) x -= width / 2;
  if ((flags & TPM_BOTTOMALIGN) != 0) y -= height;
  if ((flags & TPM_VCENTERALIGN) != 0) y -= height / 2;

  t_session = &session;
  HWND top = OpenWindow(session, handle, 0, x, y);
  if (top == nullptr) {
    t_session = nullptr;
    return FALSE;
  }
  HWND old_capture = SetCapture(top);
  (void)old_capture;
  LoopFrame frame;
  frame.kind = LoopFrame::Kind::kMenu;
  frame.window = top;
  frame.handle = [&session](MSG& msg) { Handle(session, msg); };
  frame.ended = [&session] { return session.ended || session.windows.empty(); };
  frame.unattended = [&session] { End(session, 0); };
  RunNestedLoop(frame);

  CloseFrom(session, 0);
  if (GetCapture() == top || GetCapture() == nullptr) ReleaseCapture();
  t_session = nullptr;
  UINT chosen = session.ended ? session.chosen : 0;
  Notify(session, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(handle), 0);
  Notify(session, WM_EXITMENULOOP, TRUE, 0);
  if ((flags & TPM_RETURNCMD) != 0) return static_cast<BOOL>(chosen);
  if (chosen != 0 && IsWindow(owner)) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0);
  return TRUE;
}
