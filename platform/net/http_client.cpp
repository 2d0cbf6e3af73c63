#include "platform/net/http_client.h"
#include "platform/text/ascii.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <optional>

namespace quorvia::net {

namespace {

using Clock = std::chrono::steady_clock;

// A chunk-size line is a few hex digits and perhaps an extension; anything
// this long is not one.
constexpr std::size_t kMaxChunkLineBytes = 4096;
constexpr std::size_t kReceiveBlock = 16384;

bool IsTokenChar(char ch) {
  unsigned char c = static_cast<unsigned char>(ch);
  if (std::isalnum(c)) return true;
  switch (c) {
    case '!': case '#': case '$': case '%': case '&': case '\'': case '*': case '+':
    case '-': case '.': case '^': case '_': case '`': case '|': case '~':
      return true;
    default:
      return false;
  }
}

bool IsToken(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenChar);
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

int RemainingMs(Clock::time_point deadline) {
  auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms > 0x7fffffff ? 0x7fffffff : static_cast<int>(ms);
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

NetStatus Malformed(std::string text) { return NetStatus::Fail(NetError::kMalformedResponse, std::move(text)); }

NetStatus CheckRequest(const HttpRequest& request) {
  if (!IsToken(request.method)) {
    return NetStatus::Fail(NetError::kInvalidArgument, "\"" + request.method + "\" is not a request method");
  }
  for (const auto& [name, value] : request.headers) {
    if (!IsToken(name)) {
      return NetStatus::Fail(NetError::kInvalidArgument, "\"" + name + "\" is not a header name");
    }
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
      return NetStatus::Fail(NetError::kInvalidArgument, "the value of \"" + name + "\" holds a line break");
    }
  }
  return NetStatus::Ok();
}

std::string RequestBytes(const std::string& method, const HttpUrl& url,
                         const std::vector<HttpHeaders::Field>& headers, const std::string& body) {
  std::string bytes = method + " " + url.target + " HTTP/1.1\r\n";
  for (const auto& [name, value] : headers) bytes += name + ": " + value + "\r\n";
  bytes += "\r\n";
  bytes += body;
  return bytes;
}

// One request and its answer over one connection.
class Exchange {
 public:
  Exchange(const HttpOptions& options, Clock::time_point deadline) : options_(options), deadline_(deadline) {}

  NetStatus Run(const HttpUrl& url, std::string_view request, bool head_request, HttpResponse& response) {
    NetStatus status = Connect(url);
    if (!status) return status;
    status = Send(request);
    if (!status) return status;
    status = ReadHead(response);
    if (!status) return status;
    if (head_request || response.status == 204 || response.status == 304) return NetStatus::Ok();
    return ReadBody(response);
  }

 private:
  NetStatus DeadlineExceeded() const {
    return NetStatus::Fail(NetError::kDeadlineExceeded,
                           "the call took longer than its deadline of " + std::to_string(options_.deadline_ms) + " ms");
  }

  // The time-out for the next operation: the per-operation one, cut down to
  // what is left of the deadline. 0 when the deadline has passed.
  int NextTimeout() const { return std::min(options_.timeout_ms, RemainingMs(deadline_)); }

  // A time-out that happened because the deadline came first is reported as such.
  NetStatus Classify(NetStatus status) const {
    if (status.error == NetError::kTimeout && Clock::now() >= deadline_) return DeadlineExceeded();
    return status;
  }

  NetStatus Connect(const HttpUrl& url) {
    int timeout = NextTimeout();
    if (timeout == 0) return DeadlineExceeded();
    return Classify(socket_.Connect(url.host, url.port, options_.timeout_ms, std::max(1, RemainingMs(deadline_))));
  }

  NetStatus Send(std::string_view bytes) {
    int timeout = NextTimeout();
    if (timeout == 0) return DeadlineExceeded();
    return Classify(socket_.Send(bytes, timeout));
  }

