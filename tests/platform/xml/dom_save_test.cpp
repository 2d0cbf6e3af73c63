// Changing attributes, saving to a file and loading the result again, the
// way the stored copy of the toolbar layout travels.

#include <string>
#include <vector>

#include "tests/platform/xml/test_support.h"

namespace {

using namespace xml_test;

constexpr char16_t kLayoutNamespaces[] = u"xmlns:toolband='http://toolband.example.com/toolband'";

ComPtr<IXMLDOMElement> AsElement(IXMLDOMNode* node) {
  ComPtr<IXMLDOMElement> element;
  EXPECT_EQ(node->QueryInterface(&element), S_OK);
  return element;
}

ComPtr<IXMLDOMDocument> LoadLayout(const std::u16string& source) {
  ComPtr<IXMLDOMDocument> doc = NewDocument();
  LoadResult r = Load(doc.Get(), source);
  EXPECT_EQ(r.hr, S_OK);
  EXPECT_EQ(r.success, VARIANT_TRUE);
  EXPECT_EQ(doc->setProperty(CComBSTR(u"SelectionNamespaces"), CComVariant(kLayoutNamespaces)), S_OK);
  return doc;
}

class DomSave : public TempFolderTest {};

TEST_F(DomSave, SetAttributeSaveAndReloadRoundTrip) {
  ComPtr<IXMLDOMDocument> doc = LoadLayout(u"res://XmlTestLib.dll/ToolBandLayout.xml");
  auto top = Select(SelectOne(doc.Get(), u"/toolband:toolband").Get(), u"child::*");
  ASSERT_EQ(top.size(), 2u);
  EXPECT_EQ(AsElement(top[0].Get())->setAttribute(CComBSTR(u"disabled"), CComVariant(u"0")), S_OK);
  EXPECT_EQ(AsElement(top[1].Get())->setAttribute(CComBSTR(u"disabled"), CComVariant(u"1")), S_OK);
  // An existing attribute is replaced, markup characters and all.
  EXPECT_EQ(AsElement(top[1].Get())->setAttribute(CComBSTR(u"caption"), CComVariant(u"a & b < \"c\" 'd' \u263A\t")),
            S_OK);
  // Values that are not strings are written as text.
  EXPECT_EQ(AsElement(top[0].Get())->setAttribute(CComBSTR(u"width"), CComVariant(int32_t{-5})), S_OK);
  // Changes are seen at once, through new selections too.
  EXPECT_EQ(Attribute(SelectOne(doc.Get(), u"//toolband:button[@disabled='1']").Get(), u"command"), "Test.About");

  std::string path = folder_ + "/saved.xml";
  const std::u16string targets[] = {quorvia::Utf8ToUtf16(path), quorvia::Utf8ToUtf16("file://" + path)};
  for (const std::u16string& target : targets) {
    SCOPED_TRACE(U8(target));
    std::filesystem::remove(path);
    ASSERT_EQ(doc->save(CComVariant(target)), S_OK);

    ComPtr<IXMLDOMDocument> copy = LoadLayout(target);
    auto again = Select(SelectOne(copy.Get(), u"/toolband:toolband").Get(), u"child::*");
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(Attribute(again[0].Get(), u"disabled"), "0");
    EXPECT_EQ(Attribute(again[0].Get(), u"width"), "-5");
    EXPECT_EQ(Attribute(again[0].Get(), u"caption"), "Indicator");
    EXPECT_EQ(Attribute(again[1].Get(), u"disabled"), "1");
    EXPECT_EQ(Attribute(again[1].Get(), u"caption"), "a & b < \"c\" 'd' \u263A\t");
    EXPECT_EQ(Select(again[0].Get(), u"child::*").size(), 3u);
    EXPECT_EQ(Attribute(SelectOne(copy.Get(), u"/toolband:toolband").Get(), u"name"), "Test Band");
  }
}

TEST_F(DomSave, SaveKeepsTheDocumentsEncoding) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* declared;  // expected in the saved file's declaration, or null
  } cases[] = {
      {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a v=\"\xE9\">\xFC</a>", "ISO-8859-1"},
      {"UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a v=\"\xC3\xA9\">\xC3\xBC</a>", "UTF-8"},
      {"no declaration", "<a v=\"\xC3\xA9\">\xC3\xBC</a>", nullptr},
      {"UTF-16", std::string("\xFF\xFE<\0a\0 \0v\0=\0\"\0\xE9\0\"\0>\0\xFC\0<\0/\0a\0>\0", 30), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ComPtr<IXMLDOMDocument> doc = LoadText(folder_, c.bytes);
    ComPtr<IXMLDOMNode> a = SelectOne(doc.Get(), u"/a");
    ASSERT_TRUE(a);
    ASSERT_EQ(AsElement(a.Get())->setAttribute(CComBSTR(u"w"), CComVariant(u"\u00E0")), S_OK);
    std::string path = folder_ + "/saved.xml";
    ASSERT_EQ(doc->save(CComVariant(quorvia::Utf8ToUtf16(path))), S_OK);
    if (c.declared) {
      EXPECT_NE(ReadBytes(path).find(std::string("encoding=\"") + c.declared + "\""), std::string::npos)
          << ReadBytes(path);
    }

    ComPtr<IXMLDOMDocument> copy = NewDocument();
    ASSERT_EQ(Load(copy.Get(), quorvia::Utf8ToUtf16(path)).hr, S_OK);
    ComPtr<IXMLDOMNode> b = SelectOne(copy.Get(), u"/a");
    ASSERT_TRUE(b);
    EXPECT_EQ(Text(b.Get()), "\u00FC");
    EXPECT_EQ(Attribute(b.Get(), u"v"), "\u00E9");
    EXPECT_EQ(Attribute(b.Get(), u"w"), "\u00E0");
  }
}

