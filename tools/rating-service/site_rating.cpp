#include "tools/rating-service/site_rating.h"

#include <cctype>
#include <limits>

namespace quorvia::rating_service {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Length of a leading scheme followed by "://", or 0.
std::size_t SchemePrefix(std::string_view text) {
  auto marker = text.find("://");
  if (marker == std::string_view::npos || marker == 0) return 0;
  if (!std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
  for (std::size_t i = 1; i < marker; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return 0;
  }
  return marker + 3;
}

}  // namespace

std::string SiteKey(std::string_view address) {
  std::string_view rest = TrimBlanks(address);
  rest.remove_prefix(SchemePrefix(rest));
  std::string_view authority = rest.substr(0, rest.find_first_of("/?#\\"));

  auto at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);

  std::string_view host = authority;
  if (authority.starts_with("[")) {
    auto close = authority.find(']');
    if (close != std::string_view::npos) host = authority.substr(0, close + 1);
  } else {
    auto colon = authority.rfind(':');
    if (colon != std::string_view::npos) {
      std::string_view port = authority.substr(colon + 1);
      bool digits = true;
      for (char c : port) digits = digits && std::isdigit(static_cast<unsigned char>(c));
      if (digits) host = authority.substr(0, colon);
    }
  }
  while (!host.empty() && host.back() == '.') host.remove_suffix(1);

  std::string key(host);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

std::string ToXmlText(std::string_view text, bool* changed) {
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(text.size());
  bool replaced = false;
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
        out += kReplacement;
        replaced = true;
      } else {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    std::size_t extra = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
    }
    bool valid = extra != 0 && i + extra < text.size();
    std::uint32_t code = c & (0x3Fu >> extra);
    for (std::size_t k = 1; valid && k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3Fu);
    }
    if (valid) {
      valid = extra == 1 ||
              (extra == 2 && code >= 0x800 && !(code >= 0xD800 && code <= 0xDFFF) && code != 0xFFFE &&
               code != 0xFFFF) ||
              (extra == 3 && code >= 0x10000 && code <= 0x10FFFF);
    }
    if (valid) {
      out.append(text.substr(i, extra + 1));
      i += extra + 1;
    } else {
      out += kReplacement;
      replaced = true;
      ++i;
    }
  }
  if (changed) *changed = replaced;
  return out;
}

bool ParseXsdInt(std::string_view text, std::int32_t& value) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  std::int64_t magnitude = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) return false;
  }
  std::int64_t result = negative ? -magnitude : magnitude;
  if (result > std::numeric_limits<std::int32_t>::max()) return false;
  value = static_cast<std::int32_t>(result);
  return true;
}

bool ParseXsdBoolean(std::string_view text, bool& value) {
  text = TrimBlanks(text);
  if (text == "true" || text == "1") {
    value = true;
    return true;
  }
  if (text == "false" || text == "0") {
    value = false;
    return true;
  }
  return false;
}

}  // namespace quorvia::rating_service
