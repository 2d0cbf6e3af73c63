// The COM objects behind the page's document model: the document, one
// object per element node, live element collections and style sheets.
//
// Ownership: the document owns the libxml2 tree and keeps a map from element
// nodes to their objects (not counted); every element object, collection and
// style sheet holds a reference on the document, so the tree outlives every
// object that points into it. A node taken out of the tree is kept (and
// freed with the document) while an object may still point at it, and freed
// at once otherwise.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/com/object.h"
#include "platform/html/html_interfaces.h"

namespace quorvia::html {

class HtmlDocument;

// Lets the layer recognise its own objects behind an interface pointer.
struct IHtmlNodeAccess : IUnknown {
  QUORVIA_INTERFACE_ID(IHtmlNodeAccess, "CFEA73F3-8484-4AEC-B0DB-E0B67ABAACDE");
  virtual xmlNodePtr Node() = 0;
  virtual HtmlDocument* OwnerDocument() = 0;

 protected:
  ~IHtmlNodeAccess() = default;
};

struct IHtmlDocumentAccess : IUnknown {
  QUORVIA_INTERFACE_ID(IHtmlDocumentAccess, "6BA160E7-2DD3-461E-B261-4E7690DA79FB");
  virtual HtmlDocument* Self() = 0;

 protected:
  ~IHtmlDocumentAccess() = default;
};

// The four IDispatch operations of objects that offer no late binding.
#define QUORVIA_HTML_NO_LATE_BINDING                                                                          \
  HRESULT GetTypeInfoCount(UINT* count) override {                                                           \
    if (count == nullptr) return E_POINTER;                                                                  \
    *count = 0;                                                                                              \
    return S_OK;                                                                                             \
  }                                                                                                          \
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** out) override {                                                \
    if (out != nullptr) *out = nullptr;                                                                      \
    return TYPE_E_ELEMENTNOTFOUND;                                                                           \
  }                                                                                                          \
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }     \
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPTINFO*, UINT*) override {           \
    return DISP_E_MEMBERNOTFOUND;                                                                            \
  }

// Which elements a collection holds; all conditions must hold.
struct CollectionFilter {
  bool links_only = false;  // `a` and `area` with an href
  std::string tag;          // lower case; empty or "*": any
  bool by_name = false;     // id or name attribute equals name
  std::string name;

  bool Accepts(const xmlNode* node) const;
};

