// Tables written to break the program: endless recursion, text that multiplies without end,
// loops that never end, huge lines and files, bytes that are not text, numbers at the edges of
// their width and constructs that never close. Each must end in bounded time and memory with a
// clear error text or message. The tables live in tests/data/hostile; the huge ones are made
// here. Bytes that are not text, rolls at the 16-bit edges and constructs that never close are
// golden cases (tests/golden/Tables/Hostile).
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "engine/engine.h"
#include "engine/stack.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/files.h"
#include "tests/support/sanitized.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using Pairs = std::vector<std::pair<std::string, std::string>>;

// Every hostile table ends within this much processor time; sanitised debug builds run some
// twenty times slower. Processor time rather than time on the clock, so that a busy machine does
// not fail the tests; a generation still running after kWallLimit is stopped.
constexpr Clock::duration kTimeLimit = kSanitized ? 120s : 5s;
constexpr Clock::duration kWallLimit = kSanitized ? 600s : 120s;

// Processor time used by this process so far (POSIX counts std::clock in microseconds).
Clock::duration ProcessorTime() { return std::chrono::microseconds(std::clock()); }
// The most memory this process may have held; a hostile table must not push it past this.
constexpr long kMemoryLimit = long{1} << 30;
long PeakMemory() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss * 1024;
}

constexpr char kNesting[] = "Nesting too deep, possible endless recursion";
constexpr char kTooMuchOutput[] = "Output too large, possible endless expansion";

std::string Repeat(std::string_view piece, std::size_t count) {
  std::string text;
  text.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i) text += piece;
  return text;
}

class HostileTableTest : public EngineFixture {
 protected:
  void Install(std::initializer_list<std::string> names) {
    for (const std::string& name : names) {
      const std::string text =
          ReadFile(fs::path(FABLEWICK_TEST_DATA_DIR) / "hostile" / (name + ".tab"));
      ASSERT_FALSE(text.empty()) << name;
      WriteTable(name, text);
    }
  }

  // Expands `text` as entry text of `table` on a generation thread, as the window and
  // fablewick-cli do, and fails the test when that takes longer than the time limit or leaves
  // the process holding more than the memory limit. With `stop_after`, the generation is
  // stopped then, as a person would stop it.
  std::string ExpandTimed(const std::string& table, std::string_view text,
                          Clock::duration stop_after = Clock::duration::max()) {
    std::string result;
    const Clock::time_point start = Clock::now();
    const Clock::duration processor_start = ProcessorTime();
    {
      // Stops the engine as the Stop command would, unless the expansion ended first.
      const std::jthread timer(
          [this, after = std::min(stop_after, kWallLimit)](std::stop_token end) {
            std::mutex mutex;
            std::condition_variable_any wake;
            std::unique_lock lock(mutex);
            if (!wake.wait_for(lock, end, after, [&end] { return end.stop_requested(); })) {
              engine.RequestStop();
            }
          });
      RunWithLargeStack([&] { result = Expand(text, table); });
    }
    elapsed = Clock::now() - start;
    if (stop_after == Clock::duration::max()) {
      EXPECT_LT(ProcessorTime() - processor_start, kTimeLimit)
          << table << ": " << text.substr(0, 40);
    }
    EXPECT_LT(PeakMemory(), kMemoryLimit) << table << ": " << text.substr(0, 40);
    return result;
  }

  int32_t LineOf(const std::string& table, const std::string& group) {
    return Load(table).FindGroup(group)->Entries[0].Line;
  }

  Clock::duration elapsed{};
};

// On a generation thread and on an ordinary thread alike: the depth limit holds before the
// smaller stack runs out.
TEST_F(HostileTableTest, EndlessRecursionEndsWithOneNestingMessageAndNoBoxOnAnyThread) {
  Install({"SelfCall", "CallCircle", "SelfVariable"});
  const std::string brackets = std::string(5000, '[') + std::string(5000, ']');
  for (const auto& [table, text] : Pairs{{"SelfCall", "[Start]"},
                                         {"SelfCall", "[Branching]"},
                                         {"CallCircle", "[Start]"},
                                         {"SelfVariable", "%echo%"},
                                         {"SelfVariable", "%grow%"},
                                         {"SelfCall", brackets}}) {
    for (const bool large_stack : {true, false}) {
      const std::string result = large_stack ? ExpandTimed(table, text) : Expand(text, table);
      EXPECT_EQ(CountOf(result, kNesting), 1)
          << table << " " << text.substr(0, 20) << ": " << result.substr(0, 200);
      EXPECT_FALSE(engine.keep_running());
      EXPECT_TRUE(host.boxes.empty())
          << table << " " << text.substr(0, 20) << ": " << host.boxes[0].text;
    }
  }
}

