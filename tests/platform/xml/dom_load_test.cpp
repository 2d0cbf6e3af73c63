// Loading documents: the kinds of source, the failures a caller must be able
// to tell apart, encodings, and documents built to exhaust the parser.

#include <string>

#include "platform/module/module.h"
#include "tests/platform/xml/test_support.h"

namespace {

using namespace xml_test;

class DomLoad : public TempFolderTest {};

TEST_F(DomLoad, LoadsFromPathFileAddressAndResAddress) {
  std::string path = DataDir() + "/layout.xml";
  const std::u16string sources[] = {
      quorvia::Utf8ToUtf16(path),
      quorvia::Utf8ToUtf16("file://" + path),
      quorvia::Utf8ToUtf16("file://localhost" + path),
      u"res://XmlTestLib.dll/ToolBandLayout.xml",
      u"res://xmltestlib.dll/html/toolbandlayout.xml",
  };
  for (const std::u16string& source : sources) {
    SCOPED_TRACE(U8(source));
    ComPtr<IXMLDOMDocument> doc = NewDocument();
    ASSERT_EQ(doc->put_async(VARIANT_FALSE), S_OK);
    ASSERT_EQ(doc->put_validateOnParse(VARIANT_FALSE), S_OK);
    ASSERT_EQ(doc->put_resolveExternals(VARIANT_FALSE), S_OK);
    LoadResult r = Load(doc.Get(), source);
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.success, VARIANT_TRUE);
    ComPtr<IXMLDOMNode> about = SelectOne(doc.Get(), u"/*/*[2]");
    ASSERT_TRUE(about);
    EXPECT_EQ(Attribute(about.Get(), u"caption"), "About \u263A");
  }
  // The library was loaded for the look-ups only.
  EXPECT_EQ(GetModuleHandleW(u"XmlTestLib.dll"), nullptr);
}

TEST_F(DomLoad, PercentEscapesInFileAddressesAreDecoded) {
  std::string path = File("with space.xml", "<a>ok</a>");
  std::string escaped = path.substr(0, path.size() - std::string("with space.xml").size()) + "with%20space.xml";
  ComPtr<IXMLDOMDocument> doc = NewDocument();
  LoadResult r = Load(doc.Get(), quorvia::Utf8ToUtf16("file://" + escaped));
  EXPECT_EQ(r.hr, S_OK);
  EXPECT_EQ(Text(doc.Get()), "ok");
}

