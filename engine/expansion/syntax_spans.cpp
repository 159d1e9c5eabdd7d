#include "engine/expansion/syntax_spans.h"

#include <algorithm>
#include <set>
#include <string>

#include "engine/expansion/syntax.h"
#include "engine/expansion/syntax_lines.h"
#include "engine/expansion/syntax_walk.h"

namespace fablewick {
namespace {

bool IsConstruct(SpanKind kind) { return kind <= SpanKind::kControlBlock; }

// Puts the spans in order and works out which holds which.
void Nest(std::vector<SyntaxSpan>& spans) {
  std::stable_sort(spans.begin(), spans.end(), [](const SyntaxSpan& a, const SyntaxSpan& b) {
    if (a.begin != b.begin) return a.begin < b.begin;
    if (a.end != b.end) return a.end > b.end;
    // A part and the construct written as the whole of it: the part holds the construct.
    return !IsConstruct(a.kind) && IsConstruct(b.kind);
  });
  std::vector<int32_t> open;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    SyntaxSpan& span = spans[i];
    while (!open.empty() && spans[static_cast<std::size_t>(open.back())].end < span.end) {
      open.pop_back();
    }
    span.parent = open.empty() ? -1 : open.back();
    span.depth = static_cast<uint16_t>(open.size());
    open.push_back(static_cast<int32_t>(i));
  }
}

// Where the bytes of a walked text stand in the text the spans are given for: pieces that begin
// at `from` in the walked text and at `to` in the whole text, in order.
struct Placement {
  struct Piece {
    std::size_t from;
    std::size_t to;
  };
  std::vector<Piece> pieces;

  std::size_t Begin(std::size_t at) const { return Map(at, false); }
  std::size_t End(std::size_t at) const { return Map(at, true); }

 private:
  // An end that falls where a piece begins belongs to the piece before.
  std::size_t Map(std::size_t at, bool end) const {
    std::size_t i = pieces.size() - 1;
    while (i > 0 && (end ? pieces[i].from >= at : pieces[i].from > at)) --i;
    return pieces[i].to + (at - pieces[i].from);
  }
};

class SpanCollector : public SyntaxVisitor {
 public:
  SpanCollector(std::vector<SyntaxSpan>& spans, const Placement& placement)
      : spans_(spans), placement_(placement) {}

  void VariableRead(const Construct& c, std::string_view name) override {
    AddConstruct(SpanKind::kVariableRead, c);
    AddPart(SpanKind::kVariableName, c.inside, name);
  }

  void Assignment(const Construct& c, const AssignmentSyntax& a) override {
    AddConstruct(SpanKind::kAssignment, c);
    if (!a.has_operator) return;
    AddPart(SpanKind::kVariableName, c.inside, a.name);
    AddPart(SpanKind::kOperator, c.inside, c.inside.text().substr(a.at, 1));
    AddPart(SpanKind::kValue, c.inside, a.operand);
  }

  void FunctionCall(const Construct& c, const FunctionCallSyntax& f) override {
    AddConstruct(SpanKind::kFunctionCall, c);
    if (!f.dice) {
      AddPart(SpanKind::kFunctionName, c.inside, f.name);
      AddPart(SpanKind::kDelimiter, c.inside, c.inside.text().substr(f.name.size(), 1));
    }
    AddPart(SpanKind::kArguments, c.inside, f.arguments);
  }

  void GroupCall(const Construct& c, const GroupCallSyntax& call) override {
    AddConstruct(SpanKind::kGroupCall, c);
    AddPrefixes(c.inside, call.prefixes);
    if (call.conditional) {
      AddPart(SpanKind::kCondition, c.inside, call.condition);
      AddComparison(c.inside, call.condition);
      AddPart(SpanKind::kSeparator, c.inside, call.call.substr(call.question, 1));
      if (call.has_second) AddPart(SpanKind::kSeparator, c.inside, call.call.substr(call.slash, 1));
    }
    AddCallPart(c.inside, call.first);
    if (call.has_second) AddCallPart(c.inside, call.second);
  }

  void ControlBlock(const Construct& c, const ControlBlockSyntax& block,
                    const BlockPatterns& parts) override {
    AddConstruct(SpanKind::kControlBlock, c);
    const TextPattern& inside = c.inside;
    AddPart(SpanKind::kBlockKeyword, inside, block.keyword);
    AddPart(SpanKind::kDelimiter, inside, inside.text().substr(block.keyword.size(), 1));
    if (!block.separated) return;
    const bool loop = block.kind == BlockKind::kLoop;
    AddPart(loop ? SpanKind::kCount : SpanKind::kCondition, *parts.head, parts.head->text());
    if (block.kind == BlockKind::kIf) AddComparison(*parts.head, parts.head->text());
    AddSeparatorAfter(inside, block.head);
    if (block.has_else) AddSeparatorAfter(inside, block.body);
  }

