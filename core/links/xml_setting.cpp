#include "core/links/xml_setting.h"

#include <climits>
#include <memory>
#include <utility>

#include "core/links/link_matchers.h"
#include "core/support/globals.h"
#include "platform/com/bstr.h"
#include "platform/com/com_ptr.h"
#include "platform/com/variant.h"
#include "platform/xml/xml_dom.h"

namespace {

using quorvia::ComPtr;

constexpr char16_t kXPathSettings[] = u"//config/settings/setting";
constexpr char16_t kXPathEngines[] = u"//config/search-engines/se";
constexpr char16_t kXPathUrlPatterns[] = u"url-regexps/regexp";
constexpr char16_t kXPathResultMatchers[] = u"results-matchers/sm";

constexpr char16_t kAttrId[] = u"id";
constexpr char16_t kAttrValue[] = u"value";
constexpr char16_t kAttrType[] = u"type";
constexpr char16_t kAttrRegexp[] = u"regexp";

// Result matcher types of an `sm` element.
constexpr int kMatcherClass = 0;
constexpr int kMatcherHref = 1;
constexpr int kMatcherClassSep = 2;

// The nodes an XPath expression selects from `from`, and their number. A
// failing selection or count gives its error; a selection that gives no
// list at all, E_FAIL.
HRESULT Select(IXMLDOMNode* from, const char16_t* xpath, ComPtr<IXMLDOMNodeList>& list, LONG& count) {
  CComBSTR expression(xpath);
  HRESULT hr = from->selectNodes(expression, &list);
  if (FAILED(hr)) return hr;
  if (!list) return E_FAIL;
  count = 0;
  hr = list->get_length(&count);
  if (FAILED(hr)) return hr;
  return S_OK;
}

// The node at index (into node) and its attribute map; null when the node
// or its map cannot be had.
ComPtr<IXMLDOMNamedNodeMap> AttributesAt(IXMLDOMNodeList* list, LONG index, ComPtr<IXMLDOMNode>& node) {
  ComPtr<IXMLDOMNode> item;
  if (FAILED(list->get_item(index, &item)) || !item) return nullptr;
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  if (FAILED(item->get_attributes(&attributes))) return nullptr;
  node = std::move(item);
  return attributes;
}

// One attribute read off a map: present with its text, absent, present but
// unreadable, or a failed look-up (an error, as opposed to absence).
struct Attribute {
  enum State { kPresent, kAbsent, kUnreadable, kLookupFailed } state;
  HRESULT hr;
  std::u16string value;
};

Attribute ReadAttribute(IXMLDOMNamedNodeMap* attributes, const char16_t* name) {
  CComBSTR attributeName(name);
  ComPtr<IXMLDOMNode> item;
  HRESULT hr = attributes->getNamedItem(attributeName, &item);
  if (FAILED(hr)) return {Attribute::kLookupFailed, hr, {}};
  if (!item) return {Attribute::kAbsent, hr, {}};
  CComBSTR text;
  hr = item->get_text(&text);
  if (FAILED(hr)) return {Attribute::kUnreadable, hr, {}};
  return {Attribute::kPresent, hr, text.ToU16String()};
}

// A decimal integer from the leading characters of text: white space, an
// optional sign, then digits up to the first other character; 0 when there
// are no digits. Out-of-range values stop at the int limits.
int LeadingInteger(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

CXmlSetting::CXmlSetting(const std::u16string& modulePath) {
  // The folder of the module: everything up to its last "/", which stays.
  const std::size_t slash = modulePath.rfind(u'/');
  ConfigDirectory = slash == std::u16string::npos ? std::u16string(u"./") : modulePath.substr(0, slash + 1);
  ConfigPath = ConfigDirectory + kConfigFileName;
}

CXmlSetting::~CXmlSetting() = default;

HRESULT CXmlSetting::LoadDocument() {
  ComPtr<IXMLDOMDocument> document;
  HRESULT hr = CreateXmlDocument(&document);
  if (FAILED(hr)) return hr;
  if (!document) return E_FAIL;
  if (FAILED(hr = document->put_async(VARIANT_FALSE))) return hr;
  if (FAILED(hr = document->put_validateOnParse(VARIANT_FALSE))) return hr;
  if (FAILED(hr = document->put_resolveExternals(VARIANT_FALSE))) return hr;

  VARIANT_BOOL loaded = VARIANT_FALSE;
  hr = document->load(CComVariant(ConfigPath), &loaded);
  if (FAILED(hr)) return hr;
  if (loaded != VARIANT_TRUE) return E_FAIL;

  return ReadDocument(document.Get());
}

HRESULT CXmlSetting::ReadDocument(IXMLDOMNode* document) {
  if (document == nullptr) return E_POINTER;
  HRESULT hr = ReadSettings(document);
  if (FAILED(hr)) return hr;
  return ReadEngines(document);
}

std::u16string CXmlSetting::GetSetting(const std::u16string& id) const {
  auto it = m_settings.find(id);
  return it == m_settings.end() ? std::u16string() : it->second;
}

HRESULT CXmlSetting::ReadSettings(IXMLDOMNode* document) {
  ComPtr<IXMLDOMNodeList> list;
  LONG count = 0;
  HRESULT hr = Select(document, kXPathSettings, list, count);
  if (FAILED(hr)) return hr;

  for (LONG index = 0; index < count; ++index) {
    ComPtr<IXMLDOMNode> node;
    ComPtr<IXMLDOMNamedNodeMap> attributes = AttributesAt(list.Get(), index, node);
    if (!attributes) continue;

    Attribute id = ReadAttribute(attributes.Get(), kAttrId);
    if (id.state == Attribute::kLookupFailed) return id.hr;
    if (id.state != Attribute::kPresent) continue;

    Attribute value = ReadAttribute(attributes.Get(), kAttrValue);
    if (value.state == Attribute::kLookupFailed) return value.hr;
    if (value.state == Attribute::kUnreadable) continue;
    if (value.state == Attribute::kAbsent) {
      // No value attribute: the element's text content (CDATA included),
      // which lets long templates live inside the element.
      CComBSTR text;
      if (FAILED(node->get_text(&text)) || text.Length() == 0) continue;
      value.value = text.ToU16String();
    }

    // The first definition of an id wins.
    m_settings.emplace(std::move(id.value), std::move(value.value));
  }
  return S_OK;
}

HRESULT CXmlSetting::ReadEngines(IXMLDOMNode* document) {
  ComPtr<IXMLDOMNodeList> list;
  LONG count = 0;
  HRESULT hr = Select(document, kXPathEngines, list, count);
  if (FAILED(hr)) return hr;

  for (LONG index = 0; index < count; ++index) {
    // Holds the engine's result matchers until the record takes them over; a
    // skipped engine, or a pattern error thrown below, discards them here.
    auto container = std::make_unique<LinkMatcherContainer>(true);

    ComPtr<IXMLDOMNode> node;
    ComPtr<IXMLDOMNamedNodeMap> attributes = AttributesAt(list.Get(), index, node);
    if (!attributes) continue;

    Attribute id = ReadAttribute(attributes.Get(), kAttrId);
    if (id.state == Attribute::kLookupFailed) return id.hr;
    if (id.state != Attribute::kPresent) continue;

    std::u16string urlPattern;
    if (FAILED(JoinUrlPatterns(node.Get(), urlPattern))) continue;
    if (FAILED(FillResultMatchers(node.Get(), *container))) continue;

    // An engine without any URL pattern has no pattern to give: that is
    // rejected like a pattern that does not compile.
    auto urlMatcher = std::make_unique<HrefLinkMatcher>(urlPattern.empty() ? nullptr : urlPattern.c_str());
    m_engines.AddEngine(
        std::make_unique<SearchEngineRecord>(std::move(id.value), std::move(urlMatcher), std::move(container)));
  }
  return S_OK;
}

HRESULT CXmlSetting::JoinUrlPatterns(IXMLDOMNode* engine, std::u16string& pattern) {
  ComPtr<IXMLDOMNodeList> list;
  LONG count = 0;
  HRESULT hr = Select(engine, kXPathUrlPatterns, list, count);
  if (FAILED(hr)) return hr;

  // Every pattern goes into parentheses, so that a "|" inside one cannot
  // reach into the next; "(p)|(q)" then offers each whole pattern in turn.
  std::u16string joined;
  for (LONG index = 0; index < count; ++index) {
    ComPtr<IXMLDOMNode> node;
    ComPtr<IXMLDOMNamedNodeMap> attributes = AttributesAt(list.Get(), index, node);
    if (!attributes) continue;
    Attribute value = ReadAttribute(attributes.Get(), kAttrValue);
    if (value.state != Attribute::kPresent) continue;
    if (!joined.empty()) joined += u'|';
    joined += u'(';
    joined += value.value;
    joined += u')';
  }
  pattern = std::move(joined);
  return S_OK;
}

HRESULT CXmlSetting::FillResultMatchers(IXMLDOMNode* engine, LinkMatcherContainer& container) {
  ComPtr<IXMLDOMNodeList> list;
  LONG count = 0;
  HRESULT hr = Select(engine, kXPathResultMatchers, list, count);
  if (FAILED(hr)) return hr;

  for (LONG index = 0; index < count; ++index) {
    ComPtr<IXMLDOMNode> node;
    ComPtr<IXMLDOMNamedNodeMap> attributes = AttributesAt(list.Get(), index, node);
    if (!attributes) continue;
    Attribute type = ReadAttribute(attributes.Get(), kAttrType);
    if (type.state != Attribute::kPresent) continue;
    Attribute value = ReadAttribute(attributes.Get(), kAttrValue);
    if (value.state != Attribute::kPresent) continue;

    std::unique_ptr<ILinkMatcher> matcher;
    switch (LeadingInteger(type.value)) {
      case kMatcherClass:
        matcher = std::make_unique<ClassLinkMatcher>(std::move(value.value));
        break;
      case kMatcherHref:
        matcher = std::make_unique<HrefLinkMatcher>(value.value.c_str());
        break;
      case kMatcherClassSep: {
        Attribute regexp = ReadAttribute(attributes.Get(), kAttrRegexp);
        if (regexp.state != Attribute::kPresent) continue;
        matcher = std::make_unique<ClassSepLinkMatcher>(std::move(value.value), regexp.value.c_str());
        break;
      }
      default:
        continue;
    }
    container.AddMatcher(matcher.release());
  }
  return S_OK;
}
