// The rating client against a real loopback server that answers with
// scripted raw bytes, parsed by the platform's streaming XML reader.
#include "core/rating/web_service.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/rating/rating_endpoint.h"
#include "loopback_server.h"

namespace {

using MyService::ClientError;
using rating_test::LoopbackServer;
using rating_test::Reply;

constexpr char kNs[] = "http://rating.test/ns/";
constexpr char kPath[] = "/orbisite/OSTBService.php";
constexpr char kEnvNs[] = "http://schemas.xmlsoap.org/soap/envelope/";

// ---- answers ----------------------------------------------------------

std::string Http(int status, const std::string& reason, const std::string& body,
                 const std::string& headers = "Content-Type: text/xml; charset=utf-8\r\n") {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n" + headers +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Hex(std::size_t n) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%zx", n);
  return buffer;
}

// The body in chunks of `piece` bytes; `complete` false leaves out the rest
// after the second chunk.
std::string Chunked(const std::string& body, std::size_t piece, bool complete = true) {
  std::string out = "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nTransfer-Encoding: chunked\r\n\r\n";
  int chunks = 0;
  for (std::size_t at = 0; at < body.size(); at += piece) {
    const std::string part = body.substr(at, piece);
    out += Hex(part.size()) + "\r\n" + part + "\r\n";
    if (!complete && ++chunks == 2) return out + Hex(piece) + "\r\n" + body.substr(0, 3);
  }
  return out + "0\r\n\r\n";
}

std::string Envelope(const std::string& content, const std::string& envNs = kEnvNs) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
         "<soap:Envelope xmlns:soap=\"" + envNs + "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\">"
         "<soap:Body>" + content + "</soap:Body></soap:Envelope>";
}

std::string Response(const std::string& records, const std::string& arrayAttributes = "",
                     const std::string& time = "<processingtime>0.25</processingtime>") {
  return Envelope(std::string("<doScanURLsResponse xmlns=\"") + kNs + "\"><doScanURLsResult>" + time +
                  "<urlScanResults" + arrayAttributes + ">" + records +
                  "</urlScanResults></doScanURLsResult></doScanURLsResponse>");
}

std::string Counters(int first) {
  return "<Red>" + std::to_string(first) + "</Red><Green>" + std::to_string(first + 1) + "</Green><Yellow>" +
         std::to_string(first + 2) + "</Yellow><Black>" + std::to_string(first + 3) + "</Black>";
}

// One record with every field; `changes` replaces a field's element (by
// name) with other markup, or leaves it out (nullopt).
std::string Record(int id, const std::map<std::string, std::optional<std::string>>& changes = {}) {
  const std::vector<std::pair<std::string, std::string>> fields = {
      {"id", "<id>" + std::to_string(id) + "</id>"},
      {"SiteRating", "<SiteRating>3</SiteRating>"},
      {"Downloads", "<Downloads>" + Counters(1) + "</Downloads>"},
      {"Links", "<Links>" + Counters(5) + "</Links>"},
      {"Emails", "<Emails>9</Emails>"},
      {"Popups", "<Popups>true</Popups>"},
      {"BrowserExploits", "<BrowserExploits>false</BrowserExploits>"},
      {"desc", "<desc>Caf\xC3\xA9 &amp; more &#x1F600;</desc>"},
  };
  std::string out = "<URLScanResultElement>";
  for (const auto& [name, markup] : fields) {
    const auto change = changes.find(name);
    if (change == changes.end()) {
      out += markup;
    } else if (change->second) {
      out += *change->second;
    }
  }
  return out + "</URLScanResultElement>";
}

