// Table parameters on the engine side: the current parameter set of a chosen table, setting it by
// variable name, its application at every top-level roll, and "Param", which turns an item
// number into the option's text.
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

class ParamFunctionTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T", kTown);
    WriteTable("B", "%Size%,1\n@Size,1,Size?,Tiny,Huge\n:Start\n1,b\n");
  }
};

// The acceptance cases cover the error texts of items out of range and text parameters.
TEST_F(ParamFunctionTest, ItemNumbersGiveTheOptionTextOfTheCallingTableUnchanged) {
  // The index (number - 1) is rounded halves to even: 0.5 to 0. Of two declarations bound to
  // one variable, the first answers.
  EXPECT_EQ(Expand("{Param~Size,2}{Param~Size,1.5}{Param~Twice,2}"), " Medium SmallB");
  // An unknown variable is reported before the item number is read.
  const std::string no_variable =
      "<b>###ERR: Param function referencing non-existent variable (T, Line 12).</b>";
  EXPECT_EQ(Expand("{Param~size,1}{Param~Nope,abc}"), no_variable + no_variable);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(Expand("{Param~Size,2}", "B"), "Huge");
}

TEST_F(ParamFunctionTest, AMissingOrNonNumericItemNumberFailsTheCall) {
  for (const auto& [content, number] :
       std::vector<std::pair<std::string, int>>{{"Param~Size", 9},
                                                {"Param~Size,2x", 13},
                                                {"Param~Free,abc", 13},
                                                {"Param~Size,40000", 6}}) {
    EXPECT_EQ(Expand("{" + content + "}"), "") << content;
    ASSERT_EQ(host.boxes.size(), 1u) << content;
    EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessFunction (T, Line 12)");
    EXPECT_THAT(host.boxes[0].text,
                HasSubstr("<Entry: " + content +
                          ">\r\rTechnical Support Information: " + std::to_string(number) + " - "));
    host.ClearRecords();
  }
}

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

// The acceptance cases cover the reset to the current values at every roll.
TEST_F(ParameterSetTest, AVariableBoundTwiceTakesTheValueOfTheLastDeclarationOrTheValueGiven) {
  EXPECT_THAT(engine.parameter_values(), ElementsAre("2", "Bob", "1", "3"));
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(RollTopLevel("T"), "2  Medium  Bob 3");
  ASSERT_EQ(Set("Twice=2"), std::nullopt);
  EXPECT_THAT(engine.parameter_values(), ElementsAre("2", "Bob", "2", "2"));
  EXPECT_EQ(RollTopLevel("T"), "2  Medium  Bob 2");
  // An option of only the second declaration is no choice for the first.
  EXPECT_TRUE(Set("Twice=E").has_value());
}

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
