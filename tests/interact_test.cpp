// The functions that talk to the person: Input, Msg, Status, Stop, Note and Debug, through the
// scripted host and through fablewick-cli's console host; and the memory figures of Debug.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/numbers.h"
#include "engine/system_info.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/files.h"

namespace fablewick {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

class InteractTest : public EngineFixture {
 protected:
  void SetUp() override { WriteTable("T", "%Name%,Nobody\n%Gold%,0\n:Gem\n1,emerald\n"); }
};

TEST_F(InteractTest, InputAsksWithTheTrimmedNameAndStoresTheAnswer) {
  host.input_answers.push_back("Bob");
  EXPECT_EQ(Expand("{Input~ Name ,Your hero's name?,Aldric}"), "");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].kind, ShownBox::kInput);
  EXPECT_EQ(host.boxes[0].title, "T");
  EXPECT_EQ(host.boxes[0].text, "Your hero's name?");
  EXPECT_EQ(host.boxes[0].default_answer, "Aldric");
  EXPECT_EQ(VariableValue("T", "Name"), "Bob");
}

TEST_F(InteractTest, InputKeepsTheValueWhenTheAnswerIsEmptyOrCancelled) {
  host.input_answers.push_back("");
  host.input_answers.push_back(std::nullopt);
  Expand("{Input~Name,Who?,Aldric}{Input~Name,Who?,Aldric}");
  EXPECT_EQ(host.BoxesOfKind(ShownBox::kInput).size(), 2u);
  EXPECT_EQ(VariableValue("T", "Name"), "Nobody");
}

TEST_F(InteractTest, InputDividesAtEveryCommaAndIgnoresFurtherFields) {
  Expand("{Input~Gold,How much, roughly?,12}");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].text, "How much");
  EXPECT_EQ(host.boxes[0].default_answer, " roughly?");
  EXPECT_EQ(VariableValue("T", "Gold"), " roughly?");
}

TEST_F(InteractTest, InputReportsAVariableThatDoesNotExist) {
  EXPECT_EQ(Expand("{Input~Nmae,Who?,Aldric}"), "");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].kind, ShownBox::kMessage);
  EXPECT_EQ(host.boxes[0].title, "Error in 'Input' function.");
  EXPECT_EQ(host.boxes[0].text,
            "Error: Tried to reference non-existent variable 'Nmae' (T, Line 12).");
  EXPECT_EQ(VariableValue("T", "Name"), "Nobody");
}

TEST_F(InteractTest, InputWithFewerThanThreeFieldsAsksToCheckTheSyntax) {
  host.input_answers.push_back("Bob");
  EXPECT_EQ(Expand("{Input~Name}{Input~Name,Who?}"), "");
  ASSERT_EQ(host.boxes.size(), 2u);
  for (const ShownBox& box : host.boxes) {
    EXPECT_EQ(box.kind, ShownBox::kMessage);
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.text, "Error in 'Input' function (T, Line 12) - check syntax of function.");
  }
  EXPECT_EQ(VariableValue("T", "Name"), "Nobody");
}

TEST_F(InteractTest, MsgShowsTheWholeTextTitledWithTheTable) {
  EXPECT_EQ(Expand("{Msg~Done, now rolling treasure}"), "");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].kind, ShownBox::kMessage);
  EXPECT_EQ(host.boxes[0].title, "T");
  EXPECT_EQ(host.boxes[0].text, "Done, now rolling treasure");
}

TEST_F(InteractTest, StatusWritesTheTablesPanelAndLetsTheWindowPaint) {
  EXPECT_EQ(Expand("{Status~Rolling the hoard, please wait}"), "");
  EXPECT_THAT(host.StatusesOfPanel(1), ElementsAre("Rolling the hoard, please wait"));
  EXPECT_TRUE(host.StatusesOfPanel(0).empty());
  EXPECT_GE(host.yields, 1);
}

TEST_F(InteractTest, StopHaltsEverythingAfterItAndSaysWhy) {
  EXPECT_EQ(Expand("Before {Stop~Out of gold}[Gem]|Gold=5|%Name%"), "Before ");
  EXPECT_FALSE(engine.g_bKeepRunning);
  EXPECT_EQ(VariableValue("T", "Gold"), "0");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].title, "Execution Halted");
  EXPECT_EQ(host.boxes[0].text, "Out of gold");
}

TEST_F(InteractTest, StopEndsOnlyItsOwnRepetitionOfARepeatedCall) {
  WriteTable("R", ":Start\n1,[N3~Step]\n:Step\n1,x{Stop~halt}\n");
  EXPECT_EQ(RollTopLevel("R"), "xxx");
  EXPECT_EQ(host.BoxesOfKind(ShownBox::kMessage).size(), 3u);
}

TEST_F(InteractTest, NotesTakeConsecutiveLinkNumbersSharedWithReRollLinks) {
  const std::string result = Expand("[LX~Gem]{Note~a, <i>b</i>}{Note~}");
  EXPECT_THAT(result, StartsWith("<a name=\"fwroll0\""));
  EXPECT_NE(result.find("<a name=\"fwroll1\" CLASS=clsLink style=\"color:green\" "
                        "href=\"nte1://\">a, <i>b</i></a>"
                        "<a name=\"fwroll2\" CLASS=clsLink style=\"color:green\" "
                        "href=\"nte2://\"></a>"),
            std::string::npos)
      << result;
  EXPECT_EQ(engine.LinkCounter, 3);
}

