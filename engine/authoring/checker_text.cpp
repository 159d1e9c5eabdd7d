// The checks of table text: the walk of the syntax module through an entry or a variable's value,
// as the expander would read it, with what each construct names looked up in the tables.
#include <algorithm>
#include <optional>

#include "engine/authoring/checker_unit.h"
#include "engine/error.h"
#include "engine/expansion/condition.h"
#include "engine/expansion/syntax.h"
#include "engine/expansion/syntax_walk.h"
#include "engine/functions/dispatch.h"
#include "engine/functions/functions.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// Whether a part of a construct holds no construct's result: only such names can be judged.
bool IsFixed(std::string_view text) { return TextPattern::IsFixed(text); }

// The start of a construct for a message, cut after 40 characters.
std::string Excerpt(std::string_view text) {
  constexpr std::size_t kLength = 40;
  if (CodePointCount(text) <= kLength) return Quoted(text);
  return Quoted(std::string(SubstrCodePoints(text, 0, kLength)) + "...");
}

// A name that differs from `wanted` only in letter case or surrounding blanks, for a hint.
template <typename Names>
std::string NearMiss(const Names& names, std::string_view wanted) {
  for (const auto& name : names) {
    if (EqualsIgnoreCase(TrimBlanks(name), TrimBlanks(wanted))) {
      return " (did you mean " + Quoted(name) + "?)";
    }
  }
  return "";
}

// Follows one text through the walk of the syntax module, without rolling anything: reports
// what its constructs name that does not exist or what cannot work when rolled, and records the
// calls it makes.
class TextChecker : public SyntaxVisitor {
 public:
  TextChecker(UnitSource& checker, Unit& unit, int32_t line, std::vector<CallEdge>& calls)
      : checker_(checker), unit_(unit), table_(*unit.table), line_(line), calls_(calls) {}

  void VariableRead(const Construct&, std::string_view name) override { CheckVariable(name, ""); }

  void Assignment(const Construct&, const AssignmentSyntax& assignment) override;
  void GroupCall(const Construct& construct, const GroupCallSyntax& call) override;
  void FunctionCall(const Construct& construct, const FunctionCallSyntax& function) override;
  bool FollowsPart(const ControlBlockSyntax& block, const TextPattern& head, bool other) override;
  void ControlBlock(const Construct& construct, const ControlBlockSyntax& block,
                    const BlockPatterns& parts) override;

  void TooDeep(const Construct&) override {
    Report(Severity::kWarning, "constructs nest more than " + FormatInteger(kMaxWalkedNesting) +
                                   " deep; the text inside them is not checked");
  }

 private:
  void Report(Severity severity, std::string message) {
    unit_.Report(line_, severity, std::move(message));
  }

  // A "[" or "{" without its partner: true when reported.
  bool ReportUnclosed(const Construct& construct) {
    if (construct.closed) return false;
    const bool call = construct.kind == ConstructKind::kGroupCall;
    Report(Severity::kError, std::string(call ? "group call " : "brace block ") +
                                 Excerpt(construct.written) + " is never closed with " +
                                 Quoted(call ? "]" : "}"));
    return true;
  }

  // Reports a variable name that the table does not declare. `use` says how the text uses it
  // ("Param names"); empty for a plain read.
  void CheckVariable(std::string_view name, std::string_view use) {
    if (!IsFixed(name) || table_.FindVariable(std::string(name)) >= 0) return;
    std::vector<std::string> names;
    for (const TableVariable& variable : table_.Vars) names.push_back(variable.Name);
    std::string message =
        use.empty() ? "variable " + Quoted(name) + " is not declared"
                    : std::string(use) + " variable " + Quoted(name) + ", which is not declared";
    message += NearMiss(names, name);
    // Two percent signs always read a variable: "5% or 6%" reads "or 6".
    if (use.empty() && (name.empty() || name.find(' ') != kNone)) {
      message += " (a percent sign is written \"/%\")";
    }
    Report(Severity::kError, std::move(message));
  }

  bool CheckPrefixes(std::string_view run);
  void CheckCallTarget(const CallTarget& target);

