// The table studio driven as a person would: typing into the editor, the live check and its
// problems list, the preview following edits and stopping, saving files byte for byte, and the
// question about unsaved changes when the program ends.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_folder.h"
#include "ui/frm_main.h"
#include "ui/results_view.h"
#include "ui/studio_editor.h"
#include "ui/studio_panels.h"
#include "ui/studio_preview.h"
#include "ui/studio_window.h"
#include "ui/title_fit.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kLongWaitMs = 10000;

class StudioTest : public ::testing::Test {
 protected:
  StudioTest() {
    WriteFile(home_ / "Title.html", "<html><body>Title</body></html>");
    WriteTable("Places", "Door", ":Start\n1,The door is [Colour].\n:Colour\n1,red\n2,blue\n");
    WriteTable("Places", "Plain", ":Start\n1,Only words here.\n");
  }
  ~StudioTest() override { window_.reset(); }

  fs::path WriteTable(const std::string& category, const std::string& name,
                      const std::string& bytes) {
    const fs::path path = home_ / "Tables" / category / (name + ".tab");
    WriteFile(path, bytes);
    return path;
  }

  frmMain& Open() {
    MainWindowOptions options;
    options.program_folder = home_;
    options.dialogs = &dialogs_;
    window_ = std::make_unique<frmMain>(options);
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    window_->Start();
    return *window_;
  }

  // Opens `table` in the studio through Table > Edit in Studio, or the Edit button (which opens
  // the studio when no outside editor is set).
  StudioPage& Edit(const std::string& table, bool button = false) {
    window_->SelectTableByName(table);
    if (button) {
      window_->findChild<QToolButton*>("cmdEditTable")->click();
    } else {
      window_->findChild<QAction*>("mnuEditInStudio")->trigger();
    }
    StudioWindow& studio = window_->Studio();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&studio));
    StudioPage* page = studio.CurrentPage();
    EXPECT_NE(page, nullptr);
    EXPECT_EQ(page->TableName(), table);
    WaitForPreview(*page);
    return *page;
  }

  static void WaitForPreview(StudioPage& page) {
    QTest::qWait(StudioPage::kPauseMs + 100);
    QTRY_VERIFY_WITH_TIMEOUT(!page.preview().running(), kLongWaitMs);
  }

  // Types at the end of line `line`.
  static void TypeAtEndOfLine(StudioPage& page, int line, const QString& text) {
    StudioEditor& editor = page.editor();
    editor.GoToLine(line);
    QTest::keyClick(&editor, Qt::Key_End);
    QTest::keyClicks(&editor, text);
  }

  static std::vector<std::string> Problems(StudioWindow& studio) {
    std::vector<std::string> rows;
    QTreeWidget& list = studio.problems();
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
      const QTreeWidgetItem* item = list.topLevelItem(i);
      rows.push_back((item->text(1) + ": " + item->text(0) + ": " + item->text(2)).toStdString());
    }
    return rows;
  }

  std::string PreviewText(StudioPage& page) {
    return page.preview().view().toPlainText().toStdString();
  }

  TempFolder folder_{"studio"};
  fs::path home_ = folder_.path();
  ScriptedHost dialogs_;
  std::unique_ptr<frmMain> window_;
};

TEST_F(StudioTest, APlantedMistakeIsMarkedOnItsLineAndFixingItClearsIt) {
  Open();
  StudioPage& page = Edit("Door", true);
  StudioWindow& studio = window_->Studio();
  EXPECT_THAT(Problems(studio), testing::IsEmpty());
  EXPECT_EQ(studio.counts().text(), "0 errors, 0 warnings, 0 notes");
  // The loaded text is coloured at once, before any edit: the header and the call.
  for (int line : {0, 1}) {
    EXPECT_FALSE(page.editor().document()->findBlockByNumber(line).layout()->formats().isEmpty())
        << line;
  }

  TypeAtEndOfLine(page, 4, " [Colur]");
  QTRY_VERIFY_WITH_TIMEOUT(!Problems(studio).empty(), kLongWaitMs);
  EXPECT_THAT(Problems(studio),
              testing::ElementsAre(HasSubstr("4: error: group \"Colur\" does not exist")));
  ASSERT_EQ(page.editor().marks().size(), 1u);
  EXPECT_EQ(page.editor().marks()[0].line, 4);
  EXPECT_THAT(studio.counts().text().toStdString(), HasSubstr("1 error"));

  // A click on the problem goes to its line.
  page.editor().GoToLine(1);
  QTreeWidget& list = studio.problems();
  const QModelIndex first = list.model()->index(0, 2);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(first).center());
  EXPECT_EQ(page.editor().CurrentLine(), 4);

  // Mending the name clears it.
  TypeAtEndOfLine(page, 4, "");
  for (int i = 0; i < 3; ++i) QTest::keyClick(&page.editor(), Qt::Key_Left);
  QTest::keyClicks(&page.editor(), "o");
  QTRY_VERIFY_WITH_TIMEOUT(Problems(studio).empty(), kLongWaitMs);
  EXPECT_TRUE(page.editor().marks().empty());
  EXPECT_EQ(page.editor().Text(),
            ":Start\n1,The door is [Colour].\n:Colour\n1,red [Colour]\n"
            "2,blue\n");
}

