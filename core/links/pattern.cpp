// The pattern dialect: parser, compiler and matcher.
//
// Design
// ------
// The pattern is lowered (A-Z only), parsed into a tree and compiled into a
// small program for a backtracking machine (character tests, ordered
// two-way branches, jumps, group open/close, back-references, the end
// anchor, and a negative look-ahead that runs a sub-program of its own).
// Branches are tried in order, so greedy and lazy repetition and "|" give the
// result an ordinary backtracking matcher gives.
//
// Bounded time. A plain backtracker takes exponential time on patterns such
// as "(a+)+b" against a long run of a's. This one memoises the states it has
// already explored: a state is a program position, a text position and the
// values of those capture slots that a later back-reference can still read
// (found by a liveness analysis of the program). Whether the rest of a match
// succeeds from a state depends on nothing else, so a state reached a second
// time has already failed and is cut off. Only branch targets and
// sub-program entries are memoised; every other instruction is reached only
// from its predecessor.
//   - Patterns without back-references (the usual case) have no live slots: a state is (program position, text
//     position), kept in bit sets of (text length + 1) bits per branch target.
//     A whole search, over all start positions, visits each state at most
//     once: time and memory are O(program size x text length), and the
//     results are exactly those of unbounded backtracking.
//   - Patterns with back-references key their states on the live slot values
//     as well (a hash table of at most kKeyedMemoBytes). That keeps many
//     such searches polynomial ("{x}(a+)+b\0" stays linear per start), but
//     in general the degree grows with the number of live slots, so these
//     searches also carry a step budget (kBudgetBase + kBudgetPerState x
//     program size x (text length + 1)); a search that exhausts it reports
//     no match. Ordinary back-reference patterns on addresses stay far
//     inside it.
// Look-ahead results are memoised the same way: a sub-program state is
// marked as failed when its exploration ends without reaching the end of the
// sub-program, and every state on the path to that end is marked as
// succeeded, so each look-ahead state is explored once per search.
//
// Speed. Remembering states costs time on every branch, and ordinary
// patterns on ordinary addresses never revisit one, so a search (without
// back-references) first runs as plain backtracking under a step budget
// (kPlainBudgetBase + kPlainBudgetPerState x program size x (text length +
// 1)); when that runs out, the attempt starts again with memoisation, which
// keeps the bound above. Memoisation only prunes states that have already
// failed, so both give the same result. The plain run uses a second
// compilation of the program in which literal characters side by side are
// compared in one instruction, and "*" and "+" over a single character test
// are one instruction that takes its characters in one sweep and, when a
// literal character follows, gives back only positions holding it; a
// look-ahead whose body needs a run of characters that no longer occurs
// after the current position is passed over without running it.
// Before any of this, two filters run: the text must hold one of the runs
// of literal characters every match contains (see RequiredRuns), and
// attempts start only at characters that can begin a match.
//
// The machine keeps its own explicit stack, so long texts cannot exhaust the
// thread's stack; the parser and compiler recurse over the pattern's
// nesting, which is therefore limited to kMaxNesting levels.
//
// No repetition loop can spin without consuming text: "*" and "+" after an
// item that can match the empty text are rejected at compile time, and a
// back-reference can match the empty text only when its group's body can
// (a back-reference to a group that is still open, or took no part in the
// match, fails).

#include "core/links/pattern.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/text/convert.h"

namespace quorvia {

namespace {

constexpr int kMaxNesting = 200;
// Step budget of searches that key states on capture values.
constexpr std::uint64_t kBudgetBase = 1'000'000;
constexpr std::uint64_t kBudgetPerState = 4;
// Step budget of the plain backtracking a search tries first, before it
// starts remembering explored states (which costs more per step but keeps
// every search within program size x text length states).
constexpr std::uint64_t kPlainBudgetBase = 2'000;
constexpr std::uint64_t kPlainBudgetPerState = 2;
// Most memory a keyed state table takes.
constexpr std::size_t kKeyedMemoBytes = std::size_t{8} << 20;

constexpr char32_t kTab = U'\t';

char32_t FoldAscii(char32_t c) { return (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c; }

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// A character that is one UTF-16 unit in any text that holds it, so it can
// be compared unit by unit.
bool OneUnit(char32_t c) { return c < 0x10000 && !IsHighSurrogate(c) && !IsLowSurrogate(c); }

// A set of ASCII characters as a bitmap.
struct AsciiSet {
  std::uint64_t bits[2] = {0, 0};
  void Add(char32_t c) { bits[c >> 6] |= std::uint64_t{1} << (c & 63); }
  bool Has(char32_t c) const { return (bits[c >> 6] >> (c & 63) & 1u) != 0; }  // c < 128
  void AddAll() { bits[0] = bits[1] = ~std::uint64_t{0}; }
  void AddFrom(const AsciiSet& other) {
    bits[0] |= other.bits[0];
    bits[1] |= other.bits[1];
  }
};

// The pattern lowered and split into characters (surrogate pairs joined; a
// lone surrogate stays a character of its own).
std::u32string LowerCodePoints(std::u16string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(FoldAscii(c));
  }
  return out;
}

// ---------------------------------------------------------------------------
// Parse tree

struct CharSet {
  bool negate = false;
  std::vector<std::pair<char32_t, char32_t>> ranges;
  // Membership of the ASCII characters, filled in by Finish(): of lower
  // case ones (as the matcher compares them), and of text characters as
  // they stand (either letter case).
  AsciiSet ascii;
  AsciiSet raw;

  bool InRanges(char32_t c) const {
    bool in = std::any_of(ranges.begin(), ranges.end(),
                          [c](const auto& r) { return c >= r.first && c <= r.second; });
    return in != negate;
  }

  void Finish() {
    for (char32_t c = 0; c < 128; ++c) {
      if (InRanges(c)) ascii.Add(c);
      if (InRanges(FoldAscii(c))) raw.Add(c);
    }
  }

  // c is an ASCII text character as it stands.
  bool HoldsRaw(char16_t c) const { return raw.Has(c); }

  // c is a text character already folded to lower case.
  bool Contains(char32_t c) const { return c < 128 ? ascii.Has(c) : InRanges(c); }
};

enum class Kind { Empty, Char, Any, Set, Seq, Alt, Repeat, Capture, Not, End, BackRef };

struct Node {
  Kind kind = Kind::Empty;
  bool nullable = true;     // can match the empty text
  char32_t ch = 0;          // Char
  std::uint32_t index = 0;  // Set: set index; Capture, BackRef: group number
  bool unbounded = false;   // Repeat: "*" or "+"
  bool optional = false;    // Repeat: "*" or "?"
  bool greedy = true;       // Repeat
  std::vector<std::unique_ptr<Node>> kids;
};

using NodePtr = std::unique_ptr<Node>;

NodePtr MakeNode(Kind kind, bool nullable) {
  auto n = std::make_unique<Node>();
  n->kind = kind;
  n->nullable = nullable;
  return n;
}

NodePtr MakeChar(char32_t c) {
  auto n = MakeNode(Kind::Char, false);
  n->ch = c;
  return n;
}

struct CompileFailure {};

// Recursive-descent parser. Abbreviations are expanded in place: their text
// is read as if it stood in the pattern, so a repetition sign after "\q"
// applies to its second group, as it would after the written-out text.
class Parser {
 public:
  explicit Parser(std::u32string_view pattern) { frames_.push_back({pattern, 0}); }

