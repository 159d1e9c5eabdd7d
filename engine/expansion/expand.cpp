// Text expansion: finds the constructs of a text ("[...]" group calls, "%...%" variable reads,
// "|...|" assignments, "{...}" functions and blocks), expands the inside of each, completes it
// and puts the result in its place. Text produced by a substitution is scanned again.
//
// The result is defined as if the scan restarted at the first position after every
// substitution. Restarting would make the cost grow with the square of the text, so the scanner
// resumes where the substituted result begins: everything before that point was literal and
// stays literal, except an unpaired "|" or "%" that the new text can now pair. The scanner
// remembers where such a character stands and goes back to it only when the result holds its
// partner. RestartingScanner keeps the literal definition, for verification.
#include <algorithm>
#include <cstring>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/expansion/entry_plan.h"
#include "engine/expansion/syntax.h"
#include "engine/numbers.h"
#include "engine/stack.h"
#include "platform/text.h"

namespace fablewick {

// The linear scanner. The text before the scan position is kept in `out_`, the text from the
// scan position on in `buffer_` from `pos_` to its end. Results are put in front of the
// unscanned text in place of the consumed construct, so nothing behind them is copied again.
class Scanner {
 public:
  Scanner(Engine& engine, const std::string& table, int32_t line)
      : engine_(engine), table_(table), line_(line) {}

  // `text` must stay unchanged until the scan ends: it is read in place, and copied only when a
  // result has to be put in front of the unscanned rest.
  std::string Run(std::string_view text) {
    if (!HasOpener(text)) return std::string(text);
    buffer_ = text;
    pos_ = 0;
    // Results are usually longer than the calls they replace: room for some growth saves
    // reallocating on the first few.
    out_.reserve(text.size() * 2 + 32);
    while (pos_ < buffer_.size()) Step();
    return std::move(out_);
  }

  // Takes over a scan that has just put `result` in place of a construct: `done` is the text
  // before the construct, with no unpaired "|" or "%" in it, and `rest` the unscanned text after
  // it, which must stay unchanged until the scan ends. The result has been counted.
  std::string Resume(std::string_view done, std::string_view result, std::string_view rest) {
    out_.assign(done);
    buffer_ = rest;
    pos_ = 0;
    Place(result, 0, 1);
    while (pos_ < buffer_.size()) Step();
    return std::move(out_);
  }

  // The whole text as it stands now, for the error box.
  std::string CurrentText() const {
    std::string text = out_;
    text.append(buffer_.substr(std::min(pos_, buffer_.size())));
    return text;
  }

 private:
  struct Region {
    std::size_t end_from_back;  // the region ends this many bytes before the buffer's end
    int depth;                  // how many substitutions produced its text
  };

  void Step() {
    const char c = buffer_[pos_];
    switch (c) {
      case '|':
        return Pipe();
      case '%':
        return Percent();
      case '[':
        if (PreviousIsSlash()) return Literal(1);
        return Bracketed();
      case '{':
        return Bracketed();
      default:
        return LiteralRun();
    }
  }

  bool PreviousIsSlash() const { return !out_.empty() && out_.back() == '/'; }

  void Literal(std::size_t count) {
    out_.append(buffer_.substr(pos_, count));
    pos_ += count;
  }

  void LiteralRun() {
    std::size_t end = pos_ + 1;
    while (end < buffer_.size() && !IsOpener(buffer_[end])) ++end;
    Literal(end - pos_);
  }

  // The next `c` after the scan position, or kNoPosition. `free_tail` counts the bytes at the end
  // of the buffer known to hold no `c`; the tail is never changed, only consumed, so a search that
  // found nothing need never be repeated there.
  std::size_t FindAhead(char c, std::size_t& free_tail) {
    const std::size_t remaining = buffer_.size() - pos_;
    free_tail = std::min(free_tail, remaining);
    const std::size_t limit = buffer_.size() - free_tail;
    const void* found =
        pos_ + 1 < limit ? std::memchr(buffer_.data() + pos_ + 1, c, limit - pos_ - 1) : nullptr;
    if (found == nullptr) {
      free_tail = remaining - 1;
      return kNoPosition;
    }
    return static_cast<std::size_t>(static_cast<const char*>(found) - buffer_.data());
  }

  void Pipe() {
    std::size_t close = FindAhead('|', pipe_free_tail_);
    if (close == kNoPosition) {
      pending_pipe_ = out_.size();
      return Literal(1);
    }
    Substitute(close, engine_.ProcessString(Inside(close), kAssignment, table_, line_));
  }

