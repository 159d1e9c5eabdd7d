// The string and number library: rounding ("Ceil", "Floor", "Round"), extremes ("Max", "Min"),
// searching and cutting ("Find", "Replace", "Left", "Right", "Mid"), word forms ("Ordinal",
// "Plural", "CapEachWord"), and the two families that rewrite the current table's variables
// ("Split", "SortAsc", "SortDesc").
//
// Arguments are read with ArgReader: divided at commas, never trimmed. Positions and lengths
// count code points. Searching and comparing go by character code: the text is UTF-8, whose
// byte order is code point order, so plain byte comparison gives the same answers.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/float_text.h"
#include "engine/functions/functions.h"
#include "engine/functions/selection_sort.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

// ---- single precision ----

// The value held as a 32-bit float, as "Ceil", "Floor" and "Round" keep it. A magnitude beyond
// the float range overflows.
float ToSingle(double value) {
  if (!(std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max()))) {
    throw EngineError(kOverflow);
  }
  return static_cast<float>(value);
}

// Adds one unit in the last digit of a decimal text "ddd" or "ddd.ddd", carrying leftwards.
void IncrementLastDigit(std::string& number) {
  for (std::size_t i = number.size(); i-- > 0;) {
    if (number[i] == '.') continue;
    if (number[i] != '9') {
      ++number[i];
      return;
    }
    number[i] = '0';
  }
  number.insert(number.begin(), '1');
}

// The value rounded to `digits` decimals, halves to the even digit, decided on the float's exact
// value: 2.675 held as a float is 2.67499995..., so it rounds to 2.67. Every float's exact value
// ends within 149 decimals, so the fixed form with that many shows it whole, and the rounding is
// done on those digits rather than on a product that may itself be rounded.
float RoundToDecimals(float value, int digits) {
  constexpr int kAllDecimals = 149;
  if (digits >= kAllDecimals) return value;
  std::string number = WriteFixed(std::fabs(static_cast<double>(value)), kAllDecimals);
  const std::size_t cut = number.find('.') + 1 + static_cast<std::size_t>(digits);
  const std::string_view dropped = std::string_view(number).substr(cut);
  const bool beyond_half =
      dropped[0] > '5' ||
      (dropped[0] == '5' && dropped.find_first_not_of('0', 1) != std::string_view::npos);
  const bool exactly_half = dropped[0] == '5' && !beyond_half;
  number.resize(cut);
  if (number.back() == '.') number.pop_back();
  const bool odd = (number.back() - '0') % 2 == 1;
  if (beyond_half || (exactly_half && odd)) IncrementLastDigit(number);

  float rounded = 0;
  ReadFloatingText(number, rounded);
  return value < 0 ? -rounded : rounded;
}

// ---- the current table's variables ----

// The table whose entry holds the call. When it is not loaded it has no variables, and every
// name is unknown.
Table* CurrentTable(const FunctionCall& call) {
  return call.table_index < 0 ? nullptr : &call.engine.TableAt(call.table_index);
}

// Indexes of the variables named by the fields not read yet, in the order written; names that
// are not variables are skipped.
std::vector<int> KnownVariables(const Table& table, ArgReader& names) {
  std::vector<int> known;
  while (names.More()) {
    const int index = table.FindVariable(std::string(names.Text()));
    if (index >= 0) known.push_back(index);
  }
  return known;
}

// The value divided at every occurrence of the delimiter. An empty value gives no pieces and an
// empty delimiter one piece, the whole value.
std::vector<std::string> DivideAt(std::string_view value, std::string_view delimiter) {
  std::vector<std::string> pieces;
  if (value.empty()) return pieces;
  if (delimiter.empty()) {
    pieces.emplace_back(value);
    return pieces;
  }
  for (std::size_t start = 0;;) {
    const std::size_t at = value.find(delimiter, start);
    pieces.emplace_back(value.substr(start, at - start));
    if (at == std::string_view::npos) return pieces;
    start = at + delimiter.size();
  }
}

