#include "platform/net/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace quorvia::net {

std::string_view NetErrorName(NetError error) {
  switch (error) {
    case NetError::kNone: return "None";
    case NetError::kInvalidArgument: return "InvalidArgument";
    case NetError::kInvalidUrl: return "InvalidUrl";
    case NetError::kUnsupportedScheme: return "UnsupportedScheme";
    case NetError::kResolveFailed: return "ResolveFailed";
    case NetError::kConnectRefused: return "ConnectRefused";
    case NetError::kConnectFailed: return "ConnectFailed";
    case NetError::kTimeout: return "Timeout";
    case NetError::kDeadlineExceeded: return "DeadlineExceeded";
    case NetError::kSendFailed: return "SendFailed";
    case NetError::kReceiveFailed: return "ReceiveFailed";
    case NetError::kConnectionClosed: return "ConnectionClosed";
    case NetError::kTooManyRedirects: return "TooManyRedirects";
    case NetError::kHeaderTooLarge: return "HeaderTooLarge";
    case NetError::kBodyTooLarge: return "BodyTooLarge";
    case NetError::kMalformedResponse: return "MalformedResponse";
    case NetError::kBodyCutShort: return "BodyCutShort";
  }
  return "Unknown";
}

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, rounded up so that a wait never ends
// early; 0 once it has passed.
int RemainingMs(Clock::time_point deadline) {
  auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms > 0x7fffffff ? 0x7fffffff : static_cast<int>(ms);
}

// Waits for `events` on `fd` until `deadline`. Returns >0 when ready, 0 on
// time-out, -1 on error (errno set).
int PollUntil(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    int rc = ::poll(&p, 1, RemainingMs(deadline));
    if (rc < 0 && errno == EINTR) continue;
    return rc;
  }
}

std::string ErrnoText(int error) {
  char buffer[256];
  // The GNU strerror_r returns its text, which need not be in `buffer`.
  return ::strerror_r(error, buffer, sizeof buffer);
}

// Names under "invalid." never resolve; answering at once spares a round
// trip to the name servers.
bool IsReservedInvalidName(std::string_view host) {
  if (!host.empty() && host.back() == '.') host.remove_suffix(1);
  constexpr std::string_view kSuffix = ".invalid";
  if (host.size() == kSuffix.size() - 1) return ::strncasecmp(host.data(), "invalid", host.size()) == 0;
  if (host.size() < kSuffix.size()) return false;
  return ::strncasecmp(host.data() + host.size() - kSuffix.size(), kSuffix.data(), kSuffix.size()) == 0;
}

// One asynchronous look-up. The resolver reads the name, the service and the
// hints until it finishes, so they live in the same block as the request.
struct Lookup {
  std::string host;
  std::string service;
  addrinfo hints{};
  gaicb request{};
};

// Look-ups given up on after their time-out that the resolver could not
// cancel. They are freed once the resolver is done with them.
std::mutex& AbandonedMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::vector<Lookup*>& Abandoned() {
  static auto* list = new std::vector<Lookup*>;
  return *list;
}

void FreeLookup(Lookup* lookup) {
  if (lookup->request.ar_result) ::freeaddrinfo(lookup->request.ar_result);
  delete lookup;
}

void ReapAbandoned() {
  std::lock_guard<std::mutex> lock(AbandonedMutex());
  auto& list = Abandoned();
  for (auto it = list.begin(); it != list.end();) {
    if (::gai_error(&(*it)->request) != EAI_INPROGRESS) {
      FreeLookup(*it);
      it = list.erase(it);
    } else {
      ++it;
    }
  }
}

struct AddrInfoDeleter {
  void operator()(addrinfo* list) const {
    if (list) ::freeaddrinfo(list);
  }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoDeleter>;

NetStatus Resolve(std::string_view host, std::uint16_t port, int timeout_ms, AddrInfoList& out) {
  if (IsReservedInvalidName(host)) {
    return NetStatus::Fail(NetError::kResolveFailed,
                           "cannot resolve \"" + std::string(host) + "\": the domain is reserved as invalid");
  }
  ReapAbandoned();

  auto lookup = std::make_unique<Lookup>();
  lookup->host = std::string(host);
  lookup->service = std::to_string(port);
  lookup->hints.ai_family = AF_UNSPEC;
  lookup->hints.ai_socktype = SOCK_STREAM;
  lookup->hints.ai_protocol = IPPROTO_TCP;
  lookup->hints.ai_flags = AI_NUMERICSERV;
  lookup->request.ar_name = lookup->host.c_str();
  lookup->request.ar_service = lookup->service.c_str();
  lookup->request.ar_request = &lookup->hints;

  gaicb* requests[1] = {&lookup->request};
  int rc = ::getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr);
  if (rc != 0) {
    return NetStatus::Fail(NetError::kResolveFailed,
                           "cannot resolve \"" + lookup->host + "\": " + ::gai_strerror(rc));
  }

  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  int state = ::gai_error(&lookup->request);
  while (state == EAI_INPROGRESS) {
    int left = RemainingMs(deadline);
    if (left == 0) break;
    timespec wait{left / 1000, static_cast<long>(left % 1000) * 1000000L};
    ::gai_suspend(requests, 1, &wait);
    state = ::gai_error(&lookup->request);
  }

