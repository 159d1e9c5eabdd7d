// The string and number functions, called from table text the way tables use them.
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::StartsWith;

class StringFunctionsTest : public EngineFixture {
 protected:
  void SetUp() override {
    WriteTable("T",
               "%a%,3\n%b%,10\n%c%,2\n%x%,red;green;blue\n%p%,-\n%q%,-\n%r%,-\n"
               ":Start\n1,x\n");
    Load("T");
  }

  void Set(const std::string& variable, const std::string& value) {
    Table& table = Load("T");
    table.Vars[static_cast<std::size_t>(table.FindVariable(variable))].Value = value;
  }
  std::string Var(const std::string& variable) { return VariableValue("T", variable); }

  std::string Vars(const std::vector<std::string>& variables) {
    std::string values;
    for (const std::string& variable : variables)
      values += (values.empty() ? "" : " ") + Var(variable);
    return values;
  }

  // Each call gives "" and shows the dispatcher's error box with its error number.
  void ExpectFailures(const std::vector<std::pair<std::string, int>>& cases) {
    for (const auto& [content, number] : cases) {
      EXPECT_EQ(Expand("{" + content + "}"), "") << content;
      ASSERT_EQ(host.boxes.size(), 1u) << content;
      EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessFunction (T, Line 12)");
      EXPECT_THAT(host.boxes[0].text,
                  StartsWith("<Entry: " + content + ">\r\rTechnical Support Information: " +
                             std::to_string(number) + " - "));
      host.ClearRecords();
    }
  }
};

// Several calls in one text: each case reads as the call and its result side by side.
TEST_F(StringFunctionsTest, CeilAndFloorRoundTowardTheirSideInSinglePrecision) {
  EXPECT_EQ(Expand("{Ceil~2} {Floor~2} {Ceil~3.2} {Floor~3.2} {Ceil~-3.2} {Floor~-3.2}"),
            "2 2 4 3 -3 -4");
  EXPECT_EQ(Expand("{Floor~-0.5} {Ceil~-0.5} {Ceil~3.2 apples} {Floor~abc} {Ceil~123456789}"),
            "-1 0 4 0 1.234568E+08");
  ExpectFailures({{"Ceil~1e39", 6}});
}

TEST_F(StringFunctionsTest, RoundKeepsHalvesEvenOnTheFloatsExactValue) {
  EXPECT_EQ(Expand("{Round~2.675,2} {Round~2.5,0} {Round~3.5,0} {Round~-2.5,0} {Round~0.125,2}"),
            "2.67 2 4 -2 0.12");
  EXPECT_EQ(Expand("{Round~0.375,2} {Round~9.96,1} {Round~1.23456789,3} {Round~7,200}"),
            "0.38 10 1.235 7");
  EXPECT_EQ(Expand("{Round~1.234567e-20,22} {Round~x,1}"), "1.23E-20 0");
  ExpectFailures({{"Round~2.5", 5}, {"Round~2.5,-1", 5}, {"Round~2.5,40000", 6}});
}

TEST_F(StringFunctionsTest, MaxAndMinCompareStrictWholeNumbers) {
  EXPECT_EQ(Expand("{Max~3,9.5,-2} {Min~3,9.5,-2} {Max~5} {Max~2.5,1} {Min~ 4, 7}"), "10 -2 5 2 4");
  ExpectFailures({{"Max~", 13}, {"Min~1,,2", 13}, {"Max~1,two", 13}, {"Max~3e9", 6}});
}

TEST_F(StringFunctionsTest, FindCountsCodePointsFromTheStart) {
  EXPECT_EQ(Expand("{Find~1,b,abcabc} {Find~3,b,abcabc} {Find~1,B,abc} {Find~1,c,a,b,c}"),
            "2 5 0 5");
  EXPECT_EQ(Expand("{Find~3,z,\xC3\xA9z\xC3\xA9z} {Find~2,,abc} {Find~4,,abc} {Find~9,a,abc}"),
            "4 2 0 0");
  EXPECT_EQ(Expand("{Find~1,a,}.{Find~1,x}."), "0..");
  ExpectFailures({{"Find~0,a,abc", 5}, {"Find~x,a,abc", 13}, {"Find~40000,a,abc", 6}});
}

