#include "core/plugin/cmd_page_processor.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/links/links_manager.h"
#include "core/links/xml_setting.h"
#include "core/plugin/cmd_page_indicator.h"
#include "core/rating/rating_globals.h"
#include "core/support/globals.h"
#include "core/support/language.h"
#include "platform/com/com_ptr.h"
#include "platform/com/web_browser.h"

using quorvia::ComPtr;

namespace {

struct IndicatorState {
  std::int32_t image;
  const char16_t* text_key;
};

IndicatorState IndicatorStateOf(int site_rating) {
  switch (site_rating) {
    case 1: return {kIndicatorImageSafe, kLangCurrentSiteDescSafe};
    case 2: return {kIndicatorImageUnknown, kLangCurrentSiteDescUnknown};
    case 3: return {kIndicatorImageUnsafe, kLangCurrentSiteDescUnSafe};
    default: return {kIndicatorImageUntested, kLangCurrentSiteDescUnTested};
  }
}

// Shows a state on the indicator; an empty language text keeps the text it
// has.
void ShowOnIndicator(CmdPageIndicator& indicator, std::int32_t image, const char16_t* text_key) {
  indicator.SetImage(image, kCommandMaskColor);
  std::u16string text = Language::Instance()->FindText(text_key);
  if (!text.empty()) indicator.SetText(std::move(text));
}

// A link to rate: its number and the address to ask about.
struct NumberedUrl {
  LONG number;
  std::u16string url;
};

}  // namespace

CmdPageProcessor::CmdPageProcessor(CXmlSetting* config, CmdPageIndicator* indicator)
    : CmdUtils(config), service(), indicator(indicator) {
  SetName(kCmdNamePageProcessor);
  SetEnabled(true);
}

CmdPageProcessor::~CmdPageProcessor() = default;

void CmdPageProcessor::Execute() {
  if (!GetConnectionManager().IsEnabled()) return;
  if (browser_ == nullptr) return;

  ComPtr<IDispatch> dispatch;
  if (FAILED(browser_->get_Document(&dispatch)) || !dispatch) return;
  ComPtr<IHTMLDocument2> document;
  if (FAILED(dispatch.As(&document)) || !document) return;

  CComBSTR url;
  if (FAILED(browser_->get_LocationURL(&url))) return;
  if (!IsSupportedScheme(url)) return;

  CComBSTR waiting;
  waiting.Attach(Language::Instance()->FindTextBstr(kLangStatusWaiting));
  if (FAILED(browser_->put_StatusText(waiting))) return;

  const HRESULT rated = RateCurrentSite(url);
  if (FAILED(rated) || rated == S_FALSE) return;

  // IsSupportedScheme passed, so there is a configuration.
  if (FAILED(ProcessSearchPage(document.Get(), &config->GetEngines(), url))) return;

  browser_->put_StatusText(nullptr);
}

HRESULT CmdPageProcessor::RateCurrentSite(BSTR url) {
  if (indicator == nullptr) return S_OK;
  indicator->SetImage(kIndicatorImageWaiting, kCommandMaskColor);

  URLScanQueryElement query;
  query.Id = 0;
  if (url != nullptr) query.url = std::u16string(quorvia::BstrView(url));
  URLScanResult answer;
  HRESULT hr = service.doScanURLs(&query, 1, &answer);
  service.CleanupClient();

  if (SUCCEEDED(hr) && !answer.urlScanResults.empty()) {
    const IndicatorState state = IndicatorStateOf(answer.urlScanResults.front().SiteRating);
    ShowOnIndicator(*indicator, state.image, state.text_key);
    return hr;
  }
  if (SUCCEEDED(hr)) hr = E_FAIL;
  ShowOnIndicator(*indicator, kIndicatorImageUnknown, kLangSiteDescUnknown);
  return hr;
}

