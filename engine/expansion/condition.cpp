#include "engine/expansion/condition.h"

#include <compare>

#include "engine/expansion/syntax.h"
#include "engine/numbers.h"

namespace fablewick {

std::optional<bool> EvaluateCondition(std::string_view condition) {
  const std::optional<ComparisonSyntax> comparison = FindComparison(condition);
  if (!comparison) return std::nullopt;
  std::partial_ordering order = std::partial_ordering::unordered;
  const std::optional<double> a = ParseStrictNumber(comparison->left);
  const std::optional<double> b = ParseStrictNumber(comparison->right);
  if (a && b) {
    order = static_cast<float>(*a) <=> static_cast<float>(*b);
  } else {
    order = comparison->left.compare(comparison->right) <=> 0;
  }
  const std::string_view op = comparison->op;
  if (op == "<=") return order <= 0;
  if (op == ">=") return order >= 0;
  if (op == "!=") return order != 0;
  if (op == ">") return order > 0;
  if (op == "<") return order < 0;
  return order == 0;
}

}  // namespace fablewick
