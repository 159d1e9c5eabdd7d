// Expansion of long entries: one roll of an entry that holds N group calls, N variable reads and
// assignments, or N group calls behind an early "|" and "%" that never find a partner. The time
// of one roll should grow with N, not with its square; scripts/bench compares the three sizes and
// sets the restarting scan (the literal definition, kept for verification) against the linear
// scanner on the same 5,000-call entry.
#include <optional>
#include <string>
#include <string_view>

#include <benchmark/benchmark.h>

#include "engine/engine.h"
#include "engine/host.h"
#include "engine/model/loader.h"

namespace fablewick {
namespace {

std::string Repeat(std::string_view piece, int64_t count) {
  std::string text;
  text.reserve(piece.size() * static_cast<std::size_t>(count));
  for (int64_t i = 0; i < count; ++i) text += piece;
  return text;
}

// An engine holding one table "T" whose group Start has the single entry `entry`.
class World {
 public:
  World(const std::string& entry, bool restarting) {
    engine_.UseRestartingScanForVerification(restarting);
    engine_.Seed(1);
    const std::string text =
        "%n%,0\n%note%,\n:Start\n1," + entry + "\n;Gem\n3,ruby \n2,opal \n1,moonstone \n";
    engine_.AddTable(ParseTableText("T", text, host_));
  }

  std::string RollStart() { return engine_.RollTopLevel("T", "Start"); }

 private:
  SilentHost host_;
  Engine engine_{host_};
};

// Rolls the entry and reports the time per construct as well as per roll.
void RollEntry(benchmark::State& state, const std::string& entry, int64_t constructs,
               bool restarting) {
  World world(entry, restarting);
  std::size_t length = 0;
  for (auto _ : state) {
    std::string result = world.RollStart();
    length = result.size();
    benchmark::DoNotOptimize(result);
  }
  state.SetComplexityN(constructs);
  state.SetItemsProcessed(state.iterations() * constructs);
  state.counters["constructs"] = static_cast<double>(constructs);
  state.counters["result_bytes"] = static_cast<double>(length);
}

// [Gem][Gem]...: each call rolls a group and puts a plain result in its place.
void BM_ExpandGroupCalls(benchmark::State& state) {
  RollEntry(state, Repeat("[Gem]", state.range(0)), state.range(0), false);
}
BENCHMARK(BM_ExpandGroupCalls)
    ->Arg(5000)
    ->Arg(12500)
    ->Arg(25000)
    ->Arg(50000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// |n+1|%n%|n+1|%n%...: half assignments, half reads.
void BM_ExpandVariables(benchmark::State& state) {
  RollEntry(state, Repeat("|n+1|%n%", state.range(0) / 2), state.range(0), false);
}
BENCHMARK(BM_ExpandVariables)
    ->Arg(12500)
    ->Arg(25000)
    ->Arg(50000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// An unpaired "%" and "|" at the start: every later result could have been their partner, and
// none is. Half the results hold a construct of their own that must be scanned again.
void BM_ExpandAfterUnpairedDelimiters(benchmark::State& state) {
  const std::string entry = "50% off | " + Repeat("[Gem]{1d2}", state.range(0) / 2);
  RollEntry(state, entry, state.range(0), false);
}
BENCHMARK(BM_ExpandAfterUnpairedDelimiters)
    ->Arg(12500)
    ->Arg(25000)
    ->Arg(50000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// Group calls, assignments, variable reads and dice in turn, at 1,000, 10,000 and 100,000
// constructs: the growth from one size to the next should stay near tenfold.
void BM_ExpandMixedConstructs(benchmark::State& state) {
  RollEntry(state, Repeat("[Gem]|n+1| %n% {1d6} ", state.range(0) / 4), state.range(0), false);
}
BENCHMARK(BM_ExpandMixedConstructs)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// The literal definition on the smallest entry of BM_ExpandGroupCalls, for the ratio.
void BM_ExpandGroupCallsRestarting(benchmark::State& state) {
  RollEntry(state, Repeat("[Gem]", state.range(0)), state.range(0), true);
}
BENCHMARK(BM_ExpandGroupCallsRestarting)->Arg(5000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace fablewick
