// Text expansion: variables, assignments, group calls, functions and control blocks, the
// messages they leave in the text, the error box, and the bound on nesting.
#include <chrono>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/driver.h"
#include "engine/stack.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::StartsWith;

constexpr char kTable[] =
    "%x%,0\n%hp%,3\n%s%,abc\n%r%,no\n%loop%,%loop%\n%gem%,[Gem]\n%BC%,found\n"
    ":Gem\n1,emerald\n:Rock\n1,|r=rolled|granite\n:Weak\n1,weak\n:Strong\n1,strong\n"
    ":One\n1,1\n:Zero\n1,0\n:False\n1,False\n:Two\n1,2\n:Pct\n1,C/%D\n:Bar\n1,x=7|\n"
    ":Accent\n1,\xC3\xA9lan\n:Three\n1,a\n2,b\n3,c\n:!Once\n1,only\n:Bad\n1,|x/0|[Gem]\n"
    ":Deep\n1,x[Deep]\n:Slash\n1,a/\n%half%,[Ge\n";

class ExpansionTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T", kTable);
    Load("T");
  }

  void Set(const std::string& variable, const std::string& value) {
    Table& table = Load("T");
    table.Vars[static_cast<std::size_t>(table.FindVariable(variable))].Value = value;
  }
  std::string Var(const std::string& variable) { return VariableValue("T", variable); }

  static std::string Message(const std::string& what, int32_t line = kLine) {
    return "<hr><b>###ERR: " + what + " (T, Line " + std::to_string(line) + ").###</b><br>";
  }

  // Exactly one error box was shown by `boundary` for line kLine of T, quoting `entry`; its
  // support information is `info` when given. Forgets the box.
  void ExpectErrorBox(const std::string& boundary, const std::string& entry,
                      const std::string& info = "") {
    ASSERT_EQ(host.boxes.size(), 1u) << entry;
    const ShownBox& box = host.boxes[0];
    EXPECT_EQ(box.kind, ShownBox::kOkCancel);
    EXPECT_EQ(box.title, "Error occurred in " + boundary + " (T, Line 12)");
    const std::string head = "<Entry: " + entry + ">\r\rTechnical Support Information: ";
    if (info.empty()) {
      EXPECT_THAT(box.text, StartsWith(head));
    } else {
      EXPECT_EQ(box.text, head + info);
    }
    host.ClearRecords();
  }

  void ExpectAll(const std::vector<std::pair<std::string, std::string>>& cases) {
    for (const auto& [text, expected] : cases) EXPECT_EQ(Expand(text), expected) << text;
  }
};

TEST_F(ExpansionTest, VariableReadsAndLiteralDelimiters) {
  ExpectAll({{"%x%", "0"},
             {"% hp %", "3"},
             {"%nope%", Message("Tried to reference non-existent variable 'nope'")},
             {"5% or 6%", "5" + Message("Tried to reference non-existent variable 'or 6'")},
             {"50%", "50%"},
             {"a|b", "a|b"},
             {"a/%x%", "a/%x%"},
             {"/[Gem/]", "/[Gem/]"}});
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ExpansionTest, AssignmentsByOperator) {
  struct Case {
    const char* before;
    const char* assignment;
    const char* after;
  };
  for (const Case& c : std::vector<Case>{{"0", "x=1", "1"},
                                         {"0", " x = 5", " 5"},
                                         {"abc", "x+1", "1"},
                                         {"1", "x+0.1", "1.1"},
                                         {"9", "x-5", "4"},
                                         {"9", "x=-5", "-5"},
                                         {"4", "x*2.5", "10"},
                                         {"10", "x/4", "2.5"},
                                         {"7", "x\\2", "3"},
                                         {"-7", "x\\2", "-3"},
                                         {"2.5", "x\\1", "2"},
                                         {"3.5", "x\\1", "4"},
                                         {"12", "x<10", "10"},
                                         {"8", "x<10", "8"},
                                         {"3", "x>5", "5"},
                                         {"8", "x>5", "8"},
                                         {"ab", "x& c", "ab c"},
                                         {"7", "x", "7"}}) {
    Set("x", c.before);
    EXPECT_EQ(Expand(std::string("a|") + c.assignment + "|b"), "ab") << c.assignment;
    EXPECT_EQ(Var("x"), c.after) << c.before << " then " << c.assignment;
  }
  EXPECT_EQ(Expand("| nope = 1|"), Message("Error in ' nope = 1' - variable not found"));
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ExpansionTest, FailingAssignmentShowsTheErrorBoxAndLeavesTheVariable) {
  Set("x", "5");
  EXPECT_EQ(Expand("a|x/0|b"), "ab");
  ExpectErrorBox("ProcessString", "x/0", "11 - Division by zero");
  EXPECT_EQ(Expand("|x\\0.4|"), "");
  ExpectErrorBox("ProcessString", "x\\0.4", "11 - Division by zero");
  Set("x", "1e308");
  EXPECT_EQ(Expand("|x*1e308|"), "");
  ExpectErrorBox("ProcessString", "x*1e308", "6 - Overflow");
  EXPECT_EQ(Var("x"), "1e308");
}

