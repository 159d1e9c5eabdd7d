#include "ui/parameter_panel.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>

#include "engine/model/parameters.h"
#include "engine/numbers.h"
#include "ui/frm_parameters.h"

namespace fablewick {
namespace {

constexpr int kMargin = 4;       // between the panel's edge and its children, and between rows
constexpr int kVisibleRows = 5;  // rows the prompt list shows without scrolling
constexpr int kValueRole = Qt::UserRole;  // a list parameter's 0-based option index

QListWidget* MakeList(const char* name, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  // One scroll step is one row, so the scroll bar's value is the top row in both lists.
  list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return list;
}

}  // namespace

ParameterPanel::ParameterPanel(QWidget* parent) : QFrame(parent) {
  setObjectName("picParameters");
  setFrameShape(QFrame::StyledPanel);

  lblParameters_ = new QLabel("Parameters", this);
  lblParameters_->setObjectName("lblParameters");
  lstPrompts_ = MakeList("lstPrompts", this);
  lstValues_ = MakeList("lstValues", this);
  cmdChangeParam_ = new QPushButton("Change", this);
  cmdChangeParam_->setObjectName("cmdChangeParam");
  cmdHideParam_ = new QPushButton("Show", this);
  cmdHideParam_->setObjectName("cmdHideParam");

  connect(cmdChangeParam_, &QPushButton::clicked, this, &ParameterPanel::cmdChangeParam_Click);
  connect(cmdHideParam_, &QPushButton::clicked, this, &ParameterPanel::cmdHideParam_Click);
  // The two columns are one table to the person: same selected row, same top row.
  connect(lstPrompts_, &QListWidget::currentRowChanged, this, &ParameterPanel::SelectRow);
  connect(lstValues_, &QListWidget::currentRowChanged, this, &ParameterPanel::SelectRow);
  connect(lstPrompts_->verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this](int value) { SyncTopRow(lstValues_, value); });
  connect(lstValues_->verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this](int value) { SyncTopRow(lstPrompts_, value); });
  for (QListWidget* list : {lstPrompts_, lstValues_}) {
    connect(list, &QListWidget::itemDoubleClicked, this,
            [this, list](QListWidgetItem* item) { OnRowDoubleClicked(list->row(item)); });
  }

  SetFrameHidden(true);
}

void ParameterPanel::LoadParameters(const std::vector<TableParameter>& params,
                                    const std::vector<std::string>& values) {
  lstPrompts_->clear();
  lstValues_->clear();
  params_ = params;
  values_ = values;
  values_.resize(params_.size());

  for (std::size_t i = 0; i < params_.size(); ++i) {
    const TableParameter& param = params_[i];
    lstPrompts_->addItem(QString::fromStdString(param.Prompt));
    if (param.IsList) {
      // A value naming no option falls back to the first one, as the engine's values do.
      const std::size_t option = ListOptionIndex(param, values_[i]).value_or(0);
      const std::string text = option < param.Options.size() ? param.Options[option] : "";
      auto* item = new QListWidgetItem(QString::fromStdString(text));
      item->setData(kValueRole, static_cast<int>(option));
      lstValues_->addItem(item);
    } else {
      lstValues_->addItem(QString::fromStdString(values_[i]));
    }
  }
  table_has_params_ = !params_.empty();
  ArrangeChildren();
  emit layoutChanged();
}

void ParameterPanel::SetFrameHidden(bool hidden) {
  const bool changed = hidden != frame_hidden_;
  frame_hidden_ = hidden;
  cmdHideParam_->setText(hidden ? "Show" : "Hide");
  ArrangeChildren();
  if (changed) emit layoutChanged();
}

int ParameterPanel::TitleHeight() const {
  // The title row also holds the Show button while the panel is folded.
  return std::max(lblParameters_->sizeHint().height(), cmdHideParam_->sizeHint().height());
}

int ParameterPanel::ListHeight() const {
  const int row = lstPrompts_->fontMetrics().height() + 2;
  const int frame = 2 * lstPrompts_->frameWidth();
  // The value list shares this height with the button row under it; keep two rows visible.
  const int buttons = cmdChangeParam_->sizeHint().height() + kMargin;
  return std::max(kVisibleRows * row + frame, buttons + 2 * row + frame);
}

int ParameterPanel::PreferredHeight() const {
  if (frame_hidden_) return TitleHeight() + 2 * kMargin;
  return TitleHeight() + ListHeight() + 4 * kMargin;
}

void ParameterPanel::SetChangeAllowed(bool allowed) {
  change_allowed_ = allowed;
  cmdChangeParam_->setEnabled(allowed);
}