TEST_F(StudioTest, ThePreviewFollowsEditsAndAnEndlessRollStopsWhileTheEditorTakesInput) {
  Open();
  StudioPage& page = Edit("Plain");
  EXPECT_THAT(PreviewText(page), HasSubstr("Only words here."));
  TypeAtEndOfLine(page, 2, " And more.");
  WaitForPreview(page);
  EXPECT_THAT(PreviewText(page), HasSubstr("Only words here. And more."));
  // The saved file is not touched by the preview.
  EXPECT_EQ(ReadFile(home_ / "Tables" / "Places" / "Plain.tab"), ":Start\n1,Only words here.\n");

  TypeAtEndOfLine(page, 2, "{While~1,}");
  QTest::qWait(StudioPage::kPauseMs + 300);
  ASSERT_TRUE(page.preview().running());
  QTest::keyClicks(&page.editor(), "!");  // typing goes on while it runs
  EXPECT_THAT(page.editor().Text(), HasSubstr("{While~1,}!"));
  QTest::qWait(StudioPage::kPauseMs + 300);
  ASSERT_TRUE(page.preview().running());
  QTest::keyClick(&page.editor(), Qt::Key_Escape);
  QTRY_VERIFY_WITH_TIMEOUT(!page.preview().running(), kLongWaitMs);
  EXPECT_THAT(PreviewText(page), HasSubstr("Stopped."));
  QTest::keyClicks(&page.editor(), "?");
  EXPECT_THAT(page.editor().Text(), HasSubstr("{While~1,}!?"));
  page.preview().Stop();
}

// Only what was typed changes: the encoding and the line ends stay the file's own.
TEST_F(StudioTest, SavingWritesTheEditAndKeepsEncodingAndLineEnds) {
  const fs::path utf8 = WriteTable("Places", "Crlf", ":Start\r\n1,caf\xC3\xA9\xC2\xA0ok\r\n");
  const fs::path ansi = WriteTable("Places", "Ansi", ":Start\n1,caf\xE9\n");
  Open();
  StudioWindow& studio = window_->Studio();
  for (const auto& [path, line, expected] :
       {std::tuple{utf8, 2, std::string(":Start\r\n1,caf\xC3\xA9\xC2\xA0ok!\r\n")},
        std::tuple{ansi, 2, std::string(":Start\n1,caf\xE9!\n")}}) {
    StudioPage* page = studio.OpenFile(path);
    ASSERT_NE(page, nullptr);
    TypeAtEndOfLine(*page, line, "!");
    EXPECT_TRUE(page->modified());
    studio.findChild<QAction*>("mnuStudioSave")->trigger();
    EXPECT_FALSE(page->modified());
    EXPECT_EQ(ReadFile(path), expected);
  }
  // A character Windows-1252 cannot hold is saved only when the person agrees to UTF-8.
  StudioPage* page = studio.CurrentPage();
  TypeAtEndOfLine(*page, 2, "");
  QTest::sendKeyEvent(QTest::Click, &page->editor(), Qt::Key_unknown, QString(QChar(0x2192)),
                      Qt::NoModifier);
  dialogs_.yes_no_answers = {false};
  studio.findChild<QAction*>("mnuStudioSave")->trigger();
  EXPECT_EQ(ReadFile(ansi), ":Start\n1,caf\xE9!\n");
  dialogs_.yes_no_answers = {true};
  studio.findChild<QAction*>("mnuStudioSave")->trigger();
  EXPECT_EQ(ReadFile(ansi), ":Start\n1,caf\xC3\xA9!\xE2\x86\x92\n");
}

TEST_F(StudioTest, NewTableRefusesPathNamesAndSavingReachesTheMainWindow) {
  Open();
  dialogs_.input_answers = {"Places", "../Escape"};
  window_->findChild<QAction*>("mnuNewTable")->trigger();
  EXPECT_THAT(dialogs_.boxes.back().text, HasSubstr("path separator"));
  EXPECT_FALSE(fs::exists(home_ / "Tables" / "Escape.tab"));

  dialogs_.input_answers = {"Fresh", "Newt"};
  window_->findChild<QAction*>("mnuNewTable")->trigger();
  StudioWindow& studio = window_->Studio();
  StudioPage* page = studio.CurrentPage();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->path(), home_ / "Tables" / "Fresh" / "Newt.tab");
  QTest::keyClicks(&page->editor(), "a newt");
  studio.findChild<QAction*>("mnuStudioSave")->trigger();
  // The main window lists the new table and rolls the saved text.
  window_->SelectTableByName("Newt");
  EXPECT_EQ(window_->results(), std::vector<std::string>{"a newt"});
}

