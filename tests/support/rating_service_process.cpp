#include "tests/support/rating_service_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/net/http_client.h"

extern char** environ;

namespace quorvia_test {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Starts program with args; standard output to out_fd (or the file out),
// standard error to the file err. -1 when it cannot be started.
pid_t Spawn(const std::vector<std::string>& args, int out_fd, const fs::path& out, const fs::path& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out_fd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

namespace {

int WaitExit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string UnescapeXml(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t end = text[i] == '&' ? text.find(';', i) : std::string::npos;
    if (end == std::string::npos) {
      out += text[i];
      continue;
    }
    const std::string name = text.substr(i + 1, end - i - 1);
    if (name == "amp") out += '&';
    else if (name == "lt") out += '<';
    else if (name == "gt") out += '>';
    else if (name == "quot") out += '"';
    else if (name == "apos") out += '\'';
    else if (name.size() > 1 && name[0] == '#') {
      const unsigned long code =
          name[1] == 'x' ? std::strtoul(name.c_str() + 2, nullptr, 16) : std::strtoul(name.c_str() + 1, nullptr, 10);
      if (code < 0x80) {
        out += static_cast<char>(code);
      } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
      } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
      } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
      }
    } else {
      out += text.substr(i, end - i + 1);
    }
    i = end;
  }
  return out;
}

// The text between the first open and close after from; npos-safe.
bool Between(const std::string& text, const std::string& open, const std::string& close, std::size_t& from,
             std::string& out) {
  const std::size_t start = text.find(open, from);
  if (start == std::string::npos) return false;
  const std::size_t end = text.find(close, start + open.size());
  if (end == std::string::npos) return false;
  out = text.substr(start + open.size(), end - start - open.size());
  from = end + close.size();
  return true;
}

std::string HttpAnswer(int status, const std::string& reason, const std::string& content_type,
                       const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: " + content_type +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string FaultAnswer(const std::string& text) {
  return HttpAnswer(500, "Internal Server Error", "text/xml; charset=utf-8",
                    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
                    "<soap:Fault><faultcode>soap:Server</faultcode><faultstring>" +
                        text + "</faultstring></soap:Fault></soap:Body></soap:Envelope>");
}

}  // namespace

std::string RatingServiceProgram() {
  if (const char* bin = std::getenv("QUORVIA_TEST_BIN")) {
    const fs::path path = fs::path(bin) / "quorvia-rating-service";
    if (fs::exists(path)) return path.string();
  }
  return QUORVIA_RATING_SERVICE;
}

std::unique_ptr<RatingServiceProcess> RatingServiceProcess::Start(const std::string& folder, const std::string& csv,
                                                                  std::string& error) {
  const fs::path dir(folder);
  const fs::path db = dir / "ratings.db";
  const fs::path csv_file = dir / "ratings.csv";
  std::ofstream(csv_file, std::ios::binary | std::ios::trunc) << csv;

  const pid_t importer = Spawn({RatingServiceProgram(), "import", "--db", db.string(), csv_file.string()}, -1,
                               dir / "import.out", dir / "import.err");
  if (importer < 0 || WaitExit(importer) != 0) {
    error = "import failed: " + ReadText(dir / "import.err");
    return nullptr;
  }

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error = "no pipe";
    return nullptr;
  }
  std::unique_ptr<RatingServiceProcess> service(new RatingServiceProcess());
  service->folder_ = folder;
  service->pid_ = Spawn({RatingServiceProgram(), "serve", "--db", db.string(), "--port", "0"}, fds[1], {},
                        dir / "service.err");
  close(fds[1]);
  // The first line of its output says where it listens.
  std::string line;
  char c = 0;
  while (service->pid_ > 0 && line.find('\n') == std::string::npos) {
    pollfd readable{fds[0], POLLIN, 0};
    if (poll(&readable, 1, 10000) <= 0 || read(fds[0], &c, 1) != 1) break;
    line += c;
  }
  close(fds[0]);
  const std::string prefix = "listening on 127.0.0.1:";
  if (!line.starts_with(prefix)) {
    error = "the service did not start: " + line + ReadText(dir / "service.err");
    return nullptr;
  }
  service->port_ = std::atoi(line.c_str() + prefix.size());
  return service;
}

