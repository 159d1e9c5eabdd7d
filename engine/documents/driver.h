// Rolling a table as the Roll command does, and rolling a call given as text at start-up.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"

namespace fablewick {

// The roll count typed by the person: the leading number rounded halves-to-even to 16 bits.
// Throws EngineError(kOverflow) outside that width.
int16_t ParseRollCount(std::string_view text);

// Rolls group "Start" of `table` `count` times as top-level rolls, resetting the no-repeat
// groups before each, and returns one text per roll with its caret codes expanded. When the
// generation is stopped, the rolls not made stay empty. The status panel 0 follows the rolls.
std::vector<std::string> RollTable(Engine& engine, const std::string& table, int16_t count);

// Receives the text of each roll as soon as it is made, in order. A sink may move the text
// away to keep it; one that only reads it leaves its memory to RollTable's next roll.
using ResultSink = std::function<void(std::string&& text)>;

// The same rolls, each handed to `take` as soon as it is made instead of being kept; the rolls
// not made after a stop are handed over empty. Returns how many rolls were made: `count`, or
// fewer after a stop.
int16_t RollTable(Engine& engine, const std::string& table, int16_t count, const ResultSink& take);

struct StartCallResult {
  std::string table;
  std::string text;
};

// Rolls a call written like a group call with one delimiter at each end ("[Loot]",
// "[N3~Loot.Start(1,2)]"); a call without a group rolls "Start". Not a top-level roll.
StartCallResult RollStartCall(Engine& engine, std::string_view call_text);

// The table a start call names, without rolling it. Throws EngineError when the call is
// malformed (a non-digit after an "N" or "D" prefix).
std::string TableOfStartCall(std::string_view call_text);

// The start-up roll: `count` rolls of the call, each after resetting the no-repeat groups.
// Returns the texts (caret codes expanded) and the table name of the last roll.
std::vector<std::string> RollStartCalls(Engine& engine, std::string_view call_text, int16_t count,
                                        std::string* table);
int16_t RollStartCalls(Engine& engine, std::string_view call_text, int16_t count,
                       std::string* table, const ResultSink& take);

}  // namespace fablewick
