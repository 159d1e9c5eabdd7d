#include "engine/engine.h"

#include "engine/error.h"
#include "engine/model/loader.h"
#include "engine/model/parameters.h"
#include "platform/text.h"

namespace fablewick {

Engine::Engine(Host& host) : host_(host) {}

void Engine::SetTablesFolder(const std::filesystem::path& folder) { tables_folder_ = folder; }

void Engine::FillCatalog() { catalog_.Fill(tables_folder_); }

std::string Engine::CategoryOfTable(std::string_view name) const {
  return catalog_.CategoryOfTable(name);
}

int Engine::FindTableIndex(std::string_view name) const {
  for (std::size_t i = 0; i < TableCache.size(); ++i) {
    if (TableCache[i]->Name == name) return static_cast<int>(i);
  }
  return -1;
}

int Engine::GetTable(const std::string& name) {
  int index = FindTableIndex(name);
  if (index >= 0) return index;
  if (TableCache.size() >= static_cast<std::size_t>(INT16_MAX)) throw EngineError(kOverflow);
  // A table name is a file name in the tables folder, never a path: table text comes from
  // strangers and must not reach files elsewhere.
  if (name.find_first_of("/\\") != std::string::npos || name.find('\0') != std::string::npos) {
    host_.MessageBox(LoadErrorTitle(name), "File \"" + name + "\" not found.\r\r");
    return -1;
  }
  std::unique_ptr<Table> table =
      LoadTableFile(name, catalog_.TablePath(tables_folder_, name), host_);
  if (table->Name == kErrorTableName) return -1;
  return AddTable(std::move(table));
}

int Engine::AddTable(std::unique_ptr<Table> table) {
  TableCache.push_back(std::move(table));
  return static_cast<int>(TableCache.size()) - 1;
}

void Engine::ClearTableCache() {
  TableCache.clear();
  LinkCounter = 0;
}

Engine::Selection Engine::SelectTable(const std::string& name,
                                      const std::vector<std::string>& assignments) {
  ClearTableCache();
  g_aParamValues.clear();
  Selection selection;
  selection.index = GetTable(name);
  if (selection.index < 0) return selection;
  const Table& table = TableAt(selection.index);
  g_aParamValues = LoadParameters(table, host_);
  for (const std::string& assignment : assignments) {
    selection.problem = SetParameterByVariable(table, g_aParamValues, assignment);
    if (selection.problem) break;
  }
  return selection;
}

void Engine::ResetNoRepeatGroups() {
  for (auto& table : TableCache) {
    for (int16_t g : table->NoRepeatGroups()) {
      table->Groups[static_cast<std::size_t>(g)].ResetDrawn();
    }
  }
}

void Engine::BeginGeneration() {
  stop_requested_.store(false, std::memory_order_relaxed);
  stop_message_.clear();
  g_bKeepRunning = true;
  output_bytes_ = 0;
  output_too_large_ = false;
}

bool Engine::OutputLimitReached(std::string_view table_name, int32_t line) {
  if (!output_too_large_ && !StopRequested()) {
    stop_message_ = ErrorText("Output too large, possible endless expansion", table_name, line);
    output_too_large_ = true;
  }
  RequestStop();
  g_bKeepRunning = false;
  return false;
}

std::string Engine::ApplyCallFlags(std::string text, bool article, bool capital) {
  if (article) {
    std::string first = ToUpper(FirstCodePoint(text));
    bool vowel = first == "A" || first == "E" || first == "I" || first == "O" || first == "U";
    text.insert(0, vowel ? "an " : "a ");
  }
  if (capital) text = UpperFirst(text);
  return text;
}

void Engine::ShowErrorBox(std::string_view boundary, std::string_view table, int32_t line,
                          std::string_view entry, int number, std::string_view description) {
  if (!host_.OkCancelBox(BoundaryErrorTitle(boundary, table, line),
                         BoundaryErrorMessage(entry, number, description))) {
    g_bKeepRunning = false;
  }
}

std::string Engine::NestingTooDeep(std::string_view table_name, int32_t line) {
  if (!StopRequested()) {
    stop_message_ = ErrorText("Nesting too deep, possible endless recursion", table_name, line);
  }
  RequestStop();
  g_bKeepRunning = false;
  return "";
}

void Engine::YieldNow() {
  auto now = std::chrono::steady_clock::now();
  if (now - last_yield_ < std::chrono::milliseconds(20)) return;
  last_yield_ = now;
  host_.Yield();
}

}  // namespace fablewick
