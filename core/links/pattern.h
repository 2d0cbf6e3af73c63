// The pattern dialect of the configuration document: URL patterns of the
// search engines and the address-extraction patterns of the result matchers.
//
// A Pattern is compiled once and then searched many times; it is immutable
// after construction, and every search keeps its state on its own, so one
// Pattern may be searched from several threads at once.
//
// Matching ignores the case of the ASCII letters A to Z (pattern and text are
// compared in lower case); reported positions are offsets into the searched
// text itself, so captured text keeps its letter case. Offsets count UTF-16
// code units; a surrogate pair is one character for ".", sets and literals,
// so a capture never splits a pair.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvia {

class Pattern {
 public:
  // A stretch of the searched text: [begin, end) in UTF-16 code units.
  struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    friend bool operator==(const Span&, const Span&) = default;
  };

  // The result of a successful search.
  struct Match {
    Span whole;
    // One entry per capture group (brace pair), numbered from 0 in the order
    // of the opening braces; empty for a group that took no part in the match.
    std::vector<std::optional<Span>> groups;

    // The text captured by group n, taken from the searched text; the empty
    // string for a group that took no part in the match or does not exist.
    std::u16string_view Group(std::u16string_view text, std::size_t n) const;
  };

  // Compiles the pattern. A pattern that does not compile (or nests groups,
  // "!" or abbreviations more than 200 levels deep) throws
  // std::invalid_argument whose message is errorPrefix followed directly by
  // the pattern (as UTF-8).
  Pattern(std::u16string_view pattern, std::string_view errorPrefix);
  ~Pattern();
  Pattern(Pattern&&) noexcept;
  Pattern& operator=(Pattern&&) noexcept;
  Pattern(const Pattern&) = delete;
  Pattern& operator=(const Pattern&) = delete;

  // Throws the compile error for a pattern with the given prefix; for callers
  // that reject a pattern before compiling it (no pattern given at all).
  [[noreturn]] static void Reject(std::string_view errorPrefix, std::u16string_view pattern);

  // The leftmost match: attempts start at every character of the text in
  // order (only at the first one when the pattern begins with "^"); the
  // empty text gets one attempt. No attempt starts after the last character
  // of a non-empty text.
  std::optional<Match> Search(std::u16string_view text) const;

  // Search as the bounded search it falls back on when plain backtracking
  // takes too long: every explored state remembered from the first step.
  // The result is always that of Search; this exists so that the two can be
  // checked against each other.
  std::optional<Match> SearchRemembering(std::u16string_view text) const;

  // Whether Search finds a match.
  bool Contains(std::u16string_view text) const;

  // A match that starts exactly at offset start (no other start is tried);
  // none when start lies beyond the text or inside a surrogate pair.
  std::optional<Match> MatchAt(std::u16string_view text, std::size_t start) const;

  // The address-extraction rule of the result matchers: when the pattern is
  // found in text and has at least one capture group, the text of group 0
  // (empty when that group took no part); otherwise text unchanged.
  std::u16string ExtractFirstGroup(std::u16string_view text) const;

  // The number of capture groups (brace pairs).
  std::size_t GroupCount() const noexcept;

  // The pattern as given to the constructor.
  const std::u16string& Source() const noexcept;

  // The compiled program, shared by every search. Defined in pattern.cpp.
  struct Program;

 private:
  std::u16string source_;
  std::unique_ptr<const Program> program_;
};

}  // namespace quorvia
