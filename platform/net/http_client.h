// The HTTP/1.1 client that carries the rating exchange.
//
// The caller gives the method, the address, the header lines and the body;
// the client sends the request line "METHOD target HTTP/1.1", exactly those
// header lines in their order, an empty line and the body. It adds no header
// of its own and uses no proxy. Only "http:" addresses are served; "https:"
// and every other scheme fail with kUnsupportedScheme.
//
// Each call opens a fresh connection and closes it before returning.
//
// Redirections: a 301, 302, 303, 307 or 308 answer with a non-empty
// "Location" is followed, absolute or relative to the address that answered
// it, by sending the same method, header lines and body to the new address.
// When the new address names another host or port, the value of a "Host"
// header line is replaced by that authority, in place. At most
// `HttpOptions::max_redirects` hops are followed; one more fails the call with
// kTooManyRedirects. A redirection answer without "Location" is returned as
// it is.
//
// Response bodies are read as the response frames them: "Transfer-Encoding"
// ending in "chunked" (chunk extensions and trailers are read and dropped),
// else "Content-Length", else until the server closes. HEAD requests and
// 1xx, 204 and 304 answers have no body; interim 1xx answers are skipped.
//
// Limits, all in HttpOptions:
//   timeout_ms       each network operation (resolve, connect, each send,
//                    each receive): 10000 ms. Past it: kTimeout.
//   deadline_ms      the whole call, redirections included: 30000 ms. A
//                    server that keeps trickling bytes cannot hold the
//                    caller longer. Past it: kDeadlineExceeded.
//   max_redirects    5 hops.
//   max_header_bytes 64 KiB for the status line and header of one answer
//                    (and again for the trailer of a chunked body). Past it:
//                    kHeaderTooLarge.
//   max_body_bytes   8 MiB of (decoded) body. A larger "Content-Length"
//                    fails before the body is read. Past it: kBodyTooLarge.
// Other failures: kInvalidUrl, kInvalidArgument (a method that is not a
// token, a header name that is not a token, CR or LF in a header value),
// kResolveFailed, kConnectRefused, kConnectFailed, kSendFailed,
// kReceiveFailed, kConnectionClosed (closed before a complete header),
// kMalformedResponse, kBodyCutShort (closed inside a chunked or
// "Content-Length" body).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/api.h"
#include "platform/net/http_url.h"
#include "platform/net/net_error.h"
#include "platform/net/socket.h"

namespace quorvia::net {

constexpr int kDefaultDeadlineMs = 30000;
constexpr int kDefaultMaxRedirects = 5;
constexpr std::size_t kDefaultMaxHeaderBytes = 64 * 1024;
constexpr std::size_t kDefaultMaxBodyBytes = 8 * 1024 * 1024;

// Header lines in the order they came, looked up by name without regard to
// ASCII case.
class QUORVIA_PLATFORM_API HttpHeaders {
 public:
  using Field = std::pair<std::string, std::string>;

  void Add(std::string name, std::string value);
  // The value of the first line of that name, or null.
  const std::string* Find(std::string_view name) const;
  // The values of every line of that name, in order.
  std::vector<std::string> FindAll(std::string_view name) const;
  bool Contains(std::string_view name) const { return Find(name) != nullptr; }

  const std::vector<Field>& Fields() const { return fields_; }
  std::size_t size() const { return fields_.size(); }
  bool empty() const { return fields_.empty(); }

 private:
  std::vector<Field> fields_;
};

struct HttpRequest {
  std::string method = "POST";
  std::string url;                     // "http://host[:port]/path"
  std::vector<HttpHeaders::Field> headers;  // sent as "Name: value", in this order
  std::string body;
};

struct HttpOptions {
  int timeout_ms = kDefaultTimeoutMs;
  int deadline_ms = kDefaultDeadlineMs;
  int max_redirects = kDefaultMaxRedirects;
  std::size_t max_header_bytes = kDefaultMaxHeaderBytes;
  std::size_t max_body_bytes = kDefaultMaxBodyBytes;
};

struct HttpResponse {
  int status = 0;
  std::string reason;
  HttpHeaders headers;
  std::string body;
  std::string url;     // the address that gave this answer, after redirections
  int redirects = 0;   // hops followed
};

// The outcome of a call: on success `status.ok()` and the final answer in
// `response`, whatever its status code; on failure the error and its text,
// and `response` says nothing.
struct HttpResult {
  NetStatus status;
  HttpResponse response;

  bool ok() const { return status.ok(); }
};

// Sends `request` and reads the answer as described at the top of this file.
QUORVIA_PLATFORM_API HttpResult SendHttpRequest(const HttpRequest& request, const HttpOptions& options = {});

}  // namespace quorvia::net
