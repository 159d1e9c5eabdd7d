#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/program_folder.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

// The build meant the program for /usr/local; the tests place it elsewhere.
class InstalledFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "fw_installed_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "opt" / "bin");
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path Find(const fs::path& executable) const {
    return InstalledFolder(executable, "/usr/local/bin", "/usr/local/lib/fablewick/AddOns");
  }

  fs::path root_;
};

TEST_F(InstalledFolderTest, IsFoundBesideAnExecutableInstalledUnderAnotherPrefix) {
  fs::create_directories(root_ / "opt" / "lib" / "fablewick" / "AddOns");
  EXPECT_EQ(Find(root_ / "opt" / "bin" / "fablewick"), root_ / "opt/lib/fablewick/AddOns");
  // A path to the executable that is not in its plain form leads to the same folder.
  EXPECT_EQ(Find(root_ / "opt" / "." / "bin" / "fablewick"), root_ / "opt/lib/fablewick/AddOns");
}

TEST_F(InstalledFolderTest, FallsBackToTheBuiltInFolderWhenNothingIsBesideTheExecutable) {
  const fs::path configured = "/usr/local/lib/fablewick/AddOns";
  EXPECT_EQ(Find(root_ / "opt" / "bin" / "fablewick"), configured);
  EXPECT_EQ(Find(fs::path()), configured);
  // A file where the folder should be is not a folder of add-ons.
  fs::create_directories(root_ / "opt" / "lib" / "fablewick");
  std::ofstream(root_ / "opt" / "lib" / "fablewick" / "AddOns") << "not a folder";
  EXPECT_EQ(Find(root_ / "opt" / "bin" / "fablewick"), configured);
}

}  // namespace
}  // namespace fablewick