  // Receives more bytes into the buffer; sets `closed_` when the server has
  // closed its side.
  NetStatus Fill() {
    if (closed_) return NetStatus::Ok();
    int timeout = NextTimeout();
    if (timeout == 0) return DeadlineExceeded();
    if (pos_ == buffer_.size()) {
      buffer_.clear();
      pos_ = 0;
      scan_from_ = 0;
    } else if (pos_ >= kReceiveBlock) {
      buffer_.erase(0, pos_);
      scan_from_ = scan_from_ > pos_ ? scan_from_ - pos_ : 0;
      pos_ = 0;
    }
    char block[kReceiveBlock];
    std::size_t received = 0;
    NetStatus status = socket_.Receive(block, sizeof block, received, timeout);
    if (!status) return Classify(std::move(status));
    if (received == 0) {
      closed_ = true;
    } else {
      buffer_.append(block, received);
      total_received_ += received;
    }
    return NetStatus::Ok();
  }

  // Reads one line (ending in LF, an optional CR before it dropped) of at
  // most `limit` bytes with its ending; `used` grows by its length.
  // `complete` is false when the connection closed first.
  NetStatus ReadLine(std::string& line, std::size_t limit, NetError too_long, std::size_t& used, bool& complete) {
    for (;;) {
      // Bytes already searched are not searched again, so that a header
      // arriving in many small pieces costs linear time.
      std::size_t newline = buffer_.find('\n', std::max(pos_, scan_from_));
      if (newline == std::string::npos) scan_from_ = buffer_.size();
      std::size_t available = (newline == std::string::npos ? buffer_.size() : newline + 1) - pos_;
      if (available > limit) {
        return NetStatus::Fail(too_long, too_long == NetError::kHeaderTooLarge
                                             ? "the response header exceeds " +
                                                   std::to_string(options_.max_header_bytes) + " bytes"
                                             : std::string("a chunk-size line is too long"));
      }
      if (newline != std::string::npos) {
        line.assign(buffer_, pos_, newline - pos_);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos_ = newline + 1;
        used += available;
        complete = true;
        return NetStatus::Ok();
      }
      if (closed_) {
        complete = false;
        return NetStatus::Ok();
      }
      NetStatus status = Fill();
      if (!status) return status;
    }
  }

  NetStatus ReadHead(HttpResponse& response) {
    for (;;) {
      std::size_t used = 0;
      std::string line;
      bool complete = false;
      NetStatus status =
          ReadLine(line, options_.max_header_bytes, NetError::kHeaderTooLarge, used, complete);
      if (!status) return status;
      if (!complete) {
        return NetStatus::Fail(NetError::kConnectionClosed,
                               total_received_ == 0 ? "the server closed the connection without answering"
                                                     : "the server closed the connection inside the status line");
      }
      status = ParseStatusLine(line, response);
      if (!status) return status;

      std::vector<HttpHeaders::Field> fields;
      for (;;) {
        status = ReadLine(line, options_.max_header_bytes - used, NetError::kHeaderTooLarge, used, complete);
        if (!status) return status;
        if (!complete) {
          return NetStatus::Fail(NetError::kConnectionClosed,
                                 "the server closed the connection inside the response header");
        }
        if (line.empty()) break;
        status = AddHeaderLine(line, fields);
        if (!status) return status;
      }
      response.headers = HttpHeaders();
      for (auto& [name, value] : fields) response.headers.Add(std::move(name), std::move(value));

      if (response.status == 101) return Malformed("the server switched protocols without being asked");
      if (response.status >= 200) return NetStatus::Ok();
      // An interim answer (100 Continue and the like): the real one follows.
    }
  }

  static NetStatus ParseStatusLine(std::string_view line, HttpResponse& response) {
    auto bad = [&] { return Malformed("bad status line \"" + std::string(line.substr(0, 80)) + "\""); };
    if (line.size() < 12 || !line.starts_with("HTTP/") || !std::isdigit(static_cast<unsigned char>(line[5])) ||
        line[6] != '.' || !std::isdigit(static_cast<unsigned char>(line[7])) || line[8] != ' ') {
      return bad();
    }
    int code = 0;
    for (std::size_t i = 9; i < 12; ++i) {
      if (!std::isdigit(static_cast<unsigned char>(line[i]))) return bad();
      code = code * 10 + (line[i] - '0');
    }
    if (code < 100) return bad();
    if (line.size() > 12 && line[12] != ' ') return bad();
    response.status = code;
    response.reason = line.size() > 13 ? std::string(line.substr(13)) : std::string();
    return NetStatus::Ok();
  }

