// A library built from the rating sources with their process-wide objects,
// loaded by a test process the way the host loads the core library: the
// on/off switch and the cache are built when it loads.
#include "core/rating/rating_globals.h"
#include "platform/api.h"

extern "C" {

QUORVIA_EXPORT int ProbeIsEnabled() { return GetConnectionManager().IsEnabled() ? 1 : 0; }

QUORVIA_EXPORT void ProbeSetEnabled(int on) { GetConnectionManager().SetEnabled(on != 0); }

}  // extern "C"
