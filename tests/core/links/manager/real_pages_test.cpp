// The engines of a configuration on three saved result pages of real search
// engines: each page is recognised by its address, and exactly its result
// links are collected, numbered in page order.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "core/links/links_manager.h"
#include "core/links/xml_setting.h"
#include "platform/com/com_ptr.h"
#include "platform/html/html_document.h"
#include "platform/text/convert.h"
#include "tests/support/result_pages.h"

namespace {

using quorvia::ComPtr;

using quorvia_test::ResultPage;

// The saved pages of the three real engines come first in the shared list.
std::span<const ResultPage> SavedRealPages() { return quorvia_test::ResultPages().first(3); }

class RealPages : public ::testing::TestWithParam<ResultPage> {
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
  const ResultPage& page = GetParam();
  const SearchEngineRecord* engine = config_->GetEngines().FindEngine(page.url);
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(engine->id, page.engine);

  ComPtr<IHTMLDocument2> doc;
  ASSERT_EQ(quorvia::CreateHtmlDocument(quorvia_test::ReadWholeFile(page.path), page.url, &doc), S_OK);
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

INSTANTIATE_TEST_SUITE_P(SavedPages, RealPages, ::testing::ValuesIn(SavedRealPages()),
                         [](const auto& info) { return quorvia::Utf16ToUtf8(info.param.engine); });

}  // namespace
