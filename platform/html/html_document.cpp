#include "platform/html/html_document.h"

#include <fstream>
#include <iterator>
#include <new>
#include <optional>

#include "platform/html/html_objects.h"
#include "platform/html/html_parser.h"
#include "platform/html/html_serializer.h"
#include "platform/html/html_tree.h"
#include "platform/html/url_resolve.h"
#include "platform/module/module.h"
#include "platform/text/convert.h"
#include "platform/text/ascii.h"

namespace quorvia {
namespace html {
namespace {

bool IsStyleSheetElement(const xmlNode* node) {
  if (IsElementNamed(node, "style")) return true;
  if (!IsElementNamed(node, "link")) return false;
  std::string rel = LowerAscii(GetAttribute(node, "rel").value_or(std::string()));
  // rel is a list of tokens separated by white space.
  std::size_t pos = 0;
  while (pos < rel.size()) {
    std::size_t start = rel.find_first_not_of(" \t\n\r\f", pos);
    if (start == std::string::npos) break;
    std::size_t end = rel.find_first_of(" \t\n\r\f", start);
    if (end == std::string::npos) end = rel.size();
    if (std::string_view(rel).substr(start, end - start) == "stylesheet") return true;
    pos = end;
  }
  return false;
}

bool IsReadyStateEvent(BSTR event) { return ascii::IEquals(BstrView(event), u"onreadystatechange"); }

}  // namespace

HtmlDocument::HtmlDocument(xmlDocPtr doc, std::string url) : doc_(doc), url_(std::move(url)) {}

HtmlDocument::~HtmlDocument() {
  // Kept subtrees first: freeing them needs the document.
  for (xmlNodePtr node : detached_) xmlFreeNode(node);
  detached_.clear();
  xmlFreeDoc(doc_);
}

HtmlDocument* HtmlDocument::From(IUnknown* object) {
  if (object == nullptr) return nullptr;
  ComPtr<IHtmlDocumentAccess> access;
  if (FAILED(object->QueryInterface(IID_PPV_ARGS(&access))) || !access) return nullptr;
  return access->Self();
}

HRESULT HtmlDocument::ObjectFor(xmlNodePtr node, IHTMLElement** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsElement(node)) return E_INVALIDARG;
  if (auto found = objects_.find(node); found != objects_.end()) {
    *out = found->second;
    (*out)->AddRef();
    return S_OK;
  }
  IHTMLElement* object = nullptr;
  if (IsElementNamed(node, "a")) {
    auto made = MakeComObject<HtmlAnchorElement>(this, node);
    if (made) object = static_cast<IHTMLElement*>(made.Detach());
  } else if (IsElementNamed(node, "script")) {
    auto made = MakeComObject<HtmlScriptElement>(this, node);
    if (made) object = static_cast<IHTMLElement*>(made.Detach());
  } else {
    auto made = MakeComObject<HtmlElement>(this, node);
    if (made) object = static_cast<IHTMLElement*>(made.Detach());
  }
  if (object == nullptr) return E_OUTOFMEMORY;
  objects_.emplace(node, object);
  *out = object;
  return S_OK;
}

HRESULT HtmlDocument::NewCollection(xmlNodePtr root, IUnknown* holder, std::vector<CollectionFilter> filters,
                                    IHTMLElementCollection** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  auto made = MakeComObject<HtmlElementCollection>(this, root, holder, std::move(filters));
  if (!made) return E_OUTOFMEMORY;
  *out = made.Detach();
  return S_OK;
}

void HtmlDocument::SubtreeChanged(const xmlNode* subtree) {
  ++version_;
  bool has_base = IsElementNamed(subtree, "base");
  auto* root = const_cast<xmlNodePtr>(subtree);
  for (xmlNodePtr node = root->children; node != nullptr && !has_base; node = NextInTree(node, root)) {
    has_base = IsElementNamed(node, "base");
  }
  if (has_base) ++base_changes_;
}

void HtmlDocument::AttributesChanged(const xmlNode* element) {
  ++version_;
  if (IsElementNamed(element, "base")) ++base_changes_;
}

const std::string& HtmlDocument::BaseUrl() {
  if (base_version_ != base_changes_) {
    base_url_ = url_;
    auto* doc_node = reinterpret_cast<xmlNodePtr>(doc_);
    for (xmlNodePtr node = doc_node->children; node != nullptr; node = NextInTree(node, doc_node)) {
      if (!IsElementNamed(node, "base")) continue;
      if (auto href = GetAttribute(node, "href")) {
        base_url_ = ResolveUrl(url_, *href);
        break;
      }
    }
    base_version_ = base_changes_;
  }
  return base_url_;
}

bool HtmlDocument::HasObjectsIn(xmlNodePtr subtree) const {
  if (objects_.empty()) return false;
  if (objects_.contains(subtree)) return true;
  for (xmlNodePtr node = subtree->children; node != nullptr; node = NextInTree(node, subtree)) {
    if (objects_.contains(node)) return true;
  }
  return false;
}

void HtmlDocument::Discard(xmlNodePtr node) {
  SubtreeChanged(node);
  if (HasObjectsIn(node)) {
    detached_.insert(node);
  } else {
    xmlFreeNode(node);
  }
}

xmlNodePtr HtmlDocument::Head() {
  auto* doc_node = reinterpret_cast<xmlNodePtr>(doc_);
  for (xmlNodePtr node = doc_node->children; node != nullptr; node = NextInTree(node, doc_node)) {
    if (IsElementNamed(node, "head")) return node;
  }
  return nullptr;
}

xmlNodePtr HtmlDocument::EnsureHead() {
  if (xmlNodePtr head = Head()) return head;
  xmlNodePtr root = RootElement(doc_);
  if (root == nullptr) return nullptr;
  xmlNodePtr head = xmlNewDocNode(doc_, nullptr, reinterpret_cast<const xmlChar*>("head"), nullptr);
  if (head == nullptr) return nullptr;
  LinkBefore(root, root->children, head);
  SubtreeChanged(head);
  return head;
}

// IHTMLDocument2

HRESULT HtmlDocument::get_all(IHTMLElementCollection** out) {
  return NewCollection(reinterpret_cast<xmlNodePtr>(doc_), nullptr, {}, out);
}

HRESULT HtmlDocument::get_body(IHTMLElement** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  xmlNodePtr root = RootElement(doc_);
  xmlNodePtr body = ChildElement(root, "body");
  if (body == nullptr) body = ChildElement(root, "frameset");
  return body != nullptr ? ObjectFor(body, out) : S_OK;
}

HRESULT HtmlDocument::get_links(IHTMLElementCollection** out) {
  CollectionFilter links;
  links.links_only = true;
  return NewCollection(reinterpret_cast<xmlNodePtr>(doc_), nullptr, {links}, out);
}

HRESULT HtmlDocument::get_URL(BSTR* out) { return ToBstr(url_, out); }

HRESULT HtmlDocument::get_readyState(BSTR* out) { return ToBstr(ready_state_, out); }

HRESULT HtmlDocument::createElement(BSTR tag_name, IHTMLElement** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  std::string name = ToUtf8(tag_name);
  if (!IsPlainName(name)) return E_INVALIDARG;
  name = LowerAscii(name);
  xmlNodePtr node = xmlNewDocNode(doc_, nullptr, reinterpret_cast<const xmlChar*>(name.c_str()), nullptr);
  if (node == nullptr) return E_OUTOFMEMORY;
  detached_.insert(node);
  HRESULT hr = ObjectFor(node, out);
  if (FAILED(hr)) {
    detached_.erase(node);
    xmlFreeNode(node);
  }
  return hr;
}

HRESULT HtmlDocument::createStyleSheet(BSTR href, LONG index, IHTMLStyleSheet** out) {
  if (out != nullptr) *out = nullptr;
  xmlNodePtr head = EnsureHead();
  if (head == nullptr) return E_OUTOFMEMORY;
  xmlNodePtr link = xmlNewDocNode(doc_, nullptr, reinterpret_cast<const xmlChar*>("link"), nullptr);
  if (link == nullptr) return E_OUTOFMEMORY;
  SetAttribute(link, "rel", "stylesheet");
  SetAttribute(link, "href", ToUtf8(href));

  std::vector<xmlNodePtr> sheets;
  auto* doc_node = reinterpret_cast<xmlNodePtr>(doc_);
  for (xmlNodePtr node = doc_node->children; node != nullptr; node = NextInTree(node, doc_node)) {
    if (IsStyleSheetElement(node)) sheets.push_back(node);
  }
  // Before the sheet now at that position when it is in the head; a sheet
  // further down the page comes after everything in the head anyway.
  xmlNodePtr before = nullptr;
  if (index >= 0 && static_cast<std::size_t>(index) < sheets.size() && IsInclusiveAncestor(head, sheets[index])) {
    before = sheets[index];
  }
  if (before != nullptr) {
    LinkBefore(before->parent, before, link);
  } else {
    LinkBefore(head, nullptr, link);
  }
  SubtreeChanged(link);

  if (out == nullptr) return S_OK;
  ComPtr<IHTMLElement> owner;
  HRESULT hr = ObjectFor(link, &owner);
  if (FAILED(hr)) return hr;
  auto sheet = MakeComObject<HtmlStyleSheet>(owner.Get());
  if (!sheet) return E_OUTOFMEMORY;
  *out = sheet.Detach();
  return S_OK;
}

// IHTMLDocument3

HRESULT HtmlDocument::get_documentElement(IHTMLElement** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  xmlNodePtr root = RootElement(doc_);
  return root != nullptr ? ObjectFor(root, out) : S_OK;
}

HRESULT HtmlDocument::getElementById(BSTR id, IHTMLElement** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  std::string wanted = ToUtf8(id);
  if (wanted.empty()) return S_OK;
  auto* doc_node = reinterpret_cast<xmlNodePtr>(doc_);
  for (xmlNodePtr node = doc_node->children; node != nullptr; node = NextInTree(node, doc_node)) {
    if (!IsElement(node)) continue;
    if (auto value = GetAttribute(node, "id"); value && *value == wanted) return ObjectFor(node, out);
  }
  return S_OK;
}

HRESULT HtmlDocument::attachEvent(BSTR event, IDispatch* listener, VARIANT_BOOL* attached) {
  if (attached != nullptr) *attached = VARIANT_FALSE;
  if (listener == nullptr) return E_INVALIDARG;
  if (!IsReadyStateEvent(event)) return S_OK;
  bool present = false;
  for (const auto& existing : readystate_listeners_) present = present || existing.Get() == listener;
  if (!present) readystate_listeners_.emplace_back(listener);
  if (attached != nullptr) *attached = VARIANT_TRUE;
  return S_OK;
}

HRESULT HtmlDocument::detachEvent(BSTR event, IDispatch* listener) {
  if (listener == nullptr) return E_INVALIDARG;
  if (!IsReadyStateEvent(event)) return S_OK;
  for (auto it = readystate_listeners_.begin(); it != readystate_listeners_.end(); ++it) {
    if (it->Get() == listener) {
      // Released after the erase: the listener's Release may reach this
      // document again.
      ComPtr<IDispatch> removed = std::move(*it);
      readystate_listeners_.erase(it);
      break;
    }
  }
  return S_OK;
}

HRESULT HtmlDocument::SetReadyState(std::u16string_view state) {
  // Listeners may detach themselves or others, and drop the last outside
  // reference to this document, while they run.
  ComPtr<IHTMLDocument2> keep_alive(this);
  ready_state_ = std::u16string(state);
  std::vector<ComPtr<IDispatch>> round = readystate_listeners_;
  for (const auto& listener : round) {
    bool still_attached = false;
    for (const auto& attached : readystate_listeners_) still_attached = still_attached || attached == listener;
    if (!still_attached) continue;
    DISPPARAMS no_arguments{nullptr, nullptr, 0, 0};
    listener->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &no_arguments, nullptr, nullptr,
                     nullptr);
  }
  return S_OK;
}

