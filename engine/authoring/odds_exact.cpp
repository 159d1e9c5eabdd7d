// The exact odds: table text followed as the roller expands it, every roll replaced by the
// chances of its outcomes. Texts are read with the walk of the syntax module, calls with its
// call readers; entries are chosen by the groups' own ChooseEntry. Whatever depends on more than
// the dice (assignments, group state, loops on conditions, data, add-ons, input) ends the
// analysis with NotExact, naming the construct.
#include <algorithm>
#include <map>
#include <set>

#include "engine/authoring/odds_internal.h"
#include "engine/documents/document.h"
#include "engine/error.h"
#include "engine/error_text.h"
#include "engine/expansion/condition.h"
#include "engine/expansion/groupcall.h"
#include "engine/expansion/syntax.h"
#include "engine/expansion/syntax_walk.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick::odds {
namespace {

// Functions whose result depends only on their arguments and the tables as loaded.
bool IsPureFunction(std::string_view name) {
  static const std::set<std::string_view> kPure = {
      "LCase", "UCase", "AorAn", "Cap",     "Length", "Trim",        "Trunc",    "Abs",
      "Sqrt",  "If",    "Calc",  "Count",   "MinVal", "MaxVal",      "OrderAsc", "OrderDesc",
      "Param", "Ceil",  "Floor", "Round",   "Max",    "Min",         "Find",     "Replace",
      "Left",  "Right", "Mid",   "Ordinal", "Plural", "CapEachWord", "Status",
  };
  return kPure.count(name) > 0;
}

// A construct of a text, and for a control block where its parts are.
struct Node {
  ConstructKind kind;
  std::size_t begin = 0, end = 0;
  bool closed = true;
  bool too_deep = false;
  BlockKind block = BlockKind::kNone;
  bool separated = false, has_else = false;
  std::size_t block_begin = 0, block_end = 0;
  std::size_t head_begin = 0, head_end = 0, body_begin = 0, body_end = 0;
  std::size_t other_begin = 0, other_end = 0;
};

// Every construct of a text, by position, a construct before those it holds.
class NodeCollector : public SyntaxVisitor {
 public:
  explicit NodeCollector(std::string_view text) : text_(text) {}
  std::vector<Node> nodes;

  void VariableRead(const Construct& c, std::string_view) override { Add(c); }
  void Assignment(const Construct& c, const AssignmentSyntax&) override { Add(c); }
  void GroupCall(const Construct& c, const GroupCallSyntax&) override { Add(c); }
  void FunctionCall(const Construct& c, const FunctionCallSyntax&) override { Add(c); }
  void TooDeep(const Construct& c) override { Add(c).too_deep = true; }
  void ControlBlock(const Construct& c, const ControlBlockSyntax& block,
                    const BlockPatterns&) override {
    Node& node = Add(c);
    node.block = block.kind;
    node.separated = block.separated;
    node.has_else = block.has_else;
    Locate(block.block, node.block_begin, node.block_end);
    Locate(block.head, node.head_begin, node.head_end);
    Locate(block.body, node.body_begin, node.body_end);
    Locate(block.other, node.other_begin, node.other_end);
  }

 private:
  Node& Add(const Construct& c) {
    Node node;
    node.kind = c.kind;
    node.begin = c.begin;
    node.end = c.end;
    node.closed = c.closed;
    nodes.push_back(node);
    return nodes.back();
  }
  // The part's place in the text; the views of a block point into it.
  void Locate(std::string_view part, std::size_t& begin, std::size_t& end) const {
    if (part.data() == nullptr) return;
    begin = static_cast<std::size_t>(part.data() - text_.data());
    end = begin + part.size();
  }
  std::string_view text_;
};

// Where a text stands: the table whose entry holds it and the entry's line.
struct Place {
  std::string table;
  int32_t line = 0;
};

class Analysis {
 public:
  Analysis(Engine& engine, std::size_t limit) : engine_(engine), limit_(limit) {}

  ExactOdds StartCall(std::string_view call);

 private:
  // The outcome of one roll on a group, or nullopt when the group does not exist.
  std::optional<Outcome> RollOnce(const std::string& table_name, const std::string& group_name,
                                  int16_t modifier, bool fixed, const Place& place);
  const Outcome& EntryOutcome(int t, int g, std::size_t e, const std::string& table_name);

