// The page processor against a rating service on a loopback port: the
// displayed site on the indicator, result pages of the configured engine
// marked link by link, the link cache, and everything that stops a run.
#include "core/plugin/cmd_page_processor.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/plugin/cmd_page_indicator.h"
#include "core/rating/rating_globals.h"
#include "core/support/globals.h"
#include "platform/text/convert.h"
#include "tests/core/plugin/support/plugin_test_support.h"

namespace {

using plugin_test::Attribute;
using plugin_test::ById;
using plugin_test::ByTag;
using plugin_test::Markup;
using plugin_test::Page;
using plugin_test::PluginTest;
using plugin_test::Query;
using plugin_test::RatingService;
using plugin_test::SiteRating;
using plugin_test::TestBrowser;
using quorvia::ComPtr;

constexpr char16_t kSearchUrl[] = u"http://search.example/find?q=shoes";

// A result page of the test engine: four result links (one through the
// engine's redirector), and links of the engine's own that are not results.
constexpr char kResultPage[] =
    "<html><head><title>shoes</title></head><body>"
    "<a href=\"/\">Search home</a>"
    "<div><a class=\"r\" href=\"http://safe.example/shoes\">Safe shoes</a></div>"
    "<div><a class=\"r\" href=\"http://shady.example/\">Shady shoes</a></div>"
    "<div><a class=\"rr\" href=\"http://search.example/go?u=http://bad.example/x&amp;n=3\">Bad shoes</a></div>"
    "<div><a class=\"r\" href=\"http://new.example/\">New shoes</a></div>"
    "<a href=\"/find?q=shoes&amp;page=2\">Next</a>"
    "</body></html>";

constexpr char kReversedResultPage[] =
    "<html><head><title>socks</title></head><body>"
    "<div><a class=\"r\" href=\"http://new.example/socks\">New socks</a></div>"
    "<div><a class=\"rr\" href=\"http://search.example/go?u=http://bad.example/y\">Bad socks</a></div>"
    "<div><a class=\"r\" href=\"http://shady.example/socks\">Shady socks</a></div>"
    "<div><a class=\"r\" href=\"http://safe.example/socks\">Safe socks</a></div>"
    "</body></html>";

std::vector<std::string> Urls(const std::vector<Query>& queries) {
  std::vector<std::string> out;
  for (const Query& q : queries) out.push_back(std::to_string(q.id) + " " + q.url);
  return out;
}

class PageProcessor : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    service_ = std::make_unique<RatingService>();
    service_->Rate("search.example", {1, {}, {}, 0, false, false});
    service_->Rate("safe.example", {1, {0, 25, 2, 0}, {0, 130, 4, 0}, 0, false, false});
    service_->Rate("shady.example", {2, {1, 3, 6, 0}, {2, 11, 9, 0}, 3, true, false});
    service_->Rate("bad.example", {3, {17, 1, 2, 4}, {23, 0, 5, 1}, 40, true, true});
    service_->Rate("new.example", {0, {}, {}, 0, false, false});
    indicator_ = std::make_unique<CmdPageIndicator>(config_.get());
    indicator_->SetImage(kIndicatorImageWaiting, kCommandMaskColor);
    processor_ = std::make_unique<CmdPageProcessor>(config_.get(), indicator_.get());
  }
  void TearDown() override {
    processor_.reset();
    indicator_.reset();
    browsers_.clear();
    service_.reset();
    PluginTest::TearDown();
  }

  // Shows the page in a browser and attaches the processor to it.
  ComPtr<TestBrowser> Show(const std::string& html, const std::u16string& url = kSearchUrl) {
    page_ = Page(html, url);
    auto browser = plugin_test::MakeBrowser(page_.Get(), url);
    // The command holds no reference on its browser.
    browsers_.push_back(browser);
    processor_->Attach(nullptr, browser.Get(), nullptr);
    return browser;
  }

  // The colour of the layer after each result link, by link number; "-"
  // for a link without one.
  std::string Marks(int links = 4) {
    std::string out;
    for (int id = 1; id <= links; ++id) {
      auto layer = ById(page_.Get(), u"qv-" + quorvia::Utf8ToUtf16(std::to_string(id)));
      out += layer ? Attribute(layer.Get(), u"data-color").value_or("?") : "-";
      if (id < links) out += " ";
    }
    return out;
  }

  static std::vector<std::optional<std::u16string>> WaitingThenCleared() {
    return {u"Rating the page...", std::nullopt};
  }

  std::unique_ptr<RatingService> service_;
  std::unique_ptr<CmdPageIndicator> indicator_;
  std::unique_ptr<CmdPageProcessor> processor_;
  ComPtr<IHTMLDocument2> page_;
  std::vector<ComPtr<TestBrowser>> browsers_;
};

