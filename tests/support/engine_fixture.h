// A world for engine tests: a temporary tables folder with one category, an Engine on a scripted
// host with a fixed seed, and short ways to expand text and roll groups.
//
//   class LootTest : public EngineFixture {};
//   TEST_F(LootTest, RollsAGem) {
//     WriteTable("T", ":Gem\n1,emerald\n");
//     EXPECT_EQ(Expand("[Gem]"), "emerald");  // expanded as text of table T, line kLine
//   }
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/model/table.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_folder.h"

namespace fablewick {

class EngineFixture : public ::testing::Test {
 protected:
  // The line number Expand passes, so that messages can be told from other numbers.
  static constexpr int32_t kLine = 12;
  static constexpr uint64_t kSeed = 20240611;

  EngineFixture();

  const std::filesystem::path& tables_folder() const { return tables_folder_.path(); }

  // Writes `bytes` as the file of table `name` ("name.tab") in the category folder `category`
  // and refreshes the catalogue. The bytes are written as given: "\n" line ends unless the
  // text holds others.
  std::filesystem::path WriteTable(const std::string& name, std::string_view bytes,
                                   const std::string& category = "Tests");

  // The cached table, loading it first when needed; fails the test when it cannot be loaded.
  Table& Load(const std::string& name);

  // Starts a generation and expands `text` as entry text of `table` (loaded first when it was
  // written by WriteTable).
  std::string Expand(std::string_view text, const std::string& table = "T", int32_t line = kLine);

  // A nested (not top-level) roll on a group.
  std::string Roll(const std::string& table, const std::string& group, int16_t modifier = 0,
                   bool fixed = false, const std::vector<std::string>& params = {},
                   bool reset_first = false);
  // A top-level roll, as the roll driver makes it.
  std::string RollTopLevel(const std::string& table, const std::string& group = "Start");

  // The value of a variable of a cached table.
  std::string VariableValue(const std::string& table, const std::string& variable);

  // How often `needle` occurs in `text`, without overlap.
  static int CountOf(std::string_view text, std::string_view needle);

  ScriptedHost host;
  Engine engine{host};

 private:
  TempFolder tables_folder_{"engine"};
  std::set<std::string> written_;
};

}  // namespace fablewick
