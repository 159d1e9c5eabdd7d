// The control blocks "{If~condition?then/else}", "{Loop~count,body}" and "{While~condition,body}".
// They arrive unexpanded; each expands only the parts it needs, when it needs them.
#include "engine/expansion/control.h"

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/expansion/condition.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {

std::size_t FindTopLevel(std::string_view text, char separator, std::size_t from) {
  int braces = 0, brackets = 0;
  bool odd_percent = false, odd_pipe = false;
  for (std::size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (c == separator && braces == 0 && brackets == 0 && !odd_percent && !odd_pipe) return i;
    switch (c) {
      case '{':
        ++braces;
        break;
      case '}':
        --braces;
        break;
      case '[':
        ++brackets;
        break;
      case ']':
        --brackets;
        break;
      case '%':
        odd_percent = !odd_percent;
        break;
      case '|':
        odd_pipe = !odd_pipe;
        break;
    }
  }
  return std::string_view::npos;
}

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
  if (inside.starts_with("If~")) {
    const std::string_view block = inside.substr(3);
    const std::size_t question = FindTopLevel(block, '?');
    if (question == std::string_view::npos) throw EngineError(kInvalidCall);
    const std::size_t slash = FindTopLevel(block, '/', question + 1);
    const std::string_view then_text = block.substr(question + 1, slash - question - 1);
    const std::string_view else_text =
        slash == std::string_view::npos ? std::string_view() : block.substr(slash + 1);
    const std::string condition =
        ProcessString(block.substr(0, question), kPlainText, table_name, line);
    const std::optional<bool> holds = EvaluateCondition(condition);
    if (!holds) return ProcessString("", kPlainText, table_name, line);
    return ProcessString(*holds ? then_text : else_text, kPlainText, table_name, line);
  }

  const bool is_loop = inside.starts_with("Loop~");
  const std::string_view block = inside.substr(is_loop ? 5 : 6);
  const std::size_t comma = FindTopLevel(block, ',');
  if (comma == std::string_view::npos) {
    return ErrorText("Error in '" + std::string(block) + "' - comma not found", table_name, line);
  }
  const std::string_view head = block.substr(0, comma);
  const std::string_view body = block.substr(comma + 1);
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
