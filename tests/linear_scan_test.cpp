// The linear scanner against the literal definition of expansion (rescan from the first position
// after every substitution). Two engines roll the same random tables with the same seed, one
// with each scanner, and must agree on everything a person or a table could observe: the
// results, the boxes shown, the variables left behind, the link and iteration counters and the
// random draws made. The tables are written to be awkward: delimiters everywhere, groups whose
// results are delimiters or half constructs, variables that hold constructs or lone "%" and "|",
// and unpaired "|" and "%" whose partner only arrives in a later result.
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/model/loader.h"
#include "engine/stack.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_folder.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

// One generated world: the texts of the two tables and how the engines are set up.
struct Case {
  std::string main_table;   // "T", rolled on its group Start
  std::string other_table;  // "U", reached by calls such as [U.Mid]
  bool errors_as_messages = false;
  uint32_t cancel_mask = 0;
  uint64_t seed = 0;
  int rolls = 1;
};

// Everything observable after rolling a case.
struct Observation {
  std::vector<std::string> results;
  std::vector<std::string> boxes;
  std::vector<std::string> variables;  // after each roll: every variable of both tables
  std::vector<int32_t> counters;       // after each roll: LinkCounter and g_nIterations
  int32_t next_draw = 0;               // the draw that follows, so both made the same draws
  bool stopped = false;                // nesting too deep stopped the generation

  bool operator==(const Observation&) const = default;
};

std::string Describe(const Observation& o) {
  std::ostringstream out;
  for (const std::string& r : o.results) out << "  result: " << r << "\n";
  for (const std::string& box : o.boxes) out << "  box: " << box << "\n";
  for (const std::string& v : o.variables) out << "  vars: " << v << "\n";
  out << "  counters:";
  for (int32_t c : o.counters) out << " " << c;
  out << "\n  next draw: " << o.next_draw << (o.stopped ? ", stopped" : "") << "\n";
  return out.str();
}

Observation Roll(const Case& c, bool restarting, const fs::path& tables_folder) {
  ScriptedHost host;
  // Cancel to the OK/Cancel boxes whose position (from 0) is set in the mask, OK to the others.
  for (int i = 0; i < 32; ++i) host.ok_cancel_answers.push_back(((c.cancel_mask >> i) & 1u) == 0);
  Engine engine(host);
  engine.UseRestartingScanForVerification(restarting);
  engine.SetTablesFolder(tables_folder);
  engine.FillCatalog();
  engine.set_tab_calls_as_errors(c.errors_as_messages);
  engine.Seed(c.seed);
  engine.SetParameterValues({"4"});
  engine.AddTable(ParseTableText("T", c.main_table, host));
  engine.AddTable(ParseTableText("U", c.other_table, host));

  Observation o;
  engine.BeginGeneration();
  for (int i = 0; i < c.rolls; ++i) {
    engine.ResetNoRepeatGroups();
    o.results.push_back(engine.RollTopLevel("T", "Start"));
    std::string vars;
    for (int t = 0; t < engine.TableCount(); ++t) {
      for (const TableVariable& v : engine.TableAt(t).Vars) vars += v.Name + "=" + v.Value + ";";
    }
    o.variables.push_back(vars);
    o.counters.push_back(engine.link_counter());
    o.counters.push_back(engine.iterations());
    if (!engine.keep_running() || engine.StopRequested()) break;
  }
  static constexpr const char* kKinds[] = {"[OK] ", "[OK/Cancel] ", "[Yes/No] ", "[Input] "};
  for (const ShownBox& box : host.boxes)
    o.boxes.push_back(kKinds[box.kind] + box.title + " | " + box.text);
  o.stopped = engine.StopRequested();
  o.next_draw = engine.RandomBetween(0, 30000);
  return o;
}

// ---- the generator ---------------------------------------------------------------------------

// Characters of the free text between constructs, repeated by how often they should come.
// No capital letters: every group and variable name starts with one, so free text can never
// spell a call of a group that could lead back to its caller.
constexpr std::string_view kFreeText = "abxyzdabxyzabxyz~.?=<0123456789   ||||%%%%////]]]}}";
// The same without "|", for assignment operands.
constexpr std::string_view kOperandText = "abxyzdabxyz~.?=<<0123456789  %%%////]]]}}";

