#include "ui/studio_highlighter.h"

#include <QTextBlock>
#include <QTextDocument>
#include <string>

#include "engine/expansion/syntax_spans.h"

namespace fablewick {
namespace {

QTextCharFormat Format(QColor colour, bool bold = false, bool italic = false) {
  QTextCharFormat format;
  format.setForeground(colour);
  if (bold) format.setFontWeight(QFont::Bold);
  format.setFontItalic(italic);
  return format;
}

}  // namespace

StudioHighlighter::StudioHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(static_cast<QObject*>(document)) {
  // Connected before the highlighter's own connection (setDocument below), so that the text is
  // known to be changed before any block of it is coloured. (The document's revision cannot
  // tell: setPlainText starts it again from the beginning.)
  connect(document, &QTextDocument::contentsChange, this, [this] { dirty_ = true; });
  setDocument(document);
  formats_.resize(static_cast<std::size_t>(SpanKind::kLineProblem) + 1);
  auto set = [this](SpanKind kind, QTextCharFormat format) {
    formats_[static_cast<std::size_t>(kind)] = std::move(format);
  };
  const QColor call(0x00, 0x55, 0xAA), variable(0x8A, 0x2B, 0xE2), function(0x00, 0x80, 0x80);
  set(SpanKind::kGroupCall, Format(call));
  set(SpanKind::kVariableRead, Format(variable));
  set(SpanKind::kAssignment, Format(variable));
  set(SpanKind::kFunctionCall, Format(function));
  set(SpanKind::kControlBlock, Format(QColor(0xA0, 0x50, 0x00)));
  set(SpanKind::kDelimiter, Format(QColor(0x60, 0x60, 0x60), true));
  set(SpanKind::kEscape, Format(QColor(0x80, 0x80, 0x80), false, true));
  set(SpanKind::kCallPrefix, Format(QColor(0xC0, 0x00, 0x60), true));
  set(SpanKind::kCondition, Format(QColor(0xA0, 0x50, 0x00), false, true));
  set(SpanKind::kComparison, Format(QColor(0xA0, 0x50, 0x00), true));
  set(SpanKind::kSeparator, Format(QColor(0x60, 0x60, 0x60), true));
  set(SpanKind::kTableName, Format(QColor(0x00, 0x33, 0x88), true));
  set(SpanKind::kGroupName, Format(call, true));
  set(SpanKind::kRollModifier, Format(QColor(0xC0, 0x00, 0x60)));
  set(SpanKind::kParameters, Format(QColor(0x50, 0x70, 0x20)));
  set(SpanKind::kVariableName, Format(variable, true));
  set(SpanKind::kOperator, Format(variable, true));
  set(SpanKind::kValue, Format(QColor(0x50, 0x70, 0x20)));
  set(SpanKind::kFunctionName, Format(function, true));
  set(SpanKind::kArguments, Format(QColor(0x20, 0x60, 0x60)));
  set(SpanKind::kBlockKeyword, Format(QColor(0xA0, 0x50, 0x00), true));
  set(SpanKind::kCount, Format(QColor(0xA0, 0x50, 0x00)));
  set(SpanKind::kComment, Format(QColor(0x70, 0x80, 0x70), false, true));
  set(SpanKind::kIgnoredLine, Format(QColor(0xA0, 0xA0, 0xA0), false, true));
  QTextCharFormat ranged = Format(QColor(0x10, 0x10, 0x80), true);
  ranged.setBackground(QColor(0xE6, 0xEE, 0xFF));
  set(SpanKind::kRangedHeader, ranged);
  QTextCharFormat weighted = Format(QColor(0x10, 0x60, 0x10), true);
  weighted.setBackground(QColor(0xE6, 0xF8, 0xE6));
  set(SpanKind::kWeightedHeader, weighted);
  QTextCharFormat no_repeat = Format(QColor(0xC0, 0x00, 0x00), true);
  set(SpanKind::kNoRepeatMark, no_repeat);
  set(SpanKind::kHeaderName, QTextCharFormat());  // keeps the header's colour
  set(SpanKind::kEntryValue, Format(QColor(0x99, 0x44, 0x00), true));
  set(SpanKind::kContinuationMark, Format(QColor(0x99, 0x44, 0x00), true));
  set(SpanKind::kVariableDeclaration, Format(variable));
  set(SpanKind::kParameterDeclaration, Format(QColor(0x50, 0x70, 0x20)));
  set(SpanKind::kPrompt, Format(QColor(0x50, 0x70, 0x20), false, true));
  set(SpanKind::kOption, Format(QColor(0x50, 0x70, 0x20)));
  QTextCharFormat problem;
  problem.setBackground(QColor(0xFF, 0xE8, 0xE8));
  set(SpanKind::kLineProblem, problem);
}

void StudioHighlighter::Refresh() {
  QTextDocument* doc = document();
  if (!dirty_) return;
  dirty_ = false;
  // The text as the loader reads it, and where each block begins in it (in bytes).
  std::string text;
  std::vector<std::size_t> starts;
  std::vector<QString> blocks;
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
    if (!starts.empty()) text += '\n';
    starts.push_back(text.size());
    blocks.push_back(block.text());
    text += block.text().toStdString();
  }
  starts.push_back(text.size() + 1);
  runs_.assign(blocks.size(), {});
  // Byte offsets within a block turned into UTF-16 offsets; for ASCII text they are the same.
  auto utf16 = [&](std::size_t b, std::size_t byte) {
    const std::size_t from = starts[b];
    const QString& line = blocks[b];
    if (static_cast<std::size_t>(line.size()) == starts[b + 1] - from - 1) {
      return static_cast<int>(byte - from);
    }
    return static_cast<int>(
        QString::fromUtf8(text.data() + from, static_cast<qsizetype>(byte - from)).size());
  };
  std::size_t b = 0;
  for (const SyntaxSpan& span : TableFileSpans(text)) {
    if (formats_[static_cast<std::size_t>(span.kind)] == QTextCharFormat()) continue;
    while (b + 1 < blocks.size() && starts[b + 1] <= span.begin) ++b;
    for (std::size_t k = b; k < blocks.size() && starts[k] < span.end; ++k) {
      const std::size_t line_end = starts[k + 1] - 1;
      const std::size_t from = std::max<std::size_t>(span.begin, starts[k]);
      const std::size_t to = std::min<std::size_t>(span.end, line_end);
      if (to <= from) continue;
      const int start = utf16(k, from);
      runs_[k].push_back({start, utf16(k, to) - start, static_cast<int>(span.kind)});
    }
  }
}

void StudioHighlighter::highlightBlock(const QString& text) {
  Refresh();
  const auto number = static_cast<std::size_t>(currentBlock().blockNumber());
  if (number >= runs_.size()) return;
  uint hash = 0;
  for (const Run& run : runs_[number]) {
    setFormat(run.start, std::min<int>(run.length, text.size() - run.start),
              formats_[static_cast<std::size_t>(run.kind)]);
    hash = hash * 31u + static_cast<uint>(run.start * 131 + run.length * 7 + run.kind);
  }
  // A block whose colours changed passes the change on, so that a bracket opened on one line
  // recolours the lines it runs over.
  setCurrentBlockState(static_cast<int>(hash & 0x7FFFFFFF));
}

}  // namespace fablewick
