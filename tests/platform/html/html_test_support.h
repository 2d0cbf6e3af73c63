// Helpers of the page model tests: parsing a page, reading strings and
// elements through the COM interfaces.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/com/bstr.h"
#include "platform/com/com_ptr.h"
#include "platform/com/variant.h"
#include "platform/html/html_document.h"
#include "platform/html/html_interfaces.h"
#include "platform/text/convert.h"

namespace html_test {

using quorvia::ComPtr;

inline ComPtr<IHTMLDocument2> Parse(std::string_view markup, std::u16string_view url = u"http://example.com/dir/page.html",
                                    std::string_view charset = {}) {
  ComPtr<IHTMLDocument2> doc;
  EXPECT_EQ(quorvia::CreateHtmlDocument(markup, url, &doc, charset), S_OK);
  return doc;
}

inline ComPtr<IHTMLDocument3> Doc3(const ComPtr<IHTMLDocument2>& doc) {
  ComPtr<IHTMLDocument3> doc3;
  EXPECT_EQ(doc.As(&doc3), S_OK);
  return doc3;
}

// A BSTR result as UTF-8, "<null>" for a null BSTR.
template <class F>
std::string StringOf(F&& getter) {
  CComBSTR text;
  HRESULT hr = getter(&text);
  EXPECT_EQ(hr, S_OK);
  if (text.Get() == nullptr) return "<null>";
  return quorvia::Utf16ToUtf8(text.View());
}

inline std::string Serialize(const ComPtr<IHTMLDocument2>& doc) {
  std::string out;
  EXPECT_EQ(quorvia::SerializeHtmlDocument(doc.Get(), &out), S_OK);
  return out;
}

inline std::string OuterHtml(IHTMLElement* element) {
  return StringOf([&](BSTR* out) { return element->get_outerHTML(out); });
}

inline std::string InnerHtml(IHTMLElement* element) {
  return StringOf([&](BSTR* out) { return element->get_innerHTML(out); });
}

inline ComPtr<IHTMLElement> ById(const ComPtr<IHTMLDocument2>& doc, std::u16string_view id) {
  ComPtr<IHTMLElement> element;
  EXPECT_EQ(Doc3(doc)->getElementById(CComBSTR(id), &element), S_OK);
  return element;
}

inline ComPtr<IHTMLElement> Body(const ComPtr<IHTMLDocument2>& doc) {
  ComPtr<IHTMLElement> body;
  EXPECT_EQ(doc->get_body(&body), S_OK);
  return body;
}

inline LONG Length(IHTMLElementCollection* collection) {
  LONG length = -1;
  EXPECT_EQ(collection->get_length(&length), S_OK);
  return length;
}

// The collection's element at index, asked the way the link walk asks
// (the index given both as name and as index).
inline ComPtr<IHTMLElement> ItemAt(IHTMLElementCollection* collection, LONG index) {
  ComPtr<IDispatch> item;
  EXPECT_EQ(collection->item(CComVariant(index), CComVariant(index), &item), S_OK);
  ComPtr<IHTMLElement> element;
  if (item) {
    EXPECT_EQ(item.As(&element), S_OK);
  }
  return element;
}

inline std::string Href(IHTMLElement* element) {
  ComPtr<IHTMLAnchorElement> anchor;
  EXPECT_EQ(element->QueryInterface(IID_PPV_ARGS(&anchor)), S_OK);
  if (!anchor) return "<not an anchor>";
  return StringOf([&](BSTR* out) { return anchor->get_href(out); });
}

inline ComPtr<IUnknown> Identity(IUnknown* object) {
  ComPtr<IUnknown> identity;
  EXPECT_EQ(object->QueryInterface(IID_PPV_ARGS(&identity)), S_OK);
  return identity;
}

}  // namespace html_test