  if (state == EAI_INPROGRESS) {
    int cancel = ::gai_cancel(&lookup->request);
    if (cancel == EAI_NOTCANCELED) {
      // The resolver still uses the block: hand it over to be freed later.
      std::lock_guard<std::mutex> lock(AbandonedMutex());
      Abandoned().push_back(lookup.release());
    } else {
      FreeLookup(lookup.release());
    }
    return NetStatus::Fail(NetError::kTimeout, "resolving \"" + std::string(host) + "\" took longer than " +
                                                   std::to_string(timeout_ms) + " ms");
  }
  if (state != 0) {
    std::string text = state == EAI_SYSTEM ? std::string("system error") : std::string(::gai_strerror(state));
    FreeLookup(lookup.release());
    return NetStatus::Fail(NetError::kResolveFailed, "cannot resolve \"" + std::string(host) + "\": " + text);
  }
  out.reset(lookup->request.ar_result);
  lookup->request.ar_result = nullptr;
  return NetStatus::Ok();
}

std::string AddressText(const addrinfo* ai) {
  char host[NI_MAXHOST];
  if (::getnameinfo(ai->ai_addr, ai->ai_addrlen, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) {
    return "?";
  }
  return host;
}

NetStatus ConnectFailure(int error, const std::string& where) {
  NetError code = NetError::kConnectFailed;
  if (error == ECONNREFUSED) code = NetError::kConnectRefused;
  if (error == ETIMEDOUT) code = NetError::kTimeout;
  return NetStatus::Fail(code, "connecting to " + where + ": " + ErrnoText(error));
}

}  // namespace

Socket::~Socket() { Close(); }

Socket::Socket(Socket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void Socket::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

NetStatus Socket::Connect(std::string_view host, std::uint16_t port, int timeout_ms, int total_ms) {
  Close();
  if (host.empty()) return NetStatus::Fail(NetError::kInvalidArgument, "no host name");
  for (char c : host) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) {
      return NetStatus::Fail(NetError::kInvalidArgument, "host name with a space or control character");
    }
  }
  if (port == 0) return NetStatus::Fail(NetError::kInvalidArgument, "port 0");
  if (timeout_ms <= 0) return NetStatus::Fail(NetError::kInvalidArgument, "time-out not positive");

  const auto start = Clock::now();
  const auto overall = start + std::chrono::milliseconds(total_ms > 0 ? total_ms : 0);
  auto bound = [&](int ms) { return total_ms > 0 ? std::min(ms, RemainingMs(overall)) : ms; };

  AddrInfoList addresses;
  int resolve_ms = bound(timeout_ms);
  if (resolve_ms <= 0) return NetStatus::Fail(NetError::kTimeout, "no time left to connect");
  NetStatus status = Resolve(host, port, resolve_ms, addresses);
  if (!status) return status;

  const auto deadline = Clock::now() + std::chrono::milliseconds(bound(timeout_ms));
  NetStatus last = NetStatus::Fail(NetError::kResolveFailed, "\"" + std::string(host) + "\" has no address");
  for (const addrinfo* ai = addresses.get(); ai; ai = ai->ai_next) {
    const std::string where = AddressText(ai) + " port " + std::to_string(port);
    if (RemainingMs(deadline) == 0) {
      last = NetStatus::Fail(NetError::kTimeout,
                             "connecting to " + where + " timed out");
      break;
    }
    int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0) {
      last = ConnectFailure(errno, where);
      continue;
    }
    int rc = ::connect(fd, ai->ai_addr, ai->ai_addrlen);
    int error = rc == 0 ? 0 : errno;
    if (rc != 0 && (error == EINPROGRESS || error == EINTR)) {
      int ready = PollUntil(fd, POLLOUT, deadline);
      if (ready == 0) {
        ::close(fd);
        last = NetStatus::Fail(NetError::kTimeout,
                               "connecting to " + where + " timed out");
        break;
      }
      if (ready < 0) {
        error = errno;
      } else {
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
      }
    }
    if (error == 0) {
      fd_ = fd;
      return NetStatus::Ok();
    }
    ::close(fd);
    last = ConnectFailure(error, where);
  }
  return last;
}

NetStatus Socket::Send(std::string_view data, int timeout_ms) {
  if (fd_ < 0) return NetStatus::Fail(NetError::kSendFailed, "not connected");
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms > 0 ? timeout_ms : 0);
  while (!data.empty()) {
    ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      return NetStatus::Fail(NetError::kSendFailed, "sending: " + ErrnoText(errno));
    }
    int ready = PollUntil(fd_, POLLOUT, deadline);
    if (ready == 0) {
      return NetStatus::Fail(NetError::kTimeout,
                             "sending took longer than " + std::to_string(timeout_ms) + " ms");
    }
    if (ready < 0) return NetStatus::Fail(NetError::kSendFailed, "sending: " + ErrnoText(errno));
  }
  return NetStatus::Ok();
}

NetStatus Socket::Receive(char* buffer, std::size_t capacity, std::size_t& received, int timeout_ms) {
  received = 0;
  if (fd_ < 0) return NetStatus::Fail(NetError::kReceiveFailed, "not connected");
  if (capacity == 0) return NetStatus::Fail(NetError::kInvalidArgument, "no room to receive into");
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms > 0 ? timeout_ms : 0);
  for (;;) {
    ssize_t n = ::recv(fd_, buffer, capacity, 0);
    if (n >= 0) {
      received = static_cast<std::size_t>(n);
      return NetStatus::Ok();
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      return NetStatus::Fail(NetError::kReceiveFailed, "receiving: " + ErrnoText(errno));
    }
    int ready = PollUntil(fd_, POLLIN, deadline);
    if (ready == 0) {
      return NetStatus::Fail(NetError::kTimeout,
                             "no data within " + std::to_string(timeout_ms) + " ms");
    }
    if (ready < 0) return NetStatus::Fail(NetError::kReceiveFailed, "receiving: " + ErrnoText(errno));
  }
}

}  // namespace quorvia::net
