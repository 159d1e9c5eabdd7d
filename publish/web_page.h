// Publishing tables as one web page, the steps the command line and the window share: finding
// the web engine, and making the page from what was collected and the settings.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "config/config_file.h"
#include "engine/authoring/publish.h"

namespace fablewick {

// The web engine's script: `given` (the --engine option) when set, else Web/fablewick-web.js in
// the program folder, else in the installation's data folder. Throws std::runtime_error with
// the message to show when there is none or it cannot be read.
std::string LoadWebEngine(const std::optional<std::string>& given,
                          const std::filesystem::path& program_folder);

// The configuration file of the page's program folder: the settings that change what a roll
// gives or how its document looks (the colours, and whether calls of missing groups are
// errors), so that the page rolls as this program does. Folders are not carried over.
std::string PageConfigText(const Settings& settings, bool tab_calls_as_errors);

// The whole page.
std::string MakePublishedPage(const Publication& publication, const std::string& engine_script,
                              const std::string& title, const std::string& config_text);

}  // namespace fablewick
