#include "platform/ui/dialog.h"

#include <algorithm>
#include <memory>
#include <string>

#include "platform/sync/last_error.h"
#include "platform/ui/controls.h"
#include "platform/ui/controls_internal.h"
#include "platform/ui/gdi.h"
#include "platform/ui/toolbar.h"
#include "platform/ui/window_internal.h"

namespace quorvia::ui {
namespace {

struct DialogState : ControlState {
  HFONT font = nullptr;
  bool own_font = false;
  bool ended = false;
  INT_PTR result = 0;
  int default_id = IDOK;
  HWND last_focus = nullptr;
  ~DialogState() override {
    if (own_font && font != nullptr) DeleteObject(font);
  }
};

DialogState* StateOf(HWND hwnd) {
  auto w = Find(hwnd);
  return w ? dynamic_cast<DialogState*>(w->control.get()) : nullptr;
}

bool ReturnsValueDirectly(UINT message) {
  return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_COMPAREITEM ||
         message == WM_INITDIALOG;
}

bool TabStop(HWND h) {
  LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
  return (style & WS_TABSTOP) != 0 && (style & WS_VISIBLE) != 0 && (style & WS_DISABLED) == 0;
}

HWND FirstTabStop(HWND dialog) {
  for (HWND h = GetWindow(dialog, GW_CHILD); h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
    if (TabStop(h)) return h;
  }
  return nullptr;
}

// The dialog's direct child that holds `control` (a combo box's edit field
// belongs to its combo box).
HWND DirectChild(HWND dialog, HWND control) {
  HWND h = control;
  while (h != nullptr && GetParent(h) != dialog) h = GetParent(h);
  return h;
}

void FocusControl(HWND control) {
  SetFocus(control);
  if ((SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) SendMessageW(control, EM_SETSEL, 0, -1);
}

void DialogUnits(HFONT font, int* base_x, int* base_y) {
  LOGFONTW lf{};
  if (GetObjectW(font, sizeof lf, &lf) != static_cast<int>(sizeof lf)) {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  }
  FontMetrics(lf, base_x, base_y);
}

HWND Create(HINSTANCE instance, const DialogTemplate* t, HWND parent, DLGPROC proc, LPARAM param, bool modal) {
  if (t == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HFONT font = nullptr;
  if (t->font_size != 0) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(t->font_size, 96, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    CopyText(t->font_face, lf.lfFaceName, LF_FACESIZE);
    font = CreateFontIndirectW(&lf);
  } else {
    font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }
  int bx = 0;
  int by = 0;
  DialogUnits(font, &bx, &by);
  auto px = [&](int units) { return MulDiv(units, bx, 4); };
  auto py = [&](int units) { return MulDiv(units, by, 8); };

  DWORD style = t->style & ~WS_VISIBLE;
  RECT frame{0, 0, px(t->cx), py(t->cy)};
  AdjustWindowRectEx(&frame, style, FALSE, t->ex_style);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  int x = px(t->x);
  int y = py(t->y);
  HWND owner = parent == nullptr ? nullptr : GetAncestor(parent, GA_ROOT);
  if ((style & WS_CHILD) == 0) {
    if ((style & DS_CENTER) != 0) {
      RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
      if (owner != nullptr) GetWindowRect(owner, &area);
      x = area.left + ((area.right - area.left) - width) / 2;
      y = area.top + ((area.bottom - area.top) - height) / 2;
    } else if (parent != nullptr && (style & DS_ABSALIGN) == 0) {
      POINT origin{x, y};
      ClientToScreen(parent, &origin);
      x = origin.x;
      y = origin.y;
    }
  }
  HWND dialog = CreateWindowExW(t->ex_style, u"#32770", t->caption.c_str(), style, x, y, width, height,
                                (style & WS_CHILD) != 0 ? parent : owner, nullptr, instance, nullptr);
  if (dialog == nullptr) {
    if (t->font_size != 0) DeleteObject(font);
    return nullptr;
  }
  DialogState* state = StateOf(dialog);
  if (state == nullptr) {
    DestroyWindow(dialog);
    if (t->font_size != 0) DeleteObject(font);
    return nullptr;
  }
  state->font = font;
  state->own_font = t->font_size != 0;
  SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
  if (t->font_size != 0) SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  for (const DialogItemTemplate& item : t->items) {
    if (!IsWindow(dialog)) return nullptr;
    LPCWSTR text = item.text_id != 0 ? MAKEINTRESOURCEW(item.text_id) : item.text.c_str();
    HWND control = CreateWindowExW(item.ex_style, item.class_name.c_str(), text, item.style | WS_CHILD, px(item.x),
                                   py(item.y), px(item.cx), py(item.cy), dialog,
                                   reinterpret_cast<HMENU>(static_cast<std::intptr_t>(item.id)), instance, nullptr);
    if (control == nullptr) {
      if ((t->style & DS_NOFAILCREATE) != 0) continue;
      DestroyWindow(dialog);
      return nullptr;
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if ((item.class_name == u"Button" || item.class_name == u"button") &&
        (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      if (DialogState* s = StateOf(dialog)) s->default_id = item.id;
    }
  }
  if (!IsWindow(dialog)) return nullptr;
  HWND first = FirstTabStop(dialog);
  LRESULT focus = SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
  if (!IsWindow(dialog)) return nullptr;
  if (focus != 0 && first != nullptr && IsWindow(first)) FocusControl(first);
  if (!modal && (t->style & WS_VISIBLE) != 0) ShowWindow(dialog, SW_SHOW);
  return dialog;
}

void Unattended(HWND dialog) {
  // What Escape does; a dialog that refuses to close is ended anyway.
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  DialogState* s = StateOf(dialog);
  if (s != nullptr && !s->ended) EndDialog(dialog, IDCANCEL);
}

INT_PTR RunModal(HINSTANCE instance, const DialogTemplate* t, HWND parent, DLGPROC proc, LPARAM param) {
  HWND previous_focus = GetFocus();
  HWND dialog = Create(instance, t, parent, proc, param, true);
  if (dialog == nullptr) return -1;
  HWND owner = GetWindow(dialog, GW_OWNER);
  bool disabled_owner = false;
  if (owner != nullptr && IsWindowEnabled(owner)) {
    EnableWindow(owner, FALSE);
    disabled_owner = true;
  }
  DialogState* s = StateOf(dialog);
  if (s != nullptr && !s->ended) ShowWindow(dialog, SW_SHOWNORMAL);
  s = StateOf(dialog);
  if (s != nullptr && !s->ended) {
    if (GetFocus() == nullptr || !IsChild(dialog, GetFocus())) {
      HWND first = FirstTabStop(dialog);
      if (first != nullptr && GetFocus() == nullptr) FocusControl(first);
    }
    LoopFrame frame;
    frame.kind = LoopFrame::Kind::kDialog;
    frame.window = dialog;
    frame.handle = [dialog](MSG& msg) {
      if (!IsDialogMessageW(dialog, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    };
    frame.ended = [dialog] {
      DialogState* now = StateOf(dialog);
      return now == nullptr || now->ended;
    };
    frame.unattended = [dialog] {
      if (IsWindow(dialog)) Unattended(dialog);
    };
    RunNestedLoop(frame);
  }
  INT_PTR result = -1;
  if ((s = StateOf(dialog)) != nullptr && s->ended) result = s->result;
  if (disabled_owner && IsWindow(owner)) EnableWindow(owner, TRUE);
  if (IsWindow(dialog)) DestroyWindow(dialog);
  if (previous_focus != nullptr && IsWindow(previous_focus) && IsWindowEnabled(previous_focus)) SetFocus(previous_focus);
  return result;
}

}  // namespace

LRESULT DialogClassProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    if (auto w = Find(hwnd)) w->control = std::make_unique<DialogState>();
    return DefWindowProcW(hwnd, message, wp, lp);
  }
  return DefDlgProcW(hwnd, message, wp, lp);
}

}  // namespace quorvia::ui

using namespace quorvia::ui;

LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
  auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(dialog, DWLP_DLGPROC));
  if (proc != nullptr) {
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
    INT_PTR handled = proc(dialog, message, wp, lp);
    if (!IsWindow(dialog)) return handled;
    if (handled != 0) {
      if (ReturnsValueDirectly(message)) return handled;
      return GetWindowLongPtrW(dialog, DWLP_MSGRESULT);
    }
  }
  DialogState* s = StateOf(dialog);
  switch (message) {
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(dialog, IDCANCEL);
      if (cancel == nullptr || IsWindowEnabled(cancel)) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), reinterpret_cast<LPARAM>(cancel));
      }
      return 0;
    }
    case WM_GETFONT:
      return s == nullptr ? 0 : reinterpret_cast<LRESULT>(s->font);
    case WM_ERASEBKGND:
    case WM_PAINT: {
      HDC dc = GetDC(dialog);
      auto brush = reinterpret_cast<HBRUSH>(
          SendMessageW(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dialog)));
      RECT client{};
      GetClientRect(dialog, &client);
      FillRect(dc, &client, brush);
      ReleaseDC(dialog, dc);
      if (message == WM_PAINT) ValidateRect(dialog, nullptr);
      return 1;
    }
    case WM_SETFOCUS: {
      HWND target = s != nullptr && s->last_focus != nullptr && IsChild(dialog, s->last_focus) ? s->last_focus
                                                                                              : FirstTabStop(dialog);
      if (target != nullptr) FocusControl(target);
      return 0;
    }
    case WM_NEXTDLGCTL: {
      HWND target = LOWORD(static_cast<std::uintptr_t>(lp)) != 0 ? reinterpret_cast<HWND>(wp)
                                                                  : GetNextDlgTabItem(dialog, GetFocus(), wp != 0);
      if (target != nullptr) FocusControl(target);
      return 0;
    }
    case DM_GETDEFID:
      return s == nullptr ? 0 : static_cast<LRESULT>(MAKELONG(static_cast<WORD>(s->default_id), DC_HASDEFID));
    case DM_SETDEFID:
      if (s != nullptr) s->default_id = static_cast<int>(wp);
      return TRUE;
    case WM_COMMAND:
      return 0;
    default:
      return DefWindowProcW(dialog, message, wp, lp);
  }
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const DialogTemplate* dialog, HWND parent, DLGPROC proc,
                                LPARAM param) {
  return RunModal(instance, dialog, parent, proc, param);
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param) {
  DialogTemplate t;
  if (!LoadDialogTemplate(instance, name, &t)) {
    SetLastError(ERROR_RESOURCE_NOT_FOUND);
    return -1;
  }
  return RunModal(instance, &t, parent, proc, param);
}

