// Fonts with fixed metrics, brushes, system colours and metrics, and device
// contexts that draw into bitmaps (a window's device context draws into the
// window's own surface bitmap, the size of its client area).
//
// Font metrics are fixed so that layouts come out the same on every machine:
//   cell height H = -lfHeight + 2 for a negative lfHeight (the character
//   height plus 2 px internal leading), lfHeight for a positive one, 13 for 0;
//   character width W = lfWidth when positive, else (H * 8 + 6) / 13, plus 1
//   for a bold font (lfWeight >= 600).
// Every UTF-16 unit is W pixels wide, so a text of n units measures n * W by
// H. The default GUI font ("MS Shell Dlg", lfHeight -11) has H = 13 and
// W = 8; a device context starts with that font selected. Text drawing lays
// out no glyphs: DrawText measures and fills the background of an opaque
// text rectangle only.
#pragma once

#include <string>
#include <string_view>

#include "platform/api.h"
#include "platform/com/types.h"
#include "platform/ui/gdi_object.h"

constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};

struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
};

// Brush styles.
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;

constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;
constexpr BYTE DEFAULT_CHARSET = 1;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_GUI_FONT = 17;

// System colours.
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_3DFACE = COLOR_BTNFACE;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;

// System metrics.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// DrawText formats.
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_END_ELLIPSIS = 0x8000;

// GetCurrentObject kinds.
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

QUORVIA_PLATFORM_API HANDLE GetStockObject(int object);
QUORVIA_PLATFORM_API HFONT CreateFontIndirectW(const LOGFONTW* font);
QUORVIA_PLATFORM_API HBRUSH CreateSolidBrush(COLORREF colour);
QUORVIA_PLATFORM_API DWORD GetSysColor(int index);
// Stock brushes of the system colours.
QUORVIA_PLATFORM_API HBRUSH GetSysColorBrush(int index);
QUORVIA_PLATFORM_API int GetSystemMetrics(int index);
QUORVIA_PLATFORM_API int MulDiv(int number, int numerator, int denominator);

// Device contexts.
QUORVIA_PLATFORM_API HDC GetDC(HWND window);
QUORVIA_PLATFORM_API int ReleaseDC(HWND window, HDC dc);
// A memory context; a 1 x 1 bitmap is selected until another one is.
QUORVIA_PLATFORM_API HDC CreateCompatibleDC(HDC dc);
QUORVIA_PLATFORM_API BOOL DeleteDC(HDC dc);
QUORVIA_PLATFORM_API HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// Selects a bitmap (memory contexts only), a font or a brush; returns the
// previous object of that kind, null on failure.
QUORVIA_PLATFORM_API HANDLE SelectObject(HDC dc, HANDLE object);
QUORVIA_PLATFORM_API HANDLE GetCurrentObject(HDC dc, UINT kind);
QUORVIA_PLATFORM_API int SetBkMode(HDC dc, int mode);
QUORVIA_PLATFORM_API int GetBkMode(HDC dc);
QUORVIA_PLATFORM_API COLORREF SetBkColor(HDC dc, COLORREF colour);
QUORVIA_PLATFORM_API COLORREF GetBkColor(HDC dc);
QUORVIA_PLATFORM_API COLORREF SetTextColor(HDC dc, COLORREF colour);
QUORVIA_PLATFORM_API COLORREF GetTextColor(HDC dc);
QUORVIA_PLATFORM_API COLORREF GetPixel(HDC dc, int x, int y);
QUORVIA_PLATFORM_API COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour);
QUORVIA_PLATFORM_API int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
QUORVIA_PLATFORM_API BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy,
                                 DWORD rop);
QUORVIA_PLATFORM_API BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int length, SIZE* size);
QUORVIA_PLATFORM_API BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
// Returns the text height; with DT_CALCRECT sets the rectangle's right and
// bottom to fit the text.
QUORVIA_PLATFORM_API int DrawTextW(HDC dc, LPCWSTR text, int length, RECT* rect, UINT format);
QUORVIA_PLATFORM_API BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int length);
QUORVIA_PLATFORM_API int GetDeviceCaps(HDC dc, int index);

// Caret calls, accepted and otherwise without effect.
QUORVIA_PLATFORM_API BOOL CreateCaret(HWND window, HBITMAP bitmap, int width, int height);
QUORVIA_PLATFORM_API BOOL DestroyCaret();
QUORVIA_PLATFORM_API BOOL ShowCaret(HWND window);
QUORVIA_PLATFORM_API BOOL HideCaret(HWND window);

namespace quorvia::ui {

// The fixed metrics of a font (see the top of this file).
QUORVIA_PLATFORM_API void FontMetrics(const LOGFONTW& font, int* char_width, int* cell_height);
// The width of a text in a font (a null font: the default GUI font).
QUORVIA_PLATFORM_API int TextWidth(HFONT font, std::u16string_view text);
QUORVIA_PLATFORM_API int TextHeight(HFONT font);

// The text the process's clipboard holds (edit controls cut, copy and paste
// through it).
QUORVIA_PLATFORM_API std::u16string GetClipboardText();
QUORVIA_PLATFORM_API void SetClipboardText(std::u16string text);

}  // namespace quorvia::ui
