// quorvia-indicator-bitmaps <output-folder>
//
// Draws the five images of the site indicator as 120 x 19, 24-bit BMP files
// named indicator_<id>.bmp: a horizontal blue bar with rounded ends, a small
// shield at its left end and the product's name, Harbinel, in white letters
// to the right of it. Only the shield differs between the images:
//
//   666   grey shield, white hourglass      (a rating is under way)
//   226   green shield, white check mark    (safe)
//   227   yellow shield, dark exclamation   (unknown, or the rating failed)
//   228   red shield, white cross           (unsafe)
//   2020  grey shield, white question mark  (untested)
//
// Pixels outside the bar have the toolbar's transparent colour 0xE2F0F0
// (red F0, green F0, blue E2). The output is the same on every run, so the
// committed bitmaps can be checked against a fresh drawing.

#include <array>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 120;
constexpr int kHeight = 19;

struct Rgb {
  std::uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

constexpr Rgb kMask{0xF0, 0xF0, 0xE2};
constexpr Rgb kBarTop{0x3A, 0x7B, 0xD5};
constexpr Rgb kBarBottom{0x1B, 0x4F, 0x9C};
constexpr Rgb kBarEdge{0x12, 0x37, 0x70};
constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};
constexpr Rgb kTextShadow{0x0E, 0x2B, 0x5A};

// The bar: rows 1 to 17, the full width, corners rounded.
constexpr int kBarTopRow = 1;
constexpr int kBarBottomRow = 17;
// The shield: 15 x 17 pixels from (3, 1).
constexpr int kShieldX = 3;
constexpr int kShieldY = 1;
constexpr int kShieldWidth = 15;
constexpr int kShieldHeight = 17;
// The name: glyphs 9 rows tall from (24, 5).
constexpr int kTextX = 24;
constexpr int kTextY = 5;

class Canvas {
 public:
  Canvas() : pixels_(kWidth * kHeight, kMask) {}
  void Set(int x, int y, Rgb colour) {
    if (x >= 0 && y >= 0 && x < kWidth && y < kHeight) pixels_[y * kWidth + x] = colour;
  }
  Rgb Get(int x, int y) const { return pixels_[y * kWidth + x]; }

