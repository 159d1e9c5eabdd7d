// Acceptance cases for fablewick-cli, kept as files under tests/golden, which is itself a
// program folder. Beside the tables of each category folder, a case NAME is
//   NAME.args    the arguments after --home and --seed 7, one to a line
//   NAME.out     the whole of standard output ("{home}" stands for the program folder)
//   NAME.err     the whole of standard error, or NAME.err.re: a regular expression it matches
//   NAME.status  the exit status, when it is not 0
// A missing .out or .err file stands for an empty text; NAME is a name of letters and digits.
// A new case is new files, not new code.
//
// FABLEWICK_TEST_CLI, when set, names the program to run instead of the native fablewick-cli:
// `make test-web` runs the cases through the web build's fablewick-cli on Node.js this way.
//
// To write the expectations from what the program now does, run the tests with
// FABLEWICK_GOLDEN_UPDATE=1 set, then read every change with `git diff tests/golden` before
// committing it: the files are the definition of what is right, not a record of what happens.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/support/cli_process.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

#if defined(FABLEWICK_CLI_PATH) && defined(FABLEWICK_TEST_DATA_DIR)

namespace fablewick {
namespace {

namespace fs = std::filesystem;

const fs::path kGolden = (fs::path(FABLEWICK_TEST_DATA_DIR) / ".." / "golden").lexically_normal();

// The cases, as the paths of their .args files without the extension, sorted.
std::vector<fs::path> Cases() {
  std::vector<fs::path> cases;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kGolden)) {
    if (entry.path().extension() == ".args")
      cases.push_back(entry.path().parent_path() / entry.path().stem());
  }
  std::sort(cases.begin(), cases.end());
  return cases;
}

// Writes `text` as the file, or removes the file when the text is the one its absence stands for.
void Expect(const fs::path& file, const std::string& text, const std::string& absent) {
  if (text == absent) {
    fs::remove(file);
  } else {
    WriteFile(file, text);
  }
}

class Acceptance : public testing::TestWithParam<fs::path> {
 protected:
  // One copy of the program folder for all cases, with the test add-ons beside it.
  static void SetUpTestSuite() {
    folder_ = new TempFolder("acceptance");
    home_ = folder_->path() / "home";
    fs::copy(kGolden, home_, fs::copy_options::recursive);
    fs::create_directories(home_ / "AddOns");
    for (const char* add_on : {"Echo.Test.so", "NoMain.so"}) {
      fs::copy_file(fs::path(FABLEWICK_TEST_ADDON_DIR) / add_on, home_ / "AddOns" / add_on);
    }
  }
  static void TearDownTestSuite() { delete folder_; }

  static inline TempFolder* folder_ = nullptr;
  static inline fs::path home_;
};

TEST_P(Acceptance, GivesTheWrittenOutputErrorsAndStatus) {
  const std::string base = GetParam().string();
  const char* program = getenv("FABLEWICK_TEST_CLI");
  std::vector<std::string> args = {program != nullptr ? program : FABLEWICK_CLI_PATH, "--home",
                                   home_.string(), "--seed", "7"};
  for (const std::string& arg : SplitLines(ReadFile(base + ".args"))) {
    args.push_back(ReplaceAll(arg, "{home}", home_.string()));
  }
  const Outcome actual = RunCli(args);
  const std::string out = ReplaceAll(actual.out, home_.string(), "{home}");
  const std::string err = ReplaceAll(actual.err, home_.string(), "{home}");
  const std::string status = actual.status == 0 ? "" : std::to_string(actual.status) + "\n";

  if (getenv("FABLEWICK_GOLDEN_UPDATE") != nullptr) {
    Expect(base + ".out", out, "");
    if (!fs::exists(base + ".err.re")) Expect(base + ".err", err, "");
    Expect(base + ".status", status, "");
  }
  EXPECT_EQ(out, ReadFile(base + ".out"));
  if (fs::exists(base + ".err.re")) {
    EXPECT_TRUE(std::regex_match(err, std::regex(ReadFile(base + ".err.re"))))
        << "standard error:\n"
        << err;
  } else {
    EXPECT_EQ(err, ReadFile(base + ".err"));
  }
  EXPECT_EQ(status, ReadFile(base + ".status"));
}

INSTANTIATE_TEST_SUITE_P(Cli, Acceptance, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<fs::path>& info) {
                           return info.param.filename().string();
                         });

}  // namespace
}  // namespace fablewick

#endif
