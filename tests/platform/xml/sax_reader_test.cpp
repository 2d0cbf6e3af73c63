// The SAX reader over SOAP-like responses: the order of events, namespaces,
// attribute look-ups, a handler that stops the parse, and documents built to
// exhaust the parser.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/com/object.h"
#include "platform/text/convert.h"
#include "platform/xml/sax_reader.h"

namespace {

using quorvia::ComPtr;

constexpr char16_t kXsi[] = u"http://www.w3.org/2001/XMLSchema-instance";

std::string U8(const WCHAR* text, int length) {
  return quorvia::Utf16ToUtf8(std::u16string_view(text, static_cast<std::size_t>(length)));
}

// Records every event as a line of text; characters of one run are joined.
// Fails with fail_with at the start of the element named fail_at.
class Recorder : public quorvia::ComObjectRootEx<quorvia::ComSingleThreadModel>, public ISAXContentHandler {
 public:
  static const quorvia::InterfaceEntry* InterfaceTable() {
    return quorvia::InterfaceTableOf<Recorder, ISAXContentHandler>();
  }

  HRESULT startDocument() override {
    Flush();
    events.push_back("startDocument");
    return S_OK;
  }
  HRESULT endDocument() override {
    Flush();
    events.push_back("endDocument");
    return S_OK;
  }
  HRESULT startElement(const WCHAR* uri, int uri_length, const WCHAR* local, int local_length, const WCHAR* qname,
                       int qname_length, ISAXAttributes* attributes) override {
    Flush();
    std::string line = "start {" + U8(uri, uri_length) + "}" + U8(local, local_length) + " " + U8(qname, qname_length);
    int count = 0;
    EXPECT_EQ(attributes->getLength(&count), S_OK);
    for (int i = 0; i < count; ++i) {
      const WCHAR *a_uri, *a_local, *a_qname, *a_value;
      int n_uri, n_local, n_qname, n_value;
      EXPECT_EQ(attributes->getURI(i, &a_uri, &n_uri), S_OK);
      EXPECT_EQ(attributes->getLocalName(i, &a_local, &n_local), S_OK);
      EXPECT_EQ(attributes->getQName(i, &a_qname, &n_qname), S_OK);
      EXPECT_EQ(attributes->getValue(i, &a_value, &n_value), S_OK);
      line += " [{" + U8(a_uri, n_uri) + "}" + U8(a_local, n_local) + " " + U8(a_qname, n_qname) + "=" +
              U8(a_value, n_value) + "]";
    }
    const WCHAR* nil = nullptr;
    int nil_length = 0;
    if (attributes->getValueFromName(kXsi, 41, u"nil", 3, &nil, &nil_length) == S_OK)
      line += " nil=" + U8(nil, nil_length);
    events.push_back(line);
    if (U8(local, local_length) == fail_at) return fail_with;
    return S_OK;
  }
  HRESULT endElement(const WCHAR* uri, int uri_length, const WCHAR* local, int local_length, const WCHAR* qname,
                     int qname_length) override {
    Flush();
    events.push_back("end {" + U8(uri, uri_length) + "}" + U8(local, local_length) + " " + U8(qname, qname_length));
    return S_OK;
  }
  HRESULT characters(const WCHAR* chars, int length) override {
    text += U8(chars, length);
    return S_OK;
  }

  void Flush() {
    if (!text.empty()) events.push_back("chars " + text);
    text.clear();
  }

  std::vector<std::string> events;
  std::string text;
  std::string fail_at;
  HRESULT fail_with = S_OK;
};

class SaxReader : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CreateSaxXmlReader(&reader_), S_OK);
    recorder_ = quorvia::MakeComObject<Recorder>();
    ASSERT_EQ(reader_->putContentHandler(recorder_.Get()), S_OK);
  }
  HRESULT Parse(const std::string& bytes) {
    HRESULT hr = reader_->parseBytes(bytes.data(), bytes.size());
    recorder_->Flush();
    return hr;
  }
  ComPtr<ISAXXMLReader> reader_;
  ComPtr<quorvia::ComObject<Recorder>> recorder_;
};

