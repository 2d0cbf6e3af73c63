// Runs the built rating service on a loopback port against a database
// imported from a small CSV file and talks to it with raw HTTP requests
// shaped as the toolbar sends them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/net/http_client.h"
#include "tests/support/rating_service_process.h"

namespace {

namespace fs = std::filesystem;
using quorvia::net::HttpRequest;
using quorvia::net::HttpResult;
using quorvia::net::SendHttpRequest;

constexpr char kEnvelopeNs[] = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr char kEncodingNs[] = "http://schemas.xmlsoap.org/soap/encoding/";
const std::string kNamespace = QUORVIA_RATING_NAMESPACE;

constexpr char kRatingsCsv[] =
    "\xEF\xBB\xBF"  // a byte order mark, as spreadsheet programs write
    "host,SiteRating,DownloadsRed,DownloadsGreen,DownloadsYellow,DownloadsBlack,"
    "LinksRed,LinksGreen,LinksYellow,LinksBlack,Emails,Popups,BrowserExploits,desc\r\n"
    "www.safe.example,1,0,12,1,-1,0,40,2,3,0,false,false,\"Safe, says \"\"everyone\"\" & <all>\"\r\n"
    "BAD.example,3,7,0,0,1,5,0,0,0,25,true,1,\r\n"
    "b\xC3\xBC" "cher.example,2,1,2,3,4,5,6,7,8,9,0,true,Gr\xC3\xBC" "n\r\n";

using quorvia_test::Spawn;

std::string ServiceProgram() { return quorvia_test::RatingServiceProgram(); }
std::string ReadFile(const fs::path& path) { return quorvia_test::ReadText(path); }

int WaitExit(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The text of the element's first child element of that local name.
xmlNode* Child(xmlNode* parent, const char* name) {
  for (xmlNode* n = parent ? parent->children : nullptr; n; n = n->next) {
    if (n->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(n->name), name) == 0) return n;
  }
  return nullptr;
}

std::string Text(xmlNode* node) {
  if (!node) return "(missing)";
  xmlChar* text = xmlNodeGetContent(node);
  std::string result = text ? reinterpret_cast<const char*>(text) : "";
  xmlFree(text);
  return result;
}

std::string Ns(xmlNode* node) { return node && node->ns ? reinterpret_cast<const char*>(node->ns->href) : ""; }

std::optional<std::string> Attribute(xmlNode* node, const char* name, const char* ns) {
  xmlChar* value = xmlGetNsProp(node, reinterpret_cast<const xmlChar*>(name), reinterpret_cast<const xmlChar*>(ns));
  if (!value) return std::nullopt;
  std::string result = reinterpret_cast<const char*>(value);
  xmlFree(value);
  return result;
}

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

Doc Parse(const std::string& body) {
  return Doc(xmlReadMemory(body.data(), static_cast<int>(body.size()), nullptr, nullptr, XML_PARSE_NONET));
}

// One record of an answer, every field as text; desc "(nil)" when nil.
using Record = std::map<std::string, std::string>;

// Checks the answer's envelope and array and returns its records by id.
std::map<std::string, Record> ReadScanAnswer(const std::string& body) {
  std::map<std::string, Record> records;
  Doc doc = Parse(body);
  EXPECT_TRUE(doc) << body;
  if (!doc) return records;
  xmlNode* envelope = xmlDocGetRootElement(doc.get());
  EXPECT_EQ(Ns(envelope), kEnvelopeNs);
  xmlNode* soap_body = Child(envelope, "Body");
  EXPECT_EQ(Ns(soap_body), kEnvelopeNs);
  xmlNode* response = Child(soap_body, "doScanURLsResponse");
  EXPECT_EQ(Ns(response), kNamespace);
  xmlNode* result = Child(response, "doScanURLsResult");
  EXPECT_EQ(Ns(result), kNamespace);
  std::string time = Text(Child(result, "processingtime"));
  char* end = nullptr;
  std::strtod(time.c_str(), &end);
  EXPECT_TRUE(!time.empty() && *end == '\0') << time;

  xmlNode* array = Child(result, "urlScanResults");
  EXPECT_NE(array, nullptr);
  if (!array) return records;
  int count = 0;
  for (xmlNode* item = array->children; item; item = item->next) {
    if (item->type != XML_ELEMENT_NODE) continue;
    ++count;
    EXPECT_STREQ(reinterpret_cast<const char*>(item->name), "URLScanResultElement");
    EXPECT_EQ(Ns(item), kNamespace);
    Record record;
    for (const char* field : {"SiteRating", "Emails", "Popups", "BrowserExploits"}) {
      record[field] = Text(Child(item, field));
    }
    for (const char* group : {"Downloads", "Links"}) {
      for (const char* colour : {"Red", "Green", "Yellow", "Black"}) {
        record[std::string(group) + "." + colour] = Text(Child(Child(item, group), colour));
      }
    }
    xmlNode* desc = Child(item, "desc");
    auto nil = desc ? Attribute(desc, "nil", "http://www.w3.org/2001/XMLSchema-instance") : std::nullopt;
    record["desc"] = !desc ? "(missing)" : nil && *nil == "true" ? "(nil)" : Text(desc);
    records[Text(Child(item, "id"))] = record;
  }
  // The array type names the record type through a prefix bound to the
  // service's namespace, and the count of records.
  auto type = Attribute(array, "arrayType", kEncodingNs);
  EXPECT_TRUE(type.has_value());
  if (type) {
    auto colon = type->find(':');
    EXPECT_EQ(type->substr(colon + 1), "URLScanResultElement[" + std::to_string(count) + "]");
    xmlNs* prefix = xmlSearchNs(doc.get(), array, reinterpret_cast<const xmlChar*>(type->substr(0, colon).c_str()));
    EXPECT_TRUE(prefix && kNamespace == reinterpret_cast<const char*>(prefix->href));
  }
  return records;
}

std::string FaultCode(const std::string& body) {
  Doc doc = Parse(body);
  if (!doc) return "(not XML)";
  xmlNode* fault = Child(Child(xmlDocGetRootElement(doc.get()), "Body"), "Fault");
  return Text(Child(fault, "faultcode"));
}

// An address escaped as the toolbar writes element text.
std::string Escape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c >= 0xC0 && c < 0xE0 && i + 1 < text.size()) {  // two-byte UTF-8 is enough here
      char ref[16];
      std::snprintf(ref, sizeof ref, "&#x%04X;", ((c & 0x1F) << 6) | (text[i + 1] & 0x3F));
      out += ref;
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// The body of a doScanURLs request for (Id, url) pairs; a missing url is nil.
std::string ScanBody(const std::vector<std::pair<int, std::optional<std::string>>>& queries,
                     const std::string& ns = kNamespace, std::optional<int> announced = std::nullopt) {
  std::string body =
      "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
      "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\"><soap:Body><doScanURLs xmlns=\"" +
      ns + "\"><queries xmlns:q1=\"" + ns + "\" soapenc:arrayType=\"q1:URLScanQueryElement[" +
      std::to_string(announced.value_or(static_cast<int>(queries.size()))) + "]\">";
  for (const auto& [id, url] : queries) {
    body += "<URLScanQueryElement><Id>" + std::to_string(id) + "</Id>";
    body += url ? "<url>" + Escape(*url) + "</url>" : "<url xsi:nil=\"1\"/>";
    body += "</URLScanQueryElement>";
  }
  return body + "</queries></doScanURLs></soap:Body></soap:Envelope>";
}

class RatingServiceTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorvia-rating-service-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("QUORVIA_HOME", dir_.c_str(), 1);
    unsetenv("QUORVIA_RATING_NAMESPACE");
    db_ = dir_ / "ratings.db";
    ASSERT_EQ(Import(kRatingsCsv), 0) << ReadFile(dir_ / "import.err");
    StartService();
  }

  void TearDown() override {
    if (pid_ > 0) {
      EXPECT_EQ(StopService(), 0);
    }
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  int Import(const std::string& csv) {
    const fs::path file = dir_ / ("import" + std::to_string(++imports_) + ".csv");
    std::ofstream(file, std::ios::binary) << csv;
    pid_t pid = Spawn({ServiceProgram(), "import", "--db", db_.string(), file.string()}, -1, dir_ / "import.out",
                      dir_ / "import.err");
    return pid > 0 ? WaitExit(pid) : -1;
  }

  void StartService() {
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    pid_ = Spawn({ServiceProgram(), "--db", db_.string(), "--port", "0"}, fds[1], {}, dir_ / "service.err");
    close(fds[1]);
    ASSERT_GT(pid_, 0);
    // The first line says where the service listens.
    std::string line;
    char c = 0;
    while (line.find('\n') == std::string::npos) {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 10000) <= 0 || read(fds[0], &c, 1) != 1) break;
      line += c;
    }
    close(fds[0]);
    const std::string prefix = "listening on 127.0.0.1:";
    ASSERT_TRUE(line.starts_with(prefix)) << line << ReadFile(dir_ / "service.err");
    port_ = std::stoi(line.substr(prefix.size()));
  }

  int StopService() {
    kill(pid_, SIGTERM);
    int status = WaitExit(pid_);
    pid_ = -1;
    return status;
  }

  // Posts `body` as the toolbar does: its header lines in its order. The
  // SOAPAction is the operation's unless `action` says otherwise; an empty
  // `action` leaves the header out.
  HttpResult Post(const std::string& body, std::optional<std::string> action = std::nullopt) {
    HttpRequest request;
    request.url = "http://127.0.0.1:" + std::to_string(port_) + "/orbisite/OSTBService.php";
    request.headers = {{"Host", "127.0.0.1:" + std::to_string(port_)},
                       {"Content-Length", std::to_string(body.size())},
                       {"Content-Type", "text/xml; charset=utf-8"},
                       {"User-Agent", "Microsoft-ATL-Native/8.00"}};
    if (action != "") request.headers.push_back({"SOAPAction", action.value_or("\"" + kNamespace + "doScanURLs\"")});
    request.headers.push_back({"Accept", "text/xml"});
    request.body = body;
    return SendHttpRequest(request);
  }

  fs::path dir_;
  fs::path db_;
  int imports_ = 0;
  pid_t pid_ = -1;
  int port_ = 0;
};

