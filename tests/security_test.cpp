// Table files come from strangers. A table cannot start a program without the person's consent,
// and what it starts gets its arguments as written, never through a shell interpreter; a table
// name written in a call cannot reach a file outside the tables folder.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/cli_process.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/files.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A file name holding everything a shell would act on.
constexpr char kShellBait[] = "a;b|c&d $(e) `f` >g <h *i 'j' \\k";

bool WaitForFile(const fs::path& file) {
  for (int i = 0; i < 500 && !fs::exists(file); ++i) std::this_thread::sleep_for(10ms);
  return fs::exists(file);
}

class ShellTest : public EngineFixture {};

TEST_F(ShellTest, WithoutConsentNothingStartsAndThePersonWasAskedNamingTableAndCommand) {
  WriteTable("Trap", ":Start\n1,x{Shell~rm -rf \"$HOME\"}y\n");
  EXPECT_EQ(RollTopLevel("Trap"), "xy");
  ASSERT_EQ(host.shell_requests.size(), 1u);
  EXPECT_EQ(host.shell_requests[0].table, "Trap");
  EXPECT_EQ(host.shell_requests[0].command_line, "rm -rf \"$HOME\"");
  EXPECT_TRUE(host.started_programs.empty());
}

TEST_F(ShellTest, WithConsentTheCommandLineIsSplitAndNothingInItIsInterpreted) {
  host.allow_shell = true;
  Expand("{Shell~viewer \"two words\" a;rm $(id) `id` |x >y}");
  ASSERT_EQ(host.started_programs.size(), 1u);
  EXPECT_EQ(host.started_programs[0],
            (std::vector<std::string>{"viewer", "two words", "a;rm", "$(id)", "`id`", "|x", ">y"}));
}

// Table names come from calls in table text: "[Name.Group]", "{Count~Name.Group}" and the like.
class TableNameTest : public EngineFixture {
 protected:
  void SetUp() override {
    // A table outside the tables folder that a path-like name would reach.
    outside_ = tables_folder().parent_path() / ("fw_outside_" + std::to_string(getpid()));
    fs::create_directories(outside_);
    WriteFile(outside_ / "Secret.tab", ":Start\n1,leaked\n");
    WriteTable("T", ":Start\n1,x\n");
  }
  void TearDown() override { fs::remove_all(outside_); }

  fs::path outside_;
};

TEST_F(TableNameTest, NamesThatAreNotPlainFileNamesAreNotLoaded) {
  const std::string absolute = (outside_ / "Secret").string();
  const std::string relative = "../" + outside_.filename().string() + "/Secret";
  for (const std::string& name :
       std::vector<std::string>{absolute, relative, "..\\Secret", std::string("T\0x", 3)}) {
    const std::string result = Expand("[" + name + ".Start]{Count~" + name + ".Start}");
    EXPECT_EQ(result.find("leaked"), std::string::npos) << name;
    EXPECT_EQ(engine.FindTableIndex(name), -1) << name;
  }
  EXPECT_EQ(engine.GetTable(absolute), -1);
  ASSERT_FALSE(host.boxes.empty());
  EXPECT_EQ(host.boxes.back().text, "File \"" + absolute + "\" not found.\r\r");
}

#ifdef FABLEWICK_CLI_PATH

// fablewick-cli starts programs only with --allow-shell, and then as the platform starts them:
// its arguments as written, without a shell, which the file name below would set to work.
class CliShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "fw_shell_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    home_ = pattern;
    bait_ = home_ / kShellBait;
    WriteFile(home_ / "Tables" / "Tools" / "Starter.tab",
              ":Start\n1,started{Shell~touch \"" + bait_.string() + "\"}\n");
  }
  void TearDown() override { fs::remove_all(home_); }

  Outcome Roll(bool allow_shell) {
    std::vector<std::string> args = {FABLEWICK_CLI_PATH, "--home", home_.string()};
    if (allow_shell) args.push_back("--allow-shell");
    args.insert(args.end(), {"roll", "Starter"});
    return RunCli(args);
  }

  fs::path home_, bait_;
};

TEST_F(CliShellTest, RefusesWithAMessageUnlessAllowedAndThenStartsWithoutAShell) {
  Outcome run = Roll(false);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("[Shell refused] Table Starter asked to start a program"),
            std::string::npos)
      << run.err;
  std::this_thread::sleep_for(200ms);
  EXPECT_FALSE(fs::exists(bait_));

  run = Roll(true);
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(WaitForFile(bait_)) << run.err;
  // Only the one file: nothing in its name ran as a command or redirection.
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(home_)) {
    if (entry.path().filename() != "Tables") names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{kShellBait});
}

#endif  // FABLEWICK_CLI_PATH

}  // namespace
}  // namespace fablewick
