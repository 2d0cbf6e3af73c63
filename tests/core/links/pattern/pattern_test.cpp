#include "core/links/pattern.h"

#include <gtest/gtest.h>

#include <random>
// GCC's sanitizer builds report a false "maybe uninitialized" inside <regex>.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#include <stdexcept>
#include <string>

#include "platform/text/convert.h"

namespace quorvia {
namespace {

constexpr const char* kHref = "HrefLinkMatcher::HrefLinkMatcher() bad Regualr expression passed to CTor";

// "-" for no match; else "<start>:<matched text>" and "|<group text>" per
// capture group, "~" for a group that took no part in the match.
std::string Render(const Pattern& pattern, std::u16string_view text) {
  const auto m = pattern.Search(text);
  if (!m) return "-";
  std::string out = std::to_string(m->whole.begin) + ":" +
                    Utf16ToUtf8(text.substr(m->whole.begin, m->whole.end - m->whole.begin));
  for (std::size_t g = 0; g < m->groups.size(); ++g) {
    out += "|";
    out += m->groups[g] ? Utf16ToUtf8(m->Group(text, g)) : "~";
  }
  return out;
}

struct Case {
  const char16_t* pattern;
  const char16_t* text;
  const char* expected;
};

std::string Name(const Case& c) { return Utf16ToUtf8(c.pattern) + " ON " + Utf16ToUtf8(c.text); }

const Case kCases[] = {
    // "^" anchors only as the first character; elsewhere it is literal.
    {u"^abc", u"xabc", "-"},
    {u"^abc", u"abcx", "0:abc"},
    {u"a^b", u"xa^b", "1:a^b"},
    {u"(^a)", u"x^a", "1:^a"},
    {u"\\^a", u"x^a", "1:^a"},
    // "$" is the end only as the last character.
    {u"abc$", u"abcabc", "3:abc"},
    {u"abc$", u"abcx", "-"},
    {u"a$b", u"xa$b", "1:a$b"},
    {u"(a$)", u"a$", "0:a$"},
    {u"a\\$", u"a$", "0:a$"},
    // Lone "$" and empty matches: no attempt starts after the last character.
    {u"$", u"abc", "-"},
    {u"$", u"", "0:"},
    {u"a*$", u"bbb", "-"},
    {u"b*$", u"abb", "1:bb"},
    {u"", u"abc", "0:"},
    {u"", u"", "0:"},
    {u"^$", u"", "0:"},
    // "." is any one character; a surrogate pair is one character.
    {u"a.c", u"xabc", "1:abc"},
    {u"a.c", u"ac", "-"},
    {u"{.}x", u"\U0001F600x", "0:\U0001F600x|\U0001F600"},
    // Sets.
    {u"[b-d]+", u"abcde", "1:bcd"},
    {u"[^a-c]", u"abcd", "3:d"},
    {u"[a^]+", u"x^a", "1:^a"},
    {u"[\\]x]+", u"a]x]", "1:]x]"},
    {u"[\\t]", u"a\tb", "1:\t"},
    {u"[\\d]", u"1d", "1:d"},
    {u"[a\\-]+", u"x-a", "1:-a"},
    {u"[-a]+", u"x-a", "1:-a"},
    {u"[a-c-e]+", u"x-eb", "1:-eb"},
    {u"[\\^]", u"a^", "1:^"},
    {u"[\U0001F600-\U0001F64F]", u"a\U0001F60A", "1:\U0001F60A"},
    // Parentheses group without capturing; braces capture, numbered by
    // their opening braces.
    {u"(ab)+", u"xababy", "1:abab"},
    {u"{a{b}}{c}", u"abc", "0:abc|ab|b|c"},
    {u"{a}|{b}", u"b", "0:b|~|b"},
    // Greedy and lazy repetition.
    {u"{a*}a", u"aaa", "0:aaa|aa"},
    {u"{a*?}a", u"aaa", "0:a|"},
    {u"{.+}b", u"abab", "0:abab|aba"},
    {u"{.+?}b", u"abab", "0:ab|a"},
    {u"{a?}a", u"aa", "0:aa|a"},
    {u"{a??}a", u"aa", "0:a|"},
    {u"{a+?}", u"aaa", "0:a|a"},
    // A repetition sign with no item before it is an ordinary character.
    {u"*a", u"x*a", "1:*a"},
    {u"(+)", u"a+", "1:+"},
    {u"a**", u"aa*", "0:aa*"},
    {u"a?+", u"a+", "0:a+"},
    {u"x|?", u"?", "0:?"},
    // "!" matches where the item does not, and consumes nothing.
    {u"a!b", u"abac", "2:a"},
    {u"!xy", u"xy", "1:y"},
    {u"!{x}.", u"y", "0:y|~"},
    {u"!!{x}.", u"x", "0:x|~"},
    {u"!a*b", u"ab", "-"},
    {u"a!", u"a!", "0:a!"},
    {u"!*", u"*b", "1:"},
    // A stray closer ends the pattern.
    {u"ab)cd", u"abxx", "0:ab"},
    {u"ab]cd", u"abxx", "0:ab"},
    {u"ab}cd", u"abxx", "0:ab"},
    {u"ab$)", u"ab$", "0:ab$"},
    // Back-references: the group's text, compared without regard to case.
    {u"{a+}b\\0", u"aabaa", "0:aabaa|aa"},
    {u"{.}\\0", u"abcdde", "3:dd|d"},
    {u"{a}\\0", u"aA", "0:aA|a"},
    {u"{a}{b}{c}{d}{e}{f}{g}{h}{i}{j}{k}\\10", u"abcdefghijkk", "0:abcdefghijkk|a|b|c|d|e|f|g|h|i|j|k"},
    {u"({x}|y)\\0", u"yy", "-"},
    {u"({x}|y)\\0", u"xx", "0:xx|x"},
    {u"{a\\0}", u"aa", "-"},
    {u"{a}\\0*b", u"aaab", "0:aaab|a"},
    // Backslash and any other character: that character.
    {u"\\.", u"a.b", "1:."},
    {u"\\t", u"t", "0:t"},
    {u"\\\\", u"a\\", "1:\\"},
    {u"a\\", u"a\\", "0:a\\"},
    // Abbreviations, lower and upper case.
    {u"\\a+", u"-x9Z-", "1:x9Z"},
    {u"\\b+", u"a \t b", "1: \t "},
    {u"\\c+", u"1ab2", "1:ab"},
    {u"\\d+", u"ab12c", "2:12"},
    {u"\\D+", u"ab12c", "2:12"},
    {u"\\h+", u"xx0aFg", "2:0aF"},
    {u"a\\nb", u"a\r\nb", "0:a\r\nb"},
    {u"a\\nb", u"a\rb", "0:a\rb"},
    {u"a\\nb", u"a\nb", "0:a\nb"},
    {u"a\\nb", u"a\n\rb", "-"},
    {u"{\\n}", u"\r\n", "0:\r|\r"},
    {u"\\w", u"12abC3", "2:abC"},
    {u"\\W", u"12abC3", "2:abC"},
    {u"\\z", u"ab123c", "2:123"},
    {u"\\q", u"say \"hi\" 'x'", "4:\"hi\""},
    {u"\\q", u"say 'x'", "4:'x'"},
    {u"\\Q", u"\"\"", "0:\"\""},
    // "\q" stands for two groups joined by "|": a sign after it repeats
    // only the single-quoted group.
    {u"x\\q*y", u"x''''y", "0:x''''y"},
    {u"x\\q*y", u"x\"\"\"\"y", "-"},
    // "|" joins single items and binds more tightly than a sequence.
    {u"ab|cd", u"abd", "0:abd"},
    {u"ab|cd", u"acd", "0:acd"},
    {u"ab|cd", u"ab", "-"},
    {u"{a|b|c}", u"c", "0:c|c"},
    {u"{a*|b}c", u"bc", "0:bc|b"},
    {u"(ab)|(cd)", u"xcd", "1:cd"},
    {u"(google\\.com/search)|(bing\\.com)", u"http://www.BING.com/?q=x", "11:BING.com"},
    {u"x(|y)", u"xy", "0:x"},
    {u"x(y|)", u"xy", "0:xy"},
    // Letter case: pattern and text are compared in lower case (ASCII only);
    // captures keep the text's case.
    {u"ABC", u"xabc", "1:abc"},
    {u"abc", u"xABC", "1:ABC"},
    {u"[A-C]+", u"xbCa", "1:bCa"},
    {u"q={[^&]*}", u"http://r/?Q=HeLLo&x", "10:Q=HeLLo|HeLLo"},
    {u"\u00c9", u"\u00e9", "-"},
};

TEST(PatternDialect, Table) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(Name(c));
    const Pattern pattern(c.pattern, kHref);
    EXPECT_EQ(Render(pattern, c.text), c.expected);
  }
}