  NodePtr ParseAll() {
    if (!AtEnd() && Peek() == U'^') {
      Next();
      anchored_ = true;
    }
    // ParseSeq stops at the end or at a stray closer; whatever follows a
    // stray closer is ignored.
    return ParseSeq(0);
  }

  bool anchored() const { return anchored_; }
  std::uint32_t groups() const { return static_cast<std::uint32_t>(groupClosed_.size()); }
  std::vector<CharSet> TakeSets() { return std::move(sets_); }

 private:
  struct Frame {
    std::u32string_view text;
    std::size_t pos;
  };

  [[noreturn]] static void Fail() { throw CompileFailure{}; }

  void DropFinishedExpansions() {
    while (frames_.size() > 1 && frames_.back().pos >= frames_.back().text.size()) frames_.pop_back();
  }
  bool AtEnd() {
    DropFinishedExpansions();
    return frames_.back().pos >= frames_.back().text.size();
  }
  char32_t Peek() { return frames_.back().text[frames_.back().pos]; }  // only after !AtEnd()
  char32_t Next() { return frames_.back().text[frames_.back().pos++]; }
  // Whether the next character is the last one of the written pattern.
  bool NextIsLastOfPattern() {
    return frames_.size() == 1 && frames_[0].pos + 1 == frames_[0].text.size();
  }

  static bool IsCloser(char32_t c) { return c == U')' || c == U'}' || c == U']'; }
  bool StartsItem() { return !AtEnd() && !IsCloser(Peek()) && Peek() != U'|'; }

  NodePtr ParseSeq(int depth) {
    if (depth > kMaxNesting) Fail();
    std::vector<NodePtr> items;
    while (!AtEnd()) {
      const char32_t c = Peek();
      if (IsCloser(c)) break;
      if (c == U'|') {
        // "|" joins the single item before it with the single item after
        // it; a missing side is the empty text.
        Next();
        NodePtr left = MakeNode(Kind::Empty, true);
        if (!items.empty()) {
          left = std::move(items.back());
          items.pop_back();
        }
        NodePtr right = StartsItem() ? ParseItem(depth) : MakeNode(Kind::Empty, true);
        // A chain "a|b|c" becomes one alternative of three, tried in order
        // (the same as (a|b)|c, without nesting the tree).
        if (left->kind != Kind::Alt) {
          auto alt = MakeNode(Kind::Alt, left->nullable);
          alt->kids.push_back(std::move(left));
          left = std::move(alt);
        }
        left->nullable = left->nullable || right->nullable;
        left->kids.push_back(std::move(right));
        items.push_back(std::move(left));
        continue;
      }
      items.push_back(ParseItem(depth));
    }
    if (items.size() == 1) return std::move(items.front());
    auto seq = MakeNode(Kind::Seq, true);
    for (auto& item : items) seq->nullable = seq->nullable && item->nullable;
    seq->kids = std::move(items);
    return seq;
  }

  // One item with its repetition sign.
  NodePtr ParseItem(int depth) {
    if (depth > kMaxNesting) Fail();
    const bool lastOfPattern = NextIsLastOfPattern();
    const char32_t c = Next();
    NodePtr node;
    switch (c) {
      case U'(': {
        node = ParseSeq(depth + 1);
        if (AtEnd() || Next() != U')') Fail();
        break;
      }
      case U'{': {
        const auto index = static_cast<std::uint32_t>(groupClosed_.size());
        groupClosed_.push_back(false);
        groupNullable_.push_back(false);
        NodePtr body = ParseSeq(depth + 1);
        if (AtEnd() || Next() != U'}') Fail();
        groupClosed_[index] = true;
        groupNullable_[index] = body->nullable;
        node = MakeNode(Kind::Capture, body->nullable);
        node->index = index;
        node->kids.push_back(std::move(body));
        break;
      }
      case U'[':
        node = ParseSet();
        break;
      case U'.':
        node = MakeNode(Kind::Any, false);
        break;
      case U'\\':
        node = ParseEscape();
        if (!node) return ParseItem(depth + 1);  // an abbreviation's text is now being read
        break;
      case U'!':
        if (!StartsItem()) {
          node = MakeChar(c);
          break;
        }
        // "!" takes the next item together with its repetition sign.
        node = MakeNode(Kind::Not, true);
        node->kids.push_back(ParseItem(depth + 1));
        return node;
      case U'$':
        node = lastOfPattern ? MakeNode(Kind::End, true) : MakeChar(c);
        break;
      default:
        // "^" after the start, and "*", "+", "?" without an item before them.
        node = MakeChar(c);
        break;
    }
    if (!AtEnd() && (Peek() == U'*' || Peek() == U'+' || Peek() == U'?')) {
      const char32_t sign = Next();
      auto rep = MakeNode(Kind::Repeat, sign != U'+' || node->nullable);
      rep->unbounded = sign != U'?';
      rep->optional = sign != U'+';
      if (!AtEnd() && Peek() == U'?') {
        Next();
        rep->greedy = false;
      }
      if (rep->unbounded && node->nullable) Fail();
      rep->kids.push_back(std::move(node));
      node = std::move(rep);
    }
    return node;
  }

  // After a backslash: a back-reference, a literal, or (returning null) an
  // abbreviation whose text has been pushed for reading.
  NodePtr ParseEscape() {
    if (AtEnd()) return MakeChar(U'\\');  // a trailing backslash stands for itself
    const char32_t c = Next();
    if (c >= U'0' && c <= U'9') {
      std::uint64_t n = c - U'0';
      while (!AtEnd() && Peek() >= U'0' && Peek() <= U'9') {
        n = std::min<std::uint64_t>(n * 10 + (Next() - U'0'), std::numeric_limits<std::uint32_t>::max());
      }
      if (n >= groupClosed_.size()) Fail();
      const auto index = static_cast<std::uint32_t>(n);
      // A reference inside its own group never matches; otherwise it can be
      // empty exactly when the group's body can.
      auto ref = MakeNode(Kind::BackRef, groupClosed_[index] && groupNullable_[index]);
      ref->index = index;
      return ref;
    }
    const std::u32string_view expansion = Abbreviation(c);
    if (expansion.empty()) return MakeChar(c);
    frames_.push_back({expansion, 0});
    return nullptr;
  }

  static std::u32string_view Abbreviation(char32_t letter) {
    switch (letter) {
      case U'a': return U"([a-zA-Z0-9])";
      case U'b': return U"([ \\t])";
      case U'c': return U"([a-zA-Z])";
      case U'd': return U"([0-9])";
      case U'h': return U"([0-9a-fA-F])";
      case U'n': return U"(\r|(\r?\n))";
      case U'q': return U"(\"[^\"]*\")|('[^']*')";
      case U'w': return U"([a-zA-Z]+)";
      case U'z': return U"([0-9]+)";
      default: return {};
    }
  }

  // One character of a set: a backslash takes the next character
  // literally, "\t" is a tab.
  char32_t SetChar(char32_t c) {
    if (c != U'\\') return c;
    if (AtEnd()) Fail();
    const char32_t e = Next();
    return e == U't' ? kTab : e;
  }

  NodePtr ParseSet() {
    CharSet set;
    if (!AtEnd() && Peek() == U'^') {
      Next();
      set.negate = true;
    }
    for (;;) {
      if (AtEnd()) Fail();  // unclosed "["
      const char32_t c = Next();
      if (c == U']') break;
      if (c == U'-' && !AtEnd() && Peek() == U']') Fail();  // "-" right before "]"
      const char32_t lo = SetChar(c);
      if (!AtEnd() && Peek() == U'-') {
        Next();
        if (AtEnd()) Fail();
        if (Peek() == U']') Fail();  // "-" right before "]"
        const char32_t hi = SetChar(Next());
        if (hi < lo) Fail();  // reversed range
        set.ranges.emplace_back(lo, hi);
      } else {
        set.ranges.emplace_back(lo, lo);
      }
    }
    if (set.ranges.empty()) Fail();  // empty set
    set.Finish();
    auto node = MakeNode(Kind::Set, false);
    node->index = static_cast<std::uint32_t>(sets_.size());
    sets_.push_back(std::move(set));
    return node;
  }

