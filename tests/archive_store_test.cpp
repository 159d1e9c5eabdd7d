#include "platform/archive_store.h"

#include <stdlib.h>

#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;
using namespace std::string_literals;

class ArchiveStoreTest : public testing::Test {
 protected:
  TempFolder folder_{"archive"};
  const fs::path& root_ = folder_.path();
};

TEST_F(ArchiveStoreTest, NamesThatLeaveTheirFolderOrHideAreRefusedWithAMessage) {
  for (const std::string& name :
       {"../x"s, "a/b"s, "a\\b"s, ".."s, "."s, ".hidden"s, "/abs"s, "a\0b"s}) {
    EXPECT_THAT(CheckArchiveName(name), testing::Optional(testing::Not(testing::IsEmpty())))
        << name;
  }
  for (const std::string name : {"Inn", "My Inn (2)", "Crypt.v2", "Zwölf Türme", "x..y"}) {
    EXPECT_EQ(CheckArchiveName(name), std::nullopt) << name;
  }
}

TEST_F(ArchiveStoreTest, ListingIsSortedIgnoringCaseAndLeavesOutHiddenItemsAndFolderLinks) {
  for (const char* file : {"b.html", "Apple.txt", ".hidden.html", "caves/x.html"}) {
    WriteFile(root_ / file, "");
  }
  fs::create_directory(root_ / "Dungeons");
  fs::create_directory_symlink(root_, root_ / "loop");  // would make the tree endless
  fs::create_symlink(root_ / "b.html", root_ / "link.html");
  fs::create_symlink(root_ / "missing", root_ / "broken.html");

  EXPECT_THAT(ListArchiveFolder(root_),
              ElementsAre(ArchiveEntry{"Apple.txt", false}, ArchiveEntry{"b.html", false},
                          ArchiveEntry{"caves", true}, ArchiveEntry{"Dungeons", true},
                          ArchiveEntry{"link.html", false}));
}

TEST_F(ArchiveStoreTest, CopyReplacesTheTargetByteForByteOrLeavesTheEarlierFile) {
  const fs::path target = root_ / "Archives" / "Inn.html";
  WriteFile(target, "older");
  EXPECT_THROW(CopyIntoArchive(root_ / "Temp.html", target), std::runtime_error);  // no source
  EXPECT_EQ(ReadFile(target), "older");

  const std::string content = "<html>\r\nZwölf\r\n\0binary\r\n"s;
  WriteFile(root_ / "Temp.html", content);
  EXPECT_THROW(CopyIntoArchive(root_ / "Temp.html", root_ / "gone" / "Inn.html"),
               std::runtime_error);
  CopyIntoArchive(root_ / "Temp.html", target);
  EXPECT_EQ(ReadFile(target), content);
  EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "Archives"), {}), 1);  // no temporary
}

TEST_F(ArchiveStoreTest, DeletingATreeRemovesHiddenAndReadOnlyItemsButNeverFollowsLinks) {
  const fs::path tree = root_ / "Dungeons";
  for (const char* file : {"Crypt.html", ".hidden", "Deep/Pit.txt"}) WriteFile(tree / file, "");
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
