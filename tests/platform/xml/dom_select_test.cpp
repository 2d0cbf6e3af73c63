// Selection with XPath, node lists, names, attributes and text, as the
// language, configuration and layout readers use them.

#include <string>
#include <vector>

#include "tests/platform/xml/test_support.h"

namespace {

using namespace xml_test;

constexpr char kLanguage[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<language>
  <entry id="display" value="English"/>
  <entry id="hello">Hello &amp; welcome &#x263A;</entry>
  <entry id="empty" value=""/>
  <entry id="cdata"><![CDATA[<b>bold</b> & more]]></entry>
  <entry value="no id"/>
  <entry id="blank">   </entry>
  <entry id="mixed">  a <![CDATA[b]]> c <!-- not text --> </entry>
</language>
)";

constexpr char kConfig[] = R"(<config>
  <search-engines>
    <se id="first">
      <url-regexps><regexp value="p"/><regexp/><regexp value="q"/></url-regexps>
      <results-matchers><sm type="0" value="r"/></results-matchers>
    </se>
    <se id="second">
      <url-regexps><regexp value="z"/></url-regexps>
    </se>
  </search-engines>
</config>
)";

constexpr char16_t kLayoutNamespaces[] =
    u"xmlns:toolband='http://toolband.example.com/toolband' xmlns:ms='urn:schemas-microsoft-com:xslt'";

std::vector<std::string> Names(const std::vector<ComPtr<IXMLDOMNode>>& nodes) {
  std::vector<std::string> names;
  for (const auto& node : nodes) names.push_back(Name(node.Get()));
  return names;
}

class DomSelect : public TempFolderTest {};

TEST_F(DomSelect, PredicatesPickEntries) {
  ComPtr<IXMLDOMDocument> doc = LoadText(folder_, kLanguage);
  EXPECT_EQ(Select(doc.Get(), u"//language/entry").size(), 7u);

  auto display = Select(doc.Get(), u"//language/entry[@id=\"display\"]");
  ASSERT_EQ(display.size(), 1u);
  EXPECT_EQ(Attribute(display[0].Get(), u"value"), "English");

  EXPECT_TRUE(Select(doc.Get(), u"//language/entry[@id='nothing']").empty());
  ComPtr<IXMLDOMNode> none;
  EXPECT_EQ(doc->selectSingleNode(CComBSTR(u"//language/entry[@id='nothing']"), &none), S_FALSE);
  EXPECT_FALSE(none);

  // The single node is the first in document order.
  ComPtr<IXMLDOMNode> first = SelectOne(doc.Get(), u"//entry[@id='hello'] | //entry[@id='display']");
  ASSERT_TRUE(first);
  EXPECT_EQ(Attribute(first.Get(), u"id"), "display");
}

