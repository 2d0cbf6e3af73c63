// Failures of the network client: one code per kind of failure, with a text
// that says what happened in words a log reader understands.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/api.h"

namespace quorvia::net {

enum class NetError {
  kNone = 0,
  kInvalidArgument,      // a request that cannot be sent as given (bad header, bad host, ...)
  kInvalidUrl,           // an address that is not "http://host[:port][/path][?query]"
  kUnsupportedScheme,    // https and every other scheme but http
  kResolveFailed,        // the host name has no address
  kConnectRefused,       // every address of the host refused the connection
  kConnectFailed,        // the connection failed for another reason (unreachable, ...)
  kTimeout,              // one operation (resolve, connect, send, receive) ran out of time
  kDeadlineExceeded,     // the whole call ran out of time
  kSendFailed,           // the connection broke while sending
  kReceiveFailed,        // the connection broke while receiving
  kConnectionClosed,     // the server closed before a complete response header
  kTooManyRedirects,     // more redirections than allowed
  kHeaderTooLarge,       // the response header exceeded its limit
  kBodyTooLarge,         // the response body exceeded its limit
  kMalformedResponse,    // the response does not follow HTTP/1.1
  kBodyCutShort,         // the connection closed before the announced body was complete
};

// The code's name, e.g. "ConnectRefused".
QUORVIA_PLATFORM_API std::string_view NetErrorName(NetError error);

// The outcome of one operation: kNone and no text on success.
struct NetStatus {
  NetError error = NetError::kNone;
  std::string message;

  bool ok() const { return error == NetError::kNone; }
  explicit operator bool() const { return ok(); }

  static NetStatus Ok() { return {}; }
  static NetStatus Fail(NetError e, std::string text) { return {e, std::move(text)}; }
};

}  // namespace quorvia::net
