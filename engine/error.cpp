#include "engine/error.h"

#include <new>

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

Failure CurrentFailure() {
  try {
    throw;
  } catch (const EngineError& error) {
    return {error.number(), error.description()};
  } catch (const std::bad_alloc&) {
    return {kOutOfMemory, ErrorDescription(kOutOfMemory)};
  } catch (const std::length_error&) {
    return {kOutOfMemory, ErrorDescription(kOutOfMemory)};
  } catch (...) {
    return {kInvalidCall, ErrorDescription(kInvalidCall)};
  }
}

}  // namespace fablewick