TEST_F(StringFunctionsTest, ReplaceSubstitutesEveryOccurrenceInTheRestOfTheText) {
  EXPECT_EQ(Expand("{Replace~a,o,banana, apple} {Replace~aa,a,aaaaa} {Replace~,x,abc}"),
            "bonono, opple aaa abc");
  EXPECT_EQ(Expand("{Replace~a,,banana} {Replace~a,o}."), "bnn .");
}

TEST_F(StringFunctionsTest, LeftRightAndMidCutCodePoints) {
  EXPECT_EQ(Expand("{Left~Hello,2} {Left~Hello,9} {Right~Hello,3} {Right~Hello,9}"),
            "He Hello llo Hello");
  EXPECT_EQ(Expand("{Left~Hello,x}.{Left~Hello, world,3}.{Mid~Hello,9,3}."), "...");
  EXPECT_EQ(Expand("{Mid~Hello,2,3} {Mid~Hello,4,9}"), "ell lo");
  EXPECT_EQ(
      Expand("{Left~\xC3\xA9t\xC3\xA9,2} {Right~\xC3\xA9t\xC3\xA9,1} {Mid~\xC3\xA9t\xC3\xA9,2,2}"),
      "\xC3\xA9t \xC3\xA9 t\xC3\xA9");
  ExpectFailures({{"Left~Hello", 5},
                  {"Right~Hello,-1", 5},
                  {"Mid~Hello,2", 5},
                  {"Mid~Hello,0,2", 5},
                  {"Mid~Hello,2,-1", 5},
                  {"Mid~Hello,x,2", 13}});
}

TEST_F(StringFunctionsTest, OrdinalAddsTheSuffixOfTheLastDigits) {
  EXPECT_EQ(Expand("{Ordinal~0} {Ordinal~none} {Ordinal~1} {Ordinal~2} {Ordinal~3} {Ordinal~4}"),
            "0 none 1st 2nd 3rd 4th");
  EXPECT_EQ(Expand("{Ordinal~11} {Ordinal~12} {Ordinal~13} {Ordinal~21} {Ordinal~113}"),
            "11th 12th 13th 21st 113th");
  EXPECT_EQ(Expand("{Ordinal~122} {Ordinal~-3}"), "122nd -3rd");
  ExpectFailures({{"Ordinal~3a", 13}, {"Ordinal~3 ", 13}});
}

TEST_F(StringFunctionsTest, PluralFollowsTheWordsEndingAndCase) {
  EXPECT_EQ(Expand("{Plural~city} {Plural~day} {Plural~CITY} {Plural~wolf} {Plural~staff}"),
            "cities days CITIES wolves staves");
  EXPECT_EQ(Expand("{Plural~knife} {Plural~box} {Plural~hero} {Plural~church} {Plural~BUSH}"),
            "knives boxes heroes churches BUSHES");
  EXPECT_EQ(Expand("{Plural~Orc} {Plural~7} {Plural~} {Plural~y} {Plural~Y}"), "Orcs 7S S ys YS");
  EXPECT_EQ(Expand("{Plural~\xC3\x89TAGE} {Plural~caf\xC3\xA9}"), "\xC3\x89TAGES caf\xC3\xA9s");
}

TEST_F(StringFunctionsTest, CapEachWordUpperCasesAfterSpacesOnly) {
  EXPECT_EQ(Expand("{CapEachWord~the old MILL}.{CapEachWord~a  b}.{CapEachWord~a\tb-c}"),
            "The Old MILL.A  B.A\tb-c");
  EXPECT_EQ(Expand("{CapEachWord~}{CapEachWord~\xC3\xA9t\xC3\xA9 \xC3\xA0}"),
            "\xC3\x89t\xC3\xA9 \xC3\x80");
}

class SplitTest : public StringFunctionsTest {};

