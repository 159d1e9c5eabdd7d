// The preferences dialog frmPrefs: the settings of the configuration file that have a control,
// on three tabbed pages. "&OK" stores the controls into the settings, "&Cancel"
// stores nothing; the file itself is written when the main window closes.
#pragma once

#include <QDialog>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "config/config_file.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace fablewick {

class Host;

// The text of a path label: the path itself when it has fewer than 27 characters (Unicode code
// points), otherwise its first 26 characters followed by "...". The label's tool tip holds the
// full path.
std::string ShortenPathLabel(std::string_view path);

class frmPrefs : public QDialog {
  Q_OBJECT

 public:
  // Shows `settings` in the controls, on the "&Interface" page. The dialog keeps working copies
  // of the tables folder and the editor path until "&OK" stores them. `program_folder` gives the
  // default tables folder and the editor browser's starting folder; `boxes` reports an editor
  // that cannot be used.
  frmPrefs(Settings& settings, std::filesystem::path program_folder, Host& boxes,
           QWidget* parent = nullptr);

  // True when "&OK" changed bUseTexturedBGs, so that the main window repaints its panels.
  bool TexturesChanged() const { return textures_changed_; }

  // The page in front: 0 "&Interface", 1 "&Folders", 2 "&Miscellaneous".
  int CurrentTab() const;

  // The working copies shown in the path labels.
  const std::filesystem::path& WorkingTablesFolder() const { return tables_folder_; }
  const std::string& WorkingEditorPath() const { return editor_path_; }

 public slots:
  void optTab_Click(int index);
  void cmdTableFolder_Click();
  void cmdDefaultFolders_Click();
  void cmdEditor_Click();
  void cmdOK_Click();
  void cmdCancel_Click();

 protected:
  // Asks for the tables folder ("Select Tables directory"); nullopt when cancelled.
  virtual std::optional<std::filesystem::path> BrowseTablesFolder();
  // Asks for the editor program ("Select Editor"), starting in the program folder; nullopt when
  // cancelled. Any file may be picked; cmdEditor_Click accepts only an executable one.
  virtual std::optional<std::filesystem::path> BrowseEditor();

 private:
  QWidget* BuildInterfacePage();
  QWidget* BuildFoldersPage();
  QWidget* BuildMiscellaneousPage();
  static void ShowPath(QLabel* label, const std::string& path);

  Settings& settings_;
  std::filesystem::path program_folder_;
  Host& boxes_;
  std::filesystem::path tables_folder_;
  std::string editor_path_;
  bool textures_changed_ = false;

  QTabWidget* fraTab_ = nullptr;
  QCheckBox* chkRemPos_ = nullptr;
  QCheckBox* chkTexBG_ = nullptr;
  QLabel* lblTableFolder_ = nullptr;
  QPushButton* cmdTableFolder_ = nullptr;
  QPushButton* cmdDefaultFolders_ = nullptr;
  QComboBox* cboOutput_ = nullptr;
  QCheckBox* chkRemoveLinks_ = nullptr;
  QCheckBox* chkTableCalls_ = nullptr;
  QLabel* lblEditor_ = nullptr;
  QPushButton* cmdEditor_ = nullptr;
  QPushButton* cmdOK_ = nullptr;
  QPushButton* cmdCancel_ = nullptr;
};

}  // namespace fablewick
