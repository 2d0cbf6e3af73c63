#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/controls_internal.h"
#include "platform/ui/gdi.h"
#include "platform/ui/window_internal.h"

namespace quorvia::ui {
namespace {

constexpr int kButtonWidth = 17;
constexpr int kEdge = 3;
constexpr int kOwnerDrawItemHeight = 16;

struct Item {
  std::u16string text;
  ULONG_PTR data = 0;
};

struct ComboState : ControlState {
  std::vector<Item> items;
  int selection = -1;
  int hilite = -1;
  HFONT font = nullptr;
  int field_item_height = 15;
  int item_height = 13;
  int dropped_height = 0;  // the whole height asked for, list included
  int dropped_width = 0;
  HWND edit = nullptr;
  HWND list = nullptr;
  bool dropped = false;
  bool setting_edit = false;
  bool resizing = false;
  bool selchange_pending = false;  // a mouse choice reports its change after closing
};

ComboState* StateOf(HWND hwnd) {
  auto w = Find(hwnd);
  return w ? dynamic_cast<ComboState*>(w->control.get()) : nullptr;
}

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

DWORD Kind(HWND hwnd) { return StyleOf(hwnd) & 0x3; }

bool OwnerDraw(HWND hwnd) { return (StyleOf(hwnd) & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0; }

int Count(const ComboState& s) { return static_cast<int>(s.items.size()); }

int FieldHeight(const ComboState& s) { return s.field_item_height + 6; }

// Sets the window height to the selection field without taking it as a new
// list height.
void FitHeight(HWND hwnd) {
  ComboState* s = StateOf(hwnd);
  RECT r{};
  GetWindowRect(hwnd, &r);
  s->resizing = true;
  SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, FieldHeight(*s), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if ((s = StateOf(hwnd)) != nullptr) s->resizing = false;
}

void PlaceEdit(HWND hwnd) {
  ComboState* s = StateOf(hwnd);
  if (s == nullptr || s->edit == nullptr) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  MoveWindow(s->edit, kEdge, kEdge, std::max<int>(0, client.right - 2 * kEdge - kButtonWidth + 1), s->field_item_height,
             TRUE);
}

void SetEditText(HWND hwnd, ComboState& s, const std::u16string& text) {
  if (s.edit == nullptr) return;
  s.setting_edit = true;
  SetWindowTextW(s.edit, text.c_str());
  SendMessageW(s.edit, EM_SETSEL, 0, -1);
  if (ComboState* again = StateOf(hwnd)) again->setting_edit = false;
}

std::u16string ItemText(const ComboState& s, int index) {
  return index >= 0 && index < Count(s) ? s.items[static_cast<std::size_t>(index)].text : std::u16string();
}

void SetSelection(HWND hwnd, ComboState& s, int index) {
  s.selection = index;
  s.hilite = index;
  if (index >= 0) SetEditText(hwnd, s, ItemText(s, index));
  InvalidateRect(hwnd, nullptr, TRUE);
}

// A selection change the user makes; CBN_SELCHANGE when it changes.
void UserSelect(HWND hwnd, ComboState& s, int index) {
  if (index < 0 || index >= Count(s) || index == s.selection) return;
  SetSelection(hwnd, s, index);
  NotifyParent(hwnd, CBN_SELCHANGE);
}

void ShowList(HWND hwnd, ComboState& s) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  int width = std::max<int>(r.right - r.left, s.dropped_width);
  int wanted = std::max(1, Count(s)) * s.item_height + 2;
  int room = s.dropped_height - FieldHeight(s);
  int height = room > 0 ? std::min(wanted, room) : wanted;
  SetWindowPos(s.list, HWND_TOP, r.left, r.bottom, width, height, SWP_NOACTIVATE);
  SetVisibleQuietly(s.list, true);
}

void Drop(HWND hwnd) {
  ComboState* s = StateOf(hwnd);
  if (s == nullptr || s->dropped || Kind(hwnd) == CBS_SIMPLE) return;
  NotifyParent(hwnd, CBN_DROPDOWN);
  s = StateOf(hwnd);
  if (s == nullptr || s->list == nullptr) return;
  s->dropped = true;
  s->hilite = s->selection;
  ShowList(hwnd, *s);
  SetCapture(s->list);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void CloseUp(HWND hwnd, bool chosen) {
  ComboState* s = StateOf(hwnd);
  if (s == nullptr || !s->dropped) return;
  NotifyParent(hwnd, chosen ? CBN_SELENDOK : CBN_SELENDCANCEL);
  s = StateOf(hwnd);
  if (s == nullptr || !s->dropped) return;
  s->dropped = false;
  bool report = chosen && s->selchange_pending;
  s->selchange_pending = false;
  HWND list = s->list;
  SetVisibleQuietly(list, false);
  if (GetCapture() == list) ReleaseCapture();
  InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParent(hwnd, CBN_CLOSEUP);
  s = StateOf(hwnd);
  if (s != nullptr && report) NotifyParent(hwnd, CBN_SELCHANGE);
}

// A choice made in the open list: select it, then close as chosen.
void Choose(HWND hwnd, int index) {
  ComboState* s = StateOf(hwnd);
  if (s == nullptr) return;
  if (index >= 0 && index < Count(*s) && index != s->selection) {
    SetSelection(hwnd, *s, index);
    s->selchange_pending = true;
  }
  CloseUp(hwnd, true);
}

void MoveInList(HWND hwnd, ComboState& s, int delta, bool to_end) {
  int n = Count(s);
  if (n == 0) return;
  int from = s.dropped ? s.hilite : s.selection;
  int to = to_end ? (delta < 0 ? 0 : n - 1) : std::clamp(from + delta, 0, n - 1);
  if (from < 0 && !to_end) to = 0;
  if (to == s.selection) {
    s.hilite = to;
    return;
  }
  UserSelect(hwnd, s, to);
}

// Keys shared by a fixed list and the edit child of an editable box; true
// when the key was used.
bool ComboKey(HWND hwnd, UINT key) {
  ComboState* s = StateOf(hwnd);
  if (s == nullptr) return false;
  bool alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
  if (key == VK_F4 || (alt && (key == VK_DOWN || key == VK_UP))) {
    if (s->dropped) {
      CloseUp(hwnd, true);
    } else {
      Drop(hwnd);
    }
    return true;
  }
  switch (key) {
    case VK_UP:
      MoveInList(hwnd, *s, -1, false);
      return true;
    case VK_DOWN:
      MoveInList(hwnd, *s, 1, false);
      return true;
    case VK_RETURN:
      if (!s->dropped) return false;
      CloseUp(hwnd, true);
      return true;
    case VK_ESCAPE:
      if (!s->dropped) return false;
      CloseUp(hwnd, false);
      return true;
    default:
      return false;
  }
}

HWND ComboOfEdit(HWND edit) { return GetParent(edit); }

// The edit child's keys go to the combo box first.
LRESULT ComboEditProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  HWND combo = ComboOfEdit(hwnd);
  if (message == WM_KEYDOWN && combo != nullptr) {
    ComboState* s = StateOf(combo);
    UINT key = static_cast<UINT>(wp);
    bool home_end = key == VK_HOME || key == VK_END;
    if (s != nullptr && !home_end && ComboKey(combo, key)) return 0;
  }
  if (message == WM_CHAR && (wp == u'\r' || wp == 0x1B)) return 0;
  return EditProc(hwnd, message, wp, lp);
}

bool FocusInside(HWND hwnd, HWND focus) { return focus == hwnd || (focus != nullptr && IsChild(hwnd, focus)); }

void PaintField(HWND hwnd) {
  ComboState* s = StateOf(hwnd);
  if (s == nullptr) return;
  PaintBackground(hwnd, s->edit != nullptr ? WM_CTLCOLOREDIT : WM_CTLCOLORLISTBOX);
  s = StateOf(hwnd);
  if (s == nullptr || s->edit != nullptr || !OwnerDraw(hwnd)) return;
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  HDC dc = GetDC(hwnd);
  RECT client{};
  GetClientRect(hwnd, &client);
  DRAWITEMSTRUCT di{};
  di.CtlType = ODT_COMBOBOX;
  di.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
  di.itemID = static_cast<UINT>(s->selection);
  di.itemAction = ODA_DRAWENTIRE;
  di.itemState = ODS_COMBOBOXEDIT | (GetFocus() == hwnd ? (ODS_FOCUS | ODS_SELECTED) : 0);
  di.hwndItem = hwnd;
  di.hDC = dc;
  di.rcItem = RECT{kEdge, kEdge, client.right - kEdge - kButtonWidth, client.bottom - kEdge};
  di.itemData = s->selection >= 0 ? s->items[static_cast<std::size_t>(s->selection)].data : 0;
  SendMessageW(parent, WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
  ReleaseDC(hwnd, dc);
}

LRESULT Insert(HWND hwnd, ComboState& s, int index, LPARAM value, bool sorted) {
  Item item;
  bool strings = !OwnerDraw(hwnd) || (StyleOf(hwnd) & CBS_HASSTRINGS) != 0;
  if (strings) {
    item.text = Text(reinterpret_cast<LPCWSTR>(value));
  } else {
    item.data = static_cast<ULONG_PTR>(value);
  }
  if (sorted && strings) {
    index = 0;
    while (index < Count(s) && CompareNoCase(s.items[static_cast<std::size_t>(index)].text, item.text) <= 0) ++index;
  } else if (index == -1) {
    index = Count(s);
  } else if (index < 0 || index > Count(s)) {
    return CB_ERR;
  }
  s.items.insert(s.items.begin() + index, item);
  if (s.selection >= index) ++s.selection;
  if (s.hilite >= index) ++s.hilite;
  if (s.dropped) ShowList(hwnd, s);
  return index;
}

int Find(const ComboState& s, int after, const std::u16string& text, bool exact) {
  int n = Count(s);
  for (int k = 1; k <= n; ++k) {
    int i = ((after < 0 ? -1 : after) + k) % n;
    const std::u16string& t = s.items[static_cast<std::size_t>(i)].text;
    if (exact ? SameNoCase(t, text) : (t.size() >= text.size() && SameNoCase(t.substr(0, text.size()), text))) {
      return i;
    }
  }
  return static_cast<int>(CB_ERR);
}

void FillInfo(HWND hwnd, const ComboState& s, COMBOBOXINFO* info) {
  RECT client{};
  GetClientRect(hwnd, &client);
  info->rcItem = RECT{kEdge, kEdge, client.right - kEdge - kButtonWidth, client.bottom - kEdge};
  info->rcButton = RECT{client.right - 2 - kButtonWidth, 2, client.right - 2, client.bottom - 2};
  info->stateButton = 0;
  info->hwndCombo = hwnd;
  info->hwndItem = s.edit;
  info->hwndList = s.list;
}

}  // namespace

LRESULT ComboBoxProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    auto w = Find(hwnd);
    if (!w) return FALSE;
    auto state = std::make_unique<ComboState>();
    state->field_item_height = TextHeight(nullptr) + 2;
    state->item_height = OwnerDraw(hwnd) ? kOwnerDrawItemHeight : TextHeight(nullptr);
    w->control = std::move(state);
    return TRUE;
  }
  ComboState* s = StateOf(hwnd);
  if (s == nullptr) return DefWindowProcW(hwnd, message, wp, lp);
  switch (message) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      HWND parent = GetParent(hwnd);
      if (OwnerDraw(hwnd) && parent != nullptr) {
        for (int which = -1; which <= 0; ++which) {
          MEASUREITEMSTRUCT mi{};
          mi.CtlType = ODT_COMBOBOX;
          mi.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
          mi.itemID = static_cast<UINT>(which);
          ComboState* now = StateOf(hwnd);
          if (now == nullptr) return -1;
          mi.itemHeight = static_cast<UINT>(which < 0 ? now->field_item_height : now->item_height);
          SendMessageW(parent, WM_MEASUREITEM, mi.CtlID, reinterpret_cast<LPARAM>(&mi));
          if ((now = StateOf(hwnd)) == nullptr) return -1;
          if (mi.itemHeight > 0) (which < 0 ? now->field_item_height : now->item_height) = static_cast<int>(mi.itemHeight);
        }
      }
      s = StateOf(hwnd);
      if (s == nullptr) return -1;
      s->dropped_height = cs->cy;
      // The list is a pop-up of its own, shown below the box while open.
      HWND list = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, u"ComboLBox", nullptr, WS_POPUP | WS_BORDER, 0, 0, 0, 0,
                                  hwnd, nullptr, nullptr, nullptr);
      if ((s = StateOf(hwnd)) == nullptr) return -1;
      s->list = list;
      if (auto lw = Find(list)) lw->user_data = reinterpret_cast<LONG_PTR>(hwnd);
      if (Kind(hwnd) != CBS_DROPDOWNLIST) {
        DWORD edit_style = WS_CHILD | WS_VISIBLE | ((cs->style & CBS_AUTOHSCROLL) != 0 ? ES_AUTOHSCROLL : 0) |
                           ((cs->style & CBS_UPPERCASE) != 0 ? ES_UPPERCASE : 0) |
                           ((cs->style & CBS_LOWERCASE) != 0 ? ES_LOWERCASE : 0);
        HWND edit = CreateWindowExW(0, WC_EDITW, nullptr, edit_style, 0, 0, 0, 0, hwnd,
                                    reinterpret_cast<HMENU>(static_cast<std::intptr_t>(kComboEditId)), nullptr, nullptr);
        if ((s = StateOf(hwnd)) == nullptr) return -1;
        if (edit != nullptr) {
          SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ComboEditProc));
          s->edit = edit;
        }
      }
      FitHeight(hwnd);
      PlaceEdit(hwnd);
      return 0;
    }
    case WM_DESTROY:
      if (s->list != nullptr) {
        HWND list = s->list;
        s->list = nullptr;
        s->dropped = false;
        DestroyWindow(list);
      }
      return 0;
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
      if (pos != nullptr && (pos->flags & SWP_NOSIZE) == 0 && !s->resizing) {
        // The height asked for beyond the selection field is the list's.
        if (pos->cy > FieldHeight(*s)) s->dropped_height = pos->cy;
        pos->cy = FieldHeight(*s);
      }
      return 0;
    }
    case WM_SIZE:
      PlaceEdit(hwnd);
      return 0;
    case WM_LBUTTONDOWN: {
      if (!FocusInside(hwnd, GetFocus())) SetFocus(hwnd);
      s = StateOf(hwnd);
      if (s == nullptr) return 0;
      if (s->dropped) {
        CloseUp(hwnd, false);
        return 0;
      }
      RECT client{};
      GetClientRect(hwnd, &client);
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (Kind(hwnd) == CBS_DROPDOWNLIST || pt.x >= client.right - 2 - kButtonWidth) Drop(hwnd);
      return 0;
    }
    case WM_KEYDOWN:
      if (Kind(hwnd) == CBS_DROPDOWNLIST) {
        UINT key = static_cast<UINT>(wp);
        if (key == VK_HOME || key == VK_END) {
          MoveInList(hwnd, *s, key == VK_HOME ? -1 : 1, true);
        } else {
          ComboKey(hwnd, key);
        }
      }
      return 0;
    case WM_CHAR:
      if (Kind(hwnd) == CBS_DROPDOWNLIST && wp >= 0x20) {
        std::u16string prefix(1, static_cast<char16_t>(wp));
        int index = Find(*s, s->selection, prefix, false);
        if (index >= 0) UserSelect(hwnd, *s, index);
      }
      return 0;
    case WM_SETFOCUS:
      if (s->edit != nullptr) {
        HWND edit = s->edit;
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
      } else {
        InvalidateRect(hwnd, nullptr, TRUE);
        NotifyParent(hwnd, CBN_SETFOCUS);
      }
      return 0;
    case WM_KILLFOCUS:
      if (s->edit == nullptr || !FocusInside(hwnd, reinterpret_cast<HWND>(wp))) {
        if (s->edit == nullptr) {
          if (s->dropped) CloseUp(hwnd, false);
          NotifyParent(hwnd, CBN_KILLFOCUS);
        }
      }
      return 0;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lp) == s->edit && s->edit != nullptr) {
        switch (HIWORD(wp)) {
          case EN_SETFOCUS:
            NotifyParent(hwnd, CBN_SETFOCUS);
            break;
          case EN_KILLFOCUS:
            if (!FocusInside(hwnd, GetFocus())) {
              if (s->dropped) CloseUp(hwnd, false);
              NotifyParent(hwnd, CBN_KILLFOCUS);
            }
            break;
          case EN_UPDATE:
            if (!s->setting_edit) NotifyParent(hwnd, CBN_EDITUPDATE);
            break;
          case EN_CHANGE:
            if (!s->setting_edit) NotifyParent(hwnd, CBN_EDITCHANGE);
            break;
          default:
            break;
        }
      }
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC: {
      HWND parent = GetParent(hwnd);
      return parent != nullptr ? SendMessageW(parent, message, wp, lp) : DefWindowProcW(hwnd, message, wp, lp);
    }
    case WM_SETTEXT: {
      std::u16string text = Text(reinterpret_cast<LPCWSTR>(lp));
      if (s->edit != nullptr) {
        SetEditText(hwnd, *s, text);
        return TRUE;
      }
      int index = Find(*s, -1, text, true);
      if (index < 0) return CB_ERR;
      SetSelection(hwnd, *s, index);
      return TRUE;
    }
    case WM_GETTEXT: {
      if (s->edit != nullptr) return SendMessageW(s->edit, WM_GETTEXT, wp, lp);
      return CopyText(ItemText(*s, s->selection), reinterpret_cast<LPWSTR>(lp), static_cast<int>(wp));
    }
    case WM_GETTEXTLENGTH:
      if (s->edit != nullptr) return SendMessageW(s->edit, WM_GETTEXTLENGTH, 0, 0);
      return static_cast<LRESULT>(ItemText(*s, s->selection).size());
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      if (s->edit != nullptr) SendMessageW(s->edit, WM_SETFONT, wp, lp);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_PAINT:
      PaintField(hwnd);
      ValidateRect(hwnd, nullptr);
      return 0;
    case CB_ADDSTRING:
      return Insert(hwnd, *s, -1, lp, (StyleOf(hwnd) & CBS_SORT) != 0);
    case CB_INSERTSTRING:
      return Insert(hwnd, *s, static_cast<int>(static_cast<INT_PTR>(wp)), lp, false);
    case CB_DELETESTRING: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) return CB_ERR;
      s->items.erase(s->items.begin() + index);
      if (s->selection == index) s->selection = -1;
      if (s->selection > index) --s->selection;
      if (s->hilite >= Count(*s)) s->hilite = -1;
      InvalidateRect(hwnd, nullptr, TRUE);
      return Count(*s);
    }
    case CB_RESETCONTENT:
      s->items.clear();
      s->selection = -1;
      s->hilite = -1;
      InvalidateRect(hwnd, nullptr, TRUE);
      return CB_OKAY;
    case CB_GETCOUNT:
      return Count(*s);
    case CB_GETCURSEL:
      return s->selection;
    case CB_SETCURSEL: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) {
        s->selection = -1;
        s->hilite = -1;
        if (s->edit != nullptr) SetEditText(hwnd, *s, u"");
        InvalidateRect(hwnd, nullptr, TRUE);
        return CB_ERR;
      }
      SetSelection(hwnd, *s, index);
      return index;
    }
    case CB_GETLBTEXT: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) return CB_ERR;
      const std::u16string& text = s->items[static_cast<std::size_t>(index)].text;
      if (lp != 0) CopyText(text, reinterpret_cast<LPWSTR>(lp), static_cast<int>(text.size()) + 1);
      return static_cast<LRESULT>(text.size());
    }
    case CB_GETLBTEXTLEN: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) return CB_ERR;
      return static_cast<LRESULT>(s->items[static_cast<std::size_t>(index)].text.size());
    }
    case CB_GETITEMDATA: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) return CB_ERR;
      return static_cast<LRESULT>(s->items[static_cast<std::size_t>(index)].data);
    }
    case CB_SETITEMDATA: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) return CB_ERR;
      s->items[static_cast<std::size_t>(index)].data = static_cast<ULONG_PTR>(lp);
      return TRUE;
    }
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
      return Find(*s, static_cast<int>(static_cast<INT_PTR>(wp)), Text(reinterpret_cast<LPCWSTR>(lp)),
                  message == CB_FINDSTRINGEXACT);
    case CB_SELECTSTRING: {
      int index = Find(*s, static_cast<int>(static_cast<INT_PTR>(wp)), Text(reinterpret_cast<LPCWSTR>(lp)), false);
      if (index >= 0) SetSelection(hwnd, *s, index);
      return index;
    }
    case CB_SHOWDROPDOWN:
      if (wp != 0) {
        Drop(hwnd);
      } else {
        CloseUp(hwnd, false);
      }
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return s->dropped ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
      auto* r = reinterpret_cast<RECT*>(lp);
      if (r == nullptr) return CB_ERR;
      GetWindowRect(hwnd, r);
      r->bottom = r->top + std::max(s->dropped_height, FieldHeight(*s));
      return TRUE;
    }
    case CB_SETITEMHEIGHT: {
      int height = LOWORD(static_cast<std::uintptr_t>(lp));
      if (height <= 0 || height > 255) return CB_ERR;
      if (static_cast<INT_PTR>(wp) == -1) {
        s->field_item_height = height;
        FitHeight(hwnd);
        PlaceEdit(hwnd);
      } else {
        s->item_height = height;
      }
      return 0;
    }
    case CB_GETITEMHEIGHT:
      return static_cast<INT_PTR>(wp) == -1 ? s->field_item_height : s->item_height;
    case CB_SETDROPPEDWIDTH: {
      s->dropped_width = static_cast<int>(wp);
      RECT r{};
      GetWindowRect(hwnd, &r);
      return std::max<int>(s->dropped_width, r.right - r.left);
    }
    case CB_GETDROPPEDWIDTH: {
      RECT r{};
      GetWindowRect(hwnd, &r);
      return std::max<int>(s->dropped_width, r.right - r.left);
    }
    case CB_GETEDITSEL:
      if (s->edit == nullptr) return CB_ERR;
      return SendMessageW(s->edit, EM_GETSEL, wp, lp);
    case CB_SETEDITSEL:
      if (s->edit == nullptr) return CB_ERR;
      SendMessageW(s->edit, EM_SETSEL, static_cast<WPARAM>(static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lp)))),
                   static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lp))));
      return TRUE;
    case CB_LIMITTEXT:
      if (s->edit == nullptr) return CB_ERR;
      SendMessageW(s->edit, EM_LIMITTEXT, wp, 0);
      return TRUE;
    case CB_GETCOMBOBOXINFO: {
      auto* info = reinterpret_cast<COMBOBOXINFO*>(lp);
      if (info == nullptr) return FALSE;
      FillInfo(hwnd, *s, info);
      return TRUE;
    }
    default:
      return DefWindowProcW(hwnd, message, wp, lp);
  }
}