constexpr char kResponse[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
    "<soap:Body><doScanURLsResponse xmlns=\"urn:rating/\">"
    "<doScanURLsResult><processingtime>0.5</processingtime>"
    "<urlScanResults soapenc:arrayType=\"q1:URLScanResultElement[1]\" "
    "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\">"
    "<URLScanResultElement><id>7</id><desc xsi:nil=\"1\"/>"
    "<note>a &amp; b <![CDATA[<c>]]> &#x263A;</note></URLScanResultElement>"
    "</urlScanResults></doScanURLsResult></doScanURLsResponse></soap:Body></soap:Envelope>";

TEST_F(SaxReader, ReportsElementsTextAndAttributesWithNamespaces) {
  ASSERT_EQ(Parse(kResponse), S_OK);
  const std::string soap = "{http://schemas.xmlsoap.org/soap/envelope/}";
  const std::vector<std::string> expected = {
      "startDocument",
      "start " + soap + "Envelope soap:Envelope",
      "start " + soap + "Body soap:Body",
      "start {urn:rating/}doScanURLsResponse doScanURLsResponse",
      "start {urn:rating/}doScanURLsResult doScanURLsResult",
      "start {urn:rating/}processingtime processingtime",
      "chars 0.5",
      "end {urn:rating/}processingtime processingtime",
      "start {urn:rating/}urlScanResults urlScanResults "
      "[{http://schemas.xmlsoap.org/soap/encoding/}arrayType soapenc:arrayType=q1:URLScanResultElement[1]]",
      "start {urn:rating/}URLScanResultElement URLScanResultElement",
      "start {urn:rating/}id id",
      "chars 7",
      "end {urn:rating/}id id",
      "start {urn:rating/}desc desc [{http://www.w3.org/2001/XMLSchema-instance}nil xsi:nil=1] nil=1",
      "end {urn:rating/}desc desc",
      "start {urn:rating/}note note",
      "chars a & b <c> \u263A",
      "end {urn:rating/}note note",
      "end {urn:rating/}URLScanResultElement URLScanResultElement",
      "end {urn:rating/}urlScanResults urlScanResults",
      "end {urn:rating/}doScanURLsResult doScanURLsResult",
      "end {urn:rating/}doScanURLsResponse doScanURLsResponse",
      "end " + soap + "Body soap:Body",
      "end " + soap + "Envelope soap:Envelope",
      "endDocument",
  };
  EXPECT_EQ(recorder_->events, expected);
}

// Checks the attribute look-ups from inside the handler call, where the
// attributes are valid.
class AttributeProbe : public quorvia::ComObjectRootEx<quorvia::ComSingleThreadModel>, public ISAXContentHandler {
 public:
  static const quorvia::InterfaceEntry* InterfaceTable() {
    return quorvia::InterfaceTableOf<AttributeProbe, ISAXContentHandler>();
  }
  HRESULT startDocument() override { return S_OK; }
  HRESULT endDocument() override { return S_OK; }
  HRESULT endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT characters(const WCHAR*, int) override { return S_OK; }
  HRESULT startElement(const WCHAR*, int, const WCHAR* local, int local_length, const WCHAR*, int,
                       ISAXAttributes* attributes) override {
    if (std::u16string_view(local, static_cast<std::size_t>(local_length)) != u"e") return S_OK;
    ++checked;
    int index = -1;
    EXPECT_EQ(attributes->getIndexFromName(kXsi, 41, u"type", 4, &index), S_OK);
    EXPECT_EQ(index, 1);
    const WCHAR* value = nullptr;
    int length = 0;
    EXPECT_EQ(attributes->getValueFromName(kXsi, 41, u"type", 4, &value, &length), S_OK);
    EXPECT_EQ(U8(value, length), "xsd:int");
    EXPECT_EQ(value[length], u'\0');
    // Unprefixed attributes have no namespace.
    EXPECT_EQ(attributes->getValueFromName(nullptr, 0, u"plain", 5, &value, &length), S_OK);
    EXPECT_EQ(U8(value, length), "");
    EXPECT_EQ(attributes->getValueFromName(u"", 0, u"plain", 5, &value, &length), S_OK);
    // Absent: wrong namespace, wrong name, or the declaration itself.
    EXPECT_EQ(attributes->getIndexFromName(kXsi, 41, u"nil", 3, &index), E_INVALIDARG);
    EXPECT_EQ(attributes->getIndexFromName(u"", 0, u"type", 4, &index), E_INVALIDARG);
    EXPECT_EQ(attributes->getIndexFromName(u"", 0, u"xsi", 3, &index), E_INVALIDARG);
    // Bad arguments.
    EXPECT_EQ(attributes->getValue(2, &value, &length), E_INVALIDARG);
    EXPECT_EQ(attributes->getValue(-1, &value, &length), E_INVALIDARG);
    EXPECT_EQ(attributes->getValue(0, nullptr, &length), E_POINTER);
    EXPECT_EQ(attributes->getLength(nullptr), E_POINTER);
    EXPECT_EQ(attributes->getIndexFromName(kXsi, 41, u"type", 4, nullptr), E_POINTER);
    EXPECT_EQ(attributes->getIndexFromName(nullptr, 3, u"type", 4, &index), E_INVALIDARG);
    return S_OK;
  }
  int checked = 0;
};

TEST_F(SaxReader, AttributeLookUpByNamespaceAndLocalName) {
  auto probe = quorvia::MakeComObject<AttributeProbe>();
  ASSERT_EQ(reader_->putContentHandler(probe.Get()), S_OK);
  std::string doc = "<r xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'><e plain='' xsi:type='xsd:int'/></r>";
  EXPECT_EQ(reader_->parseBytes(doc.data(), doc.size()), S_OK);
  EXPECT_EQ(probe->checked, 1);
}

TEST_F(SaxReader, HandlerFailureStopsTheParseAndIsReturned) {
  recorder_->fail_at = "id";
  recorder_->fail_with = E_ABORT;
  EXPECT_EQ(Parse(kResponse), E_ABORT);
  ASSERT_FALSE(recorder_->events.empty());
  EXPECT_EQ(recorder_->events.back(), "start {urn:rating/}id id");

  // The reader is usable again afterwards.
  recorder_->fail_at.clear();
  recorder_->events.clear();
  EXPECT_EQ(Parse(kResponse), S_OK);
  EXPECT_EQ(recorder_->events.back(), "endDocument");
}

TEST_F(SaxReader, MalformedAndHostileDocumentsFail) {
  std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
  for (int i = 1; i <= 9; ++i) {
    std::string prev = i == 1 ? "&lol;" : "&lol" + std::to_string(i - 1) + ";";
    std::string body;
    for (int k = 0; k < 10; ++k) body += prev;
    bomb += "<!ENTITY lol" + std::to_string(i) + " \"" + body + "\">";
  }
  bomb += "]><lolz>&lol9;</lolz>";
  std::string deep;
  for (int i = 0; i < 10000; ++i) deep += "<a>";
  for (int i = 0; i < 10000; ++i) deep += "</a>";

  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"unclosed element", "<a><b></a>"},
      {"truncated", std::string(kResponse, sizeof kResponse / 2)},
      {"text after the root", "<a/>x"},
      {"undeclared prefix", "<p:a/>"},
      {"undeclared entity", "<a>&nbsp;</a>"},
      {"entity expansion", bomb},
      {"document type", "<!DOCTYPE a><a/>"},
      {"10000 levels of nesting", deep},
      {"not XML", "HTTP/1.1 200 OK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    recorder_->events.clear();
    EXPECT_EQ(Parse(c.bytes), E_FAIL);
    for (const std::string& event : recorder_->events) EXPECT_NE(event, "endDocument");
  }
  EXPECT_EQ(reader_->parseBytes("", 0), E_FAIL);
  EXPECT_EQ(reader_->parseBytes(nullptr, 3), E_POINTER);
}

