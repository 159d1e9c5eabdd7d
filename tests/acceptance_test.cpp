// Acceptance cases for fablewick-cli: the tables under tests/data/acceptance run through the real
// executable, and each case compares the whole of standard output, standard error and the exit
// status with the texts the table language defines. Most cases roll one group with
// `call "[Table.Group]"`, whose text document is the result followed by three empty lines.
#include <stdlib.h>

#include <filesystem>
#include <ostream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/cli_process.h"

#if defined(FABLEWICK_CLI_PATH) && defined(FABLEWICK_TEST_DATA_DIR)

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

struct Case {
  std::string name;
  Strings args;          // after --home and --seed
  std::string out;       // "{home}" stands for the program folder, once at most
  std::string err = "";  // exact; a regular expression when it begins with "~"
  int status = 0;
};

// Failures name the case rather than dumping its bytes.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

// ---- expected texts ------------------------------------------------------------------------

std::string Text(const Strings& results) {
  std::string document;
  for (const std::string& result : results) document += result + "\r\n\r\n\r\n\r\n";
  return document;
}

std::string Box(const std::string& title, const std::string& text) {
  return "[" + title + "] " + text + "\n";
}

std::string LoaderBox(const std::string& table, const std::string& text) {
  return Box("Error reading table file: " + table, text);
}

// The error boxes of an entry's failures, in order: each {content, failure} shown by the
// boundary `where` ("ProcessFunction" or "ProcessString").
using Failures = std::vector<std::pair<std::string, std::string>>;
std::string Boxes(const std::string& where, const std::string& table, int line,
                  const Failures& failures) {
  std::string boxes;
  for (const auto& [entry, failure] : failures) {
    boxes += Box(where + " (" + table + ", Line " + std::to_string(line) + ")",
                 "<Entry: " + entry + ">\n\nTechnical Support Information: " + failure);
  }
  return boxes;
}
std::string FunctionBoxes(const std::string& table, int line, const Failures& failures) {
  return Boxes("Error occurred in ProcessFunction", table, line, failures);
}
std::string StringBox(const std::string& table, int line, const std::string& entry,
                      const std::string& failure) {
  return Boxes("Error occurred in ProcessString", table, line, {{entry, failure}});
}

const std::string kInvalid = "5 - Invalid procedure call or argument";
const std::string kOverflow = "6 - Overflow";
const std::string kSubscript = "9 - Subscript out of range";
const std::string kDivision = "11 - Division by zero";
const std::string kMismatch = "13 - Type mismatch";

// "<hr><b>###ERR: " text " (" table ", Line " line ").###</b><br>"
std::string Err(const std::string& text, const std::string& table, int line) {
  return "<hr><b>###ERR: " + text + " (" + table + ", Line " + std::to_string(line) +
         ").###</b><br>";
}

std::string Exhausted(const std::string& table, const std::string& group) {
  return "<hr><b>###ERR: Non-duplicating group exhausted in Table: " + table +
         " / Group: " + group + " ###</b><hr>";
}

std::string ArrayErr(const std::string& text, int line) {
  return "<b>###ERR: " + text + " (Arrays, Line " + std::to_string(line) + ").###</b><br>";
}

std::string ParamErr(const std::string& text) {
  return "<b>###ERR: " + text + " (Lookups, Line 9).</b>";
}

std::string DataErr(int number, const std::string& arguments) {
  return "<b>###ERR: Error (" + std::to_string(number) + ") reading XML Data: " + arguments +
         "'.###</b><br>";
}

std::string AddOnErr(int number, const std::string& identifier, const std::string& parameter) {
  return "<b>###ERR: Error (" + std::to_string(number) + ") calling add-on: '" + identifier +
         "' with parameter '" + parameter + "'.###</b><br>";
}

std::string Link(int n, const std::string& href, const std::string& text) {
  const std::string number = std::to_string(n);
  return "<a name=\"fwroll" + number + "\" CLASS=clsLink href=\"reg" + number + "://" + href +
         "\">" + text + "</a>";
}

std::string Note(int n, const std::string& text) {
  const std::string number = std::to_string(n);
  return "<a name=\"fwroll" + number + "\" CLASS=clsLink style=\"color:green\" href=\"nte" +
         number + "://\">" + text + "</a>";
}

