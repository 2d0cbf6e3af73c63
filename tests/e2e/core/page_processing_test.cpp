// The core end to end: the page processor with the product's own
// configuration and English language document (as the build lays them out
// beside the libraries), on the saved result pages of real search engines
// and the sample pages of data/pages, against the reference rating service
// (quorvia-rating-service) on a loopback port with a small ratings
// database. A recording proxy in front of the service counts the requests
// and makes chosen ones fail.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/links/links_manager.h"
#include "core/links/xml_setting.h"
#include "core/plugin/cmd_page_indicator.h"
#include "core/plugin/cmd_page_processor.h"
#include "core/rating/rating_endpoint.h"
#include "core/rating/rating_globals.h"
#include "core/support/language.h"
#include "platform/com/bstr.h"
#include "platform/text/convert.h"
#include "tests/core/plugin/support/plugin_test_support.h"
#include "tests/support/page_probe.h"
#include "tests/support/rating_service_process.h"
#include "tests/support/result_pages.h"

namespace {

using namespace quorvia_test;
using quorvia::Utf16ToUtf8;
using quorvia::Utf8ToUtf16;

// ---- the ratings database ---------------------------------------------------

struct Rating {
  int site = 0;  // SiteRating
  int downloads[3] = {0, 0, 0};  // red, green, yellow
  int links[3] = {0, 0, 0};
  int emails = 0;
  bool popups = false;
  bool exploits = false;
};

// The sites the service knows; every other site is untested (rating 0).
const std::map<std::string, Rating>& Ratings() {
  static const std::map<std::string, Rating> ratings = {
      // The result pages' own sites.
      {"www.google.com", {1}},
      {"www.bing.com", {1}},
      {"duckduckgo.com", {1}},
      {"search.lantern.example", {2}},
      {"www.kestrel.example", {3}},
      // Result sites.
      {"keywordtool.io", {1, {0, 25, 2}, {0, 130, 4}, 0, false, false}},
      {"support.smartbear.com", {1, {0, 8, 1}, {0, 40, 2}, 0, false, false}},
      {"en.wikipedia.org", {1, {0, 3, 0}, {1, 900, 12}, 0, false, false}},
      {"www.guru99.com", {2, {1, 3, 6}, {2, 11, 9}, 3, true, false}},
      {"kwfinder.com", {3, {17, 1, 2}, {23, 0, 5}, 40, true, true}},
      {"www.semrush.com", {3, {4, 0, 1}, {9, 2, 2}, 12, false, true}},
      {"fr.semrush.com", {2, {0, 0, 4}, {0, 3, 7}, 0, true, false}},
      {"www.harbourtours.example", {1, {0, 2, 0}, {0, 14, 1}, 0, false, false}},
      {"ferry.example", {2, {0, 1, 1}, {0, 5, 3}, 1, false, false}},
      // Negative counts as a faulty database might hold them.
      {"old-pier.example", {3, {-5, 1, 2}, {4, -1, 5}, -5, false, true}},
      {"www.nighttrains.example", {1, {0, 6, 0}, {0, 60, 1}, 0, false, false}},
      {"www.sleeper-tickets.example", {2, {0, 0, 3}, {1, 4, 4}, 2, true, false}},
      {"www.trick.example", {3, {30, 0, 0}, {50, 0, 2}, 900, true, true}},
  };
  return ratings;
}

std::string RatingsCsv() {
  std::string csv =
      "host,SiteRating,DownloadsRed,DownloadsGreen,DownloadsYellow,DownloadsBlack,"
      "LinksRed,LinksGreen,LinksYellow,LinksBlack,Emails,Popups,BrowserExploits,desc\n";
  for (const auto& [host, r] : Ratings()) {
    csv += host + "," + std::to_string(r.site) + "," + std::to_string(r.downloads[0]) + "," +
           std::to_string(r.downloads[1]) + "," + std::to_string(r.downloads[2]) + ",0," +
           std::to_string(r.links[0]) + "," + std::to_string(r.links[1]) + "," + std::to_string(r.links[2]) +
           ",0," + std::to_string(r.emails) + "," + (r.popups ? "true" : "false") + "," +
           (r.exploits ? "true" : "false") + ",\n";
  }
  return csv;
}

// The site an address is rated by: its host, in lower case, without port.
std::string HostOf(const std::string& url) {
  std::size_t start = url.find("://");
  start = start == std::string::npos ? 0 : start + 3;
  std::string host = url.substr(start, url.find_first_of("/?#", start) - start);
  host = host.substr(0, host.find(':'));
  for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return host;
}

Rating RatingOf(const std::string& url) {
  const auto found = Ratings().find(HostOf(url));
  return found == Ratings().end() ? Rating{} : found->second;
}

// ---- what the product shows, from its own documents --------------------------

std::string Text(const char16_t* key) { return Utf16ToUtf8(Language::Instance()->FindText(key)); }

struct Expected {
  const char* colour;
  const char* icon;
  const char16_t* description;
};

Expected ExpectedFor(int site_rating) {
  switch (site_rating) {
    case 1: return {"green", "res://HarbRes.dll/gif/green_icon.gif", u"siteDescSafe"};
    case 2: return {"yellow", "res://HarbRes.dll/gif/yellow_icon.gif", u"siteDescUnknown"};
    case 3: return {"red", "res://HarbRes.dll/gif/red_icon.gif", u"siteDescUnSafe"};
    default: return {"gray", "res://HarbRes.dll/gif/gray_icon.gif", u"siteDescUnTested"};
  }
}

std::pair<std::int32_t, const char16_t*> IndicatorFor(int site_rating) {
  switch (site_rating) {
    case 1: return {kIndicatorImageSafe, u"currentSiteDescSafe"};
    case 2: return {kIndicatorImageUnknown, u"currentSiteDescUnknown"};
    case 3: return {kIndicatorImageUnsafe, u"currentSiteDescUnSafe"};
    default: return {kIndicatorImageUntested, u"currentSiteDescUnTested"};
  }
}

std::string Counts(const int (&counts)[3]) {
  std::string out;
  for (int count : counts) out += " " + std::to_string(count < 0 ? 0 : count);
  return out;
}

std::vector<std::string> Describe(const std::vector<ScanQuery>& queries) {
  std::vector<std::string> out;
  for (const ScanQuery& query : queries) out.push_back(std::to_string(query.id) + " " + query.url);
  return out;
}

// Records every image the indicator shows, in order.
class ImageLog : public CommandObserverI {
 public:
  explicit ImageLog(CommandI& command) : command_(command) {}
  void EnabledChanged() override {}
  void ImageChanged() override { images.push_back(command_.GetImageId()); }
  void TooltipChanged() override {}
  void TextChanged() override {}
  void SelectionChanged() override {}
  void CheckedChanged() override {}