TEST_F(SaxReader, EncodingsAndDeepButAllowedNesting) {
  std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xFC</a>";
  ASSERT_EQ(Parse(latin1), S_OK);
  EXPECT_EQ(recorder_->events[2], "chars \u00FC");

  std::string utf16 = "\xFF\xFE";
  for (char16_t c : std::u16string(u"<a>\u263A</a>")) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  recorder_->events.clear();
  ASSERT_EQ(Parse(utf16), S_OK);
  EXPECT_EQ(recorder_->events[2], "chars \u263A");

  std::string nested;
  for (int i = 0; i < 200; ++i) nested += "<a>";
  for (int i = 0; i < 200; ++i) nested += "</a>";
  recorder_->events.clear();
  EXPECT_EQ(Parse(nested), S_OK);
  EXPECT_EQ(recorder_->events.size(), 402u);
}

TEST_F(SaxReader, LongTextArrivesWhole) {
  // Larger than the pieces the reader feeds to the parser.
  std::string text(200000, 'x');
  text[100000] = '&';
  std::string doc = "<a>" + text.substr(0, 100000) + "&amp;" + text.substr(100001) + "</a>";
  ASSERT_EQ(Parse(doc), S_OK);
  ASSERT_EQ(recorder_->events.size(), 5u);
  EXPECT_EQ(recorder_->events[2], "chars " + text);
}

// A handler that starts another parse on the same reader from a callback.
class Reentrant : public quorvia::ComObjectRootEx<quorvia::ComSingleThreadModel>, public ISAXContentHandler {
 public:
  static const quorvia::InterfaceEntry* InterfaceTable() {
    return quorvia::InterfaceTableOf<Reentrant, ISAXContentHandler>();
  }
  HRESULT startDocument() override { return S_OK; }
  HRESULT endDocument() override { return S_OK; }
  HRESULT startElement(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int, ISAXAttributes*) override {
    *inner = reader->parseBytes("<x/>", 4);
    // Dropping the handler mid-parse must not free it under the reader.
    reader->putContentHandler(nullptr);
    return S_OK;
  }
  HRESULT endElement(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  HRESULT characters(const WCHAR*, int) override { return S_OK; }
  ISAXXMLReader* reader = nullptr;
  HRESULT* inner = nullptr;
};

TEST_F(SaxReader, ParseFromInsideAHandlerIsRefused) {
  HRESULT inner = S_OK;
  {
    auto handler = quorvia::MakeComObject<Reentrant>();
    handler->reader = reader_.Get();
    handler->inner = &inner;
    ASSERT_EQ(reader_->putContentHandler(handler.Get()), S_OK);
  }  // the reader holds the only reference now
  std::string doc = "<a/>";
  EXPECT_EQ(reader_->parseBytes(doc.data(), doc.size()), S_OK);
  EXPECT_EQ(inner, E_UNEXPECTED);
  EXPECT_EQ(CreateSaxXmlReader(nullptr), E_POINTER);
}

}  // namespace