void ParameterPanel::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  ArrangeChildren();
}

void ParameterPanel::ArrangeChildren() {
  const int inner_width = std::max(width() - 2 * kMargin, 0);
  const int title_height = TitleHeight();
  const int button_width = cmdHideParam_->sizeHint().width();

  lstPrompts_->setVisible(!frame_hidden_);
  lstValues_->setVisible(!frame_hidden_);
  cmdChangeParam_->setVisible(!frame_hidden_);
  if (frame_hidden_) {
    // Folded: only the title row shows, with the Show button at its right end.
    lblParameters_->setGeometry(kMargin, kMargin, std::max(inner_width - button_width, 0),
                                title_height);
    cmdHideParam_->setGeometry(kMargin + inner_width - button_width, kMargin, button_width,
                               title_height);
    return;
  }

  lblParameters_->setGeometry(kMargin, kMargin, inner_width, title_height);
  const int list_top = kMargin + title_height + kMargin;
  const int list_height = ListHeight();
  const int prompts_width = inner_width / 2;
  const int values_left = kMargin + prompts_width;
  const int values_width = inner_width - prompts_width;
  const int button_height = cmdChangeParam_->sizeHint().height();
  const int values_height = std::max(list_height - button_height - kMargin, 0);
  lstPrompts_->setGeometry(kMargin, list_top, prompts_width, list_height);
  lstValues_->setGeometry(values_left, list_top, values_width, values_height);
  const int buttons_top = list_top + values_height + kMargin;
  const int change_width = values_width / 2;
  cmdChangeParam_->setGeometry(values_left, buttons_top, change_width, button_height);
  cmdHideParam_->setGeometry(values_left + change_width, buttons_top, values_width - change_width,
                             button_height);
}

void ParameterPanel::SelectRow(int row) {
  if (syncing_ || row < 0) return;
  syncing_ = true;
  lstPrompts_->setCurrentRow(row);
  lstValues_->setCurrentRow(row);
  syncing_ = false;
  // Bring the row into the shorter value list and give the prompt list the same top row; the
  // taller prompt list then shows the row as well.
  if (QListWidgetItem* item = lstValues_->item(row)) lstValues_->scrollToItem(item);
  SyncTopRow(lstPrompts_, lstValues_->verticalScrollBar()->value());
}

void ParameterPanel::SyncTopRow(QListWidget* to, int value) {
  if (syncing_) return;
  syncing_ = true;
  to->verticalScrollBar()->setValue(value);
  syncing_ = false;
}

void ParameterPanel::cmdChangeParam_Click() { OpenWizardFromPanel(); }

void ParameterPanel::cmdHideParam_Click() { SetFrameHidden(!frame_hidden_); }

void ParameterPanel::OnRowDoubleClicked(int row) {
  if (!change_allowed_ || row < 0) return;
  SelectRow(row);
  OpenWizardFromPanel();
}

void ParameterPanel::OpenWizardFromPanel() {
  if (!change_allowed_ || !table_has_params_) return;
  if (OpenWizard(params_, values_)) emit valuesChanged(values_);
}

bool ParameterPanel::OpenWizard(const std::vector<TableParameter>& params,
                                std::vector<std::string>& values) {
  const int count = static_cast<int>(params.size());
  if (count == 0 || count != lstPrompts_->count() || count != lstValues_->count()) return false;

  QListWidgetItem* selected = lstPrompts_->currentItem();
  const int start = selected != nullptr && selected->isSelected() ? lstPrompts_->row(selected) : 0;
  std::vector<std::string> answers;
  answers.reserve(params.size());
  for (int i = 0; i < count; ++i) {
    const QListWidgetItem* row = lstValues_->item(i);
    answers.push_back(params[i].IsList ? FormatInteger(row->data(kValueRole).toInt())
                                       : row->text().toStdString());
  }

  frmParameters wizard(params, std::move(answers), start, this);
  if (wizard.exec() != QDialog::Accepted) return false;

  values.resize(params.size());
  for (int i = 0; i < count; ++i) {
    const TableParameter& param = params[i];
    const std::string& answer = wizard.answers()[i];
    QListWidgetItem* row = lstValues_->item(i);
    if (param.IsList) {
      const int option = frmParameters::OptionRow(param, answer);
      if (option < 0) continue;  // no option chosen: the parameter keeps its value
      values[i] = FormatInteger(option + 1);
      row->setText(QString::fromStdString(param.Options[option]));
      row->setData(kValueRole, option);
    } else {
      values[i] = answer;
      row->setText(QString::fromStdString(answer));
    }
  }
  if (&values != &values_) values_ = values;
  return true;
}

}  // namespace fablewick
