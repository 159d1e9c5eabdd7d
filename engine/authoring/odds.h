// Odds for table authors: for a call, the chance that each entry of each group it can reach is
// chosen in one roll, how often it is chosen on average, and the distribution of the results,
// numeric results summarised and charted. Worked out exactly for tables whose rolls depend on
// nothing but the dice; a table whose outcome depends on state built up during the roll is
// rolled many times instead, and the report names the construct that made it so.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"

namespace fablewick {

struct OddsOptions {
  // Rolls made when the odds cannot be worked out exactly.
  int64_t samples = 100000;
  // The results are listed only while there are at most this many different ones.
  std::size_t result_limit = 100000;
  // When not empty, only this group ("Group" in the table of the call, or "Table.Group") is
  // broken down by entry.
  std::string by_group;
  // Roll even when the odds could be worked out (for comparing the two).
  bool force_sampling = false;
};

// A chance with its 95% confidence interval; the interval is the chance itself when exact.
struct Estimate {
  double value = 0;
  double low = 0;
  double high = 0;
};

struct EntryOdds {
  int32_t line = 0;
  std::string text;   // as written
  Estimate chance;    // that it is chosen at least once in a roll of the call
  Estimate expected;  // times it is chosen in a roll, on average
};

struct GroupOdds {
  std::string table;
  std::string group;
  std::vector<EntryOdds> entries;  // in file order
};

struct ResultOdds {
  std::string text;  // caret codes expanded; re-roll links left out
  Estimate chance;
};

// Results that all read as numbers.
struct NumberOdds {
  double minimum = 0;
  double maximum = 0;
  double mean = 0;
  double deviation = 0;  // standard deviation
  double lower_quartile = 0;
  double median = 0;
  double upper_quartile = 0;
  std::vector<std::pair<double, double>> values;  // each value and its chance, smallest first
};

struct OddsReport {
  std::string call;  // with its brackets
  bool exact = true;
  // Why the rolls were sampled: the construct, where it stands.
  std::string sampled_because;
  std::string sampled_table;
  int32_t sampled_line = 0;
  int64_t samples = 0;            // rolls made when sampled
  std::vector<GroupOdds> groups;  // in the order the call reaches them
  bool results_listed = true;
  // The number of different results; when they are not listed, an upper bound.
  double result_count = 0;
  std::vector<ResultOdds> results;  // most likely first, then by text
  std::optional<NumberOdds> numbers;
};

enum class OddsStatus { kDone, kBadCall, kTableNotLoaded, kGroupNotFound };

struct OddsResult {
  OddsStatus status = OddsStatus::kDone;
  std::string problem;
  OddsReport report;
};

// The odds of `call` (as given at start-up, "[Table]" or "[N2~Table.Group+1]"; brackets may be
// left out). Each roll starts afresh, as the statistics' rolls do: parameters at their defaults,
// no-repeat groups reset. The engine's random generator is used only for sampling.
OddsResult ComputeOdds(Engine& engine, std::string_view call, const OddsOptions& options);

// The report as text for a terminal (numbers charted with block characters), as CSV (one row
// per entry and per result) and as JSON.
std::string FormatOddsText(const OddsReport& report);
std::string FormatOddsCsv(const OddsReport& report);
std::string FormatOddsJson(const OddsReport& report);

// The pieces of the text report, for the window to show the same numbers: a chance as a
// percentage and an expected count, each with its interval when not exact; the line that says
// whether the odds are exact or sampled and why; the summary of numbers ("minimum 3, ...").
std::string OddsChanceText(const Estimate& chance, bool exact);
std::string OddsExpectedText(const Estimate& expected, bool exact);
std::string OddsHeading(const OddsReport& report);
std::string OddsNumbersText(const NumberOdds& numbers);

// The bars of a numeric distribution: one per value while there are at most `rows`, else equal
// bands over the range, each with the chance of its values.
struct NumberBand {
  std::string label;
  double chance = 0;
};
std::vector<NumberBand> NumberBands(const NumberOdds& numbers, int rows = 30);

// The bar chart of a numeric distribution: one bar per value, or per band of values when there
// are more than `rows`, each as long as its chance relative to the largest.
std::string NumberChart(const NumberOdds& numbers, int width = 50, int rows = 30);

}  // namespace fablewick
