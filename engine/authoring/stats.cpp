#include "engine/authoring/stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "engine/documents/document.h"
#include "engine/documents/driver.h"
#include "engine/error.h"
#include "engine/expansion/syntax.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

// Counts the entries chosen in one group of one table.
class EntryCounter : public RollObserver {
 public:
  EntryCounter(std::string table, const Group& group)
      : table_(std::move(table)), group_(group), counts_(group.Entries.size(), 0) {}

  void EntryChosen(const std::string& table, const Group& group, std::size_t entry) override {
    // The roller always takes the first group of a name, so the name tells the group.
    if (table != table_ || group.Name != group_.Name || entry >= counts_.size()) return;
    ++counts_[entry];
  }

  // Every entry of the group, those never chosen included.
  std::vector<OutcomeCount> Outcomes() const {
    std::vector<OutcomeCount> outcomes;
    for (std::size_t e = 0; e < counts_.size(); ++e) {
      outcomes.push_back({group_.Entries[e].Text, group_.Entries[e].Line, counts_[e]});
    }
    return outcomes;
  }

 private:
  std::string table_;
  const Group& group_;
  std::vector<int64_t> counts_;
};

std::optional<NumberSummary> SummariseNumbers(const std::vector<OutcomeCount>& outcomes) {
  NumberSummary summary;
  double sum = 0;
  for (const OutcomeCount& outcome : outcomes) {
    const std::optional<double> value = ParseStrictNumber(outcome.text);
    if (!value || outcome.count == 0) continue;
    if (summary.count == 0 || *value < summary.minimum) summary.minimum = *value;
    if (summary.count == 0 || *value > summary.maximum) summary.maximum = *value;
    summary.count += outcome.count;
    sum += *value * static_cast<double>(outcome.count);
  }
  if (summary.count == 0) return std::nullopt;
  summary.mean = sum / static_cast<double>(summary.count);
  return summary;
}

// A result on one line: line breaks and tabs as the caret codes that write them.
std::string OnOneLine(std::string_view text) {
  if (text.empty()) return "(empty)";
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      line += "^M";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\t') {
      line += "^T";
    } else {
      line += text[i];
    }
  }
  return line;
}

std::string Percent(int64_t count, int64_t total) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f%%",
                total == 0 ? 0.0 : 100.0 * static_cast<double>(count) / static_cast<double>(total));
  return buffer;
}

std::string PadLeft(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

}  // namespace

StatsResult CollectStats(Engine& engine, std::string_view call, const StatsOptions& options) {
  StatsResult result;
  OutcomeStats& stats = result.stats;
  stats.call = WithCallBrackets(call);
  std::string table_name;
  try {
    table_name = TableOfStartCall(stats.call);
  } catch (const EngineError& error) {
    result.status = StatsStatus::kBadCall;
    result.problem = "the call " + stats.call + " cannot be read: " + error.description();
    return result;
  }
  // Chosen as a roll chooses it, so that every roll starts with the table's parameters at their
  // defaults.
  const int table_index = engine.SelectTable(table_name).index;
  if (table_index < 0) {
    result.status = StatsStatus::kTableNotLoaded;
    result.problem = "table \"" + table_name + "\" cannot be loaded";
    return result;
  }

  std::optional<EntryCounter> counter;
  if (!options.by_group.empty()) {
    const GroupReference reference = SplitGroupReference(options.by_group);
    stats.table = reference.has_table ? std::string(reference.table) : table_name;
    stats.group = reference.group;
    const int index = engine.GetTable(stats.table);
    if (index < 0) {
      result.status = StatsStatus::kTableNotLoaded;
      result.problem = "table \"" + stats.table + "\" cannot be loaded";
      return result;
    }
    const Group* group = engine.TableAt(index).FindGroup(stats.group);
    if (group == nullptr) {
      result.status = StatsStatus::kGroupNotFound;
      result.problem =
          "group \"" + stats.group + "\" does not exist in table \"" + stats.table + "\"";
      return result;
    }
    counter.emplace(stats.table, *group);
    engine.set_roll_observer(&*counter);
  }

  std::unordered_map<std::string, int64_t> results;
  engine.BeginGeneration();
  for (; stats.rolls < options.rolls; ++stats.rolls) {
    engine.ResetNoRepeatGroups();
    engine.StartTopLevelRoll(table_index);
    StartCallResult rolled = RollStartCall(engine, stats.call);
    if (!counter) ++results[ExpandCaretCodes(rolled.text)];
    if (engine.StopRequested() || !engine.keep_running()) {
      ++stats.rolls;
      break;
    }
  }
  engine.set_roll_observer(nullptr);

  if (counter) {
    stats.outcomes = counter->Outcomes();
  } else {
    // The texts are moved out of the map: thousands of long results are not copied again.
    stats.outcomes.reserve(results.size());
    while (!results.empty()) {
      auto node = results.extract(results.begin());
      stats.outcomes.push_back({std::move(node.key()), 0, node.mapped()});
    }
  }
  for (const OutcomeCount& outcome : stats.outcomes) stats.total += outcome.count;
  std::sort(stats.outcomes.begin(), stats.outcomes.end(),
            [](const OutcomeCount& a, const OutcomeCount& b) {
              if (a.count != b.count) return a.count > b.count;
              if (a.line != b.line) return a.line < b.line;
              return a.text < b.text;
            });
  stats.numbers = SummariseNumbers(stats.outcomes);
  return result;
}