// ---- rounding ----

// "Ceil" and "Floor": the nearest whole number above or below the leading number, in single
// precision. Whole values come back unchanged.
std::string CeilOrFloor(const FunctionCall& call, bool ceil) {
  const float value = ToSingle(ArgReader(call).LeadingNumber());
  const float whole = std::trunc(value);
  if (whole == value) return FormatGeneralNumber(value);
  if (ceil) return FormatGeneralNumber(value > 0 ? whole + 1 : whole);
  return FormatGeneralNumber(value > 0 ? whole : whole - 1);
}

std::string Ceil(const FunctionCall& call) { return CeilOrFloor(call, true); }

std::string Floor(const FunctionCall& call) { return CeilOrFloor(call, false); }

// "Round~value,digits": the value in single precision rounded to digits decimals, halves to the
// even digit.
std::string Round(const FunctionCall& call) {
  ArgReader args(call);
  args.AtLeast(2);
  const float value = ToSingle(args.LeadingNumber());
  const int16_t digits = args.LeadingInt16();
  ArgCheck(digits >= 0);
  return FormatGeneralNumber(RoundToDecimals(value, digits));
}

// "Max" and "Min": the largest or smallest of whole numbers (each field strictly converted and
// rounded, halves to even).
std::string MaxOrMin(const FunctionCall& call, bool want_max) {
  ArgReader args(call);
  int32_t extreme = args.Int32();
  while (args.More()) {
    const int32_t value = args.Int32();
    if (want_max ? value > extreme : value < extreme) extreme = value;
  }
  return FormatInteger(extreme);
}

std::string Max(const FunctionCall& call) { return MaxOrMin(call, true); }

std::string Min(const FunctionCall& call) { return MaxOrMin(call, false); }

// ---- searching and cutting ----

// "Find~start,search,text": the position of the first occurrence of search in text at or after
// start, or "0". Fewer than two commas give "".
std::string Find(const FunctionCall& call) {
  ArgReader args(call);
  if (args.FieldsLeft() < 3) return "";
  const int16_t start = args.Int16();
  const std::string_view search = args.Text();
  const std::string_view text = args.Rest();
  ArgCheck(start >= 1);
  const std::size_t from = ByteOffsetOfCodePoint(text, static_cast<std::size_t>(start - 1));
  if (from >= text.size()) return "0";  // start beyond the end, or empty text
  if (search.empty()) return FormatInteger(start);
  const std::size_t found = text.find(search, from);
  if (found == std::string_view::npos) return "0";
  return FormatInteger(start +
                       static_cast<long long>(CodePointCount(text.substr(from, found - from))));
}

// "Replace~search,replacement,text": every occurrence replaced, left to right without overlap.
// Fewer than two commas give "".
std::string Replace(const FunctionCall& call) {
  ArgReader args(call);
  if (args.FieldsLeft() < 3) return "";
  const std::string_view search = args.Text();
  const std::string_view replacement = args.Text();
  const std::string_view text = args.Rest();
  // A short text with a long replacement can ask for more text than memory holds: the size is
  // counted against the roll's output before anything is built.
  if (!search.empty() && replacement.size() > search.size()) {
    std::size_t found = 0;
    for (std::size_t at = text.find(search); at != std::string_view::npos;
         at = text.find(search, at + search.size())) {
      ++found;
    }
    const std::size_t growth = replacement.size() - search.size();
    const std::size_t extra = found > kMaxRollOutput / growth ? kMaxRollOutput + 1 : found * growth;
    if (!call.engine.CountOutput(extra, text.size() + extra, call.table, call.line)) return "";
  }
  return ReplaceAll(text, search, replacement);
}

// "Left~text,count" and "Right~text,count": the text and how many code points to keep, the
// count read leniently.
struct TextAndCount {
  std::string_view text;
  std::size_t count;
};