  std::vector<Frame> frames_;
  bool anchored_ = false;
  std::vector<bool> groupClosed_;
  std::vector<bool> groupNullable_;
  std::vector<CharSet> sets_;
};

// ---------------------------------------------------------------------------
// Program

enum class Op : std::uint8_t { Char, Any, Set, Split, Jmp, Open, Close, BackRef, End, LookNeg, Match, Star, Lit };

// Star and Lit are found only in the plain program (see Program). Star: "*"
// or "+" over a single character test, which stands right after it; the
// match goes on after that test. Lit: two or more characters side by side,
// each one UTF-16 unit (not a surrogate), compared in one go.
struct Inst {
  Op op;
  std::uint32_t x = 0;  // Char: character; Set: set; Split: preferred target; Jmp: target;
                        // Open, Close, BackRef: group; LookNeg: sub-program entry;
                        // Star: 1 when greedy; Lit: its index in Program::literals
  std::uint32_t y = 0;  // Split: the other target; Star: least number of characters (0 or 1);
                        // LookNeg in the plain program: 1 + its index in Program::lookRuns, or 0
  std::uint32_t z = 0;  // Star: 1 + the character the match goes on with, when it goes on
                        // with a single character; else 0
};

constexpr std::int32_t kNoMemo = -1;

}  // namespace

struct Pattern::Program {
  // The program the memoising search runs: every repetition written out as
  // branches, so that each state it explores has a program position.
  std::vector<Inst> code;
  // The same program for plain backtracking, where repetitions of a single
  // character test are one Star instruction that takes the characters in
  // one sweep and gives them back without running the loop.
  std::vector<Inst> plain;
  std::vector<std::u16string> literals;  // of the Lit instructions, lower case
  std::vector<CharSet> sets;
  std::uint32_t groups = 0;
  bool anchored = false;
  // Per instruction: the row of its bit sets when it is memoised by
  // (program position, text position) alone, else kNoMemo.
  std::vector<std::int32_t> dense;
  // Per instruction: its index in live when it is memoised together with
  // the values of live capture slots, else kNoMemo.
  std::vector<std::int32_t> keyed;
  // Per keyed instruction: the capture slots (2g start, 2g+1 end) whose
  // values the rest of a match can read.
  std::vector<std::vector<std::uint32_t>> live;
  std::uint32_t denseCount = 0;
  std::uint32_t keyWidth = 0;  // words of a keyed state; 0 when nothing is keyed
  // Runs of characters (lower case, single UTF-16 units) of which every
  // match contains at least one, side by side; empty when nothing is known.
  // A text holding none of them cannot match, which a plain scan tells
  // cheaply. anchor is the position in the run of the character the scan
  // looks for: the one least common in addresses.
  struct Run {
    std::u16string text;
    std::size_t anchor = 0;
  };
  std::vector<Run> required;
  // Per look-ahead of the plain program that has them: the runs its body
  // must contain (as required, for the body alone).
  std::vector<std::vector<Run>> lookRuns;
  // When every match consumes at least one character: the text characters
  // a match can begin with (as they stand in the text, either letter case).
  // Other start positions are passed over without running the machine.
  bool startFilter = false;
  AsciiSet startAscii;
  bool startOther = false;  // some character beyond ASCII can begin a match
  // The start characters as one or two UTF-16 units (a letter in both
  // cases), which a vector scan finds; 0 when the set is larger.
  int startUnitCount = 0;
  char16_t startUnits[2] = {0, 0};
};

namespace {

// ---------------------------------------------------------------------------
// Filters run before the machine

using Runs = std::vector<std::u16string>;

constexpr std::size_t kMaxRuns = 16;

// How useful a set of runs is as a filter: the shorter its shortest run, the
// more texts hold one of them; more runs cost more scans.
bool BetterRuns(const Runs& a, const Runs& b) {
  auto shortest = [](const Runs& r) {
    std::size_t n = std::numeric_limits<std::size_t>::max();
    for (const auto& run : r) n = std::min(n, run.size());
    return r.empty() ? 0 : n;
  };
  const std::size_t sa = shortest(a);
  const std::size_t sb = shortest(b);
  if (sa != sb) return sa > sb;
  return !a.empty() && a.size() < b.size();
}

// Runs of characters of which every match of the node contains at least one:
// runs of literal characters in a sequence, looked for also inside groups,
// "+" repetitions and every branch of an alternative. Optional parts,
// negations and back-references require nothing. Characters outside the
// Basic Multilingual Plane and lone surrogates end a run, so a run can be
// searched for unit by unit in UTF-16 text.
Runs RequiredRuns(const Node& node) {
  switch (node.kind) {
    case Kind::Char:
      if (!OneUnit(node.ch)) return {};
      return {std::u16string(1, static_cast<char16_t>(node.ch))};
    case Kind::Capture:
      return RequiredRuns(*node.kids[0]);
    case Kind::Repeat:
      return node.optional ? Runs() : RequiredRuns(*node.kids[0]);
    case Kind::Alt: {
      Runs all;
      for (const auto& kid : node.kids) {
        Runs runs = RequiredRuns(*kid);
        if (runs.empty() || all.size() + runs.size() > kMaxRuns) return {};
        for (auto& run : runs) {
          if (std::find(all.begin(), all.end(), run) == all.end()) all.push_back(std::move(run));
        }
      }
      return all;
    }
    case Kind::Seq: {
      Runs best;
      std::u16string run;
      auto offer = [&best](Runs candidate) {
        if (BetterRuns(candidate, best)) best = std::move(candidate);
      };
      for (const auto& kid : node.kids) {
        Runs inner = RequiredRuns(*kid);
        if (kid->kind == Kind::Char && !inner.empty()) {
          run += inner.front();
          continue;
        }
        if (!run.empty()) offer({std::move(run)});
        run.clear();
        offer(std::move(inner));
      }
      if (!run.empty()) offer({std::move(run)});
      return best;
    }
    default:
      return {};
  }
}

// How often a character turns up in addresses, roughly (higher: more
// often); the scan for a run looks for its rarest character.
int Commonness(char16_t c) {
  static constexpr std::string_view kLetters = "zqjxkvbpygfwmucldrhsnioate";  // rising
  if (c == u'/' || c == u'.') return 40;
  if (c >= u'a' && c <= u'z') return 10 + static_cast<int>(kLetters.find(static_cast<char>(c)));
  if (c >= u'0' && c <= u'9') return 25;
  if (c == u'-' || c == u'_' || c == u'=' || c == u'&' || c == u'%') return 20;
  return 5;
}

Pattern::Program::Run MakeRun(std::u16string text) {
  Pattern::Program::Run run{std::move(text), 0};
  for (std::size_t i = 1; i < run.text.size(); ++i) {
    if (Commonness(run.text[i]) < Commonness(run.text[run.anchor])) run.anchor = i;
  }
  return run;
}

// Adds to the start set the text characters c (folded) is compared with.
void AddStartChar(Pattern::Program& p, char32_t c) {
  if (c >= 128) {
    p.startOther = true;
    return;
  }
  p.startAscii.Add(c);
  if (c >= U'a' && c <= U'z') p.startAscii.Add(c - (U'a' - U'A'));
}

// Adds the characters a match of the node can begin with; a node that can
// match the empty text lets the next one in a sequence begin too.
void AddStartSet(Pattern::Program& p, const Node& node) {
  switch (node.kind) {
    case Kind::Char:
      AddStartChar(p, node.ch);
      break;
    case Kind::Set: {
      const CharSet& set = p.sets[node.index];
      p.startAscii.AddFrom(set.raw);
      p.startOther = p.startOther || set.negate ||
                     std::any_of(set.ranges.begin(), set.ranges.end(), [](const auto& r) { return r.second >= 128; });
      break;
    }
    case Kind::Any:
    case Kind::BackRef:
      p.startAscii.AddAll();
      p.startOther = true;
      break;
    case Kind::Capture:
    case Kind::Repeat:
      AddStartSet(p, *node.kids[0]);
      break;
    case Kind::Alt:
      for (const auto& kid : node.kids) AddStartSet(p, *kid);
      break;
    case Kind::Seq:
      for (const auto& kid : node.kids) {
        AddStartSet(p, *kid);
        if (!kid->nullable) break;
      }
      break;
    case Kind::Empty:
    case Kind::Not:  // looks ahead without consuming: the next item begins the match
    case Kind::End:
      break;
  }
}

void PlanFilters(Pattern::Program& p, const Node& root) {
  for (auto& run : RequiredRuns(root)) p.required.push_back(MakeRun(std::move(run)));
  if (root.nullable) return;
  p.startFilter = true;
  AddStartSet(p, root);
  if (p.startOther) return;
  for (char16_t c = 0; c < 128; ++c) {
    if (!p.startAscii.Has(c)) continue;
    if (p.startUnitCount == 2) {
      p.startUnitCount = 0;
      return;
    }
    p.startUnits[p.startUnitCount++] = c;
  }
  if (p.startUnitCount == 1) p.startUnits[1] = p.startUnits[0];
}

// The first offset in [from, n) whose unit is a or b; n when there is none.
std::size_t FindEither(const char16_t* s, std::size_t from, std::size_t n, char16_t a, char16_t b) {
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi16(static_cast<short>(a));
  const __m128i vb = _mm_set1_epi16(static_cast<short>(b));
  for (; i + 8 <= n; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb)));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)) >> 1);
  }
