// The functions that talk to the person (Input, Status, Stop and Debug) through the scripted host,
// on the points the command-line acceptance cases leave open, and the memory figures of Debug.
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/numbers.h"
#include "platform/system_info.h"
#include "tests/support/engine_fixture.h"

namespace fablewick {
namespace {

using ::testing::ElementsAre;
using ::testing::FieldsAre;
using ::testing::Optional;

class InteractTest : public EngineFixture {
 protected:
  void SetUp() override { WriteTable("T", "%Name%,Nobody\n%Gold%,0\n:Gem\n1,emerald\n"); }
};

TEST_F(InteractTest, InputDividesAtEveryCommaAndKeepsTheValueWhenCancelled) {
  Expand("{Input~Gold,How much, roughly?,12}");
  ASSERT_EQ(host.boxes.size(), 1u);
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
  EXPECT_FALSE(engine.keep_running());
  EXPECT_EQ(VariableValue("T", "Gold"), "0");
  WriteTable("R", ":Start\n1,[N3~Step]\n:Step\n1,x{Stop~halt}\n");
  EXPECT_EQ(RollTopLevel("R"), "xxx");
  EXPECT_EQ(host.BoxesOfKind(ShownBox::kMessage).size(), 4u);
}

// The acceptance cases check the layout and that the figures are numbers; here they must be
// 32-bit numbers, and a table without variables goes straight to the blank line.
TEST_F(InteractTest, DebugFiguresAreSigned32BitNumbers) {
  WriteTable("Bare", ":Start\n1,{Debug~x}\n");
  RollTopLevel("Bare");
  ASSERT_EQ(host.debug_windows.size(), 1u);
  const std::vector<std::string>& lines = host.debug_windows[0].lines;
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[1], " ");
  for (const std::size_t index : {3, 5, 6, 7, 8, 9}) {
    EXPECT_NO_THROW(StrictInt32(lines[index].substr(lines[index].find(": ") + 2))) << lines[index];
  }
}

TEST(MemoryFiguresTest, ReadsMeminfoInKibibytesWithOrWithoutMemAvailable) {
  // Fields: available physical and virtual, load, total physical and virtual.
  EXPECT_THAT(
      ParseMemInfo(
          "MemTotal:       16000000 kB\nMemFree:         1000000 kB\nMemAvailable:    4000000 kB\n"
          "Buffers:          200000 kB\nCached:          3000000 kB\nSwapTotal:       2000000 kB\n"
          "SwapFree:        1500000 kB\n"),
      Optional(FieldsAre(4000000, 5500000, 75, 16000000, 18000000)));
  // Older kernels: free memory, buffers and cache count as available.
  EXPECT_THAT(ParseMemInfo("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n"),
              Optional(FieldsAre(400, 400, 60, 1000, 1000)));
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