  static NetStatus AddHeaderLine(std::string_view line, std::vector<HttpHeaders::Field>& fields) {
    if (line.front() == ' ' || line.front() == '\t') {
      // A folded continuation of the previous line's value.
      if (fields.empty()) return Malformed("the response header begins with a continuation line");
      std::string& value = fields.back().second;
      std::string_view more = Trim(line);
      if (!more.empty()) {
        if (!value.empty()) value += ' ';
        value += more;
      }
      return NetStatus::Ok();
    }
    auto colon = line.find(':');
    if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) {
      return Malformed("bad header line \"" + std::string(line.substr(0, 80)) + "\"");
    }
    fields.emplace_back(std::string(line.substr(0, colon)), std::string(Trim(line.substr(colon + 1))));
    return NetStatus::Ok();
  }

  NetStatus BodyTooLarge() const {
    return NetStatus::Fail(NetError::kBodyTooLarge,
                           "the response body exceeds " + std::to_string(options_.max_body_bytes) + " bytes");
  }

  NetStatus ReadBody(HttpResponse& response) {
    std::vector<std::string> codings = response.headers.FindAll("Transfer-Encoding");
    if (!codings.empty()) {
      std::string_view last = codings.back();
      auto comma = last.rfind(',');
      if (comma != std::string_view::npos) last.remove_prefix(comma + 1);
      if (ascii::IEquals(Trim(last), "chunked")) return ReadChunked(response.body);
      return ReadUntilClose(response.body);
    }

    std::vector<std::string> lengths = response.headers.FindAll("Content-Length");
    if (lengths.empty()) return ReadUntilClose(response.body);

    // Every value given (repeated lines or a list) must be the same number.
    std::optional<std::uint64_t> length;
    for (const std::string& line : lengths) {
      std::string_view rest = line;
      for (;;) {
        auto comma = rest.find(',');
        std::string_view item = Trim(rest.substr(0, comma));
        if (item.empty() || item.size() > 18 ||
            !std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; })) {
          return Malformed("bad Content-Length \"" + line + "\"");
        }
        std::uint64_t value = 0;
        for (char c : item) value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (length && *length != value) return Malformed("conflicting Content-Length values");
        length = value;
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
    }
    if (*length > options_.max_body_bytes) return BodyTooLarge();
    return ReadExactly(static_cast<std::size_t>(*length), response.body, "Content-Length");
  }

  // Appends exactly `count` bytes to `body`.
  NetStatus ReadExactly(std::size_t count, std::string& body, const char* framing) {
    while (count > 0) {
      if (pos_ == buffer_.size()) {
        if (closed_) {
          return NetStatus::Fail(NetError::kBodyCutShort,
                                 std::string("the connection closed inside a body framed by ") + framing);
        }
        NetStatus status = Fill();
        if (!status) return status;
        continue;
      }
      std::size_t take = std::min(count, buffer_.size() - pos_);
      body.append(buffer_, pos_, take);
      pos_ += take;
      count -= take;
    }
    return NetStatus::Ok();
  }

  NetStatus ReadUntilClose(std::string& body) {
    for (;;) {
      if (body.size() + (buffer_.size() - pos_) > options_.max_body_bytes) return BodyTooLarge();
      body.append(buffer_, pos_, std::string::npos);
      pos_ = buffer_.size();
      if (closed_) return NetStatus::Ok();
      NetStatus status = Fill();
      if (!status) return status;
    }
  }