HRESULT CmdPageProcessor::ProcessSearchPage(IHTMLDocument2* document, const CLinkMatchersManager* engines, BSTR url) {
  if (engines == nullptr) return E_POINTER;
  const SearchEngineRecord* engine = engines->FindEngine(quorvia::BstrView(url));
  if (engine == nullptr) return S_FALSE;

  CLinksManager links;

  if (document == nullptr) return E_POINTER;
  ComPtr<IHTMLDocument3> document3;
  HRESULT hr = document->QueryInterface(&document3);
  if (FAILED(hr)) return hr;

  // A page that carries the marker element has been processed already.
  const CComBSTR marker_id(config != nullptr ? config->GetSetting(kSettingMainBubbleSpanID) : std::u16string());
  ComPtr<IHTMLElement> marker;
  if (SUCCEEDED(document3->getElementById(marker_id, &marker)) && marker) return S_FALSE;

  hr = InsertScript(document, kBubbleScriptAddress);
  if (FAILED(hr)) return hr;
  hr = InsertStyleSheet(document, kStyleSheetAddress);
  if (FAILED(hr)) return hr;
  hr = InsertMainBubble(document);
  if (FAILED(hr)) return hr;

  ComPtr<IHTMLElementCollection> collection;
  hr = document->get_links(&collection);
  if (FAILED(hr) || !collection) return hr;

  hr = links.CollectLinks(collection.Get(), engine->matchers.get());
  if (FAILED(hr)) return hr;
  if (links.GetCount() == 0) return S_OK;

  // Split the links, in link-number order, into those whose site is cached
  // and those to ask the service about.
  LinkCacheManager& cache = GetLinkCacheManager();
  std::vector<URLScanQueryElement> queries;
  std::vector<NumberedUrl> cached;
  queries.reserve(links.GetCount());
  cached.reserve(links.GetCount());
  for (LONG number = 1; number <= links.GetLastNumber(); ++number) {
    const LinkEntry* entry = links.Lookup(number);
    if (entry == nullptr || !entry->element || entry->matcher == nullptr) continue;
    std::u16string link_url;
    if (FAILED(entry->matcher->GetLinkUrl(entry->element.Get(), link_url))) continue;
    if (cache.Contains(link_url)) {
      cached.push_back({number, std::move(link_url)});
    } else {
      URLScanQueryElement query;
      query.Id = static_cast<int>(number);
      query.url = std::move(link_url);
      queries.push_back(std::move(query));
    }
  }
  if (queries.empty() && cached.empty()) return S_OK;

  URLScanResult answer;
  if (!queries.empty()) {
    hr = service.ScanUrls(static_cast<int>(queries.size()), queries.data(), &answer);
    if (FAILED(hr)) return hr;
  }

  for (const URLScanResultElement& record : answer.urlScanResults) {
    const LinkEntry* entry = links.Lookup(record.id);
    if (entry != nullptr && entry->matcher != nullptr) AnnotateLink(entry->matcher, entry->element.Get(), &record);
  }

  for (const NumberedUrl& link : cached) {
    const LinkEntry* entry = links.Lookup(link.number);
    if (entry == nullptr || entry->matcher == nullptr) continue;
    const LinkCacheManager::Record cached_record = cache.Lookup(link.url);
    if (!cached_record) continue;
    // The cached rating carries the link number of the page it was first
    // asked for; the layer of this link must carry this page's number, or
    // it could share its identifier with another link's layer.
    URLScanResultElement record = *cached_record;
    record.id = static_cast<int>(link.number);
    AnnotateLink(entry->matcher, entry->element.Get(), &record);
  }

  for (const URLScanResultElement& record : answer.urlScanResults) {
    const LinkEntry* entry = links.Lookup(record.id);
    if (entry == nullptr || entry->matcher == nullptr || !entry->element) continue;
    std::u16string link_url;
    if (SUCCEEDED(entry->matcher->GetLinkUrl(entry->element.Get(), link_url))) cache.Store(link_url, record);
  }
  return S_OK;
}
