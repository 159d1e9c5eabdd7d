// The grammar of entry text, in one place: which characters open and close constructs, where a
// bracket's partner is, how the If, Loop and While blocks are cut, and how group calls,
// variables, assignments, conditions and function calls are read. The expander reads every
// construct through these functions while rolling; the tools (the checker, the span list of
// syntax_spans.h) read table text through the same ones, so they cannot read it differently.
//
// Every function here is pure: it looks at text and returns positions or views into that text.
// What the constructs do (rolling, drawing the "D" prefix's count, assigning) is the engine's.
// Positions are byte offsets; names and prefixes are counted in code points where the language
// counts them so.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace fablewick {

inline constexpr std::size_t kNoPosition = std::string_view::npos;

// ---- delimiters and escapes ----------------------------------------------------------------

// The characters that can open a construct, "[", "{", "%" and "|", by byte; inline, for the
// scanner's inner loop.
inline constexpr std::array<bool, 256> kOpenerBytes = [] {
  std::array<bool, 256> table{};
  table['['] = table['{'] = table['%'] = table['|'] = true;
  return table;
}();
inline bool IsOpener(char c) { return kOpenerBytes[static_cast<unsigned char>(c)]; }
// Whether any character of `text` can open a construct.
inline bool HasOpener(std::string_view text) {
  for (unsigned char c : text) {
    if (kOpenerBytes[c]) return true;
  }
  return false;
}
// Whether a text can stand in place of a construct as it is: nothing in it opens a construct,
// pairs an earlier "|" or "%", or escapes what follows it (no "[", "{", "%", "|" or "/").
inline bool IsFinalText(std::string_view text);

// The characters that open or close a construct. Text that must come out of a roll as written
// holds none of them.
inline constexpr std::string_view kDelimiters = "[]{}%|";
inline bool IsDelimiter(char c) { return kDelimiters.find(c) != std::string_view::npos; }

// The escape mark: a "/" right before "[", "]" or "%" makes it literal text.
inline constexpr char kEscapeMark = '/';

// Whether the character at `at` is escaped: a "/" stands right before it. Only "[", "]" and "%"
// have escapes; "{", "}" and "|" are always delimiters.
inline bool IsEscaped(std::string_view text, std::size_t at) {
  return at > 0 && text[at - 1] == kEscapeMark;
}
// Whether the "/" at `at` escapes the character after it ("/[", "/]" or "/%").
inline bool IsEscape(std::string_view text, std::size_t at) {
  return at + 1 < text.size() && text[at] == kEscapeMark &&
         (text[at + 1] == '[' || text[at + 1] == ']' || text[at + 1] == '%');
}
// The finished text of an entry: "/%", "/[" and "/]" become "%", "[" and "]", in that order.
std::string RemoveEscapes(std::string_view text);

// The partner of the "[" or "{" at `open`: walking on from it with one opening counted, the first
// closer at which the closings equal the openings. Brackets preceded by "/" are not counted;
// braces always are. kNoPosition when the text ends first.
inline std::size_t FindPartner(std::string_view text, std::size_t open);

// The first `separator` at or after `from` that stands outside every construct: braces and
// brackets balanced and "%" and "|" each seen an even number of times, counted from `from`
// without regard to escapes. kNoPosition when there is none. The blocks are cut here.
std::size_t FindTopLevel(std::string_view text, char separator, std::size_t from = 0);

// ---- control blocks: "{If~c?then/else}", "{Loop~count,body}", "{While~condition,body}" -------

enum class BlockKind : uint8_t { kNone, kIf, kLoop, kWhile };

// Which block the inside of "{...}" is, by its exact beginning "If~", "Loop~" or "While~";
// kNone for a function call.
inline BlockKind BlockKindOf(std::string_view inside);