TextAndCount ReadTextAndCount(const FunctionCall& call) {
  ArgReader args(call);
  args.AtLeast(2);
  const std::string_view text = args.Text();
  const int32_t count = args.LeadingInt32();
  ArgCheck(count >= 0);
  return {text, static_cast<std::size_t>(count)};
}

std::string Left(const FunctionCall& call) {
  const auto [text, wanted] = ReadTextAndCount(call);
  return std::string(SubstrCodePoints(text, 0, wanted));
}

std::string Right(const FunctionCall& call) {
  const auto [text, wanted] = ReadTextAndCount(call);
  const std::size_t length = CodePointCount(text);
  return std::string(wanted >= length ? text : SubstrCodePoints(text, length - wanted));
}

// "Mid~text,start,length", counting code points; start and length are read strictly.
std::string Mid(const FunctionCall& call) {
  ArgReader args(call);
  args.AtLeast(3);
  const std::string_view text = args.Text();
  const int32_t start = args.Int32();
  const int32_t length = args.Int32();
  ArgCheck(start >= 1 && length >= 0);
  return std::string(SubstrCodePoints(text, static_cast<std::size_t>(start - 1),
                                      static_cast<std::size_t>(length)));
}

// ---- word forms ----

// "Ordinal": the number with "st", "nd", "rd" or "th". Text that reads as 0 comes back as it
// is. The last characters are converted strictly, so a number followed by anything else fails.
std::string Ordinal(const FunctionCall& call) {
  const std::string_view text = ArgReader(call).Rest();
  if (ParseLeadingNumber(text) == 0) return std::string(text);
  const std::size_t length = CodePointCount(text);
  const int16_t last_two = StrictInt16(SubstrCodePoints(text, length < 2 ? 0 : length - 2));
  const char* suffix = "th";
  if (last_two < 11 || last_two > 13) {
    switch (StrictInt16(LastCodePoint(text))) {
      case 1:
        suffix = "st";
        break;
      case 2:
        suffix = "nd";
        break;
      case 3:
        suffix = "rd";
        break;
      default:
        break;
    }
  }
  return std::string(text) + suffix;
}

// "Plural": the English plural of a word by its ending, ignoring case. The suffix is written in
// capitals when the word's last character is not a lower-case letter ("CITY" gives "CITIES").
// The endings tested are letters whose upper case is plain ASCII ("y", "f", "e"), so removing
// them from the stem removes single bytes.
std::string Plural(const FunctionCall& call) {
  const std::string_view word = ArgReader(call).Rest();
  const std::string upper = ToUpper(word);
  const auto ends_with = [&upper](std::string_view ending) { return upper.ends_with(ending); };
  std::string_view stem = word;
  std::string suffix;

  if (ends_with("Y")) {
    // A lone "y" has no letter before it, and is treated like a vowel before "y".
    const std::string_view before =
        LastCodePoint(std::string_view(upper).substr(0, upper.size() - 1));
    if (!before.empty() && before != "A" && before != "E" && before != "I" && before != "O" &&
        before != "U") {
      stem.remove_suffix(1);
      suffix = "ies";
    }
  } else if (ends_with("F")) {
    stem.remove_suffix(ends_with("FF") ? 2 : 1);  // staff gives staves
    suffix = "ves";
  } else if (ends_with("FE")) {
    stem.remove_suffix(2);
    suffix = "ves";
  } else if (ends_with("S") || ends_with("X") || ends_with("Z") || ends_with("O") ||
             ends_with("CH") || ends_with("SH")) {
    suffix = "es";
  }
  if (suffix.empty()) suffix = "s";

  const std::string_view last = LastCodePoint(word);
  if (last == ToUpper(last)) suffix = ToUpper(suffix);
  return std::string(stem) + suffix;
}

// "CapEachWord": the first character and every character right after a space upper-cased; all
// else unchanged. Only the space separates words.
std::string CapEachWord(const FunctionCall& call) {
  const std::string_view text = ArgReader(call).Rest();
  std::string result;
  result.reserve(text.size());
  bool first = true;
  for (const std::string& word : SplitAll(text, ' ')) {
    if (!first) result.push_back(' ');
    first = false;
    result.append(UpperFirst(word));
  }
  return result;
}

