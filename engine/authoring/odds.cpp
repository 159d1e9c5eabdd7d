#include "engine/authoring/odds.h"

#include <algorithm>
#include <cmath>

#include "engine/authoring/odds_internal.h"
#include "engine/documents/driver.h"
#include "engine/error.h"
#include "engine/expansion/syntax.h"
#include "engine/numbers.h"

namespace fablewick {
namespace {

Estimate Exactly(double value) { return {value, value, value}; }

void FillExactReport(Engine& engine, const odds::ExactOdds& exact, std::size_t limit,
                     OddsReport& report) {
  const odds::Outcome& outcome = exact.outcome;
  for (const auto& [t, g] : exact.groups) {
    const Group& group = engine.TableAt(t).Groups[static_cast<std::size_t>(g)];
    GroupOdds odds{engine.TableAt(t).Name, group.Name, {}};
    for (std::size_t e = 0; e < group.Entries.size(); ++e) {
      const odds::EntryKey key = odds::MakeEntryKey(t, g, static_cast<int>(e));
      const auto chance = outcome.chance.find(key);
      const auto expected = outcome.expected.find(key);
      odds.entries.push_back(
          {group.Entries[e].Line, group.Entries[e].Text,
           Exactly(chance == outcome.chance.end() ? 0.0 : chance->second),
           Exactly(expected == outcome.expected.end() ? 0.0 : expected->second)});
    }
    report.groups.push_back(std::move(odds));
  }
  report.result_count = outcome.texts.count();
  report.results_listed = !outcome.texts.too_many() && outcome.texts.count() <= limit;
  if (!report.results_listed) return;
  std::vector<std::pair<double, double>> values;
  bool numeric = true;
  for (const auto& [text, chance] : outcome.texts.items()) {
    report.results.push_back({text, Exactly(chance)});
    const std::optional<double> value = ParseStrictNumber(text);
    numeric = numeric && value.has_value();
    if (value) values.emplace_back(*value, chance);
  }
  if (numeric && !values.empty()) report.numbers = odds::SummariseValues(std::move(values));
}

}  // namespace

OddsResult ComputeOdds(Engine& engine, std::string_view call, const OddsOptions& options) {
  OddsResult result;
  OddsReport& report = result.report;
  report.call = WithCallBrackets(call);
  std::string table_name;
  try {
    table_name = TableOfStartCall(report.call);
  } catch (const EngineError& error) {
    result.status = OddsStatus::kBadCall;
    result.problem = "the call " + report.call + " cannot be read: " + error.description();
    return result;
  }
  const int table_index = engine.SelectTable(table_name).index;
  if (table_index < 0) {
    result.status = OddsStatus::kTableNotLoaded;
    result.problem = "table \"" + table_name + "\" cannot be loaded";
    return result;
  }
  std::string by_table, by_group;
  if (!options.by_group.empty()) {
    const GroupReference reference = SplitGroupReference(options.by_group);
    by_table = reference.has_table ? std::string(reference.table) : table_name;
    by_group = reference.group;
    const int index = engine.GetTable(by_table);
    if (index < 0) {
      result.status = OddsStatus::kTableNotLoaded;
      result.problem = "table \"" + by_table + "\" cannot be loaded";
      return result;
    }
    if (engine.TableAt(index).FindGroup(by_group) == nullptr) {
      result.status = OddsStatus::kGroupNotFound;
      result.problem = "group \"" + by_group + "\" does not exist in table \"" + by_table + "\"";
      return result;
    }
  }

  engine.ResetNoRepeatGroups();
  engine.StartTopLevelRoll(table_index);
  bool sampled = options.force_sampling;
  if (!sampled) {
    try {
      const odds::ExactOdds exact = odds::AnalyseExactly(engine, report.call, options.result_limit);
      FillExactReport(engine, exact, options.result_limit, report);
    } catch (const odds::NotExact& reason) {
      report.sampled_because = reason.what;
      report.sampled_table = reason.table;
      report.sampled_line = reason.line;
      sampled = true;
    } catch (const EngineError& error) {
      report.sampled_because = "a failure while reading the call: " + error.description();
      sampled = true;
    }
  }
  if (sampled) {
    report.groups.clear();
    report.results.clear();
    report.numbers.reset();
    if (report.sampled_because.empty()) report.sampled_because = "sampling was asked for";
    odds::SampleOdds(engine, table_index, options, report);
  }
  if (!by_group.empty()) {
    std::erase_if(report.groups, [&](const GroupOdds& group) {
      return group.table != by_table || group.group != by_group;
    });
  }
  std::sort(report.results.begin(), report.results.end(),
            [](const ResultOdds& a, const ResultOdds& b) {
              // Chances that differ only by rounding count as equal.
              const double scale = std::max(a.chance.value, b.chance.value);
              if (std::fabs(a.chance.value - b.chance.value) > 1e-12 * scale) {
                return a.chance.value > b.chance.value;
              }
              return a.text < b.text;
            });
  return result;
}

}  // namespace fablewick