std::string HtmlDocument::Serialize() const {
  std::string out;
  for (const xmlNode* node = doc_->children; node != nullptr; node = node->next) {
    SerializeNode(node, out);
    if (node->type == XML_DTD_NODE) out += '\n';
  }
  return out;
}

// Boundary conversions.

std::string ToUtf8(BSTR text) { return Utf16ToUtf8(BstrView(text)); }

HRESULT ToBstr(std::u16string_view text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = AllocBstr(text);
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT ToBstr(std::string_view utf8, BSTR* out) { return ToBstr(Utf8ToUtf16(utf8), out); }

}  // namespace html

HRESULT CreateHtmlDocument(std::string_view bytes, std::u16string_view url, IHTMLDocument2** out,
                           std::string_view charset) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  xmlDocPtr doc = html::ParseDocument(html::DecodePage(bytes, charset));
  if (doc == nullptr) return E_OUTOFMEMORY;
  auto document = MakeComObject<html::HtmlDocument>(doc, Utf16ToUtf8(url));
  if (!document) {
    xmlFreeDoc(doc);
    return E_OUTOFMEMORY;
  }
  *out = document->Interface();
  (*out)->AddRef();
  return S_OK;
}

namespace {

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The local path of a "file:" address; nothing for another machine's file.
std::optional<std::string> FilePath(std::u16string_view address) {
  std::string rest = Utf16ToUtf8(address.substr(5));
  if (rest.starts_with("//")) {
    rest.erase(0, 2);
    std::size_t slash = rest.find('/');
    std::string host = rest.substr(0, slash == std::string::npos ? rest.size() : slash);
    if (!host.empty() && host != "localhost") return std::nullopt;
    rest.erase(0, host.size());
  }
  rest = rest.substr(0, rest.find_first_of("?#"));
  std::string path;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && HexDigit(rest[i + 1]) >= 0 && HexDigit(rest[i + 2]) >= 0) {
      path += static_cast<char>(HexDigit(rest[i + 1]) * 16 + HexDigit(rest[i + 2]));
      i += 2;
    } else {
      path += rest[i];
    }
  }
  if (path.empty() || path.front() != '/') return std::nullopt;
  return path;
}

}  // namespace

HRESULT LoadHtmlDocument(std::u16string_view address, IHTMLDocument2** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  std::string bytes;
  if (StartsWithIgnoringCase(address, u"res:")) {
    if (!LoadResAddress(address, bytes)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  } else if (StartsWithIgnoringCase(address, u"file:")) {
    std::optional<std::string> path = FilePath(address);
    if (!path) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    std::ifstream in(*path, std::ios::binary);
    if (!in) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
  } else {
    return E_INVALIDARG;
  }
  return CreateHtmlDocument(bytes, address, out);
}

HRESULT SetReadyState(IHTMLDocument2* document, std::u16string_view state) {
  html::HtmlDocument* self = html::HtmlDocument::From(document);
  if (self == nullptr) return E_INVALIDARG;
  return self->SetReadyState(state);
}

HRESULT SerializeHtmlDocument(IHTMLDocument2* document, std::string* utf8) {
  if (utf8 == nullptr) return E_POINTER;
  html::HtmlDocument* self = html::HtmlDocument::From(document);
  if (self == nullptr) return E_INVALIDARG;
  *utf8 = self->Serialize();
  return S_OK;
}

}  // namespace quorvia