// Every compile error throws std::invalid_argument with the fixed text
// followed directly by the pattern.
TEST(PatternDialect, CompileErrors) {
  const char16_t* const bad[] = {
      u"(ab",   u"x{ab",  u"[ab",    u"[]",      u"[^]",     u"[b-a]",   u"[Z-a]", u"[a-]",
      u"[-]",   u"[a\\",  u"\\0",    u"{a}\\1",  u"\\0{a}",  u"(a*)*",   u"(a?)+", u"{}*",
      u"(!a)*", u"()+?",  u"(a|)*",  u"{a*}\\0+", u"(ab}",   u"{ab)",    u"(a]",   u"$*x(",
  };
  for (const char16_t* p : bad) {
    SCOPED_TRACE(Utf16ToUtf8(p));
    try {
      Pattern pattern(p, kHref);
      ADD_FAILURE() << "compiled";
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), std::string(kHref) + Utf16ToUtf8(p));
    }
  }
  // The pattern goes into the message as UTF-8, exactly as given (not lowered).
  EXPECT_THROW(
      {
        try {
          Pattern(u"Caf\u00e9(", "ClassSepLinkMatcher::ClassSepLinkMatcher() bad Regualr expression passed to CTor");
        } catch (const std::invalid_argument& e) {
          EXPECT_STREQ(e.what(),
                       "ClassSepLinkMatcher::ClassSepLinkMatcher() bad Regualr expression passed to CTor"
                       "Caf\xC3\xA9(");
          throw;
        }
      },
      std::invalid_argument);
  EXPECT_THROW(Pattern::Reject(kHref, u""), std::invalid_argument);
}

