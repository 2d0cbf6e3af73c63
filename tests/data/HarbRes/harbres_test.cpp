// libHarbRes.so: the page resources reached through res://HarbRes.dll/...
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/module/module.h"
#include "platform/module/version.h"
#include "platform/text/convert.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

fs::path Source(const std::string& name) { return fs::path(QUORVIA_SOURCE_DIR) / "data/HarbRes" / name; }

std::optional<std::string> Resource(const std::u16string& address) {
  std::string bytes;
  if (!quorvia::LoadResAddress(address, bytes)) return std::nullopt;
  return bytes;
}

struct Rgb {
  int r, g, b;
};

// A decoded one-image GIF: its size and pixels, a transparent pixel as null.
struct Gif {
  int width = 0;
  int height = 0;
  std::vector<std::optional<Rgb>> pixels;
};

// Decodes the GIFs the icons are: a global colour table, optional
// extensions, one image without a local table, not interlaced.
std::optional<Gif> DecodeGif(const std::string& text) {
  const auto* d = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::size_t n = text.size();
  auto word = [&](std::size_t at) { return d[at] | (d[at + 1] << 8); };
  if (n < 13 || text.compare(0, 6, "GIF89a") != 0) return std::nullopt;
  Gif gif;
  gif.width = word(6);
  gif.height = word(8);
  if ((d[10] & 0x80) == 0) return std::nullopt;
  const std::size_t colours = std::size_t{2} << (d[10] & 7);
  std::size_t at = 13;
  if (at + 3 * colours > n) return std::nullopt;
  std::vector<Rgb> palette;
  for (std::size_t i = 0; i < colours; ++i, at += 3) palette.push_back({d[at], d[at + 1], d[at + 2]});
  int transparent = -1;
  while (at < n && d[at] == 0x21) {
    if (at + 6 < n && d[at + 1] == 0xF9 && (d[at + 3] & 1)) transparent = d[at + 6];
    at += 2;
    while (at < n && d[at] != 0) at += d[at] + 1u;
    ++at;
  }
  if (at + 11 > n || d[at] != 0x2C || word(at + 5) != gif.width || word(at + 7) != gif.height || d[at + 9] != 0) {
    return std::nullopt;
  }
  at += 10;
  const int min_code_size = d[at++];
  std::vector<std::uint8_t> data;
  while (at < n && d[at] != 0) {
    if (at + 1 + d[at] > n) return std::nullopt;
    data.insert(data.end(), d + at + 1, d + at + 1 + d[at]);
    at += d[at] + 1u;
  }
  if (at + 1 >= n || d[at + 1] != 0x3B) return std::nullopt;

  const int clear = 1 << min_code_size;
  std::vector<std::vector<int>> table;
  std::vector<int> indices, previous;
  int width = min_code_size + 1;
  std::size_t bit = 0;
  for (;;) {
    if (bit + width > data.size() * 8) return std::nullopt;
    int code = 0;
    for (int i = 0; i < width; ++i, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
    if (code == clear) {
      table.clear();
      for (int i = 0; i < clear + 2; ++i) table.push_back({i});
      width = min_code_size + 1;
      previous.clear();
      continue;
    }
    if (code == clear + 1) break;
    std::vector<int> entry;
    if (code < static_cast<int>(table.size())) {
      entry = table[code];
    } else if (code == static_cast<int>(table.size()) && !previous.empty()) {
      entry = previous;
      entry.push_back(previous[0]);
    } else {
      return std::nullopt;
    }
    indices.insert(indices.end(), entry.begin(), entry.end());
    if (!previous.empty()) {
      previous.push_back(entry[0]);
      table.push_back(previous);
      if (static_cast<int>(table.size()) == (1 << width) && width < 12) ++width;
    }
    previous = entry;
  }
  if (indices.size() != static_cast<std::size_t>(gif.width * gif.height)) return std::nullopt;
  for (int index : indices) {
    if (index >= static_cast<int>(colours)) return std::nullopt;
    gif.pixels.push_back(index == transparent ? std::nullopt : std::optional<Rgb>(palette[index]));
  }
  return gif;
}

TEST(HarbRes, EveryResourceIsReachedByItsAddress) {
  struct Case {
    const char16_t* address;
    const char* file;
  };
  const Case cases[] = {
      {u"res://HarbRes.dll/js/VantoryBubbles.js", "VantoryBubbles.js"},
      {u"res://HarbRes.dll/css/quorvia_tb.css", "quorvia_tb.css"},
      {u"res://HarbRes.dll/gif/green_icon.gif", "green_icon.gif"},
      {u"res://HarbRes.dll/gif/yellow_icon.gif", "yellow_icon.gif"},
      {u"res://HarbRes.dll/gif/red_icon.gif", "red_icon.gif"},
      {u"res://HarbRes.dll/gif/gray_icon.gif", "gray_icon.gif"},
      {u"res://harbres.DLL/GIF/Green_Icon.GIF", "green_icon.gif"},  // names match without regard to case
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(quorvia::Utf16ToUtf8(c.address));
    const std::optional<std::string> bytes = Resource(c.address);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, ReadFile(Source(c.file)));
  }
  EXPECT_FALSE(Resource(u"res://HarbRes.dll/gif/blue_icon.gif").has_value());
  EXPECT_FALSE(Resource(u"res://HarbRes.dll/VantoryBubbles.js").has_value());  // the type is part of the address
}

