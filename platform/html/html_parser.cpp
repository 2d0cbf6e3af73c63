#include "platform/html/html_parser.h"

#include <iconv.h>
#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <array>
#include <cerrno>
#include <climits>
#include <mutex>
#include <optional>

#include "platform/html/html_tree.h"
#include "platform/text/convert.h"

namespace quorvia::html {
namespace {

constexpr int kParseOptions = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                              HTML_PARSE_NODEFDTD | HTML_PARSE_IGNORE_ENC;

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

void EnsureLibxmlReady() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

void IgnoreMessage(void*, const char*, ...) {}

// While it lives, libxml2 reports nothing on this thread: some messages
// (encoding trouble, for one) bypass the parser's own switches and would go
// to stderr. The previous handlers come back afterwards.
class QuietErrors {
 public:
  QuietErrors()
      : generic_(xmlGenericError),
        generic_context_(xmlGenericErrorContext),
        structured_(xmlStructuredError),
        structured_context_(xmlStructuredErrorContext) {
    xmlSetGenericErrorFunc(nullptr, IgnoreMessage);
    xmlStructuredErrorFunc ignore = [](void*, auto*) {};
    xmlSetStructuredErrorFunc(nullptr, ignore);
  }
  ~QuietErrors() {
    xmlSetGenericErrorFunc(generic_context_, generic_);
    xmlSetStructuredErrorFunc(structured_context_, structured_);
  }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  xmlGenericErrorFunc generic_;
  void* generic_context_;
  xmlStructuredErrorFunc structured_;
  void* structured_context_;
};

void ReplaceNulls(std::string& text) {
  std::string::size_type pos = 0;
  while ((pos = text.find('\0', pos)) != std::string::npos) {
    text.replace(pos, 1, kReplacement);
    pos += kReplacement.size();
  }
}

// UTF-8 with every ill-formed sequence replaced.
std::string ValidUtf8(std::string_view bytes) {
  std::string out = Utf16ToUtf8(Utf8ToUtf16(bytes));
  ReplaceNulls(out);
  return out;
}

bool IsValidUtf8(std::string_view bytes) { return Utf16ToUtf8(Utf8ToUtf16(bytes)) == bytes; }

std::optional<std::string> Convert(const std::string& encoding, std::string_view bytes) {
  if (encoding == "UTF-8") return ValidUtf8(bytes);
  iconv_t cd = iconv_open("UTF-8", encoding.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::size_t unit = encoding.starts_with("UTF-16") ? 2 : 1;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  std::array<char, 8192> buffer;
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  while (in_left > 0) {
    char* dest = buffer.data();
    std::size_t room = buffer.size();
    std::size_t result = iconv(cd, &in, &in_left, &dest, &room);
    out.append(buffer.data(), static_cast<std::size_t>(dest - buffer.data()));
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // An invalid or truncated sequence: one replacement character, and go
      // on after it.
      out += kReplacement;
      std::size_t skip = in_left < unit ? in_left : unit;
      in += skip;
      in_left -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  char* dest = buffer.data();
  std::size_t room = buffer.size();
  iconv(cd, nullptr, nullptr, &dest, &room);
  out.append(buffer.data(), static_cast<std::size_t>(dest - buffer.data()));
  iconv_close(cd);
  ReplaceNulls(out);
  return out;
}

// The encoding name for a charset label, as browsers read the labels; empty
// for no usable label. A page that declares UTF-16 in its own markup is
// necessarily ASCII-compatible, so that declaration means UTF-8.
std::string EncodingForLabel(std::string_view label, bool declared_in_page) {
  std::string name = LowerAscii(label);
  while (!name.empty() && static_cast<unsigned char>(name.back()) <= 0x20) name.pop_back();
  std::size_t start = 0;
  while (start < name.size() && static_cast<unsigned char>(name[start]) <= 0x20) ++start;
  name.erase(0, start);
  if (name.empty()) return {};
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':';
    if (!ok) return {};
  }
  static constexpr std::array<std::string_view, 3> kUtf8 = {"utf-8", "utf8", "unicode-1-1-utf-8"};
  static constexpr std::array<std::string_view, 13> kWestern = {
      "iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "l1",     "us-ascii",        "ascii",
      "windows-1252", "cp1252", "x-cp1252",  "cp819",  "ibm819", "ansi_x3.4-1968"};
  static constexpr std::array<std::string_view, 4> kChinese = {"gb2312", "gb_2312-80", "csgb2312", "x-gbk"};
  for (std::string_view l : kUtf8) {
    if (name == l) return "UTF-8";
  }
  for (std::string_view l : kWestern) {
    if (name == l) return "WINDOWS-1252";
  }
  for (std::string_view l : kChinese) {
    if (name == l) return "GBK";
  }
  if (name == "utf-16" || name == "utf-16le" || name == "unicode") return declared_in_page ? "UTF-8" : "UTF-16LE";
  if (name == "utf-16be") return declared_in_page ? "UTF-8" : "UTF-16BE";
  std::string upper = name;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

// The charset a <meta> element near the start of the page declares
// (<meta charset=...> or the charset parameter of a content type).
std::string MetaCharset(std::string_view bytes) {
  std::string head = LowerAscii(bytes.substr(0, 4096));
  std::size_t pos = 0;
  while ((pos = head.find("<meta", pos)) != std::string::npos) {
    std::size_t end = head.find('>', pos);
    if (end == std::string::npos) end = head.size();
    std::string_view tag = std::string_view(head).substr(pos, end - pos);
    std::size_t at = tag.find("charset");
    while (at != std::string_view::npos) {
      std::size_t i = at + 7;
      while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '\n' || tag[i] == '\r')) ++i;
      if (i < tag.size() && tag[i] == '=') {
        ++i;
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '\n' || tag[i] == '\r')) ++i;
        if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) ++i;
        std::size_t value_end = i;
        while (value_end < tag.size() && tag[value_end] != '"' && tag[value_end] != '\'' && tag[value_end] != ' ' &&
               tag[value_end] != ';' && tag[value_end] != '/' && tag[value_end] != '\t') {
          ++value_end;
        }
        if (value_end > i) return std::string(tag.substr(i, value_end - i));
      }
      at = tag.find("charset", at + 7);
    }
    pos = end;
  }
  return {};
}

