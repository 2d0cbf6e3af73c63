#include "platform/ui/gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/ui/gdi_internal.h"
#include "platform/ui/window_internal.h"

namespace quorvia::ui {
namespace {

class Font : public GdiObject {
 public:
  explicit Font(const LOGFONTW& lf, bool stock = false) : lf_(lf), stock_(stock) {}
  bool IsStock() const override { return stock_; }
  int Describe(int size, void* buffer) const override {
    if (buffer == nullptr) return static_cast<int>(sizeof(LOGFONTW));
    int n = std::min<int>(size, static_cast<int>(sizeof(LOGFONTW)));
    std::memcpy(buffer, &lf_, static_cast<std::size_t>(n));
    return n;
  }
  const LOGFONTW& Log() const { return lf_; }

 private:
  LOGFONTW lf_;
  bool stock_;
};

class Brush : public GdiObject {
 public:
  Brush(UINT style, COLORREF colour, bool stock = false) : style_(style), colour_(colour), stock_(stock) {}
  bool IsStock() const override { return stock_; }
  int Describe(int size, void* buffer) const override {
    if (buffer == nullptr) return static_cast<int>(sizeof(LOGBRUSH));
    if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
    LOGBRUSH lb{style_, colour_, 0};
    std::memcpy(buffer, &lb, sizeof lb);
    return static_cast<int>(sizeof lb);
  }
  UINT Style() const { return style_; }
  COLORREF Colour() const { return colour_; }

 private:
  UINT style_;
  COLORREF colour_;
  bool stock_;
};

class StockBitmap : public Bitmap {
 public:
  StockBitmap() : Bitmap(1, 1) {}
  bool IsStock() const override { return true; }
};

class DeviceContext : public GdiObject {
 public:
  bool IsDeletable() const override { return false; }
  HWND window = nullptr;  // null for a memory context
  HBITMAP bitmap = nullptr;
  HFONT font = nullptr;
  HBRUSH brush = nullptr;
  int bk_mode = OPAQUE;
  COLORREF bk_colour = RGB(255, 255, 255);
  COLORREF text_colour = RGB(0, 0, 0);
};

LOGFONTW MakeLogFont(LONG height, LONG weight, const char16_t* face) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::u16string_view name(face);
  std::copy_n(name.data(), std::min<std::size_t>(name.size(), LF_FACESIZE - 1), lf.lfFaceName);
  return lf;
}

struct Stock {
  Font* gui_font;
  Font* system_font;
  Font* ansi_font;
  Brush* brushes[6];
  Brush* colour_brushes[32];
  StockBitmap* bitmap;
};

DWORD SystemColour(int index) {
  switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_HIGHLIGHT: return RGB(0, 120, 215);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    case COLOR_GRAYTEXT: return RGB(109, 109, 109);
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    default: return RGB(192, 192, 192);
  }
}

Stock& Stocks() {
  static Stock* stock = [] {
    auto* s = new Stock{};
    s->gui_font = new Font(MakeLogFont(-11, FW_NORMAL, u"MS Shell Dlg"), true);
    s->system_font = new Font(MakeLogFont(16, FW_BOLD, u"System"), true);
    s->ansi_font = new Font(MakeLogFont(12, FW_NORMAL, u"MS Sans Serif"), true);
    const COLORREF greys[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64), RGB(0, 0, 0)};
    for (int i = 0; i < 5; ++i) s->brushes[i] = new Brush(BS_SOLID, greys[i], true);
    s->brushes[5] = new Brush(BS_NULL, 0, true);
    for (int i = 0; i < 32; ++i) s->colour_brushes[i] = new Brush(BS_SOLID, SystemColour(i), true);
    s->bitmap = new StockBitmap;
    return s;
  }();
  return *stock;
}

DeviceContext* Dc(HDC dc) { return dynamic_cast<DeviceContext*>(GdiObject::FromHandle(dc)); }

Font* FontObject(HANDLE h) { return dynamic_cast<Font*>(GdiObject::FromHandle(h)); }

Brush* BrushObject(HANDLE h) { return dynamic_cast<Brush*>(GdiObject::FromHandle(h)); }

