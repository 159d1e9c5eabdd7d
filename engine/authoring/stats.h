// Outcome statistics for table authors: a call rolled many times, and how often each result (or
// each entry of one group) came up.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "engine/engine.h"
#include "engine/host.h"

namespace fablewick {

struct StatsOptions {
  int64_t rolls = 10000;
  // When not empty, the entries chosen in this group are counted instead of whole results:
  // "Group" in the table of the call, or "Table.Group".
  std::string by_group;
};

struct OutcomeCount {
  std::string text;  // the result as made, or the entry's text as written
  int32_t line = 0;  // the entry's line in its table file when entries are counted; else 0
  int64_t count = 0;
};

// Of the outcomes that read as numbers: how many there were (each counted as often as it came
// up), and their smallest, mean and largest value.
struct NumberSummary {
  int64_t count = 0;
  double minimum = 0;
  double mean = 0;
  double maximum = 0;
};

struct OutcomeStats {
  std::string call;   // the call rolled, with its brackets
  std::string table;  // the table whose group was counted (entries only)
  std::string group;  // the group counted; empty when whole results were counted
  int64_t rolls = 0;  // rolls made (fewer than asked when the generation was stopped)
  int64_t total = 0;  // outcomes counted: one per roll, or one per entry chosen in the group
  std::vector<OutcomeCount> outcomes;  // most frequent first, then by line, then by text
  std::optional<NumberSummary> numbers;
};

enum class StatsStatus { kDone, kBadCall, kTableNotLoaded, kGroupNotFound };

struct StatsResult {
  StatsStatus status = StatsStatus::kDone;
  std::string problem;  // what went wrong, for a message, when status is not kDone
  OutcomeStats stats;
};

// Rolls `call` (a call as given at start-up, "[Table]" or "[N2~Table.Group+1]"; a call without
// its brackets is taken as if it had them) `options.rolls` times. Every roll starts afresh: the
// no-repeat groups are reset, every variable holds its initial value and the table's parameters
// their defaults, so the rolls do not depend on each other. Stops early when the generation is
// stopped. The engine's random generator is used as it stands (seed it for repeatable counts).
StatsResult CollectStats(Engine& engine, std::string_view call, const StatsOptions& options);

// The report: a heading, then one line per outcome with its count and percentage, most
// frequent first, and a line on the outcomes that read as numbers. Line breaks and tabs in a
// result are written as the caret codes "^M" and "^T", so that each result keeps to one line.
std::string FormatStats(const OutcomeStats& stats);

// A host in front of another that, once folding is on, passes on each distinct box only the
// first time: later showings of the same box are counted, and a question is given the answer
// it got the first time. Thousands of rolls of a faulty table then report each fault once.
// Status text, yielding and starting programs always pass through.
class RepeatedBoxFilter : public Host {
 public:
  explicit RepeatedBoxFilter(Host& inner) : inner_(inner) {}

  void set_folding(bool on) { folding_ = on; }
  // The boxes shown more than once: title and how often in all.
  std::vector<std::pair<std::string, int64_t>> Repeated() const;

  void MessageBox(const std::string& title, const std::string& text) override;
  bool OkCancelBox(const std::string& title, const std::string& text) override;
  bool YesNoBox(const std::string& title, const std::string& text) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_answer) override;
  void SetStatus(int panel, const std::string& text) override { inner_.SetStatus(panel, text); }
  void Yield() override { inner_.Yield(); }
  void ShowDebug(const std::string& caption, const std::vector<std::string>& lines) override;
  bool AllowShell(const std::string& table, const std::string& command_line) override;
  bool StartProgram(const std::vector<std::string>& arguments, std::string& error) override {
    return inner_.StartProgram(arguments, error);
  }

 private:
  struct Shown {
    int64_t times = 0;
    bool agreed = false;                // the first answer to OK/Cancel, Yes/No or Shell
    std::optional<std::string> answer;  // the first answer to an input box
  };
  // The record of a box by kind, title and text, counting this showing.
  Shown& Record(char kind, const std::string& title, const std::string& text);

  Host& inner_;
  bool folding_ = false;
  std::map<std::tuple<char, std::string, std::string>, Shown> shown_;
};

}  // namespace fablewick
