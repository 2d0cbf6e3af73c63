#include "platform/xml/xml_dom.h"

#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/object.h"
#include "platform/module/module.h"
#include "platform/text/convert.h"
#include "platform/xml/xml_library.h"

namespace quorvia::xml {
namespace {

// ---------------------------------------------------------------------------
// Strings

const xmlChar* X(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }
std::string_view View(const xmlChar* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

// Owns a string the XML library allocated.
struct XmlCharDeleter {
  void operator()(xmlChar* p) const noexcept { xmlFree(p); }
};
using XmlString = std::unique_ptr<xmlChar, XmlCharDeleter>;

HRESULT ReturnBstr(std::u16string_view text, BSTR* out) {
  *out = AllocBstr(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

bool HasNull(std::u16string_view text) { return text.find(u'\0') != std::u16string_view::npos; }

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimXmlSpace(std::string_view s) {
  while (!s.empty() && IsXmlSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsXmlSpace(s.back())) s.remove_suffix(1);
  return s;
}

// The string a VARIANT holds (by value or by reference). False for any other
// type.
bool StringOf(const VARIANT& value, std::u16string* out) {
  CComVariant copy;
  if (FAILED(VariantCopyInd(&copy, &value)) || copy.vt != VT_BSTR) return false;
  *out = std::u16string(copy.StringView());
  return true;
}

// The qualified name of an element or attribute.
std::string QualifiedName(const xmlChar* name, const xmlNs* ns) {
  std::string result;
  if (ns != nullptr && ns->prefix != nullptr) {
    result = View(ns->prefix);
    result += ':';
  }
  result += View(name);
  return result;
}

// ---------------------------------------------------------------------------
// Reading sources

HRESULT FromErrno(int error, LONG fallback) {
  switch (error) {
    case ENOENT:
      return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    case ENOMEM:
      return E_OUTOFMEMORY;
    default:
      return HRESULT_FROM_WIN32(fallback);
  }
}

HRESULT ReadFileBytes(const std::string& path, std::string* bytes) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FromErrno(errno, ERROR_READ_FAULT);
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
    close(fd);
    return FromErrno(error, ERROR_READ_FAULT);
  }
  std::string data;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      close(fd);
      return FromErrno(error, ERROR_READ_FAULT);
    }
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  *bytes = std::move(data);
  return S_OK;
}

HRESULT WriteFileBytes(const std::string& path, const char* data, std::size_t size) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return FromErrno(errno, ERROR_WRITE_FAULT);
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int error = n < 0 ? errno : EIO;
      close(fd);
      return FromErrno(error, ERROR_WRITE_FAULT);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  if (close(fd) != 0) return FromErrno(errno, ERROR_WRITE_FAULT);
  return S_OK;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// True for "scheme://...": an address rather than a path.
bool IsAddress(std::u16string_view text) {
  std::size_t i = 0;
  auto alpha = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  if (text.empty() || !alpha(text[0])) return false;
  while (i < text.size() && (alpha(text[i]) || (text[i] >= u'0' && text[i] <= u'9') || text[i] == u'+' ||
                             text[i] == u'-' || text[i] == u'.'))
    ++i;
  return text.substr(i, 3) == u"://";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "file:///p", "file://localhost/p" -> "/p", with %XX escapes decoded.
// False for another host or an address without a path.
bool FileAddressToPath(std::u16string_view address, std::string* path) {
  std::string rest = Utf16ToUtf8(address.substr(7));  // after "file://"
  std::size_t slash = rest.find('/');
  if (slash == std::string::npos) return false;
  std::string host = rest.substr(0, slash);
  for (char& c : host) c = static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
  if (!host.empty() && host != "localhost") return false;
  std::string encoded = rest.substr(slash);
  std::string decoded;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    int hi, lo;
    if (encoded[i] == '%' && i + 2 < encoded.size() && (hi = HexDigit(encoded[i + 1])) >= 0 &&
        (lo = HexDigit(encoded[i + 2])) >= 0) {
      decoded.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else {
      decoded.push_back(encoded[i]);
    }
  }
  if (decoded.find('\0') != std::string::npos) return false;
  *path = std::move(decoded);
  return true;
}

// A path or file:// address as a file path. E_INVALIDARG when it names no
// local file; E_ACCESSDENIED for any other kind of address.
HRESULT LocalPath(std::u16string_view target, std::string* path) {
  if (target.empty() || HasNull(target)) return E_INVALIDARG;
  if (StartsWithNoCase(target, u"file://")) return FileAddressToPath(target, path) ? S_OK : E_INVALIDARG;
  if (IsAddress(target)) return E_ACCESSDENIED;
  *path = Utf16ToUtf8(target);
  return S_OK;
}

HRESULT ReadSource(std::u16string_view source, std::string* bytes) {
  if (source.empty() || HasNull(source)) return E_INVALIDARG;
  if (StartsWithNoCase(source, u"res://")) {
    return LoadResAddress(source, *bytes) ? S_OK : HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
  }
  std::string path;
  HRESULT hr = LocalPath(source, &path);
  if (FAILED(hr)) return hr;
  return ReadFileBytes(path, bytes);
}

// ---------------------------------------------------------------------------
// Parsing

// A document that declares an entity is refused outright: undeclared
// references are errors anyway, and nothing can then expand into a large
// amount of text or reach outside the document.
void RefuseEntityDecl(void* ctx, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
  auto* parser = static_cast<xmlParserCtxtPtr>(ctx);
  parser->wellFormed = 0;
  xmlStopParser(parser);
}
void RefuseUnparsedEntityDecl(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* parser = static_cast<xmlParserCtxtPtr>(ctx);
  parser->wellFormed = 0;
  xmlStopParser(parser);
}

// No network, no entity substitution, no DTD loading or validation; the
// library's own nesting limit stays in force (no XML_PARSE_HUGE).
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

HRESULT ParseDocument(const std::string& bytes, xmlDocPtr* out) {
  *out = nullptr;
  if (bytes.empty()) return E_FAIL;
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return E_OUTOFMEMORY;
  InitXmlLibrary();
  QuietXmlMessages quiet;
  xmlParserCtxtPtr parser = xmlCreateMemoryParserCtxt(bytes.data(), static_cast<int>(bytes.size()));
  if (parser == nullptr) return E_OUTOFMEMORY;
  xmlCtxtUseOptions(parser, kParseOptions);
  parser->sax->serror = DropXmlError;
  parser->sax->entityDecl = RefuseEntityDecl;
  parser->sax->unparsedEntityDecl = RefuseUnparsedEntityDecl;
  xmlParseDocument(parser);
  bool ok = parser->wellFormed != 0 && parser->nsWellFormed != 0 && parser->myDoc != nullptr;
  xmlDocPtr doc = parser->myDoc;
  parser->myDoc = nullptr;
  xmlFreeParserCtxt(parser);
  if (!ok) {
    if (doc != nullptr) xmlFreeDoc(doc);
    return E_FAIL;
  }
  *out = doc;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Serialisation

std::string SerialiseNode(xmlNodePtr node, int options) {
  std::string text;
  xmlBufferPtr buffer = xmlBufferCreate();
  if (buffer == nullptr) return text;
  xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, "UTF-8", options);
  if (save != nullptr) {
    if (node->type == XML_DOCUMENT_NODE) {
      xmlSaveDoc(save, reinterpret_cast<xmlDocPtr>(node));
    } else {
      xmlSaveTree(save, node);
    }
    xmlSaveClose(save);
    text.assign(reinterpret_cast<const char*>(xmlBufferContent(buffer)), static_cast<std::size_t>(xmlBufferLength(buffer)));
  }
  xmlBufferFree(buffer);
  return text;
}

// ---------------------------------------------------------------------------
// The tree and the objects over it

// One parsed tree. Shared by the document that loaded it and every node,
// list and attribute map taken from it, so that it outlives all of them.
struct XmlTree {
  explicit XmlTree(xmlDocPtr d) : doc(d) {}
  ~XmlTree() { xmlFreeDoc(doc); }
  XmlTree(const XmlTree&) = delete;
  XmlTree& operator=(const XmlTree&) = delete;
  xmlDocPtr doc;
};
using TreePtr = std::shared_ptr<XmlTree>;
using Namespaces = std::vector<std::pair<std::string, std::string>>;

class DomDocument;
Namespaces SelectionNamespacesOf(DomDocument* document);

// What a node object refers to: the document whose selection settings apply
// (held by a reference), the tree and the node in it.
struct NodeRef {
  ComPtr<IXMLDOMDocument> owner_ref;
  DomDocument* owner = nullptr;
  TreePtr tree;
  xmlNodePtr node = nullptr;
};

HRESULT MakeNode(const NodeRef& ref, xmlNodePtr node, IXMLDOMNode** out);

HRESULT NodeName(xmlNodePtr node, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (node == nullptr) return ReturnBstr(u"#document", out);
  std::string name;
  switch (node->type) {
    case XML_ELEMENT_NODE:
      name = QualifiedName(node->name, node->ns);
      break;
    case XML_ATTRIBUTE_NODE:
      name = QualifiedName(node->name, reinterpret_cast<xmlAttrPtr>(node)->ns);
      break;
    case XML_TEXT_NODE:
      name = "#text";
      break;
    case XML_CDATA_SECTION_NODE:
      name = "#cdata-section";
      break;
    case XML_COMMENT_NODE:
      name = "#comment";
      break;
    case XML_PI_NODE:
      name = View(node->name);
      break;
    case XML_DOCUMENT_NODE:
      name = "#document";
      break;
    default:
      name = "#" + std::string(View(node->name));
      break;
  }
  return ReturnBstr(Utf8ToUtf16(name), out);
}

HRESULT NodeText(xmlNodePtr node, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (node == nullptr) return S_OK;
  XmlString content(xmlNodeGetContent(node));
  std::string_view text = View(content.get());
  if (node->type == XML_ATTRIBUTE_NODE) return ReturnBstr(Utf8ToUtf16(text), out);
  if (node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE) text = TrimXmlSpace(text);
  if (text.empty()) return S_OK;
  return ReturnBstr(Utf8ToUtf16(text), out);
}

HRESULT NodeXml(xmlNodePtr node, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (node == nullptr) return ReturnBstr(u"", out);
  std::string text;
  if (node->type == XML_DOCUMENT_NODE) {
    // The declaration names no encoding: the text is handed on as UTF-16 and
    // whoever stores it chooses the bytes.
    auto* doc = reinterpret_cast<xmlDocPtr>(node);
    text = "<?xml version=\"";
    text += doc->version ? View(doc->version) : std::string_view("1.0");
    text += '"';
    if (doc->standalone == 1) text += " standalone=\"yes\"";
    if (doc->standalone == 0) text += " standalone=\"no\"";
    text += "?>\n";
    text += SerialiseNode(node, XML_SAVE_NO_DECL);
  } else {
    text = SerialiseNode(node, 0);
    if (node->type == XML_ATTRIBUTE_NODE) text = std::string(TrimXmlSpace(text));
  }
  return ReturnBstr(Utf8ToUtf16(text), out);
}

// Runs expression with ref's node as context node. Nodes come back in
// document order; namespace nodes (copies the XPath engine owns) are left out.
HRESULT Evaluate(const NodeRef& ref, BSTR expression, std::vector<xmlNodePtr>* nodes) {
  std::u16string_view text = BstrView(expression);
  if (HasNull(text)) return E_INVALIDARG;
  InitXmlLibrary();
  QuietXmlMessages quiet;
  xmlDocPtr doc = ref.tree ? ref.tree->doc : nullptr;
  xmlXPathContextPtr context = xmlXPathNewContext(doc);
  if (context == nullptr) return E_OUTOFMEMORY;
  context->error = DropXmlError;
  context->userData = nullptr;
  for (const auto& [prefix, uri] : SelectionNamespacesOf(ref.owner)) {
    if (xmlXPathRegisterNs(context, X(prefix), X(uri)) != 0) {
      xmlXPathFreeContext(context);
      return E_OUTOFMEMORY;
    }
  }
  std::string utf8 = Utf16ToUtf8(text);
  xmlXPathCompExprPtr compiled = xmlXPathCtxtCompile(context, X(utf8));
  if (compiled == nullptr) {
    xmlXPathFreeContext(context);
    return E_FAIL;
  }
  HRESULT hr = S_OK;
  if (doc != nullptr) {
    context->node = ref.node ? ref.node : reinterpret_cast<xmlNodePtr>(doc);
    xmlXPathObjectPtr result = xmlXPathCompiledEval(compiled, context);
    if (result == nullptr || result->type != XPATH_NODESET) {
      hr = E_FAIL;
    } else if (xmlNodeSetPtr set = result->nodesetval; set != nullptr) {
      xmlXPathNodeSetSort(set);
      for (int i = 0; i < set->nodeNr; ++i) {
        if (set->nodeTab[i]->type != XML_NAMESPACE_DECL) nodes->push_back(set->nodeTab[i]);
      }
    }
    xmlXPathFreeObject(result);
  }
  xmlXPathFreeCompExpr(compiled);
  xmlXPathFreeContext(context);
  return hr;
}

class DomNodeList : public ComObjectRootEx<ComMultiThreadModel>, public IXMLDOMNodeList {
 public:
  DomNodeList(NodeRef ref, std::vector<xmlNodePtr> nodes) : ref_(std::move(ref)), nodes_(std::move(nodes)) {}
  static const InterfaceEntry* InterfaceTable() { return InterfaceTableOf<DomNodeList, IXMLDOMNodeList>(); }

  HRESULT get_length(LONG* length) override {
    if (length == nullptr) return E_POINTER;
    *length = static_cast<LONG>(nodes_.size());
    return S_OK;
  }
  HRESULT get_item(LONG index, IXMLDOMNode** node) override {
    if (node == nullptr) return E_POINTER;
    *node = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= nodes_.size()) return S_FALSE;
    return MakeNode(ref_, nodes_[static_cast<std::size_t>(index)], node);
  }

 private:
  NodeRef ref_;
  std::vector<xmlNodePtr> nodes_;
};

// The attribute of element named qname (namespace declarations are not
// attributes in the tree, so they are never found).
xmlAttrPtr FindAttribute(xmlNodePtr element, const std::string& qname) {
  for (xmlAttrPtr attr = element->properties; attr != nullptr; attr = attr->next) {
    if (QualifiedName(attr->name, attr->ns) == qname) return attr;
  }
  return nullptr;
}

// An attribute name from the caller: E_INVALIDARG when empty or holding a
// null character.
HRESULT NameArgument(BSTR name, std::string* out) {
  std::u16string_view text = BstrView(name);
  if (text.empty() || HasNull(text)) return E_INVALIDARG;
  *out = Utf16ToUtf8(text);
  return S_OK;
}

class DomNamedNodeMap : public ComObjectRootEx<ComMultiThreadModel>, public IXMLDOMNamedNodeMap {
 public:
  explicit DomNamedNodeMap(NodeRef ref) : ref_(std::move(ref)) {}
  static const InterfaceEntry* InterfaceTable() { return InterfaceTableOf<DomNamedNodeMap, IXMLDOMNamedNodeMap>(); }

