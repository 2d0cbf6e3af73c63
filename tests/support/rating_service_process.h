// The reference rating service (quorvia-rating-service) for tests and
// benchmarks: a ratings database imported from CSV text, the service run on
// a free loopback port, and a proxy in front of it that records every
// request and can make chosen requests fail.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/core/rating/service/loopback_server.h"

namespace quorvia_test {

// The path of the service program: $QUORVIA_TEST_BIN/quorvia-rating-service
// when it is there, else the one this build made.
std::string RatingServiceProgram();

// The whole file; empty when it cannot be read.
std::string ReadText(const std::filesystem::path& path);

// Starts program (args[0]) with args; standard output to out_fd, or to the
// file out when out_fd is negative; standard error to the file err. -1 when
// it cannot be started.
pid_t Spawn(const std::vector<std::string>& args, int out_fd, const std::filesystem::path& out,
            const std::filesystem::path& err);

// The service's own path on its host.
inline constexpr char kRatingServicePath[] = "/orbisite/OSTBService.php";

class RatingServiceProcess {
 public:
  // Imports csv (the columns of tools/rating-service/rating_store.h) into
  // a new database in folder and starts the service on it. Null, with the
  // reason in error, when either step fails.
  static std::unique_ptr<RatingServiceProcess> Start(const std::string& folder, const std::string& csv,
                                                     std::string& error);
  // Stops the service when it still runs.
  ~RatingServiceProcess();
  RatingServiceProcess(const RatingServiceProcess&) = delete;
  RatingServiceProcess& operator=(const RatingServiceProcess&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:PORT/orbisite/OSTBService.php"
  std::string Endpoint() const;

  // Stops the service (SIGTERM) and returns its exit status; its port is
  // closed afterwards.
  int Stop();

  // The request lines of the service's log (one per request it answered).
  std::vector<std::string> LoggedRequests() const;
  // Waits (up to ten seconds) until the log holds at least count request
  // lines; the service writes a request's line just after its answer.
  bool WaitForLoggedRequests(std::size_t count) const;

 private:
  RatingServiceProcess() = default;

  std::string folder_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// One address of a doScanURLs request.
struct ScanQuery {
  int id = 0;
  std::string url;
};

// The queries of a doScanURLs request body, in order (XML references in
// the addresses resolved).
std::vector<ScanQuery> ParseScanQueries(const std::string& body);

// A loopback HTTP server that hands every request on to the service and
// its answer back, recording the queries of each. Requests about the
// displayed site (one query with Id 0) and requests about result links
// (all others) can each be made to fail instead.
class ServiceProxy {
 public:
  enum class Failure {
    kNone,
    kFault,  // a SOAP fault with status 500
    kDrop,   // the connection is closed without an answer
  };

  // target: the service's endpoint address.
  explicit ServiceProxy(std::string target);

  // "http://127.0.0.1:PORT/orbisite/OSTBService.php"
  std::string Endpoint() const;

  void FailSiteRequests(Failure failure);
  void FailLinkRequests(Failure failure);

  // The queries of every request received, in order.
  std::vector<std::vector<ScanQuery>> Requests() const;
  std::size_t RequestCount() const;
  // How many of them went on to the service.
  std::size_t ForwardedCount() const;

 private:
  rating_test::Reply Answer(const std::string& request);

  std::string target_;
  mutable std::mutex mutex_;
  Failure site_failure_ = Failure::kNone;
  Failure link_failure_ = Failure::kNone;
  std::vector<std::vector<ScanQuery>> requests_;
  std::size_t forwarded_ = 0;
  rating_test::LoopbackServer server_;  // last: stops before the rest goes
};

}  // namespace quorvia_test
