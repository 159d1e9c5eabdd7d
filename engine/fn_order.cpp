// "OrderAsc" and "OrderDesc": sort a list written in the argument text, with its separator in
// double quotes: {OrderAsc~", ",pear, apple, fig}.
#include <vector>

#include "engine/engine.h"
#include "engine/functions.h"
#include "engine/numbers.h"
#include "engine/text.h"

namespace fablewick {
namespace {

// Sorts ascending in exactly the order a selection sort gives: for each position from the first,
// the smallest item from there on (the first of equals) is swapped into place. Equal items can
// be told apart (numbers "1" and "1.0"), so the swaps matter. A tree of minima over positions
// finds each smallest item in logarithmic time instead of scanning the rest of the list.
template <typename Less>
void SelectionSort(std::vector<std::string>& items, Less less) {
  const std::size_t n = items.size();
  std::size_t size = 1;
  while (size < n) size <<= 1;
  const std::size_t kEmpty = SIZE_MAX;
  std::vector<std::size_t> tree(2 * size, kEmpty);  // index of the smallest item below a node
  auto better = [&](std::size_t a, std::size_t b) {
    if (a == kEmpty) return b;
    if (b == kEmpty) return a;
    if (less(items[b], items[a])) return b;
    if (less(items[a], items[b])) return a;
    return a < b ? a : b;
  };
  auto update = [&](std::size_t position, bool present) {
    std::size_t node = size + position;
    tree[node] = present ? position : kEmpty;
    for (node >>= 1; node > 0; node >>= 1) tree[node] = better(tree[2 * node], tree[2 * node + 1]);
  };
  for (std::size_t i = 0; i < n; ++i) tree[size + i] = i;
  for (std::size_t node = size - 1; node > 0; --node) {
    tree[node] = better(tree[2 * node], tree[2 * node + 1]);
  }
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const std::size_t smallest = tree[1];
    std::swap(items[i], items[smallest]);
    update(smallest, true);  // it now holds the item that stood at i
    update(i, false);        // position i is settled
  }
}

}  // namespace

std::string OrderList(const FunctionCall& call, bool ascending) {
  const std::string_view args = call.args;
  const std::size_t open = args.find('"');
  const std::size_t close = open == std::string_view::npos ? open : args.find('"', open + 1);
  if (close == std::string_view::npos) {
    return "<b>###ERR: Bad syntax in 'Order' text: " + std::string(args) + "'.###</b><br>";
  }
  const std::string_view separator = args.substr(open + 1, close - open - 1);
  // The character after the closing quote (normally ",") is passed over unchecked.
  const std::string_view list = close + 2 <= args.size() ? args.substr(close + 2) : "";
  if (list.empty()) return "";

  std::vector<std::string> items;
  if (separator.empty()) {
    items.emplace_back(list);
  } else {
    for (std::size_t start = 0;;) {
      const std::size_t at = list.find(separator, start);
      items.emplace_back(list.substr(start, at - start));
      if (at == std::string_view::npos) break;
      start = at + separator.size();
    }
  }
  if (IsStrictNumber(items.front())) {
    SelectionSort(items, [](const std::string& a, const std::string& b) {
      return ParseLeadingNumber(a) < ParseLeadingNumber(b);
    });
  } else {
    SelectionSort(items, [](const std::string& a, const std::string& b) { return a < b; });
  }
  std::string result;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) result.append(separator);
    result.append(items[ascending ? i : items.size() - 1 - i]);
  }
  return result;
}

std::string OrderAsc(const FunctionCall& call) { return OrderList(call, true); }

std::string OrderDesc(const FunctionCall& call) { return OrderList(call, false); }

}  // namespace fablewick
