// The results view on its own: a large results document is shown in steps, first part at once,
// and ends up showing what the whole document shows.
#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/documents/document.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"
#include "ui/results_view.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

QTextCharFormat FormatOf(ResultsView& view, const QString& text) {
  const QTextCursor found =
      view.document()->find(text, QTextCursor(), QTextDocument::FindCaseSensitively);
  EXPECT_FALSE(found.isNull()) << text.toStdString();
  return found.charFormat();
}

// Lets the view add the rest of its document, then checks that it shows the very text of the
// document laid out in one piece.
void FinishAndCompare(ResultsView& view, const std::string& document) {
  QElapsedTimer clock;
  clock.start();
  while (view.Loading() && clock.elapsed() < 120000) QApplication::processEvents();
  ASSERT_FALSE(view.Loading());
  QTextDocument whole;
  whole.setHtml(QString::fromStdString(document));
  EXPECT_EQ(view.toPlainText().trimmed(), whole.toPlainText().trimmed());
}

TEST(ResultsViewTest, ALargeDocumentShowsItsFirstPartAtOnceAndAllOfItInSteps) {
  const TempFolder folder("view");
  WriteFile(folder / "link.css", "a.clsLink { color: #8a3b12; }\n");
  std::vector<std::string> results;
  for (int i = 0; i < 3000; ++i) {
    const std::string n = std::to_string(i);
    results.push_back("Result " + n + " has <a name=\"fwroll" + n + "\" CLASS=clsLink href=\"reg" +
                      n + "://T.G\">link " + n + "</a>" + (i % 7 ? "" : "\r\non two lines"));
  }
  const std::string document =
      BuildResultsDocument(0, "T", results, folder.path().string(), "#400000", "#FFFFF0");
  WriteFile(folder / "Temp.html", document);

  ResultsView view;
  view.resize(600, 400);
  view.show();
  view.Navigate((folder / "Temp.html").string() + "#fwroll2500");
  EXPECT_TRUE(view.Loading());
  EXPECT_THAT(view.toPlainText().toStdString(), StartsWith("Result 0 has link 0"));
  EXPECT_THAT(view.toPlainText().toStdString(), Not(HasSubstr("Result 2999")));
  FinishAndCompare(view, document);
  EXPECT_EQ(FormatOf(view, "link 2999").foreground().color(), QColor("#8a3b12"));
  EXPECT_EQ(FormatOf(view, "link 2999").anchorHref(), "reg2999://T.G");
  EXPECT_EQ(FormatOf(view, "Result 2999").foreground().color(), QColor("#400000"));
  EXPECT_GT(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum() / 2)
      << "the anchor was not scrolled to once its result was shown";
}

// A single result of hundreds of thousands of characters is cut at its line breaks too: its first
// lines are on screen at once, and formatting open across a cut, and every link, still hold.
TEST(ResultsViewTest, AVeryLargeResultIsShownInStepsWithItsFormattingAndLinks) {
  const TempFolder folder("view");
  std::vector<std::string> results;
  for (int r = 0; r < 2; ++r) {
    std::string result = "<font color=\"#123456\">";
    for (int i = 0; i < 4000; ++i) {
      const std::string n = std::to_string(r) + "." + std::to_string(i);
      result += "Line " + n + " <b>bold " + n + "<br>still bold " + n + "</b> <a href=\"reg" +
                std::to_string(r) + "://T.G\">link " + n + "</a> &amp; done<br>";
    }
    results.push_back(result + "</font>");
  }
  const std::string document =
      BuildResultsDocument(0, "T", results, folder.path().string(), "", "");
  WriteFile(folder / "Temp.html", document);

  ResultsView view;
  view.resize(600, 400);
  view.show();
  view.Navigate((folder / "Temp.html").string());
  EXPECT_TRUE(view.Loading());
  EXPECT_THAT(view.toPlainText().toStdString(), StartsWith("Line 0.0 bold 0.0\nstill bold 0.0"));
  EXPECT_THAT(view.toPlainText().toStdString(), Not(HasSubstr("Line 0.3999")));
  FinishAndCompare(view, document);
  for (const char* line : {"1.2000", "1.3999"}) {
    const QString n = QString::fromLatin1(line);
    EXPECT_EQ(FormatOf(view, "still bold " + n).fontWeight(), QFont::Bold) << line;
    EXPECT_EQ(FormatOf(view, "Line " + n).foreground().color(), QColor("#123456")) << line;
    EXPECT_EQ(FormatOf(view, "link " + n).anchorHref(), "reg1://T.G") << line;
  }
}

}  // namespace
}  // namespace fablewick
