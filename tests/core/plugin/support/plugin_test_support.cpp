#include "tests/core/plugin/support/plugin_test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

#include "core/rating/connection_manager.h"
#include "core/rating/link_cache_manager.h"
#include "core/rating/rating_endpoint.h"
#include "core/rating/rating_globals.h"
#include "core/support/language.h"
#include "platform/com/bstr.h"
#include "platform/com/variant.h"
#include "platform/html/html_document.h"
#include "platform/text/convert.h"

// ---- the core's process-wide rating objects ----------------------------------
//
// The core library builds these while it loads. A test program makes them
// itself, after its fixture has chosen a settings store, and anew for every
// test.

namespace {

std::unique_ptr<ConnectionManager>& ConnectionSlot() {
  static std::unique_ptr<ConnectionManager> slot;
  return slot;
}

std::unique_ptr<LinkCacheManager>& CacheSlot() {
  static std::unique_ptr<LinkCacheManager> slot;
  return slot;
}

}  // namespace

ConnectionManager& GetConnectionManager() {
  auto& slot = ConnectionSlot();
  if (!slot) slot = std::make_unique<ConnectionManager>();
  return *slot;
}

LinkCacheManager& GetLinkCacheManager() {
  auto& slot = CacheSlot();
  if (!slot) slot = std::make_unique<LinkCacheManager>();
  return *slot;
}

namespace plugin_test {

using quorvia::ComPtr;

namespace {

constexpr char kNamespace[] = "http://rating.test/ns/";
constexpr char kServicePath[] = "/orbisite/OSTBService.php";

std::string MakeTemp(const char* pattern) {
  std::string path = (std::filesystem::temp_directory_path() / pattern).string();
  EXPECT_NE(::mkdtemp(path.data()), nullptr);
  return path;
}

std::string EscapeXml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c; break;
    }
  }
  return out;
}

std::string UnescapeXml(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    const std::size_t end = text.find(';', i);
    const std::string entity = text.substr(i + 1, end - i - 1);
    if (entity == "amp") out += '&';
    else if (entity == "lt") out += '<';
    else if (entity == "gt") out += '>';
    else if (entity == "quot") out += '"';
    else if (entity == "apos") out += '\'';
    else if (!entity.empty() && entity[0] == '#') {
      const char32_t code = static_cast<char32_t>(entity.size() > 1 && entity[1] == 'x'
                                                      ? std::strtoul(entity.c_str() + 2, nullptr, 16)
                                                      : std::strtoul(entity.c_str() + 1, nullptr, 10));
      out += quorvia::Utf16ToUtf8(code < 0x10000 ? std::u16string(1, static_cast<char16_t>(code))
                                                 : std::u16string{static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)),
                                                                  static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF))});
    }
    i = end;
  }
  return out;
}

std::string HostOf(const std::string& url) {
  std::size_t start = url.find("://");
  start = start == std::string::npos ? 0 : start + 3;
  return url.substr(start, url.find('/', start) - start);
}

std::string Http(int status, const std::string& reason, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason +
         "\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
         body;
}

std::string Envelope(const std::string& content) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
         "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">"
         "<soap:Body>" +
         content + "</soap:Body></soap:Envelope>";
}

std::string Counters(const RatingStruct& r) {
  return "<Red>" + std::to_string(r.Red) + "</Red><Green>" + std::to_string(r.Green) + "</Green><Yellow>" +
         std::to_string(r.Yellow) + "</Yellow><Black>" + std::to_string(r.Black) + "</Black>";
}

std::string Record(int id, const SiteRating& s) {
  return "<URLScanResultElement><id>" + std::to_string(id) + "</id><SiteRating>" + std::to_string(s.rating) +
         "</SiteRating><Downloads>" + Counters(s.downloads) + "</Downloads><Links>" + Counters(s.links) +
         "</Links><Emails>" + std::to_string(s.emails) + "</Emails><Popups>" + (s.popups ? "true" : "false") +
         "</Popups><BrowserExploits>" + (s.exploits ? "true" : "false") +
         "</BrowserExploits><desc>rated</desc></URLScanResultElement>";
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

}  // namespace

// ---- configuration and language ----------------------------------------------