TEST_F(StudioTest, CompletionOffersAGroupDeclaredAMomentAgoAndTheOutlineListsIt) {
  Open();
  StudioPage& page = Edit("Plain");
  StudioEditor& editor = page.editor();
  editor.GoToLine(3);
  QTest::keyClicks(&editor, ":Fresh");
  QTest::keyClick(&editor, Qt::Key_Return);
  QTest::keyClicks(&editor, "1,f");
  TypeAtEndOfLine(page, 2, " [Fr");
  QAbstractItemView* popup = editor.completer().popup();
  ASSERT_TRUE(popup->isVisible());
  EXPECT_THAT(popup->model()->index(0, 0).data(Qt::UserRole).toString().toStdString(), "Fresh");
  QTest::keyClick(popup, Qt::Key_Return);
  QTest::keyClicks(&editor, "]");
  EXPECT_EQ(editor.Text(), ":Start\n1,Only words here. [Fresh]\n:Fresh\n1,f");

  WaitForPreview(page);
  EXPECT_THAT(PreviewText(page), HasSubstr("Only words here. f"));
  OutlinePanel& outline = window_->Studio().outline();
  ASSERT_EQ(outline.topLevelItemCount(), 2);
  EXPECT_THAT(outline.topLevelItem(1)->text(0).toStdString(), HasSubstr("Fresh"));
  // A click on the group goes to its header; Ctrl+click on the call does too.
  const QModelIndex fresh = outline.model()->index(1, 0);
  QTest::mouseClick(outline.viewport(), Qt::LeftButton, {}, outline.visualRect(fresh).center());
  EXPECT_EQ(editor.CurrentLine(), 3);
  QTextCursor at(editor.document()->findBlockByNumber(1));
  at.movePosition(QTextCursor::EndOfBlock);
  at.movePosition(QTextCursor::Left, QTextCursor::MoveAnchor, 3);
  QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::ControlModifier,
                    editor.cursorRect(at).center());
  EXPECT_EQ(editor.CurrentLine(), 3);
}

TEST_F(StudioTest, AFileChangedByAnotherProgramIsOfferedForReload) {
  Open();
  StudioPage& page = Edit("Plain");
  dialogs_.yes_no_answers = {true};
  WriteTable("Places", "Plain", ":Start\n1,Written elsewhere.\n");
  QTRY_COMPARE_WITH_TIMEOUT(page.editor().Text(), std::string(":Start\n1,Written elsewhere.\n"),
                            kLongWaitMs);
  EXPECT_FALSE(page.modified());
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].title, "File Changed");
  // Its own saves are not taken for changes made elsewhere.
  TypeAtEndOfLine(page, 2, "!");
  window_->Studio().findChild<QAction*>("mnuStudioSave")->trigger();
  QTest::qWait(300);
  EXPECT_EQ(dialogs_.boxes.size(), 1u);
}

// Exit cancelled at the studio's question must not stop the settings from being saved later.
TEST_F(StudioTest, ExitCancelledAtTheUnsavedQuestionStillSavesSettingsOnTheNextClose) {
  Open();
  StudioPage& page = Edit("Plain");
  QTest::keyClicks(&page.editor(), "x");
  StudioWindow& studio = window_->Studio();
  fs::remove(home_ / "Fablewick.cfg");
  // The studio's own question, wide enough for its title, cancelled with Esc.
  int asked = 0;
  QTimer::singleShot(0, [&asked] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    ++asked;
    EXPECT_EQ(box->windowTitle(), "Unsaved Changes");
    EXPECT_GE(box->width(), TitleWidth(*box, box->windowTitle()));
    QTest::keyClick(box, Qt::Key_Escape);
  });
  window_->ExitWithoutSaving();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(studio.isVisible());
  studio.SetUnsavedQuestion([&asked](const std::string&) {
    ++asked;
    return StudioWindow::Unsaved::kDiscard;
  });
  window_->close();
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(fs::exists(home_ / "Fablewick.cfg"));
  EXPECT_EQ(ReadFile(home_ / "Tables" / "Places" / "Plain.tab"), ":Start\n1,Only words here.\n");
}

}  // namespace
}  // namespace fablewick