xmlNodePtr NewElement(xmlDocPtr doc, const char* name) {
  return xmlNewDocNode(doc, nullptr, reinterpret_cast<const xmlChar*>(name), nullptr);
}

// Moves node's children to the end of target.
void MoveChildren(xmlNodePtr from, xmlNodePtr target) {
  while (xmlNodePtr child = from->children) {
    Unlink(child);
    LinkBefore(target, nullptr, child);
  }
}

// Moves content the parser left outside the body into the body's end. A
// stray `html` element (the parser starts one for content after "</html>")
// gives up its content and goes.
void AbsorbIntoBody(xmlNodePtr node, xmlNodePtr body) {
  Unlink(node);
  if (!IsElementNamed(node, "html")) {
    LinkBefore(body, nullptr, node);
    return;
  }
  while (xmlNodePtr child = node->children) {
    if (IsElementNamed(child, "head") || IsElementNamed(child, "body")) {
      MoveChildren(child, body);
      Unlink(child);
      xmlFreeNode(child);
    } else {
      AbsorbIntoBody(child, body);
    }
  }
  xmlFreeNode(node);
}

bool IsBlankText(const xmlNode* node) {
  if (node->type != XML_TEXT_NODE) return false;
  for (const xmlChar* c = node->content; c != nullptr && *c != 0; ++c) {
    if (*c != ' ' && *c != '\t' && *c != '\n' && *c != '\r' && *c != '\f') return false;
  }
  return true;
}

