// Reading an entry text without rolling it: which constructs it holds, where each begins and
// ends, how deeply it nests, and what its parts say. The walk finds constructs by the
// expander's own rules and reads each with the functions of syntax.h, the ones the expander
// reads it with while rolling; tools (the checker, the span list, and whatever reads table text
// next) are visitors of this walk.
//
// What a construct gives is known only while rolling. The text around it sees it as one
// character, kMadeWhileRolling, and is read in that form (its pattern): a name that holds the
// character is made while rolling and cannot be judged beforehand. A rolled result is scanned
// again, so constructs that only a result brings are not seen here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/expansion/syntax.h"

namespace fablewick {

inline constexpr char kMadeWhileRolling = '\x01';

// A text as the construct holding it sees it, and where each of its characters stands in the
// entry text.
class TextPattern {
 public:
  TextPattern() = default;
  TextPattern(const TextPattern&) = delete;
  TextPattern& operator=(const TextPattern&) = delete;

  // The text, each construct in it replaced by kMadeWhileRolling.
  std::string_view text() const { return owned_ ? std::string_view(copy_) : written_; }
  // Where a part of text() (a view into it) begins and ends in the entry text; a character
  // that stands for a construct covers the whole construct.
  std::size_t Begin(std::string_view part) const;
  std::size_t End(std::string_view part) const;
  // Whether a part of a pattern holds no construct's result.
  static bool IsFixed(std::string_view part) {
    return part.find(kMadeWhileRolling) == std::string_view::npos;
  }

 private:
  friend class EntryTextWalker;
  struct Stand {
    std::size_t at;     // the position of kMadeWhileRolling in the pattern
    std::size_t begin;  // the construct it stands for, in the entry text
    std::size_t end;
  };
  // The entry-text position of pattern position `at`.
  std::size_t Position(std::size_t at) const;

  std::string_view written_;
  std::size_t base_ = 0;  // where written_ begins in the entry text
  bool owned_ = false;    // whether the text differs from written_, and lives in copy_
  std::string copy_;
  std::vector<Stand> stands_;
};

enum class ConstructKind : uint8_t {
  kGroupCall,     // "[...]"
  kVariableRead,  // "%...%"
  kAssignment,    // "|...|"
  kFunctionCall,  // "{...}"
  kControlBlock,  // "{If~...}", "{Loop~...}", "{While~...}"
};

struct Construct {
  ConstructKind kind;
  std::size_t begin;  // its opener, in the entry text
  std::size_t end;    // one past its closer; the end of the text it stands in when never closed
  bool closed;        // a "[" or "{" without its partner takes the rest of its text
  int depth;          // how many constructs hold it
  std::string_view written;   // from its opener to its end, as written
  const TextPattern& inside;  // its inside; as written for a control block
};

// The parts of a control block as the text around each sees them: null for a part the block
// does not have or the walk did not follow. A block without its separator has only `head`, the
// whole block.
struct BlockPatterns {
  const TextPattern* head = nullptr;
  const TextPattern* body = nullptr;
  const TextPattern* other = nullptr;
};

// Told of every construct of a text, each after the constructs inside it. The syntax is read
// from the construct's inside pattern and its views point into construct.inside.text().
class SyntaxVisitor {
 public:
  virtual ~SyntaxVisitor() = default;
  virtual void VariableRead(const Construct&, std::string_view /*name*/) {}
  virtual void Assignment(const Construct&, const AssignmentSyntax&) {}
  virtual void GroupCall(const Construct&, const GroupCallSyntax&) {}
  virtual void FunctionCall(const Construct&, const FunctionCallSyntax&) {}
  // Whether the walk reads the body (`other` false) or the else-text (`other` true) of a
  // control block whose head, as the text around it sees it, is `head`. The roller expands a
  // branch only when it is chosen and a body only when a pass runs, so a reader that follows
  // what a roll can reach skips what a head written out rules out. Every part by default.
  virtual bool FollowsPart(const ControlBlockSyntax& /*block*/, const TextPattern& /*head*/,
                           bool /*other*/) {
    return true;
  }
  // A control block is cut as written: the views of `block` point into the entry text.
  virtual void ControlBlock(const Construct&, const ControlBlockSyntax& /*block*/,
                            const BlockPatterns& /*parts*/) {}
  // A "/" at `at` escaping the "[", "]" or "%" after it.
  virtual void Escape(std::size_t /*at*/) {}
  // A construct nested deeper than the walk follows: its inside is not read.
  virtual void TooDeep(const Construct&) {}
};

// How deeply the walk follows constructs inside constructs. No real table comes near it, and a
// text built to nest endlessly must not exhaust the stack of whoever reads it.
inline constexpr int kMaxWalkedNesting = 256;

// Walks an entry text (or a variable's value), telling `visitor` of every construct in it.
void WalkEntryText(std::string_view text, SyntaxVisitor& visitor);

}  // namespace fablewick
