// Reading the parts of a group call: its prefixes and its roll modifier. Shared by group calls in
// text and by the call given on the command line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fablewick {

class Engine;

// Whether a call is a bare group name of the calling table: no prefix, table, condition, roll
// modifier or parameters. Such calls are the commonest by far and need no taking apart.
bool IsBareGroupName(std::string_view call);

struct CallPrefixes {
  std::string modifiers;  // the prefixes seen, re-encoded for re-roll links
  bool capital = false;   // "CC~"
  bool article = false;   // "CN~"
  bool link = false;      // "L?~"
  bool reset = false;     // "R?~"
  int16_t repeat = 0;     // "N#~" or "D#~"; 0 means once
};

// Removes the three-character prefixes at the start of `call` (each ends in "~" as its third
// character) and records them. A non-digit after "N" or "D" fails with a type mismatch. The "D"
// prefix draws its repeat count from `engine`; without one it counts as once.
void ReadCallPrefixes(std::string& call, CallPrefixes& prefixes, Engine* engine);

struct RollModifier {
  int16_t value = 0;
  bool fixed = false;
};

// Cuts the roll modifier off `call`: the number after the first "+", else the number from the
// first "-" on, else the number after the first "=" as a fixed roll.
RollModifier ReadRollModifier(std::string& call);

}  // namespace fablewick
