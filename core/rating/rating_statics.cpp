#include "core/rating/rating_globals.h"

#include "core/support/static_init_order.h"

namespace {

// Defined in this order in one file: the switch is built before the cache and
// destroyed after it.
ConnectionManager g_connectionManager __attribute__((init_priority(QUORVIA_INIT_ORDER_RATING)));
LinkCacheManager g_linkCacheManager __attribute__((init_priority(QUORVIA_INIT_ORDER_RATING)));

}  // namespace

ConnectionManager& GetConnectionManager() { return g_connectionManager; }
LinkCacheManager& GetLinkCacheManager() { return g_linkCacheManager; }
