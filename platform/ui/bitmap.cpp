#include "platform/ui/bitmap.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/module/module.h"
#include "platform/text/convert.h"

namespace {

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t I32(const unsigned char* p) { return static_cast<std::int32_t>(U32(p)); }

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kLargestHeaderSize = 124;
// Image files larger than this are not read.
constexpr std::uintmax_t kMaxBmpFileSize = std::uintmax_t{1} << 28;

}  // namespace

namespace quorvia {

Bitmap::Bitmap(int width, int height)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0) {}

bool Bitmap::ValidSize(long long width, long long height) {
  return width >= 1 && height >= 1 && width <= kMaxBitmapSide && height <= kMaxBitmapSide &&
         static_cast<std::size_t>(width) * static_cast<std::size_t>(height) <= kMaxBitmapPixels;
}

Bitmap* Bitmap::FromHandle(HANDLE handle) { return dynamic_cast<Bitmap*>(GdiObject::FromHandle(handle)); }

std::unique_ptr<Bitmap> Bitmap::FromBmp(const void* bytes, std::size_t size) {
  if (bytes == nullptr) return nullptr;
  const auto* p = static_cast<const unsigned char*>(bytes);

  // A whole file starts with its file header, which says where the rows are;
  // a resource starts directly with the info header.
  std::size_t header_at = 0;
  std::optional<std::uint64_t> pixel_offset;
  if (size >= 2 && p[0] == 'B' && p[1] == 'M') {
    if (size < kFileHeaderSize) return nullptr;
    pixel_offset = U32(p + 10);
    header_at = kFileHeaderSize;
  }
  if (size - header_at < 4) return nullptr;
  const unsigned char* header = p + header_at;
  std::uint32_t header_size = U32(header);
  long long width = 0;
  long long height = 0;
  unsigned planes = 0;
  unsigned bits = 0;
  std::uint32_t compression = 0;
  std::uint64_t colours = 0;
  std::uint64_t colour_size = 4;
  if (header_size == kCoreHeaderSize) {
    if (size - header_at < kCoreHeaderSize) return nullptr;
    width = U16(header + 4);
    height = U16(header + 6);
    planes = U16(header + 8);
    bits = U16(header + 10);
    colour_size = 3;
  } else if (header_size >= kInfoHeaderSize && header_size <= kLargestHeaderSize) {
    if (size - header_at < header_size) return nullptr;
    width = I32(header + 4);
    height = I32(header + 8);
    planes = U16(header + 12);
    bits = U16(header + 14);
    compression = U32(header + 16);
    colours = U32(header + 32);
  } else {
    return nullptr;
  }
  if (planes != 1 || bits != 24 || compression != 0) return nullptr;
  bool top_down = height < 0;
  if (top_down) height = -height;
  if (!ValidSize(width, height)) return nullptr;

  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * 3 + 3) & ~std::uint64_t{3};
  const std::uint64_t headers_end = header_at + header_size;
  std::uint64_t offset = 0;
  if (pixel_offset) {
    if (*pixel_offset < headers_end) return nullptr;
    offset = *pixel_offset;
  } else {
    offset = headers_end + colours * colour_size;
  }
  if (offset > size || stride * static_cast<std::uint64_t>(height) > size - offset) return nullptr;

  auto bitmap = std::make_unique<Bitmap>(static_cast<int>(width), static_cast<int>(height));
  for (int y = 0; y < bitmap->height_; ++y) {
    int row = top_down ? y : bitmap->height_ - 1 - y;
    const unsigned char* src = p + offset + static_cast<std::uint64_t>(row) * stride;
    for (int x = 0; x < bitmap->width_; ++x, src += 3) {
      bitmap->pixels_[bitmap->Index(x, y)] = RGB(src[2], src[1], src[0]);
    }
  }
  return bitmap;
}