TEST_F(PageProcessor, IsNamedAndEnabled) {
  EXPECT_STREQ(processor_->GetName(), kCmdNamePageProcessor);
  EXPECT_TRUE(processor_->IsEnabled());
  EXPECT_EQ(processor_->GetIndicator(), indicator_.get());
  EXPECT_EQ(processor_->GetConfig(), config_.get());
}

TEST_F(PageProcessor, MarksEveryRatedResultLinkOfASearchPage) {
  auto browser = Show(kResultPage);
  processor_->Execute();

  // One request for the displayed site, one for all result links in
  // link-number order; the redirector's link is rated for the address it
  // carries.
  const auto requests = service_->Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(Urls(requests[0]), std::vector<std::string>{"0 http://search.example/find?q=shoes"});
  EXPECT_EQ(Urls(requests[1]), (std::vector<std::string>{"1 http://safe.example/shoes", "2 http://shady.example/",
                                                          "3 http://bad.example/x", "4 http://new.example/"}));

  EXPECT_EQ(indicator_->GetImageId(), kIndicatorImageSafe);
  EXPECT_EQ(indicator_->GetText(), u"This site is safe");
  EXPECT_NE(indicator_->GetBitmap(), nullptr) << "the indicator's bitmap comes from the resources";
  EXPECT_EQ(browser->status_texts, WaitingThenCleared());

  // Script at the end of the head, the style sheet, the main bubble first
  // in the body, and a layer after each result link.
  const auto scripts = ByTag(page_.Get(), u"script");
  ASSERT_EQ(scripts.size(), 1u);
  EXPECT_EQ(Attribute(scripts[0].Get(), u"src"), "res://HarbRes.dll/js/VantoryBubbles.js");
  const std::string markup = Markup(page_.Get());
  EXPECT_NE(markup.find("res://HarbRes.dll/css/quorvia_tb.css"), std::string::npos);
  EXPECT_NE(markup.find("<body><div id=\"qvMainBubble\">More|Downloads|"), std::string::npos) << markup;
  EXPECT_EQ(Marks(), "green yellow red gray");
  EXPECT_NE(markup.find(">Bad shoes</a><span class=\"qv-layer\" id=\"qv-3\""), std::string::npos) << markup;
  EXPECT_EQ(Attribute(ById(page_.Get(), u"qv-3").Get(), u"data-more"),
            "http://report.example/site?url=http://bad.example/x");

  // The ratings are cached by site.
  LinkCacheManager& cache = GetLinkCacheManager();
  for (const char16_t* url : {u"http://safe.example/other", u"http://shady.example/", u"http://bad.example/",
                              u"http://new.example/"}) {
    EXPECT_TRUE(cache.Contains(url)) << quorvia::Utf16ToUtf8(url);
  }
  EXPECT_EQ(cache.Lookup(u"http://bad.example/")->Emails, 40);
}

