// Named arrays: "ArrNew", "ArrItem", "ArrGet", "ArrExists", "ArrCount", "ArrRemove" and
// "ArrClear" keep keyed lists of texts in the table whose entry holds the call. The store of
// every loaded table is emptied at each top-level roll, so arrays live for one roll.
#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/functions/functions.h"
#include "engine/model/table.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

using Array = TableArrays::mapped_type;

// The fields of an array call: name, key and value, each empty when absent. Fields past the
// third are ignored, so keys and values cannot hold commas.
struct ArrayArgs {
  std::string name;
  std::string key;
  std::string value;
};

ArrayArgs ParseArrayArgs(std::string_view args) {
  std::vector<std::string> fields = SplitAll(args, ',');
  fields.resize(std::max<std::size_t>(fields.size(), 3));
  return {std::move(fields[0]), std::move(fields[1]), std::move(fields[2])};
}

// The arrays of the table that holds the call. A call expanded for a table that is not in the
// cache has no store to work on.
TableArrays& ArraysOf(const FunctionCall& call) {
  if (call.table_index < 0) throw EngineError(kSubscriptOutOfRange);
  return call.engine.TableAt(call.table_index).Arrays;
}

std::string ArrayError(const FunctionCall& call, const std::string& what) {
  return FunctionErrorText(what, call.table, call.line);
}

std::string NoSuchArray(const FunctionCall& call, const std::string& name) {
  return ArrayError(call, "Attempted to reference non-existent array '" + name + "'.");
}

std::string ArrNew(const FunctionCall& call, TableArrays& arrays, const ArrayArgs& args) {
  // An existing array keeps its elements.
  if (!arrays.try_emplace(args.name).second) {
    return ArrayError(call,
                      "Attempt to create array '" + args.name + "' failed - array already exists");
  }
  return "";
}

std::string ArrItem(const FunctionCall&, Array& array, const ArrayArgs& args) {
  array[args.key] = args.value;
  return "";
}

std::string ArrGet(const FunctionCall& call, Array& array, const ArrayArgs& args) {
  const auto element = array.find(args.key);
  if (element == array.end()) {
    return ArrayError(call, "Attempted to reference non-existent key '" + args.key + "'.");
  }
  return element->second;
}

std::string ArrExists(const FunctionCall&, Array& array, const ArrayArgs& args) {
  return array.count(args.key) != 0 ? "1" : "0";
}

std::string ArrCount(const FunctionCall&, Array& array, const ArrayArgs&) {
  return FormatInteger(static_cast<long long>(array.size()));
}

// Removing a key that is not there is a failure of the call, not an error text.
std::string ArrRemove(const FunctionCall&, Array& array, const ArrayArgs& args) {
  if (array.erase(args.key) == 0) {
    throw EngineError(kSubscriptOutOfRange,
                      "Array '" + args.name + "' has no key '" + args.key + "' to remove");
  }
  return "";
}

std::string ArrClear(const FunctionCall&, Array& array, const ArrayArgs&) {
  array.clear();
  return "";
}

// The functions that work on an array that must already exist.
using ElementFunction = std::string (*)(const FunctionCall&, Array&, const ArrayArgs&);
struct ElementEntry {
  std::string_view name;
  ElementFunction function;
};
constexpr std::array kElementFunctions = {
    ElementEntry{"ArrItem", ArrItem},     ElementEntry{"ArrGet", ArrGet},
    ElementEntry{"ArrExists", ArrExists}, ElementEntry{"ArrCount", ArrCount},
    ElementEntry{"ArrRemove", ArrRemove}, ElementEntry{"ArrClear", ArrClear},
};

}  // namespace

std::string Arrays(const FunctionCall& call) {
  TableArrays& arrays = ArraysOf(call);
  const ArrayArgs args = ParseArrayArgs(call.args);
  if (call.name == "ArrNew") return ArrNew(call, arrays, args);
  for (const ElementEntry& entry : kElementFunctions) {
    if (entry.name != call.name) continue;
    const auto array = arrays.find(args.name);
    if (array == arrays.end()) return NoSuchArray(call, args.name);
    return entry.function(call, array->second, args);
  }
  throw EngineError(kInvalidCall);  // dispatched under a name this family does not know
}

}  // namespace fablewick