URLScanResultElement Expected(int id) {
  URLScanResultElement r;
  r.id = id;
  r.SiteRating = 3;
  r.Downloads = {1, 2, 3, 4};
  r.Links = {5, 6, 7, 8};
  r.Emails = 9;
  r.Popups = true;
  r.BrowserExploits = false;
  r.desc = u"Caf\u00e9 & more \U0001F600";
  return r;
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// ---- fixture ----------------------------------------------------------

class RatingClient : public ::testing::Test {
 protected:
  void TearDown() override {
    ::unsetenv(rating::kEndpointVariable);
    ::unsetenv(rating::kNamespaceVariable);
  }

  // A client of the server at `server`, made the way the page processor
  // makes it: the environment names the service.
  static std::unique_ptr<CWebServiceClass> ClientOf(const LoopbackServer& server, const char* path = kPath) {
    ::setenv(rating::kEndpointVariable, server.Url(path).c_str(), 1);
    ::setenv(rating::kNamespaceVariable, kNs, 1);
    return std::make_unique<CWebServiceClass>();
  }

  static std::vector<URLScanQueryElement> OneQuery() { return {{1, u"http://site.example/"}}; }
};

// ---- request ----------------------------------------------------------

TEST_F(RatingClient, RequestBytesOnTheWire) {
  LoopbackServer server([](int, const std::string&) { return Reply{Http(200, "OK", Response(Record(7)))}; });
  auto client = ClientOf(server);

  const std::vector<URLScanQueryElement> three = {
      {7, u"http://a.example/find?q=x&y=1"},
      {8, u"http://b\u00fccher.example/"},
      {9, u"http://c.example/\U0001F600"},
  };
  const std::vector<URLScanQueryElement> nil = {{4, std::nullopt}};
  URLScanResult result;
  ASSERT_EQ(client->ScanUrls(3, three.data(), &result), S_OK) << client->GetErrorText();
  ASSERT_EQ(client->ScanUrls(1, nil.data(), &result), S_OK) << client->GetErrorText();

  const std::string head =
      "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
      "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\"><soap:Body>"
      "<doScanURLs xmlns=\"http://rating.test/ns/\"><queries xmlns:q1=\"http://rating.test/ns/\" ";
  const std::string tail = "</queries></doScanURLs></soap:Body></soap:Envelope>";
  const std::string body_three =
      head + "soapenc:arrayType=\"q1:URLScanQueryElement[3]\">"
      "<URLScanQueryElement><Id>7</Id><url>http://a.example/find?q=x&amp;y=1</url></URLScanQueryElement>"
      "<URLScanQueryElement><Id>8</Id><url>http://b&#x00FC;cher.example/</url></URLScanQueryElement>"
      "<URLScanQueryElement><Id>9</Id><url>http://c.example/&#x01F600;</url></URLScanQueryElement>" + tail;
  const std::string body_nil =
      head + "soapenc:arrayType=\"q1:URLScanQueryElement[1]\">"
      "<URLScanQueryElement><Id>4</Id><url xsi:nil=\"1\"/></URLScanQueryElement>" + tail;
  auto request = [&](const std::string& body) {
    return "POST /orbisite/OSTBService.php HTTP/1.1\r\n"
           "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"
           "Content-Length: " + std::to_string(body.size()) + "\r\n"
           "Content-Type: text/xml; charset=utf-8\r\n"
           "User-Agent: Microsoft-ATL-Native/8.00\r\n"
           "SOAPAction: \"http://rating.test/ns/doScanURLs\"\r\n"
           "Accept: text/xml\r\n"
           "\r\n" + body;
  };
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], request(body_three));
  EXPECT_EQ(requests[1], request(body_nil));
  EXPECT_EQ(server.Connections(), 2) << "every request has a connection of its own";
}

TEST(RatingEndpoint, BuiltInUnlessTheEnvironmentNamesAnother) {
  ::unsetenv(rating::kEndpointVariable);
  ::unsetenv(rating::kNamespaceVariable);
  const std::string builtIn = rating::BuiltInRatingEndpoint();
  EXPECT_NE(builtIn.find(".invalid"), std::string::npos) << builtIn;
  EXPECT_EQ(builtIn.rfind("http://", 0), 0u);
  EXPECT_EQ(rating::BuiltInRatingNamespace().back(), '/');

  CWebServiceClass defaults;
  EXPECT_EQ(defaults.GetUrl(), builtIn);
  EXPECT_EQ(defaults.GetNamespace(), rating::BuiltInRatingNamespace());
  EXPECT_EQ(defaults.GetTimeout(), 10000u);

  ::setenv(rating::kEndpointVariable, "http://rating.example:8080/svc", 1);
  ::setenv(rating::kNamespaceVariable, "urn:x/", 1);
  CWebServiceClass configured;
  EXPECT_EQ(configured.GetUrl(), "http://rating.example:8080/svc");
  EXPECT_EQ(configured.GetNamespace(), "urn:x/");
  ::unsetenv(rating::kEndpointVariable);
  ::unsetenv(rating::kNamespaceVariable);
}

