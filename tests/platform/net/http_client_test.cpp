#include "platform/net/http_client.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "loopback_server.h"

namespace {

using quorvia::net::HttpOptions;
using quorvia::net::HttpRequest;
using quorvia::net::HttpResult;
using quorvia::net::NetError;
using quorvia::net::NetErrorName;
using quorvia::net::SendHttpRequest;
using nettest::LoopbackServer;
using nettest::SendAll;
using nettest::TargetOf;
using nettest::WaitForClose;

// Scripts for the loopback server.

// Writes `bytes` and keeps the connection open until the client leaves, so a
// client that waits for the close instead of the framing would time out.
LoopbackServer::Script AnswerAndHold(std::string bytes) {
  return [bytes](int fd, const std::string&, const std::string&) {
    SendAll(fd, bytes);
    WaitForClose(fd);
  };
}

// Writes `bytes` and closes.
LoopbackServer::Script AnswerAndClose(std::string bytes) {
  return [bytes](int fd, const std::string&, const std::string&) { SendAll(fd, bytes); };
}

std::string Status200(std::string_view body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

struct HttpCase {
  const char* name;
  LoopbackServer::Script script;
  std::string target = "/";
  HttpOptions options = {};
  NetError error = NetError::kNone;
  int status = 200;           // checked on success
  std::string body = {};      // checked on success
  int requests = 1;           // how many requests the server must have seen
};

HttpOptions Options(int timeout_ms, int deadline_ms = quorvia::net::kDefaultDeadlineMs,
                    std::size_t max_body = quorvia::net::kDefaultMaxBodyBytes) {
  HttpOptions options;
  options.timeout_ms = timeout_ms;
  options.deadline_ms = deadline_ms;
  options.max_body_bytes = max_body;
  return options;
}

std::vector<HttpCase> Cases() {
  std::vector<HttpCase> cases;
  // Every case that must finish by framing gets a short time-out, so that
  // waiting for the close instead shows up as a failure.
  const HttpOptions quick = Options(2000);

  cases.push_back({.name = "ContentLength",
                   .script = AnswerAndHold("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA"),
                   .options = quick,
                   .body = "hello"});
  cases.push_back({.name = "Chunked",
                   .script = AnswerAndHold("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                           "5;name=value\r\nhello\r\n7\r\n, world\r\nA \r\n0123456789\r\n"
                                           "0\r\nX-Trailer: dropped\r\n\r\n"),
                   .options = quick,
                   .body = "hello, world0123456789"});
  cases.push_back({.name = "ArrivingOneByteAtATime",
                   .script =
                       [](int fd, const std::string&, const std::string&) {
                         // Every line end, chunk size and CR LF pair is split across reads.
                         int one = 1;
                         ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                         const std::string answer =
                             "HTTP/1.1 200 OK\r\nX-A: 1\r\nTransfer-Encoding: chunked\r\n\r\n"
                             "3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n";
                         for (char c : answer) {
                           if (!SendAll(fd, std::string(1, c))) return;
                           std::this_thread::sleep_for(std::chrono::milliseconds(1));
                         }
                         WaitForClose(fd);
                       },
                   .options = quick,
                   .body = "abcde"});
  cases.push_back({.name = "ChunkedCutShort",
                   .script = AnswerAndClose("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel"),
                   .error = NetError::kBodyCutShort});
  cases.push_back({.name = "ChunkedWithoutLastChunk",
                   .script = AnswerAndClose("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n"),
                   .error = NetError::kBodyCutShort});
  cases.push_back({.name = "ChunkLongerThanItsSize",
                   .script = AnswerAndClose("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nhello\r\n0\r\n\r\n"),
                   .error = NetError::kMalformedResponse});
  cases.push_back({.name = "ContentLengthCutShort",
                   .script = AnswerAndClose("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello"),
                   .error = NetError::kBodyCutShort});
  cases.push_back({.name = "CloseDelimited",
                   .script = AnswerAndClose("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nuntil the end"),
                   .body = "until the end"});
  cases.push_back({.name = "InterimAnswerThenFault",
                   .script = AnswerAndHold("HTTP/1.1 100 Continue\r\n\r\n"
                                           "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\n\r\nfault"),
                   .options = quick,
                   .status = 500,
                   .body = "fault"});
  cases.push_back({.name = "NoContentHasNoBody",
                   .script = AnswerAndHold("HTTP/1.1 204 No Content\r\n\r\n"),
                   .options = quick,
                   .status = 204});
  cases.push_back({.name = "RedirectToAnotherPath",
                   .script =
                       [](int fd, const std::string& request, const std::string& base) {
                         if (TargetOf(request) == "/a") {
                           SendAll(fd, "HTTP/1.1 302 Found\r\nLocation: " + base + "/b\r\nContent-Length: 0\r\n\r\n");
                         } else {
                           SendAll(fd, Status200("at " + TargetOf(request)));
                         }
                       },
                   .target = "/a",
                   .body = "at /b",
                   .requests = 2});
  cases.push_back({.name = "RelativeLocation",
                   .script =
                       [](int fd, const std::string& request, const std::string&) {
                         if (TargetOf(request) == "/dir/page") {
                           SendAll(fd, "HTTP/1.1 301 Moved\r\nlocation: ../other/x?y=1#top\r\n\r\n");
                         } else {
                           SendAll(fd, Status200("at " + TargetOf(request)));
                         }
                       },
                   .target = "/dir/page",
                   .body = "at /other/x?y=1",
                   .requests = 2});
  cases.push_back({.name = "RedirectLoop",
                   .script = AnswerAndClose("HTTP/1.1 307 Again\r\nLocation: /loop\r\nContent-Length: 0\r\n\r\n"),
                   .target = "/loop",
                   .error = NetError::kTooManyRedirects,
                   .requests = 1 + quorvia::net::kDefaultMaxRedirects});
  cases.push_back({.name = "RedirectToHttps",
                   .script = AnswerAndClose("HTTP/1.1 302 Found\r\nLocation: https://127.0.0.1/\r\n\r\n"),
                   .error = NetError::kUnsupportedScheme});
  cases.push_back({.name = "RedirectWithoutLocationIsTheAnswer",
                   .script = AnswerAndClose("HTTP/1.1 302 Found\r\nContent-Length: 3\r\n\r\nbye"),
                   .status = 302,
                   .body = "bye"});
  cases.push_back({.name = "HeaderTooLarge",
                   .script = AnswerAndClose("HTTP/1.1 200 OK\r\nX-Big: " + std::string(70 * 1024, 'a') +
                                            "\r\nContent-Length: 0\r\n\r\n"),
                   .error = NetError::kHeaderTooLarge});
  cases.push_back({.name = "ManyHeaderLinesTooLarge",
                   .script = [](int fd, const std::string&, const std::string&) {
                     std::string head = "HTTP/1.1 200 OK\r\n";
                     for (int i = 0; i < 5000; ++i) head += "X-Line-" + std::to_string(i) + ": value\r\n";
                     SendAll(fd, head + "\r\n");
                   },
                   .error = NetError::kHeaderTooLarge});
  cases.push_back({.name = "AnnouncedBodyTooLarge",
                   .script = AnswerAndHold("HTTP/1.1 200 OK\r\nContent-Length: 9437184\r\n\r\n"),
                   .options = quick,
                   .error = NetError::kBodyTooLarge});
  cases.push_back({.name = "CloseDelimitedBodyTooLarge",
                   .script = AnswerAndClose("HTTP/1.1 200 OK\r\n\r\n" + std::string(2000, 'x')),
                   .options = Options(2000, 30000, 1000),
                   .error = NetError::kBodyTooLarge});
  cases.push_back({.name = "ChunkedBodyTooLarge",
                   .script = AnswerAndClose("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                            "300\r\n" + std::string(0x300, 'x') + "\r\n300\r\n" +
                                            std::string(0x300, 'y') + "\r\n0\r\n\r\n"),
                   .options = Options(2000, 30000, 1000),
                   .error = NetError::kBodyTooLarge});
  cases.push_back({.name = "NeverAnswers",
                   .script = [](int fd, const std::string&, const std::string&) { WaitForClose(fd); },
                   .options = Options(200),
                   .error = NetError::kTimeout});
  cases.push_back({.name = "TricklesOneByteAtATime",
                   .script =
                       [](int fd, const std::string&, const std::string&) {
                         if (!SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n")) return;
                         const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                         while (std::chrono::steady_clock::now() < end && SendAll(fd, "x")) {
                           std::this_thread::sleep_for(std::chrono::milliseconds(20));
                         }
                       },
                   .options = Options(2000, 300),
                   .error = NetError::kDeadlineExceeded});
  cases.push_back({.name = "ClosedWithoutAnswer",
                   .script = AnswerAndClose(""),
                   .error = NetError::kConnectionClosed});
  cases.push_back({.name = "BadStatusLine",
                   .script = AnswerAndClose("HTP/1.1 200 OK\r\n\r\n"),
                   .error = NetError::kMalformedResponse});
  cases.push_back({.name = "HeaderLineWithoutColon",
                   .script = AnswerAndClose("HTTP/1.1 200 OK\r\nno colon here\r\n\r\n"),
                   .error = NetError::kMalformedResponse});
  cases.push_back({.name = "ConflictingContentLengths",
                   .script = AnswerAndClose("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd"),
                   .error = NetError::kMalformedResponse});
  return cases;
}

class HttpCaseTest : public testing::TestWithParam<HttpCase> {};

TEST_P(HttpCaseTest, AnswersAsExpected) {
  const HttpCase& c = GetParam();
  LoopbackServer server(c.script);
  ASSERT_NE(server.port(), 0);

  HttpRequest request;
  request.url = server.Url(c.target);
  request.headers = {{"Host", "127.0.0.1:" + std::to_string(server.port())}, {"Content-Length", "4"}};
  request.body = "ping";
  HttpResult result = SendHttpRequest(request, c.options);

  EXPECT_EQ(NetErrorName(result.status.error), NetErrorName(c.error)) << result.status.message;
  if (c.error == NetError::kNone) {
    EXPECT_EQ(result.response.status, c.status);
    EXPECT_EQ(result.response.body, c.body);
  } else {
    EXPECT_FALSE(result.status.message.empty());
  }
  // The server records each request before it answers, so the count is
  // complete once the client has returned.
  EXPECT_EQ(static_cast<int>(server.Requests().size()), c.requests);
}

INSTANTIATE_TEST_SUITE_P(Table, HttpCaseTest, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<HttpCase>& info) { return info.param.name; });

TEST(HttpClientTest, SendsExactlyTheGivenRequestLineHeadersAndBody) {
  LoopbackServer server(AnswerAndHold(Status200("ok")));
  HttpRequest request;
  request.url = "http://localhost:" + std::to_string(server.port()) + "/orbisite/Service.php?x=1#fragment";
  request.headers = {{"Host", "localhost:" + std::to_string(server.port())},
                     {"Content-Length", "11"},
                     {"Content-Type", "text/xml; charset=utf-8"},
                     {"Zeta", "last"},
                     {"Alpha", "\"quoted\""}};
  request.body = "<a>&amp;</a>";
  request.headers[1].second = std::to_string(request.body.size());

  HttpResult result = SendHttpRequest(request);
  ASSERT_TRUE(result.ok()) << result.status.message;
  EXPECT_EQ(result.response.body, "ok");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0],
            "POST /orbisite/Service.php?x=1 HTTP/1.1\r\n"
            "Host: localhost:" + std::to_string(server.port()) + "\r\n"
            "Content-Length: 12\r\n"
            "Content-Type: text/xml; charset=utf-8\r\n"
            "Zeta: last\r\n"
            "Alpha: \"quoted\"\r\n"
            "\r\n"
            "<a>&amp;</a>");
}

