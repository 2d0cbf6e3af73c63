// Thin drawing classes over the GDI calls: points, sizes and rectangles,
// drawing objects (bitmaps, fonts, brushes), device contexts and image
// lists. Objects made through a class are deleted with it; FromHandle gives
// a wrapper that does not own the handle.
#pragma once

#include <string>
#include <string_view>

#include "platform/api.h"
#include "platform/com/types.h"
#include "platform/module/module.h"
#include "platform/ui/bitmap.h"
#include "platform/ui/gdi.h"
#include "platform/ui/image_list.h"
#include "platform/ui/window.h"

using LOGFONT = LOGFONTW;
using TEXTMETRIC = TEXTMETRICW;
using LPRECT = RECT*;
using LPCRECT = const RECT*;
using LPPOINT = POINT*;

class CSize : public SIZE {
 public:
  CSize() : SIZE{0, 0} {}
  CSize(int x, int y) : SIZE{x, y} {}
  explicit CSize(DWORD packed) : SIZE{static_cast<SHORT>(LOWORD(packed)), static_cast<SHORT>(HIWORD(packed))} {}
  bool operator==(const CSize& o) const { return cx == o.cx && cy == o.cy; }
};

class CPoint : public POINT {
 public:
  CPoint() : POINT{0, 0} {}
  CPoint(int x0, int y0) : POINT{x0, y0} {}
  bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
};

class CRect : public RECT {
 public:
  CRect() : RECT{0, 0, 0, 0} {}
  CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
  CRect(const RECT& r) : RECT(r) {}  // NOLINT: converts like the original
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CPoint TopLeft() const { return CPoint(left, top); }
  CPoint BottomRight() const { return CPoint(right, bottom); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
  CSize Size() const { return CSize(Width(), Height()); }
  BOOL IsRectEmpty() const { return ::IsRectEmpty(this); }
  BOOL PtInRect(POINT p) const { return ::PtInRect(this, p); }
  void SetRect(int l, int t, int r, int b) { ::SetRect(this, l, t, r, b); }
  void OffsetRect(int dx, int dy) { ::OffsetRect(this, dx, dy); }
  void InflateRect(int dx, int dy) { ::InflateRect(this, dx, dy); }
  operator LPRECT() { return this; }
  operator LPCRECT() const { return this; }
  bool operator==(const RECT& o) const { return ::EqualRect(this, &o) != 0; }
};

class QUORVIA_PLATFORM_API CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject();
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HANDLE m_hObject = nullptr;

  HANDLE GetSafeHandle() const { return m_hObject; }
  BOOL Attach(HANDLE object);
  HANDLE Detach();
  // Deletes the object held; FALSE when none.
  BOOL DeleteObject();
  int GetObject(int size, void* buffer) const { return ::GetObjectW(m_hObject, size, buffer); }
};

class QUORVIA_PLATFORM_API CBitmap : public CGdiObject {
 public:
  // Loads a bitmap resource from the calling library's framework instance
  // module (GetInstanceModule), falling back to the library itself.
  BOOL LoadBitmap(UINT id) { return LoadBitmapFrom(quorvia::ThisModule(), id); }
  BOOL LoadBitmapFrom(HMODULE caller, UINT id);
  BOOL CreateBitmap24(int width, int height);
  int GetBitmap(BITMAP* info) const { return GetObject(static_cast<int>(sizeof(BITMAP)), info); }
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  static CBitmap* FromHandle(HBITMAP bitmap);
};

class QUORVIA_PLATFORM_API CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONT* font);
  int GetLogFont(LOGFONT* font) const { return GetObject(static_cast<int>(sizeof(LOGFONT)), font); }
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
  static CFont* FromHandle(HFONT font);
};

class QUORVIA_PLATFORM_API CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
  BOOL CreateSolidBrush(COLORREF colour);
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
  static CBrush* FromHandle(HBRUSH brush);
};

class QUORVIA_PLATFORM_API CDC {
 public:
  CDC() = default;
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC = nullptr;

  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }
  BOOL Attach(HDC dc);
  HDC Detach();
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();
  static CDC* FromHandle(HDC dc);

  CFont* SelectObject(CFont* font);
  CBitmap* SelectObject(CBitmap* bitmap);
  CBrush* SelectObject(CBrush* brush);
  int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
  COLORREF SetBkColor(COLORREF colour) { return ::SetBkColor(m_hDC, colour); }
  COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(m_hDC, colour); }
  CSize GetTextExtent(std::u16string_view text) const;
  BOOL GetTextMetrics(TEXTMETRIC* metrics) const { return ::GetTextMetricsW(m_hDC, metrics); }
  int DrawText(std::u16string_view text, LPRECT rect, UINT format);
  BOOL TextOut(int x, int y, std::u16string_view text);
  void FillSolidRect(LPCRECT rect, COLORREF colour);
  void FillRect(LPCRECT rect, CBrush* brush) { ::FillRect(m_hDC, rect, brush == nullptr ? nullptr : HBRUSH(*brush)); }
  COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
  COLORREF SetPixel(int x, int y, COLORREF colour) { return ::SetPixel(m_hDC, x, y, colour); }
  BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD rop) {
    return ::BitBlt(m_hDC, x, y, width, height, source == nullptr ? nullptr : source->m_hDC, sx, sy, rop);
  }

 protected:
  bool owned_ = false;  // made by CreateCompatibleDC, deleted with the object
};

class QUORVIA_PLATFORM_API CImageList {
 public:
  CImageList() = default;
  virtual ~CImageList();
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;

  HIMAGELIST m_hImageList = nullptr;

  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  BOOL DeleteImageList();
  BOOL Attach(HIMAGELIST list);
  HIMAGELIST Detach();
  HIMAGELIST GetSafeHandle() const { return m_hImageList; }
  operator HIMAGELIST() const { return m_hImageList; }
  static CImageList* FromHandle(HIMAGELIST list);

  int Add(CBitmap* image, COLORREF mask_colour);
  int Add(CBitmap* image, CBitmap* mask);
  BOOL Replace(int index, CBitmap* image, CBitmap* mask);
  BOOL Remove(int index) { return ImageList_Remove(m_hImageList, index); }
  int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
  COLORREF SetBkColor(COLORREF colour) { return ImageList_SetBkColor(m_hImageList, colour); }
  COLORREF GetBkColor() const { return ImageList_GetBkColor(m_hImageList); }
  BOOL Draw(CDC* dc, int index, POINT at, UINT style);
  BOOL GetIconSize(int* cx, int* cy) const { return ImageList_GetIconSize(m_hImageList, cx, cy); }
};
