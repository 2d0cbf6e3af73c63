#include "platform/html/url_resolve.h"

#include <gtest/gtest.h>

#include "html_test_support.h"

namespace {

struct ResolveCase {
  const char* base;
  const char* reference;
  const char* expected;
};

// The reference resolution examples of RFC 3986 (5.4), with the host
// normalisation browsers apply ("//g" gets the path "/").
constexpr ResolveCase kRfcCases[] = {
    {"http://a/b/c/d;p?q", "g:h", "g:h"},
    {"http://a/b/c/d;p?q", "g", "http://a/b/c/g"},
    {"http://a/b/c/d;p?q", "./g", "http://a/b/c/g"},
    {"http://a/b/c/d;p?q", "g/", "http://a/b/c/g/"},
    {"http://a/b/c/d;p?q", "/g", "http://a/g"},
    {"http://a/b/c/d;p?q", "//g", "http://g/"},
    {"http://a/b/c/d;p?q", "?y", "http://a/b/c/d;p?y"},
    {"http://a/b/c/d;p?q", "g?y", "http://a/b/c/g?y"},
    {"http://a/b/c/d;p?q", "#s", "http://a/b/c/d;p?q#s"},
    {"http://a/b/c/d;p?q", "g#s", "http://a/b/c/g#s"},
    {"http://a/b/c/d;p?q", "g?y#s", "http://a/b/c/g?y#s"},
    {"http://a/b/c/d;p?q", ";x", "http://a/b/c/;x"},
    {"http://a/b/c/d;p?q", "g;x", "http://a/b/c/g;x"},
    {"http://a/b/c/d;p?q", "", "http://a/b/c/d;p?q"},
    {"http://a/b/c/d;p?q", ".", "http://a/b/c/"},
    {"http://a/b/c/d;p?q", "./", "http://a/b/c/"},
    {"http://a/b/c/d;p?q", "..", "http://a/b/"},
    {"http://a/b/c/d;p?q", "../", "http://a/b/"},
    {"http://a/b/c/d;p?q", "../g", "http://a/b/g"},
    {"http://a/b/c/d;p?q", "../..", "http://a/"},
    {"http://a/b/c/d;p?q", "../../g", "http://a/g"},
    {"http://a/b/c/d;p?q", "../../../g", "http://a/g"},
    {"http://a/b/c/d;p?q", "/./g", "http://a/g"},
    {"http://a/b/c/d;p?q", "/../g", "http://a/g"},
    {"http://a/b/c/d;p?q", "g.", "http://a/b/c/g."},
    {"http://a/b/c/d;p?q", "..g", "http://a/b/c/..g"},
    {"http://a/b/c/d;p?q", "./../g", "http://a/b/g"},
    {"http://a/b/c/d;p?q", "g/./h", "http://a/b/c/g/h"},
    {"http://a/b/c/d;p?q", "g/../h", "http://a/b/c/h"},
    {"http://a/b/c/d;p?q", "g?y/./x", "http://a/b/c/g?y/./x"},
    {"http://a/b/c/d;p?q", "g#s/../x", "http://a/b/c/g#s/../x"},
};

// What pages write in their links.
constexpr ResolveCase kPageCases[] = {
    // Absolute addresses: scheme and host lower-cased, empty path "/".
    {"http://example.com/dir/page.html", "HTTPS://WWW.Example.ORG", "https://www.example.org/"},
    {"http://example.com/dir/page.html", "https://Bob@Host.COM:8080/P?Q#F", "https://Bob@host.com:8080/P?Q#F"},
    // Protocol-relative addresses take the page's scheme.
    {"https://example.com/dir/page.html", "//cdn.example.net/lib.js", "https://cdn.example.net/lib.js"},
    {"http://example.com/dir/page.html", "//cdn.example.net", "http://cdn.example.net/"},
    // Query-only and fragment-only.
    {"http://example.com/dir/page.html?a=1#top", "?b=2", "http://example.com/dir/page.html?b=2"},
    {"http://example.com/dir/page.html?a=1#top", "#results", "http://example.com/dir/page.html?a=1#results"},
    {"http://example.com/dir/page.html?a=1", "?", "http://example.com/dir/page.html?"},
    // An empty reference is the page itself without its fragment.
    {"http://example.com/dir/page.html?a=1#top", "", "http://example.com/dir/page.html?a=1"},
    // Search engines' redirectors keep their query untouched.
    {"https://www.google.com/search?q=test+keyword", "/url?q=https://www.example.org/a%20b&sa=U",
     "https://www.google.com/url?q=https://www.example.org/a%20b&sa=U"},
    // Spaces around are dropped, tabs and line breaks inside removed,
    // unsafe characters encoded; other characters kept.
    {"http://example.com/dir/", "  \n next page.html\t ", "http://example.com/dir/next%20page.html"},
    {"http://example.com/dir/", "a\tb\nc.html", "http://example.com/dir/abc.html"},
    {"http://example.com/dir/", "x.html?q=\"<b>\"", "http://example.com/dir/x.html?q=%22%3Cb%3E%22"},
    {"http://example.com/dir/", "caf\xC3\xA9.html", "http://example.com/dir/caf\xC3\xA9.html"},
    // Backslashes in web addresses count as slashes, before the query.
    {"http://example.com/dir/page.html", "\\\\other.com\\x\\y?a\\b", "http://other.com/x/y?a\\b"},
    {"http://example.com/dir/page.html", "..\\up.html", "http://example.com/up.html"},
    // "http:path" on an http page is relative; another scheme is not.
    {"http://example.com/dir/page.html", "http:other.html", "http://example.com/dir/other.html"},
    {"http://example.com/dir/page.html", "ftp:other.html", "ftp:other.html"},
    // Addresses without a hierarchical path stay as written.
    {"http://example.com/dir/page.html", "javascript:go('a/../b')", "javascript:go('a/../b')"},
    {"http://example.com/dir/page.html", "mailto:Someone@Example.com", "mailto:Someone@Example.com"},
    {"http://example.com/dir/page.html", "JavaScript:void(0)", "javascript:void(0)"},
    // Resource addresses of the toolbar.
    {"res://HarbRes.dll/page.htm", "gif/green_icon.gif", "res://HarbRes.dll/gif/green_icon.gif"},
    // Bases that cannot resolve relative references.
    {"about:blank", "x.html", "x.html"},
    {"about:blank", "#top", "about:blank#top"},
    {"", "x/../y.html", "x/../y.html"},
    {"", "https://a.example/x/../y", "https://a.example/y"},
    // file addresses.
    {"file:///home/user/pages/index.html", "../other.html", "file:///home/user/other.html"},
};

class ResolveTable : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveTable, ResolvesLikeABrowser) {
  const ResolveCase& c = GetParam();
  EXPECT_EQ(quorvia::ResolveUrl(c.base, c.reference), c.expected) << "base " << c.base << " ref " << c.reference;
}

