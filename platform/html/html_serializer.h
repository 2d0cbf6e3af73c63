// Writing the libxml2 tree of a page back out as HTML, as browsers write
// innerHTML and outerHTML.
#pragma once

#include <libxml/tree.h>

#include <string>

namespace quorvia::html {

// Appends the markup of node (an element with its content, text, comment,
// doctype) to out, in UTF-8.
void SerializeNode(const xmlNode* node, std::string& out);
// Appends the markup of node's children.
void SerializeChildren(const xmlNode* node, std::string& out);

}  // namespace quorvia::html
