#include <climits>
#include <cstdint>
#include <vector>

#include "platform/ui/bitmap.h"
#include "test_support.h"

using namespace module_test;

namespace {

void Put16(std::string& s, std::size_t at, std::uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A 24-bit BMP whose pixel (x, y) is RGB(x * 40, y * 40, 200). With
// `file_header` false it has the form of a BITMAP resource: the info header,
// `colours` colour-table entries, then the rows.
std::string MakeBmp(int width, int height, bool top_down, bool file_header = true, int colours = 0) {
  std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  std::string info(40, '\0');
  Put32(info, 0, 40);
  Put32(info, 4, static_cast<std::uint32_t>(width));
  Put32(info, 8, static_cast<std::uint32_t>(top_down ? -height : height));
  Put16(info, 12, 1);
  Put16(info, 14, 24);
  Put32(info, 32, static_cast<std::uint32_t>(colours));
  std::string table(static_cast<std::size_t>(colours) * 4, '\x7F');
  std::string rows;
  for (int r = 0; r < height; ++r) {
    int y = top_down ? r : height - 1 - r;
    std::string row(stride, '\xEE');  // padding that must be skipped
    for (int x = 0; x < width; ++x) {
      row[static_cast<std::size_t>(x) * 3] = static_cast<char>(200);
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<char>(y * 40);
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<char>(x * 40);
    }
    rows += row;
  }
  if (!file_header) return info + table + rows;
  std::string header(14, '\0');
  header[0] = 'B';
  header[1] = 'M';
  std::size_t offset = 14 + info.size() + table.size();
  Put32(header, 2, static_cast<std::uint32_t>(offset + rows.size()));
  Put32(header, 10, static_cast<std::uint32_t>(offset));
  return header + info + table + rows;
}

void ExpectGradient(HBITMAP bitmap, int width, int height) {
  int w = 0, h = 0;
  ASSERT_TRUE(GetBitmapSize(bitmap, &w, &h));
  ASSERT_EQ(w, width);
  ASSERT_EQ(h, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      EXPECT_EQ(GetBitmapPixel(bitmap, x, y), RGB(static_cast<BYTE>(x * 40), static_cast<BYTE>(y * 40), 200))
          << x << "," << y;
    }
  }
}

TEST(BitmapDecode, RowOrderPaddingAndBothForms) {
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"bottom-up file", MakeBmp(3, 4, false)},
      {"top-down file", MakeBmp(3, 4, true)},
      {"resource form", MakeBmp(3, 4, false, false)},
      {"resource form with colour table", MakeBmp(3, 4, true, false, 2)},
      {"file with colour table", MakeBmp(3, 4, false, true, 2)},
      {"rows without padding", MakeBmp(4, 2, false)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HBITMAP bitmap = CreateBitmapFromBmp(c.bytes.data(), c.bytes.size());
    ASSERT_NE(bitmap, nullptr);
    ExpectGradient(bitmap, c.what == std::string("rows without padding") ? 4 : 3,
                   c.what == std::string("rows without padding") ? 2 : 4);
    EXPECT_TRUE(DeleteObject(bitmap));
  }
}

TEST(BitmapDecode, MalformedBytesGiveNull) {
  const std::string good = MakeBmp(3, 4, false);
  auto with = [&good](std::size_t at, std::uint32_t value, int bytes = 4) {
    std::string s = good;
    if (bytes == 4) {
      Put32(s, at, value);
    } else {
      Put16(s, at, static_cast<std::uint16_t>(value));
    }
    return s;
  };
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", std::string()},
      {"only the signature", "BM"},
      {"truncated file header", good.substr(0, 10)},
      {"truncated info header", good.substr(0, 30)},
      {"last pixel byte missing", good.substr(0, good.size() - 1)},
      {"8 bits per pixel", with(28, 8, 2)},
      {"32 bits per pixel", with(28, 32, 2)},
      {"two planes", with(26, 2, 2)},
      {"run-length compressed", with(30, 1)},
      {"bit fields", with(30, 3)},
      {"zero width", with(18, 0)},
      {"negative width", with(18, static_cast<std::uint32_t>(-3))},
      {"zero height", with(22, 0)},
      {"most negative height", with(22, 0x80000000u)},
      {"huge width", with(18, 0x7FFFFFFFu)},
      {"huge height", with(22, 0x7FFFFFFFu)},
      {"too many pixels", with(22, 20000) /* 3 x 20000 fits the side limit, not the bytes */},
      {"pixel offset past the end", with(10, 0xFFFFFFF0u)},
      {"pixel offset inside the headers", with(10, 20)},
      {"pixel offset leaves too few bytes", with(10, static_cast<std::uint32_t>(good.size() - 8))},
      {"unknown header size", with(14, 20)},
      {"header size past the end", with(14, 0x10000)},
      {"colour table past the end", [] { std::string s = MakeBmp(3, 4, false, false); Put32(s, 32, 0x40000000u); return s; }()},
  };
  for (const Case& c : cases) {
    HBITMAP bitmap = CreateBitmapFromBmp(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(bitmap, nullptr) << c.what;
    if (bitmap != nullptr) DeleteObject(bitmap);
  }
  EXPECT_EQ(CreateBitmapFromBmp(nullptr, 100), nullptr);
  // The well-formed original decodes: the cases above fail for their change.
  HBITMAP bitmap = CreateBitmapFromBmp(good.data(), good.size());
  EXPECT_NE(bitmap, nullptr);
  DeleteObject(bitmap);
}