INSTANTIATE_TEST_SUITE_P(Rfc3986, ResolveTable, ::testing::ValuesIn(kRfcCases));
INSTANTIATE_TEST_SUITE_P(Pages, ResolveTable, ::testing::ValuesIn(kPageCases));

// The anchor's href goes through the same resolution, against the page's
// first base element that has an href (itself resolved against the page).
TEST(AnchorHref, ResolvesAgainstTheBaseElement) {
  using namespace html_test;
  auto doc = Parse(
      "<html><head><base target=_blank><base href='/root/sub/'><base href='http://ignored.example/'></head>"
      "<body><a id=rel href='x/y.html'>1</a><a id=abs href='https://other.example'>2</a>"
      "<a id=frag href='#top'>3</a><a id=none>4</a><a id=empty href=''>5</a></body></html>",
      u"http://example.com/dir/page.html?q=1");
  EXPECT_EQ(Href(ById(doc, u"rel")), "http://example.com/root/sub/x/y.html");
  EXPECT_EQ(Href(ById(doc, u"abs")), "https://other.example/");
  EXPECT_EQ(Href(ById(doc, u"frag")), "http://example.com/root/sub/#top");
  EXPECT_EQ(Href(ById(doc, u"none")), "<null>");
  EXPECT_EQ(Href(ById(doc, u"empty")), "http://example.com/root/sub/");

  // Changing the base changes every href at once.
  ComPtr<IHTMLElementCollection> all;
  ASSERT_EQ(doc->get_all(&all), S_OK);
  ComPtr<IDispatch> bases;
  ASSERT_EQ(all->tags(CComVariant(u"BASE"), &bases), S_OK);
  ComPtr<IHTMLElementCollection> base_list;
  ASSERT_EQ(bases.As(&base_list), S_OK);
  ASSERT_EQ(Length(base_list.Get()), 3);
  ASSERT_EQ(ItemAt(base_list.Get(), 1)->setAttribute(CComBSTR(u"href"), CComVariant(u"https://cdn.example/"), 0),
            S_OK);
  EXPECT_EQ(Href(ById(doc, u"rel")), "https://cdn.example/x/y.html");

  // put_href stores the text; get_href resolves it.
  ComPtr<IHTMLAnchorElement> anchor;
  ASSERT_EQ(ById(doc, u"none").As(&anchor), S_OK);
  ASSERT_EQ(anchor->put_href(CComBSTR(u"../z.html")), S_OK);
  EXPECT_EQ(StringOf([&](BSTR* out) { return anchor->get_href(out); }), "https://cdn.example/z.html");
}

TEST(AnchorHref, WithoutABaseUsesThePageAddress) {
  using namespace html_test;
  auto doc = Parse("<a id=a href='next.html?p=2'>next</a>", u"https://search.example/results/page1.html");
  EXPECT_EQ(Href(ById(doc, u"a")), "https://search.example/results/next.html?p=2");
}

}  // namespace