TEST_F(ExpansionTest, CancelInTheErrorBoxStopsTheRestOfTheGeneration) {
  host.ok_cancel_answers = {false};
  EXPECT_EQ(Expand("a|x/0|b[Gem]|x=9|c"), "abc");
  EXPECT_FALSE(engine.g_bKeepRunning);
  EXPECT_EQ(Var("x"), "0");
  EXPECT_EQ(host.boxes.size(), 1u);

  host.ClearRecords();
  host.ok_cancel_answers = {false};
  WriteTable("R", "%v%,1\n:Start\n1,<|v/0|[T.Gem]>\n");
  EXPECT_THAT(RollTable(engine, "R", 3), testing::ElementsAre("<>", "", ""));
  EXPECT_EQ(host.BoxesOfKind(ShownBox::kOkCancel).size(), 1u);
}

TEST_F(ExpansionTest, CancelDuringOneRepetitionEmptiesOnlyThatRepetition) {
  host.ok_cancel_answers = {false};
  EXPECT_EQ(Expand("[N3~Bad]"), "emeraldemerald");
  EXPECT_EQ(host.boxes.size(), 3u);
}

TEST_F(ExpansionTest, GroupCallPrefixes) {
  ExpectAll({{"[N3~Gem]", "emeraldemeraldemerald"},
             {"[N0~Gem]", "emerald"},
             {"[CN~Gem]", "an emerald"},
             {"[CC~CN~Gem]", "An emerald"},
             {"[CN~CC~Weak]", "A weak"},
             {"[CX~Gem]", "emerald"},
             {"[ZZ~Gem]", "emerald"},
             {"[CC~Accent]", "\xC3\x89lan"},
             {"[CN~Accent]", "a \xC3\xA9lan"},
             {"[T.Gem]", "emerald"},
             {"a[]b", "ab"}});
  std::set<std::size_t> lengths;
  for (int i = 0; i < 90; ++i) lengths.insert(Expand("[D3~Gem]").size());
  EXPECT_EQ(lengths, (std::set<std::size_t>{7, 14, 21}));
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ExpansionTest, RepeatPrefixWithoutADigitFails) {
  EXPECT_EQ(Expand("<[NX~Gem]>"), "<>");
  ExpectErrorBox("ProcessString", "NX~Gem");
  EXPECT_EQ(Expand("[DX~Gem]"), "");
  ExpectErrorBox("ProcessString", "DX~Gem");
}

TEST_F(ExpansionTest, ResetPrefixStartsANoRepeatGroupAfresh) {
  EXPECT_EQ(Expand("[Once][Once]"),
            "only<hr><b>###ERR: Non-duplicating group exhausted in Table: T / Group: Once "
            "###</b><hr>");
  EXPECT_EQ(Expand("[RS~Once]"), "only");
  EXPECT_EQ(Expand("[Rq~Once]"), "only");
}

TEST_F(ExpansionTest, LinkPrefixWrapsTheResultInANumberedReRollLink) {
  engine.LinkCounter = 7;
  ExpectAll(
      {{"[LX~CC~Gem]", "<a name=\"fwroll7\" CLASS=clsLink href=\"reg7://CC~T.Gem\">Emerald</a>"},
       {"[LX~N2~Gem]",
        "<a name=\"fwroll8\" CLASS=clsLink href=\"reg8://N2~T.Gem\">emeraldemerald</a>"},
       {"[LX~T.Three=2]", "<a name=\"fwroll9\" CLASS=clsLink href=\"reg9://T.Three=2\">b</a>"},
       {"[LX~Rq~D1~Nothing]",
        "<a name=\"fwroll10\" CLASS=clsLink href=\"reg10://RS~D1~T.Nothing\">Nothing</a>"}});
  EXPECT_EQ(engine.LinkCounter, 11);
  engine.ClearTableCache();
  EXPECT_EQ(engine.LinkCounter, 0);
}

