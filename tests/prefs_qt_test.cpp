#include <stdlib.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/scripted_host.h"
#include "ui/frm_prefs.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using testing::IsEmpty;

// Each check box and the setting it shows and stores.
const std::pair<const char*, bool Settings::*> kCheckBoxes[] = {
    {"chkTexBG", &Settings::bUseTexturedBGs},
    {"chkRemPos", &Settings::bRememberPosition},
    {"chkRemoveLinks", &Settings::bRemoveLinks},
    {"chkTableCalls", &Settings::bTabCallsAsErrors}};

// The dialog with its browse dialogs replaced by answers the test sets.
class ScriptedPrefs : public frmPrefs {
 public:
  using frmPrefs::frmPrefs;
  std::optional<fs::path> folder_answer;
  std::optional<fs::path> editor_answer;

 protected:
  std::optional<fs::path> BrowseTablesFolder() override { return folder_answer; }
  std::optional<fs::path> BrowseEditor() override { return editor_answer; }
};

class PrefsDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "fw_prefs_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    home_ = pattern;
    settings_.TablesFolder = "/srv/tables";
    settings_.szEditorPath = "/usr/bin/old-editor";
    settings_.nOutputType = 1;
    settings_.bRemoveLinks = true;
    settings_.HList = {"Inns=Random Inn"};
    editor_ = home_ / "editor";
    WriteFile(editor_, "#!/bin/sh\n");
    fs::permissions(editor_, fs::perms::owner_all, fs::perm_options::replace);
  }
  void TearDown() override {
    dialog_.reset();
    fs::remove_all(home_);
  }

  ScriptedPrefs& Open() {
    dialog_ = std::make_unique<ScriptedPrefs>(settings_, home_, host_);
    return *dialog_;
  }
  template <typename T>
  T* Find(const char* name) {
    T* widget = dialog_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Click(const char* name) { Find<QPushButton>(name)->click(); }
  std::string LabelText(const char* name) { return Find<QLabel>(name)->text().toStdString(); }
  std::string LabelTip(const char* name) { return Find<QLabel>(name)->toolTip().toStdString(); }

  fs::path home_;
  fs::path editor_;
  Settings settings_;
  ScriptedHost host_;
  std::unique_ptr<ScriptedPrefs> dialog_;
};

TEST_F(PrefsDialogTest, OpensOnTheInterfacePageShowingTheSettingsAndOkStoresEveryControl) {
  ScriptedPrefs& dialog = Open();
  EXPECT_EQ(dialog.windowTitle(), "Fablewick Preferences");
  EXPECT_EQ(dialog.CurrentTab(), 0);
  const Settings before = settings_;
  for (const auto& [name, setting] : kCheckBoxes) {
    EXPECT_EQ(Find<QCheckBox>(name)->isChecked(), before.*setting) << name;
    Find<QCheckBox>(name)->setChecked(!(before.*setting));
  }
  EXPECT_EQ(Find<QComboBox>("cboOutput")->currentText(), "Text");
  EXPECT_EQ(LabelText("lblTableFolder"), "/srv/tables");
  EXPECT_EQ(LabelTip("lblEditor"), "/usr/bin/old-editor");
  // A click on a tab brings its page to the front.
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QTabBar* tabs = Find<QTabWidget>("tabPages")->tabBar();
  ASSERT_EQ(tabs->count(), 3);
  EXPECT_EQ(tabs->tabText(2), "&Miscellaneous");
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
  EXPECT_EQ(dialog.CurrentTab(), 2);
  EXPECT_TRUE(Find<QComboBox>("cboOutput")->isVisible());

  Find<QComboBox>("cboOutput")->setCurrentIndex(2);
  dialog.folder_answer = home_ / "MyTables";
  Click("cmdTableFolder");
  dialog.editor_answer = editor_;
  Click("cmdEditor");
  Click("cmdOK");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  for (const auto& [name, setting] : kCheckBoxes) {
    EXPECT_EQ(settings_.*setting, !(before.*setting)) << name;
  }
  EXPECT_EQ(settings_.nOutputType, 2);
  EXPECT_EQ(settings_.TablesFolder, home_ / "MyTables");
  EXPECT_EQ(settings_.szEditorPath, editor_.string());
  EXPECT_EQ(settings_.HList, std::vector<std::string>{"Inns=Random Inn"});
  EXPECT_TRUE(dialog.TexturesChanged());
  EXPECT_THAT(host_.boxes, IsEmpty());
}

