// The search engines of the configuration, and the result links of one page.
//
// CLinkMatchersManager is the ordered list of configured engines; given a
// page address it tells which engine, if any, produced the page.
// CLinksManager is the table of one page's result links: it walks the page's
// link collection, keeps every anchor that one of the engine's result
// matchers selects and numbers them 1, 2, 3 ... in collection order. The
// numbers travel in the rating request and come back with the ratings.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/links/link_matchers.h"
#include "platform/com/com_ptr.h"
#include "platform/com/types.h"
#include "platform/html/html_interfaces.h"

// One configured search engine. Owns its URL matcher and its result-matcher
// container (and through it the result matchers).
struct SearchEngineRecord {
  SearchEngineRecord(std::u16string engineId, std::unique_ptr<HrefLinkMatcher> engineUrlMatcher,
                     std::unique_ptr<LinkMatcherContainer> engineMatchers);
  SearchEngineRecord(const SearchEngineRecord&) = delete;
  SearchEngineRecord& operator=(const SearchEngineRecord&) = delete;
  // Destroys the URL matcher, then the container.
  ~SearchEngineRecord();

  std::u16string id;
  // Recognises the engine's result pages by their address (MatchText).
  std::unique_ptr<HrefLinkMatcher> urlMatcher;
  // Picks the result links out of such a page.
  std::unique_ptr<LinkMatcherContainer> matchers;
};

class CLinkMatchersManager {
 public:
  CLinkMatchersManager();
  CLinkMatchersManager(const CLinkMatchersManager&) = delete;
  CLinkMatchersManager& operator=(const CLinkMatchersManager&) = delete;

  // The only virtual operation: destroys every record.
  virtual ~CLinkMatchersManager();

  // Appends record at the end and takes it over; a null record is ignored.
  void AddEngine(std::unique_ptr<SearchEngineRecord> record);
  // The first record, from the front, whose URL matcher accepts url; null
  // when none does (records without a URL matcher are passed over).
  const SearchEngineRecord* FindEngine(std::u16string_view url) const;

  // The records in the order they were added.
  std::size_t GetCount() const noexcept { return m_engines.size(); }
  const SearchEngineRecord* GetAt(std::size_t index) const noexcept {
    return index < m_engines.size() ? m_engines[index].get() : nullptr;
  }

 private:
  std::vector<std::unique_ptr<SearchEngineRecord>> m_engines;
};

// One result link: the anchor (a counted reference, released by Clear) and
// the result matcher that selected it (borrowed from the configuration).
struct LinkEntry {
  quorvia::ComPtr<IHTMLAnchorElement> element;
  ILinkMatcher* matcher = nullptr;
};

class CLinksManager {
 public:
  using Table = std::unordered_map<LONG, LinkEntry>;

  // An empty table; the counter at 0.
  CLinksManager();
  CLinksManager(const CLinksManager&) = delete;
  CLinksManager& operator=(const CLinksManager&) = delete;

  // The only virtual operation: clears the table.
  virtual ~CLinksManager();

  // Walks links (a page's link collection) from index 0 and keeps every
  // anchor that matchers->FindMatcher selects, under the next number. Items
  // that cannot be read, are not anchors (image-map areas) or are not
  // selected are skipped. Fails only when the collection's length cannot be
  // read (the table is then unchanged); E_POINTER for a null collection or
  // container.
  HRESULT CollectLinks(IHTMLElementCollection* links, const LinkMatcherContainer* matchers);

  // The entry with link number `number`; null when there is none.
  const LinkEntry* Lookup(LONG number) const;
  // Every entry, keyed by link number, in the table's own order (callers
  // must not rely on it).
  const Table& GetEntries() const noexcept { return m_table; }
  Table::const_iterator begin() const noexcept { return m_table.begin(); }
  Table::const_iterator end() const noexcept { return m_table.end(); }
  std::size_t GetCount() const noexcept { return m_table.size(); }
  // The last number given out; 0 while the table is empty.
  LONG GetLastNumber() const noexcept { return m_counter.load(); }

  // Releases every held anchor, empties the table and sets the counter to 0.
  void Clear();

 private:
  Table m_table;
  std::atomic<LONG> m_counter;
};