TEST(BitmapObjects, CreateSetGetAndDelete) {
  HBITMAP bitmap = CreateBitmap24(120, 19);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(GetBitmapPixel(bitmap, 119, 18), RGB(0, 0, 0));
  EXPECT_TRUE(SetBitmapPixel(bitmap, 119, 18, 0xE2F0F0));
  EXPECT_EQ(GetBitmapPixel(bitmap, 119, 18), 0xE2F0F0u);
  EXPECT_FALSE(SetBitmapPixel(bitmap, 120, 0, 0));
  EXPECT_EQ(GetBitmapPixel(bitmap, -1, 0), CLR_INVALID);
  EXPECT_EQ(GetBitmapPixel(bitmap, 0, 19), CLR_INVALID);

  BITMAP info{};
  EXPECT_EQ(GetObjectW(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 120);
  EXPECT_EQ(info.bmHeight, 19);
  EXPECT_EQ(info.bmBitsPixel, 24);
  EXPECT_EQ(info.bmWidthBytes, 360);
  EXPECT_EQ(GetObjectW(bitmap, sizeof info - 1, &info), 0);

  EXPECT_TRUE(DeleteObject(bitmap));
  // A deleted or made-up handle is refused, not used.
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_FALSE(GetBitmapSize(bitmap, nullptr, nullptr));
  EXPECT_EQ(GetBitmapPixel(bitmap, 0, 0), CLR_INVALID);
  int not_a_bitmap = 0;
  EXPECT_FALSE(DeleteObject(&not_a_bitmap));
  EXPECT_FALSE(DeleteObject(nullptr));

  for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {-5, 5}, {40000, 1}, {8192, 8192}}) {
    EXPECT_EQ(CreateBitmap24(w, h), nullptr) << w << "x" << h;
  }
}

class LoadImageTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    module_ = LoadLibraryW(u"ModuleTestLib.dll");
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
    TempFolderTest::TearDown();
  }
  HMODULE module_ = nullptr;
};

TEST_F(LoadImageTest, BitmapResourceByIdentifier) {
  HANDLE image = LoadImageW(module_, MAKEINTRESOURCEW(230), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_VGACOLOR);
  ASSERT_NE(image, nullptr);
  auto bitmap = static_cast<HBITMAP>(image);
  int w = 0, h = 0;
  ASSERT_TRUE(GetBitmapSize(bitmap, &w, &h));
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  const COLORREF expected[2][3] = {{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
                                   {0xE2F0F0, RGB(0, 0, 0), RGB(255, 255, 255)}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ(GetBitmapPixel(bitmap, x, y), expected[y][x]) << x << "," << y;
  }
  // Each load is a fresh object.
  HANDLE second = LoadImageW(module_, MAKEINTRESOURCEW(230), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  EXPECT_NE(second, image);
  EXPECT_TRUE(DeleteObject(image));
  EXPECT_EQ(GetBitmapPixel(static_cast<HBITMAP>(second), 0, 1), 0xE2F0F0u);
  EXPECT_TRUE(DeleteObject(second));

  // Scaled on request.
  HANDLE scaled = LoadImageW(module_, MAKEINTRESOURCEW(230), IMAGE_BITMAP, 6, 4, 0);
  ASSERT_NE(scaled, nullptr);
  ASSERT_TRUE(GetBitmapSize(static_cast<HBITMAP>(scaled), &w, &h));
  EXPECT_EQ(w, 6);
  EXPECT_EQ(h, 4);
  EXPECT_EQ(GetBitmapPixel(static_cast<HBITMAP>(scaled), 5, 3), RGB(255, 255, 255));
  EXPECT_TRUE(DeleteObject(scaled));
}

TEST_F(LoadImageTest, MissingOrInvalidBitmapsGiveNull) {
  const UINT flags = LR_CREATEDIBSECTION | LR_VGACOLOR;
  EXPECT_EQ(LoadImageW(module_, MAKEINTRESOURCEW(231), IMAGE_BITMAP, 0, 0, flags), nullptr);  // no such id
  EXPECT_EQ(LoadImageW(module_, MAKEINTRESOURCEW(300), IMAGE_BITMAP, 0, 0, flags), nullptr);  // 32-bit header
  EXPECT_EQ(LoadImageW(module_, MAKEINTRESOURCEW(2), IMAGE_BITMAP, 0, 0, flags), nullptr);    // a manifest
  EXPECT_EQ(LoadImageW(module_, MAKEINTRESOURCEW(230), 1 /* icon */, 0, 0, flags), nullptr);
  EXPECT_EQ(LoadImageW(module_, MAKEINTRESOURCEW(230), IMAGE_BITMAP, -1, 0, flags), nullptr);
}

TEST_F(LoadImageTest, FromAFile) {
  std::string path = folder_ + "/picture.bmp";
  WriteBytes(path, MakeBmp(5, 3, true));
  HANDLE image = LoadImageW(nullptr, U16(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
  ASSERT_NE(image, nullptr);
  ExpectGradient(static_cast<HBITMAP>(image), 5, 3);
  EXPECT_TRUE(DeleteObject(image));

  WriteBytes(path, "BM not really");
  EXPECT_EQ(LoadImageW(nullptr, U16(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(LoadImageW(nullptr, U16(folder_ + "/missing.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
}

}  // namespace
