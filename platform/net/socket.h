// A TCP client socket whose every operation is bounded by a time-out.
//
// The descriptor is non-blocking underneath: connect, send and receive wait
// with poll() for at most the time-out they are given, so a silent or dead
// peer never holds the calling thread longer than that. Name resolution is
// bounded the same way. Writing to a connection the peer has closed reports
// kSendFailed instead of raising SIGPIPE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"
#include "platform/net/net_error.h"

namespace quorvia::net {

// The product's time-out for one network operation, in milliseconds.
constexpr int kDefaultTimeoutMs = 10000;

class QUORVIA_PLATFORM_API Socket {
 public:
  Socket() = default;
  ~Socket();
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // Resolves `host` (a name or a numeric IPv4/IPv6 address, without
  // brackets) with the system resolver within `timeout_ms`, then connects to
  // its addresses in the resolver's order until one accepts, all within a
  // second `timeout_ms`. Closes any connection this socket held before.
  // Errors: kInvalidArgument (empty host or one with spaces or control
  // characters, port 0, time-out not positive), kResolveFailed (also at once
  // for names under the reserved ".invalid" domain), kTimeout,
  // kConnectRefused (every address refused), kConnectFailed.
  // `total_ms` > 0 bounds resolution and connection together as well; a
  // call that runs out of it fails with kTimeout.
  NetStatus Connect(std::string_view host, std::uint16_t port, int timeout_ms, int total_ms = 0);

  // Sends every byte of `data`; the whole send must finish within
  // `timeout_ms`. Errors: kTimeout, kSendFailed (also when not connected).
  NetStatus Send(std::string_view data, int timeout_ms);

  // Waits up to `timeout_ms` for data and reads at most `capacity` bytes into
  // `buffer`; `received` is the number read, 0 when the peer has closed its
  // side. Errors: kTimeout, kReceiveFailed (also when not connected).
  NetStatus Receive(char* buffer, std::size_t capacity, std::size_t& received, int timeout_ms);

  // Closes the connection; harmless when none is open.
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }

 private:
  int fd_ = -1;
};

}  // namespace quorvia::net
