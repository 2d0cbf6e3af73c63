#include "platform/net/http_url.h"

#include <gtest/gtest.h>

namespace {

using quorvia::net::HttpUrl;
using quorvia::net::NetError;
using quorvia::net::NetErrorName;
using quorvia::net::ParseHttpUrl;
using quorvia::net::ResolveHttpUrl;

TEST(HttpUrlTest, ParsesHostPortAndTarget) {
  struct Case {
    const char* text;
    const char* host;
    int port;
    const char* target;
    const char* authority;
  };
  const Case cases[] = {
      {"http://ratings.example/orbisite/OSTBService.php", "ratings.example", 80, "/orbisite/OSTBService.php",
       "ratings.example"},
      {"HTTP://Host.Example:8080", "Host.Example", 8080, "/", "Host.Example:8080"},
      {"http://h:80?q=1#frag", "h", 80, "/?q=1", "h"},
      {"http://h:/a#b?c", "h", 80, "/a", "h"},
      {"http://[::1]:9000/x", "::1", 9000, "/x", "[::1]:9000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    HttpUrl url;
    ASSERT_TRUE(ParseHttpUrl(c.text, url).ok());
    EXPECT_EQ(url.host, c.host);
    EXPECT_EQ(url.port, c.port);
    EXPECT_EQ(url.target, c.target);
    EXPECT_EQ(url.Authority(), c.authority);
  }
}

TEST(HttpUrlTest, RejectsWhatItCannotServe) {
  struct Case {
    const char* text;
    NetError error;
  };
  const Case cases[] = {
      {"https://h/", NetError::kUnsupportedScheme}, {"mailto:a@b", NetError::kUnsupportedScheme},
      {"/relative", NetError::kInvalidUrl},         {"http:/h", NetError::kInvalidUrl},
      {"http://", NetError::kInvalidUrl},           {"http://:80/", NetError::kInvalidUrl},
      {"http://h:0/", NetError::kInvalidUrl},       {"http://h:65536/", NetError::kInvalidUrl},
      {"http://h:8x/", NetError::kInvalidUrl},      {"http://u:p@h/", NetError::kInvalidUrl},
      {"http://h /", NetError::kInvalidUrl},        {"http://[::1/", NetError::kInvalidUrl},
      {"http://h\r\nX: y/", NetError::kInvalidUrl},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    HttpUrl url;
    EXPECT_EQ(NetErrorName(ParseHttpUrl(c.text, url).error), NetErrorName(c.error));
  }
}

TEST(HttpUrlTest, ResolvesLocationsAgainstTheAnsweringAddress) {
  HttpUrl base;
  ASSERT_TRUE(ParseHttpUrl("http://a.example:81/dir/sub/page?old=1", base).ok());
  struct Case {
    const char* reference;
    const char* expected;
  };
  const Case cases[] = {
      {"http://b.example/x", "http://b.example/x"},
      {"//c.example:82/y", "http://c.example:82/y"},
      {"/abs/path?q", "http://a.example:81/abs/path?q"},
      {"other", "http://a.example:81/dir/sub/other"},
      {"../up?z=2#frag", "http://a.example:81/dir/up?z=2"},
      {"../../../../top", "http://a.example:81/top"},
      {"./same/./x/../y", "http://a.example:81/dir/sub/same/y"},
      {"?new=2", "http://a.example:81/dir/sub/page?new=2"},
      {"", "http://a.example:81/dir/sub/page?old=1"},
      {"/a/b/..", "http://a.example:81/a/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reference);
    HttpUrl url;
    ASSERT_TRUE(ResolveHttpUrl(base, c.reference, url).ok());
    EXPECT_EQ(url.ToString(), c.expected);
  }
  HttpUrl url;
  EXPECT_EQ(ResolveHttpUrl(base, "https://secure.example/", url).error, NetError::kUnsupportedScheme);
  EXPECT_EQ(ResolveHttpUrl(base, "/with space", url).error, NetError::kInvalidUrl);
}

}  // namespace
