// Table parameters on the engine side: the current parameter set of a chosen table, setting it by
// variable name, and list defaults that name no option.
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/model/parameters.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr char kTown[] =
    "%Size%,0\n%Name%,x\n%Free%,q\n%Twice%,0\n@Size,2,Size of the town?,Small, Medium ,Large\n"
    "@Name,Bob,Your name?\n@Twice,1,First?,A,B\n@Twice,3,Second?,C,D,E\n"
    ":Start\n1,%Size% {Param~Size,%Size%} %Name% %Twice%\n";

class ParameterSetTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T", kTown);
    ASSERT_GE(engine.SelectTable("T").index, 0);
  }

  // One assignment more on the current values, as --param makes them one after another.
  std::optional<std::string> Set(std::string_view assignment) {
    std::vector<std::string> values = engine.parameter_values();
    std::optional<std::string> problem = SetParameterByVariable(Load("T"), values, assignment);
    engine.SetParameterValues(std::move(values));
    return problem;
  }
};

// The acceptance cases (tests/golden/Tables/Selection) cover Param, a variable bound twice and
// the reset to the current values at every roll.
TEST_F(ParameterSetTest, AListParameterIsSetByItemNumberOrOptionText) {
  for (const auto& [assignment, value] : std::vector<std::pair<std::string, std::string>>{
           {"Size=Small", "1"}, {"Size= Medium ", "2"}, {"Size=3", "3"}}) {
    EXPECT_EQ(Set(assignment), std::nullopt);
    EXPECT_EQ(engine.parameter_values()[0], value) << assignment;
  }
  EXPECT_EQ(Set("Name=a=b"), std::nullopt);
  EXPECT_EQ(engine.parameter_values()[1], "a=b");

  for (const char* refused : {"Size=4", "Size=0", "Size=1.5", "Size=Medium", "Size=large"}) {
    const std::optional<std::string> problem = Set(refused);
    ASSERT_TRUE(problem.has_value()) << refused;
    EXPECT_THAT(*problem, HasSubstr("1 Small\n  2  Medium \n  3 Large")) << refused;
  }
  EXPECT_EQ(engine.parameter_values()[0], "3");
  for (const char* refused : {"Free=1", "size=1", "Size"}) EXPECT_TRUE(Set(refused)) << refused;
}

// A list default is read leniently as an item number, rounded halves to even; the message names
// the prompts of those refused.
TEST_F(ParameterSetTest, AListDefaultThatNamesNoOptionFallsBackToTheFirstWithOneMessage) {
  const std::vector<std::string> defaults = {"2abc", "0.5", "2.5", "0.4", "3.6", "1e300", "none"};
  std::string table;
  for (std::size_t i = 0; i < defaults.size(); ++i) {
    const std::string v = "V" + std::to_string(i);
    table += "%" + v + "%,0\n@" + v + "," + defaults[i] + "," + v + "?,x,y,z\n";
  }
  WriteTable("Odd", table + ":Start\n1,x\n");
  EXPECT_THAT(LoadParameters(Load("Odd"), host),
              ElementsAre("2abc", "0.5", "2.5", "1", "1", "1", "1"));
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].kind, ShownBox::kMessage);
  EXPECT_EQ(host.boxes[0].title, "Error in table parameters: Odd");
  for (std::size_t i = 0; i < defaults.size(); ++i) {
    const bool named =
        host.boxes[0].text.find("'V" + std::to_string(i) + "?'") != std::string::npos;
    EXPECT_EQ(named, i >= 3) << defaults[i];
  }
}

}  // namespace
}  // namespace fablewick
