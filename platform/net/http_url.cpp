#include "platform/net/http_url.h"
#include "platform/text/ascii.h"

#include <cctype>

namespace quorvia::net {

namespace {

bool HasSpaceOrControl(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) return true;
  }
  return false;
}

// Length of a leading "scheme:" (without the colon), or 0 when there is none.
std::size_t SchemeLength(std::string_view text) {
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
  for (std::size_t i = 1; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == ':') return i;
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

bool IsRegNameChar(char ch) {
  unsigned char c = static_cast<unsigned char>(ch);
  if (std::isalnum(c)) return true;
  switch (c) {
    case '-': case '.': case '_': case '~': case '%': case '!': case '$': case '&':
    case '\'': case '(': case ')': case '*': case '+': case ',': case ';': case '=':
      return true;
    default:
      return c >= 0x80;  // an internationalised name as raw UTF-8
  }
}

// Removes "." and ".." segments from a path, as addresses are resolved.
std::string RemoveDotSegments(std::string_view input) {
  std::string output;
  while (!input.empty()) {
    if (input.starts_with("../")) {
      input.remove_prefix(3);
    } else if (input.starts_with("./")) {
      input.remove_prefix(2);
    } else if (input.starts_with("/./")) {
      input.remove_prefix(2);
    } else if (input == "/.") {
      input = "/";
    } else if (input.starts_with("/../") || input == "/..") {
      input = input.size() == 3 ? std::string_view("/") : input.substr(3);
      auto slash = output.rfind('/');
      output.erase(slash == std::string::npos ? 0 : slash);
    } else if (input == "." || input == "..") {
      input = {};
    } else {
      std::size_t next = input.find('/', input[0] == '/' ? 1 : 0);
      if (next == std::string_view::npos) next = input.size();
      output.append(input.substr(0, next));
      input.remove_prefix(next);
    }
  }
  return output;
}

std::string_view WithoutFragment(std::string_view text) {
  auto hash = text.find('#');
  return hash == std::string_view::npos ? text : text.substr(0, hash);
}

}  // namespace

std::string HttpUrl::Authority() const {
  std::string text = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  if (port != 80) text += ":" + std::to_string(port);
  return text;
}

std::string HttpUrl::ToString() const { return "http://" + Authority() + target; }

NetStatus ParseHttpUrl(std::string_view text, HttpUrl& url) {
  const std::string quoted = "\"" + std::string(text) + "\"";
  std::size_t scheme = SchemeLength(text);
  if (scheme == 0) return NetStatus::Fail(NetError::kInvalidUrl, quoted + " is not an absolute address");
  if (!ascii::IEquals(text.substr(0, scheme), "http")) {
    return NetStatus::Fail(NetError::kUnsupportedScheme,
                           "the scheme \"" + std::string(text.substr(0, scheme)) + "\" is not supported, only http");
  }
  if (HasSpaceOrControl(text)) {
    return NetStatus::Fail(NetError::kInvalidUrl, quoted + " holds a space or control character");
  }
  std::string_view rest = WithoutFragment(text.substr(scheme + 1));
  if (!rest.starts_with("//")) return NetStatus::Fail(NetError::kInvalidUrl, quoted + " has no host");
  rest.remove_prefix(2);

  std::size_t end = rest.find_first_of("/?");
  std::string_view authority = rest.substr(0, end);
  std::string_view target = end == std::string_view::npos ? std::string_view() : rest.substr(end);
  if (authority.find('@') != std::string_view::npos) {
    return NetStatus::Fail(NetError::kInvalidUrl, quoted + " carries user information");
  }

  HttpUrl result;
  std::string_view port_text;
  if (authority.starts_with("[")) {
    auto close = authority.find(']');
    if (close == std::string_view::npos) return NetStatus::Fail(NetError::kInvalidUrl, quoted + " has a bad host");
    result.host = std::string(authority.substr(1, close - 1));
    for (char c : result.host) {
      if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') {
        return NetStatus::Fail(NetError::kInvalidUrl, quoted + " has a bad IPv6 address");
      }
    }
    if (result.host.find(':') == std::string::npos) {
      return NetStatus::Fail(NetError::kInvalidUrl, quoted + " has a bad IPv6 address");
    }
    std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') return NetStatus::Fail(NetError::kInvalidUrl, quoted + " has a bad host");
      port_text = after.substr(1);
    }
  } else {
    auto colon = authority.find(':');
    result.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) port_text = authority.substr(colon + 1);
    for (char c : result.host) {
      if (!IsRegNameChar(c)) return NetStatus::Fail(NetError::kInvalidUrl, quoted + " has a bad host");
    }
  }
  if (result.host.empty()) return NetStatus::Fail(NetError::kInvalidUrl, quoted + " has no host");

  if (!port_text.empty()) {
    unsigned long port = 0;
    if (port_text.size() > 5) return NetStatus::Fail(NetError::kInvalidUrl, quoted + " has a bad port");
    for (char c : port_text) {
      if (!std::isdigit(static_cast<unsigned char>(c))) {
        return NetStatus::Fail(NetError::kInvalidUrl, quoted + " has a bad port");
      }
      port = port * 10 + static_cast<unsigned long>(c - '0');
    }
    if (port == 0 || port > 65535) return NetStatus::Fail(NetError::kInvalidUrl, quoted + " has a bad port");
    result.port = static_cast<std::uint16_t>(port);
  }

  result.target = target.starts_with("/") ? std::string(target) : "/" + std::string(target);
  url = std::move(result);
  return NetStatus::Ok();
}

NetStatus ResolveHttpUrl(const HttpUrl& base, std::string_view reference, HttpUrl& url) {
  if (SchemeLength(reference) != 0) return ParseHttpUrl(reference, url);
  if (HasSpaceOrControl(reference)) {
    return NetStatus::Fail(NetError::kInvalidUrl,
                           "\"" + std::string(reference) + "\" holds a space or control character");
  }
  if (reference.starts_with("//")) return ParseHttpUrl("http:" + std::string(reference), url);

  reference = WithoutFragment(reference);
  const std::string_view base_target = base.target;
  const std::size_t base_question = base_target.find('?');
  const std::string_view base_path = base_target.substr(0, base_question);
  const std::string_view base_query =
      base_question == std::string_view::npos ? std::string_view() : base_target.substr(base_question);

  auto question = reference.find('?');
  std::string_view path = reference.substr(0, question);
  std::string_view query = question == std::string_view::npos ? std::string_view() : reference.substr(question);

  HttpUrl result = base;
  if (path.empty()) {
    result.target = std::string(base_path) + std::string(question == std::string_view::npos ? base_query : query);
  } else if (path.starts_with("/")) {
    result.target = RemoveDotSegments(path) + std::string(query);
  } else {
    std::string merged(base_path.substr(0, base_path.rfind('/') + 1));
    merged += path;
    result.target = RemoveDotSegments(merged) + std::string(query);
  }
  if (!result.target.starts_with("/")) result.target.insert(0, "/");
  url = std::move(result);
  return NetStatus::Ok();
}

}  // namespace quorvia::net
