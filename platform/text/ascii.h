// Letter-case helpers for names that fold only their ASCII letters: module,
// resource and file names, tag and attribute names, HTTP header fields.
#pragma once

#include <string>
#include <string_view>

namespace quorvia::ascii {

template <typename Char>
constexpr Char Lower(Char c) {
  return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

template <typename Char>
bool IEquals(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

inline bool IEquals(std::string_view a, std::string_view b) { return IEquals<char>(a, b); }
inline bool IEquals(std::u16string_view a, std::u16string_view b) { return IEquals<char16_t>(a, b); }

inline bool IEndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && IEquals(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace quorvia::ascii