TEST_F(ExpansionTest, ConditionalCallWithALinkGetsARebuiltUnnamedLink) {
  ExpectAll({{"[LX~%hp%<5?Weak/Strong]", "<a CLASS=clsLink href=\"reg1://T.Weak\">weak</a>"},
             {"[CC~LX~1=1?CN~Gem]", "<a CLASS=clsLink href=\"reg3://CN~T.Gem\">An emerald</a>"},
             {"[LX~1=2?Gem]", "<a CLASS=clsLink href=\"reg5://T.\"></a>"}});
  EXPECT_EQ(engine.LinkCounter, 6);
}

TEST_F(ExpansionTest, ConditionalCallsCompareNumbersAsNumbersAndOtherTextsByCode) {
  ExpectAll({{"[%hp%<5?Weak/Strong]", "weak"},
             {"[10>9?Weak/Strong]", "weak"},
             {"[10>9a?Weak/Strong]", "strong"},
             {"[ 3 <= 3 ? Weak / Strong ]", "weak"},
             {"[abc!=ABC?Weak/Strong]", "weak"},
             {"[%s%=ABC?Weak/Strong]", "strong"},
             {"[16777217=16777216?Weak/Strong]", "weak"},
             {"[%s%?Weak/Strong]", ""},
             {"[1=2?Weak]", ""},
             {"[1=1?N2~Gem/Rock]", "emeraldemerald"}});
  Set("hp", "12");
  EXPECT_EQ(Expand("[%hp%<5?Weak/Strong]"), "strong");
}

TEST_F(ExpansionTest, RollModifiersIncludingOnesFoundInsideTheParameterList) {
  ExpectAll({{"[Three=2]", "b"},
             {"[Three=2.5]", "b"},
             {"[Three+5]", "c"},
             {"[Three-5]", "a"},
             {"[Gem(1,-2)]", "Gem(1,"}});
  EXPECT_EQ(Expand("[Three+40000]"), "");
  ExpectErrorBox("ProcessString", "Three+40000", "6 - Overflow");
  engine.bTabCallsAsErrors = true;
  EXPECT_EQ(Expand("[Gem(1,-2)]"), Message("Group 'Gem(1,' - not found"));
}

TEST_F(ExpansionTest, MissingGroupGivesItsCallTextOrItsMessageOnce) {
  ExpectAll({{"[Nothing here]", "Nothing here"},
             {"[CC~nothing+2]", "Nothing"},
             {"[N3~Nothing]", "Nothing"},
             {"[T.gem]", "T.gem"}});
  engine.bTabCallsAsErrors = true;
  ExpectAll({{"[Nothing here]", Message("Group 'Nothing here' - not found")},
             {"[N3~Nothing]", Message("Group 'Nothing' - not found")},
             {"[T.gem=2]", Message("Group 'T.gem' - not found")}});
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ExpansionTest, CallOfATableThatCannotBeLoadedGivesNothingAndIsReportedEachTime) {
  EXPECT_EQ(Expand("a[Nope.Start]b[Nope.Start]"), "ab");
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(host.boxes[1].title, "Error reading table file: Nope");
  EXPECT_EQ(host.boxes[1].text, "File \"Nope\" not found.\r\r");
}

TEST_F(ExpansionTest, UnmatchedOpenerTakesTheRestOfTheTextThenFails) {
  EXPECT_EQ(Expand("a[Gem"), "");
  ExpectErrorBox("ProcessString", "a[Gem", "5 - Invalid procedure call or argument");
  EXPECT_EQ(Expand("a[|x=5|"), "");
  ExpectErrorBox("ProcessString", "a[|x=5|");
  EXPECT_EQ(Var("x"), "5");
  EXPECT_EQ(Expand("{3d6"), "");
  ExpectErrorBox("ProcessString", "{3d6");
}

TEST_F(ExpansionTest, SubstitutedTextIsScannedAgainFromTheStart) {
  EXPECT_EQ(Expand("%gem%"), "emerald");
  // The roller turns C/%D into C%D, whose "%" pairs with the one before the call.
  EXPECT_EQ(Expand("A%B[Pct]"), "AfoundD");
  // "x=7|" closes the "|" before the call: an assignment.
  EXPECT_EQ(Expand("|[Bar]"), "");
  EXPECT_EQ(Var("x"), "7");
  EXPECT_EQ(Expand("%half%m]"), "emerald");
  // A "/" produced by a substitution escapes the bracket after it.
  EXPECT_EQ(Expand("[Slash][Gem]"), "a/[Gem]");
}

