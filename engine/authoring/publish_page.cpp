#include "engine/authoring/publish_page.h"

#include <system_error>

#include <nlohmann/json.hpp>

#include "engine/documents/html_text.h"
#include "platform/text.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

// The bundle the page script reads: its title, the tables it offers, and the files.
std::string BundleJson(const Publication& publication, const PageContent& content,
                       const std::string& title) {
  nlohmann::json bundle;
  bundle["title"] = title;
  nlohmann::json tables = nlohmann::json::array();
  for (const PublishedTable& table : publication.offered) {
    tables.push_back({{"category", table.category}, {"table", table.name}});
  }
  bundle["tables"] = std::move(tables);
  nlohmann::json files = nlohmann::json::array();
  for (const BundledFile& file : publication.files) {
    files.push_back({{"path", file.path}, {"data", Base64(file.bytes)}});
  }
  if (!content.config_text.empty()) {
    files.push_back({{"path", "Fablewick.cfg"}, {"data", Base64(content.config_text)}});
  }
  bundle["files"] = std::move(files);
  // "<" only stands inside strings: as an escape it cannot end the script element.
  return ReplaceAll(bundle.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), "<",
                    "\\u003c");
}

}  // namespace

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned n = static_cast<unsigned char>(bytes[i]) << 16 |
                       static_cast<unsigned char>(bytes[i + 1]) << 8 |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[n >> 18];
    out += kDigits[(n >> 12) & 63];
    out += kDigits[(n >> 6) & 63];
    out += kDigits[n & 63];
  }
  if (i < bytes.size()) {
    const bool two = i + 1 < bytes.size();
    const unsigned n = static_cast<unsigned char>(bytes[i]) << 16 |
                       (two ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0);
    out += kDigits[n >> 18];
    out += kDigits[(n >> 12) & 63];
    out += two ? kDigits[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string ScriptSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] != '<') continue;
    // "<\/script" and "<\!--" mean the same inside the strings and expressions they stand in.
    const std::string_view rest = text.substr(i + 1);
    if (rest.starts_with("!--") ||
        (rest.size() >= 7 && rest[0] == '/' && EqualsIgnoreCase(rest.substr(1, 6), "script"))) {
      out += '\\';
    }
  }
  return out;
}

std::string BuildPublishedPage(const Publication& publication, const PageParts& parts,
                               const PageContent& content) {
  const std::string title = !content.title.empty()            ? content.title
                            : publication.offered.size() == 1 ? publication.offered.front().name
                                                              : std::string("Fablewick");
  const std::pair<std::string_view, std::string> places[] = {
      {"{{TITLE}}", EscapeHtmlText(title)},
      {"{{STYLE}}", ReplaceAll(parts.style, "</", "<\\/")},
      {"{{BUNDLE}}", BundleJson(publication, content, title)},
      {"{{ENGINE}}", ScriptSafe(content.engine_script)},
      {"{{SCRIPT}}", ScriptSafe(parts.script)},
  };
  // One pass through the template, so that nothing put in is read again as a place.
  std::string page;
  std::string_view rest = parts.html;
  while (!rest.empty()) {
    const std::size_t open = rest.find("{{");
    if (open == std::string_view::npos) break;
    page.append(rest.substr(0, open));
    rest.remove_prefix(open);
    bool filled = false;
    for (const auto& [place, text] : places) {
      if (!rest.starts_with(place)) continue;
      page += text;
      rest.remove_prefix(place.size());
      filled = true;
      break;
    }
    if (!filled) {
      page += "{{";
      rest.remove_prefix(2);
    }
  }
  page.append(rest);
  return page;
}

std::optional<fs::path> FindWebEngine(const std::optional<std::string>& given,
                                      const std::vector<fs::path>& folders) {
  std::error_code ec;
  if (given) {
    if (fs::is_regular_file(*given, ec)) return fs::path(*given);
    return std::nullopt;
  }
  for (const fs::path& folder : folders) {
    const fs::path candidate = folder / "Web" / "fablewick-web.js";
    if (!folder.empty() && fs::is_regular_file(candidate, ec)) return candidate;
  }
  return std::nullopt;
}

}  // namespace fablewick