// Constructs that look wrong but compile.
TEST(PatternDialect, Accepted) {
  for (const char16_t* p : {u"", u"*", u"a**", u"(a*)?", u"{a}\\0*", u"ab)(", u"ab}{", u"ab][", u"(|a)", u"!",
                            u"a|", u"|a", u"[-a]", u"\\"}) {
    SCOPED_TRACE(Utf16ToUtf8(p));
    EXPECT_NO_THROW(Pattern(p, kHref));
  }
  EXPECT_EQ(Pattern(u"{a}(b){c{d}}", kHref).GroupCount(), 3u);
  EXPECT_EQ(Pattern(u"\\a\\q\\w", kHref).GroupCount(), 0u);
  EXPECT_EQ(Pattern(u"{a})}{b}", kHref).GroupCount(), 1u);
}

// Nesting is limited (the parser recurses over it); long flat patterns are not.
TEST(PatternDialect, NestingLimit) {
  const std::u16string deep = std::u16string(150, u'(') + u"a" + std::u16string(150, u')');
  EXPECT_TRUE(Pattern(deep, kHref).Contains(u"xa"));
  const std::u16string tooDeep = std::u16string(1000, u'(') + u"a" + std::u16string(1000, u')');
  EXPECT_THROW(Pattern(tooDeep, kHref), std::invalid_argument);
  EXPECT_THROW(Pattern(std::u16string(1000, u'!') + u"a", kHref), std::invalid_argument);
  std::u16string chain = u"{";
  for (int i = 0; i < 20000; ++i) chain += u"x|";
  chain += u"y}";
  EXPECT_EQ(Render(Pattern(chain, kHref), u"ay"), "1:y|y");
}

// The extraction rule of the result matchers.
TEST(PatternDialect, ExtractFirstGroup) {
  const Pattern redirect(u"[?&]url={[^&]*}", kHref);
  EXPECT_EQ(redirect.ExtractFirstGroup(u"http://r.example/l?x=1&URL=HTTP://Site.Example/A&y"),
            u"HTTP://Site.Example/A");
  EXPECT_EQ(redirect.ExtractFirstGroup(u"http://Other.example/"), u"http://Other.example/");
  EXPECT_EQ(Pattern(u"example", kHref).ExtractFirstGroup(u"http://Example/"), u"http://Example/");
  EXPECT_EQ(Pattern(u"{x}|e", kHref).ExtractFirstGroup(u"http://example/"), u"");
}

