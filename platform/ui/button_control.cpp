#include <memory>

#include "platform/ui/controls.h"
#include "platform/ui/controls_internal.h"
#include "platform/ui/window_internal.h"

namespace quorvia::ui {
namespace {

struct ButtonState : ControlState {
  UINT check = BST_UNCHECKED;
  bool pushed = false;
  bool tracking = false;
  HFONT font = nullptr;
};

ButtonState* StateOf(HWND hwnd) {
  auto w = Find(hwnd);
  return w ? dynamic_cast<ButtonState*>(w->control.get()) : nullptr;
}

DWORD TypeOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)) & BS_TYPEMASK; }

bool IsRadio(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }

// Unchecks the other automatic radio buttons of the group.
void UncheckGroup(HWND hwnd) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  // The group runs from the nearest WS_GROUP sibling at or before hwnd to
  // the next WS_GROUP sibling after it.
  HWND first = hwnd;
  for (HWND h = hwnd; h != nullptr; h = GetWindow(h, GW_HWNDPREV)) {
    first = h;
    if ((GetWindowLongPtrW(h, GWL_STYLE) & WS_GROUP) != 0) break;
  }
  for (HWND h = first; h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
    if (h != first && (GetWindowLongPtrW(h, GWL_STYLE) & WS_GROUP) != 0) break;
    if (h != hwnd && TypeOf(h) == BS_AUTORADIOBUTTON) SendMessageW(h, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

void Click(HWND hwnd) {
  ButtonState* s = StateOf(hwnd);
  if (s == nullptr) return;
  DWORD type = TypeOf(hwnd);
  if (type == BS_AUTOCHECKBOX) s->check = s->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  if (type == BS_AUTO3STATE) s->check = (s->check + 1) % 3;
  if (type == BS_AUTORADIOBUTTON) {
    s->check = BST_CHECKED;
    UncheckGroup(hwnd);
  }
  InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParent(hwnd, static_cast<WORD>(0));  // BN_CLICKED
}

}  // namespace

LRESULT ButtonProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    if (auto w = Find(hwnd)) w->control = std::make_unique<ButtonState>();
    return DefWindowProcW(hwnd, message, wp, lp);
  }
  ButtonState* s = StateOf(hwnd);
  if (s == nullptr) return DefWindowProcW(hwnd, message, wp, lp);
  DWORD type = TypeOf(hwnd);
  switch (message) {
    case WM_NCHITTEST:
      return type == BS_GROUPBOX ? HTTRANSPARENT : HTCLIENT;
    case WM_GETDLGCODE:
      if (type == BS_GROUPBOX) return DLGC_STATIC;
      if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (type == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (IsRadio(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      return DLGC_BUTTON;
    case WM_LBUTTONDOWN:
      if (type == BS_GROUPBOX) return 0;
      SetFocus(hwnd);
      s = StateOf(hwnd);
      if (s == nullptr) return 0;
      s->pushed = true;
      s->tracking = true;
      SetCapture(hwnd);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_LBUTTONUP: {
      if (!s->tracking) return 0;
      s->tracking = false;
      bool was_pushed = s->pushed;
      s->pushed = false;
      if (GetCapture() == hwnd) ReleaseCapture();
      RECT client{};
      GetClientRect(hwnd, &client);
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (was_pushed && PtInRect(&client, pt)) Click(hwnd);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != hwnd) {
        s->tracking = false;
        s->pushed = false;
      }
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_SPACE) {
        s->pushed = true;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    case WM_KEYUP:
      if (wp == VK_SPACE && s->pushed) {
        s->pushed = false;
        Click(hwnd);
      }
      return 0;
    case WM_SETFOCUS:
      if ((GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_NOTIFY) != 0) NotifyParent(hwnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->pushed = false;
      if ((GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_NOTIFY) != 0) NotifyParent(hwnd, BN_KILLFOCUS);
      return 0;
    case BM_CLICK:
      SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
      SendMessageW(hwnd, WM_LBUTTONUP, 0, 0);
      return 0;
    case BM_GETCHECK:
      return s->check;
    case BM_SETCHECK:
      s->check = static_cast<UINT>(wp) > BST_INDETERMINATE ? BST_CHECKED : static_cast<UINT>(wp);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case BM_GETSTATE:
      return s->check | (s->pushed ? BST_PUSHED : 0) | (GetFocus() == hwnd ? BST_FOCUS : 0);
    case BM_SETSTATE:
      s->pushed = wp != 0;
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case BM_SETSTYLE: {
      LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
      SetWindowLongPtrW(hwnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(0xFFFF)) | static_cast<LONG_PTR>(wp & 0xFFFF));
      if (lp != 0) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_PAINT:
      PaintBackground(hwnd, type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC);
      ValidateRect(hwnd, nullptr);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wp, lp);
  }
}

}  // namespace quorvia::ui
