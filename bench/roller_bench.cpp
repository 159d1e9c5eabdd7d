// The group roller on large groups: one nested roll (the path of every "[Group]" call) of a
// ranged group and of a weighted group of 10, 1,000 and 30,000 entries. Entries are short plain
// texts, so the time is that of finding the entry, not of expanding it; it should hardly grow
// with the number of entries.
#include <string>

#include <benchmark/benchmark.h>

#include "engine/engine.h"
#include "engine/host.h"
#include "engine/model/loader.h"

namespace fablewick {
namespace {

// A table "T" with the group "G" of `entries` entries. Ranged entries cover 1 to 3 rolls each,
// laid end to end (the last ones 1 roll each, to stay within 16 bits); weighted ones weigh 1 to 3.
std::string GroupText(bool weighted, int64_t entries) {
  std::string text = weighted ? ";G\n" : ":G\n";
  int32_t next = 1;
  for (int64_t e = 0; e < entries; ++e) {
    const int32_t width = entries > 10000 ? 1 : 1 + static_cast<int32_t>(e % 3);
    if (weighted) {
      text += std::to_string(width);
    } else {
      text += std::to_string(next) + "-" + std::to_string(next + width - 1);
    }
    next += width;
    text += ",entry " + std::to_string(e) + "\n";
  }
  return text;
}

void RollLargeGroup(benchmark::State& state, bool weighted) {
  SilentHost host;
  Engine engine(host);
  engine.Seed(1);
  engine.AddTable(ParseTableText("T", GroupText(weighted, state.range(0)), host));
  const std::string table = "T", group = "G";
  for (auto _ : state) {
    std::string result = engine.RollGroup(table, group);
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_RollRangedGroup(benchmark::State& state) { RollLargeGroup(state, false); }
BENCHMARK(BM_RollRangedGroup)->Arg(10)->Arg(1000)->Arg(30000);

void BM_RollWeightedGroup(benchmark::State& state) { RollLargeGroup(state, true); }
BENCHMARK(BM_RollWeightedGroup)->Arg(10)->Arg(1000)->Arg(30000);

}  // namespace
}  // namespace fablewick