RatingServiceProcess::~RatingServiceProcess() {
  if (pid_ > 0) Stop();
}

std::string RatingServiceProcess::Endpoint() const {
  return "http://127.0.0.1:" + std::to_string(port_) + kRatingServicePath;
}

int RatingServiceProcess::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  const int status = WaitExit(pid_);
  pid_ = -1;
  return status;
}

std::vector<std::string> RatingServiceProcess::LoggedRequests() const {
  std::vector<std::string> lines;
  std::istringstream log(ReadText(fs::path(folder_) / "service.err"));
  for (std::string line; std::getline(log, line);) {
    if (line.find(" addresses=") != std::string::npos) lines.push_back(line);
  }
  return lines;
}

bool RatingServiceProcess::WaitForLoggedRequests(std::size_t count) const {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (LoggedRequests().size() < count) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

std::vector<ScanQuery> ParseScanQueries(const std::string& body) {
  std::vector<ScanQuery> queries;
  std::size_t at = 0;
  std::string element;
  while (Between(body, "<URLScanQueryElement>", "</URLScanQueryElement>", at, element)) {
    ScanQuery query;
    std::size_t inner = 0;
    std::string value;
    if (Between(element, "<Id>", "</Id>", inner, value)) query.id = std::atoi(value.c_str());
    inner = 0;
    if (Between(element, "<url>", "</url>", inner, value)) query.url = UnescapeXml(value);
    queries.push_back(std::move(query));
  }
  return queries;
}

ServiceProxy::ServiceProxy(std::string target)
    : target_(std::move(target)), server_([this](int, const std::string& request) { return Answer(request); }) {}

std::string ServiceProxy::Endpoint() const { return server_.Url(kRatingServicePath); }

void ServiceProxy::FailSiteRequests(Failure failure) {
  std::lock_guard<std::mutex> lock(mutex_);
  site_failure_ = failure;
}

void ServiceProxy::FailLinkRequests(Failure failure) {
  std::lock_guard<std::mutex> lock(mutex_);
  link_failure_ = failure;
}

std::vector<std::vector<ScanQuery>> ServiceProxy::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::size_t ServiceProxy::RequestCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_.size();
}

std::size_t ServiceProxy::ForwardedCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return forwarded_;
}

rating_test::Reply ServiceProxy::Answer(const std::string& request) {
  const std::size_t header_end = request.find("\r\n\r\n");
  const std::string header = request.substr(0, header_end);
  const std::string body = header_end == std::string::npos ? std::string() : request.substr(header_end + 4);
  std::vector<ScanQuery> queries = ParseScanQueries(body);
  const bool about_site = queries.size() == 1 && queries[0].id == 0;

  Failure failure = Failure::kNone;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(std::move(queries));
    failure = about_site ? site_failure_ : link_failure_;
    if (failure == Failure::kNone) ++forwarded_;
  }
  if (failure == Failure::kDrop) return {};
  if (failure == Failure::kFault) return {FaultAnswer("the rating store is offline")};

  // On to the service with the same header lines, but for its host.
  quorvia::net::HttpRequest forward;
  forward.url = target_;
  const std::size_t authority = target_.find("://") + 3;
  const std::string host = target_.substr(authority, target_.find('/', authority) - authority);
  std::istringstream lines(header);
  std::string line;
  std::getline(lines, line);  // the request line
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string name = line.substr(0, colon);
    std::string value = line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(' '));
    std::string lower = name;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (lower == "host") value = host;
    forward.headers.emplace_back(std::move(name), std::move(value));
  }
  forward.body = body;
  const quorvia::net::HttpResult result = quorvia::net::SendHttpRequest(forward);
  if (!result.ok()) return {HttpAnswer(502, "Bad Gateway", "text/plain", result.status.message)};
  const std::string* type = result.response.headers.Find("Content-Type");
  return {HttpAnswer(result.response.status, result.response.reason, type ? *type : "text/xml",
                     result.response.body)};
}

}  // namespace quorvia_test
