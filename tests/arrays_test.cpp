// Named arrays: keyed lists of texts kept per table for the length of one roll. The acceptance
// cases cover the common calls; these cases cover exact names, absent fields and failures.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

class ArraysTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T", ":Start\n1,{ArrNew~a}{ArrItem~a,k,v}{ArrGet~a,k}\n");
    WriteTable("B", ":Start\n1,b\n");
    Load("T");
    Load("B");
  }

  static std::string Error(const std::string& what, const std::string& table = "T",
                           int32_t line = kLine) {
    return "<b>###ERR: " + what + " (" + table + ", Line " + std::to_string(line) + ").###</b><br>";
  }
  static std::string NoArray(const std::string& name, const std::string& table = "T") {
    return Error("Attempted to reference non-existent array '" + name + "'.", table);
  }
};

TEST_F(ArraysTest, KeysAndNamesAreExactAndEveryCallButArrNewNeedsAnExistingArray) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{ArrNew~a}", ""},
      // The value ends at the next comma, and fields keep their blanks.
      {"{ArrItem~a, y,one, two}{ArrGet~a, y}{ArrExists~a,y}", "one0"},
      // Absent key and value fields are empty texts.
      {"{ArrItem~a}{ArrExists~a,}{ArrGet~a}{ArrCount~a}", "12"},
      {"{ArrItem~A,k,v}", NoArray("A")},
      {"{ArrExists~b,k}", NoArray("b")},
      {"{ArrCount~b}", NoArray("b")},
      {"{ArrRemove~b,k}", NoArray("b")},
      {"{ArrClear~b}", NoArray("b")},
      {"{ArrCount~ a}", NoArray(" a")},
      // A failed call created nothing.
      {"{ArrCount~A}", NoArray("A")}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(Expand(text), expected) << text;
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ArraysTest, RemovingAnAbsentKeyFailsTheCall) {
  EXPECT_EQ(Expand("{ArrNew~a}{ArrItem~a,y,2}<{ArrRemove~a,x}>"), "<>");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessFunction (T, Line 12)");
  EXPECT_EQ(
      host.boxes[0].text.rfind("<Entry: ArrRemove~a,x>\r\rTechnical Support Information: 9 - ", 0),
      0u)
      << host.boxes[0].text;
  EXPECT_EQ(Expand("{ArrCount~a}"), "1");
}

TEST_F(ArraysTest, EachTableHasItsOwnArraysWhichEveryTopLevelRollEmpties) {
  EXPECT_EQ(Expand("{ArrNew~a}{ArrItem~a,k,from B}", "B"), "");
  EXPECT_EQ(Expand("{ArrGet~a,k}"), NoArray("a"));
  EXPECT_EQ(Expand("{ArrGet~a,k}", "B"), "from B");
  // Start creates array a of T afresh in each roll, so neither roll meets an existing one.
  EXPECT_EQ(RollTopLevel("T"), "v");
  EXPECT_EQ(RollTopLevel("T"), "v");
  EXPECT_EQ(Expand("{ArrCount~a}", "B"), NoArray("a", "B"));
  // A nested roll is not a new roll: the array is still there. Start's entry is on line 2.
  EXPECT_EQ(Roll("T", "Start"),
            Error("Attempt to create array 'a' failed - array already exists", "T", 2) + "v");
}

}  // namespace
}  // namespace fablewick