class HtmlDocument : public ComObjectRootEx<ComMultiThreadModel>,
                     public IHTMLDocument2,
                     public IHTMLDocument3,
                     public IHtmlDocumentAccess {
 public:
  static const InterfaceEntry* InterfaceTable() noexcept {
    return InterfaceTableOf<HtmlDocument, IHTMLDocument2, Via<IDispatch, IHTMLDocument2>, IHTMLDocument3,
                            IHtmlDocumentAccess>();
  }

  HtmlDocument(xmlDocPtr doc, std::string url);
  ~HtmlDocument();

  QUORVIA_HTML_NO_LATE_BINDING

  // IHTMLDocument2
  HRESULT get_all(IHTMLElementCollection** out) override;
  HRESULT get_body(IHTMLElement** out) override;
  HRESULT get_links(IHTMLElementCollection** out) override;
  HRESULT get_URL(BSTR* out) override;
  HRESULT get_readyState(BSTR* out) override;
  HRESULT createElement(BSTR tag_name, IHTMLElement** out) override;
  HRESULT createStyleSheet(BSTR href, LONG index, IHTMLStyleSheet** out) override;

  // IHTMLDocument3
  HRESULT get_documentElement(IHTMLElement** out) override;
  HRESULT getElementById(BSTR id, IHTMLElement** out) override;
  HRESULT attachEvent(BSTR event, IDispatch* listener, VARIANT_BOOL* attached) override;
  HRESULT detachEvent(BSTR event, IDispatch* listener) override;

  HtmlDocument* Self() override { return this; }

  // The document behind an interface pointer, when this layer made it.
  static HtmlDocument* From(IUnknown* object);

  // Services for the element objects and collections.
  xmlDocPtr Doc() const noexcept { return doc_; }
  IHTMLDocument2* Interface() noexcept { return this; }
  // Counts every change of the tree or of an attribute, so that
  // collections and cached values know when to look again.
  std::uint64_t Version() const noexcept { return version_; }
  // Records a change: subtree was linked or unlinked (or its content
  // replaced); element's attributes changed.
  void SubtreeChanged(const xmlNode* subtree);
  void AttributesChanged(const xmlNode* element);
  // The one object of an element node (made on first use).
  HRESULT ObjectFor(xmlNodePtr node, IHTMLElement** out);
  void ForgetObject(xmlNodePtr node) { objects_.erase(node); }
  // A new collection over root's descendants (root: the document node or an
  // element; holder keeps an element root alive).
  HRESULT NewCollection(xmlNodePtr root, IUnknown* holder, std::vector<CollectionFilter> filters,
                        IHTMLElementCollection** out);
  // The base address of relative links.
  const std::string& BaseUrl();
  // A subtree taken out of the tree (unlinked): kept while objects point
  // into it, freed otherwise.
  void Discard(xmlNodePtr node);
  // A node about to be linked into a tree: no longer kept apart.
  void Adopted(xmlNodePtr node) { detached_.erase(node); }

  HRESULT SetReadyState(std::u16string_view state);
  std::string Serialize() const;

 private:
  bool HasObjectsIn(xmlNodePtr subtree) const;
  xmlNodePtr Head();
  xmlNodePtr EnsureHead();

  xmlDocPtr doc_;
  std::string url_;
  std::u16string ready_state_ = u"loading";
  std::unordered_map<xmlNodePtr, IHTMLElement*> objects_;
  // Parentless subtrees kept for the objects that point into them.
  std::unordered_set<xmlNodePtr> detached_;
  std::vector<ComPtr<IDispatch>> readystate_listeners_;
  std::uint64_t version_ = 0;
  // Counts the changes that may move the base address (those that touch a
  // `base` element), so that resolving an href after an unrelated change
  // does not search the page again.
  std::uint64_t base_changes_ = 0;
  std::uint64_t base_version_ = ~std::uint64_t{0};
  std::string base_url_;
};

class HtmlElement : public ComObjectRootEx<ComMultiThreadModel>,
                    public IHTMLElement,
                    public IHTMLElement2,
                    public IHtmlNodeAccess {
 public:
  static const InterfaceEntry* InterfaceTable() noexcept {
    return InterfaceTableOf<HtmlElement, IHTMLElement, Via<IDispatch, IHTMLElement>, IHTMLElement2, IHtmlNodeAccess>();
  }

  HtmlElement(HtmlDocument* document, xmlNodePtr node);
  void FinalRelease() { document_->ForgetObject(node_); }

  QUORVIA_HTML_NO_LATE_BINDING

  // IHTMLElement
  HRESULT setAttribute(BSTR name, VARIANT value, LONG flags) override;
  HRESULT getAttribute(BSTR name, LONG flags, VARIANT* out) override;
  HRESULT removeAttribute(BSTR name, LONG flags, VARIANT_BOOL* removed) override;
  HRESULT put_className(BSTR value) override;
  HRESULT get_className(BSTR* out) override;
  HRESULT put_id(BSTR value) override;
  HRESULT get_id(BSTR* out) override;
  HRESULT get_tagName(BSTR* out) override;
  HRESULT get_parentElement(IHTMLElement** out) override;
  HRESULT get_document(IDispatch** out) override;
  HRESULT put_innerHTML(BSTR html) override;
  HRESULT get_innerHTML(BSTR* out) override;
  HRESULT put_innerText(BSTR text) override;
  HRESULT get_innerText(BSTR* out) override;
  HRESULT get_outerHTML(BSTR* out) override;
  HRESULT insertAdjacentHTML(BSTR where, BSTR html) override;

  // IHTMLElement2
  HRESULT insertAdjacentElement(BSTR where, IHTMLElement* element, IHTMLElement** out) override;
  HRESULT getElementsByTagName(BSTR tag_name, IHTMLElementCollection** out) override;

  xmlNodePtr Node() override { return node_; }
  HtmlDocument* OwnerDocument() override { return document_; }

 protected:
  // An attribute as a BSTR (null when absent).
  HRESULT GetStringAttribute(std::string_view name, BSTR* out);
  HRESULT SetStringAttribute(std::string_view name, BSTR value);
  // Replaces the content with nodes (unlinked, of this document).
  void ReplaceContent(const std::vector<xmlNodePtr>& nodes);

  HtmlDocument* document_;
  ComPtr<IHTMLDocument2> document_ref_;
  xmlNodePtr node_;
};

