// The element objects: IHTMLElement and IHTMLElement2 for every element,
// IHTMLAnchorElement for `a`, IHTMLScriptElement for `script`.
#include <optional>

#include "platform/html/html_objects.h"
#include "platform/html/html_parser.h"
#include "platform/html/html_serializer.h"
#include "platform/html/html_tree.h"
#include "platform/html/url_resolve.h"
#include "platform/text/ascii.h"

namespace quorvia::html {
namespace {

enum class Where { kBeforeBegin, kAfterBegin, kBeforeEnd, kAfterEnd };

std::optional<Where> ParseWhere(BSTR where) {
  std::u16string_view text = BstrView(where);
  if (ascii::IEquals(text, u"beforeBegin")) return Where::kBeforeBegin;
  if (ascii::IEquals(text, u"afterBegin")) return Where::kAfterBegin;
  if (ascii::IEquals(text, u"beforeEnd")) return Where::kBeforeEnd;
  if (ascii::IEquals(text, u"afterEnd")) return Where::kAfterEnd;
  return std::nullopt;
}

// The parent and the following sibling a node inserted at where relative to
// target gets; false when target offers no such place.
bool PlaceFor(xmlNodePtr target, Where where, xmlNodePtr* parent, xmlNodePtr* before) {
  switch (where) {
    case Where::kBeforeBegin:
    case Where::kAfterEnd:
      if (!IsElement(target->parent)) return false;
      *parent = target->parent;
      *before = where == Where::kBeforeBegin ? target : target->next;
      return true;
    case Where::kAfterBegin:
    case Where::kBeforeEnd:
      if (!CanHoldMarkup(target)) return false;
      *parent = target;
      *before = where == Where::kAfterBegin ? target->children : nullptr;
      return true;
  }
  return false;
}

}  // namespace

HtmlElement::HtmlElement(HtmlDocument* document, xmlNodePtr node)
    : document_(document), document_ref_(document->Interface()), node_(node) {}

HRESULT HtmlElement::GetStringAttribute(std::string_view name, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  auto value = GetAttribute(node_, name);
  return value ? ToBstr(*value, out) : S_OK;
}

HRESULT HtmlElement::SetStringAttribute(std::string_view name, BSTR value) {
  SetAttribute(node_, name, ToUtf8(value));
  document_->AttributesChanged(node_);
  return S_OK;
}

void HtmlElement::ReplaceContent(const std::vector<xmlNodePtr>& nodes) {
  while (xmlNodePtr child = node_->children) {
    Unlink(child);
    document_->Discard(child);
  }
  for (xmlNodePtr node : nodes) {
    LinkBefore(node_, nullptr, node);
    document_->SubtreeChanged(node);
  }
}

// IHTMLElement

HRESULT HtmlElement::setAttribute(BSTR name, VARIANT value, LONG flags) {
  std::string attr = ToUtf8(name);
  if (!IsPlainName(attr)) return E_INVALIDARG;
  CComVariant text;
  HRESULT hr = text.ChangeType(VT_BSTR, &value, VARIANT_ALPHABOOL);
  if (FAILED(hr)) return hr;
  bool exact_case = (flags & 1) != 0;
  xmlAttrPtr existing = FindAttribute(node_, attr, exact_case);
  if (existing == nullptr && !exact_case) attr = LowerAscii(attr);
  if (existing != nullptr) attr = reinterpret_cast<const char*>(existing->name);
  xmlSetProp(node_, reinterpret_cast<const xmlChar*>(attr.c_str()),
             reinterpret_cast<const xmlChar*>(ToUtf8(text.bstrVal).c_str()));
  document_->AttributesChanged(node_);
  return S_OK;
}

HRESULT HtmlElement::getAttribute(BSTR name, LONG flags, VARIANT* out) {
  if (out == nullptr) return E_POINTER;
  VariantInit(out);
  auto value = GetAttribute(node_, ToUtf8(name), (flags & 1) != 0);
  if (!value) {
    out->vt = VT_NULL;
    return S_OK;
  }
  BSTR text = nullptr;
  HRESULT hr = ToBstr(*value, &text);
  if (FAILED(hr)) return hr;
  out->vt = VT_BSTR;
  out->bstrVal = text;
  return S_OK;
}

HRESULT HtmlElement::removeAttribute(BSTR name, LONG flags, VARIANT_BOOL* removed) {
  bool done = RemoveAttribute(node_, ToUtf8(name), (flags & 1) != 0);
  if (done) document_->AttributesChanged(node_);
  if (removed != nullptr) *removed = done ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT HtmlElement::put_className(BSTR value) { return SetStringAttribute("class", value); }
HRESULT HtmlElement::get_className(BSTR* out) { return GetStringAttribute("class", out); }
HRESULT HtmlElement::put_id(BSTR value) { return SetStringAttribute("id", value); }
HRESULT HtmlElement::get_id(BSTR* out) { return GetStringAttribute("id", out); }

HRESULT HtmlElement::get_tagName(BSTR* out) {
  std::string name = NameOf(node_);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return ToBstr(name, out);
}

HRESULT HtmlElement::get_parentElement(IHTMLElement** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  return IsElement(node_->parent) ? document_->ObjectFor(node_->parent, out) : S_OK;
}

HRESULT HtmlElement::get_document(IDispatch** out) {
  if (out == nullptr) return E_POINTER;
  *out = document_->Interface();
  (*out)->AddRef();
  return S_OK;
}

HRESULT HtmlElement::put_innerHTML(BSTR html) {
  if (!CanHoldMarkup(node_)) return E_FAIL;
  ReplaceContent(ParseFragment(document_->Doc(), ToUtf8(html)));
  return S_OK;
}

HRESULT HtmlElement::get_innerHTML(BSTR* out) {
  std::string markup;
  SerializeChildren(node_, markup);
  return ToBstr(markup, out);
}

HRESULT HtmlElement::put_innerText(BSTR text) {
  if (IsVoidElement(node_)) return E_FAIL;
  std::vector<xmlNodePtr> nodes;
  std::string content = ToUtf8(text);
  if (!content.empty()) {
    xmlNodePtr node = xmlNewDocText(document_->Doc(), reinterpret_cast<const xmlChar*>(content.c_str()));
    if (node == nullptr) return E_OUTOFMEMORY;
    nodes.push_back(node);
  }
  ReplaceContent(nodes);
  return S_OK;
}

HRESULT HtmlElement::get_innerText(BSTR* out) { return ToBstr(TextContent(node_, false), out); }

HRESULT HtmlElement::get_outerHTML(BSTR* out) {
  std::string markup;
  SerializeNode(node_, markup);
  return ToBstr(markup, out);
}

HRESULT HtmlElement::insertAdjacentHTML(BSTR where, BSTR html) {
  std::optional<Where> position = ParseWhere(where);
  if (!position) return E_INVALIDARG;
  xmlNodePtr parent = nullptr;
  xmlNodePtr before = nullptr;
  if (!PlaceFor(node_, *position, &parent, &before)) return E_FAIL;
  std::vector<xmlNodePtr> nodes = ParseFragment(document_->Doc(), ToUtf8(html));
  // Parsing touched nothing of this tree, so the place is still valid.
  for (xmlNodePtr node : nodes) {
    LinkBefore(parent, before, node);
    document_->SubtreeChanged(node);
  }
  return S_OK;
}

// IHTMLElement2

HRESULT HtmlElement::insertAdjacentElement(BSTR where, IHTMLElement* element, IHTMLElement** out) {
  if (out != nullptr) *out = nullptr;
  std::optional<Where> position = ParseWhere(where);
  if (!position || element == nullptr) return E_INVALIDARG;
  ComPtr<IHtmlNodeAccess> access;
  if (FAILED(element->QueryInterface(IID_PPV_ARGS(&access))) || !access) return E_INVALIDARG;
  if (access->OwnerDocument() != document_) return E_INVALIDARG;
  xmlNodePtr moved = access->Node();
  xmlNodePtr parent = nullptr;
  xmlNodePtr before = nullptr;
  if (!PlaceFor(node_, *position, &parent, &before)) return E_FAIL;
  // An element cannot go inside itself.
  if (IsInclusiveAncestor(moved, parent)) return E_INVALIDARG;
  if (before == moved) before = moved->next;
  if (moved->parent != nullptr) {
    Unlink(moved);
  } else {
    document_->Adopted(moved);
  }
  LinkBefore(parent, before, moved);
  document_->SubtreeChanged(moved);
  if (out != nullptr) {
    *out = element;
    element->AddRef();
  }
  return S_OK;
}

HRESULT HtmlElement::getElementsByTagName(BSTR tag_name, IHTMLElementCollection** out) {
  CollectionFilter filter;
  filter.tag = LowerAscii(ToUtf8(tag_name));
  return document_->NewCollection(node_, static_cast<IHTMLElement*>(this), {filter}, out);
}

// IHTMLAnchorElement

HRESULT HtmlAnchorElement::put_href(BSTR value) { return SetStringAttribute("href", value); }

HRESULT HtmlAnchorElement::get_href(BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  auto href = GetAttribute(node_, "href");
  if (!href) return S_OK;
  return ToBstr(ResolveUrl(document_->BaseUrl(), *href), out);
}

// IHTMLScriptElement

HRESULT HtmlScriptElement::put_src(BSTR value) { return SetStringAttribute("src", value); }
HRESULT HtmlScriptElement::get_src(BSTR* out) { return GetStringAttribute("src", out); }

HRESULT HtmlScriptElement::put_defer(VARIANT_BOOL value) {
  if (value != VARIANT_FALSE) {
    SetAttribute(node_, "defer", "");
  } else {
    RemoveAttribute(node_, "defer");
  }
  document_->AttributesChanged(node_);
  return S_OK;
}

HRESULT HtmlScriptElement::get_defer(VARIANT_BOOL* out) {
  if (out == nullptr) return E_POINTER;
  *out = FindAttribute(node_, "defer", false) != nullptr ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT HtmlScriptElement::put_type(BSTR value) { return SetStringAttribute("type", value); }
HRESULT HtmlScriptElement::get_type(BSTR* out) { return GetStringAttribute("type", out); }

HRESULT HtmlScriptElement::put_text(BSTR value) {
  std::vector<xmlNodePtr> nodes;
  std::string code = ToUtf8(value);
  if (!code.empty()) {
    xmlNodePtr node = xmlNewDocText(document_->Doc(), reinterpret_cast<const xmlChar*>(code.c_str()));
    if (node == nullptr) return E_OUTOFMEMORY;
    nodes.push_back(node);
  }
  ReplaceContent(nodes);
  return S_OK;
}

HRESULT HtmlScriptElement::get_text(BSTR* out) { return ToBstr(TextContent(node_, true), out); }

// IHTMLStyleSheet

HRESULT HtmlStyleSheet::get_href(BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  VARIANT value;
  HRESULT hr = owner_->getAttribute(CComBSTR(u"href"), 0, &value);
  if (FAILED(hr)) return hr;
  if (value.vt == VT_BSTR) {
    *out = value.bstrVal;
  } else {
    VariantClear(&value);
  }
  return S_OK;
}

HRESULT HtmlStyleSheet::get_owningElement(IHTMLElement** out) { return owner_.CopyTo(out); }

}  // namespace quorvia::html
