// Turning page bytes and markup fragments into libxml2 trees the way a
// browser reads them.
#pragma once

#include <libxml/tree.h>

#include <string>
#include <string_view>
#include <vector>

namespace quorvia::html {

// The page's text in UTF-8, from its bytes: a byte-order mark wins, then
// charset (the transport's), then a <meta> declaration near the start, then
// UTF-8 when the bytes are valid UTF-8, else windows-1252. Sequences not
// valid in the chosen encoding and null characters become U+FFFD.
std::string DecodePage(std::string_view bytes, std::string_view charset);

// Parses a whole page (UTF-8) quietly and forgivingly. The result always
// has a root `html` element with a `body` or `frameset`; content the parser
// put after the end of the root is moved into the body. Null only when
// memory runs out.
xmlDocPtr ParseDocument(std::string_view utf8);

// Parses a fragment of markup (UTF-8) as the content of a `div` in a body,
// forgiving stray and mismatched tags, and returns its top-level nodes,
// copied into doc and not linked anywhere (the caller links or frees them).
std::vector<xmlNodePtr> ParseFragment(xmlDocPtr doc, std::string_view utf8);

}  // namespace quorvia::html