  HRESULT getNamedItem(BSTR name, IXMLDOMNode** item) override {
    if (item == nullptr) return E_POINTER;
    *item = nullptr;
    std::string qname;
    HRESULT hr = NameArgument(name, &qname);
    if (FAILED(hr)) return hr;
    xmlAttrPtr attr = FindAttribute(ref_.node, qname);
    if (attr == nullptr) return S_FALSE;
    return MakeNode(ref_, reinterpret_cast<xmlNodePtr>(attr), item);
  }

 private:
  NodeRef ref_;
};

// The node operations, shared by every node class. Derived supplies Ref():
// the NodeRef of the object (for the document, its current tree).
template <class Derived, class Interface>
class DomNodeBase : public ComObjectRootEx<ComMultiThreadModel>, public Interface {
 public:
  HRESULT get_nodeName(BSTR* name) override { return NodeName(Self()->Ref().node, name); }
  HRESULT get_text(BSTR* text) override { return NodeText(Self()->Ref().node, text); }
  HRESULT get_xml(BSTR* xml) override { return NodeXml(Self()->Ref().node, xml); }
  HRESULT get_attributes(IXMLDOMNamedNodeMap** attributes) override {
    if (attributes == nullptr) return E_POINTER;
    *attributes = nullptr;
    NodeRef ref = Self()->Ref();
    if (ref.node == nullptr || ref.node->type != XML_ELEMENT_NODE) return S_FALSE;
    auto map = MakeComObject<DomNamedNodeMap>(std::move(ref));
    if (!map) return E_OUTOFMEMORY;
    *attributes = map.Detach();
    return S_OK;
  }
  HRESULT selectNodes(BSTR expression, IXMLDOMNodeList** list) override {
    if (list == nullptr) return E_POINTER;
    *list = nullptr;
    NodeRef ref = Self()->Ref();
    std::vector<xmlNodePtr> nodes;
    HRESULT hr = Evaluate(ref, expression, &nodes);
    if (FAILED(hr)) return hr;
    auto result = MakeComObject<DomNodeList>(std::move(ref), std::move(nodes));
    if (!result) return E_OUTOFMEMORY;
    *list = result.Detach();
    return S_OK;
  }
  HRESULT selectSingleNode(BSTR expression, IXMLDOMNode** node) override {
    if (node == nullptr) return E_POINTER;
    *node = nullptr;
    NodeRef ref = Self()->Ref();
    std::vector<xmlNodePtr> nodes;
    HRESULT hr = Evaluate(ref, expression, &nodes);
    if (FAILED(hr)) return hr;
    if (nodes.empty()) return S_FALSE;
    return MakeNode(ref, nodes.front(), node);
  }