const std::string kHtmlHead =
    "<HTML>\r\n<HEAD>\r\n<TITLE>Random Inn</TITLE>\r\n"
    "<link href=\"{home}/link.css\" type=\"text/css\" rel=\"stylesheet\">\r\n</HEAD>\r\n"
    "<BODY TEXT=\"#112233\"; LINK = \"#0000FF\"; VLINK = \"#0000FF\"; ALINK = \"#0000FF\"; "
    "BGCOLOR = \"white\">\r\n";
const std::string kXmlHead =
    "<?xml version=\"1.0\"?>\r\n<Random_Inn>\r\n<Generator>Fablewick 4.0</Generator>\r\n";
const std::string kInn = "A\r\nB\tCM x";  // A^MB^TC^^M^m^t x^

Case Call(const std::string& name, const std::string& call, const std::string& result,
          const std::string& err = "") {
  return {name, {"call", "[" + call + "]"}, Text({result}), err};
}

std::vector<Case> Cases() {
  const std::string nr3 = Exhausted("Select", "NR3");
  const std::string nr = Exhausted("Select", "NR");
  const std::string nowhere = LoaderBox("Nowhere", "File \"Nowhere\" not found.\n\n");
  // clang-format off
  return {
      // Loading table files
      {"NoCommaLineIsSkippedAndTheNextContinuationJoinsTheEntryBefore", {"roll", "NoComma"},
       Text({"first continued"}),
       LoaderBox("NoComma", "Line 3 has no initial comma, and will be ignored: \n\nno comma here")},
      {"ValueThatIsNotANumberFailsTheLoad", {"roll", "BadValue"}, "",
       LoaderBox("BadValue", "Missing value before comma in line 4:\n\n2 x,bad"), 1},
      {"NegativeValueIsAMissingValue", {"roll", "Negative"}, "",
       LoaderBox("Negative", "Missing value before comma in line 3:\n\n-1,negative"), 1},
      {"ValueOf32768Exceeds", {"roll", "TooBig"}, "",
       LoaderBox("TooBig", "Value exceeds 32768 in line 2:\n\n1-32768,big"), 1},
      {"WeightsAddingUpBeyond32767Exceed", {"roll", "WeightSum"}, "",
       LoaderBox("WeightSum", "Value exceeds 32768 in line 3:\n\n768,b"), 1},
      {"VariableLineWithTheCommaFirstIsAnUnknownError", {"roll", "BadVariable"}, "",
       LoaderBox("BadVariable", "An unknown error occurred in line 1:\n\n%,x"), 1},
      {"ParameterLineWithTwoFieldsIsAnUnknownError", {"roll", "ShortParam"}, "",
       LoaderBox("ShortParam", "An unknown error occurred in line 2:\n\n@v,1"), 1},
      {"MissingTableFileExitsWith1", {"roll", "Missing"}, "",
       LoaderBox("Missing", "File \"Missing\" not found.\n\n"), 1},
      {"OrphanContinuationAndUndeclaredParameterAreReportedAndIgnored", {"roll", "Orphans"},
       Text({"entry"}),
       "~\\[Error reading table file: Orphans\\] [^\\n]*\\b2\\b[^\\n]*\\n\\n_orphan\\n"
       "\\[Error reading table file: Orphans\\] [^\\n]*\\b4\\b[^\\n]*\\n\\n@w,2,Prompt\\n"},
      {"LayoutRulesOfHeadersEntriesAndVariables", {"roll", "Layout"},
       Text({"A lone traveller who asks the way;first Dup;tail with blank;Tail;5-2;low half;"
             "threetwotwo;4-3;24;();one"})},
      {"Windows1252WithCrLfIsConverted", {"roll", "Latin"},
       Text({"caf\u00e9 \u201cquoted\u201d \u20ac and more"})},
      {"Utf8ByteOrderMarkIsDropped", {"roll", "Bom"}, Text({"na\u00efve"})},

      // Group selection
      Call("FixedRollsBelowInGapsAndAboveRanges", "Select.Fixed", "ABBB;firstfirst;abb;b"),
      Call("NoRepeatGroupExhaustsAndResetsWithR", "Select.NoRepeat", "abc" + nr + ";b;" + nr),
      Call("NoRepeatGroupGivesEachEntryOnceThenTheExhaustedBlock", "Select.DrawAll",
           "a,b,c;" + nr3),
      Call("GroupWithoutEntriesIsExhausted", "Select.Empty",
           "<" + Exhausted("Select", "None") + ">"),
      Call("LockoutMarksCountOnlyOnceEveryEntryCarriesOne", "Select.Locked",
           "A;" + Exhausted("Select", "R")),
      Call("EscapesOfTheStartEntryStayLiteral", "Select.Escapes", "[Gem] and 50% off"),
      Call("EscapedBracketsOfANestedEntryBecomeACall", "Select.Nested", "<emerald>"),
      Call("CallParametersAreAppliedInOrderWithDefaultsForTheRest", "Select.Passing",
           "a=x b=2;a=def a b=y;a=x b=2;a=def a b=2;a=p b=q;a=p b=q;Params.Show(1,"),
      // The text made before the stop stays, as after Stop; the message follows it once.
      Call("EndlessRecursionIsReportedOnce", "Select.Deep",
           "ab" + Err("Nesting too deep, possible endless recursion", "Select", 25)),
      {"EveryRollStartsFromTheParameterDefaults", {"roll", "Params", "-n", "2"},
       Text({"a=def a b=2", "a=def a b=2"})},
      {"EveryRollResetsVariablesAndNoRepeatGroupsButKeepsOtherMarks",
       {"roll", "Fresh", "-n", "2"}, Text({"initial:0:once", "initial:1:once"})},
      {"ParamOptionTakesATextOrAnItemNumber",
       {"roll", "Params", "--param", "a=hi", "--param", "b=three"}, Text({"a=hi b=3"})},
      Call("StartCallKeepsTheDeclaredValues", "Params", "a=declared a b=declared b"),

      // Text expansion
      Call("AssignmentOperators", "Expand.Assign", "ab;1;( 5);1;10;8;-2;-5;-5x;2;2",
           StringBox("Expand", 9, "n/0", kDivision)),
      Call("VariableMessagesAndPercentPairs", "Expand.Messages",
           Err("Tried to reference non-existent variable 'nope'", "Expand", 11) + ";" +
               Err("Error in 'nope=3' - variable not found", "Expand", 11) +
               ";six;5six;emerald;50%"),
      Call("MissingGroupsGiveTheirCallText", "Expand.Missing", "Nothing here;Nothing;Nothing"),
      {"MissingGroupsGiveMessagesWhenAsked", {"--errors-as-messages", "call", "[Expand.Missing]"},
       Text({Err("Group 'Nothing here' - not found", "Expand", 13) + ";" +
             Err("Group 'Nothing' - not found", "Expand", 13) + ";" +
             Err("Group 'nothing' - not found", "Expand", 13)})},
      Call("CallPrefixes", "Expand.Prefixes",
           "an emerald;An emerald;Emerald;emerald;emeraldemeraldemerald;emerald;emerald;"
           "emerald;a pear"),
      Call("RepeatCountMustBeADigit", "Expand.BadCount", "beforeafter",
           StringBox("Expand", 17, "NX~Gem", kMismatch)),
      Call("ConditionalCalls", "Expand.Conditions",
           "weak;strong;weak;strong;;strong;Emerald;emerald;;"),
      Call("LinkMarkup", "Expand.Links",
           Link(0, "CC~Expand.Gem", "Emerald") + " " + Link(1, "Expand.Gem", "emerald") + " " +
               Link(2, "N2~Expand.Gem", "emeraldemerald") +
               " <a CLASS=clsLink href=\"reg4://CN~Expand.Gem\">an emerald</a> " +
               Link(5, "Expand.Nothing", "Nothing") +
               " <a CLASS=clsLink href=\"reg7://Expand.\"></a> " + Note(8, "my note") + " " +
               Link(9, "RS~D1~Expand.Gem=1", "emerald")),
      Call("SubstitutedTextIsScannedAgain", "Expand.Rescan", "5/;5/;1",
           StringBox("Expand", 39, "2}{UCase~z", kInvalid)),
      Call("UnmatchedBracketFailsTheWholeEntry", "Expand.Unmatched", "",
           StringBox("Expand", 25, "a[Gem b", kInvalid)),
      {"CancelStopsTheRestOfTheGeneration", {"--cancel-on-error", "roll", "Cancel", "-n", "2"},
       Text({"abc", ""}), FunctionBoxes("Cancel", 2, {{"Cap~", kInvalid}})},

      // Dispatch and the function library
      Call("DispatcherAndItsOwnFunctions", "Library.Basic",
           "A~B;" + Err("Error in 'dice~3d6' - function unknown", "Library", 14) +
               ";an apple;an Unicorn;a pear;a ;0;4;-2;0;3.5;4;X;Shouldn't be here!;" +
               Err("Error in 'if~1=1?a/b' - function unknown", "Library", 14) +
               ";a b;\u00e4b;\u00c9lan;4;"),
      Call("FailingFunctionsShowTheDispatcherBox", "Library.Fails", "abc",
           FunctionBoxes("Library", 16, {{"Cap~", kInvalid}, {"Sqrt~-1", kInvalid}})),
      Call("CalcWorksOnText", "Library.Calc",
           "7;9;120;5;7;-2;-6;3;-3;2;Error: Division by zero;Error: Parentheses don't match up.;"
           "3;2;2v3;0.333333333333333;23;05;1.50;;2;9;-5;0.999999999999999"),
      Call("CalcFailures", "Library.CalcFails", "abc",
           FunctionBoxes("Library", 20, {{"Calc~5\\0.4", kDivision},
                                         {"Calc~1e308*10", kOverflow}})),
      Call("DiceTakeOneOperatorByPreference", "Library.Dice",
           "3;1;3;2;3D6;12;1;1;1;3;1;30;1;1;2;4"),
      Call("DiceStayInTheirRange", "Library.DiceRange", "ok;ok;ok;ok"),
      Call("DiceFailures", "Library.DiceFails", "abcde",
           FunctionBoxes("Library", 26, {{"Dice~3d6+x", kMismatch}, {"Dice~3d6/0", kDivision},
                                         {"Dice~-3d1", kInvalid}, {"Dice~1d40000", kOverflow}})),
      Call("OrderedLists", "Library.Order",
           "9,10,100;b10,b100,b9;c / b / a;();<b>###ERR: Bad syntax in 'Order' text: 3,1,2'.###"
           "</b><br>;5;B,a,b;x,1,2"),
      Call("NumberFunctions", "Library.Numbers",
           "22;-1;4;-3-4;0;2.67;24;0.12;5;2;4;10;-2;12;31;15;100"),
      Call("TextFunctions", "Library.Text",
           "2;5;0;();2;0;bonono, opple;();He;();();ell;();llo;h\u00e9;The Old MILL;A  B"),
      Call("Ordinals", "Library.Ordinal",
           "0;none;1st 2nd 3rd 4th 11th 12th 13th 21st 111th 112th 113th 122nd -3rd"),
      Call("Plurals", "Library.Plural",
           "cities days CITIES wolves staves knives boxes heroes churches orcs 7S S ys BOYS"),
      Call("StringAndNumberFailures", "Library.StringFails", "abcdefghi",
           FunctionBoxes("Library", 38, {{"Round~2.5", kInvalid}, {"Round~2.5,-1", kInvalid},
               {"Find~0,a,abc", kInvalid}, {"Mid~Hello,0,3", kInvalid}, {"Left~Hello,-1", kInvalid},
               {"Max~1,", kMismatch}, {"Ordinal~3a", kMismatch}, {"Ordinal~3 ", kMismatch}})),
      Call("SortAndSplitRewriteVariables", "Library.Variables",
           "2 3 10;10 3 2;Apple pear;red green W;red green blue"),
      Call("SortAndSplitFailuresChangeNothing", "Library.VariableFails", "abc3",
           FunctionBoxes("Library", 42, {{"SortAsc~ a", kSubscript},
                                         {"Split~nosuch,\";\",a", kSubscript}})),
      Call("IfBlocks", "Flow.If", "big;small;();different;a;b;x;();<b>yes<;gem;2;eq;lt"),
      Call("LoopBlocks", "Flow.Loop",
           "gem gem gem ;();xx;" + Err("Error in '3' - comma not found", "Flow", 12) + ";xx;()"),
      Call("WhileBlocks", "Flow.While", "123;xx"),
      Call("BlockFailuresEmptyTheEntryThatHoldsThem", "Flow.Fails", "abcdef32768",
           StringBox("Flow", 18, "p{If~x}q", kInvalid) +
               StringBox("Flow", 20, "p{While~%i%<3,x}q", kMismatch) +
               StringBox("Flow", 22, "p{Loop~abc,x}q", kMismatch) +
               StringBox("Flow", 24, "p{Loop~32769,x}q", kOverflow) +
               StringBox("Flow", 26, "p{Loop~32768,|i+1|}q", kOverflow)),
      Call("DrawnMarks", "State.Marks", "10(-1)(-1);3-4-0-0;11;010;0;10;1"),
      Call("CountsLoadTablesAndFailedLoadsAreTriedAgain", "State.Counts", "3-0-1-0-0",
           nowhere + nowhere),
      Call("ResetsTouchOnlyNoRepeatGroups", "State.Resets", "10;00;0;x"),
      Call("LockoutOfATableNotLoadedFails", "State.NotLoaded", "abc",
           FunctionBoxes("State", 9, {{"Lockout~Nowhere.Gem,1", kSubscript},
                                      {"Unlock~Nowhere.Gem,1", kSubscript}})),
      Call("Arrays", "Arrays.Use",
           "21;" + ArrayErr("Attempted to reference non-existent key 'X'.", 5) + ";one;" +
               ArrayErr("Attempt to create array 'a' failed - array already exists", 5) +
               ";01;00;" + ArrayErr("Attempted to reference non-existent array 'b'.", 5) +
               ";e1;v;" + ArrayErr("Attempted to reference non-existent array 'o'.", 5)),
      {"ArraysLiveForOneRoll", {"roll", "Arrays", "-n", "2"}, Text({"01", "01"})},
      Call("ParamGivesOptionTexts", "Lookups.Param",
           "Medium;Large;Large;" + ParamErr("Requested parameter item out of range") + ";" +
               ParamErr("Requested parameter item out of range") + ";" +
               ParamErr("Parameter is text-based, not list-based") + ";" +
               ParamErr("Param function referencing non-existent variable") + ";()"),
      Call("DataLookups", "Lookups.Data",
           "15;heavy & blunt;" + DataErr(91, "weapons,name,Sword,cost") + ";" +
               DataErr(91, "weapons,name,sword,price") + ";" +
               DataErr(9, "weapons,name,sword") + ";" + DataErr(91, "nofile,name,sword,cost")),
#ifdef FABLEWICK_TEST_ADDON_DIR
      Call("AddOnCalls", "Lookups.Extern",
           "<north, in spring>;" + AddOnErr(5, "", "") + ";" + AddOnErr(438, "NoMain", "x")),
#endif
      {"InputMessageAndNotes", {"--answer", "Bob", "--answer", "", "call", "[Interact.Input]"},
       Text({"Bob;Bob;Cid;;;;" + Note(0, "a") + Note(1, "b")}),
       Box("Interact", "Your hero's name?") + Box("Interact", "Again?") +
           Box("Interact", "Third?") +
           Box("Error in 'Input' function.",
               "Error: Tried to reference non-existent variable 'nosuch' (Interact, Line 3).") +
           Box("Error",
               "Error in 'Input' function (Interact, Line 3) - check syntax of function.") +
           Box("Interact", "Done, now rolling treasure")},
      {"StopEndsTheGeneration", {"roll", "Interact", "-n", "2"}, Text({"abc", ""}),
       Box("Execution Halted", "Out of gold")},
      Call("DebugWindowListsVariablesResourcesAndIterations", "Interact.Debug", "ab",
           "~\\[Debug: vars \\(Line: 11\\)\\] ===== VARIABLES =====\\nName: old\\n \\n"
           "===== SYSTEM RESOURCES =====\\nGetProcessHeap: -?\\d+\\n \\n"
           "Available Physical Memory: -?\\d+\\nAvailable Virtual Memory: -?\\d+\\n"
           "Memory Load: -?\\d+\\nTotal Physical Memory: -?\\d+\\nTotal Virtual Memory: -?\\d+\\n"
           " \\n===== MISCELLANEOUS =====\\nIterations/loops: 2\\n"),

      // Results documents and calls from the command line
      {"HtmlDocument", {"--format", "html", "roll", "Random Inn", "-n", "2"},
       kHtmlHead + kInn + "<BR>\r\n<BR>\r\n" + kInn + "<BR>\r\n<BR>\r\n</BODY>\r\n</HTML>\r\n"},
      {"EmptyHtmlDocument", {"--format", "html", "roll", "Random Inn", "-n", "0"},
       kHtmlHead + "</BODY>\r\n</HTML>\r\n"},
      {"TextDocument", {"--format", "text", "roll", "Random Inn", "-n", "2"}, Text({kInn, kInn})},
      {"XmlDocument", {"--format", "xml", "call", "[Random Inn]:2.5"},
       kXmlHead + Text({kInn, kInn}) + "</Random_Inn>\r\n"},
      {"EmptyXmlDocument", {"--format", "xml", "call", "[Random Inn]:abc"},
       kXmlHead + "</Random_Inn>\r\n"},
      Call("StartCallRollsStart", "Loot", "sA"),
      Call("StartCallReadsParametersOfStartGroupsOnly", "Loot.Start(1)", "s1"),
      Call("StartCallReadsParametersOfStartInAnyCase", "Loot.start(p)", "lowerp"),
      Call("StartCallKeepsParenthesesOfOtherGroups", "Loot.Gems(1)", "gems group"),
      Call("StartCallPrefixes", "CC~CN~N2~Loot.G", "An emeraldemerald"),
      Call("StartCallOfAMissingGroupGivesItsName", "Loot.Nope", "Nope"),
      Call("StartCallHasNoLinks", "LX~Loot.G", "emerald"),
      {"StartCallsKeepVariablesFromRollToRoll", {"call", "[Loot.Count]:3"}, Text({"1", "2", "3"})},
      {"CallOfATableThatCannotBeLoadedExitsWith1", {"call", "[Nowhere.Start]:2"}, "", nowhere, 1},
  };
  // clang-format on
}

