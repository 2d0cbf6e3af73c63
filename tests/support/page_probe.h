// Reading a page through its document model in tests: elements by id or
// tag, attributes, markup and text, as UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/html/html_interfaces.h"

namespace quorvia_test {

using quorvia::ComPtr;

// The page parsed from bytes as loaded from url; null when parsing fails.
ComPtr<IHTMLDocument2> ParsePage(std::string_view bytes, std::u16string_view url);

ComPtr<IHTMLElement> ElementById(IHTMLDocument2* document, std::u16string_view id);
ComPtr<IHTMLElement> Body(IHTMLDocument2* document);
// The first element with the tag (any case), null when there is none.
ComPtr<IHTMLElement> FirstByTag(IHTMLDocument2* document, std::u16string_view tag);
// Every element with the tag, in document order.
std::vector<ComPtr<IHTMLElement>> AllByTag(IHTMLDocument2* document, std::u16string_view tag);
// Every element inside the element with the tag ("*": all), in document
// order.
std::vector<ComPtr<IHTMLElement>> DescendantsByTag(IHTMLElement* element, std::u16string_view tag);
std::vector<ComPtr<IHTMLElement>> ChildrenByTag(IHTMLElement* element, std::u16string_view tag);

// An attribute's value; "<none>" when the element has no such attribute.
std::string Attribute(IHTMLElement* element, std::u16string_view name);
std::string OuterHtml(IHTMLElement* element);
std::string InnerHtml(IHTMLElement* element);
std::string InnerText(IHTMLElement* element);
std::string TagName(IHTMLElement* element);
ComPtr<IHTMLElement> Parent(IHTMLElement* element);
// The anchor's absolute address; "<none>" when it has none.
std::string Href(IHTMLElement* element);
bool SameElement(IUnknown* a, IUnknown* b);

// The element's first child element; null when it has none.
ComPtr<IHTMLElement> FirstChild(IHTMLElement* element);
// The element right after this one among its parent's child elements
// (text between them aside); null when it is the last.
ComPtr<IHTMLElement> NextElement(IHTMLElement* element);

// The whole page as markup.
std::string Serialize(IHTMLDocument2* document);

}  // namespace quorvia_test