 private:
  Derived* Self() { return static_cast<Derived*>(this); }
};

// Any node but an element or the document object.
class DomNode : public DomNodeBase<DomNode, IXMLDOMNode> {
 public:
  explicit DomNode(NodeRef ref) : ref_(std::move(ref)) {}
  static const InterfaceEntry* InterfaceTable() { return InterfaceTableOf<DomNode, IXMLDOMNode>(); }
  const NodeRef& Ref() const { return ref_; }

 private:
  NodeRef ref_;
};

class DomElement : public DomNodeBase<DomElement, IXMLDOMElement> {
 public:
  explicit DomElement(NodeRef ref) : ref_(std::move(ref)) {}
  static const InterfaceEntry* InterfaceTable() {
    return InterfaceTableOf<DomElement, IXMLDOMElement, IXMLDOMNode>();
  }
  const NodeRef& Ref() const { return ref_; }

  HRESULT getAttribute(BSTR name, VARIANT* value) override {
    if (value == nullptr) return E_POINTER;
    VariantInit(value);
    std::string qname;
    HRESULT hr = NameArgument(name, &qname);
    if (FAILED(hr)) return hr;
    xmlAttrPtr attr = FindAttribute(ref_.node, qname);
    if (attr == nullptr) {
      value->vt = VT_NULL;
      return S_FALSE;
    }
    XmlString content(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attr)));
    BSTR text = AllocBstr(Utf8ToUtf16(View(content.get())));
    if (text == nullptr) return E_OUTOFMEMORY;
    value->vt = VT_BSTR;
    value->bstrVal = text;
    return S_OK;
  }

