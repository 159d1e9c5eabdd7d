#include "engine/documents/driver.h"

#include "engine/documents/document.h"
#include "engine/error.h"
#include "engine/expansion/groupcall.h"
#include "engine/expansion/syntax.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

struct ParsedStartCall {
  CallPrefixes prefixes;
  int16_t modifier = 0;
  bool fixed = false;
  std::string table;
  std::string group = "Start";
  std::vector<std::string> params;
};

// Reads a start call. With `engine` null, a "D" prefix draws nothing.
ParsedStartCall ReadStartCall(std::string_view call_text, Engine* engine) {
  const StartCallSyntax syntax = ParseStartCall(call_text);
  ParsedStartCall parsed;
  ApplyCallPrefixes(syntax.prefixes, parsed.prefixes, engine);
  parsed.modifier = RollModifierValue(syntax.target);
  parsed.fixed = syntax.target.modifier == '=';
  parsed.table = syntax.table;
  if (syntax.has_group) parsed.group = syntax.group;
  if (syntax.has_parameters) parsed.params = SplitAll(syntax.parameters, ',');
  return parsed;
}

// A roll's text as the results show it: caret codes expanded.
std::string FinishedText(std::string text) {
  if (text.find('^') == std::string::npos) return text;
  return ExpandCaretCodes(text);
}

}  // namespace

int16_t ParseRollCount(std::string_view text) { return RoundToInt16(ParseLeadingNumber(text)); }

std::vector<std::string> RollTable(Engine& engine, const std::string& table, int16_t count) {
  std::vector<std::string> results;
  results.reserve(static_cast<std::size_t>(std::max<int16_t>(count, 0)));
  RollTable(engine, table, count,
            [&results](std::string&& text) { results.push_back(std::move(text)); });
  return results;
}

int16_t RollTable(Engine& engine, const std::string& table, int16_t count, const ResultSink& take) {
  std::string status = "Generating";
  engine.host().SetStatus(0, status);
  engine.BeginGeneration();
  const std::string start = "Start";
  int16_t made = 0;
  while (made < count) {
    engine.ResetNoRepeatGroups();
    std::string result = FinishedText(engine.RollTopLevel(table, start));
    take(std::move(result));
    // A sink that only read the result leaves it as it was: its memory serves the next roll.
    engine.RecycleResult(std::move(result));
    ++made;
    engine.host().SetStatus(0, status += ".");
    if (!engine.keep_running() || engine.StopRequested()) {
      engine.host().Yield();
      break;
    }
  }
  const int16_t rolled = made;
  for (; made < count; ++made) take(std::string());
  engine.host().SetStatus(0, "Done");
  return rolled;
}

std::string TableOfStartCall(std::string_view call_text) {
  return ReadStartCall(call_text, nullptr).table;
}

StartCallResult RollStartCall(Engine& engine, std::string_view call_text) {
  ParsedStartCall call = ReadStartCall(call_text, &engine);
  const int repeats = call.prefixes.repeat == 0 ? 1 : call.prefixes.repeat;
  std::string text;
  for (int i = 0; i < repeats; ++i) {
    text += engine.RollGroup(call.table, call.group,
                             {call.modifier, call.fixed, call.prefixes.reset}, call.params);
  }
  if (!text.empty()) {
    if (text == kNotFoundMarker) text = call.group;
    text = Engine::ApplyCallFlags(std::move(text), call.prefixes.article, call.prefixes.capital);
  }
  return {call.table, text};
}

std::vector<std::string> RollStartCalls(Engine& engine, std::string_view call_text, int16_t count,
                                        std::string* table) {
  std::vector<std::string> results;
  results.reserve(static_cast<std::size_t>(std::max<int16_t>(count, 0)));
  RollStartCalls(engine, call_text, count, table,
                 [&results](std::string&& text) { results.push_back(std::move(text)); });
  return results;
}

int16_t RollStartCalls(Engine& engine, std::string_view call_text, int16_t count,
                       std::string* table, const ResultSink& take) {
  std::string status;
  engine.BeginGeneration();
  int16_t made = 0;
  while (made < count) {
    engine.ResetNoRepeatGroups();
    StartCallResult rolled = RollStartCall(engine, call_text);
    take(FinishedText(std::move(rolled.text)));
    ++made;
    if (table != nullptr) *table = rolled.table;
    engine.host().SetStatus(0, status += ".");
    if (engine.StopRequested()) break;
  }
  const int16_t rolled = made;
  for (; made < count; ++made) take(std::string());
  engine.host().SetStatus(0, "Done");
  return rolled;
}

}  // namespace fablewick
