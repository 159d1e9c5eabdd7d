// The sample tables installed with the program, rolled through the engine as the Roll command
// rolls them: every table, at its default answers and at every option of its list parameters,
// must roll without error texts (calls of missing groups included), without error boxes and
// without leftover table syntax. Input boxes get their suggested answers and Shell is refused,
// so the interactive demo table is rolled like the others. Together the tables are meant to show
// every part of the table language, which the coverage tests keep true.
#include <filesystem>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "addons/addon_library.h"
#include "engine/driver.h"
#include "engine/engine.h"
#include "engine/parameters.h"
#include "tests/support/files.h"
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
    engine_.bTabCallsAsErrors = true;  // a call of a missing group is a fault too
#ifdef FABLEWICK_EXAMPLE_ADDON_DIR
    loader_ = std::make_unique<DynamicAddOnLoader>(
        std::vector<fs::path>{fs::path(FABLEWICK_EXAMPLE_ADDON_DIR)});
    engine_.add_on_loader = loader_.get();
#endif
  }

  // Selects a table as the table list does: a fresh cache and the parameters at their defaults.
  const Table& Select(const std::string& name) {
    engine_.ClearTableCache();
    const int index = engine_.GetTable(name);
    EXPECT_GE(index, 0) << name << " does not load";
    engine_.g_aParamValues = LoadParameters(engine_.TableAt(index), host_);
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

  // The text of every sample table file, joined.
  std::string AllTableText() const {
    std::string text;
    for (const auto& entry : fs::recursive_directory_iterator(share_ / "Tables")) {
      if (entry.path().extension() == ".tab") text += ReadFile(entry.path()) + "\n";
    }
    return text;
  }

  // Whether a table calls an add-on that this build cannot reach.
  bool NeedsMissingAddOn(const std::string& name) {
    if (loader_) return false;
    const Table& table = Select(name);
    for (const Group& group : table.Groups) {
      for (const Entry& entry : group.Entries) {
        if (entry.Text.find("{Extern~") != std::string::npos) return true;
      }
    }
    return false;
  }

  fs::path share_;
  ScriptedHost host_;
  Engine engine_{host_};
  std::unique_ptr<DynamicAddOnLoader> loader_;
};

TEST_F(SampleTablesTest, EveryTableRollsTwoHundredTimesCleanlyAtItsDefaults) {
  for (const CatalogItem& item : engine_.Catalog().items()) {
    if (NeedsMissingAddOn(item.name)) continue;
    Select(item.name);
    // The demo stops itself in every roll, so it gets one roll per seed.
    if (item.name == kDemoTable) {
      RollAndCheck(item.name, "defaults", 200, 1);
    } else {
      RollAndCheck(item.name, "defaults", 10, 20);
    }
  }
}

TEST_F(SampleTablesTest, EveryOptionOfEveryListParameterRollsCleanly) {
  for (const CatalogItem& item : engine_.Catalog().items()) {
    if (NeedsMissingAddOn(item.name)) continue;
    const std::vector<TableParameter> parameters = Select(item.name).Params;
    for (std::size_t p = 0; p < parameters.size(); ++p) {
      for (std::size_t option = 1; option <= parameters[p].Options.size(); ++option) {
        Select(item.name);
        engine_.g_aParamValues[p] = std::to_string(option);
        RollAndCheck(item.name, parameters[p].Prompt + " " + parameters[p].Options[option - 1],
                     item.name == kDemoTable ? 8 : 4, item.name == kDemoTable ? 1 : 5);
      }
    }
  }
}

// Every built-in function of the dispatch table (read from its source: the engine offers no
// list of names) is called somewhere in the library.
TEST_F(SampleTablesTest, LibraryCallsEveryBuiltInFunction) {
  const std::string dispatch = ReadFile(share_ / ".." / "engine" / "dispatch.cpp");
  const std::regex entry("FunctionEntry\\{\"([A-Za-z]+)\"");
  std::set<std::string> names;
  for (std::sregex_iterator it(dispatch.begin(), dispatch.end(), entry), end; it != end; ++it) {
    names.insert((*it)[1]);
  }
  ASSERT_GE(names.size(), 50u) << "the dispatch table was not found in engine/dispatch.cpp";
  const std::string tables = AllTableText();
  for (const std::string& name : names) {
    EXPECT_NE(tables.find("{" + name + "~"), std::string::npos)
        << "no sample table calls {" << name << "~";
  }
}

