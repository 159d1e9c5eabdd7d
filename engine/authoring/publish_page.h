// The published web page as one HTML file: the page's template, script and style sheet, the web
// engine's script and the bundled files, all inline, so that the page fetches nothing.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/authoring/publish.h"

namespace fablewick {

// The page's own parts. The template holds the places "{{TITLE}}", "{{STYLE}}", "{{BUNDLE}}",
// "{{ENGINE}}" and "{{SCRIPT}}".
struct PageParts {
  std::string_view html;
  std::string_view script;
  std::string_view style;
};

struct PageContent {
  std::string title;          // the page's title; when empty, the table's name ("Fablewick"
                              // for several tables)
  std::string engine_script;  // the web engine, one script
  std::string config_text;    // a configuration file for the page's program folder; "" for none
};

// The whole page. Each file goes in as base64 inside a JSON block, under its path.
std::string BuildPublishedPage(const Publication& publication, const PageParts& parts,
                               const PageContent& content);

// The web engine's file: `given` when set, else the first of `folders` holding
// Web/fablewick-web.js. nullopt when there is none.
std::optional<std::filesystem::path> FindWebEngine(
    const std::optional<std::string>& given, const std::vector<std::filesystem::path>& folders);

// Text made safe inside a <script> element: "</script" and "<!--" cannot end or change it.
std::string ScriptSafe(std::string_view text);

std::string Base64(std::string_view bytes);

}  // namespace fablewick