#endif
  for (; i < n; ++i) {
    if (s[i] == a || s[i] == b) return i;
  }
  return n;
}

// Where text next holds the run at or after from (the run's first
// offset), letters compared as the matcher compares them; npos when never.
std::size_t FindRun(std::u16string_view text, const Pattern::Program::Run& run, std::size_t from) {
  const std::size_t length = run.text.size();
  if (text.size() < length || from > text.size() - length) return std::u16string_view::npos;
  if (length == 0) return from;
  const char16_t lower = run.text[run.anchor];
  const char16_t upper = (lower >= u'a' && lower <= u'z') ? lower - (u'a' - u'A') : lower;
  const std::size_t last = text.size() - length + run.anchor;  // the last offset the anchor can have
  for (std::size_t at = from + run.anchor;; ++at) {
    at = FindEither(text.data(), at, last + 1, lower, upper);
    if (at > last) return std::u16string_view::npos;
    const std::size_t begin = at - run.anchor;
    std::size_t i = 0;
    while (i < length && FoldAscii(text[begin + i]) == static_cast<char32_t>(run.text[i])) ++i;
    if (i == length) return begin;
  }
}

bool HoldsRun(std::u16string_view text, const Pattern::Program::Run& run) {
  return FindRun(text, run, 0) != std::u16string_view::npos;
}

bool HoldsAnyRun(std::u16string_view text, const std::vector<Pattern::Program::Run>& runs) {
  return runs.empty() ||
         std::any_of(runs.begin(), runs.end(), [text](const auto& run) { return HoldsRun(text, run); });
}

// The offset of the last place where text holds one of the runs; -1 when
// it holds none.
std::int32_t LastRunStart(std::u16string_view text, const std::vector<Pattern::Program::Run>& runs) {
  std::int32_t last = -1;
  for (const auto& run : runs) {
    for (std::size_t at = FindRun(text, run, 0); at != std::u16string_view::npos; at = FindRun(text, run, at + 1)) {
      last = std::max(last, static_cast<std::int32_t>(at));
    }
  }
  return last;
}

// The first start position at or after from (a character start) whose
// character can begin a match; n when there is none.
std::int32_t NextStart(const Pattern::Program& p, std::u16string_view text, std::int32_t from) {
  const auto n = static_cast<std::int32_t>(text.size());
  if (p.startUnitCount > 0) {
    return static_cast<std::int32_t>(
        FindEither(text.data(), static_cast<std::size_t>(from), text.size(), p.startUnits[0], p.startUnits[1]));
  }
  for (std::int32_t pos = from; pos < n; ++pos) {
    const char16_t c = text[pos];
    if (c < 128) {
      if (p.startAscii.Has(c)) return pos;
    } else if (p.startOther) {
      // Only a character start: never the second half of a pair.
      if (!(IsLowSurrogate(c) && pos > 0 && IsHighSurrogate(text[pos - 1]))) return pos;
    }
  }
  return n;
}

// ---------------------------------------------------------------------------
// Compiler

class Compiler {
 public:
  // plain: compiles program.plain, with Star instructions; else
  // program.code, and plans its memoisation.
  Compiler(Pattern::Program& program, bool plain)
      : p_(program), code_(plain ? program.plain : program.code), plain_(plain) {}

  void CompileMain(const Node& root) {
    Emit(root);
    Add(Op::Match);
    // Look-ahead bodies follow the main program, each ending in Match.
    while (!pending_.empty()) {
      auto [node, at] = pending_.back();
      pending_.pop_back();
      code_[at].x = Here();
      subEntries_.push_back(Here());
      Emit(*node);
      Add(Op::Match);
    }
    if (plain_) {
      for (std::uint32_t pc = 0; pc < Here(); ++pc) {
        // A Star is followed by its test and at least a Match.
        if (code_[pc].op != Op::Star) continue;
        const Inst& after = code_[pc + 2];
        if (after.op == Op::Lit) {
          code_[pc].z = static_cast<std::uint32_t>(p_.literals[after.x][0]) + 1;
          continue;
        }
        if (after.op != Op::Char) continue;
        if (OneUnit(after.x)) code_[pc].z = after.x + 1;
      }
    } else {
      Plan();
    }
  }

 private:
  std::uint32_t Here() const { return static_cast<std::uint32_t>(code_.size()); }
  std::uint32_t Add(Op op, std::uint32_t x = 0, std::uint32_t y = 0) {
    code_.push_back({op, x, y, 0});
    return Here() - 1;
  }

