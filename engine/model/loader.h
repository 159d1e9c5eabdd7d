// Reading a table file into the table model.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "engine/host.h"
#include "engine/model/table.h"

namespace fablewick {

// Loads the table file at `path` as table `name`. Never fails to return: problems are shown in
// message boxes titled "Error reading table file: " name, and a table that cannot be loaded
// comes back named kErrorTableName.
std::unique_ptr<Table> LoadTableFile(const std::string& name, const std::filesystem::path& path,
                                     Host& host);

// Parses table text that is already read and decoded (used by LoadTableFile and by tests).
std::unique_ptr<Table> ParseTableText(const std::string& name, std::string_view text, Host& host);

// The file at `path`, or a file in the same folder whose name differs only in letter case, as
// the file systems that many table collections were written on would find it. Empty when none.
std::filesystem::path FindFileIgnoringCase(const std::filesystem::path& path);

}  // namespace fablewick
