#include "ui/frm_note.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/title_fit.h"

namespace fablewick {

SelectAllLineEdit::SelectAllLineEdit(QWidget* parent) : QLineEdit(parent) {}

void SelectAllLineEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  selectAll();
  // A click that brings the focus places the cursor once the press is handled, which would undo
  // the selection made here; select again after it.
  if (event->reason() == Qt::MouseFocusReason) {
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
  }
}

frmNote::frmNote(const std::string& note, QWidget* parent) : QDialog(parent) {
  setObjectName("frmNote");
  setWindowTitle("Edit Note");
  FitTitle(*this);

  txtNote_ = new SelectAllLineEdit(this);
  txtNote_->setObjectName("txtNote");
  txtNote_->setText(QString::fromStdString(note));
  txtNote_->setMinimumWidth(320);

  cmdOK_ = new QPushButton("&OK", this);
  cmdOK_->setObjectName("cmdOK");
  cmdOK_->setDefault(true);
  cmdCancel_ = new QPushButton("&Cancel", this);
  cmdCancel_->setObjectName("cmdCancel");
  cmdCancel_->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK_);
  buttons->addWidget(cmdCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(txtNote_);
  layout->addLayout(buttons);

  connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);

  txtNote_->setFocus();
  txtNote_->selectAll();
}

std::string frmNote::text() const { return txtNote_->text().toStdString(); }

std::optional<std::string> frmNote::Edit(QWidget* parent, const std::string& note) {
  frmNote dialog(note, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.text();
}

}  // namespace fablewick