TEST_F(DomSelect, AttributesAbsentPresentAndEmpty) {
  ComPtr<IXMLDOMDocument> doc = LoadText(folder_, kLanguage);
  struct Case {
    const char16_t* entry;
    const char16_t* attribute;
    HRESULT hr;
    const char* value;  // null when absent
  } cases[] = {
      {u"//entry[1]", u"value", S_OK, "English"},
      {u"//entry[1]", u"id", S_OK, "display"},
      {u"//entry[2]", u"value", S_FALSE, nullptr},
      {u"//entry[3]", u"value", S_OK, ""},
      {u"//entry[5]", u"id", S_FALSE, nullptr},
      {u"//entry[1]", u"ID", S_FALSE, nullptr},  // names are case-sensitive
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.entry) + " @" + U8(c.attribute));
    ComPtr<IXMLDOMNode> entry = SelectOne(doc.Get(), c.entry);
    ASSERT_TRUE(entry);

    ComPtr<IXMLDOMNamedNodeMap> attributes;
    ASSERT_EQ(entry->get_attributes(&attributes), S_OK);
    ComPtr<IXMLDOMNode> item;
    EXPECT_EQ(attributes->getNamedItem(CComBSTR(c.attribute), &item), c.hr);
    EXPECT_EQ(Attribute(entry.Get(), c.attribute), c.value ? c.value : "<absent>");
    if (c.value == nullptr) {
      EXPECT_FALSE(item);
      continue;
    }
    ASSERT_TRUE(item);
    EXPECT_EQ(Name(item.Get()), U8(c.attribute));
    // An attribute's text is never null, even when empty.
    CComBSTR text;
    ASSERT_EQ(item->get_text(&text), S_OK);
    EXPECT_NE(text.Get(), nullptr);
    EXPECT_EQ(U8(text.View()), c.value);
  }

  ComPtr<IXMLDOMNode> entry = SelectOne(doc.Get(), u"//entry[1]");
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  ASSERT_EQ(entry->get_attributes(&attributes), S_OK);
  ComPtr<IXMLDOMNode> item;
  EXPECT_EQ(attributes->getNamedItem(CComBSTR(u""), &item), E_INVALIDARG);
  EXPECT_EQ(attributes->getNamedItem(CComBSTR(u"id"), nullptr), E_POINTER);
  ComPtr<IXMLDOMElement> element;
  ASSERT_EQ(entry->QueryInterface(&element), S_OK);
  EXPECT_EQ(element->getAttribute(CComBSTR(u"id"), nullptr), E_POINTER);
  CComVariant value;
  EXPECT_EQ(element->getAttribute(CComBSTR(u""), &value), E_INVALIDARG);

  // Only elements have attributes.
  ComPtr<IXMLDOMNamedNodeMap> none;
  EXPECT_EQ(doc->get_attributes(&none), S_FALSE);
  EXPECT_FALSE(none);
  ComPtr<IXMLDOMNode> id = SelectOne(doc.Get(), u"//entry[1]/@id");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->get_attributes(&none), S_FALSE);
  EXPECT_EQ(doc->get_attributes(nullptr), E_POINTER);
}

TEST_F(DomSelect, TextJoinsTextAndCdataAndResolvesReferences) {
  ComPtr<IXMLDOMDocument> doc = LoadText(folder_, kLanguage);
  struct Case {
    const char16_t* xpath;
    const char* text;
  } cases[] = {
      {u"//entry[@id='hello']", "Hello & welcome \u263A"},
      {u"//entry[@id='cdata']", "<b>bold</b> & more"},
      {u"//entry[@id='mixed']", "a b c"},  // comments are not text; outer blanks go
      {u"//entry[@id='blank']", "<null>"},
      {u"//entry[@id='display']", "<null>"},
      {u"//entry[@id='hello']/text()", "Hello & welcome \u263A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.xpath));
    ComPtr<IXMLDOMNode> node = SelectOne(doc.Get(), c.xpath);
    ASSERT_TRUE(node);
    EXPECT_EQ(Text(node.Get()), c.text);
  }
  EXPECT_EQ(doc->get_text(nullptr), E_POINTER);
}

TEST_F(DomSelect, RelativePathsStartAtTheNode) {
  ComPtr<IXMLDOMDocument> doc = LoadText(folder_, kConfig);
  auto engines = Select(doc.Get(), u"//config/search-engines/se");
  ASSERT_EQ(engines.size(), 2u);

  std::vector<std::string> first;
  for (const auto& regexp : Select(engines[0].Get(), u"url-regexps/regexp"))
    first.push_back(Attribute(regexp.Get(), u"value"));
  EXPECT_EQ(first, (std::vector<std::string>{"p", "<absent>", "q"}));
  EXPECT_EQ(Select(engines[0].Get(), u"results-matchers/sm").size(), 1u);

  std::vector<std::string> second;
  for (const auto& regexp : Select(engines[1].Get(), u"url-regexps/regexp"))
    second.push_back(Attribute(regexp.Get(), u"value"));
  EXPECT_EQ(second, (std::vector<std::string>{"z"}));
  EXPECT_TRUE(Select(engines[1].Get(), u"results-matchers/sm").empty());

  // An absolute path from a node still starts at the root.
  EXPECT_EQ(Select(engines[1].Get(), u"//se").size(), 2u);
  EXPECT_EQ(Names(Select(engines[0].Get(), u"child::*")), (std::vector<std::string>{"url-regexps", "results-matchers"}));
}

TEST_F(DomSelect, NodeNames) {
  ComPtr<IXMLDOMDocument> doc =
      LoadText(folder_, "<r xmlns:p='urn:p'><p:x p:a='1' b='2'>t<![CDATA[c]]><!--m--><?pi d?></p:x></r>");
  EXPECT_EQ(Name(doc.Get()), "#document");
  struct Case {
    const char16_t* xpath;
    const char* name;
  } cases[] = {
      {u"/r", "r"},           {u"//*[local-name()='x']", "p:x"},
      {u"//@*[local-name()='a']", "p:a"}, {u"//@b", "b"},
      {u"//text()[1]", "#text"}, {u"//text()[2]", "#cdata-section"},
      {u"//comment()", "#comment"}, {u"//processing-instruction()", "pi"},
      {u"/", "#document"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.xpath));
    ComPtr<IXMLDOMNode> node = SelectOne(doc.Get(), c.xpath);
    ASSERT_TRUE(node);
    EXPECT_EQ(Name(node.Get()), c.name);
  }
  // Prefixed attribute names are looked up by their qualified name.
  ComPtr<IXMLDOMNode> x = SelectOne(doc.Get(), u"/r/*");
  EXPECT_EQ(Attribute(x.Get(), u"p:a"), "1");
  EXPECT_EQ(Attribute(x.Get(), u"a"), "<absent>");
  EXPECT_EQ(doc->get_nodeName(nullptr), E_POINTER);
}

