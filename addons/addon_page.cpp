#include "addons/addon_page.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "engine/addon_loader.h"
#include "engine/documents/document.h"
#include "engine/error_text.h"
#include "engine/host.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kLineEnd = "\r\n";

// A failure that ends the build; its text is the error box's description.
struct PageFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void AppendLine(std::string& out, std::string_view line) { out.append(line).append(kLineEnd); }

std::string ReadListFile(const fs::path& file) {
  std::error_code folder_error;
  if (fs::is_directory(file, folder_error)) {
    throw PageFailure("\"" + file.string() + "\" is a folder, not a file");
  }
  errno = 0;
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  if (in) bytes << in.rdbuf();
  if (!in || in.bad()) {
    const int error = errno;
    throw PageFailure("Cannot read \"" + file.string() + "\"" +
                      (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
  }
  return DecodeFileText(bytes.str());
}

void AppendHead(std::string& out, std::string_view color_fg, std::string_view color_bg) {
  AppendLine(out, "<HTML>");
  AppendLine(out, "<HEAD>");
  AppendLine(out, "<TITLE>Fablewick Add-On Information</TITLE>");
  AppendLine(out, "</HEAD>");
  AppendLine(out, HtmlBodyTag(color_fg, color_bg));
  AppendLine(out, "<h2>Installed Fablewick Add-Ons</h2>");
  AppendLine(out, "<table width=\"100%\" border=\"0\">");
  AppendLine(out, "<tr>");
  AppendLine(out, "<td width=\"50%\"><b>Add-On</b></td>");
  AppendLine(out, "<td width=\"25%\" align=\"center\"><b>Version</b></td>");
  AppendLine(out, "<td width=\"25%\"></td>");
  AppendLine(out, "</tr>");
}

// The version text of an add-on: "Not available" when it has no Version member.
std::string VersionOf(const std::string& identifier, AddOnLoader* loader) {
  if (loader == nullptr) throw PageFailure("Add-ons cannot be loaded here");
  AddOnCallResult result = loader->CallMember(identifier, "Version", "");
  switch (result.outcome) {
    case AddOnCallResult::kDone:
      return std::move(result.text);
    case AddOnCallResult::kMissingMember:
      return "Not available";
    case AddOnCallResult::kCannotLoad:
      break;
  }
  throw PageFailure("Cannot load add-on '" + identifier + "': " + result.error);
}

// One row of the page for one line of the list.
void AppendAddOnRow(std::string& out, const std::string& line, int line_number,
                    AddOnLoader* loader) {
  const std::vector<std::string> fields = SplitAll(line, ',');
  if (fields.size() < 2) {
    throw PageFailure("Line " + FormatInteger(line_number) + " of " + kAddOnListFileName +
                      " has no comma between name and identifier: \"" + line + "\"");
  }
  const std::string& name = fields[0];
  const std::string& identifier = fields[1];
  const std::string version = VersionOf(identifier, loader);
  AppendLine(out, "<tr>");
  AppendLine(out, "<td>" + name + "</td>");
  AppendLine(out, "<td align=\"center\">" + version + "</td>");
  AppendLine(out, "<td><a href=\"abt://" + identifier + "\">About...</a>");
  AppendLine(out, "</tr>");
}

}  // namespace

AddOnPage BuildAddOnPage(const fs::path& program_folder, std::string_view color_fg,
                         std::string_view color_bg, AddOnLoader* loader) {
  const fs::path list_file = program_folder / kAddOnListFileName;
  std::error_code error;
  if (!fs::exists(list_file, error)) return {AddOnPage::kNoList, "", ""};
  try {
    std::string html;
    AppendHead(html, color_fg, color_bg);
    int line_number = 0;
    for (const std::string& line : SplitLines(ReadListFile(list_file))) {
      AppendAddOnRow(html, line, ++line_number, loader);
    }
    AppendLine(html, "</table>");
    AppendLine(html, "</BODY>");
    AppendLine(html, "</HTML>");
    return {AddOnPage::kBuilt, std::move(html), ""};
  } catch (const std::exception& failure) {
    return {AddOnPage::kFailed, "", RoutineErrorMessage(failure.what())};
  }
}

void ShowAddOnAbout(std::string_view identifier, AddOnLoader* loader, Host& host) {
  if (loader == nullptr) return;
  const AddOnCallResult about = loader->CallMember(identifier, "About", "");
  if (about.outcome == AddOnCallResult::kMissingMember) {
    host.MessageBox("Module missing function", "'About' information not available");
  } else if (about.outcome == AddOnCallResult::kDone && !about.text.empty()) {
    host.MessageBox("About " + std::string(identifier), about.text);
  }
}

}  // namespace fablewick