// ---- rewriting variables ----

}  // namespace

std::optional<SplitArguments> ReadSplitArguments(std::string_view args) {
  ArgReader reader(args);
  if (reader.FieldsLeft() < 2) return std::nullopt;
  SplitArguments split;
  split.source = reader.Text();
  const std::string_view rest = reader.Rest();
  const std::size_t open = rest.find('"');
  const std::size_t close = open == std::string_view::npos ? open : rest.find('"', open + 1);
  if (close == std::string_view::npos) return std::nullopt;
  split.delimiter = rest.substr(open + 1, close - open - 1);
  split.names = close + 2 <= rest.size() ? rest.substr(close + 2) : std::string_view();
  return split;
}

namespace {

// "Split~source,"delimiter",name,name...": divides the source variable's value at the delimiter
// and assigns the pieces to the named variables in order. Names that are not variables take no
// piece; surplus pieces are dropped and surplus variables keep their values. A call without the
// comma or the quotes does nothing; an unknown source fails before anything is assigned.
std::string Split(const FunctionCall& call) {
  const std::optional<SplitArguments> split = ReadSplitArguments(call.args);
  if (!split) return "";
  ArgReader names(split->names);

  Table* table = CurrentTable(call);
  const int source = table ? table->FindVariable(std::string(split->source)) : -1;
  ArgCheck(source >= 0, kSubscriptOutOfRange);
  std::vector<TableVariable>& variables = table->Vars;
  const std::vector<int> targets = KnownVariables(*table, names);
  // The pieces are copies: the source may be among the targets.
  const std::vector<std::string> pieces =
      DivideAt(variables[static_cast<std::size_t>(source)].Value, split->delimiter);
  for (std::size_t k = 0; k < targets.size() && k < pieces.size(); ++k) {
    variables[static_cast<std::size_t>(targets[k])].Value = pieces[k];
  }
  return "";
}

// "SortAsc~name,name..." and "SortDesc~...": reorders the values of the named variables, so the
// first named gets the smallest value (SortAsc) or the largest (SortDesc). Unknown names are
// skipped; when none is known the call fails and nothing changes. A name written twice takes
// part twice, and its later assignment stands.
std::string SortVariables(const FunctionCall& call, bool ascending) {
  Table* table = CurrentTable(call);
  ArgReader names(call);
  const std::vector<int> known = table ? KnownVariables(*table, names) : std::vector<int>{};
  ArgCheck(!known.empty(), kSubscriptOutOfRange);
  std::vector<TableVariable>& variables = table->Vars;
  std::vector<std::string> values;
  values.reserve(known.size());
  for (const int index : known) values.push_back(variables[static_cast<std::size_t>(index)].Value);

  const std::vector<std::size_t> order = SortedOrder(values);
  const std::size_t n = known.size();
  for (std::size_t k = 0; k < n; ++k) {
    variables[static_cast<std::size_t>(known[k])].Value = values[order[ascending ? k : n - 1 - k]];
  }
  return "";
}

std::string SortAsc(const FunctionCall& call) { return SortVariables(call, true); }

std::string SortDesc(const FunctionCall& call) { return SortVariables(call, false); }

constexpr FunctionEntry kStrings[] = {
    {"Ceil", Ceil},
    {"Floor", Floor},
    {"Round", Round},
    {"Max", Max},
    {"Min", Min},
    {"Find", Find},
    {"Replace", Replace},
    {"Left", Left},
    {"Right", Right},
    {"Mid", Mid},
    {"Ordinal", Ordinal},
    {"Plural", Plural},
    {"CapEachWord", CapEachWord},
    {"Split", Split},
    {"SortAsc", SortAsc},
    {"SortDesc", SortDesc},
};

}  // namespace

constinit const FunctionFamily kStringFunctions = kStrings;

}  // namespace fablewick
