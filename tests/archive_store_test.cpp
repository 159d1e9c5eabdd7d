#include "platform/archive_store.h"

#include <stdlib.h>

#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/files.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;
using namespace std::string_literals;

class ArchiveStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "fw_archive_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;  // a failed deletion test may leave read-only folders behind
    fs::remove_all(root_, ignored);
  }

  fs::path root_;
};

TEST_F(ArchiveStoreTest, NamesThatLeaveTheirFolderOrHideAreRefusedWithAMessage) {
  for (const std::string name : {"../x", "a/b", "a\\b", "..", ".", ".hidden", "/abs"}) {
    const auto refusal = CheckArchiveName(name);
    ASSERT_TRUE(refusal.has_value()) << name;
    EXPECT_FALSE(refusal->empty());
  }
  EXPECT_TRUE(CheckArchiveName(std::string("a\0b", 3)).has_value());
  for (const std::string name : {"Inn", "My Inn (2)", "Crypt.v2", "Zwölf Türme", "x..y"}) {
    EXPECT_EQ(CheckArchiveName(name), std::nullopt) << name;
  }
}

TEST_F(ArchiveStoreTest, ListingIsSortedIgnoringCaseAndLeavesOutHiddenItemsAndFolderLinks) {
  WriteFile(root_ / "b.html", "");
  WriteFile(root_ / "Apple.txt", "");
  WriteFile(root_ / ".hidden.html", "");
  WriteFile(root_ / "caves" / "x.html", "");
  fs::create_directory(root_ / "Dungeons");
  fs::create_directory_symlink(root_, root_ / "loop");  // would make the tree endless
  fs::create_symlink(root_ / "b.html", root_ / "link.html");
  fs::create_symlink(root_ / "missing", root_ / "broken.html");

  EXPECT_THAT(ListArchiveFolder(root_),
              ElementsAre(ArchiveEntry{"Apple.txt", false}, ArchiveEntry{"b.html", false},
                          ArchiveEntry{"caves", true}, ArchiveEntry{"Dungeons", true},
                          ArchiveEntry{"link.html", false}));
}

TEST_F(ArchiveStoreTest, CopyReplacesTheTargetByteForByteAndLeavesNoTemporaryFile) {
  const std::string content = "<html>\r\nZwölf\r\n\0binary\r\n"s;
  WriteFile(root_ / "Temp.html", content);
  fs::create_directory(root_ / "Archives");
  WriteFile(root_ / "Archives" / "Inn.html", "older");

  CopyIntoArchive(root_ / "Temp.html", root_ / "Archives" / "Inn.html");

  EXPECT_EQ(ReadFile(root_ / "Archives" / "Inn.html"), content);
  EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "Archives"), {}), 1);
}

TEST_F(ArchiveStoreTest, FailedCopyKeepsTheEarlierFile) {
  fs::create_directory(root_ / "Archives");
  WriteFile(root_ / "Archives" / "Inn.html", "older");
  EXPECT_THROW(CopyIntoArchive(root_ / "Temp.html", root_ / "Archives" / "Inn.html"),
               std::runtime_error);
  EXPECT_EQ(ReadFile(root_ / "Archives" / "Inn.html"), "older");

  WriteFile(root_ / "Temp.html", "new");
  EXPECT_THROW(CopyIntoArchive(root_ / "Temp.html", root_ / "gone" / "Inn.html"),
               std::runtime_error);
}

TEST_F(ArchiveStoreTest, DeletingATreeRemovesHiddenAndReadOnlyItemsButNeverFollowsLinks) {
  const fs::path tree = root_ / "Dungeons";
  WriteFile(tree / "Crypt.html", "");
  WriteFile(tree / ".hidden", "");
  WriteFile(tree / "Deep" / "Pit.txt", "");
  WriteFile(root_ / "outside" / "keep.html", "keep");
  fs::create_directory_symlink(root_ / "outside", tree / "Deep" / "link");
  fs::permissions(tree / "Crypt.html", fs::perms::owner_read, fs::perm_options::replace);
  fs::permissions(tree / "Deep", fs::perms::owner_read | fs::perms::owner_exec,
                  fs::perm_options::replace);

  DeleteArchiveTree(tree);

  EXPECT_FALSE(fs::exists(tree));
  EXPECT_EQ(ReadFile(root_ / "outside" / "keep.html"), "keep");
  EXPECT_THROW(DeleteArchiveTree(root_ / "outside" / "keep.html"), std::runtime_error);
  EXPECT_NO_THROW(DeleteArchiveTree(root_ / "gone"));
}

}  // namespace
}  // namespace fablewick
