// quorvia-rating-icons <output-folder>
//
// Draws the four rating icons of the resource library HarbRes as 16 x 16 GIF
// images with a transparent background: a round badge in the rating's colour
// with a symbol on it.
//
//   green_icon.gif   green, white check mark     (safe)
//   yellow_icon.gif  yellow, dark exclamation    (unknown)
//   red_icon.gif     red, white cross            (unsafe)
//   gray_icon.gif    grey, white question mark   (untested)
//
// The output is the same on every run, so the committed icons can be checked
// against a fresh drawing.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kSize = 16;

struct Rgb {
  std::uint8_t r, g, b;
};

// Palette indices of an icon.
enum : std::uint8_t { kClear = 0, kFill = 1, kRim = 2, kSymbol = 3 };

using Mask = std::array<const char*, kSize>;

constexpr Mask kCheck = {
    "................", "................", "................", "................",
    "...........##...", "..........###...", ".........###....", "...##...###.....",
    "...###.###......", "....#####.......", ".....###........", "......#.........",
    "................", "................", "................", "................",
};

constexpr Mask kCross = {
    "................", "................", "................", "................",
    "....##....##....", "....###..###....", ".....######.....", "......####......",
    "......####......", ".....######.....", "....###..###....", "....##....##....",
    "................", "................", "................", "................",
};

constexpr Mask kExclamation = {
    "................", "................", "................", ".......##.......",
    ".......##.......", ".......##.......", ".......##.......", ".......##.......",
    ".......##.......", ".......##.......", "................", ".......##.......",
    ".......##.......", "................", "................", "................",
};

constexpr Mask kQuestion = {
    "................", "................", "................", "......####......",
    ".....##..##.....", ".........##.....", "........##......", ".......##.......",
    ".......##.......", "................", ".......##.......", ".......##.......",
    "................", "................", "................", "................",
};

struct Icon {
  const char* file;
  Rgb fill;
  Rgb rim;
  Rgb symbol;
  const Mask* mask;
};

constexpr Icon kIcons[] = {
    {"green_icon.gif", {0x3C, 0xB0, 0x43}, {0x1E, 0x6E, 0x25}, {0xFF, 0xFF, 0xFF}, &kCheck},
    {"yellow_icon.gif", {0xF5, 0xC2, 0x18}, {0xA0, 0x78, 0x00}, {0x3A, 0x2A, 0x00}, &kExclamation},
    {"red_icon.gif", {0xD9, 0x30, 0x25}, {0x8A, 0x14, 0x10}, {0xFF, 0xFF, 0xFF}, &kCross},
    {"gray_icon.gif", {0x9A, 0x9A, 0x9A}, {0x5E, 0x5E, 0x5E}, {0xFF, 0xFF, 0xFF}, &kQuestion},
};

// The badge: a disc of radius 7.3 around the centre, its outer ring in the
// rim colour.
std::vector<std::uint8_t> Draw(const Icon& icon) {
  std::vector<std::uint8_t> pixels(kSize * kSize, kClear);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double dx = x - 7.5;
      const double dy = y - 7.5;
      const double d2 = dx * dx + dy * dy;
      std::uint8_t& p = pixels[y * kSize + x];
      if (d2 <= 7.3 * 7.3) p = d2 >= 6.1 * 6.1 ? kRim : kFill;
      if ((*icon.mask)[y][x] == '#') p = kSymbol;
    }
  }
  return pixels;
}

// Packs variable-width codes least significant bit first.
class BitWriter {
 public:
  void Put(unsigned code, int width) {
    buffer_ |= static_cast<std::uint32_t>(code) << bits_;
    bits_ += width;
    while (bits_ >= 8) {
      bytes_.push_back(static_cast<std::uint8_t>(buffer_ & 0xFF));
      buffer_ >>= 8;
      bits_ -= 8;
    }
  }
  std::vector<std::uint8_t> Finish() {
    if (bits_ > 0) bytes_.push_back(static_cast<std::uint8_t>(buffer_ & 0xFF));
    buffer_ = 0;
    bits_ = 0;
    return std::move(bytes_);
  }

 private:
  std::uint32_t buffer_ = 0;
  int bits_ = 0;
  std::vector<std::uint8_t> bytes_;
};

// GIF's variable-width LZW.
std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& pixels, int minCodeSize) {
  const unsigned clear = 1u << minCodeSize;
  const unsigned end = clear + 1;
  BitWriter out;
  std::map<std::pair<unsigned, std::uint8_t>, unsigned> table;
  unsigned next = end + 1;
  int width = minCodeSize + 1;
  out.Put(clear, width);

  unsigned prefix = pixels.front();
  for (std::size_t i = 1; i < pixels.size(); ++i) {
    const std::uint8_t pixel = pixels[i];
    if (const auto found = table.find({prefix, pixel}); found != table.end()) {
      prefix = found->second;
      continue;
    }
    out.Put(prefix, width);
    if (next < 4095) {
      table.emplace(std::make_pair(prefix, pixel), next++);
      // The reader widens its codes once its table outgrows the width; it
      // adds each entry one code later than the writer.
      if (next > (1u << width) && width < 12) ++width;
    } else {
      out.Put(clear, width);
      table.clear();
      next = end + 1;
      width = minCodeSize + 1;
    }
    prefix = pixel;
  }
  out.Put(prefix, width);
  out.Put(end, width);
  return out.Finish();
}

void PutWord(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

std::vector<std::uint8_t> EncodeGif(const Icon& icon) {
  std::vector<std::uint8_t> gif;
  for (char c : std::string("GIF89a")) gif.push_back(static_cast<std::uint8_t>(c));
  // Logical screen: 16 x 16, a global table of 4 colours (8 bits a primary).
  PutWord(gif, kSize);
  PutWord(gif, kSize);
  gif.push_back(0x80 | 0x70 | 0x01);
  gif.push_back(kClear);  // background colour index
  gif.push_back(0);       // no aspect ratio
  const Rgb palette[4] = {{0xFF, 0xFF, 0xFF}, icon.fill, icon.rim, icon.symbol};
  for (const Rgb& c : palette) {
    gif.push_back(c.r);
    gif.push_back(c.g);
    gif.push_back(c.b);
  }
  // Graphic control extension: index 0 is transparent.
  for (int b : {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, int{kClear}, 0x00}) gif.push_back(static_cast<std::uint8_t>(b));
  // The image: the whole screen, not interlaced, no local table.
  gif.push_back(0x2C);
  PutWord(gif, 0);
  PutWord(gif, 0);
  PutWord(gif, kSize);
  PutWord(gif, kSize);
  gif.push_back(0);
  constexpr int kMinCodeSize = 2;
  gif.push_back(kMinCodeSize);
  const std::vector<std::uint8_t> data = Compress(Draw(icon), kMinCodeSize);
  for (std::size_t at = 0; at < data.size(); at += 255) {
    const std::size_t length = std::min<std::size_t>(255, data.size() - at);
    gif.push_back(static_cast<std::uint8_t>(length));
    gif.insert(gif.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + length));
  }
  gif.push_back(0);     // end of the image data
  gif.push_back(0x3B);  // trailer
  return gif;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: quorvia-rating-icons <output-folder>\n";
    return 2;
  }
  const std::string folder = argv[1];
  for (const Icon& icon : kIcons) {
    const std::string path = folder + "/" + icon.file;
    const std::vector<std::uint8_t> gif = EncodeGif(icon);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(gif.data()), static_cast<std::streamsize>(gif.size()));
    if (!file) {
      std::cerr << "quorvia-rating-icons: cannot write " << path << "\n";
      return 1;
    }
  }
  return 0;
}