TEST(HarbRes, IconsAreSixteenPixelBadgesInTheirRatingColour) {
  struct Case {
    const char16_t* address;
    bool (*colour)(const Rgb&);
  };
  const Case cases[] = {
      {u"res://HarbRes.dll/gif/green_icon.gif", [](const Rgb& c) { return c.g > c.r + 0x40 && c.g > c.b + 0x40; }},
      {u"res://HarbRes.dll/gif/yellow_icon.gif", [](const Rgb& c) { return c.r > 0xC0 && c.g > 0xA0 && c.b < 0x60; }},
      {u"res://HarbRes.dll/gif/red_icon.gif", [](const Rgb& c) { return c.r > c.g + 0x60 && c.r > c.b + 0x60; }},
      {u"res://HarbRes.dll/gif/gray_icon.gif",
       [](const Rgb& c) { return c.r == c.g && c.g == c.b && c.r > 0x40 && c.r < 0xE0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(quorvia::Utf16ToUtf8(c.address));
    const std::optional<std::string> bytes = Resource(c.address);
    ASSERT_TRUE(bytes.has_value());
    const std::optional<Gif> gif = DecodeGif(*bytes);
    ASSERT_TRUE(gif.has_value()) << "not a GIF image";
    EXPECT_EQ(gif->width, 16);
    EXPECT_EQ(gif->height, 16);
    auto at = [&](int x, int y) { return gif->pixels[y * gif->width + x]; };
    // Transparent corners; the badge's face in the rating's colour.
    for (auto [x, y] : {std::pair{0, 0}, {15, 0}, {0, 15}, {15, 15}}) EXPECT_FALSE(at(x, y).has_value());
    ASSERT_TRUE(at(7, 13).has_value());
    EXPECT_TRUE(c.colour(*at(7, 13)));
  }
}

TEST(HarbRes, GeneratorDrawsExactlyTheCommittedIcons) {
  std::string folder = (fs::temp_directory_path() / "quorvia-icons-XXXXXX").string();
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  const std::string command = std::string("'") + ICON_GENERATOR + "' '" + folder + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
  for (const char* name : {"green_icon.gif", "yellow_icon.gif", "red_icon.gif", "gray_icon.gif"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadFile(fs::path(folder) / name), ReadFile(Source(name)));
  }
  fs::remove_all(folder);
}

TEST(HarbRes, LibraryCarriesAVersion) {
  DWORD handle = 0;
  EXPECT_GT(GetFileVersionInfoSizeW(u"HarbRes.dll", &handle), 0u);
}

}  // namespace
