// The configuration document read from real files: settings, engines with
// their joined URL patterns and result matchers, malformed elements, missing
// and broken files, and pattern errors thrown out of LoadDocument.
#include "core/links/xml_setting.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/links/link_matchers.h"
#include "platform/text/convert.h"

namespace {

using quorvia::Utf16ToUtf8;
using quorvia::Utf8ToUtf16;

constexpr char kHrefError[] = "HrefLinkMatcher::HrefLinkMatcher() bad Regualr expression passed to CTor";
constexpr char kClassSepError[] = "ClassSepLinkMatcher::ClassSepLinkMatcher() bad Regualr expression passed to CTor";

// A folder of its own per test (also the test's QUORVIA_HOME) that plays
// the host library's folder.
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvia-config-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    setenv("QUORVIA_HOME", folder_.c_str(), 1);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
    unsetenv("QUORVIA_HOME");
  }

  std::u16string ModulePath() const { return Utf8ToUtf16(folder_ + "/libQuorviaIE.so"); }

  void WriteConfig(const std::string& text) { std::ofstream(folder_ + "/config.xml", std::ios::binary) << text; }

  // A configuration loaded from text; fails the test unless it loads.
  std::unique_ptr<CXmlSetting> Load(const std::string& text) {
    WriteConfig(text);
    auto config = std::make_unique<CXmlSetting>(ModulePath());
    EXPECT_EQ(config->LoadDocument(), S_OK);
    return config;
  }

  std::string folder_;
};

// The engine's result matchers, one word each: class:<name>,
// href:<pattern>, sep:<name>:<pattern>.
std::vector<std::string> Describe(const LinkMatcherContainer& container) {
  std::vector<std::string> out;
  for (const ILinkMatcher* matcher : container.GetMatchers()) {
    if (auto* sep = dynamic_cast<const ClassSepLinkMatcher*>(matcher)) {
      out.push_back("sep:" + Utf16ToUtf8(sep->GetClassName()) + ":" + Utf16ToUtf8(sep->GetPattern().Source()));
    } else if (auto* byClass = dynamic_cast<const ClassLinkMatcher*>(matcher)) {
      out.push_back("class:" + Utf16ToUtf8(byClass->GetClassName()));
    } else if (auto* byHref = dynamic_cast<const HrefLinkMatcher*>(matcher)) {
      out.push_back("href:" + Utf16ToUtf8(byHref->GetPattern().Source()));
    } else {
      out.push_back("?");
    }
  }
  return out;
}

// id=URL pattern of every engine, in order.
std::vector<std::string> Engines(const CXmlSetting& config) {
  std::vector<std::string> out;
  const CLinkMatchersManager& engines = config.GetEngines();
  for (std::size_t i = 0; i < engines.GetCount(); ++i) {
    const SearchEngineRecord* record = engines.GetAt(i);
    out.push_back(Utf16ToUtf8(record->id) + "=" + Utf16ToUtf8(record->urlMatcher->GetPattern().Source()));
  }
  return out;
}

TEST(CXmlSettingPath, ConfigLiesBesideTheModule) {
  struct Case {
    const char16_t* module;
    const char16_t* directory;
  } cases[] = {
      {u"/opt/quorvia/libQuorviaIE.so", u"/opt/quorvia/"},
      {u"/libQuorviaIE.so", u"/"},
      {u"/opt/quorvia/", u"/opt/quorvia/"},
      {u"libQuorviaIE.so", u"./"},
  };
  for (const Case& c : cases) {
    CXmlSetting config(c.module);
    EXPECT_EQ(config.GetConfigDirectory(), c.directory) << Utf16ToUtf8(c.module);
    EXPECT_EQ(config.GetConfigPath(), std::u16string(c.directory) + u"config.xml");
    EXPECT_EQ(config.GetEngines().GetCount(), 0u);
  }
}

