// The small text and number functions: case, articles, length, trimming and plain arithmetic.
#include <cmath>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/functions/functions.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

std::string LCase(const FunctionCall& call) { return ToLower(ArgReader(call).Rest()); }

std::string UCase(const FunctionCall& call) { return ToUpper(ArgReader(call).Rest()); }

std::string AorAn(const FunctionCall& call) {
  return Engine::ApplyCallFlags(std::string(ArgReader(call).Rest()), true, false);
}

std::string Cap(const FunctionCall& call) {
  const std::string_view text = ArgReader(call).Rest();
  ArgCheck(!text.empty());
  return UpperFirst(text);
}

std::string Length(const FunctionCall& call) {
  return FormatInteger(static_cast<long long>(CodePointCount(ArgReader(call).Rest())));
}

std::string Trim(const FunctionCall& call) {
  return std::string(TrimBlanks(ArgReader(call).Rest()));
}

std::string Trunc(const FunctionCall& call) {
  return FormatGeneralNumber(std::trunc(ArgReader(call).LeadingNumber()));
}

std::string Abs(const FunctionCall& call) {
  return FormatGeneralNumber(std::fabs(ArgReader(call).LeadingNumber()));
}

std::string Sqrt(const FunctionCall& call) {
  const double value = ArgReader(call).LeadingNumber();
  ArgCheck(value >= 0);
  return FormatGeneralNumber(std::sqrt(value));
}

// Reached only when a function name becomes "If" through expansion: a block written "{If~...}"
// is handled before dispatch.
std::string IfOutsideBlock(const FunctionCall&) { return "Shouldn't be here!"; }

constexpr FunctionEntry kBasic[] = {
    {"LCase", LCase}, {"UCase", UCase}, {"AorAn", AorAn}, {"Cap", Cap},   {"Length", Length},
    {"Trim", Trim},   {"Trunc", Trunc}, {"Abs", Abs},     {"Sqrt", Sqrt}, {"If", IfOutsideBlock},
};

}  // namespace

constinit const FunctionFamily kBasicFunctions = kBasic;

}  // namespace fablewick