TEST_F(PageProcessor, SecondRunRatesTheSiteAgainAndLeavesThePageAlone) {
  auto browser = Show(kResultPage);
  processor_->Execute();
  const std::string marked = Markup(page_.Get());
  service_->Rate("search.example", {3, {}, {}, 0, false, false});

  EXPECT_EQ(processor_->ProcessSearchPage(page_.Get(), &config_->GetEngines(), CComBSTR(kSearchUrl)), S_FALSE);
  processor_->Execute();
  EXPECT_EQ(Markup(page_.Get()), marked);
  const auto requests = service_->Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(Urls(requests[2]), std::vector<std::string>{"0 http://search.example/find?q=shoes"});
  EXPECT_EQ(indicator_->GetImageId(), kIndicatorImageUnsafe);
  EXPECT_EQ(browser->status_texts.size(), 4u);
  EXPECT_EQ(browser->status_texts.back(), std::nullopt);
}

TEST_F(PageProcessor, CachedSitesCostNoRequest) {
  Show(kResultPage);
  processor_->Execute();
  ASSERT_EQ(service_->Requests().size(), 2u);

  // Another page whose results lead to the same sites: only the displayed
  // site is asked about; every link is marked from the cache.
  Show(kResultPage, u"http://search.example/find?q=boots");
  processor_->Execute();
  const auto requests = service_->Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(Urls(requests[2]), std::vector<std::string>{"0 http://search.example/find?q=boots"});
  EXPECT_EQ(Marks(), "green yellow red gray");

  // The same sites in another order: each layer carries the number of its
  // link on this page, not the one its rating was first asked under.
  Show(kReversedResultPage, u"http://search.example/find?q=socks");
  processor_->Execute();
  EXPECT_EQ(service_->Requests().size(), 4u);
  EXPECT_EQ(Marks(), "gray red yellow green");
  EXPECT_NE(Markup(page_.Get()).find(">Safe socks</a><span class=\"qv-layer\" id=\"qv-4\""), std::string::npos);
}

TEST_F(PageProcessor, OnlyTheUncachedLinksAreAskedAbout) {
  URLScanResultElement cached;
  cached.SiteRating = 3;
  GetLinkCacheManager().Store(u"http://shady.example/", cached);

  Show(kResultPage);
  processor_->Execute();
  const auto requests = service_->Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(Urls(requests[1]),
            (std::vector<std::string>{"1 http://safe.example/shoes", "3 http://bad.example/x", "4 http://new.example/"}));
  EXPECT_EQ(Marks(), "green red red gray") << "the cached rating wins for the cached site";
  EXPECT_EQ(ById(page_.Get(), u"qv-0"), nullptr);
}

TEST_F(PageProcessor, LinksTheAnswerLeavesOutStayUnmarkedAndUncached) {
  service_->Omit({2, 4});
  auto browser = Show(kResultPage);
  processor_->Execute();
  EXPECT_EQ(Marks(), "green - red -");
  EXPECT_TRUE(GetLinkCacheManager().Contains(u"http://safe.example/"));
  EXPECT_FALSE(GetLinkCacheManager().Contains(u"http://shady.example/"));
  EXPECT_FALSE(GetLinkCacheManager().Contains(u"http://new.example/"));
  EXPECT_EQ(browser->status_texts, WaitingThenCleared());
}

TEST_F(PageProcessor, FailedSiteRatingShowsUnknownAndLeavesThePage) {
  service_->FailSiteRequests(true);
  auto browser = Show(kResultPage);
  const std::string before = Markup(page_.Get());
  processor_->Execute();

  EXPECT_EQ(indicator_->GetImageId(), kIndicatorImageUnknown);
  EXPECT_EQ(indicator_->GetText(), u"Unknown link");
  EXPECT_EQ(Markup(page_.Get()), before);
  EXPECT_EQ(service_->Requests().size(), 1u);
  EXPECT_EQ(browser->status_texts, std::vector<std::optional<std::u16string>>{u"Rating the page..."});
}

