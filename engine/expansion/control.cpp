// The control blocks "{If~condition?then/else}", "{Loop~count,body}" and "{While~condition,body}".
// They arrive unexpanded; each expands only the parts it needs, when it needs them.
#include "engine/engine.h"
#include "engine/error.h"
#include "engine/expansion/condition.h"
#include "engine/expansion/syntax.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

// A While condition after the first pass: a number (true unless 0) or the words True / False.
bool ConditionAsBoolean(const std::string& text) {
  if (std::optional<double> number = ParseStrictNumber(text)) return *number != 0;
  const std::string_view word = TrimBlanks(text);
  if (EqualsIgnoreCase(word, "True")) return true;
  if (EqualsIgnoreCase(word, "False")) return false;
  throw EngineError(kTypeMismatch);
}

}  // namespace

std::string Engine::ExpandControlBlock(std::string_view inside, const std::string& table_name,
                                       int32_t line) {
  if (StopRequested()) return "";
  const ControlBlockSyntax block = ParseControlBlock(inside);
  if (block.kind == BlockKind::kIf) {
    if (!block.separated) throw EngineError(kInvalidCall);
    const std::string condition = ProcessString(block.head, kPlainText, table_name, line);
    const std::optional<bool> holds = EvaluateCondition(condition);
    if (!holds) return ProcessString("", kPlainText, table_name, line);
    return ProcessString(*holds ? block.body : block.other, kPlainText, table_name, line);
  }

  const bool is_loop = block.kind == BlockKind::kLoop;
  if (!block.separated) {
    return ErrorText("Error in '" + std::string(block.block) + "' - comma not found", table_name,
                     line);
  }
  const std::string_view head = block.head;
  const std::string_view body = block.body;
  std::string result;
  if (is_loop) {
    const int32_t count = StrictInt32(ProcessString(head, kPlainText, table_name, line));
    // The pass counter is a 16-bit number: 32768 passes cannot be counted.
    if (count > 32768) throw EngineError(kOverflow);
    for (int32_t pass = 0; pass < count; ++pass) {
      if (!g_bKeepRunning) {
        // Once the generation is stopped every pass left would expand to nothing at once; only
        // the count of expansion calls tells them apart.
        g_nIterations = static_cast<int32_t>(static_cast<uint32_t>(g_nIterations) +
                                             static_cast<uint32_t>(count - pass));
        break;
      }
      std::string pass_text = ProcessString(body, kPlainText, table_name, line);
      if (!CountOutput(pass_text.size(), result.size() + pass_text.size(), table_name, line)) {
        return result;
      }
      result += pass_text;
      // A generation stopped from outside (Ctrl-C, the Stop button) keeps what it made.
      if (StopRequested()) return result;
    }
    if (count == 32768) throw EngineError(kOverflow);
    return result;
  }
  bool running = StrictInt32(ProcessString(head, kPlainText, table_name, line)) != 0;
  while (running) {
    std::string pass_text = ProcessString(body, kPlainText, table_name, line);
    if (!CountOutput(pass_text.size(), result.size() + pass_text.size(), table_name, line)) {
      return result;
    }
    result += pass_text;
    if (StopRequested()) return result;
    running = ConditionAsBoolean(ProcessString(head, kPlainText, table_name, line));
  }
  return result;
}

}  // namespace fablewick
