// The product's configuration document, data/config.xml, as the core
// reads it: its settings, its page templates and its search engines on the
// saved result pages.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/links/links_manager.h"
#include "core/links/xml_setting.h"
#include "core/support/string_helper.h"
#include "platform/com/bstr.h"
#include "platform/text/convert.h"
#include "tests/support/page_probe.h"
#include "tests/support/result_pages.h"

namespace {

using quorvia::Utf16ToUtf8;
using quorvia::Utf8ToUtf16;
using namespace quorvia_test;

class ProductConfig : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    config_ = new CXmlSetting(Utf8ToUtf16(DataFolder() + "/libQuorviaIE.so"));
    ASSERT_EQ(config_->LoadDocument(), S_OK);
  }
  static void TearDownTestSuite() {
    delete config_;
    config_ = nullptr;
  }
  static std::u16string Setting(const char16_t* id) { return config_->GetSetting(id); }

  static CXmlSetting* config_;
};
CXmlSetting* ProductConfig::config_ = nullptr;

TEST_F(ProductConfig, DefinesEverySettingTheProductReads) {
  for (const char16_t* id : {u"BaseURL", u"HelpURL", u"MainBubbleSpanID", u"MainBubbleHTML", u"infolayerHTML",
                             u"URIScheme"}) {
    EXPECT_FALSE(Setting(id).empty()) << Utf16ToUtf8(id);
  }
  // Web pages only: the scheme with its colon, so that a scheme that merely
  // begins with "http" is not taken for one.
  EXPECT_EQ(Setting(u"URIScheme"), u"http:,https:");
  EXPECT_TRUE(Setting(u"BaseURL").starts_with(u"http"));
  EXPECT_TRUE(Setting(u"HelpURL").starts_with(u"http"));
}

// The main bubble with its placeholders replaced, as the page processor
// inserts it first in a page's body: it carries the marker element and
// every language text, and is hidden until the bubble script shows it.
TEST_F(ProductConfig, MainBubbleCarriesTheMarkerAndEveryPlaceholder) {
  std::u16string markup = Setting(u"MainBubbleHTML");
  const std::pair<const char16_t*, const char16_t*> placeholders[] = {
      {u"%MOREINFO%", u"More information"}, {u"%DOWNLOADS%", u"Downloads"}, {u"%LINKS%", u"Links"},
      {u"%SPAM%", u"Spam e-mails"},        {u"%EXPLOITS%", u"Browser exploits"}};
  for (const auto& [placeholder, text] : placeholders) {
    EXPECT_NE(markup.find(placeholder), std::u16string::npos) << Utf16ToUtf8(placeholder);
    markup = StringHelper::replaceAll(markup, placeholder, text);
  }
  EXPECT_EQ(markup.find(u'%'), std::u16string::npos) << Utf16ToUtf8(markup);

  auto page = ParsePage("<html><head></head><body><p id=first>Results</p></body></html>", u"http://x.example/");
  ASSERT_TRUE(page);
  ASSERT_EQ(Body(page.Get())->insertAdjacentHTML(CComBSTR(u"afterBegin"), CComBSTR(markup)), S_OK);

  auto bubble = ElementById(page.Get(), Setting(u"MainBubbleSpanID"));
  ASSERT_TRUE(bubble);
  EXPECT_TRUE(SameElement(FirstChild(Body(page.Get()).Get()).Get(), bubble.Get()));
  EXPECT_EQ(Attribute(bubble.Get(), u"class"), "qvh-bubble");
  EXPECT_EQ(Attribute(bubble.Get(), u"style"), "display:none");
  std::vector<std::string> headings;
  for (const auto& heading : ChildrenByTag(bubble.Get(), u"span")) {
    headings.push_back(Attribute(heading.Get(), u"class") + "=" + InnerText(heading.Get()));
  }
  EXPECT_EQ(headings, (std::vector<std::string>{"qvh-label-moreinfo=More information", "qvh-label-downloads=Downloads",
                                                "qvh-label-links=Links", "qvh-label-spam=Spam e-mails",
                                                "qvh-label-exploits=Browser exploits"}));
  // The page's own content follows, untouched.
  EXPECT_TRUE(ElementById(page.Get(), u"first"));
}

