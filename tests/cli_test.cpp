// The command-line contract of fablewick-cli, on the real executable: the results document on
// standard output byte for byte, message boxes on standard error, exit statuses, the options,
// the catalogue listing, and Ctrl-C.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "tests/support/files.h"

#ifdef FABLEWICK_CLI_PATH

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Outcome {
  std::string out;
  std::string err;
  int status = -1;  // the exit status; -1 when the process did not exit by itself
  bool ended = false;
};

// fablewick-cli running with its standard output and error on pipes.
class CliProcess {
 public:
  explicit CliProcess(const std::vector<std::string>& args) {
    std::vector<std::string> all = {FABLEWICK_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      const int null = open("/dev/null", O_RDONLY);
      dup2(null, 0);
      dup2(out[1], 1);
      dup2(err[1], 2);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_fd_ = out[0];
    err_fd_ = err[0];
  }
  ~CliProcess() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_fd_ >= 0) close(out_fd_);
    if (err_fd_ >= 0) close(err_fd_);
  }
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  void Signal(int signal) { kill(pid_, signal); }

  // Collects output until the process has ended and closed its pipes, or `limit` has passed.
  // With `read_output` false, standard output is left unread, so that a large document blocks
  // the process in its write.
  Outcome Finish(Clock::duration limit, bool read_output = true) {
    const Clock::time_point end = Clock::now() + limit;
    while (Clock::now() < end) {
      std::vector<pollfd> fds;
      if (read_output && out_fd_ >= 0) fds.push_back({out_fd_, POLLIN, 0});
      if (err_fd_ >= 0) fds.push_back({err_fd_, POLLIN, 0});
      if (fds.empty() || (!read_output && err_fd_ < 0)) {
        if (Reap(false)) break;
        std::this_thread::sleep_for(5ms);
        continue;
      }
      poll(fds.data(), fds.size(), 20);
      for (const pollfd& fd : fds) {
        if (fd.revents == 0) continue;
        char buffer[65536];
        const ssize_t n = read(fd.fd, buffer, sizeof buffer);
        int& own = fd.fd == out_fd_ ? out_fd_ : err_fd_;
        std::string& text = fd.fd == out_fd_ ? outcome_.out : outcome_.err;
        if (n > 0) {
          text.append(buffer, static_cast<std::size_t>(n));
        } else {
          close(own);
          own = -1;
        }
      }
      if (out_fd_ < 0 && err_fd_ < 0 && Reap(true)) break;
    }
    Reap(false);
    return outcome_;
  }

  // Whether the process has ended, without waiting.
  bool Running() { return !Reap(false); }

  // Waits until the process has installed a handler for `signal` (as the system reports it in
  // /proc), so that a signal sent afterwards reaches the program rather than ending it.
  bool WaitUntilCatching(int signal, Clock::duration limit) {
    const Clock::time_point end = Clock::now() + limit;
    while (Clock::now() < end && Running()) {
      std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
      for (std::string line; std::getline(status, line);) {
        if (!line.starts_with("SigCgt:")) continue;
        const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
        if ((caught >> (signal - 1)) & 1u) return true;
      }
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }

 private:
  bool Reap(bool block) {
    if (reaped_) return true;
    int status = 0;
    if (waitpid(pid_, &status, block ? 0 : WNOHANG) != pid_) return false;
    reaped_ = true;
    outcome_.ended = true;
    outcome_.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
  }

  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  bool reaped_ = false;
  Outcome outcome_;
};