  UnitSource& checker_;
  Unit& unit_;
  Table& table_;
  const int32_t line_;
  std::vector<CallEdge>& calls_;
};

void TextChecker::Assignment(const Construct&, const AssignmentSyntax& assignment) {
  if (!assignment.has_operator) return;
  CheckVariable(assignment.name, "assignment to");
  // A divisor written out: the division fails when it is rolled (an assignment to a variable
  // that does not exist divides nothing).
  const std::string_view operand = assignment.operand;
  if ((assignment.op != '/' && assignment.op != '\\') || !IsFixed(operand) ||
      !IsFixed(assignment.name) || table_.FindVariable(std::string(assignment.name)) < 0) {
    return;
  }
  const std::string what = "assignment to variable " + Quoted(assignment.name) + " divides by ";
  const double divisor = ParseLeadingNumber(operand);
  if (assignment.op == '/') {
    if (divisor == 0) Report(Severity::kError, what + "zero");
    return;
  }
  try {
    if (RoundToInt32(divisor) == 0) Report(Severity::kError, what + "zero");
  } catch (const EngineError&) {
    Report(Severity::kError, what + Quoted(operand) + ", which is outside 32 bits");
  }
}

bool TextChecker::CheckPrefixes(std::string_view run) {
  while (const std::optional<CallPrefix> prefix = ReadPrefix(run)) {
    run.remove_prefix(prefix->text.size());
    const bool counted =
        prefix->kind == PrefixKind::kRepeat || prefix->kind == PrefixKind::kDiceRepeat;
    // A count made while rolling ("N%n%~") cannot be judged here: it is passed over.
    if (!counted || prefix->digit >= 0 || !IsFixed(prefix->text)) continue;
    Report(Severity::kError, "group call prefix " + Quoted(prefix->text) + " needs a digit after " +
                                 Quoted(FirstCodePoint(prefix->text)));
    return false;
  }
  return true;
}

void TextChecker::GroupCall(const Construct& construct, const GroupCallSyntax& call) {
  if (ReportUnclosed(construct) || !CheckPrefixes(call.prefixes)) return;
  if (!call.conditional) return CheckCallTarget(call.first.target);
  std::vector<const CallPart*> rolled = {&call.first};
  if (call.has_second) rolled.push_back(&call.second);
  // A condition written out is decided before the roll: only its branch is rolled.
  if (IsFixed(call.condition)) {
    const std::optional<bool> holds = EvaluateCondition(call.condition);
    if (!holds) {
      return Report(Severity::kWarning, "the condition " + Quoted(call.condition) +
                                            " of group call " + Excerpt(construct.written) +
                                            " holds no comparison, so the call rolls nothing");
    }
    rolled = {*holds ? &call.first : &call.second};
  }
  for (const CallPart* part : rolled) {
    if (CheckPrefixes(part->prefixes)) CheckCallTarget(part->target);
  }
}

void TextChecker::CheckCallTarget(const CallTarget& target) {
  try {
    RollModifierValue(target);
  } catch (const EngineError&) {
    if (IsFixed(target.text)) {
      Report(Severity::kError, "the roll modifier of group call " + Quoted(target.text) +
                                   " is outside -32768 to 32767");
    }
    return;
  }
  if (target.name.empty()) return;
  Unit* unit = &unit_;
  if (target.reference.has_table) {
    if (!IsFixed(target.reference.table)) return;
    unit = &checker_.Find(std::string(target.reference.table));
  }
  const std::string group(target.group);
  if (unit->table == nullptr) {
    Report(Severity::kError,
           "table " + Quoted(unit->name) + " cannot be loaded: " + unit->load_failure);
    return;
  }
  if (!IsFixed(group)) {
    calls_.push_back({unit, group, true});
    return;
  }
  if (unit->table->FindGroup(group) == nullptr) {
    std::vector<std::string> names;
    for (const Group& g : unit->table->Groups) names.push_back(g.Name);
    Report(Severity::kError,
           "group " + Quoted(group) + " does not exist in " +
               (unit == &unit_ ? std::string("this table") : "table " + Quoted(unit->name)) +
               NearMiss(names, group));
    return;
  }
  calls_.push_back({unit, group, false});
}

