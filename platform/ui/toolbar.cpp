#include "platform/ui/toolbar.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui/controls_internal.h"
#include "platform/ui/gdi.h"
#include "platform/ui/gdi_internal.h"
#include "platform/module/module.h"
#include "platform/ui/image_list.h"
#include "platform/ui/window_internal.h"

namespace quorvia::ui {
namespace {

constexpr int kSeparatorWidth = 8;
constexpr int kArrowWidth = kToolbarArrowWidth;
constexpr int kImageTextGap = 4;

struct Button {
  int image = 0;
  int id = 0;
  BYTE state = 0;
  BYTE style = 0;
  DWORD_PTR data = 0;
  INT_PTR string = -1;  // index into the strings, or -1
  bool own_text = false;
  std::u16string text;
  int cx = 0;  // set width; 0 = measured
};

struct ToolbarState : ControlState {
  std::vector<Button> buttons;
  std::vector<std::u16string> strings;
  int bitmap_cx = 16;
  int bitmap_cy = 15;
  int set_button_cx = 0;
  int set_button_cy = 0;
  HIMAGELIST normal = nullptr;
  HIMAGELIST hot_list = nullptr;
  HIMAGELIST disabled = nullptr;
  DWORD ex_style = 0;
  TBMETRICS metrics{sizeof(TBMETRICS), 0, 7, 6, 0, 0, 0, 0};
  int indent = 0;
  HFONT font = nullptr;
  HWND tooltip = nullptr;
  bool own_tooltip = false;
  HWND notify = nullptr;
  int hot = -1;
  int pressed = -1;
};

ToolbarState* StateOf(HWND hwnd) {
  auto w = Find(hwnd);
  return w ? dynamic_cast<ToolbarState*>(w->control.get()) : nullptr;
}

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

std::u16string ButtonText(const ToolbarState& s, const Button& b) {
  if (b.own_text) return b.text;
  if (b.string >= 0 && b.string < static_cast<INT_PTR>(s.strings.size())) {
    return s.strings[static_cast<std::size_t>(b.string)];
  }
  return {};
}

bool ShowsText(const ToolbarState& s, HWND hwnd, const Button& b) {
  if ((b.style & BTNS_SEP) != 0 || ButtonText(s, b).empty()) return false;
  if ((StyleOf(hwnd) & TBSTYLE_LIST) != 0 && (s.ex_style & TBSTYLE_EX_MIXEDBUTTONS) != 0) {
    return (b.style & BTNS_SHOWTEXT) != 0;
  }
  return true;
}

bool HasImage(const Button& b) { return (b.style & BTNS_SEP) == 0 && b.image >= 0; }

int ArrowWidth(const ToolbarState& s, const Button& b) {
  if ((b.style & BTNS_WHOLEDROPDOWN) != 0) return kArrowWidth;
  if ((b.style & BTNS_DROPDOWN) != 0 && (s.ex_style & TBSTYLE_EX_DRAWDDARROWS) != 0) return kArrowWidth;
  return 0;
}

int ContentWidth(const ToolbarState& s, HWND hwnd, const Button& b) {
  bool list = (StyleOf(hwnd) & TBSTYLE_LIST) != 0;
  int image = HasImage(b) ? s.bitmap_cx : 0;
  int text = ShowsText(s, hwnd, b) ? TextWidth(s.font, ButtonText(s, b)) : 0;
  if (!list) return std::max(image, text);
  int gap = (image > 0 && text > 0) ? kImageTextGap : 0;
  return image + gap + text;
}

int CommonWidth(const ToolbarState& s, HWND hwnd) {
  int base = s.metrics.cxPad + 1;
  int width = std::max(s.bitmap_cx + base, s.set_button_cx);
  for (const Button& b : s.buttons) {
    if ((b.style & (BTNS_SEP | BTNS_AUTOSIZE)) != 0 || (b.state & TBSTATE_HIDDEN) != 0 || b.cx > 0) continue;
    width = std::max(width, base + ContentWidth(s, hwnd, b) + ArrowWidth(s, b));
  }
  return width;
}

int ButtonHeight(const ToolbarState& s, HWND hwnd) {
  bool list = (StyleOf(hwnd) & TBSTYLE_LIST) != 0;
  bool any_text = false;
  for (const Button& b : s.buttons) {
    if ((b.state & TBSTATE_HIDDEN) == 0 && ShowsText(s, hwnd, b)) any_text = true;
  }
  int content = s.bitmap_cy;
  if (any_text) content = list ? std::max(content, TextHeight(s.font)) : content + TextHeight(s.font);
  return std::max(content + s.metrics.cyPad + 1, s.set_button_cy);
}

int ButtonWidth(const ToolbarState& s, HWND hwnd, const Button& b) {
  if ((b.state & TBSTATE_HIDDEN) != 0) return 0;
  if (b.cx > 0) return b.cx;
  if ((b.style & BTNS_SEP) != 0) return b.image > 0 ? b.image : kSeparatorWidth;
  if ((b.style & BTNS_AUTOSIZE) != 0) return s.metrics.cxPad + 1 + ContentWidth(s, hwnd, b) + ArrowWidth(s, b);
  return CommonWidth(s, hwnd);
}

std::vector<RECT> Rects(const ToolbarState& s, HWND hwnd) {
  std::vector<RECT> rects;
  int height = ButtonHeight(s, hwnd);
  int x = s.indent;
  for (const Button& b : s.buttons) {
    int w = ButtonWidth(s, hwnd, b);
    rects.push_back(RECT{x, 0, x + w, height});
    if (w > 0) x += w + s.metrics.cxButtonSpacing;
  }
  return rects;
}

int IndexOfId(const ToolbarState& s, int id) {
  for (std::size_t i = 0; i < s.buttons.size(); ++i) {
    if (s.buttons[i].id == id) return static_cast<int>(i);
  }
  return -1;
}

int HitButton(const ToolbarState& s, HWND hwnd, POINT pt) {
  std::vector<RECT> rects = Rects(s, hwnd);
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if ((s.buttons[i].style & BTNS_SEP) == 0 && PtInRect(&rects[i], pt)) return static_cast<int>(i);
  }
  return -1;
}

HWND NotifyTarget(HWND hwnd, const ToolbarState& s) {
  if (s.notify != nullptr && IsWindow(s.notify)) return s.notify;
  return GetParent(hwnd);
}

LRESULT Notify(HWND hwnd, const ToolbarState& s, NMHDR* header, UINT code) {
  HWND target = NotifyTarget(hwnd, s);
  if (target == nullptr) return 0;
  header->hwndFrom = hwnd;
  header->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
  header->code = code;
  return SendMessageW(target, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

void Redraw(HWND hwnd) { InvalidateRect(hwnd, nullptr, TRUE); }

void ToolFor(HWND hwnd, ToolbarState& s, const Button& b, bool add) {
  if (s.tooltip == nullptr || (b.style & BTNS_SEP) != 0) return;
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = hwnd;
  ti.uId = static_cast<UINT_PTR>(b.id);
  ti.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(s.tooltip, add ? TTM_ADDTOOLW : TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

Button FromTbButton(const TBBUTTON& tb) {
  Button b;
  b.image = tb.iBitmap;
  b.id = tb.idCommand;
  b.state = tb.fsState;
  b.style = tb.fsStyle;
  b.data = tb.dwData;
  if (tb.iString >= 0 && tb.iString < 0x10000) {
    b.string = tb.iString;
  } else if (tb.iString != -1 && tb.iString != 0) {
    b.own_text = true;
    b.text = Text(reinterpret_cast<LPCWSTR>(tb.iString));
  }
  return b;
}

void ToTbButton(const Button& b, TBBUTTON* tb) {
  *tb = TBBUTTON{};
  tb->iBitmap = b.image;
  tb->idCommand = b.id;
  tb->fsState = b.state;
  tb->fsStyle = b.style;
  tb->dwData = b.data;
  tb->iString = b.own_text ? -1 : b.string;
}

bool Insert(HWND hwnd, ToolbarState& s, int index, const TBBUTTON* tb) {
  if (tb == nullptr) return false;
  if (index < 0 || index > static_cast<int>(s.buttons.size())) index = static_cast<int>(s.buttons.size());
  Button b = FromTbButton(*tb);
  s.buttons.insert(s.buttons.begin() + index, b);
  if (s.hot >= index) ++s.hot;
  if (s.pressed >= index) ++s.pressed;
  ToolFor(hwnd, s, b, true);
  Redraw(hwnd);
  return true;
}

void SetHot(HWND hwnd, ToolbarState& s, int index, DWORD flags) {
  if (index == s.hot) return;
  NMTBHOTITEM nm{};
  nm.idOld = s.hot >= 0 ? s.buttons[static_cast<std::size_t>(s.hot)].id : 0;
  nm.idNew = index >= 0 ? s.buttons[static_cast<std::size_t>(index)].id : 0;
  nm.dwFlags = flags | (s.hot < 0 ? HICF_ENTERING : 0) | (index < 0 ? HICF_LEAVING : 0);
  if (Notify(hwnd, s, &nm.hdr, TBN_HOTITEMCHANGE) != 0) return;
  ToolbarState* again = StateOf(hwnd);
  if (again == nullptr) return;
  if (index >= static_cast<int>(again->buttons.size())) index = -1;
  again->hot = index;
  Redraw(hwnd);
}

UINT ItemState(const ToolbarState& s, int index) {
  const Button& b = s.buttons[static_cast<std::size_t>(index)];
  UINT state = 0;
  if (index == s.hot) state |= CDIS_HOT;
  if ((b.state & TBSTATE_PRESSED) != 0) state |= CDIS_SELECTED;
  if ((b.state & TBSTATE_CHECKED) != 0) state |= CDIS_CHECKED;
  if ((b.state & TBSTATE_ENABLED) == 0) state |= CDIS_DISABLED;
  if ((b.state & TBSTATE_INDETERMINATE) != 0) state |= CDIS_INDETERMINATE;
  return state;
}

void DrawButton(const ToolbarState& s, const Button& b, const RECT& r, int index, HDC dc) {
  if (!HasImage(b)) return;
  HIMAGELIST list = s.normal;
  if ((b.state & TBSTATE_ENABLED) == 0 && s.disabled != nullptr) list = s.disabled;
  if (index == s.hot && s.hot_list != nullptr && (b.state & TBSTATE_ENABLED) != 0) list = s.hot_list;
  if (list == nullptr) return;
  int offset = (b.state & TBSTATE_PRESSED) != 0 ? 1 : 0;
  int x = r.left + s.metrics.cxPad / 2 + offset;
  int y = r.top + ((r.bottom - r.top) - s.bitmap_cy) / 2 + offset;
  ImageList_Draw(list, b.image, dc, x, y, ILD_TRANSPARENT);
}

void Paint(HWND hwnd) {
  ToolbarState* s = StateOf(hwnd);
  if (s == nullptr) return;
  HDC dc = GetDC(hwnd);
  RECT client{};
  GetClientRect(hwnd, &client);
  NMTBCUSTOMDRAW cd{};
  cd.nmcd.dwDrawStage = CDDS_PREPAINT;
  cd.nmcd.hdc = dc;
  cd.nmcd.rc = client;
  LRESULT pre = Notify(hwnd, *s, &cd.nmcd.hdr, NM_CUSTOMDRAW);
  s = StateOf(hwnd);
  if (s != nullptr && (pre & CDRF_SKIPDEFAULT) == 0) {
    if ((StyleOf(hwnd) & TBSTYLE_TRANSPARENT) == 0) FillRect(dc, &client, GetSysColorBrush(COLOR_3DFACE));
    std::size_t count = s->buttons.size();
    for (std::size_t i = 0; i < count; ++i) {
      s = StateOf(hwnd);
      if (s == nullptr || i >= s->buttons.size()) break;
      std::vector<RECT> rects = Rects(*s, hwnd);
      const Button b = s->buttons[i];
      if ((b.state & TBSTATE_HIDDEN) != 0) continue;
      LRESULT item = CDRF_DODEFAULT;
      NMTBCUSTOMDRAW icd{};
      icd.nmcd.hdc = dc;
      icd.nmcd.rc = rects[i];
      icd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(b.id);
      icd.nmcd.uItemState = ItemState(*s, static_cast<int>(i));
      icd.nmcd.lItemlParam = static_cast<LPARAM>(b.data);
      if ((pre & CDRF_NOTIFYITEMDRAW) != 0) {
        icd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        item = Notify(hwnd, *s, &icd.nmcd.hdr, NM_CUSTOMDRAW);
        s = StateOf(hwnd);
        if (s == nullptr) break;
      }
      if ((item & CDRF_SKIPDEFAULT) == 0) DrawButton(*s, b, rects[i], static_cast<int>(i), dc);
      if ((item & CDRF_NOTIFYPOSTPAINT) != 0) {
        icd.nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT;
        Notify(hwnd, *s, &icd.nmcd.hdr, NM_CUSTOMDRAW);
      }
    }
  }
  s = StateOf(hwnd);
  if (s != nullptr && (pre & CDRF_NOTIFYPOSTPAINT) != 0) {
    NMTBCUSTOMDRAW post{};
    post.nmcd.dwDrawStage = CDDS_POSTPAINT;
    post.nmcd.hdc = dc;
    post.nmcd.rc = client;
    Notify(hwnd, *s, &post.nmcd.hdr, NM_CUSTOMDRAW);
  }
  ReleaseDC(hwnd, dc);
  if (IsWindow(hwnd)) ValidateRect(hwnd, nullptr);
}

LRESULT ButtonDown(HWND hwnd, POINT pt) {
  ToolbarState* s = StateOf(hwnd);
  int index = HitButton(*s, hwnd, pt);
  if (index < 0) return 0;
  Button& b = s->buttons[static_cast<std::size_t>(index)];
  if ((b.state & TBSTATE_ENABLED) == 0) return 0;
  RECT r = Rects(*s, hwnd)[static_cast<std::size_t>(index)];
  bool whole = (b.style & BTNS_WHOLEDROPDOWN) != 0 ||
               ((b.style & BTNS_DROPDOWN) != 0 && (s->ex_style & TBSTYLE_EX_DRAWDDARROWS) == 0);
  bool split = (b.style & BTNS_DROPDOWN) != 0 && (s->ex_style & TBSTYLE_EX_DRAWDDARROWS) != 0 &&
               pt.x >= r.right - kArrowWidth;
  if (whole || split) {
    int id = b.id;
    b.state |= TBSTATE_PRESSED;
    Redraw(hwnd);
    NMTOOLBARW nm{};
    nm.iItem = id;
    ToTbButton(b, &nm.tbButton);
    nm.rcButton = r;
    LRESULT answer = Notify(hwnd, *s, &nm.hdr, TBN_DROPDOWN);
    s = StateOf(hwnd);
    if (s == nullptr) return 0;
    index = IndexOfId(*s, id);
    if (index >= 0) s->buttons[static_cast<std::size_t>(index)].state &= static_cast<BYTE>(~TBSTATE_PRESSED);
    Redraw(hwnd);
    if (answer != TBDDRET_TREATPRESSED || index < 0) return 0;
  }
  s->pressed = index;
  s->buttons[static_cast<std::size_t>(index)].state |= TBSTATE_PRESSED;
  SetCapture(hwnd);
  Redraw(hwnd);
  return 0;
}

LRESULT ButtonUp(HWND hwnd, POINT pt) {
  ToolbarState* s = StateOf(hwnd);
  if (s->pressed < 0) return 0;
  int index = s->pressed;
  s->pressed = -1;
  Button& b = s->buttons[static_cast<std::size_t>(index)];
  b.state &= static_cast<BYTE>(~TBSTATE_PRESSED);
  if (GetCapture() == hwnd) ReleaseCapture();
  s = StateOf(hwnd);
  if (s == nullptr) return 0;
  Redraw(hwnd);
  if (HitButton(*s, hwnd, pt) != index) return 0;
  Button& clicked = s->buttons[static_cast<std::size_t>(index)];
  if ((clicked.state & TBSTATE_ENABLED) == 0) return 0;
  if ((clicked.style & BTNS_CHECK) != 0) clicked.state ^= TBSTATE_CHECKED;
  HWND target = NotifyTarget(hwnd, *s);
  if (target != nullptr) {
    SendMessageW(target, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(clicked.id), BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd));
  }
  return 0;
}

Button* ById(ToolbarState& s, WPARAM id) {
  int index = IndexOfId(s, static_cast<int>(id));
  return index < 0 ? nullptr : &s.buttons[static_cast<std::size_t>(index)];
}

LRESULT SetStateBit(HWND hwnd, ToolbarState& s, WPARAM id, BYTE bit, bool on) {
  Button* b = ById(s, id);
  if (b == nullptr) return FALSE;
  if (on) {
    b->state |= bit;
  } else {
    b->state &= static_cast<BYTE>(~bit);
  }
  Redraw(hwnd);
  return TRUE;
}

LRESULT GetButtonInfo(HWND hwnd, ToolbarState& s, WPARAM which, TBBUTTONINFOW* info) {
  if (info == nullptr) return -1;
  int index = (info->dwMask & TBIF_BYINDEX) != 0 ? static_cast<int>(which) : IndexOfId(s, static_cast<int>(which));
  if (index < 0 || index >= static_cast<int>(s.buttons.size())) return -1;
  const Button& b = s.buttons[static_cast<std::size_t>(index)];
  if ((info->dwMask & TBIF_COMMAND) != 0) info->idCommand = b.id;
  if ((info->dwMask & TBIF_IMAGE) != 0) info->iImage = b.image;
  if ((info->dwMask & TBIF_STATE) != 0) info->fsState = b.state;
  if ((info->dwMask & TBIF_STYLE) != 0) info->fsStyle = b.style;
  if ((info->dwMask & TBIF_LPARAM) != 0) info->lParam = b.data;
  if ((info->dwMask & TBIF_SIZE) != 0) info->cx = static_cast<WORD>(ButtonWidth(s, hwnd, b));
  if ((info->dwMask & TBIF_TEXT) != 0 && info->pszText != nullptr && info->cchText > 0) {
    CopyText(ButtonText(s, b), info->pszText, info->cchText);
  }
  return index;
}

LRESULT SetButtonInfo(HWND hwnd, ToolbarState& s, WPARAM which, const TBBUTTONINFOW* info) {
  if (info == nullptr) return FALSE;
  int index = (info->dwMask & TBIF_BYINDEX) != 0 ? static_cast<int>(which) : IndexOfId(s, static_cast<int>(which));
  if (index < 0 || index >= static_cast<int>(s.buttons.size())) return FALSE;
  Button& b = s.buttons[static_cast<std::size_t>(index)];
  bool content_changed = false;
  if ((info->dwMask & TBIF_COMMAND) != 0) {
    ToolFor(hwnd, s, b, false);
    b.id = info->idCommand;
    ToolFor(hwnd, s, b, true);
  }
  if ((info->dwMask & TBIF_IMAGE) != 0 && b.image != info->iImage) {
    b.image = info->iImage;
    content_changed = true;
  }
  if ((info->dwMask & TBIF_STATE) != 0) b.state = info->fsState;
  if ((info->dwMask & TBIF_STYLE) != 0 && b.style != info->fsStyle) {
    b.style = info->fsStyle;
    content_changed = true;
  }
  if ((info->dwMask & TBIF_LPARAM) != 0) b.data = info->lParam;
  if ((info->dwMask & TBIF_TEXT) != 0) {
    std::u16string text = info->pszText == nullptr ? std::u16string() : Text(info->pszText);
    if (!b.own_text || b.text != text) content_changed = true;
    b.own_text = true;
    b.text = text;
    b.string = -1;
  }
  if ((info->dwMask & TBIF_SIZE) != 0) {
    b.cx = info->cx;
  } else if (content_changed && (b.style & BTNS_AUTOSIZE) != 0) {
    b.cx = 0;
  }
  Redraw(hwnd);
  return TRUE;
}

LRESULT AddStrings(ToolbarState& s, WPARAM instance, LPARAM strings) {
  if (instance != 0 || strings == 0) return -1;  // string resources are not supported
  auto* p = reinterpret_cast<LPCWSTR>(strings);
  LRESULT first = static_cast<LRESULT>(s.strings.size());
  bool added = false;
  while (*p != u'\0') {
    std::u16string one(p);
    p += one.size() + 1;
    s.strings.push_back(std::move(one));
    added = true;
  }
  return added ? first : -1;
}

HWND MakeTooltip(HWND toolbar) {
  return CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP, 0, 0, 0, 0, toolbar, nullptr, nullptr,
                         nullptr);
}

}  // namespace

LRESULT ToolbarProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    if (auto w = Find(hwnd)) {
      auto state = std::make_unique<ToolbarState>();
      state->font = DefaultGuiFont();
      w->control = std::move(state);
    }
    return DefWindowProcW(hwnd, message, wp, lp);
  }
  ToolbarState* s = StateOf(hwnd);
  if (s == nullptr) return DefWindowProcW(hwnd, message, wp, lp);
  switch (message) {
    case WM_CREATE:
      if ((StyleOf(hwnd) & TBSTYLE_TOOLTIPS) != 0) {
        HWND tip = MakeTooltip(hwnd);
        s = StateOf(hwnd);
        if (s != nullptr) {
          s->tooltip = tip;
          s->own_tooltip = true;
        }
      }
      return 0;
    case WM_DESTROY:
      if (s->own_tooltip && s->tooltip != nullptr) {
        HWND tip = s->tooltip;
        s->tooltip = nullptr;
        DestroyWindow(tip);
      }
      return 0;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp) != nullptr ? reinterpret_cast<HFONT>(wp) : DefaultGuiFont();
      if (LOWORD(static_cast<std::uintptr_t>(lp)) != 0) Redraw(hwnd);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_LBUTTONDOWN:
      return ButtonDown(hwnd, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    case WM_LBUTTONUP:
      return ButtonUp(hwnd, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    case WM_MOUSEMOVE: {
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      int index = HitButton(*s, hwnd, pt);
      if (index >= 0 && (s->buttons[static_cast<std::size_t>(index)].state & TBSTATE_ENABLED) == 0) index = -1;
      if (index != s->hot) SetHot(hwnd, *s, index, HICF_MOUSE);
      TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd, 0};
      TrackMouseEvent(&track);
      return 0;
    }
    case WM_MOUSELEAVE:
      if (s->hot >= 0) SetHot(hwnd, *s, -1, HICF_MOUSE);
      return 0;
    case WM_CAPTURECHANGED:
      if (s->pressed >= 0 && reinterpret_cast<HWND>(lp) != hwnd) {
        s->buttons[static_cast<std::size_t>(s->pressed)].state &= static_cast<BYTE>(~TBSTATE_PRESSED);
        s->pressed = -1;
        Redraw(hwnd);
      }
      return 0;
    case TB_BUTTONSTRUCTSIZE:
    case TB_SETMAXTEXTROWS:
      return TRUE;
    case TB_AUTOSIZE:
      Redraw(hwnd);
      return 0;
    case TB_INSERTBUTTONW:
      return Insert(hwnd, *s, static_cast<int>(static_cast<INT_PTR>(wp)), reinterpret_cast<const TBBUTTON*>(lp)) ? TRUE
                                                                                                         : FALSE;
    case TB_ADDBUTTONSW: {
      auto* list = reinterpret_cast<const TBBUTTON*>(lp);
      if (list == nullptr) return FALSE;
      for (WPARAM i = 0; i < wp; ++i) {
        ToolbarState* now = StateOf(hwnd);
        if (now == nullptr) return FALSE;
        Insert(hwnd, *now, -1, &list[i]);
      }
      return TRUE;
    }
    case TB_DELETEBUTTON: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= static_cast<int>(s->buttons.size())) return FALSE;
      ToolFor(hwnd, *s, s->buttons[static_cast<std::size_t>(index)], false);
      s->buttons.erase(s->buttons.begin() + index);
      if (s->hot == index) s->hot = -1;
      if (s->hot > index) --s->hot;
      if (s->pressed == index) s->pressed = -1;
      if (s->pressed > index) --s->pressed;
      Redraw(hwnd);
      return TRUE;
    }
    case TB_GETBUTTON: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      auto* tb = reinterpret_cast<TBBUTTON*>(lp);
      if (tb == nullptr || index < 0 || index >= static_cast<int>(s->buttons.size())) return FALSE;
      ToTbButton(s->buttons[static_cast<std::size_t>(index)], tb);
      return TRUE;
    }
    case TB_BUTTONCOUNT:
      return static_cast<LRESULT>(s->buttons.size());
    case TB_COMMANDTOINDEX:
      return IndexOfId(*s, static_cast<int>(wp));
    case TB_GETITEMRECT: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      auto* r = reinterpret_cast<RECT*>(lp);
      if (r == nullptr || index < 0 || index >= static_cast<int>(s->buttons.size())) return FALSE;
      *r = Rects(*s, hwnd)[static_cast<std::size_t>(index)];
      return TRUE;
    }
    case TB_GETRECT: {
      int index = IndexOfId(*s, static_cast<int>(wp));
      auto* r = reinterpret_cast<RECT*>(lp);
      if (r == nullptr || index < 0) return FALSE;
      *r = Rects(*s, hwnd)[static_cast<std::size_t>(index)];
      return TRUE;
    }
    case TB_HITTEST: {
      auto* p = reinterpret_cast<POINT*>(lp);
      if (p == nullptr) return -1;
      std::vector<RECT> rects = Rects(*s, hwnd);
      for (std::size_t i = 0; i < rects.size(); ++i) {
        if (PtInRect(&rects[i], *p)) return static_cast<LRESULT>(i);
      }
      return -1;
    }
    case TB_GETBUTTONSIZE:
      return static_cast<LRESULT>(
          MAKELONG(static_cast<WORD>(CommonWidth(*s, hwnd)), static_cast<WORD>(ButtonHeight(*s, hwnd))));
    case TB_SETBUTTONSIZE:
      s->set_button_cx = LOWORD(static_cast<std::uintptr_t>(lp));
      s->set_button_cy = HIWORD(static_cast<std::uintptr_t>(lp));
      Redraw(hwnd);
      return TRUE;
    case TB_GETMAXSIZE: {
      auto* size = reinterpret_cast<SIZE*>(lp);
      if (size == nullptr) return FALSE;
      std::vector<RECT> rects = Rects(*s, hwnd);
      size->cx = rects.empty() ? 0 : rects.back().right;
      size->cy = ButtonHeight(*s, hwnd);
      return TRUE;
    }
    case TB_SETBITMAPSIZE:
      s->bitmap_cx = LOWORD(static_cast<std::uintptr_t>(lp));
      s->bitmap_cy = HIWORD(static_cast<std::uintptr_t>(lp));
      Redraw(hwnd);
      return TRUE;
    case TB_SETIMAGELIST:
    case TB_SETHOTIMAGELIST:
    case TB_SETDISABLEDIMAGELIST: {
      HIMAGELIST& slot = message == TB_SETIMAGELIST ? s->normal : message == TB_SETHOTIMAGELIST ? s->hot_list : s->disabled;
      HIMAGELIST old = slot;
      slot = reinterpret_cast<HIMAGELIST>(lp);
      int cx = 0;
      int cy = 0;
      if (message == TB_SETIMAGELIST && ImageList_GetIconSize(slot, &cx, &cy)) {
        s->bitmap_cx = cx;
        s->bitmap_cy = cy;
      }
      Redraw(hwnd);
      return reinterpret_cast<LRESULT>(old);
    }
    case TB_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(s->normal);
    case TB_GETHOTIMAGELIST:
      return reinterpret_cast<LRESULT>(s->hot_list);
    case TB_GETDISABLEDIMAGELIST:
      return reinterpret_cast<LRESULT>(s->disabled);
    case TB_GETMETRICS: {
      auto* m = reinterpret_cast<TBMETRICS*>(lp);
      if (m == nullptr) return 0;
      if ((m->dwMask & TBMF_PAD) != 0) {
        m->cxPad = s->metrics.cxPad;
        m->cyPad = s->metrics.cyPad;
      }
      if ((m->dwMask & TBMF_BARPAD) != 0) {
        m->cxBarPad = s->metrics.cxBarPad;
        m->cyBarPad = s->metrics.cyBarPad;
      }
      if ((m->dwMask & TBMF_BUTTONSPACING) != 0) {
        m->cxButtonSpacing = s->metrics.cxButtonSpacing;
        m->cyButtonSpacing = s->metrics.cyButtonSpacing;
      }
      return 0;
    }
    case TB_SETMETRICS: {
      auto* m = reinterpret_cast<const TBMETRICS*>(lp);
      if (m == nullptr) return 0;
      if ((m->dwMask & TBMF_PAD) != 0) {
        s->metrics.cxPad = m->cxPad;
        s->metrics.cyPad = m->cyPad;
      }
      if ((m->dwMask & TBMF_BARPAD) != 0) {
        s->metrics.cxBarPad = m->cxBarPad;
        s->metrics.cyBarPad = m->cyBarPad;
      }
      if ((m->dwMask & TBMF_BUTTONSPACING) != 0) {
        s->metrics.cxButtonSpacing = m->cxButtonSpacing;
        s->metrics.cyButtonSpacing = m->cyButtonSpacing;
      }
      Redraw(hwnd);
      return 0;
    }
    case TB_GETPADDING:
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(s->metrics.cxPad), static_cast<WORD>(s->metrics.cyPad)));
    case TB_SETPADDING: {
      LRESULT old = static_cast<LRESULT>(MAKELONG(static_cast<WORD>(s->metrics.cxPad), static_cast<WORD>(s->metrics.cyPad)));
      s->metrics.cxPad = LOWORD(static_cast<std::uintptr_t>(lp));
      s->metrics.cyPad = HIWORD(static_cast<std::uintptr_t>(lp));
      Redraw(hwnd);
      return old;
    }
    case TB_SETEXTENDEDSTYLE: {
      DWORD old = s->ex_style;
      DWORD mask = wp == 0 ? 0xFFFFFFFFu : static_cast<DWORD>(wp);
      s->ex_style = (s->ex_style & ~mask) | (static_cast<DWORD>(lp) & mask);
      Redraw(hwnd);
      return static_cast<LRESULT>(old);
    }
    case TB_GETEXTENDEDSTYLE:
      return static_cast<LRESULT>(s->ex_style);
    case TB_GETSTYLE:
      return static_cast<LRESULT>(StyleOf(hwnd));
    case TB_SETSTYLE:
      SetWindowLongPtrW(hwnd, GWL_STYLE, lp);
      Redraw(hwnd);
      return 0;
    case TB_SETINDENT:
      s->indent = static_cast<int>(static_cast<INT_PTR>(wp));
      Redraw(hwnd);
      return TRUE;
    case TB_GETTOOLTIPS:
      return reinterpret_cast<LRESULT>(s->tooltip);
    case TB_SETTOOLTIPS:
      s->tooltip = reinterpret_cast<HWND>(wp);
      s->own_tooltip = false;
      return 0;
    case TB_SETPARENT: {
      HWND old = NotifyTarget(hwnd, *s);
      s->notify = reinterpret_cast<HWND>(wp);
      return reinterpret_cast<LRESULT>(old);
    }
    case TB_ADDSTRINGW:
      return AddStrings(*s, wp, lp);
    case TB_GETSTRINGW: {
      int index = HIWORD(wp);
      if (index < 0 || index >= static_cast<int>(s->strings.size())) return -1;
      const std::u16string& text = s->strings[static_cast<std::size_t>(index)];
      if (lp != 0) CopyText(text, reinterpret_cast<LPWSTR>(lp), LOWORD(wp));
      return static_cast<LRESULT>(text.size());
    }
    case TB_GETBUTTONTEXTW: {
      Button* b = ById(*s, wp);
      if (b == nullptr) return -1;
      std::u16string text = ButtonText(*s, *b);
      if (lp != 0) CopyText(text, reinterpret_cast<LPWSTR>(lp), static_cast<int>(text.size()) + 1);
      return static_cast<LRESULT>(text.size());
    }
    case TB_GETBUTTONINFOW:
      return GetButtonInfo(hwnd, *s, wp, reinterpret_cast<TBBUTTONINFOW*>(lp));
    case TB_SETBUTTONINFOW:
      return SetButtonInfo(hwnd, *s, wp, reinterpret_cast<const TBBUTTONINFOW*>(lp));
    case TB_CHECKBUTTON:
      return SetStateBit(hwnd, *s, wp, TBSTATE_CHECKED, LOWORD(static_cast<std::uintptr_t>(lp)) != 0);
    case TB_ENABLEBUTTON:
      return SetStateBit(hwnd, *s, wp, TBSTATE_ENABLED, LOWORD(static_cast<std::uintptr_t>(lp)) != 0);
    case TB_PRESSBUTTON:
      return SetStateBit(hwnd, *s, wp, TBSTATE_PRESSED, LOWORD(static_cast<std::uintptr_t>(lp)) != 0);
    case TB_HIDEBUTTON:
      return SetStateBit(hwnd, *s, wp, TBSTATE_HIDDEN, LOWORD(static_cast<std::uintptr_t>(lp)) != 0);
    case TB_INDETERMINATE:
      return SetStateBit(hwnd, *s, wp, TBSTATE_INDETERMINATE, LOWORD(static_cast<std::uintptr_t>(lp)) != 0);
    case TB_ISBUTTONENABLED:
    case TB_ISBUTTONCHECKED:
    case TB_ISBUTTONPRESSED:
    case TB_ISBUTTONHIDDEN: {
      Button* b = ById(*s, wp);
      if (b == nullptr) return 0;
      BYTE bit = message == TB_ISBUTTONENABLED   ? TBSTATE_ENABLED
                 : message == TB_ISBUTTONCHECKED ? TBSTATE_CHECKED
                 : message == TB_ISBUTTONPRESSED ? TBSTATE_PRESSED
                                                 : TBSTATE_HIDDEN;
      return (b->state & bit) != 0 ? TRUE : FALSE;
    }
    case TB_GETSTATE: {
      Button* b = ById(*s, wp);
      return b == nullptr ? -1 : b->state;
    }
    case TB_SETSTATE: {
      Button* b = ById(*s, wp);
      if (b == nullptr) return FALSE;
      b->state = static_cast<BYTE>(LOWORD(static_cast<std::uintptr_t>(lp)));
      Redraw(hwnd);
      return TRUE;
    }
    case TB_GETHOTITEM:
      return s->hot;
    case TB_SETHOTITEM: {
      int old = s->hot;
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index >= static_cast<int>(s->buttons.size())) index = -1;
      SetHot(hwnd, *s, index < 0 ? -1 : index, HICF_OTHER);
      return old;
    }
    default:
      return DefWindowProcW(hwnd, message, wp, lp);
  }
}

