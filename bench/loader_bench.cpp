// Loading a large table file: about 5 MB of groups, weighted and ranged, with long entries and
// continuation lines, read from disk, decoded and parsed into the table model. The file is written
// once into a temporary folder, in UTF-8 and again in Windows-1252 (which is converted on reading).
// The same kind of file at 1, 10 and 50 MB shows how loading scales, with the memory it takes:
// the peak while loading and what the loaded table keeps, as multiples of the file size.
#include <malloc.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <benchmark/benchmark.h>

#include "engine/host.h"
#include "engine/model/loader.h"
#include "engine/model/table.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFileBytes = 5u << 20;

// Table text of at least `file_bytes`. `e_acute` is how the accented letter in the entries is
// written, which decides the encoding of the whole file.
std::string BigTableText(const std::string& e_acute, std::size_t file_bytes, std::size_t* groups,
                         std::size_t* entries) {
  std::string text = "# A generated table for timing the loader\r\n%place%,the old quarter\r\n";
  text += "%count%,0\r\n@place,the old quarter,Where does it happen?\r\n";
  *groups = *entries = 0;
  while (text.size() < file_bytes) {
    const std::size_t g = (*groups)++;
    const bool weighted = g % 2 == 0;
    text += (weighted ? ";" : ":") + std::string(g % 5 == 0 ? "!" : "") + "Group" +
            std::to_string(g) + "\r\n";
    for (int e = 0; e < 16; ++e, ++*entries) {
      if (weighted) {
        text += std::to_string(1 + e % 4);
      } else {
        text += std::to_string(e * 6 + 1) + "-" + std::to_string(e * 6 + 6);
      }
      text += ",The [CC~Adjective] caf" + e_acute + " keeper of %place% counts {2d6+" +
              std::to_string(e) + "} coins|count+1| and mutters about [Group" +
              std::to_string(g + 1) + "], while a /[hooded/] stranger waits by the door";
      text += "\r\n";
      if (e % 4 == 3) text += "_ and the rain keeps falling over the roofs of the town.\r\n";
      if (e % 8 == 7) text += "# a comment between entries\r\n\r\n";
    }
  }
  return text;
}

struct TableFile {
  fs::path path;
  std::size_t bytes = 0;
  std::size_t groups = 0;
  std::size_t entries = 0;
};

// The two files, written at first use and removed at exit.
class TableFiles {
 public:
  static const TableFiles& Get() {
    static const TableFiles files;
    return files;
  }
  TableFiles(const TableFiles&) = delete;
  TableFiles& operator=(const TableFiles&) = delete;

  TableFile utf8;
  TableFile windows1252;
  std::map<std::size_t, TableFile> by_size;  // by megabytes

 private:
  TableFiles() {
    std::string pattern = (fs::temp_directory_path() / "fw_loader_bench_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    utf8 = Write("Big.tab", "\xC3\xA9", kFileBytes);
    windows1252 = Write("Old.tab", "\xE9", kFileBytes);
    for (std::size_t mb : {1, 10, 50}) {
      by_size.emplace(mb, Write("Big" + std::to_string(mb) + ".tab", "\xC3\xA9", mb << 20));
    }
  }
  ~TableFiles() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  TableFile Write(const std::string& name, const std::string& e_acute, std::size_t bytes) {
    TableFile file;
    file.path = folder_ / name;
    const std::string text = BigTableText(e_acute, bytes, &file.groups, &file.entries);
    std::ofstream(file.path, std::ios::binary) << text;
    file.bytes = text.size();
    return file;
  }

  fs::path folder_;
};

void LoadFile(benchmark::State& state, const TableFile& file) {
  SilentHost host;
  for (auto _ : state) {
    std::unique_ptr<Table> table = LoadTableFile("Big", file.path, host);
    if (table->Name != "Big" || table->Groups.size() != file.groups) {
      state.SkipWithError("the generated table did not load");
      break;
    }
    benchmark::DoNotOptimize(table);
    state.PauseTiming();
    table.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.bytes));
  state.counters["MB"] = static_cast<double>(file.bytes) / (1 << 20);
  state.counters["groups"] = static_cast<double>(file.groups);
  state.counters["entries"] = static_cast<double>(file.entries);
}

// A figure of /proc/self/status in bytes, such as "VmRSS:" or "VmHWM:"; 0 when unknown.
std::size_t StatusBytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == key) {
      std::size_t kb = 0;
      status >> kb;
      return kb << 10;
    }
  }
  return 0;
}

std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

struct MemoryUse {
  double peak = 0;      // resident memory the load added at its highest
  double retained = 0;  // heap the loaded table keeps
};

// Loads the file once, away from the timed loop, and measures the memory it takes.
MemoryUse MeasureLoad(const TableFile& file) {
  SilentHost host;
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak resident size
  const std::size_t resident = StatusBytes("VmRSS:");
  const std::size_t heap = HeapInUse();
  std::unique_ptr<Table> table = LoadTableFile("Big", file.path, host);
  MemoryUse use;
  const std::size_t peak = StatusBytes("VmHWM:");
  use.peak = peak > resident ? static_cast<double>(peak - resident) : 0;
  use.retained = static_cast<double>(HeapInUse() - heap);
  return use;
}

void BM_LoadTableFileMB(benchmark::State& state) {
  const TableFile& file = TableFiles::Get().by_size.at(static_cast<std::size_t>(state.range(0)));
  const MemoryUse use = MeasureLoad(file);
  LoadFile(state, file);
  state.counters["peak_x_file"] = use.peak / static_cast<double>(file.bytes);
  state.counters["kept_x_file"] = use.retained / static_cast<double>(file.bytes);
}
BENCHMARK(BM_LoadTableFileMB)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_LoadTableFile5MB(benchmark::State& state) { LoadFile(state, TableFiles::Get().utf8); }
BENCHMARK(BM_LoadTableFile5MB)->Unit(benchmark::kMillisecond);

void BM_LoadTableFile5MBWindows1252(benchmark::State& state) {
  LoadFile(state, TableFiles::Get().windows1252);
}
BENCHMARK(BM_LoadTableFile5MBWindows1252)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace fablewick
