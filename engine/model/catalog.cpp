#include "engine/model/catalog.h"

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <utility>

#include "platform/text.h"

namespace fablewick {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTableExtension = ".tab";

bool IsFolder(const fs::directory_entry& entry) {
  std::error_code ec;
  return entry.is_directory(ec);
}

// A file whose name ends in ".tab" in any letter case and has something before it.
bool IsTableFile(const fs::directory_entry& entry) {
  std::error_code ec;
  if (entry.is_directory(ec)) return false;
  const std::string name = entry.path().filename().string();
  return name.size() > kTableExtension.size() &&
         EqualsIgnoreCase(std::string_view(name).substr(name.size() - kTableExtension.size()),
                          kTableExtension);
}

// The names of the entries of a folder that pass `keep`. A folder that cannot be listed gives
// what was read before the failure, usually nothing.
template <typename Keep>
std::vector<std::string> EntryNames(const fs::path& folder, Keep keep) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    if (keep(*it)) names.push_back(it->path().filename().string());
  }
  return names;
}

void SortIgnoringCase(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return LessIgnoreCase(a, b); });
}

// The table names of the files in a category folder, in name order ignoring case.
std::vector<std::string> SortedTableNames(const fs::path& folder) {
  std::vector<std::string> names = EntryNames(folder, IsTableFile);
  for (std::string& name : names) name.resize(name.size() - kTableExtension.size());
  SortIgnoringCase(names);
  return names;
}

}  // namespace

void TableCatalog::Fill(const fs::path& tables_folder) {
  items_.clear();
  categories_.clear();
  std::vector<std::string> folders = EntryNames(tables_folder, IsFolder);
  SortIgnoringCase(folders);
  // Category indices are 16-bit; folders beyond that range are not catalogued.
  const std::size_t count = std::min<std::size_t>(folders.size(), INT16_MAX + 1);
  for (std::size_t i = 0; i < count; ++i) {
    const auto index = static_cast<int16_t>(i);
    const std::string& folder = folders[i];
    categories_.push_back(Category{folder, index, folder.starts_with('~')});
    for (std::string& name : SortedTableNames(tables_folder / folder)) {
      items_.push_back(CatalogItem{std::move(name), folder, index});
    }
  }
}

std::string TableCatalog::CategoryOfTable(std::string_view name) const {
  const auto it = std::find_if(items_.begin(), items_.end(),
                               [name](const CatalogItem& item) { return item.name == name; });
  return it == items_.end() ? std::string() : it->folder;
}

fs::path TableCatalog::TablePath(const fs::path& tables_folder, std::string_view name) const {
  const std::string file_name = std::string(name) + std::string(kTableExtension);
  const std::string folder = CategoryOfTable(name);
  return folder.empty() ? tables_folder / file_name : tables_folder / folder / file_name;
}

}  // namespace fablewick
