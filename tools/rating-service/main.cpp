// quorvia-rating-service: the rating web service (doScanURLs over SOAP 1.1),
// answering from an SQLite database of site ratings.
//
//   quorvia-rating-service [serve] --db PATH [--listen ADDRESS] [--port PORT]
//                                  [--namespace URI]
//   quorvia-rating-service import --db PATH FILE.csv
//
// serve: answers POST requests on /orbisite/OSTBService.php. ADDRESS
// defaults to 127.0.0.1; PORT 0 (the default) takes a free port. Once
// listening it prints "listening on ADDRESS:PORT" on standard output, and
// for every request one line on standard error: time, method, path, number
// of addresses, status. SIGTERM or SIGINT stop it with exit status 0.
// The namespace defaults to $QUORVIA_RATING_NAMESPACE, else the built-in
// one, and must end in "/".
//
// import: creates the database when needed and files every row of the CSV
// file (see rating_store.h for the columns); all rows or none.
//
// Exit status: 0 success, 1 failure, 2 bad command line.
#include <httplib.h>
#include <libxml/parser.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "tools/rating-service/rating_store.h"
#include "tools/rating-service/soap_service.h"

#ifndef QUORVIA_RATING_NAMESPACE
#error "QUORVIA_RATING_NAMESPACE must name the service's namespace URI"
#endif

namespace {

using quorvia::rating_service::ImportCsv;
using quorvia::rating_service::RatingStore;
using quorvia::rating_service::SoapAnswer;
using quorvia::rating_service::SoapService;

constexpr const char* kUsage =
    "usage: quorvia-rating-service [serve] --db PATH [--listen ADDRESS] [--port PORT] [--namespace URI]\n"
    "       quorvia-rating-service import --db PATH FILE.csv\n";

struct CommandLine {
  std::string command = "serve";
  std::string db;
  std::string listen = "127.0.0.1";
  int port = 0;
  std::string target_namespace;
  std::vector<std::string> files;
};

int UsageError(const std::string& text) {
  std::cerr << "quorvia-rating-service: " << text << "\n" << kUsage;
  return 2;
}

// Parses the arguments; returns -1 on success, else the exit status.
int ParseCommandLine(int argc, char** argv, CommandLine& line) {
  const char* env_namespace = std::getenv("QUORVIA_RATING_NAMESPACE");
  line.target_namespace = env_namespace && *env_namespace ? env_namespace : QUORVIA_RATING_NAMESPACE;

  std::vector<std::string> args(argv + 1, argv + argc);
  std::size_t i = 0;
  if (i < args.size() && (args[i] == "serve" || args[i] == "import")) line.command = args[i++];
  for (; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (!arg.starts_with("--")) {
      line.files.push_back(arg);
      continue;
    }
    std::string value;
    auto equals = arg.find('=');
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
      arg.resize(equals);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return UsageError(arg + " needs a value");
    }
    if (arg == "--db") {
      line.db = value;
    } else if (arg == "--listen") {
      line.listen = value;
    } else if (arg == "--namespace") {
      line.target_namespace = value;
    } else if (arg == "--port") {
      char* end = nullptr;
      long port = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || port < 0 || port > 65535) return UsageError("bad port " + value);
      line.port = static_cast<int>(port);
    } else {
      return UsageError("unknown option " + arg);
    }
  }
  if (line.db.empty()) return UsageError("--db is required");
  if (line.command == "import" && line.files.size() != 1) return UsageError("import takes one CSV file");
  if (line.command == "serve" && !line.files.empty()) return UsageError("unexpected argument " + line.files[0]);
  if (line.target_namespace.empty() || line.target_namespace.back() != '/') {
    return UsageError("the namespace must end in \"/\"");
  }
  return -1;
}

int Import(const CommandLine& line) {
  int imported = 0;
  std::string error;
  if (!ImportCsv(line.db, line.files[0], imported, error)) {
    std::cerr << "quorvia-rating-service: " << error << "\n";
    return 1;
  }
  std::cout << "imported " << imported << " ratings into " << line.db << "\n";
  return 0;
}

std::string Now() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis));
  return text;
}

// Addresses asked about by the request the current thread is answering;
// read by the log line, which the server writes on the same thread.
thread_local std::size_t t_addresses = 0;

int Serve(const CommandLine& line) {
  std::string error;
  std::unique_ptr<RatingStore> store = RatingStore::Open(line.db, error);
  if (!store) {
    std::cerr << "quorvia-rating-service: " << error << "\n";
    return 1;
  }
  SoapService service(*store, line.target_namespace);

  // The signals are taken by a thread of their own; every other thread,
  // those of the server included, inherits the blocked mask.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  httplib::Server server;
  server.set_payload_max_length(4 * 1024 * 1024);
  server.set_keep_alive_timeout(2);
  server.set_read_timeout(10);
  server.set_write_timeout(10);

  const std::string path_pattern = "/orbisite/OSTBService\\.php";
  server.Post(path_pattern, [&](const httplib::Request& request, httplib::Response& response) {
    const std::string* action = nullptr;
    std::string action_value;
    if (request.has_header("SOAPAction")) {
      action_value = request.get_header_value("SOAPAction");
      action = &action_value;
    }
    SoapAnswer answer = service.Handle(action, request.body);
    t_addresses = answer.addresses;
    response.status = answer.status;
    response.set_content(answer.body, "text/xml; charset=utf-8");
  });
  server.Get(path_pattern, [](const httplib::Request&, httplib::Response& response) {
    response.status = 405;
    response.set_header("Allow", "POST");
    response.set_content("doScanURLs is called with POST\n", "text/plain");
  });
  server.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
    response.status = 500;
    response.set_content(quorvia::rating_service::WriteFault("Server", "internal error"),
                         "text/xml; charset=utf-8");
  });
  server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
    std::fprintf(stderr, "%s %s %s addresses=%zu status=%d\n", Now().c_str(), request.method.c_str(),
                 request.path.c_str(), t_addresses, response.status);
    std::fflush(stderr);
    t_addresses = 0;
  });

  int port = line.port;
  if (port == 0) {
    port = server.bind_to_any_port(line.listen);
    if (port < 0) port = 0;
  } else if (!server.bind_to_port(line.listen, port)) {
    port = 0;
  }
  if (port == 0) {
    std::cerr << "quorvia-rating-service: cannot listen on " << line.listen << " port " << line.port << "\n";
    return 1;
  }
  const std::string shown = line.listen.find(':') != std::string::npos ? "[" + line.listen + "]" : line.listen;
  std::cout << "listening on " << shown << ":" << port << std::endl;
  std::cerr << "endpoint http://" << shown << ":" << port << quorvia::rating_service::kEndpointPath
            << " namespace " << line.target_namespace << std::endl;

  std::atomic<bool> stop_requested{false};
  std::atomic<bool> finished{false};
  std::thread waiter([&] {
    int signal = 0;
    sigwait(&stop_signals, &signal);
    if (finished) return;
    stop_requested = true;
    // stop() has no effect until the accept loop runs; repeat until it ends.
    while (!finished) {
      server.stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });

  bool ok = server.listen_after_bind();
  finished = true;
  if (!stop_requested) pthread_kill(waiter.native_handle(), SIGTERM);  // wakes the waiter
  waiter.join();
  return ok || stop_requested ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine line;
  int status = ParseCommandLine(argc, argv, line);
  if (status >= 0) return status;
  xmlInitParser();
  status = line.command == "import" ? Import(line) : Serve(line);
  xmlCleanupParser();
  return status;
}
