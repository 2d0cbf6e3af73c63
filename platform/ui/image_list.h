// Image lists: equally sized images with an optional transparency mask,
// drawn into device contexts.
#pragma once

#include "platform/api.h"
#include "platform/com/types.h"

constexpr UINT ILC_MASK = 0x00000001;
constexpr UINT ILC_COLOR = 0x00000000;
constexpr UINT ILC_COLOR4 = 0x00000004;
constexpr UINT ILC_COLOR8 = 0x00000008;
constexpr UINT ILC_COLOR16 = 0x00000010;
constexpr UINT ILC_COLOR24 = 0x00000018;
constexpr UINT ILC_COLOR32 = 0x00000020;

constexpr UINT ILD_NORMAL = 0x00000000;
constexpr UINT ILD_TRANSPARENT = 0x00000001;
constexpr UINT ILD_MASK = 0x00000010;
constexpr UINT ILD_IMAGE = 0x00000020;

// "No background": masked pixels stay transparent when drawn.
constexpr COLORREF CLR_NONE = 0xFFFFFFFFu;
constexpr COLORREF CLR_DEFAULT = 0xFF000000u;

// Sizes of 1 to 32767; null otherwise.
QUORVIA_PLATFORM_API HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
QUORVIA_PLATFORM_API BOOL ImageList_Destroy(HIMAGELIST list);
// Adds as many images as the bitmap is wide (width / cx, at least one when
// the bitmap is as wide as one image); rows beyond the bitmap stay black.
// With a mask bitmap (lists with ILC_MASK), its non-black pixels are
// transparent. Returns the index of the first new image, -1 on failure.
QUORVIA_PLATFORM_API int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// As ImageList_Add; pixels of the mask colour are transparent (lists with
// ILC_MASK). The source bitmap is not changed.
QUORVIA_PLATFORM_API int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask_colour);
QUORVIA_PLATFORM_API BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
// -1 removes every image.
QUORVIA_PLATFORM_API BOOL ImageList_Remove(HIMAGELIST list, int index);
QUORVIA_PLATFORM_API int ImageList_GetImageCount(HIMAGELIST list);
QUORVIA_PLATFORM_API BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// Returns the previous background colour.
QUORVIA_PLATFORM_API COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF colour);
QUORVIA_PLATFORM_API COLORREF ImageList_GetBkColor(HIMAGELIST list);
// Draws an image with its top-left corner at (x, y). Transparent pixels are
// left alone with ILD_TRANSPARENT or a CLR_NONE background, and painted with
// the background colour otherwise.
QUORVIA_PLATFORM_API BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);

namespace quorvia::ui {

// The pixels of one image (0x00BBGGRR; transparent pixels as CLR_NONE),
// row by row; false for a bad list or index.
QUORVIA_PLATFORM_API bool ImageListPixels(HIMAGELIST list, int index, COLORREF* pixels, int count);

// A grey copy of a bitmap for disabled buttons: a pixel of the mask colour
// is copied unchanged; any other becomes (g, g, g) with
// L = (int)(0.299 R + 0.587 G + 0.114 B) and g = L + (int)((255 - L) * 0.25).
// Null for a bad handle.
QUORVIA_PLATFORM_API HBITMAP CreateGrayCopy(HBITMAP source, COLORREF mask_colour);

}  // namespace quorvia::ui
