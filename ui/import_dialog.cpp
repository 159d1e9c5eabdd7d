#include "ui/import_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/authoring/import.h"
#include "engine/engine.h"
#include "ui/frm_main.h"
#include "ui/title_fit.h"

namespace fablewick {
namespace {

constexpr char kTitle[] = "Import Tables";

// The formats in the order of the list; the first entry goes by the file's extension.
const std::optional<ImportFormat> kFormats[] = {std::nullopt, ImportFormat::kGrammarJson,
                                                ImportFormat::kPlainList, ImportFormat::kCsv};

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

frmImport::frmImport(frmMain& window) : QDialog(&window), window_(window) {
  setObjectName("frmImport");
  setWindowTitle(kTitle);
  FitTitle(*this);

  txtFile_ = new QLineEdit(this);
  txtFile_->setObjectName("txtFile");
  txtFile_->setMinimumWidth(320);
  cmdBrowse_ = MakeButton("cmdBrowse", tr("&Browse..."), this);
  cmbFormat_ = new QComboBox(this);
  cmbFormat_->setObjectName("cmbFormat");
  cmbFormat_->addItems({tr("By the file's extension (.json, .csv, else a list)"),
                        tr("Grammar JSON"), tr("Plain list"), tr("CSV")});
  txtStart_ = new QLineEdit("origin", this);
  txtStart_->setObjectName("txtStart");
  cmbCategory_ = new QComboBox(this);
  cmbCategory_->setObjectName("cmbCategory");
  cmbCategory_->setEditable(true);
  for (const Category& category : window.engine().Catalog().categories()) {
    if (!category.hidden) cmbCategory_->addItem(QString::fromStdString(category.name));
  }
  cmbCategory_->setCurrentText("Imported");
  txtName_ = new QLineEdit(this);
  txtName_->setObjectName("txtName");
  cmdImport_ = MakeButton("cmdImport", tr("&Import"), this);
  cmdImport_->setDefault(true);
  cmdCancel_ = MakeButton("cmdCancel", tr("&Cancel"), this);

  auto* file_row = new QHBoxLayout;
  file_row->addWidget(txtFile_);
  file_row->addWidget(cmdBrowse_);
  auto* form = new QFormLayout;
  form->addRow(tr("&File:"), file_row);
  form->addRow(tr("F&ormat:"), cmbFormat_);
  form->addRow(tr("&Start symbol (grammar JSON):"), txtStart_);
  form->addRow(tr("C&ategory:"), cmbCategory_);
  form->addRow(tr("Table &name:"), txtName_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdImport_);
  buttons->addWidget(cmdCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);

  connect(cmdBrowse_, &QPushButton::clicked, this, &frmImport::cmdBrowse_Click);
  connect(cmdImport_, &QPushButton::clicked, this, &frmImport::cmdImport_Click);
  connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(txtFile_, &QLineEdit::textChanged, this, &frmImport::txtFile_Change);
  connect(txtName_, &QLineEdit::textEdited, this, [this] { name_typed_ = true; });
  txtFile_->setFocus();
}

void frmImport::cmdBrowse_Click() {
  const QString file =
      QFileDialog::getOpenFileName(this, tr("Import Tables"), txtFile_->text(),
                                   tr("Tables to import (*.json *.txt *.csv);;All files (*)"));
  if (!file.isEmpty()) txtFile_->setText(file);
}

void frmImport::txtFile_Change() {
  if (!name_typed_) txtName_->setText(QFileInfo(txtFile_->text()).completeBaseName());
}

void frmImport::cmdImport_Click() {
  Host& host = window_.engine().host();
  if (txtFile_->text().trimmed().isEmpty()) {
    host.MessageBox(kTitle, "Choose the file to import.");
    return;
  }
  ImportRequest request;
  request.source = txtFile_->text().trimmed().toStdString();
  request.format = kFormats[std::max(0, cmbFormat_->currentIndex())];
  request.start_symbol = txtStart_->text().toStdString();
  request.category = cmbCategory_->currentText().trimmed().toStdString();
  request.table = txtName_->text().trimmed().toStdString();
  ImportOutcome outcome = ImportTable(request, window_.engine().TablesFolder());
  if (outcome.status == ImportStatus::kExists &&
      host.YesNoBox(kTitle, outcome.message + "\n\nReplace it?")) {
    request.replace = true;
    outcome = ImportTable(request, window_.engine().TablesFolder());
  }
  if (outcome.status == ImportStatus::kExists) return;
  if (outcome.status != ImportStatus::kWritten) {
    host.MessageBox(kTitle, outcome.message);
    return;
  }
  accept();
  if (!outcome.report.empty()) {
    std::string text = "The table \"" + outcome.table + "\" was written to " +
                       outcome.file.string() + ". Not everything could be converted as written:\n";
    for (const std::string& line : outcome.report) text += "\n" + line;
    host.MessageBox(kTitle, text);
  }
  window_.Reload();
  window_.SelectTableByName(outcome.table);
}

QAction* CreateImportAction(frmMain& window) {
  auto* action = new QAction(QObject::tr("Import &Tables..."), &window);
  action->setObjectName("mnuImport");
  QObject::connect(action, &QAction::triggered, &window, [&window] {
    if (window.generating()) return;
    frmImport dialog(window);
    dialog.exec();
  });
  return action;
}

}  // namespace fablewick