DeviceContext* NewDc(HWND window) {
  auto* dc = new DeviceContext;
  dc->window = window;
  dc->font = static_cast<HFONT>(Stocks().gui_font->Handle());
  dc->brush = static_cast<HBRUSH>(Stocks().brushes[WHITE_BRUSH]->Handle());
  if (window == nullptr) dc->bitmap = Stocks().bitmap->Hbitmap();
  return dc;
}

std::mutex& ClipboardLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::u16string& Clipboard() {
  static auto* text = new std::u16string;
  return *text;
}

}  // namespace

Bitmap* DcTarget(HDC handle) {
  DeviceContext* dc = Dc(handle);
  if (dc == nullptr) return nullptr;
  if (dc->window != nullptr) {
    auto w = Find(dc->window);
    return w ? Surface(*w) : nullptr;
  }
  return Bitmap::FromHandle(dc->bitmap);
}

const LOGFONTW* FontOf(HFONT font) {
  Font* f = FontObject(font);
  return f == nullptr ? nullptr : &f->Log();
}

HFONT DefaultGuiFont() { return static_cast<HFONT>(Stocks().gui_font->Handle()); }

bool BrushColour(HBRUSH brush, COLORREF* colour) {
  Brush* b = BrushObject(brush);
  if (b == nullptr || b->Style() != BS_SOLID) return false;
  *colour = b->Colour();
  return true;
}

void FontMetrics(const LOGFONTW& font, int* char_width, int* cell_height) {
  int h = 13;
  if (font.lfHeight < 0) {
    h = -font.lfHeight + 2;
  } else if (font.lfHeight > 0) {
    h = font.lfHeight;
  }
  int w = font.lfWidth > 0 ? font.lfWidth : (h * 8 + 6) / 13;
  if (font.lfWeight >= 600) w += 1;
  if (char_width != nullptr) *char_width = std::max(1, w);
  if (cell_height != nullptr) *cell_height = h;
}

int TextWidth(HFONT font, std::u16string_view text) {
  const LOGFONTW* lf = FontOf(font);
  if (lf == nullptr) lf = &Stocks().gui_font->Log();
  int w = 0;
  FontMetrics(*lf, &w, nullptr);
  return static_cast<int>(text.size()) * w;
}

int TextHeight(HFONT font) {
  const LOGFONTW* lf = FontOf(font);
  if (lf == nullptr) lf = &Stocks().gui_font->Log();
  int h = 0;
  FontMetrics(*lf, nullptr, &h);
  return h;
}

std::u16string GetClipboardText() {
  std::lock_guard<std::mutex> guard(ClipboardLock());
  return Clipboard();
}

void SetClipboardText(std::u16string text) {
  std::lock_guard<std::mutex> guard(ClipboardLock());
  Clipboard() = std::move(text);
}

}  // namespace quorvia::ui

using namespace quorvia::ui;
using quorvia::Bitmap;
using quorvia::GdiObject;

HANDLE GetStockObject(int object) {
  Stock& s = Stocks();
  if (object >= WHITE_BRUSH && object <= NULL_BRUSH) return s.brushes[object]->Handle();
  if (object == DEFAULT_GUI_FONT) return s.gui_font->Handle();
  if (object == SYSTEM_FONT) return s.system_font->Handle();
  if (object == ANSI_VAR_FONT) return s.ansi_font->Handle();
  return nullptr;
}

HFONT CreateFontIndirectW(const LOGFONTW* font) {
  if (font == nullptr) return nullptr;
  LOGFONTW lf = *font;
  lf.lfFaceName[LF_FACESIZE - 1] = u'\0';
  return static_cast<HFONT>((new Font(lf))->Handle());
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  return static_cast<HBRUSH>((new Brush(BS_SOLID, colour & 0x00FFFFFFu))->Handle());
}

