// The sample tables installed with the program, rolled through the engine as the Roll command
// rolls them: every table, at its default answers and at every option of its list parameters,
// must roll without error texts (calls of missing groups included), without error boxes and
// without leftover table syntax. Input boxes get their suggested answers and Shell is refused,
// so the interactive demo table is rolled like the others.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "addons/addon_library.h"
#include "engine/documents/driver.h"
#include "engine/engine.h"
#include "tests/support/scripted_host.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

const char kDemoTable[] = "Interactive Demo";

// A program folder laid out like an installation: share/ holds Tables/ and Data/.
class SampleTablesTest : public ::testing::Test {
 protected:
  SampleTablesTest() : share_(fs::path(FABLEWICK_TEST_DATA_DIR) / ".." / ".." / "share") {
    engine_.SetProgramFolder(share_);
    engine_.SetTablesFolder(share_ / "Tables");
    engine_.FillCatalog();
    engine_.set_tab_calls_as_errors(true);  // a call of a missing group is a fault too
    engine_.set_add_on_loader(&loader_);
  }

  // Selects a table as the table list does: a fresh cache and the parameters at their defaults.
  const Table& Select(const std::string& name) {
    const int index = engine_.SelectTable(name).index;
    EXPECT_GE(index, 0) << name << " does not load";
    return engine_.TableAt(index);
  }

  // Rolls the selected table `seeds` times `rolls` rolls and reports every kind of fault it
  // meets. Message and input boxes are part of the interactive demo; elsewhere they are faults.
  void RollAndCheck(const std::string& name, const std::string& setting, uint64_t seeds,
                    int16_t rolls) {
    const bool failed_before = ::testing::Test::HasFailure();
    for (uint64_t seed = 1; seed <= seeds; ++seed) {
      engine_.Seed(seed);
      host_.ClearRecords();
      const std::vector<std::string> results = RollTable(engine_, name, rolls);
      const std::string where = name + " (" + setting + ", seed " + std::to_string(seed) + ")";
      for (const ShownBox& box : host_.boxes) {
        if (name == kDemoTable && box.kind != ShownBox::kOkCancel) continue;
        ADD_FAILURE() << where << " showed a box: [" << box.title << "] " << box.text;
      }
      for (const std::string& result : results) {
        EXPECT_FALSE(result.empty()) << where << " rolled nothing";
        for (const char* fault : {"###", "{", "}", "|", "\xC2\xBC\xC2\xBD"}) {
          EXPECT_EQ(result.find(fault), std::string::npos)
              << where << " holds \"" << fault << "\":\n"
              << result;
        }
      }
      if (!failed_before && ::testing::Test::HasFailure()) return;  // one report per table
    }
  }

  fs::path share_;
  ScriptedHost host_;
  DynamicAddOnLoader loader_{{fs::path(FABLEWICK_EXAMPLE_ADDON_DIR)}};
  Engine engine_{host_};
};

// Two hundred rolls at the defaults, twenty at every option of every list parameter. The demo
// stops itself in every roll, so it gets one roll per seed.
TEST_F(SampleTablesTest, EveryTableRollsCleanlyAtItsDefaultsAndAtEveryOptionOfItsLists) {
  for (const CatalogItem& item : engine_.Catalog().items()) {
    const bool demo = item.name == kDemoTable;
    const std::vector<TableParameter> parameters = Select(item.name).Params;
    RollAndCheck(item.name, "defaults", demo ? 200 : 10, demo ? 1 : 20);
    for (std::size_t p = 0; p < parameters.size(); ++p) {
      for (std::size_t option = 1; option <= parameters[p].Options.size(); ++option) {
        Select(item.name);
        std::vector<std::string> values = engine_.parameter_values();
        values[p] = std::to_string(option);
        engine_.SetParameterValues(std::move(values));
        RollAndCheck(item.name, parameters[p].Prompt + " " + parameters[p].Options[option - 1],
                     demo ? 8 : 4, demo ? 1 : 5);
      }
    }
  }
}

// The sample tables exercise most of the table language at once, so they make a good check that
// the linear scanner gives exactly what restarting the scan after every substitution gives.
TEST_F(SampleTablesTest, LinearScanMatchesTheRestartingScanOnEveryTable) {
  for (const CatalogItem& item : engine_.Catalog().items()) {
    if (item.name == kDemoTable) continue;
    for (uint64_t seed = 1; seed <= 3; ++seed) {
      std::vector<std::string> by_scan[2];
      for (bool restarting : {false, true}) {
        Select(item.name);
        engine_.UseRestartingScanForVerification(restarting);
        engine_.Seed(seed);
        by_scan[restarting] = RollTable(engine_, item.name, 3);
      }
      EXPECT_EQ(by_scan[0], by_scan[1]) << item.name << ", seed " << seed;
    }
  }
}

}  // namespace
}  // namespace fablewick
