#include "engine/authoring/table_file_text.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/safe_file.h"
#include "platform/text.h"

namespace fablewick {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

TableFileText ReadTableFileText(std::string_view bytes) {
  TableFileText file;
  if (Utf8FileText(bytes)) {
    file.encoding =
        bytes.starts_with(kByteOrderMark) ? FileEncoding::kUtf8WithBom : FileEncoding::kUtf8;
  } else {
    file.encoding = FileEncoding::kWindows1252;
  }
  const std::string decoded = DecodeFileText(bytes);
  const std::size_t feed = decoded.find('\n');
  file.crlf = feed == std::string::npos || (feed > 0 && decoded[feed - 1] == '\r');
  // Every CR LF becomes LF, so that the editor sees one kind of line end; a file that mixes
  // both kinds is written back with its first kind throughout.
  file.text.reserve(decoded.size());
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    if (decoded[i] == '\r' && i + 1 < decoded.size() && decoded[i + 1] == '\n') continue;
    file.text.push_back(decoded[i]);
  }
  return file;
}

std::optional<std::string> EncodeTableFileText(const TableFileText& file) {
  std::string lines;
  if (file.crlf) {
    lines.reserve(file.text.size() + file.text.size() / 16);
    for (char c : file.text) {
      if (c == '\n') lines.push_back('\r');
      lines.push_back(c);
    }
  } else {
    lines = file.text;
  }
  switch (file.encoding) {
    case FileEncoding::kUtf8:
      return lines;
    case FileEncoding::kUtf8WithBom:
      return std::string(kByteOrderMark) + lines;
    case FileEncoding::kWindows1252:
      return ToWindows1252(lines);
  }
  return lines;
}

TableFileText LoadTableFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("Cannot read " + path);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("Cannot read " + path);
  return ReadTableFileText(bytes);
}

void SaveTableFileText(const std::string& path, const TableFileText& file) {
  const std::optional<std::string> bytes = EncodeTableFileText(file);
  if (!bytes) {
    throw std::runtime_error("The text holds characters that Windows-1252 cannot hold: " + path);
  }
  WriteTextFileAtomically(path, *bytes);
}

}  // namespace fablewick
