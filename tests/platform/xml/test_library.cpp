// A library that only carries resources for the XML tests: a layout
// document reached through res:// addresses, and a malformed one.

#include "platform/api.h"

extern "C" QUORVIA_EXPORT int XmlTestLibraryMarker() { return 1; }