TEST_F(RatingClient, ArgumentsAreCheckedBeforeAnythingIsSent) {
  LoopbackServer server([](int, const std::string&) { return Reply{Http(200, "OK", Response(""))}; });
  auto client = ClientOf(server);
  const auto queries = OneQuery();
  URLScanResult result;
  EXPECT_EQ(client->doScanURLs(queries.data(), 1, nullptr), E_POINTER);
  EXPECT_EQ(client->doScanURLs(nullptr, 1, &result), E_INVALIDARG);
  EXPECT_EQ(client->doScanURLs(queries.data(), -1, &result), E_INVALIDARG);
  EXPECT_EQ(server.Connections(), 0);
}

// ---- HTTP exchange ----------------------------------------------------

struct ExchangeCase {
  const char* name;
  rating_test::Responder responder;
  ClientError error;  // kNone: the call succeeds with the one record of id 1
  int connections;
};

TEST_F(RatingClient, StatusFramingAndRedirections) {
  const std::string good = Response(Record(1));
  const std::string fault = Envelope(
      "<soap:Fault><faultcode>soap:Server</faultcode><faultstring>Database down</faultstring>"
      "<faultactor>http://rating.test/</faultactor><detail><x>1</x></detail></soap:Fault>");
  const auto fixed = [](std::string bytes) {
    return [bytes](int, const std::string&) { return Reply{bytes}; };
  };
  const std::vector<ExchangeCase> cases = {
      {"200 with Content-Length", fixed(Http(200, "OK", good)), ClientError::kNone, 1},
      {"200 chunked", fixed(Chunked(good, 50)), ClientError::kNone, 1},
      {"200 chunked, cut short", fixed(Chunked(good, 50, false)), ClientError::kReceive, 1},
      {"200 Content-Length, cut short", fixed(Http(200, "OK", good).substr(0, 200)), ClientError::kReceive, 1},
      {"200 without a body", fixed(Http(200, "OK", "")), ClientError::kParse, 1},
      {"202", fixed(Http(202, "Accepted", "")), ClientError::kParse, 1},
      {"202 with a response", fixed(Http(202, "Accepted", good)), ClientError::kParse, 1},
      {"500 with a fault", fixed(Http(500, "Internal Server Error", fault)), ClientError::kFault, 1},
      {"500 without a fault", fixed(Http(500, "Internal Server Error", "oops")), ClientError::kFault, 1},
      {"200 with a fault", fixed(Http(200, "OK", fault)), ClientError::kFault, 1},
      {"404", fixed(Http(404, "Not Found", good)), ClientError::kServerStatus, 1},
      {"not HTTP", fixed("SSH-2.0-OpenSSH\r\n\r\n"), ClientError::kReceive, 1},
      {"closed without answer", fixed(""), ClientError::kReceive, 1},
      {"redirect",
       [good](int index, const std::string&) {
         return Reply{index == 0 ? "HTTP/1.1 302 Found\r\nLocation: /moved/here\r\nContent-Length: 0\r\n\r\n"
                                 : Http(200, "OK", good)};
       },
       ClientError::kNone, 2},
      {"redirect loop",
       fixed("HTTP/1.1 301 Moved\r\nLocation: /orbisite/OSTBService.php\r\nContent-Length: 0\r\n\r\n"),
       ClientError::kReceive, MyService::CMyServiceT::kMaxRedirects + 1},
  };
  for (const ExchangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackServer server(c.responder);
    auto client = ClientOf(server);
    const auto queries = OneQuery();
    URLScanResult result;
    result.processingtime = -1;  // untouched on failure
    const HRESULT hr = client->ScanUrls(1, queries.data(), &result);
    EXPECT_EQ(client->GetClientError(), c.error) << client->GetErrorText();
    EXPECT_EQ(server.Connections(), c.connections);
    if (c.error == ClientError::kNone) {
      EXPECT_EQ(hr, S_OK);
      EXPECT_EQ(result.processingtime, 0.25);
      ASSERT_EQ(result.urlScanResults.size(), 1u);
      EXPECT_EQ(result.urlScanResults[0], Expected(1));
    } else {
      EXPECT_EQ(hr, E_FAIL);
      EXPECT_EQ(result.processingtime, -1);
      EXPECT_TRUE(result.urlScanResults.empty());
    }
  }
}

