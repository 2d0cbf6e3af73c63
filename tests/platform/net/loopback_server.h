// A scripted HTTP server on a loopback port for the network client's tests.
// It accepts connections one after another on its own thread, reads each
// request (header and "Content-Length" body) as raw bytes, records it, and
// hands the connection to the test's script, which writes whatever bytes the
// case needs: well-formed answers, broken ones, nothing at all, or one byte
// at a time.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace nettest {

// Sends all of `bytes`; false once the client has gone.
inline bool SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Waits (at most a few seconds) until the client closes its side.
inline void WaitForClose(int fd) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  char buffer[4096];
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    if (::recv(fd, buffer, sizeof buffer, 0) <= 0) return;
  }
}

// The request target of a raw request ("/path?query").
inline std::string TargetOf(const std::string& request) {
  auto first = request.find(' ');
  auto second = request.find(' ', first + 1);
  if (first == std::string::npos || second == std::string::npos) return {};
  return request.substr(first + 1, second - first - 1);
}

class LoopbackServer {
 public:
  // `fd` is the accepted connection, closed after the script returns;
  // `request` the raw bytes received; `base` "http://127.0.0.1:port".
  using Script = std::function<void(int fd, const std::string& request, const std::string& base)>;

  explicit LoopbackServer(Script script) : script_(std::move(script)) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int one = 1;
    ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listen_fd_, 16) != 0) {
      return;
    }
    socklen_t length = sizeof address;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }

  ~LoopbackServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    ::close(listen_fd_);
  }

  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  std::uint16_t port() const { return port_; }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::string Url(std::string_view target) const { return Base() + std::string(target); }

  std::vector<std::string> Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{listen_fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::string request = ReadRequest(fd);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
      }
      script_(fd, request, Base());
      ::close(fd);
    }
  }

  // Reads one request: the header up to its empty line, then as many body
  // bytes as its Content-Length says.
  static std::string ReadRequest(int fd) {
    std::string data;
    std::size_t wanted = std::string::npos;
    char buffer[4096];
    for (;;) {
      if (wanted == std::string::npos) {
        auto end = data.find("\r\n\r\n");
        if (end != std::string::npos) {
          std::size_t length = 0;
          std::size_t line = data.find("\r\n") + 2;
          while (line < end) {
            std::size_t next = data.find("\r\n", line);
            std::string header = data.substr(line, next - line);
            if (::strncasecmp(header.c_str(), "Content-Length:", 15) == 0) {
              length = std::stoul(header.substr(15));
            }
            line = next + 2;
          }
          wanted = end + 4 + length;
        }
      }
      if (wanted != std::string::npos && data.size() >= wanted) return data;
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 3000) <= 0) return data;
      ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return data;
      data.append(buffer, static_cast<std::size_t>(n));
    }
  }

  Script script_;
  int listen_fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace nettest