class HtmlAnchorElement : public HtmlElement, public IHTMLAnchorElement {
 public:
  static const InterfaceEntry* InterfaceTable() noexcept {
    return InterfaceTableOf<HtmlAnchorElement, IHTMLElement, Via<IDispatch, IHTMLElement>, IHTMLElement2,
                            IHtmlNodeAccess, IHTMLAnchorElement>();
  }
  using HtmlElement::HtmlElement;

  QUORVIA_HTML_NO_LATE_BINDING

  HRESULT put_href(BSTR value) override;
  HRESULT get_href(BSTR* out) override;
};

class HtmlScriptElement : public HtmlElement, public IHTMLScriptElement {
 public:
  static const InterfaceEntry* InterfaceTable() noexcept {
    return InterfaceTableOf<HtmlScriptElement, IHTMLElement, Via<IDispatch, IHTMLElement>, IHTMLElement2,
                            IHtmlNodeAccess, IHTMLScriptElement>();
  }
  using HtmlElement::HtmlElement;

  QUORVIA_HTML_NO_LATE_BINDING

  HRESULT put_src(BSTR value) override;
  HRESULT get_src(BSTR* out) override;
  HRESULT put_defer(VARIANT_BOOL value) override;
  HRESULT get_defer(VARIANT_BOOL* out) override;
  HRESULT put_type(BSTR value) override;
  HRESULT get_type(BSTR* out) override;
  HRESULT put_text(BSTR value) override;
  HRESULT get_text(BSTR* out) override;
};

class HtmlElementCollection : public ComObjectRootEx<ComMultiThreadModel>, public IHTMLElementCollection {
 public:
  static const InterfaceEntry* InterfaceTable() noexcept {
    return InterfaceTableOf<HtmlElementCollection, IHTMLElementCollection, Via<IDispatch, IHTMLElementCollection>>();
  }

  HtmlElementCollection(HtmlDocument* document, xmlNodePtr root, IUnknown* holder,
                        std::vector<CollectionFilter> filters);

  QUORVIA_HTML_NO_LATE_BINDING

  HRESULT get_length(LONG* out) override;
  HRESULT item(VARIANT name, VARIANT index, IDispatch** out) override;
  HRESULT tags(VARIANT tag_name, IDispatch** out) override;

 private:
  // The elements as the tree stands now.
  const std::vector<xmlNodePtr>& Elements();
  HRESULT ElementAt(const std::vector<xmlNodePtr>& elements, LONG index, IDispatch** out);

  HtmlDocument* document_;
  ComPtr<IHTMLDocument2> document_ref_;
  xmlNodePtr root_;
  ComPtr<IUnknown> holder_;
  std::vector<CollectionFilter> filters_;
  std::vector<xmlNodePtr> elements_;
  std::uint64_t version_ = ~std::uint64_t{0};
};

class HtmlStyleSheet : public ComObjectRootEx<ComMultiThreadModel>, public IHTMLStyleSheet {
 public:
  static const InterfaceEntry* InterfaceTable() noexcept {
    return InterfaceTableOf<HtmlStyleSheet, IHTMLStyleSheet, Via<IDispatch, IHTMLStyleSheet>>();
  }

  explicit HtmlStyleSheet(IHTMLElement* owner) : owner_(owner) {}

  QUORVIA_HTML_NO_LATE_BINDING

  HRESULT get_href(BSTR* out) override;
  HRESULT get_owningElement(IHTMLElement** out) override;

 private:
  ComPtr<IHTMLElement> owner_;
};

// Conversions at the COM boundary.
std::string ToUtf8(BSTR text);
// A new BSTR from UTF-8 text; E_OUTOFMEMORY when allocation fails.
HRESULT ToBstr(std::string_view utf8, BSTR* out);
HRESULT ToBstr(std::u16string_view text, BSTR* out);

}  // namespace quorvia::html
