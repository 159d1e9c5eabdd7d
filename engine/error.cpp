#include "engine/error.h"

namespace fablewick {

const char* ErrorDescription(int number) {
  switch (number) {
    case kInvalidCall:
      return "Invalid procedure call or argument";
    case kOverflow:
      return "Overflow";
    case kOutOfMemory:
      return "Out of memory";
    case kSubscriptOutOfRange:
      return "Subscript out of range";
    case kDivisionByZero:
      return "Division by zero";
    case kTypeMismatch:
      return "Type mismatch";
    case kOutOfStackSpace:
      return "Out of stack space";
    default:
      return "Application-defined or object-defined error";
  }
}

EngineError::EngineError(int number) : EngineError(number, ErrorDescription(number)) {}

EngineError::EngineError(int number, const std::string& description)
    : std::runtime_error(description), number_(number), description_(description) {}

}  // namespace fablewick
