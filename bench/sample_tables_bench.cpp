// One whole top-level roll of group Start of every sample table shipped in share/Tables, as the
// window's Roll button makes it. Tables that ask questions get the pre-filled answers.
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "engine/documents/driver.h"
#include "engine/engine.h"
#include "engine/host.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

fs::path SampleTablesFolder() { return fs::path(FABLEWICK_SHARE_DIR) / "Tables"; }

void RollSampleTable(benchmark::State& state, const std::string& table) {
  SilentHost host;
  Engine engine(host);
  engine.SetTablesFolder(SampleTablesFolder());
  engine.SetProgramFolder(SampleTablesFolder().parent_path());
  engine.FillCatalog();
  engine.Seed(1);
  if (engine.GetTable(table) < 0) {
    state.SkipWithError("the sample table did not load");
    return;
  }
  for (auto _ : state) {
    std::vector<std::string> results = RollTable(engine, table, 1);
    benchmark::DoNotOptimize(results);
  }
  state.SetItemsProcessed(state.iterations());
}

// One benchmark per sample table, registered before main runs.
const int kRegistered = [] {
  SilentHost host;
  Engine engine(host);
  engine.SetTablesFolder(SampleTablesFolder());
  engine.FillCatalog();
  for (const CatalogItem& item : engine.Catalog().items()) {
    benchmark::RegisterBenchmark(("BM_RollSampleTable/" + item.name).c_str(), RollSampleTable,
                                 item.name)
        ->Unit(benchmark::kMicrosecond);
  }
  return 0;
}();

}  // namespace
}  // namespace fablewick
