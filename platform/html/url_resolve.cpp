#include "platform/html/url_resolve.h"

#include <array>
#include <cstddef>

namespace quorvia {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Schemes whose addresses browsers treat with the tolerances of the web.
bool IsSpecialScheme(std::string_view scheme) {
  static constexpr std::array<std::string_view, 6> kSpecial = {"http", "https", "ftp", "ws", "wss", "file"};
  std::string lower = LowerAscii(scheme);
  for (std::string_view s : kSpecial) {
    if (lower == s) return true;
  }
  return false;
}

// Drops leading and trailing spaces and control characters, and removes tabs
// and line breaks inside, as browsers do with attribute addresses.
std::string Clean(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  std::string out;
  out.reserve(end - begin);
  for (std::size_t i = begin; i < end; ++i) {
    char c = text[i];
    if (c == '\t' || c == '\n' || c == '\r') continue;
    out.push_back(c);
  }
  return out;
}

// Length of the scheme at the start of text (without its ":"), 0 for none.
std::size_t SchemeLength(std::string_view text) {
  if (text.empty() || !IsAlpha(text[0])) return 0;
  for (std::size_t i = 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == ':') return i;
    if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

struct Parts {
  bool has_scheme = false;
  std::string scheme;
  bool has_authority = false;
  std::string authority;
  std::string path;
  bool has_query = false;
  std::string query;
  bool has_fragment = false;
  std::string fragment;
};

// Splits an address into its RFC 3986 components. With backslashes set, a
// "\" before the query or fragment counts as "/".
Parts Split(std::string_view text, bool backslashes) {
  std::string copy(text);
  if (backslashes) {
    for (char& c : copy) {
      if (c == '?' || c == '#') break;
      if (c == '\\') c = '/';
    }
  }
  std::string_view rest = copy;
  Parts p;
  if (std::size_t n = SchemeLength(rest); n > 0) {
    p.has_scheme = true;
    p.scheme = std::string(rest.substr(0, n));
    rest.remove_prefix(n + 1);
  }
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    std::size_t end = rest.find_first_of("/?#");
    if (end == std::string_view::npos) end = rest.size();
    p.has_authority = true;
    p.authority = std::string(rest.substr(0, end));
    rest.remove_prefix(end);
  }
  std::size_t end = rest.find_first_of("?#");
  if (end == std::string_view::npos) end = rest.size();
  p.path = std::string(rest.substr(0, end));
  rest.remove_prefix(end);
  if (!rest.empty() && rest.front() == '?') {
    rest.remove_prefix(1);
    end = rest.find('#');
    if (end == std::string_view::npos) end = rest.size();
    p.has_query = true;
    p.query = std::string(rest.substr(0, end));
    rest.remove_prefix(end);
  }
  if (!rest.empty() && rest.front() == '#') {
    p.has_fragment = true;
    p.fragment = std::string(rest.substr(1));
  }
  return p;
}

// RFC 3986, 5.2.4.
std::string RemoveDotSegments(std::string_view input) {
  std::string out;
  std::string in(input);
  std::string_view rest = in;
  while (!rest.empty()) {
    if (rest.starts_with("../")) {
      rest.remove_prefix(3);
    } else if (rest.starts_with("./")) {
      rest.remove_prefix(2);
    } else if (rest.starts_with("/./")) {
      rest.remove_prefix(2);
    } else if (rest == "/.") {
      rest = "/";
    } else if (rest.starts_with("/../") || rest == "/..") {
      if (rest == "/..") {
        rest = "/";
      } else {
        rest.remove_prefix(3);
      }
      std::size_t slash = out.rfind('/');
      out.erase(slash == std::string::npos ? 0 : slash);
    } else if (rest == "." || rest == "..") {
      rest = {};
    } else {
      std::size_t next = rest.find('/', rest.front() == '/' ? 1 : 0);
      if (next == std::string_view::npos) next = rest.size();
      out.append(rest.substr(0, next));
      rest.remove_prefix(next);
    }
  }
  return out;
}

std::string Normalized(Parts t) {
  t.scheme = LowerAscii(t.scheme);
  if (!t.path.empty() && t.path.front() == '/') t.path = RemoveDotSegments(t.path);
  if (IsSpecialScheme(t.scheme) && t.has_authority) {
    // The host (after any user information) is matched without regard to
    // case; browsers report it in lower case.
    std::size_t at = t.authority.rfind('@');
    std::size_t host = at == std::string::npos ? 0 : at + 1;
    for (std::size_t i = host; i < t.authority.size(); ++i) t.authority[i] = LowerAscii(t.authority[i]);
    if (t.path.empty()) t.path.push_back('/');
  }
  std::string out;
  if (t.has_scheme) out.append(t.scheme).append(1, ':');
  if (t.has_authority) out.append("//").append(t.authority);
  out.append(t.path);
  if (t.has_query) out.append(1, '?').append(t.query);
  if (t.has_fragment) out.append(1, '#').append(t.fragment);
  return out;
}

std::string PercentEncodeUnsafe(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c == 0x7F || c == '"' || c == '<' || c == '>' || c == '`') {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

}  // namespace

std::string ResolveUrl(std::string_view base_text, std::string_view reference_text) {
  std::string base_clean = Clean(base_text);
  std::string ref_clean = Clean(reference_text);

  std::size_t base_scheme = SchemeLength(base_clean);
  Parts base = Split(base_clean, base_scheme > 0 && IsSpecialScheme(std::string_view(base_clean).substr(0, base_scheme)));
  std::size_t ref_scheme = SchemeLength(ref_clean);
  bool ref_special = ref_scheme > 0 ? IsSpecialScheme(std::string_view(ref_clean).substr(0, ref_scheme))
                                    : base.has_scheme && IsSpecialScheme(base.scheme);
  Parts ref = Split(ref_clean, ref_special);

  bool base_hierarchical = base.has_scheme && (base.has_authority || (!base.path.empty() && base.path.front() == '/'));

  // "http:path" on an http page is a relative address.
  if (ref.has_scheme && !ref.has_authority && base_hierarchical && IsSpecialScheme(ref.scheme) &&
      LowerAscii(ref.scheme) == LowerAscii(base.scheme)) {
    ref.has_scheme = false;
  }

  if (ref.has_scheme) return PercentEncodeUnsafe(Normalized(std::move(ref)));

  if (!base_hierarchical) {
    if (base.has_scheme && !ref_clean.empty() && ref_clean.front() == '#') {
      base.has_fragment = true;
      base.fragment = ref.fragment;
      return PercentEncodeUnsafe(Normalized(std::move(base)));
    }
    return PercentEncodeUnsafe(ref_clean);
  }

  // RFC 3986, 5.2.2.
  Parts t;
  t.has_scheme = true;
  t.scheme = base.scheme;
  if (ref.has_authority) {
    t.has_authority = true;
    t.authority = ref.authority;
    t.path = ref.path;
    t.has_query = ref.has_query;
    t.query = ref.query;
  } else {
    t.has_authority = base.has_authority;
    t.authority = base.authority;
    if (ref.path.empty()) {
      t.path = base.path;
      t.has_query = ref.has_query || base.has_query;
      t.query = ref.has_query ? ref.query : base.query;
    } else {
      if (ref.path.front() == '/') {
        t.path = ref.path;
      } else if (base.has_authority && base.path.empty()) {
        t.path.assign(1, '/').append(ref.path);
      } else {
        std::size_t slash = base.path.rfind('/');
        t.path = slash == std::string::npos ? std::string() : base.path.substr(0, slash + 1);
        t.path.append(ref.path);
      }
      t.has_query = ref.has_query;
      t.query = ref.query;
    }
  }
  t.has_fragment = ref.has_fragment;
  t.fragment = ref.fragment;
  return PercentEncodeUnsafe(Normalized(std::move(t)));
}

}  // namespace quorvia