struct ControlBlockSyntax {
  BlockKind kind = BlockKind::kNone;
  std::string_view keyword;  // "If", "Loop" or "While"
  std::string_view block;    // everything after the keyword's "~"
  bool separated = false;    // If: a top-level "?"; Loop and While: a top-level ","
  std::string_view head;     // If: the condition; Loop: the count; While: the condition
  std::string_view body;     // If: the then-text; Loop and While: the body
  bool has_else = false;     // If: a top-level "/" after the "?"
  std::string_view other;    // If: the else-text
};

// Cuts a block's inside (unexpanded) into its parts. The inside must begin with a block keyword.
// Without the separator, only `block` is set.
ControlBlockSyntax ParseControlBlock(std::string_view inside);

// ---- conditions: "a<=b", "a>=b", "a!=b", "a>b", "a<b", "a=b" --------------------------------

struct ComparisonSyntax {
  std::string_view op;     // the operator as written
  std::size_t at = 0;      // where it stands in the condition
  std::string_view left;   // the text before it, blanks trimmed
  std::string_view right;  // the text after it, blanks trimmed
};

// The comparison of a condition: the first of "<=", ">=", "!=", ">", "<", "=" (tried in this
// order) that occurs anywhere in it, at its first occurrence. nullopt when none occurs.
std::optional<ComparisonSyntax> FindComparison(std::string_view condition);

// ---- variables and assignments: "%name%", "|name op operand|" --------------------------------

// The name a variable read reads: the inside, blanks trimmed.
inline std::string_view VariableName(std::string_view inside);

// The operators of an assignment; the first of them in the inside decides.
inline constexpr std::string_view kAssignmentOperators = "+-*/\\=<>&";

struct AssignmentSyntax {
  bool has_operator = false;  // without one, the assignment does nothing
  std::size_t at = 0;         // where the operator stands
  char op = 0;
  std::string_view name;     // the text before the operator, blanks trimmed
  std::string_view operand;  // the text after it, untrimmed
};

inline AssignmentSyntax ParseAssignment(std::string_view inside);

// Whether a text can stand as an assignment's operand as it is written: the inside of "|...|"
// ends at the next "|", so an operand holds none.
inline bool FitsInAssignment(std::string_view operand) {
  return operand.find('|') == std::string_view::npos;
}

// ---- function calls: "{name~arguments}" ----------------------------------------------------

struct FunctionCallSyntax {
  std::string_view name;       // the text before the first "~"; "Dice" for a dice expression
  std::string_view arguments;  // everything after the first "~", untrimmed
  bool dice = false;           // no "~" at all: the whole content is a dice expression
};

// Reads the (expanded) content of a function call. Content without "~" is taken as arguments
// of "Dice": {3d6} means {Dice~3d6}.
inline FunctionCallSyntax ParseFunctionCall(std::string_view content);

// ---- group calls: "[" prefixes condition "?" call "/" call "]", call = table.group+n(params) --

enum class PrefixKind : uint8_t {
  kCapital,     // "CC~"
  kArticle,     // "CN~"
  kRepeat,      // "N" digit "~"
  kDiceRepeat,  // "D" digit "~": repeat a count drawn from 1 to the digit
  kReset,       // "R" any "~"
  kLink,        // "L" any "~"
  kNone,        // any other three characters ending in "~" ("C" with another second one too)
};

struct CallPrefix {
  PrefixKind kind = PrefixKind::kNone;
  // kRepeat and kDiceRepeat: the digit, or -1 when the second character is no decimal digit
  // (the prefix then fails while rolling).
  int8_t digit = -1;
  std::string_view text;  // its three code points
};

// The prefix at the start of `call`: three code points of which the third is "~". nullopt when
// the third code point is not "~".
inline std::optional<CallPrefix> ReadPrefix(std::string_view call);
// `call` without the run of prefixes at its start ("CC~N2~Inn.Name" gives "Inn.Name").
inline std::string_view SkipPrefixes(std::string_view call);

// "Table.Group" or "Group", split at the first ".".
struct GroupReference {
  bool has_table = false;
  std::string_view table;  // empty without a "."
  std::string_view group;
};
GroupReference SplitGroupReference(std::string_view text);

