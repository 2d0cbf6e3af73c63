#include "core/rating/soap_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kNs[] = "http://rating.test/ns/";

const std::string kEnvelopeStart =
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\">"
    "<soap:Body><doScanURLs xmlns=\"http://rating.test/ns/\">";
const std::string kEnvelopeEnd = "</doScanURLs></soap:Body></soap:Envelope>";

TEST(ScanRequestBody, ThreeQueriesInArrayOrderWithEscapedAddresses) {
  const std::vector<URLScanQueryElement> queries = {
      {7, u"http://a.example/find?q=x&y=<b>\"'"},
      {2, u"http://b\u00e9.example/caf\u00e9\t"},
      {-3, u"http://c.example/\U0001F600"},
  };
  EXPECT_EQ(rating::BuildScanRequestBody(queries.data(), 3, kNs),
            kEnvelopeStart +
                "<queries xmlns:q1=\"http://rating.test/ns/\" soapenc:arrayType=\"q1:URLScanQueryElement[3]\">"
                "<URLScanQueryElement><Id>7</Id><url>http://a.example/find?q=x&amp;y=&lt;b&gt;\"'</url>"
                "</URLScanQueryElement>"
                "<URLScanQueryElement><Id>2</Id><url>http://b&#x00E9;.example/caf&#x00E9;&#x0009;</url>"
                "</URLScanQueryElement>"
                "<URLScanQueryElement><Id>-3</Id><url>http://c.example/&#x01F600;</url></URLScanQueryElement>"
                "</queries>" +
                kEnvelopeEnd);
}

TEST(ScanRequestBody, AbsentAddressIsNilAndEmptyAddressIsEmpty) {
  const std::vector<URLScanQueryElement> queries = {{1, std::nullopt}, {2, u""}};
  EXPECT_EQ(rating::BuildScanRequestBody(queries.data(), 2, kNs),
            kEnvelopeStart +
                "<queries xmlns:q1=\"http://rating.test/ns/\" soapenc:arrayType=\"q1:URLScanQueryElement[2]\">"
                "<URLScanQueryElement><Id>1</Id><url xsi:nil=\"1\"/></URLScanQueryElement>"
                "<URLScanQueryElement><Id>2</Id><url></url></URLScanQueryElement>"
                "</queries>" +
                kEnvelopeEnd);
}

TEST(ScanRequestBody, NoQueries) {
  EXPECT_EQ(rating::BuildScanRequestBody(nullptr, 0, kNs),
            kEnvelopeStart +
                "<queries xmlns:q1=\"http://rating.test/ns/\" soapenc:arrayType=\"q1:URLScanQueryElement[0]\">"
                "</queries>" +
                kEnvelopeEnd);
}

TEST(XmlEscaping, ReferencesForEverythingOutsidePrintableAscii) {
  struct Case {
    std::u16string text;
    std::string escaped;
  };
  const std::vector<Case> cases = {
      {u" ~AZaz09!#'\"", " ~AZaz09!#'\""},
      {u"&<>", "&amp;&lt;&gt;"},
      {u"\n\r\t", "&#x000A;&#x000D;&#x0009;"},
      {u"\u007f\u0080\u00ff\u20ac\ufffd", "&#x007F;&#x0080;&#x00FF;&#x20AC;&#xFFFD;"},
      {u"\U00010000\U0010FFFF", "&#x010000;&#x10FFFF;"},
      // Characters XML cannot carry even as references.
      {std::u16string(1, u'\0') + u"\u0001\u001f", "&#xFFFD;&#xFFFD;&#xFFFD;"},
      {u"\ufffe\uffff", "&#xFFFD;&#xFFFD;"},
      {std::u16string{0xD83D} + u"a", "&#xFFFD;a"},        // high surrogate without its pair
      {std::u16string{0xDE00, 0xD83D}, "&#xFFFD;&#xFFFD;"},  // pair in the wrong order
      {std::u16string{0xD83D}, "&#xFFFD;"},                 // high surrogate at the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rating::EscapeXmlText(c.text), c.escaped) << c.escaped;
  }
  EXPECT_EQ(rating::EscapeXmlAttribute(u"a\"&b"), "a&quot;&amp;b");
}

TEST(ScanRequestHeaders, InTheirOrderWithTheActionOfTheNamespace) {
  using Headers = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(rating::BuildScanRequestHeaders("rating.test", 123, kNs),
            (Headers{{"Host", "rating.test"},
                     {"Content-Length", "123"},
                     {"Content-Type", "text/xml; charset=utf-8"},
                     {"User-Agent", "Microsoft-ATL-Native/8.00"},
                     {"SOAPAction", "\"http://rating.test/ns/doScanURLs\""},
                     {"Accept", "text/xml"}}));
}

}  // namespace
