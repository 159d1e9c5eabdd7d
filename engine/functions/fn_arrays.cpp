// Named arrays: "ArrNew", "ArrItem", "ArrGet", "ArrExists", "ArrCount", "ArrRemove" and
// "ArrClear" keep keyed lists of texts in the table whose entry holds the call. The store of
// every loaded table is emptied at each top-level roll, so arrays live for one roll.
#include <map>
#include <string>
#include <string_view>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/functions/functions.h"
#include "engine/model/table.h"
#include "engine/numbers.h"

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

ArrayArgs ReadArrayArgs(const FunctionCall& call) {
  ArgReader args(call);
  ArrayArgs read;
  read.name = args.OptText();
  read.key = args.OptText();
  read.value = args.OptText();
  return read;
}

// The arrays of the table that holds the call. A call expanded for a table that is not in the
// cache has no store to work on.
TableArrays& ArraysOf(const FunctionCall& call) {
  ArgCheck(call.table_index >= 0, kSubscriptOutOfRange);
  return call.engine.TableAt(call.table_index).Arrays;
}

std::string ArrayError(const FunctionCall& call, const std::string& what) {
  return FunctionErrorText(what, call.table, call.line);
}

// "ArrNew~name": a new empty array; an existing array keeps its elements.
std::string ArrNew(const FunctionCall& call) {
  TableArrays& arrays = ArraysOf(call);
  const ArrayArgs args = ReadArrayArgs(call);
  if (!arrays.try_emplace(args.name).second) {
    return ArrayError(call,
                      "Attempt to create array '" + args.name + "' failed - array already exists");
  }
  return "";
}

// The other functions work on an array that must exist already. OnArray runs one of them on the
// array that the call names, or gives the error text when there is no such array.
using ElementFunction = std::string (*)(const FunctionCall&, Array&, const ArrayArgs&);

std::string OnArray(const FunctionCall& call, ElementFunction function) {
  TableArrays& arrays = ArraysOf(call);
  const ArrayArgs args = ReadArrayArgs(call);
  const auto array = arrays.find(args.name);
  if (array == arrays.end()) {
    return ArrayError(call, "Attempted to reference non-existent array '" + args.name + "'.");
  }
  return function(call, array->second, args);
}

std::string SetItem(const FunctionCall&, Array& array, const ArrayArgs& args) {
  array[args.key] = args.value;
  return "";
}

std::string GetItem(const FunctionCall& call, Array& array, const ArrayArgs& args) {
  const auto element = array.find(args.key);
  if (element == array.end()) {
    return ArrayError(call, "Attempted to reference non-existent key '" + args.key + "'.");
  }
  return element->second;
}

std::string HasItem(const FunctionCall&, Array& array, const ArrayArgs& args) {
  return array.count(args.key) != 0 ? "1" : "0";
}

std::string CountItems(const FunctionCall&, Array& array, const ArrayArgs&) {
  return FormatInteger(static_cast<long long>(array.size()));
}

// Removing a key that is not there is a failure of the call, not an error text.
std::string RemoveItem(const FunctionCall&, Array& array, const ArrayArgs& args) {
  if (array.erase(args.key) == 0) {
    throw EngineError(kSubscriptOutOfRange,
                      "Array '" + args.name + "' has no key '" + args.key + "' to remove");
  }
  return "";
}

std::string ClearItems(const FunctionCall&, Array& array, const ArrayArgs&) {
  array.clear();
  return "";
}

std::string ArrItem(const FunctionCall& call) { return OnArray(call, SetItem); }
std::string ArrGet(const FunctionCall& call) { return OnArray(call, GetItem); }
std::string ArrExists(const FunctionCall& call) { return OnArray(call, HasItem); }
std::string ArrCount(const FunctionCall& call) { return OnArray(call, CountItems); }
std::string ArrRemove(const FunctionCall& call) { return OnArray(call, RemoveItem); }
std::string ArrClear(const FunctionCall& call) { return OnArray(call, ClearItems); }

constexpr FunctionEntry kArrays[] = {
    {"ArrNew", ArrNew},       {"ArrItem", ArrItem},   {"ArrGet", ArrGet},
    {"ArrExists", ArrExists}, {"ArrCount", ArrCount}, {"ArrRemove", ArrRemove},
    {"ArrClear", ArrClear},
};

}  // namespace

constinit const FunctionFamily kArrayFunctions = kArrays;

}  // namespace fablewick