  void Emit(const Node& n) {
    switch (n.kind) {
      case Kind::Empty:
        break;
      case Kind::Char:
        Add(Op::Char, n.ch);
        break;
      case Kind::Any:
        Add(Op::Any);
        break;
      case Kind::Set:
        Add(Op::Set, n.index);
        break;
      case Kind::End:
        Add(Op::End);
        break;
      case Kind::BackRef:
        Add(Op::BackRef, n.index);
        break;
      case Kind::Seq:
        for (std::size_t i = 0; i < n.kids.size();) {
          // In the plain program, characters side by side become one Lit.
          std::size_t j = i;
          while (plain_ && j < n.kids.size() && n.kids[j]->kind == Kind::Char && OneUnit(n.kids[j]->ch)) ++j;
          if (j - i >= 2) {
            std::u16string literal;
            for (; i < j; ++i) literal += static_cast<char16_t>(n.kids[i]->ch);
            Add(Op::Lit, static_cast<std::uint32_t>(p_.literals.size()));
            p_.literals.push_back(std::move(literal));
            continue;
          }
          Emit(*n.kids[i++]);
        }
        break;
      case Kind::Capture:
        Add(Op::Open, n.index);
        Emit(*n.kids[0]);
        Add(Op::Close, n.index);
        break;
      case Kind::Not: {
        const auto at = Add(Op::LookNeg);
        pending_.emplace_back(n.kids[0].get(), at);
        if (plain_) {
          // The runs the body must contain, so that a search can tell the
          // body cannot match without running it.
          std::vector<Pattern::Program::Run> runs;
          for (auto& run : RequiredRuns(*n.kids[0])) runs.push_back(MakeRun(std::move(run)));
          if (!runs.empty()) {
            p_.lookRuns.push_back(std::move(runs));
            code_[at].y = static_cast<std::uint32_t>(p_.lookRuns.size());
          }
        }
        break;
      }
      case Kind::Alt: {
        // Split to each choice but the last in turn; every choice but the
        // last jumps to the end.
        std::vector<std::uint32_t> jumps;
        for (std::size_t i = 0; i + 1 < n.kids.size(); ++i) {
          const auto split = Add(Op::Split);
          code_[split].x = Here();
          Emit(*n.kids[i]);
          jumps.push_back(Add(Op::Jmp));
          code_[split].y = Here();
        }
        Emit(*n.kids.back());
        for (auto j : jumps) code_[j].x = Here();
        break;
      }
      case Kind::Repeat:
        EmitRepeat(n);
        break;
    }
  }

  void SetSplit(std::uint32_t at, std::uint32_t body, std::uint32_t out, bool greedy) {
    code_[at].x = greedy ? body : out;
    code_[at].y = greedy ? out : body;
  }

  void EmitRepeat(const Node& n) {
    const Node& body = *n.kids[0];
    const bool single = body.kind == Kind::Char || body.kind == Kind::Any || body.kind == Kind::Set;
    if (plain_ && n.unbounded && single) {
      Add(Op::Star, n.greedy ? 1 : 0, n.optional ? 0 : 1);
      Emit(body);
    } else if (!n.unbounded) {  // "?"
      const auto split = Add(Op::Split);
      Emit(body);
      SetSplit(split, split + 1, Here(), n.greedy);
    } else if (n.optional) {  // "*"
      const auto split = Add(Op::Split);
      Emit(body);
      Add(Op::Jmp, split);
      SetSplit(split, split + 1, Here(), n.greedy);
    } else {  // "+"
      const auto start = Here();
      Emit(body);
      const auto split = Add(Op::Split);
      SetSplit(split, start, split + 1, n.greedy);
    }
  }

  // Chooses the memoised instructions and finds their live capture slots.
  void Plan() {
    const std::uint32_t size = Here();
    std::vector<bool> target(size, false);
    target[0] = true;
    for (auto e : subEntries_) target[e] = true;
    for (const auto& in : code_) {
      if (in.op == Op::Split) target[in.x] = target[in.y] = true;
      if (in.op == Op::Jmp) target[in.x] = true;
    }

    // Liveness of capture slots, iterated to a fixed point (loops jump back).
    // Only a back-reference reads a slot; without one nothing is live.
    const bool reads = std::any_of(code_.begin(), code_.end(),
                                   [](const Inst& in) { return in.op == Op::BackRef; });
    const std::uint32_t slots = reads ? 2 * p_.groups : 0;
    std::vector<std::vector<bool>> live(size, std::vector<bool>(slots, false));
    if (slots > 0) {
      bool changed = true;
      while (changed) {
        changed = false;
        for (std::uint32_t pc = size; pc-- > 0;) {
          const Inst& in = code_[pc];
          std::vector<bool> now(slots, false);
          auto add = [&](std::uint32_t from) {
            for (std::uint32_t s = 0; s < slots; ++s) now[s] = now[s] || live[from][s];
          };
          switch (in.op) {
            case Op::Match:
              break;
            case Op::Split:
              add(in.x);
              add(in.y);
              break;
            case Op::Jmp:
              add(in.x);
              break;
            case Op::Open:  // writes both slots of its group
              add(pc + 1);
              now[2 * in.x] = now[2 * in.x + 1] = false;
              break;
            case Op::Close:  // writes the end slot
              add(pc + 1);
              now[2 * in.x + 1] = false;
              break;
            case Op::BackRef:
              add(pc + 1);
              now[2 * in.x] = now[2 * in.x + 1] = true;
              break;
            case Op::LookNeg:
              add(in.x);
              add(pc + 1);
              break;
            default:
              add(pc + 1);
              break;
          }
          if (now != live[pc]) {
            live[pc] = std::move(now);
            changed = true;
          }
        }
      }
    }

    p_.dense.assign(size, kNoMemo);
    p_.keyed.assign(size, kNoMemo);
    for (std::uint32_t pc = 0; pc < size; ++pc) {
      if (!target[pc]) continue;
      std::vector<std::uint32_t> slotsLive;
      for (std::uint32_t s = 0; s < slots; ++s) {
        if (live[pc][s]) slotsLive.push_back(s);
      }
      if (slotsLive.empty()) {
        p_.dense[pc] = static_cast<std::int32_t>(p_.denseCount++);
      } else {
        p_.keyed[pc] = static_cast<std::int32_t>(p_.live.size());
        p_.keyWidth = std::max(p_.keyWidth, static_cast<std::uint32_t>(2 + slotsLive.size()));
        p_.live.push_back(std::move(slotsLive));
      }
    }
  }

  Pattern::Program& p_;
  std::vector<Inst>& code_;
  bool plain_;
  std::vector<std::pair<const Node*, std::uint32_t>> pending_;
  std::vector<std::uint32_t> subEntries_;
};

// ---------------------------------------------------------------------------
// Matching

enum Mark : std::uint8_t { kUnseen = 0, kVisited = 1, kSucceeded = 2 };

// States keyed on live capture values: an open-addressing table of
// fixed-width keys (program position, text position, slot values).
class KeyedMemo {
 public:
  explicit KeyedMemo(std::uint32_t width) : width_(width) {
    while (maxSlots_ * 2 * (4 * std::size_t{width} + 1) <= kKeyedMemoBytes) maxSlots_ *= 2;
  }

  Mark Get(const std::uint32_t* key) const {
    if (marks_.empty()) return kUnseen;
    const std::size_t at = Probe(key);
    return static_cast<Mark>(marks_[at]);
  }

  // A full table keeps the states it holds and forgets new ones: they are
  // explored again if reached again, which costs steps but not correctness.
  void Set(const std::uint32_t* key, Mark mark) {
    if ((used_ + 1) * 2 > marks_.size()) {
      if (marks_.size() * 2 > maxSlots_) {
        if (const std::size_t at = Probe(key); marks_[at] != kUnseen) marks_[at] = mark;
        return;
      }
      Grow();
    }
    const std::size_t at = Probe(key);
    if (marks_[at] == kUnseen) {
      ++used_;
      std::copy(key, key + width_, keys_.begin() + static_cast<std::ptrdiff_t>(at * width_));
    }
    marks_[at] = mark;
  }

