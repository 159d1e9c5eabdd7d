#include "engine/authoring/import.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/safe_file.h"
#include "platform/text.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

std::string Megabytes(std::uintmax_t bytes) {
  const std::uintmax_t tenths = (bytes * 10 + (1 << 19)) >> 20;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

// The file of the table in `folder` whose name differs from `file_name` at most in letter case,
// as the loader would find it; empty when there is none.
fs::path ExistingTableFile(const fs::path& folder, const std::string& file_name) {
  std::error_code error;
  if (fs::exists(folder / file_name, error)) return folder / file_name;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (EqualsIgnoreCase(it->path().filename().string(), file_name)) return it->path();
  }
  return {};
}

ImportOutcome Failed(ImportStatus status, std::string message) {
  ImportOutcome outcome;
  outcome.status = status;
  outcome.message = std::move(message);
  return outcome;
}

}  // namespace

std::optional<ImportFormat> ImportFormatFromWord(std::string_view word) {
  if (word == "json") return ImportFormat::kGrammarJson;
  if (word == "list") return ImportFormat::kPlainList;
  if (word == "csv") return ImportFormat::kCsv;
  return std::nullopt;
}

ImportFormat ImportFormatOfFile(const fs::path& file) {
  const std::string extension = file.extension().string();
  if (EqualsIgnoreCase(extension, ".json")) return ImportFormat::kGrammarJson;
  if (EqualsIgnoreCase(extension, ".csv")) return ImportFormat::kCsv;
  return ImportFormat::kPlainList;
}

std::string_view ImportFormatName(ImportFormat format) {
  switch (format) {
    case ImportFormat::kGrammarJson:
      return "grammar JSON";
    case ImportFormat::kPlainList:
      return "plain list";
    case ImportFormat::kCsv:
      return "CSV";
  }
  return "";
}

Conversion ConvertToTable(std::string_view bytes, ImportFormat format,
                          std::string_view start_symbol, std::string_view source_name) {
  const std::string text = DecodeFileText(bytes);
  switch (format) {
    case ImportFormat::kGrammarJson:
      return ConvertGrammarJson(text, start_symbol, source_name);
    case ImportFormat::kPlainList:
      return ConvertPlainList(text, source_name);
    case ImportFormat::kCsv:
      return ConvertCsv(text, source_name);
  }
  return {};
}

std::string ImportNameProblem(std::string_view name, std::string_view what) {
  const std::string quoted = "\"" + std::string(name) + "\"";
  if (name.empty()) return "The " + std::string(what) + " name is empty.";
  if (name == "." || name == "..") {
    return "The " + std::string(what) + " name " + quoted + " names a folder, not a file.";
  }
  for (const char c : name) {
    if (c == '/' || c == '\\') {
      return "The " + std::string(what) + " name " + quoted +
             " holds a path separator; give a plain name.";
    }
    if (static_cast<unsigned char>(c) < 0x20) {
      return "The " + std::string(what) + " name holds a control character.";
    }
  }
  return "";
}

ImportOutcome ImportTable(const ImportRequest& request, const fs::path& tables_folder) {
  const std::string table = request.table.empty() ? request.source.stem().string() : request.table;
  for (const auto& [name, what] : {std::pair{table, "table"}, {request.category, "category"}}) {
    if (std::string problem = ImportNameProblem(name, what); !problem.empty()) {
      return Failed(ImportStatus::kBadName, std::move(problem));
    }
  }
  const std::string source = request.source.string();
  std::error_code error;
  if (!fs::is_regular_file(request.source, error)) {
    return Failed(ImportStatus::kFailed, "The file \"" + source + "\" does not exist.");
  }
  const std::uintmax_t size = fs::file_size(request.source, error);
  if (error)
    return Failed(ImportStatus::kFailed, "Cannot read \"" + source + "\": " + error.message());
  if (size > kMaxImportBytes) {
    return Failed(ImportStatus::kFailed, "The file \"" + source + "\" is " + Megabytes(size) +
                                             "; files over " + Megabytes(kMaxImportBytes) +
                                             " are not imported.");
  }
  std::ifstream in(request.source, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!in.good() && !in.eof())
    return Failed(ImportStatus::kFailed, "Cannot read \"" + source + "\".");

  const ImportFormat format = request.format.value_or(ImportFormatOfFile(request.source));
  Conversion conversion =
      ConvertToTable(bytes, format, request.start_symbol, request.source.filename().string());
  if (!conversion.error.empty()) {
    return Failed(ImportStatus::kFailed, "Cannot import \"" + source + "\" as " +
                                             std::string(ImportFormatName(format)) + ": " +
                                             conversion.error);
  }

  ImportOutcome outcome;
  outcome.table = table;
  outcome.report = std::move(conversion.report);
  const fs::path folder = tables_folder / request.category;
  outcome.file = folder / (table + ".tab");
  const fs::path existing = ExistingTableFile(folder, table + ".tab");
  if (!existing.empty() && !request.replace) {
    outcome.status = ImportStatus::kExists;
    outcome.file = existing;
    outcome.message = "The table \"" + existing.stem().string() +
                      "\" already exists in category \"" + request.category + "\".";
    return outcome;
  }
  try {
    fs::create_directories(folder);
    WriteTextFileAtomically(outcome.file.string(), conversion.table_text);
    // A replaced table whose file name differed in letter case goes, so the catalogue keeps one.
    if (!existing.empty() && existing.filename() != outcome.file.filename()) fs::remove(existing);
  } catch (const std::exception& failure) {
    return Failed(ImportStatus::kFailed, failure.what());
  }
  outcome.status = ImportStatus::kWritten;
  return outcome;
}

}  // namespace fablewick
