// Distributions of texts and of numbers, and how the outcomes of pieces of text combine.
#include <algorithm>
#include <cmath>

#include "engine/authoring/odds_internal.h"
#include "engine/numbers.h"

namespace fablewick::odds {

TextDistribution TextDistribution::Certain(std::string text) {
  TextDistribution distribution;
  distribution.items_.emplace_back(std::move(text), 1.0);
  return distribution;
}

TextDistribution TextDistribution::TooMany(double bound) {
  TextDistribution distribution;
  distribution.too_many_ = true;
  distribution.bound_ = bound;
  return distribution;
}

TextDistribution TextDistribution::FromPairs(std::vector<std::pair<std::string, double>>&& pairs,
                                             std::size_t limit) {
  // Sorted by text, equal texts merged: a vector sorted once costs far less than a map built
  // node by node, which matters for the tens of thousands of texts of a long sentence.
  std::sort(pairs.begin(), pairs.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  TextDistribution distribution;
  std::vector<std::pair<std::string, double>>& items = distribution.items_;
  items.reserve(pairs.size());
  for (auto& pair : pairs) {
    if (!items.empty() && items.back().first == pair.first) {
      items.back().second += pair.second;
    } else {
      items.push_back(std::move(pair));
    }
  }
  if (items.size() > limit) return TooMany(static_cast<double>(items.size()));
  return distribution;
}

TextDistribution TextDistribution::Then(const TextDistribution& next, std::size_t limit) const {
  const double combinations = count() * next.count();
  // Different pairs rarely make the same text: a product far past the limit is not worth
  // building to find out.
  if (too_many_ || next.too_many_ || combinations > 4.0 * static_cast<double>(limit)) {
    return TooMany(combinations);
  }
  if (next.certain() && next.items_[0].first.empty()) return *this;
  if (certain() && items_[0].first.empty()) return next;
  if (certain()) {
    // One text before each of `next`: the texts stay different and in order.
    TextDistribution joined;
    joined.items_.reserve(next.items_.size());
    for (const auto& [more, chance] : next.items_) {
      joined.items_.emplace_back(items_[0].first + more, chance);
    }
    return joined;
  }
  std::vector<std::pair<std::string, double>> pairs;
  pairs.reserve(items_.size() * next.items_.size());
  for (const auto& [text, chance] : items_) {
    for (const auto& [more, more_chance] : next.items_) {
      pairs.emplace_back(text + more, chance * more_chance);
    }
  }
  return FromPairs(std::move(pairs), limit);
}

TextDistribution TextDistribution::Mix(
    const std::vector<std::pair<double, TextDistribution>>& parts, std::size_t limit) {
  if (parts.size() == 1) return parts[0].second;
  double bound = 0;
  bool too_many = false;
  for (const auto& [weight, part] : parts) {
    bound += part.count();
    too_many = too_many || part.too_many_;
  }
  if (too_many || bound > 4.0 * static_cast<double>(limit)) return TooMany(bound);
  std::vector<std::pair<std::string, double>> pairs;
  pairs.reserve(static_cast<std::size_t>(bound));
  for (const auto& [weight, part] : parts) {
    for (const auto& [text, chance] : part.items_) pairs.emplace_back(text, weight * chance);
  }
  return FromPairs(std::move(pairs), limit);
}

Outcome Then(const Outcome& first, const Outcome& next, std::size_t limit) {
  Outcome both{first.texts.Then(next.texts, limit), first.chance, first.expected,
               first.no_repeat_calls};
  for (const auto& [key, chance] : next.chance) {
    double& missed = both.chance[key];  // held as the chance of being chosen, 0 when unreached
    missed = 1 - (1 - missed) * (1 - chance);
  }
  for (const auto& [key, expected] : next.expected) both.expected[key] += expected;
  for (const auto& [key, calls] : next.no_repeat_calls) {
    int& total = both.no_repeat_calls[key];
    total = std::min(2, total + calls);
  }
  return both;
}

Outcome Repeat(const Outcome& outcome, int times, std::size_t limit) {
  if (times == 1) return outcome;
  Outcome repeated = Outcome::Certain("");
  if (times <= 0) return repeated;
  // The texts by doubling; the chances and counts directly.
  TextDistribution power = outcome.texts;
  TextDistribution texts = TextDistribution::Certain("");
  for (int left = times;;) {
    if (left & 1) texts = texts.Then(power, limit);
    left >>= 1;
    if (left == 0) break;
    power = power.Then(power, limit);
  }
  repeated.texts = std::move(texts);
  for (const auto& [key, chance] : outcome.chance) {
    repeated.chance[key] = 1 - std::pow(1 - chance, times);
  }
  for (const auto& [key, expected] : outcome.expected) repeated.expected[key] = expected * times;
  for (const auto& [key, calls] : outcome.no_repeat_calls) {
    repeated.no_repeat_calls[key] = std::min(2, calls * times);
  }
  return repeated;
}

Outcome Mix(const std::vector<std::pair<double, Outcome>>& parts, std::size_t limit) {
  if (parts.size() == 1) return parts[0].second;
  std::vector<std::pair<double, TextDistribution>> texts;
  Outcome mixed;
  for (const auto& [weight, part] : parts) {
    texts.emplace_back(weight, part.texts);
    for (const auto& [key, chance] : part.chance) mixed.chance[key] += weight * chance;
    for (const auto& [key, expected] : part.expected) mixed.expected[key] += weight * expected;
    for (const auto& [key, calls] : part.no_repeat_calls) {
      int& most = mixed.no_repeat_calls[key];
      most = std::max(most, calls);
    }
  }
  mixed.texts = TextDistribution::Mix(texts, limit);
  return mixed;
}

namespace {

int16_t DiceNumber(std::string_view text, int16_t fallback) {
  if (!IsStrictNumber(text)) return fallback;
  try {
    return StrictInt16(text);
  } catch (...) {
    throw NotExact("a dice number outside 16 bits");
  }
}

// The chances of the sum of `count` dice, each uniform over `low`..`high`, from the smallest sum
// on.
std::vector<double> SumOfDice(int count, int32_t low, int32_t high) {
  const int32_t faces = high - low + 1;
  std::vector<double> sums{1.0};  // zero dice: the sum is 0
  for (int die = 0; die < count; ++die) {
    std::vector<double> next(sums.size() + static_cast<std::size_t>(faces) - 1, 0.0);
    // Each new sum is the average of a window of `faces` old ones: a running window sum.
    double window = 0;
    for (std::size_t s = 0; s < next.size(); ++s) {
      if (s < sums.size()) window += sums[s];
      if (s >= static_cast<std::size_t>(faces)) window -= sums[s - static_cast<std::size_t>(faces)];
      next[s] = window / faces;
    }
    sums = std::move(next);
  }
  return sums;
}

}  // namespace

TextDistribution DiceDistribution(std::string_view text) {
  const std::size_t d = text.find('d');
  if (d == std::string_view::npos) return TextDistribution::Certain(std::string(text));
  std::size_t op = std::string_view::npos;
  for (char candidate : {'+', '-', '*', '/'}) {
    op = text.find(candidate);
    if (op != std::string_view::npos) break;
  }
  if (op != std::string_view::npos && op < d) throw NotExact("a dice expression that fails");
  int count = d == 0 ? 0 : DiceNumber(text.substr(0, d), 0);
  if (count == 0) count = 1;
  count = std::max(count, 0);
  const std::string_view sides_text =
      op == std::string_view::npos ? text.substr(d + 1) : text.substr(d + 1, op - d - 1);
  const int16_t sides = DiceNumber(sides_text, 1);
  int16_t modifier = 0;
  if (op != std::string_view::npos) {
    const std::string_view modifier_text = text.substr(op + 1);
    if (!IsStrictNumber(modifier_text)) throw NotExact("a dice modifier that is not a number");
    modifier = DiceNumber(modifier_text, 0);
  }
  // One die as the random source draws it from 1 to `sides`: a span of 0 gives 1, a negative
  // span n one of the numbers from 1 + n to 0.
  int32_t low = 1, high = sides;
  if (sides == 0) high = 1;
  if (sides < 0) low = 1 + sides, high = 0;
  if (static_cast<double>(count) * (high - low + 1) > 4e6) {
    throw NotExact("dice too many to follow exactly");
  }
  const std::vector<double> sums = SumOfDice(count, low, high);
  std::vector<std::pair<double, TextDistribution>> values;
  for (std::size_t s = 0; s < sums.size(); ++s) {
    int64_t total = int64_t{count} * low + static_cast<int64_t>(s);
    if (op != std::string_view::npos) {
      switch (text[op]) {
        case '+':
          total += modifier;
          break;
        case '-':
          total -= modifier;
          break;
        case '*':
          total *= modifier;
          break;
        case '/':
          if (modifier == 0) throw NotExact("a dice expression that divides by zero");
          total /= modifier;
          break;
      }
    }
    if (total < INT32_MIN || total > INT32_MAX) throw NotExact("dice that overflow");
    if (sums[s] > 0) values.emplace_back(sums[s], TextDistribution::Certain(FormatInteger(total)));
  }
  return TextDistribution::Mix(values, SIZE_MAX);
}

NumberOdds SummariseValues(std::vector<std::pair<double, double>> values) {
  std::sort(values.begin(), values.end());
  // Equal values (written differently, "3" and "3.0") become one.
  std::vector<std::pair<double, double>> merged;
  for (const auto& value : values) {
    if (!merged.empty() && merged.back().first == value.first) {
      merged.back().second += value.second;
    } else {
      merged.push_back(value);
    }
  }
  NumberOdds numbers;
  numbers.values = std::move(merged);
  if (numbers.values.empty()) return numbers;
  numbers.minimum = numbers.values.front().first;
  numbers.maximum = numbers.values.back().first;
  double total = 0, sum = 0;
  for (const auto& [value, chance] : numbers.values) total += chance, sum += value * chance;
  numbers.mean = sum / total;
  double squares = 0;
  for (const auto& [value, chance] : numbers.values) {
    squares += (value - numbers.mean) * (value - numbers.mean) * chance;
  }
  numbers.deviation = std::sqrt(squares / total);
  // A quartile is the smallest value whose cumulative chance reaches it; a little slack keeps
  // sums of exact fractions from missing by a rounding.
  auto quantile = [&](double q) {
    double cumulative = 0;
    for (const auto& [value, chance] : numbers.values) {
      cumulative += chance / total;
      if (cumulative >= q - 1e-9) return value;
    }
    return numbers.maximum;
  };
  numbers.lower_quartile = quantile(0.25);
  numbers.median = quantile(0.5);
  numbers.upper_quartile = quantile(0.75);
  return numbers;
}

}  // namespace fablewick::odds