// ---- running the executable ----------------------------------------------------------------

class Acceptance : public testing::TestWithParam<Case> {
 protected:
  // One copy of the program folder for all cases, with the test add-ons beside it.
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/fablewick-acceptance-XXXXXX";
    root_ = mkdtemp(pattern);
    home_ = root_ / "home";
    fs::copy(fs::path(FABLEWICK_TEST_DATA_DIR) / "acceptance", home_, fs::copy_options::recursive);
#ifdef FABLEWICK_TEST_ADDON_DIR
    fs::create_directories(home_ / "AddOns");
    for (const char* add_on : {"Echo.Test.so", "NoMain.so"}) {
      fs::copy_file(fs::path(FABLEWICK_TEST_ADDON_DIR) / add_on, home_ / "AddOns" / add_on);
    }
#endif
  }
  static void TearDownTestSuite() { fs::remove_all(root_); }

  static inline fs::path root_;
  static inline fs::path home_;
};

TEST_P(Acceptance, GivesTheDescribedOutputErrorsAndStatus) {
  const Case& expected = GetParam();
  Strings args = {FABLEWICK_CLI_PATH, "--home", home_.string(), "--seed", "7"};
  args.insert(args.end(), expected.args.begin(), expected.args.end());
  const Outcome actual = RunCli(args);
  std::string out = expected.out;
  if (const std::size_t at = out.find("{home}"); at != std::string::npos) {
    out.replace(at, 6, home_.string());
  }
  EXPECT_EQ(actual.out, out);
  if (expected.err.starts_with('~')) {
    EXPECT_TRUE(std::regex_match(actual.err, std::regex(expected.err.substr(1))))
        << "standard error:\n"
        << actual.err;
  } else {
    EXPECT_EQ(actual.err, expected.err);
  }
  EXPECT_EQ(actual.status, expected.status);
}

INSTANTIATE_TEST_SUITE_P(Cli, Acceptance, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace fablewick

#endif