TEST_F(HostileTableTest, TextMultiplyingBeyondTheOutputLimitGivesOnlyTheErrorText) {
  Install({"NineFold", "LoopsInLoops"});
  for (const auto& [table, group] : Pairs{{"NineFold", "Start"},
                                          {"LoopsInLoops", "Start"},
                                          {"LoopsInLoops", "Doubling"},
                                          {"LoopsInLoops", "Replacing"}}) {
    const std::string result = ExpandTimed(table, "[" + group + "]");
    // Where the limit is passed depends on the table; the message is the whole result.
    EXPECT_NE(result.find(kTooMuchOutput), std::string::npos)
        << table << "." << group << ": " << result.substr(0, 200);
    EXPECT_LT(result.size(), 1000u) << table << "." << group;
    EXPECT_TRUE(host.boxes.empty()) << table << "." << group << ": " << host.boxes[0].text;
  }
}

TEST_F(HostileTableTest, OutputLimitHoldsForEachRollAndLargeResultsBelowItStay) {
  WriteTable("Big",
             ";Over\n1,{Loop~7000,{Loop~1000,0123456789}}\n;Twenty\n1,{Loop~2000,"
             "{Loop~1000,0123456789}}\n");
  // 20 MB in each of three rolls, built through several levels: each roll has a limit of its
  // own, and text passing through levels does not count as more output.
  engine.BeginGeneration();
  for (int roll = 0; roll < 3; ++roll) {
    EXPECT_EQ(engine.RollTopLevel("Big", "Twenty").size(), 20'000'000u);
  }
  EXPECT_FALSE(engine.StopRequested());
  // 70 MB in one roll.
  EXPECT_EQ(RollTopLevel("Big", "Over"), ErrorText(kTooMuchOutput, "Big", LineOf("Big", "Over")));
  EXPECT_TRUE(engine.StopRequested());
}

TEST_F(HostileTableTest, EndlessWhileEndsPromptlyWhenStoppedAndKeepsTheTextAround) {
  Install({"EndlessWhile"});
  const std::string result = ExpandTimed("EndlessWhile", "[Start]", 300ms);
  EXPECT_LT(elapsed, 300ms + 2s);
  EXPECT_EQ(result, "before  after");
  EXPECT_GT(std::stoi(VariableValue("EndlessWhile", "i")), 1000);
}

TEST_F(HostileTableTest, MegabyteLinesLoadAndRollInBoundedTime) {
  const std::string words = Repeat("word ", 200'000);  // 1 MB of plain text
  const std::string calls = Repeat("[Gem]", 200'000);  // 200,000 group calls
  const std::string pipes = Repeat("|x", 500'000);     // bars that pair into bad assignments
  const std::string opens = Repeat("[", 1'000'000);    // brackets that never close
  const std::string name = Repeat("n", 1'000'000);     // a group name of 1 MB
  WriteTable("Long", ";Gem\n1,g\n;Words\n1," + words + "\n;Calls\n1," + calls + "\n;Pipes\n1," +
                         pipes + "\n;Opens\n1," + opens + "\n;" + name + "\n1,found\n%v%," + words +
                         "\n");
  EXPECT_EQ(ExpandTimed("Long", "[Words]"), words);
  EXPECT_EQ(ExpandTimed("Long", "[Calls]"), Repeat("g", 200'000));
  EXPECT_EQ(ExpandTimed("Long", "[Pipes]"), Repeat("x", 250'000));
  EXPECT_EQ(ExpandTimed("Long", "%v%"), words);
  EXPECT_EQ(ExpandTimed("Long", "[" + name + "]"), "found");
  host.ClearRecords();
  // Every bracket opens a construct holding the rest of the line: the nested copies of a
  // megabyte line would fill memory long before the nesting limit.
  EXPECT_EQ(ExpandTimed("Long", "[Opens]"),
            ErrorText(kTooMuchOutput, "Long", LineOf("Long", "Opens")));
}

TEST_F(HostileTableTest, TablesLoadUpToTheMostGroupsAndFailBeyondWithTheSixteenBitMessage) {
  std::string text;
  for (int i = 0; i < 100'000; ++i)
    text += ";G" + std::to_string(i) + "\n1,g" + std::to_string(i) + "\n";
  WriteTable("Many", text);
  const Clock::duration start = ProcessorTime();
  EXPECT_LT(engine.GetTable("Many"), 0);
  EXPECT_LT(ProcessorTime() - start, kTimeLimit);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].title, "Error reading table file: Many");
  // The 32768th group's header.
  EXPECT_EQ(host.boxes[0].text, "Value exceeds 32768 in line 65535:\r\r;G32767");
  host.ClearRecords();
  // One group fewer is the most a table may have: it loads and its last group is found.
  WriteTable("Most", text.substr(0, text.find(";G32767\n")));
  EXPECT_EQ(ExpandTimed("Most", "[G32766][G0]"), "g32766g0");
  EXPECT_TRUE(host.boxes.empty());
}

}  // namespace
}  // namespace fablewick
