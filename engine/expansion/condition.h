// The comparison written in conditional group calls and If blocks: "a<=b", "a>=b", "a!=b",
// "a>b", "a<b", "a=b".
#pragma once

#include <optional>
#include <string_view>

namespace fablewick {

// Whether the comparison holds; nullopt when the text holds no operator. The operator is the
// first of "<=", ">=", "!=", ">", "<", "=" that occurs anywhere in the text; the sides around its
// first occurrence are trimmed. Two numbers compare as single-precision numbers, anything else
// as texts by character code.
std::optional<bool> EvaluateCondition(std::string_view condition);

}  // namespace fablewick