std::string FormatStats(const OutcomeStats& stats) {
  const bool entries = !stats.group.empty();
  std::string out =
      FormatInteger(stats.rolls) + (stats.rolls == 1 ? " roll of " : " rolls of ") + stats.call;
  if (entries) {
    out += ": " + FormatInteger(stats.total) + " entries chosen in group \"" + stats.group +
           "\" of table \"" + stats.table + "\"";
  }
  out += "\n";
  std::size_t count_width = 5;
  std::size_t line_width = 4;
  for (const OutcomeCount& outcome : stats.outcomes) {
    count_width = std::max(count_width, FormatInteger(outcome.count).size());
    line_width = std::max(line_width, FormatInteger(outcome.line).size());
  }
  out += PadLeft("count", count_width) + "  percent  ";
  out += entries ? PadLeft("line", line_width) + "  entry\n" : "result\n";
  for (const OutcomeCount& outcome : stats.outcomes) {
    out += PadLeft(FormatInteger(outcome.count), count_width) + "  " +
           PadLeft(Percent(outcome.count, stats.total), 7) + "  ";
    if (entries) out += PadLeft(FormatInteger(outcome.line), line_width) + "  ";
    out += OnOneLine(outcome.text) + "\n";
  }
  if (stats.numbers) {
    const NumberSummary& numbers = *stats.numbers;
    out += "numbers: " + FormatInteger(numbers.count) + " of " + FormatInteger(stats.total) +
           (entries ? " entries" : " results") + ", minimum " +
           FormatGeneralNumber(numbers.minimum) + ", mean " +
           FormatGeneralNumber(std::round(numbers.mean * 100) / 100) + ", maximum " +
           FormatGeneralNumber(numbers.maximum) + "\n";
  }
  return out;
}

RepeatedBoxFilter::Shown& RepeatedBoxFilter::Record(char kind, const std::string& title,
                                                    const std::string& text) {
  Shown& shown = shown_[{kind, title, text}];
  ++shown.times;
  return shown;
}

std::vector<std::pair<std::string, int64_t>> RepeatedBoxFilter::Repeated() const {
  std::vector<std::pair<std::string, int64_t>> repeated;
  for (const auto& [key, shown] : shown_) {
    if (shown.times > 1) repeated.emplace_back(std::get<1>(key), shown.times);
  }
  return repeated;
}

void RepeatedBoxFilter::MessageBox(const std::string& title, const std::string& text) {
  if (!folding_ || Record('m', title, text).times == 1) inner_.MessageBox(title, text);
}

bool RepeatedBoxFilter::OkCancelBox(const std::string& title, const std::string& text) {
  if (!folding_) return inner_.OkCancelBox(title, text);
  Shown& shown = Record('o', title, text);
  if (shown.times == 1) shown.agreed = inner_.OkCancelBox(title, text);
  return shown.agreed;
}

bool RepeatedBoxFilter::YesNoBox(const std::string& title, const std::string& text) {
  if (!folding_) return inner_.YesNoBox(title, text);
  Shown& shown = Record('y', title, text);
  if (shown.times == 1) shown.agreed = inner_.YesNoBox(title, text);
  return shown.agreed;
}

std::optional<std::string> RepeatedBoxFilter::InputBox(const std::string& prompt,
                                                       const std::string& title,
                                                       const std::string& default_answer) {
  if (!folding_) return inner_.InputBox(prompt, title, default_answer);
  Shown& shown = Record('i', title, prompt + '\0' + default_answer);
  if (shown.times == 1) shown.answer = inner_.InputBox(prompt, title, default_answer);
  return shown.answer;
}

void RepeatedBoxFilter::ShowDebug(const std::string& caption,
                                  const std::vector<std::string>& lines) {
  if (!folding_) return inner_.ShowDebug(caption, lines);
  std::string text;
  for (const std::string& line : lines) text += line + '\r';
  if (Record('d', caption, text).times == 1) inner_.ShowDebug(caption, lines);
}

bool RepeatedBoxFilter::AllowShell(const std::string& table, const std::string& command_line) {
  if (!folding_) return inner_.AllowShell(table, command_line);
  Shown& shown = Record('s', "Shell: " + table, command_line);
  if (shown.times == 1) shown.agreed = inner_.AllowShell(table, command_line);
  return shown.agreed;
}

}  // namespace fablewick