const char kInfoLayer[] =
    "<span class=\"qv-layer\" id=\"qv-%d\" data-more=\"%s\" data-color=\"%s\" data-desc=\"%s\" data-icon=\"%s\" "
    "data-args=\"%d|%d|%d|%d|%d|%d|%d|%d|%d|%d|%d|%d|%s|%d|%d|%d|%s|%d|%d|%d|%s|%d\">%s</span>";

const char kEngines[] =
    "<se id=\"search-example\">"
    "<url-regexps><regexp value=\"://search\\.example/find\\?\"/></url-regexps>"
    "<results-matchers>"
    "<sm type=\"0\" value=\"r\"/>"
    "<sm type=\"2\" value=\"rr\" regexp=\"[?&amp;]u={[^&amp;]+}\"/>"
    "</results-matchers>"
    "</se>";

Settings DefaultSettings() {
  return {
      {"BaseURL", "http://report.example/site?url="},
      {"URIScheme", "http:,https:"},
      {"MainBubbleSpanID", "qvMainBubble"},
      {"MainBubbleHTML",
       "<div id=\"qvMainBubble\">%MOREINFO%|%DOWNLOADS%|%LINKS%|%SPAM%|%EXPLOITS%|%SPAM%|%spam%</div>"},
      {"infolayerHTML", kInfoLayer},
  };
}

Texts DefaultTexts() {
  return {
      {"cmdIdIndicator", "Current site"},
      {"currentSiteDescSafe", "This site is safe"},
      {"currentSiteDescUnknown", "This site is unknown"},
      {"currentSiteDescUnSafe", "This site is unsafe"},
      {"currentSiteDescUnTested", "This site is untested"},
      {"siteDescSafe", "Safe link"},
      {"siteDescUnknown", "Unknown link"},
      {"siteDescUnSafe", "Unsafe link"},
      {"siteDescUnTested", "Untested link"},
      {"statusWaiting", "Rating the page..."},
      {"scriptMoreInfo", "More"},
      {"scriptDownloads", "Downloads"},
      {"scriptLinks", "Links"},
      {"scriptSpam", "Spam"},
      {"scriptExploits", "Exploits"},
      {"unknown", "n/a"},
      {"yes", "Yes"},
      {"no", "No"},
  };
}

void PluginTest::SetUp() {
  home_ = MakeTemp("quorvia-plugin-home-XXXXXX");
  folder_ = MakeTemp("quorvia-plugin-docs-XXXXXX") + "/";
  ::setenv("QUORVIA_HOME", home_.c_str(), 1);
  ConnectionSlot().reset();
  CacheSlot().reset();
  Language::SetBaseFolder(quorvia::Utf8ToUtf16(folder_));
  WriteTexts(DefaultTexts());
  WriteConfig(DefaultSettings());
}

void PluginTest::TearDown() {
  config_.reset();
  retired_configs_.clear();
  ConnectionSlot().reset();
  CacheSlot().reset();
  ::unsetenv("QUORVIA_HOME");
  std::error_code ec;
  std::filesystem::remove_all(home_, ec);
  std::filesystem::remove_all(folder_, ec);
}

void PluginTest::WriteConfig(const Settings& settings, const std::string& engines) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<config><settings>";
  for (const auto& [id, value] : settings) {
    xml += "<setting id=\"" + EscapeXml(id) + "\" value=\"" + EscapeXml(value) + "\"/>";
  }
  xml += "</settings><search-engines>" + engines + "</search-engines></config>\n";
  WriteFile(folder_ + "config.xml", xml);
  if (config_) retired_configs_.push_back(std::move(config_));
  config_ = std::make_unique<CXmlSetting>(quorvia::Utf8ToUtf16(folder_ + "HarbHost.dll"));
  ASSERT_EQ(config_->LoadDocument(), S_OK);
}

void PluginTest::WriteTexts(const Texts& texts) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<language>";
  for (const auto& [id, text] : texts) {
    xml += "<entry id=\"" + EscapeXml(id) + "\" value=\"" + EscapeXml(text) + "\"/>";
  }
  xml += "</language>\n";
  WriteFile(folder_ + "English.xml", xml);
  Language::Instance()->Load();
}

