// The odds by sampling, for tables whose rolls depend on state: the call rolled many times as
// the statistics roll it, every entry chosen counted per roll, and each figure given with its 95%
// confidence interval.
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "engine/authoring/odds_internal.h"
#include "engine/documents/document.h"
#include "engine/documents/driver.h"
#include "engine/numbers.h"

namespace fablewick::odds {
namespace {

constexpr double kZ = 1.959964;  // the normal quantile of a two-sided 95% interval

// The Wilson interval of `hits` in `n` tries.
Estimate Proportion(int64_t hits, int64_t n) {
  if (n == 0) return {};
  const double p = static_cast<double>(hits) / static_cast<double>(n);
  const double z2n = kZ * kZ / static_cast<double>(n);
  const double centre = (p + z2n / 2) / (1 + z2n);
  const double half =
      kZ * std::sqrt(p * (1 - p) / static_cast<double>(n) + z2n / (4 * static_cast<double>(n))) /
      (1 + z2n);
  return {p, std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

Estimate Mean(double sum, double squares, int64_t n) {
  if (n == 0) return {};
  const double count = static_cast<double>(n);
  const double mean = sum / count;
  const double variance = std::max(0.0, squares / count - mean * mean);
  const double half = kZ * std::sqrt(variance / count);
  return {mean, std::max(0.0, mean - half), mean + half};
}

// The entries chosen in every group, counted per roll.
class EntryTally : public RollObserver {
 public:
  struct GroupTally {
    std::string table;
    const Group* group;
    std::vector<int64_t> this_roll, rolls_with;
    std::vector<double> sum, squares;
    bool touched = false;
  };

  void EntryChosen(const std::string& table, const Group& group, std::size_t entry) override {
    auto [found, added] = index_.try_emplace(&group, groups_.size());
    if (added) {
      const std::size_t n = group.Entries.size();
      groups_.push_back({table, &group, std::vector<int64_t>(n), std::vector<int64_t>(n),
                         std::vector<double>(n), std::vector<double>(n)});
    }
    GroupTally& tally = groups_[found->second];
    if (entry >= tally.this_roll.size()) return;
    ++tally.this_roll[entry];
    if (!tally.touched) touched_.push_back(found->second);
    tally.touched = true;
  }

  void EndRoll() {
    for (std::size_t index : touched_) {
      GroupTally& tally = groups_[index];
      for (std::size_t e = 0; e < tally.this_roll.size(); ++e) {
        const int64_t times = tally.this_roll[e];
        if (times == 0) continue;
        ++tally.rolls_with[e];
        tally.sum[e] += static_cast<double>(times);
        tally.squares[e] += static_cast<double>(times) * static_cast<double>(times);
        tally.this_roll[e] = 0;
      }
      tally.touched = false;
    }
    touched_.clear();
  }

  const std::vector<GroupTally>& groups() const { return groups_; }

 private:
  std::unordered_map<const Group*, std::size_t> index_;
  std::vector<GroupTally> groups_;
  std::vector<std::size_t> touched_;
};

// A result without the re-roll links around its parts: their numbers differ from roll to roll,
// and the exact odds list results without them too.
std::string WithoutRerollLinks(std::string text) {
  if (text.find("CLASS=clsLink href=\"reg") == std::string::npos) return text;
  std::string out;
  int open = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, 3, "<a ") == 0) {
      const std::size_t close = text.find('>', i);
      if (close != std::string::npos &&
          text.substr(i, close - i).find("CLASS=clsLink href=\"reg") != std::string::npos) {
        ++open;
        i = close + 1;
        continue;
      }
    }
    if (open > 0 && text.compare(i, 4, "</a>") == 0) {
      --open;
      i += 4;
      continue;
    }
    out += text[i++];
  }
  return out;
}

}  // namespace

void SampleOdds(Engine& engine, int table_index, const OddsOptions& options, OddsReport& report) {
  EntryTally tally;
  engine.set_roll_observer(&tally);
  std::unordered_map<std::string, int64_t> results;
  engine.BeginGeneration();
  int64_t rolls = 0;
  for (; rolls < options.samples; ++rolls) {
    engine.ResetNoRepeatGroups();
    engine.StartTopLevelRoll(table_index);
    StartCallResult rolled = RollStartCall(engine, report.call);
    tally.EndRoll();
    ++results[WithoutRerollLinks(ExpandCaretCodes(rolled.text))];
    // Only a stop from outside ends the sampling: a table's own Stop ends one roll.
    if (engine.StopRequested()) {
      ++rolls;
      break;
    }
  }
  engine.set_roll_observer(nullptr);
  report.exact = false;
  report.samples = rolls;

  for (const EntryTally::GroupTally& group : tally.groups()) {
    GroupOdds odds{group.table, group.group->Name, {}};
    for (std::size_t e = 0; e < group.group->Entries.size(); ++e) {
      const Entry& entry = group.group->Entries[e];
      odds.entries.push_back({entry.Line, entry.Text, Proportion(group.rolls_with[e], rolls),
                              Mean(group.sum[e], group.squares[e], rolls)});
    }
    report.groups.push_back(std::move(odds));
  }

  report.result_count = static_cast<double>(results.size());
  report.results_listed = results.size() <= options.result_limit;
  if (!report.results_listed) return;
  std::vector<std::pair<double, double>> values;
  bool numeric = !results.empty();
  for (auto& [text, count] : results) {
    const Estimate chance = Proportion(count, rolls);
    if (numeric) {
      const std::optional<double> value = ParseStrictNumber(text);
      numeric = value.has_value();
      if (value) values.emplace_back(*value, chance.value);
    }
    report.results.push_back({text, chance});
  }
  if (numeric) report.numbers = SummariseValues(std::move(values));
}

}  // namespace fablewick::odds
