// Text helpers. All text inside the program is UTF-8; positions and lengths that the table language
// exposes count Unicode code points, never bytes. Upper and lower case follow Unicode case mapping.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fablewick {

// Turns the bytes of a file into UTF-8: valid UTF-8 is kept (a leading byte-order mark is
// dropped); anything else is read as Windows-1252 and converted.
std::string DecodeFileText(std::string_view bytes);

// The text of the bytes of a file when they are valid UTF-8 (without a leading byte-order mark),
// so that it can be read in place; nothing when they must be converted.
std::optional<std::string_view> Utf8FileText(std::string_view bytes);

// The Windows-1252 bytes of UTF-8 text, the way back of DecodeFileText's conversion; nothing when
// a code point has no byte in that code page (or the text is not valid UTF-8).
std::optional<std::string> ToWindows1252(std::string_view text);

// Splits text into lines. A line ends at CR LF or at a lone LF; a lone CR stays in its line.
// A final line end does not start another (empty) line.
std::vector<std::string> SplitLines(std::string_view text);

// Number of code points.
std::size_t CodePointCount(std::string_view text);

// Byte offset of code point index `index` (0-based); text.size() when index is at or past the end.
std::size_t ByteOffsetOfCodePoint(std::string_view text, std::size_t index);

// Up to `count` code points starting at code point `start` (0-based).
std::string_view SubstrCodePoints(std::string_view text, std::size_t start,
                                  std::size_t count = std::string_view::npos);

// The first code point of text as its UTF-8 bytes ("" for empty text).
std::string_view FirstCodePoint(std::string_view text);
// The last code point of text as its UTF-8 bytes ("" for empty text).
std::string_view LastCodePoint(std::string_view text);

std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);
// Text with its first code point upper-cased and the rest unchanged.
std::string UpperFirst(std::string_view text);

// Blanks (U+0020 only) removed at both ends; tabs and other white space stay.
std::string_view TrimBlanks(std::string_view text);

// Every occurrence of `from` replaced by `to`, left to right without overlap. Empty `from`
// leaves the text unchanged.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Divides text at every occurrence of `separator` (fields untrimmed; empty text gives one
// empty field).
std::vector<std::string> SplitAll(std::string_view text, char separator);

// Compares two names ignoring letter case (Unicode case folding); used for file-name lookups.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Orders texts case-insensitively (folder listings), ties broken by the exact text.
bool LessIgnoreCase(std::string_view a, std::string_view b);

}  // namespace fablewick