 private:
  std::size_t Probe(const std::uint32_t* key) const {
    std::uint64_t h = 0x9E3779B97F4A7C15u;
    for (std::uint32_t i = 0; i < width_; ++i) h = (h ^ key[i]) * 0xFF51AFD7ED558CCDu;
    h ^= h >> 32;
    const std::size_t mask = marks_.size() - 1;
    for (std::size_t at = h & mask;; at = (at + 1) & mask) {
      if (marks_[at] == kUnseen ||
          std::equal(key, key + width_, keys_.begin() + static_cast<std::ptrdiff_t>(at * width_))) {
        return at;
      }
    }
  }

  void Grow() {
    std::vector<std::uint32_t> keys = std::move(keys_);
    std::vector<std::uint8_t> marks = std::move(marks_);
    const std::size_t capacity = marks.empty() ? 1024 : marks.size() * 2;
    keys_.assign(capacity * width_, 0);
    marks_.assign(capacity, kUnseen);
    used_ = 0;
    for (std::size_t i = 0; i < marks.size(); ++i) {
      if (marks[i] != kUnseen) Set(&keys[i * width_], static_cast<Mark>(marks[i]));
    }
  }

  std::uint32_t width_;
  std::size_t maxSlots_ = 1024;  // a power of two
  std::size_t used_ = 0;
  std::vector<std::uint32_t> keys_;
  std::vector<std::uint8_t> marks_;
};

// A vector that keeps its first N elements inside itself and only goes to
// the heap beyond them, so that a search over an ordinary address allocates
// nothing. Elements are trivially copyable; new elements are uninitialised
// unless a value is given.
template <typename T, std::size_t N>
class SmallVec {
 public:
  SmallVec() = default;
  SmallVec(const SmallVec&) = delete;
  SmallVec& operator=(const SmallVec&) = delete;

  std::size_t size() const { return size_; }
  T* data() { return data_; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  T& back() { return data_[size_ - 1]; }
  void clear() { size_ = 0; }
  void pop_back() { --size_; }
  void push_back(const T& value) {
    if (size_ == capacity_) [[unlikely]] Reserve(2 * capacity_);
    data_[size_++] = value;
  }
  // Shrinks to n elements, or grows with copies of value.
  void resize(std::size_t n, const T& value = T()) {
    Reserve(n);
    for (std::size_t i = size_; i < n; ++i) data_[i] = value;
    size_ = n;
  }
  void assign(std::size_t n, const T& value) {
    size_ = 0;
    resize(n, value);
  }
  void append(const T* first, const T* last) {
    const auto count = static_cast<std::size_t>(last - first);
    Reserve(size_ + count);
    std::copy(first, last, data_ + size_);
    size_ += count;
  }

 private:
  void Reserve(std::size_t n) {
    if (n <= capacity_) return;
    Grow(n);
  }
  [[gnu::noinline]] void Grow(std::size_t n) {
    std::vector<T> bigger(std::max(n, 2 * capacity_));
    std::copy(data_, data_ + size_, bigger.begin());
    heap_ = std::move(bigger);
    data_ = heap_.data();
    capacity_ = heap_.size();
  }

  T inline_[N];
  std::vector<T> heap_;
  T* data_ = inline_;
  std::size_t size_ = 0;
  std::size_t capacity_ = N;
};

// Explore: go on at (pc, pos). Restore: put a capture slot back.
// Greedy, Lazy: the positions a Star instruction has still to give.
enum class JobKind : std::uint8_t { Explore, Restore, Greedy, Lazy };
struct Job {
  JobKind kind;
  std::uint32_t pc;   // Explore: program position; Restore: slot; Greedy, Lazy: the Star
  std::int32_t pos;   // Explore: text position; Restore: old value;
                      // Greedy: the position last given; Lazy: likewise
  std::size_t trail;  // Explore: trail length when pushed; Greedy: the least position
};
// A look-ahead state on the current path: dense (row, pos) or a keyed state
// whose key words start at key in the trail's key store.
struct TrailEntry {
  std::int32_t row;
  std::int32_t pos;
  std::size_t key;
};

class Searcher {
 public:
  // remember: explore with memoisation from the first step.
  Searcher(const Pattern::Program& program, std::u16string_view text, bool remember)
      : p_(program),
        text_(text),
        n_(static_cast<std::int32_t>(text.size())),
        words_(text.size() / 64 + 1),
        keyedMemo_(program.keyWidth) {
    caps_.assign(2 * program.groups, -1);
    key_.assign(program.keyWidth, 0);
    if (program.keyWidth > 0) {
      budget_ = kBudgetBase + kBudgetPerState * program.code.size() * (text.size() + 1);
      StartMemo();
    } else if (remember) {
      budget_ = std::numeric_limits<std::uint64_t>::max();
      StartMemo();
    } else {
      budget_ = kPlainBudgetBase + kPlainBudgetPerState * program.code.size() * (text.size() + 1);
    }
  }

  // One attempt at start; on success fills match when one is given.
  bool Attempt(std::int32_t start, Pattern::Match* out) {
    std::int32_t end = 0;
    for (;;) {
      stack_.clear();
      trail_.clear();
      trailKeys_.clear();
      if (Run(0, start, false, &end)) break;
      if (!overBudget_) return false;
      // The plain search has taken too long: this attempt starts again, and
      // it and every later one remember the states they explore.
      overBudget_ = false;
      budget_ = std::numeric_limits<std::uint64_t>::max();
      caps_.assign(2 * p_.groups, -1);
      StartMemo();
    }
    if (out == nullptr) return true;
    Pattern::Match& match = *out;
    match.whole = {static_cast<std::size_t>(start), static_cast<std::size_t>(end)};
    match.groups.assign(p_.groups, std::nullopt);
    for (std::uint32_t g = 0; g < p_.groups; ++g) {
      const auto b = caps_[2 * g];
      const auto e = caps_[2 * g + 1];
      if (b >= 0 && e >= b) match.groups[g] = Pattern::Span{static_cast<std::size_t>(b), static_cast<std::size_t>(e)};
    }
    return true;
  }

  bool exhausted() const { return exhausted_; }

  // The next character start after pos (pos < text length).
  std::int32_t Step(std::int32_t pos) const {
    std::int32_t len = 1;
    Decode(pos, &len);
    return pos + len;
  }

