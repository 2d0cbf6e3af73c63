// The changes made to a search page: the bubble script, the style sheet,
// the main bubble, and the information layer after each rated link.
#include "core/plugin/page_annotation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/links/link_matchers.h"
#include "core/plugin/cmd_page_processor.h"
#include "core/rating/rating_records.h"
#include "platform/com/com_ptr.h"
#include "platform/text/convert.h"
#include "tests/core/plugin/support/plugin_test_support.h"

namespace {

using plugin_test::Attribute;
using plugin_test::ById;
using plugin_test::ByTag;
using plugin_test::Markup;
using plugin_test::Page;
using plugin_test::PluginTest;
using quorvia::ComPtr;

constexpr char16_t kPageUrl[] = u"http://search.example/find?q=x";

std::string Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return std::to_string(n);
}

class PageAnnotation : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    processor_ = std::make_unique<CmdPageProcessor>(config_.get(), nullptr);
  }
  void TearDown() override {
    processor_.reset();
    PluginTest::TearDown();
  }

  plugin_test::RatingService service_;  // not asked here; names a service for the client
  std::unique_ptr<CmdPageProcessor> processor_;
};

// ---- script, style sheet, main bubble -----------------------------------------

TEST_F(PageAnnotation, ScriptGoesDeferredAtTheEndOfTheHead) {
  auto page = Page("<html><head><title>t</title><meta name=\"x\" content=\"y\"></head><body><p>r</p></body></html>",
                   kPageUrl);
  ASSERT_EQ(processor_->InsertScript(page.Get(), kBubbleScriptAddress), S_OK);

  const auto heads = ByTag(page.Get(), u"head");
  ASSERT_EQ(heads.size(), 1u);
  const std::string head = plugin_test::OuterHtml(heads[0].Get());
  const std::size_t script = head.find("<script");
  ASSERT_NE(script, std::string::npos) << head;
  EXPECT_GT(script, head.find("<meta")) << "the script is the head's last child";
  const auto scripts = ByTag(page.Get(), u"script");
  ASSERT_EQ(scripts.size(), 1u);
  EXPECT_EQ(Attribute(scripts[0].Get(), u"src"), "res://HarbRes.dll/js/VantoryBubbles.js");
  EXPECT_TRUE(Attribute(scripts[0].Get(), u"defer").has_value());
  EXPECT_EQ(Count(plugin_test::OuterHtml(ByTag(page.Get(), u"body")[0].Get()), "<script"), "0");
}

TEST_F(PageAnnotation, ScriptGoesToTheEndOfTheBodyWithoutAHead) {
  auto page = Page("<body><p>one</p><div>two</div></body>", kPageUrl);
  ASSERT_TRUE(ByTag(page.Get(), u"head").empty()) << "the page is meant to have no head";
  ASSERT_EQ(processor_->InsertScript(page.Get(), kBubbleScriptAddress), S_OK);

  const std::string body = plugin_test::OuterHtml(ByTag(page.Get(), u"body")[0].Get());
  EXPECT_NE(body.find("<div>two</div><script"), std::string::npos) << body;
}

TEST_F(PageAnnotation, StyleSheetComesFirstAmongTheSheets) {
  auto page = Page(
      "<html><head><link rel=\"stylesheet\" href=\"http://search.example/site.css\">"
      "<style>p{color:red}</style></head><body></body></html>",
      kPageUrl);
  ASSERT_EQ(processor_->InsertStyleSheet(page.Get(), kStyleSheetAddress), S_OK);

  const std::string markup = Markup(page.Get());
  const std::size_t ours = markup.find("res://HarbRes.dll/css/quorvia_tb.css");
  ASSERT_NE(ours, std::string::npos) << markup;
  EXPECT_LT(ours, markup.find("site.css"));
  EXPECT_LT(ours, markup.find("<style"));
  EXPECT_EQ(processor_->InsertStyleSheet(nullptr, kStyleSheetAddress), E_POINTER);
}

TEST_F(PageAnnotation, MainBubbleComesFirstInTheBodyWithItsPlaceholdersReplaced) {
  auto page = Page("<html><body><p id=\"first\">results</p></body></html>", kPageUrl);
  ASSERT_EQ(processor_->InsertMainBubble(page.Get()), S_OK);

  auto bubble = ById(page.Get(), u"qvMainBubble");
  ASSERT_TRUE(bubble);
  // Every occurrence is replaced; matching is case-sensitive.
  EXPECT_EQ(plugin_test::InnerText(bubble.Get()), "More|Downloads|Links|Spam|Exploits|Spam|%spam%");
  const std::string body = plugin_test::OuterHtml(ByTag(page.Get(), u"body")[0].Get());
  EXPECT_EQ(body.find("<body><div id=\"qvMainBubble\">"), 0u) << body;
}