  void Percent() {
    if (PreviousIsSlash()) return Literal(1);
    std::size_t close = FindAhead('%', percent_free_tail_);
    if (close == kNoPosition) {
      pending_percent_ = out_.size();
      return Literal(1);
    }
    Substitute(close, engine_.ProcessString(Inside(close), kVariableRead, table_, line_));
  }

  // A "[" or "{" at the scan position.
  void Bracketed() {
    const char opener = buffer_[pos_];
    std::size_t close = FindPartner(buffer_, pos_);
    const std::size_t end = close == kNoPosition ? buffer_.size() : close;
    std::string_view inside = buffer_.substr(pos_ + 1, end - pos_ - 1);
    std::string result;
    if (opener == '{' && BlockKindOf(inside) != BlockKind::kNone) {
      result = engine_.ExpandControlBlock(inside, table_, line_);
    } else {
      const int kind = opener == '[' ? kGroupCall : kFunctionCall;
      result = engine_.ProcessString(inside, kind, table_, line_);
    }
    // An opener without its partner takes the rest of the text: the construct is completed,
    // then putting its result in place fails.
    if (close == kNoPosition) throw EngineError(kInvalidCall);
    Substitute(close, std::move(result));
  }

  std::string_view Inside(std::size_t close) const {
    return buffer_.substr(pos_ + 1, close - pos_ - 1);
  }

  // Depth of the text at the scan position: regions the scan has left behind are dropped.
  int DepthHere() {
    const std::size_t remaining = buffer_.size() - pos_;
    while (!regions_.empty() && regions_.back().end_from_back >= remaining) regions_.pop_back();
    return regions_.empty() ? 0 : regions_.back().depth;
  }

  // Replaces the construct from the scan position to `close` by `result`.
  void Substitute(std::size_t close, std::string result) {
    const int depth = DepthHere() + 1;
    const std::size_t consumed_end = close + 1;
    const std::size_t text_size = out_.size() + (buffer_.size() - consumed_end) + result.size();
    if (!engine_.CountOutput(result.size(), text_size, table_, line_)) {
      pos_ = consumed_end;
      return;
    }
    Place(result, consumed_end, depth);
  }

  // Puts `result`, made by substitutions `depth` deep, where the consumed text ended.
  void Place(std::string_view result, std::size_t consumed_end, int depth) {
    if (!HasOpener(result)) {
      // Plain text cannot start a construct here or pair an earlier "|" or "%": it is final.
      out_ += result;
      pos_ = consumed_end;
      return;
    }
    if (depth > kMaxNesting) {
      engine_.NestingTooDeep(table_, line_);
      pos_ = consumed_end;
      return;
    }
    // Go back to an earlier unpaired "|" or "%" that the result now pairs.
    std::size_t back = out_.size();
    if (pending_pipe_ != kNoPosition && result.find('|') != kNoPosition)
      back = std::min(back, pending_pipe_);
    if (pending_percent_ != kNoPosition && result.find('%') != kNoPosition) {
      back = std::min(back, pending_percent_);
    }
    if (pending_pipe_ != kNoPosition && pending_pipe_ >= back) pending_pipe_ = kNoPosition;
    if (pending_percent_ != kNoPosition && pending_percent_ >= back) pending_percent_ = kNoPosition;
    std::string_view moved = std::string_view(out_).substr(back);
    PutInFront(moved, result, consumed_end);
    out_.resize(back);
    const std::size_t tail = buffer_.size() - consumed_end_after_put_;
    while (!regions_.empty() && regions_.back().end_from_back >= tail) regions_.pop_back();
    regions_.push_back({tail, depth});
    // Only the text behind the new result is unchanged; what was known of the rest is void.
    pipe_free_tail_ = std::min(pipe_free_tail_, tail);
    percent_free_tail_ = std::min(percent_free_tail_, tail);
  }

  // Puts `a` then `b` in front of the unscanned text that begins at `consumed_end`.
  void PutInFront(std::string_view a, std::string_view b, std::size_t consumed_end) {
    const std::size_t need = a.size() + b.size();
    if (need <= consumed_end) {
      if (!owned_) {  // the text is still the caller's: take a copy to write into
        storage_.assign(buffer_);
        buffer_ = storage_;
        owned_ = true;
      }
      pos_ = consumed_end - need;
      std::memcpy(storage_.data() + pos_, a.data(), a.size());
      std::memcpy(storage_.data() + pos_ + a.size(), b.data(), b.size());
      consumed_end_after_put_ = consumed_end;
      return;
    }
    // Not enough consumed room: rebuild with free room in front, as much again as the text, so
    // that rebuilding stays rare.
    const std::size_t tail = buffer_.size() - consumed_end;
    const std::size_t slack = std::max<std::size_t>(need + tail, 256);
    std::string rebuilt;
    rebuilt.reserve(slack + need + tail);
    rebuilt.append(slack, '\0');
    rebuilt.append(a).append(b).append(buffer_.substr(consumed_end, tail));
    storage_.swap(rebuilt);
    buffer_ = storage_;
    owned_ = true;
    pos_ = slack;
    consumed_end_after_put_ = slack + need;
  }

