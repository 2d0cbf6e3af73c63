// Link matchers: is a link of a page one of a search engine's result links,
// and which address does it really point to.
//
// Three kinds exist: by class name (ClassLinkMatcher), by class name with an
// address-extraction pattern (ClassSepLinkMatcher), and by address pattern
// (HrefLinkMatcher). Patterns are written in the configuration's pattern
// dialect (core/links/pattern.h); matching ignores letter case.
//
// The virtual operations of ILinkMatcher are declared in a fixed slot order;
// the page processor and the annotation code call them through the vtable,
// so keep that order. Matchers are immutable after construction: every
// operation is const and may run on several threads at once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/links/pattern.h"
#include "platform/com/types.h"
#include "platform/html/html_interfaces.h"

// The rating record of one address (defined with the rating service client).
struct URLScanResultElement;

class ILinkMatcher {
 public:
  ILinkMatcher() = default;
  ILinkMatcher(const ILinkMatcher&) = delete;
  ILinkMatcher& operator=(const ILinkMatcher&) = delete;

  // Slot 0.
  virtual ~ILinkMatcher();
  // Slot 1: whether text satisfies the matcher.
  virtual bool MatchText(std::u16string_view text) const = 0;
  // Slot 2: whether the link is one the matcher selects. False for a null
  // element and when the element cannot be read.
  virtual bool MatchElement(IHTMLAnchorElement* element) const = 0;
  // Slot 3: called by the annotation after it has marked a link. No matcher
  // does anything here: E_NOTIMPL.
  virtual HRESULT Reserved(IHTMLAnchorElement* element, const URLScanResultElement* record) const;
  // Slot 4: the address to rate. This base returns the element's href
  // unchanged. The href's read error is returned as it is, with url
  // untouched; E_POINTER for a null element.
  virtual HRESULT GetLinkUrl(IHTMLAnchorElement* element, std::u16string& url) const;
};

// Selects links whose class attribute, as a whole, equals the class name:
// letter case counts and the value is not split into tokens, so "l" selects
// neither "L" nor "l x". A link without a class attribute has the empty
// class name.
class ClassLinkMatcher : public ILinkMatcher {
 public:
  explicit ClassLinkMatcher(std::u16string className);
  ~ClassLinkMatcher() override;

  // Always false: a class name says nothing about a text.
  bool MatchText(std::u16string_view text) const override;
  bool MatchElement(IHTMLAnchorElement* element) const override;

  const std::u16string& GetClassName() const noexcept { return m_className; }

 private:
  std::u16string m_className;
};

// A class matcher whose address to rate is taken out of the href: the text
// of the pattern's first capture group (braces) when the pattern is found
// there, else the href unchanged.
class ClassSepLinkMatcher : public ClassLinkMatcher {
 public:
  // Compiles pattern. A pattern that does not compile, or none at all (null),
  // throws std::invalid_argument with kErrorPrefix followed directly by the
  // pattern.
  ClassSepLinkMatcher(std::u16string className, const char16_t* pattern);
  ~ClassSepLinkMatcher() override;

  HRESULT GetLinkUrl(IHTMLAnchorElement* element, std::u16string& url) const override;

  const quorvia::Pattern& GetPattern() const noexcept { return m_pattern; }

  static constexpr char kErrorPrefix[] =
      "ClassSepLinkMatcher::ClassSepLinkMatcher() bad Regualr expression passed to CTor";

 private:
  quorvia::Pattern m_pattern;
};

// Selects links whose href contains the pattern (anywhere, unless the
// pattern anchors itself); the address to rate is extracted as by
// ClassSepLinkMatcher. Also the URL matcher of a search engine, applied to
// page addresses through MatchText.
class HrefLinkMatcher : public ILinkMatcher {
 public:
  // Compiles pattern; errors as ClassSepLinkMatcher, with kErrorPrefix.
  explicit HrefLinkMatcher(const char16_t* pattern);
  ~HrefLinkMatcher() override;

  bool MatchText(std::u16string_view text) const override;
  bool MatchElement(IHTMLAnchorElement* element) const override;
  HRESULT GetLinkUrl(IHTMLAnchorElement* element, std::u16string& url) const override;

  const quorvia::Pattern& GetPattern() const noexcept { return m_pattern; }

  static constexpr char kErrorPrefix[] = "HrefLinkMatcher::HrefLinkMatcher() bad Regualr expression passed to CTor";

 private:
  quorvia::Pattern m_pattern;
};

// An ordered list of matchers; the first one that accepts a link wins.
class LinkMatcherContainer {
 public:
  // ownsMatchers: destroy the matchers with the container (true for every
  // container the configuration builds).
  explicit LinkMatcherContainer(bool ownsMatchers = true);
  LinkMatcherContainer(const LinkMatcherContainer&) = delete;
  LinkMatcherContainer& operator=(const LinkMatcherContainer&) = delete;

  // The only virtual operation.
  virtual ~LinkMatcherContainer();

  // Appends matcher at the end; an owning container takes it over (even when
  // appending fails for want of memory). A null matcher is ignored.
  void AddMatcher(ILinkMatcher* matcher);
  // The first matcher, from the front, whose MatchElement accepts anchor;
  // null when none does.
  ILinkMatcher* FindMatcher(IHTMLAnchorElement* anchor) const;

  const std::vector<ILinkMatcher*>& GetMatchers() const noexcept { return m_matchers; }
  bool OwnsMatchers() const noexcept { return m_bOwnsMatchers; }

 private:
  bool m_bOwnsMatchers;
  std::vector<ILinkMatcher*> m_matchers;
};