TEST_F(InteractTest, DebugListsTheVariablesResourcesAndIterations) {
  Expand("|Gold=12|{Debug~after the gold}");
  ASSERT_EQ(host.debug_windows.size(), 1u);
  EXPECT_EQ(host.debug_windows[0].caption, "Debug: after the gold (Line: 12)");
  const std::vector<std::string>& lines = host.debug_windows[0].lines;
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.begin() + 5),
              ElementsAre("===== VARIABLES =====", "Name: Nobody", "Gold: 12", " ",
                          "===== SYSTEM RESOURCES ====="));
  // Each figure line: its label, then a signed 32-bit decimal.
  const std::pair<std::size_t, std::string> figures[] = {
      {5, "GetProcessHeap: "},           {7, "Available Physical Memory: "},
      {8, "Available Virtual Memory: "}, {9, "Memory Load: "},
      {10, "Total Physical Memory: "},   {11, "Total Virtual Memory: "}};
  for (const auto& [index, label] : figures) {
    ASSERT_THAT(lines[index], StartsWith(label));
    const std::string figure = lines[index].substr(label.size());
    EXPECT_FALSE(figure.empty()) << lines[index];
    EXPECT_EQ(figure.find_first_not_of("-0123456789"), std::string::npos) << lines[index];
    EXPECT_NO_THROW(StrictInt32(figure)) << lines[index];
  }
  EXPECT_EQ(lines[6], " ");
  EXPECT_EQ(lines[12], " ");
  EXPECT_EQ(lines[13], "===== MISCELLANEOUS =====");
  EXPECT_EQ(lines[14], "Iterations/loops: " + FormatInteger(engine.g_nIterations));
}

TEST_F(InteractTest, DebugOnATableWithoutVariablesGoesStraightToTheBlankLine) {
  WriteTable("Bare", ":Start\n1,{Debug~x}\n");
  RollTopLevel("Bare");
  ASSERT_EQ(host.debug_windows.size(), 1u);
  EXPECT_EQ(host.debug_windows[0].caption, "Debug: x (Line: 2)");
  EXPECT_THAT(std::vector<std::string>(host.debug_windows[0].lines.begin(),
                                       host.debug_windows[0].lines.begin() + 3),
              ElementsAre("===== VARIABLES =====", " ", "===== SYSTEM RESOURCES ====="));
}

// ---- the memory figures ----

TEST(MemoryFiguresTest, ReadsTheStatusFromMeminfoInKibibytes) {
  const std::optional<MemoryStatus> status = ParseMemInfo(
      "MemTotal:       16000000 kB\nMemFree:         1000000 kB\nMemAvailable:    4000000 kB\n"
      "Buffers:          200000 kB\nCached:          3000000 kB\nSwapTotal:       2000000 kB\n"
      "SwapFree:        1500000 kB\n");
  ASSERT_TRUE(status);
  EXPECT_EQ(status->total_physical_kib, 16000000);
  EXPECT_EQ(status->available_physical_kib, 4000000);
  EXPECT_EQ(status->total_virtual_kib, 18000000);
  EXPECT_EQ(status->available_virtual_kib, 5500000);
  EXPECT_EQ(status->memory_load_percent, 75);
}

TEST(MemoryFiguresTest, OlderKernelsCountFreeMemoryBuffersAndCacheAsAvailable) {
  const std::optional<MemoryStatus> status =
      ParseMemInfo("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n");
  ASSERT_TRUE(status);
  EXPECT_EQ(status->available_physical_kib, 400);
  EXPECT_EQ(status->total_virtual_kib, 1000);
  EXPECT_EQ(status->memory_load_percent, 60);
  EXPECT_FALSE(ParseMemInfo("MemFree: 100 kB\n"));
}

TEST(MemoryFiguresTest, ThisMachineTellsItsMemoryAndTheProcessSize) {
  const std::optional<MemoryStatus> status = ReadMemoryStatus();
  ASSERT_TRUE(status);
  EXPECT_GT(status->total_physical_kib, 0);
  EXPECT_LE(status->available_physical_kib, status->total_physical_kib);
  EXPECT_GE(status->total_virtual_kib, status->total_physical_kib);
  EXPECT_GT(ProcessResidentKib().value_or(0), 0);
}

// ---- through fablewick-cli ----

#ifdef FABLEWICK_CLI_PATH
TEST_F(InteractTest, TheConsoleAnswersInputBoxesInOrderThenWithThePrefilledAnswer) {
  const std::filesystem::path home = tables_folder() / "home";
  std::filesystem::create_directories(home / "Tables" / "Heroes");
  std::ofstream(home / "Tables" / "Heroes" / "Hero.tab")
      << "%Name%,Nobody\n%Town%,Nowhere\n:Start\n"
         "1,{Input~Name,Who?,Aldric}{Input~Town,Where?,Saltmere}%Name% of %Town%{Debug~check}\n";
  const std::filesystem::path out = home / "out.txt", err = home / "err.txt";
  const std::string command = std::string("'") + FABLEWICK_CLI_PATH + "' --home '" + home.string() +
                              "' --answer Bob roll Hero > '" + out.string() + "' 2> '" +
                              err.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_THAT(ReadFile(out), StartsWith("Bob of Saltmere\r\n"));
  const std::string errors = ReadFile(err);
  EXPECT_THAT(errors, StartsWith("[Hero] Who?\n[Hero] Where?\n"
                                 "[Debug: check (Line: 4)] ===== VARIABLES =====\n"
                                 "Name: Bob\nTown: Saltmere\n \n===== SYSTEM RESOURCES =====\n"
                                 "GetProcessHeap: "));
  EXPECT_NE(errors.find("\nTotal Virtual Memory: "), std::string::npos);
  EXPECT_NE(errors.find("\n \n===== MISCELLANEOUS =====\nIterations/loops: "), std::string::npos);
}
#endif

}  // namespace
}  // namespace fablewick
