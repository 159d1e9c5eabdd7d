#include "ui/stepped_html.h"

#include <QRegularExpression>

namespace fablewick {

std::optional<SteppedHtml> SplitIntoResults(const QString& html) {
  static const QRegularExpression body_tag("<body\\b[^>]*>[^\\n]*\\n?",
                                           QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch body = body_tag.match(html);
  if (!body.hasMatch()) return std::nullopt;
  const qsizetype start = body.capturedEnd();
  const qsizetype end = html.lastIndexOf(QLatin1String("</BODY>"), -1, Qt::CaseInsensitive);
  if (end < start) return std::nullopt;
  // A result ends with "<BR>", its line end, and a line "<BR>" (CR LF or LF line ends). Found by
  // a plain search: a document may be tens of megabytes.
  SteppedHtml stepped{html.left(start), {}, html.mid(end)};
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
    stepped.pieces.push_back(QLatin1String("<div>") + html.mid(at, found - at) +
                             QLatin1String("<BR></div>\r\n"));
    at = after;
    found = after - br.size();
  }
  if (stepped.pieces.isEmpty()) return std::nullopt;
  // Whatever follows the last result end (nothing, in the program's own documents) stays as it is.
  if (at < end) stepped.pieces.push_back(html.mid(at, end - at));
  return stepped;
}

}  // namespace fablewick
