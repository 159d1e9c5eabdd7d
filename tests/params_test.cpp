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
    "%Size%,0\n"
    "%Name%,x\n"
    "%Free%,q\n"
    "%Twice%,0\n"
    "@Size,2,Size of the town?,Small, Medium ,Large\n"
    "@Name,Bob,Your name?\n"
    "@Twice,1,First?,A,B\n"
    "@Twice,3,Second?,C,D,E\n"
    ":Start\n"
    "1,%Size% {Param~Size,%Size%} %Name% %Twice%\n";

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

  // The call failed: one error box, quoting it, with support information `number` " - ...".
  void ExpectFailure(const std::string& text, int number) {
    EXPECT_EQ(Expand(text), "") << text;
    ASSERT_EQ(host.boxes.size(), 1u) << text;
    EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessFunction (T, Line 12)");
    EXPECT_THAT(host.boxes[0].text,
                HasSubstr(">\r\rTechnical Support Information: " + std::to_string(number) + " - "))
        << text;
    host.ClearRecords();
  }
};

TEST_F(ParamFunctionTest, ItemNumbersGiveTheOptionTextOfTheCallingTableUnchanged) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{Param~Size,2}", " Medium "},
      // The index (number - 1) is rounded halves to even: 0.5 to 0.
      {"{Param~Size,1.5}", "Small"},
      {"{Param~Size,-1}", Error("Requested parameter item out of range")},
      // Of two declarations bound to one variable, the first answers.
      {"{Param~Twice,2}", "B"},
      {"{Param~Twice,3}", Error("Requested parameter item out of range")},
      {"{Param~size,1}", Error("Param function referencing non-existent variable")},
      // An unknown variable is reported before the item number is read.
      {"{Param~Nope,abc}", Error("Param function referencing non-existent variable")}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(Expand(text), expected) << text;
  EXPECT_TRUE(host.boxes.empty());
  // The parameters are those of the table that holds the call.
  EXPECT_EQ(Expand("{Param~Size,2}", "B"), "Huge");
  EXPECT_EQ(Expand("{Param~Name,1}", "B"),
            Error("Param function referencing non-existent variable", "B"));
}

TEST_F(ParamFunctionTest, AMissingOrNonNumericItemNumberFailsTheCall) {
  ExpectFailure("{Param~Size}", 9);
  ExpectFailure("{Param~Size,}", 13);
  ExpectFailure("{Param~Size,2x}", 13);
  ExpectFailure("{Param~Free,abc}", 13);
  ExpectFailure("{Param~Size,40000}", 6);
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

TEST_F(ParameterSetTest, ATableChosenForRollingStartsAtItsDefaults) {
  EXPECT_THAT(engine.g_aParamValues, ElementsAre("2", "Bob", "1", "3"));
  EXPECT_TRUE(host.boxes.empty());
  // The last of two declarations bound to a variable decides its value.
  EXPECT_EQ(RollTopLevel("T"), "2  Medium  Bob 3");
}

TEST_F(ParameterSetTest, EveryTopLevelRollAppliesTheCurrentValuesAfterResettingVariables) {
  ASSERT_EQ(Set("Size=3"), std::nullopt);
  ASSERT_EQ(Set("Name=Ann"), std::nullopt);
  EXPECT_EQ(RollTopLevel("T"), "3 Large Ann 3");
  EXPECT_EQ(Expand("|Size=1|%Size%"), "1");
  EXPECT_EQ(RollTopLevel("T"), "3 Large Ann 3");
}

TEST_F(ParameterSetTest, AListParameterIsSetByItemNumberOrOptionText) {
  EXPECT_EQ(Set("Size=Small"), std::nullopt);
  EXPECT_EQ(engine.g_aParamValues[0], "1");
  EXPECT_EQ(Set("Size= Medium "), std::nullopt);
  EXPECT_EQ(engine.g_aParamValues[0], "2");
  EXPECT_EQ(Set("Size=3"), std::nullopt);
  EXPECT_EQ(engine.g_aParamValues[0], "3");
  EXPECT_EQ(Set("Name=a=b"), std::nullopt);
  EXPECT_EQ(engine.g_aParamValues[1], "a=b");

  for (const char* refused : {"Size=4", "Size=0", "Size=1.5", "Size=Medium", "Size=large"}) {
    const std::optional<std::string> problem = Set(refused);
    ASSERT_TRUE(problem.has_value()) << refused;
    EXPECT_THAT(*problem, HasSubstr("1 Small\n  2  Medium \n  3 Large")) << refused;
  }
  EXPECT_EQ(engine.g_aParamValues[0], "3");
  EXPECT_TRUE(Set("Free=1").has_value());
  EXPECT_TRUE(Set("size=1").has_value());
  EXPECT_TRUE(Set("Size").has_value());
}

TEST_F(ParameterSetTest, AVariableBoundTwiceTakesTheValueGivenForIt) {
  ASSERT_EQ(Set("Twice=2"), std::nullopt);
  EXPECT_THAT(engine.g_aParamValues, ElementsAre("2", "Bob", "2", "2"));
  EXPECT_EQ(RollTopLevel("T"), "2  Medium  Bob 2");
  // An option of only the second declaration is no choice for the first.
  EXPECT_TRUE(Set("Twice=E").has_value());
}

TEST_F(ParameterSetTest, AListDefaultThatNamesNoOptionFallsBackToTheFirstWithOneMessage) {
  WriteTable("Odd",
             "%A%,0\n%B%,0\n%C%,0\n"
             "@A,4,Too big?,x,y,z\n@B,2.4,Rounded?,x,y,z\n@C,none,Not a number?,x,y\n"
             ":Start\n1,%A%%B%%C%\n");
  EXPECT_THAT(LoadParameters(Load("Odd"), host), ElementsAre("1", "2.4", "1"));
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].kind, ShownBox::kMessage);
  EXPECT_THAT(host.boxes[0].title, HasSubstr("Odd"));
  EXPECT_THAT(host.boxes[0].text, HasSubstr("Too big?"));
  EXPECT_THAT(host.boxes[0].text, HasSubstr("Not a number?"));
  EXPECT_THAT(host.boxes[0].text, ::testing::Not(HasSubstr("Rounded?")));
}

TEST(ListOptionIndexTest, ReadsTheValueLenientlyAndRoundsHalvesToEven) {
  TableParameter parameter;
  parameter.IsList = true;
  parameter.Options = {"a", "b", "c"};
  EXPECT_EQ(ListOptionIndex(parameter, "2abc"), 1u);
  EXPECT_EQ(ListOptionIndex(parameter, "0.5"), 0u);
  EXPECT_EQ(ListOptionIndex(parameter, "2.5"), 2u);
  EXPECT_EQ(ListOptionIndex(parameter, "0.4"), std::nullopt);
  EXPECT_EQ(ListOptionIndex(parameter, "3.6"), std::nullopt);
  EXPECT_EQ(ListOptionIndex(parameter, "1e300"), std::nullopt);
}

}  // namespace
}  // namespace fablewick