DWORD GetSysColor(int index) { return SystemColour(index); }

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index >= 32) return nullptr;
  return static_cast<HBRUSH>(Stocks().colour_brushes[index]->Handle());
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return 1280;
    case SM_CYSCREEN: return 1024;
    case SM_CXVSCROLL: return 17;
    case SM_CYHSCROLL: return 17;
    case SM_CYCAPTION: return 20;
    case SM_CXBORDER: return 1;
    case SM_CYBORDER: return 1;
    case SM_CYMENU: return 20;
    case SM_CXEDGE: return 2;
    case SM_CYEDGE: return 2;
    case SM_CXSMICON: return 16;
    case SM_CYSMICON: return 16;
    default: return 0;
  }
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  long long p = static_cast<long long>(number) * numerator;
  long long d = denominator;
  bool negative = (p < 0) != (d < 0);
  p = std::llabs(p);
  d = std::llabs(d);
  long long r = (p + d / 2) / d;
  return static_cast<int>(negative ? -r : r);
}

HDC GetDC(HWND window) {
  if (window != nullptr && !FindOwn(window)) return nullptr;
  if (window == nullptr) return static_cast<HDC>(NewDc(nullptr)->Handle());
  return static_cast<HDC>(NewDc(window)->Handle());
}

int ReleaseDC(HWND, HDC dc) {
  DeviceContext* d = Dc(dc);
  if (d == nullptr) return 0;
  delete d;
  return 1;
}

HDC CreateCompatibleDC(HDC) { return static_cast<HDC>(NewDc(nullptr)->Handle()); }

BOOL DeleteDC(HDC dc) {
  DeviceContext* d = Dc(dc);
  if (d == nullptr) return FALSE;
  delete d;
  return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) { return CreateBitmap24(width, height); }

HANDLE SelectObject(HDC dc, HANDLE object) {
  DeviceContext* d = Dc(dc);
  GdiObject* o = GdiObject::FromHandle(object);
  if (d == nullptr || o == nullptr) return nullptr;
  if (dynamic_cast<Bitmap*>(o) != nullptr) {
    if (d->window != nullptr) return nullptr;
    HANDLE old = d->bitmap;
    d->bitmap = static_cast<HBITMAP>(object);
    return old;
  }
  if (dynamic_cast<Font*>(o) != nullptr) {
    HANDLE old = d->font;
    d->font = static_cast<HFONT>(object);
    return old;
  }
  if (dynamic_cast<Brush*>(o) != nullptr) {
    HANDLE old = d->brush;
    d->brush = static_cast<HBRUSH>(object);
    return old;
  }
  return nullptr;
}

HANDLE GetCurrentObject(HDC dc, UINT kind) {
  DeviceContext* d = Dc(dc);
  if (d == nullptr) return nullptr;
  if (kind == OBJ_FONT) return d->font;
  if (kind == OBJ_BRUSH) return d->brush;
  if (kind == OBJ_BITMAP) return d->bitmap;
  return nullptr;
}