  // A 24-bit BMP file: bottom-up rows of blue, green, red (120 * 3 bytes a
  // row needs no padding).
  std::vector<std::uint8_t> Bmp() const {
    constexpr std::uint32_t rowBytes = kWidth * 3;
    constexpr std::uint32_t imageBytes = rowBytes * kHeight;
    constexpr std::uint32_t offset = 14 + 40;
    std::vector<std::uint8_t> out;
    auto put16 = [&](std::uint32_t v) {
      out.push_back(static_cast<std::uint8_t>(v & 0xFF));
      out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    };
    auto put32 = [&](std::uint32_t v) {
      put16(v & 0xFFFF);
      put16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    put32(offset + imageBytes);
    put32(0);
    put32(offset);
    put32(40);
    put32(kWidth);
    put32(kHeight);
    put16(1);   // planes
    put16(24);  // bits a pixel
    put32(0);   // no compression
    put32(imageBytes);
    put32(2835);  // 72 dots an inch
    put32(2835);
    put32(0);
    put32(0);
    for (int y = kHeight - 1; y >= 0; --y) {
      for (int x = 0; x < kWidth; ++x) {
        const Rgb c = Get(x, y);
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
      }
    }
    return out;
  }

 private:
  std::vector<Rgb> pixels_;
};

std::uint8_t Mix(std::uint8_t a, std::uint8_t b, int step, int steps) {
  return static_cast<std::uint8_t>((a * (steps - step) + b * step + steps / 2) / steps);
}

// Inside the bar's rounded rectangle (corner radius 3).
bool InBar(int x, int y) {
  if (y < kBarTopRow || y > kBarBottomRow) return false;
  constexpr int r = 3;
  const int cx = x < r ? r : (x > kWidth - 1 - r ? kWidth - 1 - r : x);
  const int cy = y < kBarTopRow + r ? kBarTopRow + r : (y > kBarBottomRow - r ? kBarBottomRow - r : y);
  const int dx = x - cx;
  const int dy = y - cy;
  return dx * dx + dy * dy <= r * r + 1;
}

void DrawBar(Canvas& canvas) {
  const int steps = kBarBottomRow - kBarTopRow;
  for (int y = kBarTopRow; y <= kBarBottomRow; ++y) {
    const int step = y - kBarTopRow;
    const Rgb shade{Mix(kBarTop.r, kBarBottom.r, step, steps), Mix(kBarTop.g, kBarBottom.g, step, steps),
                    Mix(kBarTop.b, kBarBottom.b, step, steps)};
    for (int x = 0; x < kWidth; ++x) {
      if (!InBar(x, y)) continue;
      const bool edge = !InBar(x - 1, y) || !InBar(x + 1, y) || !InBar(x, y - 1) || !InBar(x, y + 1);
      canvas.Set(x, y, edge ? kBarEdge : shade);
    }
  }
}

// The shield's outline: a flat top with cut corners, straight sides for the
// upper half, then narrowing to a point.
bool InShield(int x, int y) {
  if (x < 0 || y < 0 || x >= kShieldWidth || y >= kShieldHeight) return false;
  if (y == 0) return x >= 1 && x <= kShieldWidth - 2;
  if (y <= 8) return true;
  const int inset = ((y - 8) * 7 + 7) / 8;
  return x >= inset && x <= kShieldWidth - 1 - inset;
}

struct Emblem {
  int x, y;  // top left, relative to the shield
  std::vector<const char*> rows;
};

struct Indicator {
  int id;
  Rgb fill;
  Rgb outline;
  Rgb mark;
  Emblem emblem;
};

const std::vector<Indicator>& Indicators() {
  static const std::vector<Indicator> indicators = {
      {666, {0xB4, 0xB4, 0xB4}, {0x6E, 0x6E, 0x6E}, kWhite,
       {4, 4, {"#######", ".#...#.", "..#.#..", "...#...", "..#.#..", ".#...#.", "#######"}}},
      {226, {0x3C, 0xB0, 0x43}, {0x1E, 0x6E, 0x25}, kWhite,
       {3, 4, {"........#", ".......##", "#.....##.", "##...##..", ".##.##...", "..###....", "...#....."}}},
      {227, {0xF5, 0xC2, 0x18}, {0xA0, 0x78, 0x00}, {0x3A, 0x2A, 0x00},
       {6, 3, {"###", "###", "###", "###", "###", "...", "###", "###"}}},
      {228, {0xD9, 0x30, 0x25}, {0x8A, 0x14, 0x10}, kWhite,
       {4, 4, {"##...##", "###.###", ".#####.", "..###..", ".#####.", "###.###", "##...##"}}},
      {2020, {0x8C, 0x8C, 0x8C}, {0x55, 0x55, 0x55}, kWhite,
       {4, 3, {".#####.", "##...##", ".....##", "....##.", "...##..", "...##..", ".......", "...##..", "...##.."}}},
  };
  return indicators;
}

void DrawShield(Canvas& canvas, const Indicator& indicator) {
  for (int y = 0; y < kShieldHeight; ++y) {
    for (int x = 0; x < kShieldWidth; ++x) {
      if (!InShield(x, y)) continue;
      const bool edge = !InShield(x - 1, y) || !InShield(x + 1, y) || !InShield(x, y - 1) || !InShield(x, y + 1);
      canvas.Set(kShieldX + x, kShieldY + y, edge ? indicator.outline : indicator.fill);
    }
  }
  const Emblem& e = indicator.emblem;
  for (int row = 0; row < static_cast<int>(e.rows.size()); ++row) {
    for (int col = 0; e.rows[row][col] != '\0'; ++col) {
      if (e.rows[row][col] == '#') canvas.Set(kShieldX + e.x + col, kShieldY + e.y + row, indicator.mark);
    }
  }
}

// The letters of the name, 9 rows each (rows 0 to 2 hold ascenders only).
struct Glyph {
  char letter;
  std::array<const char*, 9> rows;
};

constexpr Glyph kGlyphs[] = {
    {'H', {"#...#", "#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#", "#...#"}},
    {'a', {".....", ".....", ".....", ".###.", "....#", ".####", "#...#", "#...#", ".####"}},
    {'r', {"....", "....", "....", "#.##", "##..", "#...", "#...", "#...", "#..."}},
    {'b', {"#....", "#....", "#....", "####.", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'i', {".", "#", ".", "#", "#", "#", "#", "#", "#"}},
    {'n', {".....", ".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#", "#...#"}},
    {'e', {".....", ".....", ".....", ".###.", "#...#", "#####", "#....", "#...#", ".###."}},
    {'l', {"#", "#", "#", "#", "#", "#", "#", "#", "#"}},
};

const Glyph& GlyphOf(char letter) {
  for (const Glyph& g : kGlyphs) {
    if (g.letter == letter) return g;
  }
  return kGlyphs[0];
}

// Draws bold letters (every stroke two pixels wide) with a shadow one pixel
// down and to the right.
void DrawText(Canvas& canvas, const std::string& text, Rgb colour, Rgb shadow) {
  for (int pass = 0; pass < 2; ++pass) {
    const int shift = pass == 0 ? 1 : 0;
    const Rgb ink = pass == 0 ? shadow : colour;
    int x = kTextX;
    for (char letter : text) {
      const Glyph& glyph = GlyphOf(letter);
      int width = 0;
      for (int row = 0; row < 9; ++row) {
        const std::string line = glyph.rows[row];
        width = static_cast<int>(line.size());
        for (int col = 0; col < width; ++col) {
          if (line[col] != '#') continue;
          canvas.Set(x + col + shift, kTextY + row + shift, ink);
          canvas.Set(x + col + 1 + shift, kTextY + row + shift, ink);
        }
      }
      x += width + 2;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: quorvia-indicator-bitmaps <output-folder>\n";
    return 2;
  }
  const std::string folder = argv[1];
  for (const Indicator& indicator : Indicators()) {
    Canvas canvas;
    DrawBar(canvas);
    DrawShield(canvas, indicator);
    DrawText(canvas, "Harbinel", kWhite, kTextShadow);
    const std::string path = folder + "/indicator_" + std::to_string(indicator.id) + ".bmp";
    const std::vector<std::uint8_t> bmp = canvas.Bmp();
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    if (!file) {
      std::cerr << "quorvia-indicator-bitmaps: cannot write " << path << "\n";
      return 1;
    }
  }
  return 0;
}
