// How fast the answer of the rating service is read: a response of 1,000
// records through the streaming XML reader and the response rules.
#include <benchmark/benchmark.h>

#include <string>

#include "core/rating/scan_response_reader.h"

namespace {

constexpr char16_t kNs[] = u"http://rating.test/ns/";

std::string Counters(int first) {
  return "<Red>" + std::to_string(first) + "</Red><Green>" + std::to_string(first + 1) + "</Green><Yellow>" +
         std::to_string(first + 2) + "</Yellow><Black>" + std::to_string(first + 3) + "</Black>";
}

std::string ResponseOf(int records) {
  std::string body =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
      "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\"><soap:Body>"
      "<doScanURLsResponse xmlns=\"http://rating.test/ns/\"><doScanURLsResult>"
      "<processingtime>0.125</processingtime><urlScanResults soapenc:arrayType=\"URLScanResultElement[" +
      std::to_string(records) + "]\">";
  for (int i = 0; i < records; ++i) {
    body += "<URLScanResultElement><id>" + std::to_string(i + 1) + "</id><SiteRating>" + std::to_string(i % 4) +
            "</SiteRating><Downloads>" + Counters(i) + "</Downloads><Links>" + Counters(i * 2) + "</Links><Emails>" +
            std::to_string(i % 7) + "</Emails><Popups>" + (i % 2 ? "true" : "false") +
            "</Popups><BrowserExploits>false</BrowserExploits><desc>Site number " + std::to_string(i) +
            " &amp; its caf\xC3\xA9</desc></URLScanResultElement>";
  }
  return body + "</urlScanResults></doScanURLsResult></doScanURLsResponse></soap:Body></soap:Envelope>";
}

void BM_ParseResponse(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const std::string document = ResponseOf(records);
  rating::ScanResponseReader reader;
  if (!reader.Prepare()) {
    state.SkipWithError("no XML reader");
    return;
  }
  for (auto _ : state) {
    URLScanResult result;
    if (!reader.Parse(document, kNs, rating::ScanResponseParser::Expect::kResponse, result) ||
        result.urlScanResults.size() != static_cast<std::size_t>(records)) {
      state.SkipWithError(reader.Failure().c_str());
      return;
    }
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(document.size()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * records);
}
BENCHMARK(BM_ParseResponse)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
