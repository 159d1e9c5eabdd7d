// Large HTML results documents cut into parts that the results view shows one after the other,
// so that no single step of parsing and laying out holds the window for long.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace fablewick {

// A results document in parts: `prefix` runs from the start to the end of the BODY tag's line,
// `pieces` holds the results, `suffix` runs from "</BODY>" to the end (without its line ends).
// Shown together as prefix, pieces, suffix, they show what the document shows: each result in a
// block of its own
// ("<div>" result "<BR></div>"), where the document ends it with "<BR>", a line end, "<BR>".
// One text block per result is also what keeps the view fast: a body made of a single block is
// laid out in one go, at a cost that grows faster than its length.
//
// A result longer than `longest_piece` is cut further, at its line breaks: each of its lines
// runs up to a "<br>" tag, and a cut there ends one block and starts the next, which shows the
// same lines. The text is cut only where no link and nothing but character formatting (bold,
// italics, fonts and the like) is open; that formatting is closed at the end of a piece and
// opened again, with the same tags, at the start of the next. A result without such a line
// break stays whole.
struct SteppedHtml {
  QString prefix;
  QStringList pieces;
  QString suffix;
};

// nullopt when the text has no BODY tag, no "</BODY>" or no result ends.
std::optional<SteppedHtml> SplitIntoResults(const QString& html, qsizetype longest_piece);

}  // namespace fablewick
