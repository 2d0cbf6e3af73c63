#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/text/convert.h"
#include "platform/text/format.h"

namespace {

using quorvia::FormatArg;
using quorvia::FormatNarrow;
using quorvia::FormatWide;

std::u16string Widen(const std::string& s) { return quorvia::Utf8ToUtf16(s); }

// The wide counterpart of a narrow argument: strings become wide strings,
// so that a wide %s sees what a narrow %s sees in the C library.
template <class T>
auto WideArg(const T& v) {
  if constexpr (std::is_same_v<T, const char*> || std::is_same_v<T, char*>) {
    return Widen(v);
  } else {
    return v;
  }
}

// Formats with the C library's snprintf and with both formatters; all three
// must agree.
template <class... Args>
void ExpectLikeC(const char* format, Args... args) {
  SCOPED_TRACE(format);
  int n = std::snprintf(nullptr, 0, format, args...);
  ASSERT_GE(n, 0);
  std::string expected(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(expected.data(), expected.size(), format, args...);
  expected.resize(static_cast<std::size_t>(n));

  auto narrow = FormatNarrow(format, args...);
  ASSERT_TRUE(narrow.has_value());
  EXPECT_EQ(*narrow, expected);
  auto wide = FormatWide(Widen(format), WideArg(args)...);
  ASSERT_TRUE(wide.has_value());
  EXPECT_EQ(quorvia::Utf16ToUtf8(*wide), expected);
}

TEST(Format, ConversionsPrintLikeTheCLibrary) {
  ExpectLikeC("plain text, surplus argument", 0);
  ExpectLikeC("%d|%i|%u", 42, -17, 3000000000u);
  ExpectLikeC("[%5d][%-5d][%05d][%+d][% d]", 42, 42, 42, 42, 42);
  ExpectLikeC("[%.3d][%8.3d][%-+8.3d][%.0d]", 7, -7, 7, 0);
  ExpectLikeC("%x %X %o %#x %#X %#o", 255, 255, 8, 255, 255, 8);
  ExpectLikeC("%d %d", INT_MIN, INT_MAX);
  ExpectLikeC("%u", 0u);
  ExpectLikeC("%hd %hu %hhd", 1234, 65535, 100);
  ExpectLikeC("%lld %llu %llx", -9000000000LL, 18000000000000000000ULL, 0xABCDEF0123LL);
  ExpectLikeC("%f %e %E %g %G", 3.14159, 31415.9, 0.000314, 1e-5, 1e20);
  ExpectLikeC("[%10.2f][%-10.2f][%010.2f][%+.1e][%#g][%#.0f]", 2.5, 2.5, -2.5, 12345.678, 1.0, 3.0);
  ExpectLikeC("%.0f %.0f %.0f", 0.5, 1.5, 2.5);
  ExpectLikeC("%g %g %g", 100000.0, 1000000.0, 0.0001);
  ExpectLikeC("%f %F", -0.0, 1e300);
  ExpectLikeC("%*d|%-*d|%.*f|%*.*f", 6, 1, 6, 2, 3, 3.14159, 9, 2, 2.71828);
  ExpectLikeC("%*d", -6, 5);
  ExpectLikeC("%.*d", -1, 5);
  ExpectLikeC("%s|%10s|%-10s|%.2s|%.0s|", "abc", "abc", "abc", "abc", "abc");
  ExpectLikeC("%c%c%c|%3c|%-3c|", 'a', 'b', 'c', 'x', 'y');
  ExpectLikeC("100%% sure %s", "yes");
  ExpectLikeC("<td id=\"%s\">%d of %d</td>", "r1", 3, 10);
}

TEST(Format, WideFormatsFollowTheWindowsMeaningOfStringConversions) {
  EXPECT_EQ(FormatWide(u"%s|%S|%hs|%ls|%ws", u"wide", "narrow", "h", u"l", u"w"), u"wide|narrow|h|l|w");
  EXPECT_EQ(FormatWide(u"%c%C%hc%lc", u'a', 'b', 'c', u'd'), u"abcd");
  EXPECT_EQ(FormatNarrow("%s|%S|%hs|%ls", "narrow", u"wide", "h", u"l"), "narrow|wide|h|l");
  EXPECT_EQ(FormatNarrow("%c%C", 'a', u'b'), "ab");
  // Narrow text is UTF-8 and is converted; wide text becomes UTF-8.
  EXPECT_EQ(FormatWide(u"%S", "caf\xC3\xA9"), u"caf\u00E9");
  EXPECT_EQ(FormatNarrow("%S", u"caf\u00E9"), "caf\xC3\xA9");
  // String objects and views format up to their first null character.
  EXPECT_EQ(FormatWide(u"[%s]", std::u16string(u"ab\0cd", 5)), u"[ab]");
  EXPECT_EQ(FormatWide(u"[%s]", std::u16string_view(u"abcd", 2)), u"[ab]");
  EXPECT_EQ(FormatNarrow("[%s]", std::string("xyz")), "[xyz]");
  // A precision never cuts a character in half.
  EXPECT_EQ(FormatWide(u"[%.1s]", u"\U0001F600x"), u"[]");
  EXPECT_EQ(FormatNarrow("[%.1s]", "\xC3\xA9"), "[]");
  // Zero padding applies to strings as it does on Windows.
  EXPECT_EQ(FormatWide(u"%05s", u"ab"), u"000ab");
}

TEST(Format, NullStringsPrintNull) {
  const char16_t* wide = nullptr;
  const char* narrow = nullptr;
  EXPECT_EQ(FormatWide(u"[%s][%S]", wide, narrow), u"[(null)][(null)]");
  EXPECT_EQ(FormatWide(u"[%s][%.3s]", nullptr, nullptr), u"[(null)][(nu]");
  EXPECT_EQ(FormatNarrow("[%s][%ls]", narrow, wide), "[(null)][(null)]");
}

TEST(Format, LengthModifiersHaveTheirWindowsSizes) {
  // l is 32 bits; ll, I64 and I are 64 bits; h is 16 bits.
  EXPECT_EQ(FormatWide(u"%ld", 5000000000LL), u"705032704");
  EXPECT_EQ(FormatWide(u"%I64d %I64u", 5000000000LL, 5000000000LL), u"5000000000 5000000000");
  EXPECT_EQ(FormatWide(u"%I32d %Id", -1, -1LL), u"-1 -1");
  EXPECT_EQ(FormatWide(u"%hd", 70000), u"4464");
  EXPECT_EQ(FormatWide(u"%u %x", -1, -1), u"4294967295 ffffffff");
  EXPECT_EQ(FormatWide(u"%lld", -1), u"-1");
  EXPECT_EQ(FormatWide(u"%d %d", true, 'A'), u"1 65");
  enum class Colour : unsigned char { kRed = 3 };
  EXPECT_EQ(FormatWide(u"%d", Colour::kRed), u"3");
  EXPECT_EQ(FormatWide(u"%lf %Lf", 1.5, 2.5), u"1.500000 2.500000");
  // Pointers: 16 upper-case hex digits.
  EXPECT_EQ(FormatWide(u"%p", reinterpret_cast<const void*>(0xBEEF)), u"000000000000BEEF");
  EXPECT_EQ(FormatNarrow("[%20p]", nullptr), "[    0000000000000000]");
}

TEST(Format, SurplusArgumentsAreIgnored) {
  EXPECT_EQ(FormatWide(u"%d", 1, 2, u"three"), u"1");
  EXPECT_EQ(FormatWide(u"no conversions", 1), u"no conversions");
}

TEST(Format, TextUpToTheBoundIsFormatted) {
  auto wide = FormatWide(u"%*d", static_cast<int>(quorvia::kMaxFormattedLength), 1);
  ASSERT_TRUE(wide.has_value());
  EXPECT_EQ(wide->size(), quorvia::kMaxFormattedLength);
  EXPECT_EQ(wide->back(), u'1');
}

struct Hostile {
  const char* why;
  std::u16string_view format;
  std::vector<FormatArg> args;
};

TEST(Format, HostileFormatsFail) {
  const std::u16string text = u"text";
  const Hostile cases[] = {
      {"too few arguments", u"%s and %s", {u"one"}},
      {"no arguments at all", u"%d", {}},
      {"star without its argument", u"%*d", {5}},
      {"%s given an int", u"%s", {5}},
      {"%s given a pointer", u"%s", {static_cast<const void*>(&text)}},
      {"%s given a narrow string", u"%s", {"narrow"}},
      {"%S given a wide string", u"%S", {u"wide"}},
      {"%c given a string", u"%c", {u"x"}},
      {"%d given a string", u"%d", {text}},
      {"%x given a double", u"%x", {1.5}},
      {"%f given an int", u"%f", {1}},
      {"%p given an int", u"%p", {1}},
      {"star given a string", u"%*d", {u"5", 5}},
      {"%n", u"%n", {0}},
      {"%hn", u"abc%hn", {0}},
      {"unknown conversion", u"%k", {1}},
      {"%a is not offered", u"%a", {1.0}},
      {"flags on %%", u"%5%", {}},
      {"lone % at the end", u"abc%", {1}},
      {"only a %", u"%", {}},
      {"% with flags at the end", u"%-08", {1}},
      {"bad length for a string", u"%lls", {u"x"}},
      {"bad length for a double", u"%hf", {1.0}},
      {"length on %p", u"%lp", {nullptr}},
      {"width far past the bound", u"%99999999999999999999d", {1}},
      {"width just past the bound", u"%1048577d", {1}},
      {"huge star width", u"%*d", {INT_MAX, 1}},
      {"most negative star width", u"%*d", {INT_MIN, 1}},
      {"huge precision", u"%.99999999f", {1.0}},
      {"huge star precision", u"%.*f", {2000000000, 1.0}},
      {"precision past the bound on a big number", u"%.1048576f", {1e300}},
      {"huge string width", u"%2000000s", {u"x"}},
      {"output past the bound", u"%1048576d%1048576d", {1, 2}},
  };
  for (const Hostile& c : cases) {
    EXPECT_FALSE(quorvia::FormatWideList(c.format, c.args).has_value()) << c.why;
    std::string narrow_format = quorvia::Utf16ToUtf8(c.format);
    // The same formats fail in a narrow format too (with %s and %S swapped
    // where the case is about which string a conversion takes).
    if (std::string(c.why).find("string") == std::string::npos) {
      EXPECT_FALSE(quorvia::FormatNarrowList(narrow_format, c.args).has_value()) << c.why;
    }
  }
}

}  // namespace
