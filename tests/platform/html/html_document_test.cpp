// The document: its collections, look-ups, element objects, style sheets,
// ready state events, charsets and serialisation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html_test_support.h"
#include "platform/com/object.h"

namespace {

using namespace html_test;

// A byte string from a literal, embedded null bytes included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

TEST(Links, EveryAnchorAndAreaWithAnHrefInDocumentOrder) {
  auto doc = Parse(
      "<body><a id=l1 href='/one'>1</a><a name=target>no href</a>"
      "<div><p><a id=l2 href='two.html' class=r>2</a></p>"
      "<map name=m><area id=l3 href='/three' shape=rect><area nohref></map></div>"
      "<A ID=l4 HREF='https://four.example/'>4</A><link href='/style.css' rel=stylesheet>"
      "<a id=l5 href=''>empty href counts</a></body>");
  ComPtr<IHTMLElementCollection> links;
  ASSERT_EQ(doc->get_links(&links), S_OK);
  ASSERT_EQ(Length(links.Get()), 5);
  std::vector<std::string> ids;
  for (LONG i = 0; i < 5; ++i) ids.push_back(StringOf([&](BSTR* out) { return ItemAt(links.Get(), i)->get_id(out); }));
  EXPECT_EQ(ids, (std::vector<std::string>{"l1", "l2", "l3", "l4", "l5"}));
  EXPECT_EQ(Href(ItemAt(links.Get(), 0)), "http://example.com/one");
  EXPECT_EQ(Href(ItemAt(links.Get(), 1)), "http://example.com/dir/two.html");

  // An image-map area is a link but not an anchor.
  ComPtr<IHTMLAnchorElement> anchor;
  EXPECT_EQ(ItemAt(links.Get(), 2)->QueryInterface(IID_PPV_ARGS(&anchor)), E_NOINTERFACE);
  EXPECT_FALSE(anchor);

  // Past the end: S_OK and nothing.
  ComPtr<IDispatch> none;
  EXPECT_EQ(links->item(CComVariant(LONG{5}), CComVariant(LONG{5}), &none), S_OK);
  EXPECT_FALSE(none);
  EXPECT_EQ(links->item(CComVariant(LONG{-1}), CComVariant(LONG{-1}), &none), S_OK);
  EXPECT_FALSE(none);

  // The collection is live.
  ASSERT_EQ(Body(doc)->insertAdjacentHTML(CComBSTR(u"afterBegin"), CComBSTR(u"<a id=l0 href=/zero>0</a>")), S_OK);
  EXPECT_EQ(Length(links.Get()), 6);
  EXPECT_EQ(StringOf([&](BSTR* out) { return ItemAt(links.Get(), 0)->get_id(out); }), "l0");
}

TEST(Element, ClassNameAbsentEmptyAndSet) {
  auto doc = Parse("<p id=none>a</p><p id=empty class=''>b</p><p id=one class=l>c</p><p id=two class='l x'>d</p>");
  auto class_of = [&](std::u16string_view id) {
    return StringOf([&](BSTR* out) { return ById(doc, id)->get_className(out); });
  };
  EXPECT_EQ(class_of(u"none"), "<null>");
  EXPECT_EQ(class_of(u"empty"), "");
  EXPECT_EQ(class_of(u"one"), "l");
  EXPECT_EQ(class_of(u"two"), "l x");
  ASSERT_EQ(ById(doc, u"none")->put_className(CComBSTR(u"fresh")), S_OK);
  EXPECT_EQ(class_of(u"none"), "fresh");

  // The class attribute is an ordinary attribute too.
  CComVariant value;
  ASSERT_EQ(ById(doc, u"two")->getAttribute(CComBSTR(u"CLASS"), 0, &value), S_OK);
  EXPECT_EQ(value.vt, VT_BSTR);
  EXPECT_EQ(value.StringView(), u"l x");
  value.Clear();  // an out parameter: what it held is not freed by the call
  ASSERT_EQ(ById(doc, u"none")->getAttribute(CComBSTR(u"title"), 0, &value), S_OK);
  EXPECT_EQ(value.vt, VT_NULL);
  VARIANT_BOOL removed = VARIANT_FALSE;
  ASSERT_EQ(ById(doc, u"one")->removeAttribute(CComBSTR(u"class"), 0, &removed), S_OK);
  EXPECT_EQ(removed, VARIANT_TRUE);
  EXPECT_EQ(class_of(u"one"), "<null>");
  EXPECT_EQ(ById(doc, u"one")->setAttribute(CComBSTR(u"bad name"), CComVariant(u"x"), 0), E_INVALIDARG);
  ASSERT_EQ(ById(doc, u"one")->setAttribute(CComBSTR(u"Data-N"), CComVariant(LONG{42}), 0), S_OK);
  EXPECT_EQ(OuterHtml(ById(doc, u"one")), "<p id=\"one\" data-n=\"42\">c</p>");
  EXPECT_EQ(StringOf([&](BSTR* out) { return ById(doc, u"one")->get_tagName(out); }), "P");
}

TEST(Document, GetElementById) {
  auto doc = Parse("<div id=Main>first</div><span id=main>second</span><b id=main>third</b>");
  EXPECT_EQ(OuterHtml(ById(doc, u"main")), "<span id=\"main\">second</span>");
  EXPECT_EQ(OuterHtml(ById(doc, u"Main")), "<div id=\"Main\">first</div>");
  EXPECT_FALSE(ById(doc, u"MAIN"));
  EXPECT_FALSE(ById(doc, u""));
  ComPtr<IHTMLElement> out;
  EXPECT_EQ(Doc3(doc)->getElementById(CComBSTR(u"x"), nullptr), E_POINTER);

  // Markup inserted later is found.
  ASSERT_EQ(Body(doc)->insertAdjacentHTML(CComBSTR(u"afterBegin"), CComBSTR(u"<span id=bubble></span>")), S_OK);
  EXPECT_TRUE(ById(doc, u"bubble"));
}

TEST(Document, AllTagsAndItem) {
  auto doc = Parse(
      "<html><head><title>t</title></head><body><input name=q><input name=q id=second><p id=q>x</p>"
      "<form name=f></form></body></html>");
  ComPtr<IHTMLElementCollection> all;
  ASSERT_EQ(doc->get_all(&all), S_OK);
  EXPECT_EQ(Length(all.Get()), 8);  // html head title body input input p form

  // The head, as the script insertion looks for it.
  ComPtr<IDispatch> heads_dispatch;
  ASSERT_EQ(all->tags(CComVariant(u"HeAd"), &heads_dispatch), S_OK);
  ComPtr<IHTMLElementCollection> heads;
  ASSERT_EQ(heads_dispatch.As(&heads), S_OK);
  EXPECT_EQ(Length(heads.Get()), 1);
  EXPECT_EQ(StringOf([&](BSTR* out) { return ItemAt(heads.Get(), 0)->get_tagName(out); }), "HEAD");

  // By name or id: one match gives the element, several a collection.
  ComPtr<IDispatch> found;
  ASSERT_EQ(all->item(CComVariant(u"f"), CComVariant(), &found), S_OK);
  ComPtr<IHTMLElement> form;
  ASSERT_EQ(found.As(&form), S_OK);
  EXPECT_EQ(StringOf([&](BSTR* out) { return form->get_tagName(out); }), "FORM");
  ASSERT_EQ(all->item(CComVariant(u"q"), CComVariant(), &found), S_OK);
  ComPtr<IHTMLElementCollection> named;
  ASSERT_EQ(found.As(&named), S_OK);
  EXPECT_EQ(Length(named.Get()), 3);
  ASSERT_EQ(all->item(CComVariant(u"q"), CComVariant(LONG{1}), &found), S_OK);
  ASSERT_EQ(found.As(&form), S_OK);
  EXPECT_EQ(StringOf([&](BSTR* out) { return form->get_id(out); }), "second");
  ASSERT_EQ(all->item(CComVariant(u"nothing"), CComVariant(), &found), S_OK);
  EXPECT_FALSE(found);
  EXPECT_EQ(all->item(CComVariant(), CComVariant(), &found), E_INVALIDARG);

  // Elements of one element's subtree.
  ComPtr<IHTMLElement2> body2;
  ASSERT_EQ(Body(doc).As(&body2), S_OK);
  ComPtr<IHTMLElementCollection> inputs;
  ASSERT_EQ(body2->getElementsByTagName(CComBSTR(u"INPUT"), &inputs), S_OK);
  EXPECT_EQ(Length(inputs.Get()), 2);
}

TEST(Document, EveryPageHasARootAndABody) {
  for (const char* markup : {"", "   ", "just text", "<html><head><title>t</title></head></html>",
                             "<!-- only a comment -->"}) {
    auto doc = Parse(markup);
    ASSERT_TRUE(doc);
    ComPtr<IHTMLElement> root;
    ASSERT_EQ(Doc3(doc)->get_documentElement(&root), S_OK);
    ASSERT_TRUE(root) << markup;
    EXPECT_EQ(StringOf([&](BSTR* out) { return root->get_tagName(out); }), "HTML");
    ASSERT_TRUE(Body(doc)) << markup;
  }
  // Content the parser found after "</html>" ends up in the body.
  auto doc = Parse("<html><body><p>in</p></body></html><a id=late href=/x>late</a>");
  ComPtr<IHTMLElement> parent;
  ASSERT_EQ(ById(doc, u"late")->get_parentElement(&parent), S_OK);
  EXPECT_EQ(Identity(parent.Get()), Identity(Body(doc).Get()));
  EXPECT_EQ(StringOf([&](BSTR* out) { return doc->get_URL(out); }), "http://example.com/dir/page.html");
}

TEST(Document, ScriptElementForTheHead) {
  auto doc = Parse("<html><head><title>t</title></head><body></body></html>");
  ComPtr<IHTMLElement> element;
  ASSERT_EQ(doc->createElement(CComBSTR(u"SCRIPT"), &element), S_OK);
  ComPtr<IHTMLScriptElement> script;
  ASSERT_EQ(element.As(&script), S_OK);
  ASSERT_EQ(script->put_defer(VARIANT_TRUE), S_OK);
  ASSERT_EQ(script->put_src(CComBSTR(u"res://HarbRes.dll/js/VantoryBubbles.js")), S_OK);
  VARIANT_BOOL defer = VARIANT_FALSE;
  ASSERT_EQ(script->get_defer(&defer), S_OK);
  EXPECT_EQ(defer, VARIANT_TRUE);
  EXPECT_EQ(StringOf([&](BSTR* out) { return script->get_src(out); }), "res://HarbRes.dll/js/VantoryBubbles.js");

  // Not in the tree until inserted.
  ComPtr<IHTMLElement> parent;
  ASSERT_EQ(element->get_parentElement(&parent), S_OK);
  EXPECT_FALSE(parent);
  ComPtr<IHTMLElementCollection> all;
  ASSERT_EQ(doc->get_all(&all), S_OK);
  ComPtr<IDispatch> heads;
  ASSERT_EQ(all->tags(CComVariant(u"head"), &heads), S_OK);
  ComPtr<IHTMLElementCollection> head_list;
  ASSERT_EQ(heads.As(&head_list), S_OK);
  ComPtr<IHTMLElement2> head;
  ASSERT_EQ(ItemAt(head_list.Get(), 0).As(&head), S_OK);
  ComPtr<IHTMLElement> inserted;
  ASSERT_EQ(head->insertAdjacentElement(CComBSTR(u"beforeEnd"), element.Get(), &inserted), S_OK);
  EXPECT_EQ(Identity(inserted.Get()), Identity(element.Get()));
  EXPECT_EQ(InnerHtml(ItemAt(head_list.Get(), 0).Get()),
            "<title>t</title><script defer=\"\" src=\"res://HarbRes.dll/js/VantoryBubbles.js\"></script>");

  // Element kinds answer only their own interfaces.
  ComPtr<IHTMLAnchorElement> anchor;
  EXPECT_EQ(element.As(&anchor), E_NOINTERFACE);
  ComPtr<IHTMLScriptElement> not_script;
  EXPECT_EQ(Body(doc).As(&not_script), E_NOINTERFACE);
  EXPECT_EQ(doc->createElement(CComBSTR(u"<div>"), &element), E_INVALIDARG);
  EXPECT_EQ(doc->createElement(CComBSTR(u""), &element), E_INVALIDARG);
}

TEST(Document, CreateStyleSheetAtIndexZero) {
  struct Case {
    const char* page;
    LONG index;
    const char* head_after;
  };
  const Case cases[] = {
      // Before the first existing sheet of the head.
      {"<html><head><title>t</title><style>p{}</style><link rel='Alternate StyleSheet' href=a.css></head></html>", 0,
       "<title>t</title><link rel=\"stylesheet\" href=\"res://HarbRes.dll/css/quorvia_tb.css\"><style>p{}</style>"
       "<link rel=\"Alternate StyleSheet\" href=\"a.css\">"},
      // A page without a head gets one.
      {"<body><p>x</p></body>", 0, "<link rel=\"stylesheet\" href=\"res://HarbRes.dll/css/quorvia_tb.css\">"},
      // No sheet in the head: at its end.
      {"<html><head><title>t</title></head><body><style>b{}</style></body></html>", 0,
       "<title>t</title><link rel=\"stylesheet\" href=\"res://HarbRes.dll/css/quorvia_tb.css\">"},
      // Past the sheets, or -1: at the end of the head.
      {"<html><head><style>p{}</style><title>t</title></head></html>", -1,
       "<style>p{}</style><title>t</title><link rel=\"stylesheet\" href=\"res://HarbRes.dll/css/quorvia_tb.css\">"},
      {"<html><head><style>p{}</style><style>q{}</style></head></html>", 1,
       "<style>p{}</style><link rel=\"stylesheet\" href=\"res://HarbRes.dll/css/quorvia_tb.css\"><style>q{}</style>"},
  };
  for (const Case& c : cases) {
    auto doc = Parse(c.page);
    ComPtr<IHTMLStyleSheet> sheet;
    ASSERT_EQ(doc->createStyleSheet(CComBSTR(u"res://HarbRes.dll/css/quorvia_tb.css"), c.index, &sheet), S_OK);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(StringOf([&](BSTR* out) { return sheet->get_href(out); }), "res://HarbRes.dll/css/quorvia_tb.css");
    ComPtr<IHTMLElement> link;
    ASSERT_EQ(sheet->get_owningElement(&link), S_OK);
    ComPtr<IHTMLElement> head;
    ASSERT_EQ(link->get_parentElement(&head), S_OK);
    ASSERT_TRUE(head);
    EXPECT_EQ(StringOf([&](BSTR* out) { return head->get_tagName(out); }), "HEAD");
    EXPECT_EQ(InnerHtml(head.Get()), c.head_after) << c.page;
  }
  // The created head stands before the body.
  auto doc = Parse("<body><p>x</p></body>");
  ASSERT_EQ(doc->createStyleSheet(CComBSTR(u"s.css"), 0, nullptr), S_OK);
  EXPECT_EQ(Serialize(doc), "<html><head><link rel=\"stylesheet\" href=\"s.css\"></head><body><p>x</p></body></html>");
}

TEST(ElementObjects, TheSameNodeAlwaysAnswersWithTheSameObject) {
  auto doc = Parse("<body><div id=d><a id=a href=/x>x</a></div></body>");
  auto a1 = ById(doc, u"a");
  auto a2 = ById(doc, u"a");
  EXPECT_EQ(a1.Get(), a2.Get());

  ComPtr<IHTMLElementCollection> links;
  ASSERT_EQ(doc->get_links(&links), S_OK);
  EXPECT_EQ(Identity(ItemAt(links.Get(), 0).Get()), Identity(a1.Get()));

  // Every interface of one element leads to one identity.
  ComPtr<IHTMLAnchorElement> anchor;
  ASSERT_EQ(a1.As(&anchor), S_OK);
  ComPtr<IHTMLElement2> element2;
  ASSERT_EQ(anchor.As(&element2), S_OK);
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(element2.As(&dispatch), S_OK);
  EXPECT_EQ(Identity(anchor.Get()), Identity(a1.Get()));
  EXPECT_EQ(Identity(element2.Get()), Identity(a1.Get()));
  EXPECT_EQ(Identity(dispatch.Get()), Identity(a1.Get()));

  ComPtr<IHTMLElement> parent;
  ASSERT_EQ(a1->get_parentElement(&parent), S_OK);
  EXPECT_EQ(parent.Get(), ById(doc, u"d").Get());

  // The element's document is the document.
  ComPtr<IDispatch> owner;
  ASSERT_EQ(a1->get_document(&owner), S_OK);
  EXPECT_EQ(Identity(owner.Get()), Identity(doc.Get()));
}

TEST(ElementObjects, KeepTheirDocumentAlive) {
  ComPtr<IHTMLElement> element;
  ComPtr<IHTMLElementCollection> links;
  {
    auto doc = Parse("<a id=a href='/kept'>x</a>");
    element = ById(doc, u"a");
    ASSERT_EQ(doc->get_links(&links), S_OK);
  }
  EXPECT_EQ(Href(element.Get()), "http://example.com/kept");
  EXPECT_EQ(Length(links.Get()), 1);
  ASSERT_EQ(element->insertAdjacentHTML(CComBSTR(u"afterEnd"), CComBSTR(u"<a href=/more>more</a>")), S_OK);
  EXPECT_EQ(Length(links.Get()), 2);
  links = nullptr;
  element = nullptr;  // the last reference: the document goes with it
}

// Records the ready state each time it is called, as the browser hook's
// listener reads it; may detach itself or another listener.
class StateListener : public quorvia::ComObjectRootEx<quorvia::ComMultiThreadModel>, public IDispatch {
 public:
  static const quorvia::InterfaceEntry* InterfaceTable() {
    return quorvia::InterfaceTableOf<StateListener, IDispatch>();
  }

  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPTINFO*, UINT*) override {
    EXPECT_EQ(id, DISPID_VALUE);
    EXPECT_EQ(flags, DISPATCH_METHOD);
    EXPECT_NE(params, nullptr);
    states.push_back(StringOf([&](BSTR* out) { return document->get_readyState(out); }));
    if (detach_on_call) Doc3(document)->detachEvent(CComBSTR(u"onreadystatechange"), detach_on_call);
    if (drop_document) document = nullptr;
    return S_OK;
  }

