#include "tests/support/engine_fixture.h"

#include <fstream>

namespace fablewick {

namespace fs = std::filesystem;

EngineFixture::EngineFixture() {
  engine.SetTablesFolder(tables_folder());
  engine.FillCatalog();
  engine.Seed(kSeed);
}

fs::path EngineFixture::WriteTable(const std::string& name, std::string_view bytes,
                                   const std::string& category) {
  const fs::path folder = category.empty() ? tables_folder() : tables_folder() / category;
  fs::create_directories(folder);
  const fs::path file = folder / (name + ".tab");
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  engine.FillCatalog();
  written_.insert(name);
  return file;
}

Table& EngineFixture::Load(const std::string& name) {
  const int index = engine.GetTable(name);
  EXPECT_GE(index, 0) << "table " << name << " did not load";
  return engine.TableAt(index < 0 ? 0 : index);
}

std::string EngineFixture::Expand(std::string_view text, const std::string& table, int32_t line) {
  if (written_.count(table) != 0 && engine.FindTableIndex(table) < 0) Load(table);
  engine.BeginGeneration();
  return engine.ProcessString(text, kPlainText, table, line);
}

std::string EngineFixture::Roll(const std::string& table, const std::string& group,
                                int16_t modifier, bool fixed,
                                const std::vector<std::string>& params, bool reset_first) {
  return engine.RollGroup(table, group, {modifier, fixed, reset_first}, params);
}

std::string EngineFixture::RollTopLevel(const std::string& table, const std::string& group) {
  engine.BeginGeneration();
  return engine.RollTopLevel(table, group);
}

std::string EngineFixture::VariableValue(const std::string& table, const std::string& variable) {
  Table& cached = Load(table);
  const int index = cached.FindVariable(variable);
  EXPECT_GE(index, 0) << "no variable " << variable << " in " << table;
  return index < 0 ? "" : cached.Vars[static_cast<std::size_t>(index)].Value;
}

int EngineFixture::CountOf(std::string_view text, std::string_view needle) {
  int count = 0;
  for (std::size_t at = text.find(needle); at != std::string_view::npos;
       at = text.find(needle, at + needle.size())) {
    ++count;
  }
  return count;
}

}  // namespace fablewick
