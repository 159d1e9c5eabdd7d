// Coinpurse, the example add-on: counts a heap of coins into gold, silver and copper, and splits
// it among the party.
//
//   {Extern~Coinpurse,1234}                 12 gold, 3 silver, 4 copper
//   {Extern~Coinpurse,3g 25s 140c}          6 gold, 9 silver
//   {Extern~Coinpurse,2 platinum, 7 gold / 4}  6 gold, 7 silver, 5 copper each
//
// Amounts are whole numbers, each followed by its coin (p/pp/platinum = 1000 copper,
// g/gp/gold = 100, e/ep/electrum = 50, s/sp/silver = 10, c/cp/copper or nothing = 1), separated
// by blanks, commas, "+" or "and"; so its own answers can be fed back to it. "/ N" at the end
// shares the heap among N and tells what is left over. A text it cannot read is answered with
// a short note in parentheses rather than a wrong sum (not in square brackets: the answer is
// expanded again, where brackets would make it a group call).
//
// It has no window: About writes its description to standard error.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "addons/fablewick_addon.h"

namespace {

constexpr const char* kVersion = "1.0";
// Far more than any hoard; keeps every sum clear of overflow.
constexpr uint64_t kMostCopper = 1'000'000'000'000'000ULL;

struct CoinName {
  std::string_view name;
  uint64_t copper;
};

constexpr CoinName kCoins[] = {
    {"p", 1000}, {"pp", 1000}, {"platinum", 1000}, {"g", 100}, {"gp", 100}, {"gold", 100},
    {"e", 50},   {"ep", 50},   {"electrum", 50},   {"s", 10},  {"sp", 10},  {"silver", 10},
    {"c", 1},    {"cp", 1},    {"copper", 1},      {"", 1},
};

std::optional<uint64_t> CopperPerCoin(std::string word) {
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const CoinName& coin : kCoins) {
    if (coin.name == word) return coin.copper;
  }
  return std::nullopt;
}

// Reads the coin text from left to right.
class PurseReader {
 public:
  explicit PurseReader(std::string_view text) : text_(text) {}

  // The heap in copper and the number of sharers; false, with a note for the table, when the
  // text cannot be read.
  bool Read(uint64_t& total, uint64_t& sharers, std::string& note) {
    total = 0;
    sharers = 1;
    while (SkipSeparators(), at_ < text_.size()) {
      if (text_[at_] == '/') {
        ++at_;
        SkipBlanks();
        std::optional<uint64_t> count = Number();
        SkipBlanks();
        if (!count || *count == 0 || at_ < text_.size()) {
          note = "(Coinpurse: share among how many?)";
          return false;
        }
        sharers = *count;
        return true;
      }
      const std::size_t start = at_;
      std::optional<uint64_t> amount = Number();
      SkipBlanks();
      const std::string word = Word();
      if (!amount && word == "and") continue;
      std::optional<uint64_t> each = CopperPerCoin(word);
      if (!amount || !each || *amount > kMostCopper / *each ||
          total + *amount * *each > kMostCopper) {
        SkipToSeparator();
        note = "(Coinpurse: cannot count '" + std::string(text_.substr(start, at_ - start)) + "')";
        return false;
      }
      total += *amount * *each;
    }
    return true;
  }

 private:
  void SkipBlanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
  }
  static bool IsSeparator(char c) { return c != '\0' && std::strchr(" \t,+", c) != nullptr; }
  void SkipSeparators() {
    while (at_ < text_.size() && IsSeparator(text_[at_])) ++at_;
  }
  void SkipToSeparator() {
    while (at_ < text_.size() && !IsSeparator(text_[at_]) && text_[at_] != '/') ++at_;
  }
  std::optional<uint64_t> Number() {
    if (at_ >= text_.size() || !std::isdigit(static_cast<unsigned char>(text_[at_]))) {
      return std::nullopt;
    }
    uint64_t value = 0;
    while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
      if (value <= kMostCopper) value = value * 10 + static_cast<uint64_t>(text_[at_] - '0');
      ++at_;
    }
    return value;
  }
  std::string Word() {
    const std::size_t start = at_;
    while (at_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[at_]))) ++at_;
    return std::string(text_.substr(start, at_ - start));
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

// "12 gold, 3 silver, 4 copper", leaving out the coins there are none of.
std::string InCoins(uint64_t copper) {
  if (copper == 0) return "no coins";
  std::string text;
  const auto add = [&](uint64_t count, const char* coin) {
    if (count == 0) return;
    if (!text.empty()) text += ", ";
    text += std::to_string(count) + " " + coin;
  };
  add(copper / 100, "gold");
  add(copper / 10 % 10, "silver");
  add(copper % 10, "copper");
  return text;
}

std::string CountPurse(std::string_view parameter) {
  uint64_t total = 0, sharers = 1;
  std::string note;
  if (!PurseReader(parameter).Read(total, sharers, note)) return note;
  if (sharers == 1) return InCoins(total);
  std::string text = InCoins(total / sharers) + " each";
  if (total % sharers != 0) text += ", " + InCoins(total % sharers) + " left over";
  return text;
}

// A copy of the text in memory that FreeText releases.
char* Handed(const std::string& text) {
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy != nullptr) std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

std::string AboutCoinpurse() {
  return std::string("Coinpurse ") + kVersion +
         ", an example add-on for Fablewick: counts coins into gold, silver and copper and "
         "shares them out.\nUse: {Extern~Coinpurse,3g 25s 140c / 4}\n";
}

}  // namespace

char* Main(const char* parameter) {
  try {
    return Handed(CountPurse(parameter != nullptr ? parameter : ""));
  } catch (...) {
    return nullptr;  // out of memory: an empty answer
  }
}

char* Version(void) { return Handed(kVersion); }

// Shown by the window in a box.
char* AboutText(void) {
  try {
    return Handed(AboutCoinpurse());
  } catch (...) {
    return nullptr;
  }
}

// For programs that only call About: the same text on standard error.
void About(void) {
  try {
    std::fputs(AboutCoinpurse().c_str(), stderr);
  } catch (...) {
  }
}

void FreeText(char* text) { std::free(text); }
