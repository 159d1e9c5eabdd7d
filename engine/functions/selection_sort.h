// The order of the table language's sorts: a selection sort, reproduced exactly.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/numbers.h"

namespace fablewick {

// The positions of `keys` in the order an ascending selection sort leaves them: for each
// position from the first, the first of the smallest keys from there on is swapped into it.
// Equal keys may stand for different texts ("1" and "1.0" as numbers), so the swaps decide where
// each ends. A set ordered by (key, position) finds that smallest key without scanning the rest.
template <typename Key>
std::vector<std::size_t> SelectionOrder(const std::vector<Key>& keys) {
  const std::size_t n = keys.size();
  std::vector<std::size_t> order(n);  // order[p]: which key stands at position p
  std::set<std::pair<Key, std::size_t>> unsettled;
  for (std::size_t p = 0; p < n; ++p) {
    order[p] = p;
    unsettled.emplace(keys[p], p);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t smallest = unsettled.begin()->second;
    unsettled.erase(unsettled.begin());
    if (smallest == i) continue;
    // The key at i moves to where the smallest stood.
    unsettled.erase({keys[order[i]], i});
    unsettled.emplace(keys[order[i]], smallest);
    std::swap(order[i], order[smallest]);
  }
  return order;
}

// The values in ascending selection-sort order: numerically (leading numbers) when the first
// value is a number as a whole, else by character code.
inline std::vector<std::size_t> SortedOrder(const std::vector<std::string>& values) {
  if (IsStrictNumber(values.front())) {
    std::vector<double> numbers;
    numbers.reserve(values.size());
    for (const std::string& value : values) numbers.push_back(ParseLeadingNumber(value));
    return SelectionOrder(numbers);
  }
  return SelectionOrder(std::vector<std::string_view>(values.begin(), values.end()));
}

}  // namespace fablewick
