// Dice expressions: an optional count, "d", the sides, and one optional operator "+", "-", "*" or
// "/" with a modifier, as in 3d6+2.
#include "engine/engine.h"
#include "engine/error.h"
#include "engine/functions/functions.h"
#include "engine/numbers.h"

namespace fablewick {
namespace {

int16_t NumberOr(std::string_view text, int16_t fallback) {
  return IsStrictNumber(text) ? StrictInt16(text) : fallback;
}

int32_t Checked32(int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) throw EngineError(kOverflow);
  return static_cast<int32_t>(value);
}

// "Dice~count d sides operator modifier": read by its own grammar, each number strictly.
std::string Dice(const FunctionCall& call) {
  const std::string_view text = ArgReader(call).Rest();
  const std::size_t d = text.find('d');
  if (d == std::string_view::npos) return std::string(text);

  // The operator is found by preference, not by position: the first of "+", "-", "*", "/" that
  // occurs at all.
  std::size_t op = std::string_view::npos;
  for (char candidate : {'+', '-', '*', '/'}) {
    op = text.find(candidate);
    if (op != std::string_view::npos) break;
  }
  ArgCheck(op == std::string_view::npos || op > d);

  int16_t count = d == 0 ? 0 : NumberOr(text.substr(0, d), 0);
  if (count == 0) count = 1;
  const std::string_view sides_text =
      op == std::string_view::npos ? text.substr(d + 1) : text.substr(d + 1, op - d - 1);
  const int16_t sides = NumberOr(sides_text, 1);
  const int16_t modifier = op == std::string_view::npos ? 0 : StrictInt16(text.substr(op + 1));

  int64_t total = 0;
  for (int i = 0; i < count; ++i) {
    total = Checked32(total + call.engine.RandomBetween(1, sides));
  }
  if (op != std::string_view::npos) {
    switch (text[op]) {
      case '+':
        total = Checked32(total + modifier);
        break;
      case '-':
        total = Checked32(total - modifier);
        break;
      case '*':
        total = Checked32(total * modifier);
        break;
      case '/':
        if (modifier == 0) throw EngineError(kDivisionByZero);
        total = Checked32(total / modifier);
        break;
    }
  }
  return FormatInteger(total);
}

constexpr FunctionEntry kDice[] = {{"Dice", Dice}};

}  // namespace

constinit const FunctionFamily kDiceFunctions = kDice;

}  // namespace fablewick
