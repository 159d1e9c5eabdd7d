// File > Import Tables... on the real window, offscreen: the dialog writes the new table, the
// catalogue shows it and it is rolled; an existing table is replaced only after a Yes; a source
// that cannot be converted is reported and the dialog stays open.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_folder.h"
#include "ui/frm_main.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class ImportDialogTest : public ::testing::Test {
 protected:
  ImportDialogTest() {
    WriteFile(home_ / "Title.html", "<html><body>Title</body></html>");
    WriteFile(home_ / "Tables" / "Places" / "Plain.tab", ":Start\n1,Only words here.\n");
    WriteFile(home_ / "fair.json", "{\"origin\": [\"A fair of #goods#.\"], \"goods\": [\"hats\"]}");
    window_ = std::make_unique<frmMain>(
        MainWindowOptions{.program_folder = home_, .command_line = "", .dialogs = &dialogs_});
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    window_->Start();
  }
  ~ImportDialogTest() override { window_.reset(); }

  // Opens the dialog from its menu entry, types the file and the category, clicks Import, and
  // then runs `after` while the dialog may still be open.
  void Import(const fs::path& source, const std::string& category,
              std::function<void(QWidget&)> after = {}) {
    QTimer::singleShot(0, [=] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      QTest::keyClicks(dialog->findChild<QLineEdit*>("txtFile"),
                       QString::fromStdString(source.string()));
      QLineEdit* category_box = dialog->findChild<QComboBox*>("cmbCategory")->lineEdit();
      category_box->selectAll();
      QTest::keyClicks(category_box, QString::fromStdString(category));
      QTest::mouseClick(dialog->findChild<QPushButton*>("cmdImport"), Qt::LeftButton);
      if (after) after(*dialog);
    });
    window_->findChild<QAction*>("mnuImport")->trigger();
  }

  TempFolder folder_{"import"};
  fs::path home_ = folder_.path();
  ScriptedHost dialogs_;
  std::unique_ptr<frmMain> window_;
};

TEST_F(ImportDialogTest, TheNewTableIsWrittenListedAndRolled) {
  Import(home_ / "fair.json", "Fairs");
  EXPECT_TRUE(fs::exists(home_ / "Tables" / "Fairs" / "fair.tab"));
  EXPECT_EQ(window_->findChild<QComboBox*>("cmbCategories")->currentText(), "Fairs");
  EXPECT_EQ(window_->findChild<QListWidget*>("lstTables")->currentItem()->text(), "fair");
  EXPECT_EQ(window_->results(), std::vector<std::string>{"A fair of hats."});
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(ImportDialogTest, ATableIsReplacedOnlyAfterAYesAndFailuresKeepTheDialogOpen) {
  Import(home_ / "fair.json", "Fairs");
  const std::string first = ReadFile(home_ / "Tables" / "Fairs" / "fair.tab");
  WriteFile(home_ / "fair.json", "{\"origin\": [\"Another fair.\"]}");
  dialogs_.yes_no_answers = {false};
  Import(home_ / "fair.json", "Fairs", [](QWidget& dialog) {
    EXPECT_TRUE(dialog.isVisible());
    dialog.findChild<QPushButton*>("cmdCancel")->click();
  });
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_THAT(dialogs_.boxes[0].text, HasSubstr("\"fair\" already exists in category \"Fairs\""));
  EXPECT_EQ(ReadFile(home_ / "Tables" / "Fairs" / "fair.tab"), first);

  dialogs_.yes_no_answers = {true};
  Import(home_ / "fair.json", "Fairs");
  EXPECT_EQ(window_->results(), std::vector<std::string>{"Another fair."});

  WriteFile(home_ / "broken.json", "{\"origin\": [\"#nowhere#\"]}");
  Import(home_ / "broken.json", "Fairs", [](QWidget& dialog) {
    EXPECT_TRUE(dialog.isVisible());
    dialog.findChild<QPushButton*>("cmdCancel")->click();
  });
  EXPECT_THAT(dialogs_.boxes.back().text, HasSubstr("symbol \"nowhere\" is used"));
  EXPECT_FALSE(fs::exists(home_ / "Tables" / "Fairs" / "broken.tab"));
}

}  // namespace
}  // namespace fablewick
