// The roll asked for on the command line: `fablewick "[Random Inn]:3"`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fablewick {

struct StartupCommand {
  std::string call_text;   // the call with its delimiters, "[Random Inn]"
  std::string count_text;  // the text after the first ":", "1" when there is none
};

// Splits a start-up command at ":": the call, then the count; further parts are ignored.
StartupCommand SplitStartupCommand(std::string_view command_line);

// The number of rolls a count text asks for: its leading number rounded halves to even
// ("2.5" gives 2, "abc" gives 0). nullopt for a negative count or one beyond 32767, which make
// no rolls.
std::optional<int16_t> StartupRollCount(std::string_view count_text);

// What the roll-count box shows after the start-up roll: the leading number of the count text
// in plain form, not rounded ("2.5" stays "2.5", "3x" gives "3").
std::string StartupCountBoxText(std::string_view count_text);

}  // namespace fablewick
