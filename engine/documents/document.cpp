#include "engine/documents/document.h"

#include <algorithm>

#include "platform/text.h"

namespace fablewick {

std::string HtmlBodyTag(std::string_view color_fg, std::string_view color_bg) {
  return std::string("<BODY TEXT=\"")
      .append(color_fg)
      .append("\"; LINK = \"#0000FF\"; VLINK = \"#0000FF\"; ALINK = \"#0000FF\"; BGCOLOR = \"")
      .append(color_bg)
      .append("\">");
}

namespace {

constexpr std::string_view kLineEnd = "\r\n";

void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += kLineEnd;
}

std::string XmlElementName(std::string_view title) { return ReplaceAll(title, " ", "_"); }

}  // namespace

std::string OutputExtension(int output_type) {
  switch (output_type) {
    case kOutputHtml:
      return "html";
    case kOutputText:
      return "txt";
    case kOutputXml:
      return "xml";
    default:
      return "";
  }
}

std::string ExpandCaretCodes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (true) {
    const std::size_t caret = text.find('^', pos);
    if (caret == std::string_view::npos) {
      out += text.substr(pos);
      return out;
    }
    out += text.substr(pos, caret - pos);
    const std::string_view code = FirstCodePoint(text.substr(caret + 1));
    if (code == "M") {
      out += kLineEnd;
    } else if (code == "T") {
      out += '\t';
    }
    // The character after the caret is consumed whatever it is: a whole code point, so that
    // a caret before a non-ASCII letter does not leave half a character behind.
    pos = std::min(text.size(), caret + 1 + std::max<std::size_t>(code.size(), 1));
  }
}

std::string ResultsDocumentHead(int output_type, std::string_view title,
                                std::string_view program_folder, std::string_view color_fg,
                                std::string_view color_bg) {
  std::string out;
  if (output_type == kOutputHtml) {
    AppendLine(out, "<HTML>");
    AppendLine(out, "<HEAD>");
    AppendLine(out, std::string("<TITLE>").append(title).append("</TITLE>"));
    AppendLine(out, std::string("<link href=\"")
                        .append(program_folder)
                        .append("/link.css\" type=\"text/css\" rel=\"stylesheet\">"));
    AppendLine(out, "</HEAD>");
    AppendLine(out, HtmlBodyTag(color_fg, color_bg));
  } else if (output_type == kOutputXml) {
    AppendLine(out, "<?xml version=\"1.0\"?>");
    AppendLine(out, "<" + XmlElementName(title) + ">");
    AppendLine(out, "<Generator>Fablewick 4.0</Generator>");
  }
  return out;
}

void AppendResultLines(int output_type, std::string_view result, std::string& out) {
  if (output_type == kOutputHtml) {
    // `result<BR>` and a line `<BR>`.
    out.append(result).append("<BR>").append(kLineEnd).append("<BR>").append(kLineEnd);
  } else if (output_type == kOutputText || output_type == kOutputXml) {
    // The result followed by three empty lines.
    static constexpr std::string_view kFourLineEnds = "\r\n\r\n\r\n\r\n";
    out.append(result).append(kFourLineEnds);
  }
}

std::string ResultsDocumentTail(int output_type, std::string_view title) {
  std::string out;
  if (output_type == kOutputHtml) {
    AppendLine(out, "</BODY>");
    AppendLine(out, "</HTML>");
  } else if (output_type == kOutputXml) {
    AppendLine(out, "</" + XmlElementName(title) + ">");
  }
  return out;
}

std::string BuildResultsDocument(int output_type, std::string_view title,
                                 const std::vector<std::string>& results,
                                 std::string_view program_folder, std::string_view color_fg,
                                 std::string_view color_bg) {
  std::string out = ResultsDocumentHead(output_type, title, program_folder, color_fg, color_bg);
  const std::string tail = ResultsDocumentTail(output_type, title);
  std::size_t size = out.size() + tail.size();
  for (const std::string& result : results) size += result.size() + 12;
  out.reserve(size);
  for (const std::string& result : results) AppendResultLines(output_type, result, out);
  return out += tail;
}

std::string NormaliseDocumentPath(std::string_view address) {
  const std::string_view before_fragment = address.substr(0, address.find('#'));
  // Removing "file://" rather than "file:///" keeps the slash that starts an absolute path.
  return ReplaceAll(ReplaceAll(before_fragment, "%20", " "), "file://", "");
}

}  // namespace fablewick