// The library also shows every other construct of the language at least once.
TEST_F(SampleTablesTest, LibraryUsesEveryConstruct) {
  const std::pair<const char*, const char*> kConstructs[] = {
      {"ranged group", "\n:[^!]"},
      {"weighted group", "\n;[^!]"},
      {"no-repeat group", "\n[:;]!"},
      {"continuation line", "\n_"},
      {"ignored line", "\n [0-9]"},
      {"text parameter", "\n@[^,\n]*,[^,\n]*,[^,\n]*\n"},
      {"list parameter", "\n@[^,\n]*,[^,\n]*,[^,\n]*,"},
      {"call of another table", "\\[[A-Z][A-Za-z ]*\\.[A-Z]"},
      {"capital prefix", "\\[[A-Z~]*CC~"},
      {"article prefix", "\\[[A-Z~]*CN~"},
      {"repeat prefix", "\\[N(\\d|%)"},
      {"random repeat prefix", "\\[D\\d~"},
      {"reset prefix", "\\[[A-Z~]*R.~"},
      {"link prefix", "\\[L.~"},
      {"roll bonus", "\\[[A-Za-z ]+\\+[0-9%{]"},
      {"roll penalty", "\\[[A-Za-z ]+-[0-9%{]"},
      {"fixed roll", "\\[[A-Za-z ]+=[0-9%{]"},
      {"conditional call", "\\[[^\\]\\n]*\\?[^\\]\\n]*/"},
      {"call parameters", "\\[[A-Za-z .]+\\([^)]*\\)\\]"},
      {"assignment =", "\\|[A-Za-z]+=[^|]*\\|"},
      {"assignment +", "\\|[A-Za-z]+\\+"},
      {"assignment -", "\\|[A-Za-z]+-"},
      {"assignment *", "\\|[A-Za-z]+\\*"},
      {"assignment /", "\\|[A-Za-z]+/"},
      {"assignment \\", "\\|[A-Za-z]+\\\\"},
      {"assignment <", "\\|[A-Za-z]+<"},
      {"assignment >", "\\|[A-Za-z]+>"},
      {"assignment &", "\\|[A-Za-z]+&"},
      {"short dice", "\\{[0-9]*d[0-9]"},
      {"Loop block", "\\{Loop~"},
      {"While block", "\\{While~"},
      {"If block with else", "\\{If~[^?]*\\?[^/}]*/"},
      {"escaped bracket", "/\\["},
      {"escaped percent", "/%"},
      {"caret line break", "\\^M"},
      {"caret tab", "\\^T"},
      {"reset of every group", "\\{Reset~[A-Za-z .]*\\$all\\$\\}"},
  };
  const std::string tables = AllTableText();
  for (const auto& [construct, pattern] : kConstructs) {
    EXPECT_TRUE(std::regex_search(tables, std::regex(pattern)))
        << "no sample table shows the " << construct;
  }
}

// The sample tables exercise most of the table language at once, so they make a good check that
// the linear scanner gives exactly what restarting the scan after every substitution gives.
TEST_F(SampleTablesTest, LinearScanMatchesTheRestartingScanOnEveryTable) {
  for (const CatalogItem& item : engine_.Catalog().items()) {
    if (item.name == kDemoTable || NeedsMissingAddOn(item.name)) continue;
    for (uint64_t seed = 1; seed <= 3; ++seed) {
      std::vector<std::string> by_scan[2];
      for (bool restarting : {false, true}) {
        Select(item.name);
        engine_.UseRestartingScanForVerification(restarting);
        engine_.Seed(seed);
        by_scan[restarting] = RollTable(engine_, item.name, 3);
      }
      engine_.UseRestartingScanForVerification(false);
      EXPECT_EQ(by_scan[0], by_scan[1]) << item.name << ", seed " << seed;
    }
  }
}

// The demo asks two questions, shows a message and the debug window, and stops itself; it
// starts no program unless the person asks for the notification.
TEST_F(SampleTablesTest, DemoTableAsksShowsStopsAndStartsNothingByDefault) {
  Select(kDemoTable);
  host_.input_answers = {std::string("Mira"), std::string("a lantern")};
  const std::vector<std::string> results = RollTable(engine_, kDemoTable, 1);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_NE(results[0].find("Welcome, Mira."), std::string::npos) << results[0];
  EXPECT_EQ(results[0].find("###"), std::string::npos) << results[0];
  EXPECT_EQ(results[0].find("You will not see"), std::string::npos) << results[0];
  EXPECT_EQ(host_.BoxesOfKind(ShownBox::kInput).size(), 2u);
  EXPECT_EQ(host_.debug_windows.size(), 1u);
  ASSERT_FALSE(host_.boxes.empty());
  EXPECT_EQ(host_.boxes.back().title, "Execution Halted");
  EXPECT_TRUE(host_.shell_requests.empty());
  EXPECT_TRUE(host_.started_programs.empty());
}

}  // namespace
}  // namespace fablewick
