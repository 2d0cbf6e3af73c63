// The site indicator's bitmaps of core/resources/: committed as their
// generator draws them, loadable as 120 x 19, 24-bit bitmaps from the files
// and from the resource list, showing the picture they stand for.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/module/module.h"
#include "platform/ui/bitmap.h"

namespace {

namespace fs = std::filesystem;

constexpr COLORREF kMaskColour = 0xE2F0F0;
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);

struct Indicator {
  int id;
  COLORREF shield;  // the shield's fill
  int mark_x, mark_y;  // a pixel of the shield's emblem
  COLORREF mark;
};

const Indicator kIndicators[] = {
    {666, RGB(0xB4, 0xB4, 0xB4), 7, 5, kWhite},             // hourglass
    {226, RGB(0x3C, 0xB0, 0x43), 6, 7, kWhite},             // check mark
    {227, RGB(0xF5, 0xC2, 0x18), 10, 5, RGB(0x3A, 0x2A, 0x00)},  // exclamation mark
    {228, RGB(0xD9, 0x30, 0x25), 7, 5, kWhite},             // cross
    {2020, RGB(0x8C, 0x8C, 0x8C), 8, 4, kWhite},            // question mark
};

fs::path Committed(int id) {
  return fs::path(QUORVIA_SOURCE_DIR) / "core/resources" / ("indicator_" + std::to_string(id) + ".bmp");
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Owns a bitmap handle.
struct BitmapHandle {
  explicit BitmapHandle(HBITMAP h) : handle(h) {}
  ~BitmapHandle() {
    if (handle != nullptr) DeleteObject(handle);
  }
  BitmapHandle(const BitmapHandle&) = delete;
  BitmapHandle& operator=(const BitmapHandle&) = delete;
  HBITMAP handle;
};

void ExpectIndicatorPicture(HBITMAP bitmap, const Indicator& indicator) {
  int width = 0;
  int height = 0;
  ASSERT_TRUE(GetBitmapSize(bitmap, &width, &height));
  EXPECT_EQ(width, 120);
  EXPECT_EQ(height, 19);
  BITMAP info{};
  ASSERT_EQ(GetObjectW(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmBitsPixel, 24);

  // Outside the rounded bar: the transparent colour.
  for (auto [x, y] : {std::pair{0, 0}, {119, 0}, {0, 18}, {119, 18}, {60, 0}, {0, 1}}) {
    EXPECT_EQ(GetBitmapPixel(bitmap, x, y), kMaskColour) << x << "," << y;
  }
  // The bar is blue.
  for (auto [x, y] : {std::pair{100, 9}, {60, 3}, {115, 15}}) {
    const COLORREF c = GetBitmapPixel(bitmap, x, y);
    const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    EXPECT_GT(b, r + 0x40) << x << "," << y;
    EXPECT_GT(b, g + 0x20) << x << "," << y;
  }
  // The shield and its emblem.
  EXPECT_EQ(GetBitmapPixel(bitmap, 5, 5), indicator.shield);
  EXPECT_EQ(GetBitmapPixel(bitmap, indicator.mark_x, indicator.mark_y), indicator.mark);
  // The name in white letters: the stem and bar of the "H".
  for (auto [x, y] : {std::pair{24, 5}, {24, 13}, {27, 9}}) {
    EXPECT_EQ(GetBitmapPixel(bitmap, x, y), kWhite) << x << "," << y;
  }
}

TEST(IndicatorBitmaps, FilesAreUncompressed24BitBitmapsOfTheRightPicture) {
  for (const Indicator& indicator : kIndicators) {
    SCOPED_TRACE(indicator.id);
    const std::string bytes = ReadFile(Committed(indicator.id));
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24u);  // bits a pixel
    EXPECT_EQ(bytes[30], 0);                                 // no compression
    BitmapHandle bitmap(CreateBitmapFromBmp(bytes.data(), bytes.size()));
    ASSERT_NE(bitmap.handle, nullptr);
    ExpectIndicatorPicture(bitmap.handle, indicator);
  }
}

TEST(IndicatorBitmaps, OnlyTheShieldDiffers) {
  std::vector<std::unique_ptr<BitmapHandle>> bitmaps;
  for (const Indicator& indicator : kIndicators) {
    const std::string bytes = ReadFile(Committed(indicator.id));
    bitmaps.push_back(std::make_unique<BitmapHandle>(CreateBitmapFromBmp(bytes.data(), bytes.size())));
    ASSERT_NE(bitmaps.back()->handle, nullptr);
  }
  for (std::size_t i = 1; i < bitmaps.size(); ++i) {
    SCOPED_TRACE(kIndicators[i].id);
    int differences_in_shield = 0;
    for (int y = 0; y < 19; ++y) {
      for (int x = 0; x < 120; ++x) {
        const bool same = GetBitmapPixel(bitmaps[0]->handle, x, y) == GetBitmapPixel(bitmaps[i]->handle, x, y);
        if (x >= 20) {
          ASSERT_TRUE(same) << x << "," << y;
        } else if (!same) {
          ++differences_in_shield;
        }
      }
    }
    EXPECT_GT(differences_in_shield, 20);
  }
}

TEST(IndicatorBitmaps, ResourceListEmbedsThemUnderTheirIdentifiers) {
  // This program embeds core/resources/resources.txt.
  for (const Indicator& indicator : kIndicators) {
    SCOPED_TRACE(indicator.id);
    BitmapHandle bitmap(static_cast<HBITMAP>(
        LoadImageW(nullptr, MAKEINTRESOURCEW(indicator.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_NE(bitmap.handle, nullptr);
    ExpectIndicatorPicture(bitmap.handle, indicator);
  }
}

TEST(IndicatorBitmaps, GeneratorDrawsExactlyTheCommittedFiles) {
  std::string folder = (fs::temp_directory_path() / "quorvia-indicators-XXXXXX").string();
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  const std::string command = std::string("'") + INDICATOR_GENERATOR + "' '" + folder + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
  for (const Indicator& indicator : kIndicators) {
    SCOPED_TRACE(indicator.id);
    const fs::path drawn = fs::path(folder) / Committed(indicator.id).filename();
    EXPECT_EQ(ReadFile(drawn), ReadFile(Committed(indicator.id)));
  }
  fs::remove_all(folder);
}

}  // namespace
