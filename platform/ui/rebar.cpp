#include "platform/ui/rebar.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/ui/controls_internal.h"
#include "platform/ui/window_internal.h"

namespace quorvia::ui {
namespace {

constexpr UINT kGripperWidth = 10;

struct Band {
  UINT style = 0;
  COLORREF fore = 0;
  COLORREF back = 0;
  std::u16string text;
  int image = -1;
  HWND child = nullptr;
  UINT cx_min = 0;
  UINT cy_min = 0;
  UINT cx = 0;
  HBITMAP background = nullptr;
  UINT id = 0;
  UINT cy_child = 0;
  UINT cy_max = 0;
  UINT cy_integral = 0;
  UINT cx_ideal = 0;
  LPARAM param = 0;
  bool header_set = false;
  UINT cx_header = 0;
  RECT rect{};
};

struct RebarState : ControlState {
  std::vector<Band> bands;
  HWND notify = nullptr;
};

RebarState* StateOf(HWND hwnd) {
  auto w = Find(hwnd);
  return w ? dynamic_cast<RebarState*>(w->control.get()) : nullptr;
}

UINT HeaderOf(const Band& b) {
  if ((b.style & RBBS_NOGRIPPER) != 0) return 0;
  return b.header_set ? b.cx_header : kGripperWidth;
}

void Layout(HWND hwnd) {
  RebarState* s = StateOf(hwnd);
  if (s == nullptr) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  int width = client.right;
  // Rows of visible bands.
  std::vector<std::vector<std::size_t>> rows;
  for (std::size_t i = 0; i < s->bands.size(); ++i) {
    Band& b = s->bands[i];
    b.rect = RECT{};
    if ((b.style & RBBS_HIDDEN) != 0) continue;
    if (rows.empty() || ((b.style & RBBS_BREAK) != 0 && !rows.back().empty())) rows.emplace_back();
    rows.back().push_back(i);
  }
  int y = 0;
  std::vector<std::pair<HWND, RECT>> moves;
  for (const auto& row : rows) {
    int height = 1;
    for (std::size_t i : row) height = std::max<int>(height, static_cast<int>(s->bands[i].cy_min));
    int x = 0;
    for (std::size_t k = 0; k < row.size(); ++k) {
      Band& b = s->bands[row[k]];
      int header = static_cast<int>(HeaderOf(b));
      int w = b.cx > 0 ? static_cast<int>(b.cx) : header + static_cast<int>(b.cx_min);
      if (k + 1 == row.size()) w = std::max(width - x, header + static_cast<int>(b.cx_min));
      b.rect = RECT{x, y, x + w, y + height};
      if (b.child != nullptr) moves.emplace_back(b.child, RECT{x + header, y, x + w, y + height});
      x += w;
    }
    y += height;
  }
  for (auto& [child, r] : moves) {
    if (IsWindow(child) && GetParent(child) == hwnd) {
      MoveWindow(child, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
  }
  InvalidateRect(hwnd, nullptr, TRUE);
}

void Apply(HWND hwnd, Band& b, const REBARBANDINFOW& info) {
  UINT mask = info.fMask;
  if ((mask & RBBIM_STYLE) != 0) b.style = info.fStyle;
  if ((mask & RBBIM_COLORS) != 0) {
    b.fore = info.clrFore;
    b.back = info.clrBack;
  }
  if ((mask & RBBIM_TEXT) != 0) b.text = Text(info.lpText);
  if ((mask & RBBIM_IMAGE) != 0) b.image = info.iImage;
  if ((mask & RBBIM_CHILD) != 0 && info.hwndChild != b.child) {
    if (b.child != nullptr && IsWindow(b.child)) ShowWindow(b.child, SW_HIDE);
    b.child = info.hwndChild;
    if (b.child != nullptr && GetParent(b.child) != hwnd) SetParent(b.child, hwnd);
  }
  if ((mask & RBBIM_CHILDSIZE) != 0) {
    b.cx_min = info.cxMinChild;
    b.cy_min = info.cyMinChild;
    if (info.cbSize >= offsetof(REBARBANDINFOW, cxIdeal)) {
      b.cy_child = info.cyChild;
      b.cy_max = info.cyMaxChild;
      b.cy_integral = info.cyIntegral;
    }
  }
  if ((mask & RBBIM_SIZE) != 0) b.cx = info.cx;
  if ((mask & RBBIM_BACKGROUND) != 0) b.background = info.hbmBack;
  if ((mask & RBBIM_ID) != 0) b.id = info.wID;
  if ((mask & RBBIM_IDEALSIZE) != 0) b.cx_ideal = info.cxIdeal;
  if ((mask & RBBIM_LPARAM) != 0) b.param = info.lParam;
  if ((mask & RBBIM_HEADERSIZE) != 0) {
    b.header_set = info.cxHeader != static_cast<UINT>(-1);
    b.cx_header = info.cxHeader;
  }
}

void Fill(const Band& b, REBARBANDINFOW& info) {
  UINT mask = info.fMask;
  if ((mask & RBBIM_STYLE) != 0) info.fStyle = b.style;
  if ((mask & RBBIM_COLORS) != 0) {
    info.clrFore = b.fore;
    info.clrBack = b.back;
  }
  if ((mask & RBBIM_TEXT) != 0 && info.lpText != nullptr && info.cch > 0) {
    CopyText(b.text, info.lpText, static_cast<int>(info.cch));
  }
  if ((mask & RBBIM_IMAGE) != 0) info.iImage = b.image;
  if ((mask & RBBIM_CHILD) != 0) info.hwndChild = b.child;
  if ((mask & RBBIM_CHILDSIZE) != 0) {
    info.cxMinChild = b.cx_min;
    info.cyMinChild = b.cy_min;
    info.cyChild = b.cy_child;
    info.cyMaxChild = b.cy_max;
    info.cyIntegral = b.cy_integral;
  }
  if ((mask & RBBIM_SIZE) != 0) info.cx = static_cast<UINT>(b.rect.right - b.rect.left) > 0 && b.cx == 0
                                             ? static_cast<UINT>(b.rect.right - b.rect.left)
                                             : b.cx;
  if ((mask & RBBIM_BACKGROUND) != 0) info.hbmBack = b.background;
  if ((mask & RBBIM_ID) != 0) info.wID = b.id;
  if ((mask & RBBIM_IDEALSIZE) != 0) info.cxIdeal = b.cx_ideal;
  if ((mask & RBBIM_LPARAM) != 0) info.lParam = b.param;
  if ((mask & RBBIM_HEADERSIZE) != 0) info.cxHeader = HeaderOf(b);
}

bool ValidInfo(const REBARBANDINFOW* info) {
  return info != nullptr && info->cbSize >= offsetof(REBARBANDINFOW, cxIdeal) &&
         info->cbSize <= sizeof(REBARBANDINFOW);
}

}  // namespace

LRESULT RebarProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    if (auto w = Find(hwnd)) w->control = std::make_unique<RebarState>();
    return DefWindowProcW(hwnd, message, wp, lp);
  }
  RebarState* s = StateOf(hwnd);
  if (s == nullptr) return DefWindowProcW(hwnd, message, wp, lp);
  switch (message) {
    case WM_SIZE:
      Layout(hwnd);
      return 0;
    case WM_COMMAND:
    case WM_NOTIFY: {
      HWND target = s->notify != nullptr && IsWindow(s->notify) ? s->notify : GetParent(hwnd);
      return target == nullptr ? 0 : SendMessageW(target, message, wp, lp);
    }
    case RB_SETPARENT: {
      HWND old = s->notify != nullptr ? s->notify : GetParent(hwnd);
      s->notify = reinterpret_cast<HWND>(wp);
      return reinterpret_cast<LRESULT>(old);
    }
    case RB_INSERTBANDW: {
      auto* info = reinterpret_cast<const REBARBANDINFOW*>(lp);
      if (!ValidInfo(info)) return FALSE;
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index > static_cast<int>(s->bands.size())) index = static_cast<int>(s->bands.size());
      Band b;
      Apply(hwnd, b, *info);
      s = StateOf(hwnd);
      if (s == nullptr) return FALSE;
      s->bands.insert(s->bands.begin() + index, b);
      Layout(hwnd);
      return TRUE;
    }
    case RB_SETBANDINFOW: {
      auto* info = reinterpret_cast<const REBARBANDINFOW*>(lp);
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (!ValidInfo(info) || index < 0 || index >= static_cast<int>(s->bands.size())) return FALSE;
      Band b = s->bands[static_cast<std::size_t>(index)];
      Apply(hwnd, b, *info);
      s = StateOf(hwnd);
      if (s == nullptr || index >= static_cast<int>(s->bands.size())) return FALSE;
      s->bands[static_cast<std::size_t>(index)] = b;
      Layout(hwnd);
      return TRUE;
    }
    case RB_GETBANDINFOW: {
      auto* info = reinterpret_cast<REBARBANDINFOW*>(lp);
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (!ValidInfo(info) || index < 0 || index >= static_cast<int>(s->bands.size())) return FALSE;
      Fill(s->bands[static_cast<std::size_t>(index)], *info);
      return TRUE;
    }
    case RB_DELETEBAND: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= static_cast<int>(s->bands.size())) return FALSE;
      HWND child = s->bands[static_cast<std::size_t>(index)].child;
      s->bands.erase(s->bands.begin() + index);
      if (child != nullptr && IsWindow(child)) ShowWindow(child, SW_HIDE);
      Layout(hwnd);
      return TRUE;
    }
    case RB_SHOWBAND: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      if (index < 0 || index >= static_cast<int>(s->bands.size())) return FALSE;
      Band& b = s->bands[static_cast<std::size_t>(index)];
      if (lp != 0) {
        b.style &= ~RBBS_HIDDEN;
      } else {
        b.style |= RBBS_HIDDEN;
      }
      if (b.child != nullptr && IsWindow(b.child)) ShowWindow(b.child, lp != 0 ? SW_SHOW : SW_HIDE);
      Layout(hwnd);
      return TRUE;
    }
    case RB_GETBANDCOUNT:
      return static_cast<LRESULT>(s->bands.size());
    case RB_IDTOINDEX:
      for (std::size_t i = 0; i < s->bands.size(); ++i) {
        if (s->bands[i].id == static_cast<UINT>(wp)) return static_cast<LRESULT>(i);
      }
      return -1;
    case RB_GETRECT: {
      int index = static_cast<int>(static_cast<INT_PTR>(wp));
      auto* r = reinterpret_cast<RECT*>(lp);
      if (r == nullptr || index < 0 || index >= static_cast<int>(s->bands.size())) return FALSE;
      *r = s->bands[static_cast<std::size_t>(index)].rect;
      return TRUE;
    }
    case RB_GETROWCOUNT: {
      LRESULT rows = 0;
      bool row_open = false;
      for (const Band& b : s->bands) {
        if ((b.style & RBBS_HIDDEN) != 0) continue;
        if (!row_open || (b.style & RBBS_BREAK) != 0) ++rows;
        row_open = true;
      }
      return rows;
    }
    case RB_GETBARHEIGHT: {
      LONG bottom = 0;
      for (const Band& b : s->bands) bottom = std::max(bottom, b.rect.bottom);
      return bottom;
    }
    default:
      return DefWindowProcW(hwnd, message, wp, lp);
  }
}

}  // namespace quorvia::ui
