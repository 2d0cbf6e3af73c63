#include <vector>

#include "platform/ui/bitmap.h"
#include "platform/ui/gdi.h"
#include "platform/ui/image_list.h"
#include "ui_test_support.h"

namespace {

constexpr COLORREF kMask = 0xE2F0F0;

// The grey of one colour, computed the long way.
COLORREF Grey(COLORREF c) {
  double l = 0.299 * GetRValue(c) + 0.587 * GetGValue(c) + 0.114 * GetBValue(c);
  int li = static_cast<int>(l);
  int g = li + static_cast<int>((255 - li) * 0.25);
  return RGB(static_cast<BYTE>(g), static_cast<BYTE>(g), static_cast<BYTE>(g));
}

TEST(ImageListTest, TheGreyCopyFollowsTheFormulaPixelForPixelAndKeepsTheMask) {
  HBITMAP source = CreateBitmap24(4, 3);
  const COLORREF colours[] = {RGB(0, 0, 0),     RGB(255, 255, 255), RGB(255, 0, 0),   RGB(0, 255, 0),
                              RGB(0, 0, 255),   kMask,              RGB(10, 200, 30), RGB(128, 128, 128),
                              RGB(1, 1, 1),     RGB(254, 253, 252), RGB(17, 34, 51),  kMask};
  for (int i = 0; i < 12; ++i) SetBitmapPixel(source, i % 4, i / 4, colours[i]);
  HBITMAP grey = quorvia::ui::CreateGrayCopy(source, kMask);
  ASSERT_NE(grey, nullptr);
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    COLORREF expected = colours[i] == kMask ? kMask : Grey(colours[i]);
    EXPECT_EQ(GetBitmapPixel(grey, i % 4, i / 4), expected);
  }
  // Fixed points of the formula: black becomes 63, white stays white, pure
  // red 76 + 44 = 120.
  EXPECT_EQ(GetBitmapPixel(grey, 0, 0), RGB(63, 63, 63));
  EXPECT_EQ(GetBitmapPixel(grey, 1, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetBitmapPixel(grey, 2, 0), RGB(120, 120, 120));
  EXPECT_EQ(GetBitmapPixel(source, 0, 0), RGB(0, 0, 0));  // the source is unchanged
  EXPECT_EQ(quorvia::ui::CreateGrayCopy(nullptr, kMask), nullptr);
  DeleteObject(grey);
  DeleteObject(source);
}

TEST(ImageListTest, ImagesAreCutMaskedReplacedAndDrawn) {
  HIMAGELIST list = ImageList_Create(2, 2, ILC_COLOR32 | ILC_MASK, 0, 50);
  ASSERT_NE(list, nullptr);
  HBITMAP strip = CreateBitmap24(5, 2);  // two whole images; the odd column is ignored
  SetBitmapPixel(strip, 0, 0, kMask);
  SetBitmapPixel(strip, 1, 0, RGB(9, 9, 9));
  SetBitmapPixel(strip, 2, 1, RGB(7, 8, 9));
  EXPECT_EQ(ImageList_AddMasked(list, strip, kMask), 0);
  EXPECT_EQ(ImageList_GetImageCount(list), 2);
  EXPECT_EQ(ImageList_AddMasked(list, strip, kMask), 2);
  std::vector<COLORREF> pixels(4);
  ASSERT_TRUE(quorvia::ui::ImageListPixels(list, 0, pixels.data(), 4));
  EXPECT_EQ(pixels, (std::vector<COLORREF>{CLR_NONE, RGB(9, 9, 9), 0, 0}));
  ASSERT_TRUE(quorvia::ui::ImageListPixels(list, 1, pixels.data(), 4));
  EXPECT_EQ(pixels[2], RGB(7, 8, 9));

  HBITMAP narrow = CreateBitmap24(1, 2);  // narrower than one image
  EXPECT_EQ(ImageList_AddMasked(list, narrow, kMask), -1);
  HBITMAP other = CreateBitmap24(2, 2);
  SetBitmapPixel(other, 0, 0, RGB(1, 2, 3));
  EXPECT_TRUE(ImageList_Replace(list, 3, other, nullptr));
  EXPECT_FALSE(ImageList_Replace(list, 4, other, nullptr));
  ASSERT_TRUE(quorvia::ui::ImageListPixels(list, 3, pixels.data(), 4));
  EXPECT_EQ(pixels[0], RGB(1, 2, 3));

  // Drawing: transparent pixels keep what is below, unless a background is
  // set and the drawing is not transparent.
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP target = CreateBitmap24(4, 4);
  SelectObject(dc, target);
  RECT all{0, 0, 4, 4};
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(dc, &all, blue);
  EXPECT_EQ(ImageList_SetBkColor(list, CLR_NONE), CLR_NONE);
  ASSERT_TRUE(ImageList_Draw(list, 0, dc, 1, 1, ILD_NORMAL));
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 2, 1), RGB(9, 9, 9));
  ImageList_SetBkColor(list, RGB(255, 255, 0));
  ImageList_Draw(list, 0, dc, 1, 1, ILD_NORMAL);
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 255, 0));
  FillRect(dc, &all, blue);
  ImageList_Draw(list, 0, dc, 1, 1, ILD_TRANSPARENT);
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 0, 255));
  EXPECT_FALSE(ImageList_Draw(list, 9, dc, 0, 0, ILD_NORMAL));

  EXPECT_TRUE(ImageList_Remove(list, 0));
  EXPECT_EQ(ImageList_GetImageCount(list), 3);
  EXPECT_TRUE(ImageList_Destroy(list));
  EXPECT_FALSE(ImageList_Destroy(list));
  EXPECT_EQ(ImageList_GetImageCount(list), 0);
  DeleteDC(dc);
  for (HANDLE h : {static_cast<HANDLE>(strip), static_cast<HANDLE>(narrow), static_cast<HANDLE>(other),
                   static_cast<HANDLE>(target), static_cast<HANDLE>(blue)}) {
    EXPECT_TRUE(DeleteObject(h));
  }
}