// ---- pages ------------------------------------------------------------------------

ComPtr<IHTMLDocument2> Page(const std::string& html, const std::u16string& url) {
  ComPtr<IHTMLDocument2> document;
  EXPECT_EQ(quorvia::CreateHtmlDocument(html, url, &document), S_OK);
  return document;
}

std::string Markup(IHTMLDocument2* document) {
  std::string out;
  EXPECT_EQ(quorvia::SerializeHtmlDocument(document, &out), S_OK);
  return out;
}

ComPtr<IHTMLElement> ById(IHTMLDocument2* document, const std::u16string& id) {
  ComPtr<IHTMLDocument3> document3;
  EXPECT_EQ(document->QueryInterface(&document3), S_OK);
  ComPtr<IHTMLElement> element;
  EXPECT_EQ(document3->getElementById(CComBSTR(id), &element), S_OK);
  return element;
}

std::vector<ComPtr<IHTMLElement>> ByTag(IHTMLDocument2* document, const std::u16string& tag) {
  std::vector<ComPtr<IHTMLElement>> out;
  ComPtr<IHTMLElementCollection> all;
  EXPECT_EQ(document->get_all(&all), S_OK);
  ComPtr<IDispatch> tagged_dispatch;
  EXPECT_EQ(all->tags(CComVariant(tag), &tagged_dispatch), S_OK);
  ComPtr<IHTMLElementCollection> tagged;
  EXPECT_EQ(tagged_dispatch.As(&tagged), S_OK);
  LONG length = 0;
  EXPECT_EQ(tagged->get_length(&length), S_OK);
  for (LONG i = 0; i < length; ++i) {
    ComPtr<IDispatch> item;
    EXPECT_EQ(tagged->item(CComVariant(std::int32_t{i}), CComVariant(), &item), S_OK);
    ComPtr<IHTMLElement> element;
    EXPECT_EQ(item.As(&element), S_OK);
    out.push_back(element);
  }
  return out;
}

std::optional<std::string> Attribute(IHTMLElement* element, const std::u16string& name) {
  CComVariant value;
  EXPECT_EQ(element->getAttribute(CComBSTR(name), 0, &value), S_OK);
  if (value.vt != VT_BSTR) return std::nullopt;
  return quorvia::Utf16ToUtf8(quorvia::BstrView(value.bstrVal));
}

std::string OuterHtml(IHTMLElement* element) {
  CComBSTR html;
  EXPECT_EQ(element->get_outerHTML(&html), S_OK);
  return quorvia::Utf16ToUtf8(html.View());
}

std::string InnerText(IHTMLElement* element) {
  CComBSTR text;
  EXPECT_EQ(element->get_innerText(&text), S_OK);
  return quorvia::Utf16ToUtf8(text.View());
}

std::vector<ComPtr<IHTMLAnchorElement>> Anchors(IHTMLDocument2* document) {
  std::vector<ComPtr<IHTMLAnchorElement>> out;
  for (const auto& element : ByTag(document, u"a")) {
    ComPtr<IHTMLAnchorElement> anchor;
    EXPECT_EQ(element.As(&anchor), S_OK);
    out.push_back(anchor);
  }
  return out;
}

// ---- the browser ----------------------------------------------------------------------

HRESULT TestBrowser::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}
HRESULT TestBrowser::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOTIMPL;
}
HRESULT TestBrowser::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT TestBrowser::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPTINFO*, UINT*) {
  return E_NOTIMPL;
}

HRESULT TestBrowser::Navigate(BSTR url, VARIANT* flags, VARIANT* target_frame_name, VARIANT* post_data,
                              VARIANT* headers) {
  for (VARIANT* argument : {flags, target_frame_name, post_data, headers}) {
    if (argument != nullptr && argument->vt != VT_EMPTY) optional_arguments_empty = false;
  }
  navigations.emplace_back(quorvia::BstrView(url));
  return S_OK;
}

HRESULT TestBrowser::Quit() { return S_OK; }

HRESULT TestBrowser::get_Document(IDispatch** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (FAILED(document_result)) return document_result;
  if (!document) return S_OK;
  return document->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out));
}

