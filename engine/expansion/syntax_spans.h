// Table text as a list of spans, each with its kind, its byte position and its nesting: what a
// highlighter colours, what diagnostics point at, what an outline lists. The spans come from the
// walk of syntax_walk.h and the line reading of syntax_lines.h, the same readings the loader and
// the expander use.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace fablewick {

enum class SpanKind : uint8_t {
  // Constructs, their delimiters included.
  kGroupCall,
  kVariableRead,
  kAssignment,
  kFunctionCall,
  kControlBlock,
  // Their parts.
  kDelimiter,     // "[" "]" "{" "}" "%" "|" of a construct, the "~" after a function or block name
  kEscape,        // "/[", "/]" or "/%"
  kCallPrefix,    // "CC~", "CN~", "N3~", "D6~", "R?~", "L?~", ...
  kCondition,     // before the "?" of a conditional call, an If or a While's condition
  kComparison,    // the comparison operator in a condition
  kSeparator,     // "?" "/" of a call or If, "," of a Loop or While, "." between table and group
  kTableName,     // of a call
  kGroupName,     // of a call
  kRollModifier,  // "+n", "-n", "=n"
  kParameters,    // "(a,b)" of a call
  kVariableName,  // in "%...%" and "|...|"
  kOperator,      // of an assignment
  kValue,         // the operand of an assignment
  kFunctionName,
  kArguments,     // of a function call; for "{3d6}" the dice expression
  kBlockKeyword,  // "If", "Loop", "While"
  kCount,         // of a Loop
  // Lines of a table file (TableFileSpans).
  kComment,               // a "#" line
  kIgnoredLine,           // a line beginning with a blank
  kRangedHeader,          // ":" header line
  kWeightedHeader,        // ";" header line
  kNoRepeatMark,          // the "!" of a no-repeat group
  kHeaderName,            // the group name of a header
  kEntryValue,            // "N" or "N-M" before an entry's comma
  kContinuationMark,      // the "_" of a continuation line
  kVariableDeclaration,   // a "%" line
  kParameterDeclaration,  // an "@" line
  kPrompt,                // the prompt of a parameter
  kOption,                // an option of a list parameter
  kLineProblem,           // a line the loader refuses or skips (no comma, a malformed declaration)
};

enum SpanFlag : uint8_t {
  kSpanUnclosed = 1,          // a "[" or "{" that never finds its partner
  kSpanNotRead = 2,           // a construct nested too deeply to be read (kMaxWalkedNesting)
  kSpanMadeWhileRolling = 4,  // a part holding a construct's result: its text is known only then
};

struct SyntaxSpan {
  SpanKind kind;
  uint8_t flags = 0;    // SpanFlag bits
  uint16_t depth = 0;   // how many spans hold it
  int32_t parent = -1;  // index of the innermost span holding it, -1 for none
  uint32_t begin = 0;   // byte offsets, end exclusive
  uint32_t end = 0;
};

// The spans of an entry text (or a variable's value), by position: a span comes before the
// spans it holds, and of spans that begin together the longer comes first. A span holds every
// span within its bytes: a construct its delimiters, parts and inner constructs, a part the
// constructs written in it.
std::vector<SyntaxSpan> EntrySpans(std::string_view text);

// The spans of a whole table file's text (decoded, line ends included), by position: each line
// by its kind, and the entry texts and variable values with their constructs. An entry text
// continued on "_" lines is read whole, as the loader joins it; a construct that goes on over a
// line end covers the line end and any lines in between.
std::vector<SyntaxSpan> TableFileSpans(std::string_view text);

}  // namespace fablewick
