// Worst cases of the pattern matcher: patterns that take a plain
// backtracking matcher exponential time, searched in texts of growing size.
#include <benchmark/benchmark.h>

#include <string>

#include "core/links/pattern.h"

namespace {

constexpr const char* kPrefix = "bench: bad pattern ";

void Run(benchmark::State& state, const char16_t* pattern, const std::u16string& text, bool expected) {
  const quorvia::Pattern p(pattern, kPrefix);
  for (auto _ : state) {
    const bool found = p.Contains(text);
    if (found != expected) state.SkipWithError("wrong answer");
    benchmark::DoNotOptimize(found);
  }
  state.SetComplexityN(static_cast<std::int64_t>(text.size()));
}

std::u16string As(benchmark::State& state) { return std::u16string(static_cast<std::size_t>(state.range(0)), u'a'); }

// Nested repetition that fails at the very end.
void NestedPlus(benchmark::State& state) { Run(state, u"(a+)+b", As(state), false); }
// Three levels of nesting.
void NestedPlus3(benchmark::State& state) { Run(state, u"((a+)+)+c", As(state), false); }
// Overlapping alternatives under a repetition, anchored at the end.
void OverlappingAlternatives(benchmark::State& state) { Run(state, u"(a|aa)+$", As(state) + u"b", false); }
// A look-ahead that scans to the end of the text at every position.
void LookAheadScan(benchmark::State& state) { Run(state, u"(!(a*b)a)+c", As(state), false); }
// A double look-ahead that succeeds at every position.
void LookAheadSuccess(benchmark::State& state) { Run(state, u"{(!!(.*x)a)+}y", As(state) + u"x", false); }
// Nested repetition with a back-reference to an earlier group.
void BackRefAfterNested(benchmark::State& state) { Run(state, u"{x}(a+)+b\\0", u"x" + As(state), false); }
// Nested repetition inside the referenced group.
void BackRefOfNested(benchmark::State& state) { Run(state, u"{(a+)+}b\\0", As(state), false); }
// The referenced group itself repeated: the captured text changes with
// every iteration.
void BackRefRepeatedGroup(benchmark::State& state) { Run(state, u"{a+}+\\0b", As(state), false); }
// A result-link pattern on a typical redirector address, for scale.
void TypicalHref(benchmark::State& state) {
  Run(state, u"[?&]url={[^&]*}",
      u"http://www.search.example/url?sa=t&source=web&cd=1&URL=http%3A%2F%2Fsite.example%2Fpage&ei=abc", true);
}

}  // namespace

BENCHMARK(NestedPlus)->Arg(30)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(NestedPlus3)->Arg(30)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(OverlappingAlternatives)->Arg(30)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(LookAheadScan)->Arg(30)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(LookAheadSuccess)->Arg(30)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BackRefAfterNested)->Arg(30)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BackRefOfNested)->Arg(30)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BackRefRepeatedGroup)->Arg(30)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(TypicalHref)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
