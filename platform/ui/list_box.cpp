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

constexpr int kOwnerDrawItemHeight = 16;

struct Item {
  std::u16string text;
  ULONG_PTR data = 0;
  bool selected = false;
};

struct ListBoxState : ControlState {
  std::vector<Item> items;
  int current = -1;  // the selection of a single-selection list; the caret otherwise
  int top = 0;
  int item_height = 13;
  HFONT font = nullptr;
};

ListBoxState* StateOf(HWND hwnd) {
  auto w = Find(hwnd);
  return w ? dynamic_cast<ListBoxState*>(w->control.get()) : nullptr;
}

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

bool Multiple(HWND hwnd) { return (StyleOf(hwnd) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }

bool OwnerDraw(HWND hwnd) { return (StyleOf(hwnd) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }

bool HasStrings(HWND hwnd) { return !OwnerDraw(hwnd) || (StyleOf(hwnd) & LBS_HASSTRINGS) != 0; }

int Count(const ListBoxState& s) { return static_cast<int>(s.items.size()); }

LRESULT InsertAt(HWND hwnd, ListBoxState& s, int index, LPARAM value, bool sorted) {
  Item item;
  if (HasStrings(hwnd)) {
    item.text = Text(reinterpret_cast<LPCWSTR>(value));
  } else {
    item.data = static_cast<ULONG_PTR>(value);
  }
  if (sorted && HasStrings(hwnd)) {
    index = 0;
    while (index < Count(s) && CompareNoCase(s.items[static_cast<std::size_t>(index)].text, item.text) <= 0) ++index;
  } else if (index < 0 || index > Count(s)) {
    if (index != -1 && index > Count(s)) return LB_ERR;
    index = Count(s);
  }
  s.items.insert(s.items.begin() + index, item);
  if (s.current >= index) ++s.current;
  InvalidateRect(hwnd, nullptr, TRUE);
  return index;
}

int FindText(const ListBoxState& s, int after, const std::u16string& text, bool exact) {
  int n = Count(s);
  for (int k = 1; k <= n; ++k) {
    int i = (after + k) % n;
    if (after < 0) i = k - 1;
    const std::u16string& t = s.items[static_cast<std::size_t>(i)].text;
    if (exact ? SameNoCase(t, text) : (t.size() >= text.size() && SameNoCase(t.substr(0, text.size()), text))) {
      return i;
    }
  }
  return static_cast<int>(LB_ERR);
}

void Notify(HWND hwnd, WORD code) {
  if ((StyleOf(hwnd) & LBS_NOTIFY) != 0) NotifyParent(hwnd, code);
}

void UserSelect(HWND hwnd, ListBoxState& s, int index) {
  if (index < 0 || index >= Count(s)) return;
  if (Multiple(hwnd)) {
    s.items[static_cast<std::size_t>(index)].selected = !s.items[static_cast<std::size_t>(index)].selected;
    s.current = index;
  } else {
    if (s.current == index) return;
    s.current = index;
  }
  InvalidateRect(hwnd, nullptr, TRUE);
  Notify(hwnd, LBN_SELCHANGE);
}

RECT ItemRect(HWND hwnd, const ListBoxState& s, int index) {
  RECT client{};
  GetClientRect(hwnd, &client);
  int y = (index - s.top) * s.item_height;
  return RECT{0, y, client.right, y + s.item_height};
}

void Paint(HWND hwnd) {
  PaintBackground(hwnd, WM_CTLCOLORLISTBOX);
  ListBoxState* s = StateOf(hwnd);
  if (s == nullptr || !OwnerDraw(hwnd)) return;
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  HDC dc = GetDC(hwnd);
  RECT client{};
  GetClientRect(hwnd, &client);
  for (int i = s->top; i < Count(*s); ++i) {
    s = StateOf(hwnd);
    if (s == nullptr || i >= Count(*s)) break;
    RECT r = ItemRect(hwnd, *s, i);
    if (r.top >= client.bottom) break;
    DRAWITEMSTRUCT di{};
    di.CtlType = ODT_LISTBOX;
    di.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
    di.itemID = static_cast<UINT>(i);
    di.itemAction = ODA_DRAWENTIRE;
    bool selected = Multiple(hwnd) ? s->items[static_cast<std::size_t>(i)].selected : s->current == i;
    di.itemState = (selected ? ODS_SELECTED : 0) | (GetFocus() == hwnd && s->current == i ? ODS_FOCUS : 0);
    di.hwndItem = hwnd;
    di.hDC = dc;
    di.rcItem = r;
    di.itemData = s->items[static_cast<std::size_t>(i)].data;
    SendMessageW(parent, WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
  }
  ReleaseDC(hwnd, dc);
}

}  // namespace

LRESULT ListBoxProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    auto w = Find(hwnd);
    if (!w) return FALSE;
    auto state = std::make_unique<ListBoxState>();
    state->item_height = OwnerDraw(hwnd) ? kOwnerDrawItemHeight : TextHeight(nullptr);
    w->control = std::move(state);
    return DefWindowProcW(hwnd, message, wp, lp);
  }
  ListBoxState* s = StateOf(hwnd);
  if (s == nullptr) return DefWindowProcW(hwnd, message, wp, lp);
  switch (message) {
    case WM_CREATE:
      if ((StyleOf(hwnd) & LBS_OWNERDRAWFIXED) != 0) {
        if (HWND parent = GetParent(hwnd)) {
          MEASUREITEMSTRUCT mi{};
          mi.CtlType = ODT_LISTBOX;
          mi.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
          mi.itemHeight = static_cast<UINT>(s->item_height);
          SendMessageW(parent, WM_MEASUREITEM, mi.CtlID, reinterpret_cast<LPARAM>(&mi));
          if ((s = StateOf(hwnd)) != nullptr && mi.itemHeight > 0) s->item_height = static_cast<int>(mi.itemHeight);
        }
      }
      return 0;
    case LB_ADDSTRING:
      return InsertAt(hwnd, *s, -1, lp, (StyleOf(hwnd) & LBS_SORT) != 0);
    case LB_INSERTSTRING:
      return InsertAt(hwnd, *s, static_cast<int>(static_cast<INT_PTR>(wp)), lp, false);
    case LB_DELETESTRING: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) return LB_ERR;
      s->items.erase(s->items.begin() + index);
      if (s->current == index) s->current = -1;
      if (s->current > index) --s->current;
      InvalidateRect(hwnd, nullptr, TRUE);
      return Count(*s);
    }
    case LB_RESETCONTENT:
      s->items.clear();
      s->current = -1;
      s->top = 0;
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case LB_GETCOUNT:
      return Count(*s);
    case LB_GETCURSEL:
      if (Multiple(hwnd)) return s->current;
      return s->current;
    case LB_SETCURSEL: {
      if (Multiple(hwnd)) return LB_ERR;
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) {
        s->current = -1;
        InvalidateRect(hwnd, nullptr, TRUE);
        return LB_ERR;
      }
      s->current = index;
      InvalidateRect(hwnd, nullptr, TRUE);
      return index;
    }
    case LB_GETSEL: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) return LB_ERR;
      return Multiple(hwnd) ? (s->items[static_cast<std::size_t>(index)].selected ? 1 : 0) : (s->current == index ? 1 : 0);
    }
    case LB_SETSEL: {
      if (!Multiple(hwnd)) return LB_ERR;
      int index = static_cast<int>(lp);
      if (index == -1) {
        for (Item& item : s->items) item.selected = wp != 0;
      } else if (index >= 0 && index < Count(*s)) {
        s->items[static_cast<std::size_t>(index)].selected = wp != 0;
      } else {
        return LB_ERR;
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case LB_GETSELCOUNT: {
      if (!Multiple(hwnd)) return LB_ERR;
      return std::count_if(s->items.begin(), s->items.end(), [](const Item& i) { return i.selected; });
    }
    case LB_GETTEXT: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) return LB_ERR;
      const Item& item = s->items[static_cast<std::size_t>(index)];
      if (!HasStrings(hwnd)) {
        if (lp != 0) *reinterpret_cast<ULONG_PTR*>(lp) = item.data;
        return sizeof(ULONG_PTR);
      }
      if (lp != 0) CopyText(item.text, reinterpret_cast<LPWSTR>(lp), static_cast<int>(item.text.size()) + 1);
      return static_cast<LRESULT>(item.text.size());
    }
    case LB_GETTEXTLEN: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) return LB_ERR;
      return static_cast<LRESULT>(s->items[static_cast<std::size_t>(index)].text.size());
    }
    case LB_GETITEMDATA: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) return LB_ERR;
      return static_cast<LRESULT>(s->items[static_cast<std::size_t>(index)].data);
    }
    case LB_SETITEMDATA: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= Count(*s)) return LB_ERR;
      s->items[static_cast<std::size_t>(index)].data = static_cast<ULONG_PTR>(lp);
      return TRUE;
    }
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
      return FindText(*s, static_cast<int>(static_cast<INT_PTR>(wp)), Text(reinterpret_cast<LPCWSTR>(lp)),
                      message == LB_FINDSTRINGEXACT);
    case LB_SELECTSTRING: {
      int index = FindText(*s, static_cast<int>(static_cast<INT_PTR>(wp)), Text(reinterpret_cast<LPCWSTR>(lp)), false);
      if (index >= 0 && !Multiple(hwnd)) {
        s->current = index;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return index;
    }
    case LB_GETTOPINDEX:
      return s->top;
    case LB_SETTOPINDEX: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= std::max(1, Count(*s))) return LB_ERR;
      s->top = index;
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case LB_GETITEMRECT: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      auto* r = reinterpret_cast<RECT*>(lp);
      if (r == nullptr || index < 0 || index >= Count(*s)) return LB_ERR;
      *r = ItemRect(hwnd, *s, index);
      return 1;
    }
    case LB_ITEMFROMPOINT: {
      int y = GET_Y_LPARAM(lp);
      int index = s->top + (y >= 0 ? y / s->item_height : -1);
      bool outside = index < 0 || index >= Count(*s);
      index = std::clamp(index, 0, std::max(0, Count(*s) - 1));
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(index), outside ? 1 : 0));
    }
    case LB_SETITEMHEIGHT:
      if (LOWORD(static_cast<std::uintptr_t>(lp)) == 0 || LOWORD(static_cast<std::uintptr_t>(lp)) > 255) return LB_ERR;
      s->item_height = LOWORD(static_cast<std::uintptr_t>(lp));
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case LB_GETITEMHEIGHT:
      return s->item_height;
    case WM_LBUTTONDOWN: {
      SetFocus(hwnd);
      s = StateOf(hwnd);
      if (s == nullptr) return 0;
      int y = GET_Y_LPARAM(lp);
      int index = s->top + y / s->item_height;
      if (y >= 0 && index < Count(*s)) UserSelect(hwnd, *s, index);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      Notify(hwnd, LBN_DBLCLK);
      return 0;
    case WM_KEYDOWN: {
      int n = Count(*s);
      if (n == 0) return 0;
      int to = s->current;
      switch (wp) {
        case VK_UP: to = std::max(0, s->current - 1); break;
        case VK_DOWN: to = std::min(n - 1, s->current + 1); break;
        case VK_HOME: to = 0; break;
        case VK_END: to = n - 1; break;
        case VK_SPACE:
          if (Multiple(hwnd) && s->current >= 0) UserSelect(hwnd, *s, s->current);
          return 0;
        default: return 0;
      }
      if (Multiple(hwnd)) {
        s->current = to;
        InvalidateRect(hwnd, nullptr, TRUE);
      } else {
        UserSelect(hwnd, *s, to);
      }
      return 0;
    }
    case WM_SETFOCUS:
      Notify(hwnd, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      Notify(hwnd, LBN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      if (!OwnerDraw(hwnd)) s->item_height = TextHeight(s->font);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_PAINT:
      Paint(hwnd);
      ValidateRect(hwnd, nullptr);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wp, lp);
  }
}

}  // namespace quorvia::ui