 private:
  char32_t Decode(std::int32_t pos, std::int32_t* len) const {
    char32_t c = text_[pos];
    *len = 1;
    if (IsHighSurrogate(c) && pos + 1 < n_ && IsLowSurrogate(text_[pos + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text_[pos + 1] - 0xDC00);
      *len = 2;
    }
    return FoldAscii(c);
  }

  std::uint64_t* Row(std::int32_t row, Mark mark) {
    return &bits_[(2 * static_cast<std::size_t>(row) + (mark == kSucceeded ? 1 : 0)) * words_];
  }
  static bool Test(const std::uint64_t* bits, std::int32_t pos) { return (bits[pos >> 6] >> (pos & 63) & 1u) != 0; }
  static void Put(std::uint64_t* bits, std::int32_t pos) { bits[pos >> 6] |= std::uint64_t{1} << (pos & 63); }

  void FillKey(std::uint32_t pc, std::int32_t pos) {
    const auto& slots = p_.live[p_.keyed[pc]];
    std::fill(key_.begin(), key_.end(), std::numeric_limits<std::uint32_t>::max());
    key_[0] = pc;
    key_[1] = static_cast<std::uint32_t>(pos);
    for (std::size_t i = 0; i < slots.size(); ++i) key_[2 + i] = static_cast<std::uint32_t>(caps_[slots[i]]);
  }

  // Marks the look-ahead states of the current path from index from on as
  // succeeded, and drops them from the trail.
  void CloseTrail(std::size_t from, bool succeeded) {
    if (succeeded) {
      for (std::size_t i = from; i < trail_.size(); ++i) {
        const TrailEntry& t = trail_[i];
        if (t.row >= 0) {
          Put(Row(t.row, kSucceeded), t.pos);
        } else {
          keyedMemo_.Set(&trailKeys_[t.key], kSucceeded);
        }
      }
    }
    TruncateTrail(from);
  }
  void TruncateTrail(std::size_t length) {
    if (length < trail_.size()) {
      trailKeys_.resize(trail_[length].key);
      trail_.resize(length);
    }
  }

  void Save(std::uint32_t slot, std::int32_t value) {
    stack_.push_back({JobKind::Restore, slot, caps_[slot], 0});
    caps_[slot] = value;
  }

  // Pops the jobs above base, restoring the captures they saved.
  void Unwind(std::size_t base) {
    while (stack_.size() > base) {
      if (stack_.back().kind == JobKind::Restore) caps_[stack_.back().pc] = stack_.back().pos;
      stack_.pop_back();
    }
  }

  void StartMemo() {
    memo_ = true;
    bits_.assign(2 * p_.denseCount * words_, 0);
  }

  // Whether the text at pos holds a character of the given kind (Char, Any
  // or Set); *len is set to the character's length.
  bool ItemAt(const Inst& item, std::int32_t pos, std::int32_t* len) const {
    if (pos >= n_) return false;
    const char32_t c = Decode(pos, len);
    return item.op == Op::Any || (item.op == Op::Char ? c == item.x : p_.sets[item.x].Contains(c));
  }

  // Where the last run that look-ahead i's body needs starts (computed once
  // per search); -1 when the text holds none.
  std::int32_t LookLast(std::uint32_t i) {
    if (lookLast_.size() == 0) lookLast_.assign(p_.lookRuns.size(), kUnknown);
    if (lookLast_[i] == kUnknown) lookLast_[i] = LastRunStart(text_, p_.lookRuns[i]);
    return lookLast_[i];
  }

  // The end of the longest stretch from pos of characters that pass the
  // test item.
  std::int32_t SweepEnd(const Inst& item, std::int32_t pos) const {
    if (item.op == Op::Any) return n_;
    std::int32_t len = 1;
    if (item.op == Op::Set) {
      const CharSet& set = p_.sets[item.x];
      while (pos < n_) {
        const char16_t c = text_[pos];
        if (c < 128) {
          if (!set.HoldsRaw(c)) break;
          ++pos;
        } else {
          if (!ItemAt(item, pos, &len)) break;
          pos += len;
        }
      }
      return pos;
    }
    while (ItemAt(item, pos, &len)) pos += len;
    return pos;
  }

  // Whether the match can go on at pos after the Star star: always, unless
  // it goes on with a single character that pos does not hold.
  bool HoldsNext(const Inst& star, std::int32_t pos) const {
    return star.z == 0 || (pos < n_ && FoldAscii(text_[pos]) == star.z - 1);
  }

  // The greedy Star's next position to give back, before pos and not
  // before least; -1 when there is none.
  std::int32_t PreviousStart(const Inst& star, std::int32_t pos, std::int32_t least) {
    while (pos > least) {
      --pos;
      if (pos > least && IsLowSurrogate(text_[pos]) && IsHighSurrogate(text_[pos - 1])) --pos;
      if (HoldsNext(star, pos)) return pos;
    }
    return -1;
  }

  // The lazy Star at pc takes one more character after pos, and more until
  // the match can go on; -1 when its character test fails first.
  std::int32_t LazyNext(const std::vector<Inst>& code, std::uint32_t pc, std::int32_t pos) {
    std::int32_t len = 1;
    for (;;) {
      if (!ItemAt(code[pc + 1], pos, &len)) return -1;
      pos += len;
      ++steps_;
      if (HoldsNext(code[pc], pos)) return pos;
    }
  }

  // Runs the program from entry at start. For the main program, success
  // stops with the captures of the match in caps_ and *end set. For a
  // look-ahead body (sub) the captures are restored before returning.
  bool Run(std::uint32_t entry, std::int32_t start, bool sub, std::int32_t* end) {
    const std::vector<Inst>& code = memo_ ? p_.code : p_.plain;
    const std::size_t base = stack_.size();
    const std::size_t trailBase = trail_.size();
    stack_.push_back({JobKind::Explore, entry, start, trailBase});
    while (stack_.size() > base) {
      const Job job = stack_.back();
      stack_.pop_back();
      std::uint32_t pc = job.pc;
      std::int32_t pos = job.pos;
      switch (job.kind) {
        case JobKind::Restore:
          caps_[job.pc] = job.pos;
          continue;
        case JobKind::Explore:
          if (sub) TruncateTrail(job.trail);
          break;
        case JobKind::Greedy: {
          const auto least = static_cast<std::int32_t>(job.trail);
          pos = PreviousStart(code[job.pc], job.pos, least);
          if (pos < 0) continue;
          if (pos > least) stack_.push_back({JobKind::Greedy, job.pc, pos, job.trail});
          pc = job.pc + 2;
          break;
        }
        case JobKind::Lazy:
          pos = LazyNext(code, job.pc, job.pos);
          if (pos < 0) continue;
          stack_.push_back({JobKind::Lazy, job.pc, pos, 0});
          pc = job.pc + 2;
          break;
      }
      for (;;) {
        if (++steps_ > budget_) {
          (memo_ ? exhausted_ : overBudget_) = true;
          return false;
        }
        // Plain backtracking remembers nothing.
        if (memo_) {
          if (const std::int32_t row = p_.dense[pc]; row != kNoMemo) {
            if (Test(Row(row, kSucceeded), pos)) {
              Unwind(base);
              CloseTrail(trailBase, true);
              return true;
            }
            std::uint64_t* visited = Row(row, kVisited);
            if (Test(visited, pos)) break;
            Put(visited, pos);
            if (sub) trail_.push_back({row, pos, trailKeys_.size()});
          } else if (p_.keyed[pc] != kNoMemo) {
            FillKey(pc, pos);
            const Mark mark = keyedMemo_.Get(key_.data());
            if (mark == kSucceeded) {
              Unwind(base);
              CloseTrail(trailBase, true);
              return true;
            }
            if (mark == kVisited) break;
            keyedMemo_.Set(key_.data(), kVisited);
            if (sub) {
              trail_.push_back({-1, pos, trailKeys_.size()});
              trailKeys_.append(key_.begin(), key_.end());
            }
          }
        }
        const Inst& in = code[pc];
        bool ok = true;
        switch (in.op) {
          case Op::Char:
          case Op::Any:
          case Op::Set: {
            std::int32_t len = 1;
            ok = ItemAt(in, pos, &len);
            pos += len;
            ++pc;
            break;
          }
          case Op::Lit: {
            const std::u16string& literal = p_.literals[in.x];
            const auto length = static_cast<std::int32_t>(literal.size());
            ok = length <= n_ - pos;
            for (std::int32_t i = 0; ok && i < length; ++i) {
              ok = FoldAscii(text_[pos + i]) == static_cast<char32_t>(literal[i]);
            }
            pos += length;
            ++pc;
            break;
          }
          case Op::Star: {
            // The characters the repetition must take, then either all it
            // can take (greedy; the rest is given back one by one) or none
            // (lazy; more are taken one by one). When the match goes on
            // with a single character, only positions holding it are tried.
            const Inst& item = code[pc + 1];
            std::int32_t len = 1;
            if (in.y == 1) {
              if (!ItemAt(item, pos, &len)) {
                ok = false;
                break;
              }
              pos += len;
            }
            const std::int32_t least = pos;
            if (in.x == 1) {
              const std::int32_t most = SweepEnd(item, least);
              steps_ += static_cast<std::uint64_t>(most - least);
              pos = HoldsNext(in, most) ? most : PreviousStart(in, most, least);
              if (pos > least) stack_.push_back({JobKind::Greedy, pc, pos, static_cast<std::size_t>(least)});
            } else {
              if (!HoldsNext(in, pos)) pos = LazyNext(code, pc, pos);
              if (pos >= 0) stack_.push_back({JobKind::Lazy, pc, pos, 0});
            }
            ok = pos >= 0;
            pc += 2;
            break;
          }
          case Op::Split:
            stack_.push_back({JobKind::Explore, in.y, pos, trail_.size()});
            pc = in.x;
            break;
          case Op::Jmp:
            pc = in.x;
            break;
          case Op::Open:
            Save(2 * in.x, pos);
            Save(2 * in.x + 1, -1);
            ++pc;
            break;
          case Op::Close:
            Save(2 * in.x + 1, pos);
            ++pc;
            break;
          case Op::BackRef: {
            // The group's last completed capture, compared without regard
            // to ASCII case; an open or unset group does not match.
            const std::int32_t b = caps_[2 * in.x];
            const std::int32_t e = caps_[2 * in.x + 1];
            ok = b >= 0 && e >= b && e - b <= n_ - pos;
            for (std::int32_t i = 0; ok && i < e - b; ++i) {
              ok = FoldAscii(text_[b + i]) == FoldAscii(text_[pos + i]);
            }
            if (ok) pos += e - b;
            // Never end between the halves of a surrogate pair.
            ok = ok && !(pos > 0 && pos < n_ && IsHighSurrogate(text_[pos - 1]) && IsLowSurrogate(text_[pos]));
            ++pc;
            break;
          }
          case Op::End:
            ok = pos == n_;
            ++pc;
            break;
          case Op::LookNeg: {
            if (in.y != 0 && LookLast(in.y - 1) < pos) {
              // No run the body needs starts at or after pos.
              ++pc;
              break;
            }
            const bool found = Run(in.x, pos, true, nullptr);
            if (exhausted_ || overBudget_) return false;
            ok = !found;
            ++pc;
            break;
          }
          case Op::Match:
            if (!sub) {
              *end = pos;
              return true;
            }
            Unwind(base);
            CloseTrail(trailBase, true);
            return true;
        }
        if (!ok) break;
      }
    }
    CloseTrail(trailBase, false);
    return false;
  }

  const Pattern::Program& p_;
  std::u16string_view text_;
  std::int32_t n_;
  std::size_t words_;
  static constexpr std::int32_t kUnknown = -2;
  SmallVec<std::int32_t, 8> lookLast_;
  SmallVec<std::int32_t, 32> caps_;
  // Two rows of words_ words per dense instruction: visited, succeeded.
  SmallVec<std::uint64_t, 512> bits_;
  KeyedMemo keyedMemo_;
  SmallVec<std::uint32_t, 16> key_;
  SmallVec<Job, 256> stack_;
  SmallVec<TrailEntry, 16> trail_;
  SmallVec<std::uint32_t, 64> trailKeys_;
  std::uint64_t steps_ = 0;
  std::uint64_t budget_ = 0;
  bool exhausted_ = false;
  // Whether explored states are remembered; while not, the search is plain
  // backtracking under a step budget (overBudget_ when it runs out).
  bool memo_ = false;
  bool overBudget_ = false;
};

// Offsets are kept in 32 bits; longer texts are never matched.
bool TooLong(std::u16string_view text) {
  return text.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
}

// The leftmost match; fills match when one is given.
bool Find(const Pattern::Program& p, std::u16string_view text, Pattern::Match* match, bool remember = false) {
  if (TooLong(text) || !HoldsAnyRun(text, p.required)) return false;
  const auto n = static_cast<std::int32_t>(text.size());
  std::int32_t start = 0;
  if (p.startFilter) {
    // Every match consumes a character, so none starts at the end.
    start = NextStart(p, text, 0);
    if (start >= n || (p.anchored && start != 0)) return false;
  }
  Searcher searcher(p, text, remember);
  for (;;) {
    if (searcher.Attempt(start, match)) return true;
    if (searcher.exhausted() || p.anchored || start >= n) return false;
    start = searcher.Step(start);
    if (p.startFilter && start < n) start = NextStart(p, text, start);
    if (start >= n) return false;  // no attempt after the last character
  }
}

}  // namespace


std::u16string_view Pattern::Match::Group(std::u16string_view text, std::size_t n) const {
  if (n >= groups.size() || !groups[n] || groups[n]->end > text.size()) return {};
  return text.substr(groups[n]->begin, groups[n]->end - groups[n]->begin);
}

Pattern::Pattern(std::u16string_view pattern, std::string_view errorPrefix) : source_(pattern) {
  const std::u32string lowered = LowerCodePoints(pattern);
  auto program = std::make_unique<Program>();
  try {
    Parser parser(lowered);
    const NodePtr root = parser.ParseAll();
    program->anchored = parser.anchored();
    program->groups = parser.groups();
    program->sets = parser.TakeSets();
    Compiler(*program, false).CompileMain(*root);
    Compiler(*program, true).CompileMain(*root);
    PlanFilters(*program, *root);
  } catch (const CompileFailure&) {
    Reject(errorPrefix, pattern);
  }
  program_ = std::move(program);
}

Pattern::~Pattern() = default;
Pattern::Pattern(Pattern&&) noexcept = default;
Pattern& Pattern::operator=(Pattern&&) noexcept = default;

void Pattern::Reject(std::string_view errorPrefix, std::u16string_view pattern) {
  std::string message(errorPrefix);
  message += Utf16ToUtf8(pattern);
  throw std::invalid_argument(message);
}

std::optional<Pattern::Match> Pattern::Search(std::u16string_view text) const {
  Match match;
  if (!Find(*program_, text, &match)) return std::nullopt;
  return match;
}

std::optional<Pattern::Match> Pattern::SearchRemembering(std::u16string_view text) const {
  Match match;
  if (!Find(*program_, text, &match, true)) return std::nullopt;
  return match;
}

bool Pattern::Contains(std::u16string_view text) const { return Find(*program_, text, nullptr); }

std::optional<Pattern::Match> Pattern::MatchAt(std::u16string_view text, std::size_t start) const {
  if (TooLong(text) || start > text.size()) return std::nullopt;
  if (program_->anchored && start != 0) return std::nullopt;
  if (start > 0 && start < text.size() && IsHighSurrogate(text[start - 1]) && IsLowSurrogate(text[start])) {
    return std::nullopt;
  }
  Searcher searcher(*program_, text, false);
  Match match;
  if (searcher.Attempt(static_cast<std::int32_t>(start), &match)) return match;
  return std::nullopt;
}

std::u16string Pattern::ExtractFirstGroup(std::u16string_view text) const {
  if (program_->groups > 0) {
    if (auto match = Search(text)) return std::u16string(match->Group(text, 0));
  }
  return std::u16string(text);
}

std::size_t Pattern::GroupCount() const noexcept { return program_->groups; }

const std::u16string& Pattern::Source() const noexcept { return source_; }

}  // namespace quorvia