void TextChecker::FunctionCall(const Construct& construct, const FunctionCallSyntax& function) {
  // Without "~" the content is a dice expression, unless its constructs bring the "~".
  if (ReportUnclosed(construct) || function.dice) return;
  const std::string_view name = function.name;
  if (!IsFixed(name)) return;
  static const std::vector<std::string_view> kNames = BuiltInFunctionNames();
  if (std::find(kNames.begin(), kNames.end(), name) == kNames.end()) {
    Report(Severity::kError,
           "function " + Quoted(name) + " is not built in" + NearMiss(kNames, name));
    return;
  }
  // The functions that name variables of the table, their arguments read as the functions
  // read them.
  ArgReader args(function.arguments);
  if (name == "Param") {
    CheckVariable(args.Text(), "Param names");
  } else if (name == "Split") {
    const std::optional<SplitArguments> split = ReadSplitArguments(function.arguments);
    if (!split) return;
    CheckVariable(split->source, "Split divides");
    for (ArgReader names(split->names); names.More();) {
      if (const std::string_view target = names.Text(); !target.empty()) {
        CheckVariable(target, "Split assigns");
      }
    }
  } else if (name == "SortAsc" || name == "SortDesc") {
    while (args.More()) {
      if (const std::string_view variable = args.Text(); !variable.empty()) {
        CheckVariable(variable, std::string(name) + " sorts");
      }
    }
  }
}

// A head written out decides before the roll what runs: the branch an If chooses, and whether
// a Loop or While makes a pass at all (a head that fails when it is read runs nothing).
bool TextChecker::FollowsPart(const ControlBlockSyntax& block, const TextPattern& head,
                              bool other) {
  const std::string_view text = head.text();
  if (!IsFixed(text)) return true;
  if (block.kind == BlockKind::kIf) {
    const std::optional<bool> holds = EvaluateCondition(text);
    return holds && *holds != other;
  }
  int32_t count = 0;
  try {
    count = StrictInt32(text);
  } catch (const EngineError&) {
    return false;
  }
  // A Loop of more than 32768 passes fails before the first.
  return block.kind == BlockKind::kLoop ? count >= 1 && count <= 32768 : count != 0;
}

void TextChecker::ControlBlock(const Construct& construct, const ControlBlockSyntax& block,
                               const BlockPatterns& parts) {
  if (ReportUnclosed(construct)) return;
  const std::string keyword = Quoted(block.keyword);
  if (!block.separated) {
    Report(Severity::kError, keyword + " block " + Excerpt(construct.written) + " has no " +
                                 Quoted(block.kind == BlockKind::kIf ? "?" : ",") +
                                 " outside its constructs");
    return;
  }
  // A count or While condition written out is read before the first pass as a strict number.
  const std::string_view head = parts.head->text();
  if (!IsFixed(head)) return;
  if (block.kind == BlockKind::kIf) {
    if (!FindComparison(head)) {
      Report(Severity::kWarning, "the condition " + Quoted(head) + " of " + keyword + " block " +
                                     Excerpt(construct.written) +
                                     " holds no comparison, so the block gives nothing");
    }
    return;
  }
  const bool loop = block.kind == BlockKind::kLoop;
  const std::string what = (loop ? "the count " : "the condition ") + Quoted(head) + " of " +
                           keyword + " block " + Excerpt(construct.written);
  const std::optional<double> number = ParseStrictNumber(head);
  if (!number) return Report(Severity::kError, what + " is not a number");
  int32_t count = 0;
  try {
    count = RoundToInt32(*number);
  } catch (const EngineError&) {
    return Report(Severity::kError, what + " is outside 32 bits");
  }
  if (loop && count >= 32768) {
    Report(Severity::kError, what + " is 32768 or more: a loop counts at most 32767 passes");
  } else if (!loop && count != 0) {
    Report(Severity::kWarning,
           what + " never changes, so the loop runs until the generation is stopped");
  }
}

}  // namespace

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

void CheckText(UnitSource& tables, Unit& unit, int32_t line, std::vector<CallEdge>& calls,
               std::string_view text) {
  TextChecker checker(tables, unit, line, calls);
  WalkEntryText(text, checker);
}

}  // namespace fablewick