// The 28 arguments of a link's markup, with the types they are passed with.
struct LayerArguments {
  LONG id = 7;
  std::u16string moreInfo = u"http://info.example/?url=https://site.example/a";
  std::u16string colour = u"yellow";
  std::u16string description = u"Unknown site";
  std::u16string icon = u"res://HarbRes.dll/gif/yellow_icon.gif";
  LONG downloads[3] = {11, 12, 13};
  LONG links[3] = {21, 22, 23};
  LONG emails = -5;
  std::u16string emailsText = u"Yes";
  LONG popups = 1;
  std::u16string popupsText = u"Yes";
  LONG exploits = 0;
  std::u16string exploitsText = u"No";
  std::u16string moreInfoLast = u"http://info.example/?url=https://site.example/b";

  std::u16string Format(const std::u16string& format) const {
    return StringHelper::stringFmt(format, id, moreInfo, colour, description, icon, id, id, downloads[0],
                                   downloads[1], downloads[2], id, links[0], links[1], links[2], id, emails, id,
                                   emailsText, id, popups, id, popupsText, id, exploits, id, exploitsText, id,
                                   moreInfoLast);
  }
};

TEST_F(ProductConfig, LinkMarkupTakesTheTwentyEightArgumentsInOrder) {
  const std::u16string format = Setting(u"infolayerHTML");
  const LayerArguments args;
  const std::u16string markup = args.Format(format);
  ASSERT_EQ(markup.find(u"Invalid message format"), std::u16string::npos) << Utf16ToUtf8(markup);

  // Every conversion takes an argument: one fewer does not format.
  const std::u16string shorter = StringHelper::stringFmt(
      format, args.id, args.moreInfo, args.colour, args.description, args.icon, args.id, args.id, 1, 2, 3, args.id,
      4, 5, 6, args.id, 7, args.id, args.emailsText, args.id, 1, args.id, args.popupsText, args.id, 0, args.id,
      args.exploitsText, args.id);
  EXPECT_NE(shorter.find(u"Invalid message format"), std::u16string::npos);

  // Inserted after a result link, each argument lands where the bubble
  // script looks for it.
  auto page = ParsePage("<html><body><h3><a id=result href='https://site.example/a'>Site</a></h3></body></html>",
                        u"http://x.example/");
  ASSERT_TRUE(page);
  auto link = ElementById(page.Get(), u"result");
  ASSERT_EQ(link->insertAdjacentHTML(CComBSTR(u"afterEnd"), CComBSTR(markup)), S_OK);

  auto mark = ElementById(page.Get(), u"qvh-mark-7");
  ASSERT_TRUE(mark);
  EXPECT_TRUE(SameElement(NextElement(link.Get()).Get(), mark.Get()));
  EXPECT_EQ(Attribute(mark.Get(), u"class"), "qvh-mark qvh-yellow");
  EXPECT_EQ(Attribute(mark.Get(), u"data-more"), Utf16ToUtf8(args.moreInfo));

  auto icon = ElementById(page.Get(), u"qvh-icon-7");
  ASSERT_TRUE(icon);
  EXPECT_TRUE(SameElement(Parent(icon.Get()).Get(), mark.Get()));
  EXPECT_EQ(Attribute(icon.Get(), u"class"), "qvh-icon");
  EXPECT_EQ(Attribute(icon.Get(), u"title"), "Unknown site");
  EXPECT_EQ(Attribute(icon.Get(), u"src"), "res://HarbRes.dll/gif/yellow_icon.gif");

  // The layer the script opens for the icon: the counts, the answers, the
  // more-information link, and empty heading slots for the script to fill.
  auto layer = ElementById(page.Get(), u"qvh-layer-7");
  ASSERT_TRUE(layer);
  EXPECT_TRUE(SameElement(Parent(layer.Get()).Get(), mark.Get()));
  EXPECT_EQ(Attribute(layer.Get(), u"class"), "qvh-layer");
  auto rows = ChildrenByTag(layer.Get(), u"span");
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(Attribute(rows[0].Get(), u"class"), "qvh-downloads");
  EXPECT_EQ(InnerText(rows[0].Get()), " 11 12 13");
  EXPECT_EQ(InnerText(ElementById(page.Get(), u"qvh-links-7").Get()), " 21 22 23");
  std::vector<std::string> counts;
  for (const auto& span : ChildrenByTag(ElementById(page.Get(), u"qvh-links-7").Get(), u"span")) {
    counts.push_back(Attribute(span.Get(), u"class"));
  }
  EXPECT_EQ(counts, (std::vector<std::string>{"qvh-label-links", "qvh-count-red", "qvh-count-green",
                                              "qvh-count-yellow"}));
  EXPECT_EQ(Attribute(ElementById(page.Get(), u"qvh-spam-7").Get(), u"data-count"), "-5");
  EXPECT_EQ(InnerText(ElementById(page.Get(), u"qvh-spam-text-7").Get()), "Yes");
  EXPECT_EQ(Attribute(ElementById(page.Get(), u"qvh-popups-7").Get(), u"data-flag"), "1");
  EXPECT_EQ(InnerText(ElementById(page.Get(), u"qvh-popups-text-7").Get()), "Yes");
  EXPECT_EQ(Attribute(ElementById(page.Get(), u"qvh-exploits-7").Get(), u"data-flag"), "0");
  EXPECT_EQ(InnerText(ElementById(page.Get(), u"qvh-exploits-text-7").Get()), "No");
  auto more = ElementById(page.Get(), u"qvh-more-7");
  EXPECT_EQ(Attribute(more.Get(), u"class"), "qvh-more");
  EXPECT_EQ(Attribute(more.Get(), u"href"), Utf16ToUtf8(args.moreInfoLast));
  for (const char* word : {"downloads", "links", "spam", "exploits", "moreinfo"}) {
    const std::string slot = std::string("qvh-label-") + word;
    EXPECT_NE(InnerHtml(layer.Get()).find("<span class=\"" + slot + "\"></span>"), std::string::npos) << slot;
  }
}