  std::vector<std::int32_t> images;

 private:
  CommandI& command_;
};

// ---- the fixture ------------------------------------------------------------------

// The service runs for the whole program; every test gets a fresh settings
// store, on/off switch and link cache (PluginTest), the product's documents,
// a new proxy in front of the service and new commands.
class CorePages : public plugin_test::PluginTest {
 protected:
  static void SetUpTestSuite() {
    std::string folder = (std::filesystem::temp_directory_path() / "quorvia-e2e-service-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    service_folder_ = new std::string(folder);
    ::unsetenv(rating::kNamespaceVariable);  // client and service use the built-in namespace
    std::string error;
    service_ = RatingServiceProcess::Start(folder, RatingsCsv(), error).release();
    ASSERT_NE(service_, nullptr) << error;
  }
  static void TearDownTestSuite() {
    if (service_) {
      EXPECT_EQ(service_->Stop(), 0);
    }
    delete service_;
    service_ = nullptr;
    std::error_code ignored;
    if (service_folder_) std::filesystem::remove_all(*service_folder_, ignored);
    delete service_folder_;
    service_folder_ = nullptr;
  }

  void SetUp() override {
    PluginTest::SetUp();
    ASSERT_NE(service_, nullptr);
    // The product's documents where the build puts them, beside the libraries.
    const char* bin = std::getenv("QUORVIA_TEST_BIN");
    const std::string folder = std::string(bin && *bin ? bin : QUORVIA_OUTPUT_DIR) + "/";
    Language::SetBaseFolder(Utf8ToUtf16(folder));
    Language::Instance()->Load();
    ASSERT_EQ(Text(u"display"), "English");
    config_ = std::make_unique<CXmlSetting>(Utf8ToUtf16(folder + "libQuorviaIE.so"));
    ASSERT_EQ(config_->LoadDocument(), S_OK);
    ASSERT_EQ(config_->GetEngines().GetCount(), 5u);

    logged_before_ = service_->LoggedRequests().size();
    proxy_ = std::make_unique<ServiceProxy>(service_->Endpoint());
    ::setenv(rating::kEndpointVariable, proxy_->Endpoint().c_str(), 1);
    indicator_ = std::make_unique<CmdPageIndicator>(config_.get());
    images_ = std::make_unique<ImageLog>(*indicator_);
    indicator_->AddObserver(images_.get());
    processor_ = std::make_unique<CmdPageProcessor>(config_.get(), indicator_.get());
  }

  void TearDown() override {
    // What reached the proxy reached the service.
    if (proxy_ && service_) {
      const std::size_t count = proxy_->ForwardedCount();
      EXPECT_TRUE(service_->WaitForLoggedRequests(logged_before_ + count));
      EXPECT_EQ(service_->LoggedRequests().size(), logged_before_ + count);
    }
    processor_.reset();
    if (indicator_) indicator_->RemoveObserver(images_.get());
    indicator_.reset();
    images_.reset();
    browsers_.clear();
    proxy_.reset();
    ::unsetenv(rating::kEndpointVariable);
    PluginTest::TearDown();
  }

  // Shows the page in a new browser window and attaches the processor.
  quorvia::ComPtr<IHTMLDocument2> Show(const std::string& markup, const std::u16string& url) {
    auto document = ParsePage(markup, url);
    EXPECT_TRUE(document);
    auto browser = plugin_test::MakeBrowser(document.Get(), url);
    browsers_.push_back(browser);
    processor_->Attach(nullptr, browser.Get(), nullptr);
    return document;
  }
  quorvia::ComPtr<IHTMLDocument2> Show(const ResultPage& page) {
    return Show(ReadWholeFile(page.path), page.url);
  }
  plugin_test::TestBrowser& Browser() { return *browsers_.back().Get(); }

  // The result links of the page as the engine picks them, numbered 1, 2,
  // ... (taken before the page changes: the marks bring links of their own).
  std::vector<quorvia::ComPtr<IHTMLElement>> ResultLinks(IHTMLDocument2* document, const ResultPage& page) {
    std::vector<quorvia::ComPtr<IHTMLElement>> out;
    const SearchEngineRecord* engine = config_->GetEngines().FindEngine(page.url);
    EXPECT_NE(engine, nullptr);
    if (!engine) return out;
    quorvia::ComPtr<IHTMLElementCollection> links;
    EXPECT_EQ(document->get_links(&links), S_OK);
    CLinksManager manager;
    EXPECT_EQ(manager.CollectLinks(links.Get(), engine->matchers.get()), S_OK);
    for (LONG number = 1; number <= manager.GetLastNumber(); ++number) {
      quorvia::ComPtr<IHTMLElement> element;
      manager.Lookup(number)->element.As(&element);
      out.push_back(element);
    }
    EXPECT_EQ(out.size(), page.results.size());
    return out;
  }

  std::string Base() const { return Utf16ToUtf8(config_->GetSetting(u"BaseURL")); }

  std::vector<std::optional<std::u16string>> WaitingThenCleared() const {
    return {Language::Instance()->FindText(u"statusWaiting"), std::nullopt};
  }
  std::vector<std::optional<std::u16string>> WaitingOnly() const {
    return {Language::Instance()->FindText(u"statusWaiting")};
  }

  // Checks everything a processed result page must show; the page's
  // result links were taken with ResultLinks before processing.
  // had_head: whether the page had a head before it was processed.
  void ExpectProcessed(IHTMLDocument2* document, const ResultPage& page,
                       const std::vector<quorvia::ComPtr<IHTMLElement>>& links, bool had_head);
  static RatingServiceProcess* service_;
  static std::string* service_folder_;

  std::size_t logged_before_ = 0;
  std::unique_ptr<ServiceProxy> proxy_;
  std::unique_ptr<CmdPageIndicator> indicator_;
  std::unique_ptr<ImageLog> images_;
  std::unique_ptr<CmdPageProcessor> processor_;
  std::vector<quorvia::ComPtr<plugin_test::TestBrowser>> browsers_;
};
RatingServiceProcess* CorePages::service_ = nullptr;
std::string* CorePages::service_folder_ = nullptr;

void CorePages::ExpectProcessed(IHTMLDocument2* document, const ResultPage& page,
                                const std::vector<quorvia::ComPtr<IHTMLElement>>& links, bool had_head) {
  // The bubble script: deferred, the last child of the head, or of the body
  // on a page without a head (the style sheet's link makes a head for it).
  auto container = had_head ? FirstByTag(document, u"head") : Body(document);
  auto children = ChildrenByTag(container.Get(), u"*");
  ASSERT_FALSE(children.empty());
  auto script = children.back();
  EXPECT_EQ(TagName(script.Get()), "SCRIPT");
  EXPECT_EQ(Attribute(script.Get(), u"src"), "res://HarbRes.dll/js/VantoryBubbles.js");
  EXPECT_NE(Attribute(script.Get(), u"defer"), "<none>");

  // The style sheet first among the page's style sheets.
  std::vector<std::string> sheets;
  for (const auto& element : AllByTag(document, u"*")) {
    const std::string tag = TagName(element.Get());
    if (tag == "STYLE") sheets.push_back("style");
    if (tag == "LINK" && Attribute(element.Get(), u"rel") == "stylesheet") {
      sheets.push_back(Attribute(element.Get(), u"href"));
    }
  }
  ASSERT_FALSE(sheets.empty());
  EXPECT_EQ(sheets.front(), "res://HarbRes.dll/css/quorvia_tb.css");
  EXPECT_EQ(std::count(sheets.begin(), sheets.end(), sheets.front()), 1);

  // The main bubble first in the body, every placeholder replaced by the
  // language's heading.
  auto bubble = FirstChild(Body(document).Get());
  ASSERT_TRUE(bubble);
  EXPECT_EQ(Attribute(bubble.Get(), u"id"), Utf16ToUtf8(config_->GetSetting(u"MainBubbleSpanID")));
  const std::string bubble_markup = OuterHtml(bubble.Get());
  EXPECT_EQ(bubble_markup.find('%'), std::string::npos) << bubble_markup;
  std::vector<std::string> headings;
  for (const auto& heading : ChildrenByTag(bubble.Get(), u"span")) headings.push_back(InnerText(heading.Get()));
  EXPECT_EQ(headings, (std::vector<std::string>{Text(u"scriptMoreInfo"), Text(u"scriptDownloads"),
                                                Text(u"scriptLinks"), Text(u"scriptSpam"),
                                                Text(u"scriptExploits")}));

  // Each result link directly followed by its mark.
  ASSERT_EQ(links.size(), page.results.size());
  for (std::size_t i = 0; i < links.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    const std::string& url = page.results[i];
    SCOPED_TRACE("link " + n + " " + url);
    const Rating rating = RatingOf(url);
    const Expected expected = ExpectedFor(rating.site);

    auto mark = NextElement(links[i].Get());
    ASSERT_TRUE(mark);
    EXPECT_EQ(Attribute(mark.Get(), u"id"), "qvh-mark-" + n);
    EXPECT_EQ(Attribute(mark.Get(), u"class"), std::string("qvh-mark qvh-") + expected.colour);
    EXPECT_EQ(Attribute(mark.Get(), u"data-more"), Base() + url);

    auto icon = ElementById(document, Utf8ToUtf16("qvh-icon-" + n));
    ASSERT_TRUE(icon);
    EXPECT_TRUE(SameElement(Parent(icon.Get()).Get(), mark.Get()));
    EXPECT_EQ(Attribute(icon.Get(), u"src"), expected.icon);
    EXPECT_EQ(Attribute(icon.Get(), u"title"), Text(expected.description));

    auto layer = ElementById(document, Utf8ToUtf16("qvh-layer-" + n));
    ASSERT_TRUE(layer);
    EXPECT_TRUE(SameElement(Parent(layer.Get()).Get(), mark.Get()));
    auto rows = ChildrenByTag(layer.Get(), u"span");
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(InnerText(rows[0].Get()), Counts(rating.downloads));
    EXPECT_EQ(InnerText(ElementById(document, Utf8ToUtf16("qvh-links-" + n)).Get()), Counts(rating.links));
    EXPECT_EQ(Attribute(ElementById(document, Utf8ToUtf16("qvh-spam-" + n)).Get(), u"data-count"),
              std::to_string(rating.emails));
    const bool gray = std::string(expected.colour) == "gray";
    const auto answer = [&](bool value) { return Text(gray ? u"unknown" : value ? u"yes" : u"no"); };
    EXPECT_EQ(InnerText(ElementById(document, Utf8ToUtf16("qvh-spam-text-" + n)).Get()), answer(rating.emails != 0));
    EXPECT_EQ(InnerText(ElementById(document, Utf8ToUtf16("qvh-popups-text-" + n)).Get()), answer(rating.popups));
    EXPECT_EQ(InnerText(ElementById(document, Utf8ToUtf16("qvh-exploits-text-" + n)).Get()),
              answer(rating.exploits));
    EXPECT_EQ(Attribute(ElementById(document, Utf8ToUtf16("qvh-popups-" + n)).Get(), u"data-flag"),
              rating.popups ? "1" : "0");
    EXPECT_EQ(Attribute(ElementById(document, Utf8ToUtf16("qvh-more-" + n)).Get(), u"href"), Base() + url);
  }
  // No mark beyond the result links.
  EXPECT_FALSE(ElementById(document, Utf8ToUtf16("qvh-mark-" + std::to_string(links.size() + 1))));

  // The indicator went to "waiting", then to the site's rating.
  const auto [image, text_key] = IndicatorFor(RatingOf(Utf16ToUtf8(page.url)).site);
  EXPECT_EQ(images_->images, (std::vector<std::int32_t>{kIndicatorImageWaiting, image}));
  EXPECT_EQ(Utf16ToUtf8(indicator_->GetText()), Text(text_key));
}

// ---- result pages -------------------------------------------------------------------

class SearchPages : public CorePages, public ::testing::WithParamInterface<ResultPage> {};

// A page is processed once: one request about the site, one about all its
// result links in page order, every link marked. Running again on the same
// page rates the site again and changes nothing.
TEST_P(SearchPages, MarksEveryResultLinkOnceAndRatesTheSiteEachTime) {
  const ResultPage& page = GetParam();
  auto document = Show(page);
  const std::string before = Serialize(document.Get());
  const auto links = ResultLinks(document.Get(), page);
  const bool had_head = FirstByTag(document.Get(), u"head") != nullptr;

  processor_->Execute();

  const auto requests = proxy_->Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(Describe(requests[0]), std::vector<std::string>{"0 " + Utf16ToUtf8(page.url)});
  std::vector<std::string> asked;
  for (std::size_t i = 0; i < page.results.size(); ++i) asked.push_back(std::to_string(i + 1) + " " + page.results[i]);
  EXPECT_EQ(Describe(requests[1]), asked);
  ExpectProcessed(document.Get(), page, links, had_head);
  EXPECT_EQ(Browser().status_texts, WaitingThenCleared());

  // Everything added is the product's: the page's own content is intact
  // apart from the insertions.
  const std::string after = Serialize(document.Get());
  EXPECT_GT(after.size(), before.size());

  images_->images.clear();
  processor_->Execute();
  EXPECT_EQ(Serialize(document.Get()), after);
  ASSERT_EQ(proxy_->RequestCount(), 3u);
  EXPECT_EQ(Describe(proxy_->Requests()[2]), std::vector<std::string>{"0 " + Utf16ToUtf8(page.url)});
  const auto [image, text_key] = IndicatorFor(RatingOf(Utf16ToUtf8(page.url)).site);
  EXPECT_EQ(images_->images, (std::vector<std::int32_t>{kIndicatorImageWaiting, image}));
  EXPECT_EQ(Browser().status_texts.size(), 4u);
}

// The same page loaded again, all its result sites now in the link cache:
// only the site is asked about, and every link is marked as before.
TEST_P(SearchPages, CachedResultSitesCostNoRequest) {
  const ResultPage& page = GetParam();
  auto first = Show(page);
  processor_->Execute();
  ASSERT_EQ(proxy_->RequestCount(), 2u);
  const std::string marked = Serialize(first.Get());

  auto again = Show(page);
  const auto links = ResultLinks(again.Get(), page);
  const bool had_head = FirstByTag(again.Get(), u"head") != nullptr;
  images_->images.clear();
  processor_->Execute();

  const auto requests = proxy_->Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(Describe(requests[2]), std::vector<std::string>{"0 " + Utf16ToUtf8(page.url)});
  ExpectProcessed(again.Get(), page, links, had_head);
  EXPECT_EQ(Serialize(again.Get()), marked);
  EXPECT_EQ(Browser().status_texts, WaitingThenCleared());
}

INSTANTIATE_TEST_SUITE_P(Pages, SearchPages, ::testing::ValuesIn(ResultPages().begin(), ResultPages().end()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- failures and pages left alone ----------------------------------------------------

struct FailureCase {
  const char* name;
  ServiceProxy::Failure failure;
};
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }
const FailureCase kFailures[] = {{"Fault", ServiceProxy::Failure::kFault}, {"NoAnswer", ServiceProxy::Failure::kDrop}};

class ServiceFailures : public CorePages, public ::testing::WithParamInterface<FailureCase> {};

// The site cannot be rated: "unknown" on the indicator, the page untouched,
// the waiting text left in the status bar.
TEST_P(ServiceFailures, ForTheDisplayedSite) {
  proxy_->FailSiteRequests(GetParam().failure);
  const ResultPage& page = FindResultPage("google");
  auto document = Show(page);
  const std::string before = Serialize(document.Get());

  processor_->Execute();

  EXPECT_EQ(proxy_->RequestCount(), 1u);
  EXPECT_EQ(images_->images, (std::vector<std::int32_t>{kIndicatorImageWaiting, kIndicatorImageUnknown}));
  EXPECT_EQ(Utf16ToUtf8(indicator_->GetText()), Text(u"siteDescUnknown"));
  EXPECT_EQ(Serialize(document.Get()), before);
  EXPECT_EQ(Browser().status_texts, WaitingOnly());
}

// The links cannot be rated: the page has the script, the style sheet and
// the main bubble, but no link is marked; nothing was cached.
TEST_P(ServiceFailures, ForTheResultLinks) {
  proxy_->FailLinkRequests(GetParam().failure);
  const ResultPage& page = FindResultPage("lantern");
  auto document = Show(page);

  processor_->Execute();

  EXPECT_EQ(proxy_->RequestCount(), 2u);
  EXPECT_EQ(images_->images, (std::vector<std::int32_t>{kIndicatorImageWaiting, kIndicatorImageUnknown}));
  EXPECT_EQ(Utf16ToUtf8(indicator_->GetText()), Text(u"currentSiteDescUnknown"));
  EXPECT_TRUE(ElementById(document.Get(), config_->GetSetting(u"MainBubbleSpanID")));
  bool script = false;
  for (const auto& element : AllByTag(document.Get(), u"script")) {
    script = script || Attribute(element.Get(), u"src") == "res://HarbRes.dll/js/VantoryBubbles.js";
  }
  EXPECT_TRUE(script);
  bool sheet = false;
  for (const auto& element : AllByTag(document.Get(), u"link")) {
    sheet = sheet || Attribute(element.Get(), u"href") == "res://HarbRes.dll/css/quorvia_tb.css";
  }
  EXPECT_TRUE(sheet);
  EXPECT_EQ(Serialize(document.Get()).find("qvh-mark"), std::string::npos);
  EXPECT_EQ(Browser().status_texts, WaitingOnly());
  for (const std::string& url : page.results) EXPECT_FALSE(GetLinkCacheManager().Contains(Utf8ToUtf16(url))) << url;
}

INSTANTIATE_TEST_SUITE_P(Service, ServiceFailures, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// Turned off, or a page whose scheme is not a listed one: no request, the
// page, the indicator and the status bar as they were.
TEST_F(CorePages, PagesLeftAlone) {
  const ResultPage& page = FindResultPage("kestrel");
  struct Case {
    const char* name;
    std::u16string url;
    bool enabled;
  } cases[] = {
      {"turned off", page.url, false},
      {"scheme not listed", u"ftp://www.kestrel.example/search?q=night+trains", true},
      {"scheme that only begins like a listed one", u"httpx://www.kestrel.example/search?q=night+trains", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(config_->GetEngines().FindEngine(c.url), nullptr) << "the engine would take the page";
    GetConnectionManager().SetEnabled(c.enabled);
    auto document = Show(ReadWholeFile(page.path), c.url);
    const std::string before = Serialize(document.Get());
    const std::u16string text = indicator_->GetText();

    processor_->Execute();

    EXPECT_EQ(Serialize(document.Get()), before);
    EXPECT_TRUE(Browser().status_texts.empty());
    EXPECT_TRUE(images_->images.empty());
    EXPECT_EQ(indicator_->GetText(), text);
  }
  EXPECT_EQ(proxy_->RequestCount(), 0u);
}

// A result link whose address carries markup: the page model hands it out
// percent-encoded where a browser would ("><script> itself), but character
// references written into the address survive as text. Marked, the
// address reads back exactly as the page gave it, and the page gains no
// element but the product's.
TEST_F(CorePages, MarkupInALinkAddressStaysText) {
  const ResultPage& page = FindResultPage("kestrel");
  auto document = Show(page);
  const auto links = ResultLinks(document.Get(), page);
  const std::size_t scripts = AllByTag(document.Get(), u"script").size();
  const std::size_t elements = AllByTag(document.Get(), u"*").size();

  processor_->Execute();

  constexpr std::size_t kTrick = 5;  // link 6
  const std::string url = Href(links[kTrick].Get());
  ASSERT_EQ(url, page.results[kTrick]);
  ASSERT_NE(url.find("%22%3E%3Cscript%3E"), std::string::npos);
  ASSERT_NE(url.find("&quot;&gt;&lt;script&gt;"), std::string::npos);
  auto mark = NextElement(links[kTrick].Get());
  ASSERT_TRUE(mark);
  EXPECT_EQ(Attribute(mark.Get(), u"class"), "qvh-mark qvh-red");
  EXPECT_EQ(Attribute(mark.Get(), u"data-more"), Base() + url);
  EXPECT_EQ(Attribute(ElementById(document.Get(), u"qvh-more-6").Get(), u"href"), Base() + url);

  // Only the bubble script is new; every other new element belongs to the
  // style sheet link, the main bubble or a mark.
  EXPECT_EQ(AllByTag(document.Get(), u"script").size(), scripts + 1);
  std::size_t added = 2 + 1 + DescendantsByTag(FirstChild(Body(document.Get()).Get()).Get(), u"*").size();
  for (std::size_t i = 0; i < links.size(); ++i) {
    added += 1 + DescendantsByTag(NextElement(links[i].Get()).Get(), u"*").size();
  }
  EXPECT_EQ(AllByTag(document.Get(), u"*").size(), elements + added);
}

}  // namespace