TEST_F(RatingServiceTest, RatesKnownSitesAndAnswersUntestedForTheRest) {
  HttpResult result = Post(ScanBody({{7, "http://www.safe.example/path?a=1&b=2"},
                                     {8, "http://bad.EXAMPLE:8080/"},
                                     {9, "http://unknown.example/"},
                                     {10, std::nullopt},
                                     {11, "http://b\xC3\xBC" "cher.example/"},
                                     {12, ""}}));
  ASSERT_TRUE(result.ok()) << result.status.message;
  EXPECT_EQ(result.response.status, 200) << result.response.body;
  ASSERT_NE(result.response.headers.Find("Content-Type"), nullptr);
  EXPECT_EQ(result.response.headers.Find("Content-Type")->rfind("text/xml", 0), 0u);

  const Record safe = {{"SiteRating", "1"}, {"Downloads.Red", "0"}, {"Downloads.Green", "12"},
                       {"Downloads.Yellow", "1"}, {"Downloads.Black", "-1"}, {"Links.Red", "0"},
                       {"Links.Green", "40"}, {"Links.Yellow", "2"}, {"Links.Black", "3"},
                       {"Emails", "0"}, {"Popups", "false"}, {"BrowserExploits", "false"},
                       {"desc", "Safe, says \"everyone\" & <all>"}};
  const Record bad = {{"SiteRating", "3"}, {"Downloads.Red", "7"}, {"Downloads.Green", "0"},
                      {"Downloads.Yellow", "0"}, {"Downloads.Black", "1"}, {"Links.Red", "5"},
                      {"Links.Green", "0"}, {"Links.Yellow", "0"}, {"Links.Black", "0"},
                      {"Emails", "25"}, {"Popups", "true"}, {"BrowserExploits", "true"}, {"desc", "(nil)"}};
  const Record books = {{"SiteRating", "2"}, {"Downloads.Red", "1"}, {"Downloads.Green", "2"},
                        {"Downloads.Yellow", "3"}, {"Downloads.Black", "4"}, {"Links.Red", "5"},
                        {"Links.Green", "6"}, {"Links.Yellow", "7"}, {"Links.Black", "8"},
                        {"Emails", "9"}, {"Popups", "false"}, {"BrowserExploits", "true"},
                        {"desc", "Gr\xC3\xBCn"}};
  const Record untested = {{"SiteRating", "0"}, {"Downloads.Red", "0"}, {"Downloads.Green", "0"},
                           {"Downloads.Yellow", "0"}, {"Downloads.Black", "0"}, {"Links.Red", "0"},
                           {"Links.Green", "0"}, {"Links.Yellow", "0"}, {"Links.Black", "0"},
                           {"Emails", "0"}, {"Popups", "false"}, {"BrowserExploits", "false"},
                           {"desc", "(nil)"}};
  const std::map<std::string, Record> expected = {{"7", safe},      {"8", bad},       {"9", untested},
                                                  {"10", untested}, {"11", books},    {"12", untested}};
  EXPECT_EQ(ReadScanAnswer(result.response.body), expected);

  // An empty request is answered with an empty array.
  result = Post(ScanBody({}));
  ASSERT_TRUE(result.ok()) << result.status.message;
  EXPECT_EQ(result.response.status, 200);
  EXPECT_TRUE(ReadScanAnswer(result.response.body).empty());

  // One log line per request, with the number of addresses and the status.
  EXPECT_EQ(StopService(), 0);
  const std::string log = ReadFile(dir_ / "service.err");
  EXPECT_NE(log.find("POST /orbisite/OSTBService.php addresses=6 status=200\n"), std::string::npos) << log;
  EXPECT_NE(log.find("POST /orbisite/OSTBService.php addresses=0 status=200\n"), std::string::npos) << log;
}

