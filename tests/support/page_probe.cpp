#include "tests/support/page_probe.h"

#include "platform/com/bstr.h"
#include "platform/com/variant.h"
#include "platform/html/html_document.h"
#include "platform/text/convert.h"

namespace quorvia_test {

namespace {

std::string Utf8(const CComBSTR& text) { return quorvia::Utf16ToUtf8(text.View()); }

std::vector<ComPtr<IHTMLElement>> Elements(IHTMLElementCollection* collection) {
  std::vector<ComPtr<IHTMLElement>> out;
  LONG length = 0;
  if (collection == nullptr || FAILED(collection->get_length(&length))) return out;
  for (LONG i = 0; i < length; ++i) {
    ComPtr<IDispatch> item;
    if (FAILED(collection->item(CComVariant(i), CComVariant(i), &item)) || !item) continue;
    ComPtr<IHTMLElement> element;
    if (SUCCEEDED(item.As(&element)) && element) out.push_back(element);
  }
  return out;
}

}  // namespace

std::vector<ComPtr<IHTMLElement>> DescendantsByTag(IHTMLElement* element, std::u16string_view tag) {
  ComPtr<IHTMLElement2> element2;
  if (element == nullptr || FAILED(element->QueryInterface(&element2))) return {};
  ComPtr<IHTMLElementCollection> all;
  if (FAILED(element2->getElementsByTagName(CComBSTR(tag), &all))) return {};
  return Elements(all.Get());
}

ComPtr<IHTMLDocument2> ParsePage(std::string_view bytes, std::u16string_view url) {
  ComPtr<IHTMLDocument2> document;
  if (FAILED(quorvia::CreateHtmlDocument(bytes, url, &document))) return nullptr;
  return document;
}

ComPtr<IHTMLElement> ElementById(IHTMLDocument2* document, std::u16string_view id) {
  ComPtr<IHTMLDocument3> document3;
  ComPtr<IHTMLElement> element;
  if (document && SUCCEEDED(document->QueryInterface(&document3))) {
    document3->getElementById(CComBSTR(id), &element);
  }
  return element;
}

ComPtr<IHTMLElement> Body(IHTMLDocument2* document) {
  ComPtr<IHTMLElement> body;
  if (document) document->get_body(&body);
  return body;
}

std::vector<ComPtr<IHTMLElement>> AllByTag(IHTMLDocument2* document, std::u16string_view tag) {
  ComPtr<IHTMLElementCollection> all;
  if (document == nullptr || FAILED(document->get_all(&all))) return {};
  ComPtr<IDispatch> tagged;
  if (FAILED(all->tags(CComVariant(tag), &tagged)) || !tagged) return {};
  ComPtr<IHTMLElementCollection> collection;
  if (FAILED(tagged.As(&collection))) return {};
  return Elements(collection.Get());
}

ComPtr<IHTMLElement> FirstByTag(IHTMLDocument2* document, std::u16string_view tag) {
  auto all = AllByTag(document, tag);
  return all.empty() ? nullptr : all.front();
}

std::vector<ComPtr<IHTMLElement>> ChildrenByTag(IHTMLElement* element, std::u16string_view tag) {
  std::vector<ComPtr<IHTMLElement>> out;
  for (const auto& child : DescendantsByTag(element, tag)) {
    if (SameElement(Parent(child.Get()).Get(), element)) out.push_back(child);
  }
  return out;
}

std::string Attribute(IHTMLElement* element, std::u16string_view name) {
  CComVariant value;
  if (element == nullptr || FAILED(element->getAttribute(CComBSTR(name), 0, &value))) return "<error>";
  if (value.vt != VT_BSTR) return "<none>";
  return quorvia::Utf16ToUtf8(quorvia::BstrView(value.bstrVal));
}

std::string OuterHtml(IHTMLElement* element) {
  CComBSTR text;
  if (element) element->get_outerHTML(&text);
  return Utf8(text);
}

std::string InnerHtml(IHTMLElement* element) {
  CComBSTR text;
  if (element) element->get_innerHTML(&text);
  return Utf8(text);
}

std::string InnerText(IHTMLElement* element) {
  CComBSTR text;
  if (element) element->get_innerText(&text);
  return Utf8(text);
}

std::string TagName(IHTMLElement* element) {
  CComBSTR text;
  if (element) element->get_tagName(&text);
  return Utf8(text);
}

ComPtr<IHTMLElement> Parent(IHTMLElement* element) {
  ComPtr<IHTMLElement> parent;
  if (element) element->get_parentElement(&parent);
  return parent;
}

std::string Href(IHTMLElement* element) {
  ComPtr<IHTMLAnchorElement> anchor;
  if (element == nullptr || FAILED(element->QueryInterface(&anchor))) return "<not an anchor>";
  CComBSTR href;
  if (FAILED(anchor->get_href(&href))) return "<error>";
  return href.Get() ? Utf8(href) : "<none>";
}

bool SameElement(IUnknown* a, IUnknown* b) {
  if (a == nullptr || b == nullptr) return a == b;
  ComPtr<IUnknown> ia;
  ComPtr<IUnknown> ib;
  a->QueryInterface(&ia);
  b->QueryInterface(&ib);
  return ia && ia.Get() == ib.Get();
}

ComPtr<IHTMLElement> FirstChild(IHTMLElement* element) {
  auto children = ChildrenByTag(element, u"*");
  return children.empty() ? nullptr : children.front();
}

ComPtr<IHTMLElement> NextElement(IHTMLElement* element) {
  ComPtr<IHTMLElement> parent = Parent(element);
  if (!parent) return nullptr;
  auto siblings = ChildrenByTag(parent.Get(), u"*");
  for (std::size_t i = 0; i + 1 < siblings.size(); ++i) {
    if (SameElement(siblings[i].Get(), element)) return siblings[i + 1];
  }
  return nullptr;
}

std::string Serialize(IHTMLDocument2* document) {
  std::string out;
  quorvia::SerializeHtmlDocument(document, &out);
  return out;
}

}  // namespace quorvia_test
