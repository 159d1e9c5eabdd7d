// The functions that talk to the person (Input, Status, Stop and Debug) through the scripted host,
// on the points the command-line acceptance cases leave open, and the memory figures of Debug.
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/numbers.h"
#include "engine/system_info.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::ElementsAre;

class InteractTest : public EngineFixture {
 protected:
  void SetUp() override { WriteTable("T", "%Name%,Nobody\n%Gold%,0\n:Gem\n1,emerald\n"); }
};

TEST_F(InteractTest, InputDividesAtEveryCommaAndKeepsTheValueWhenCancelled) {
  Expand("{Input~Gold,How much, roughly?,12}");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].kind, ShownBox::kInput);
  EXPECT_EQ(host.boxes[0].text, "How much");
  EXPECT_EQ(host.boxes[0].default_answer, " roughly?");
  EXPECT_EQ(VariableValue("T", "Gold"), " roughly?");
  host.input_answers.push_back(std::nullopt);
  Expand("{Input~Name,Who?,Aldric}");
  EXPECT_EQ(VariableValue("T", "Name"), "Nobody");
}

TEST_F(InteractTest, StatusWritesTheTablesPanelAndLetsTheWindowPaint) {
  EXPECT_EQ(Expand("{Status~Rolling the hoard, please wait}"), "");
  EXPECT_THAT(host.StatusesOfPanel(1), ElementsAre("Rolling the hoard, please wait"));
  EXPECT_TRUE(host.StatusesOfPanel(0).empty());
  EXPECT_GE(host.yields, 1);
}

TEST_F(InteractTest, StopHaltsEverythingAfterItButOnlyItsOwnRepetitionOfARepeatedCall) {
  EXPECT_EQ(Expand("Before {Stop~Out of gold}[Gem]|Gold=5|%Name%"), "Before ");
  EXPECT_FALSE(engine.g_bKeepRunning);
  EXPECT_EQ(VariableValue("T", "Gold"), "0");
  WriteTable("R", ":Start\n1,[N3~Step]\n:Step\n1,x{Stop~halt}\n");
  EXPECT_EQ(RollTopLevel("R"), "xxx");
  EXPECT_EQ(host.BoxesOfKind(ShownBox::kMessage).size(), 4u);
}

// The layout of the window is checked through fablewick-cli; here the figures must be 32-bit
// numbers, and a table without variables goes straight to the blank line.
TEST_F(InteractTest, DebugFiguresAreSigned32BitNumbers) {
  WriteTable("Bare", ":Start\n1,{Debug~x}\n");
  RollTopLevel("Bare");
  ASSERT_EQ(host.debug_windows.size(), 1u);
  const std::vector<std::string>& lines = host.debug_windows[0].lines;
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.begin() + 3),
              ElementsAre("===== VARIABLES =====", " ", "===== SYSTEM RESOURCES ====="));
  for (const std::size_t index : {3, 5, 6, 7, 8, 9}) {
    const std::string figure = lines[index].substr(lines[index].find(": ") + 2);
    EXPECT_EQ(figure.find_first_not_of("-0123456789"), std::string::npos) << lines[index];
    EXPECT_NO_THROW(StrictInt32(figure)) << lines[index];
  }
}

TEST(MemoryFiguresTest, ReadsMeminfoInKibibytesWithOrWithoutMemAvailable) {
  std::optional<MemoryStatus> status = ParseMemInfo(
      "MemTotal:       16000000 kB\nMemFree:         1000000 kB\nMemAvailable:    4000000 kB\n"
      "Buffers:          200000 kB\nCached:          3000000 kB\nSwapTotal:       2000000 kB\n"
      "SwapFree:        1500000 kB\n");
  ASSERT_TRUE(status);
  EXPECT_EQ(status->total_physical_kib, 16000000);
  EXPECT_EQ(status->available_physical_kib, 4000000);
  EXPECT_EQ(status->total_virtual_kib, 18000000);
  EXPECT_EQ(status->available_virtual_kib, 5500000);
  EXPECT_EQ(status->memory_load_percent, 75);
  // Older kernels: free memory, buffers and cache count as available.
  status = ParseMemInfo("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n");
  ASSERT_TRUE(status);
  EXPECT_EQ(status->available_physical_kib, 400);
  EXPECT_EQ(status->memory_load_percent, 60);
  EXPECT_FALSE(ParseMemInfo("MemFree: 100 kB\n"));
}

TEST(MemoryFiguresTest, ThisMachineTellsItsMemoryAndTheProcessSize) {
  const std::optional<MemoryStatus> status = ReadMemoryStatus();
  ASSERT_TRUE(status);
  EXPECT_LE(status->available_physical_kib, status->total_physical_kib);
  EXPECT_GT(ProcessResidentKib().value_or(0), 0);
}

}  // namespace
}  // namespace fablewick
