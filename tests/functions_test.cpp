// The built-in functions of the dispatcher's own family, Calc, group state and group queries,
// list ordering and Shell, called from table text as tables use them.
#include <string>

#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

class FunctionsTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T",
               "%f%,UCase\n"
               ":Start\n1,x\n"
               ":Gem\n1-2,ruby\n3-4,opal\n5-6,jet\n"
               ":!Coin\n1,copper\n2,silver\n3,gold\n");
    WriteTable("Other", ":Gem\n1,pearl\n2,amber\n");
    Load("T");
  }

  // The text of the only error box shown since the last call, and forgets it.
  std::string OnlyBox() {
    EXPECT_EQ(host.boxes.size(), 1u);
    std::string text = host.boxes.empty() ? "" : host.boxes[0].title + " | " + host.boxes[0].text;
    host.ClearRecords();
    return text;
  }

  Group& GroupOf(const std::string& table, const std::string& group) {
    return *Load(table).FindGroup(group);
  }
};

TEST_F(FunctionsTest, CalcFollowsItsTextRewritingRules) {
  EXPECT_EQ(Expand("{Calc~1+2*3};{Calc~(1+2)*3};{Calc~2*3*4*5};{Calc~10-2-3};{Calc~5-(0-2)}"),
            "7;9;120;5;7");
  EXPECT_EQ(Expand("{Calc~-4/2};{Calc~2*-3};{Calc~7\\2};{Calc~-7\\2};{Calc~2.5\\1};{Calc~7\\2*3}"),
            "-2;-6;3;-3;2;9");
  // Parentheses become their value as text; an operator-free expression stays as written.
  EXPECT_EQ(Expand("{Calc~(2)(3)};{Calc~2^3+0};{Calc~2^3};{Calc~ 05 };{Calc~1.50};{Calc~}"),
            "23;2;2^3;05;1.50;");
  EXPECT_EQ(Expand("{Calc~1+2)};{Calc~8/2/2};{Calc~1/3};{Calc~0.1+0.2}"),
            "3;2;0.333333333333333;0.3");
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(FunctionsTest, CalcReportsItsOwnErrorsAsText) {
  EXPECT_EQ(Expand("{Calc~1/0};{Calc~(1+2};{Calc~(1/0)+2};{Calc~5\\0}"),
            "Error: Division by zero;Error: Parentheses don't match up.;"
            "Error: Division by zero;Error: Division by zero");
  // A divisor that reads as a number but rounds to 0 fails through the error box.
  EXPECT_EQ(Expand("a{Calc~1\\0.4}b"), "ab");
  EXPECT_EQ(OnlyBox(),
            "Error occurred in ProcessFunction (T, Line 12) | <Entry: Calc~1\\0.4>\r\r"
            "Technical Support Information: 11 - Division by zero");
}

TEST_F(FunctionsTest, CalcHandlesDeepAndLongExpressionsWithoutRecursion) {
  const std::string deep = std::string(100000, '(') + "1+1" + std::string(100000, ')');
  EXPECT_EQ(Expand("{Calc~" + deep + "}"), "2");
  std::string sum = "0";
  for (int i = 0; i < 100000; ++i) sum += "+1";
  EXPECT_EQ(Expand("{Calc~" + sum + "}"), "100000");
}

TEST_F(FunctionsTest, TextAndNumberFunctions) {
  EXPECT_EQ(Expand("{AorAn~apple};{AorAn~Unicorn};{AorAn~pear};{AorAn~};{AorAn~élan}"),
            "an apple;an Unicorn;a pear;a ;a élan");
  EXPECT_EQ(Expand("{UCase~a~b};{LCase~ÉTÉ};{Cap~élan};{Length~};{Length~ab c};{Length~héllo}"),
            "A~B;été;Élan;0;4;5");
  EXPECT_EQ(Expand("<{Trim~  a b\t }>;{Trunc~-2.7};{Trunc~abc};{Abs~-3.5};{Sqrt~16}"),
            "<a b\t>;-2;0;3.5;4");
  // A function name made by expansion; "If" is reached only this way.
  EXPECT_EQ(Expand("{%f%~x};|f=If|{%f%~x}"), "X;Shouldn't be here!");
  EXPECT_EQ(Expand("{dice~3d6}"),
            "<hr><b>###ERR: Error in 'dice~3d6' - function unknown (T, Line 12).###</b><br>");
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(FunctionsTest, FailingHandlersShowTheErrorBoxAndCancelStops) {
  EXPECT_EQ(Expand("a{Cap~}b{Sqrt~-1}c"), "abc");
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(host.boxes[0].text,
            "<Entry: Cap~>\r\rTechnical Support Information: 5 - Invalid procedure call or "
            "argument");
  host.ClearRecords();
  host.ok_cancel_answers.push_back(false);
  EXPECT_EQ(Expand("a{Cap~}b[Gem]c{Cap~}"), "abc");
  EXPECT_EQ(host.boxes.size(), 1u);
  EXPECT_FALSE(engine.g_bKeepRunning);
}

TEST_F(FunctionsTest, LockoutAndUnlockMarkEntriesByRoll) {
  Group& gem = GroupOf("T", "Gem");
  Expand("{Lockout~Gem,3}{Lockout~Gem,4}");
  EXPECT_TRUE(gem.Entries[1].Drawn);
  EXPECT_EQ(gem.DrawnCount, 1);
  Expand("{Lockout~Gem,1-6}{Unlock~Gem,2,5}{Lockout~Gem}");
  EXPECT_FALSE(gem.Entries[0].Drawn);
  EXPECT_TRUE(gem.Entries[1].Drawn);
  EXPECT_FALSE(gem.Entries[2].Drawn);
  EXPECT_EQ(gem.DrawnCount, 1);
  Expand("{Lockout~Gem,-2}");  // a range from 0
  EXPECT_TRUE(gem.Entries[0].Drawn);
  // A group without the no-repeat flag still refuses to roll once every entry is marked.
  Expand("{Lockout~Gem,1-6}");
  EXPECT_EQ(Expand("[Gem]"),
            "<hr><b>###ERR: Non-duplicating group exhausted in Table: T / Group: Gem ###</b><hr>");
  EXPECT_TRUE(host.boxes.empty());
  // A table that is not loaded fails the call.
  EXPECT_EQ(Expand("{Lockout~Nowhere.Gem,1}"), "");
  EXPECT_EQ(host.boxes.size(), 1u);
}

TEST_F(FunctionsTest, ResetClearsOnlyNoRepeatGroups) {
  Load("Other");
  Group& coin = GroupOf("T", "Coin");
  Group& gem = GroupOf("T", "Gem");
  Expand("{Lockout~Coin,1-3}{Lockout~Gem,1}");
  Expand("{Reset~Gem}{Reset~Nowhere.Coin}{Reset~Other.Gem}");
  EXPECT_EQ(gem.DrawnCount, 1);
  EXPECT_EQ(coin.DrawnCount, 3);
  Expand("{Reset~$all$}");
  EXPECT_EQ(coin.DrawnCount, 0);
  EXPECT_EQ(gem.DrawnCount, 1);
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(FunctionsTest, GroupQueries) {
  Expand("{Lockout~Gem,3}");
  EXPECT_EQ(Expand("{Count~Gem};{Count~Nothing};{Count~Other.Gem};{Count~Missing.Gem}"), "3;0;2;0");
  EXPECT_EQ(engine.FindTableIndex("Other"), 1);  // Count loaded it
  host.ClearRecords();
  EXPECT_EQ(Expand("{Used~Gem,3};{Used~Gem,1};{Used~Gem,9};{Used~Gem};{Used~Nowhere.Gem,1}"),
            "1;0;-1;-1;-1");
  EXPECT_EQ(Expand("{MinVal~Gem,2};{MaxVal~Gem,2};{MaxVal~Gem,4};{MinVal~Gem,0};{MinVal~Gem}"),
            "3;4;0;0;0");
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(FunctionsTest, OrderSortsListsAsTheSelectionSortDoes) {
  EXPECT_EQ(Expand("{OrderAsc~\",\",10,9,100};{OrderAsc~\",\",b10,b9,b100}"),
            "9,10,100;b10,b100,b9");
  EXPECT_EQ(Expand("{OrderDesc~\" / \",c / a / b};{OrderAsc~\",\",};{OrderAsc~\",\",5}"),
            "c / b / a;;5");
  // Equal numbers written differently end where the selection sort's swaps put them.
  EXPECT_EQ(Expand("{OrderAsc~\";\",1.0;1;0}"), "0;1;1.0");
  EXPECT_EQ(Expand("{OrderAsc~3,1,2}"),
            "<b>###ERR: Bad syntax in 'Order' text: 3,1,2'.###</b><br>");
}

TEST_F(FunctionsTest, ShellStartsTheSplitCommandLineOnlyWhenAllowed) {
  EXPECT_EQ(Expand("a{Shell~notepad \"my file.txt\" x}b"), "ab");
  EXPECT_TRUE(host.started_programs.empty());
  ASSERT_EQ(host.shell_requests.size(), 1u);
  EXPECT_EQ(host.shell_requests[0].table, "T");
  host.allow_shell = true;
  Expand("{Shell~notepad \"my file.txt\" x}");
  ASSERT_EQ(host.started_programs.size(), 1u);
  EXPECT_EQ(host.started_programs[0], (std::vector<std::string>{"notepad", "my file.txt", "x"}));
}

}  // namespace
}  // namespace fablewick
