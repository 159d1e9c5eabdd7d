#include "ui/frm_prefs.h"

#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "engine/host.h"
#include "platform/text.h"
#include "ui/title_fit.h"

namespace fablewick {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPathLabelLength = 26;

QString ToQString(const fs::path& path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

fs::path FromQString(const QString& path) {
  return fs::path(QFile::encodeName(path).toStdString());
}

// Why `path` cannot serve as the table editor, or nullopt when it is an executable file.
std::optional<std::string> EditorProblem(const fs::path& path) {
  const std::string quoted = "\"" + path.string() + "\"";
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) return "Cannot find the file " + quoted + ".";
  if (!fs::is_regular_file(status)) return quoted + " is not a file.";
  if (::access(path.c_str(), X_OK) != 0) {
    return "Cannot start " + quoted + ": " + std::strerror(errno) + ".";
  }
  return std::nullopt;
}

QCheckBox* MakeCheckBox(const char* name, const char* caption, bool checked, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setChecked(checked);
  return box;
}

QPushButton* MakeButton(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

QLabel* MakePathLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFrameShape(QFrame::StyledPanel);
  label->setTextFormat(Qt::PlainText);
  label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 30);
  return label;
}

}  // namespace

std::string ShortenPathLabel(std::string_view path) {
  if (CodePointCount(path) <= kPathLabelLength) return std::string(path);
  return std::string(SubstrCodePoints(path, 0, kPathLabelLength)) + "...";
}

