// fablewick-cli publish: one web page of tables, written as a whole or not at all.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "config/config_file.h"
#include "engine/authoring/publish.h"
#include "engine/model/catalog.h"

namespace fablewick {

struct PublishCommand {
  PublishRequest request;
  std::optional<std::string> output;  // standard output when absent
  std::string title;
  std::optional<std::string> engine_file;
};

// Lists on standard error the lines that cannot run in a page and the calls that could not be
// followed, then writes the page. The exit status: 0 written, 1 when a table is not there or the
// web engine or the file cannot be had, 2 for nothing asked.
int RunPublish(const PublishCommand& command, const TableCatalog& catalog,
               const std::filesystem::path& tables_folder,
               const std::filesystem::path& program_folder, const Settings& settings,
               bool tab_calls_as_errors);

}  // namespace fablewick
