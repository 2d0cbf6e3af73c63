#include "core/rating/link_cache_manager.h"

#include <string_view>
#include <utility>

#include "platform/text/convert.h"

namespace {

constexpr std::string_view kHttpPrefix = "http://";
constexpr std::size_t kShortestSiteAddress = 9;

}  // namespace

LinkCacheManager::LinkCacheManager() = default;

LinkCacheManager::~LinkCacheManager() = default;

std::u16string LinkCacheManager::CacheKey(const std::u16string& address) {
  const std::string narrow = quorvia::Utf16ToUtf8(address);
  if (narrow.size() < kShortestSiteAddress || !narrow.starts_with(kHttpPrefix)) return address;
  const std::size_t start = kHttpPrefix.size();
  const std::size_t slash = narrow.find('/', start);
  // "/" is a single byte in UTF-8 and never part of a longer sequence, so
  // the cut always falls between whole characters.
  return quorvia::Utf8ToUtf16(std::string_view(narrow).substr(start, slash == std::string::npos ? std::string::npos
                                                                                                 : slash - start));
}

bool LinkCacheManager::Contains(const std::u16string& address) {
  SyncObject lock(this);
  const std::u16string key = CacheKey(address);
  return !key.empty() && m_cache.contains(key);
}

LinkCacheManager::Record LinkCacheManager::Lookup(const std::u16string& address) {
  SyncObject lock(this);
  const std::u16string key = CacheKey(address);
  if (key.empty()) return nullptr;
  const auto found = m_cache.find(key);
  return found == m_cache.end() ? nullptr : found->second;
}

void LinkCacheManager::Store(const std::u16string& address, const URLScanResultElement& rating) {
  // The copy is made before the lock is taken; the lock covers the map.
  auto copy = std::make_shared<URLScanResultElement>(rating);
  copy->desc.reset();
  SyncObject lock(this);
  std::u16string key = CacheKey(address);
  if (key.empty()) return;
  // The replaced record lives on for as long as a reader still holds it.
  m_cache.insert_or_assign(std::move(key), Record(std::move(copy)));
}
