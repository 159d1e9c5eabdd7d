// The pieces the odds are worked out with: distributions of texts, what a piece of table text
// does to the entries it can reach, and the reasons the exact analysis gives up.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/authoring/odds.h"

namespace fablewick::odds {

// Thrown where a roll's outcome depends on more than the dice: the construct, and where it is.
struct NotExact {
  explicit NotExact(std::string what_, std::string table_ = {}, int32_t line_ = 0)
      : what(std::move(what_)), table(std::move(table_)), line(line_) {}
  std::string what;
  std::string table;
  int32_t line = 0;
};

// The chances of the texts a piece of table text can give. Past the limit the texts are dropped
// and only an upper bound of their number is kept.
class TextDistribution {
 public:
  static TextDistribution Certain(std::string text);

  bool too_many() const { return too_many_; }
  // The number of different texts; an upper bound when too many.
  double count() const { return too_many_ ? bound_ : static_cast<double>(items_.size()); }
  const std::vector<std::pair<std::string, double>>& items() const { return items_; }
  bool certain() const { return !too_many_ && items_.size() == 1; }

  // Every text of this one followed by every text of `next`.
  TextDistribution Then(const TextDistribution& next, std::size_t limit) const;
  // Each text put through `change`; texts that become equal are merged.
  template <typename Change>
  TextDistribution Map(Change change) const;

  // The mixture of distributions, each with its weight (the weights add up to 1).
  static TextDistribution Mix(const std::vector<std::pair<double, TextDistribution>>& parts,
                              std::size_t limit);
  static TextDistribution TooMany(double bound);

 private:
  static TextDistribution FromPairs(std::vector<std::pair<std::string, double>>&& pairs,
                                    std::size_t limit);

  std::vector<std::pair<std::string, double>> items_;
  bool too_many_ = false;
  double bound_ = 0;
};

// An entry: its table's index in the cache, its group's and its own index there.
using EntryKey = uint64_t;
inline EntryKey MakeEntryKey(int table, int group, int entry) {
  return (uint64_t(uint32_t(table)) << 40) | (uint64_t(uint32_t(group)) << 20) | uint32_t(entry);
}
inline EntryKey GroupOfKey(EntryKey key) { return key >> 20; }

// What a piece of text does in one roll: the texts it gives, and for each entry it can reach,
// the chance that it is chosen at least once and how often on average. For the no-repeat groups
// it reaches, how often at most it rolls on them.
struct Outcome {
  TextDistribution texts;
  std::map<EntryKey, double> chance;
  std::map<EntryKey, double> expected;
  std::map<uint64_t, int> no_repeat_calls;  // by GroupOfKey; counted up to 2

  static Outcome Certain(std::string text) {
    return Of(TextDistribution::Certain(std::move(text)));
  }
  static Outcome Of(TextDistribution texts) {
    Outcome outcome;
    outcome.texts = std::move(texts);
    return outcome;
  }
};

// This outcome and then an independent `next`.
Outcome Then(const Outcome& first, const Outcome& next, std::size_t limit);
// `outcome` repeated `times` times independently.
Outcome Repeat(const Outcome& outcome, int times, std::size_t limit);
// One of the outcomes, each with its weight.
Outcome Mix(const std::vector<std::pair<double, Outcome>>& parts, std::size_t limit);

// The distribution of the "Dice" function for its (expanded) arguments: count "d" sides and an
// optional operator and modifier. Throws NotExact (without a place) where it cannot be followed.
TextDistribution DiceDistribution(std::string_view arguments);

// The summary of values with their chances (chances adding up to 1).
NumberOdds SummariseValues(std::vector<std::pair<double, double>> values);

template <typename Change>
TextDistribution TextDistribution::Map(Change change) const {
  if (too_many_) return *this;
  std::vector<std::pair<std::string, double>> changed;
  changed.reserve(items_.size());
  for (const auto& [text, chance] : items_) changed.emplace_back(change(text), chance);
  return FromPairs(std::move(changed), SIZE_MAX);
}

}  // namespace fablewick::odds

namespace fablewick::odds {

// The exact odds of a start call: the outcome of one roll, and the groups it reaches as
// (table index, group index), in the order it reaches them. The call's table must be chosen
// and its top-level roll prepared. Throws NotExact.
struct ExactOdds {
  Outcome outcome;
  std::vector<std::pair<int, int>> groups;
};
ExactOdds AnalyseExactly(Engine& engine, std::string_view call, std::size_t limit);

// Rolls the call `options.samples` times and fills the report's groups, results and numbers
// with the frequencies seen and their 95% confidence intervals.
void SampleOdds(Engine& engine, int table_index, const OddsOptions& options, OddsReport& report);

// Whether a result text would be read again as table text by the text around it: it opens a
// construct, or ends in the "/" that escapes what follows.
bool IsReadAgain(std::string_view text);

}  // namespace fablewick::odds
