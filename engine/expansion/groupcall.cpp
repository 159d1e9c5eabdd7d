// Group calls written in brackets: "[" prefixes table "." group modifier "(" parameters ")" "]",
// or a conditional call "[" condition "?" call "/" call "]".
#include "engine/expansion/groupcall.h"

#include "engine/documents/link_markup.h"
#include "engine/engine.h"
#include "engine/error.h"
#include "engine/expansion/condition.h"
#include "engine/expansion/syntax.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

// What a re-roll link's address holds after "://": the prefixes to roll with, then the call,
// which names its table.
std::string RerollRest(const CallPrefixes& prefixes, std::string_view table,
                       std::string_view call) {
  std::string rest = prefixes.modifiers;
  if (!SplitGroupReference(call).has_table) rest.append(table).append(".");
  rest.append(call);
  return rest;
}

}  // namespace

void ApplyCallPrefixes(std::string_view run, CallPrefixes& prefixes, Engine* engine) {
  while (const std::optional<CallPrefix> prefix = ReadPrefix(run)) {
    run.remove_prefix(prefix->text.size());
    switch (prefix->kind) {
      case PrefixKind::kCapital:
        prefixes.capital = true;
        prefixes.modifiers += "CC~";
        break;
      case PrefixKind::kArticle:
        prefixes.article = true;
        prefixes.modifiers += "CN~";
        break;
      case PrefixKind::kRepeat:
        if (prefix->digit < 0) throw EngineError(kTypeMismatch);
        prefixes.repeat = prefix->digit;
        prefixes.modifiers += "N" + FormatInteger(prefixes.repeat) + "~";
        break;
      case PrefixKind::kDiceRepeat:
        if (prefix->digit < 0) throw EngineError(kTypeMismatch);
        prefixes.repeat = engine != nullptr
                              ? static_cast<int16_t>(engine->RandomBetween(1, prefix->digit))
                              : int16_t{1};
        prefixes.modifiers += "D" + FormatInteger(prefixes.repeat) + "~";
        break;
      case PrefixKind::kReset:
        prefixes.reset = true;
        prefixes.modifiers += "RS~";
        break;
      case PrefixKind::kLink:
        prefixes.link = true;
        break;
      case PrefixKind::kNone:
        break;
    }
  }
}

std::string Engine::GroupNotFound(const std::string& call, std::string_view table_name,
                                  int32_t line) const {
  return bTabCallsAsErrors ? ErrorText("Group '" + call + "' - not found", table_name, line) : call;
}

std::string Engine::ExpandGroupCall(std::string_view inside, const std::string& table_name,
                                    int32_t line) {
  if (!inside.empty() && IsBareGroupName(inside)) {
    const std::string group(inside);
    std::string result = RollGroup(table_name, group);
    if (result == kNotFoundMarker) {
      return GroupNotFound(group, table_name, line);
    }
    return result;
  }

  const GroupCallSyntax syntax = ParseGroupCall(inside);
  CallPrefixes prefixes;
  ApplyCallPrefixes(syntax.prefixes, prefixes, this);

  std::string link_tag;
  if (prefixes.link) {
    link_tag = RerollLinkTag(FormatInteger(NextLinkNumber()),
                             RerollRest(prefixes, table_name, syntax.call), true);
  }

  // The call rolled: a conditional call rolls the branch its condition chooses, and nothing when
  // the condition holds no comparison.
  static const CallPart kNothing;
  const CallPart* part = &syntax.first;
  if (syntax.conditional) {
    const std::optional<bool> holds = EvaluateCondition(syntax.condition);
    part = holds ? (*holds ? &syntax.first : &syntax.second) : &kNothing;
    prefixes.modifiers.clear();
    ApplyCallPrefixes(part->prefixes, prefixes, this);
    if (prefixes.link) {
      link_tag = RerollLinkTag(FormatInteger(NextLinkNumber()),
                               RerollRest(prefixes, table_name, part->target.text), false);
    }
  }
  const CallTarget& target = part->target;
  const int16_t modifier = RollModifierValue(target);

  std::string result;
  if (!target.name.empty()) {
    const std::string table(target.reference.has_table ? target.reference.table
                                                       : std::string_view(table_name));
    const std::string group(target.group);
    const std::vector<std::string> params = CallParameters(target);
    const bool fixed = target.modifier == '=';
    const int repeats = prefixes.repeat == 0 ? 1 : prefixes.repeat;
    for (int i = 0; i < repeats; ++i) {
      std::string rolled = RollGroup(table, group, {modifier, fixed, prefixes.reset}, params);
      // A group that does not exist is reported once, however often the call repeats it.
      if (rolled == kNotFoundMarker) {
        result = std::move(rolled);
        break;
      }
      if (!CountOutput(rolled.size(), result.size() + rolled.size(), table_name, line)) break;
      if (result.empty()) {
        result = std::move(rolled);
      } else {
        result += rolled;
      }
    }
  }
  if (!result.empty()) {
    if (result == kNotFoundMarker) {
      result = GroupNotFound(std::string(target.name), table_name, line);
    }
    result = ApplyCallFlags(std::move(result), prefixes.article, prefixes.capital);
  }
  if (prefixes.link) return link_tag.append(result).append(kLinkClosingTag);
  return result;
}

}  // namespace fablewick
