#include "ui/studio_editor.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTextBlock>
#include <QToolTip>

#include "engine/expansion/syntax.h"

namespace fablewick {
namespace {

class LineNumberArea : public QWidget {
 public:
  explicit LineNumberArea(StudioEditor* editor) : QWidget(editor), editor_(editor) {}
  QSize sizeHint() const override { return {editor_->LineNumberWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->PaintLineNumbers(event); }

 private:
  StudioEditor* editor_;
};

// The position of the partner of the bracket or brace at `at` in the block's text, read with the
// language's own pairing (escaped brackets are not counted); -1 when there is none.
int PartnerInBlock(const QString& text, int at) {
  const QChar c = text.at(at);
  if (c == '[' || c == '{') {
    const std::string bytes = text.toStdString();
    const std::string prefix = text.left(at).toStdString();
    if (c == '[' && IsEscaped(bytes, prefix.size())) return -1;
    const std::size_t partner = FindPartner(bytes, prefix.size());
    if (partner == kNoPosition) return -1;
    return QString::fromStdString(bytes.substr(0, partner)).size();
  }
  const QChar open = c == ']' ? '[' : '{';
  // Walks back counting the same way, so that a closer finds the opener that pairs with it.
  int depth = 0;
  for (int i = at; i >= 0; --i) {
    const QChar d = text.at(i);
    if (d != c && d != open) continue;
    if (open == '[' && i > 0 && text.at(i - 1) == '/') continue;
    depth += d == c ? 1 : -1;
    if (depth == 0) return i;
  }
  return -1;
}

}  // namespace

StudioEditor::StudioEditor(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName("txtStudioEditor");
  QFont font("Monospace");
  font.setStyleHint(QFont::TypeWriter);
  setFont(font);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setTabChangesFocus(false);
  numbers_ = new LineNumberArea(this);
  connect(this, &QPlainTextEdit::blockCountChanged, this,
          [this] { setViewportMargins(LineNumberWidth(), 0, 0, 0); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy != 0) {
      numbers_->scroll(0, dy);
    } else {
      numbers_->update(0, rect.y(), numbers_->width(), rect.height());
    }
  });
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, &StudioEditor::UpdateSelections);
  setViewportMargins(LineNumberWidth(), 0, 0, 0);
  completions_ = new QStandardItemModel(this);
  completer_ = new QCompleter(completions_, this);
  completer_->setObjectName("cmpStudio");
  completer_->setWidget(this);
  completer_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
  completer_->setCaseSensitivity(Qt::CaseInsensitive);
  connect(completer_, qOverload<const QModelIndex&>(&QCompleter::activated), this,
          [this](const QModelIndex& index) {
            InsertCompletion(completions_->item(index.row(), 0)->data(Qt::UserRole).toString());
          });
  UpdateSelections();
}

std::size_t StudioEditor::CursorByte() const {
  const QTextCursor cursor = textCursor();
  std::size_t at = 0;
  for (QTextBlock block = document()->begin(); block.isValid() && block != cursor.block();
       block = block.next()) {
    at += static_cast<std::size_t>(block.text().toUtf8().size()) + 1;
  }
  return at + static_cast<std::size_t>(
                  cursor.block().text().left(cursor.positionInBlock()).toUtf8().size());
}

void StudioEditor::Complete(bool asked) {
  if (!completion_source_) return;
  const std::string text = Text();
  const std::size_t cursor = CursorByte();
  const std::vector<Completion> found = completion_source_(text, cursor, &word_begin_);
  QAbstractItemView* popup = completer_->popup();
  if (found.empty() || (!asked && found.size() == 1 &&
                        found[0].text == text.substr(word_begin_, cursor - word_begin_))) {
    popup->hide();
    return;
  }
  completions_->clear();
  for (const Completion& c : found) {
    auto* item =
        new QStandardItem(QString::fromStdString(c.text) +
                          (c.detail.empty() ? "" : "    " + QString::fromStdString(c.detail)));
    item->setData(QString::fromStdString(c.text), Qt::UserRole);
    item->setEditable(false);
    completions_->appendRow(item);
  }
  QRect rect = cursorRect();
  rect.setWidth(popup->sizeHintForColumn(0) + popup->verticalScrollBar()->sizeHint().width());
  completer_->complete(rect);
  popup->setCurrentIndex(completions_->index(0, 0));
}

void StudioEditor::InsertCompletion(const QString& completion) {
  QTextCursor cursor = textCursor();
  const std::string typed = Text().substr(word_begin_, CursorByte() - word_begin_);
  cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor,
                      static_cast<int>(QString::fromStdString(typed).size()));
  cursor.insertText(completion);
  setTextCursor(cursor);
}

void StudioEditor::keyPressEvent(QKeyEvent* event) {
  QAbstractItemView* popup = completer_->popup();
  if (popup->isVisible()) {
    switch (event->key()) {
      case Qt::Key_Enter:
      case Qt::Key_Return:
      case Qt::Key_Tab:
      case Qt::Key_Escape:
      case Qt::Key_Backtab:
        event->ignore();  // the completer takes these
        return;
      default:
        break;
    }
  }
  if (event->key() == Qt::Key_Space && (event->modifiers() & Qt::ControlModifier)) {
    Complete(true);
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
  const QString typed = event->text();
  if (!typed.isEmpty() && typed.at(0).isPrint()) {
    Complete(false);
  } else if (event->key() == Qt::Key_Backspace && popup->isVisible()) {
    Complete(false);
  }
}

void StudioEditor::mouseReleaseEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)) {
    emit followRequested(CursorByte());
  }
}