TEST_F(DomSelect, SelectionErrorsAndListBounds) {
  ComPtr<IXMLDOMDocument> doc = LoadText(folder_, kLanguage);
  struct Case {
    const char16_t* what;
    std::u16string xpath;
    HRESULT hr;
  } cases[] = {
      {u"syntax", u"//entry[", E_FAIL},
      {u"empty", u"", E_FAIL},
      {u"not a node set", u"count(//entry)", E_FAIL},
      {u"undeclared prefix", u"/x:language", E_FAIL},
      {u"unknown function", u"//entry[nope()]", E_FAIL},
      {u"null character", std::u16string(u"//entry\0x", 9), E_INVALIDARG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.what));
    ComPtr<IXMLDOMNodeList> list;
    EXPECT_EQ(doc->selectNodes(CComBSTR(c.xpath), &list), c.hr);
    EXPECT_FALSE(list);
    ComPtr<IXMLDOMNode> node;
    EXPECT_EQ(doc->selectSingleNode(CComBSTR(c.xpath), &node), c.hr);
    EXPECT_FALSE(node);
  }
  EXPECT_EQ(doc->selectNodes(CComBSTR(u"//entry"), nullptr), E_POINTER);
  EXPECT_EQ(doc->selectSingleNode(CComBSTR(u"//entry"), nullptr), E_POINTER);

  ComPtr<IXMLDOMNodeList> list;
  ASSERT_EQ(doc->selectNodes(CComBSTR(u"//entry"), &list), S_OK);
  EXPECT_EQ(list->get_length(nullptr), E_POINTER);
  for (LONG index : {-1L, 7L, 1000L}) {
    ComPtr<IXMLDOMNode> node;
    EXPECT_EQ(list->get_item(index, &node), S_FALSE) << index;
    EXPECT_FALSE(node);
  }
  EXPECT_EQ(list->get_item(0, nullptr), E_POINTER);

  // An empty document finds nothing, but still checks the expression.
  ComPtr<IXMLDOMDocument> empty = NewDocument();
  EXPECT_TRUE(Select(empty.Get(), u"//entry").empty());
  ComPtr<IXMLDOMNodeList> bad;
  EXPECT_EQ(empty->selectNodes(CComBSTR(u"//entry["), &bad), E_FAIL);
  EXPECT_EQ(Text(empty.Get()), "<null>");
}