int Bitmap::Describe(int size, void* buffer) const {
  if (buffer == nullptr) return static_cast<int>(sizeof(BITMAP));
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP info{};
  info.bmWidth = width_;
  info.bmHeight = height_;
  info.bmWidthBytes = (width_ * 3 + 3) & ~3;
  info.bmPlanes = 1;
  info.bmBitsPixel = 24;
  *static_cast<BITMAP*>(buffer) = info;
  return static_cast<int>(sizeof(BITMAP));
}

std::unique_ptr<Bitmap> Bitmap::Scaled(int width, int height) const {
  if (!ValidSize(width, height)) return nullptr;
  auto scaled = std::make_unique<Bitmap>(width, height);
  for (int y = 0; y < height; ++y) {
    int sy = static_cast<int>(static_cast<long long>(y) * height_ / height);
    for (int x = 0; x < width; ++x) {
      int sx = static_cast<int>(static_cast<long long>(x) * width_ / width);
      scaled->pixels_[scaled->Index(x, y)] = Pixel(sx, sy);
    }
  }
  return scaled;
}

}  // namespace quorvia

using quorvia::Bitmap;

HBITMAP CreateBitmap24(int width, int height) {
  if (!Bitmap::ValidSize(width, height)) return nullptr;
  return (new Bitmap(width, height))->Hbitmap();
}

HBITMAP CreateBitmapFromBmp(const void* bytes, std::size_t size) {
  std::unique_ptr<Bitmap> bitmap = Bitmap::FromBmp(bytes, size);
  return bitmap ? bitmap.release()->Hbitmap() : nullptr;
}

BOOL GetBitmapSize(HBITMAP handle, int* width, int* height) {
  Bitmap* bitmap = Bitmap::FromHandle(handle);
  if (bitmap == nullptr) return FALSE;
  if (width != nullptr) *width = bitmap->Width();
  if (height != nullptr) *height = bitmap->Height();
  return TRUE;
}

COLORREF GetBitmapPixel(HBITMAP handle, int x, int y) {
  Bitmap* bitmap = Bitmap::FromHandle(handle);
  if (bitmap == nullptr || !bitmap->Contains(x, y)) return CLR_INVALID;
  return bitmap->Pixel(x, y);
}

BOOL SetBitmapPixel(HBITMAP handle, int x, int y, COLORREF colour) {
  Bitmap* bitmap = Bitmap::FromHandle(handle);
  if (bitmap == nullptr || !bitmap->Contains(x, y)) return FALSE;
  bitmap->SetPixel(x, y, colour);
  return TRUE;
}

HANDLE LoadImageW(HMODULE module, LPCWSTR name, UINT type, int cx, int cy, UINT flags) {
  if (type != IMAGE_BITMAP || cx < 0 || cy < 0) return nullptr;
  std::unique_ptr<Bitmap> bitmap;
  if ((flags & LR_LOADFROMFILE) != 0) {
    if (IS_INTRESOURCE(name)) return nullptr;
    std::ifstream file(quorvia::Utf16ToUtf8(name), std::ios::binary | std::ios::ate);
    if (!file) return nullptr;
    std::streamoff length = file.tellg();
    if (length <= 0 || static_cast<std::uintmax_t>(length) > kMaxBmpFileSize) return nullptr;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    file.seekg(0);
    if (!file.read(bytes.data(), length)) return nullptr;
    bitmap = Bitmap::FromBmp(bytes.data(), bytes.size());
  } else {
    HRSRC resource = FindResourceW(module, name, RT_BITMAP);
    if (resource == nullptr) return nullptr;
    const void* data = LockResource(LoadResource(module, resource));
    bitmap = Bitmap::FromBmp(data, SizeofResource(module, resource));
  }
  if (!bitmap) return nullptr;
  if ((cx != 0 && cx != bitmap->Width()) || (cy != 0 && cy != bitmap->Height())) {
    bitmap = bitmap->Scaled(cx != 0 ? cx : bitmap->Width(), cy != 0 ? cy : bitmap->Height());
    if (!bitmap) return nullptr;
  }
  return bitmap.release()->Handle();
}