class ProductEngines : public ProductConfig, public ::testing::WithParamInterface<ResultPage> {};

TEST_P(ProductEngines, CollectExactlyTheOrganicResultLinks) {
  const ResultPage& page = GetParam();
  const SearchEngineRecord* engine = config_->GetEngines().FindEngine(page.url);
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(Utf16ToUtf8(engine->id), Utf16ToUtf8(page.engine));

  auto document = ParsePage(ReadWholeFile(page.path), page.url);
  ASSERT_TRUE(document);
  ComPtr<IHTMLElementCollection> links;
  ASSERT_EQ(document->get_links(&links), S_OK);
  CLinksManager manager;
  ASSERT_EQ(manager.CollectLinks(links.Get(), engine->matchers.get()), S_OK);
  std::vector<std::string> collected;
  for (LONG number = 1; number <= manager.GetLastNumber(); ++number) {
    const LinkEntry* entry = manager.Lookup(number);
    ASSERT_NE(entry, nullptr) << number;
    std::u16string url;
    ASSERT_EQ(entry->matcher->GetLinkUrl(entry->element.Get(), url), S_OK);
    collected.push_back(Utf16ToUtf8(url));
  }
  EXPECT_EQ(collected, page.results);
}

INSTANTIATE_TEST_SUITE_P(Pages, ProductEngines, ::testing::ValuesIn(ResultPages().begin(), ResultPages().end()),
                         [](const auto& info) { return std::string(info.param.name); });

// Every engine has a saved page, and each engine takes its own result pages
// and nothing else.
TEST_F(ProductConfig, EnginesRecogniseTheirResultPagesOnly) {
  std::set<std::string> withPage;
  for (const ResultPage& page : ResultPages()) withPage.insert(Utf16ToUtf8(page.engine));
  const CLinkMatchersManager& engines = config_->GetEngines();
  ASSERT_EQ(engines.GetCount(), withPage.size());
  for (std::size_t i = 0; i < engines.GetCount(); ++i) {
    EXPECT_EQ(withPage.count(Utf16ToUtf8(engines.GetAt(i)->id)), 1u) << Utf16ToUtf8(engines.GetAt(i)->id);
  }

  struct Case {
    const char16_t* url;
    const char* engine;  // "" for none
  } cases[] = {
      {u"https://www.google.co.uk/search?q=x&start=10", "google"},
      {u"https://www.google.com/", ""},
      {u"https://www.bing.com/search?q=x&first=11", "bing"},
      {u"https://www.bing.com/images/search?q=x", ""},
      {u"https://duckduckgo.com/?t=h_&q=x&ia=web", "duckduckgo"},
      {u"https://duckduckgo.com/settings", ""},
      {u"http://search.lantern.example/results?q=x&page=2", "lantern"},
      {u"https://search.lantern.example/images?q=x", ""},
      {u"https://search.lantern.example/go?to=http://x.example/", ""},
      {u"https://www.kestrel.example/search?q=x", "kestrel"},
      {u"https://www.kestrel.example/travel/guide?topic=x", ""},
      {u"https://www.example.com/search?q=x", ""},
  };
  for (const Case& c : cases) {
    const SearchEngineRecord* engine = engines.FindEngine(c.url);
    EXPECT_EQ(engine ? Utf16ToUtf8(engine->id) : "", c.engine) << Utf16ToUtf8(c.url);
  }
}

}  // namespace
