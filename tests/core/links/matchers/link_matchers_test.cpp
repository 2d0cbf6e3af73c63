// Result and URL matchers on anchors of real parsed pages, and the order in
// which a container tries its matchers.
#include "core/links/link_matchers.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/com_ptr.h"
#include "platform/com/variant.h"
#include "platform/html/html_document.h"
#include "platform/text/convert.h"

namespace {

using quorvia::ComPtr;
using quorvia::Utf16ToUtf8;

// The anchors of a page made of markup, in link-collection order.
class Page {
 public:
  explicit Page(const std::string& body, std::u16string_view url = u"http://www.example.com/search?q=x") {
    EXPECT_EQ(quorvia::CreateHtmlDocument("<html><body>" + body + "</body></html>", url, &doc_), S_OK);
    ComPtr<IHTMLElementCollection> links;
    EXPECT_EQ(doc_->get_links(&links), S_OK);
    LONG length = 0;
    EXPECT_EQ(links->get_length(&length), S_OK);
    for (LONG i = 0; i < length; ++i) {
      ComPtr<IDispatch> item;
      EXPECT_EQ(links->item(CComVariant(i), CComVariant(i), &item), S_OK);
      ComPtr<IHTMLAnchorElement> anchor;
      if (SUCCEEDED(item.As(&anchor))) anchors_.push_back(anchor);
    }
  }
  IHTMLAnchorElement* operator[](std::size_t i) const { return anchors_.at(i).Get(); }
  std::size_t size() const { return anchors_.size(); }