  ComPtr<IHTMLDocument2> document;
  std::vector<std::string> states;
  IDispatch* detach_on_call = nullptr;
  bool drop_document = false;
};

TEST(ReadyState, ChangesReachAttachedListenersUntilDetached) {
  auto doc = Parse("<p>x</p>");
  EXPECT_EQ(StringOf([&](BSTR* out) { return doc->get_readyState(out); }), "loading");
  auto listener = quorvia::MakeComObject<StateListener>();
  listener->document = doc;
  auto doc3 = Doc3(doc);
  VARIANT_BOOL attached = VARIANT_FALSE;
  ASSERT_EQ(doc3->attachEvent(CComBSTR(u"onReadyStateChange"), listener.Get(), &attached), S_OK);
  EXPECT_EQ(attached, VARIANT_TRUE);
  ASSERT_EQ(doc3->attachEvent(CComBSTR(u"onreadystatechange"), listener.Get(), &attached), S_OK);  // kept once

  ASSERT_EQ(quorvia::SetReadyState(doc.Get(), u"interactive"), S_OK);
  ASSERT_EQ(quorvia::SetReadyState(doc.Get(), u"complete"), S_OK);
  ASSERT_EQ(quorvia::SetReadyState(doc.Get(), u"complete"), S_OK);
  EXPECT_EQ(listener->states, (std::vector<std::string>{"interactive", "complete", "complete"}));

  ASSERT_EQ(doc3->detachEvent(CComBSTR(u"onreadystatechange"), listener.Get()), S_OK);
  ASSERT_EQ(doc3->detachEvent(CComBSTR(u"onreadystatechange"), listener.Get()), S_OK);  // not attached: nothing
  ASSERT_EQ(quorvia::SetReadyState(doc.Get(), u"complete"), S_OK);
  EXPECT_EQ(listener->states.size(), 3u);
  EXPECT_EQ(StringOf([&](BSTR* out) { return doc->get_readyState(out); }), "complete");

  // Other events are not fired here.
  ASSERT_EQ(doc3->attachEvent(CComBSTR(u"onclick"), listener.Get(), &attached), S_OK);
  EXPECT_EQ(attached, VARIANT_FALSE);
  ASSERT_EQ(quorvia::SetReadyState(doc.Get(), u"complete"), S_OK);
  EXPECT_EQ(listener->states.size(), 3u);
  EXPECT_EQ(doc3->attachEvent(CComBSTR(u"onreadystatechange"), nullptr, &attached), E_INVALIDARG);
  listener->document = nullptr;

  // Only documents of this layer have a ready state to set.
  EXPECT_EQ(quorvia::SetReadyState(nullptr, u"complete"), E_INVALIDARG);
}

