// The core library's two process-wide rating objects: the on/off switch and
// the rating cache. Both are built while the library loads (the switch
// first) and destroyed when it is unloaded; every toolbar instance of the
// process uses the same two objects.
#pragma once

#include "core/rating/connection_manager.h"
#include "core/rating/link_cache_manager.h"

// Defined in rating_statics.cpp, with the objects themselves.
ConnectionManager& GetConnectionManager();
LinkCacheManager& GetLinkCacheManager();