TEST_F(PageProcessor, FailedLinkRatingLeavesThePreparedPageUnmarked) {
  service_->FailLinkRequests(true);
  URLScanResultElement cached;
  cached.SiteRating = 1;
  GetLinkCacheManager().Store(u"http://shady.example/", cached);

  auto browser = Show(kResultPage);
  processor_->Execute();
  EXPECT_EQ(ByTag(page_.Get(), u"script").size(), 1u);
  EXPECT_TRUE(ById(page_.Get(), u"qvMainBubble"));
  EXPECT_NE(Markup(page_.Get()).find("quorvia_tb.css"), std::string::npos);
  EXPECT_EQ(Marks(), "- - - -") << "not even the cached link is marked";
  EXPECT_EQ(browser->status_texts, std::vector<std::optional<std::u16string>>{u"Rating the page..."});
  EXPECT_EQ(indicator_->GetImageId(), kIndicatorImageSafe);
}

TEST_F(PageProcessor, PageOfAnotherSiteOnlyMovesTheIndicator) {
  service_->Rate("shop.example", {3, {}, {}, 0, false, false});
  auto browser = Show(kResultPage, u"http://shop.example/find?q=shoes");
  const std::string before = Markup(page_.Get());
  processor_->Execute();

  EXPECT_EQ(indicator_->GetImageId(), kIndicatorImageUnsafe);
  EXPECT_EQ(indicator_->GetText(), u"This site is unsafe");
  EXPECT_EQ(Markup(page_.Get()), before);
  EXPECT_EQ(service_->Requests().size(), 1u);
  EXPECT_EQ(browser->status_texts, WaitingThenCleared());
}