TEST_F(RatingClient, RedirectionResendsTheSameRequestToTheNewAddress) {
  const std::string good = Response(Record(1));
  LoopbackServer server([good](int index, const std::string&) {
    return Reply{index == 0 ? "HTTP/1.1 307 Temporary Redirect\r\nLocation: /moved\r\nContent-Length: 0\r\n\r\n"
                            : Http(200, "OK", good)};
  });
  auto client = ClientOf(server);
  const auto queries = OneQuery();
  URLScanResult result;
  ASSERT_EQ(client->ScanUrls(1, queries.data(), &result), S_OK) << client->GetErrorText();
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].substr(0, 22), "POST /moved HTTP/1.1\r\n");
  EXPECT_EQ(requests[1].substr(requests[1].find("\r\n")), requests[0].substr(requests[0].find("\r\n")));
}

TEST_F(RatingClient, FaultIsRecorded) {
  LoopbackServer server([](int, const std::string&) {
    return Reply{Http(500, "Internal Server Error",
                      Envelope("<soap:Fault><faultcode>soap:Client</faultcode><faultstring>Bad &lt;url&gt;"
                               "</faultstring><faultactor>svc</faultactor></soap:Fault>"))};
  });
  auto client = ClientOf(server);
  const auto queries = OneQuery();
  URLScanResult result;
  EXPECT_EQ(client->ScanUrls(1, queries.data(), &result), E_FAIL);
  EXPECT_EQ(client->GetStatusCode(), 500);
  ASSERT_TRUE(client->GetFault().has_value());
  EXPECT_EQ(*client->GetFault(), (rating::SoapFault{u"soap:Client", u"Bad <url>", u"svc"}));
}

TEST_F(RatingClient, ServerThatNeverAnswersTimesOut) {
  LoopbackServer server([](int, const std::string&) { return Reply{"", true}; });
  auto client = ClientOf(server);
  client->SetTimeout(200);
  const auto queries = OneQuery();
  URLScanResult result;
  EXPECT_EQ(client->ScanUrls(1, queries.data(), &result), E_FAIL);
  EXPECT_EQ(client->GetClientError(), ClientError::kReceive) << client->GetErrorText();
  EXPECT_EQ(client->GetStatusCode(), 0);
}

TEST_F(RatingClient, ServerThatTricklesItsAnswerMeetsTheDeadline) {
  // Every byte comes well within the time-out, but the answer never ends.
  LoopbackServer server([](int, const std::string&) {
    return Reply{"HTTP/1.1 200 OK\r\nX-Slow: " + std::string(100000, 'a'), false, std::chrono::milliseconds(20)};
  });
  auto client = ClientOf(server);
  client->SetTimeout(1000);
  client->SetDeadline(300);
  const auto queries = OneQuery();
  URLScanResult result;
  EXPECT_EQ(client->ScanUrls(1, queries.data(), &result), E_FAIL);
  EXPECT_EQ(client->GetClientError(), ClientError::kReceive) << client->GetErrorText();
}

TEST_F(RatingClient, OversizedAnswersFail) {
  const std::vector<std::string> answers = {
      "HTTP/1.1 200 OK\r\nX-Big: " + std::string(MyService::CMyServiceT::kMaxHeaderBytes, 'h') + "\r\n\r\n",
      "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(MyService::CMyServiceT::kMaxBodyBytes + 1) +
          "\r\n\r\n",
  };
  for (const std::string& answer : answers) {
    LoopbackServer server([answer](int, const std::string&) { return Reply{answer}; });
    auto client = ClientOf(server);
    const auto queries = OneQuery();
    URLScanResult result;
    EXPECT_EQ(client->ScanUrls(1, queries.data(), &result), E_FAIL);
    EXPECT_EQ(client->GetClientError(), ClientError::kReceive) << client->GetErrorText();
  }
}

// ---- response rules ---------------------------------------------------

struct BodyCase {
  const char* name;
  std::string body;
  bool accepted;
};

