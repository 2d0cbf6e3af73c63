// The engine list picks the first engine that recognises an address; the
// links table keeps the selected anchors of a page under the numbers 1, 2,
// 3 ... in link-collection order.
#include "core/links/links_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/html/html_document.h"
#include "platform/text/convert.h"

namespace {

using quorvia::ComPtr;

std::unique_ptr<SearchEngineRecord> Engine(const char16_t* id, const char16_t* urlPattern) {
  return std::make_unique<SearchEngineRecord>(id, urlPattern ? std::make_unique<HrefLinkMatcher>(urlPattern) : nullptr,
                                              std::make_unique<LinkMatcherContainer>(true));
}

std::string FoundId(const CLinkMatchersManager& engines, std::u16string_view url) {
  const SearchEngineRecord* record = engines.FindEngine(url);
  return record ? quorvia::Utf16ToUtf8(record->id) : "<none>";
}

TEST(CLinkMatchersManager, FindsTheFirstEngineThatRecognisesTheAddress) {
  CLinkMatchersManager engines;
  EXPECT_EQ(FoundId(engines, u"http://www.google.com/search?q=x"), "<none>");

  engines.AddEngine(Engine(u"no-url-matcher", nullptr));
  engines.AddEngine(Engine(u"google", u"(google\\.com/search)"));
  engines.AddEngine(Engine(u"any-search", u"(/search\\?)"));
  engines.AddEngine(nullptr);
  ASSERT_EQ(engines.GetCount(), 3u);
  EXPECT_EQ(engines.GetAt(1)->id, u"google");
  EXPECT_EQ(engines.GetAt(3), nullptr);

  // Both later engines accept this one: the one added first wins.
  EXPECT_EQ(FoundId(engines, u"http://WWW.GOOGLE.COM/search?q=x"), "google");
  EXPECT_EQ(FoundId(engines, u"http://www.bing.com/search?q=x"), "any-search");
  EXPECT_EQ(FoundId(engines, u"http://www.bing.com/"), "<none>");
}

// A page of links and the link collection of it.
class LinksTable : public ::testing::Test {
 protected:
  ComPtr<IHTMLElementCollection> Links(const std::string& body) {
    EXPECT_EQ(quorvia::CreateHtmlDocument("<html><body>" + body + "</body></html>",
                                          u"http://search.example/results?q=x", &doc_),
              S_OK);
    ComPtr<IHTMLElementCollection> links;
    EXPECT_EQ(doc_->get_links(&links), S_OK);
    return links;
  }

  // The address of every entry, by number from 1.
  static std::vector<std::string> Numbered(const CLinksManager& manager) {
    std::vector<std::string> out;
    for (LONG number = 1; number <= static_cast<LONG>(manager.GetCount()); ++number) {
      const LinkEntry* entry = manager.Lookup(number);
      if (entry == nullptr) {
        out.push_back("<missing " + std::to_string(number) + ">");
        continue;
      }
      std::u16string url;
      EXPECT_EQ(entry->matcher->GetLinkUrl(entry->element.Get(), url), S_OK);
      out.push_back(quorvia::Utf16ToUtf8(url));
    }
    return out;
  }