std::string StudioEditor::Text() const {
  std::string text;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    if (block != document()->begin()) text += '\n';
    text += block.text().toStdString();
  }
  return text;
}

void StudioEditor::SetText(const std::string& text) { setPlainText(QString::fromStdString(text)); }

void StudioEditor::SetMarks(std::vector<EditorMark> marks) {
  marks_ = std::move(marks);
  UpdateSelections();
}

void StudioEditor::GoToLine(int line) {
  const QTextBlock block = document()->findBlockByNumber(std::max(line, 1) - 1);
  if (!block.isValid()) return;
  QTextCursor cursor(block);
  setTextCursor(cursor);
  centerCursor();
  setFocus();
}

void StudioEditor::ToggleComment() {
  QTextCursor cursor = textCursor();
  const QTextBlock first = document()->findBlock(cursor.selectionStart());
  QTextBlock last = document()->findBlock(cursor.selectionEnd());
  // A selection that ends at the start of a line does not take that line in.
  if (cursor.hasSelection() && last.position() == cursor.selectionEnd() && last != first) {
    last = last.previous();
  }
  bool all_commented = true;
  for (QTextBlock b = first; b.isValid(); b = b.next()) {
    if (!b.text().startsWith('#')) all_commented = false;
    if (b == last) break;
  }
  QTextCursor edit(document());
  edit.beginEditBlock();
  for (QTextBlock b = first; b.isValid(); b = b.next()) {
    edit.setPosition(b.position());
    if (all_commented) {
      edit.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
      edit.removeSelectedText();
    } else {
      edit.insertText("#");
    }
    if (b == last) break;
  }
  edit.endEditBlock();
}

int StudioEditor::LineNumberWidth() const {
  int digits = 1;
  for (int count = std::max(1, blockCount()); count >= 10; count /= 10) ++digits;
  return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, 3);
}

void StudioEditor::PaintLineNumbers(QPaintEvent* event) {
  QPainter painter(numbers_);
  painter.fillRect(event->rect(), palette().window());
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  const int current = textCursor().blockNumber();
  while (block.isValid() && top <= event->rect().bottom()) {
    const int height = qRound(blockBoundingRect(block).height());
    if (block.isVisible() && top + height >= event->rect().top()) {
      const int line = block.blockNumber() + 1;
      const bool marked = std::any_of(marks_.begin(), marks_.end(),
                                      [&](const EditorMark& m) { return m.line == line; });
      painter.setPen(marked ? QColor(0xC0, 0x20, 0x20)
                            : (block.blockNumber() == current ? palette().text().color()
                                                              : QColor(0x90, 0x90, 0x90)));
      painter.drawText(0, top, numbers_->width() - 4, height, Qt::AlignRight,
                       QString::number(line));
    }
    block = block.next();
    top += height;
  }
}

void StudioEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect area = contentsRect();
  numbers_->setGeometry(area.left(), area.top(), LineNumberWidth(), area.height());
}

bool StudioEditor::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const QPoint at = viewport()->mapFromGlobal(help->globalPos());
    const int line = cursorForPosition(at).blockNumber() + 1;
    QStringList messages;
    for (const EditorMark& mark : marks_) {
      if (mark.line == line) messages << mark.message;
    }
    if (messages.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(help->globalPos(), messages.join('\n'), this);
    }
    return true;
  }
  return QPlainTextEdit::event(event);
}

void StudioEditor::UpdateSelections() {
  QList<QTextEdit::ExtraSelection> selections;
  QTextEdit::ExtraSelection line;
  line.format.setBackground(QColor(0xF2, 0xF4, 0xFA));
  line.format.setProperty(QTextFormat::FullWidthSelection, true);
  line.cursor = textCursor();
  line.cursor.clearSelection();
  selections << line;
  for (const EditorMark& mark : marks_) {
    const QTextBlock block = document()->findBlockByNumber(mark.line - 1);
    if (!block.isValid()) continue;
    QTextEdit::ExtraSelection underline;
    underline.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    underline.format.setUnderlineColor(mark.error ? QColor(0xD0, 0x10, 0x10)
                                                  : QColor(0xC0, 0x90, 0x00));
    underline.format.setToolTip(mark.message);
    underline.cursor = QTextCursor(block);
    underline.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    if (block.text().isEmpty()) {
      underline.format.setProperty(QTextFormat::FullWidthSelection, true);
      underline.format.setBackground(QColor(0xFF, 0xE8, 0xE8));
    }
    selections << underline;
  }
  // The bracket at the cursor, or just before it, and its partner.
  const QTextCursor cursor = textCursor();
  const QString text = cursor.block().text();
  for (int at : {cursor.positionInBlock(), cursor.positionInBlock() - 1}) {
    if (at < 0 || at >= text.size() || !QString("[]{}").contains(text.at(at))) continue;
    const int partner = PartnerInBlock(text, at);
    for (int p : {at, partner}) {
      if (p < 0) continue;
      QTextEdit::ExtraSelection bracket;
      bracket.format.setBackground(partner < 0 ? QColor(0xFF, 0xC0, 0xC0)
                                               : QColor(0xB8, 0xE0, 0xB8));
      bracket.cursor = QTextCursor(cursor.block());
      bracket.cursor.setPosition(cursor.block().position() + p);
      bracket.cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
      selections << bracket;
    }
    break;
  }
  setExtraSelections(selections);
  numbers_->update();
}

}  // namespace fablewick