  NetStatus ReadChunked(std::string& body) {
    auto cut_short = [] {
      return NetStatus::Fail(NetError::kBodyCutShort, "the connection closed inside a chunked body");
    };
    std::string line;
    for (;;) {
      std::size_t used = 0;
      bool complete = false;
      NetStatus status = ReadLine(line, kMaxChunkLineBytes, NetError::kMalformedResponse, used, complete);
      if (!status) return status;
      if (!complete) return cut_short();

      std::size_t digits = 0;
      std::uint64_t size = 0;
      while (digits < line.size() && std::isxdigit(static_cast<unsigned char>(line[digits]))) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[digits])));
        size = size * 16 + static_cast<std::uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
        if (size > options_.max_body_bytes) return BodyTooLarge();
        ++digits;
      }
      std::string_view rest = Trim(std::string_view(line).substr(digits));
      if (digits == 0 || (!rest.empty() && rest.front() != ';')) {
        return Malformed("bad chunk-size line \"" + line.substr(0, 80) + "\"");
      }

      if (size == 0) {
        // The trailer: header lines up to an empty line, read and dropped.
        std::size_t trailer = 0;
        for (;;) {
          status = ReadLine(line, options_.max_header_bytes - trailer, NetError::kHeaderTooLarge, trailer, complete);
          if (!status) return status;
          if (!complete) return cut_short();
          if (line.empty()) return NetStatus::Ok();
        }
      }

      if (body.size() + size > options_.max_body_bytes) return BodyTooLarge();
      status = ReadExactly(static_cast<std::size_t>(size), body, "chunks");
      if (status.error == NetError::kBodyCutShort) return cut_short();
      if (!status) return status;

      std::size_t end_used = 0;
      status = ReadLine(line, 2, NetError::kMalformedResponse, end_used, complete);
      if (status.error == NetError::kMalformedResponse || (status && complete && !line.empty())) {
        return Malformed("a chunk is longer than its size says");
      }
      if (!status) return status;
      if (!complete) return cut_short();
    }
  }

  const HttpOptions& options_;
  Clock::time_point deadline_;
  Socket socket_;
  std::string buffer_;
  std::size_t pos_ = 0;
  std::size_t scan_from_ = 0;  // where the search for the next line end resumes
  bool closed_ = false;
  std::size_t total_received_ = 0;
};

}  // namespace

void HttpHeaders::Add(std::string name, std::string value) { fields_.emplace_back(std::move(name), std::move(value)); }

const std::string* HttpHeaders::Find(std::string_view name) const {
  for (const auto& field : fields_) {
    if (ascii::IEquals(field.first, name)) return &field.second;
  }
  return nullptr;
}

std::vector<std::string> HttpHeaders::FindAll(std::string_view name) const {
  std::vector<std::string> values;
  for (const auto& field : fields_) {
    if (ascii::IEquals(field.first, name)) values.push_back(field.second);
  }
  return values;
}

HttpResult SendHttpRequest(const HttpRequest& request, const HttpOptions& options) {
  HttpResult result;
  auto fail = [&](NetStatus status) {
    result.status = std::move(status);
    result.response = HttpResponse();
    return result;
  };

  if (options.timeout_ms <= 0 || options.deadline_ms <= 0 || options.max_redirects < 0) {
    return fail(NetStatus::Fail(NetError::kInvalidArgument, "time limits must be positive"));
  }
  HttpUrl url;
  NetStatus status = ParseHttpUrl(request.url, url);
  if (!status) return fail(std::move(status));
  status = CheckRequest(request);
  if (!status) return fail(std::move(status));

  const auto deadline = Clock::now() + std::chrono::milliseconds(options.deadline_ms);
  const bool head_request = request.method == "HEAD";
  std::vector<HttpHeaders::Field> headers = request.headers;

  for (int hop = 0;; ++hop) {
    HttpResponse response;
    Exchange exchange(options, deadline);
    status = exchange.Run(url, RequestBytes(request.method, url, headers, request.body), head_request, response);
    if (!status) return fail(std::move(status));

    const std::string* location = response.headers.Find("Location");
    if (IsRedirect(response.status) && location && !Trim(*location).empty()) {
      if (hop >= options.max_redirects) {
        return fail(NetStatus::Fail(NetError::kTooManyRedirects,
                                    "more than " + std::to_string(options.max_redirects) +
                                        " redirections; the last one from " + url.ToString()));
      }
      HttpUrl next;
      status = ResolveHttpUrl(url, Trim(*location), next);
      if (!status) return fail(std::move(status));
      if (!ascii::IEquals(next.host, url.host) || next.port != url.port) {
        for (auto& [name, value] : headers) {
          if (ascii::IEquals(name, "Host")) value = next.Authority();
        }
      }
      url = std::move(next);
      continue;
    }

    response.url = url.ToString();
    response.redirects = hop;
    result.response = std::move(response);
    return result;
  }
}

}  // namespace quorvia::net
