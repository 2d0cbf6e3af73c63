// Resolving the addresses a page writes (href, src) against its base
// address, as browsers do.
#pragma once

#include <string>
#include <string_view>

#include "platform/api.h"

namespace quorvia {

// reference resolved against base (both UTF-8), following RFC 3986 with the
// browsers' tolerances:
// - leading and trailing spaces and control characters are dropped, tabs
//   and line breaks inside are removed;
// - in http, https, ftp, ws, wss and file addresses a backslash before the
//   query counts as "/", "http:path" on an http base is relative, the host
//   is lower-cased and an empty path becomes "/";
// - the scheme is lower-cased; "." and ".." segments of hierarchical paths
//   are removed;
// - spaces, quotes, "<", ">", "`" and control characters are percent-encoded
//   (other characters, non-ASCII included, are kept).
// A relative reference that cannot be resolved (empty base, or a base such as
// "about:blank" or "mailto:x" that has no hierarchical path) comes back
// cleaned but unresolved; a reference that is only "#fragment" is still put
// on such a base.
QUORVIA_PLATFORM_API std::string ResolveUrl(std::string_view base, std::string_view reference);

}  // namespace quorvia
