// What the comparison written in conditional group calls and If blocks gives: "a<=b", "a>=b",
// "a!=b", "a>b", "a<b", "a=b" (read by FindComparison of syntax.h).
#pragma once

#include <optional>
#include <string_view>

namespace fablewick {

// Whether the comparison holds; nullopt when the text holds no operator. Two numbers compare as
// single-precision numbers, anything else as texts by character code.
std::optional<bool> EvaluateCondition(std::string_view condition);

}  // namespace fablewick