TEST(ReadyState, ListenersThatDetachOrDropTheDocumentWhileCalled) {
  auto first = quorvia::MakeComObject<StateListener>();
  auto second = quorvia::MakeComObject<StateListener>();
  {
    auto doc = Parse("<p>x</p>");
    first->document = doc;
    second->document = doc;
    auto doc3 = Doc3(doc);
    ASSERT_EQ(doc3->attachEvent(CComBSTR(u"onreadystatechange"), first.Get(), nullptr), S_OK);
    ASSERT_EQ(doc3->attachEvent(CComBSTR(u"onreadystatechange"), second.Get(), nullptr), S_OK);
    // The first detaches the second: the second is not called this round.
    first->detach_on_call = second.Get();
    ASSERT_EQ(quorvia::SetReadyState(doc.Get(), u"interactive"), S_OK);
    EXPECT_EQ(first->states.size(), 1u);
    EXPECT_TRUE(second->states.empty());

    // The first detaches itself and lets go of the document, whose last
    // outside reference goes away right after.
    first->detach_on_call = first.Get();
    first->drop_document = true;
    second->document = nullptr;
    IHTMLDocument2* raw = doc.Get();
    raw->AddRef();
    doc = nullptr;
    doc3 = nullptr;
    ASSERT_EQ(quorvia::SetReadyState(raw, u"complete"), S_OK);
    raw->Release();
  }
  EXPECT_EQ(first->states, (std::vector<std::string>{"interactive", "complete"}));
}

