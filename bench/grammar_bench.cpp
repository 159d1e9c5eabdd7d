// The generated grammar of the peer comparison (bench/peers/make_grammar.js), expanded in this
// process, and two floors for it: the lower bound, which only copies as many output bytes with
// memcpy and draws the random generator once per choice, expansion by expansion as the grammar
// gives them; and a minimal walk of the grammar that draws each choice and copies each literal
// piece. scripts/bench writes the grammar and names its tables folder in FABLEWICK_BENCH_GRAMMAR;
// without it these benchmarks are skipped.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "engine/documents/driver.h"
#include "engine/engine.h"
#include "engine/host.h"
#include "engine/model/loader.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

constexpr char kGrammarTable[] = "Grammar";

// The tables folder holding Bench/Grammar.tab, or empty.
fs::path GrammarTablesFolder() {
  const char* folder = std::getenv("FABLEWICK_BENCH_GRAMMAR");
  return folder == nullptr ? fs::path() : fs::path(folder);
}

// The grammar reduced to what the lower bound needs: per symbol its alternatives, each a list of
// literal pieces and references to other symbols.
class BareGrammar {
 public:
  explicit BareGrammar(const Table& table) {
    std::map<std::string, int> index;
    for (std::size_t g = 0; g < table.Groups.size(); ++g) {
      index.emplace(table.Groups[g].Name, static_cast<int>(g));
    }
    for (const Group& group : table.Groups) {
      Symbol& symbol = symbols_.emplace_back();
      for (const Entry& entry : group.Entries) {
        Alternative& alternative = symbol.emplace_back();
        std::size_t at = 0;
        while (at < entry.Text.size()) {
          const std::size_t open = entry.Text.find('[', at);
          const std::size_t close =
              open == std::string::npos ? std::string::npos : entry.Text.find(']', open);
          if (close == std::string::npos) {
            alternative.push_back({entry.Text.substr(at), -1});
            break;
          }
          if (open > at) alternative.push_back({entry.Text.substr(at, open - at), -1});
          alternative.push_back({"", index.at(entry.Text.substr(open + 1, close - open - 1))});
          at = close + 1;
        }
      }
    }
    start_ = index.at("Start");
  }

  // One expansion of Start into `out`; returns its end.
  char* Expand(std::mt19937_64& generator, char* out, int64_t& draws) const {
    return Walk(start_, generator, out, draws);
  }

 private:
  struct Piece {
    std::string literal;
    int reference;  // the symbol, or -1 for a literal
  };
  using Alternative = std::vector<Piece>;
  using Symbol = std::vector<Alternative>;

  char* Walk(int s, std::mt19937_64& generator, char* out, int64_t& draws) const {
    const Symbol& symbol = symbols_[static_cast<std::size_t>(s)];
    ++draws;
    const Alternative& chosen = symbol[generator() % symbol.size()];
    for (const Piece& piece : chosen) {
      if (piece.reference >= 0) {
        out = Walk(piece.reference, generator, out, draws);
      } else {
        std::memcpy(out, piece.literal.data(), piece.literal.size());
        out += piece.literal.size();
      }
    }
    return out;
  }

  std::vector<Symbol> symbols_;
  int start_ = 0;
};

std::unique_ptr<Table> LoadGrammar(const fs::path& folder) {
  SilentHost host;
  return LoadTableFile(kGrammarTable, folder / "Bench" / "Grammar.tab", host);
}

// The lower bound: for each of a few thousand expansions of the grammar (walked beforehand,
// outside the timing), as many draws as it makes choices and one memcpy of as many bytes as it
// writes.
void BM_GrammarLowerBound(benchmark::State& state) {
  const fs::path folder = GrammarTablesFolder();
  if (folder.empty()) return state.SkipWithError("FABLEWICK_BENCH_GRAMMAR is not set");
  std::unique_ptr<Table> table = LoadGrammar(folder);
  if (table->Name != kGrammarTable) return state.SkipWithError("the grammar did not load");
  const BareGrammar grammar(*table);
  struct Expansion {
    int64_t draws;
    std::size_t bytes;
  };
  std::vector<Expansion> expansions(4096);
  std::vector<char> source(1 << 20, 'x'), buffer(1 << 20);
  std::mt19937_64 walker(2);
  for (Expansion& expansion : expansions) {
    expansion.draws = 0;
    expansion.bytes = static_cast<std::size_t>(
        grammar.Expand(walker, buffer.data(), expansion.draws) - buffer.data());
  }
  std::mt19937_64 generator(1);
  std::size_t next = 0;
  int64_t draws = 0, bytes = 0;
  uint64_t sum = 0;
  for (auto _ : state) {
    const Expansion& expansion = expansions[next++ & 4095];
    for (int64_t d = 0; d < expansion.draws; ++d) sum += generator();
    std::memcpy(buffer.data(), source.data(), expansion.bytes);
    benchmark::DoNotOptimize(sum);
    benchmark::ClobberMemory();
    draws += expansion.draws;
    bytes += static_cast<int64_t>(expansion.bytes);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["bytes_per_expansion"] =
      static_cast<double>(bytes) / static_cast<double>(state.iterations());
  state.counters["draws_per_expansion"] =
      static_cast<double>(draws) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_GrammarLowerBound);

// The minimal walk: each choice drawn and each literal piece copied where it falls.
void BM_GrammarMinimalWalk(benchmark::State& state) {
  const fs::path folder = GrammarTablesFolder();
  if (folder.empty()) return state.SkipWithError("FABLEWICK_BENCH_GRAMMAR is not set");
  std::unique_ptr<Table> table = LoadGrammar(folder);
  if (table->Name != kGrammarTable) return state.SkipWithError("the grammar did not load");
  const BareGrammar grammar(*table);
  std::vector<char> buffer(1 << 20);
  std::mt19937_64 generator(1);
  int64_t draws = 0, bytes = 0;
  for (auto _ : state) {
    char* end = grammar.Expand(generator, buffer.data(), draws);
    bytes += end - buffer.data();
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["bytes_per_expansion"] =
      static_cast<double>(bytes) / static_cast<double>(state.iterations());
  state.counters["draws_per_expansion"] =
      static_cast<double>(draws) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_GrammarMinimalWalk);

// The same grammar rolled by the engine as the roll command does, 100 rolls per iteration; the
// items are expansions.
void BM_GrammarInProcess(benchmark::State& state) {
  const fs::path folder = GrammarTablesFolder();
  if (folder.empty()) return state.SkipWithError("FABLEWICK_BENCH_GRAMMAR is not set");
  SilentHost host;
  Engine engine(host);
  engine.SetTablesFolder(folder);
  engine.FillCatalog();
  engine.Seed(1);
  if (engine.GetTable(kGrammarTable) < 0) return state.SkipWithError("the grammar did not load");
  int64_t bytes = 0;
  for (auto _ : state) {
    std::vector<std::string> results = RollTable(engine, kGrammarTable, 100);
    for (const std::string& result : results) bytes += static_cast<int64_t>(result.size());
    benchmark::DoNotOptimize(results);
  }
  state.SetItemsProcessed(state.iterations() * 100);
  state.counters["bytes_per_expansion"] =
      static_cast<double>(bytes) / static_cast<double>(state.iterations() * 100);
}
BENCHMARK(BM_GrammarInProcess);

}  // namespace
}  // namespace fablewick
