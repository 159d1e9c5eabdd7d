// The command-line contract of fablewick-cli, on the real executable: the results document on
// standard output byte for byte, message boxes on standard error, exit statuses, the options,
// the catalogue listing, and Ctrl-C.
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/cli_process.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

#ifdef FABLEWICK_CLI_PATH

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The text document: each result followed by three empty lines.
std::string TextDocument(const std::vector<std::string>& results) {
  std::string document;
  for (const std::string& result : results) document += result + "\r\n\r\n\r\n\r\n";
  return document;
}

// A program folder laid out as an installation: Tables/Category/Name.tab.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Table("Inns", "Random Inn", ":Start\r\n1,The Red Dragon\r\n");
    Table("Inns", "bar", ":Start\r\n1,a bar\r\n");
    Table("dungeons", "crypt", ":Start\r\n1,[Missing group]!\r\n");
    Table("~Hidden", "Secret", ":Start\r\n1,secret\r\n");
  }

  void Table(const std::string& category, const std::string& name, const std::string& text) {
    WriteFile(home_ / "Tables" / category / (name + ".tab"), text);
  }

  void Config(const std::string& lines) {
    WriteFile(home_ / "Fablewick.cfg", "FWCFG2.0\r\n" + lines);
  }

  // fablewick-cli with --home set to the program folder.
  Outcome Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {FABLEWICK_CLI_PATH, "--home", home_.string()});
    return RunCli(args);
  }

  TempFolder folder_{"cli"};
  const fs::path& home_ = folder_.path();
};

// ---- the results document ----------------------------------------------------------------

class CliDocumentTest : public CliTest {};

TEST_F(CliDocumentTest, OutputOptionWritesTheSameDocumentToAFileInstead) {
  const fs::path file = home_ / "result.html";
  const Outcome to_file = Cli({"--format", "html", "--output", file.string(), "roll", "bar"});
  EXPECT_EQ(to_file.status, 0);
  EXPECT_EQ(to_file.out, "");
  const Outcome to_stdout = Cli({"--format", "html", "roll", "bar"});
  EXPECT_EQ(ReadFile(file), to_stdout.out);  // the acceptance cases check the document itself
}

TEST_F(CliDocumentTest, AnOutputFileThatCannotBeWrittenIsReportedAndNothingIsLeftBehind) {
  const fs::path file = home_ / "missing" / "result.html";
  const Outcome outcome = Cli({"--output", file.string(), "roll", "bar", "-n", "3"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_NE(outcome.err.find("[Error in DisplayResultsFile] Error: "), std::string::npos);
  EXPECT_FALSE(fs::exists(file.parent_path()));
}

// A disk that is full under the standard output must not pass for a successful run.
TEST_F(CliDocumentTest, AStandardOutputThatCannotBeWrittenFailsTheCommand) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"roll", "bar", "-n", "3"},
       "[Error in DisplayResultsFile] Error: Cannot write the standard output: "},
      {{"list"}, "fablewick-cli: cannot write the standard output: "}};
  for (const auto& [command, message] : cases) {
    std::vector<std::string> args = {
        "/bin/sh", "-c",          "exec \"$@\" >/dev/full", "sh", FABLEWICK_CLI_PATH,
        "--home",  home_.string()};
    args.insert(args.end(), command.begin(), command.end());
    const Outcome outcome = RunCli(args);
    EXPECT_EQ(outcome.status, 1) << command[0];
    EXPECT_NE(outcome.err.find(message + "No space left on device"), std::string::npos)
        << outcome.err;
  }
}

// The acceptance cases roll at one seed; a seed that was not used at all would pass them too.
TEST_F(CliDocumentTest, SameSeedGivesTheSameOutputAndAnotherSeedAnother) {
  std::string text = ";Start\r\n";
  for (int i = 0; i < 1000; ++i) text += "1,ale " + std::to_string(i) + "\r\n";
  Table("Inns", "Alehouse", text);
  const Outcome first = Cli({"--seed", "42", "roll", "Alehouse", "-n", "5"});
  EXPECT_NE(first.out.find("ale "), std::string::npos);
  EXPECT_EQ(first.out, Cli({"--seed", "42", "roll", "Alehouse", "-n", "5"}).out);
  EXPECT_NE(first.out, Cli({"--seed", "43", "roll", "Alehouse", "-n", "5"}).out);
}

// ---- message boxes and exit statuses -------------------------------------------------------

class CliMessageTest : public CliTest {};

