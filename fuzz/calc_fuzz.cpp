// "Calc" on arbitrary argument text: the evaluator may fail only with the engine's own error
// (which the dispatch boundary turns into an error box), never with any other exception, and a
// text it accepts comes back as a number or one of its own error texts.
#include <cstddef>
#include <cstdint>
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

void Evaluate(std::string_view input) {
  static AnsweringHost host;
  static Engine engine(host);
  static const std::string table = "T";
  const std::string args = DecodeFileText(input);
  static const FunctionHandler calc = FindFunction("Calc");
  const FunctionCall call{engine, args, table, -1, 1};
  try {
    const std::string result = calc(call);
    host.shown += result.size();
  } catch (const EngineError&) {
    // Reported by the dispatch boundary as an error box: a sound outcome.
  }
}

}  // namespace
}  // namespace fablewick

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fablewick::Evaluate(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
