#include "engine/expansion/condition.h"

#include <array>
#include <compare>
#include <string>

#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {

std::optional<bool> EvaluateCondition(std::string_view condition) {
  static constexpr std::array<std::string_view, 6> kOperators = {"<=", ">=", "!=", ">", "<", "="};
  for (std::string_view op : kOperators) {
    const std::size_t at = condition.find(op);
    if (at == std::string_view::npos) continue;
    const std::string_view left = TrimBlanks(condition.substr(0, at));
    const std::string_view right = TrimBlanks(condition.substr(at + op.size()));
    std::partial_ordering order = std::partial_ordering::unordered;
    const std::optional<double> a = ParseStrictNumber(left), b = ParseStrictNumber(right);
    if (a && b) {
      order = static_cast<float>(*a) <=> static_cast<float>(*b);
    } else {
      order = left.compare(right) <=> 0;
    }
    if (op == "<=") return order <= 0;
    if (op == ">=") return order >= 0;
    if (op == "!=") return order != 0;
    if (op == ">") return order > 0;
    if (op == "<") return order < 0;
    return order == 0;
  }
  return std::nullopt;
}

}  // namespace fablewick
