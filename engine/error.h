// The one error type that engine code throws for an unexpected failure. It carries the classic
// error number and description that users of table tools know; the expansion and dispatch
// boundaries catch it and show it in their error box.
#pragma once

#include <stdexcept>
#include <string>

namespace fablewick {

enum ErrorNumber : int {
  kInvalidCall = 5,  // invalid procedure call or argument
  kOverflow = 6,     // a value outside its width
  kOutOfMemory = 7,
  kSubscriptOutOfRange = 9,  // an index or key that does not exist
  kDivisionByZero = 11,
  kTypeMismatch = 13,  // a text that does not convert
  kOutOfStackSpace = 28,
};

// The standard description of an error number, as the error boxes show it.
const char* ErrorDescription(int number);

class EngineError : public std::runtime_error {
 public:
  explicit EngineError(int number);
  EngineError(int number, const std::string& description);

  int number() const { return number_; }
  const std::string& description() const { return description_; }

 private:
  int number_;
  std::string description_;
};

// The number and description of the exception being handled, for the error boxes of the
// expansion and dispatch boundaries: an EngineError gives its own, running out of memory gives
// 7, anything else 5. Call it only inside a catch block.
struct Failure {
  int number = 0;
  std::string description;
};
Failure CurrentFailure();

}  // namespace fablewick
