#include "platform/html/html_serializer.h"

#include <string_view>

#include "platform/html/html_tree.h"

namespace quorvia::html {
namespace {

std::string_view Text(const xmlChar* text) {
  return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// Escapes text for an attribute value in double quotes, or for element
// content; a no-break space is written as &nbsp; as browsers do.
void AppendEscaped(std::string_view text, bool attribute, std::string& out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '"':
        if (attribute) {
          out += "&quot;";
        } else {
          out += c;
        }
        break;
      case '<':
        if (attribute) {
          out += c;
        } else {
          out += "&lt;";
        }
        break;
      case '>':
        if (attribute) {
          out += c;
        } else {
          out += "&gt;";
        }
        break;
      case '\xC2':
        if (i + 1 < text.size() && text[i + 1] == '\xA0') {
          out += "&nbsp;";
          ++i;
        } else {
          out += c;
        }
        break;
      default:
        out += c;
    }
  }
}

void AppendDoctype(const xmlNode* node, std::string& out) {
  const auto* dtd = reinterpret_cast<const xmlDtd*>(node);
  out += "<!DOCTYPE ";
  out += Text(dtd->name);
  if (dtd->ExternalID != nullptr) {
    out += " PUBLIC \"";
    out += Text(dtd->ExternalID);
    out += "\"";
    if (dtd->SystemID != nullptr) {
      out += " \"";
      out += Text(dtd->SystemID);
      out += "\"";
    }
  } else if (dtd->SystemID != nullptr) {
    out += " SYSTEM \"";
    out += Text(dtd->SystemID);
    out += "\"";
  }
  out += ">";
}

void AppendElement(const xmlNode* node, std::string& out) {
  out += '<';
  out += NameOf(node);
  for (const xmlAttr* attr = node->properties; attr != nullptr; attr = attr->next) {
    out += ' ';
    out += Text(attr->name);
    out += "=\"";
    for (const xmlNode* part = attr->children; part != nullptr; part = part->next) {
      AppendEscaped(Text(part->content), true, out);
    }
    out += '"';
  }
  out += '>';
  if (IsVoidElement(node)) return;
  SerializeChildren(node, out);
  out += "</";
  out += NameOf(node);
  out += '>';
}

}  // namespace

void SerializeNode(const xmlNode* node, std::string& out) {
  switch (node->type) {
    case XML_ELEMENT_NODE:
      AppendElement(node, out);
      break;
    case XML_TEXT_NODE:
      // Script and style content is raw text: written as it stands.
      if (node->parent != nullptr && IsRawTextElement(node->parent)) {
        out += Text(node->content);
      } else {
        AppendEscaped(Text(node->content), false, out);
      }
      break;
    case XML_CDATA_SECTION_NODE:
      out += Text(node->content);
      break;
    case XML_COMMENT_NODE:
      out += "<!--";
      out += Text(node->content);
      out += "-->";
      break;
    case XML_PI_NODE:
      out += "<?";
      out += Text(node->name);
      if (node->content != nullptr) {
        out += ' ';
        out += Text(node->content);
      }
      out += '>';
      break;
    case XML_ENTITY_REF_NODE:
      out += '&';
      out += Text(node->name);
      out += ';';
      break;
    case XML_DTD_NODE:
      AppendDoctype(node, out);
      break;
    default:
      break;
  }
}

void SerializeChildren(const xmlNode* node, std::string& out) {
  for (const xmlNode* child = node->children; child != nullptr; child = child->next) SerializeNode(child, out);
}

}  // namespace quorvia::html