TEST_F(RatingClient, AcceptanceRulesOfTheResponse) {
  const auto with = [](const std::string& field, std::optional<std::string> markup) {
    return Response(Record(1, {{field, std::move(markup)}}));
  };
  const auto with_header = [](const std::string& header) {
    std::string body = Response(Record(1));
    return body.insert(body.find("<soap:Body>"), header);
  };
  const std::string nested = Repeat("<a>", 10000) + Repeat("</a>", 10000);
  const std::string bomb =
      "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
      "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
      "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">"
      "<!ENTITY lol4 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">"
      "<!ENTITY lol5 \"&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;\">"
      "<!ENTITY lol6 \"&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;\">"
      "<!ENTITY lol7 \"&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;\">"
      "<!ENTITY lol8 \"&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;\">"
      "<!ENTITY lol9 \"&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;\">]>" +
      Response(Record(1, {{"desc", "<desc>&lol9;</desc>"}}));
  const std::string minimal =
      "<URLScanResultElement><id>1</id><SiteRating>1</SiteRating><Emails>0</Emails><Popups>0</Popups>"
      "<BrowserExploits>0</BrowserExploits></URLScanResultElement>";

  const std::vector<BodyCase> cases = {
      {"two records", Response(Record(1) + Record(2)), true},
      {"array type matching", Response(Record(1) + Record(2), " soapenc:arrayType=\"q1:URLScanResultElement[2]\""),
       true},
      {"array type announcing fewer", Response(Record(1) + Record(2) + Record(3),
                                               " soapenc:arrayType=\"q1:URLScanResultElement[2]\""), false},
      {"array type announcing more", Response(Record(1) + Record(2),
                                              " soapenc:arrayType=\"q1:URLScanResultElement[3]\""), false},
      {"array type without a count", Response(Record(1), " soapenc:arrayType=\"q1:URLScanResultElement\""), false},
      {"array type announcing too many", Response(Record(1), " soapenc:arrayType=\"q1:X[20000]\""), false},
      {"more records than the limit", Response(Repeat(minimal, rating::kMaxResultRecords + 1)), false},
      {"no urlScanResults", Envelope(std::string("<doScanURLsResponse xmlns=\"") + kNs +
                                     "\"><doScanURLsResult><processingtime>1</processingtime>"
                                     "</doScanURLsResult></doScanURLsResponse>"), true},
      {"nil urlScanResults", Response("", " xsi:nil=\"true\""), true},
      {"records in nil urlScanResults", Response(Record(1), " xsi:nil=\"true\""), false},
      {"no processingtime", Response(Record(1), "", ""), false},
      {"processingtime INF", Response(Record(1), "", "<processingtime> INF </processingtime>"), true},
      {"processingtime not a number", Response(Record(1), "", "<processingtime>fast</processingtime>"), false},
      {"nil processingtime", Response(Record(1), "", "<processingtime xsi:nil=\"1\"/>"), false},
      {"no Emails", with("Emails", std::nullopt), false},
      {"no id", with("id", std::nullopt), false},
      {"no Popups", with("Popups", std::nullopt), false},
      {"no desc", with("desc", std::nullopt), true},
      {"nil desc", with("desc", "<desc xsi:nil=\"true\"/>"), true},
      {"nil desc with text", with("desc", "<desc xsi:nil=\"true\">x</desc>"), false},
      {"no Downloads", with("Downloads", std::nullopt), true},
      {"no Links", with("Links", std::nullopt), true},
      {"nil SiteRating", with("SiteRating", "<SiteRating xsi:nil=\"1\"/>"), false},
      {"nil Links", with("Links", "<Links xsi:nil=\"1\"/>"), false},
      {"xsi:nil not a boolean", with("desc", "<desc xsi:nil=\"yes\"/>"), false},
      {"counter missing", with("Links", "<Links><Red>1</Red><Green>1</Green><Yellow>1</Yellow></Links>"), false},
      {"field twice", with("Emails", "<Emails>1</Emails><Emails>2</Emails>"), false},
      {"unknown field skipped", with("Emails", "<Emails>9</Emails><Extra><deep>1</deep></Extra>"), true},
      {"element inside a number", with("Emails", "<Emails><b>9</b></Emails>"), false},
      {"int with sign and spaces", with("Emails", "<Emails> +9\n</Emails>"), true},
      {"int too large", with("Emails", "<Emails>2147483648</Emails>"), false},
      {"int smallest", with("Emails", "<Emails>-2147483648</Emails>"), true},
      {"int with letters", with("Emails", "<Emails>9x</Emails>"), false},
      {"int empty", with("Emails", "<Emails></Emails>"), false},
      {"boolean 1", with("Popups", "<Popups>1</Popups>"), true},
      {"boolean yes", with("Popups", "<Popups>yes</Popups>"), false},
      {"boolean True", with("Popups", "<Popups>True</Popups>"), false},
      {"text between fields", with("Emails", "<Emails>9</Emails>stray"), false},
      {"other element in the records", Response(Record(1) + "<Other/>"), false},
      {"SOAP 1.2 envelope", Envelope("<x/>", "http://www.w3.org/2003/05/soap-envelope"), false},
      {"envelope without namespace",
       "<Envelope><Body><doScanURLsResponse xmlns=\"" + std::string(kNs) +
           "\"><doScanURLsResult><processingtime>1</processingtime></doScanURLsResult></doScanURLsResponse>"
           "</Body></Envelope>", false},
      {"Header in another namespace", with_header("<h:Header xmlns:h=\"urn:other\"/>"), false},
      {"Header skipped", with_header("<soap:Header><a><b/></a></soap:Header>"), true},
      {"Header after the Body", [] {
         std::string body = Response(Record(1));
         return body.insert(body.find("</soap:Envelope>"), "<soap:Header/>");
       }(), false},
      {"response in another namespace",
       Envelope("<doScanURLsResponse xmlns=\"urn:other/\"><doScanURLsResult><processingtime>1</processingtime>"
                "</doScanURLsResult></doScanURLsResponse>"), false},
      {"no result", Envelope(std::string("<doScanURLsResponse xmlns=\"") + kNs + "\"/>"), false},
      {"empty Body", Envelope(""), false},
      {"not XML", "rating: 1", false},
      {"truncated XML", Response(Record(1)).substr(0, 300), false},
      {"entity bomb", bomb, false},
      {"10000 levels deep", Envelope(std::string("<doScanURLsResponse xmlns=\"") + kNs + "\">" + nested +
                                     "</doScanURLsResponse>"), false},
  };
  for (const BodyCase& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackServer server([&c](int, const std::string&) { return Reply{Http(200, "OK", c.body)}; });
    auto client = ClientOf(server);
    const auto queries = OneQuery();
    URLScanResult result;
    const HRESULT hr = client->ScanUrls(1, queries.data(), &result);
    EXPECT_EQ(hr, c.accepted ? S_OK : E_FAIL) << client->GetErrorText();
    EXPECT_EQ(client->GetClientError(), c.accepted ? ClientError::kNone : ClientError::kParse)
        << client->GetErrorText();
  }
}

