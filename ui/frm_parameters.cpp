#include "ui/frm_parameters.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "engine/numbers.h"
#include "ui/frm_note.h"
#include "ui/title_fit.h"

namespace fablewick {

frmParameters::frmParameters(std::vector<TableParameter> params, std::vector<std::string> answers,
                             int start_step, QWidget* parent)
    : QDialog(parent), params_(std::move(params)), answers_(std::move(answers)) {
  setObjectName("frmParameters");
  setWindowTitle("Enter Table Parameters");
  FitTitle(*this);
  answers_.resize(params_.size());
  step_ = std::clamp(start_step, 0, std::max(count() - 1, 0));

  lblPrompt_ = new QLabel(this);
  lblPrompt_->setObjectName("lblPrompt");
  lblPrompt_->setWordWrap(true);
  txtParamText_ = new SelectAllLineEdit(this);
  txtParamText_->setObjectName("txtParamText");
  lstParamList_ = new QListWidget(this);
  lstParamList_->setObjectName("lstParamList");
  lstParamList_->setSelectionMode(QAbstractItemView::SingleSelection);

  cmdPrev_ = new QPushButton("< &Prev.", this);
  cmdPrev_->setObjectName("cmdPrev");
  cmdNext_ = new QPushButton("&Next >", this);
  cmdNext_->setObjectName("cmdNext");
  cmdFinish_ = new QPushButton("&Finish", this);
  cmdFinish_->setObjectName("cmdFinish");
  cmdCancel_ = new QPushButton("&Cancel", this);
  cmdCancel_->setObjectName("cmdCancel");
  // Return finishes the wizard from any step; it must never land on Prev or Next by accident.
  for (QPushButton* button : {cmdPrev_, cmdNext_, cmdCancel_}) button->setAutoDefault(false);
  cmdFinish_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdPrev_);
  buttons->addWidget(cmdNext_);
  buttons->addStretch();
  buttons->addWidget(cmdFinish_);
  buttons->addWidget(cmdCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblPrompt_);
  layout->addWidget(txtParamText_);
  layout->addWidget(lstParamList_, 1);
  layout->addStretch(0);
  layout->addLayout(buttons);
  setMinimumSize(380, 260);

  connect(cmdPrev_, &QPushButton::clicked, this, &frmParameters::cmdPrev_Click);
  connect(cmdNext_, &QPushButton::clicked, this, &frmParameters::cmdNext_Click);
  connect(cmdFinish_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(txtParamText_, &QLineEdit::textChanged, this, &frmParameters::txtParamText_Change);
  // The current row follows the keyboard as well as clicks: what is highlighted is the answer.
  connect(lstParamList_, &QListWidget::currentRowChanged, this, &frmParameters::lstParamList_Click);

  cmdPrev_->setEnabled(step_ > 0);
  cmdNext_->setEnabled(step_ < count() - 1);
  ShowStep();
}

int frmParameters::OptionRow(const TableParameter& param, const std::string& answer) {
  const double number = ParseLeadingNumber(answer);
  const auto options = static_cast<double>(param.Options.size());
  // Checked before rounding, so that no answer is too wide to round (NaN fails as well).
  if (!(number > -1 && number < options)) return -1;
  const int32_t row = RoundToInt32(number);
  return row >= 0 && row < static_cast<int32_t>(param.Options.size()) ? row : -1;
}

void frmParameters::ShowStep() {
  if (params_.empty()) {
    txtParamText_->hide();
    lstParamList_->hide();
    return;
  }
  const TableParameter& param = params_[step_];
  filling_ = true;
  setWindowTitle(QString("Enter parameter %1 of %2").arg(step_ + 1).arg(count()));
  FitTitle(*this);
  lblPrompt_->setText(QString::fromStdString(param.Prompt));
  if (!param.IsList) {
    lstParamList_->hide();
    lstParamList_->setEnabled(false);
    txtParamText_->setText(QString::fromStdString(answers_[step_]));
    txtParamText_->setEnabled(true);
    txtParamText_->show();
  } else {
    txtParamText_->hide();
    txtParamText_->setEnabled(false);
    lstParamList_->clear();
    for (const std::string& option : param.Options) {
      lstParamList_->addItem(QString::fromStdString(option));
    }
    const int row = OptionRow(param, answers_[step_]);
    if (row >= 0) {
      lstParamList_->setCurrentRow(row);
    } else {
      lstParamList_->setCurrentRow(-1);
    }
    lstParamList_->setEnabled(true);
    lstParamList_->show();
  }
  filling_ = false;
  FocusStep();
}

void frmParameters::FocusStep() {
  if (params_.empty()) return;
  if (params_[step_].IsList) {
    lstParamList_->setFocus();
  } else {
    txtParamText_->setFocus();
    // The text box selects its text when it gets the focus; when it already has it (a step
    // from one text parameter to the next) select here.
    txtParamText_->selectAll();
  }
}

void frmParameters::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FocusStep();
}

void frmParameters::cmdPrev_Click() {
  if (step_ <= 0) return;
  --step_;
  if (step_ == 0) cmdPrev_->setEnabled(false);
  if (step_ < count() - 1) cmdNext_->setEnabled(true);
  ShowStep();
}

void frmParameters::cmdNext_Click() {
  if (step_ >= count() - 1) return;
  ++step_;
  if (step_ == count() - 1) cmdNext_->setEnabled(false);
  if (step_ > 0) cmdPrev_->setEnabled(true);
  ShowStep();
}

void frmParameters::txtParamText_Change(const QString& text) {
  if (filling_ || params_.empty() || params_[step_].IsList) return;
  answers_[step_] = text.toStdString();
}

void frmParameters::lstParamList_Click(int row) {
  if (filling_ || row < 0 || params_.empty() || !params_[step_].IsList) return;
  answers_[step_] = FormatInteger(row);
}

}  // namespace fablewick
