// The results document: the file that shows the results of the last roll, in one of three
// output types, and the caret-code step applied to the final text of every roll.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fablewick {

// Output types of the results document (the nOutputType setting).
inline constexpr int kOutputHtml = 0;
inline constexpr int kOutputText = 1;
inline constexpr int kOutputXml = 2;

// "html", "txt" or "xml" for the three output types; "" for any other value.
std::string OutputExtension(int output_type);

// The BODY tag of the program's HTML pages (results document, add-on page) with the configured
// text and background colours, inserted as they are.
std::string HtmlBodyTag(std::string_view color_fg, std::string_view color_bg);

// Turns caret codes into control characters: "^M" gives CR LF, "^T" a tab; a caret followed by
// any other character, or standing at the end, is dropped together with that character. Codes
// are matched exactly ("^m" is dropped), and the character after a caret is always consumed,
// so "^^M" gives "M".
std::string ExpandCaretCodes(std::string_view text);

// The whole results document of the given output type, every line ended by CR LF. Results are
// written unescaped, one per line (a result holding line breaks spans several lines). The HTML
// layout is read back by the re-roll and note code: six header lines, then per result the
// line `result<BR>` and a line `<BR>`, then `</BODY>` and `</HTML>`. An output type other than
// the three known ones gives the empty text.
std::string BuildResultsDocument(int output_type, std::string_view title,
                                 const std::vector<std::string>& results,
                                 std::string_view program_folder, std::string_view color_fg,
                                 std::string_view color_bg);

// The same document in three parts, for writers that pass each result on as soon as it is made:
// the head, the lines of each result in turn, then the tail.
std::string ResultsDocumentHead(int output_type, std::string_view title,
                                std::string_view program_folder, std::string_view color_fg,
                                std::string_view color_bg);
void AppendResultLines(int output_type, std::string_view result, std::string& out);
std::string ResultsDocumentTail(int output_type, std::string_view title);

// Turns the address the results view reports for a document back into a local path: the part
// from the first "#" on is cut, "%20" becomes a blank and "file://" is removed, so
// "file:///home/x/My%20Temp.html#fwroll3" gives "/home/x/My Temp.html". A plain path passes
// unchanged.
std::string NormaliseDocumentPath(std::string_view address);

}  // namespace fablewick
