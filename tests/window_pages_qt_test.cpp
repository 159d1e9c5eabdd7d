// The pages the results view shows, driven through the window: the document's own colours, text
// documents after HTML ones, archived documents that are deleted, and the way back and forth.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QToolButton>
#include <QTreeWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/main_window_fixture.h"
#include "ui/archive_panel.h"

namespace fablewick {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using PagesTest = MainWindowTest;

QTextCharFormat FormatOf(ResultsView& view, const QString& text) {
  const QTextCursor found =
      view.document()->find(text, QTextCursor(), QTextDocument::FindCaseSensitively);
  EXPECT_FALSE(found.isNull()) << text.toStdString();
  return found.charFormat();
}

// The BODY tag's TEXT and LINK colours are drawn, in the results and on other pages; a link's
// own style still wins over them.
TEST_F(PagesTest, TheViewDrawsTheDocumentsTextAndLinkColours) {
  WriteFile(home_ / "Title.html",
            "<html><body text=\"#102030\" link=\"#00a000\"><p>Plain <a href=\"x.html\">away</a>"
            "</p></body></html>");
  WriteFile(home_ / "link.css", "a.clsLink { color: #8a3b12; }\n");
  WriteTable("Places", "Sign", ":Start\n1,A {Note~faded} [LX~Word] sign\n:Word\n1,painted\n");
  TestWindow& window = Open();
  EXPECT_EQ(FormatOf(window.view(), "Plain").foreground().color(), QColor("#102030"));
  EXPECT_EQ(FormatOf(window.view(), "away").foreground().color(), QColor("#00a000"));

  window.settings().ColorFG = "#400000";
  window.SelectTableByName("Sign");
  EXPECT_EQ(FormatOf(window.view(), "A ").foreground().color(), QColor("#400000"));
  EXPECT_EQ(FormatOf(window.view(), "faded").foreground().color(), QColor("green"));
  EXPECT_EQ(FormatOf(window.view(), "painted").foreground().color(), QColor("#8a3b12"));
}

// A click on a link leaves the view's cursor in it; a text document shown next keeps none of
// the link's format (here a note, whose dialog was cancelled, so the page stayed).
TEST_F(PagesTest, ATextDocumentAfterAnHtmlPageTakesNoFormatFromIt) {
  TestWindow& window = Open("[Diary]");
  OnDialog([](QWidget& dialog) { dialog.findChild<QPushButton*>("cmdCancel")->click(); });
  ClickLinkText("zwölf Äpfel");
  window.settings().nOutputType = 1;
  QTest::mouseClick(Child<QToolButton>("cmdRoll"), Qt::LeftButton);
  ASSERT_THAT(window.view().CurrentPath(), testing::EndsWith("Temp.txt"));
  const QTextCharFormat format = FormatOf(window.view(), "Dear diary");
  EXPECT_FALSE(format.isAnchor());
  EXPECT_FALSE(format.fontUnderline());
  EXPECT_NE(format.foreground().color(), QColor("green"));
}

// An archived document that is deleted while shown leaves the screen for the last results, and
// neither its links nor Back lead into it again.
TEST_F(PagesTest, DeletingTheArchivedDocumentShownShowsTheLastResultsAndForgetsIt) {
  WriteFile(home_ / "Archives" / "Old.html",
            "<html><body>Old night: <a name=\"fwroll0\" CLASS=clsLink href=\"reg0://Door.Colour\">"
            "red</a></body></html>");
  TestWindow& window = Open("[Plain]");
  QTest::mouseClick(Child<QToolButton>("cmdFlip"), Qt::LeftButton);
  auto* archives = Child<ArchivePanel>("picArchives");
  QTreeWidget* tree = archives->TreeView1();
  QTreeWidgetItem* old = archives->FindNode("Archives/Old.html");
  ASSERT_NE(old, nullptr);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(old).center());
  ASSERT_THAT(ViewText(), HasSubstr("Old night"));
  EXPECT_EQ(Child<QLabel>("StatusPage")->text(), "Archived: Old.html");

  QTest::mouseClick(archives->cmdDelete(), Qt::LeftButton);
  EXPECT_FALSE(fs::exists(home_ / "Archives" / "Old.html"));
  EXPECT_THAT(ViewText(), HasSubstr("Only words here."));
  EXPECT_EQ(Child<QLabel>("StatusPage")->text(), "Last results");
  QTest::keyClick(&window.view(), Qt::Key_Left, Qt::AltModifier);
  EXPECT_THAT(ViewText(), Not(HasSubstr("Old night")));
  EXPECT_TRUE(dialogs_.boxes.empty()) << dialogs_.boxes.front().title;
}

// Back and Forward walk the pages shown, with the keys and the View menu, and the status bar
// names the page on screen; a new page drops the ones ahead.
TEST_F(PagesTest, BackAndForwardWalkThePagesShownAndTheStatusBarNamesThem) {
  WriteFile(home_ / "Help" / "FWHelp.html", "<html><body>How to roll</body></html>");
  TestWindow& window = Open();
  auto* page = Child<QLabel>("StatusPage");
  EXPECT_EQ(page->text(), "Title page");
  window.SelectTableByName("Plain");
  EXPECT_EQ(page->text(), "Last results");
  QTest::keyClick(&window, Qt::Key_F1);
  EXPECT_EQ(page->text(), "Help");

  QTest::keyClick(&window.view(), Qt::Key_Left, Qt::AltModifier);
  EXPECT_THAT(ViewText(), HasSubstr("Only words here."));
  EXPECT_EQ(page->text(), "Last results");
  QTest::keyClick(&window, Qt::Key_Left, Qt::AltModifier);
  EXPECT_THAT(ViewText(), HasSubstr("Welcome to the title page"));
  auto* back = Child<QAction>("mnuBack");
  EXPECT_FALSE(back->isEnabled());
  QTest::keyClick(&window.view(), Qt::Key_Right, Qt::AltModifier);
  EXPECT_EQ(page->text(), "Last results");
  Child<QAction>("mnuForward")->trigger();
  EXPECT_THAT(ViewText(), HasSubstr("How to roll"));

  QTest::keyClick(&window, Qt::Key_Left, Qt::AltModifier);
  QTest::keyClick(&window, Qt::Key_Left, Qt::AltModifier);
  QTest::mouseClick(Child<QToolButton>("cmdRoll"), Qt::LeftButton);
  EXPECT_EQ(page->text(), "Last results");
  EXPECT_FALSE(Child<QAction>("mnuForward")->isEnabled()) << "a roll drops the pages ahead";
  EXPECT_TRUE(dialogs_.boxes.empty());
}

// The window has the program's icon, the empty category box asks for a choice, and the keys of
// the menus work from the window.
TEST_F(PagesTest, TheCategoryBoxAsksForAChoiceAndTheMenuKeysWork) {
  TestWindow& window = Open();
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_EQ(Child<QComboBox>("cmbCategories")->placeholderText(), "Choose a category");
  WriteTable("Places", "Newer", ":Start\n1,brand new\n");
  QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
  window.SelectTableByName("Newer");
  EXPECT_THAT(ViewText(), HasSubstr("brand new"));
  QString title;
  OnDialog([&title](QWidget& dialog) {
    title = dialog.windowTitle();
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  QTest::keyClick(&window, Qt::Key_Comma, Qt::ControlModifier);
  EXPECT_EQ(title, "Fablewick Preferences");
}

}  // namespace
}  // namespace fablewick
