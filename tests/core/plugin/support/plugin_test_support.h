// What the product commands' tests share: a fresh settings store, folder,
// configuration document and language document per test; the core's two
// process-wide rating objects, made fresh for every test; a browser double
// over a real page document; and a rating service on a loopback port that
// answers from a table of site ratings.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/links/xml_setting.h"
#include "core/rating/rating_records.h"
#include "platform/com/com_ptr.h"
#include "platform/com/object.h"
#include "platform/com/web_browser.h"
#include "platform/html/html_interfaces.h"
#include "tests/core/rating/service/loopback_server.h"

namespace plugin_test {

// ---- configuration and language ----------------------------------------

// The settings of the test configuration (setting id -> value).
using Settings = std::map<std::string, std::string>;

// BaseURL, URIScheme ("http:,https:"), MainBubbleSpanID ("qvMainBubble"),
// MainBubbleHTML (the five placeholders, %SPAM% twice) and infolayerHTML
// (KInfoLayer).
Settings DefaultSettings();

// The information layer of the tests: every one of the 28 arguments lands
// in a place where the test can read it back. Arguments 1 to 27 go into
// attributes (data-args holds 6 to 27 joined by "|"), argument 28 is the
// text of the element.
extern const char kInfoLayer[];

// The engine of the tests: pages at "http://search.example/find?..."; its
// result links are anchors of class "r"; links through
// "http://search.example/go?u=<address>" (class "rr") are rated for the
// address they carry.
extern const char kEngines[];

// The language texts of the tests (key -> text).
using Texts = std::map<std::string, std::string>;
Texts DefaultTexts();

// A fresh $QUORVIA_HOME and document folder per test, with config.xml and
// English.xml written into the folder, the language table loaded from it,
// and new process-wide rating objects (on/off switch, link cache).
class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // (Re)writes config.xml and loads it into config_. A configuration loaded
  // before stays alive until the test ends, as commands made with it hold
  // on to it; make new commands to see the new one.
  void WriteConfig(const Settings& settings, const std::string& engines = kEngines);
  // (Re)writes English.xml and reloads the language table.
  void WriteTexts(const Texts& texts);

  std::string home_;
  std::string folder_;  // ends in "/"
  std::unique_ptr<CXmlSetting> config_;
  std::vector<std::unique_ptr<CXmlSetting>> retired_configs_;
};

// ---- pages ----------------------------------------------------------------

// Parses markup into a page document at url.
quorvia::ComPtr<IHTMLDocument2> Page(const std::string& html, const std::u16string& url);
// The whole page as markup.
std::string Markup(IHTMLDocument2* document);
// The element with id, or null.
quorvia::ComPtr<IHTMLElement> ById(IHTMLDocument2* document, const std::u16string& id);
// The elements with the tag name, in document order.
std::vector<quorvia::ComPtr<IHTMLElement>> ByTag(IHTMLDocument2* document, const std::u16string& tag);
// An attribute's value; nothing when the element has no such attribute.
std::optional<std::string> Attribute(IHTMLElement* element, const std::u16string& name);
std::string OuterHtml(IHTMLElement* element);
std::string InnerText(IHTMLElement* element);
// The anchors of the page, in document order.
std::vector<quorvia::ComPtr<IHTMLAnchorElement>> Anchors(IHTMLDocument2* document);

// ---- the browser ------------------------------------------------------------

// Stands in for the browser: shows one document at one address, records the
// status texts and navigations it is given, and makes a chosen call fail.
class TestBrowser : public quorvia::ComObjectRootEx<quorvia::ComSingleThreadModel>, public IWebBrowser2 {
 public:
  static const quorvia::InterfaceEntry* InterfaceTable() {
    return quorvia::InterfaceTableOf<TestBrowser, IWebBrowser2, quorvia::Via<IDispatch, IWebBrowser2>>();
  }

  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPTINFO*, UINT*) override;

  HRESULT Navigate(BSTR url, VARIANT* flags, VARIANT* target_frame_name, VARIANT* post_data,
                   VARIANT* headers) override;
  HRESULT Quit() override;
  HRESULT get_Document(IDispatch** out) override;
  HRESULT get_LocationURL(BSTR* out) override;
  HRESULT put_StatusText(BSTR text) override;
  HRESULT ShowBrowserBar(VARIANT* clsid, VARIANT* show, VARIANT* size) override;

  quorvia::ComPtr<IHTMLDocument2> document;
  std::u16string location;
  // Every status text set, in order; nothing for a null text.
  std::vector<std::optional<std::u16string>> status_texts;
  std::vector<std::u16string> navigations;
  // Whether Navigate got only empty optional arguments.
  bool optional_arguments_empty = true;
  // Calls made to fail with these codes.
  HRESULT document_result = S_OK;
  HRESULT location_result = S_OK;
  HRESULT status_result = S_OK;
};

quorvia::ComPtr<TestBrowser> MakeBrowser(IHTMLDocument2* document, const std::u16string& location);

// ---- the rating service -------------------------------------------------------

// One site's rating as the service files it.
struct SiteRating {
  int rating = 0;
  RatingStruct downloads;
  RatingStruct links;
  int emails = 0;
  bool popups = false;
  bool exploits = false;
};

// One address of a request.
struct Query {
  int id;
  std::string url;
};

// A rating service on a loopback port. It answers every doScanURLs with one
// record per query whose host it knows (ratings by host); unknown hosts get
// no record. Every test that makes a command needs one: the command's
// client is made for the address this sets in the environment.
class RatingService {
 public:
  RatingService();
  ~RatingService();

  void Rate(const std::string& host, const SiteRating& rating);
  // Requests with the query id 0 (the displayed site) / with other ids (the
  // result links) are answered with a SOAP fault.
  void FailSiteRequests(bool fail);
  void FailLinkRequests(bool fail);
  // Queries with these ids get no record, whatever their host.
  void Omit(std::set<int> ids);

  // The queries of every request received, in order.
  std::vector<std::vector<Query>> Requests() const;

 private:
  rating_test::Reply Answer(const std::string& request);

  mutable std::mutex mutex_;
  std::map<std::string, SiteRating> ratings_;
  bool fail_site_ = false;
  bool fail_links_ = false;
  std::set<int> omitted_;
  std::vector<std::vector<Query>> requests_;
  rating_test::LoopbackServer server_;
};

// The queries of a doScanURLs request (the raw HTTP request).
std::vector<Query> ParseQueries(const std::string& request);

}  // namespace plugin_test