TEST(PatternDialect, MatchAtTriesOnlyTheGivenStart) {
  const Pattern p(u"{b+}", kHref);
  EXPECT_FALSE(p.MatchAt(u"abb", 0));
  ASSERT_TRUE(p.MatchAt(u"abb", 1));
  EXPECT_EQ(p.MatchAt(u"abb", 1)->whole, (Pattern::Span{1, 3}));
  EXPECT_FALSE(p.MatchAt(u"abb", 4));
  EXPECT_FALSE(Pattern(u"^b", kHref).MatchAt(u"abb", 1));
  EXPECT_TRUE(Pattern(u"$", kHref).MatchAt(u"ab", 2));
  EXPECT_FALSE(Pattern(u".", kHref).MatchAt(u"\U0001F600", 1));
}

// Inputs that take a plain backtracker exponential time finish with the
// right answer.
TEST(PatternDialect, HostileInputsFinish) {
  const std::u16string many(100000, u'a');
  EXPECT_FALSE(Pattern(u"(a+)+b", kHref).Contains(many));
  EXPECT_EQ(Render(Pattern(u"(a+)+b", kHref), std::u16string(30, u'a') + u"b"), "0:" + std::string(30, 'a') + "b");
  EXPECT_FALSE(Pattern(u"(a|aa)+$", kHref).Contains(std::u16string(5000, u'a') + u"b"));
  EXPECT_FALSE(Pattern(u"((a+)+)+c", kHref).Contains(many));
  EXPECT_FALSE(Pattern(u"(.+.+)+x", kHref).Contains(many));
  // Look-ahead evaluated at every position of a long text.
  const std::u16string ax = std::u16string(20000, u'a') + u"x";
  const auto m = Pattern(u"{(!!(.*x)a)+}", kHref).Search(ax);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->whole, (Pattern::Span{0, 20000}));
  EXPECT_FALSE(Pattern(u"(!(a*b)a)+c", kHref).Contains(many));
  // Back-references keyed on the captured text.
  EXPECT_FALSE(Pattern(u"{x}(a+)+b\\0", kHref).Contains(u"x" + std::u16string(40, u'a')));
  EXPECT_TRUE(Pattern(u"{x}(a+)+b\\0", kHref).Contains(u"x" + std::u16string(40, u'a') + u"bx"));
  EXPECT_FALSE(Pattern(u"{(a+)+}b\\0", kHref).Contains(std::u16string(40, u'a')));
  EXPECT_FALSE(Pattern(u"{a+}+\\0b", kHref).Contains(std::u16string(1000, u'a')));
}


// Random patterns over a small alphabet, written both in this dialect and as
// an ECMAScript expression with the same meaning; the leftmost match found
// must be the same (ECMAScript is a backtracking dialect with the same
// priorities). This checks that cutting off explored states never changes a
// result.
class PatternPair {
 public:
  explicit PatternPair(unsigned seed) : rng_(seed) {}

  struct Frag {
    std::string mine, es;
    enum Kind { Atom, Quant, Seq, Alt, Not } kind;
  };