 private:
  ComPtr<IHTMLDocument2> doc_;
  std::vector<ComPtr<IHTMLAnchorElement>> anchors_;
};

std::string LinkUrl(const ILinkMatcher& matcher, IHTMLAnchorElement* anchor) {
  std::u16string url = u"<untouched>";
  EXPECT_EQ(matcher.GetLinkUrl(anchor, url), S_OK);
  return Utf16ToUtf8(url);
}

// The message of the invalid-argument error a construction throws; "" when
// it throws nothing.
template <class F>
std::string ConstructionError(F&& construct) {
  try {
    construct();
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  return "";
}

TEST(ClassLinkMatcher, ComparesTheWholeClassAttributeWithItsCase) {
  Page page(R"(<a class="l" href="/1">x</a><a class="L" href="/2">x</a><a class="l x" href="/3">x</a>)"
            R"(<a href="/4">x</a><a class="" href="/5">x</a><a class=" l" href="/6">x</a>)");
  ASSERT_EQ(page.size(), 6u);

  const ClassLinkMatcher l(u"l");
  const ClassLinkMatcher none(u"");
  const std::vector<bool> selectedByL = {true, false, false, false, false, false};
  // An empty class name stands for "no class": links without the attribute
  // and with an empty one.
  const std::vector<bool> selectedByNone = {false, false, false, true, true, false};
  for (std::size_t i = 0; i < page.size(); ++i) {
    EXPECT_EQ(l.MatchElement(page[i]), selectedByL[i]) << i;
    EXPECT_EQ(none.MatchElement(page[i]), selectedByNone[i]) << i;
  }
  EXPECT_FALSE(l.MatchElement(nullptr));

  // A class says nothing about a text; the address to rate is the href.
  EXPECT_FALSE(l.MatchText(u"l"));
  EXPECT_EQ(LinkUrl(l, page[0]), "http://www.example.com/1");
}

// The address of a redirector link is in its query parameter q.
constexpr char16_t kRedirectParam[] = u"[?&]q={[^&]*}";

TEST(ClassSepLinkMatcher, TakesTheAddressOutOfARedirectorParameter) {
  Page page(R"(<a class="r" href="/url?sa=t&amp;q=http://Example.ORG/Some/Path?A=B&amp;usg=AFQ">1</a>)"
            R"(<a class="r" href="http://direct.example.net/Page?P=Y">2</a>)"
            R"(<a class="r x" href="/url?q=http://other.example/">3</a>)");
  ASSERT_EQ(page.size(), 3u);
  const ClassSepLinkMatcher matcher(u"r", kRedirectParam);

  // Selection is by class, as for ClassLinkMatcher.
  EXPECT_TRUE(matcher.MatchElement(page[0]));
  EXPECT_TRUE(matcher.MatchElement(page[1]));
  EXPECT_FALSE(matcher.MatchElement(page[2]));
  EXPECT_FALSE(matcher.MatchText(u"http://x/?q=y"));

  // Only the parameter's value, with its letter case.
  EXPECT_EQ(LinkUrl(matcher, page[0]), "http://Example.ORG/Some/Path?A=B");
  // An href that does not fit comes back unchanged.
  EXPECT_EQ(LinkUrl(matcher, page[1]), "http://direct.example.net/Page?P=Y");
}

TEST(PatternMatchers, ExtractTheFirstBraceGroupOrTheHref) {
  Page page(R"(<a class="r" href="/url?sa=t&amp;q=http://A.example/&amp;x=1">1</a>)");
  ASSERT_EQ(page.size(), 1u);
  const std::string href = "http://www.example.com/url?sa=t&q=http://A.example/&x=1";
  struct Case {
    const char16_t* pattern;
    std::string expected;
  } cases[] = {
      {kRedirectParam, "http://A.example/"},
      // Found, but without braces: the href.
      {u"[?&]q=[^&]*", href},
      // The second group is not the one taken.
      {u"{url}\\?{sa}", "url"},
      // A group that took no part in the match gives the empty text.
      {u"{zzz}?sa=", ""},
      // Not found: the href.
      {u"[?&]u={[^&]*}", href},
  };
  for (const Case& c : cases) {
    const HrefLinkMatcher href_matcher(c.pattern);
    const ClassSepLinkMatcher class_sep(u"r", c.pattern);
    EXPECT_EQ(LinkUrl(href_matcher, page[0]), c.expected) << Utf16ToUtf8(c.pattern);
    EXPECT_EQ(LinkUrl(class_sep, page[0]), c.expected) << Utf16ToUtf8(c.pattern);
  }
}

TEST(HrefLinkMatcher, SelectsLinksWhoseAddressContainsThePattern) {
  Page page(R"(<a href="/Results/One">1</a><a href="http://other.example/results">2</a>)"
            R"(<a href="http://other.example/page">3</a>)");
  ASSERT_EQ(page.size(), 3u);

  const HrefLinkMatcher results(u"RESULTS");
  EXPECT_TRUE(results.MatchElement(page[0]));
  EXPECT_TRUE(results.MatchElement(page[1]));
  EXPECT_FALSE(results.MatchElement(page[2]));
  EXPECT_FALSE(results.MatchElement(nullptr));
  EXPECT_EQ(LinkUrl(results, page[0]), "http://www.example.com/Results/One");

  // Anchored patterns look at the resolved, absolute address.
  const HrefLinkMatcher local(u"^http://www\\.example\\.com/");
  EXPECT_TRUE(local.MatchElement(page[0]));
  EXPECT_FALSE(local.MatchElement(page[1]));
  const HrefLinkMatcher page_end(u"/page$");
  EXPECT_FALSE(page_end.MatchElement(page[0]));
  EXPECT_TRUE(page_end.MatchElement(page[2]));
}

TEST(HrefLinkMatcher, MatchTextSearchesAnywhereIgnoringCase) {
  struct Case {
    const char16_t* pattern;
    const char16_t* text;
    bool found;
  } cases[] = {
      {u"google\\.com/search", u"HTTP://WWW.GOOGLE.COM/SEARCH?q=1", true},
      {u"GOOGLE", u"http://www.google.com/", true},
      {u"^search", u"http://x/search", false},
      {u"^http", u"http://x/search", true},
      {u"search$", u"http://x/search?q", false},
      {u"search$", u"http://x/?q=search", true},
      {u"", u"anything", true},
      {u"", u"", true},
      // "|" joins single items: a, then b or c, then d.
      {u"ab|cd", u"abd", true},
      {u"ab|cd", u"ab", false},
      // A stray ")" ends the pattern.
      {u"abc)zzz", u"xabcx", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HrefLinkMatcher(c.pattern).MatchText(c.text), c.found)
        << Utf16ToUtf8(c.pattern) << " in " << Utf16ToUtf8(c.text);
  }
}

TEST(PatternMatchers, RejectBadPatternsWithTheFixedMessage) {
  const std::string href_prefix = "HrefLinkMatcher::HrefLinkMatcher() bad Regualr expression passed to CTor";
  const std::string sep_prefix = "ClassSepLinkMatcher::ClassSepLinkMatcher() bad Regualr expression passed to CTor";
  for (const char16_t* bad : {u"[z-a]", u"(abc", u"{abc", u"[abc", u"[]", u"a\\1", u"(a?)*"}) {
    const std::string pattern = Utf16ToUtf8(bad);
    EXPECT_EQ(ConstructionError([&] { HrefLinkMatcher m(bad); }), href_prefix + pattern);
    EXPECT_EQ(ConstructionError([&] { ClassSepLinkMatcher m(u"r", bad); }), sep_prefix + pattern);
  }
  // No pattern at all is rejected too; an empty one is a pattern.
  EXPECT_EQ(ConstructionError([] { HrefLinkMatcher m(nullptr); }), href_prefix);
  EXPECT_EQ(ConstructionError([] { ClassSepLinkMatcher m(u"r", nullptr); }), sep_prefix);
  EXPECT_EQ(ConstructionError([] { HrefLinkMatcher m(u""); }), "");
  EXPECT_EQ(ConstructionError([] { HrefLinkMatcher m(u"abc)("); }), "");
}

TEST(LinkMatchers, ReservedIsNotImplementedByAnyMatcher) {
  Page page(R"(<a class="r" href="/x">x</a>)");
  const ClassLinkMatcher by_class(u"r");
  const ClassSepLinkMatcher class_sep(u"r", u"{x}");
  const HrefLinkMatcher by_href(u"x");
  for (const ILinkMatcher* matcher :
       {static_cast<const ILinkMatcher*>(&by_class), static_cast<const ILinkMatcher*>(&class_sep),
        static_cast<const ILinkMatcher*>(&by_href)}) {
    EXPECT_EQ(matcher->Reserved(page[0], nullptr), E_NOTIMPL);
    std::u16string url = u"kept";
    EXPECT_EQ(matcher->GetLinkUrl(nullptr, url), E_POINTER);
    EXPECT_EQ(url, u"kept");
  }
}

// Counts the matchers destroyed, to see who owns them.
class CountingMatcher : public ClassLinkMatcher {
 public:
  CountingMatcher(const char16_t* className, int* destroyed) : ClassLinkMatcher(className), destroyed_(destroyed) {}
  ~CountingMatcher() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

TEST(LinkMatcherContainer, TheFirstAcceptingMatcherWins) {
  Page page(R"(<a class="r" href="/results/1">1</a><a class="q" href="/results/2">2</a>)"
            R"(<a class="q" href="/other">3</a><a href="/none">4</a>)");
  ASSERT_EQ(page.size(), 4u);
  LinkMatcherContainer container;
  EXPECT_TRUE(container.OwnsMatchers());
  auto* by_href = new HrefLinkMatcher(u"/results/");
  auto* by_class = new ClassLinkMatcher(u"q");
  container.AddMatcher(by_href);
  container.AddMatcher(nullptr);
  container.AddMatcher(by_class);
  ASSERT_EQ(container.GetMatchers(), (std::vector<ILinkMatcher*>{by_href, by_class}));

  EXPECT_EQ(container.FindMatcher(page[0]), by_href);
  EXPECT_EQ(container.FindMatcher(page[1]), by_href);  // both accept: the earlier one
  EXPECT_EQ(container.FindMatcher(page[2]), by_class);
  EXPECT_EQ(container.FindMatcher(page[3]), nullptr);
  EXPECT_EQ(container.FindMatcher(nullptr), nullptr);
  EXPECT_EQ(LinkMatcherContainer().FindMatcher(page[0]), nullptr);
}

TEST(LinkMatcherContainer, DestroysItsMatchersOnlyWhenItOwnsThem) {
  int destroyed = 0;
  CountingMatcher kept1(u"a", &destroyed), kept2(u"b", &destroyed);
  {
    LinkMatcherContainer borrowed(false);
    borrowed.AddMatcher(&kept1);
    borrowed.AddMatcher(&kept2);
  }
  EXPECT_EQ(destroyed, 0);
  {
    LinkMatcherContainer owning;
    owning.AddMatcher(new CountingMatcher(u"a", &destroyed));
    owning.AddMatcher(new CountingMatcher(u"b", &destroyed));
  }
  EXPECT_EQ(destroyed, 2);
}

}  // namespace
