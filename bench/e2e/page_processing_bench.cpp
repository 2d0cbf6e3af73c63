// The cost of marking a result page with 10, 100 and 1,000 result links
// against the reference rating service (quorvia-rating-service) on a
// loopback port, with the product's configuration and English texts:
//
//   SearchPage      the whole run of ProcessSearchPage on a fresh page with
//                   an empty link cache: collecting the links, one request
//                   about all of them, formatting and inserting every mark,
//                   filling the cache;
//   PageWork        the same page with every result site in the cache: the
//                   page work alone (collecting, cache look-ups, formatting,
//                   inserting), no request;
//   Collect, Format, Insert
//                   the parts of the page work by themselves: collecting
//                   the result links with the engine's matchers, formatting
//                   the link template with its 28 arguments once per link,
//                   inserting one formatted mark after each link;
//   Request         the request alone: ScanUrls with the same addresses
//                   (writing the SOAP request, the exchange, reading the
//                   answer).
//
// CPU time is this process's thread (the toolbar's side); real time also
// holds the service's work and the loopback exchange. Parsing the page is
// not part of the product's work and is left out of the timing.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/links/links_manager.h"
#include "core/links/xml_setting.h"
#include "core/plugin/cmd_page_processor.h"
#include "core/rating/connection_manager.h"
#include "core/rating/link_cache_manager.h"
#include "core/rating/rating_endpoint.h"
#include "core/rating/rating_globals.h"
#include "core/support/language.h"
#include "core/support/string_helper.h"
#include "platform/com/bstr.h"
#include "platform/html/html_document.h"
#include "platform/text/convert.h"
#include "tests/support/rating_service_process.h"
#include "tests/support/result_pages.h"

// The core's process-wide rating objects, made by the program itself once it
// has chosen its settings store; the cache can be emptied between runs.
namespace {
std::unique_ptr<ConnectionManager> g_connection;
std::unique_ptr<LinkCacheManager> g_cache;
}  // namespace

ConnectionManager& GetConnectionManager() {
  if (!g_connection) g_connection = std::make_unique<ConnectionManager>();
  return *g_connection;
}

LinkCacheManager& GetLinkCacheManager() {
  if (!g_cache) g_cache = std::make_unique<LinkCacheManager>();
  return *g_cache;
}