// Gives the tree the shape every page has: one root `html` with a `body`
// (or frameset), and, as browsers do, the content found after the body or
// after "</html>" at the end of the body.
bool Normalize(xmlDocPtr doc) {
  auto* doc_node = reinterpret_cast<xmlNodePtr>(doc);
  xmlNodePtr root = RootElement(doc);
  if (root == nullptr) {
    root = NewElement(doc, "html");
    if (root == nullptr) return false;
    LinkBefore(doc_node, nullptr, root);
  }
  xmlNodePtr body = ChildElement(root, "body");
  if (body == nullptr && ChildElement(root, "frameset") != nullptr) return true;
  if (body == nullptr) {
    body = NewElement(doc, "body");
    if (body == nullptr) return false;
    LinkBefore(root, nullptr, body);
  }
  // After the body inside the root, and after the root in the document;
  // comments and white space stay where they are.
  for (xmlNodePtr parent : {root, doc_node}) {
    xmlNodePtr next = nullptr;
    for (xmlNodePtr node = parent == root ? body->next : root->next; node != nullptr; node = next) {
      next = node->next;
      if (IsElement(node) || (node->type == XML_TEXT_NODE && !IsBlankText(node))) AbsorbIntoBody(node, body);
    }
  }
  return true;
}

xmlDocPtr ReadMemory(std::string_view utf8) {
  if (utf8.empty() || utf8.size() >= static_cast<std::size_t>(INT_MAX)) return nullptr;
  return htmlReadMemory(utf8.data(), static_cast<int>(utf8.size()), nullptr, "UTF-8", kParseOptions);
}

}  // namespace

std::string DecodePage(std::string_view bytes, std::string_view charset) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return ValidUtf8(bytes.substr(3));
  if (bytes.starts_with("\xFF\xFE")) {
    if (auto text = Convert("UTF-16LE", bytes.substr(2))) return *text;
  }
  if (bytes.starts_with("\xFE\xFF")) {
    if (auto text = Convert("UTF-16BE", bytes.substr(2))) return *text;
  }
  if (std::string encoding = EncodingForLabel(charset, false); !encoding.empty()) {
    if (auto text = Convert(encoding, bytes)) return *text;
  }
  if (std::string encoding = EncodingForLabel(MetaCharset(bytes), true); !encoding.empty()) {
    if (auto text = Convert(encoding, bytes)) return *text;
  }
  if (IsValidUtf8(bytes)) return ValidUtf8(bytes);
  if (auto text = Convert("WINDOWS-1252", bytes)) return *text;
  return ValidUtf8(bytes);
}

xmlDocPtr ParseDocument(std::string_view utf8) {
  if (utf8.size() >= static_cast<std::size_t>(INT_MAX)) return nullptr;
  EnsureLibxmlReady();
  QuietErrors quiet;
  xmlDocPtr doc = ReadMemory(utf8);
  if (doc == nullptr) doc = htmlNewDocNoDtD(nullptr, nullptr);
  if (doc == nullptr) return nullptr;
  if (!Normalize(doc)) {
    xmlFreeDoc(doc);
    return nullptr;
  }
  return doc;
}

std::vector<xmlNodePtr> ParseFragment(xmlDocPtr doc, std::string_view utf8) {
  EnsureLibxmlReady();
  QuietErrors quiet;
  std::string markup = "<html><body><div>";
  markup += utf8;
  ReplaceNulls(markup);
  xmlDocPtr fragment = ReadMemory(markup);
  std::vector<xmlNodePtr> nodes;
  if (fragment == nullptr) return nodes;
  if (Normalize(fragment)) {
    xmlNodePtr body = ChildElement(RootElement(fragment), "body");
    xmlNodePtr first = body != nullptr ? body->children : nullptr;
    std::vector<xmlNodePtr> sources;
    if (IsElementNamed(first, "div")) {
      // The wrapper div holds the fragment; a stray "</div>" in the
      // fragment closes it early, and what follows lands after it.
      for (xmlNodePtr node = first->children; node != nullptr; node = node->next) sources.push_back(node);
      for (xmlNodePtr node = first->next; node != nullptr; node = node->next) sources.push_back(node);
    } else {
      for (xmlNodePtr node = first; node != nullptr; node = node->next) sources.push_back(node);
    }
    for (xmlNodePtr source : sources) {
      if (xmlNodePtr copy = xmlDocCopyNode(source, doc, 1)) nodes.push_back(copy);
    }
  }
  xmlFreeDoc(fragment);
  return nodes;
}

}  // namespace quorvia::html
