#include <algorithm>
#include <memory>
#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/controls_internal.h"
#include "platform/ui/gdi.h"
#include "platform/ui/window_internal.h"

namespace quorvia::ui {
namespace {

constexpr int kDefaultLimit = 30000;

struct EditState : ControlState {
  std::u16string text;
  int anchor = 0;
  int caret = 0;
  HFONT font = nullptr;
  int left_margin = 1;
  int right_margin = 1;
  bool rect_set = false;
  RECT format{};
  int limit = kDefaultLimit;
  bool modified = false;
};

EditState* StateOf(HWND hwnd) {
  auto w = Find(hwnd);
  return w ? dynamic_cast<EditState*>(w->control.get()) : nullptr;
}

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

int SelStart(const EditState& s) { return std::min(s.anchor, s.caret); }
int SelEnd(const EditState& s) { return std::max(s.anchor, s.caret); }

void Changed(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParent(hwnd, EN_UPDATE);
  if (IsWindow(hwnd)) NotifyParent(hwnd, EN_CHANGE);
}

std::u16string Filter(HWND hwnd, std::u16string text) {
  DWORD style = StyleOf(hwnd);
  for (char16_t& c : text) {
    if ((style & ES_UPPERCASE) != 0 && c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if ((style & ES_LOWERCASE) != 0 && c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  if ((style & ES_MULTILINE) == 0) {
    // A single line ends at the first line break.
    std::size_t end = text.find_first_of(u"\r\n");
    if (end != std::u16string::npos) text.resize(end);
  }
  return text;
}

// Replaces the selection with text as the user's edit; notifies when
// anything changed.
void ReplaceSelection(HWND hwnd, EditState& s, std::u16string text) {
  text = Filter(hwnd, std::move(text));
  int start = SelStart(s);
  int end = SelEnd(s);
  int room = s.limit - (static_cast<int>(s.text.size()) - (end - start));
  if (room < static_cast<int>(text.size())) {
    text.resize(static_cast<std::size_t>(std::max(0, room)));
    NotifyParent(hwnd, EN_MAXTEXT);
    if (!IsWindow(hwnd)) return;
  }
  if (start == end && text.empty()) return;
  s.text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), text);
  s.anchor = s.caret = start + static_cast<int>(text.size());
  s.modified = true;
  Changed(hwnd);
}

void Copy(const EditState& s, HWND hwnd) {
  if (SelStart(s) == SelEnd(s) || (StyleOf(hwnd) & ES_PASSWORD) != 0) return;
  SetClipboardText(s.text.substr(static_cast<std::size_t>(SelStart(s)), static_cast<std::size_t>(SelEnd(s) - SelStart(s))));
}

bool ReadOnly(HWND hwnd) { return (StyleOf(hwnd) & ES_READONLY) != 0; }

void OnChar(HWND hwnd, EditState& s, char16_t c) {
  switch (c) {
    case 0x01:  // Ctrl+A
      s.anchor = 0;
      s.caret = static_cast<int>(s.text.size());
      InvalidateRect(hwnd, nullptr, TRUE);
      return;
    case 0x03:  // Ctrl+C
      SendMessageW(hwnd, WM_COPY, 0, 0);
      return;
    case 0x16:  // Ctrl+V
      SendMessageW(hwnd, WM_PASTE, 0, 0);
      return;
    case 0x18:  // Ctrl+X
      SendMessageW(hwnd, WM_CUT, 0, 0);
      return;
    default:
      break;
  }
  if (ReadOnly(hwnd)) return;
  bool multiline = (StyleOf(hwnd) & ES_MULTILINE) != 0;
  if (c == 0x08) {
    if (SelStart(s) == SelEnd(s)) {
      if (s.caret == 0) return;
      int back = 1;
      if (s.caret >= 2 && s.text[static_cast<std::size_t>(s.caret) - 1] == u'\n' &&
          s.text[static_cast<std::size_t>(s.caret) - 2] == u'\r') {
        back = 2;
      }
      s.anchor = s.caret - back;
    }
    ReplaceSelection(hwnd, s, u"");
    return;
  }
  if (c == u'\r') {
    if (multiline) ReplaceSelection(hwnd, s, u"\r\n");
    return;
  }
  if (c == u'\t') {
    if (multiline) ReplaceSelection(hwnd, s, u"\t");
    return;
  }
  if (c < 0x20 || c == 0x7F) return;
  if ((StyleOf(hwnd) & ES_NUMBER) != 0 && (c < u'0' || c > u'9')) return;
  ReplaceSelection(hwnd, s, std::u16string(1, c));
}

void MoveCaret(HWND hwnd, EditState& s, int to, bool extend) {
  to = std::clamp(to, 0, static_cast<int>(s.text.size()));
  s.caret = to;
  if (!extend) s.anchor = to;
  InvalidateRect(hwnd, nullptr, TRUE);
}

void OnKeyDown(HWND hwnd, EditState& s, UINT key) {
  bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  switch (key) {
    case VK_LEFT:
      if (!shift && SelStart(s) != SelEnd(s)) {
        MoveCaret(hwnd, s, SelStart(s), false);
      } else {
        MoveCaret(hwnd, s, s.caret - 1, shift);
      }
      return;
    case VK_RIGHT:
      if (!shift && SelStart(s) != SelEnd(s)) {
        MoveCaret(hwnd, s, SelEnd(s), false);
      } else {
        MoveCaret(hwnd, s, s.caret + 1, shift);
      }
      return;
    case VK_HOME:
      MoveCaret(hwnd, s, 0, shift);
      return;
    case VK_END:
      MoveCaret(hwnd, s, static_cast<int>(s.text.size()), shift);
      return;
    case VK_DELETE:
      if (shift) {
        SendMessageW(hwnd, WM_CUT, 0, 0);
        return;
      }
      if (ReadOnly(hwnd)) return;
      if (SelStart(s) == SelEnd(s)) {
        if (s.caret >= static_cast<int>(s.text.size())) return;
        s.anchor = s.caret + 1;
      }
      ReplaceSelection(hwnd, s, u"");
      return;
    case VK_INSERT:
      if (ctrl) SendMessageW(hwnd, WM_COPY, 0, 0);
      if (shift) SendMessageW(hwnd, WM_PASTE, 0, 0);
      return;
    default:
      return;
  }
}

int CharWidth(const EditState& s) { return std::max(1, TextWidth(s.font, u"x")); }

}  // namespace

LRESULT EditProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    auto w = Find(hwnd);
    if (!w) return FALSE;
    auto state = std::make_unique<EditState>();
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    if (cs != nullptr && cs->lpszName != nullptr) state->text = Filter(hwnd, Text(cs->lpszName));
    w->control = std::move(state);
    return TRUE;
  }
  EditState* s = StateOf(hwnd);
  if (s == nullptr) return DefWindowProcW(hwnd, message, wp, lp);
  switch (message) {
    case WM_SETTEXT: {
      s->text = Filter(hwnd, Text(reinterpret_cast<LPCWSTR>(lp)));
      s->anchor = s->caret = 0;
      s->modified = false;
      if ((StyleOf(hwnd) & ES_MULTILINE) == 0) {
        Changed(hwnd);
      } else {
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return TRUE;
    }
    case WM_GETTEXT:
      return CopyText(s->text, reinterpret_cast<LPWSTR>(lp), static_cast<int>(wp));
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(s->text.size());
    case WM_CHAR:
      OnChar(hwnd, *s, static_cast<char16_t>(wp));
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(hwnd, *s, static_cast<UINT>(wp));
      return 0;
    case WM_COPY:
      Copy(*s, hwnd);
      return 0;
    case WM_CUT:
      if (ReadOnly(hwnd)) return 0;
      Copy(*s, hwnd);
      ReplaceSelection(hwnd, *s, u"");
      return 0;
    case WM_PASTE:
      if (ReadOnly(hwnd)) return 0;
      ReplaceSelection(hwnd, *s, GetClipboardText());
      return 0;
    case WM_CLEAR:
      if (ReadOnly(hwnd)) return 0;
      ReplaceSelection(hwnd, *s, u"");
      return 0;
    case WM_LBUTTONDOWN: {
      SetFocus(hwnd);
      s = StateOf(hwnd);
      if (s == nullptr) return 0;
      int left = (s->rect_set ? s->format.left : 0) + s->left_margin;
      int at = (GET_X_LPARAM(lp) - left + CharWidth(*s) / 2) / CharWidth(*s);
      MoveCaret(hwnd, *s, at, (wp & MK_SHIFT) != 0);
      return 0;
    }
    case WM_SETFOCUS:
      CreateCaret(hwnd, nullptr, 1, 13);
      NotifyParent(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      DestroyCaret();
      NotifyParent(hwnd, EN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      if ((StyleOf(hwnd) & ES_MULTILINE) != 0) {
        code |= DLGC_WANTALLKEYS;
        auto* msg = reinterpret_cast<const MSG*>(lp);
        if (msg != nullptr && msg->message == WM_KEYDOWN) {
          if ((msg->wParam == VK_RETURN && (StyleOf(hwnd) & ES_WANTRETURN) == 0) || msg->wParam == VK_ESCAPE ||
              msg->wParam == VK_TAB) {
            code &= ~DLGC_WANTALLKEYS;
          }
        }
      }
      return code;
    }
    case EM_GETSEL: {
      if (wp != 0) *reinterpret_cast<DWORD*>(wp) = static_cast<DWORD>(SelStart(*s));
      if (lp != 0) *reinterpret_cast<DWORD*>(lp) = static_cast<DWORD>(SelEnd(*s));
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(SelStart(*s)), static_cast<WORD>(SelEnd(*s))));
    }
    case EM_SETSEL: {
      int length = static_cast<int>(s->text.size());
      auto start = static_cast<int>(static_cast<INT_PTR>(wp));
      auto end = static_cast<int>(lp);
      if (start == -1) {
        s->anchor = s->caret;
      } else {
        if (end < 0 || end > length) end = length;
        s->anchor = std::clamp(start, 0, length);
        s->caret = std::clamp(end, 0, length);
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case EM_REPLACESEL:
      ReplaceSelection(hwnd, *s, Text(reinterpret_cast<LPCWSTR>(lp)));
      return 0;
    case EM_SETMARGINS:
      if ((wp & EC_LEFTMARGIN) != 0) s->left_margin = wp == EC_USEFONTINFO ? 1 : LOWORD(static_cast<std::uintptr_t>(lp));
      if ((wp & EC_RIGHTMARGIN) != 0) s->right_margin = wp == EC_USEFONTINFO ? 1 : HIWORD(static_cast<std::uintptr_t>(lp));
      return 0;
    case EM_GETMARGINS:
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(s->left_margin), static_cast<WORD>(s->right_margin)));
    case EM_SETRECT:
    case EM_SETRECTNP:
      if (lp == 0) {
        s->rect_set = false;
      } else {
        s->format = *reinterpret_cast<const RECT*>(lp);
        s->rect_set = true;
      }
      if (message == EM_SETRECT) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case EM_GETRECT: {
      auto* r = reinterpret_cast<RECT*>(lp);
      if (r == nullptr) return 0;
      if (s->rect_set) {
        *r = s->format;
      } else {
        GetClientRect(hwnd, r);
        r->left += s->left_margin;
        r->right -= s->right_margin;
      }
      return 0;
    }
    case EM_SCROLLCARET:
      return TRUE;
    case EM_LIMITTEXT:
      s->limit = wp == 0 ? 0x7FFFFFFE : static_cast<int>(std::min<WPARAM>(wp, 0x7FFFFFFE));
      return 0;
    case EM_GETLIMITTEXT:
      return s->limit;
    case EM_SETREADONLY: {
      LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
      SetWindowLongPtrW(hwnd, GWL_STYLE, wp != 0 ? (style | ES_READONLY) : (style & ~static_cast<LONG_PTR>(ES_READONLY)));
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case EM_GETMODIFY:
      return s->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
      s->modified = wp != 0;
      return 0;
    case EM_GETLINECOUNT:
      if ((StyleOf(hwnd) & ES_MULTILINE) == 0) return 1;
      return static_cast<LRESULT>(std::count(s->text.begin(), s->text.end(), u'\n')) + 1;
    case EM_CANUNDO:
      return FALSE;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      if (lp != 0) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_PAINT:
      PaintBackground(hwnd, ReadOnly(hwnd) || !IsWindowEnabled(hwnd) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
      ValidateRect(hwnd, nullptr);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wp, lp);
  }
}

}  // namespace quorvia::ui
