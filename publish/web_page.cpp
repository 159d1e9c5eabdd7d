#include "publish/web_page.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "engine/authoring/publish_page.h"
#include "platform/program_folder.h"

#include "publish/page_parts.h"

namespace fablewick {

namespace fs = std::filesystem;

std::string LoadWebEngine(const std::optional<std::string>& given, const fs::path& program_folder) {
  const std::optional<fs::path> found =
      FindWebEngine(given, {program_folder, InstalledDefaultFilesFolder()});
  if (!found) {
    if (given) throw std::runtime_error("The web engine file \"" + *given + "\" is not there.");
    throw std::runtime_error("The web engine is not built: run make web");
  }
  std::ifstream in(*found, std::ios::binary);
  std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    throw std::runtime_error("The web engine file \"" + found->string() + "\" cannot be read.");
  }
  return script;
}

std::string PageConfigText(const Settings& settings, bool tab_calls_as_errors) {
  auto line = [](std::string_view key, std::string_view value) {
    std::string text(key);
    text += '=';
    for (char c : value) {
      if (c != '\r' && c != '\n') text += c;
    }
    return text + "\r\n";
  };
  return "FWCFG2.0\r\n\r\n" + line("DisplayNonTables", tab_calls_as_errors ? "True" : "False") +
         line("ColorFG", settings.ColorFG) + line("ColorBG", settings.ColorBG);
}

std::string MakePublishedPage(const Publication& publication, const std::string& engine_script,
                              const std::string& title, const std::string& config_text) {
  return BuildPublishedPage(publication, BuiltInPageParts(),
                            PageContent{title, engine_script, config_text});
}

}  // namespace fablewick
