#include "core/support/string_helper.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::u16string kInvalid = u"StringHelper::stringFmt() - Invalid message format : ";

TEST(StringHelperFmt, BuildsTheLanguageDocumentPath) {
  std::u16string folder = u"/home/user/.quorvia/";
  EXPECT_EQ(StringHelper::stringFmt(u"%s%s%s", folder, u"English", std::u16string(u".xml")),
            u"/home/user/.quorvia/English.xml");
}

TEST(StringHelperFmt, FormatsNumbersAndText) {
  EXPECT_EQ(StringHelper::stringFmt(u"<span id=\"l%d\">%s</span> %05.1f%%", 12, u"safe", 3.25),
            u"<span id=\"l12\">safe</span> 003.2%");
}

TEST(StringHelperFmt, FailuresGiveTheInvalidFormatText) {
  const struct {
    std::u16string format;
  } cases[] = {{u"%s%s%s"}, {u"%d"}, {u"%n"}, {u"100%"}, {u"%99999999s"}};
  for (const auto& c : cases) {
    EXPECT_EQ(StringHelper::stringFmt(c.format, u"only one"), kInvalid + c.format);
  }
  EXPECT_EQ(StringHelper::stringFmt(u"%s", 5), kInvalid + u"%s");
  EXPECT_EQ(StringHelper::stringFmt(u"%d", u"five"), kInvalid + u"%d");
}

TEST(StringHelperToLower, OnlyAsciiLettersChange) {
  EXPECT_EQ(StringHelper::toLower(u"ABC xyz 09 @[`{"), u"abc xyz 09 @[`{");
  EXPECT_EQ(StringHelper::toLower(u"\u00C0\u0130Z"), u"\u00C0\u0130z");
  EXPECT_EQ(StringHelper::toLower(u""), u"");
}

TEST(StringHelperReplaceAll, ReplacesEveryOccurrenceOnce) {
  const struct {
    std::u16string text, placeholder, replacement, expected;
  } cases[] = {
      {u"a%1b%1", u"%1", u"x", u"axbx"},
      {u"%1", u"%1", u"[%1]", u"[%1]"},         // the replacement holds the placeholder
      {u"%1%1", u"%1", u"%1%1", u"%1%1%1%1"},
      {u"aaaa", u"aa", u"a", u"aa"},             // the search goes on after the replacement
      {u"abc", u"x", u"y", u"abc"},
      {u"abc", u"b", u"", u"ac"},
      {u"abc", u"", u"x", u"abc"},               // an empty placeholder changes nothing
      {u"", u"a", u"b", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StringHelper::replaceAll(c.text, c.placeholder, c.replacement), c.expected);
  }
}

}  // namespace
