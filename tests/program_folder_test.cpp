#include "platform/program_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

// A fake installation: an executable folder, a home folder, installed default files and an
// environment that holds only what a test puts into it.
class ProgramFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "bin");
    environment_["HOME"] = (root_ / "home").string();
    WriteFile(root_ / "share" / "link.css", "installed");
    WriteFile(root_ / "share" / "Tables" / "Fantasy" / "Inn.tab", "installed");
    WriteFile(root_ / "share" / "Web" / "fablewick-web.js", "installed");
  }

  fs::path Resolve(const std::optional<std::string>& home_option = std::nullopt) {
    const auto lookup = [this](const std::string& name) -> std::optional<std::string> {
      const auto it = environment_.find(name);
      return it == environment_.end() ? std::nullopt : std::optional(it->second);
    };
    return ResolveProgramFolder(home_option, root_ / "bin" / "fablewick", lookup, root_ / "share");
  }

  TempFolder folder_{"program"};
  const fs::path& root_ = folder_.path();
  std::map<std::string, std::string> environment_;
};

TEST_F(ProgramFolderTest, OptionComesFirstThenEnvironmentThenPortableThenPerUserFolder) {
  EXPECT_EQ(Resolve(), root_ / "home" / ".local" / "share" / "fablewick");
  fs::create_directories(root_ / "bin" / "Tables");
  EXPECT_EQ(Resolve(), root_ / "bin");
  environment_["FABLEWICK_HOME"] = "";  // empty counts as unset
  EXPECT_EQ(Resolve(std::string()), root_ / "bin");
  environment_["FABLEWICK_HOME"] = (root_ / "env").string();
  EXPECT_EQ(Resolve(), root_ / "env");
  EXPECT_EQ(Resolve((root_ / "opt").string()), root_ / "opt");
  // The folder's path is written into documents: a trailing or doubled separator must not stay.
  EXPECT_EQ(Resolve((root_ / "opt").string() + "/").string(), (root_ / "opt").string());
  EXPECT_EQ(Resolve((root_ / "opt").string() + "/./").string(), (root_ / "opt").string());
}

TEST_F(ProgramFolderTest, PerUserFolderFollowsAnAbsoluteDataHomeAndIsFilledKeepingTheUsersFiles) {
  environment_["XDG_DATA_HOME"] = "relative/data";
  const fs::path folder = root_ / "home" / ".local" / "share" / "fablewick";
  WriteFile(folder / "link.css", "mine");  // there before the first start
  ASSERT_EQ(Resolve(), folder);
  EXPECT_EQ(ReadFile(folder / "link.css"), "mine");
  EXPECT_EQ(ReadFile(folder / "Tables" / "Fantasy" / "Inn.tab"), "installed");
  // The web engine stays in the installation, where an upgrade replaces it.
  EXPECT_FALSE(fs::exists(folder / "Web"));
  environment_["XDG_DATA_HOME"] = (root_ / "data").string();
  EXPECT_EQ(Resolve(), root_ / "data" / "fablewick");
}

// An installed folder (here the add-on folder) is looked for beside the executable, whose
// build meant it for /usr/local; the tests place it elsewhere.
TEST_F(ProgramFolderTest, InstalledFolderIsFoundBesideTheExecutableOrElseWhereTheBuildPutIt) {
  const fs::path configured = "/usr/local/lib/fablewick/AddOns";
  const auto find = [&](const fs::path& executable) {
    return InstalledFolder(executable, "/usr/local/bin", configured);
  };
  EXPECT_EQ(find(fs::path()), configured);
  // A file where the folder should be is not a folder of add-ons.
  WriteFile(root_ / "lib" / "fablewick" / "AddOns", "not a folder");
  EXPECT_EQ(find(root_ / "bin" / "fablewick"), configured);

  fs::remove(root_ / "lib" / "fablewick" / "AddOns");
  fs::create_directories(root_ / "lib" / "fablewick" / "AddOns");
  EXPECT_EQ(find(root_ / "bin" / "fablewick"), root_ / "lib/fablewick/AddOns");
  // A path to the executable that is not in its plain form leads to the same folder.
  EXPECT_EQ(find(root_ / "." / "bin" / "fablewick"), root_ / "lib/fablewick/AddOns");
}

}  // namespace
}  // namespace fablewick