TEST(HttpClientTest, RedirectToAnotherServerResendsTheRequestWithItsHost) {
  LoopbackServer target(AnswerAndClose(Status200("moved here")));
  const std::string target_url = target.Url("/new");
  LoopbackServer origin([&](int fd, const std::string&, const std::string&) {
    SendAll(fd, "HTTP/1.1 308 Permanent\r\nLocation: " + target_url + "\r\nContent-Length: 0\r\n\r\n");
  });

  HttpRequest request;
  request.url = origin.Url("/old");
  request.headers = {{"Host", "127.0.0.1:" + std::to_string(origin.port())},
                     {"Content-Length", "4"},
                     {"SOAPAction", "\"x\""}};
  request.body = "body";
  HttpResult result = SendHttpRequest(request);
  ASSERT_TRUE(result.ok()) << result.status.message;
  EXPECT_EQ(result.response.body, "moved here");
  EXPECT_EQ(result.response.url, target_url);
  EXPECT_EQ(result.response.redirects, 1);
  ASSERT_EQ(target.Requests().size(), 1u);
  EXPECT_EQ(target.Requests()[0],
            "POST /new HTTP/1.1\r\n"
            "Host: 127.0.0.1:" + std::to_string(target.port()) + "\r\n"
            "Content-Length: 4\r\n"
            "SOAPAction: \"x\"\r\n"
            "\r\n"
            "body");
}

