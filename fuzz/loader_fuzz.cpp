// Table files from strangers: arbitrary bytes are decoded as a table file is, parsed, and, when
// they load, rolled: group Start, then the first groups of the table, each within a time limit.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/engine.h"
#include "engine/model/loader.h"
#include "engine/model/table.h"
#include "engine/stack.h"
#include "fuzz/fuzz_support.h"
#include "platform/text.h"

namespace fablewick {
namespace {

constexpr std::chrono::milliseconds kTimeLimit{100};
constexpr std::size_t kGroupsRolled = 4;

void LoadAndRoll(std::string_view bytes) {
  AnsweringHost host;
  std::unique_ptr<Table> table = ParseTableText("Fuzz", DecodeFileText(bytes), host);
  if (table->Name == kErrorTableName) return;

  // The model keeps the loader's promises: ranges within 16 bits, weighted entries end to end.
  for (const Group& group : table->Groups) {
    if (group.Entries.size() > INT16_MAX) abort();
    for (const Entry& entry : group.Entries) {
      if (group.MinValue > entry.Low || group.MaxValue < entry.High) abort();
    }
  }
  for (const TableParameter& parameter : table->Params) {
    if (parameter.VarIndex < 0 ||
        static_cast<std::size_t>(parameter.VarIndex) >= table->Vars.size()) {
      abort();
    }
  }

  std::vector<std::string> groups = {"Start"};
  for (std::size_t i = 0; i < table->Groups.size() && i < kGroupsRolled; ++i) {
    groups.push_back(table->Groups[i].Name);
  }

  Engine engine(host);
  engine.SetTablesFolder(EmptyFolder());
  engine.SetProgramFolder(EmptyFolder());
  engine.FillCatalog();
  engine.Seed(bytes.size());
  engine.AddTable(std::move(table));

  Watchdog::Get().Watch(engine, kTimeLimit);
  RunWithLargeStack([&] {
    engine.BeginGeneration();
    for (std::size_t i = 0; i < groups.size() && !engine.StopRequested(); ++i) {
      engine.ResetNoRepeatGroups();
      std::string result =
          i == 0 ? engine.RollTopLevel("Fuzz", groups[i]) : engine.RollGroup("Fuzz", groups[i]);
      host.shown += result.size();
    }
  });
  Watchdog::Get().Unwatch();
}

}  // namespace
}  // namespace fablewick

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fablewick::LoadAndRoll(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
