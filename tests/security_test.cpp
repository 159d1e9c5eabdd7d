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

class ShellTest : public EngineFixture {};

TEST_F(ShellTest, ThePersonIsAskedNamingTheCommandWhichIsSplitWithNothingInItInterpreted) {
  const std::string command = "viewer \"two words\" a;rm $(id) `id` |x >y";
  EXPECT_EQ(Expand("x{Shell~" + command + "}y"), "xy");
  ASSERT_EQ(host.shell_requests.size(), 1u);
  EXPECT_EQ(host.shell_requests[0].command_line, command);
  EXPECT_TRUE(host.started_programs.empty());
  host.allow_shell = true;
  Expand("{Shell~" + command + "}");
  ASSERT_EQ(host.started_programs.size(), 1u);
  EXPECT_EQ(host.started_programs[0],
            (std::vector<std::string>{"viewer", "two words", "a;rm", "$(id)", "`id`", "|x", ">y"}));
}

#ifdef FABLEWICK_CLI_PATH
// fablewick-cli starts programs only with --allow-shell, and then as the platform starts them:
// its arguments as written, without a shell, which the file name below would set to work.
TEST_F(ShellTest, TheCommandLineRefusesWithAMessageUnlessAllowedAndThenStartsWithoutAShell) {
  const std::string bait_name = "a;b|c&d $(e) `f` >g <h *i 'j' \\k";
  const fs::path home = tables_folder() / "home", bait = home / bait_name;
  WriteFile(home / "Tables" / "Tools" / "Starter.tab",
            ":Start\n1,started{Shell~touch \"" + bait.string() + "\"}\n");
  Outcome run = RunCli({FABLEWICK_CLI_PATH, "--home", home.string(), "roll", "Starter"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("[Shell refused] Table Starter asked to start a program"),
            std::string::npos)
      << run.err;
  std::this_thread::sleep_for(200ms);
  EXPECT_FALSE(fs::exists(bait));

  run = RunCli({FABLEWICK_CLI_PATH, "--home", home.string(), "--allow-shell", "roll", "Starter"});
  EXPECT_EQ(run.status, 0);
  for (int i = 0; i < 500 && !fs::exists(bait); ++i) std::this_thread::sleep_for(10ms);
  // Only the one file: nothing in its name ran as a command or redirection.
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(home)) {
    if (entry.path().filename() != "Tables") names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{bait_name}) << run.err;
}
#endif  // FABLEWICK_CLI_PATH

// Table names come from calls in table text: "[Name.Group]", "{Count~Name.Group}" and the like.
class TableNameTest : public EngineFixture {
 protected:
  void SetUp() override {
    // A table outside the tables folder that a path-like name would reach.
    outside_ = tables_folder().parent_path() / ("fw_outside_" + std::to_string(getpid()));
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

}  // namespace
}  // namespace fablewick