TEST_F(CliMessageTest, BoxTextsHaveEveryCrAndCrLfTurnedIntoALineFeed) {
  Table("Inns", "Greeter",
        "%who%,nobody\r\n@who,nobody,Who is there?\r\n:Start\r\n1,{Msg~%who%}hi\r\n");
  const Outcome run = Cli({"roll", "Greeter", "--param", "who=a\r\nb\rc\nd"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "[Greeter] a\nb\nc\nd\n");
  EXPECT_EQ(run.out, TextDocument({"hi"}));
}

// The option and the default are acceptance cases.
TEST_F(CliMessageTest, MissingGroupsBecomeErrorTextsByTheConfigurationFile) {
  Config("DisplayNonTables=True\r\n");
  EXPECT_EQ(Cli({"roll", "crypt"}).out,
            TextDocument(
                {"<hr><b>###ERR: Group 'Missing group' - not found (crypt, Line 2).###</b><br>!"}));
}

// Usage errors and --version are golden cases in tests/golden/Usage; the help grows with the
// commands, so only its presence is checked here.
TEST_F(CliMessageTest, HelpExitsWith0) {
  const Outcome help = RunCli({FABLEWICK_CLI_PATH, "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("roll"), std::string::npos) << help.out;
}

// ---- the catalogue and the tables folder ---------------------------------------------------

class CliListTest : public CliTest {};

TEST_F(CliListTest, ListsCategoryTabNameSortedIgnoringCaseWithHiddenCategories) {
  const Outcome run = Cli({"list"});
  EXPECT_EQ(run.status, 0);
  std::string lines = run.out;
  std::erase(lines, '\r');  // either line end will do
  EXPECT_EQ(lines, "dungeons\tcrypt\nInns\tbar\nInns\tRandom Inn\n~Hidden\tSecret\n");
  EXPECT_EQ(Cli({"roll", "Secret"}).out, TextDocument({"secret"}));
}

TEST_F(CliListTest, TablesFolderComesFromTheOptionThenTheConfigurationThenTheProgramFolder) {
  WriteFile(home_ / "Elsewhere" / "Far" / "Distant.tab", ":Start\r\n1,far away\r\n");
  WriteFile(home_ / "Configured" / "Set" / "Chosen.tab", ":Start\r\n1,as configured\r\n");
  const std::string elsewhere = (home_ / "Elsewhere").string();
  EXPECT_EQ(Cli({"--tables", elsewhere, "roll", "Distant"}).out, TextDocument({"far away"}));
  Config("Tables=" + (home_ / "Configured").string() + "\r\n");
  EXPECT_EQ(Cli({"roll", "Chosen"}).out, TextDocument({"as configured"}));
  EXPECT_EQ(Cli({"--tables", elsewhere, "roll", "Distant"}).out, TextDocument({"far away"}));
}

// ---- Ctrl-C ----------------------------------------------------------------------------------

class CliInterruptTest : public CliTest {};

TEST_F(CliInterruptTest, CtrlCStopsAnEndlessRollAndStillWritesTheDocument) {
  Table("dungeons", "Forever", ":Start\r\n1,{While~1,[Again]}\r\n;Again\r\n1,x\r\n");
  CliProcess process({FABLEWICK_CLI_PATH, "--home", home_.string(), "roll", "Forever"});
  ASSERT_TRUE(process.WaitUntilCatching(SIGINT, 10s));
  std::this_thread::sleep_for(500ms);
  ASSERT_TRUE(process.Running()) << "the roll ended by itself";
  const Clock::time_point interrupted = Clock::now();
  process.Signal(SIGINT);
  const Outcome run = process.Finish(5s);
  ASSERT_TRUE(run.ended) << "still running 5 s after Ctrl-C";
  EXPECT_LT(Clock::now() - interrupted, 2s);
  EXPECT_EQ(run.status, 0) << run.err;
  // One roll: the text made before the interruption, and three empty lines.
  ASSERT_TRUE(run.out.ends_with("\r\n\r\n\r\n\r\n")) << run.out.substr(0, 200);
  EXPECT_EQ(run.out.find("\r\n"), run.out.size() - 8);
  EXPECT_TRUE(run.out.starts_with("xxx")) << run.out.substr(0, 200);
}

TEST_F(CliInterruptTest, ASecondCtrlCEndsTheProgramAtOnce) {
  // Large enough to fill the pipe, so that the program waits in its write.
  Table("Inns", "Long", ":Start\r\n1," + std::string(200, 'z') + "\r\n");
  CliProcess process({FABLEWICK_CLI_PATH, "--home", home_.string(), "roll", "Long", "-n", "2000"});
  ASSERT_TRUE(process.WaitUntilCatching(SIGINT, 10s));
  std::this_thread::sleep_for(1s);
  ASSERT_TRUE(process.Running()) << "the document did not fill the pipe";
  process.Signal(SIGINT);
  std::this_thread::sleep_for(300ms);
  // Nothing is left to stop: the first Ctrl-C lets the document be written.
  EXPECT_TRUE(process.Running());
  process.Signal(SIGINT);
  const Outcome run = process.Finish(1s, false);
  EXPECT_TRUE(run.ended) << "still running 1 s after the second Ctrl-C";
  EXPECT_NE(run.status, 0);
}

}  // namespace
}  // namespace fablewick

#endif  // FABLEWICK_CLI_PATH
