// The engines of a configuration on three saved result pages of real search
// engines: each page is recognised by its address, and exactly its result
// links are collected, numbered in page order.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/links/links_manager.h"
#include "core/links/xml_setting.h"
#include "platform/com/com_ptr.h"
#include "platform/html/html_document.h"
#include "platform/text/convert.h"

namespace {

using quorvia::ComPtr;

std::string ReadPage(const std::string& name) {
  std::ifstream in(std::string(QUORVIA_HTML_TEST_PAGES) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct RealPage {
  const char* file;
  const char16_t* url;
  const char16_t* engine;
  std::vector<std::string> results;  // the addresses to rate, link 1 first
};

class RealPages : public ::testing::TestWithParam<RealPage> {
 protected:
  static void SetUpTestSuite() {
    config_ = new CXmlSetting(quorvia::Utf8ToUtf16(QUORVIA_LINKS_TEST_CONFIG "/libQuorviaIE.so"));
    ASSERT_EQ(config_->LoadDocument(), S_OK);
    ASSERT_EQ(config_->GetEngines().GetCount(), 3u);
  }
  static void TearDownTestSuite() {
    delete config_;
    config_ = nullptr;
  }
  static CXmlSetting* config_;
};
CXmlSetting* RealPages::config_ = nullptr;

TEST_P(RealPages, CollectExactlyTheResultLinks) {
  const RealPage& page = GetParam();
  const SearchEngineRecord* engine = config_->GetEngines().FindEngine(page.url);
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(engine->id, page.engine);

  ComPtr<IHTMLDocument2> doc;
  ASSERT_EQ(quorvia::CreateHtmlDocument(ReadPage(page.file), page.url, &doc), S_OK);
  ComPtr<IHTMLElementCollection> links;
  ASSERT_EQ(doc->get_links(&links), S_OK);

  CLinksManager manager;
  ASSERT_EQ(manager.CollectLinks(links.Get(), engine->matchers.get()), S_OK);
  std::vector<std::string> collected;
  for (LONG number = 1; number <= static_cast<LONG>(manager.GetCount()); ++number) {
    const LinkEntry* entry = manager.Lookup(number);
    ASSERT_NE(entry, nullptr) << number;
    std::u16string url;
    ASSERT_EQ(entry->matcher->GetLinkUrl(entry->element.Get(), url), S_OK);
    collected.push_back(quorvia::Utf16ToUtf8(url));
  }
  EXPECT_EQ(manager.GetLastNumber(), static_cast<LONG>(page.results.size()));
  EXPECT_EQ(collected, page.results);
}

// What each page's engine collects, by looking at the markup:
// - Google: the ten organic results and the sitelinks under two of them
//   (class "fl"), but not the result-cache and "similar" links, the
//   knowledge panel, related searches, page navigation or the footer. The
//   first three are the links of a text ad: unlike the ad's own title link
//   (through the ad service) they go straight to the advertiser and carry
//   only generated class names, so neither a class nor an address pattern
//   tells them from organic links.
// - Bing: the six organic results; not the ads (through bing.com/aclick),
//   the "translate this page" links, related searches or the footer.
// - DuckDuckGo: the ten result titles; not the check mark and address line
//   that repeat each title's address, the site-search links, the "more
//   results" button, the sidebar or the footer.
const RealPage kPages[] = {
    {"google-page1.html",
     u"https://www.google.com/search?q=test+keyword",
     u"google",
     {
         "https://www.semrush.com/lp/keyword-research/fr/",  // text ad
         "https://fr.semrush.com/info/domain_vs_domain/",    // text ad
         "https://fr.semrush.com/features/backlinks/",       // text ad
         "https://keywordtool.io/",
         "https://keywordtool.io/youtube",
         "https://keywordtool.io/amazon",
         "https://keywordtool.io/instagram",
         "https://support.smartbear.com/testcomplete/docs/keyword-testing/overview.html",
         "https://support.smartbear.com/testcomplete/docs/keyword-testing/overview.html#Operations",
         "https://support.smartbear.com/testcomplete/docs/keyword-testing/overview.html#TestParams",
         "https://support.smartbear.com/testcomplete/docs/keyword-testing/overview.html#KDTVariables",
         "https://support.smartbear.com/testcomplete/docs/keyword-testing/index.html",
         "https://en.wikipedia.org/wiki/Keyword-driven_testing",
         "https://kwfinder.com/",
         "https://www.guru99.com/keyword-driven-testing.html",
         "https://www.microfocus.com/documentation/silk-test/200/en/silk4j-help-en/"
         "GUID-3B584684-13EA-481D-B9D8-AF758D1C00B8.html",
         "https://seositecheckup.com/tools/most-common-keywords-test",
         "https://www.katalon.com/sa/difference-keyword-driven-testing-data-driven-testing/",
         "https://robotframework.org/robotframework/latest/libraries/BuiltIn.html",
     }},
    {"bing-page1.html",
     u"https://www.bing.com/search?q=test+keyword",
     u"bing",
     {
         "https://support.smartbear.com/testcomplete/docs/keyword-testing/index.html",
         "https://support.smartbear.com/testcomplete/docs/keyword-testing/overview.html",
         "https://keywordtool.io/fr",
         "https://en.wikipedia.org/wiki/Keyword-driven_testing",
         "https://ads.google.com/intl/fr_fr/home/tools/keyword-planner/",
         "https://www.woorank.com/fr/",
     }},
    {"duckduckgo-page1.html",
     u"https://duckduckgo.com/?q=test%20keyword",
     u"duckduckgo",
     {
         "https://support.smartbear.com/testcomplete/docs/keyword-testing/index.html",
         "https://support.smartbear.com/testcomplete/docs/keyword-testing/overview.html",
         "https://en.wikipedia.org/wiki/Keyword-driven_testing",
         "https://smartbear.com/product/testcomplete/features/keyword-driven-testing/",
         "https://www.guru99.com/keyword-driven-testing.html",
         "https://www.seotesteronline.com/",
         "https://smallseotools.com/keyword-position/",
         "https://keywordtool.io/",
         "https://kwfinder.com/",
         "http://tools.seobook.com/general/keyword-density/",
     }},
};

// Each engine's address patterns recognise its own result pages only.
TEST_F(RealPages, EnginesRecogniseTheirResultPagesOnly) {
  struct Case {
    const char16_t* url;
    const char16_t* engine;  // null: no engine
  } cases[] = {
      {u"https://www.google.co.uk/search?q=x&start=10", u"google"},
      {u"http://google.de/search?hl=de&q=x", u"google"},
      {u"https://www.google.com/", nullptr},
      {u"https://www.google.com/webhp?q=x", nullptr},
      {u"https://www.bing.com/search?q=x&first=11", u"bing"},
      {u"https://www.bing.com/images/search?q=x", nullptr},
      {u"https://duckduckgo.com/?t=h_&q=x&ia=web", u"duckduckgo"},
      {u"https://duckduckgo.com/html/?q=x", u"duckduckgo"},
      {u"https://duckduckgo.com/settings", nullptr},
      {u"https://www.example.com/search?q=x", nullptr},
  };
  for (const Case& c : cases) {
    const SearchEngineRecord* engine = config_->GetEngines().FindEngine(c.url);
    EXPECT_EQ(engine ? quorvia::Utf16ToUtf8(engine->id) : "<none>",
              c.engine ? quorvia::Utf16ToUtf8(c.engine) : "<none>")
        << quorvia::Utf16ToUtf8(c.url);
  }
}

INSTANTIATE_TEST_SUITE_P(SavedPages, RealPages, ::testing::ValuesIn(kPages),
                         [](const auto& info) { return quorvia::Utf16ToUtf8(info.param.engine); });

}  // namespace
