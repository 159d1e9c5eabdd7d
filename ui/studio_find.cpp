#include "ui/studio_find.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

namespace fablewick {

StudioFindBar::StudioFindBar(QWidget* parent) : QWidget(parent) {
  setObjectName("picStudioFind");
  txtFind = new QLineEdit(this);
  txtFind->setObjectName("txtStudioFind");
  txtFind->setPlaceholderText(tr("Find"));
  txtReplace = new QLineEdit(this);
  txtReplace->setObjectName("txtStudioReplace");
  txtReplace->setPlaceholderText(tr("Replace with"));
  chkCase = new QCheckBox(tr("Match case"), this);
  auto* next = new QPushButton(tr("Next"), this);
  auto* previous = new QPushButton(tr("Previous"), this);
  cmdReplace = new QPushButton(tr("Replace"), this);
  cmdReplaceAll = new QPushButton(tr("Replace all"), this);
  auto* close = new QPushButton(tr("Close"), this);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  for (QWidget* w : std::initializer_list<QWidget*>{txtFind, next, previous, chkCase, txtReplace,
                                                    cmdReplace, cmdReplaceAll, close}) {
    layout->addWidget(w);
  }
  connect(txtFind, &QLineEdit::returnPressed, this, [this] { FindNext(); });
  connect(next, &QPushButton::clicked, this, [this] { FindNext(); });
  connect(previous, &QPushButton::clicked, this, [this] { FindNext(true); });
  connect(cmdReplace, &QPushButton::clicked, this, &StudioFindBar::ReplaceOne);
  connect(txtReplace, &QLineEdit::returnPressed, this, &StudioFindBar::ReplaceOne);
  connect(cmdReplaceAll, &QPushButton::clicked, this, &StudioFindBar::ReplaceAll);
  connect(close, &QPushButton::clicked, this, [this] {
    hide();
    if (editor_) editor_->setFocus();
  });
  hide();
}

void StudioFindBar::Open(bool replace) {
  for (QWidget* w : std::initializer_list<QWidget*>{txtReplace, cmdReplace, cmdReplaceAll}) {
    w->setVisible(replace);
  }
  show();
  if (editor_ && editor_->textCursor().hasSelection()) {
    txtFind->setText(editor_->textCursor().selectedText());
  }
  txtFind->setFocus();
  txtFind->selectAll();
}

bool StudioFindBar::FindNext(bool backwards) {
  if (!editor_ || txtFind->text().isEmpty()) return false;
  QTextDocument::FindFlags flags;
  if (backwards) flags |= QTextDocument::FindBackward;
  if (chkCase->isChecked()) flags |= QTextDocument::FindCaseSensitively;
  if (editor_->find(txtFind->text(), flags)) return true;
  // Wraps round once.
  QTextCursor cursor = editor_->textCursor();
  cursor.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
  const QTextCursor found = editor_->document()->find(txtFind->text(), cursor, flags);
  if (found.isNull()) return false;
  editor_->setTextCursor(found);
  return true;
}

void StudioFindBar::ReplaceOne() {
  if (!editor_) return;
  QTextCursor cursor = editor_->textCursor();
  const Qt::CaseSensitivity sensitivity =
      chkCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
  if (cursor.hasSelection() && cursor.selectedText().compare(txtFind->text(), sensitivity) == 0) {
    cursor.insertText(txtReplace->text());
  }
  FindNext();
}

int StudioFindBar::ReplaceAll() {
  if (!editor_ || txtFind->text().isEmpty()) return 0;
  QTextDocument::FindFlags flags;
  if (chkCase->isChecked()) flags |= QTextDocument::FindCaseSensitively;
  QTextCursor edit(editor_->document());
  edit.beginEditBlock();
  int count = 0;
  QTextCursor found = editor_->document()->find(txtFind->text(), 0, flags);
  while (!found.isNull()) {
    found.insertText(txtReplace->text());
    ++count;
    found = editor_->document()->find(txtFind->text(), found, flags);
  }
  edit.endEditBlock();
  return count;
}

}  // namespace fablewick
