// "Data" lookups in a large data file: the one parse when the file is first named, the index
// built by the first lookup by a match attribute, and lookups once it is loaded, for items early,
// midway and late in the document and for a value no item has, by index and by XPath query.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "engine/engine.h"
#include "engine/host.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFileBytes = 10u << 20;

std::string ItemName(std::size_t index) {
  char name[16];
  std::snprintf(name, sizeof name, "item%07zu", index);
  return name;
}

// A program folder whose Data folder holds "items.xml", about 10 MB of item elements, created
// at first use and removed at exit.
class DataFolder {
 public:
  static const DataFolder& Get() {
    static const DataFolder folder;
    return folder;
  }
  const fs::path& program_folder() const { return program_folder_; }
  std::size_t item_count() const { return item_count_; }
  std::size_t bytes() const { return bytes_; }

  DataFolder(const DataFolder&) = delete;
  DataFolder& operator=(const DataFolder&) = delete;

 private:
  DataFolder() {
    std::string pattern = (fs::temp_directory_path() / "fw_data_bench_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    program_folder_ = pattern;
    fs::create_directories(program_folder_ / "Data");
    std::ofstream out(program_folder_ / "Data" / "items.xml", std::ios::binary);
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<items>\n";
    while (text.size() < kFileBytes) {
      const std::size_t i = item_count_++;
      text += "  <item name=\"" + ItemName(i) + "\" cost=\"" + std::to_string(i % 997) +
              "\" weight=\"" + std::to_string(i % 50) + ".5\" rarity=\"" +
              (i % 7 == 0 ? "rare" : "common") + "\" source=\"generated reference data\"/>\n";
    }
    text += "</items>\n";
    out << text;
    bytes_ = text.size();
  }
  ~DataFolder() {
    std::error_code ignored;
    fs::remove_all(program_folder_, ignored);
  }

  fs::path program_folder_;
  std::size_t item_count_ = 0;
  std::size_t bytes_ = 0;
};

// A lookup of the item with the given index. Plain lookups are answered from an index of the
// document; a match attribute written with a leading blank goes through the XPath query.
std::string LookupOf(std::size_t index, bool by_query = false) {
  return std::string("Data~items,") + (by_query ? " name," : "name,") + ItemName(index) + ",cost";
}

// Every iteration names the file in a fresh engine, so it is read and parsed again. The call
// has too few fields, so nothing but the loading is timed; so is not the engine's cleanup.
void BM_DataParseOnFirstLookup(benchmark::State& state) {
  const DataFolder& data = DataFolder::Get();
  SilentHost host;
  for (auto _ : state) {
    auto engine = std::make_unique<Engine>(host);
    engine->SetProgramFolder(data.program_folder());
    benchmark::DoNotOptimize(engine->ProcessFunction("Data~items", "T", 1));
    state.PauseTiming();
    engine.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.bytes()));
  state.counters["items"] = static_cast<double>(data.item_count());
}
BENCHMARK(BM_DataParseOnFirstLookup)->Unit(benchmark::kMillisecond);

// The item sought stands at `state.range(0)` percent of the document; 101 seeks a value that no
// item has. The first plain lookup builds the index of the match attribute, before timing.
void LookupInLoadedFile(benchmark::State& state, bool by_query) {
  const DataFolder& data = DataFolder::Get();
  SilentHost host;
  Engine engine(host);
  engine.SetProgramFolder(data.program_folder());
  const std::size_t percent = static_cast<std::size_t>(state.range(0));
  const std::size_t index =
      percent > 100 ? data.item_count() : (data.item_count() - 1) * percent / 100;
  const std::string call = LookupOf(index, by_query);
  engine.ProcessFunction(LookupOf(0), "T", 1);
  for (auto _ : state) benchmark::DoNotOptimize(engine.ProcessFunction(call, "T", 1));
}

void BM_DataLookupByIndex(benchmark::State& state) { LookupInLoadedFile(state, false); }
BENCHMARK(BM_DataLookupByIndex)->Arg(0)->Arg(50)->Arg(100)->Arg(101);

void BM_DataLookupByQuery(benchmark::State& state) { LookupInLoadedFile(state, true); }
BENCHMARK(BM_DataLookupByQuery)->Arg(0)->Arg(50)->Arg(100)->Arg(101)->Unit(benchmark::kMicrosecond);

// The first plain lookup by a match attribute after the file is loaded: the index is built.
void BM_DataBuildIndex(benchmark::State& state) {
  const DataFolder& data = DataFolder::Get();
  SilentHost host;
  const std::string call = LookupOf(data.item_count() / 2);
  for (auto _ : state) {
    state.PauseTiming();
    auto engine = std::make_unique<Engine>(host);
    engine->SetProgramFolder(data.program_folder());
    engine->ProcessFunction("Data~items", "T", 1);  // loads the file
    state.ResumeTiming();
    benchmark::DoNotOptimize(engine->ProcessFunction(call, "T", 1));
    state.PauseTiming();
    engine.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DataBuildIndex)->Unit(benchmark::kMillisecond);

// A different value in every call, as a table does that looks up what it rolled; the items
// sought are spread over the whole document.
void BM_DataLookupChangingQuery(benchmark::State& state) {
  const DataFolder& data = DataFolder::Get();
  SilentHost host;
  Engine engine(host);
  engine.SetProgramFolder(data.program_folder());
  std::vector<std::string> calls;
  for (std::size_t i = 0; i < 1000; ++i) calls.push_back(LookupOf((i * 7919) % data.item_count()));
  engine.ProcessFunction(calls[0], "T", 1);
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(engine.ProcessFunction(calls[next], "T", 1));
    next = (next + 1) % calls.size();
  }
}
BENCHMARK(BM_DataLookupChangingQuery)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace fablewick