TEST_F(DomSelect, NamespacePrefixesComeFromSelectionNamespaces) {
  ComPtr<IXMLDOMDocument> doc = NewDocument();
  ASSERT_EQ(Load(doc.Get(), quorvia::Utf8ToUtf16(DataDir() + "/layout.xml")).hr, S_OK);
  ComPtr<IXMLDOMNode> root;
  EXPECT_EQ(doc->selectSingleNode(CComBSTR(u"/toolband:toolband"), &root), E_FAIL);

  EXPECT_EQ(doc->setProperty(CComBSTR(u"SelectionLanguage"), CComVariant(u"XPath")), S_OK);
  EXPECT_EQ(doc->setProperty(CComBSTR(u"SelectionNamespaces"), CComVariant(kLayoutNamespaces)), S_OK);
  root = SelectOne(doc.Get(), u"/toolband:toolband");
  ASSERT_TRUE(root);
  EXPECT_EQ(Name(root.Get()), "toolband");
  EXPECT_EQ(Names(Select(root.Get(), u"child::*")), (std::vector<std::string>{"menu", "button"}));
  ComPtr<IXMLDOMNode> menu = SelectOne(root.Get(), u"toolband:menu");
  ASSERT_TRUE(menu);
  EXPECT_EQ(Names(Select(menu.Get(), u"child::*")), (std::vector<std::string>{"button", "separator", "button"}));
  // Selections from a node use the document's prefixes too.
  EXPECT_TRUE(SelectOne(menu.Get(), u"/toolband:toolband"));

  // Unprefixed names have no namespace, so they miss the layout's elements.
  ComPtr<IXMLDOMNode> plain;
  EXPECT_EQ(doc->selectSingleNode(CComBSTR(u"/toolband"), &plain), S_FALSE);

  // Bound to another URI, the prefix finds nothing.
  ASSERT_EQ(doc->setProperty(CComBSTR(u"SelectionNamespaces"), CComVariant(u"xmlns:toolband=\"urn:other\"")), S_OK);
  EXPECT_EQ(doc->selectSingleNode(CComBSTR(u"/toolband:toolband"), &plain), S_FALSE);
}

TEST_F(DomSelect, BadPropertiesAreRefusedAndKeepTheOldSetting) {
  ComPtr<IXMLDOMDocument> doc = NewDocument();
  ASSERT_EQ(Load(doc.Get(), quorvia::Utf8ToUtf16(DataDir() + "/layout.xml")).hr, S_OK);
  ASSERT_EQ(doc->setProperty(CComBSTR(u"SelectionNamespaces"), CComVariant(kLayoutNamespaces)), S_OK);

  struct Case {
    const char16_t* name;
    CComVariant value;
  } cases[] = {
      {u"SelectionNamespaces", CComVariant(u"xmlns:t='unterminated")},
      {u"SelectionNamespaces", CComVariant(u"xmlns:t=unquoted")},
      {u"SelectionNamespaces", CComVariant(u"xmlns:1t='urn:x'")},
      {u"SelectionNamespaces", CComVariant(u"xmlnst='urn:x'")},
      {u"SelectionNamespaces", CComVariant(u"xmlns:t='urn:x'xmlns:u='urn:y'")},
      {u"SelectionNamespaces", CComVariant(u"xmlns:t=''")},
      {u"SelectionNamespaces", CComVariant(int32_t{1})},
      {u"SelectionLanguage", CComVariant(u"XSLPattern")},
      {u"SelectionLanguage", CComVariant(u"xpath")},
      {u"NoSuchProperty", CComVariant(u"XPath")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.name) + " = " + U8(c.value.StringView()));
    EXPECT_EQ(doc->setProperty(CComBSTR(c.name), c.value), E_INVALIDARG);
  }
  EXPECT_TRUE(SelectOne(doc.Get(), u"/toolband:toolband"));

  // Blanks around the equals sign and a default declaration are accepted.
  EXPECT_EQ(doc->setProperty(CComBSTR(u"SelectionNamespaces"),
                             CComVariant(u" xmlns='urn:ignored'  xmlns:tb = 'http://toolband.example.com/toolband' ")),
            S_OK);
  EXPECT_TRUE(SelectOne(doc.Get(), u"/tb:toolband"));
  ComPtr<IXMLDOMNode> gone;
  EXPECT_EQ(doc->selectSingleNode(CComBSTR(u"/toolband:toolband"), &gone), E_FAIL);
}

