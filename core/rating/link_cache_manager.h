// The ratings received during the life of the process, keyed by web site,
// so that links to a site already rated are marked without asking the
// service again. No expiry, no size limit; the last rating stored for a site
// wins.
//
// The virtual operations are declared in a fixed order; keep it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "core/rating/rating_records.h"
#include "core/support/sync_objects.h"

class LinkCacheManager : public CriticalSection {
 public:
  // A stored rating. Shared: a reader keeps the record it was handed even
  // when a later Store replaces it in the cache.
  using Record = std::shared_ptr<const URLScanResultElement>;

  LinkCacheManager();
  // Frees every stored rating that no reader still holds.
  ~LinkCacheManager() override;

  // True when a rating is stored under the address's key.
  virtual bool Contains(const std::u16string& address);
  // The rating stored under the address's key, or null.
  virtual Record Lookup(const std::u16string& address);
  // Stores a copy of `rating` without its description under the address's
  // key, replacing what was stored there.
  virtual void Store(const std::u16string& address, const URLScanResultElement& rating);

  // The cache key of an address. For an address that begins with "http://"
  // (case-sensitive) and has at least 9 characters in its narrow form: the
  // text after "http://" up to the next "/" (the host, with any user
  // information and port). Any other address is its own key. An empty key
  // means that the address cannot be cached.
  static std::u16string CacheKey(const std::u16string& address);

 private:
  // Compared character by character, case-sensitive.
  std::map<std::u16string, Record> m_cache;
};