TEST_F(PageAnnotation, MainBubbleNeedsAConfigurationAndATemplate) {
  auto page = Page("<html><body><p>results</p></body></html>", kPageUrl);
  const std::string before = Markup(page.Get());

  CmdPageProcessor unconfigured(nullptr, nullptr);
  EXPECT_EQ(unconfigured.InsertMainBubble(page.Get()), E_FAIL);

  plugin_test::Settings settings = plugin_test::DefaultSettings();
  settings.erase("MainBubbleHTML");
  WriteConfig(settings);
  CmdPageProcessor untemplated(config_.get(), nullptr);
  EXPECT_EQ(untemplated.InsertMainBubble(page.Get()), E_FAIL);
  EXPECT_EQ(Markup(page.Get()), before);
}

// ---- the information layer of a link ------------------------------------------------

class LinkLayer : public PageAnnotation {
 protected:
  // A page with one result link to href, inside a paragraph.
  void Load(const std::string& href_attribute) {
    page_ = Page("<html><body><p id=\"para\"><a class=\"r\" id=\"link\" " + href_attribute +
                     ">result <b>title</b></a> tail</p></body></html>",
                 kPageUrl);
    anchor_ = plugin_test::Anchors(page_.Get()).at(0);
  }

  // The layer after the link, or null.
  ComPtr<IHTMLElement> Layer(int id = 7) { return ById(page_.Get(), u"qv-" + quorvia::Utf8ToUtf16(std::to_string(id))); }

  static URLScanResultElement Record(int rating) {
    URLScanResultElement record;
    record.id = 7;
    record.SiteRating = rating;
    record.Downloads = {1, 2, 3, 99};
    record.Links = {4, 5, 6, 99};
    record.Emails = 0;
    record.Popups = true;
    record.BrowserExploits = false;
    record.desc = u"not shown";
    return record;
  }

  ClassLinkMatcher matcher_{u"r"};
  ComPtr<IHTMLDocument2> page_;
  ComPtr<IHTMLAnchorElement> anchor_;
};

TEST_F(LinkLayer, StandsDirectlyAfterTheLinkWithTheArgumentsInOrder) {
  Load("href=\"http://site.example/page\"");
  const URLScanResultElement record = Record(3);
  // Every matcher leaves its own step out: the result is that step's.
  EXPECT_EQ(processor_->AnnotateLink(&matcher_, anchor_.Get(), &record), E_NOTIMPL);

  auto layer = Layer();
  ASSERT_TRUE(layer);
  const std::string paragraph = plugin_test::OuterHtml(ById(page_.Get(), u"para").Get());
  EXPECT_NE(paragraph.find("<b>title</b></a><span class=\"qv-layer\" id=\"qv-7\""), std::string::npos) << paragraph;

  const std::string more = "http://report.example/site?url=http://site.example/page";
  EXPECT_EQ(Attribute(layer.Get(), u"data-more"), more);
  EXPECT_EQ(Attribute(layer.Get(), u"data-color"), "red");
  EXPECT_EQ(Attribute(layer.Get(), u"data-desc"), "Unsafe link");
  EXPECT_EQ(Attribute(layer.Get(), u"data-icon"), "res://HarbRes.dll/gif/red_icon.gif");
  // Arguments 6 to 27: ids, download and link counts (Black left out),
  // Emails, and each flag with its text.
  EXPECT_EQ(Attribute(layer.Get(), u"data-args"), "7|7|1|2|3|7|4|5|6|7|0|7|No|7|1|7|Yes|7|0|7|No|7");
  EXPECT_EQ(plugin_test::InnerText(layer.Get()), more);
}