frmPrefs::frmPrefs(Settings& settings, fs::path program_folder, Host& boxes, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      program_folder_(std::move(program_folder)),
      boxes_(boxes),
      tables_folder_(settings.TablesFolder),
      editor_path_(settings.szEditorPath) {
  setObjectName(QStringLiteral("frmPrefs"));
  setWindowTitle(QStringLiteral("Fablewick Preferences"));
  FitTitle(*this);
  setModal(true);

  // The pages keep their captions, with Alt and the underlined letter choosing them.
  fraTab_ = new QTabWidget(this);
  fraTab_->setObjectName(QStringLiteral("tabPages"));
  fraTab_->addTab(BuildInterfacePage(), QStringLiteral("&Interface"));
  fraTab_->addTab(BuildFoldersPage(), QStringLiteral("&Folders"));
  fraTab_->addTab(BuildMiscellaneousPage(), QStringLiteral("&Miscellaneous"));

  cmdOK_ = MakeButton("cmdOK", "&OK", this);
  cmdOK_->setDefault(true);
  cmdCancel_ = MakeButton("cmdCancel", "&Cancel", this);
  connect(cmdOK_, &QPushButton::clicked, this, &frmPrefs::cmdOK_Click);
  connect(cmdCancel_, &QPushButton::clicked, this, &frmPrefs::cmdCancel_Click);
  auto* button_row = new QHBoxLayout;
  button_row->addStretch();
  button_row->addWidget(cmdOK_);
  button_row->addWidget(cmdCancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fraTab_);
  layout->addLayout(button_row);

  ShowPath(lblTableFolder_, tables_folder_.string());
  ShowPath(lblEditor_, editor_path_);
  optTab_Click(0);
}

QWidget* frmPrefs::BuildInterfacePage() {
  auto* page = new QFrame;
  page->setObjectName(QStringLiteral("fraTab"));
  chkRemPos_ = MakeCheckBox("chkRemPos", "Recall window position (if not maximized)",
                            settings_.bRememberPosition, page);
  chkTexBG_ = MakeCheckBox("chkTexBG", "Use textured backgrounds", settings_.bUseTexturedBGs, page);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(chkRemPos_);
  layout->addWidget(chkTexBG_);
  layout->addStretch();
  return page;
}

QWidget* frmPrefs::BuildFoldersPage() {
  auto* page = new QFrame;
  page->setObjectName(QStringLiteral("fraTab"));
  lblTableFolder_ = MakePathLabel("lblTableFolder", page);
  cmdTableFolder_ = MakeButton("cmdTableFolder", "...", page);
  cmdTableFolder_->setToolTip(QStringLiteral("Select Tables directory"));
  cmdDefaultFolders_ = MakeButton("cmdDefaultFolders", "&Set to defaults", page);
  connect(cmdTableFolder_, &QPushButton::clicked, this, &frmPrefs::cmdTableFolder_Click);
  connect(cmdDefaultFolders_, &QPushButton::clicked, this, &frmPrefs::cmdDefaultFolders_Click);
  auto* layout = new QGridLayout(page);
  layout->addWidget(new QLabel(QStringLiteral("Table Folder:"), page), 0, 0);
  layout->addWidget(lblTableFolder_, 0, 1);
  layout->addWidget(cmdTableFolder_, 0, 2);
  layout->addWidget(cmdDefaultFolders_, 1, 1, 1, 2, Qt::AlignRight);
  layout->setRowStretch(2, 1);
  layout->setColumnStretch(1, 1);
  return page;
}

QWidget* frmPrefs::BuildMiscellaneousPage() {
  auto* page = new QFrame;
  page->setObjectName(QStringLiteral("fraTab"));
  cboOutput_ = new QComboBox(page);
  cboOutput_->setObjectName(QStringLiteral("cboOutput"));
  cboOutput_->addItems({QStringLiteral("HTML"), QStringLiteral("Text"), QStringLiteral("XML")});
  // A stored type outside the list leaves no entry chosen; OK then keeps HTML, the first.
  cboOutput_->setCurrentIndex(
      settings_.nOutputType >= 0 && settings_.nOutputType < 3 ? settings_.nOutputType : 0);
  chkRemoveLinks_ =
      MakeCheckBox("chkRemoveLinks", "Remove re-roll/notes links when exporting to HTML",
                   settings_.bRemoveLinks, page);
  chkTableCalls_ =
      MakeCheckBox("chkTableCalls", "Display error message for non-existent group calls",
                   settings_.bTabCallsAsErrors, page);
  lblEditor_ = MakePathLabel("lblEditor", page);
  cmdEditor_ = MakeButton("cmdEditor", "...", page);
  cmdEditor_->setToolTip(QStringLiteral("Select Editor"));
  connect(cmdEditor_, &QPushButton::clicked, this, &frmPrefs::cmdEditor_Click);

  auto* layout = new QGridLayout(page);
  layout->addWidget(new QLabel(QStringLiteral("Output Type:"), page), 0, 0);
  layout->addWidget(cboOutput_, 0, 1, Qt::AlignLeft);
  layout->addWidget(chkRemoveLinks_, 1, 0, 1, 3);
  layout->addWidget(chkTableCalls_, 2, 0, 1, 3);
  layout->addWidget(new QLabel(QStringLiteral("Table Editor:"), page), 3, 0);
  layout->addWidget(lblEditor_, 3, 1);
  layout->addWidget(cmdEditor_, 3, 2);
  layout->setRowStretch(4, 1);
  layout->setColumnStretch(1, 1);
  return page;
}

void frmPrefs::ShowPath(QLabel* label, const std::string& path) {
  label->setText(QString::fromStdString(ShortenPathLabel(path)));
  label->setToolTip(QString::fromStdString(path));
}

int frmPrefs::CurrentTab() const { return fraTab_->currentIndex(); }

void frmPrefs::optTab_Click(int index) {
  if (index < 0 || index >= fraTab_->count()) return;
  fraTab_->setCurrentIndex(index);
}

void frmPrefs::cmdTableFolder_Click() {
  const std::optional<fs::path> folder = BrowseTablesFolder();
  if (!folder || folder->empty()) return;
  tables_folder_ = *folder;
  ShowPath(lblTableFolder_, tables_folder_.string());
}

void frmPrefs::cmdDefaultFolders_Click() {
  tables_folder_ = program_folder_ / "Tables";
  ShowPath(lblTableFolder_, tables_folder_.string());
}

void frmPrefs::cmdEditor_Click() {
  const std::optional<fs::path> editor = BrowseEditor();
  if (!editor || editor->empty()) return;
  if (const auto problem = EditorProblem(*editor)) {
    boxes_.MessageBox("Fablewick", *problem);
    boxes_.MessageBox("Error", "Error finding editor.");
    return;
  }
  editor_path_ = editor->string();
  ShowPath(lblEditor_, editor_path_);
}

void frmPrefs::cmdOK_Click() {
  const bool textures_before = settings_.bUseTexturedBGs;
  settings_.bUseTexturedBGs = chkTexBG_->isChecked();
  settings_.bRememberPosition = chkRemPos_->isChecked();
  settings_.bTabCallsAsErrors = chkTableCalls_->isChecked();
  settings_.bRemoveLinks = chkRemoveLinks_->isChecked();
  settings_.nOutputType = static_cast<int16_t>(std::max(0, cboOutput_->currentIndex()));
  settings_.TablesFolder = tables_folder_;
  settings_.szEditorPath = editor_path_;
  textures_changed_ = settings_.bUseTexturedBGs != textures_before;
  accept();
}

void frmPrefs::cmdCancel_Click() { reject(); }

std::optional<fs::path> frmPrefs::BrowseTablesFolder() {
  const QString folder =
      QFileDialog::getExistingDirectory(this, QStringLiteral("Select Tables directory"),
                                        ToQString(tables_folder_), QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return FromQString(folder);
}

std::optional<fs::path> frmPrefs::BrowseEditor() {
  // Programs on this system carry no extension, so every file is offered and the choice is
  // checked afterwards.
  const QString file =
      QFileDialog::getOpenFileName(this, QStringLiteral("Select Editor"),
                                   ToQString(program_folder_), QStringLiteral("All Files (*)"));
  if (file.isEmpty()) return std::nullopt;
  return FromQString(file);
}

}  // namespace fablewick
