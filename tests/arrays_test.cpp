// Named arrays: keyed lists of texts kept per table for the length of one roll. The acceptance
// cases cover the common calls; these cases cover exact names, absent fields and failures.
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

class ArraysTest : public EngineFixture {
 protected:
  void SetUp() override { WriteTable("T", ":Start\n1,{ArrNew~a}{ArrItem~a,k,v}{ArrGet~a,k}\n"); }

  static std::string Error(const std::string& what, int32_t line = kLine) {
    return "<b>###ERR: " + what + " (T, Line " + std::to_string(line) + ").###</b><br>";
  }
  static std::string NoArray(const std::string& name) {
    return Error("Attempted to reference non-existent array '" + name + "'.");
  }
};

TEST_F(ArraysTest, KeysAndNamesAreExactAndEveryCallButArrNewNeedsAnExistingArray) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{ArrNew~a}", ""},
      // Fields keep their blanks; absent key and value fields are empty texts.
      {"{ArrItem~a, y,one}{ArrGet~a, y}{ArrExists~a,y}", "one0"},
      {"{ArrItem~a}{ArrExists~a,}{ArrGet~a}{ArrCount~a}", "12"},
      // A failed call created nothing.
      {"{ArrItem~A,k,v}{ArrCount~ a}{ArrCount~A}", NoArray("A") + NoArray(" a") + NoArray("A")}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(Expand(text), expected) << text;
  EXPECT_TRUE(host.boxes.empty());
  // Removing an absent key fails the call with a box.
  EXPECT_EQ(Expand("<{ArrRemove~a,x}>{ArrCount~a}"), "<>2");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessFunction (T, Line 12)");
  EXPECT_THAT(host.boxes[0].text,
              testing::StartsWith("<Entry: ArrRemove~a,x>\r\rTechnical Support Information: 9 - "));
}

// The acceptance cases cover the arrays emptied by every top-level roll.
TEST_F(ArraysTest, ANestedRollIsNoNewRollAndKeepsTheArrays) {
  EXPECT_EQ(RollTopLevel("T"), "v");
  // Start's entry is on line 2.
  EXPECT_EQ(Roll("T", "Start"),
            Error("Attempt to create array 'a' failed - array already exists", 2) + "v");
}

}  // namespace
}  // namespace fablewick