TEST_F(SplitTest, AssignsPiecesToTheKnownNamesInOrder) {
  EXPECT_EQ(Expand("{Split~x,\";\",p,nosuch,q}"), "");
  EXPECT_EQ(Vars({"p", "q", "r", "x"}), "red green - red;green;blue");
  Expand("{Split~x,\";\",x,r}");  // the source may be a destination
  EXPECT_EQ(Vars({"x", "r"}), "red green");
}

TEST_F(SplitTest, TakesAnyDelimiterAndLeavesSurplusVariablesAlone) {
  Set("x", "1, 2");
  Expand("{Split~x,\", \",p,q,r}");
  EXPECT_EQ(Vars({"p", "q", "r"}), "1 2 -");
  Expand("{Split~x,\"\",r}");
  EXPECT_EQ(Var("r"), "1, 2");
  Set("x", "");
  Expand("{Split~x,\";\",p}");
  EXPECT_EQ(Var("p"), "1");
}

TEST_F(SplitTest, DoesNothingWithoutCommaOrQuotesAndFailsOnAnUnknownSource) {
  EXPECT_EQ(Expand("{Split~x}{Split~x,;,p}{Split~nosuch,\";p}"), "");
  EXPECT_TRUE(host.boxes.empty());
  ExpectFailures({{"Split~nosuch,\";\",p", 9}});
  EXPECT_EQ(Var("p"), "-");
}

class SortVariablesTest : public StringFunctionsTest {};

TEST_F(SortVariablesTest, SortsNumbersByValueAndTextsByCharacterCode) {
  Expand("{SortAsc~a,b,c}");
  EXPECT_EQ(Vars({"a", "b", "c"}), "2 3 10");
  Expand("{SortDesc~a,b,c}");
  EXPECT_EQ(Vars({"a", "b", "c"}), "10 3 2");
  Set("a", "pear");
  Set("b", "Apple");
  Expand("{SortAsc~a,b,c}");
  EXPECT_EQ(Vars({"a", "b", "c"}), "2 Apple pear");
}

// A stable sort would give 0 1.0 1.
TEST_F(SortVariablesTest, PlacesEqualNumbersWhereASelectionSortLeavesThem) {
  Set("a", "1.0");
  Set("b", "1");
  Set("c", "0");
  Expand("{SortAsc~a,b,c}");
  EXPECT_EQ(Vars({"a", "b", "c"}), "0 1 1.0");
}

TEST_F(SortVariablesTest, SkipsUnknownNamesAndFailsWhenNoneIsKnown) {
  Expand("{SortAsc~a, b,nosuch,c,a}");  // " b" is no name; a takes part twice
  EXPECT_EQ(Vars({"a", "b", "c"}), "3 10 3");
  ExpectFailures({{"SortDesc~nosuch, a", 9}});
}

// A long list of equal numbers written differently, against a plain selection sort.
TEST_F(SortVariablesTest, MatchesAPlainSelectionSortOnALongList) {
  const std::vector<std::string> spellings = {"1", "1.0", "01", "2", "2.0", "0", "1e0", "+2"};
  std::string table;
  std::string names;
  std::vector<std::string> values;
  for (int i = 0; i < 120; ++i) {
    values.push_back(spellings[static_cast<std::size_t>(i * 7 % 11) % spellings.size()]);
    table += "%v" + std::to_string(i) + "%," + values.back() + "\n";
    names += (i ? ",v" : "v") + std::to_string(i);
  }
  WriteTable("L", table + ":Start\n1,x\n");
  Expand("{SortAsc~" + names + "}", "L");

  for (std::size_t i = 0; i < values.size(); ++i) {
    std::size_t smallest = i;
    for (std::size_t j = i; j < values.size(); ++j) {
      if (std::stod(values[j]) < std::stod(values[smallest])) smallest = j;
    }
    std::swap(values[i], values[smallest]);
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(VariableValue("L", "v" + std::to_string(i)), values[i]) << i;
  }
}

}  // namespace
}  // namespace fablewick
