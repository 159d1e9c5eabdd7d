// The built-in functions of the table language. Each family lives in its own file as small
// static functions with one job, one function per name, and names them all in its registration
// array at the bottom of the file; dispatch.cpp gathers the arrays into the one lookup by name.
// Every function reads its arguments through ArgReader, so that all of them divide and convert
// their arguments the same way and fail with the same error numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/error.h"

namespace fablewick {

class Engine;

// One call of a built-in function: its argument text (already expanded: everything after the
// first "~") and where it was written.
struct FunctionCall {
  Engine& engine;
  std::string_view args;
  const std::string& table;  // the current table's name
  int table_index;           // its index in the table cache, -1 when it is not loaded
  int32_t line;
};

using FunctionHandler = std::string (*)(const FunctionCall&);

// A name and the function that answers to it.
struct FunctionEntry {
  std::string_view name;
  FunctionHandler handler;
};
using FunctionFamily = std::span<const FunctionEntry>;

// The registration arrays, one per family.
extern const FunctionFamily kDiceFunctions;      // fn_dice.cpp: "Dice"
extern const FunctionFamily kCalcFunctions;      // fn_calc.cpp: "Calc"
extern const FunctionFamily kBasicFunctions;     // fn_basic.cpp: case, articles, length, plain sums
extern const FunctionFamily kStringFunctions;    // fn_strings.cpp: strings and numbers
extern const FunctionFamily kOrderFunctions;     // fn_order.cpp: sorting a written list
extern const FunctionFamily kGroupFunctions;     // fn_groups.cpp: group state and queries
extern const FunctionFamily kArrayFunctions;     // fn_arrays.cpp: named arrays
extern const FunctionFamily kParamFunctions;     // fn_params.cpp: "Param"
extern const FunctionFamily kDataFunctions;      // fn_data.cpp: "Data"
extern const FunctionFamily kInteractFunctions;  // fn_interact.cpp: boxes, status, notes, debug
extern const FunctionFamily kExternFunctions;    // fn_extern.cpp: "Extern"
extern const FunctionFamily kShellFunctions;     // fn_shell.cpp: "Shell"

// Reads the argument text of a call field by field. Fields are divided at commas and never
// trimmed; numbers are read strictly (the whole field, blanks around it excepted) or leniently
// (the number at the start of the field, 0 when there is none), and whole numbers are rounded
// halves to even. What cannot be read fails the call with an EngineError of the classic number:
//   5  (kInvalidCall)          fewer fields than the function needs (AtLeast)
//   6  (kOverflow)             a number outside its width
//   9  (kSubscriptOutOfRange)  a field read past the last one
//   13 (kTypeMismatch)         a field read strictly that is not a number
// Functions with a small grammar of their own (dice, sums, quoted separators, ranges) convert
// the pieces of a field with engine/numbers.h, which fails the same way.
class ArgReader {
 public:
  explicit ArgReader(const FunctionCall& call) : ArgReader(call.args) {}
  explicit ArgReader(std::string_view args) : rest_(args) {}

  // Fails with 5 unless the text not read yet holds at least `count` fields.
  ArgReader& AtLeast(std::size_t count) {
    if (FieldsLeft() < count) throw EngineError(kInvalidCall);
    return *this;
  }
  // How many fields the text not read yet holds: one more than its commas, none once all is
  // read. An empty argument text holds one empty field.
  std::size_t FieldsLeft() const;
  bool More() const { return !done_; }

  // The next field as text: up to the next comma, or all that is left.
  std::string_view Text();
  // The next field, or `fallback` once all is read.
  std::string_view OptText(std::string_view fallback = {}) { return done_ ? fallback : Text(); }
  // The next field as a number, read strictly.
  double Number();
  int16_t Int16();
  int32_t Int32();
  // The next field as a number, read leniently.
  double LeadingNumber();
  int16_t LeadingInt16();
  int32_t LeadingInt32();
  // Everything not read yet, commas included: on a fresh reader the whole argument text.
  std::string_view Rest();

 private:
  std::string_view rest_;
  bool done_ = false;
};

// Fails the call with error `number` unless `condition` holds: a value the function refuses.
inline void ArgCheck(bool condition, int number = kInvalidCall) {
  if (!condition) throw EngineError(number);
}

// The arguments of "Split~source,"delimiter",name,name...": the source variable's name, the
// delimiter between the quotes, and the names after the character that follows the closing
// quote (taken to be the separating comma). nullopt without the comma or the quotes, when the
// call does nothing (fn_strings.cpp; the checker reads the names with it too).
struct SplitArguments {
  std::string_view source;
  std::string_view delimiter;
  std::string_view names;
};
std::optional<SplitArguments> ReadSplitArguments(std::string_view args);

// Splits a command line at blanks outside double quotes; the quotes are removed (fn_shell.cpp).
std::vector<std::string> SplitCommandLine(std::string_view command_line);

}  // namespace fablewick