// What a group call rolls, once its prefixes and condition are read.
struct CallTarget {
  std::string_view text;  // the whole of it, roll modifier and parameters included
  // The text before the roll modifier: what is rolled, and what a call of a group that does not
  // exist gives back (or names in its message).
  std::string_view name;
  char modifier = 0;  // "+", "-", "=" or 0 for none
  // The number's text: after the first "+"; from the first "-" on (so it is negative); after
  // the first "=" (a fixed roll). "+" is looked for first, then "-", then "=", anywhere.
  std::string_view modifier_number;
  GroupReference reference;  // `name` split at its first "."
  std::string_view group;    // the group name, parameters cut off
  bool has_parameters = false;
  // Between the first "(" of the group name and the first ")" after it.
  std::string_view parameters;
};

CallTarget ParseCallTarget(std::string_view call);
// The roll modifier as a 16-bit number, halves to even; 0 without one. Throws
// EngineError(kOverflow) outside 16 bits.
int16_t RollModifierValue(const CallTarget& target);
// The parameter values, divided at every "," untrimmed ("()" gives one empty value); none
// without parentheses.
std::vector<std::string> CallParameters(const CallTarget& target);

// A call, or a branch of a conditional call: its prefixes, then its target.
struct CallPart {
  std::string_view prefixes;  // the run of prefixes at its start
  CallTarget target;          // the rest
};
CallPart ParseCallPart(std::string_view text);

struct GroupCallSyntax {
  std::string_view prefixes;           // the run of prefixes at the start of the call
  std::string_view call;               // the text after them; a re-roll link repeats it
  bool conditional = false;            // the call holds a "?"
  std::size_t question = kNoPosition;  // where the first "?" stands in `call`
  std::size_t slash = kNoPosition;     // where the first "/" after it stands in `call`
  std::string_view condition;          // before the first "?", blanks trimmed
  // Without a condition, `first` is the call (with no prefixes left). With one: the text after
  // the "?" up to its first "/", and the text after that "/", each trimmed, then read as calls.
  CallPart first;
  bool has_second = false;
  CallPart second;
};

// Reads the (expanded) inside of "[...]".
GroupCallSyntax ParseGroupCall(std::string_view inside);

// Whether a call is a bare group name of the calling table: no prefix, table, condition, roll
// modifier or parameters. Such calls are the commonest by far and need no taking apart.
inline bool IsBareGroupName(std::string_view call);

// A call given on the command line or at start-up, written with one delimiter at each end
// ("[Loot]", "[N3~Loot.Start(1,2)]"): prefixes, a roll modifier, then a table and optionally a
// group (default "Start"). No condition is read. Parameters are read only for a group whose
// name begins with "Start" in any letter case.
struct StartCallSyntax {
  std::string_view prefixes;
  CallTarget target;  // for its roll modifier
  std::string_view table;
  bool has_group = false;  // a "." after the table; without one the group is "Start"
  std::string_view group;
  bool has_parameters = false;
  std::string_view parameters;
};
StartCallSyntax ParseStartCall(std::string_view call_text);

// A call as written in text, in its brackets: "Loot" gives "[Loot]", "[Loot]" stays as it is.
std::string WithCallBrackets(std::string_view call);

// ---- inline definitions: the functions the scanner calls for every construct -----------------

