// The catalogue of table files: every ".tab" file lying directly in a category folder, a
// category being a sub-folder of the tables folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fablewick {

struct CatalogItem {
  std::string name;    // the file name without its ".tab"
  std::string folder;  // the name of the category folder
  int16_t category_index = 0;
};

struct Category {
  std::string name;
  int16_t index = 0;    // position among all sub-folders of the tables folder, from 0
  bool hidden = false;  // the name begins with "~": not offered, but its tables are catalogued
};

class TableCatalog {
 public:
  // Rebuilds the catalogue from the tables folder. Folders and files are taken in name order,
  // ignoring letter case, since file systems list them in no particular order. Files directly
  // in the tables folder and deeper sub-folders are not seen. A folder that is missing or
  // cannot be listed contributes nothing.
  void Fill(const std::filesystem::path& tables_folder);

  // Every table, category by category, in name order within each.
  const std::vector<CatalogItem>& items() const { return items_; }
  // Every category, hidden ones included.
  const std::vector<Category>& categories() const { return categories_; }

  // The folder of the first table named exactly `name`; "" when there is none.
  std::string CategoryOfTable(std::string_view name) const;

  // Where the table's file is: tables folder / category folder / name ".tab", or tables folder
  // / name ".tab" for a name that is not catalogued.
  std::filesystem::path TablePath(const std::filesystem::path& tables_folder,
                                  std::string_view name) const;

 private:
  std::vector<CatalogItem> items_;
  std::vector<Category> categories_;
};

}  // namespace fablewick