TEST(FontTest, TextExtentsComeFromFixedMetrics) {
  auto gui = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW lf{};
  ASSERT_EQ(GetObjectW(gui, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_EQ(std::u16string(lf.lfFaceName), u"MS Shell Dlg");
  EXPECT_TRUE(DeleteObject(gui));  // stock objects stay
  EXPECT_EQ(GetObjectW(gui, sizeof lf, &lf), static_cast<int>(sizeof lf));

  HFONT copy = CreateFontIndirectW(&lf);
  LOGFONTW big = lf;
  big.lfHeight = -20;
  big.lfWeight = FW_BOLD;
  HFONT large = CreateFontIndirectW(&big);
  HDC dc = CreateCompatibleDC(nullptr);
  struct Case {
    HFONT font;
    const char16_t* text;
    LONG cx;
    LONG cy;
  } cases[] = {
      {nullptr, u"Help...", 7 * 8, 13},  // a new context starts with the default GUI font
      {copy, u"Quorvia", 7 * 8, 13},
      {copy, u"", 0, 13},
      {large, u"ab", 2 * ((22 * 8 + 6) / 13 + 1), 22},
  };
  for (const Case& c : cases) {
    if (c.font != nullptr) SelectObject(dc, c.font);
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32W(dc, c.text, static_cast<int>(std::u16string(c.text).size()), &size));
    EXPECT_EQ(size.cx, c.cx) << static_cast<int>(std::u16string(c.text).size());
    EXPECT_EQ(size.cy, c.cy);
  }
  TEXTMETRICW tm{};
  SelectObject(dc, copy);
  ASSERT_TRUE(GetTextMetricsW(dc, &tm));
  EXPECT_EQ(tm.tmHeight, 13);
  EXPECT_EQ(tm.tmAveCharWidth, 8);
  RECT r{10, 10, 10, 10};
  EXPECT_EQ(DrawTextW(dc, u"two\r\nlines", -1, &r, DT_CALCRECT), 26);
  EXPECT_EQ(r.right, 10 + 5 * 8);
  EXPECT_FALSE(DeleteObject(dc));  // a context is deleted with DeleteDC
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(copy));
  EXPECT_TRUE(DeleteObject(large));
  EXPECT_EQ(MulDiv(8, 96, 72), 11);
  EXPECT_EQ(MulDiv(-7, 1, 2), -4);
}

}  // namespace