TEST(Serialisation, RoundTripKeepsThePage) {
  const char* page =
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">"
      "<html><head><meta charset=utf-8><title>A &amp; B</title>"
      "<script>if (a < b && c > d) { document.write('</p>'); }</script>"
      "<style>p > b { color: red }</style></head>"
      "<body class=\"x\"><!-- note --><p title='say \"hi\"'>caf\xC3\xA9&nbsp;&lt;tag&gt; &copy;"
      "<br><img src=\"a.png\" alt=''><input disabled></p><ul><li>one<li>two</ul></body></html>";
  auto doc = Parse(page);
  std::string once = Serialize(doc);
  EXPECT_EQ(once,
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\n"
            "<html><head><meta charset=\"utf-8\"><title>A &amp; B</title>"
            "<script>if (a < b && c > d) { document.write('</p>'); }</script>"
            "<style>p > b { color: red }</style></head>"
            "<body class=\"x\"><!-- note --><p title=\"say &quot;hi&quot;\">caf\xC3\xA9&nbsp;&lt;tag&gt; \xC2\xA9"
            "<br><img src=\"a.png\" alt=\"\"><input disabled=\"disabled\"></p><ul><li>one</li><li>two</li></ul></body></html>");
  EXPECT_EQ(Serialize(Parse(once)), once);

  ComPtr<IHTMLElement> root;
  ASSERT_EQ(Doc3(doc)->get_documentElement(&root), S_OK);
  EXPECT_EQ(OuterHtml(root.Get()), once.substr(once.find("<html>")));
  EXPECT_EQ(StringOf([&](BSTR* out) { return Body(doc)->get_innerText(out); }),
            "caf\xC3\xA9\xC2\xA0<tag> \xC2\xA9onetwo");

  std::string out;
  EXPECT_EQ(quorvia::SerializeHtmlDocument(nullptr, &out), E_INVALIDARG);
  EXPECT_EQ(quorvia::SerializeHtmlDocument(doc.Get(), nullptr), E_POINTER);
}

