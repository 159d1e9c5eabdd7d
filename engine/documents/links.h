// The program's own links inside HTML results: re-roll links around a group call's result, note
// links holding a note the person can edit, and the About links of the add-on page. This is the
// text work behind a click on such a link: telling the link apart, reading the results back
// from the document, rolling the call again, patching the result, and removing the links for
// export. The window shows the dialogs and rewrites the document.
//
// The markup, N being the link number (plain decimal):
//   re-roll, named:   <a name="fwrollN" CLASS=clsLink href="regN://{modifiers}{call}">text</a>
//   re-roll, unnamed: <a CLASS=clsLink href="regN://{modifiers}{call}">text</a>
//   note:             <a name="fwrollN" CLASS=clsLink style="color:green" href="nteN://">note</a>
//   add-on About:     an ordinary link to "abt://" followed by the add-on's identifier
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fablewick {

class Engine;

// A link address taken apart. kind comes from the first three characters, compared exactly:
// "reg" re-roll, "nte" note, "abt" add-on About, anything else kOther (a normal navigation).
// number is the text between those three characters and the first "://"; rest is everything
// after the first "://" with every "%20" turned into a blank: {modifiers}{call} for a re-roll
// link, the add-on identifier for an About link. Without "://", number is everything after the
// three characters and rest is empty. The address is taken as written in the document; nothing
// is cut from its end.
struct ProgramLink {
  enum Kind { kReroll, kNote, kAbout, kOther } kind = kOther;
  std::string number;
  std::string rest;
};
ProgramLink ParseProgramLink(std::string_view href);

// The results held by an HTML results document, in order. location is the document's path or
// the address the results view reports for it ("file:///..." with "%20" and a "#fragment").
// The document has six header lines, then per result a line ending in "<BR>" and a line "<BR>",
// then a line starting with "</BODY>". A result that spans several lines (it held line breaks)
// is read back whole, its lines joined by CR LF. Lines may end in CR LF or LF. Throws
// std::runtime_error describing the problem when the file cannot be read or lacks that layout.
std::vector<std::string> ReadBackResults(const std::string& location);

// The call of a re-roll link's rest with its modifier prefixes removed: while the third
// character is "~", the first three characters are dropped. "CC~N2~Inn.Name" gives "Inn.Name".
std::string RerollCall(std::string_view rest);

// The table a re-roll call names: the call up to its first ".". Throws std::runtime_error when
// the call holds no ".", since the link then cannot say which table to roll.
std::string TableOfRerollCall(std::string_view call);

// Rolls a re-roll link's call again and returns the new result text (caret codes not expanded).
// Starts a new generation (so a stopped one does not silence it), then expands
// "{Reset~" call "}" "[" rest "]" as plain text of the call's table, line -1: the group's drawn
// marks are cleared and the call is rolled with the same modifiers. Throws std::runtime_error
// when the call names no table. Runs on the caller's thread, like any other generation.
std::string RegenerateLinkText(Engine& engine, std::string_view rest);

// Replaces re-roll link `number` by a link with the same number and form around new_text, its
// address "reg" number "://" rest. The first result holding the link's opening tag (named or
// unnamed form) is changed; the old link runs to its own closing tag, past any links nested in
// its text, and every copy of it in that result is replaced. Returns whether a link was found.
bool ReplaceRerollLink(std::vector<std::string>& results, std::string_view number,
                       std::string_view rest, std::string_view new_text);

// A note link found in the results: the index of the result holding it, the whole link as it
// stands there, its current note (the markup between its opening tag and its own "</a>"), and
// that note as the person reads and edits it, its character references decoded.
struct NoteLink {
  std::size_t result = 0;
  std::string old_link;
  std::string note;
  std::string text;
};

// Note link `number` in the first result that holds it; nullopt when none does.
std::optional<NoteLink> FindNoteLink(const std::vector<std::string>& results,
                                     std::string_view number);

// Replaces every copy of the found note link in its result by note link `number` showing
// new_note, or "-" when new_note is empty so that the link stays clickable. new_note is plain
// text as typed: "&", "<", ">" and quotes are written as character references, so that the note
// shows what was typed and cannot end the link or format the results after it.
void ReplaceNoteLink(std::vector<std::string>& results, const NoteLink& link,
                     std::string_view number, std::string_view new_note);

// The text with every named program link (opening tag starting `<a name="fwroll`) replaced by
// its link text; the link's own closing tag goes with it. Other links, including re-roll links
// in the unnamed form, stay. Links nested in a removed link's text are treated the same way.
std::string StripProgramLinks(std::string_view text);

}  // namespace fablewick
