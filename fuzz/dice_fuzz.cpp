// Dice expressions on arbitrary text. A roll either fails with the engine's own error or gives
// a whole number; a plain "NdS" roll lies between N and N times S.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/functions/dispatch.h"
#include "fuzz/fuzz_support.h"
#include "platform/text.h"

namespace fablewick {
namespace {

// Count and sides of a text of the plain form digits "d" digits (at most four digits each).
bool PlainRoll(std::string_view text, long& count, long& sides) {
  const std::size_t d = text.find('d');
  if (d == std::string_view::npos || d == 0 || d > 4 || text.size() - d - 1 > 4) return false;
  const auto digits = [](std::string_view part, long& value) {
    if (part.empty()) return false;
    for (char c : part) {
      if (c < '0' || c > '9') return false;
    }
    std::from_chars(part.data(), part.data() + part.size(), value);
    return true;
  };
  return digits(text.substr(0, d), count) && digits(text.substr(d + 1), sides) && count > 0 &&
         sides > 0;
}

void RollDice(std::string_view input) {
  static AnsweringHost host;
  static Engine engine(host);
  static const std::string table = "T";
  engine.Seed(input.size());
  const std::string args = DecodeFileText(input);
  static const FunctionHandler dice = FindFunction("Dice");
  const FunctionCall call{engine, args, table, -1, 1};
  std::string result;
  try {
    result = dice(call);
  } catch (const EngineError&) {
    return;  // reported by the dispatch boundary
  }
  long count = 0, sides = 0;
  if (!PlainRoll(args, count, sides)) return;
  long total = 0;
  const auto [end, error] = std::from_chars(result.data(), result.data() + result.size(), total);
  if (error != std::errc() || end != result.data() + result.size() || total < count ||
      total > count * sides) {
    std::fprintf(stderr, "Dice~%s gave \"%s\"\n", args.c_str(), result.c_str());
    abort();
  }
}

}  // namespace
}  // namespace fablewick

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fablewick::RollDice(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