namespace syntax_detail {

template <char kOpener, char kCloser, bool kEscapes>
std::size_t FindPartnerOf(std::string_view text, std::size_t open) {
  int depth = 1;
  for (std::size_t q = open + 1; q < text.size(); ++q) {
    const char c = text[q];
    if (c != kOpener && c != kCloser) continue;
    if (kEscapes && text[q - 1] == '/') continue;
    depth += c == kOpener ? 1 : -1;
    if (depth == 0) return q;
  }
  return kNoPosition;
}

// The prefix whose first two code points are one byte each: `call` has three bytes or more.
inline std::optional<CallPrefix> ReadAsciiPrefix(std::string_view call) {
  if (call[2] != '~') return std::nullopt;
  CallPrefix prefix;
  prefix.text = call.substr(0, 3);
  const char second = call[1];
  switch (call[0]) {
    case 'C':
      if (second == 'C') prefix.kind = PrefixKind::kCapital;
      if (second == 'N') prefix.kind = PrefixKind::kArticle;
      break;
    case 'N':
    case 'D':
      prefix.kind = call[0] == 'N' ? PrefixKind::kRepeat : PrefixKind::kDiceRepeat;
      prefix.digit = second >= '0' && second <= '9' ? static_cast<int8_t>(second - '0') : -1;
      break;
    case 'R':
      prefix.kind = PrefixKind::kReset;
      break;
    case 'L':
      prefix.kind = PrefixKind::kLink;
      break;
  }
  return prefix;
}

// ReadPrefix for calls that begin with a code point of more than one byte.
std::optional<CallPrefix> ReadWidePrefix(std::string_view call);

constexpr std::array<bool, 256> ByteTable(std::string_view bytes) {
  std::array<bool, 256> table{};
  for (char c : bytes) table[static_cast<unsigned char>(c)] = true;
  return table;
}

inline constexpr std::array<bool, 256> kNotFinalBytes = ByteTable("[{%|/");
inline constexpr std::array<bool, 256> kCallSyntaxBytes = ByteTable("~.?+-=(");

inline bool AnyByteOf(const std::array<bool, 256>& table, std::string_view text) {
  for (unsigned char c : text) {
    if (table[c]) return true;
  }
  return false;
}

}  // namespace syntax_detail

inline std::size_t FindPartner(std::string_view text, std::size_t open) {
  return text[open] == '[' ? syntax_detail::FindPartnerOf<'[', ']', true>(text, open)
                           : syntax_detail::FindPartnerOf<'{', '}', false>(text, open);
}

inline BlockKind BlockKindOf(std::string_view inside) {
  if (inside.starts_with("If~")) return BlockKind::kIf;
  if (inside.starts_with("Loop~")) return BlockKind::kLoop;
  if (inside.starts_with("While~")) return BlockKind::kWhile;
  return BlockKind::kNone;
}

inline std::string_view VariableName(std::string_view inside) { return TrimBlanks(inside); }

inline AssignmentSyntax ParseAssignment(std::string_view inside) {
  AssignmentSyntax syntax;
  const std::size_t at = inside.find_first_of(kAssignmentOperators);
  if (at == std::string_view::npos) return syntax;
  syntax.has_operator = true;
  syntax.at = at;
  syntax.op = inside[at];
  syntax.name = TrimBlanks(inside.substr(0, at));
  syntax.operand = inside.substr(at + 1);
  return syntax;
}

inline FunctionCallSyntax ParseFunctionCall(std::string_view content) {
  const std::size_t tilde = content.find('~');
  if (tilde == std::string_view::npos) return {"Dice", content, true};
  return {content.substr(0, tilde), content.substr(tilde + 1), false};
}

inline std::optional<CallPrefix> ReadPrefix(std::string_view call) {
  if (call.size() < 3) return std::nullopt;
  if (static_cast<unsigned char>(call[0]) < 0x80 && static_cast<unsigned char>(call[1]) < 0x80) {
    return syntax_detail::ReadAsciiPrefix(call);
  }
  return syntax_detail::ReadWidePrefix(call);
}

inline std::string_view SkipPrefixes(std::string_view call) {
  while (const std::optional<CallPrefix> prefix = ReadPrefix(call)) {
    call.remove_prefix(prefix->text.size());
  }
  return call;
}

inline bool IsFinalText(std::string_view text) {
  return !syntax_detail::AnyByteOf(syntax_detail::kNotFinalBytes, text);
}

inline bool IsBareGroupName(std::string_view call) {
  return !syntax_detail::AnyByteOf(syntax_detail::kCallSyntaxBytes, call);
}

}  // namespace fablewick