TEST_F(RatingClient, OptionalFieldsReadAsAbsentOrZero) {
  const std::string records =
      Record(1, {{"desc", std::nullopt}}) + Record(2, {{"desc", "<desc xsi:nil=\"1\"></desc>"}}) +
      Record(3, {{"Downloads", std::nullopt}, {"Links", std::nullopt}}) +
      Record(4, {{"Links", "<Links><Black>-4</Black><Yellow>-3</Yellow><Green>-2</Green><Red>-1</Red></Links>"},
                 {"desc", "<desc></desc>"}});
  LoopbackServer server([&](int, const std::string&) { return Reply{Http(200, "OK", Response(records))}; });
  auto client = ClientOf(server);
  const auto queries = OneQuery();
  URLScanResult result;
  ASSERT_EQ(client->ScanUrls(1, queries.data(), &result), S_OK) << client->GetErrorText();
  ASSERT_EQ(result.urlScanResults.size(), 4u);

  URLScanResultElement expected = Expected(1);
  expected.desc.reset();
  EXPECT_EQ(result.urlScanResults[0], expected);
  expected.id = 2;
  EXPECT_EQ(result.urlScanResults[1], expected) << "a nil description leaves every other field read";
  expected = Expected(3);
  expected.Downloads = {};
  expected.Links = {};
  EXPECT_EQ(result.urlScanResults[2], expected);
  expected = Expected(4);
  expected.Links = {-1, -2, -3, -4};
  expected.desc = u"";
  EXPECT_EQ(result.urlScanResults[3], expected);
}

}  // namespace
