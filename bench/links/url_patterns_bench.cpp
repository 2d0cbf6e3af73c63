// The pattern dialect against std::regex (ECMAScript) and PCRE2 (its
// interpreter and its JIT, on the same UTF-16 texts) on the address
// patterns of the product's configuration, over real-looking addresses of
// about 130 characters. Letter case is ignored by all of them, as the
// dialect does. Each iteration searches every address once; the reported
// time is per search (items = searches).
#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <benchmark/benchmark.h>

#include <regex>
#include <string>
#include <vector>

#include "core/links/pattern.h"
#include "platform/text/convert.h"

namespace {

struct PatternPair {
  const char* name;
  const char16_t* dialect;  // as the configuration writes it (engines joined as "(p)|(q)")
  const char* ecmascript;   // the same pattern for std::regex
};

const PatternPair kPatterns[] = {
    {"google-url", u"(://(www\\.)?google\\.[a-z]+(\\.[a-z]+)?/search\\?)",
     "://(?:www\\.)?google\\.[a-z]+(?:\\.[a-z]+)?/search\\?"},
    {"bing-url", u"(://www\\.bing\\.com/search\\?)", "://www\\.bing\\.com/search\\?"},
    {"duckduckgo-url", u"(://duckduckgo\\.com/\\?(.*&)?q=)|(://duckduckgo\\.com/html/?\\?(.*&)?q=)",
     "(?:://duckduckgo\\.com/\\?(?:.*&)?q=)|(?:://duckduckgo\\.com/html/?\\?(?:.*&)?q=)"},
    {"google-result-href", u"^https?://!(([^/]*\\.)?google((adservices)|(usercontent))?\\.)",
     "^https?://(?!(?:[^/]*\\.)?google(?:(?:adservices)|(?:usercontent))?\\.)"},
    {"redirector-href", u"^https?://search\\.lantern\\.example/go\\?(.*&)?to={[^&#]+}",
     "^https?://search\\.lantern\\.example/go\\?(?:.*&)?to=([^&#]+)"},
};

const std::vector<std::string>& Addresses() {
  static const std::vector<std::string> addresses = {
      "https://www.google.com/search?q=test+keyword&source=hp&ei=Xb3kXc2nB4XMaJ7pq8AK&oq=test+keyword&gs_l=psy-ab.3..0l10",
      "https://www.bing.com/search?q=test+keyword&qs=n&form=QBRE&sp=-1&pq=test+keyword&sc=8-12&sk=&cvid=5A1B0C2D3E4F5061",
      "https://duckduckgo.com/?q=test%20keyword&t=h_&ia=web&kl=fr-fr&kp=-2&kz=-1&kc=1&kav=1&k1=-1&kaj=m&kam=osm&kak=-1",
      "https://support.smartbear.com/testcomplete/docs/keyword-testing/overview.html?utm_source=search&utm_medium=organic",
      "https://search.lantern.example/go?sid=8f3a9c2e71&pos=3&to=https%3A%2F%2Fwww.example.org%2Farticles%2Fkeyword-testing",
      "https://en.wikipedia.org/wiki/Keyword-driven_testing?oldid=923456789&action=view&section=3&printable=no&x=1",
      "https://www.googleadservices.com/pagead/aclk?sa=L&ai=DChcSEwjY3b7t0pXmAhUFyd4KHQ8bC3gYABAAGgJ3cw&sig=AOD64_",
      "https://www.katalon.com/sa/difference-keyword-driven-testing-data-driven-testing/?ref=search&campaign=organic1",
  };
  return addresses;
}

void Dialect(benchmark::State& state) {
  const PatternPair& p = kPatterns[state.range(0)];
  quorvia::Pattern pattern(p.dialect, "bench: bad pattern ");
  std::vector<std::u16string> texts;
  for (const auto& a : Addresses()) texts.push_back(quorvia::Utf8ToUtf16(a));
  int hits = 0;
  for (auto _ : state) {
    for (const auto& text : texts) hits += pattern.Contains(text) ? 1 : 0;
  }
  benchmark::DoNotOptimize(hits);
  state.SetLabel(p.name);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}

void StdRegex(benchmark::State& state) {
  const PatternPair& p = kPatterns[state.range(0)];
  const std::regex pattern(p.ecmascript, std::regex::ECMAScript | std::regex::icase);
  int hits = 0;
  for (auto _ : state) {
    for (const auto& text : Addresses()) hits += std::regex_search(text, pattern) ? 1 : 0;
  }
  benchmark::DoNotOptimize(hits);
  state.SetLabel(p.name);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(Addresses().size()));
}

// PCRE2 on the UTF-16 addresses; jit selects its JIT compiler.
void Pcre2(benchmark::State& state, bool jit) {
  const PatternPair& p = kPatterns[state.range(0)];
  int error = 0;
  PCRE2_SIZE offset = 0;
  const std::u16string source = quorvia::Utf8ToUtf16(p.ecmascript);
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.c_str()), source.size(),
                                   PCRE2_CASELESS | PCRE2_UTF, &error, &offset, nullptr);
  if (code == nullptr) {
    state.SkipWithError("pattern does not compile");
    return;
  }
  if (jit && pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) != 0) {
    pcre2_code_free(code);
    state.SkipWithError("no JIT on this machine");
    return;
  }
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
  std::vector<std::u16string> texts;
  for (const auto& a : Addresses()) texts.push_back(quorvia::Utf8ToUtf16(a));
  int hits = 0;
  for (auto _ : state) {
    for (const auto& text : texts) {
      hits += pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, PCRE2_NO_UTF_CHECK, data, nullptr) > 0 ? 1 : 0;
    }
  }
  benchmark::DoNotOptimize(hits);
  pcre2_match_data_free(data);
  pcre2_code_free(code);
  state.SetLabel(p.name);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}

void Pcre2Interpreter(benchmark::State& state) { Pcre2(state, false); }
void Pcre2Jit(benchmark::State& state) { Pcre2(state, true); }

}  // namespace

BENCHMARK(Dialect)->DenseRange(0, 4);
BENCHMARK(StdRegex)->DenseRange(0, 4);
BENCHMARK(Pcre2Interpreter)->DenseRange(0, 4);
BENCHMARK(Pcre2Jit)->DenseRange(0, 4);

BENCHMARK_MAIN();
