#include "tests/support/result_pages.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quorvia_test {

namespace {

std::string RealPage(const char* file) { return std::string(QUORVIA_SOURCE_DIR "/tests/platform/html/pages/") + file; }
std::string DataPage(const char* file) { return std::string(QUORVIA_SOURCE_DIR "/data/pages/") + file; }

// What each engine must collect, by looking at the markup:
// - Google: the ten organic results and the sitelinks under two of them,
//   but not the result-cache and "similar" links, the knowledge panel,
//   related searches, page navigation or the footer. The first three are
//   the links of a text ad that go straight to the advertiser with only
//   generated class names: no matcher tells them from organic links.
// - Bing: the six organic results; not the ads, the "translate this page"
//   links, related searches or the footer.
// - DuckDuckGo: the ten result titles; not the check mark and address line
//   that repeat each title's address, the sidebar or the footer.
// - Lantern: the five result titles, each the address its redirector link
//   carries; not the ad (same redirector, other class), the cache links,
//   related searches, the pager (an image-map area among them) or footer.
// - Kestrel: the result titles and the deep links under the first, the
//   same address twice as two links, and the address that carries markup
//   as the page model reports it; not the ad, the news strip, "people also
//   ask", a featured box whose class has a second name, the engine's own
//   guide, related searches, the pager or the footer.
const std::vector<ResultPage>& Pages() {
  static const std::vector<ResultPage> pages = {
      {"google",
       RealPage("google-page1.html"),
       u"https://www.google.com/search?q=test+keyword",
       u"google",
       {
           "https://www.semrush.com/lp/keyword-research/fr/",
           "https://fr.semrush.com/info/domain_vs_domain/",
           "https://fr.semrush.com/features/backlinks/",
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
      {"bing",
       RealPage("bing-page1.html"),
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
      {"duckduckgo",
       RealPage("duckduckgo-page1.html"),
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
      {"lantern",
       DataPage("lantern-results.html"),
       u"https://search.lantern.example/results?q=harbour+tours",
       u"lantern",
       {
           "http://www.harbourtours.example/",
           "https://ferry.example/timetable%3Froute%3D4",
           "http://old-pier.example/tours/evening",
           "http://www.portmuseum.example/",
           "http://www.harbourtours.example/private-charter",
       }},
      {"kestrel",
       DataPage("kestrel-results.html"),
       u"https://www.kestrel.example/search?q=night+trains&start=0",
       u"kestrel",
       {
           "https://www.nighttrains.example/",
           "https://www.nighttrains.example/routes",
           "https://www.nighttrains.example/sleepers",
           "http://www.sleeper-tickets.example/booking?from=vienna&to=rome",
           "https://en.wikipedia.org/wiki/Night_train",
           "https://www.trick.example/search?q=%22%3E%3Cscript%3Ealert(1)%3C/script%3E"
           "&quot;&gt;&lt;script&gt;alert(2)&lt;/script&gt;",
           "https://www.nighttrains.example/",
       }},
  };
  return pages;
}

}  // namespace

std::span<const ResultPage> ResultPages() { return Pages(); }

const ResultPage& FindResultPage(const std::string& name) {
  for (const ResultPage& page : Pages()) {
    if (name == page.name) return page;
  }
  throw std::out_of_range("no result page " + name);
}

std::string DataFolder() { return QUORVIA_SOURCE_DIR "/data"; }

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace quorvia_test