namespace {

constexpr int kSites = 1000;
constexpr char16_t kPageUrl[] = u"https://www.kestrel.example/search?q=bench";

CXmlSetting* g_config = nullptr;

std::string RatingsCsv() {
  std::string csv = "host,SiteRating,DownloadsRed,DownloadsGreen,DownloadsYellow,LinksRed,LinksGreen,LinksYellow,"
                    "Emails,Popups,BrowserExploits\n";
  for (int i = 0; i < kSites; ++i) {
    csv += "site" + std::to_string(i) + ".example," + std::to_string(i % 4) + ",1,2,3,4,5,6," +
           std::to_string(i % 7) + "," + (i % 2 ? "true" : "false") + "," + (i % 3 ? "true" : "false") + "\n";
  }
  return csv;
}

// A result page of the Kestrel engine with `results` result links, each
// between links of the engine's own.
std::string ResultPage(int results) {
  std::string page =
      "<!DOCTYPE html><html><head><title>bench</title><link rel=\"stylesheet\" href=\"/k.css\"></head><body>"
      "<div class=\"kr-top\"><a class=\"kr-logo\" href=\"/\">Kestrel</a></div><div id=\"kr-results\">";
  for (int i = 0; i < results; ++i) {
    const std::string n = std::to_string(i % kSites);
    page += "<div class=\"kr-item\"><h3><a class=\"kr-result\" href=\"http://site" + n + ".example/page/" +
            std::to_string(i) + "\">Result " + std::to_string(i) + "</a></h3><p>Snippet of result " +
            std::to_string(i) + "</p><a class=\"kr-similar\" href=\"search?q=related:site" + n +
            ".example\">Similar</a></div>";
  }
  return page + "</div><div class=\"kr-footer\"><a href=\"/privacy\">Privacy</a></div></body></html>";
}

quorvia::ComPtr<IHTMLDocument2> Parse(const std::string& markup) {
  quorvia::ComPtr<IHTMLDocument2> document;
  quorvia::CreateHtmlDocument(markup, kPageUrl, &document);
  return document;
}

bool Marked(IHTMLDocument2* document, int results) {
  quorvia::ComPtr<IHTMLDocument3> document3;
  quorvia::ComPtr<IHTMLElement> last;
  return SUCCEEDED(document->QueryInterface(&document3)) &&
         SUCCEEDED(document3->getElementById(CComBSTR(u"qvh-mark-" + quorvia::Utf8ToUtf16(std::to_string(results))),
                                             &last)) &&
         last;
}

void SearchPage(benchmark::State& state) {
  const int results = static_cast<int>(state.range(0));
  const std::string markup = ResultPage(results);
  CmdPageProcessor processor(g_config, nullptr);
  const CComBSTR url(kPageUrl);
  for (auto _ : state) {
    state.PauseTiming();
    g_cache = std::make_unique<LinkCacheManager>();
    auto document = Parse(markup);
    state.ResumeTiming();
    const HRESULT hr = processor.ProcessSearchPage(document.Get(), &g_config->GetEngines(), url);
    state.PauseTiming();
    if (hr != S_OK || !Marked(document.Get(), results)) {
      state.SkipWithError("the page was not marked");
      break;
    }
    document = nullptr;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * results);
}

void PageWork(benchmark::State& state) {
  const int results = static_cast<int>(state.range(0));
  const std::string markup = ResultPage(results);
  CmdPageProcessor processor(g_config, nullptr);
  const CComBSTR url(kPageUrl);
  // Every result site rated once, so that the runs below find them all in
  // the cache.
  g_cache = std::make_unique<LinkCacheManager>();
  if (processor.ProcessSearchPage(Parse(markup).Get(), &g_config->GetEngines(), url) != S_OK) {
    state.SkipWithError("the page could not be rated");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    auto document = Parse(markup);
    state.ResumeTiming();
    const HRESULT hr = processor.ProcessSearchPage(document.Get(), &g_config->GetEngines(), url);
    state.PauseTiming();
    if (hr != S_OK || !Marked(document.Get(), results)) {
      state.SkipWithError("the page was not marked");
      break;
    }
    document = nullptr;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * results);
}

void Request(benchmark::State& state) {
  const int results = static_cast<int>(state.range(0));
  std::vector<URLScanQueryElement> queries(static_cast<std::size_t>(results));
  for (int i = 0; i < results; ++i) {
    queries[static_cast<std::size_t>(i)].Id = i + 1;
    queries[static_cast<std::size_t>(i)].url = quorvia::Utf8ToUtf16("http://site" + std::to_string(i % kSites) +
                                                                     ".example/page/" + std::to_string(i));
  }
  CWebServiceClass service;
  for (auto _ : state) {
    URLScanResult answer;
    if (service.ScanUrls(results, queries.data(), &answer) != S_OK ||
        answer.urlScanResults.size() != static_cast<std::size_t>(results)) {
      state.SkipWithError("the request failed");
      break;
    }
    benchmark::DoNotOptimize(answer.urlScanResults.data());
  }
  state.SetItemsProcessed(state.iterations() * results);
}

void Collect(benchmark::State& state) {
  const int results = static_cast<int>(state.range(0));
  auto document = Parse(ResultPage(results));
  quorvia::ComPtr<IHTMLElementCollection> links;
  document->get_links(&links);
  const SearchEngineRecord* engine = g_config->GetEngines().FindEngine(kPageUrl);
  for (auto _ : state) {
    CLinksManager manager;
    if (engine == nullptr || manager.CollectLinks(links.Get(), engine->matchers.get()) != S_OK ||
        manager.GetCount() != static_cast<std::size_t>(results)) {
      state.SkipWithError("wrong collection");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * results);
}

// One link's markup, with the arguments the annotation passes.
std::u16string FormatMark(const std::u16string& format, LONG id) {
  const std::u16string more = u"http://ratings.quorvia.invalid/orbisite/siteinfo.php?url=http://site1.example/page/1";
  const std::u16string colour = u"yellow";
  const std::u16string description = u"Caution: the safety of this site is unknown.";
  const std::u16string icon = u"res://HarbRes.dll/gif/yellow_icon.gif";
  const std::u16string yes = u"Yes";
  const std::u16string no = u"No";
  return StringHelper::stringFmt(format, id, more, colour, description, icon, id, id, LONG{1}, LONG{2}, LONG{3}, id,
                                 LONG{4}, LONG{5}, LONG{6}, id, LONG{3}, id, yes, id, LONG{1}, id, yes, id, LONG{0},
                                 id, no, id, more);
}

void Format(benchmark::State& state) {
  const int results = static_cast<int>(state.range(0));
  const std::u16string format = g_config->GetSetting(u"infolayerHTML");
  for (auto _ : state) {
    for (int i = 1; i <= results; ++i) benchmark::DoNotOptimize(FormatMark(format, i).size());
  }
  state.SetItemsProcessed(state.iterations() * results);
}

void Insert(benchmark::State& state) {
  const int results = static_cast<int>(state.range(0));
  const std::string markup = ResultPage(results);
  const std::u16string format = g_config->GetSetting(u"infolayerHTML");
  std::vector<CComBSTR> marks;
  for (int i = 1; i <= results; ++i) marks.emplace_back(FormatMark(format, i));
  const CComBSTR after_end(u"afterEnd");
  const SearchEngineRecord* engine = g_config->GetEngines().FindEngine(kPageUrl);
  for (auto _ : state) {
    state.PauseTiming();
    auto document = Parse(markup);
    quorvia::ComPtr<IHTMLElementCollection> links;
    document->get_links(&links);
    CLinksManager manager;
    manager.CollectLinks(links.Get(), engine->matchers.get());
    std::vector<quorvia::ComPtr<IHTMLElement>> anchors;
    for (LONG n = 1; n <= manager.GetLastNumber(); ++n) {
      quorvia::ComPtr<IHTMLElement> element;
      manager.Lookup(n)->element.As(&element);
      anchors.push_back(element);
    }
    state.ResumeTiming();
    for (std::size_t i = 0; i < anchors.size(); ++i) anchors[i]->insertAdjacentHTML(after_end, marks[i]);
    state.PauseTiming();
    if (anchors.size() != static_cast<std::size_t>(results) || !Marked(document.Get(), results)) {
      state.SkipWithError("not every mark was inserted");
      break;
    }
    anchors.clear();
    manager.Clear();
    links = nullptr;
    document = nullptr;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * results);
}

BENCHMARK(SearchPage)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(PageWork)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(Collect)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(Format)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(Insert)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(Request)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::string home = (fs::temp_directory_path() / "quorvia-bench-e2e-XXXXXX").string();
  if (mkdtemp(home.data()) == nullptr) return 1;
  setenv("QUORVIA_HOME", home.c_str(), 1);
  unsetenv(rating::kNamespaceVariable);

  int status = 1;
  std::string error;
  auto service = quorvia_test::RatingServiceProcess::Start(home, RatingsCsv(), error);
  if (!service) {
    fprintf(stderr, "%s\n", error.c_str());
  } else {
    setenv(rating::kEndpointVariable, service->Endpoint().c_str(), 1);
    Language::SetBaseFolder(quorvia::Utf8ToUtf16(quorvia_test::DataFolder() + "/lang/"));
    Language::Instance()->Load();
    auto config = std::make_unique<CXmlSetting>(quorvia::Utf8ToUtf16(quorvia_test::DataFolder() + "/libQuorviaIE.so"));
    if (config->LoadDocument() == S_OK) {
      g_config = config.get();
      benchmark::Initialize(&argc, argv);
      benchmark::RunSpecifiedBenchmarks();
      benchmark::Shutdown();
      status = 0;
    }
    g_config = nullptr;
    service->Stop();
  }
  g_cache.reset();
  g_connection.reset();
  std::error_code ignored;
  fs::remove_all(home, ignored);
  return status;
}