TEST_F(RatingServiceTest, BadRequestsGetASoapFault) {
  const std::string good = ScanBody({{1, "http://www.safe.example/"}});
  struct Case {
    const char* name;
    std::string body;
    std::optional<std::string> action;
    const char* code;
  };
  std::string bad_id = good;
  bad_id.replace(bad_id.find("<Id>1</Id>"), 10, "<Id>x</Id>");
  std::string other_envelope = good;
  other_envelope.replace(other_envelope.find("http://schemas.xmlsoap.org/soap/envelope/"),
                         std::strlen("http://schemas.xmlsoap.org/soap/envelope/"),
                         "http://www.w3.org/2003/05/soap-envelope");
  const Case cases[] = {
      {"not XML", "this is not a SOAP request", std::nullopt, "soap:Client"},
      {"cut short", good.substr(0, good.size() / 2), std::nullopt, "soap:Client"},
      {"SOAP 1.2 envelope", other_envelope, std::nullopt, "soap:VersionMismatch"},
      {"operation in another namespace", ScanBody({{1, "http://a.example/"}}, "http://other.example/"),
       std::nullopt, "soap:Client"},
      {"array count does not match", ScanBody({{1, "http://a.example/"}, {2, "http://b.example/"}}, kNamespace, 3),
       std::nullopt, "soap:Client"},
      {"Id not an int", bad_id, std::nullopt, "soap:Client"},
      {"entity declarations", "<!DOCTYPE x [<!ENTITY a \"aaaa\">]>" + good, std::nullopt, "soap:Client"},
      {"wrong SOAPAction", good, "\"" + kNamespace + "doSomethingElse\"", "soap:Client"},
      {"no SOAPAction", good, "", "soap:Client"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HttpResult result = Post(c.body, c.action);
    ASSERT_TRUE(result.ok()) << result.status.message;
    EXPECT_EQ(result.response.status, 500);
    EXPECT_EQ(FaultCode(result.response.body), c.code) << result.response.body;
  }
}

TEST_F(RatingServiceTest, ImportIsAllOrNothing) {
  const std::string header = "host,SiteRating,Emails\n";
  const char* bad_rows[] = {
      "later.example,1,0\nbroken.example,one,0\n",          // not a number
      "later.example,1,0\nbroken.example,1,99999999999\n",  // out of range
      "later.example,1,0\nbroken.example,1\n",              // a field missing
      "later.example,1,0\n\"broken.example,1,0\n",          // quote never closed
  };
  for (const char* rows : bad_rows) {
    SCOPED_TRACE(rows);
    EXPECT_EQ(Import(header + rows), 1);
    EXPECT_FALSE(ReadFile(dir_ / "import.err").empty());
  }
  EXPECT_EQ(Import("host,Colour\nx.example,1\n"), 1);  // unknown column
  EXPECT_EQ(Import("SiteRating\n1\n"), 1);              // no host column

  // None of the good rows before a bad one went in.
  HttpResult result = Post(ScanBody({{1, "http://later.example/"}}));
  ASSERT_TRUE(result.ok()) << result.status.message;
  EXPECT_EQ(ReadScanAnswer(result.response.body)["1"]["SiteRating"], "0");

  // A good file replaces the rating of a host that is already there.
  ASSERT_EQ(Import("host,SiteRating\nhttp://WWW.SAFE.EXAMPLE/,3\nlater.example,2\n"), 0);
  result = Post(ScanBody({{1, "http://www.safe.example/"}, {2, "http://later.example/x"}}));
  ASSERT_TRUE(result.ok()) << result.status.message;
  auto records = ReadScanAnswer(result.response.body);
  EXPECT_EQ(records["1"]["SiteRating"], "3");
  EXPECT_EQ(records["1"]["desc"], "(nil)");
  EXPECT_EQ(records["2"]["SiteRating"], "2");
}

}  // namespace
