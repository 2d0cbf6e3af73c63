// 24-bit bitmaps: made empty, decoded from BMP bytes, or loaded from a
// library's BITMAP resource (LoadImageW, platform/module/module.h).
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/api.h"
#include "platform/com/types.h"
#include "platform/ui/gdi_object.h"

// What GetObjectW reports for a bitmap. bmBits is always null: pixels are read
// with GetBitmapPixel.
struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;  // bytes of one 24-bit row, padded to 4
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

namespace quorvia {

// Width and height of every bitmap lie in 1..kMaxBitmapSide, and their product
// is at most kMaxBitmapPixels.
constexpr int kMaxBitmapSide = 32767;
constexpr std::size_t kMaxBitmapPixels = std::size_t{1} << 24;

class Bitmap : public GdiObject {
 public:
  // All pixels black. Width and height must be valid (see above).
  Bitmap(int width, int height);

  // Decodes a 24-bit uncompressed BMP: a whole file ("BM" header first) or
  // the form a BITMAP resource takes (the info header first, then any colour
  // table, then the rows). Bottom-up and top-down rows, rows padded to 4
  // bytes. Null for anything else or anything that does not fit the bytes.
  static std::unique_ptr<Bitmap> FromBmp(const void* bytes, std::size_t size);

  // The live bitmap behind a handle, or null.
  static Bitmap* FromHandle(HANDLE handle);

  HBITMAP Hbitmap() { return static_cast<HBITMAP>(Handle()); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Pixels as 0x00BBGGRR, rows top-down; the caller keeps x and y in range.
  COLORREF Pixel(int x, int y) const { return pixels_[Index(x, y)]; }
  void SetPixel(int x, int y, COLORREF colour) { pixels_[Index(x, y)] = colour & 0x00FFFFFFu; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  const std::vector<COLORREF>& Pixels() const { return pixels_; }

  // A copy scaled to width x height by nearest neighbour.
  std::unique_ptr<Bitmap> Scaled(int width, int height) const;

  static bool ValidSize(long long width, long long height);

  int Describe(int size, void* buffer) const override;

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
  }

  int width_;
  int height_;
  std::vector<COLORREF> pixels_;
};

}  // namespace quorvia

// A black 24-bit bitmap; null for an invalid size.
QUORVIA_PLATFORM_API HBITMAP CreateBitmap24(int width, int height);
// A bitmap decoded from BMP bytes (see Bitmap::FromBmp); null when malformed.
QUORVIA_PLATFORM_API HBITMAP CreateBitmapFromBmp(const void* bytes, std::size_t size);
QUORVIA_PLATFORM_API BOOL GetBitmapSize(HBITMAP bitmap, int* width, int* height);
// CLR_INVALID for a bad handle or a point outside the bitmap.
QUORVIA_PLATFORM_API COLORREF GetBitmapPixel(HBITMAP bitmap, int x, int y);
QUORVIA_PLATFORM_API BOOL SetBitmapPixel(HBITMAP bitmap, int x, int y, COLORREF colour);
// GetObjectW (platform/ui/gdi_object.h) describes a bitmap as a BITMAP.