TEST_F(DomLoad, FailuresClearTheFlagAndReportWhy) {
  std::string good = File("good.xml", "<root><item/></root>");
  struct Case {
    const char* what;
    std::u16string source;
    HRESULT hr;
  } cases[] = {
      {"missing file", quorvia::Utf8ToUtf16(folder_ + "/missing.xml"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
      {"missing folder", quorvia::Utf8ToUtf16(good + "/x.xml"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
      {"folder", quorvia::Utf8ToUtf16(folder_), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
      {"malformed", quorvia::Utf8ToUtf16(File("bad.xml", "<root><item></root>")), E_FAIL},
      {"two roots", quorvia::Utf8ToUtf16(File("two.xml", "<a/><b/>")), E_FAIL},
      {"empty file", quorvia::Utf8ToUtf16(File("empty.xml", "")), E_FAIL},
      {"undeclared prefix", quorvia::Utf8ToUtf16(File("prefix.xml", "<p:a/>")), E_FAIL},
      {"undeclared entity", quorvia::Utf8ToUtf16(File("ent.xml", "<a>&nbsp;</a>")), E_FAIL},
      {"malformed resource", u"res://XmlTestLib.dll/RCDATA/Broken", E_FAIL},
      {"missing resource", u"res://XmlTestLib.dll/NoSuch.xml", HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND)},
      {"missing module", u"res://NoSuchLib.dll/ToolBandLayout.xml",
       HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND)},
      {"network address", u"http://127.0.0.1:9/layout.xml", E_ACCESSDENIED},
      {"file address with a host", u"file://otherhost/tmp/x.xml", E_INVALIDARG},
      {"empty source", u"", E_INVALIDARG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ComPtr<IXMLDOMDocument> doc = NewDocument();
    ASSERT_EQ(Load(doc.Get(), quorvia::Utf8ToUtf16(good)).hr, S_OK);
    LoadResult r = Load(doc.Get(), c.source);
    EXPECT_EQ(r.hr, c.hr);
    EXPECT_EQ(r.success, VARIANT_FALSE);
    // The document that was there before is gone.
    ComPtr<IXMLDOMNode> node;
    EXPECT_EQ(doc->selectSingleNode(CComBSTR(u"//item"), &node), S_FALSE);
    EXPECT_FALSE(node);
  }
}

TEST_F(DomLoad, ArgumentErrors) {
  ComPtr<IXMLDOMDocument> doc = NewDocument();
  VARIANT_BOOL success = VARIANT_TRUE;
  EXPECT_EQ(doc->load(CComVariant(int32_t{3}), &success), E_INVALIDARG);
  EXPECT_EQ(success, VARIANT_FALSE);
  EXPECT_EQ(doc->load(CComVariant(u"x.xml"), nullptr), E_POINTER);
  EXPECT_EQ(CreateXmlDocument(nullptr), E_POINTER);

  // A string passed by reference is accepted.
  CComVariant path(quorvia::Utf8ToUtf16(DataDir() + "/layout.xml"));
  VARIANT by_ref;
  VariantInit(&by_ref);
  by_ref.vt = VT_BSTR | VT_BYREF;
  by_ref.pbstrVal = &path.bstrVal;
  EXPECT_EQ(doc->load(by_ref, &success), S_OK);
  EXPECT_EQ(success, VARIANT_TRUE);
}

TEST_F(DomLoad, EncodingComesFromTheByteOrderMarkOrTheDeclaration) {
  std::u16string expected = u"Gr\u00FC\u00DFe \u263A";
  std::string utf8 = "<a>Gr\xC3\xBC\xC3\x9F" "e \xE2\x98\xBA</a>";
  auto utf16le = [](const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
      bytes.push_back(static_cast<char>(c & 0xFF));
      bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
  };
  struct Case {
    const char* what;
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"UTF-8 without declaration", utf8, expected},
      {"UTF-8 with mark and declaration", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + utf8, expected},
      {"UTF-16 with mark", utf16le(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>" + expected + u"</a>"), expected},
      {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>Gr\xFC\xDF" "e</a>", u"Gr\u00FC\u00DFe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ComPtr<IXMLDOMDocument> doc = LoadText(folder_, c.bytes);
    CComBSTR text;
    ASSERT_EQ(doc->get_text(&text), S_OK);
    EXPECT_EQ(text.ToU16String(), c.text);
  }
}

// Documents that would cost a careless parser time, memory or its stack:
// each must simply fail to load.
TEST_F(DomLoad, HostileDocumentsFail) {
  std::string bomb =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n <!ENTITY lol \"lol\">\n";
  bomb += " <!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n";
  for (int i = 2; i <= 9; ++i) {
    std::string prev = "&lol" + std::to_string(i - 1) + ";";
    std::string body;
    for (int k = 0; k < 10; ++k) body += prev;
    bomb += " <!ENTITY lol" + std::to_string(i) + " \"" + body + "\">\n";
  }
  bomb += "]>\n<lolz>&lol9;</lolz>\n";

  std::string deep;
  for (int i = 0; i < 10000; ++i) deep += "<a>";
  for (int i = 0; i < 10000; ++i) deep += "</a>";

  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"entity expansion", bomb},
      {"external entity", "<!DOCTYPE a [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><a>&x;</a>"},
      {"parameter entity", "<!DOCTYPE a [<!ENTITY % p \"x\">]><a/>"},
      {"10000 levels of nesting", deep},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ComPtr<IXMLDOMDocument> doc = NewDocument();
    LoadResult r = Load(doc.Get(), quorvia::Utf8ToUtf16(File("hostile.xml", c.bytes)));
    EXPECT_EQ(r.hr, E_FAIL);
    EXPECT_EQ(r.success, VARIANT_FALSE);
  }

  // A document type that declares no entity is harmless, and its external
  // subset is not fetched.
  ComPtr<IXMLDOMDocument> doc = LoadText(
      folder_, "<!DOCTYPE a SYSTEM \"http://dtd.invalid/a.dtd\" [<!ELEMENT a (#PCDATA)>]><a>&amp;&#x263A;</a>");
  EXPECT_EQ(Text(doc.Get()), "&\u263A");
}

}  // namespace