TEST(Charset, TheEncodingOfThePageDecidesItsText) {
  struct Case {
    std::string bytes;
    std::string charset;
    std::string text;
  };
  const Case cases[] = {
      {"<p id=t>caf\xC3\xA9</p>", "", "caf\xC3\xA9"},  // valid UTF-8
      {"<p id=t>caf\xE9</p>", "", "caf\xC3\xA9"},      // not UTF-8: windows-1252
      {"<meta charset=\"windows-1252\"><p id=t>\x80 caf\xE9</p>", "", "\xE2\x82\xAC caf\xC3\xA9"},
      {"<meta http-equiv=Content-Type content='text/html; charset=ISO-8859-1'><p id=t>caf\xE9</p>", "",
       "caf\xC3\xA9"},
      {"<meta charset=koi8-r><p id=t>\xF0\xD2\xC9\xD7\xC5\xD4</p>", "",
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
      // The transport's charset wins over the page's; a byte-order mark over both.
      {"<meta charset=utf-8><p id=t>caf\xE9</p>", "iso-8859-1", "caf\xC3\xA9"},
      {"\xEF\xBB\xBF<meta charset=windows-1252><p id=t>caf\xC3\xA9</p>", "windows-1252", "caf\xC3\xA9"},
      {Bytes("\xFF\xFE<\0p\0 \0i\0d\0=\0t\0>\0\xE9\0!\0"), "", "\xC3\xA9!"},
      // Broken UTF-8 in a UTF-8 page, and a null byte: replacement characters,
      // and the rest of the page still parses.
      {Bytes("<meta charset=utf-8><p id=t>a\xFF\0b</p><p id=after>z</p>"), "",
       "a\xEF\xBF\xBD\xEF\xBF\xBD" "b"},
      // An unknown label falls back to looking at the bytes.
      {"<p id=t>caf\xC3\xA9</p>", "no-such-charset", "caf\xC3\xA9"},
  };
  for (const Case& c : cases) {
    auto doc = Parse(c.bytes, u"http://example.com/", c.charset);
    auto element = ById(doc, u"t");
    ASSERT_TRUE(element) << c.bytes;
    EXPECT_EQ(StringOf([&](BSTR* out) { return element->get_innerText(out); }), c.text) << c.bytes;
  }
  auto doc = Parse(cases[8].bytes);
  EXPECT_TRUE(ById(doc, u"after"));
}

}  // namespace
