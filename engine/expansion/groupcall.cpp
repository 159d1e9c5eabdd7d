// Group calls written in brackets: "[" prefixes table "." group modifier "(" parameters ")" "]",
// or a conditional call "[" condition "?" call "/" call "]".
#include "engine/expansion/groupcall.h"

#include "engine/documents/link_markup.h"
#include "engine/engine.h"
#include "engine/error.h"
#include "engine/expansion/condition.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

int16_t DigitAfterPrefix(std::string_view second) {
  if (second.size() != 1 || second[0] < '0' || second[0] > '9') throw EngineError(kTypeMismatch);
  return static_cast<int16_t>(second[0] - '0');
}

// What a re-roll link's address holds after "://": the prefixes to roll with, then the call,
// which names its table.
std::string RerollRest(const CallPrefixes& prefixes, std::string_view table,
                       std::string_view call) {
  std::string rest = prefixes.modifiers;
  if (call.find('.') == std::string_view::npos) rest.append(table).append(".");
  rest.append(call);
  return rest;
}

}  // namespace

bool IsBareGroupName(std::string_view call) {
  for (char c : call) {
    switch (c) {
      case '~':
      case '.':
      case '?':
      case '+':
      case '-':
      case '=':
      case '(':
        return false;
      default:
        break;
    }
  }
  return true;
}

void ReadCallPrefixes(std::string& call, CallPrefixes& prefixes, Engine* engine) {
  for (;;) {
    const std::size_t third = ByteOffsetOfCodePoint(call, 2);
    if (third >= call.size() || call[third] != '~') return;
    const std::string_view first = SubstrCodePoints(call, 0, 1);
    const std::string_view second = SubstrCodePoints(call, 1, 1);
    if (first == "C") {
      if (second == "C") {
        prefixes.capital = true;
        prefixes.modifiers += "CC~";
      } else if (second == "N") {
        prefixes.article = true;
        prefixes.modifiers += "CN~";
      }
    } else if (first == "N") {
      prefixes.repeat = DigitAfterPrefix(second);
      prefixes.modifiers += "N" + FormatInteger(prefixes.repeat) + "~";
    } else if (first == "D") {
      const int16_t sides = DigitAfterPrefix(second);
      prefixes.repeat =
          engine != nullptr ? static_cast<int16_t>(engine->RandomBetween(1, sides)) : int16_t{1};
      prefixes.modifiers += "D" + FormatInteger(prefixes.repeat) + "~";
    } else if (first == "R") {
      prefixes.reset = true;
      prefixes.modifiers += "RS~";
    } else if (first == "L") {
      prefixes.link = true;
    }
    call.erase(0, third + 1);
  }
}

RollModifier ReadRollModifier(std::string& call) {
  RollModifier modifier;
  std::size_t at = call.find('+');
  if (at != std::string::npos) {
    modifier.value = RoundToInt16(ParseLeadingNumber(std::string_view(call).substr(at + 1)));
  } else if ((at = call.find('-')) != std::string::npos) {
    modifier.value = RoundToInt16(ParseLeadingNumber(std::string_view(call).substr(at)));
  } else if ((at = call.find('=')) != std::string::npos) {
    modifier.value = RoundToInt16(ParseLeadingNumber(std::string_view(call).substr(at + 1)));
    modifier.fixed = true;
  } else {
    return modifier;
  }
  call.resize(at);
  return modifier;
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

  std::string call(inside);
  CallPrefixes prefixes;
  ReadCallPrefixes(call, prefixes, this);

  std::string link_tag;
  if (prefixes.link) {
    link_tag = RerollLinkTag(FormatInteger(NextLinkNumber()),
                             RerollRest(prefixes, table_name, call), true);
  }

  const std::size_t question = call.find('?');
  if (question != std::string::npos) {
    const std::string_view condition = TrimBlanks(std::string_view(call).substr(0, question));
    const std::string_view rest = std::string_view(call).substr(question + 1);
    const std::size_t slash = rest.find('/');
    const std::string_view first = TrimBlanks(rest.substr(0, slash));
    const std::string_view second =
        slash == std::string_view::npos ? std::string_view() : TrimBlanks(rest.substr(slash + 1));
    const std::optional<bool> holds = EvaluateCondition(condition);
    std::string chosen(holds ? (*holds ? first : second) : std::string_view());
    call = std::move(chosen);
    prefixes.modifiers.clear();
    ReadCallPrefixes(call, prefixes, this);
    if (prefixes.link) {
      link_tag = RerollLinkTag(FormatInteger(NextLinkNumber()),
                               RerollRest(prefixes, table_name, call), false);
    }
  }

  const RollModifier modifier = ReadRollModifier(call);

  std::string table = table_name;
  std::string group = call;
  const std::size_t dot = call.find('.');
  if (dot != std::string::npos) {
    table = call.substr(0, dot);
    group = call.substr(dot + 1);
  }
  std::vector<std::string> params;
  const std::size_t open = group.find('(');
  if (open != std::string::npos) {
    const std::size_t close = group.find(')', open + 1);
    if (close != std::string::npos) {
      params = SplitAll(std::string_view(group).substr(open + 1, close - open - 1), ',');
      group.resize(open);
    }
  }

  std::string result;
  if (!call.empty()) {
    const int repeats = prefixes.repeat == 0 ? 1 : prefixes.repeat;
    for (int i = 0; i < repeats; ++i) {
      std::string rolled =
          RollGroup(table, group, {modifier.value, modifier.fixed, prefixes.reset}, params);
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
      result = GroupNotFound(call, table_name, line);
    }
    result = ApplyCallFlags(std::move(result), prefixes.article, prefixes.capital);
  }
  if (prefixes.link) return link_tag.append(result).append(kLinkClosingTag);
  return result;
}

}  // namespace fablewick
