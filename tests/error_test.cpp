#include "engine/error.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace fablewick {
namespace {

// The expansion and dispatch boundaries build their error box from the number and description
// of whatever reaches them, so both must survive being thrown and caught as a standard exception.
class EngineErrorTest : public ::testing::Test {
 protected:
  static EngineError CatchAsStandardException(const EngineError& thrown) {
    try {
      throw thrown;
    } catch (const std::exception& caught) {
      const auto* engine_error = dynamic_cast<const EngineError*>(&caught);
      EXPECT_NE(engine_error, nullptr);
      EXPECT_EQ(std::string(caught.what()), engine_error->description());
      return *engine_error;
    }
  }
};

TEST_F(EngineErrorTest, ClassicNumbersCarryTheirStandardDescriptions) {
  EXPECT_EQ(CatchAsStandardException(EngineError(kInvalidCall)).description(),
            "Invalid procedure call or argument");
  EXPECT_EQ(CatchAsStandardException(EngineError(kOverflow)).description(), "Overflow");
  EXPECT_EQ(CatchAsStandardException(EngineError(kSubscriptOutOfRange)).description(),
            "Subscript out of range");
  EXPECT_EQ(CatchAsStandardException(EngineError(kDivisionByZero)).description(),
            "Division by zero");
  EXPECT_EQ(CatchAsStandardException(EngineError(kTypeMismatch)).description(), "Type mismatch");
  EXPECT_EQ(CatchAsStandardException(EngineError(kOutOfStackSpace)).description(),
            "Out of stack space");
}

TEST_F(EngineErrorTest, NumberSurvivesBeingCaughtAsStandardException) {
  EXPECT_EQ(CatchAsStandardException(EngineError(kDivisionByZero)).number(), 11);
  EXPECT_EQ(CatchAsStandardException(EngineError(kTypeMismatch, "Bad number")).number(), 13);
}

TEST_F(EngineErrorTest, OwnDescriptionReplacesTheStandardOne) {
  EngineError caught = CatchAsStandardException(EngineError(kInvalidCall, "No such file: a.xml"));
  EXPECT_EQ(caught.description(), "No such file: a.xml");
  EXPECT_STREQ(caught.what(), "No such file: a.xml");
}

TEST_F(EngineErrorTest, UnknownNumberGetsTheGenericDescription) {
  EXPECT_EQ(CatchAsStandardException(EngineError(1004)).description(),
            "Application-defined or object-defined error");
  EXPECT_EQ(CatchAsStandardException(EngineError(1004)).number(), 1004);
}

}  // namespace
}  // namespace fablewick
