// "Calc": arithmetic on the argument text. Parentheses are replaced by the value of their inside
// as text, subtraction becomes addition of a negative number, "*", "/" and "\" are applied left
// to right, then everything is added up. Intermediate results travel as text, so they carry the
// rounding of the general number form, as the evaluated expression would show them.
#include <vector>

#include "engine/error.h"
#include "engine/functions/functions.h"
#include "engine/numbers.h"

namespace fablewick {
namespace {

constexpr char kDivisionByZero[] = "Error: Division by zero";
constexpr char kUnmatched[] = "Error: Parentheses don't match up.";

bool IsOperator(char c) { return c == '+' || c == '*' || c == '/' || c == '\\'; }

// An expression without parentheses.
std::string EvaluateFlat(std::string_view expression, std::string& error) {
  std::string text;
  text.reserve(expression.size());
  for (char c : expression) {
    if (c != ' ') text += c;
  }
  // "--" becomes "+", left to right without overlap; then "+" goes before every "-" that follows
  // a digit, so that subtraction is addition of a negative number.
  std::string rewritten;
  rewritten.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      rewritten += '+';
      ++i;
      continue;
    }
    rewritten += text[i];
  }
  text.clear();
  for (std::size_t i = 0; i < rewritten.size(); ++i) {
    const char c = rewritten[i];
    if (c == '-' && i > 0 && rewritten[i - 1] >= '0' && rewritten[i - 1] <= '9') text += '+';
    text += c;
  }

  // Cut into numbers and operators.
  std::vector<std::string_view> numbers;
  std::vector<char> operators;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsOperator(text[i])) continue;
    numbers.push_back(std::string_view(text).substr(start, i - start));
    operators.push_back(text[i]);
    start = i + 1;
  }
  numbers.push_back(std::string_view(text).substr(start));
  if (operators.empty()) return std::string(numbers.front());

  // "*", "/" and "\" fold into the number that follows them; "+" keeps the numbers apart.
  std::vector<std::string> terms;
  std::string current(numbers[0]);
  for (std::size_t i = 0; i < operators.size(); ++i) {
    const std::string_view next = numbers[i + 1];
    switch (operators[i]) {
      case '+':
        terms.push_back(std::move(current));
        current = next;
        break;
      case '*':
        current = FormatGeneralNumber(ParseLeadingNumber(current) * ParseLeadingNumber(next));
        break;
      case '/': {
        const double divisor = ParseLeadingNumber(next);
        if (divisor == 0) {
          error = kDivisionByZero;
          return "";
        }
        current = FormatGeneralNumber(ParseLeadingNumber(current) / divisor);
        break;
      }
      case '\\': {
        if (ParseLeadingNumber(next) == 0) {
          error = kDivisionByZero;
          return "";
        }
        const int32_t dividend = RoundToInt32(ParseLeadingNumber(current));
        const int32_t divisor = RoundToInt32(ParseLeadingNumber(next));
        if (divisor == 0) throw EngineError(fablewick::kDivisionByZero);
        if (dividend == INT32_MIN && divisor == -1) throw EngineError(kOverflow);
        current = FormatInteger(dividend / divisor);
        break;
      }
    }
  }
  terms.push_back(std::move(current));
  std::string total = std::move(terms[0]);
  for (std::size_t i = 1; i < terms.size(); ++i) {
    total = FormatGeneralNumber(ParseLeadingNumber(total) + ParseLeadingNumber(terms[i]));
  }
  return total;
}

// Evaluates with an explicit stack instead of recursion, so that deeply nested parentheses cost
// neither stack nor repeated scans. Parentheses are evaluated innermost first, left to right, as
// the recursive definition does. A "(" without its ")" stops the evaluation when it is reached;
// every parenthesis before it is complete by then.
std::string Calc(const FunctionCall& call) {
  const std::string_view expression = ArgReader(call).Rest();
  std::string error;

  // The first "(" that is never closed: nothing from it on is evaluated.
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i < expression.size(); ++i) {
    if (expression[i] == '(') open.push_back(i);
    if (expression[i] == ')' && !open.empty()) open.pop_back();
  }
  const std::size_t unmatched = open.empty() ? expression.size() : open.front();

  std::string text;
  std::vector<std::size_t> starts;  // where each open parenthesis's inside begins in `text`
  for (std::size_t i = 0; i < unmatched; ++i) {
    const char c = expression[i];
    if (c == '(') {
      starts.push_back(text.size());
    } else if (c == ')' && !starts.empty()) {
      const std::size_t inside = starts.back();
      starts.pop_back();
      std::string value = EvaluateFlat(std::string_view(text).substr(inside), error);
      text.resize(inside);
      text += value;
    } else {
      text += c;
    }
  }
  if (unmatched < expression.size()) return kUnmatched;
  std::string result = EvaluateFlat(text, error);
  return error.empty() ? result : error;
}

constexpr FunctionEntry kCalc[] = {{"Calc", Calc}};

}  // namespace

constinit const FunctionFamily kCalcFunctions = kCalc;

}  // namespace fablewick