// Writes random tables. Group levels keep calls acyclic: Start calls level-1 groups, those call
// level-2 groups, and those call only the leaves. Leaves (L0, L1, L2 and the fragment groups)
// hold free text and delimiters but no calls and no variable reads, and variables hold calls of
// leaves only. Half constructs such as "[L" complete to leaf names only.
class TableWriter {
 public:
  explicit TableWriter(uint64_t seed) : random_(seed) {}

  Case Write() {
    Case c;
    c.seed = Next();
    c.errors_as_messages = Chance(30);
    c.cancel_mask = Chance(15) ? static_cast<uint32_t>(1u << Below(6)) : 0u;
    c.rolls = Chance(25) ? 2 : 1;
    c.main_table = MainTable();
    c.other_table = OtherTable();
    return c;
  }

 private:
  uint64_t Next() { return random_(); }
  int Below(int n) { return static_cast<int>(random_() % static_cast<uint64_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(Below(static_cast<int>(items.size())))];
  }

  std::string Free(std::string_view pool, int max_length) {
    std::string text;
    const int length = 1 + Below(max_length);
    for (int i = 0; i < length; ++i)
      text += pool[static_cast<std::size_t>(Below(static_cast<int>(pool.size())))];
    return text;
  }

  std::string VariableValue(int index) {
    std::vector<std::string> values = {"3",      "12",    "abc",   "[L0]",   "%",      "|",
                                       "/[L1/]", "x%",    "[Pct]", "[Pipe]", "/%",     "[Open]0]",
                                       "",       "5 % 6", "a|b",   "[L2]",   "[U.L0]", "{1d3}"};
    // Later variables only, so that no value reads itself.
    if (index < 2) values.push_back("%V" + std::to_string(index + 1 + Below(2 - index)) + "%");
    if (Chance(25)) return Free(kOperandText, 6);
    return Pick(values);
  }

  // A group to call from a group of `level` (2 calls only leaves).
  std::string Target(int level) {
    std::vector<std::string> targets = {"L0",   "L1",    "L2", "Pipe", "Pct",    "EPct",
                                        "Open", "Close", "Nm", "U.L0", "U.Frag", "U.Mid"};
    if (level < 1) targets.insert(targets.end(), {"G1a", "G1b", "G1a"});
    if (level < 2) targets.insert(targets.end(), {"G2a", "G2b", "G2a"});
    return Pick(targets);
  }

  std::string Prefixes() {
    static const std::vector<std::string> kPrefixes = {"CC~", "CN~", "N2~", "N3~", "D3~",
                                                       "R1~", "LX~", "Cz~", "Qq~", "N0~"};
    std::string text;
    while (Chance(25)) text += Pick(kPrefixes);
    if (Chance(1)) text += "NX~";  // not a digit: the call fails
    return text;
  }

  std::string Modifier() {
    static const char* const kModifiers[] = {"+1", "-1", "=2", "(3)", "(1,-2)"};
    const int kind = Below(20);
    return kind < 5 ? kModifiers[kind] : "";
  }

  std::string Condition() {
    static const std::vector<std::string> kConditions = {
        "%V0%<5", "1<2", "%V1%=x", "ab!=ab", "3>=3", "10>9a", "%P0%>3", "%V2%", "x"};
    return Pick(kConditions);
  }

  std::string Call(int level) {
    const int kind = Below(20);
    if (kind == 0) {
      return "[" + Prefixes() + Condition() + "?" + Target(level) + "/" + Target(level) + "]";
    }
    if (kind == 1) return "[" + Prefixes() + "[Nm]]";
    if (kind == 2) {
      return Pick(std::vector<std::string>{"[Nothing here]", "[]", "[U.Missing]", "[N2~Gone]"});
    }
    if (kind == 3) return "[Open]" + std::to_string(Below(3)) + "]";  // a leaf completed here
    return "[" + Prefixes() + Target(level) + Modifier() + "]";
  }

  std::string Assignment(int level) {
    static const std::vector<std::string> kTargets = {"V0", "V1", "V2", "P0", "V0", "Vz"};
    static const std::vector<std::string> kOperators = {"=", "&", "&",   "+", "-", "<",
                                                        ">", "*", " = ", "=", "&", "+"};
    // "[Pipe]" is the only way to put "|" into a variable.
    static const char* const kOperands[] = {"%", "[Pipe]", "[Pct]", "/[L0/]"};
    const int kind = Below(8);
    std::string operand;
    if (kind < 4) {
      operand = kOperands[kind];
    } else if (kind == 4) {
      operand = "%V" + std::to_string(Below(3)) + "%";
    } else if (kind == 5) {
      operand = Call(std::max(level, 1));
    } else {
      operand = Free(kOperandText, 4);
    }
    // Division, which fails on the many operands that read 0, now and then only.
    const std::string op = Chance(5) ? Pick(std::vector<std::string>{"/", "\\"}) : Pick(kOperators);
    return "|" + Pick(kTargets) + op + operand + "|";
  }