// The drop-down list: it takes the mouse while open and reports to its box.
LRESULT ComboListProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  auto w = Find(hwnd);
  HWND combo = w ? reinterpret_cast<HWND>(w->user_data) : nullptr;
  ComboState* s = combo != nullptr ? StateOf(combo) : nullptr;
  if (s == nullptr) return DefWindowProcW(hwnd, message, wp, lp);
  RECT client{};
  GetClientRect(hwnd, &client);
  POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  bool inside = PtInRect(&client, pt) != 0;
  int index = inside ? pt.y / std::max(1, s->item_height) : -1;
  if (index >= Count(*s)) index = -1;
  switch (message) {
    case WM_MOUSEMOVE:
      if (inside && index >= 0) s->hilite = index;
      return 0;
    case WM_LBUTTONDOWN:
      if (!inside) {
        CloseUp(combo, false);
      } else if (index >= 0) {
        s->hilite = index;
      }
      return 0;
    case WM_LBUTTONUP:
      // The release of the click that opened the list lands outside; only a
      // release on an item chooses.
      if (inside && index >= 0) Choose(combo, index);
      return 0;
    case WM_CAPTURECHANGED:
      if (s->dropped && reinterpret_cast<HWND>(lp) != hwnd) CloseUp(combo, false);
      return 0;
    case WM_PAINT: {
      if (OwnerDraw(combo)) {
        HWND parent = GetParent(combo);
        HDC dc = GetDC(hwnd);
        for (int i = 0; parent != nullptr && i < Count(*s); ++i) {
          s = StateOf(combo);
          if (s == nullptr || i >= Count(*s)) break;
          DRAWITEMSTRUCT di{};
          di.CtlType = ODT_COMBOBOX;
          di.CtlID = static_cast<UINT>(GetDlgCtrlID(combo));
          di.itemID = static_cast<UINT>(i);
          di.itemAction = ODA_DRAWENTIRE;
          di.itemState = i == s->hilite ? ODS_SELECTED : 0;
          di.hwndItem = combo;
          di.hDC = dc;
          di.rcItem = RECT{0, i * s->item_height, client.right, (i + 1) * s->item_height};
          di.itemData = s->items[static_cast<std::size_t>(i)].data;
          SendMessageW(parent, WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
        }
        ReleaseDC(hwnd, dc);
      }
      ValidateRect(hwnd, nullptr);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, message, wp, lp);
  }
}

}  // namespace quorvia::ui

BOOL GetComboBoxInfo(HWND combo, COMBOBOXINFO* info) {
  if (info == nullptr) return FALSE;
  return SendMessageW(combo, CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(info)) != 0 ? TRUE : FALSE;
}