HWND CreateDialogIndirectParamW(HINSTANCE instance, const DialogTemplate* dialog, HWND parent, DLGPROC proc,
                                LPARAM param) {
  return Create(instance, dialog, parent, proc, param, false);
}

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param) {
  DialogTemplate t;
  if (!LoadDialogTemplate(instance, name, &t)) {
    SetLastError(ERROR_RESOURCE_NOT_FOUND);
    return nullptr;
  }
  return Create(instance, &t, parent, proc, param, false);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  DialogState* s = StateOf(dialog);
  if (s == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  s->ended = true;
  s->result = result;
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner != nullptr && !IsWindowEnabled(owner)) EnableWindow(owner, TRUE);
  ShowWindow(dialog, SW_HIDE);
  return TRUE;
}

BOOL IsDialogMessageW(HWND dialog, MSG* msg) {
  if (msg == nullptr || !IsWindow(dialog)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN) {
    LRESULT code = SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    if ((code & DLGC_WANTALLKEYS) == 0) {
      switch (msg->wParam) {
        case VK_TAB:
          if ((code & DLGC_WANTTAB) == 0) {
            bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
            HWND next = GetNextDlgTabItem(dialog, DirectChild(dialog, GetFocus()), back ? TRUE : FALSE);
            if (next != nullptr) FocusControl(next);
            return TRUE;
          }
          break;
        case VK_ESCAPE:
          SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
          return TRUE;
        case VK_RETURN: {
          HWND focus = DirectChild(dialog, GetFocus());
          int id = 0;
          if (focus != nullptr && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0) {
            id = GetDlgCtrlID(focus);
          } else {
            LRESULT def = SendMessageW(dialog, DM_GETDEFID, 0, 0);
            id = HIWORD(static_cast<std::uintptr_t>(def)) == DC_HASDEFID ? LOWORD(static_cast<std::uintptr_t>(def)) : IDOK;
          }
          HWND button = GetDlgItem(dialog, id);
          if (button != nullptr && !IsWindowEnabled(button)) return TRUE;
          SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), reinterpret_cast<LPARAM>(button));
          return TRUE;
        }
        default:
          break;
      }
    }
  }
  if (DialogState* s = StateOf(dialog)) {
    HWND focus = DirectChild(dialog, GetFocus());
    if (focus != nullptr) s->last_focus = focus;
  }
  TranslateMessage(msg);
  DispatchMessageW(msg);
  return TRUE;
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
  if (rect == nullptr || !IsWindow(dialog)) return FALSE;
  auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  int bx = 0;
  int by = 0;
  DialogUnits(font, &bx, &by);
  rect->left = MulDiv(rect->left, bx, 4);
  rect->right = MulDiv(rect->right, bx, 4);
  rect->top = MulDiv(rect->top, by, 8);
  rect->bottom = MulDiv(rect->bottom, by, 8);
  return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  std::vector<HWND> stops;
  for (HWND h = GetWindow(dialog, GW_CHILD); h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
    if (TabStop(h) || h == control) stops.push_back(h);
  }
  if (stops.empty()) return nullptr;
  auto it = std::find(stops.begin(), stops.end(), control);
  std::size_t n = stops.size();
  std::size_t at = it == stops.end() ? (previous ? 0 : n - 1) : static_cast<std::size_t>(it - stops.begin());
  for (std::size_t k = 1; k <= n; ++k) {
    std::size_t i = previous ? (at + n - k) % n : (at + k) % n;
    if (TabStop(stops[i])) return stops[i];
  }
  return control;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM w, LPARAM l) {
  HWND item = GetDlgItem(dialog, id);
  return item == nullptr ? 0 : SendMessageW(item, message, w, l);
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  HWND item = GetDlgItem(dialog, id);
  return item == nullptr ? FALSE : SetWindowTextW(item, text);
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int size) {
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) {
    if (buffer != nullptr && size > 0) buffer[0] = u'\0';
    return 0;
  }
  return static_cast<UINT>(GetWindowTextW(item, buffer, size));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL is_signed) {
  std::string text = is_signed ? std::to_string(static_cast<int>(value)) : std::to_string(value);
  std::u16string wide(text.begin(), text.end());
  return SetDlgItemTextW(dialog, id, wide.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL is_signed) {
  if (translated != nullptr) *translated = FALSE;
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) return 0;
  int length = GetWindowTextLengthW(item);
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  GetWindowTextW(item, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (is_signed && i < text.size() && text[i] == u'-') {
    negative = true;
    ++i;
  }
  if (i >= text.size()) return 0;
  unsigned long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9') break;
    value = value * 10 + static_cast<unsigned>(text[i] - u'0');
    if (value > 0xFFFFFFFFull) return 0;
  }
  for (; i < text.size(); ++i) {
    if (text[i] != u' ') return 0;
  }
  if (translated != nullptr) *translated = TRUE;
  return negative ? static_cast<UINT>(-static_cast<long long>(value)) : static_cast<UINT>(value);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) return FALSE;
  SendMessageW(item, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item == nullptr ? 0 : static_cast<UINT>(SendMessageW(item, BM_GETCHECK, 0, 0));
}
