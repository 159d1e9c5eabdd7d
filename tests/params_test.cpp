// Table parameters on the engine side: the current parameter set of a chosen table, setting it by
// variable name, its application at every top-level roll, and "Param", which turns an item
// number into the option's text.
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/parameters.h"
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
    Load("T");
    Load("B");
  }

  static std::string Error(const std::string& what, const std::string& table = "T") {
    return "<b>###ERR: " + what + " (" + table + ", Line " + std::to_string(kLine) + ").</b>";
  }
};

TEST_F(ParamFunctionTest, ItemNumbersGiveTheOptionTextOfTheCallingTableUnchanged) {
  const std::string out_of_range = Error("Requested parameter item out of range");
  const std::string no_variable = Error("Param function referencing non-existent variable");
  const std::vector<std::pair<std::string, std::string>> cases = {
      // The index (number - 1) is rounded halves to even: 0.5 to 0.
      {"{Param~Size,2}{Param~Size,1.5}", " Medium Small"},
      {"{Param~Size,-1}", out_of_range},
      // Of two declarations bound to one variable, the first answers.
      {"{Param~Twice,2}", "B"},
      {"{Param~Twice,3}", out_of_range},
      // An unknown variable is reported before the item number is read.
      {"{Param~size,1}{Param~Nope,abc}", no_variable + no_variable}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(Expand(text), expected) << text;
  EXPECT_TRUE(host.boxes.empty());
  // The parameters are those of the table that holds the call.
  EXPECT_EQ(Expand("{Param~Size,2}", "B"), "Huge");
  EXPECT_EQ(Expand("{Param~Name,1}", "B"),
            Error("Param function referencing non-existent variable", "B"));
}

TEST_F(ParamFunctionTest, AMissingOrNonNumericItemNumberFailsTheCall) {
  for (const auto& [text, number] :
       std::vector<std::pair<std::string, int>>{{"{Param~Size}", 9},
                                                {"{Param~Size,}", 13},
                                                {"{Param~Size,2x}", 13},
                                                {"{Param~Free,abc}", 13},
                                                {"{Param~Size,40000}", 6}}) {
    EXPECT_EQ(Expand(text), "") << text;
    ASSERT_EQ(host.boxes.size(), 1u) << text;
    EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessFunction (T, Line 12)");
    EXPECT_THAT(host.boxes[0].text,
                HasSubstr(">\r\rTechnical Support Information: " + std::to_string(number) + " - "))
        << text;
    host.ClearRecords();
  }
}

class ParameterSetTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T", kTown);
    table_ = &Load("T");
    engine.g_aParamValues = LoadParameters(*table_, host);
  }

  std::optional<std::string> Set(std::string_view assignment) {
    return SetParameterByVariable(*table_, engine.g_aParamValues, assignment);
  }

  Table* table_ = nullptr;
};

TEST_F(ParameterSetTest, EveryTopLevelRollAppliesTheCurrentValuesAfterResettingVariables) {
  EXPECT_THAT(engine.g_aParamValues, ElementsAre("2", "Bob", "1", "3"));
  EXPECT_TRUE(host.boxes.empty());
  // The last of two declarations bound to a variable decides its value.
  EXPECT_EQ(RollTopLevel("T"), "2  Medium  Bob 3");
  ASSERT_EQ(Set("Size=3"), std::nullopt);
  ASSERT_EQ(Set("Name=Ann"), std::nullopt);
  EXPECT_EQ(RollTopLevel("T"), "3 Large Ann 3");
  EXPECT_EQ(Expand("|Size=1|%Size%"), "1");
  EXPECT_EQ(RollTopLevel("T"), "3 Large Ann 3");
}

TEST_F(ParameterSetTest, AListParameterIsSetByItemNumberOrOptionText) {
  for (const auto& [assignment, value] : std::vector<std::pair<std::string, std::string>>{
           {"Size=Small", "1"}, {"Size= Medium ", "2"}, {"Size=3", "3"}}) {
    EXPECT_EQ(Set(assignment), std::nullopt);
    EXPECT_EQ(engine.g_aParamValues[0], value) << assignment;
  }
  EXPECT_EQ(Set("Name=a=b"), std::nullopt);
  EXPECT_EQ(engine.g_aParamValues[1], "a=b");

  for (const char* refused : {"Size=4", "Size=0", "Size=1.5", "Size=Medium", "Size=large"}) {
    const std::optional<std::string> problem = Set(refused);
    ASSERT_TRUE(problem.has_value()) << refused;
    EXPECT_THAT(*problem, HasSubstr("1 Small\n  2  Medium \n  3 Large")) << refused;
  }
  EXPECT_EQ(engine.g_aParamValues[0], "3");
  for (const char* refused : {"Free=1", "size=1", "Size"}) EXPECT_TRUE(Set(refused)) << refused;
}

TEST_F(ParameterSetTest, AVariableBoundTwiceTakesTheValueGivenForIt) {
  ASSERT_EQ(Set("Twice=2"), std::nullopt);
  EXPECT_THAT(engine.g_aParamValues, ElementsAre("2", "Bob", "2", "2"));
  EXPECT_EQ(RollTopLevel("T"), "2  Medium  Bob 2");
  // An option of only the second declaration is no choice for the first.
  EXPECT_TRUE(Set("Twice=E").has_value());
}

// A list default is read leniently as an item number, rounded halves to even; the message names
// the prompts of those refused.
TEST_F(ParameterSetTest, AListDefaultThatNamesNoOptionFallsBackToTheFirstWithOneMessage) {
  const std::vector<std::string> defaults = {"2abc", "0.5", "2.5", "0.4", "3.6", "1e300", "none"};
  std::string table;
  for (std::size_t i = 0; i < defaults.size(); ++i) {
    const std::string v = "V" + std::to_string(i);
    table += "%" + v + "%,0\n@" + v + "," + defaults[i] + ",Prompt " + v + "?,x,y,z\n";
  }
  WriteTable("Odd", table + ":Start\n1,x\n");
  EXPECT_THAT(LoadParameters(Load("Odd"), host),
              ElementsAre("2abc", "0.5", "2.5", "1", "1", "1", "1"));
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].kind, ShownBox::kMessage);
  EXPECT_THAT(host.boxes[0].title, HasSubstr("Odd"));
  for (std::size_t i = 0; i < defaults.size(); ++i) {
    EXPECT_EQ(host.boxes[0].text.find("Prompt V" + std::to_string(i) + "?") != std::string::npos,
              i >= 3)
        << defaults[i];
  }
}

}  // namespace
}  // namespace fablewick