  std::string Function(int level) {
    static const char* const kFixed[] = {"{1d6}", "{2d3+1}", "{Dice~1d4}"};
    const int kind = Below(9);
    if (kind < 3) return kFixed[kind];
    if (kind == 3) return "{Foo~" + Free(kOperandText, 3) + "}";
    if (kind == 4) {
      return "{If~" + Condition() + "?" + Tokens(level, 2) + "/" + Tokens(level, 2) + "}";
    }
    if (kind == 5) return "{Loop~" + std::to_string(Below(3)) + "," + Tokens(level, 2) + "}";
    // The condition counts Wn down to 0 and no further, so the loop ends whatever the body
    // does and however the text around cuts the block.
    if (kind == 6) return "{While~|Wn-1||Wn>0|%Wn%," + Tokens(level, 2) + "}";
    if (kind == 7) return "{" + Call(level) + "d2}";
    return "{if~1=1?a/b}";
  }

  std::string Token(int level) {
    const int kind = Below(25);
    if (kind < 6) return Call(level);
    if (kind < 8) return "%V" + std::to_string(Below(3)) + "%";
    if (kind == 8) return Pick(std::vector<std::string>{"%P0%", "%Vz%", "% V1 %", "%Hv"});
    if (kind < 12) return Assignment(level);
    if (kind < 14) return Function(level);
    if (kind == 14) {
      return Pick(std::vector<std::string>{"|", "%", "]", "}", "/", "/[", "/%", "/]", "50%"});
    }
    if (kind == 15) {
      // An opener without a partner spoils the whole entry, so it comes rarely; in free text,
      // "[" and "{" come only as a "[]" or "{}" pair that other text may split.
      if (Chance(25)) return Pick(std::vector<std::string>{"[", "{"});
      return Pick(std::vector<std::string>{"[", "{"}) + Free(kFreeText, 4) +
             Pick(std::vector<std::string>{"]", "}"});
    }
    return Free(kFreeText, 6);
  }

  std::string Tokens(int level, int max_count) {
    std::string text;
    const int count = Below(max_count + 1);
    for (int i = 0; i < count; ++i) text += Token(level);
    return text;
  }

  // An unpaired "|" or "%" whose partner is only in a later result. The probe variables are
  // touched nowhere else, so a changed Hit or a "Q!" in the output shows that the scan went back.
  std::string GoBackProbe(int level) {
    const std::string filler =
        Chance(50) ? "" : Pick(std::vector<std::string>{"[L0]", "{1d2}", "ab", "[CC~L1]", "%V2%"});
    const int kind = Below(4);
    if (kind == 0) return "|Hit&Q" + filler + "[Pipe]";
    if (kind == 1) return "%Hv" + filler + "[Pct]";
    if (kind == 2) return "%Hv" + filler + "[" + Target(level) + "]";
    return "|Hit&Q" + filler + "%V" + std::to_string(Below(3)) + "%";
  }

  std::string Entry(int level) {
    // Now and then a long entry, so that results land far from both ends of the text.
    std::string text = Tokens(level, level > 0 ? 5 : Chance(10) ? 60 : 10);
    if (Chance(40)) text += GoBackProbe(level);
    return text;
  }

  std::string Leaf() {
    std::string text;
    const int count = 1 + Below(3);
    for (int i = 0; i < count; ++i) {
      text += Chance(40) ? Pick(std::vector<std::string>{"|", "%", "/%", "/]", "]", "}", "/[L",
                                                         "[]", "{1d2}", "|V0=|", "|", "%"})
                         : Free(kFreeText, 5);
    }
    return text;
  }

  void Group(std::string& out, const std::string& header, int entries, int level) {
    out += header + "\n";
    for (int i = 0; i < entries; ++i) {
      out += std::to_string(1 + Below(3)) + "," + Entry(level) + "\n";
      if (Chance(10)) out += "_" + Entry(level) + "\n";
    }
  }

