// ProcessString on the entries tables are made of: literal text, variable reads, assignments,
// nested group calls, conditions, "Dice" and "Calc". Each benchmark expands one entry as a roll
// does (plain text, nested, in table "T"); the figure is the time of one such entry.
#include <string>

#include <benchmark/benchmark.h>

#include "engine/engine.h"
#include "engine/host.h"
#include "engine/model/loader.h"

namespace fablewick {
namespace {

constexpr char kTable[] =
    "%name%,Mirela\n%coins%,12\n%mood%,grim\n"
    ":Start\n1,x\n"
    ";Gem\n3,ruby\n2,opal\n1,moonstone\n"
    ";Colour\n2,amber\n1,slate grey\n1,[Gem]-green\n"
    ";Keeper\n1,a [Colour] eyed keeper with a [Gem] ring\n1,a [CC~Gem] merchant\n";

class World {
 public:
  World() {
    engine_.Seed(1);
    engine_.AddTable(ParseTableText("T", kTable, host_));
  }
  std::string Expand(const std::string& text) {
    return engine_.ProcessString(text, kPlainText, table_, 1);
  }

 private:
  SilentHost host_;
  Engine engine_{host_};
  const std::string table_ = "T";
};

void ExpandEntry(benchmark::State& state, const std::string& entry) {
  World world;
  for (auto _ : state) {
    std::string result = world.Expand(entry);
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ProcessLiteralText(benchmark::State& state) {
  ExpandEntry(state,
              "The common room is warm and loud; a bard plays by the fire while two farmers "
              "argue about the price of barley.");
}
BENCHMARK(BM_ProcessLiteralText);

void BM_ProcessVariables(benchmark::State& state) {
  ExpandEntry(state, "%name% the keeper, in a %mood% mood, counts %coins% coins.");
}
BENCHMARK(BM_ProcessVariables);

void BM_ProcessAssignments(benchmark::State& state) {
  ExpandEntry(state, "|coins=12||coins+5||coins*2||mood=cheerful|%name% has %coins% coins.");
}
BENCHMARK(BM_ProcessAssignments);

void BM_ProcessNestedCalls(benchmark::State& state) {
  ExpandEntry(state, "Behind the bar stands [Keeper], wearing [CN~Colour] cloak.");
}
BENCHMARK(BM_ProcessNestedCalls);

void BM_ProcessConditions(benchmark::State& state) {
  ExpandEntry(state,
              "{If~%coins% > 10 ? rich : poor} and {If~%mood% = grim ? scowling : smiling}, "
              "[%coins%>5?Gem/Colour]");
}
BENCHMARK(BM_ProcessConditions);

void BM_ProcessDice(benchmark::State& state) { ExpandEntry(state, "{Dice~3d6+2}"); }
BENCHMARK(BM_ProcessDice);

void BM_ProcessCalc(benchmark::State& state) {
  ExpandEntry(state, "{Calc~(12 + 3) * 4 - 10 / (2 + 3)}");
}
BENCHMARK(BM_ProcessCalc);

// The expressions the peer comparison also gives the peer dice roller, one roll each per
// iteration; the items are rolls.
void BM_DicePeerExpressions(benchmark::State& state) {
  World world;
  const std::string rolls[] = {"{Dice~3d6+2}", "{Dice~1d20}", "{Dice~4d8*2}", "{Dice~2d10-1}"};
  for (auto _ : state) {
    for (const std::string& roll : rolls) {
      std::string result = world.Expand(roll);
      benchmark::DoNotOptimize(result);
    }
  }
  state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_DicePeerExpressions);

}  // namespace
}  // namespace fablewick