TEST_F(PageProcessor, IndicatorFollowsTheSiteRating) {
  struct Case {
    const char* host;
    std::optional<int> rating;  // nothing: the service has no record of the site
    std::int32_t image;
    std::u16string text;
  };
  const Case cases[] = {
      {"safe.test", 1, kIndicatorImageSafe, u"This site is safe"},
      {"unknown.test", 2, kIndicatorImageUnknown, u"This site is unknown"},
      {"unsafe.test", 3, kIndicatorImageUnsafe, u"This site is unsafe"},
      {"untested.test", 5, kIndicatorImageUntested, u"This site is untested"},
      {"zero.test", 0, kIndicatorImageUntested, u"This site is untested"},
      {"gone.test", std::nullopt, kIndicatorImageUnknown, u"Unknown link"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    if (c.rating) service_->Rate(c.host, {*c.rating, {}, {}, 0, false, false});
    const HRESULT hr = processor_->RateCurrentSite(CComBSTR(u"http://" + quorvia::Utf8ToUtf16(c.host) + u"/"));
    EXPECT_EQ(hr, c.rating ? S_OK : E_FAIL);
    EXPECT_EQ(indicator_->GetImageId(), c.image);
    EXPECT_EQ(indicator_->GetText(), c.text);
  }
}

TEST_F(PageProcessor, EmptyLanguageTextKeepsTheIndicatorText) {
  plugin_test::Texts texts = plugin_test::DefaultTexts();
  texts.erase("currentSiteDescSafe");
  WriteTexts(texts);
  Show("<html><body></body></html>", u"http://search.example/");
  processor_->Execute();
  EXPECT_EQ(indicator_->GetImageId(), kIndicatorImageSafe);
  EXPECT_EQ(indicator_->GetText(), u"Current site");
}

TEST_F(PageProcessor, DoesNothingWhileTurnedOffOrForAnUnlistedScheme) {
  struct Case {
    const char* name;
    bool turned_off;
    std::u16string url;
  };
  const Case cases[] = {
      {"turned off", true, kSearchUrl},
      {"unlisted scheme", false, u"ftp://search.example/find?q=shoes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GetConnectionManager().SetEnabled(!c.turned_off);
    auto browser = Show(kResultPage, c.url);
    const std::string before = Markup(page_.Get());
    processor_->Execute();
    EXPECT_EQ(Markup(page_.Get()), before);
    EXPECT_TRUE(browser->status_texts.empty());
    EXPECT_EQ(indicator_->GetImageId(), kIndicatorImageWaiting);
    EXPECT_TRUE(service_->Requests().empty());
  }
}

TEST_F(PageProcessor, FailingBrowserCallsStopTheRunSilently) {
  struct Case {
    const char* name;
    HRESULT TestBrowser::*call;
    bool no_document;
  };
  const Case cases[] = {
      {"document fails", &TestBrowser::document_result, false},
      {"no document", nullptr, true},
      {"address fails", &TestBrowser::location_result, false},
      {"status text fails", &TestBrowser::status_result, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto browser = Show(kResultPage);
    const std::string before = Markup(page_.Get());
    if (c.call != nullptr) (*browser).*(c.call) = E_ACCESSDENIED;
    if (c.no_document) browser->document = nullptr;
    processor_->Execute();
    EXPECT_EQ(Markup(page_.Get()), before);
    EXPECT_TRUE(browser->status_texts.empty());
    EXPECT_TRUE(service_->Requests().empty());
    EXPECT_EQ(indicator_->GetImageId(), kIndicatorImageWaiting);
  }
  CmdPageProcessor unattached(config_.get(), indicator_.get());
  unattached.Execute();
  EXPECT_TRUE(service_->Requests().empty());
}

TEST_F(PageProcessor, WithoutAnIndicatorTheSiteIsNotAsked) {
  CmdPageProcessor processor(config_.get(), nullptr);
  page_ = Page(kResultPage, kSearchUrl);
  auto browser = plugin_test::MakeBrowser(page_.Get(), kSearchUrl);
  processor.Attach(nullptr, browser.Get(), nullptr);
  processor.Execute();

  const auto requests = service_->Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].size(), 4u);
  EXPECT_EQ(Marks(), "green yellow red gray");
  EXPECT_EQ(browser->status_texts, WaitingThenCleared());
}

TEST_F(PageProcessor, BadLayerTemplateLeavesLinksUnmarkedAndFinishesThePage) {
  plugin_test::Settings settings = plugin_test::DefaultSettings();
  settings["infolayerHTML"] = "<span id=\"qv-%d\">%d</span>";
  WriteConfig(settings);
  CmdPageProcessor processor(config_.get(), indicator_.get());
  page_ = Page(kResultPage, kSearchUrl);
  auto browser = plugin_test::MakeBrowser(page_.Get(), kSearchUrl);
  processor.Attach(nullptr, browser.Get(), nullptr);
  processor.Execute();

  EXPECT_EQ(Marks(), "- - - -");
  EXPECT_EQ(Markup(page_.Get()).find("Invalid message format"), std::string::npos);
  EXPECT_TRUE(ById(page_.Get(), u"qvMainBubble"));
  EXPECT_TRUE(GetLinkCacheManager().Contains(u"http://bad.example/")) << "the ratings are still cached";
  EXPECT_EQ(browser->status_texts, WaitingThenCleared());
}

TEST_F(PageProcessor, SearchPageOperationRefusesWhatItCannotWorkOn) {
  page_ = Page(kResultPage, kSearchUrl);
  const std::string before = Markup(page_.Get());
  EXPECT_EQ(processor_->ProcessSearchPage(page_.Get(), &config_->GetEngines(), CComBSTR(u"http://shop.example/find?q=x")),
            S_FALSE);
  EXPECT_EQ(processor_->ProcessSearchPage(nullptr, &config_->GetEngines(), CComBSTR(kSearchUrl)), E_POINTER);
  EXPECT_EQ(processor_->ProcessSearchPage(page_.Get(), nullptr, CComBSTR(kSearchUrl)), E_POINTER);
  EXPECT_EQ(Markup(page_.Get()), before);

  // A result page without result links is prepared all the same.
  auto empty = Page("<html><body><a href=\"/\">home</a></body></html>", kSearchUrl);
  EXPECT_EQ(processor_->ProcessSearchPage(empty.Get(), &config_->GetEngines(), CComBSTR(kSearchUrl)), S_OK);
  EXPECT_TRUE(ById(empty.Get(), u"qvMainBubble"));
  EXPECT_TRUE(service_->Requests().empty());
}

}  // namespace