TEST(HttpClientTest, HeadersAreFoundWithoutRegardToCaseAndKeepTheirOrder) {
  LoopbackServer server(AnswerAndHold(
      "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nX-Multi: one\r\nx-multi: two\r\n"
      "X-Folded: first\r\n  second\r\nContent-Length: 0\r\n\r\n"));
  HttpRequest request;
  request.method = "GET";
  request.url = server.Url("/");
  HttpResult result = SendHttpRequest(request, Options(2000));
  ASSERT_TRUE(result.ok()) << result.status.message;
  const auto& headers = result.response.headers;
  ASSERT_NE(headers.Find("content-type"), nullptr);
  EXPECT_EQ(*headers.Find("CONTENT-TYPE"), "text/xml");
  EXPECT_EQ(headers.FindAll("X-MULTI"), (std::vector<std::string>{"one", "two"}));
  ASSERT_NE(headers.Find("x-folded"), nullptr);
  EXPECT_EQ(*headers.Find("x-folded"), "first second");
  EXPECT_EQ(headers.Find("Location"), nullptr);
  EXPECT_EQ(headers.Fields().front().first, "Content-Type");
}

TEST(HttpClientTest, ConnectionRefused) {
  // A bound socket that does not listen: connections to its port are refused,
  // and nobody else can take the port while the test runs.
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);

  HttpRequest request;
  request.url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
  HttpResult result = SendHttpRequest(request);
  EXPECT_EQ(result.status.error, NetError::kConnectRefused) << result.status.message;
  ::close(fd);
}