TEST_F(DomSelect, NodesKeepTheirTreeAlive) {
  ComPtr<IXMLDOMDocument> doc = NewDocument();
  ASSERT_EQ(Load(doc.Get(), quorvia::Utf8ToUtf16(DataDir() + "/layout.xml")).hr, S_OK);
  ASSERT_EQ(doc->setProperty(CComBSTR(u"SelectionNamespaces"), CComVariant(kLayoutNamespaces)), S_OK);
  ComPtr<IXMLDOMNode> menu = SelectOne(doc.Get(), u"//toolband:menu");
  ComPtr<IXMLDOMNodeList> items;
  ASSERT_EQ(menu->selectNodes(CComBSTR(u"child::*"), &items), S_OK);
  ComPtr<IXMLDOMNode> caption = SelectOne(menu.Get(), u"@caption");
  ASSERT_TRUE(caption);

  // Loading another document into the same object leaves the old nodes
  // readable.
  ASSERT_EQ(Load(doc.Get(), quorvia::Utf8ToUtf16(File("other.xml", "<other/>"))).hr, S_OK);
  EXPECT_EQ(Attribute(menu.Get(), u"command"), "Test.Indicator");

  // So does releasing the document.
  doc = nullptr;
  EXPECT_EQ(Text(caption.Get()), "Indicator");
  EXPECT_TRUE(SelectOne(menu.Get(), u"/toolband:toolband"));
  LONG length = 0;
  ASSERT_EQ(items->get_length(&length), S_OK);
  ASSERT_EQ(length, 3);
  ComPtr<IXMLDOMNode> help;
  ASSERT_EQ(items->get_item(2, &help), S_OK);
  EXPECT_EQ(Attribute(help.Get(), u"caption"), "Help...");
}

TEST_F(DomSelect, OnlyElementsAnswerTheElementInterface) {
  ComPtr<IXMLDOMDocument> doc = LoadText(folder_, kLanguage);
  ComPtr<IXMLDOMElement> element;
  EXPECT_EQ(SelectOne(doc.Get(), u"//entry")->QueryInterface(&element), S_OK);
  EXPECT_TRUE(element);
  ComPtr<IXMLDOMNode> as_node;
  EXPECT_EQ(element->QueryInterface(&as_node), S_OK);

  ComPtr<IXMLDOMElement> not_element;
  EXPECT_EQ(SelectOne(doc.Get(), u"//entry/@id")->QueryInterface(&not_element), E_NOINTERFACE);
  EXPECT_EQ(SelectOne(doc.Get(), u"//entry[2]/text()")->QueryInterface(&not_element), E_NOINTERFACE);
  EXPECT_EQ(doc->QueryInterface(&not_element), E_NOINTERFACE);
  ComPtr<IXMLDOMDocument> not_document;
  EXPECT_EQ(element->QueryInterface(&not_document), E_NOINTERFACE);
  ComPtr<IXMLDOMNode> doc_node;
  EXPECT_EQ(doc->QueryInterface(&doc_node), S_OK);
}

}  // namespace
