// Exact odds: hand-computed cases, agreement with sampled rolls on generated tables, the
// fallback to sampling for tables with state, and fablewick-cli odds.
#include "engine/authoring/odds.h"

#include <cmath>
#include <map>
#include <random>
#include <regex>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/cli_process.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/files.h"
#include "tests/support/sanitized.h"

namespace fablewick {
namespace {

using ::testing::HasSubstr;

class OddsTest : public EngineFixture {
 protected:
  OddsReport Odds(std::string_view call, OddsOptions options = {}) {
    OddsResult result = ComputeOdds(engine, call, options);
    EXPECT_EQ(result.status, OddsStatus::kDone) << result.problem;
    return result.report;
  }

  static std::map<std::string, double> Results(const OddsReport& report) {
    std::map<std::string, double> results;
    for (const ResultOdds& result : report.results) results[result.text] = result.chance.value;
    return results;
  }

  static const EntryOdds* FindEntry(const OddsReport& report, const std::string& group,
                                    const std::string& text) {
    for (const GroupOdds& odds : report.groups) {
      if (odds.group != group) continue;
      for (const EntryOdds& entry : odds.entries) {
        if (entry.text == text) return &entry;
      }
    }
    return nullptr;
  }
};

struct HandCase {
  const char* name;
  const char* table;
  const char* call;
  std::map<std::string, double> results;
  // group, entry text, chance in a roll, times chosen on average
  std::vector<std::tuple<std::string, std::string, double, double>> entries;
};

TEST_F(OddsTest, HandComputedCasesAreExact) {
  const std::vector<HandCase> cases = {
      {"3d6",
       ";Start\n1,{3d6}\n",
       "[T]",
       [] {
         std::map<std::string, double> sums;
         const int ways[] = {1, 3, 6, 10, 15, 21, 25, 27, 27, 25, 21, 15, 10, 6, 3, 1};
         for (int s = 3; s <= 18; ++s) sums[std::to_string(s)] = ways[s - 3] / 216.0;
         return sums;
       }(),
       {}},
      {"weighted 3:1",
       ";Start\n3,a\n1,b\n",
       "[T]",
       {{"a", 0.75}, {"b", 0.25}},
       {{"Start", "a", 0.75, 0.75}, {"Start", "b", 0.25, 0.25}}},
      // Rolls 2 to 7: 4 falls in the gap and 7 past the end, both taking the last entry.
      {"ranges with a gap, modifier",
       ":Start\n1-2,a\n3,b\n5-6,c\n",
       "[T.Start+1]",
       {{"a", 1 / 6.0}, {"b", 1 / 6.0}, {"c", 4 / 6.0}},
       {{"Start", "c", 4 / 6.0, 4 / 6.0}}},
      {"fixed roll in a gap", ":Start\n1-2,a\n3,b\n5-6,c\n", "[T.Start=4]", {{"c", 1.0}}, {}},
      {"repeat prefix",
       ";Start\n1,[N2~Coin]\n;Coin\n1,H\n1,T\n",
       "[T]",
       {{"HH", 0.25}, {"HT", 0.25}, {"TH", 0.25}, {"TT", 0.25}},
       {{"Coin", "H", 0.75, 1.0}}},
      // One or two coins, each half the time.
      {"dice-repeat prefix",
       ";Start\n1,[D2~CC~Coin]\n;Coin\n1,h\n1,t\n",
       "[T]",
       {{"H", 0.25}, {"T", 0.25}, {"Hh", 0.125}, {"Ht", 0.125}, {"Th", 0.125}, {"Tt", 0.125}},
       {{"Coin", "h", 0.625, 0.75}}},
      {"nested groups multiply",
       ";Start\n1,[A]\n3,z\n;A\n1,[B]\n1,y\n;B\n2,p\n1,q\n",
       "[T]",
       {{"z", 0.75}, {"y", 0.125}, {"p", 0.125 * 2 / 3}, {"q", 0.125 / 3}},
       {{"A", "[B]", 0.125, 0.125}, {"B", "q", 0.125 / 3, 0.125 / 3}}},
      {"Calc over dice",
       ";Start\n1,{Calc~{1d4}*10}\n",
       "[T]",
       {{"10", 0.25}, {"20", 0.25}, {"30", 0.25}, {"40", 0.25}},
       {}},
      {"If on dice, a variable never assigned",
       "%w%,hit\n;Start\n1,{If~{1d6}>4?%w%/miss}\n",
       "[T]",
       {{"hit", 1 / 3.0}, {"miss", 2 / 3.0}},
       {}},
      {"Loop with a random count",
       ";Start\n1,{Loop~{1d2},[Coin]}\n;Coin\n1,h\n1,t\n",
       "[T]",
       {{"h", 0.25}, {"t", 0.25}, {"hh", 0.125}, {"ht", 0.125}, {"th", 0.125}, {"tt", 0.125}},
       {}},
  };
  for (const HandCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriteTable("T", c.table);
    const OddsReport report = Odds(c.call);
    EXPECT_TRUE(report.exact) << report.sampled_because;
    const std::map<std::string, double> results = Results(report);
    ASSERT_EQ(results.size(), c.results.size());
    for (const auto& [text, chance] : c.results) {
      ASSERT_EQ(results.count(text), 1u) << text;
      EXPECT_NEAR(results.at(text), chance, 1e-12) << text;
    }
    for (const auto& [group, text, chance, expected] : c.entries) {
      const EntryOdds* entry = FindEntry(report, group, text);
      ASSERT_NE(entry, nullptr) << group << ": " << text;
      EXPECT_NEAR(entry->chance.value, chance, 1e-12) << text;
      EXPECT_NEAR(entry->expected.value, expected, 1e-12) << text;
    }
  }
}

TEST_F(OddsTest, ThreeDiceSummaryAndChart) {
  WriteTable("T", ";Start\n1,{3d6}\n");
  const OddsReport report = Odds("[T]");
  ASSERT_TRUE(report.numbers.has_value());
  const NumberOdds& n = *report.numbers;
  EXPECT_EQ(n.minimum, 3);
  EXPECT_EQ(n.maximum, 18);
  EXPECT_NEAR(n.mean, 10.5, 1e-12);
  EXPECT_NEAR(n.deviation, std::sqrt(35.0 / 4), 1e-12);
  EXPECT_EQ(n.lower_quartile, 8);
  EXPECT_EQ(n.median, 10);
  EXPECT_EQ(n.upper_quartile, 13);
  // The two likeliest sums get the full bar, 3 and 18 one twenty-seventh of it.
  const std::string chart = NumberChart(n, 27);
  EXPECT_THAT(chart, HasSubstr("10 │" + [] {
                std::string bar;
                for (int i = 0; i < 27; ++i) bar += "█";
                return bar;
              }() + " 12.50%\n"));
  EXPECT_THAT(chart, HasSubstr(" 3 │█ 0.46%\n"));
}

// A small random table without state: groups that call later groups, with repeat prefixes,
// modifiers, fixed rolls, dice and conditions.
std::string GeneratedTable(std::mt19937& random) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const int groups = 2 + pick(3);
  std::string table;
  for (int g = 0; g < groups; ++g) {
    const bool ranged = pick(2) == 0;
    table += std::string(ranged ? ":" : ";") + (g == 0 ? "Start" : "G" + std::to_string(g)) + "\n";
    const int entries = 2 + pick(3);
    int low = 1 + pick(2);
    for (int e = 0; e < entries; ++e) {
      std::string text(1, static_cast<char>('a' + e));
      if (g + 1 < groups && pick(3) > 0) {
        const std::string callee = "G" + std::to_string(g + 1 + pick(groups - g - 1));
        const char* const prefixes[] = {"", "", "N2~", "D2~", "CC~"};
        const char* const modifiers[] = {"", "", "+1", "-1", "=2"};
        text += "[" + std::string(prefixes[pick(5)]) + callee + modifiers[pick(5)] + "]";
      }
      if (pick(6) == 0) text += "{1d3}";
      if (pick(8) == 0) text += "{If~{1d2}=1?x/y}";
      if (ranged) {
        const int width = pick(3);
        table += std::to_string(low) + (width ? "-" + std::to_string(low + width) : "") + "," +
                 text + "\n";
        low += width + 1 + pick(2);  // now and then a gap
      } else {
        table += std::to_string(1 + pick(3)) + "," + text + "\n";
      }
    }
  }
  return table;
}

// The chi-squared bound that a fit exceeds with a chance of about 1 in 10,000 (Wilson and
// Hilferty's approximation).
double ChiSquaredBound(int degrees) {
  const double k = degrees, z = 3.72;
  return k * std::pow(1 - 2 / (9 * k) + z * std::sqrt(2 / (9 * k)), 3);
}

TEST_F(OddsTest, ExactOddsAgreeWithSampledRollsOnGeneratedTables) {
  std::mt19937 random(4711);
  // Under the sanitizers the first 20 tables, with fewer rolls: the same paths, at a pace that
  // keeps that build's run in minutes.
  constexpr int64_t kRolls = kSanitized ? 20000 : 100000;
  for (int n = 0; n < (kSanitized ? 20 : 200); ++n) {
    const std::string text = GeneratedTable(random);
    SCOPED_TRACE(text);
    WriteTable("T", text);
    const OddsReport exact = Odds("[T]");
    ASSERT_TRUE(exact.exact) << exact.sampled_because;
    OddsOptions sampling;
    sampling.samples = kRolls;
    sampling.force_sampling = true;
    const OddsReport sampled = Odds("[T]", sampling);
    const std::map<std::string, double> seen = Results(sampled);
    // Results expected fewer than 5 times are pooled into one cell.
    double chi = 0, pooled_expected = 0, pooled_seen = 0;
    int cells = 0;
    for (const auto& [result, chance] : Results(exact)) {
      const double expected = chance * kRolls;
      const double count = seen.count(result) ? seen.at(result) * kRolls : 0;
      if (expected < 5) {
        pooled_expected += expected, pooled_seen += count;
        continue;
      }
      chi += (count - expected) * (count - expected) / expected, ++cells;
    }
    if (pooled_expected > 0) {
      chi += (pooled_seen - pooled_expected) * (pooled_seen - pooled_expected) / pooled_expected;
      ++cells;
    }
    if (cells > 1) {
      EXPECT_LT(chi, ChiSquaredBound(cells - 1)) << "table " << n;
    }
    // Every entry's chance in a roll, within five standard errors.
    for (const GroupOdds& group : exact.groups) {
      for (const EntryOdds& entry : group.entries) {
        const EntryOdds* other = FindEntry(sampled, group.group, entry.text);
        const double p = entry.chance.value;
        const double seen_p = other ? other->chance.value : 0;
        EXPECT_NEAR(seen_p, p, 5 * std::sqrt(p * (1 - p) / kRolls) + 1e-9)
            << group.group << ": " << entry.text;
      }
    }
  }
}

TEST_F(OddsTest, StatefulConstructsFallBackToSamplingAndAreNamed) {
  const struct {
    const char* table;
    const char* construct;
    int32_t line;
  } cases[] = {
      {"%x%,0\n:Start\n1,|x={1d6}|%x%\n", "the assignment |x={1d6}|", 3},
      {";Start\n1,[Gem] and [Gem]\n;!Gem\n1,ruby\n1,jade\n", "the no-repeat group \"Gem\"", 2},
      {"%n%,1\n:Start\n1,a{While~%n%,b|n=0|}\n", "the While loop", 3},
      {":Start\n1,{Lockout~Start,1}x\n", "the function {Lockout~", 2},
      {":Start\n1,[Loop]\n:Loop\n1,o[Loop]\n2,o\n", "group \"Loop\" of table \"T\", which calls",
       4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table);
    WriteTable("T", c.table);
    OddsOptions options;
    options.samples = 2000;
    const OddsReport report = Odds("[T]", options);
    EXPECT_FALSE(report.exact);
    EXPECT_THAT(report.sampled_because, HasSubstr(c.construct));
    EXPECT_EQ(report.sampled_table, "T");
    EXPECT_EQ(report.sampled_line, c.line);
    EXPECT_EQ(report.samples, 2000);
    EXPECT_FALSE(report.results.empty());
  }
  // The sampled figures come with intervals that hold the true chance.
  WriteTable("T", "%x%,0\n:Start\n1,|x={1d6}|%x%\n");
  const OddsReport report = Odds("[T]");
  ASSERT_EQ(report.results.size(), 6u);
  for (const ResultOdds& result : report.results) {
    EXPECT_LT(result.chance.low, 1 / 6.0);
    EXPECT_GT(result.chance.high, 1 / 6.0);
  }
  EXPECT_THAT(FormatOddsText(report),
              HasSubstr("sampled from 100000 rolls, with 95% intervals, because of the assignment "
                        "|x={1d6}| (T, line 3)"));
}

TEST_F(OddsTest, TooManyResultsStillGiveTheGroups) {
  WriteTable(
      "T", ";Start\n1,[N4~Die]\n;Die\n" + [] {
        std::string entries;
        for (int i = 0; i < 20; ++i) entries += "1,e" + std::to_string(i) + "\n";
        return entries;
      }());
  OddsOptions options;
  options.result_limit = 1000;
  const OddsReport report = Odds("[T]", options);
  EXPECT_TRUE(report.exact);
  EXPECT_FALSE(report.results_listed);
  EXPECT_EQ(report.result_count, 160000);
  const EntryOdds* entry = FindEntry(report, "Die", "e3");
  ASSERT_NE(entry, nullptr);
  EXPECT_NEAR(entry->chance.value, 1 - std::pow(0.95, 4), 1e-12);
  EXPECT_THAT(FormatOddsText(report), HasSubstr("Results: too many to list (up to 160000"));
}

// The manual shows the odds of sample tables; each line it shows (but "...") is a line the
// report of that call has.
TEST_F(OddsTest, TheManualShowsWhatOddsReportForTheSampleTables) {
  const std::filesystem::path share =
      std::filesystem::path(FABLEWICK_TEST_DATA_DIR) / ".." / ".." / "share";
  engine.SetProgramFolder(share);
  engine.SetTablesFolder(share / "Tables");
  engine.FillCatalog();
  const std::string html = ReadFile(share / "Help" / "FWHelp.html");
  const std::regex example("<pre>\\$ fablewick-cli odds \"([^\"]+)\"\\n([^<]*)</pre>");
  int examples = 0;
  for (std::sregex_iterator it(html.begin(), html.end(), example), end; it != end; ++it) {
    const std::string report = FormatOddsText(Odds((*it)[1].str()));
    std::istringstream shown((*it)[2].str());
    for (std::string line; std::getline(shown, line);) {
      if (line == "...") continue;
      for (const auto& [escaped, plain] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
        for (std::size_t at; (at = line.find(escaped)) != std::string::npos;) {
          line.replace(at, std::string_view(escaped).size(), plain);
        }
      }
      EXPECT_THAT(report, HasSubstr(line + "\n")) << (*it)[1];
    }
    ++examples;
  }
  EXPECT_EQ(examples, 2);
}

#ifdef FABLEWICK_CLI_PATH

TEST_F(OddsTest, CliOddsWritesTextCsvAndJson) {
  WriteTable("T", ";Start\n3,a\n1,b\n");
  const std::vector<std::string> base = {FABLEWICK_CLI_PATH, "--tables", tables_folder().string(),
                                         "odds", "[T]"};
  const Outcome text = RunCli(base);
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_THAT(text.out, HasSubstr("Odds of [T]: exact\n\nGroup \"Start\" of table \"T\"\n"));
  EXPECT_THAT(text.out, HasSubstr("75.00%      0.75     2  a\n"));
  std::vector<std::string> csv = base;
  csv.insert(csv.end(), {"--format", "csv"});
  EXPECT_THAT(RunCli(csv).out, HasSubstr("\r\nresult,,,,a,0.75,0.75,0.75,,,\r\n"));
  std::vector<std::string> json = base;
  json.insert(json.end(), {"--format", "json"});
  EXPECT_THAT(RunCli(json).out,
              HasSubstr("\"results\":[{\"text\":\"a\",\"chance\":0.75},{\"text\":\"b\","));
  std::vector<std::string> missing = base;
  missing.insert(missing.end(), {"--by", "Nothing"});
  EXPECT_EQ(RunCli(missing).status, 2);
}

#endif  // FABLEWICK_CLI_PATH

}  // namespace
}  // namespace fablewick