  void Escape(std::size_t at) override { Add(SpanKind::kEscape, at, at + 2, 0); }

  void TooDeep(const Construct& c) override {
    Add(KindOf(c.kind), c.begin, c.end, kSpanNotRead | (c.closed ? 0 : kSpanUnclosed));
  }

 private:
  static SpanKind KindOf(ConstructKind kind) {
    switch (kind) {
      case ConstructKind::kGroupCall:
        return SpanKind::kGroupCall;
      case ConstructKind::kVariableRead:
        return SpanKind::kVariableRead;
      case ConstructKind::kAssignment:
        return SpanKind::kAssignment;
      case ConstructKind::kFunctionCall:
        return SpanKind::kFunctionCall;
      case ConstructKind::kControlBlock:
        break;
    }
    return SpanKind::kControlBlock;
  }

  void Add(SpanKind kind, std::size_t begin, std::size_t end, uint8_t flags) {
    if (end <= begin) return;
    spans_.push_back({kind, flags, 0, -1, static_cast<uint32_t>(placement_.Begin(begin)),
                      static_cast<uint32_t>(placement_.End(end))});
  }

  // The construct and its delimiters.
  void AddConstruct(SpanKind kind, const Construct& c) {
    Add(kind, c.begin, c.end, c.closed ? 0 : kSpanUnclosed);
    Add(SpanKind::kDelimiter, c.begin, c.begin + 1, 0);
    if (c.closed) Add(SpanKind::kDelimiter, c.end - 1, c.end, 0);
  }

  void AddPart(SpanKind kind, const TextPattern& pattern, std::string_view part) {
    if (part.empty()) return;
    Add(kind, pattern.Begin(part), pattern.End(part),
        TextPattern::IsFixed(part) ? 0 : kSpanMadeWhileRolling);
  }

  void AddSeparatorAfter(const TextPattern& pattern, std::string_view part) {
    const std::size_t at = pattern.End(part);
    Add(SpanKind::kSeparator, at, at + 1, 0);
  }

  void AddComparison(const TextPattern& pattern, std::string_view condition) {
    if (const std::optional<ComparisonSyntax> comparison = FindComparison(condition)) {
      AddPart(SpanKind::kComparison, pattern, comparison->op);
    }
  }

  void AddPrefixes(const TextPattern& pattern, std::string_view run) {
    while (const std::optional<CallPrefix> prefix = ReadPrefix(run)) {
      AddPart(SpanKind::kCallPrefix, pattern, prefix->text);
      run.remove_prefix(prefix->text.size());
    }
  }

  void AddCallPart(const TextPattern& pattern, const CallPart& part) {
    AddPrefixes(pattern, part.prefixes);
    const CallTarget& target = part.target;
    if (target.reference.has_table) {
      AddPart(SpanKind::kTableName, pattern, target.reference.table);
      AddPart(SpanKind::kSeparator, pattern, target.name.substr(target.reference.table.size(), 1));
    }
    AddPart(SpanKind::kGroupName, pattern, target.group);
    if (target.has_parameters) {
      const std::string_view parameters = target.parameters;
      AddPart(SpanKind::kParameters, pattern,
              std::string_view(parameters.data() - 1, parameters.size() + 2));
    }
    if (target.modifier != 0) {
      AddPart(SpanKind::kRollModifier, pattern, target.text.substr(target.name.size()));
    }
  }

  std::vector<SyntaxSpan>& spans_;
  const Placement& placement_;
};

void AddEntryText(std::vector<SyntaxSpan>& spans, std::string_view text,
                  const Placement& placement) {
  SpanCollector collector(spans, placement);
  WalkEntryText(text, collector);
}

// An entry's text as the loader joins it, and where its pieces stand in the file.
struct JoinedEntry {
  std::string text;
  Placement placement;
  void Append(std::string_view piece, std::size_t at) {
    placement.pieces.push_back({text.size(), at});
    text.append(piece);
  }
};

}  // namespace

