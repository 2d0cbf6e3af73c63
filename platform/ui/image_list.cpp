#include "platform/ui/image_list.h"

#include <algorithm>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/ui/bitmap.h"
#include "platform/ui/gdi_internal.h"

namespace quorvia::ui {
namespace {

struct ImageList {
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
  int grow = 1;
  COLORREF background = CLR_NONE;
  // Each image is cx * cy pixels; CLR_NONE marks a transparent pixel.
  std::vector<std::vector<COLORREF>> images;
  std::size_t capacity = 0;
};

std::mutex& LiveLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::unordered_set<const void*>& Live() {
  static auto* live = new std::unordered_set<const void*>;
  return *live;
}

ImageList* FromHandle(HIMAGELIST handle) {
  if (handle == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(LiveLock());
  return Live().count(handle) != 0 ? reinterpret_cast<ImageList*>(handle) : nullptr;
}

// Cuts a bitmap into images of the list's size. `transparent` tells which
// source pixels become transparent.
template <typename Transparent>
std::vector<std::vector<COLORREF>> Cut(const ImageList& list, const Bitmap& bitmap, Transparent transparent) {
  std::vector<std::vector<COLORREF>> out;
  int count = bitmap.Width() / list.cx;
  for (int n = 0; n < count; ++n) {
    std::vector<COLORREF> pixels(static_cast<std::size_t>(list.cx) * static_cast<std::size_t>(list.cy), 0);
    for (int y = 0; y < list.cy && y < bitmap.Height(); ++y) {
      for (int x = 0; x < list.cx; ++x) {
        int sx = n * list.cx + x;
        COLORREF c = bitmap.Pixel(sx, y);
        bool masked = (list.flags & ILC_MASK) != 0 && transparent(sx, y, c);
        pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(list.cx) + static_cast<std::size_t>(x)] =
            masked ? CLR_NONE : c;
      }
    }
    out.push_back(std::move(pixels));
  }
  return out;
}

int Append(ImageList& list, std::vector<std::vector<COLORREF>> images) {
  if (images.empty()) return -1;
  int first = static_cast<int>(list.images.size());
  for (auto& image : images) {
    if (list.images.size() == list.capacity) list.capacity += static_cast<std::size_t>(std::max(1, list.grow));
    list.images.push_back(std::move(image));
  }
  return first;
}

std::vector<std::vector<COLORREF>> CutWithMask(const ImageList& list, HBITMAP image, HBITMAP mask) {
  Bitmap* bitmap = Bitmap::FromHandle(image);
  if (bitmap == nullptr) return {};
  Bitmap* mask_bitmap = Bitmap::FromHandle(mask);
  return Cut(list, *bitmap, [&](int x, int y, COLORREF) {
    return mask_bitmap != nullptr && mask_bitmap->Contains(x, y) && mask_bitmap->Pixel(x, y) != 0;
  });
}

}  // namespace

bool ImageListPixels(HIMAGELIST handle, int index, COLORREF* pixels, int count) {
  ImageList* list = FromHandle(handle);
  if (list == nullptr || index < 0 || index >= static_cast<int>(list->images.size()) || pixels == nullptr) return false;
  const auto& image = list->images[static_cast<std::size_t>(index)];
  if (count < static_cast<int>(image.size())) return false;
  std::copy(image.begin(), image.end(), pixels);
  return true;
}

HBITMAP CreateGrayCopy(HBITMAP source, COLORREF mask_colour) {
  Bitmap* bitmap = Bitmap::FromHandle(source);
  if (bitmap == nullptr) return nullptr;
  HBITMAP copy = CreateBitmap24(bitmap->Width(), bitmap->Height());
  Bitmap* out = Bitmap::FromHandle(copy);
  for (int y = 0; y < bitmap->Height(); ++y) {
    for (int x = 0; x < bitmap->Width(); ++x) {
      COLORREF c = bitmap->Pixel(x, y);
      if (c == (mask_colour & 0x00FFFFFFu)) {
        out->SetPixel(x, y, c);
        continue;
      }
      int l = static_cast<int>(0.299 * GetRValue(c) + 0.587 * GetGValue(c) + 0.114 * GetBValue(c));
      int g = l + static_cast<int>((255 - l) * 0.25);
      g = std::clamp(g, 0, 255);
      out->SetPixel(x, y, RGB(static_cast<BYTE>(g), static_cast<BYTE>(g), static_cast<BYTE>(g)));
    }
  }
  return copy;
}

}  // namespace quorvia::ui