TEST_F(ExpansionTest, DiceExpressions) {
  struct Range {
    const char* text;
    int low, high;
  };
  for (const Range& r : std::vector<Range>{{"{3d6}", 3, 18},
                                           {"{Dice~3d6}", 3, 18},
                                           {"{d6}", 1, 6},
                                           {"{0d6}", 1, 6},
                                           {"{xd6}", 1, 6},
                                           {"{3d6+2}", 5, 20},
                                           {"{3d6-2}", 1, 16},
                                           {"{3d6/2}", 1, 9},
                                           {"{2d6*10}", 20, 120},
                                           {"{2d6 + 1}", 3, 13}}) {
    std::set<int> seen;
    for (int i = 0; i < 300; ++i) {
      const std::string result = Expand(r.text);
      const int value = std::stoi(result);
      ASSERT_EQ(std::to_string(value), result) << r.text;
      ASSERT_GE(value, r.low) << r.text;
      ASSERT_LE(value, r.high) << r.text;
      seen.insert(value);
    }
    EXPECT_GE(seen.size(), std::min<std::size_t>(6, r.high - r.low + 1)) << r.text;
  }
  ExpectAll({{"{3D6}", "3D6"},
             {"{12}", "12"},
             {"{}", ""},
             {"{dog}", "1"},
             {"{3dx}", "3"},
             {"{2d0}", "2"},
             {"{2d6*2+1}", "3"},
             {"{2d6-1+1}", "3"}});
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ExpansionTest, FailingDiceShowTheDispatchersErrorBox) {
  for (const char* text : {"{3d6+x}", "{2+d6}", "{40000d6}"}) {
    EXPECT_EQ(Expand(std::string("<") + text + ">"), "<>") << text;
    ASSERT_EQ(host.boxes.size(), 1u) << text;
    EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessFunction (T, Line 12)");
    EXPECT_THAT(host.boxes[0].text, StartsWith("<Entry: "));
    host.ClearRecords();
  }
  host.ok_cancel_answers = {false};
  EXPECT_EQ(Expand("a{3d6/0}b[Gem]"), "ab");
  EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessFunction (T, Line 12)");
  EXPECT_THAT(host.boxes[0].text,
              testing::EndsWith("3d6/0>\r\rTechnical Support Information: 11 - Division by zero"));
}

TEST_F(ExpansionTest, UnknownFunctionsAreNamedInTheirMessage) {
  ExpectAll({{"{dice~3d6}", Message("Error in 'dice~3d6' - function unknown")},
             {"{ Dice~3d6}", Message("Error in ' Dice~3d6' - function unknown")},
             {"{if~1=1?a/b}", Message("Error in 'if~1=1?a/b' - function unknown")},
             {"{Nope~%hp%~[Gem]}", Message("Error in 'Nope~3~emerald' - function unknown")}});
}

TEST_F(ExpansionTest, IfChoosesByTheComparisonAndCutsAtTopLevelSeparators) {
  Set("x", "5");
  ExpectAll({{"{If~%x%>3?big/small}", "big"},
             {"{If~10>9?a/b}", "a"},
             {"{If~10>9x?a/b}", "b"},
             {"{If~%s%=ABC?same/different}", "different"},
             {"{If~1=1?x}", "x"},
             {"{If~1?x/y}", ""},
             {"{If~1=1?<b>yes</b>/no}", "<b>yes<"},
             {"{If~[1=1?One/Zero]=1?yes/no}", "yes"},
             {"{If~1=1?[0=1?Gem/Weak]/no}", "weak"},
             {"{If~1=1?{If~2=3?a/b}/c}", "b"},
             {"{If~1=1?|s=a/b|done/no}", "done"}});
  EXPECT_EQ(Var("s"), "a/b");
  Set("x", "2");
  EXPECT_EQ(Expand("{If~%x%>3?big/small}"), "small");
  EXPECT_EQ(Expand("{If~%x%>3?big}"), "");
}

TEST_F(ExpansionTest, IfExpandsOnlyTheChosenText) {
  EXPECT_EQ(Expand("{If~1=1?[Gem]/[Rock]}"), "emerald");
  EXPECT_EQ(Expand("{If~1=0?|x=changed|/b}"), "b");
  EXPECT_EQ(Var("r"), "no");
  EXPECT_EQ(Var("x"), "0");
  EXPECT_EQ(Expand("a{If~x}b"), "");
  ExpectErrorBox("ProcessString", "a{If~x}b");
}

