#include "engine/documents/links.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "engine/documents/document.h"
#include "engine/documents/html_text.h"
#include "engine/documents/link_markup.h"
#include "engine/engine.h"
#include "engine/expansion/syntax.h"
#include "platform/text.h"

namespace fablewick {

namespace {

constexpr std::string_view kAddressSeparator = "://";
constexpr std::string_view kClosingTag = "</a>";
constexpr std::string_view kLineBreakTag = "<BR>";
constexpr std::string_view kBodyEnd = "</BODY>";
constexpr std::size_t kHeaderLines = 6;

// Link numbers are written in plain decimal; anything else cannot be one of the program's links
// and must not be copied into new markup.
bool IsLinkNumber(std::string_view number) {
  if (number.empty()) return false;
  for (const char c : number) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsTagSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// "<a" followed by white space or ">", in either case; "<abbr>" and "<area>" are not links.
bool IsOpeningLinkTag(std::string_view text, std::size_t at) {
  return at + 2 < text.size() && text[at] == '<' && (text[at + 1] == 'a' || text[at + 1] == 'A') &&
         (IsTagSpace(text[at + 2]) || text[at + 2] == '>');
}

bool IsClosingLinkTag(std::string_view text, std::size_t at) {
  return at + 3 < text.size() && text[at] == '<' && text[at + 1] == '/' &&
         (text[at + 2] == 'a' || text[at + 2] == 'A') && text[at + 3] == '>';
}

// The position just after the closing tag that ends a link whose text starts at content_start,
// counting the links opened and closed in between; npos when the link is never closed.
std::size_t EndOfLink(std::string_view text, std::size_t content_start) {
  int depth = 1;
  for (std::size_t at = text.find('<', content_start); at != std::string_view::npos;
       at = text.find('<', at + 1)) {
    if (IsOpeningLinkTag(text, at)) {
      ++depth;
    } else if (IsClosingLinkTag(text, at) && --depth == 0) {
      return at + kClosingTag.size();
    }
  }
  return std::string_view::npos;
}

// The end of a link, or, when its tags do not balance, the end of the first "</a>" after its
// text starts, which is as far as a link can safely be taken to reach.
std::size_t EndOfLinkOrFirstClose(std::string_view text, std::size_t content_start) {
  const std::size_t end = EndOfLink(text, content_start);
  if (end != std::string_view::npos) return end;
  const std::size_t close = text.find(kClosingTag, content_start);
  return close == std::string_view::npos ? close : close + kClosingTag.size();
}

// A re-roll link located in a result: where it starts and ends, and which form it has.
struct FoundLink {
  std::size_t start;
  std::size_t end;
  bool named;
};

// The first well-formed re-roll link `number` in text, in either form. The prefixes hold the
// quote before "reg" and the "://" after the number, so link 1 is never taken for link 12.
std::optional<FoundLink> FindRerollLink(std::string_view text, std::string_view number) {
  const std::string named = NamedRerollPrefix(number);
  const std::string unnamed = UnnamedRerollPrefix(number);
  std::size_t from = 0;
  while (true) {
    const std::size_t named_at = text.find(named, from);
    const std::size_t unnamed_at = text.find(unnamed, from);
    const bool is_named = named_at <= unnamed_at;
    const std::size_t start = is_named ? named_at : unnamed_at;
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t address = start + (is_named ? named.size() : unnamed.size());
    // The address runs to the quote that closes the href, and the opening tag ends right there.
    const std::size_t quote = text.find('"', address);
    if (quote != std::string_view::npos && quote + 1 < text.size() && text[quote + 1] == '>') {
      const std::size_t end = EndOfLinkOrFirstClose(text, quote + 2);
      if (end != std::string_view::npos) return FoundLink{start, end, is_named};
    }
    from = start + 1;
  }
}

[[noreturn]] void ThrowLayoutError(const std::string& path, std::string_view problem) {
  throw std::runtime_error("The results document \"" + path + "\" " + std::string(problem));
}

}  // namespace

ProgramLink ParseProgramLink(std::string_view href) {
  ProgramLink link;
  const std::string_view prefix = href.substr(0, 3);
  if (prefix == "reg") {
    link.kind = ProgramLink::kReroll;
  } else if (prefix == "nte") {
    link.kind = ProgramLink::kNote;
  } else if (prefix == "abt") {
    link.kind = ProgramLink::kAbout;
  } else {
    return link;
  }
  const std::string_view after_prefix = href.substr(3);
  const std::size_t separator = after_prefix.find(kAddressSeparator);
  link.number = std::string(after_prefix.substr(0, separator));
  if (separator != std::string_view::npos) {
    link.rest = ReplaceAll(after_prefix.substr(separator + kAddressSeparator.size()), "%20", " ");
  }
  return link;
}

std::vector<std::string> ReadBackResults(const std::string& location) {
  const std::string path = NormaliseDocumentPath(location);
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw std::runtime_error("Cannot read the results document \"" + path +
                             "\": " + std::strerror(errno));
  }
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) throw std::runtime_error("Cannot read the results document \"" + path + "\".");
  const std::vector<std::string> lines = SplitLines(DecodeFileText(bytes));
  if (lines.size() < kHeaderLines) ThrowLayoutError(path, "has fewer than six header lines.");

