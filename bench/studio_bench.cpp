// The studio's live check, as it runs after each pause in typing: a 10,000-line table with
// calls, variables, functions and blocks, checked as unsaved text, with the outline and the
// syntax spans the highlighter reads. The check should stay well under 50 ms.
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "engine/authoring/checker.h"
#include "engine/authoring/outline.h"
#include "engine/engine.h"
#include "engine/expansion/syntax_spans.h"
#include "engine/host.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

fs::path SampleFolder() { return fs::path(FABLEWICK_SHARE_DIR); }

// 100 groups of 99 entries each, plus a variable: 10,001 lines.
std::string LongTable() {
  std::string text = "%Gold%,0\n";
  for (int g = 0; g < 100; ++g) {
    text += g == 0 ? ":Start\n" : ":Group" + std::to_string(g) + "\n";
    const std::string next = "Group" + std::to_string(g + 1 < 100 ? g + 1 : 1);
    for (int e = 1; e < 100; ++e) {
      text += std::to_string(e) + ",A {Cap~word} [" + next + "] |Gold+{1d6}| {If~%Gold%>3?rich/" +
              "poor} [CC~" + next + "+1] and {Loop~2,more}\n";
    }
  }
  return text;
}

void CheckTenThousandLines(benchmark::State& state) {
  SilentHost host;
  Engine engine(host);
  engine.SetTablesFolder(SampleFolder() / "Tables");
  engine.FillCatalog();
  const std::string text = LongTable();
  for (auto _ : state) {
    std::vector<Diagnostic> found =
        CheckTableText(engine.Catalog(), engine.TablesFolder(), "Long", "Long.tab", text);
    benchmark::DoNotOptimize(found);
  }
  state.counters["lines"] = 10001;
}
BENCHMARK(CheckTenThousandLines)->Unit(benchmark::kMillisecond);

void OutlineTenThousandLines(benchmark::State& state) {
  const std::string text = LongTable();
  for (auto _ : state) benchmark::DoNotOptimize(BuildOutline("Long", text));
}
BENCHMARK(OutlineTenThousandLines)->Unit(benchmark::kMillisecond);

void SpansTenThousandLines(benchmark::State& state) {
  const std::string text = LongTable();
  for (auto _ : state) benchmark::DoNotOptimize(TableFileSpans(text));
}
BENCHMARK(SpansTenThousandLines)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace fablewick
