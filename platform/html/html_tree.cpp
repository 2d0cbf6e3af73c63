#include "platform/html/html_tree.h"
#include "platform/text/ascii.h"

#include <array>

namespace quorvia::html {
namespace {

const xmlChar* Xml(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }

void AppendText(const xmlNode* node, bool include_raw, std::string& out) {
  for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
    switch (child->type) {
      case XML_TEXT_NODE:
      case XML_CDATA_SECTION_NODE:
        if (child->content != nullptr) out += reinterpret_cast<const char*>(child->content);
        break;
      case XML_ELEMENT_NODE:
        if (include_raw || !IsRawTextElement(child)) AppendText(child, include_raw, out);
        break;
      default:
        break;
    }
  }
}

}  // namespace

bool IsElement(const xmlNode* node) { return node != nullptr && node->type == XML_ELEMENT_NODE; }

bool IsElementNamed(const xmlNode* node, std::string_view name) {
  return IsElement(node) && node->name != nullptr && ascii::IEquals(NameOf(node), name);
}

bool IsVoidElement(const xmlNode* node) {
  static constexpr std::array<std::string_view, 18> kVoid = {
      "area", "base", "basefont", "bgsound", "br",   "col",    "embed", "frame", "hr",
      "img",  "input", "keygen",  "link",    "meta", "param", "source", "track", "wbr"};
  if (!IsElement(node)) return false;
  for (std::string_view name : kVoid) {
    if (IsElementNamed(node, name)) return true;
  }
  return false;
}

bool IsRawTextElement(const xmlNode* node) { return IsElementNamed(node, "script") || IsElementNamed(node, "style"); }

bool CanHoldMarkup(const xmlNode* node) { return IsElement(node) && !IsVoidElement(node) && !IsRawTextElement(node); }

void LinkBefore(xmlNodePtr parent, xmlNodePtr ref, xmlNodePtr node) {
  node->parent = parent;
  node->next = ref;
  node->prev = ref != nullptr ? ref->prev : parent->last;
  if (node->prev != nullptr) {
    node->prev->next = node;
  } else {
    parent->children = node;
  }
  if (ref != nullptr) {
    ref->prev = node;
  } else {
    parent->last = node;
  }
}

void Unlink(xmlNodePtr node) {
  xmlNodePtr parent = node->parent;
  if (parent != nullptr) {
    if (parent->children == node) parent->children = node->next;
    if (parent->last == node) parent->last = node->prev;
  }
  if (node->prev != nullptr) node->prev->next = node->next;
  if (node->next != nullptr) node->next->prev = node->prev;
  node->parent = nullptr;
  node->prev = nullptr;
  node->next = nullptr;
}

xmlAttrPtr FindAttribute(const xmlNode* node, std::string_view name, bool exact_case) {
  if (!IsElement(node)) return nullptr;
  for (xmlAttrPtr attr = node->properties; attr != nullptr; attr = attr->next) {
    if (attr->name == nullptr) continue;
    std::string_view attr_name = reinterpret_cast<const char*>(attr->name);
    if (exact_case ? attr_name == name : ascii::IEquals(attr_name, name)) return attr;
  }
  return nullptr;
}

std::optional<std::string> GetAttribute(const xmlNode* node, std::string_view name, bool exact_case) {
  xmlAttrPtr attr = FindAttribute(node, name, exact_case);
  if (attr == nullptr) return std::nullopt;
  std::string value;
  for (const xmlNode* child = attr->children; child != nullptr; child = child->next) {
    if (child->content != nullptr) value += reinterpret_cast<const char*>(child->content);
  }
  return value;
}

void SetAttribute(xmlNodePtr node, std::string_view name, std::string_view value) {
  xmlAttrPtr attr = FindAttribute(node, name, false);
  std::string attr_name = attr != nullptr ? std::string(reinterpret_cast<const char*>(attr->name)) : std::string(name);
  // xmlSetProp takes the value as plain text (no entity references) and
  // keeps the document's table of identifiers in step.
  xmlSetProp(node, Xml(attr_name), Xml(std::string(value)));
}

bool RemoveAttribute(xmlNodePtr node, std::string_view name, bool exact_case) {
  xmlAttrPtr attr = FindAttribute(node, name, exact_case);
  if (attr == nullptr) return false;
  xmlRemoveProp(attr);
  return true;
}

bool IsPlainName(std::string_view name) {
  if (name.empty()) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!alpha(name.front())) return false;
  for (char c : name) {
    if (!alpha(c) && !(c >= '0' && c <= '9') && c != '-' && c != '_' && c != ':' && c != '.') return false;
  }
  return true;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

xmlNodePtr NextInTree(xmlNodePtr node, xmlNodePtr root, bool descend) {
  if (descend && node->children != nullptr && node->type == XML_ELEMENT_NODE) return node->children;
  while (node != nullptr && node != root) {
    if (node->next != nullptr) return node->next;
    node = node->parent;
  }
  return nullptr;
}

bool IsInclusiveAncestor(const xmlNode* ancestor, const xmlNode* node) {
  for (; node != nullptr; node = node->parent) {
    if (node == ancestor) return true;
  }
  return false;
}

xmlNodePtr RootElement(xmlDocPtr doc) {
  for (xmlNodePtr node = doc->children; node != nullptr; node = node->next) {
    if (IsElement(node)) return node;
  }
  return nullptr;
}

xmlNodePtr ChildElement(xmlNodePtr parent, std::string_view name) {
  if (parent == nullptr) return nullptr;
  for (xmlNodePtr node = parent->children; node != nullptr; node = node->next) {
    if (IsElementNamed(node, name)) return node;
  }
  return nullptr;
}

std::string TextContent(const xmlNode* node, bool include_raw) {
  std::string out;
  AppendText(node, include_raw, out);
  return out;
}

}  // namespace quorvia::html
