// "OrderAsc" and "OrderDesc": sort a list written in the argument text, with its separator in
// double quotes: {OrderAsc~", ",pear, apple, fig}.
#include <vector>

#include "engine/engine.h"
#include "engine/functions/functions.h"
#include "engine/functions/selection_sort.h"
#include "platform/text.h"

namespace fablewick {
namespace {

std::string OrderList(const FunctionCall& call, bool ascending) {
  const std::string_view args = ArgReader(call).Rest();
  const std::size_t open = args.find('"');
  const std::size_t close = open == std::string_view::npos ? open : args.find('"', open + 1);
  if (close == std::string_view::npos) {
    return FunctionErrorText("Bad syntax in 'Order' text: " + std::string(args) + "'");
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
  const std::vector<std::size_t> order = SortedOrder(items);
  std::string result;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) result.append(separator);
    result.append(items[order[ascending ? i : items.size() - 1 - i]]);
  }
  return result;
}

std::string OrderAsc(const FunctionCall& call) { return OrderList(call, true); }

std::string OrderDesc(const FunctionCall& call) { return OrderList(call, false); }

constexpr FunctionEntry kOrder[] = {{"OrderAsc", OrderAsc}, {"OrderDesc", OrderDesc}};

}  // namespace

constinit const FunctionFamily kOrderFunctions = kOrder;

}  // namespace fablewick
