// The table checker: reads table files with the loader's own rules and looks through their
// text for mistakes that would otherwise show only while rolling (or never): calls of groups and
// tables that do not exist, unknown functions, blocks without their separators, brackets that
// never close, undeclared variables, entries no roll reaches and groups nothing calls.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/model/catalog.h"

namespace fablewick {

enum class Severity { kError, kWarning, kNote };

struct Diagnostic {
  std::string file;  // the table file's path
  int32_t line = 0;  // 1-based; 0 when the problem concerns the whole file
  Severity severity = Severity::kError;
  std::string message;
};

// "error", "warning" or "note".
std::string_view SeverityWord(Severity severity);

// Checks tables. Each target is a table name, looked up in the catalogue as a call would look it
// up, or the path of a ".tab" file, checked directly under the name of its file. With no
// targets, every table of the catalogue is checked. Tables that the targets call are loaded to
// check the calls, but only the targets' own diagnostics are returned, file by file in the order
// of the targets and by line within a file.
std::vector<Diagnostic> CheckTables(const TableCatalog& catalog,
                                    const std::filesystem::path& tables_folder,
                                    const std::vector<std::string>& targets);

// Checks the text of one table as it stands in an editor, unsaved: `name` is the table's name
// (the name its own calls of it use), `file` the path its diagnostics name. The tables it calls
// are read as saved on disk; a call of `name` reaches this text.
std::vector<Diagnostic> CheckTableText(const TableCatalog& catalog,
                                       const std::filesystem::path& tables_folder,
                                       const std::string& name, const std::filesystem::path& file,
                                       const std::string& text);

// Whether a target names a file rather than a catalogued table: it ends in ".tab".
bool IsTableFileArgument(std::string_view target);

// Whether any diagnostic is an error.
bool HasErrors(const std::vector<Diagnostic>& diagnostics);

// One line per diagnostic, "file:line: severity: message", or "file: severity: message" when the
// line is 0, each ended by a line feed: the form editors and build tools jump from.
std::string FormatDiagnostics(const std::vector<Diagnostic>& diagnostics);

// A short count: "2 errors, 1 warning, 0 notes".
std::string DiagnosticSummary(const std::vector<Diagnostic>& diagnostics);

// A complete HTML page reporting the diagnostics under `title`, file by file, for the results
// view; it says so when there is nothing to report.
std::string FormatDiagnosticsHtml(const std::vector<Diagnostic>& diagnostics,
                                  std::string_view title);

}  // namespace fablewick