TEST(HttpClientTest, RequestsThatCannotBeSent) {
  struct Case {
    std::string url;
    std::vector<quorvia::net::HttpHeaders::Field> headers;
    std::string method;
    NetError error;
  };
  const Case cases[] = {
      {"http://no-such-host.invalid/orbisite/OSTBService.php", {}, "POST", NetError::kResolveFailed},
      {"http://NO-SUCH-HOST.INVALID./", {}, "POST", NetError::kResolveFailed},
      {"https://127.0.0.1/", {}, "POST", NetError::kUnsupportedScheme},
      {"ftp://127.0.0.1/", {}, "POST", NetError::kUnsupportedScheme},
      {"127.0.0.1/path", {}, "POST", NetError::kInvalidUrl},
      {"http://user@127.0.0.1/", {}, "POST", NetError::kInvalidUrl},
      {"http://127.0.0.1:99999/", {}, "POST", NetError::kInvalidUrl},
      {"http://127.0.0.1/", {{"X-Injected", "a\r\nEvil: yes"}}, "POST", NetError::kInvalidArgument},
      {"http://127.0.0.1/", {{"Bad Name", "a"}}, "POST", NetError::kInvalidArgument},
      {"http://127.0.0.1/", {}, "PO ST", NetError::kInvalidArgument},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    HttpRequest request;
    request.url = c.url;
    request.headers = c.headers;
    request.method = c.method;
    HttpResult result = SendHttpRequest(request);
    EXPECT_EQ(NetErrorName(result.status.error), NetErrorName(c.error)) << result.status.message;
  }
}

}  // namespace
