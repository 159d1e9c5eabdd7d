// What a published web page holds: the tables asked for, every table their text can call, the
// XML data files they read and the style sheet, collected from the library on disk; and what in
// those tables a page cannot run (starting programs, add-ons, the debug window).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/model/catalog.h"

namespace fablewick {

// Which tables to publish: named ones, a category's, or the whole library's (hidden categories
// are left out of a whole library unless named).
struct PublishRequest {
  std::vector<std::string> tables;
  std::vector<std::string> categories;
  bool all = false;
};

// A file of the page, by its path under the program folder ("Tables/Inns/Random Inn.tab",
// "Data/Gems.xml", "link.css") and its bytes as on disk.
struct BundledFile {
  std::string path;
  std::string bytes;
};

// A table the page offers in its lists.
struct PublishedTable {
  std::string category;
  std::string name;
};

// A line of a bundled table that uses what a page cannot run.
struct UnrunnableLine {
  std::string file;  // the table file's path on disk
  int32_t line = 0;
  std::string text;  // the line as written
  std::string what;  // the first such function on the line: "Shell", "Extern" or "Debug"
};

struct Publication {
  std::vector<PublishedTable> offered;  // in catalogue order
  std::vector<BundledFile> files;       // tables in catalogue order, then data files, then link.css
  std::vector<UnrunnableLine> unrunnable;
  // Calls and data files that cannot be known before rolling, or that name what is not there:
  // one line each, "file:line: ...".
  std::vector<std::string> notes;
  // Why nothing can be published (a name that is not a table, an empty category); empty when
  // the collection succeeded.
  std::string problem;
};

// Collects what a page of the requested tables needs. `program_folder` holds Data/ and link.css.
Publication CollectPublication(const TableCatalog& catalog,
                               const std::filesystem::path& tables_folder,
                               const std::filesystem::path& program_folder,
                               const PublishRequest& request);

// The lines that cannot run in a page, "file:line: text", one per line, each ended by "\n".
std::string FormatUnrunnable(const std::vector<UnrunnableLine>& lines);

}  // namespace fablewick