  Outcome Text(std::string_view text, const Place& place);
  Outcome Range(std::string_view text, const std::vector<Node>& nodes, std::size_t from,
                std::size_t to, const Place& place);
  Outcome Construct(std::string_view text, const std::vector<Node>& nodes, const Node& node,
                    const Place& place);
  Outcome Block(std::string_view text, const std::vector<Node>& nodes, const Node& node,
                const Place& place);
  // The outcome of `inside` completed, text by text, by `complete`.
  template <typename Complete>
  Outcome Completed(const Outcome& inside, std::string_view written, const Place& place,
                    bool read_again, Complete complete);

  Outcome GroupCall(const std::string& content, const Place& place);
  Outcome Function(const std::string& content, const Place& place);
  Outcome Variable(const std::string& content, const Place& place);
  // A call's rolls: once, a fixed number of times, or a number drawn by a "D" prefix.
  Outcome Repeated(const Outcome& once, const CallPrefixes& prefixes, int dice_repeat);

  [[noreturn]] static void Fail(std::string what, const Place& place) {
    throw NotExact(std::move(what), place.table, place.line);
  }

  Engine& engine_;
  std::size_t limit_;
  std::map<std::string, std::vector<Node>, std::less<>> structures_;
  std::map<std::tuple<int, int, int16_t, bool>, Outcome> rolls_;
  std::set<std::tuple<int, int, int16_t, bool>> rolling_;
  std::map<EntryKey, Outcome> entries_;
  std::vector<std::pair<int, int>> groups_;
  std::set<std::pair<int, int>> seen_;
  std::map<uint64_t, Place> no_repeat_first_call_;
};

// The digit of the last "D" prefix of a run, or -1 when a later "N" prefix or none decides.
int DiceRepeatOf(std::string_view run, int dice_repeat) {
  while (const std::optional<CallPrefix> prefix = ReadPrefix(run)) {
    run.remove_prefix(prefix->text.size());
    if (prefix->kind == PrefixKind::kRepeat) dice_repeat = -1;
    if (prefix->kind == PrefixKind::kDiceRepeat) dice_repeat = prefix->digit;
  }
  return dice_repeat;
}

void ReadPrefixes(std::string_view run, CallPrefixes& prefixes, int& dice_repeat,
                  const Place& place) {
  try {
    ApplyCallPrefixes(run, prefixes, nullptr);
  } catch (const EngineError&) {
    throw NotExact("a repeat prefix without its digit", place.table, place.line);
  }
  dice_repeat = DiceRepeatOf(run, dice_repeat);
}

std::string Snippet(std::string_view text) {
  return text.size() <= 60 ? std::string(text) : std::string(text.substr(0, 57)) + "...";
}

Outcome Analysis::Text(std::string_view text, const Place& place) {
  auto found = structures_.find(text);
  if (found == structures_.end()) {
    NodeCollector collector(text);
    WalkEntryText(text, collector);
    std::sort(collector.nodes.begin(), collector.nodes.end(), [](const Node& a, const Node& b) {
      return a.begin != b.begin ? a.begin < b.begin : a.end > b.end;
    });
    found = structures_.emplace(std::string(text), std::move(collector.nodes)).first;
  }
  return Range(text, found->second, 0, text.size(), place);
}

Outcome Analysis::Range(std::string_view text, const std::vector<Node>& nodes, std::size_t from,
                        std::size_t to, const Place& place) {
  Outcome result = Outcome::Certain("");
  std::size_t cursor = from;
  auto node = std::lower_bound(nodes.begin(), nodes.end(), from,
                               [](const Node& n, std::size_t at) { return n.begin < at; });
  for (; node != nodes.end() && node->begin < to; ++node) {
    if (node->begin < cursor || node->end > to) continue;  // inside the one before
    if (node->begin > cursor) {
      result = Then(
          result, Outcome::Certain(std::string(text.substr(cursor, node->begin - cursor))), limit_);
    }
    result = Then(result, Construct(text, nodes, *node, place), limit_);
    cursor = node->end;
  }
  if (cursor < to) {
    result = Then(result, Outcome::Certain(std::string(text.substr(cursor, to - cursor))), limit_);
  }
  return result;
}

Outcome Analysis::Construct(std::string_view text, const std::vector<Node>& nodes, const Node& node,
                            const Place& place) {
  const std::string_view written = text.substr(node.begin, node.end - node.begin);
  if (node.too_deep) Fail("constructs nested too deeply", place);
  if (!node.closed) Fail("a bracket without its partner: " + Snippet(written), place);
  if (node.kind == ConstructKind::kAssignment) Fail("the assignment " + Snippet(written), place);
  if (node.kind == ConstructKind::kControlBlock) return Block(text, nodes, node, place);
  const Outcome inside = Range(text, nodes, node.begin + 1, node.end - 1, place);
  switch (node.kind) {
    case ConstructKind::kVariableRead:
      return Completed(inside, written, place, false,
                       [&](const std::string& content) { return Variable(content, place); });
    case ConstructKind::kGroupCall:
      return Completed(inside, written, place, true,
                       [&](const std::string& content) { return GroupCall(content, place); });
    default:
      return Completed(inside, written, place, true,
                       [&](const std::string& content) { return Function(content, place); });
  }
}

template <typename Complete>
Outcome Analysis::Completed(const Outcome& inside, std::string_view written, const Place& place,
                            bool read_again, Complete complete) {
  if (inside.texts.too_many()) Fail("too many different texts inside " + Snippet(written), place);
  std::vector<std::pair<double, Outcome>> parts;
  for (const auto& [content, chance] : inside.texts.items()) {
    parts.emplace_back(chance, complete(content));
  }
  Outcome completed = Mix(parts, limit_);
  // What the inside rolls decides what the construct rolls: the two are independent only when
  // they reach different entries.
  if (parts.size() > 1) {
    for (const auto& [key, chance] : inside.chance) {
      if (completed.chance.count(key) > 0) {
        Fail(Snippet(written) + ", whose own text rolls on a group it leads to", place);
      }
    }
  }
  if (read_again && !completed.texts.too_many()) {
    for (const auto& [text, chance] : completed.texts.items()) {
      if (IsReadAgain(text)) Fail("a result read again as table text: " + Snippet(text), place);
    }
  }
  Outcome rolled_inside = inside;
  rolled_inside.texts = TextDistribution::Certain("");
  return Then(rolled_inside, completed, limit_);
}

Outcome Analysis::Block(std::string_view text, const std::vector<Node>& nodes, const Node& node,
                        const Place& place) {
  const std::string_view written = text.substr(node.begin, node.end - node.begin);
  if (node.block == BlockKind::kWhile) Fail("the While loop " + Snippet(written), place);
  if (node.block == BlockKind::kLoop && !node.separated) {
    const std::string block(text.substr(node.block_begin, node.block_end - node.block_begin));
    return Outcome::Certain(
        ErrorText("Error in '" + block + "' - comma not found", place.table, place.line));
  }
  if (!node.separated) Fail("an If without its \"?\": " + Snippet(written), place);
  const Outcome head = Range(text, nodes, node.head_begin, node.head_end, place);
  if (node.block == BlockKind::kIf) {
    return Completed(head, written, place, true, [&](const std::string& condition) {
      const std::optional<bool> holds = EvaluateCondition(condition);
      if (holds && *holds) return Range(text, nodes, node.body_begin, node.body_end, place);
      if (holds && node.has_else) {
        return Range(text, nodes, node.other_begin, node.other_end, place);
      }
      return Outcome::Certain("");
    });
  }
  std::optional<Outcome> body;
  return Completed(head, written, place, true, [&](const std::string& count_text) {
    int32_t count = 0;
    try {
      count = StrictInt32(count_text);
    } catch (const EngineError&) {
      Fail("a Loop count that is not a whole number: " + Snippet(count_text), place);
    }
    if (count > 32767) Fail("a Loop of more than 32767 passes", place);
    if (count <= 0) return Outcome::Certain("");
    if (!body) body = Range(text, nodes, node.body_begin, node.body_end, place);
    return Repeat(*body, count, limit_);
  });
}

Outcome Analysis::Variable(const std::string& content, const Place& place) {
  const int t = engine_.FindTableIndex(place.table);
  if (t < 0) return Outcome::Certain("");
  const std::string name(VariableName(content));
  const Table& table = engine_.TableAt(t);
  const int v = table.FindVariable(name);
  if (v < 0) {
    return Outcome::Certain(ErrorText("Tried to reference non-existent variable '" + name + "'",
                                      place.table, place.line));
  }
  const std::string value = table.Vars[static_cast<std::size_t>(v)].Value;
  // The value takes the place of the read and is scanned with the text around it.
  if (value.find_first_of("%|") != std::string::npos) {
    Fail("the variable %" + name + "%, whose value holds \"%\" or \"|\"", place);
  }
  return Text(value, place);
}

Outcome Analysis::Function(const std::string& content, const Place& place) {
  const FunctionCallSyntax call = ParseFunctionCall(content);
  if (call.name == "Dice") {
    try {
      return Outcome::Of(DiceDistribution(call.arguments));
    } catch (NotExact& problem) {
      Fail(problem.what + ": {" + Snippet(content) + "}", place);
    }
  }
  if (!IsPureFunction(call.name)) {
    Fail("the function {" + std::string(call.name) +
             "~...}, whose result depends on more than "
             "its arguments",
         place);
  }
  return Outcome::Certain(engine_.ProcessFunction(content, place.table, place.line));
}

Outcome Analysis::Repeated(const Outcome& once, const CallPrefixes& prefixes, int dice_repeat) {
  if (dice_repeat < 0) return Repeat(once, prefixes.repeat == 0 ? 1 : prefixes.repeat, limit_);
  // The count is drawn from 1 to the digit; a digit of 0 draws 1.
  const int most = std::max(dice_repeat, 1);
  std::vector<std::pair<double, Outcome>> counts;
  for (int k = 1; k <= most; ++k) counts.emplace_back(1.0 / most, Repeat(once, k, limit_));
  return Mix(counts, limit_);
}

Outcome Analysis::GroupCall(const std::string& content, const Place& place) {
  CallPrefixes prefixes;
  int dice_repeat = -1;
  const CallPart* part = nullptr;
  static const CallPart kNothing;
  GroupCallSyntax syntax;
  CallPart bare;
  if (!content.empty() && IsBareGroupName(content)) {
    bare.target = ParseCallTarget(content);
    part = &bare;
  } else {
    syntax = ParseGroupCall(content);
    ReadPrefixes(syntax.prefixes, prefixes, dice_repeat, place);
    part = &syntax.first;
    if (syntax.conditional) {
      const std::optional<bool> holds = EvaluateCondition(syntax.condition);
      part = holds ? (*holds ? &syntax.first : &syntax.second) : &kNothing;
      prefixes.modifiers.clear();
      ReadPrefixes(part->prefixes, prefixes, dice_repeat, place);
    }
  }
  const CallTarget& target = part->target;
  if (target.name.empty()) return Outcome::Certain("");
  int16_t modifier = 0;
  try {
    modifier = RollModifierValue(target);
  } catch (const EngineError&) {
    Fail("a roll modifier outside 16 bits: [" + Snippet(content) + "]", place);
  }
  if (!CallParameters(target).empty()) {
    Fail("the call [" + Snippet(content) + "], which sets parameters", place);
  }
  const std::string table(target.reference.has_table ? target.reference.table
                                                     : std::string_view(place.table));
  const std::optional<Outcome> once =
      RollOnce(table, std::string(target.group), modifier, target.modifier == '=', place);
  Outcome rolled =
      once
          ? Repeated(*once, prefixes, dice_repeat)
          : Outcome::Certain(engine_.tab_calls_as_errors()
                                 ? ErrorText("Group '" + std::string(target.name) + "' - not found",
                                             place.table, place.line)
                                 : std::string(target.name));
  rolled.texts = rolled.texts.Map([&](const std::string& text) {
    return text.empty() ? text : Engine::ApplyCallFlags(text, prefixes.article, prefixes.capital);
  });
  return rolled;
}

std::optional<Outcome> Analysis::RollOnce(const std::string& table_name,
                                          const std::string& group_name, int16_t modifier,
                                          bool fixed, const Place& place) {
  const int t = engine_.GetTable(table_name);
  if (t < 0) return Outcome::Certain("");
  Table& table = engine_.TableAt(t);
  Group* group = table.FindGroup(group_name);
  if (group == nullptr) return std::nullopt;
  const int g = static_cast<int>(group - table.Groups.data());
  const auto key = std::make_tuple(t, g, modifier, fixed);
  if (auto found = rolls_.find(key); found != rolls_.end()) return found->second;
  if (rolling_.count(key) > 0) {
    Fail("group \"" + group_name + "\" of table \"" + table_name + "\", which calls itself", place);
  }
  if (seen_.insert({t, g}).second) groups_.emplace_back(t, g);
  const uint64_t group_key = GroupOfKey(MakeEntryKey(t, g, 0));
  if (group->NoRepeat) no_repeat_first_call_.emplace(group_key, place);
  rolling_.insert(key);

  Outcome outcome;
  if (group->Entries.empty()) {
    outcome = Outcome::Certain(
        RollErrorText("ERR: Non-duplicating group exhausted", table_name, group_name));
  } else {
    // Every draw of the random source, as it reads the group's range, and the entry each gives.
    int32_t low = group->MinValue, high = group->MaxValue;
    const int32_t span = high - low + 1;
    if (span > INT16_MAX || span < INT16_MIN) {
      Fail("group \"" + group_name + "\", whose range is too wide to roll", place);
    }
    if (span <= 0) {
      high = low - (span == 0 ? 0 : 1);
      low = span == 0 ? low : low + span;
    }
    if (fixed) low = high = 0;
    std::map<std::size_t, int64_t> draws;
    int64_t overflows = 0;
    for (int32_t draw = low; draw <= high; ++draw) {
      const int32_t roll = draw + modifier;
      if (roll < INT16_MIN || roll > INT16_MAX) {
        ++overflows;
      } else {
        ++draws[group->ChooseEntry(roll)];
      }
    }
    const double all = static_cast<double>(high - low + 1);
    std::vector<std::pair<double, Outcome>> parts;
    for (const auto& [e, times] : draws) {
      Outcome chosen = Outcome::Certain("");
      const EntryKey entry = MakeEntryKey(t, g, static_cast<int>(e));
      chosen.chance[entry] = 1;
      chosen.expected[entry] = 1;
      if (group->NoRepeat) chosen.no_repeat_calls[group_key] = 1;
      parts.emplace_back(static_cast<double>(times) / all,
                         Then(chosen, EntryOutcome(t, g, e, table_name), limit_));
    }
    if (overflows > 0) {
      parts.emplace_back(static_cast<double>(overflows) / all,
                         Outcome::Certain(RollErrorText("ERR:Unknown", table_name, group_name)));
    }
    outcome = Mix(parts, limit_);
  }
  rolling_.erase(key);
  return rolls_.emplace(key, std::move(outcome)).first->second;
}

const Outcome& Analysis::EntryOutcome(int t, int g, std::size_t e, const std::string& table_name) {
  const EntryKey key = MakeEntryKey(t, g, static_cast<int>(e));
  if (auto found = entries_.find(key); found != entries_.end()) return found->second;
  const Entry& entry = engine_.TableAt(t).Groups[static_cast<std::size_t>(g)].Entries[e];
  Outcome outcome = Text(entry.Text, Place{table_name, entry.Line});
  outcome.texts = outcome.texts.Map([](const std::string& text) { return RemoveEscapes(text); });
  return entries_.emplace(key, std::move(outcome)).first->second;
}

ExactOdds Analysis::StartCall(std::string_view call) {
  const StartCallSyntax syntax = ParseStartCall(call);
  const Place place{std::string(syntax.table), 0};
  CallPrefixes prefixes;
  int dice_repeat = -1;
  ReadPrefixes(syntax.prefixes, prefixes, dice_repeat, place);
  const int16_t modifier = RollModifierValue(syntax.target);
  const std::string group = syntax.has_group ? std::string(syntax.group) : "Start";
  // Values given with the call are set before the roll, as the roller sets them.
  if (syntax.has_parameters) {
    const int t = engine_.GetTable(place.table);
    if (t >= 0) {
      Table& table = engine_.TableAt(t);
      const std::vector<std::string> values = SplitAll(syntax.parameters, ',');
      for (std::size_t i = 0; i < table.Params.size(); ++i) {
        const bool given = i < values.size() && !values[i].empty();
        table.Vars.at(static_cast<std::size_t>(table.Params[i].VarIndex)).Value =
            given ? values[i] : table.Params[i].DefaultValue;
      }
    }
  }
  const std::optional<Outcome> once =
      RollOnce(place.table, group, modifier, syntax.target.modifier == '=', place);
  ExactOdds exact;
  exact.outcome = once ? Repeated(*once, prefixes, dice_repeat) : Outcome::Certain(group);
  exact.outcome.texts = exact.outcome.texts.Map([&](const std::string& text) {
    if (text.empty()) return text;
    const std::string flagged = Engine::ApplyCallFlags(text, prefixes.article, prefixes.capital);
    return flagged.find('^') == std::string::npos ? flagged : ExpandCaretCodes(flagged);
  });
  for (const auto& [group_key, calls] : exact.outcome.no_repeat_calls) {
    if (calls < 2) continue;
    const auto [t, g] =
        std::make_pair(static_cast<int>(group_key >> 20), static_cast<int>(group_key & 0xFFFFF));
    const Place& first = no_repeat_first_call_.at(group_key);
    throw NotExact("the no-repeat group \"" +
                       engine_.TableAt(t).Groups[static_cast<std::size_t>(g)].Name +
                       "\", drawn more than once in a roll",
                   first.table, first.line);
  }
  exact.groups = groups_;
  return exact;
}

}  // namespace

bool IsReadAgain(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '{' || c == '|') return true;
    if ((c == '[' || c == '%') && !IsEscaped(text, i)) return true;
  }
  return !text.empty() && text.back() == kEscapeMark;
}

ExactOdds AnalyseExactly(Engine& engine, std::string_view call, std::size_t limit) {
  return Analysis(engine, limit).StartCall(call);
}

}  // namespace fablewick::odds
