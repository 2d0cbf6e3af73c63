// Changing the page: insertAdjacentHTML with the markup browsers accept,
// insertAdjacentElement, replacing content, and element objects that
// outlive their place in the tree.
#include <gtest/gtest.h>

#include <string>

#include "html_test_support.h"

namespace {

using namespace html_test;

constexpr char kPage[] = "<html><body><div id=c>before<p id=t>x</p>after</div></body></html>";

struct InsertCase {
  const char16_t* where;
  const char16_t* markup;
  const char* container_after;  // innerHTML of the div around the target
};

const InsertCase kInsertCases[] = {
    {u"beforeBegin", u"<b>new</b>", "before<b>new</b><p id=\"t\">x</p>after"},
    {u"afterBegin", u"<b>new</b>", "before<p id=\"t\"><b>new</b>x</p>after"},
    {u"beforeEnd", u"<b>new</b>", "before<p id=\"t\">x<b>new</b></p>after"},
    {u"afterEnd", u"<b>new</b>", "before<p id=\"t\">x</p><b>new</b>after"},
    // Letter case of the position does not matter.
    {u"AFTEREND", u"<i>1</i><i>2</i>", "before<p id=\"t\">x</p><i>1</i><i>2</i>after"},
    // Bare text stays bare text: no paragraph around it.
    {u"afterEnd", u"bare text", "before<p id=\"t\">x</p>bare textafter"},
    {u"afterBegin", u"  spaced  ", "before<p id=\"t\">  spaced  x</p>after"},
    // Mismatched and stray closing tags are forgiven; open ones are closed.
    {u"afterEnd", u"<b>bold<i>both</b> tail</i></span>", "before<p id=\"t\">x</p><b>bold<i>both</i></b> tailafter"},
    {u"beforeBegin", u"<span>open", "before<span>open</span><p id=\"t\">x</p>after"},
    {u"afterEnd", u"one</div>two", "before<p id=\"t\">x</p>onetwoafter"},
    // Scripts arrive as script elements, their code untouched.
    {u"afterEnd", u"<script>if (a<b) x('</div>');</script><span id=s>s</span>",
     "before<p id=\"t\">x</p><script>if (a<b) x('</div>');</script><span id=\"s\">s</span>after"},
    // Entities and non-ASCII text.
    {u"beforeEnd", u"&lt;&amp;&gt; caf\u00e9 \u20ac", "before<p id=\"t\">x&lt;&amp;&gt; caf\u00e9 \u20ac</p>after"},
    // An empty fragment changes nothing.
    {u"afterEnd", u"", "before<p id=\"t\">x</p>after"},
};

class InsertAdjacentHtml : public ::testing::TestWithParam<InsertCase> {};

TEST_P(InsertAdjacentHtml, PutsTheParsedMarkupInPlace) {
  const InsertCase& c = GetParam();
  auto doc = Parse(kPage);
  auto target = ById(doc, u"t");
  ASSERT_EQ(target->insertAdjacentHTML(CComBSTR(c.where), CComBSTR(c.markup)), S_OK);
  EXPECT_EQ(InnerHtml(ById(doc, u"c").Get()), c.container_after);
  // The target is still the same element in the same place.
  EXPECT_EQ(ById(doc, u"t").Get(), target.Get());
}

INSTANTIATE_TEST_SUITE_P(Positions, InsertAdjacentHtml, ::testing::ValuesIn(kInsertCases));

TEST(InsertAdjacentHtmlLimits, PositionsThatDoNotExist) {
  auto doc = Parse("<body><p id=t>x</p><img id=img src=a.png></body>");
  auto target = ById(doc, u"t");
  for (const char16_t* where : {u"", u"before", u"afterBegin ", u"inside"}) {
    EXPECT_EQ(target->insertAdjacentHTML(CComBSTR(where), CComBSTR(u"<b>x</b>")), E_INVALIDARG);
  }
  // Nothing can go beside the root element or inside an image.
  ComPtr<IHTMLElement> root;
  ASSERT_EQ(Doc3(doc)->get_documentElement(&root), S_OK);
  EXPECT_EQ(root->insertAdjacentHTML(CComBSTR(u"beforeBegin"), CComBSTR(u"<b>x</b>")), E_FAIL);
  EXPECT_EQ(root->insertAdjacentHTML(CComBSTR(u"afterEnd"), CComBSTR(u"<b>x</b>")), E_FAIL);
  EXPECT_EQ(ById(doc, u"img")->insertAdjacentHTML(CComBSTR(u"afterBegin"), CComBSTR(u"<b>x</b>")), E_FAIL);
  EXPECT_EQ(ById(doc, u"img")->insertAdjacentHTML(CComBSTR(u"afterEnd"), CComBSTR(u"<b>x</b>")), S_OK);
  // An element outside the tree has no place beside it.
  ComPtr<IHTMLElement> loose;
  ASSERT_EQ(doc->createElement(CComBSTR(u"div"), &loose), S_OK);
  EXPECT_EQ(loose->insertAdjacentHTML(CComBSTR(u"afterEnd"), CComBSTR(u"x")), E_FAIL);
  ASSERT_EQ(loose->insertAdjacentHTML(CComBSTR(u"beforeEnd"), CComBSTR(u"<i>in</i>")), S_OK);
  EXPECT_EQ(OuterHtml(loose.Get()), "<div><i>in</i></div>");
  EXPECT_EQ(Serialize(doc),
            "<html><body><p id=\"t\">x</p><img id=\"img\" src=\"a.png\"><b>x</b></body></html>");
}

TEST(InsertAdjacentHtmlLimits, TheMainBubbleAndLinkMarkupOfASearchPage) {
  auto doc = Parse("<body><div class=r><a id=l1 href='http://a.example/'>A</a></div></body>",
                   u"https://search.example/?q=x");
  ASSERT_EQ(Body(doc)->insertAdjacentHTML(CComBSTR(u"afterBegin"),
                                          CComBSTR(u"<span id=\"QuorviaMainBubble\" style=\"display:none\"></span>")),
            S_OK);
  ASSERT_EQ(ById(doc, u"l1")->insertAdjacentHTML(
                CComBSTR(u"afterEnd"),
                CComBSTR(u"<img src=\"res://HarbRes.dll/gif/green_icon.gif\" onmouseover=\"show(1)\">"
                         u"<div id=\"bubble1\" class=green>Safe")),
            S_OK);
  EXPECT_TRUE(ById(doc, u"QuorviaMainBubble"));
  EXPECT_EQ(Serialize(doc),
            "<html><body><span id=\"QuorviaMainBubble\" style=\"display:none\"></span><div class=\"r\">"
            "<a id=\"l1\" href=\"http://a.example/\">A</a><img src=\"res://HarbRes.dll/gif/green_icon.gif\" "
            "onmouseover=\"show(1)\"><div id=\"bubble1\" class=\"green\">Safe</div></div></body></html>");
}

TEST(InsertAdjacentElement, FourPositionsAndMoves) {
  auto doc = Parse(kPage);
  auto target = ById(doc, u"t");
  ComPtr<IHTMLElement2> target2;
  ASSERT_EQ(target.As(&target2), S_OK);
  const char16_t* positions[] = {u"beforebegin", u"AfterBegin", u"beforeEnd", u"afterEnd"};
  const char* names[] = {"a1", "a2", "a3", "a4"};
  for (int i = 0; i < 4; ++i) {
    ComPtr<IHTMLElement> element;
    ASSERT_EQ(doc->createElement(CComBSTR(u"em"), &element), S_OK);
    ASSERT_EQ(element->put_id(CComBSTR(quorvia::Utf8ToUtf16(names[i]))), S_OK);
    ComPtr<IHTMLElement> out;
    ASSERT_EQ(target2->insertAdjacentElement(CComBSTR(positions[i]), element.Get(), &out), S_OK);
    EXPECT_EQ(out.Get(), element.Get());
  }
  EXPECT_EQ(InnerHtml(ById(doc, u"c").Get()),
            "before<em id=\"a1\"></em><p id=\"t\"><em id=\"a2\"></em>x<em id=\"a3\"></em></p><em id=\"a4\"></em>after");

  // Moving an element that is in the tree: the same object, in its new place.
  auto a1 = ById(doc, u"a1");
  ASSERT_EQ(target2->insertAdjacentElement(CComBSTR(u"beforeEnd"), a1.Get(), nullptr), S_OK);
  EXPECT_EQ(InnerHtml(target.Get()), "<em id=\"a2\"></em>x<em id=\"a3\"></em><em id=\"a1\"></em>");
  ComPtr<IHTMLElement> parent;
  ASSERT_EQ(a1->get_parentElement(&parent), S_OK);
  EXPECT_EQ(parent.Get(), target.Get());
  // Next to itself: stays where it is.
  ComPtr<IHTMLElement2> a4;
  ASSERT_EQ(ById(doc, u"a4").As(&a4), S_OK);
  ASSERT_EQ(a4->insertAdjacentElement(CComBSTR(u"afterEnd"), ById(doc, u"a4").Get(), nullptr), S_OK);
  ASSERT_EQ(target2->insertAdjacentElement(CComBSTR(u"afterEnd"), ById(doc, u"a4").Get(), nullptr), S_OK);
  EXPECT_EQ(InnerHtml(ById(doc, u"c").Get()),
            "before<p id=\"t\"><em id=\"a2\"></em>x<em id=\"a3\"></em><em id=\"a1\"></em></p><em id=\"a4\"></em>after");

  // Not into itself or its own content.
  ComPtr<IHTMLElement2> container;
  ASSERT_EQ(ById(doc, u"c").As(&container), S_OK);
  EXPECT_EQ(target2->insertAdjacentElement(CComBSTR(u"afterBegin"), ById(doc, u"c").Get(), nullptr), E_INVALIDARG);
  EXPECT_EQ(target2->insertAdjacentElement(CComBSTR(u"beforeEnd"), target.Get(), nullptr), E_INVALIDARG);
  EXPECT_EQ(target2->insertAdjacentElement(CComBSTR(u"middle"), a1.Get(), nullptr), E_INVALIDARG);
  EXPECT_EQ(target2->insertAdjacentElement(CComBSTR(u"afterEnd"), nullptr, nullptr), E_INVALIDARG);

  // Not an element of another page.
  auto other = Parse("<p id=o>other</p>");
  EXPECT_EQ(target2->insertAdjacentElement(CComBSTR(u"afterEnd"), ById(other, u"o").Get(), nullptr), E_INVALIDARG);
  EXPECT_EQ(Serialize(other), "<html><body><p id=\"o\">other</p></body></html>");
}

TEST(ReplacedContent, HeldElementsStayUsableAndCanComeBack) {
  auto doc = Parse("<body><div id=c><p id=p><a id=a href=/a>a</a><b>b</b></p></div></body>");
  auto container = ById(doc, u"c");
  auto held_p = ById(doc, u"p");
  auto held_a = ById(doc, u"a");
  ComPtr<IHTMLElementCollection> links;
  ASSERT_EQ(doc->get_links(&links), S_OK);
  ASSERT_EQ(Length(links.Get()), 1);

  ASSERT_EQ(container->put_innerHTML(CComBSTR(u"<i id=new>new</i>")), S_OK);
  EXPECT_EQ(InnerHtml(container.Get()), "<i id=\"new\">new</i>");
  EXPECT_FALSE(ById(doc, u"a"));
  EXPECT_EQ(Length(links.Get()), 0);

  // The taken-out elements still work, outside the tree.
  ComPtr<IHTMLElement> parent;
  ASSERT_EQ(held_p->get_parentElement(&parent), S_OK);
  EXPECT_FALSE(parent);
  ASSERT_EQ(held_a->get_parentElement(&parent), S_OK);
  EXPECT_EQ(parent.Get(), held_p.Get());
  EXPECT_EQ(Href(held_a.Get()), "http://example.com/a");
  ASSERT_EQ(held_a->insertAdjacentHTML(CComBSTR(u"afterEnd"), CComBSTR(u"<u>u</u>")), S_OK);
  EXPECT_EQ(OuterHtml(held_p.Get()), "<p id=\"p\"><a id=\"a\" href=\"/a\">a</a><u>u</u><b>b</b></p>");

  // Back into the page.
  ComPtr<IHTMLElement2> container2;
  ASSERT_EQ(container.As(&container2), S_OK);
  ASSERT_EQ(container2->insertAdjacentElement(CComBSTR(u"beforeEnd"), held_p.Get(), nullptr), S_OK);
  EXPECT_EQ(Length(links.Get()), 1);
  EXPECT_EQ(ById(doc, u"a").Get(), held_a.Get());

  // Text replaces content too; a held element inside goes out again.
  ASSERT_EQ(container->put_innerText(CComBSTR(u"<plain & simple>")), S_OK);
  EXPECT_EQ(InnerHtml(container.Get()), "&lt;plain &amp; simple&gt;");
  EXPECT_EQ(OuterHtml(held_a.Get()), "<a id=\"a\" href=\"/a\">a</a>");

  // Elements that were never kept by anyone are simply gone.
  ASSERT_EQ(Body(doc)->put_innerHTML(CComBSTR(u"<p>fresh</p>")), S_OK);
  EXPECT_EQ(Serialize(doc), "<html><body><p>fresh</p></body></html>");
  EXPECT_EQ(ById(doc, u"x"), nullptr);
  EXPECT_EQ(ById(doc, u"new"), nullptr);
  ComPtr<IHTMLElement> img;
  ASSERT_EQ(doc->createElement(CComBSTR(u"img"), &img), S_OK);
  EXPECT_EQ(img->put_innerHTML(CComBSTR(u"x")), E_FAIL);
  EXPECT_EQ(img->put_innerText(CComBSTR(u"x")), E_FAIL);
}

TEST(ReplacedContent, ScriptTextAndElementsMadeButNeverInserted) {
  auto doc = Parse("<head><script id=s>old()</script></head>");
  ComPtr<IHTMLScriptElement> script;
  ASSERT_EQ(ById(doc, u"s").As(&script), S_OK);
  EXPECT_EQ(StringOf([&](BSTR* out) { return script->get_text(out); }), "old()");
  ASSERT_EQ(script->put_text(CComBSTR(u"if (a < b) go();")), S_OK);
  ASSERT_EQ(script->put_type(CComBSTR(u"text/javascript")), S_OK);
  EXPECT_EQ(OuterHtml(ById(doc, u"s").Get()),
            "<script id=\"s\" type=\"text/javascript\">if (a < b) go();</script>");
  // Made, filled, dropped: freed with the document without complaint.
  for (int i = 0; i < 3; ++i) {
    ComPtr<IHTMLElement> element;
    ASSERT_EQ(doc->createElement(CComBSTR(u"div"), &element), S_OK);
    ASSERT_EQ(element->put_innerHTML(CComBSTR(u"<a href=/x>x</a>")), S_OK);
  }
}

}  // namespace
