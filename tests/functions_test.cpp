// Built-in functions on the points the command-line acceptance cases leave open: Calc on very
// deep and very long expressions, the order of equal numbers in Order, and Shell.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

class FunctionsTest : public EngineFixture {
 protected:
  void SetUp() override { WriteTable("T", ":Start\n1,x\n"); }
};

TEST_F(FunctionsTest, CalcHandlesDeepAndLongExpressionsWithoutRecursion) {
  const std::string deep = std::string(100000, '(') + "1+1" + std::string(100000, ')');
  EXPECT_EQ(Expand("{Calc~" + deep + "}"), "2");
  std::string sum = "0";
  for (int i = 0; i < 100000; ++i) sum += "+1";
  EXPECT_EQ(Expand("{Calc~" + sum + "}"), "100000");
  EXPECT_EQ(Expand("{Calc~0.1+0.2}"), "0.3");
}

TEST_F(FunctionsTest, OrderPutsEqualNumbersWhereTheSelectionSortsSwapsLeaveThem) {
  EXPECT_EQ(Expand("{OrderAsc~\";\",1.0;1;0}"), "0;1;1.0");
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
