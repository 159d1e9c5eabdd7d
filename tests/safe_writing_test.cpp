// Files the program writes (the configuration file, results documents, exports) are replaced as a
// whole or not at all: a write that fails on a full disk or in a folder the program may not write
// leaves the earlier file as it was, leaves no half-written file behind, and says so.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "config/config_file.h"
#include "engine/documents/document.h"
#include "engine/documents/export.h"
#include "platform/safe_file.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

// One of the program's writers, replacing `target` with text of about `size` bytes.
struct Writer {
  const char* name;
  std::function<void(const fs::path& target, std::size_t size)> write;
};

void PrintTo(const Writer& writer, std::ostream* out) { *out << writer.name; }

const Writer kWriters[] = {
    {"ResultsDocument",
     [](const fs::path& target, std::size_t size) {
       WriteTextFileAtomically(target.string(), std::string(size, 'r'));
     }},
    {"ConfigurationFile",
     [](const fs::path& target, std::size_t size) {
       // The configuration file's name is fixed: the target names its folder's file.
       Settings settings;
       settings.HList.assign(size / 16 + 1, "Random Inn table");
       WriteConfigFile(target.parent_path(), settings);
     }},
    {"Export",
     [](const fs::path& target, std::size_t) {
       // The results document of 1 MB that SetUp wrote beside the folder.
       ExportResultsFile(target.parent_path().parent_path() / "Temp.txt", target, 1, false);
     }},
};

class SafeWritingTest : public ::testing::TestWithParam<Writer> {
 protected:
  void SetUp() override {
    folder_ = root_ / "out";
    // Others may pass through, so that a process without write permission can reach it.
    fs::permissions(root_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    WriteFile(root_ / "Temp.txt", std::string(1 << 20, 'e') + "\r\n");
    target_ = folder_ / kConfigFileName;
    WriteFile(target_, "the earlier file\r\n");
  }
  void TearDown() override { fs::permissions(folder_, fs::perms::owner_all); }

  // The folder holds nothing but the earlier file, unchanged.
  void ExpectEarlierFileIntact() {
    EXPECT_EQ(ReadFile(target_), "the earlier file\r\n");
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{kConfigFileName});
  }

  TempFolder temp_{"write"};
  const fs::path& root_ = temp_.path();
  fs::path folder_, target_;
};

TEST_P(SafeWritingTest, ReplacesTheEarlierFileWhole) {
  GetParam().write(target_, 1 << 20);
  EXPECT_GE(fs::file_size(target_), 1u << 20);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_P(SafeWritingTest, AFullDiskLeavesTheEarlierFileIntactAndIsReported) {
  // Files may grow to 64 KB only: the write fails part way, as on a disk that fills up.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const rlimit small{64 << 10, saved.rlim_max};
  void (*const previous)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message;
  try {
    GetParam().write(target_, 1 << 20);
  } catch (const std::runtime_error& error) {
    message = error.what();
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);
  EXPECT_NE(message.find(target_.string()), std::string::npos) << "reported: " << message;
  EXPECT_NE(message.find("File too large"), std::string::npos) << message;
  ExpectEarlierFileIntact();
}

// The writer runs in a child process that may not write into the folder (an unprivileged user
// when the tests run as root, whom permissions do not stop). The child's exit status: 0 the
// writer threw naming the file, 1 it threw without naming it, 2 it did not throw.
TEST_P(SafeWritingTest, AFolderThatCannotBeWrittenLeavesTheEarlierFileIntactAndIsReported) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    } else {
      chmod(folder_.c_str(), 0555);
    }
    try {
      GetParam().write(target_, 1000);
    } catch (const std::runtime_error& error) {
      _exit(std::string(error.what()).find(target_.string()) != std::string::npos ? 0 : 1);
    }
    _exit(2);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
  ExpectEarlierFileIntact();
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, SafeWritingTest, ::testing::ValuesIn(kWriters),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fablewick