  ComPtr<IHTMLDocument2> doc_;
};

TEST_F(LinksTable, NumbersTheSelectedAnchorsInCollectionOrder) {
  LinkMatcherContainer matchers;
  auto* results = new ClassLinkMatcher(u"r");
  auto* redirected = new ClassSepLinkMatcher(u"red", u"[?&]u={[^&]*}");
  matchers.AddMatcher(results);
  matchers.AddMatcher(redirected);

  auto links =
      Links(R"(<a href="/nav">nav</a>)"
            R"(<a class="r" href="http://one.example/">1</a>)"
            R"(<a class="ad" href="http://ad.example/">ad</a>)"
            R"(<a class="red" href="/go?u=http://Two.example/P&amp;t=1">2</a>)"
            R"(<a class="r" href="http://one.example/">1 again</a>)"
            R"(<a name="no-href" class="r">no address</a>)"
            R"(<map name="m"><area class="r" href="http://area.example/" shape="rect" coords="0,0,1,1"></map>)");

  CLinksManager manager;
  EXPECT_EQ(manager.GetLastNumber(), 0);
  ASSERT_EQ(manager.CollectLinks(links.Get(), &matchers), S_OK);
  // The same address twice is two links; the image-map area is not an
  // anchor and stays out, without disturbing the anchors before it.
  EXPECT_EQ(Numbered(manager),
            (std::vector<std::string>{"http://one.example/", "http://Two.example/P", "http://one.example/"}));
  EXPECT_EQ(manager.GetLastNumber(), 3);
  EXPECT_EQ(manager.Lookup(1)->matcher, results);
  EXPECT_EQ(manager.Lookup(2)->matcher, redirected);
  EXPECT_EQ(manager.Lookup(0), nullptr);
  EXPECT_EQ(manager.Lookup(4), nullptr);
  EXPECT_NE(manager.Lookup(1)->element.Get(), manager.Lookup(3)->element.Get());

  int seen = 0;
  for (const auto& [number, entry] : manager) {
    EXPECT_GE(number, 1);
    EXPECT_TRUE(entry.element);
    ++seen;
  }
  EXPECT_EQ(seen, 3);

  // A second walk goes on with the numbers; after Clear they start at 1.
  ASSERT_EQ(manager.CollectLinks(links.Get(), &matchers), S_OK);
  EXPECT_EQ(manager.GetLastNumber(), 6);
  manager.Clear();
  EXPECT_EQ(manager.GetCount(), 0u);
  EXPECT_EQ(manager.GetLastNumber(), 0);
  ASSERT_EQ(manager.CollectLinks(Links(R"(<p><a class="r" href="http://new.example/">n</a></p>)").Get(), &matchers),
            S_OK);
  EXPECT_EQ(Numbered(manager), std::vector<std::string>{"http://new.example/"});
}

TEST_F(LinksTable, NothingSelectedIsSuccessWithAnEmptyTable) {
  LinkMatcherContainer matchers;
  matchers.AddMatcher(new ClassLinkMatcher(u"r"));
  CLinksManager manager;
  EXPECT_EQ(manager.CollectLinks(Links("<p>no links at all</p>").Get(), &matchers), S_OK);
  EXPECT_EQ(manager.CollectLinks(Links(R"(<a href="/a">a</a><a class="q" href="/b">b</a>)").Get(), &matchers), S_OK);
  EXPECT_EQ(manager.GetCount(), 0u);
  EXPECT_EQ(manager.GetLastNumber(), 0);

  // Without a container nothing matches either.
  LinkMatcherContainer empty;
  EXPECT_EQ(manager.CollectLinks(Links(R"(<a class="r" href="/a">a</a>)").Get(), &empty), S_OK);
  EXPECT_EQ(manager.GetCount(), 0u);
}

TEST_F(LinksTable, RefusesAMissingCollectionOrContainer) {
  LinkMatcherContainer matchers;
  CLinksManager manager;
  EXPECT_EQ(manager.CollectLinks(nullptr, &matchers), E_POINTER);
  EXPECT_EQ(manager.CollectLinks(Links("").Get(), nullptr), E_POINTER);
}

TEST_F(LinksTable, HoldsTheAnchorsUntilCleared) {
  LinkMatcherContainer matchers;
  matchers.AddMatcher(new ClassLinkMatcher(u"r"));
  auto links = Links(R"(<a class="r" href="/a">a</a>)");
  auto manager = std::make_unique<CLinksManager>();
  ASSERT_EQ(manager->CollectLinks(links.Get(), &matchers), S_OK);

  // The table's reference keeps the anchor alive without the page's own.
  ComPtr<IHTMLAnchorElement> anchor = manager->Lookup(1)->element;
  links = nullptr;
  doc_ = nullptr;
  const ULONG with_table = anchor->AddRef() - 1;
  anchor->Release();
  manager->Clear();
  const ULONG without_table = anchor->AddRef() - 1;
  anchor->Release();
  EXPECT_EQ(with_table, without_table + 1);
}

}  // namespace