TEST_F(DomSave, SetAttributeRefusesWhatCannotBeWritten) {
  ComPtr<IXMLDOMDocument> doc = LoadText(folder_, "<r xmlns:p='urn:p'><e a='1'/></r>");
  ComPtr<IXMLDOMElement> e = AsElement(SelectOne(doc.Get(), u"//e").Get());
  const std::u16string bad_names[] = {u"", u"1a", u"a b", u"a:", u"q:x", u"xmlns", u"xmlns:z",
                                      std::u16string(u"a\0b", 3)};
  for (const std::u16string& name : bad_names) {
    EXPECT_EQ(e->setAttribute(CComBSTR(name), CComVariant(u"v")), E_INVALIDARG) << U8(name);
  }
  EXPECT_EQ(e->setAttribute(CComBSTR(u"a"), CComVariant(u"bell\x07")), E_INVALIDARG);
  EXPECT_EQ(e->setAttribute(CComBSTR(u"a"), CComVariant(std::u16string(u"nul\0", 4))), E_INVALIDARG);
  EXPECT_EQ(Attribute(e.Get(), u"a"), "1");

  // A declared prefix puts the attribute in its namespace.
  ASSERT_EQ(e->setAttribute(CComBSTR(u"p:x"), CComVariant(u"in p")), S_OK);
  std::string path = folder_ + "/saved.xml";
  ASSERT_EQ(doc->save(CComVariant(quorvia::Utf8ToUtf16(path))), S_OK);
  ComPtr<IXMLDOMDocument> copy = NewDocument();
  ASSERT_EQ(Load(copy.Get(), quorvia::Utf8ToUtf16(path)).hr, S_OK);
  ASSERT_EQ(copy->setProperty(CComBSTR(u"SelectionNamespaces"), CComVariant(u"xmlns:q='urn:p'")), S_OK);
  ComPtr<IXMLDOMNode> x = SelectOne(copy.Get(), u"//e/@q:x");
  ASSERT_TRUE(x);
  EXPECT_EQ(Text(x.Get()), "in p");
}

TEST_F(DomSave, SaveFailures) {
  ComPtr<IXMLDOMDocument> empty = NewDocument();
  EXPECT_EQ(empty->save(CComVariant(quorvia::Utf8ToUtf16(folder_ + "/x.xml"))), E_FAIL);

  ComPtr<IXMLDOMDocument> doc = LoadText(folder_, "<a/>");
  EXPECT_EQ(doc->save(CComVariant(int32_t{1})), E_INVALIDARG);
  EXPECT_EQ(doc->save(CComVariant(u"")), E_INVALIDARG);
  EXPECT_EQ(doc->save(CComVariant(u"http://127.0.0.1:9/x.xml")), E_ACCESSDENIED);
  EXPECT_EQ(doc->save(CComVariant(quorvia::Utf8ToUtf16(folder_))), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(FAILED(doc->save(CComVariant(quorvia::Utf8ToUtf16(folder_ + "/missing/x.xml")))));
}

TEST_F(DomSave, XmlTextReloadsToTheSameDocument) {
  ComPtr<IXMLDOMDocument> doc =
      LoadText(folder_, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<a v=\"\xE9\"><b>x &amp; <![CDATA[<y>]]></b></a>");
  CComBSTR xml;
  ASSERT_EQ(doc->get_xml(&xml), S_OK);
  std::string text = U8(xml.View());
  // The declaration names no encoding: the text is no longer ISO-8859-1.
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\"?>", 0), 0u) << text;
  EXPECT_EQ(text.find("encoding"), std::string::npos) << text;

  ComPtr<IXMLDOMDocument> copy = LoadText(folder_, text);
  EXPECT_EQ(Attribute(SelectOne(copy.Get(), u"/a").Get(), u"v"), "\u00E9");
  EXPECT_EQ(Text(SelectOne(copy.Get(), u"/a/b").Get()), "x & <y>");

  CComBSTR element;
  ASSERT_EQ(SelectOne(doc.Get(), u"/a/b")->get_xml(&element), S_OK);
  EXPECT_EQ(U8(element.View()), "<b>x &amp; <![CDATA[<y>]]></b>");
  CComBSTR attribute;
  ASSERT_EQ(SelectOne(doc.Get(), u"/a/@v")->get_xml(&attribute), S_OK);
  EXPECT_EQ(U8(attribute.View()), "v=\"\u00E9\"");
  EXPECT_EQ(doc->get_xml(nullptr), E_POINTER);
}

}  // namespace
