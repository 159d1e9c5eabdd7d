#include "engine/expansion/syntax.h"

#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
std::string RemoveEscapes(std::string_view text) {
  return ReplaceAll(ReplaceAll(ReplaceAll(text, "/%", "%"), "/[", "["), "/]", "]");
}

std::size_t FindTopLevel(std::string_view text, char separator, std::size_t from) {
  int braces = 0, brackets = 0;
  bool odd_percent = false, odd_pipe = false;
  for (std::size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (c == separator && braces == 0 && brackets == 0 && !odd_percent && !odd_pipe) return i;
    switch (c) {
      case '{':
        ++braces;
        break;
      case '}':
        --braces;
        break;
      case '[':
        ++brackets;
        break;
      case ']':
        --brackets;
        break;
      case '%':
        odd_percent = !odd_percent;
        break;
      case '|':
        odd_pipe = !odd_pipe;
        break;
    }
  }
  return kNoPosition;
}

ControlBlockSyntax ParseControlBlock(std::string_view inside) {
  ControlBlockSyntax syntax;
  syntax.kind = BlockKindOf(inside);
  syntax.keyword = inside.substr(0, inside.find('~'));
  syntax.block = inside.substr(syntax.keyword.size() + 1);
  const std::string_view block = syntax.block;
  if (syntax.kind == BlockKind::kIf) {
    const std::size_t question = FindTopLevel(block, '?');
    if (question == kNoPosition) return syntax;
    syntax.separated = true;
    syntax.head = block.substr(0, question);
    const std::size_t slash = FindTopLevel(block, '/', question + 1);
    syntax.body =
        block.substr(question + 1, slash == kNoPosition ? kNoPosition : slash - question - 1);
    syntax.has_else = slash != kNoPosition;
    if (syntax.has_else) syntax.other = block.substr(slash + 1);
    return syntax;
  }
  const std::size_t comma = FindTopLevel(block, ',');
  if (comma == kNoPosition) return syntax;
  syntax.separated = true;
  syntax.head = block.substr(0, comma);
  syntax.body = block.substr(comma + 1);
  return syntax;
}

std::optional<ComparisonSyntax> FindComparison(std::string_view condition) {
  static constexpr std::array<std::string_view, 6> kOperators = {"<=", ">=", "!=", ">", "<", "="};
  for (std::string_view op : kOperators) {
    const std::size_t at = condition.find(op);
    if (at == std::string_view::npos) continue;
    return ComparisonSyntax{condition.substr(at, op.size()), at,
                            TrimBlanks(condition.substr(0, at)),
                            TrimBlanks(condition.substr(at + op.size()))};
  }
  return std::nullopt;
}

namespace syntax_detail {

std::optional<CallPrefix> ReadWidePrefix(std::string_view call) {
  const std::size_t third = ByteOffsetOfCodePoint(call, 2);
  if (third >= call.size() || call[third] != '~') return std::nullopt;
  CallPrefix prefix;
  prefix.text = call.substr(0, third + 1);
  // One of the first two code points is more than one byte: a letter followed by it is no
  // "CC~" or "CN~", and it is no digit.
  switch (call[0]) {
    case 'N':
      prefix.kind = PrefixKind::kRepeat;
      break;
    case 'D':
      prefix.kind = PrefixKind::kDiceRepeat;
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

}  // namespace syntax_detail

GroupReference SplitGroupReference(std::string_view text) {
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) return {false, {}, text};
  return {true, text.substr(0, dot), text.substr(dot + 1)};
}

CallTarget ParseCallTarget(std::string_view call) {
  CallTarget target;
  target.text = call;
  target.name = call;
  std::size_t at;
  if ((at = call.find('+')) != std::string_view::npos) {
    target.modifier = '+';
    target.modifier_number = call.substr(at + 1);
  } else if ((at = call.find('-')) != std::string_view::npos) {
    target.modifier = '-';
    target.modifier_number = call.substr(at);
  } else if ((at = call.find('=')) != std::string_view::npos) {
    target.modifier = '=';
    target.modifier_number = call.substr(at + 1);
  }
  if (target.modifier != 0) target.name = call.substr(0, at);
  target.reference = SplitGroupReference(target.name);
  target.group = target.reference.group;
  const std::size_t open = target.group.find('(');
  if (open != std::string_view::npos) {
    const std::size_t close = target.group.find(')', open + 1);
    if (close != std::string_view::npos) {
      target.has_parameters = true;
      target.parameters = target.group.substr(open + 1, close - open - 1);
      target.group = target.group.substr(0, open);
    }
  }
  return target;
}

int16_t RollModifierValue(const CallTarget& target) {
  if (target.modifier == 0) return 0;
  return RoundToInt16(ParseLeadingNumber(target.modifier_number));
}

std::vector<std::string> CallParameters(const CallTarget& target) {
  if (!target.has_parameters) return {};
  return SplitAll(target.parameters, ',');
}

CallPart ParseCallPart(std::string_view text) {
  const std::string_view rest = SkipPrefixes(text);
  return {text.substr(0, text.size() - rest.size()), ParseCallTarget(rest)};
}

GroupCallSyntax ParseGroupCall(std::string_view inside) {
  GroupCallSyntax syntax;
  syntax.call = SkipPrefixes(inside);
  syntax.prefixes = inside.substr(0, inside.size() - syntax.call.size());
  const std::size_t question = syntax.call.find('?');
  if (question == std::string_view::npos) {
    syntax.first.prefixes = syntax.call.substr(0, 0);
    syntax.first.target = ParseCallTarget(syntax.call);
    return syntax;
  }
  syntax.conditional = true;
  syntax.question = question;
  syntax.condition = TrimBlanks(syntax.call.substr(0, question));
  const std::string_view rest = syntax.call.substr(question + 1);
  const std::size_t slash = rest.find('/');
  syntax.first = ParseCallPart(TrimBlanks(rest.substr(0, slash)));
  syntax.has_second = slash != std::string_view::npos;
  if (syntax.has_second) syntax.slash = question + 1 + slash;
  syntax.second = ParseCallPart(syntax.has_second ? TrimBlanks(rest.substr(slash + 1))
                                                  : rest.substr(rest.size()));
  return syntax;
}

StartCallSyntax ParseStartCall(std::string_view call_text) {
  // The first and last characters are the delimiters, whatever they are.
  std::string_view call = call_text.substr(FirstCodePoint(call_text).size());
  call.remove_suffix(LastCodePoint(call).size());
  StartCallSyntax syntax;
  const CallPart part = ParseCallPart(call);
  syntax.prefixes = part.prefixes;
  syntax.target = part.target;
  const GroupReference& reference = part.target.reference;
  if (!reference.has_table) {
    syntax.table = part.target.name;
    return syntax;
  }
  syntax.table = reference.table;
  syntax.has_group = true;
  syntax.group = reference.group;
  if (part.target.has_parameters &&
      EqualsIgnoreCase(SubstrCodePoints(reference.group, 0, 5), "START")) {
    syntax.group = part.target.group;
    syntax.has_parameters = true;
    syntax.parameters = part.target.parameters;
  }
  return syntax;
}

std::string WithCallBrackets(std::string_view call) {
  if (call.size() >= 2 && call.front() == '[' && call.back() == ']') return std::string(call);
  std::string bracketed = "[";
  return bracketed.append(call).append("]");
}

}  // namespace fablewick
