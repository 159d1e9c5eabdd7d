// The pages the results view shows, driven through the window: the document's own colours, text
// documents after HTML ones, archived documents that are deleted, and the way back and forth.
#include <QPushButton>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTreeWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/main_window_fixture.h"
#include "ui/archive_panel.h"

namespace fablewick {
namespace {

using ::testing::HasSubstr;

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
  TestWindow& window = Open();
  EXPECT_EQ(FormatOf(window.view(), "Plain").foreground().color(), QColor("#102030"));
  EXPECT_EQ(FormatOf(window.view(), "away").foreground().color(), QColor("#00a000"));

  window.settings().ColorFG = "#400000";
  window.SelectTableByName("Diary");
  EXPECT_EQ(FormatOf(window.view(), "Dear diary").foreground().color(), QColor("#400000"));
  EXPECT_EQ(FormatOf(window.view(), "zwölf").foreground().color(), QColor("green"));
}

// A click on a link leaves the view's cursor in it; a text document shown next keeps none of
// the link's format (here a note, whose dialog was cancelled, so the page stayed).
TEST_F(PagesTest, ATextDocumentAfterAnHtmlPageTakesNoFormatFromIt) {
  TestWindow& window = Open("[Diary]");
  OnDialog([](QWidget& dialog) { dialog.findChild<QPushButton*>("cmdCancel")->click(); });
  ClickLinkText("zwölf Äpfel");
  window.settings().nOutputType = 1;
  QTest::mouseClick(Child<QPushButton>("cmdRoll"), Qt::LeftButton);
  ASSERT_THAT(window.view().CurrentPath(), testing::EndsWith("Temp.txt"));
  const QTextCharFormat format = FormatOf(window.view(), "Dear diary");
  EXPECT_FALSE(format.isAnchor());
  EXPECT_FALSE(format.fontUnderline());
  EXPECT_NE(format.foreground().color(), QColor("green"));
}

}  // namespace
}  // namespace fablewick