  HRESULT setAttribute(BSTR name, VARIANT value) override {
    std::string qname;
    HRESULT hr = NameArgument(name, &qname);
    if (FAILED(hr)) return hr;
    // Namespace declarations are not attributes here; writing one would
    // change the meaning of every name below the element.
    if (xmlValidateQName(X(qname), 0) != 0 || qname == "xmlns") return E_INVALIDARG;
    CComVariant text;
    hr = VariantCopyInd(&text, &value);
    if (SUCCEEDED(hr)) hr = text.ChangeType(VT_BSTR);
    if (FAILED(hr)) return hr;
    std::u16string_view chars = text.StringView();
    // Characters XML cannot carry would make the saved document unreadable.
    for (char16_t c : chars) {
      if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') return E_INVALIDARG;
      if (c == 0xFFFE || c == 0xFFFF) return E_INVALIDARG;
    }
    std::string utf8 = Utf16ToUtf8(chars);
    xmlAttrPtr set = nullptr;
    if (xmlAttrPtr existing = FindAttribute(ref_.node, qname)) {
      set = xmlSetNsProp(ref_.node, existing->ns, existing->name, X(utf8));
    } else {
      std::size_t colon = qname.find(':');
      xmlNsPtr ns = nullptr;
      std::string local = qname;
      if (colon != std::string::npos) {
        std::string prefix = qname.substr(0, colon);
        local = qname.substr(colon + 1);
        ns = xmlSearchNs(ref_.node->doc, ref_.node, X(prefix));
        if (ns == nullptr) return E_INVALIDARG;
      }
      set = xmlSetNsProp(ref_.node, ns, X(local), X(utf8));
    }
    return set != nullptr ? S_OK : E_OUTOFMEMORY;
  }

