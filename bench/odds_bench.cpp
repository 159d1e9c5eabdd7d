// The exact odds of every group of the sample tables whose rolls the dice alone decide, as
// fablewick-cli odds works them out: the table chosen afresh, then the whole analysis. Each
// should take well under a second. Groups whose rolls depend on state are sampled by the
// command, and are not measured here.
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "engine/authoring/odds.h"
#include "engine/engine.h"
#include "engine/host.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

fs::path SampleFolder() { return fs::path(FABLEWICK_SHARE_DIR); }

void PrepareEngine(Engine& engine) {
  engine.SetTablesFolder(SampleFolder() / "Tables");
  engine.SetProgramFolder(SampleFolder());
  engine.FillCatalog();
  engine.Seed(1);
}

void ExactOdds(benchmark::State& state, const std::string& call) {
  SilentHost host;
  Engine engine(host);
  PrepareEngine(engine);
  OddsOptions options;
  options.samples = 1;
  for (auto _ : state) {
    OddsResult result = ComputeOdds(engine, call, options);
    if (!result.report.exact) {
      state.SkipWithError(("no longer exact: " + result.report.sampled_because).c_str());
      return;
    }
    benchmark::DoNotOptimize(result);
  }
}

// One benchmark per group that is exact, found before main runs.
const int kRegistered = [] {
  SilentHost host;
  Engine engine(host);
  PrepareEngine(engine);
  std::vector<std::string> calls;
  for (const CatalogItem& item : engine.Catalog().items()) {
    const int t = engine.GetTable(item.name);
    if (t < 0) continue;
    std::vector<std::string> groups;
    for (const Group& group : engine.TableAt(t).Groups) groups.push_back(group.Name);
    for (const std::string& group : groups) calls.push_back("[" + item.name + "." + group + "]");
  }
  OddsOptions options;
  options.samples = 1;
  for (const std::string& call : calls) {
    if (!ComputeOdds(engine, call, options).report.exact) continue;
    benchmark::RegisterBenchmark(("BM_ExactOdds/" + call).c_str(), ExactOdds, call)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.05);
  }
  return 0;
}();

}  // namespace
}  // namespace fablewick
