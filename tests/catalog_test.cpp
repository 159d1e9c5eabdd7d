#include "engine/model/catalog.h"

#include <stdlib.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

// A tables folder with categories in mixed letter case, one hidden, a table name used twice,
// and files that are not catalogued: beside the categories, deeper down, or not ".tab".
class TableCatalogTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"sci-Fi/Inn.tab", "sci-Fi/ship.TAB", "Fantasy/inn.tab",
                             "Fantasy/Dragons.Tab", "Fantasy/b.tab", "Fantasy/notes.txt",
                             "Fantasy/Deeper/Lost.tab", "~Lib/Inn.tab", "Loose.tab"}) {
      WriteFile(tables_ / file, "Table: Start\n");
    }
    fs::create_directories(tables_ / "alpha");
    catalog_.Fill(tables_);
  }
  TempFolder folder_{"catalog"};
  const fs::path& tables_ = folder_.path();
  TableCatalog catalog_;
};

TEST_F(TableCatalogTest, ListsCategoriesAndTheirTableFilesInNameOrderIgnoringCase) {
  std::vector<std::string> described;
  for (const Category& c : catalog_.categories()) {
    described.push_back(std::to_string(c.index) + c.name + (c.hidden ? " hidden" : ""));
  }
  for (const CatalogItem& item : catalog_.items()) {
    described.push_back(std::to_string(item.category_index) + item.folder + "/" + item.name);
  }
  EXPECT_EQ(described, (std::vector<std::string>{"0alpha", "1Fantasy", "2sci-Fi", "3~Lib hidden",
                                                 "1Fantasy/b", "1Fantasy/Dragons", "1Fantasy/inn",
                                                 "2sci-Fi/Inn", "2sci-Fi/ship", "3~Lib/Inn"}));
}

TEST_F(TableCatalogTest, FindsTheFirstTableOfAnExactNameAndAMissingFolderHasNone) {
  EXPECT_EQ(catalog_.CategoryOfTable("Ship"), "");
  EXPECT_EQ(catalog_.TablePath(tables_, "Inn"), tables_ / "sci-Fi" / "Inn.tab");
  EXPECT_EQ(catalog_.TablePath(tables_, "Nowhere"), tables_ / "Nowhere.tab");
  catalog_.Fill(tables_ / "does-not-exist");
  EXPECT_TRUE(catalog_.items().empty() && catalog_.categories().empty());
}

}  // namespace
}  // namespace fablewick
