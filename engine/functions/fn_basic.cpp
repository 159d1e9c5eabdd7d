// The small text and number functions: case, articles, length, trimming and plain arithmetic.
#include <cmath>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/functions/functions.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {

std::string LCase(const FunctionCall& call) { return ToLower(call.args); }

std::string UCase(const FunctionCall& call) { return ToUpper(call.args); }

std::string AorAn(const FunctionCall& call) {
  return Engine::ApplyCallFlags(std::string(call.args), true, false);
}

std::string Cap(const FunctionCall& call) {
  if (call.args.empty()) throw EngineError(kInvalidCall);
  return UpperFirst(call.args);
}

std::string Length(const FunctionCall& call) {
  return FormatInteger(static_cast<long long>(CodePointCount(call.args)));
}

std::string Trim(const FunctionCall& call) { return std::string(TrimBlanks(call.args)); }

std::string Trunc(const FunctionCall& call) {
  return FormatGeneralNumber(std::trunc(ParseLeadingNumber(call.args)));
}

std::string Abs(const FunctionCall& call) {
  return FormatGeneralNumber(std::fabs(ParseLeadingNumber(call.args)));
}

std::string Sqrt(const FunctionCall& call) {
  const double value = ParseLeadingNumber(call.args);
  if (value < 0) throw EngineError(kInvalidCall);
  return FormatGeneralNumber(std::sqrt(value));
}

// Reached only when a function name becomes "If" through expansion: a block written "{If~...}"
// is handled before dispatch.
std::string IfOutsideBlock(const FunctionCall&) { return "Shouldn't be here!"; }

}  // namespace fablewick