  std::vector<std::string> results;
  std::size_t at = kHeaderLines;
  while (true) {
    if (at >= lines.size()) ThrowLayoutError(path, "ends without a \"</BODY>\" line.");
    if (lines[at].starts_with(kBodyEnd)) return results;
    // A result is one line ending in "<BR>" followed by a line "<BR>"; a result that held line
    // breaks was written over several lines, which are joined again.
    const std::size_t first = at;
    std::string result;
    while (true) {
      if (at >= lines.size() || (at > first && lines[at].starts_with(kBodyEnd))) {
        ThrowLayoutError(path, "has a result in line " + std::to_string(first + 1) +
                                   " that does not end in \"<BR>\".");
      }
      const std::string& line = lines[at];
      if (at > first) result += "\r\n";
      result += line;
      ++at;
      if (line.ends_with(kLineBreakTag) && at < lines.size() && lines[at] == kLineBreakTag) {
        result.resize(result.size() - kLineBreakTag.size());
        ++at;
        break;
      }
    }
    results.push_back(std::move(result));
  }
}

std::string RerollCall(std::string_view rest) { return std::string(SkipPrefixes(rest)); }

std::string TableOfRerollCall(std::string_view call) {
  const GroupReference reference = SplitGroupReference(call);
  if (!reference.has_table) {
    throw std::runtime_error("The re-roll call \"" + std::string(call) +
                             "\" does not name its table (it holds no \".\").");
  }
  return std::string(reference.table);
}

std::string RegenerateLinkText(Engine& engine, std::string_view rest) {
  const std::string call = RerollCall(rest);
  const std::string table = TableOfRerollCall(call);
  engine.BeginGeneration();
  const std::string text = "{Reset~" + call + "}[" + std::string(rest) + "]";
  return engine.ProcessString(text, kPlainText, table, -1);
}

bool ReplaceRerollLink(std::vector<std::string>& results, std::string_view number,
                       std::string_view rest, std::string_view new_text) {
  if (!IsLinkNumber(number)) return false;
  for (std::string& result : results) {
    const std::optional<FoundLink> found = FindRerollLink(result, number);
    if (!found) continue;
    const std::string old_link = result.substr(found->start, found->end - found->start);
    const std::string new_link =
        RerollLinkTag(number, rest, found->named).append(new_text).append(kLinkClosingTag);
    result = ReplaceAll(result, old_link, new_link);
    return true;
  }
  return false;
}

std::optional<NoteLink> FindNoteLink(const std::vector<std::string>& results,
                                     std::string_view number) {
  if (!IsLinkNumber(number)) return std::nullopt;
  const std::string tag = NoteOpeningTag(number);
  for (std::size_t index = 0; index < results.size(); ++index) {
    const std::string_view result = results[index];
    for (std::size_t start = result.find(tag); start != std::string_view::npos;
         start = result.find(tag, start + 1)) {
      const std::size_t content = start + tag.size();
      const std::size_t end = EndOfLinkOrFirstClose(result, content);
      if (end == std::string_view::npos) continue;
      const std::string_view note = result.substr(content, end - kClosingTag.size() - content);
      return NoteLink{index, std::string(result.substr(start, end - start)), std::string(note),
                      DecodeHtmlText(note)};
    }
  }
  return std::nullopt;
}

void ReplaceNoteLink(std::vector<std::string>& results, const NoteLink& link,
                     std::string_view number, std::string_view new_note) {
  if (link.result >= results.size() || !IsLinkNumber(number)) return;
  const std::string new_link =
      NoteLinkMarkup(number, new_note.empty() ? std::string("-") : EscapeHtmlText(new_note));
  std::string& result = results[link.result];
  result = ReplaceAll(result, link.old_link, new_link);
}

std::string StripProgramLinks(std::string_view text) {
  if (text.find(kNamedLinkMarker) == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  // One entry per link open at the scan position: whether its closing tag is to be dropped.
  std::vector<bool> open_links;
  std::size_t copied = 0;
  for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at)) {
    if (IsOpeningLinkTag(text, at)) {
      const bool named = text.substr(at).starts_with(kNamedLinkMarker);
      open_links.push_back(named);
      const std::size_t tag_end = text.find('>', at);
      if (tag_end == std::string_view::npos) break;  // an unfinished tag: copied as it is
      if (named) {
        out.append(text.substr(copied, at - copied));
        copied = tag_end + 1;
      }
      at = tag_end + 1;
    } else if (IsClosingLinkTag(text, at)) {
      // A stray closing tag outside any link is kept.
      const bool drop = !open_links.empty() && open_links.back();
      if (!open_links.empty()) open_links.pop_back();
      if (drop) {
        out.append(text.substr(copied, at - copied));
        copied = at + kClosingTag.size();
      }
      at += kClosingTag.size();
    } else {
      ++at;
    }
  }
  out.append(text.substr(copied));
  return out;
}

}  // namespace fablewick