using quorvia::Bitmap;
using quorvia::ui::ImageList;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow) {
  if (!Bitmap::ValidSize(cx, cy) || initial < 0) return nullptr;
  auto* list = new ImageList;
  list->cx = cx;
  list->cy = cy;
  list->flags = flags;
  list->grow = std::max(1, grow);
  list->capacity = static_cast<std::size_t>(initial);
  std::lock_guard<std::mutex> guard(quorvia::ui::LiveLock());
  quorvia::ui::Live().insert(list);
  return reinterpret_cast<HIMAGELIST>(list);
}

BOOL ImageList_Destroy(HIMAGELIST handle) {
  ImageList* list = nullptr;
  {
    std::lock_guard<std::mutex> guard(quorvia::ui::LiveLock());
    auto it = quorvia::ui::Live().find(handle);
    if (handle == nullptr || it == quorvia::ui::Live().end()) return FALSE;
    quorvia::ui::Live().erase(it);
    list = reinterpret_cast<ImageList*>(handle);
  }
  delete list;
  return TRUE;
}

int ImageList_Add(HIMAGELIST handle, HBITMAP image, HBITMAP mask) {
  ImageList* list = quorvia::ui::FromHandle(handle);
  if (list == nullptr) return -1;
  return quorvia::ui::Append(*list, quorvia::ui::CutWithMask(*list, image, mask));
}

int ImageList_AddMasked(HIMAGELIST handle, HBITMAP image, COLORREF mask_colour) {
  ImageList* list = quorvia::ui::FromHandle(handle);
  Bitmap* bitmap = Bitmap::FromHandle(image);
  if (list == nullptr || bitmap == nullptr) return -1;
  COLORREF key = mask_colour & 0x00FFFFFFu;
  return quorvia::ui::Append(*list, quorvia::ui::Cut(*list, *bitmap, [&](int, int, COLORREF c) { return c == key; }));
}

BOOL ImageList_Replace(HIMAGELIST handle, int index, HBITMAP image, HBITMAP mask) {
  ImageList* list = quorvia::ui::FromHandle(handle);
  if (list == nullptr || index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
  auto images = quorvia::ui::CutWithMask(*list, image, mask);
  if (images.empty()) return FALSE;
  list->images[static_cast<std::size_t>(index)] = std::move(images.front());
  return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST handle, int index) {
  ImageList* list = quorvia::ui::FromHandle(handle);
  if (list == nullptr) return FALSE;
  if (index == -1) {
    list->images.clear();
    return TRUE;
  }
  if (index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
  list->images.erase(list->images.begin() + index);
  return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST handle) {
  ImageList* list = quorvia::ui::FromHandle(handle);
  return list == nullptr ? 0 : static_cast<int>(list->images.size());
}

BOOL ImageList_GetIconSize(HIMAGELIST handle, int* cx, int* cy) {
  ImageList* list = quorvia::ui::FromHandle(handle);
  if (list == nullptr || cx == nullptr || cy == nullptr) return FALSE;
  *cx = list->cx;
  *cy = list->cy;
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST handle, COLORREF colour) {
  ImageList* list = quorvia::ui::FromHandle(handle);
  if (list == nullptr) return CLR_NONE;
  COLORREF old = list->background;
  list->background = colour;
  return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST handle) {
  ImageList* list = quorvia::ui::FromHandle(handle);
  return list == nullptr ? CLR_NONE : list->background;
}

BOOL ImageList_Draw(HIMAGELIST handle, int index, HDC dc, int x, int y, UINT style) {
  ImageList* list = quorvia::ui::FromHandle(handle);
  Bitmap* target = quorvia::ui::DcTarget(dc);
  if (list == nullptr || target == nullptr || index < 0 || index >= static_cast<int>(list->images.size())) {
    return FALSE;
  }
  const auto& image = list->images[static_cast<std::size_t>(index)];
  bool keep_transparent = (style & ILD_TRANSPARENT) != 0 || list->background == CLR_NONE;
  for (int j = 0; j < list->cy; ++j) {
    for (int i = 0; i < list->cx; ++i) {
      if (!target->Contains(x + i, y + j)) continue;
      COLORREF c = image[static_cast<std::size_t>(j) * static_cast<std::size_t>(list->cx) + static_cast<std::size_t>(i)];
      if (c == CLR_NONE) {
        if (keep_transparent) continue;
        c = list->background;
      }
      target->SetPixel(x + i, y + j, c);
    }
  }
  return TRUE;
}
