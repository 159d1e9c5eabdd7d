// Colours table text in the studio's editor from the span list of the syntax module (the reading
// the loader and the roller use), so the colours can never disagree with the roller: group
// headers by kind, entry values, calls with their prefixes and modifiers, variables,
// assignments, functions, If/Loop/While blocks, comments and declarations.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <vector>

namespace fablewick {

class StudioHighlighter : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  explicit StudioHighlighter(QTextDocument* document);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  struct Run {
    int start;  // in UTF-16 units of the block's text
    int length;
    int kind;  // a SpanKind
  };
  // Reads the whole document again when it changed since the last reading.
  void Refresh();

  bool dirty_ = true;
  std::vector<std::vector<Run>> runs_;    // by block number
  std::vector<QTextCharFormat> formats_;  // by SpanKind
};

}  // namespace fablewick
