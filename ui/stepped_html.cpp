#include "ui/stepped_html.h"

#include <QRegularExpression>
#include <QStringView>
#include <iterator>
#include <vector>

namespace fablewick {
namespace {

// Elements that format characters only: closing them before a cut and opening them again after
// it changes nothing on screen.
bool IsCharacterFormat(QStringView name) {
  static const QStringList kNames = {"b",      "i",   "u",     "s",    "em",  "strong", "font",
                                     "span",   "big", "small", "sub",  "sup", "tt",     "code",
                                     "strike", "del", "ins",   "cite", "kbd", "var",    "samp"};
  return kNames.contains(name.toString());
}

// Elements that have no end tag.
bool IsVoid(QStringView name) {
  static const QStringList kNames = {"br",   "img", "hr",  "input", "meta",   "link", "area",
                                     "base", "col", "wbr", "param", "source", "embed"};
  return kNames.contains(name.toString());
}

// The position after the tag that starts at `lt` (a "<"), skipping quoted attribute values, or
// -1 when the tag does not end.
qsizetype TagEnd(QStringView text, qsizetype lt) {
  for (qsizetype at = lt + 1; at < text.size(); ++at) {
    const QChar c = text[at];
    if (c == u'>') return at + 1;
    if (c == u'=') {
      qsizetype value = at + 1;
      while (value < text.size() && text[value].isSpace()) ++value;
      if (value < text.size() && (text[value] == u'"' || text[value] == u'\'')) {
        const qsizetype close = text.indexOf(text[value], value + 1);
        if (close < 0) return -1;
        at = close;
      }
    }
  }
  return -1;
}

// Cuts one result (its text without the "<BR>" that ends it) into pieces of about
// `longest_piece` characters at its "<br>" tags, where only character formatting is open.
void AppendResultPieces(QStringView result, qsizetype longest_piece, QStringList& pieces) {
  struct Open {
    QString name;
    QStringView tag;
  };
  std::vector<Open> open;
  QString reopen;  // the tags open where the piece being built starts
  qsizetype start = 0;
  auto closing = [&open] {
    QString tags;
    for (auto it = open.rbegin(); it != open.rend(); ++it) tags += "</" + it->name + ">";
    return tags;
  };
  auto cuttable = [&open] {
    for (const Open& element : open) {
      if (!IsCharacterFormat(element.name)) return false;
    }
    return true;
  };
  for (qsizetype lt = result.indexOf(u'<'); lt >= 0; lt = result.indexOf(u'<', lt)) {
    if (result.mid(lt).startsWith(u"<!--")) {
      const qsizetype end = result.indexOf(u"-->", lt + 4);
      if (end < 0) break;
      lt = end + 3;
      continue;
    }
    const bool is_end_tag = lt + 1 < result.size() && result[lt + 1] == u'/';
    const qsizetype name_start = lt + (is_end_tag ? 2 : 1);
    qsizetype name_end = name_start;
    while (name_end < result.size() && result[name_end].isLetterOrNumber()) ++name_end;
    if (name_end == name_start) {  // not a tag ("a < b"): text
      ++lt;
      continue;
    }
    const qsizetype end = TagEnd(result, lt);
    if (end < 0) break;
    const QString name = result.mid(name_start, name_end - name_start).toString().toLower();
    if (is_end_tag) {
      for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (it->name == name) {
          open.erase(std::prev(it.base()), open.end());
          break;
        }
      }
    } else if (name == u"br") {
      if (lt - start >= longest_piece && cuttable()) {
        // No line end after "</div>": Qt would add it to the line as a blank.
        pieces.push_back("<div>" + reopen + result.mid(start, lt - start).toString() + closing() +
                         "</div>");
        reopen.clear();
        for (const Open& element : open) reopen += element.tag;
        start = end;
      }
    } else if (!IsVoid(name) && result[end - 2] != u'/') {
      open.push_back({name, result.mid(lt, end - lt)});
    }
    lt = end;
  }
  pieces.push_back("<div>" + reopen + result.mid(start).toString() + "<BR></div>\r\n");
}

}  // namespace

std::optional<SteppedHtml> SplitIntoResults(const QString& html, qsizetype longest_piece) {
  static const QRegularExpression body_tag("<body\\b[^>]*>[^\\n]*\\n?",
                                           QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch body = body_tag.match(html);
  if (!body.hasMatch()) return std::nullopt;
  const qsizetype start = body.capturedEnd();
  const qsizetype end = html.lastIndexOf(QLatin1String("</BODY>"), -1, Qt::CaseInsensitive);
  if (end < start) return std::nullopt;
  // A result ends with "<BR>", its line end, and a line "<BR>" (CR LF or LF line ends). Found by
  // a plain search: a document may be tens of megabytes.
  // The suffix's line ends are left out: after a piece that ends without a line break, Qt would
  // add them to its last line as a blank.
  SteppedHtml stepped{html.left(start), {}, html.mid(end).remove(u'\r').remove(u'\n')};
  const QLatin1String br("<BR>");
  auto line_end = [&html](qsizetype at) -> qsizetype {  // the position after a line end at `at`
    if (at < html.size() && html[at] == u'\r') ++at;
    return at < html.size() && html[at] == u'\n' ? at + 1 : -1;
  };
  qsizetype at = start;
  for (qsizetype found = html.indexOf(br, at, Qt::CaseInsensitive); found >= 0 && found < end;
       found = html.indexOf(br, found + br.size(), Qt::CaseInsensitive)) {
    const qsizetype second = line_end(found + br.size());
    if (second < 0 || html.mid(second, br.size()).compare(br, Qt::CaseInsensitive) != 0) continue;
    const qsizetype after = line_end(second + br.size());
    if (after < 0 || after > end) continue;
    const QStringView result = QStringView(html).mid(at, found - at);
    if (result.size() > longest_piece) {
      AppendResultPieces(result, longest_piece, stepped.pieces);
    } else {
      stepped.pieces.push_back("<div>" + result.toString() + "<BR></div>\r\n");
    }
    at = after;
    found = after - br.size();
  }
  if (stepped.pieces.isEmpty()) return std::nullopt;
  // Whatever follows the last result end (nothing, in the program's own documents) stays as it is.
  if (at < end) stepped.pieces.push_back(html.mid(at, end - at));
  return stepped;
}

}  // namespace fablewick