 private:
  NodeRef ref_;
};

template <class T>
HRESULT Hand(ComPtr<ComObject<T>> object, IXMLDOMNode** out) {
  if (!object) return E_OUTOFMEMORY;
  *out = static_cast<IXMLDOMNode*>(object.Detach());
  return S_OK;
}

HRESULT MakeNode(const NodeRef& ref, xmlNodePtr node, IXMLDOMNode** out) {
  NodeRef target{ref.owner_ref, ref.owner, ref.tree, node};
  if (node->type == XML_ELEMENT_NODE) return Hand(MakeComObject<DomElement>(std::move(target)), out);
  return Hand(MakeComObject<DomNode>(std::move(target)), out);
}

// Parses "xmlns:p='uri' xmlns:q=\"uri\" ...". A default declaration
// (xmlns='uri') is accepted and has no effect: XPath 1.0 never gives an
// unprefixed name a namespace.
bool ParseSelectionNamespaces(std::u16string_view value, Namespaces* out) {
  std::string text = Utf16ToUtf8(value);
  Namespaces result;
  std::size_t i = 0;
  auto skip_space = [&] {
    while (i < text.size() && IsXmlSpace(text[i])) ++i;
  };
  for (;;) {
    skip_space();
    if (i == text.size()) break;
    if (text.compare(i, 5, "xmlns") != 0) return false;
    i += 5;
    std::string prefix;
    if (i < text.size() && text[i] == ':') {
      std::size_t start = ++i;
      while (i < text.size() && text[i] != '=' && !IsXmlSpace(text[i])) ++i;
      prefix = text.substr(start, i - start);
      if (xmlValidateNCName(X(prefix), 0) != 0 || prefix == "xmlns") return false;
    }
    skip_space();
    if (i == text.size() || text[i] != '=') return false;
    ++i;
    skip_space();
    if (i == text.size() || (text[i] != '\'' && text[i] != '"')) return false;
    char quote = text[i++];
    std::size_t end = text.find(quote, i);
    if (end == std::string::npos) return false;
    std::string uri = text.substr(i, end - i);
    i = end + 1;
    if (i < text.size() && !IsXmlSpace(text[i])) return false;
    if (uri.find('\0') != std::string::npos) return false;
    if (prefix.empty()) continue;
    if (uri.empty()) return false;  // a prefix cannot be bound to no namespace
    result.emplace_back(std::move(prefix), std::move(uri));
  }
  *out = std::move(result);
  return true;
}