  Frag Sequence(int depth) {
    Frag out{"", "", Frag::Seq};
    const int n = 1 + Pick(3);
    for (int i = 0; i < n; ++i) {
      const Frag f = Pick(5) == 0 ? Alternative(depth) : Item(depth);
      out.mine += f.mine;
      out.es += f.es;
    }
    return out;
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  static Frag Wrap(const Frag& f) {
    if (f.kind == Frag::Atom) return f;
    return {"(" + f.mine + ")", "(?:" + f.es + ")", Frag::Atom};
  }

  Frag Atom(int depth) {
    switch (depth > 3 ? Pick(5) : Pick(9)) {
      case 0: return {"a", "a", Frag::Atom};
      case 1: return {"b", "b", Frag::Atom};
      case 2: return {".", "[^]", Frag::Atom};
      case 3: return {"[ab]", "[ab]", Frag::Atom};
      case 4: return {"[^a]", "[^a]", Frag::Atom};
      case 5: {
        const Frag f = Sequence(depth + 1);
        return {"(" + f.mine + ")", "(?:" + f.es + ")", Frag::Atom};
      }
      case 6:
      case 7: {
        ++groups_;
        const Frag f = Sequence(depth + 1);
        return {"{" + f.mine + "}", "(" + f.es + ")", Frag::Atom};
      }
      default: {  // a group and a back-reference to it
        const int g = groups_++;
        const Frag f = Sequence(depth + 1);
        return {"({" + f.mine + "}\\" + std::to_string(g) + ")",
                "(?:(" + f.es + ")\\" + std::to_string(g + 1) + ")", Frag::Atom};
      }
    }
  }

  Frag Item(int depth) {
    Frag f = Atom(depth);
    switch (Pick(10)) {
      case 0: case 1: case 2: {
        static const char* const signs[] = {"*", "+", "?", "*?", "+?", "??"};
        const std::string sign = signs[Pick(6)];
        f = Wrap(f);
        return {f.mine + sign, f.es + sign, Frag::Quant};
      }
      case 3: {
        const Frag inner = Item(depth + 1);
        const Frag operand = inner.kind == Frag::Quant ? inner : Wrap(inner);
        return {"!" + operand.mine, "(?!" + operand.es + ")", Frag::Not};
      }
      default:
        return f;
    }
  }

  Frag Alternative(int depth) {
    const Frag l = Item(depth + 1);
    const Frag r = Item(depth + 1);
    const Frag lw = l.kind == Frag::Alt ? Wrap(l) : l;
    const Frag rw = r.kind == Frag::Alt ? Wrap(r) : r;
    return {lw.mine + "|" + rw.mine, "(?:" + lw.es + "|" + rw.es + ")", Frag::Alt};
  }

  std::mt19937 rng_;
  int groups_ = 0;
};

// The matcher first looks for the characters every match must contain; the
// look must agree with the full search: letter case folded, runs found inside
// groups and "+" repetitions, nothing required from optional parts,
// alternatives or negations, and characters beyond the BMP left out.
TEST(PatternDialect, RequiredCharactersNeverHideAMatch) {
  struct Case {
    const char16_t* pattern;
    const char16_t* text;
    bool matches;
  } cases[] = {
      {u"://www\\.bing\\.com/search\\?", u"HTTPS://WWW.BING.COM/SEARCH?q=1", true},
      {u"://www\\.bing\\.com/search\\?", u"https://www.bing.com/searc", false},
      {u"{ab}+c", u"xABABc", true},
      {u"(ab)+c", u"xabAc", false},
      {u"(x|y)abc", u"yABC", true},
      {u"a?bc", u"bc", true},
      {u"q*abc", u"abc", true},
      {u"!(ab)c", u"c", true},
      {u"(abc)|(xyz)", u"--xyz--", true},
      {u"\U0001F600ab", u"\U0001F600ab", true},
      {u"\U0001F600ab", u"ab", false},
  };
  for (const Case& c : cases) {
    const Pattern pattern(c.pattern, "bad: ");
    EXPECT_EQ(pattern.Contains(c.text), c.matches) << Utf16ToUtf8(c.pattern) << " in " << Utf16ToUtf8(c.text);
  }
}

// The shortcuts of the search (skipping start positions whose character
// cannot begin a match; taking a repeated character test in one sweep and
// giving back only positions where the literal after it stands; passing
// over a look-ahead whose body needs characters that no longer follow) must find
// what the written-out program finds, also around surrogate pairs, letter
// case, lazy repetition and captures.
TEST(PatternDialect, SearchShortcutsKeepResults) {
  struct Case {
    const char16_t* pattern;
    const char16_t* text;
    const char* expected;  // "begin:end" of the match, then "/b:e" for group 0, or "-"
  } cases[] = {
      {u"[^/]*\\.com", u"http://www.example.com/x.comb", "7:22"},
      {u"[^/]*\\.org", u"http://www.example.com/x.org", "23:28"},
      {u"^https?://!(([^/]*\\.)?google\\.)", u"https://www.GOOGLE.com/", "-"},
      {u"^https?://!(([^/]*\\.)?google\\.)", u"https://news.example.com/google.html", "0:8"},
      {u".*&", u"a&b&c", "0:4"},
      {u".*?&", u"a&b&c", "0:2"},
      {u"q=.*?&", u"?Q=1&q=2&", "1:5"},
      {u"x{[a-z]+?}y", u"xABCy", "0:5/1:4"},
      {u"x{[a-z]+}y", u"xABCyxdy", "0:8/1:7"},
      {u"x{[a-z]+}", u"x1 xab", "3:6/4:6"},
      {u"a+", u"bbAAa", "2:5"},
      {u"[^a]+b", u"a😀😀b", "1:6"},
      {u".b", u"😀b", "0:3"},
      {u"[^a]b", u"x😀b", "1:4"},
      {u"😀+x", u"a😀😀x", "1:6"},
      {u"😀*?x", u"😀😀x", "0:5"},
      {u".*😀", u"ab😀cd", "0:4"},
      {u"!ab", u"ab", "1:2"},
      {u"-!(ab)", u"AB-AB -x", "6:7"},
      {u"-!(ab)", u"-x ab", "0:1"},
      {u"-!(([^/]*\\.)?go\\.)", u"-go. -x.og", "5:6"},
      {u"{to=}{[^&#]+}", u"go?to=http%3A%2F&x", "3:16/3:6"},
      {u"(abc)|(xyz)", u"--XYZ--", "2:5"},
      {u"(abc)|(😀)", u"--😀--", "2:4"},
  };
  for (const Case& c : cases) {
    const Pattern pattern(c.pattern, "bad: ");
    const std::u16string text = c.text;
    auto show = [](const std::optional<Pattern::Match>& m) {
      if (!m) return std::string("-");
      std::string out = std::to_string(m->whole.begin) + ":" + std::to_string(m->whole.end);
      if (!m->groups.empty() && m->groups[0]) {
        out += "/" + std::to_string(m->groups[0]->begin) + ":" + std::to_string(m->groups[0]->end);
      }
      return out;
    };
    EXPECT_EQ(show(pattern.Search(text)), c.expected) << Utf16ToUtf8(c.pattern) << " in " << Utf16ToUtf8(text);
    EXPECT_EQ(show(pattern.SearchRemembering(text)), c.expected)
        << "remembering: " << Utf16ToUtf8(c.pattern) << " in " << Utf16ToUtf8(text);
  }
}

// A plain search that runs out of steps starts again remembering explored
// states, and still finds a match further on.
TEST(PatternDialect, PlainSearchOutOfStepsStillFindsALaterMatch) {
  const Pattern pattern(u"(a+)+c", kHref);
  const std::u16string text = std::u16string(40, u'a') + u"b-ac";
  const auto found = pattern.Search(text);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->whole, (Pattern::Span{42, 44}));
  const Pattern nested(u"x((b+)+)+y{z}", kHref);
  const std::u16string longer = u"x" + std::u16string(30, u'b') + u"q xby xbbyz";
  const auto nestedFound = nested.Search(longer);
  ASSERT_TRUE(nestedFound.has_value());
  EXPECT_EQ(nestedFound->whole, (Pattern::Span{37, 42}));
  EXPECT_EQ(nestedFound->Group(longer, 0), u"z");
}