TEST_F(LinkLayer, RatingClassFollowsTheSiteRating) {
  struct Case {
    int rating;
    const char* color;
    const char* icon;
    const char* description;
    const char* flags;  // texts of Emails, Popups, BrowserExploits
  };
  const Case cases[] = {
      {1, "green", "res://HarbRes.dll/gif/green_icon.gif", "Safe link", "No Yes No"},
      {2, "yellow", "res://HarbRes.dll/gif/yellow_icon.gif", "Unknown link", "No Yes No"},
      {3, "red", "res://HarbRes.dll/gif/red_icon.gif", "Unsafe link", "No Yes No"},
      {0, "gray", "res://HarbRes.dll/gif/gray_icon.gif", "Untested link", "n/a n/a n/a"},
      {4, "gray", "res://HarbRes.dll/gif/gray_icon.gif", "Untested link", "n/a n/a n/a"},
      {-1, "gray", "res://HarbRes.dll/gif/gray_icon.gif", "Untested link", "n/a n/a n/a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rating);
    Load("href=\"http://site.example/\"");
    const URLScanResultElement record = Record(c.rating);
    processor_->AnnotateLink(&matcher_, anchor_.Get(), &record);
    auto layer = Layer();
    ASSERT_TRUE(layer);
    EXPECT_EQ(Attribute(layer.Get(), u"data-color"), c.color);
    EXPECT_EQ(Attribute(layer.Get(), u"data-icon"), c.icon);
    EXPECT_EQ(Attribute(layer.Get(), u"data-desc"), c.description);
    const std::string args = *Attribute(layer.Get(), u"data-args");
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
      const std::size_t bar = args.find('|', start);
      fields.push_back(args.substr(start, bar - start));
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
    ASSERT_EQ(fields.size(), 22u);
    EXPECT_EQ(fields[12] + " " + fields[16] + " " + fields[20], c.flags);
    // The flags themselves stay 0 or 1 (Popups set, BrowserExploits not).
    EXPECT_EQ(fields[14] + fields[18], "10");
  }
}

TEST_F(LinkLayer, NegativeCountsShowAsZeroButEmailsAsReceived) {
  Load("href=\"http://site.example/\"");
  URLScanResultElement record = Record(1);
  record.Downloads = {-5, -1, 0, -9};
  record.Links = {-2, 3, -3, 0};
  record.Emails = -5;
  processor_->AnnotateLink(&matcher_, anchor_.Get(), &record);
  auto layer = Layer();
  ASSERT_TRUE(layer);
  EXPECT_EQ(Attribute(layer.Get(), u"data-args"), "7|7|0|0|0|7|0|3|0|7|-5|7|Yes|7|1|7|Yes|7|0|7|No|7");
}

TEST_F(LinkLayer, QuoteInThePageAddressDoesNotEndTheAttribute) {
  // The page model leaves a single quote in a link's address as it is.
  plugin_test::Settings settings = plugin_test::DefaultSettings();
  settings["infolayerHTML"] = "<span class='qv-layer' id='qv-%d' title='%s' data-color='%s'></span>";
  WriteConfig(settings);
  CmdPageProcessor processor(config_.get(), nullptr);
  Load("href=\"http://evil.example/?q='onmouseover='alert(1)'&amp;r=1\"");
  CComBSTR href;
  ASSERT_EQ(anchor_->get_href(&href), S_OK);
  const std::string raw = quorvia::Utf16ToUtf8(href.View());
  ASSERT_EQ(raw, "http://evil.example/?q='onmouseover='alert(1)'&r=1");

  const URLScanResultElement record = Record(3);
  processor.AnnotateLink(&matcher_, anchor_.Get(), &record);
  auto layer = Layer();
  ASSERT_TRUE(layer);
  EXPECT_EQ(Attribute(layer.Get(), u"title"), "http://report.example/site?url=" + raw);
  EXPECT_FALSE(Attribute(layer.Get(), u"onmouseover").has_value()) << plugin_test::OuterHtml(layer.Get());
  EXPECT_EQ(Attribute(layer.Get(), u"data-color"), "red");
}

// The address a matcher hands over, unencoded: a browser is free to report
// a link's address with markup characters in it.
class RawAddressMatcher : public ClassLinkMatcher {
 public:
  explicit RawAddressMatcher(std::u16string address) : ClassLinkMatcher(u"r"), address_(std::move(address)) {}
  HRESULT GetLinkUrl(IHTMLAnchorElement*, std::u16string& url) const override {
    url = address_;
    return S_OK;
  }

 private:
  std::u16string address_;
};

TEST_F(LinkLayer, MarkupInTheAddressStaysText) {
  const std::u16string raw = u"http://evil.example/\"><script>alert(1)</script><i x='&amp;";
  RawAddressMatcher matcher(raw);
  Load("href=\"http://evil.example/\"");
  const URLScanResultElement record = Record(3);
  processor_->AnnotateLink(&matcher, anchor_.Get(), &record);

  auto layer = Layer();
  ASSERT_TRUE(layer);
  EXPECT_TRUE(ByTag(page_.Get(), u"script").empty()) << Markup(page_.Get());
  EXPECT_TRUE(ByTag(page_.Get(), u"i").empty()) << Markup(page_.Get());
  const std::string more = "http://report.example/site?url=" + quorvia::Utf16ToUtf8(raw);
  EXPECT_EQ(Attribute(layer.Get(), u"data-more"), more);
  EXPECT_EQ(plugin_test::InnerText(layer.Get()), more);
  EXPECT_EQ(Attribute(layer.Get(), u"data-color"), "red") << "the attributes after the address are intact";
}

TEST(EscapeHtml, ReplacesTheMarkupCharacters) {
  EXPECT_EQ(EscapeHtml(u"a&b<c>d\"e'f g\u00e9"), u"a&amp;b&lt;c&gt;d&quot;e&#39;f g\u00e9");
  EXPECT_EQ(EscapeHtml(u""), u"");
}

TEST_F(LinkLayer, TemplateThatDoesNotFitLeavesTheLinkUnmarked) {
  const char* templates[] = {
      "<span id=\"qv-%s\"></span>",                                  // a string conversion for the id
      "<span id=\"qv-%d\" title=\"%d\"></span>",                     // a number conversion for a string
      "<span id=\"qv-%d\">%s%s%s%s%d%d%d%d%d%d%d%d%d%d%d%d%s%d%d%d%s%d%d%d%s%d%s%d</span>",  // a 29th
      "<span id=\"qv-%d\">%n</span>",                                // writes nothing anywhere
      "<span id=\"qv-%d\">%s%f</span>",                              // a floating conversion for a string
      "",                                                            // no template at all
  };
  for (const char* layer_template : templates) {
    SCOPED_TRACE(layer_template);
    plugin_test::Settings settings = plugin_test::DefaultSettings();
    settings["infolayerHTML"] = layer_template;
    WriteConfig(settings);
    CmdPageProcessor processor(config_.get(), nullptr);
    Load("href=\"http://site.example/\"");
    const std::string before = Markup(page_.Get());

    const URLScanResultElement record = Record(1);
    EXPECT_EQ(processor.AnnotateLink(&matcher_, anchor_.Get(), &record), E_FAIL);
    EXPECT_EQ(Markup(page_.Get()), before);
  }
}

TEST_F(LinkLayer, TemplateMayUseFewerArguments) {
  plugin_test::Settings settings = plugin_test::DefaultSettings();
  settings["infolayerHTML"] = "<span id=\"qv-%d\" title=\"%s\"></span>";
  WriteConfig(settings);
  CmdPageProcessor processor(config_.get(), nullptr);
  Load("href=\"http://site.example/\"");
  const URLScanResultElement record = Record(1);
  processor.AnnotateLink(&matcher_, anchor_.Get(), &record);
  auto layer = Layer();
  ASSERT_TRUE(layer);
  EXPECT_EQ(Attribute(layer.Get(), u"title"), "http://report.example/site?url=http://site.example/");
}

TEST_F(LinkLayer, RefusesMissingPieces) {
  Load("href=\"http://site.example/\"");
  const std::string before = Markup(page_.Get());
  const URLScanResultElement record = Record(1);

  CmdPageProcessor unconfigured(nullptr, nullptr);
  EXPECT_EQ(unconfigured.AnnotateLink(&matcher_, anchor_.Get(), &record), E_FAIL);
  EXPECT_EQ(processor_->AnnotateLink(&matcher_, nullptr, &record), E_POINTER);
  EXPECT_EQ(processor_->AnnotateLink(nullptr, anchor_.Get(), &record), E_POINTER);
  EXPECT_EQ(processor_->AnnotateLink(&matcher_, anchor_.Get(), nullptr), E_POINTER);
  EXPECT_EQ(Markup(page_.Get()), before);
}

TEST_F(LinkLayer, MissingLanguageTextsBecomeEmpty) {
  WriteTexts({});
  Load("href=\"http://site.example/\"");
  const URLScanResultElement record = Record(1);
  processor_->AnnotateLink(&matcher_, anchor_.Get(), &record);
  auto layer = Layer();
  ASSERT_TRUE(layer);
  EXPECT_EQ(Attribute(layer.Get(), u"data-desc"), "");
  EXPECT_EQ(Attribute(layer.Get(), u"data-args"), "7|7|1|2|3|7|4|5|6|7|0|7||7|1|7||7|0|7||7");
}

}  // namespace
