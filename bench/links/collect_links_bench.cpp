// Collecting the result links of a big result page: 1,000 result anchors
// among as many navigation links, an image-map area per result, with one
// class matcher, one redirector matcher and one address matcher tried in
// turn.
#include <benchmark/benchmark.h>

#include <string>

#include "core/links/link_matchers.h"
#include "core/links/links_manager.h"
#include "platform/com/com_ptr.h"
#include "platform/html/html_document.h"

namespace {

std::string BigPage(int results) {
  std::string page = "<html><body><map name=\"m\">";
  for (int i = 0; i < results; ++i) {
    const std::string n = std::to_string(i);
    page += "<div><a href=\"/search?q=x&amp;start=" + n + "\">nav</a>";
    switch (i % 3) {
      case 0:
        page += "<a class=\"r\" href=\"http://site" + n + ".example/page\">result</a>";
        break;
      case 1:
        page += "<a class=\"red\" href=\"/url?sa=t&amp;url=http://site" + n + ".example/&amp;ei=abc\">result</a>";
        break;
      default:
        page += "<a href=\"http://site" + n + ".example/results/page\">result</a>";
        break;
    }
    page += "<area href=\"/img" + n + "\" shape=\"rect\" coords=\"0,0,1,1\"></div>";
  }
  return page + "</map></body></html>";
}

void CollectLinks(benchmark::State& state) {
  quorvia::ComPtr<IHTMLDocument2> doc;
  if (quorvia::CreateHtmlDocument(BigPage(1000), u"http://www.search.example/search?q=x", &doc) != S_OK) {
    state.SkipWithError("page did not parse");
    return;
  }
  quorvia::ComPtr<IHTMLElementCollection> links;
  doc->get_links(&links);
  LinkMatcherContainer matchers;
  matchers.AddMatcher(new ClassLinkMatcher(u"r"));
  matchers.AddMatcher(new ClassSepLinkMatcher(u"red", u"[?&]url={[^&]*}"));
  matchers.AddMatcher(new HrefLinkMatcher(u"^http://site[0-9]+\\.example/results/"));

  for (auto _ : state) {
    CLinksManager manager;
    if (manager.CollectLinks(links.Get(), &matchers) != S_OK || manager.GetCount() != 1000) {
      state.SkipWithError("wrong collection");
      break;
    }
    benchmark::DoNotOptimize(manager.GetCount());
  }
}
BENCHMARK(CollectLinks)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
