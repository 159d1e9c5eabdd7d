// The studio's text editor: line numbers in a margin, the current line and the partner of the
// bracket at the cursor shown, the diagnostics of the live check underlined with their messages
// as tooltips, a comment toggle and going to a line. Text goes in and out as UTF-8 with LF line
// ends, non-breaking spaces kept.
#pragma once

#include <QPlainTextEdit>
#include <functional>
#include <string>
#include <vector>

#include "engine/authoring/completion.h"

class QCompleter;
class QStandardItemModel;

namespace fablewick {

struct EditorMark {
  int line = 0;  // 1-based
  bool error = true;
  QString message;
};

class StudioEditor : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit StudioEditor(QWidget* parent = nullptr);

  // The text exactly as typed (QPlainTextEdit::toPlainText turns non-breaking spaces into
  // blanks, which would change the file).
  std::string Text() const;
  void SetText(const std::string& text);

  void SetMarks(std::vector<EditorMark> marks);
  const std::vector<EditorMark>& marks() const { return marks_; }
  void GoToLine(int line);
  int CurrentLine() const { return textCursor().blockNumber() + 1; }
  // Puts "#" before each selected line, or takes it away when every one has it.
  void ToggleComment();

  // Where the completions come from: the text and the cursor's byte offset in it give the word
  // being typed and what may complete it.
  using CompletionSource = std::function<std::vector<Completion>(
      const std::string& text, std::size_t cursor, std::size_t* word_begin)>;
  void SetCompletionSource(CompletionSource source) { completion_source_ = std::move(source); }
  // Offers the completions of the word at the cursor (Ctrl+Space; typing in a call, a function
  // or a variable does so by itself).
  void Complete(bool asked);
  QCompleter& completer() { return *completer_; }
  // The byte offset in Text() of the cursor.
  std::size_t CursorByte() const;

  int LineNumberWidth() const;
  void PaintLineNumbers(QPaintEvent* event);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 signals:
  // Ctrl+click at byte `at` of Text().
  void followRequested(std::size_t at);

 private:
  void UpdateSelections();
  void InsertCompletion(const QString& text);

  QWidget* numbers_ = nullptr;
  std::vector<EditorMark> marks_;
  CompletionSource completion_source_;
  QCompleter* completer_ = nullptr;
  QStandardItemModel* completions_ = nullptr;
  std::size_t word_begin_ = 0;  // bytes of Text() where the completed word begins
};

}  // namespace fablewick
