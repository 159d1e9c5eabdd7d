#include "engine/documents/export.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "engine/documents/document.h"
#include "engine/documents/links.h"
#include "platform/safe_file.h"
#include "platform/text.h"

namespace fablewick {

namespace {

ExportFormat MakeFormat(std::string filter, std::string extension, std::string name) {
  ExportFormat format{std::move(filter), "", std::move(extension), std::move(name)};
  format.qt_filter = QtFileFilter(format.filter);
  return format;
}

std::string ReadResultsFile(const std::filesystem::path& results_file) {
  std::ifstream file(results_file, std::ios::binary);
  if (!file) {
    throw std::runtime_error("Cannot read the results file \"" + results_file.string() +
                             "\": " + std::strerror(errno));
  }
  std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) {
    throw std::runtime_error("Cannot read the results file \"" + results_file.string() + "\".");
  }
  return bytes;
}

}  // namespace

ExportFormat ExportFormatFor(int output_type) {
  switch (output_type) {
    case kOutputHtml:
      return MakeFormat("HTML Files (*.html, *.htm)|*.html;*.htm", "html", "HTML");
    case kOutputText:
      return MakeFormat("ASCII Text Files (*.txt)|*.txt", "txt", "Text");
    case kOutputXml:
      return MakeFormat("XML Files (*.xml)|*.xml", "xml", "XML");
    default:
      return {};
  }
}

std::string QtFileFilter(std::string_view filter) {
  const std::size_t bar = filter.find('|');
  std::string_view description = filter.substr(0, bar);
  const std::string_view patterns =
      bar == std::string_view::npos ? std::string_view() : filter.substr(bar + 1);
  // The description may already list its patterns in parentheses; Qt reads the patterns from
  // there, so that list is replaced by the real one.
  if (description.ends_with(')')) {
    const std::size_t open = description.rfind('(');
    if (open != std::string_view::npos) description = TrimBlanks(description.substr(0, open));
  }
  if (patterns.empty()) return std::string(description);
  return std::string(description) + " (" + ReplaceAll(patterns, ";", " ") + ")";
}

void ExportResultsFile(const std::filesystem::path& results_file,
                       const std::filesystem::path& target, int output_type, bool remove_links) {
  const std::string bytes = ReadResultsFile(results_file);
  std::string out;
  out.reserve(bytes.size() + 64);
  if (output_type == kOutputHtml) out.append(kExportCreditLine).append("\r\n");
  // Links are removed from the whole text rather than line by line, so that a link whose text
  // holds a line break loses its closing tag too.
  for (const std::string& line : SplitLines(remove_links ? StripProgramLinks(bytes) : bytes)) {
    out.append(line).append("\r\n");
  }
  WriteTextFileAtomically(target.string(), out);
}

}  // namespace fablewick
