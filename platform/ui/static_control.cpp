#include <memory>

#include "platform/module/module.h"
#include "platform/ui/bitmap.h"
#include "platform/ui/controls.h"
#include "platform/ui/controls_internal.h"
#include "platform/ui/gdi.h"
#include "platform/ui/gdi_internal.h"
#include "platform/ui/window_internal.h"

namespace quorvia::ui {
namespace {

struct StaticState : ControlState {
  HFONT font = nullptr;
  HANDLE image = nullptr;
  bool own_image = false;
  ~StaticState() override {
    if (own_image && image != nullptr) DeleteObject(image);
  }
};

StaticState* StateOf(HWND hwnd) {
  auto w = Find(hwnd);
  return w ? dynamic_cast<StaticState*>(w->control.get()) : nullptr;
}

DWORD TypeOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)) & SS_TYPEMASK; }

// A picture's name: an ordinal, or "#123".
LPCWSTR ImageName(LPCWSTR name) {
  if (name == nullptr || IS_INTRESOURCE(name)) return name;
  return name;
}

}  // namespace

HBRUSH PaintBackground(HWND hwnd, UINT colour_message) {
  HDC dc = GetDC(hwnd);
  HWND parent = GetParent(hwnd);
  HBRUSH brush = nullptr;
  if (parent != nullptr) {
    brush = reinterpret_cast<HBRUSH>(
        SendMessageW(parent, colour_message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  } else {
    brush = reinterpret_cast<HBRUSH>(DefWindowProcW(hwnd, colour_message, reinterpret_cast<WPARAM>(dc),
                                                    reinterpret_cast<LPARAM>(hwnd)));
  }
  if (IsWindow(hwnd)) {
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, brush);
  }
  ReleaseDC(hwnd, dc);
  return brush;
}

LRESULT StaticProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    auto w = Find(hwnd);
    if (!w) return FALSE;
    auto state = std::make_unique<StaticState>();
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    if ((static_cast<DWORD>(cs->style) & SS_TYPEMASK) == SS_BITMAP && cs->lpszName != nullptr) {
      state->image = LoadImageW(cs->hInstance, ImageName(cs->lpszName), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
      state->own_image = state->image != nullptr;
    }
    w->control = std::move(state);
    if ((static_cast<DWORD>(cs->style) & SS_TYPEMASK) == SS_BITMAP) return TRUE;  // the name is no text
    return DefWindowProcW(hwnd, message, wp, lp);
  }
  StaticState* s = StateOf(hwnd);
  if (s == nullptr) return DefWindowProcW(hwnd, message, wp, lp);
  switch (message) {
    case WM_CREATE: {
      int width = 0;
      int height = 0;
      if (TypeOf(hwnd) == SS_BITMAP && GetBitmapSize(static_cast<HBITMAP>(s->image), &width, &height)) {
        SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return 0;
    }
    case WM_NCHITTEST:
      return (GetWindowLongPtrW(hwnd, GWL_STYLE) & SS_NOTIFY) != 0 ? HTCLIENT : HTTRANSPARENT;
    case WM_LBUTTONDOWN:
      if ((GetWindowLongPtrW(hwnd, GWL_STYLE) & SS_NOTIFY) != 0) NotifyParent(hwnd, STN_CLICKED);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      if (lp != 0) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case STM_SETIMAGE: {
      if (wp != IMAGE_BITMAP) return 0;
      HANDLE old = s->image;
      if (s->own_image) old = nullptr;  // a picture the control loaded itself is not handed out
      if (s->own_image && s->image != nullptr) DeleteObject(s->image);
      s->image = reinterpret_cast<HANDLE>(lp);
      s->own_image = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETIMAGE:
      return wp == IMAGE_BITMAP ? reinterpret_cast<LRESULT>(s->image) : 0;
    case WM_PAINT: {
      PaintBackground(hwnd, WM_CTLCOLORSTATIC);
      s = StateOf(hwnd);
      if (s != nullptr && TypeOf(hwnd) == SS_BITMAP) {
        if (Bitmap* picture = Bitmap::FromHandle(s->image)) {
          HDC dc = GetDC(hwnd);
          if (Bitmap* target = DcTarget(dc)) {
            for (int y = 0; y < picture->Height(); ++y) {
              for (int x = 0; x < picture->Width(); ++x) {
                if (target->Contains(x, y)) target->SetPixel(x, y, picture->Pixel(x, y));
              }
            }
          }
          ReleaseDC(hwnd, dc);
        }
      }
      ValidateRect(hwnd, nullptr);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, message, wp, lp);
  }
}

}  // namespace quorvia::ui
