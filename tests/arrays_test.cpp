// Named arrays: keyed lists of texts kept per table for the length of one roll. The acceptance
// cases cover the calls, exact names, absent fields and failures; here, a nested roll.
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
};

// The acceptance cases cover the arrays emptied by every top-level roll.
TEST_F(ArraysTest, ANestedRollIsNoNewRollAndKeepsTheArrays) {
  EXPECT_EQ(RollTopLevel("T"), "v");
  // Start's entry is on line 2.
  EXPECT_EQ(Roll("T", "Start"),
            Error("Attempt to create array 'a' failed - array already exists", 2) + "v");
}

}  // namespace
}  // namespace fablewick