int SetBkMode(HDC dc, int mode) {
  DeviceContext* d = Dc(dc);
  if (d == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = d->bk_mode;
  d->bk_mode = mode;
  return old;
}

int GetBkMode(HDC dc) {
  DeviceContext* d = Dc(dc);
  return d == nullptr ? 0 : d->bk_mode;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
  DeviceContext* d = Dc(dc);
  if (d == nullptr) return CLR_INVALID;
  COLORREF old = d->bk_colour;
  d->bk_colour = colour;
  return old;
}

COLORREF GetBkColor(HDC dc) {
  DeviceContext* d = Dc(dc);
  return d == nullptr ? CLR_INVALID : d->bk_colour;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
  DeviceContext* d = Dc(dc);
  if (d == nullptr) return CLR_INVALID;
  COLORREF old = d->text_colour;
  d->text_colour = colour;
  return old;
}

COLORREF GetTextColor(HDC dc) {
  DeviceContext* d = Dc(dc);
  return d == nullptr ? CLR_INVALID : d->text_colour;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  Bitmap* target = DcTarget(dc);
  if (target == nullptr || !target->Contains(x, y)) return CLR_INVALID;
  return target->Pixel(x, y);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour) {
  Bitmap* target = DcTarget(dc);
  if (target == nullptr || !target->Contains(x, y)) return CLR_INVALID;
  target->SetPixel(x, y, colour);
  return colour & 0x00FFFFFFu;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  Bitmap* target = DcTarget(dc);
  if (target == nullptr || rect == nullptr) return 0;
  // System colour indexes + 1 may stand for their brushes.
  auto as_index = reinterpret_cast<std::uintptr_t>(brush);
  if (as_index > 0 && as_index <= 32) brush = GetSysColorBrush(static_cast<int>(as_index - 1));
  COLORREF colour = 0;
  if (!BrushColour(brush, &colour)) return BrushObject(brush) != nullptr ? 1 : 0;
  for (int y = std::max<int>(0, rect->top); y < std::min<int>(target->Height(), rect->bottom); ++y) {
    for (int x = std::max<int>(0, rect->left); x < std::min<int>(target->Width(), rect->right); ++x) {
      target->SetPixel(x, y, colour);
    }
  }
  return 1;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD) {
  Bitmap* to = DcTarget(dest);
  Bitmap* from = DcTarget(source);
  if (to == nullptr || from == nullptr) return FALSE;
  for (int j = 0; j < height; ++j) {
    for (int i = 0; i < width; ++i) {
      if (from->Contains(sx + i, sy + j) && to->Contains(x + i, y + j)) {
        to->SetPixel(x + i, y + j, from->Pixel(sx + i, sy + j));
      }
    }
  }
  return TRUE;
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int length, SIZE* size) {
  DeviceContext* d = Dc(dc);
  if (d == nullptr || size == nullptr || length < 0 || (text == nullptr && length > 0)) return FALSE;
  std::u16string_view view(text == nullptr ? u"" : text, static_cast<std::size_t>(length));
  size->cx = TextWidth(d->font, view);
  size->cy = TextHeight(d->font);
  return TRUE;
}

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics) {
  DeviceContext* d = Dc(dc);
  if (d == nullptr || metrics == nullptr) return FALSE;
  const LOGFONTW* lf = FontOf(d->font);
  int w = 0;
  int h = 0;
  FontMetrics(*lf, &w, &h);
  *metrics = TEXTMETRICW{};
  metrics->tmHeight = h;
  metrics->tmDescent = h / 5;
  metrics->tmAscent = h - metrics->tmDescent;
  metrics->tmInternalLeading = lf->lfHeight < 0 ? 2 : 0;
  metrics->tmAveCharWidth = w;
  metrics->tmMaxCharWidth = w;
  metrics->tmWeight = lf->lfWeight;
  metrics->tmLastChar = 0xFFFF;
  metrics->tmDefaultChar = u'?';
  metrics->tmBreakChar = u' ';
  metrics->tmItalic = lf->lfItalic;
  metrics->tmCharSet = lf->lfCharSet;
  return TRUE;
}

int DrawTextW(HDC dc, LPCWSTR text, int length, RECT* rect, UINT format) {
  DeviceContext* d = Dc(dc);
  if (d == nullptr || rect == nullptr) return 0;
  std::u16string s = Text(text, length);
  // Lines break at CR LF or LF unless single-line.
  int lines = 1;
  int widest = 0;
  int current = 0;
  int cw = TextWidth(d->font, u"x");
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((format & DT_SINGLELINE) == 0 && s[i] == u'\n') {
      ++lines;
      current = 0;
      continue;
    }
    if (s[i] == u'\r' && (format & DT_SINGLELINE) == 0) continue;
    current += cw;
    widest = std::max(widest, current);
  }
  int height = lines * TextHeight(d->font);
  if ((format & DT_CALCRECT) != 0) {
    rect->right = rect->left + widest;
    rect->bottom = rect->top + height;
    return height;
  }
  if (d->bk_mode == OPAQUE) {
    HBRUSH brush = CreateSolidBrush(d->bk_colour);
    RECT r{rect->left, rect->top, std::min<LONG>(rect->right, rect->left + widest),
           std::min<LONG>(rect->bottom, rect->top + height)};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
  return height;
}

BOOL TextOutW(HDC dc, int, int, LPCWSTR, int) { return Dc(dc) != nullptr ? TRUE : FALSE; }

int GetDeviceCaps(HDC, int index) {
  if (index == LOGPIXELSX || index == LOGPIXELSY) return 96;
  return 0;
}

BOOL CreateCaret(HWND window, HBITMAP, int, int) { return IsWindow(window); }
BOOL DestroyCaret() { return TRUE; }
BOOL ShowCaret(HWND) { return TRUE; }
BOOL HideCaret(HWND) { return TRUE; }