TEST_F(ConfigTest, MissingOrBrokenFileLeavesNoSettingsAndNoEngines) {
  const std::string good_start =
      R"(<config><settings><setting id="BaseURL" value="http://info/"/></settings>)"
      R"(<search-engines><se id="e"><url-regexps><regexp value="search"/></url-regexps></se></search-engines>)";
  struct Case {
    const char* name;
    const char* text;  // null: no file at all
    HRESULT expected;
  } cases[] = {
      {"no file", nullptr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
      {"not closed", "", E_FAIL},
      {"empty file", "\n", E_FAIL},
      {"entity declaration", "<!DOCTYPE config [<!ENTITY x \"y\">]><config/>", E_FAIL},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(folder_ + "/config.xml");
    if (c.text != nullptr) WriteConfig(c.text[0] == '\0' ? good_start : c.text);
    CXmlSetting config(ModulePath());
    EXPECT_EQ(config.LoadDocument(), c.expected) << c.name;
    EXPECT_EQ(config.GetSetting(u"BaseURL"), u"") << c.name;
    EXPECT_EQ(config.GetEngines().GetCount(), 0u) << c.name;
    EXPECT_EQ(config.GetEngines().FindEngine(u"http://x/search"), nullptr) << c.name;
  }
}

TEST_F(ConfigTest, SettingsByIdFromTheValueOrTheText) {
  auto config = Load(R"(<?xml version="1.0" encoding="utf-8"?>
<config>
  <settings>
    <setting id="dup" value="1"/>
    <setting id="dup" value="2"/>
    <setting id="MainBubbleHTML"><![CDATA[<div class="bubble">%MOREINFO% & <b>%LINKS%</b></div>]]></setting>
    <setting id="mixed">text <![CDATA[<i>cdata</i>]]> &amp; more</setting>
    <setting value="without id"/>
    <setting id="Case" value="upper"/>
    <setting id="attr" value="the attribute">not the text</setting>
    <setting id="emptyValue" value=""/>
    <setting id="noText"/>
    <setting id="blank">   </setting>
    <setting id="textFirst">text</setting>
    <setting id="textFirst" value="attribute later"/>
    <setting id="unicode" value="Sécurité ✓"/>
  </settings>
  <settings><setting id="second block" value="read too"/></settings>
  <other><setting id="elsewhere" value="not a setting"/></other>
</config>)");
  struct Case {
    const char16_t* id;
    const char16_t* value;
  } cases[] = {
      {u"dup", u"1"},
      {u"MainBubbleHTML", u"<div class=\"bubble\">%MOREINFO% & <b>%LINKS%</b></div>"},
      {u"mixed", u"text <i>cdata</i> & more"},
      {u"Case", u"upper"},
      {u"case", u""},
      {u"CASE", u""},
      {u"attr", u"the attribute"},
      {u"emptyValue", u""},
      {u"noText", u""},
      {u"blank", u""},
      {u"textFirst", u"text"},
      {u"unicode", u"Sécurité ✓"},
      {u"second block", u"read too"},
      {u"elsewhere", u""},
      {u"", u""},
      {u"HelpURL", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(config->GetSetting(c.id), c.value) << Utf16ToUtf8(c.id);
    // Reading again gives the same.
    EXPECT_EQ(config->GetSetting(c.id), c.value) << Utf16ToUtf8(c.id);
  }
}

TEST_F(ConfigTest, EnginesWithJoinedUrlPatternsInDocumentOrder) {
  auto config = Load(R"xml(<config><search-engines>
  <se id="two"><url-regexps><regexp value="p"/><regexp value="q"/></url-regexps></se>
  <se id="first-without-value"><url-regexps><regexp/><regexp value="q"/></url-regexps></se>
  <se><url-regexps><regexp value="valid/search"/></url-regexps></se>
  <se id="caret"><url-regexps><regexp value="^http"/></url-regexps></se>
  <se id="inner-bar"><url-regexps><regexp value="ab|cd"/><regexp value="xy"/></url-regexps>
    <results-matchers/></se>
  <se id="empty-value"><url-regexps><regexp value=""/></url-regexps></se>
  <se id="ID" extra="ignored"><url-regexps><regexp value="three"/><regexp value="(a)"/><regexp value="{c}"/>
    </url-regexps></se>
</search-engines></config>)xml");
  EXPECT_EQ(Engines(*config),
            (std::vector<std::string>{"two=(p)|(q)", "first-without-value=(q)", "caret=(^http)",
                                      "inner-bar=(ab|cd)|(xy)", "empty-value=()", "ID=(three)|((a))|({c})"}));
  const CLinkMatchersManager& engines = config->GetEngines();
  auto matches = [&](std::size_t engine, const char16_t* url) {
    return engines.GetAt(engine)->urlMatcher->MatchText(url);
  };

  EXPECT_TRUE(matches(0, u"xPx"));
  EXPECT_TRUE(matches(0, u"xQx"));
  EXPECT_FALSE(matches(0, u"xrx"));
  // Inside the joined pattern a leading caret is an ordinary character.
  EXPECT_FALSE(matches(2, u"http://host/search"));
  EXPECT_TRUE(matches(2, u"x^http"));
  // The parentheses keep each pattern's "|" to itself: a, b or c, d.
  EXPECT_TRUE(matches(3, u"abd"));
  EXPECT_TRUE(matches(3, u"acd"));
  EXPECT_FALSE(matches(3, u"ab"));
  EXPECT_TRUE(matches(3, u"xy"));
  EXPECT_TRUE(matches(4, u"anything"));

  // The engine without an id is not there: the empty pattern, further on,
  // is the first to accept its address.
  EXPECT_EQ(engines.FindEngine(u"valid/search")->id, u"empty-value");
  EXPECT_EQ(engines.FindEngine(u"xqx")->id, u"two");
  for (std::size_t i = 0; i < engines.GetCount(); ++i) {
    EXPECT_EQ(engines.GetAt(i)->matchers->GetMatchers().size(), 0u);
    EXPECT_TRUE(engines.GetAt(i)->matchers->OwnsMatchers());
  }
}

TEST_F(ConfigTest, ResultMatchersByType) {
  auto config = Load(R"(<config><search-engines><se id="e">
  <url-regexps><regexp value="search"/></url-regexps>
  <results-matchers>
    <sm type="0" value="c0"/>
    <sm type="3" value="three"/>
    <sm type="1"/>
    <sm type="2" value="no regexp"/>
    <sm value="no type"/>
    <sm type="1" value="h1"/>
    <sm type="-1" value="negative"/>
    <sm type="abc" value="not a number reads 0"/>
    <sm type=" 2x" value="c2" regexp="[?&amp;]q={[^&amp;]*}"/>
    <sm type="2" value="" regexp=""/>
    <sm type="0" value="" regexp="not read"/>
    <sm type="1" value="" />
    <sm type="99999999999999999999" value="too big"/>
    <sm type="+1" value="plus"/>
  </results-matchers>
</se></search-engines></config>)");
  ASSERT_EQ(config->GetEngines().GetCount(), 1u);
  EXPECT_EQ(Describe(*config->GetEngines().GetAt(0)->matchers),
            (std::vector<std::string>{"class:c0", "href:h1", "class:not a number reads 0", "sep:c2:[?&]q={[^&]*}",
                                      "sep::", "class:", "href:", "href:plus"}));
}

// The pattern errors the loader does not catch: LoadDocument throws
// std::invalid_argument with the matcher's message, and what was read
// before the broken engine stays.
TEST_F(ConfigTest, PatternErrorsAreThrownOutOfLoadDocument) {
  struct Case {
    const char* broken_engine;
    std::string message;
  } cases[] = {
      {R"(<se id="bad"><url-regexps><regexp value="(abc"/></url-regexps></se>)", std::string(kHrefError) + "((abc)"},
      {R"(<se id="bad"><url-regexps><regexp value="a"/><regexp value="[z-a]"/></url-regexps></se>)",
       std::string(kHrefError) + "(a)|([z-a])"},
      {R"(<se id="bad"><url-regexps><regexp/></url-regexps></se>)", kHrefError},
      {R"(<se id="bad"/>)", kHrefError},
      {R"(<se id="bad"><url-regexps><regexp value="ok"/></url-regexps>)"
       R"(<results-matchers><sm type="1" value="[]"/></results-matchers></se>)",
       std::string(kHrefError) + "[]"},
      {R"(<se id="bad"><url-regexps><regexp value="ok"/></url-regexps>)"
       R"(<results-matchers><sm type="0" value="r"/><sm type="2" value="r" regexp="{x"/></results-matchers></se>)",
       std::string(kClassSepError) + "{x"},
      // The result matchers are built before the URL matcher.
      {R"(<se id="bad"><url-regexps><regexp value="(bad url"/></url-regexps>)"
       R"(<results-matchers><sm type="2" value="r" regexp="(bad sm"/></results-matchers></se>)",
       std::string(kClassSepError) + "(bad sm"},
  };
  for (const Case& c : cases) {
    WriteConfig(std::string(R"(<config><settings><setting id="BaseURL" value="http://info/"/></settings>)") +
                R"(<search-engines><se id="before"><url-regexps><regexp value="before"/></url-regexps></se>)" +
                c.broken_engine + R"(<se id="after"><url-regexps><regexp value="after"/></url-regexps></se>)" +
                "</search-engines></config>");
    auto config = std::make_unique<CXmlSetting>(ModulePath());
    std::string message = "<nothing thrown>";
    try {
      config->LoadDocument();
    } catch (const std::invalid_argument& error) {
      message = error.what();
    }
    EXPECT_EQ(message, c.message) << c.broken_engine;
    EXPECT_EQ(config->GetSetting(u"BaseURL"), u"http://info/");
    EXPECT_EQ(Engines(*config), std::vector<std::string>{"before=(before)"}) << c.broken_engine;
    config.reset();  // everything built so far is freed
  }
}

}  // namespace
