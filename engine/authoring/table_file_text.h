// A table file as the studio edits it: its bytes turned into UTF-8 text with lines ended by LF,
// and what is needed to write that text back the way the file was written: its encoding (UTF-8,
// UTF-8 with a byte-order mark, Windows-1252) and its line ends (CR LF or LF). Text that was not
// edited is written back byte for byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fablewick {

enum class FileEncoding { kUtf8, kUtf8WithBom, kWindows1252 };

struct TableFileText {
  std::string text;  // UTF-8, every line end a lone LF
  FileEncoding encoding = FileEncoding::kUtf8;
  bool crlf = true;  // the file's line ends; a new file gets CR LF, as the program writes files
};

// Reads the bytes of a table file. The line ends are the file's own kind: CR LF when its first
// line end is one, LF otherwise; a lone CR stays in its line.
TableFileText ReadTableFileText(std::string_view bytes);

// The bytes that write `text` in the file's encoding and line ends; nothing when the file is
// Windows-1252 and the text holds a character that code page cannot hold (the caller may then
// save it as UTF-8).
std::optional<std::string> EncodeTableFileText(const TableFileText& file);

// Reads a file; throws std::runtime_error naming it when it cannot be read.
TableFileText LoadTableFileText(const std::string& path);

// Writes the file atomically (readers see the old or the new file, never half of one); throws
// std::runtime_error when it cannot be written, or when the text does not fit its encoding.
void SaveTableFileText(const std::string& path, const TableFileText& file);

}  // namespace fablewick
