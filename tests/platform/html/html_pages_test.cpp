// Real pages and big pages: they parse, their links are all there, and the
// annotation of every link works on them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "html_test_support.h"

namespace {

using namespace html_test;

std::string ReadPage(const std::string& name) {
  std::ifstream in(std::string(QUORVIA_HTML_TEST_PAGES) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct RealPage {
  const char* file;
  const char16_t* url;
  LONG links;
  const char* some_result;  // the href of one organic result
};

// Link counts: every `a` and `area` with an href in the saved markup.
const RealPage kRealPages[] = {
    {"google-page1.html", u"https://www.google.com/search?q=test+keyword", 115, "https://keywordtool.io/"},
    {"bing-page1.html", u"https://www.bing.com/search?q=test+keyword", 71,
     "https://support.smartbear.com/testcomplete/docs/keyword-testing/index.html"},
    {"duckduckgo-page1.html", u"https://duckduckgo.com/?q=test%20keyword", 105, "https://en.wikipedia.org/wiki/Keyword-driven_testing"},
};

class RealPages : public ::testing::TestWithParam<RealPage> {};

TEST_P(RealPages, ParseWithAllTheirLinks) {
  const RealPage& page = GetParam();
  auto doc = Parse(ReadPage(page.file), page.url);
  ASSERT_TRUE(doc);
  ComPtr<IHTMLElementCollection> links;
  ASSERT_EQ(doc->get_links(&links), S_OK);
  LONG count = Length(links.Get());
  EXPECT_EQ(count, page.links);

  // Every anchor reports an absolute address.
  int anchors = 0;
  bool found_result = false;
  for (LONG i = 0; i < count; ++i) {
    auto element = ItemAt(links.Get(), i);
    ASSERT_TRUE(element);
    ComPtr<IHTMLAnchorElement> anchor;
    if (FAILED(element.As(&anchor))) continue;
    ++anchors;
    std::string href = StringOf([&](BSTR* out) { return anchor->get_href(out); });
    EXPECT_TRUE(href.starts_with("http://") || href.starts_with("https://") || href.starts_with("javascript:") ||
                href.starts_with("mailto:"))
        << href;
    found_result = found_result || href == page.some_result;
  }
  EXPECT_GT(anchors, 0);
  EXPECT_TRUE(found_result) << page.some_result;

  // Annotating every link and saving the page keeps every link.
  for (LONG i = 0; i < count; ++i) {
    ASSERT_EQ(ItemAt(links.Get(), i)
                  ->insertAdjacentHTML(CComBSTR(u"afterEnd"), CComBSTR(u"<img src=res://HarbRes.dll/gif/gray_icon.gif>")),
              S_OK);
  }
  EXPECT_EQ(Length(links.Get()), count);
  auto saved = Parse(Serialize(doc), page.url);
  ComPtr<IHTMLElementCollection> saved_links;
  ASSERT_EQ(saved->get_links(&saved_links), S_OK);
  EXPECT_EQ(Length(saved_links.Get()), count);
}

INSTANTIATE_TEST_SUITE_P(SearchEngines, RealPages, ::testing::ValuesIn(kRealPages));

TEST(BigPage, TenThousandLinks) {
  constexpr int kLinks = 10000;
  std::string page = "<html><head><base href='https://results.example/r/'></head><body><ol>";
  for (int i = 0; i < kLinks; ++i) {
    page += "<li><a class=r href='" + std::to_string(i) + "?x=1'>result " + std::to_string(i) + "</a>";
    if (i % 1000 == 0) page += "<a name=anchor" + std::to_string(i) + ">no href</a>";
  }
  page += "</ol></body></html>";
  auto doc = Parse(page, u"http://example.com/");
  ComPtr<IHTMLElementCollection> links;
  ASSERT_EQ(doc->get_links(&links), S_OK);
  ASSERT_EQ(Length(links.Get()), kLinks);

  // Walk them as the links manager does, then mark each as the annotation does.
  std::vector<ComPtr<IHTMLElement>> kept;
  kept.reserve(kLinks);
  for (LONG i = 0; i < kLinks; ++i) kept.push_back(ItemAt(links.Get(), i));
  EXPECT_EQ(Href(kept.front().Get()), "https://results.example/r/0?x=1");
  EXPECT_EQ(Href(kept.back().Get()), "https://results.example/r/9999?x=1");
  for (LONG i = 0; i < kLinks; ++i) {
    ASSERT_EQ(Href(kept[i].Get()), "https://results.example/r/" + std::to_string(i) + "?x=1");
    ASSERT_EQ(kept[i]->insertAdjacentHTML(CComBSTR(u"afterEnd"), CComBSTR(u"<img src=i.gif><div>bubble</div>")), S_OK);
  }
  EXPECT_EQ(Length(links.Get()), kLinks);
  std::string saved = Serialize(doc);
  EXPECT_NE(saved.find("<a class=\"r\" href=\"9999?x=1\">result 9999</a><img src=\"i.gif\"><div>bubble</div>"),
            std::string::npos);
}

// Broken markup, broken encodings and broken fragments print nothing: the
// parser's complaints would land in the browser's terminal.
TEST(BrokenMarkup, ParsesWithoutAWord) {
  std::fflush(stderr);
  int saved = dup(STDERR_FILENO);
  ASSERT_GE(saved, 0);
  FILE* capture = std::tmpfile();
  ASSERT_NE(capture, nullptr);
  ASSERT_GE(dup2(fileno(capture), STDERR_FILENO), 0);
  {
    auto doc = Parse(std::string("<meta charset=utf-8><p>\xC3\x28 \xFF</p></b></table><td><a href='x'", 46) +
                         "<!-- open comment <script>if (a<b) { </div> &bogus; &#xFFFFFFFF; <?pi ?><![CDATA[x]]>" +
                         std::string(1, '\0') + "<html><body><frameset>",
                     u"http://example.com/");
    ASSERT_TRUE(doc);
    auto body = Body(doc);
    ASSERT_TRUE(body);
    body->insertAdjacentHTML(CComBSTR(u"beforeEnd"), CComBSTR(u"</td></tr><tr><td>x</table></html></body>&#0;<"));
    body->put_innerHTML(CComBSTR(u"<svg:rect/><p <<<>>> =x>"));
    Serialize(doc);
  }
  std::fflush(stderr);
  ASSERT_GE(dup2(saved, STDERR_FILENO), 0);
  close(saved);
  long written = std::ftell(capture);
  std::fclose(capture);
  EXPECT_EQ(written, 0);
}

TEST(LoadedPages, FromResourceAndFileAddresses) {
  ComPtr<IHTMLDocument2> doc;
  ASSERT_EQ(quorvia::LoadHtmlDocument(u"res://HtmlTestPages.dll/results.htm", &doc), S_OK);
  EXPECT_EQ(StringOf([&](BSTR* out) { return doc->get_URL(out); }), "res://HtmlTestPages.dll/results.htm");
  ComPtr<IHTMLElementCollection> links;
  ASSERT_EQ(doc->get_links(&links), S_OK);
  ASSERT_EQ(Length(links.Get()), 2);
  EXPECT_EQ(Href(ItemAt(links.Get(), 0).Get()), "res://HtmlTestPages.dll/details/one.htm");
  EXPECT_EQ(Href(ItemAt(links.Get(), 1).Get()), "res://HtmlTestPages.dll/two.htm?x=1");

  std::string path = std::string(QUORVIA_HTML_TEST_PAGES) + "/results.htm";
  std::string address = "file://" + path;
  ASSERT_EQ(quorvia::LoadHtmlDocument(quorvia::Utf8ToUtf16(address), &doc), S_OK);
  ASSERT_EQ(doc->get_links(&links), S_OK);
  EXPECT_EQ(Href(ItemAt(links.Get(), 0).Get()), "file://" + std::string(QUORVIA_HTML_TEST_PAGES) + "/details/one.htm");
  ComPtr<IHTMLElementCollection> all;
  ASSERT_EQ(doc->get_all(&all), S_OK);
  ComPtr<IDispatch> titles;
  ASSERT_EQ(all->tags(CComVariant(u"h1"), &titles), S_OK);
  ComPtr<IHTMLElementCollection> title_list;
  ASSERT_EQ(titles.As(&title_list), S_OK);
  EXPECT_EQ(StringOf([&](BSTR* out) { return ItemAt(title_list.Get(), 0)->get_innerText(out); }),
            "R\xC3\xA9sultats pour \xC2\xAB test \xC2\xBB");

  EXPECT_EQ(quorvia::LoadHtmlDocument(u"res://HtmlTestPages.dll/missing.htm", &doc),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(doc);
  EXPECT_EQ(quorvia::LoadHtmlDocument(quorvia::Utf8ToUtf16(address + ".missing"), &doc),
            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(quorvia::LoadHtmlDocument(u"file://other-host/etc/hosts", &doc), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(quorvia::LoadHtmlDocument(u"http://example.com/", &doc), E_INVALIDARG);
}

}  // namespace