std::vector<SyntaxSpan> EntrySpans(std::string_view text) {
  std::vector<SyntaxSpan> spans;
  AddEntryText(spans, text, Placement{{{0, 0}}});
  Nest(spans);
  return spans;
}

std::vector<SyntaxSpan> TableFileSpans(std::string_view text) {
  std::vector<SyntaxSpan> spans;
  std::vector<JoinedEntry> entries;
  std::size_t current = kNoPosition;  // the entry that continuation lines add to
  bool in_group = false;
  std::set<std::string_view> variables;
  const auto add = [&spans](SpanKind kind, std::size_t begin, std::size_t end) {
    if (end > begin) {
      spans.push_back({kind, 0, 0, -1, static_cast<uint32_t>(begin), static_cast<uint32_t>(end)});
    }
  };
  const auto add_part = [&](SpanKind kind, std::string_view part) {
    const std::size_t at = static_cast<std::size_t>(part.data() - text.data());
    add(kind, at, at + part.size());
  };
  ForEachTableLine(text, [&](std::string_view line, std::size_t at) {
    const std::size_t end = at + line.size();
    switch (ClassifyTableLine(line)) {
      case LineKind::kBlank:
        return;
      case LineKind::kComment:
        return add(SpanKind::kComment, at, end);
      case LineKind::kIgnored:
        return add(SpanKind::kIgnoredLine, at, end);
      case LineKind::kContinuation:
        if (current == kNoPosition) return add(SpanKind::kLineProblem, at, end);
        add(SpanKind::kContinuationMark, at, at + 1);
        return entries[current].Append(ContinuationText(line), at + 1);
      case LineKind::kVariable: {
        const VariableLine variable = ReadVariableLine(line);
        add(variable.well_formed ? SpanKind::kVariableDeclaration : SpanKind::kLineProblem, at,
            end);
        if (!variable.well_formed) return;
        variables.insert(variable.name);
        add(SpanKind::kDelimiter, at, at + 1);
        add_part(SpanKind::kVariableName, variable.name);
        const std::size_t comma = static_cast<std::size_t>(variable.value.data() - text.data()) - 1;
        add(SpanKind::kDelimiter,
            static_cast<std::size_t>(variable.name.data() - text.data()) + variable.name.size(),
            comma);
        add(SpanKind::kSeparator, comma, comma + 1);
        add_part(SpanKind::kValue, variable.value);
        return AddEntryText(spans, variable.value, Placement{{{0, comma + 1}}});
      }
      case LineKind::kParameter: {
        const std::vector<std::string_view> fields = ParameterFields(line);
        const bool kept = fields.size() >= 3 && variables.count(fields[0]) > 0;
        add(kept ? SpanKind::kParameterDeclaration : SpanKind::kLineProblem, at, end);
        if (!kept) return;
        add(SpanKind::kDelimiter, at, at + 1);
        add_part(SpanKind::kVariableName, fields[0]);
        for (std::size_t f = 1; f < fields.size(); ++f) {
          const std::string_view field = fields[f];
          const std::size_t field_at = static_cast<std::size_t>(field.data() - text.data());
          add(SpanKind::kSeparator, field_at - 1, field_at);
          if (f == 1) {
            add_part(SpanKind::kValue, field);  // the default, expanded as the value is
            AddEntryText(spans, field, Placement{{{0, field_at}}});
          } else {
            add_part(f == 2 ? SpanKind::kPrompt : SpanKind::kOption, field);
          }
        }
        return;
      }
      case LineKind::kGroupHeader: {
        const HeaderLine header = ReadHeaderLine(line);
        add(header.weighted ? SpanKind::kWeightedHeader : SpanKind::kRangedHeader, at, end);
        if (header.no_repeat) add(SpanKind::kNoRepeatMark, at + 1, at + 2);
        add_part(SpanKind::kHeaderName, header.name);
        in_group = true;
        current = kNoPosition;
        return;
      }
      case LineKind::kEntry: {
        const EntryLine entry = ReadEntryLine(line);
        if (!entry.has_comma || !in_group) return add(SpanKind::kLineProblem, at, end);
        add_part(SpanKind::kEntryValue, entry.value);
        add(SpanKind::kSeparator, at + entry.value.size(), at + entry.value.size() + 1);
        current = entries.size();
        entries.emplace_back().Append(entry.text, at + entry.value.size() + 1);
        return;
      }
    }
  });
  for (const JoinedEntry& entry : entries) AddEntryText(spans, entry.text, entry.placement);
  Nest(spans);
  return spans;
}

}  // namespace fablewick
