#include "loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

namespace rating_test {

namespace {

constexpr int kPollMs = 20;

// The body length a request announces; 0 without Content-Length.
std::size_t ContentLength(const std::string& header) {
  std::string lower;
  for (char c : header) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::size_t at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return static_cast<std::size_t>(std::strtoul(header.c_str() + at + 17, nullptr, 10));
}

}  // namespace

LoopbackServer::LoopbackServer(Responder responder) : responder_(std::move(responder)) {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (listen_fd_ < 0 || ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listen_fd_, 16) != 0 ||
      ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

LoopbackServer::~LoopbackServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listen_fd_ >= 0) ::close(listen_fd_);
}

std::string LoopbackServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void LoopbackServer::Run() {
  while (!Stopping()) {
    pollfd waiting{listen_fd_, POLLIN, 0};
    if (::poll(&waiting, 1, kPollMs) <= 0) continue;
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    Serve(fd, connections_++);
    ::close(fd);
  }
}

void LoopbackServer::Serve(int fd, int index) {
  std::string request;
  std::size_t wanted = std::string::npos;
  while (!Stopping() && request.size() < wanted) {
    pollfd readable{fd, POLLIN, 0};
    if (::poll(&readable, 1, kPollMs) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.append(buffer, static_cast<std::size_t>(n));
    if (wanted == std::string::npos) {
      const std::size_t end = request.find("\r\n\r\n");
      if (end != std::string::npos) wanted = end + 4 + ContentLength(request.substr(0, end + 2));
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
  }
  const Reply reply = responder_(index, request);
  if (reply.hang) {
    while (!Stopping()) ::usleep(kPollMs * 1000);
    return;
  }
  if (reply.trickle.count() > 0) {
    for (char c : reply.bytes) {
      if (Stopping() || ::send(fd, &c, 1, MSG_NOSIGNAL) != 1) return;
      std::this_thread::sleep_for(reply.trickle);
    }
    return;
  }
  std::size_t sent = 0;
  while (sent < reply.bytes.size()) {
    const ssize_t n = ::send(fd, reply.bytes.data() + sent, reply.bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

}  // namespace rating_test
