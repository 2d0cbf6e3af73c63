#include "core/links/link_matchers.h"

#include <new>
#include <utility>

#include "platform/com/bstr.h"
#include "platform/com/com_ptr.h"

namespace {

// Compiles a matcher's pattern; a missing pattern is rejected like one that
// does not compile.
quorvia::Pattern CompilePattern(const char16_t* pattern, std::string_view errorPrefix) {
  if (pattern == nullptr) quorvia::Pattern::Reject(errorPrefix, std::u16string_view());
  return quorvia::Pattern(std::u16string_view(pattern), errorPrefix);
}

// The anchor's href as the page reports it (absolute); a null BSTR reads as
// the empty string.
HRESULT ReadHref(IHTMLAnchorElement* element, std::u16string& href) {
  if (element == nullptr) return E_POINTER;
  CComBSTR text;
  HRESULT hr = element->get_href(&text);
  if (FAILED(hr)) return hr;
  href = text.ToU16String();
  return hr;
}

// The address-extraction rule shared by the pattern matchers.
HRESULT ExtractLinkUrl(const quorvia::Pattern& pattern, IHTMLAnchorElement* element, std::u16string& url) {
  std::u16string href;
  HRESULT hr = ReadHref(element, href);
  if (FAILED(hr)) return hr;
  url = pattern.ExtractFirstGroup(href);
  return hr;
}

}  // namespace

// ILinkMatcher

ILinkMatcher::~ILinkMatcher() = default;

HRESULT ILinkMatcher::Reserved(IHTMLAnchorElement* /*element*/, const URLScanResultElement* /*record*/) const {
  return E_NOTIMPL;
}

HRESULT ILinkMatcher::GetLinkUrl(IHTMLAnchorElement* element, std::u16string& url) const {
  std::u16string href;
  HRESULT hr = ReadHref(element, href);
  if (FAILED(hr)) return hr;
  url = std::move(href);
  return hr;
}

// ClassLinkMatcher

ClassLinkMatcher::ClassLinkMatcher(std::u16string className) : m_className(std::move(className)) {}

ClassLinkMatcher::~ClassLinkMatcher() = default;

bool ClassLinkMatcher::MatchText(std::u16string_view /*text*/) const { return false; }

bool ClassLinkMatcher::MatchElement(IHTMLAnchorElement* element) const {
  if (element == nullptr) return false;
  quorvia::ComPtr<IHTMLElement> html;
  if (FAILED(element->QueryInterface(&html)) || !html) return false;
  CComBSTR className;
  if (FAILED(html->get_className(&className))) return false;
  return className.View() == m_className;
}

// ClassSepLinkMatcher

ClassSepLinkMatcher::ClassSepLinkMatcher(std::u16string className, const char16_t* pattern)
    : ClassLinkMatcher(std::move(className)), m_pattern(CompilePattern(pattern, kErrorPrefix)) {}

ClassSepLinkMatcher::~ClassSepLinkMatcher() = default;

HRESULT ClassSepLinkMatcher::GetLinkUrl(IHTMLAnchorElement* element, std::u16string& url) const {
  return ExtractLinkUrl(m_pattern, element, url);
}

// HrefLinkMatcher

HrefLinkMatcher::HrefLinkMatcher(const char16_t* pattern) : m_pattern(CompilePattern(pattern, kErrorPrefix)) {}

HrefLinkMatcher::~HrefLinkMatcher() = default;

bool HrefLinkMatcher::MatchText(std::u16string_view text) const { return m_pattern.Contains(text); }

bool HrefLinkMatcher::MatchElement(IHTMLAnchorElement* element) const {
  std::u16string href;
  if (element == nullptr || FAILED(ReadHref(element, href))) return false;
  return m_pattern.Contains(href);
}

HRESULT HrefLinkMatcher::GetLinkUrl(IHTMLAnchorElement* element, std::u16string& url) const {
  return ExtractLinkUrl(m_pattern, element, url);
}

// LinkMatcherContainer

LinkMatcherContainer::LinkMatcherContainer(bool ownsMatchers) : m_bOwnsMatchers(ownsMatchers) {}

LinkMatcherContainer::~LinkMatcherContainer() {
  if (m_bOwnsMatchers) {
    for (ILinkMatcher* matcher : m_matchers) delete matcher;
  }
  m_matchers.clear();
}

void LinkMatcherContainer::AddMatcher(ILinkMatcher* matcher) {
  if (matcher == nullptr) return;
  try {
    m_matchers.push_back(matcher);
  } catch (const std::bad_alloc&) {
    // The container was handed the matcher; do not leak it.
    if (m_bOwnsMatchers) delete matcher;
    throw;
  }
}

ILinkMatcher* LinkMatcherContainer::FindMatcher(IHTMLAnchorElement* anchor) const {
  for (ILinkMatcher* matcher : m_matchers) {
    if (matcher->MatchElement(anchor)) return matcher;
  }
  return nullptr;
}