HRESULT TestBrowser::get_LocationURL(BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (FAILED(location_result)) return location_result;
  *out = quorvia::AllocBstr(location);
  return S_OK;
}

HRESULT TestBrowser::put_StatusText(BSTR text) {
  if (FAILED(status_result)) return status_result;
  if (text == nullptr) {
    status_texts.emplace_back(std::nullopt);
  } else {
    status_texts.emplace_back(std::u16string(quorvia::BstrView(text)));
  }
  return S_OK;
}

HRESULT TestBrowser::ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) { return S_OK; }

ComPtr<TestBrowser> MakeBrowser(IHTMLDocument2* document, const std::u16string& location) {
  ComPtr<TestBrowser> browser = quorvia::MakeComObject<TestBrowser>();
  browser->document = document;
  browser->location = location;
  return browser;
}

// ---- the rating service -------------------------------------------------------------------

std::vector<Query> ParseQueries(const std::string& request) {
  // <URLScanQueryElement><Id>n</Id><url>text</url></URLScanQueryElement>
  // (a nil address: <url xsi:nil="1"/>, taken as empty).
  auto between = [&](const std::string& open, const std::string& close, std::size_t from, std::size_t to) {
    const std::size_t start = request.find(open, from);
    if (start == std::string::npos || start >= to) return std::string();
    const std::size_t end = request.find(close, start + open.size());
    if (end == std::string::npos || end > to) return std::string();
    return request.substr(start + open.size(), end - start - open.size());
  };
  std::vector<Query> out;
  const std::string element = "<URLScanQueryElement>";
  for (std::size_t at = request.find(element); at != std::string::npos; at = request.find(element, at + 1)) {
    const std::size_t end = request.find("</URLScanQueryElement>", at);
    if (end == std::string::npos) break;
    out.push_back({std::atoi(between("<Id>", "</Id>", at, end).c_str()), UnescapeXml(between("<url>", "</url>", at, end))});
  }
  return out;
}

RatingService::RatingService()
    : server_([this](int, const std::string& request) { return Answer(request); }) {
  ::setenv(rating::kEndpointVariable, server_.Url(kServicePath).c_str(), 1);
  ::setenv(rating::kNamespaceVariable, kNamespace, 1);
}

RatingService::~RatingService() {
  ::unsetenv(rating::kEndpointVariable);
  ::unsetenv(rating::kNamespaceVariable);
}

void RatingService::Rate(const std::string& host, const SiteRating& rating) {
  std::lock_guard<std::mutex> lock(mutex_);
  ratings_[host] = rating;
}

void RatingService::FailSiteRequests(bool fail) {
  std::lock_guard<std::mutex> lock(mutex_);
  fail_site_ = fail;
}

void RatingService::FailLinkRequests(bool fail) {
  std::lock_guard<std::mutex> lock(mutex_);
  fail_links_ = fail;
}

void RatingService::Omit(std::set<int> ids) {
  std::lock_guard<std::mutex> lock(mutex_);
  omitted_ = std::move(ids);
}

std::vector<std::vector<Query>> RatingService::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

rating_test::Reply RatingService::Answer(const std::string& request) {
  const std::vector<Query> queries = ParseQueries(request);
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.push_back(queries);
  const bool site = queries.size() == 1 && queries[0].id == 0;
  if ((site && fail_site_) || (!site && fail_links_)) {
    return {Http(500, "Internal Server Error",
                 Envelope("<soap:Fault><faultcode>soap:Server</faultcode><faultstring>rating store offline"
                          "</faultstring></soap:Fault>"))};
  }
  std::string records;
  for (const Query& query : queries) {
    if (omitted_.count(query.id) != 0) continue;
    const auto rating = ratings_.find(HostOf(query.url));
    if (rating != ratings_.end()) records += Record(query.id, rating->second);
  }
  return {Http(200, "OK",
               Envelope(std::string("<doScanURLsResponse xmlns=\"") + kNamespace +
                        "\"><doScanURLsResult><processingtime>0.01</processingtime><urlScanResults>" + records +
                        "</urlScanResults></doScanURLsResult></doScanURLsResponse>"))};
}

}  // namespace plugin_test