TEST_F(PrefsDialogTest, CancelStoresNothingEvenAfterSetToDefaults) {
  const Settings before = settings_;
  ScriptedPrefs& dialog = Open();
  Find<QCheckBox>("chkTexBG")->setChecked(true);
  Find<QComboBox>("cboOutput")->setCurrentIndex(0);
  Click("cmdDefaultFolders");
  EXPECT_EQ(dialog.WorkingTablesFolder(), home_ / "Tables");
  dialog.editor_answer = editor_;
  Click("cmdEditor");
  Click("cmdCancel");

  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(settings_, before);
  EXPECT_FALSE(dialog.TexturesChanged());
}

TEST_F(PrefsDialogTest,
       AnEditorThatCannotBeStartedIsReportedInTwoBoxesAndNotTakenNorIsACancelledChoice) {
  ScriptedPrefs& dialog = Open();
  const fs::path plain = home_ / "notes.txt";
  WriteFile(plain, "not a program");  // readable, not executable
  for (const fs::path& choice : {plain, home_ / "missing", home_}) {
    host_.ClearRecords();
    dialog.editor_answer = choice;
    Click("cmdEditor");
    ASSERT_EQ(host_.boxes.size(), 2u) << choice;
    EXPECT_EQ(host_.boxes[0].title, "Fablewick");
    EXPECT_NE(host_.boxes[0].text.find(choice.string()), std::string::npos);
    EXPECT_EQ(host_.boxes[1].title, "Error");
    EXPECT_EQ(host_.boxes[1].text, "Error finding editor.");
    EXPECT_EQ(dialog.WorkingEditorPath(), "/usr/bin/old-editor");
  }
  EXPECT_EQ(LabelText("lblEditor"), "/usr/bin/old-editor");

  // Cancelling either browser changes nothing.
  dialog.editor_answer.reset();
  Click("cmdEditor");
  Click("cmdTableFolder");
  Click("cmdOK");
  EXPECT_EQ(settings_.TablesFolder, "/srv/tables");
  EXPECT_EQ(settings_.szEditorPath, "/usr/bin/old-editor");
}

TEST_F(PrefsDialogTest, PathLabelsShortenKeepingTheFullTipAndSetToDefaultsIsStoredOnOk) {
  EXPECT_EQ(ShortenPathLabel("/abcdefghijklmnopqrstuvwxy"), "/abcdefghijklmnopqrstuvwxy");
  EXPECT_EQ(ShortenPathLabel("/abcdefghijklmnopqrstuvwxyz"), "/abcdefghijklmnopqrstuvwxy...");
  // Characters, not bytes: 26 two-byte letters are still shown whole.
  std::string umlauts;
  for (int i = 0; i < 26; ++i) umlauts += "ö";
  EXPECT_EQ(ShortenPathLabel(umlauts), umlauts);
  EXPECT_EQ(ShortenPathLabel(umlauts + "ä"), umlauts + "...");

  settings_.TablesFolder = "/home/someone/Documents/RPG/Tables";
  Open();
  EXPECT_EQ(LabelText("lblTableFolder"), "/home/someone/Documents/RP...");
  EXPECT_EQ(LabelTip("lblTableFolder"), "/home/someone/Documents/RPG/Tables");

  // Set to defaults, then OK: the program folder's tables, and no change of texture.
  Click("cmdDefaultFolders");
  EXPECT_EQ(LabelTip("lblTableFolder"), (home_ / "Tables").string());
  Click("cmdOK");
  EXPECT_EQ(settings_.TablesFolder, home_ / "Tables");
  EXPECT_FALSE(dialog_->TexturesChanged());
}

}  // namespace
}  // namespace fablewick