TEST_F(ExpansionTest, LoopRepeatsItsBodyExpandedAfreshEachPass) {
  ExpectAll({{"{Loop~3,[Gem] }", "emerald emerald emerald "},
             {"{Loop~0,x}", ""},
             {"{Loop~-1,x}", ""},
             {"{Loop~2.5,x}", "xx"},
             {"{Loop~[Two(a,b)],x}", "xx"},
             {"{Loop~3}", Message("Error in '3' - comma not found")},
             {"{While~1}", Message("Error in '1' - comma not found")}});
  const std::string rolls = Expand("{Loop~30,{d6}}");
  EXPECT_EQ(rolls.size(), 30u);
  EXPECT_GT(std::set<char>(rolls.begin(), rolls.end()).size(), 3u);
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ExpansionTest, LoopCountMustBeANumberThatItsPassCounterHolds) {
  EXPECT_EQ(Expand("{Loop~abc,|x+1|}"), "");
  ExpectErrorBox("ProcessString", "{Loop~abc,|x+1|}");
  EXPECT_EQ(Expand("{Loop~32769,|x+1|}"), "");
  ExpectErrorBox("ProcessString", "{Loop~32769,|x+1|}");
  EXPECT_EQ(Var("x"), "0");
  EXPECT_EQ(Expand("{Loop~32768,|x+1|}"), "");
  ExpectErrorBox("ProcessString", "{Loop~32768,|x+1|}");
  EXPECT_EQ(Var("x"), "32768");
}

TEST_F(ExpansionTest, WhileTestsItsConditionBeforeEveryPass) {
  EXPECT_EQ(Expand("{While~[%x%<3?One/Zero],|x+1|%x%}"), "123");
  Set("x", "0");
  EXPECT_EQ(Expand("{While~[%x%<2?One/False],|x+1|%x%}"), "12");
  EXPECT_EQ(Expand("{While~0,x}"), "");
  EXPECT_EQ(Expand("{While~%x%<3,x}"), "");
  ExpectErrorBox("ProcessString", "{While~%x%<3,x}");
}

TEST_F(ExpansionTest, OtherKindsAndAStoppedGenerationGiveNothing) {
  engine.BeginGeneration();
  EXPECT_EQ(engine.ProcessString("abc", 3, "T", kLine), "");
  EXPECT_EQ(engine.ProcessString("abc", 9, "T", kLine), "");
  engine.g_bKeepRunning = false;
  engine.g_nIterations = 0;
  EXPECT_EQ(engine.ProcessString("abc[Gem]", kPlainText, "T", kLine), "");
  EXPECT_EQ(engine.g_nIterations, 1);
}

TEST_F(ExpansionTest, LongGenerationYieldsToTheWindowNowAndThenButNotOnEveryExpansion) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Expand("{Loop~20000,{Loop~20,|x+1|}}"), "");
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
  EXPECT_EQ(Var("x"), "400000");
  EXPECT_GE(host.yields, 1);
  EXPECT_LE(host.yields, elapsed / 20 + 1) << elapsed << " ms";
}

// Endless recursion ends with one message and stops the generation, on a generation thread and
// on an ordinary thread alike.
class NestingTest : public ExpansionTest {
 protected:
  void ExpectStoppedOnce(const std::string& text, int32_t line) {
    std::string result;
    RunWithLargeStack([&] { result = Expand(text); });
    Check(text, result, line);
    result = Expand(text);
    Check(text, result, line);
  }

  void Check(const std::string& text, const std::string& result, int32_t line) {
    const std::string message = Message("Nesting too deep, possible endless recursion", line);
    EXPECT_EQ(CountOf(result, message), 1) << text.substr(0, 20) << ": " << result.substr(0, 300);
    EXPECT_FALSE(engine.g_bKeepRunning) << text.substr(0, 20);
    for (const ShownBox& box : host.boxes) ADD_FAILURE() << box.title << ": " << box.text;
    host.ClearRecords();
  }
};

TEST_F(NestingTest, GroupCallingItself) {
  const int32_t line = Load("T").FindGroup("Deep")->Entries[0].Line;
  ExpectStoppedOnce("[Deep]", line);
  ExpectStoppedOnce("[N3~Deep]", line);
}

TEST_F(NestingTest, VariableWhoseValueIsItsOwnReference) { ExpectStoppedOnce("%loop%", kLine); }

TEST_F(NestingTest, DeeplyNestedConstructs) {
  ExpectStoppedOnce(std::string(5000, '[') + std::string(5000, ']'), kLine);
}

TEST_F(NestingTest, ManySubstitutionsSideBySideAreNotNesting) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "%gem%";
  std::string expected;
  for (int i = 0; i < 5000; ++i) expected += "emerald";
  EXPECT_EQ(Expand(text), expected);
}

}  // namespace
}  // namespace fablewick
