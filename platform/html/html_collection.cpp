// Element collections: live lists over a document or an element's
// descendants, recomputed when the tree has changed since the last look.
#include "platform/html/html_objects.h"
#include "platform/html/html_tree.h"

namespace quorvia::html {
namespace {

// The value a VARIANT argument holds, seen through one level of reference.
const VARIANT& Deref(const VARIANT& value) {
  if (value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal != nullptr) return *value.pvarVal;
  return value;
}

bool IsMissing(const VARIANT& value) { return value.vt == VT_EMPTY || value.vt == VT_ERROR; }

bool IsNumber(const VARIANT& value) {
  switch (value.vt & ~VARTYPE{VT_BYREF}) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool CollectionFilter::Accepts(const xmlNode* node) const {
  if (!IsElement(node)) return false;
  if (links_only && !((IsElementNamed(node, "a") || IsElementNamed(node, "area")) &&
                      FindAttribute(node, "href", false) != nullptr)) {
    return false;
  }
  if (!tag.empty() && tag != "*" && !IsElementNamed(node, tag)) return false;
  if (by_name && GetAttribute(node, "id") != name && GetAttribute(node, "name") != name) return false;
  return true;
}

HtmlElementCollection::HtmlElementCollection(HtmlDocument* document, xmlNodePtr root, IUnknown* holder,
                                             std::vector<CollectionFilter> filters)
    : document_(document),
      document_ref_(document->Interface()),
      root_(root),
      holder_(holder),
      filters_(std::move(filters)) {}

const std::vector<xmlNodePtr>& HtmlElementCollection::Elements() {
  if (version_ != document_->Version()) {
    elements_.clear();
    for (xmlNodePtr node = root_->children; node != nullptr; node = NextInTree(node, root_)) {
      bool accepted = IsElement(node);
      for (const CollectionFilter& filter : filters_) accepted = accepted && filter.Accepts(node);
      if (accepted) elements_.push_back(node);
    }
    version_ = document_->Version();
  }
  return elements_;
}

HRESULT HtmlElementCollection::ElementAt(const std::vector<xmlNodePtr>& elements, LONG index, IDispatch** out) {
  if (index < 0 || static_cast<std::size_t>(index) >= elements.size()) return S_OK;
  IHTMLElement* element = nullptr;
  HRESULT hr = document_->ObjectFor(elements[static_cast<std::size_t>(index)], &element);
  if (SUCCEEDED(hr)) *out = element;
  return hr;
}

HRESULT HtmlElementCollection::get_length(LONG* out) {
  if (out == nullptr) return E_POINTER;
  *out = static_cast<LONG>(Elements().size());
  return S_OK;
}

HRESULT HtmlElementCollection::item(VARIANT name_argument, VARIANT index_argument, IDispatch** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  const VARIANT& name = Deref(name_argument);
  const VARIANT& index = Deref(index_argument);
  if (IsNumber(name)) {
    CComVariant position;
    if (FAILED(position.ChangeType(VT_I4, &name))) return S_OK;
    return ElementAt(Elements(), position.lVal, out);
  }
  if (name.vt != VT_BSTR) return E_INVALIDARG;

  CollectionFilter by_name;
  by_name.by_name = true;
  by_name.name = ToUtf8(name.bstrVal);
  std::vector<xmlNodePtr> matches;
  for (xmlNodePtr node : Elements()) {
    if (by_name.Accepts(node)) matches.push_back(node);
  }
  if (!IsMissing(index)) {
    CComVariant position;
    if (FAILED(position.ChangeType(VT_I4, &index))) return E_INVALIDARG;
    return ElementAt(matches, position.lVal, out);
  }
  if (matches.empty()) return S_OK;
  if (matches.size() == 1) return ElementAt(matches, 0, out);
  std::vector<CollectionFilter> filters = filters_;
  filters.push_back(by_name);
  IHTMLElementCollection* subset = nullptr;
  HRESULT hr = document_->NewCollection(root_, holder_.Get(), std::move(filters), &subset);
  if (SUCCEEDED(hr)) *out = subset;
  return hr;
}

HRESULT HtmlElementCollection::tags(VARIANT tag_argument, IDispatch** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  const VARIANT& tag = Deref(tag_argument);
  if (tag.vt != VT_BSTR) return E_INVALIDARG;
  CollectionFilter by_tag;
  by_tag.tag = LowerAscii(ToUtf8(tag.bstrVal));
  if (by_tag.tag.empty()) return E_INVALIDARG;
  std::vector<CollectionFilter> filters = filters_;
  filters.push_back(by_tag);
  IHTMLElementCollection* subset = nullptr;
  HRESULT hr = document_->NewCollection(root_, holder_.Get(), std::move(filters), &subset);
  if (SUCCEEDED(hr)) *out = subset;
  return hr;
}

}  // namespace quorvia::html
