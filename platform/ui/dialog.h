// Dialogs from templates: the dialog class ("#32770") and its default
// procedure, modal and modeless dialogs, the dialog keyboard, and dialog
// templates.
//
// A template resource (type RT_DIALOG) is resource-script text:
//
//   DIALOGEX 0, 0, 245, 214
//   STYLE DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU
//   CAPTION "About"
//   FONT 8, "Tahoma"
//   BEGIN
//     DEFPUSHBUTTON "OK", IDOK, 189, 187, 50, 14
//     LTEXT "Version:", 1001, 9, 71, 42, 8
//     COMBOBOX 1004, 55, 83, 120, 106, CBS_DROPDOWN | CBS_SORT | WS_VSCROLL
//     CONTROL 230, -1, "Static", SS_BITMAP, 7, 7, 231, 57
//   END
//
// (an identifier may precede DIALOG/DIALOGEX; "{" "}" may stand for BEGIN
// END; // and /* */ comments and # lines are skipped). Statements: LTEXT,
// RTEXT, CTEXT, PUSHBUTTON, DEFPUSHBUTTON, CHECKBOX, AUTOCHECKBOX,
// RADIOBUTTON, AUTORADIOBUTTON, STATE3, AUTO3STATE, GROUPBOX, EDITTEXT,
// COMBOBOX, LISTBOX, ICON and CONTROL, with the resource compiler's default
// styles; styles are numbers and the WS_, WS_EX_, DS_, SS_, BS_, ES_, CBS_
// and LBS_ names, joined with | and NOT.
//
// Dialog units: x pixels = units * W / 4, y pixels = units * H / 8 with the
// metrics of the dialog's font (gdi.h; FONT 8 gives W 8, H 13; without FONT
// the default GUI font is used). The template size is the client area.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/api.h"
#include "platform/com/types.h"
#include "platform/module/module.h"
#include "platform/ui/window.h"

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

#ifndef RT_DIALOG
#define RT_DIALOG MAKEINTRESOURCEW(5)
#endif

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDCLOSE = 8;
constexpr int IDHELP = 9;
constexpr int IDC_STATIC = -1;

constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = static_cast<int>(sizeof(LONG_PTR));
constexpr int DWLP_USER = 2 * static_cast<int>(sizeof(LONG_PTR));

constexpr DWORD DS_ABSALIGN = 0x0001;
constexpr DWORD DS_SYSMODAL = 0x0002;
constexpr DWORD DS_3DLOOK = 0x0004;
constexpr DWORD DS_FIXEDSYS = 0x0008;
constexpr DWORD DS_NOFAILCREATE = 0x0010;
constexpr DWORD DS_LOCALEDIT = 0x0020;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_NOIDLEMSG = 0x0100;
constexpr DWORD DS_SETFOREGROUND = 0x0200;
constexpr DWORD DS_CONTROL = 0x0400;
constexpr DWORD DS_CENTER = 0x0800;
constexpr DWORD DS_CENTERMOUSE = 0x1000;
constexpr DWORD DS_CONTEXTHELP = 0x2000;
constexpr DWORD DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr UINT DM_SETDEFID = WM_USER + 1;
constexpr WORD DC_HASDEFID = 0x534B;

namespace quorvia::ui {

struct DialogItemTemplate {
  std::u16string class_name;
  std::u16string text;
  WORD text_id = 0;  // a resource number as the text (a picture), when not 0
  int id = 0;
  DWORD style = 0;
  DWORD ex_style = 0;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD ex_style = 0;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  std::u16string caption;
  std::u16string font_face;
  WORD font_size = 0;
  std::vector<DialogItemTemplate> items;
};

// Reads resource-script text (see above); false with a message naming the
// line when it is malformed.
QUORVIA_PLATFORM_API bool ParseDialogTemplate(std::string_view script, DialogTemplate* out, std::string* error);
// Loads and reads a RT_DIALOG resource.
QUORVIA_PLATFORM_API bool LoadDialogTemplate(HMODULE module, LPCWSTR name, DialogTemplate* out);

}  // namespace quorvia::ui

// Modal dialogs: the owner (the parent's top-level window) is disabled while
// the dialog runs its nested loop; returns EndDialog's result, or -1 when
// the template is missing or a window cannot be created.
QUORVIA_PLATFORM_API INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const quorvia::ui::DialogTemplate* dialog,
                                                     HWND parent, DLGPROC proc, LPARAM param);
QUORVIA_PLATFORM_API INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc,
                                             LPARAM param);
// Modeless dialogs: shown when the template has WS_VISIBLE.
QUORVIA_PLATFORM_API HWND CreateDialogIndirectParamW(HINSTANCE instance, const quorvia::ui::DialogTemplate* dialog,
                                                     HWND parent, DLGPROC proc, LPARAM param);
QUORVIA_PLATFORM_API HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc,
                                             LPARAM param);
// Ends a modal dialog's loop with the result (the window is hidden at once
// and destroyed when the loop returns).
QUORVIA_PLATFORM_API BOOL EndDialog(HWND dialog, INT_PTR result);
QUORVIA_PLATFORM_API LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM w, LPARAM l);
// Tab and Shift+Tab move the focus over WS_TABSTOP controls, Enter presses
// the focused push button or the default one, Escape sends IDCANCEL; any
// other message of the dialog is translated and dispatched. FALSE for
// messages of other windows.
QUORVIA_PLATFORM_API BOOL IsDialogMessageW(HWND dialog, MSG* msg);
QUORVIA_PLATFORM_API BOOL MapDialogRect(HWND dialog, RECT* rect);
QUORVIA_PLATFORM_API HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
QUORVIA_PLATFORM_API LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM w, LPARAM l);
QUORVIA_PLATFORM_API BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
QUORVIA_PLATFORM_API UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int size);
QUORVIA_PLATFORM_API BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL is_signed);
QUORVIA_PLATFORM_API UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL is_signed);
QUORVIA_PLATFORM_API BOOL CheckDlgButton(HWND dialog, int id, UINT check);
QUORVIA_PLATFORM_API UINT IsDlgButtonChecked(HWND dialog, int id);