// Each search first tries plain backtracking and falls back on remembering
// explored states; both must give the leftmost match an ordinary backtracker
// gives, whether letters differ in case or not.
TEST(PatternDialect, AgreesWithABacktrackingReference) {
  std::mt19937 textRng(7);
  int compared = 0;
  for (unsigned seed = 1; seed <= 1500; ++seed) {
    const auto pair = PatternPair(seed).Sequence(0);
    std::optional<Pattern> mine;
    try {
      mine.emplace(Utf8ToUtf16(pair.mine), kHref);
    } catch (const std::invalid_argument&) {
      continue;  // "*" or "+" after an item that can be empty
    }
    const std::regex es(pair.es, std::regex::ECMAScript | std::regex::icase);
    for (int t = 0; t < 12; ++t) {
      std::string text;
      const int len = std::uniform_int_distribution<int>(0, 11)(textRng);
      for (int i = 0; i < len; ++i) text += "aabbcAB"[std::uniform_int_distribution<int>(0, 6)(textRng)];
      std::smatch m;
      std::string expected = "-";
      if (std::regex_search(text, m, es) && !(m.position(0) == static_cast<long>(text.size()) && !text.empty())) {
        expected = std::to_string(m.position(0)) + ":" + m.str(0);
      }
      auto show = [&text](const std::optional<Pattern::Match>& found) {
        return found ? std::to_string(found->whole.begin) + ":" +
                           text.substr(found->whole.begin, found->whole.end - found->whole.begin)
                     : std::string("-");
      };
      const std::u16string wide = Utf8ToUtf16(text);
      ASSERT_EQ(show(mine->Search(wide)), expected) << pair.mine << " / " << pair.es << " on \"" << text << "\"";
      ASSERT_EQ(show(mine->SearchRemembering(wide)), expected)
          << "remembering: " << pair.mine << " / " << pair.es << " on \"" << text << "\"";
      ++compared;
    }
  }
  EXPECT_GT(compared, 5000);
}

}  // namespace
}  // namespace quorvia