  std::string MainTable() {
    std::string out = "# generated\n";
    for (int i = 0; i < 3; ++i) out += "%V" + std::to_string(i) + "%," + VariableValue(i) + "\n";
    out += "%P0%,1\n%Hit%,\n%Hv%,Q!\n%Wn%,3\n@P0,5,How many?\n";
    out += ":Start\n1-2," + Entry(0) + "\n3," + Entry(0) + "\n";
    if (Chance(20)) out += "_" + Entry(0) + "\n";
    Group(out, ";G1a", 2, 1);
    Group(out, ";G1b", 2, 1);
    Group(out, ";G2a", 2, 2);
    Group(out, ";G2b", 1, 2);
    out += ":L0\n1-3," + Leaf() + "\n4-6," + Leaf() + "\n";
    out += ";L1\n1," + Leaf() + "\n3," + Leaf() + "\n";
    out += ";!L2\n1," + Leaf() + "\n1," + Leaf() + "\n1," + Leaf() + "\n";
    out += ";Pipe\n1,|\n";
    out += ";Pct\n1,/%\n1,%\n";
    out += ";EPct\n1,//%\n";
    out += ";Open\n1,/[\n2,/[L\n";
    out += ";Close\n1,/]\n1,]\n";
    out += ";Nm\n1,L0\n1,L1\n1,U.L0\n1,Pipe\n1,Open\n";
    return out;
  }

  std::string OtherTable() {
    std::string out = "%Uv%,[L0]\n%V0%,u\n";
    out += ":L0\n1," + Leaf() + "\n2," + Leaf() + "\n";
    out += ";Frag\n1,|\n1,/%\n1,/[L0/]\n1,%Uv%\n";
    out += ";Mid\n1,[L0]%Uv%|V0&" + Free(kOperandText, 3) + "|\n1,%u" + "[Frag]\n1,[Frag]x|\n";
    return out;
  }

  std::mt19937_64 random_;
};

// ---- the tests -------------------------------------------------------------------------------

// Particular awkward texts (a partner in a later result, results next to a "/") are golden
// cases of the linear scanner: tests/golden/Tables/Expansion/GoBack.tab.
TEST(LinearScanTest, RandomTablesGiveTheSameResultsWithBothScanners) {
  // Empty, so that calls of tables that do not exist fail the same way every time.
  const TempFolder tables("scan");
  constexpr int kCases = 5000;
  constexpr uint64_t kSeed = 0x5EED2024;
  int compared = 0, runaway = 0, went_back = 0, failures = 0;
  std::vector<std::string> report;
  RunWithLargeStack([&] {
    for (int i = 0; i < kCases && failures < 3; ++i) {
      const Case c = TableWriter(kSeed + static_cast<uint64_t>(i)).Write();
      const Observation linear = Roll(c, false, tables.path());
      // A value that happens to read itself recurses without end; the two scanners bound such
      // chains at different points, so those cases prove nothing.
      if (linear.stopped) {
        ++runaway;
        continue;
      }
      const Observation restarting = Roll(c, true, tables.path());
      ++compared;
      bool probe = false;
      for (const std::string& r : linear.results) probe |= r.find("Q!") != std::string::npos;
      for (const std::string& v : linear.variables) probe |= v.find("Hit=Q") != std::string::npos;
      went_back += probe;
      if (!(linear == restarting)) {
        ++failures;
        report.push_back("case " + std::to_string(i) + " (seed " + std::to_string(c.seed) +
                         ", errors as messages " + std::to_string(c.errors_as_messages) +
                         ", cancel mask " + std::to_string(c.cancel_mask) + ")\n--- T.tab\n" +
                         c.main_table + "--- U.tab\n" + c.other_table + "--- linear\n" +
                         Describe(linear) + "--- restarting\n" + Describe(restarting));
      }
    }
  });
  for (const std::string& r : report) ADD_FAILURE() << "The scanners disagree on " << r;
  if (failures == 0) {
    EXPECT_LT(runaway, kCases / 100) << "too many generated cases recurse without end";
    // The generator must really exercise going back, not only the easy forward scan.
    EXPECT_GT(went_back, compared / 10) << went_back << " of " << compared;
  }
  RecordProperty("compared", compared);
  RecordProperty("went_back", went_back);
  std::cout << "compared " << compared << " cases, " << went_back
            << " went back to an earlier unpaired | or %, " << runaway << " skipped\n";
}

}  // namespace
}  // namespace fablewick
