// A scripted HTTP server on a loopback port: every connection's request is
// read whole (header and Content-Length body) and recorded, then answered
// with the raw bytes the test scripts for it.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rating_test {

struct Reply {
  std::string bytes;  // sent as they are, then the connection is closed
  bool hang = false;  // never answer: keep the connection open until the server stops
  // When positive, bytes go out one at a time with this pause between them.
  std::chrono::milliseconds trickle{0};
};

// Given the connection's index (0, 1, ...) and the request it carried.
using Responder = std::function<Reply(int index, const std::string& request)>;

class LoopbackServer {
 public:
  explicit LoopbackServer(Responder responder);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return port_; }
  std::string Url(const std::string& path) const;
  std::vector<std::string> Requests() const;
  int Connections() const { return connections_.load(); }

 private:
  void Run();
  void Serve(int fd, int index);
  bool Stopping() const { return stop_.load(); }

  Responder responder_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace rating_test