Outcome RunCli(const std::vector<std::string>& args) {
  CliProcess process(args);
  return process.Finish(60s);
}

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
    std::string pattern = (fs::temp_directory_path() / "fablewick-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    home_ = pattern;
    Table("Inns", "Random Inn", ":Start\r\n1,The Red^MDragon\r\n");
    Table("Inns", "bar", ":Start\r\n1,a bar\r\n");
    Table("Inns", "Alehouse", AlehouseText());
    Table("dungeons", "crypt", ":Start\r\n1,[Missing group]!\r\n");
    Table("dungeons", "Faulty", "# divides by zero\r\n:Start\r\n1,A{1d6/0}B\r\n");
    Table("~Hidden", "Secret", ":Start\r\n1,secret\r\n");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(home_, ignored);
  }

  static std::string AlehouseText() {
    std::string text = ";Start\r\n";
    for (int i = 0; i < 1000; ++i) text += "1,ale " + std::to_string(i) + "\r\n";
    return text;
  }

  void Table(const std::string& category, const std::string& name, const std::string& text) {
    WriteFile(home_ / "Tables" / category / (name + ".tab"), text);
  }

  void Config(const std::string& lines) {
    WriteFile(home_ / "Fablewick.cfg", "FWCFG2.0\r\n" + lines);
  }

  // fablewick-cli with --home set to the program folder.
  Outcome Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--home", home_.string()});
    return RunCli(args);
  }

  fs::path home_;
};

// ---- the results document ----------------------------------------------------------------

class CliDocumentTest : public CliTest {};

