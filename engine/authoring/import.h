// Importing tables written for other tools: grammar JSON (symbols with lists of alternatives),
// plain lists (one entry a line, optionally weighted) and CSV sheets (a roll column and a text
// column). Each source becomes one new ".tab" file in a category of the tables folder; an existing
// file is replaced only when the caller says so.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fablewick {

enum class ImportFormat { kGrammarJson, kPlainList, kCsv };

// Files larger than this are refused before they are read.
inline constexpr std::uintmax_t kMaxImportBytes = std::uintmax_t{4} << 20;

// "json", "list" or "csv", as the command line writes the formats; nullopt for anything else.
std::optional<ImportFormat> ImportFormatFromWord(std::string_view word);
// The format a file's extension suggests: ".json" grammar JSON, ".csv" CSV, anything else a list.
ImportFormat ImportFormatOfFile(const std::filesystem::path& file);
// "grammar JSON", "plain list" or "CSV".
std::string_view ImportFormatName(ImportFormat format);

struct ImportRequest {
  std::filesystem::path source;
  std::optional<ImportFormat> format;   // from the file's extension when not given
  std::string start_symbol = "origin";  // grammar JSON: the symbol that becomes group Start
  std::string category = "Imported";
  std::string table;     // the new table's name; the source file's name without extension when ""
  bool replace = false;  // replace a table of that name in that category
};

enum class ImportStatus {
  kWritten,
  kExists,   // a table of that name is there already and `replace` was false; nothing written
  kBadName,  // the category or table name cannot be a file name; nothing written
  kFailed,   // the source could not be read or converted; nothing written
};

struct ImportOutcome {
  ImportStatus status = ImportStatus::kFailed;
  std::string message;              // why nothing was written; "" when the table was
  std::string table;                // the table's name
  std::filesystem::path file;       // the table file, written or in the way
  std::vector<std::string> report;  // what could not be converted as it was, one line each
};

// The text of the table a source converts to, or why it cannot be converted.
struct Conversion {
  std::string error;                // "" when it converted
  std::string table_text;           // the ".tab" file, CR LF line ends
  std::vector<std::string> report;  // what could not be converted as it was, one line each
};

// Converts the bytes of a source file (UTF-8, UTF-8 with a byte-order mark, or Windows-1252;
// CR LF or LF line ends). `source_name` names the file in the table's first comment.
Conversion ConvertToTable(std::string_view bytes, ImportFormat format,
                          std::string_view start_symbol, std::string_view source_name);

// Why `name` cannot be the name of a table or category file: empty, "." or "..", or holding a
// path separator or a control character. "" when it can. `what` is "table" or "category".
std::string ImportNameProblem(std::string_view name, std::string_view what);

// Reads, converts and writes: the table file goes to tables_folder / category / table ".tab",
// replacing nothing unless the request says so, and is never left half written.
ImportOutcome ImportTable(const ImportRequest& request, const std::filesystem::path& tables_folder);

// The converters of the three formats (import_grammar.cpp, import_list.cpp, import_csv.cpp),
// on text already decoded to UTF-8.
Conversion ConvertGrammarJson(std::string_view text, std::string_view start_symbol,
                              std::string_view source_name);
Conversion ConvertPlainList(std::string_view text, std::string_view source_name);
Conversion ConvertCsv(std::string_view text, std::string_view source_name);

}  // namespace fablewick
