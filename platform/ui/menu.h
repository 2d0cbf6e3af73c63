// Menus: popup menus built item by item and shown with TrackPopupMenu.
//
// TrackPopupMenu(Ex) shows the menu as a pop-up window ("#32768") and runs a
// nested message loop until the user chooses an enabled item or cancels
// (Escape, a click outside the menu). Headless, the choice comes from the
// input driver (platform/ui/input_driver.h); a menu left without input is
// cancelled (see message_loop.h).
// Menu windows: items are 20 px high (separators 8) inside a 1 px border;
// the client area is 60 px + the widest item text (8 px per character) wide.
// A submenu opens to the right of its item when the mouse rests on the item
// (or on the Right key) and closes on Left or Escape.
#pragma once

#include <vector>

#include "platform/api.h"
#include "platform/com/types.h"
#include "platform/ui/window.h"

constexpr UINT MF_INSERT = 0x00000000;
constexpr UINT MF_CHANGE = 0x00000080;
constexpr UINT MF_APPEND = 0x00000100;
constexpr UINT MF_DELETE = 0x00000200;
constexpr UINT MF_REMOVE = 0x00001000;
constexpr UINT MF_BYCOMMAND = 0x00000000;
constexpr UINT MF_BYPOSITION = 0x00000400;
constexpr UINT MF_SEPARATOR = 0x00000800;
constexpr UINT MF_ENABLED = 0x00000000;
constexpr UINT MF_GRAYED = 0x00000001;
constexpr UINT MF_DISABLED = 0x00000002;
constexpr UINT MF_UNCHECKED = 0x00000000;
constexpr UINT MF_CHECKED = 0x00000008;
constexpr UINT MF_STRING = 0x00000000;
constexpr UINT MF_BITMAP = 0x00000004;
constexpr UINT MF_OWNERDRAW = 0x00000100;
constexpr UINT MF_POPUP = 0x00000010;
constexpr UINT MF_MENUBARBREAK = 0x00000020;
constexpr UINT MF_MENUBREAK = 0x00000040;
constexpr UINT MF_HILITE = 0x00000080;
constexpr UINT MF_DEFAULT = 0x00001000;

constexpr UINT MFT_STRING = MF_STRING;
constexpr UINT MFT_SEPARATOR = MF_SEPARATOR;
constexpr UINT MFS_GRAYED = 0x00000003;
constexpr UINT MFS_DISABLED = MFS_GRAYED;
constexpr UINT MFS_CHECKED = MF_CHECKED;
constexpr UINT MFS_HILITE = MF_HILITE;
constexpr UINT MFS_ENABLED = MF_ENABLED;
constexpr UINT MFS_UNCHECKED = MF_UNCHECKED;
constexpr UINT MFS_DEFAULT = MF_DEFAULT;

constexpr UINT MIIM_STATE = 0x00000001;
constexpr UINT MIIM_ID = 0x00000002;
constexpr UINT MIIM_SUBMENU = 0x00000004;
constexpr UINT MIIM_CHECKMARKS = 0x00000008;
constexpr UINT MIIM_TYPE = 0x00000010;
constexpr UINT MIIM_DATA = 0x00000020;
constexpr UINT MIIM_STRING = 0x00000040;
constexpr UINT MIIM_BITMAP = 0x00000080;
constexpr UINT MIIM_FTYPE = 0x00000100;

constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_HORIZONTAL = 0x0000;
constexpr UINT TPM_VERTICAL = 0x0040;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

struct MENUITEMINFOW {
  UINT cbSize;
  UINT fMask;
  UINT fType;
  UINT fState;
  UINT wID;
  HMENU hSubMenu;
  HBITMAP hbmpChecked;
  HBITMAP hbmpUnchecked;
  ULONG_PTR dwItemData;
  LPWSTR dwTypeData;
  UINT cch;
  HBITMAP hbmpItem;
};
using MENUITEMINFO = MENUITEMINFOW;

struct TPMPARAMS {
  UINT cbSize;
  RECT rcExclude;
};

QUORVIA_PLATFORM_API HMENU CreatePopupMenu();
QUORVIA_PLATFORM_API HMENU CreateMenu();
// Destroys the menu and the submenus its items hold.
QUORVIA_PLATFORM_API BOOL DestroyMenu(HMENU menu);
QUORVIA_PLATFORM_API BOOL IsMenu(HMENU menu);
// `item` is the command id, or the submenu's handle with MF_POPUP.
QUORVIA_PLATFORM_API BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR item, LPCWSTR text);
// Inserts before the item at `position` (MF_BYPOSITION; -1 or past the end
// appends) or before the item with that command id.
QUORVIA_PLATFORM_API BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR item, LPCWSTR text);
QUORVIA_PLATFORM_API BOOL InsertMenuItemW(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFOW* info);
QUORVIA_PLATFORM_API BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR item, LPCWSTR text);
QUORVIA_PLATFORM_API BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL by_position, MENUITEMINFOW* info);
QUORVIA_PLATFORM_API BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFOW* info);
// Takes the item out; its submenu stays alive.
QUORVIA_PLATFORM_API BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
// Takes the item out and destroys its submenu.
QUORVIA_PLATFORM_API BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
// Previous state (MF_ENABLED, MF_GRAYED, MF_DISABLED bits), -1 when missing.
QUORVIA_PLATFORM_API BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags);
// Previous check state (MF_CHECKED or MF_UNCHECKED), -1 when missing.
QUORVIA_PLATFORM_API DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
// -1 for a bad handle.
QUORVIA_PLATFORM_API int GetMenuItemCount(HMENU menu);
// The command id; -1 (as UINT) for a submenu or a bad position; 0 for a
// separator.
QUORVIA_PLATFORM_API UINT GetMenuItemID(HMENU menu, int position);
QUORVIA_PLATFORM_API HMENU GetSubMenu(HMENU menu, int position);
// The state bits; for a submenu item the item count in the high byte.
// -1 when missing.
QUORVIA_PLATFORM_API UINT GetMenuState(HMENU menu, UINT item, UINT flags);
QUORVIA_PLATFORM_API int GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int size, UINT flags);
// With TPM_RETURNCMD: the chosen command id, 0 when cancelled. Otherwise
// TRUE, and a choice is posted to the owner as WM_COMMAND (id, 0) after the
// menu has closed. Unless TPM_NONOTIFY the owner gets WM_ENTERMENULOOP,
// WM_INITMENUPOPUP, WM_MENUSELECT, WM_UNINITMENUPOPUP and WM_EXITMENULOOP.
QUORVIA_PLATFORM_API BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                                         const RECT* rect);
QUORVIA_PLATFORM_API BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner,
                                           const TPMPARAMS* params);

inline BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR item, LPCWSTR text) {
  return AppendMenuW(menu, flags, item, text);
}
inline BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR item, LPCWSTR text) {
  return InsertMenuW(menu, position, flags, item, text);
}
inline BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR item, LPCWSTR text) {
  return ModifyMenuW(menu, position, flags, item, text);
}

namespace quorvia::ui {

// The menu TrackPopupMenu is showing on the calling thread, or null.
QUORVIA_PLATFORM_API HMENU OpenPopupMenu();
// The open menu windows of the calling thread, outermost first.
QUORVIA_PLATFORM_API std::vector<HWND> OpenMenuWindows();
// The menu window showing `menu`, or null; the screen rectangle of its item
// at `position`.
QUORVIA_PLATFORM_API HWND MenuWindowOf(HMENU menu);
QUORVIA_PLATFORM_API bool MenuItemScreenRect(HMENU menu, int position, RECT* rect);

}  // namespace quorvia::ui
