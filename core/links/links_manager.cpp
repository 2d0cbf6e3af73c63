#include "core/links/links_manager.h"

#include <utility>

#include "platform/com/variant.h"

// SearchEngineRecord

SearchEngineRecord::SearchEngineRecord(std::u16string engineId, std::unique_ptr<HrefLinkMatcher> engineUrlMatcher,
                                       std::unique_ptr<LinkMatcherContainer> engineMatchers)
    : id(std::move(engineId)), urlMatcher(std::move(engineUrlMatcher)), matchers(std::move(engineMatchers)) {}

SearchEngineRecord::~SearchEngineRecord() {
  urlMatcher.reset();
  matchers.reset();
}

// CLinkMatchersManager

CLinkMatchersManager::CLinkMatchersManager() = default;

CLinkMatchersManager::~CLinkMatchersManager() { m_engines.clear(); }

void CLinkMatchersManager::AddEngine(std::unique_ptr<SearchEngineRecord> record) {
  if (record) m_engines.push_back(std::move(record));
}

const SearchEngineRecord* CLinkMatchersManager::FindEngine(std::u16string_view url) const {
  for (const auto& record : m_engines) {
    if (record->urlMatcher && record->urlMatcher->MatchText(url)) return record.get();
  }
  return nullptr;
}

// CLinksManager

CLinksManager::CLinksManager() : m_counter(0) {}

CLinksManager::~CLinksManager() { Clear(); }

HRESULT CLinksManager::CollectLinks(IHTMLElementCollection* links, const LinkMatcherContainer* matchers) {
  if (links == nullptr || matchers == nullptr) return E_POINTER;

  LONG length = 0;
  HRESULT hr = links->get_length(&length);
  if (FAILED(hr)) return hr;

  for (LONG index = 0; index < length; ++index) {
    // The index goes in both as the name and as the index.
    CComVariant position(index);
    quorvia::ComPtr<IDispatch> item;
    if (FAILED(links->item(position, position, &item)) || !item) continue;

    // Image-map areas and anything else that is not an anchor are passed over.
    quorvia::ComPtr<IHTMLAnchorElement> anchor;
    if (FAILED(item.As(&anchor)) || !anchor) continue;

    ILinkMatcher* matcher = matchers->FindMatcher(anchor.Get());
    if (matcher == nullptr) continue;

    const LONG number = m_counter.fetch_add(1) + 1;
    m_table[number] = LinkEntry{std::move(anchor), matcher};
  }
  return S_OK;
}

const LinkEntry* CLinksManager::Lookup(LONG number) const {
  auto it = m_table.find(number);
  return it == m_table.end() ? nullptr : &it->second;
}

void CLinksManager::Clear() {
  m_table.clear();
  m_counter.store(0);
}