  Engine& engine_;
  const std::string& table_;
  const int32_t line_;
  std::string out_;
  std::string_view buffer_;  // the caller's text until a result is put in front, then storage_
  std::string storage_;
  bool owned_ = false;
  std::size_t pos_ = 0;
  std::size_t consumed_end_after_put_ = 0;
  std::size_t pending_pipe_ = kNoPosition;
  std::size_t pending_percent_ = kNoPosition;
  std::size_t pipe_free_tail_ = 0;
  std::size_t percent_free_tail_ = 0;
  std::vector<Region> regions_;
};

// The literal definition: after every substitution the scan starts again at the first position.
// Its cost grows with the square of the text; it exists to check the linear scanner against.
class RestartingScanner {
 public:
  RestartingScanner(Engine& engine, const std::string& table, int32_t line)
      : engine_(engine), table_(table), line_(line) {}

  std::string Run(std::string_view input) {
    text_.assign(input);
    for (int substitutions = 0;; ++substitutions) {
      if (substitutions > kMaxNesting * 64) return text_ + engine_.NestingTooDeep(table_, line_);
      if (!SubstituteFirst()) return text_;
    }
  }

  std::string CurrentText() const { return text_; }

 private:
  // Finds the first construct, replaces it and answers true; false when there is none.
  bool SubstituteFirst() {
    for (std::size_t p = 0; p < text_.size(); ++p) {
      const char c = text_[p];
      const bool slash_before = IsEscaped(text_, p);
      std::size_t close = kNoPosition;
      std::string result;
      if (c == '|' || (c == '%' && !slash_before)) {
        close = text_.find(c, p + 1);
        if (close == kNoPosition) continue;
        const int kind = c == '|' ? kAssignment : kVariableRead;
        result = engine_.ProcessString(Slice(p, close), kind, table_, line_);
      } else if ((c == '[' && !slash_before) || c == '{') {
        close = FindPartner(text_, p);
        std::string_view inside = Slice(p, close == kNoPosition ? text_.size() : close);
        if (c == '{' && BlockKindOf(inside) != BlockKind::kNone) {
          result = engine_.ExpandControlBlock(inside, table_, line_);
        } else {
          result =
              engine_.ProcessString(inside, c == '[' ? kGroupCall : kFunctionCall, table_, line_);
        }
        if (close == kNoPosition) throw EngineError(kInvalidCall);
      } else {
        continue;
      }
      text_ = text_.substr(0, p) + result + text_.substr(close + 1);
      return true;
    }
    return false;
  }

  std::string_view Slice(std::size_t open, std::size_t close) const {
    return std::string_view(text_).substr(open + 1, close - open - 1);
  }