// ---------------------------------------------------------- tool tips

namespace {

struct Tool {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT flags = 0;
  RECT rect{};
  bool callback = false;
  std::u16string text;
};

struct TooltipState : ControlState {
  std::vector<Tool> tools;
  bool active = true;
};

TooltipState* TipOf(HWND hwnd) {
  auto w = Find(hwnd);
  return w ? dynamic_cast<TooltipState*>(w->control.get()) : nullptr;
}

Tool* FindTool(TooltipState& s, const TOOLINFOW* ti) {
  if (ti == nullptr) return nullptr;
  for (Tool& t : s.tools) {
    if (t.hwnd == ti->hwnd && t.id == ti->uId) return &t;
  }
  return nullptr;
}

void SetToolText(Tool& t, LPWSTR text) {
  t.callback = text == LPSTR_TEXTCALLBACKW;
  t.text = t.callback || text == nullptr || IS_INTRESOURCE(text) ? std::u16string() : Text(text);
}

}  // namespace

LRESULT TooltipProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    if (auto w = Find(hwnd)) w->control = std::make_unique<TooltipState>();
    return DefWindowProcW(hwnd, message, wp, lp);
  }
  TooltipState* s = TipOf(hwnd);
  if (s == nullptr) return DefWindowProcW(hwnd, message, wp, lp);
  auto* ti = reinterpret_cast<TOOLINFOW*>(lp);
  switch (message) {
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case TTM_ACTIVATE:
      s->active = wp != 0;
      return 0;
    case TTM_ADDTOOLW: {
      if (ti == nullptr) return FALSE;
      Tool* existing = FindTool(*s, ti);
      Tool t;
      t.hwnd = ti->hwnd;
      t.id = ti->uId;
      t.flags = ti->uFlags;
      t.rect = ti->rect;
      SetToolText(t, ti->lpszText);
      if (existing != nullptr) {
        *existing = t;
      } else {
        s->tools.push_back(t);
      }
      return TRUE;
    }
    case TTM_DELTOOLW:
      if (ti != nullptr) {
        s->tools.erase(std::remove_if(s->tools.begin(), s->tools.end(),
                                      [&](const Tool& t) { return t.hwnd == ti->hwnd && t.id == ti->uId; }),
                       s->tools.end());
      }
      return 0;
    case TTM_GETTOOLCOUNT:
      return static_cast<LRESULT>(s->tools.size());
    case TTM_UPDATETIPTEXTW:
      if (Tool* t = FindTool(*s, ti)) SetToolText(*t, ti->lpszText);
      return 0;
    case TTM_NEWTOOLRECTW:
      if (Tool* t = FindTool(*s, ti)) t->rect = ti->rect;
      return 0;
    case TTM_GETTEXTW: {
      Tool* t = FindTool(*s, ti);
      if (t == nullptr || ti->lpszText == nullptr) return 0;
      int size = wp > 0 ? static_cast<int>(wp) : 80;
      return CopyText(t->text, ti->lpszText, size);
    }
    case TTM_GETTOOLINFOW: {
      Tool* t = FindTool(*s, ti);
      if (t == nullptr) return FALSE;
      ti->uFlags = t->flags;
      ti->rect = t->rect;
      return TRUE;
    }
    case TTM_SETTOOLINFOW:
      if (Tool* t = FindTool(*s, ti)) {
        t->flags = ti->uFlags;
        t->rect = ti->rect;
        SetToolText(*t, ti->lpszText);
      }
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wp, lp);
  }
}

}  // namespace quorvia::ui