TEST_F(CliDocumentTest, HtmlNamesTheProgramFolderStyleSheetAndTheConfiguredColours) {
  Config("ColorFG=#112233\r\nColorBG=#FFEEDD\r\n");
  const Outcome run = Cli({"--format", "html", "roll", "Random Inn"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "<HTML>\r\n<HEAD>\r\n<TITLE>Random Inn</TITLE>\r\n<link href=\"" +
                         home_.string() +
                         "/link.css\" type=\"text/css\" rel=\"stylesheet\">\r\n</HEAD>\r\n"
                         "<BODY TEXT=\"#112233\"; LINK = \"#0000FF\"; VLINK = \"#0000FF\"; ALINK = "
                         "\"#0000FF\"; BGCOLOR = \"#FFEEDD\">\r\n"
                         "The Red\r\nDragon<BR>\r\n<BR>\r\n</BODY>\r\n</HTML>\r\n");
}

TEST_F(CliDocumentTest, OutputOptionWritesTheSameDocumentToAFileInstead) {
  const fs::path file = home_ / "out" / "result.html";
  fs::create_directories(file.parent_path());
  const Outcome to_file = Cli({"--format", "html", "--output", file.string(), "roll", "bar"});
  EXPECT_EQ(to_file.status, 0);
  EXPECT_EQ(to_file.out, "");
  const Outcome to_stdout = Cli({"--format", "html", "roll", "bar"});
  EXPECT_EQ(ReadFile(file), to_stdout.out);
  EXPECT_NE(to_stdout.out.find("a bar<BR>\r\n"), std::string::npos);
}

TEST_F(CliDocumentTest, SameSeedGivesTheSameOutputAndAnotherSeedAnother) {
  const Outcome first = Cli({"--seed", "42", "roll", "Alehouse", "-n", "5"});
  const Outcome again = Cli({"--seed", "42", "roll", "Alehouse", "-n", "5"});
  const Outcome other = Cli({"--seed", "43", "roll", "Alehouse", "-n", "5"});
  EXPECT_EQ(first.status, 0);
  EXPECT_NE(first.out.find("ale "), std::string::npos);
  EXPECT_EQ(first.out, again.out);
  EXPECT_NE(first.out, other.out);
  const Outcome call = Cli({"--seed", "42", "call", "[Alehouse]:5"});
  const Outcome call_again = Cli({"--seed", "42", "call", "[Alehouse]:5"});
  EXPECT_EQ(call.out, call_again.out);
}

// ---- calls ---------------------------------------------------------------------------------

class CliCallTest : public CliTest {};

TEST_F(CliCallTest, CallRollsTheTableOrGroupCountTimesWithTheTableAsTitle) {
  Table("Inns", "Menu", ":Start\r\n1,menu\r\n:Dish\r\n1,stew\r\n");
  EXPECT_EQ(Cli({"call", "[Random Inn]:3"}).out,
            TextDocument({"The Red\r\nDragon", "The Red\r\nDragon", "The Red\r\nDragon"}));
  EXPECT_EQ(Cli({"call", "[CC~Menu.Dish]:2"}).out, TextDocument({"Stew", "Stew"}));
  const Outcome xml = Cli({"--format", "xml", "call", "[N2~Menu.Dish]"});
  EXPECT_EQ(xml.status, 0);
  EXPECT_NE(xml.out.find("<Menu>\r\n<Generator>Fablewick 4.0</Generator>\r\nstewstew\r\n"),
            std::string::npos)
      << xml.out;
}

TEST_F(CliCallTest, TablesInHiddenCategoriesRollLikeAnyOther) {
  EXPECT_EQ(Cli({"roll", "Secret"}).out, TextDocument({"secret"}));
}

// ---- message boxes and exit statuses -------------------------------------------------------

class CliMessageTest : public CliTest {};

TEST_F(CliMessageTest, ATableThatCannotBeLoadedIsReportedOnStandardErrorWithStatus1) {
  Table("Inns", "Broken", ":Start\r\n1,fine\r\nx,bad\r\n");
  const Outcome broken = Cli({"roll", "Broken"});
  EXPECT_EQ(broken.status, 1);
  EXPECT_EQ(broken.err,
            "[Error reading table file: Broken] Missing value before comma in line 3:\n\nx,bad\n");
  const Outcome missing = Cli({"roll", "Nowhere"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "[Error reading table file: Nowhere] File \"Nowhere\" not found.\n\n\n");
  EXPECT_EQ(Cli({"call", "[Nowhere.Start]:2"}).status, 1);
}

TEST_F(CliMessageTest, BoxTextsHaveEveryCrAndCrLfTurnedIntoALineFeed) {
  Table("Inns", "Greeter",
        "%who%,nobody\r\n@who,nobody,Who is there?\r\n:Start\r\n1,{Msg~%who%}hi\r\n");
  const Outcome run = Cli({"roll", "Greeter", "--param", "who=a\r\nb\rc\nd"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "[Greeter] a\nb\nc\nd\n");
  EXPECT_EQ(run.out, TextDocument({"hi"}));
}

TEST_F(CliMessageTest, ErrorBoxesAreAnsweredOkUnlessCancelOnErrorStopsTheGeneration) {
  const std::string box =
      "[Error occurred in ProcessFunction (Faulty, Line 3)] <Entry: Dice~1d6/0>\n\n"
      "Technical Support Information: 11 - Division by zero\n";
  const Outcome ok = Cli({"roll", "Faulty", "-n", "3"});
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.err, box + box + box);
  EXPECT_EQ(ok.out, TextDocument({"AB", "AB", "AB"}));

  const Outcome cancel = Cli({"--cancel-on-error", "roll", "Faulty", "-n", "3"});
  EXPECT_EQ(cancel.status, 0);
  EXPECT_EQ(cancel.err, box);
  // The first roll is finished with the rest of its text; the rolls not made stay empty.
  EXPECT_EQ(cancel.out, TextDocument({"AB", "", ""}));
}

TEST_F(CliMessageTest, MissingGroupsBecomeErrorTextsByOptionOrByTheConfigurationFile) {
  const std::string error =
      "<hr><b>###ERR: Group 'Missing group' - not found (crypt, Line 2).###</b><br>!";
  EXPECT_EQ(Cli({"roll", "crypt"}).out, TextDocument({"Missing group!"}));
  EXPECT_EQ(Cli({"--errors-as-messages", "roll", "crypt"}).out, TextDocument({error}));
  Config("DisplayNonTables=True\r\n");
  EXPECT_EQ(Cli({"roll", "crypt"}).out, TextDocument({error}));
  Config("DisplayNonTables=False\r\n");
  EXPECT_EQ(Cli({"roll", "crypt"}).out, TextDocument({"Missing group!"}));
  EXPECT_EQ(Cli({"--errors-as-messages", "roll", "crypt"}).out, TextDocument({error}));
}

TEST_F(CliMessageTest, UsageErrorsExitWith2AndAMessage) {
  const std::vector<std::vector<std::string>> usages = {
      {"--frobnicate", "roll", "bar"},        // unknown option
      {"roll", "bar", "-n", "-1"},            // negative count
      {"call", "[bar]:-2"},                   // negative count in a call
      {},                                     // no command
      {"roll"},                               // no table
      {"--format", "pdf", "roll", "bar"},     // unknown output type
      {"roll", "bar", "--param", "novalue"},  // a parameter without "="
  };
  for (const std::vector<std::string>& args : usages) {
    const Outcome run = Cli(args);
    std::string joined;
    for (const std::string& arg : args) joined += arg + " ";
    EXPECT_EQ(run.status, 2) << joined;
    EXPECT_NE(run.err, "") << joined;
    EXPECT_EQ(run.out, "") << joined;
  }
}

TEST_F(CliMessageTest, HelpAndVersionExitWith0) {
  const Outcome help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("roll"), std::string::npos) << help.out;
  const Outcome version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_NE(version.out.find("4.0"), std::string::npos) << version.out;
}

// ---- the catalogue and the tables folder ---------------------------------------------------

class CliListTest : public CliTest {};

TEST_F(CliListTest, ListsCategoryTabNameSortedIgnoringCaseWithHiddenCategories) {
  const Outcome run = Cli({"list"});
  EXPECT_EQ(run.status, 0);
  std::string lines = run.out;
  for (std::size_t at; (at = lines.find("\r\n")) != std::string::npos;) lines.erase(at, 1);
  EXPECT_EQ(lines,
            "dungeons\tcrypt\ndungeons\tFaulty\n"
            "Inns\tAlehouse\nInns\tbar\nInns\tRandom Inn\n"
            "~Hidden\tSecret\n");
}

TEST_F(CliListTest, TablesFolderComesFromTheOptionThenTheConfigurationThenTheProgramFolder) {
  const fs::path elsewhere = home_ / "Elsewhere";
  const fs::path configured = home_ / "Configured";
  WriteFile(elsewhere / "Far" / "Distant.tab", ":Start\r\n1,far away\r\n");
  WriteFile(configured / "Set" / "Chosen.tab", ":Start\r\n1,as configured\r\n");

  EXPECT_EQ(Cli({"--tables", elsewhere.string(), "list"}).out.substr(0, 11), "Far\tDistant");
  EXPECT_EQ(Cli({"--tables", elsewhere.string(), "roll", "Distant"}).out,
            TextDocument({"far away"}));
  Config("Tables=" + configured.string() + "\r\n");
  EXPECT_EQ(Cli({"list"}).out.substr(0, 10), "Set\tChosen");
  EXPECT_EQ(Cli({"roll", "Chosen"}).out, TextDocument({"as configured"}));
  EXPECT_EQ(Cli({"--tables", elsewhere.string(), "list"}).out.substr(0, 11), "Far\tDistant");
}

// ---- Ctrl-C ----------------------------------------------------------------------------------

class CliInterruptTest : public CliTest {};

TEST_F(CliInterruptTest, CtrlCStopsAnEndlessRollAndStillWritesTheDocument) {
  Table("dungeons", "Forever", ":Start\r\n1,{While~1,[Again]}\r\n;Again\r\n1,x\r\n");
  CliProcess process({"--home", home_.string(), "roll", "Forever"});
  ASSERT_TRUE(process.WaitUntilCatching(SIGINT, 10s));
  std::this_thread::sleep_for(200ms);
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
  CliProcess process({"--home", home_.string(), "roll", "Long", "-n", "2000"});
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