  Engine& engine_;
  const std::string& table_;
  const int32_t line_;
  std::string text_;
};

namespace {

// Scans the text, then completes the construct. The text the error box shows is kept only when
// something fails: the scanned text if the scan ended, else the text as the scan left it.
template <typename ScannerType>
std::string ScanAndComplete(Engine& engine, std::string_view text, int kind,
                            const std::string& table_name, int32_t line,
                            std::string (Engine::*complete)(std::string_view, int,
                                                            const std::string&, int32_t),
                            std::string& text_on_failure) {
  std::string scanned;
  {
    ScannerType scanner(engine, table_name, line);
    try {
      scanned = scanner.Run(text);
    } catch (...) {
      text_on_failure = scanner.CurrentText();
      throw;
    }
  }
  if (kind == kPlainText) return scanned;
  try {
    return (engine.*complete)(scanned, kind, table_name, line);
  } catch (...) {
    text_on_failure = std::move(scanned);
    throw;
  }
}

}  // namespace

bool Engine::FinishOutermost(std::string& out, std::size_t start) {
  if (stop_message_.empty()) return false;
  // Text cut off at the output limit is not worth keeping, and holding it is what the limit is
  // there to prevent.
  if (output_too_large_) out.resize(start);
  out += stop_message_;
  stop_message_.clear();
  return true;
}

void Engine::ReportFailedExpansion(std::string_view table_name, int32_t line,
                                   std::string_view text) {
  const Failure failure = CurrentFailure();
  // A generation stopped from outside fails wherever it stands; that is no error to show.
  if (!StopRequested()) {
    ShowErrorBox("ProcessString", table_name, line, text, failure.number, failure.description);
  }
}

std::string Engine::ProcessString(std::string_view text, int kind, const std::string& table_name,
                                  int32_t line) {
  if (depth_ > 0) return ProcessStringNested(text, kind, table_name, line);
  // The outermost expansion gives the message of a generation stopped by too deep nesting.
  std::string result = ProcessStringNested(text, kind, table_name, line);
  FinishOutermost(result, 0);
  return result;
}

std::string Engine::ProcessStringNested(std::string_view text, int kind,
                                        const std::string& table_name, int32_t line) {
  if (!EnterExpansion(text.size(), table_name, line)) return "";
  LevelGuard level(*this);
  std::string text_on_failure;
  try {
    if (restarting_scan_) {
      return ScanAndComplete<RestartingScanner>(*this, text, kind, table_name, line,
                                                &Engine::CompleteConstruct, text_on_failure);
    }
    return ScanAndComplete<Scanner>(*this, text, kind, table_name, line, &Engine::CompleteConstruct,
                                    text_on_failure);
  } catch (...) {
    ReportFailedExpansion(table_name, line, text_on_failure);
  }
  return "";
}

// Kept apart from ExpandPlannedEntry, which it would otherwise burden with the scanner's frame on
// every call.
[[gnu::noinline]] void Engine::ResumeScan(const std::string& table_name, int32_t line,
                                          std::size_t start, std::size_t result_begin,
                                          std::string_view rest, std::string& out) {
  const std::string done = out.substr(start, result_begin - start);
  const std::string result = out.substr(result_begin);
  out.resize(start);
  Scanner scanner(*this, table_name, line);
  try {
    out += scanner.Resume(done, result, rest);
  } catch (...) {
    ReportFailedExpansion(table_name, line, scanner.CurrentText());
  }
}

std::string Engine::CompleteConstruct(std::string_view scanned, int kind,
                                      const std::string& table_name, int32_t line) {
  // Once the generation is stopped, a construct is not completed: its inside may be anything.
  // Plain text keeps what was made before the stop.
  if (StopRequested() && kind != kPlainText) return "";
  switch (kind) {
    case kPlainText:
      return std::string(scanned);
    case kVariableRead:
      return ReadVariable(scanned, table_name, line);
    case kAssignment:
      return Assign(scanned, table_name, line);
    case kGroupCall:
      return ExpandGroupCall(scanned, table_name, line);
    case kFunctionCall:
      return ProcessFunction(scanned, table_name, line);
    default:
      return "";
  }
}

std::string Engine::ReadVariable(std::string_view inside, const std::string& table_name,
                                 int32_t line) {
  const int t = FindTableIndex(table_name);
  if (t < 0) return "";
  const std::string name(VariableName(inside));
  const Table& table = TableAt(t);
  const int v = table.FindVariable(name);
  if (v < 0) {
    return ErrorText("Tried to reference non-existent variable '" + name + "'", table_name, line);
  }
  return table.Vars[static_cast<std::size_t>(v)].Value;
}

std::string Engine::Assign(std::string_view inside, const std::string& table_name, int32_t line) {
  const int t = FindTableIndex(table_name);
  if (t < 0) return "";
  const AssignmentSyntax assignment = ParseAssignment(inside);
  if (!assignment.has_operator) return "";
  const std::string name(assignment.name);
  const std::string_view operand = assignment.operand;
  Table& table = TableAt(t);
  const int v = table.FindVariable(name);
  if (v < 0) {
    return ErrorText("Error in '" + std::string(inside) + "' - variable not found", table_name,
                     line);
  }
  std::string& value = table.Vars[static_cast<std::size_t>(v)].Value;
  const double current = ParseLeadingNumber(value);
  const double number = ParseLeadingNumber(operand);
  switch (assignment.op) {
    case '+':
      value = FormatGeneralNumber(current + number);
      break;
    case '-':
      value = FormatGeneralNumber(current - number);
      break;
    case '*':
      value = FormatGeneralNumber(current * number);
      break;
    case '/':
      if (number == 0) throw EngineError(kDivisionByZero);
      value = FormatGeneralNumber(current / number);
      break;
    case '\\': {
      const int32_t dividend = RoundToInt32(current);
      const int32_t divisor = RoundToInt32(number);
      if (divisor == 0) throw EngineError(kDivisionByZero);
      if (dividend == INT32_MIN && divisor == -1) throw EngineError(kOverflow);
      value = FormatInteger(dividend / divisor);
      break;
    }
    case '=':
      value = operand;
      break;
    case '<':
      if (current > number) value = operand;
      break;
    case '>':
      if (current < number) value = operand;
      break;
    case '&':
      value += operand;
      break;
  }
  return "";
}

}  // namespace fablewick
