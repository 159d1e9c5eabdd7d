// Completing group calls: the prefixes of a call (read by syntax.h) turned into its flags, shared
// by group calls in text and by the call given on the command line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fablewick {

class Engine;

struct CallPrefixes {
  std::string modifiers;  // the prefixes seen, re-encoded for re-roll links
  bool capital = false;   // "CC~"
  bool article = false;   // "CN~"
  bool link = false;      // "L?~"
  bool reset = false;     // "R?~"
  int16_t repeat = 0;     // "N#~" or "D#~"; 0 means once
};

// Applies the prefixes of `run`, a run of prefixes as ReadPrefix reads them, left to right. A
// non-digit after "N" or "D" fails with a type mismatch. The "D" prefix draws its repeat count
// from `engine`; without one it counts as once.
void ApplyCallPrefixes(std::string_view run, CallPrefixes& prefixes, Engine* engine);

}  // namespace fablewick