class DomDocument : public DomNodeBase<DomDocument, IXMLDOMDocument> {
 public:
  static const InterfaceEntry* InterfaceTable() {
    return InterfaceTableOf<DomDocument, IXMLDOMDocument, IXMLDOMNode>();
  }

  // The document's current tree as a NodeRef; lists, maps and nodes made
  // from it hold a reference on the document.
  NodeRef Ref() {
    NodeRef ref;
    ref.owner_ref = static_cast<IXMLDOMDocument*>(this);
    ref.owner = this;
    ref.tree = tree_;
    ref.node = tree_ ? reinterpret_cast<xmlNodePtr>(tree_->doc) : nullptr;
    return ref;
  }

  const Namespaces& SelectionNamespaces() const { return namespaces_; }

  HRESULT put_async(VARIANT_BOOL async) override {
    async_ = async != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT put_validateOnParse(VARIANT_BOOL validate) override {
    validate_on_parse_ = validate != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT put_resolveExternals(VARIANT_BOOL resolve) override {
    resolve_externals_ = resolve != VARIANT_FALSE;
    return S_OK;
  }

  HRESULT setProperty(BSTR name, VARIANT value) override {
    std::u16string_view property = BstrView(name);
    std::u16string text;
    if (!StringOf(value, &text)) return E_INVALIDARG;
    if (property == u"SelectionLanguage") return text == u"XPath" ? S_OK : E_INVALIDARG;
    if (property == u"SelectionNamespaces") {
      Namespaces parsed;
      if (!ParseSelectionNamespaces(text, &parsed)) return E_INVALIDARG;
      namespaces_ = std::move(parsed);
      return S_OK;
    }
    return E_INVALIDARG;
  }

  HRESULT load(VARIANT source, VARIANT_BOOL* success) override {
    if (success == nullptr) return E_POINTER;
    *success = VARIANT_FALSE;
    tree_.reset();
    std::u16string address;
    if (!StringOf(source, &address)) return E_INVALIDARG;
    std::string bytes;
    HRESULT hr = ReadSource(address, &bytes);
    if (FAILED(hr)) return hr;
    xmlDocPtr doc = nullptr;
    hr = ParseDocument(bytes, &doc);
    if (FAILED(hr)) return hr;
    try {
      tree_ = std::make_shared<XmlTree>(doc);
    } catch (const std::bad_alloc&) {
      xmlFreeDoc(doc);
      return E_OUTOFMEMORY;
    }
    *success = VARIANT_TRUE;
    return S_OK;
  }

  HRESULT save(VARIANT destination) override {
    std::u16string target;
    if (!StringOf(destination, &target)) return E_INVALIDARG;
    std::string path;
    HRESULT hr = LocalPath(target, &path);
    if (FAILED(hr)) return hr;
    if (!tree_) return E_FAIL;
    xmlDocPtr doc = tree_->doc;
    const char* encoding = doc->encoding ? reinterpret_cast<const char*>(doc->encoding) : "UTF-8";
    xmlChar* bytes = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc, &bytes, &size, encoding);
    if (bytes == nullptr) return E_FAIL;
    hr = WriteFileBytes(path, reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size));
    xmlFree(bytes);
    return hr;
  }

 private:
  TreePtr tree_;
  bool async_ = true;
  bool validate_on_parse_ = true;
  bool resolve_externals_ = true;
  Namespaces namespaces_;
};

Namespaces SelectionNamespacesOf(DomDocument* document) { return document->SelectionNamespaces(); }

}  // namespace
}  // namespace quorvia::xml

HRESULT CreateXmlDocument(IXMLDOMDocument** document) {
  if (document == nullptr) return E_POINTER;
  *document = nullptr;
  auto object = quorvia::MakeComObject<quorvia::xml::DomDocument>();
  if (!object) return E_OUTOFMEMORY;
  *document = object.Detach();
  return S_OK;
}
