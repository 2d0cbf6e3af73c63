// Small operations on the libxml2 tree behind a page document: linking
// nodes without merging text nodes (libxml2's own insertion functions merge
// adjacent text nodes and free the inserted one), element kinds, attributes
// and tree walks.
#pragma once

#include <libxml/tree.h>

#include <optional>
#include <string>
#include <string_view>

namespace quorvia::html {

inline const char* NameOf(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

bool IsElement(const xmlNode* node);
// Element named name (letter case ignored).
bool IsElementNamed(const xmlNode* node, std::string_view name);
// Elements with no content and no end tag (br, img, link, ...).
bool IsVoidElement(const xmlNode* node);
// Elements whose content is raw text, not markup (script, style).
bool IsRawTextElement(const xmlNode* node);
// Whether markup and elements may be put inside the element.
bool CanHoldMarkup(const xmlNode* node);

// Links node (unlinked, of the same document) into parent before ref (null:
// as the last child). parent may be the document node.
void LinkBefore(xmlNodePtr parent, xmlNodePtr ref, xmlNodePtr node);
// Takes node out of its parent's children; the node keeps its subtree.
void Unlink(xmlNodePtr node);

// The attribute's value, or nothing when the element has no such attribute.
// exact_case: match the name with its letter case; else without.
std::optional<std::string> GetAttribute(const xmlNode* node, std::string_view name, bool exact_case = false);
xmlAttrPtr FindAttribute(const xmlNode* node, std::string_view name, bool exact_case);
// Sets the attribute (an existing one matched without regard to case keeps
// its name).
void SetAttribute(xmlNodePtr node, std::string_view name, std::string_view value);
bool RemoveAttribute(xmlNodePtr node, std::string_view name, bool exact_case = false);

// A name usable for an element or an attribute: a letter, then letters,
// digits, "-", "_", ":" or ".".
bool IsPlainName(std::string_view name);
std::string LowerAscii(std::string_view text);

// The next node after node in document order within root's subtree (root
// itself excluded); descend: whether to enter node's children.
xmlNodePtr NextInTree(xmlNodePtr node, xmlNodePtr root, bool descend = true);
// Whether node is ancestor or the node itself.
bool IsInclusiveAncestor(const xmlNode* ancestor, const xmlNode* node);

// The root element (`html`) of the document, or null.
xmlNodePtr RootElement(xmlDocPtr doc);
// The first child element of parent with the given name, or null.
xmlNodePtr ChildElement(xmlNodePtr parent, std::string_view name);

// The text of node's content: text and CDATA of every descendant, those of
// script and style elements left out unless include_raw.
std::string TextContent(const xmlNode* node, bool include_raw);

}  // namespace quorvia::html
