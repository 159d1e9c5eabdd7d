// Named arrays: keyed lists of texts kept per table for the length of one roll.
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

  void ExpectAll(const std::vector<std::pair<std::string, std::string>>& cases) {
    for (const auto& [text, expected] : cases) EXPECT_EQ(Expand(text), expected) << text;
  }
};

TEST_F(ArraysTest, ElementsAreAddedReplacedReadTestedAndCountedByExactKey) {
  ExpectAll({{"{ArrNew~a}", ""},
             {"{ArrCount~a}", "0"},
             {"{ArrItem~a,x,1}", ""},
             {"{ArrItem~a,x,2}", ""},
             {"{ArrGet~a,x}", "2"},
             {"{ArrCount~a}", "1"},
             {"{ArrExists~a,x}", "1"},
             {"{ArrExists~a,X}", "0"},
             {"{ArrGet~a,X}", Error("Attempted to reference non-existent key 'X'.")},
             // The value ends at the next comma, and fields keep their blanks.
             {"{ArrItem~a, y,one, two}", ""},
             {"{ArrGet~a, y}", "one"},
             {"{ArrExists~a,y}", "0"},
             // Absent key and value fields are empty texts.
             {"{ArrItem~a}", ""},
             {"{ArrExists~a,}", "1"},
             {"{ArrGet~a}", ""},
             {"{ArrCount~a}", "3"}});
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ArraysTest, EveryCallButArrNewNeedsTheArrayToExistUnderItsExactName) {
  ExpectAll({{"{ArrNew~a}", ""},
             {"{ArrItem~A,k,v}", NoArray("A")},
             {"{ArrGet~b,k}", NoArray("b")},
             {"{ArrExists~b,k}", NoArray("b")},
             {"{ArrCount~b}", NoArray("b")},
             {"{ArrRemove~b,k}", NoArray("b")},
             {"{ArrClear~b}", NoArray("b")},
             {"{ArrCount~ a}", NoArray(" a")},
             // A failed call created nothing.
             {"{ArrCount~A}", NoArray("A")}});
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ArraysTest, CreatingAnExistingArrayFailsAndClearingKeepsTheArray) {
  ExpectAll({{"{ArrNew~a}{ArrItem~a,k,v}", ""},
             {"{ArrNew~a}", Error("Attempt to create array 'a' failed - array already exists")},
             {"{ArrGet~a,k}", "v"},
             {"{ArrClear~a}{ArrCount~a}{ArrExists~a,k}", "00"},
             {"{ArrItem~a,z,3}{ArrGet~a,z}", "3"}});
}

TEST_F(ArraysTest, RemovingAKeyDeletesItAndRemovingAnAbsentKeyFailsTheCall) {
  ExpectAll({{"{ArrNew~a}{ArrItem~a,x,1}{ArrItem~a,y,2}{ArrRemove~a,x}", ""},
             {"{ArrExists~a,x}{ArrCount~a}", "01"}});
  EXPECT_EQ(Expand("<{ArrRemove~a,x}>"), "<>");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].kind, ShownBox::kOkCancel);
  EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessFunction (T, Line 12)");
  EXPECT_EQ(
      host.boxes[0].text.rfind("<Entry: ArrRemove~a,x>\r\rTechnical Support Information: 9 - ", 0),
      0u)
      << host.boxes[0].text;
  EXPECT_EQ(Expand("{ArrCount~a}"), "1");
}

TEST_F(ArraysTest, EachTableHasItsOwnArrays) {
  EXPECT_EQ(Expand("{ArrNew~a}{ArrItem~a,k,from B}", "B"), "");
  EXPECT_EQ(Expand("{ArrGet~a,k}"), NoArray("a"));
  EXPECT_EQ(Expand("{ArrNew~a}{ArrItem~a,k,from T}{ArrGet~a,k}"), "from T");
  EXPECT_EQ(Expand("{ArrGet~a,k}", "B"), "from B");
}

TEST_F(ArraysTest, EveryTopLevelRollEmptiesTheArraysOfEveryLoadedTable) {
  EXPECT_EQ(Expand("{ArrNew~a}", "B"), "");
  // Start creates array a of T afresh in each roll, so neither roll meets an existing one.
  EXPECT_EQ(RollTopLevel("T"), "v");
  EXPECT_EQ(Expand("{ArrCount~a}"), "1");
  EXPECT_EQ(RollTopLevel("T"), "v");
  EXPECT_EQ(Expand("{ArrCount~a}", "B"), NoArray("a", "B"));
  // A nested roll is not a new roll: the array is still there.
  // The entry of Start is on line 2 of the file.
  EXPECT_EQ(Roll("T", "Start"),
            Error("Attempt to create array 'a' failed - array already exists", "T", 2) + "v");
}

}  // namespace
}  // namespace fablewick
