// The main window driven through its real widgets on the offscreen platform: choosing and
// rolling tables, the start-up roll, links and notes, settings kept across starts, layout.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/documents/links.h"
#include "tests/support/main_window_fixture.h"
#include "ui/archive_panel.h"
#include "ui/frm_main.h"
#include "ui/gui_host.h"
#include "ui/results_view.h"

namespace fablewick {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(MainWindowTest, StartsOnTheTitlePageAndAClickOnATableRollsItIntoTheResultsDocument) {
  Open();
  EXPECT_THAT(ViewText(), HasSubstr("Welcome to the title page"));
  auto* categories = Child<QComboBox>("cmbCategories");
  ASSERT_EQ(categories->count(), 2);  // the hidden "~Lib" is not offered
  EXPECT_EQ(categories->itemText(0), "People");
  EXPECT_EQ(categories->itemText(1), "Places");
  EXPECT_EQ(categories->currentIndex(), -1);
  EXPECT_FALSE(window_->findChild<QAction*>("mnuEditTable")->isEnabled());

  Child<QLineEdit>("txtNumRolls")->setText("2");
  ChooseInCombo(categories, "Places");
  auto* tables = Child<QListWidget>("lstTables");
  ASSERT_EQ(tables->count(), 2);
  ClickRow(tables, "Plain");
  EXPECT_EQ(window_->results(), (std::vector<std::string>{"Only words here.", "Only words here."}));
  EXPECT_EQ(QString::fromStdString(ViewText()).count("Only words here."), 2);
  EXPECT_THAT(ReadFile(home_ / "Temp.html"), HasSubstr("<TITLE>Plain</TITLE>\r\n"));
  EXPECT_EQ(Child<QLabel>("StatusPanel0")->text(), "Done");
  EXPECT_TRUE(window_->findChild<QAction*>("mnuEditTable")->isEnabled());

  // The arrow keys choose the table above; a click on the chosen table does not load it again.
  QTest::keyClick(tables, Qt::Key_Up);
  EXPECT_THAT(window_->results().at(0), HasSubstr("The door is"));
  const std::vector<std::string> door = window_->results();
  ClickRow(tables, "Door");
  EXPECT_EQ(window_->results(), door);
}

// Every other list of the window answers the mouse: favourites, the archive tree, the parameter
// lists and the wizard's options.
TEST_F(MainWindowTest, TheOtherListsAndTheTreeAnswerTheMouse) {
  WriteTable("People", "Sized",
             "%Size%,\n%Mood%,\n@Size,2,How big?,Small,Medium,Large\n@Mood,1,How?,Glad,Grim\n"
             ":Start\n1,It is {Param~Size,%Size%} and {Param~Mood,%Mood%}.\n");
  WriteFile(home_ / "Archives" / "Kept.html", "<html><body>An archived page</body></html>");
  WriteFile(home_ / "Fablewick.cfg", "FWCFG2.0\r\nHList=Sized\r\n");
  Open();
  ClickRow(Child<QListWidget>("lstHyperlist"), "Sized");
  EXPECT_EQ(window_->results(), std::vector<std::string>{"It is Medium and Glad."});

  Child<QPushButton>("cmdHideParam")->click();  // Show: the lists unfold
  ClickRow(Child<QListWidget>("lstPrompts"), "How?");
  EXPECT_EQ(Child<QListWidget>("lstValues")->currentRow(), 1);
  OnDialog([](QWidget& wizard) {
    EXPECT_EQ(wizard.windowTitle(), "Enter parameter 2 of 2");  // opened at the clicked row
    ClickRow(wizard.findChild<QListWidget*>("lstParamList"), "Grim");
    QTest::mouseClick(wizard.findChild<QPushButton*>("cmdFinish"), Qt::LeftButton);
  });
  QTest::mouseClick(Child<QPushButton>("cmdChangeParam"), Qt::LeftButton);
  QTest::mouseClick(Child<QToolButton>("cmdRoll"), Qt::LeftButton);
  EXPECT_EQ(window_->results(), std::vector<std::string>{"It is Medium and Grim."});

  QTest::mouseClick(Child<QToolButton>("cmdFlip"), Qt::LeftButton);
  auto* archives = Child<ArchivePanel>("picArchives");
  QTreeWidgetItem* kept = archives->FindNode("Archives/Kept.html");
  ASSERT_NE(kept, nullptr);
  ClickItem(archives->TreeView1(), archives->TreeView1()->indexFromItem(kept));
  EXPECT_THAT(ViewText(), HasSubstr("An archived page"));
  EXPECT_TRUE(archives->cmdDelete()->isEnabled());
}

TEST_F(MainWindowTest, TextOutputIsShownAsPlainText) {
  WriteFile(home_ / "Fablewick.cfg", "FWCFG2.0\r\nOutputType=1\r\n");
  WriteTable("Places", "Markup", ":Start\n1,<b>bold</b> words\n");
  Open().SelectTableByName("Markup");
  EXPECT_THAT(ViewText(), HasSubstr("<b>bold</b> words"));
  EXPECT_TRUE(fs::exists(home_ / "Temp.txt"));
}

TEST_F(MainWindowTest, StartupRollMakesTheRollsAndSelectsTheTableWithoutRollingAgain) {
  Open("[Plain]:2.5");
  EXPECT_EQ(window_->results().size(), 2u);
  EXPECT_EQ(Child<QLineEdit>("txtNumRolls")->text(), "2.5");
  EXPECT_EQ(Child<QComboBox>("cmbCategories")->currentText(), "Places");
  EXPECT_EQ(Child<QListWidget>("lstTables")->currentRow(), 1);  // "Plain", after "Door"
  EXPECT_EQ(QString::fromStdString(ViewText()).count("Only words here."), 2);

  // A call of a group rolls that group, not the table's Start, even though the table is selected.
  Open("[Door.Colour]:3");
  ASSERT_EQ(window_->results().size(), 3u);
  for (const std::string& result : window_->results()) {
    EXPECT_THAT(kColours, HasSubstr("," + result + "\n"));
  }
}

TEST_F(MainWindowTest, ClickingAReRollLinkChangesOnlyThatPart) {
  Open("[Door]");
  const std::regex door(
      R"re(The door is <a [^>]*>(\w+)</a> and the knob is <a [^>]*>(\w+)</a> today\.)re");
  auto colours = [&] {
    std::smatch match;
    EXPECT_TRUE(std::regex_match(window_->results().at(0), match, door)) << window_->results()[0];
    return std::pair<std::string, std::string>(match[1], match[2]);
  };
  const auto before = colours();
  auto now = before;
  for (int attempt = 0; attempt < 12 && now.first == before.first; ++attempt) {
    ClickLinkText(now.first);
    ASSERT_EQ(window_->results().size(), 1u);
    now = colours();
    EXPECT_EQ(now.second, before.second) << "the other link changed";
  }
  EXPECT_NE(now.first, before.first) << "twelve re-rolls of a fourteen-way group never changed it";
  EXPECT_THAT(ViewText(), HasSubstr(now.first));
  EXPECT_TRUE(dialogs_.boxes.empty());
}

// A re-roll link at the end of a result long enough to be shown in several parts still works.
TEST_F(MainWindowTest, AReRollLinkInTheLastPartOfAVeryLongResultWorks) {
  WriteTable("Places", "Ledger",
             ":Start\n1,{Loop~6000,a line of the ledger<br>}[LX~Colour].\n:Colour\n" + kColours);
  Open("[Ledger]");
  EXPECT_TRUE(window_->view().Loading());
  auto last_word = [&] {
    while (window_->view().Loading()) QApplication::processEvents();
    const std::string text = ViewText();
    const std::size_t dot = text.rfind('.');
    return text.substr(text.rfind('\n', dot) + 1, dot - text.rfind('\n', dot) - 1);
  };
  const std::string before = last_word();
  std::string now = before;
  for (int attempt = 0; attempt < 20 && now == before; ++attempt) {
    ClickLinkText(now);
    QApplication::processEvents();  // the re-roll, which shows the document again in parts
    now = last_word();
  }
  EXPECT_NE(now, before) << "twenty re-rolls of a fourteen-way group never changed it";
  EXPECT_THAT(kColours, HasSubstr("," + now + "\n"));
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(MainWindowTest, EditingANoteRewritesItAndCancellingLeavesTheDocumentAlone) {
  Open("[Diary]");
  const std::string document = ReadFile(home_ / "Temp.html");
  OnDialog([](QWidget& dialog) { dialog.findChild<QPushButton*>("cmdCancel")->click(); });
  ClickLinkText("zwölf Äpfel");
  EXPECT_EQ(ReadFile(home_ / "Temp.html"), document);

  OnDialog([](QWidget& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Edit Note");
    auto* text = dialog.findChild<QLineEdit*>("txtNote");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->selectedText(), QString::fromStdString("zwölf Äpfel"));
    QTest::keyClicks(text, "met the ");  // typing replaces the selected note
    text->insert(QString::fromStdString("Bäcker"));
    dialog.findChild<QPushButton*>("cmdOK")->click();
  });
  ClickLinkText("zwölf Äpfel");
  EXPECT_EQ(window_->results(),
            std::vector<std::string>{"Dear diary: <a name=\"fwroll0\" CLASS=clsLink "
                                     "style=\"color:green\" href=\"nte0://\">met the Bäcker</a> "
                                     "ends."});
  EXPECT_THAT(ViewText(), HasSubstr("met the Bäcker"));
}

// Markup typed as a note shows as typed, leaves the results after it alone, and the note stays
// a link that opens with the same text.
TEST_F(MainWindowTest, ANoteTypedWithMarkupShowsAsTypedAndStaysEditable) {
  WriteTable("People", "Log", ":Start\n1,Day: {Note~seen} and [LX~Tail].\n:Tail\n1,the end\n");
  Open("[Log]");
  const QString typed = "x </a> y <i>z & HP < 10";
  OnDialog([typed](QWidget& dialog) {
    auto* text = dialog.findChild<QLineEdit*>("txtNote");
    QTest::keyClicks(text, typed);
    dialog.findChild<QPushButton*>("cmdOK")->click();
  });
  ClickLinkText("seen");
  EXPECT_THAT(ViewText(), HasSubstr("Day: " + typed.toStdString() + " and the end."));
  const QTextCursor tail = window_->view().document()->find("the end", QTextCursor(),
                                                            QTextDocument::FindCaseSensitively);
  ASSERT_FALSE(tail.isNull());
  EXPECT_FALSE(tail.charFormat().fontItalic()) << "the note's <i> formats the text after it";
  QString shown;
  OnDialog([&shown](QWidget& dialog) {
    shown = dialog.findChild<QLineEdit*>("txtNote")->text();
    dialog.findChild<QPushButton*>("cmdCancel")->click();
  });
  ClickLinkText("HP < 10");
  EXPECT_EQ(shown, typed);
}

// The toolbar is the one place for Roll, Stop, Edit, Reload and the flip, under the names and
// captions the window has always given them.
TEST_F(MainWindowTest, TheToolbarRollsEditsAndFlipsToTheArchives) {
  Open("[Plain]:1");  // the start-up roll selects the table, and Edit works on it
  EXPECT_TRUE(Child<QToolButton>("cmdEditTable")->isEnabled());
  for (const char* name : {"cmdRoll", "cmdStop", "cmdEditTable", "cmdReload", "cmdFlip"}) {
    EXPECT_EQ(window_->findChild<QPushButton*>(name), nullptr) << name;
    EXPECT_EQ(Child<QToolButton>(name)->parentWidget()->objectName(), "tbMain") << name;
  }
  window_->SelectTableByName("Plain");
  Child<QLineEdit>("txtNumRolls")->setText("3");
  QTest::mouseClick(Child<QToolButton>("cmdRoll"), Qt::LeftButton);
  EXPECT_EQ(window_->results().size(), 3u);
  EXPECT_FALSE(Child<QToolButton>("cmdStop")->isEnabled());
  auto* flip = Child<QToolButton>("cmdFlip");
  QTest::mouseClick(flip, Qt::LeftButton);
  EXPECT_TRUE(Child<ArchivePanel>("picArchives")->isVisible());
  EXPECT_TRUE(flip->isChecked());
  EXPECT_EQ(flip->text(), "Generate");
  QTest::mouseClick(flip, Qt::LeftButton);
  EXPECT_FALSE(flip->isChecked());
  EXPECT_EQ(flip->text(), "Archives");
}

TEST_F(MainWindowTest, SettingsAreWrittenOnCloseAndReadAtTheNextStartButNotOnExit) {
  Open().SelectTableByName("Plain");
  Child<QPushButton>("cmdAddHyper")->click();
  Child<QPushButton>("cmdAddHyper")->click();
  Child<QLineEdit>("txtNumRolls")->setText("4");
  window_->resize(700, 520);
  // The splitter's position goes to the desktop's settings, never to the configuration file.
  const int left_width = Child<QSplitter>("splitMain")->sizes().front();
  const int list_width = Child<QListWidget>("lstTables")->width();
  DragSplitter(60);
  EXPECT_EQ(Child<QSplitter>("splitMain")->sizes().front(), left_width + 60);
  EXPECT_EQ(Child<QListWidget>("lstTables")->width(), list_width + 60);
  window_->close();
  const std::string config = ReadFile(home_ / "Fablewick.cfg");
  EXPECT_THAT(config, Not(HasSubstr("plitter")));
  EXPECT_THAT(ReadFile(DesktopSettingsFolder() / "Fablewick" / "Fablewick.conf"),
              HasSubstr("splitter="));
  EXPECT_THAT(config, HasSubstr("NumRolls=4\r\n"));
  EXPECT_THAT(config, HasSubstr("HList=Plain\r\nHList=Plain\r\n"));
  EXPECT_THAT(config, HasSubstr("Maximized=False\r\n"));

  TestWindow& again = Open();
  EXPECT_EQ(Child<QLineEdit>("txtNumRolls")->text(), "4");
  EXPECT_EQ(again.size(), QSize(700, 520));
  EXPECT_EQ(Child<QSplitter>("splitMain")->sizes().front(), left_width + 60);
  // A click on a favourite selects and rolls its table.
  auto* favourites = Child<QListWidget>("lstHyperlist");
  ASSERT_EQ(favourites->count(), 2);
  favourites->setCurrentRow(0);
  QTest::mouseClick(favourites->viewport(), Qt::LeftButton, {},
                    favourites->visualItemRect(favourites->item(0)).center());
  EXPECT_EQ(again.results().size(), 4u);

  Child<QLineEdit>("txtNumRolls")->setText("9");
  again.ExitWithoutSaving();
  EXPECT_EQ(ReadFile(home_ / "Fablewick.cfg"), config);
}

TEST_F(MainWindowTest, TheWindowKeepsItsMinimumSize) {
  Open().resize(200, 150);
  EXPECT_GE(window_->width(), 500);
  EXPECT_GE(window_->height(), 400);
}

TEST_F(MainWindowTest, ARollDuringAGenerationIsRefusedAndStopEndsTheGeneration) {
  WriteTable("Places", "Chatty", ":Start\n1,{Msg~Hello}{Loop~200000,x}\n");
  Open();
  Child<QLineEdit>("txtNumRolls")->setText("50");
  int refused_rolls = 0;
  dialogs_.on_message = [&] {
    EXPECT_TRUE(window_->generating());
    const auto before = dialogs_.boxes.size();
    window_->cmdRoll_Click();  // refused: no second generation starts inside the first
    refused_rolls += dialogs_.boxes.size() == before;
    window_->Stop();
  };
  window_->SelectTableByName("Chatty");
  EXPECT_FALSE(window_->generating());
  EXPECT_EQ(dialogs_.BoxesOfKind(ShownBox::kMessage).size(), 1u);
  EXPECT_EQ(refused_rolls, 1);
  ASSERT_EQ(window_->results().size(), 50u);
  EXPECT_EQ(window_->results()[1], "");
}

// The bundled roadside inn, a thousand times: every result reaches the view. The time taken is
// recorded in the test's output (--gtest_output) for the documentation, not asserted.
// The status bar counts the rolls while they are made and tells how many were made after a Stop.
TEST_F(MainWindowTest, TheStatusBarCountsTheRollsAndSaysHowManyWereMadeBeforeAStop) {
  WriteTable("Places", "Slow", ":Start\n1,{Msg~Next}one\n");
  Open().SelectTableByName("Plain");
  Child<QLineEdit>("txtNumRolls")->setText("10");
  auto* progress = Child<QProgressBar>("RollProgress");
  int messages = 0;
  QString shown;
  dialogs_.on_message = [&] {
    if (++messages < 4) return;
    QTest::qWait(150);  // the bar is brought up to date a few times a second
    shown = progress->isVisible() ? progress->text() : QString();
    QTest::keyClick(window_.get(), Qt::Key_Escape);
  };
  ClickRow(Child<QListWidget>("lstTables"), "Slow");
  EXPECT_EQ(shown, "roll 3 of 10");
  EXPECT_EQ(Child<QLabel>("StatusPanel0")->text(), "Stopped after 4 of 10 rolls");
  EXPECT_FALSE(progress->isVisible());
  dialogs_.on_message = nullptr;
  QTest::mouseClick(Child<QToolButton>("cmdRoll"), Qt::LeftButton);
  EXPECT_EQ(Child<QLabel>("StatusPanel0")->text(), "Done");
}

// Esc stops a large document that is still being shown, too: the rest is not added, and the
// results document on disk keeps every result.
TEST_F(MainWindowTest, EscStopsTheDisplayOfALargeDocumentAndTheSavedDocumentStaysWhole) {
  WriteTable("Places", "Long", ":Start\n1,Long " + std::string(2000, 'x') + "<br>end\n");
  Open().SelectTableByName("Plain");
  Child<QLineEdit>("txtNumRolls")->setText("300");
  ClickRow(Child<QListWidget>("lstTables"), "Long");
  ASSERT_TRUE(window_->view().Loading());
  auto* stop = Child<QToolButton>("cmdStop");
  EXPECT_TRUE(stop->isEnabled());
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  EXPECT_FALSE(window_->view().Loading());
  EXPECT_FALSE(stop->isEnabled());
  EXPECT_EQ(Child<QLabel>("StatusPanel0")->text(), "Display stopped");
  QApplication::processEvents();
  EXPECT_LT(QString::fromStdString(ViewText()).count("Long x"), 300);
  EXPECT_EQ(QString::fromStdString(ReadFile(home_ / "Temp.html")).count("Long x"), 300);
  EXPECT_EQ(window_->results().size(), 300u);
}

TEST_F(MainWindowTest, AThousandResultsOfASampleTableAreRolledAndShown) {
  const fs::path share = fs::path(FABLEWICK_TEST_DATA_DIR) / ".." / ".." / "share";
  fs::copy(share / "Tables", home_ / "Tables", fs::copy_options::recursive);
  fs::copy(share / "Data", home_ / "Data", fs::copy_options::recursive);
  Open();
  Child<QLineEdit>("txtNumRolls")->setText("1000");
  const auto start = std::chrono::steady_clock::now();
  window_->SelectTableByName("Random Inn");
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  RecordProperty("seconds", std::to_string(seconds.count()));
  ASSERT_EQ(window_->results().size(), 1000u);
  // A document this large is shown in steps: its first part at once, the rest as the window
  // turns its event loop.
  EXPECT_TRUE(window_->view().Loading());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (window_->view().Loading() && std::chrono::steady_clock::now() < deadline) {
    QApplication::processEvents();
  }
  EXPECT_EQ(QString::fromStdString(ViewText()).count("Keeper:"), 1000);
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(MainWindowTest, ExportCopiesTheResultsDocumentWithOrWithoutItsLinks) {
  Open().ExportResults();  // nothing rolled yet
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].title, "Export Not Available");
  EXPECT_EQ(dialogs_.boxes[0].text, "You must have results before you can export them.");

  for (const bool remove_links : {false, true}) {
    WriteFile(home_ / "Fablewick.cfg",
              std::string("FWCFG2.0\r\nRemLinks=") + (remove_links ? "True" : "False") + "\r\n");
    Open("[Door]").export_target = home_ / "door.html";
    window_->ExportResults();
    EXPECT_EQ(window_->export_title, "Export Results to HTML");
    const std::string document = ReadFile(home_ / "Temp.html");
    const std::string exported = ReadFile(home_ / "door.html");
    // A credit line, then the results document line for line.
    EXPECT_EQ(exported.rfind("<!--", 0), 0u);
    EXPECT_EQ(exported.substr(exported.find('\n') + 1),
              remove_links ? StripProgramLinks(document) : document);
    EXPECT_EQ(exported.find("fwroll") == std::string::npos, remove_links);
  }
  EXPECT_EQ(dialogs_.boxes.size(), 1u);
}

TEST_F(MainWindowTest, PublishAsksAboutLinesAPageCannotRunThenWritesThePage) {
  WriteTable("Places", "Shelly", ":Start\n1,{Debug~x} [Plain.Start]\n");
  QAction* publish = Open().findChild<QAction*>("mnuPublish");
  ASSERT_NE(publish, nullptr);
  publish->trigger();  // nothing selected
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].text, "Choose a table to publish first.");

  Open("[Shelly]").export_target = home_ / "shelly.html";
  dialogs_.ClearRecords();
  publish = window_->findChild<QAction*>("mnuPublish");
  publish->trigger();
  EXPECT_EQ(dialogs_.boxes.at(0).text, "The web engine is not built: run make web");
  EXPECT_EQ(MessageBoxIcon(dialogs_.boxes.at(0).title), QMessageBox::Critical);

  WriteFile(home_ / "Web" / "fablewick-web.js", "var FablewickEngine = 1;");
  dialogs_.ClearRecords();
  dialogs_.yes_no_answers = {false, true};
  publish->trigger();
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  const std::string line =
      (home_ / "Tables" / "Places" / "Shelly.tab").string() + ":2: 1,{Debug~x} [Plain.Start]\n";
  EXPECT_NE(dialogs_.boxes[0].text.find(line), std::string::npos) << dialogs_.boxes[0].text;
  EXPECT_FALSE(fs::exists(home_ / "shelly.html"));
  publish->trigger();
  EXPECT_EQ(dialogs_.boxes.back().text,
            "The page was written to " + (home_ / "shelly.html").string() + ".");
  const std::string page = ReadFile(home_ / "shelly.html");
  EXPECT_NE(page.find("\"path\":\"Tables/Places/Plain.tab\""), std::string::npos);
}

TEST_F(MainWindowTest, ReRollsActOnTheArchivedDocumentThatIsShown) {
  Open("[Door]");
  const std::string temp = ReadFile(home_ / "Temp.html");
  const fs::path archived = home_ / "Archives" / "Front door.html";
  WriteFile(archived, temp);
  auto* flip = Child<QToolButton>("cmdFlip");
  flip->click();
  EXPECT_EQ(flip->text(), "Generate");
  auto* archives = Child<ArchivePanel>("picArchives");
  EXPECT_TRUE(archives->isVisible() && !Child<QListWidget>("lstTables")->isVisible());
  archives->Fill();
  archives->TreeView1_NodeClick(archives->FindNode("Archives/Front door.html"));
  EXPECT_EQ(window_->view().CurrentPath(), archived.string());
  const std::regex link(R"re(href="reg0://Door\.Colour">(\w+)</a>)re");
  for (int click = 0; click < 12 && ReadFile(archived) == temp; ++click) {
    std::smatch match;
    const std::string text = ReadFile(archived);
    ASSERT_TRUE(std::regex_search(text, match, link));
    ClickLinkText(match[1]);
  }
  EXPECT_NE(ReadFile(archived), temp) << "the archived document was not re-rolled";
  EXPECT_EQ(ReadFile(home_ / "Temp.html"), temp) << "the results document changed instead";
  flip->click();
  EXPECT_EQ(flip->text(), "Archives");
  EXPECT_TRUE(Child<QListWidget>("lstTables")->isVisible());
}

TEST_F(MainWindowTest, ATableWithParametersShowsThemAndRollsWithTheChosenValue) {
  WriteTable(
      "People", "Sized",
      "%Size%,\n@Size,2,How big?,Small,Medium,Large\n:Start\n1,It is {Param~Size,%Size%}.\n");
  Open().SelectTableByName("Sized");
  auto* panel = Child<QWidget>("picParameters");
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(window_->results(), std::vector<std::string>{"It is Medium."});
  EXPECT_EQ(Child<QListWidget>("lstValues")->item(0)->text(), "Medium");
  const int results_height = Child<QWidget>("picResults")->height();
  Child<QPushButton>("cmdHideParam")->click();  // Show: the lists unfold
  EXPECT_LT(Child<QWidget>("picResults")->height(), results_height);

  OnDialog([](QWidget& wizard) {
    wizard.findChild<QListWidget*>("lstParamList")->setCurrentRow(2);
    wizard.findChild<QPushButton*>("cmdFinish")->click();
  });
  Child<QPushButton>("cmdChangeParam")->click();
  EXPECT_EQ(Child<QListWidget>("lstValues")->item(0)->text(), "Large");
  Child<QToolButton>("cmdRoll")->click();
  EXPECT_EQ(window_->results(), std::vector<std::string>{"It is Large."});
  window_->SelectTableByName("Plain");
  EXPECT_FALSE(panel->isVisible());
}

TEST_F(MainWindowTest, EditTableStartsTheEditorOnTheTableFileOrSaysItCannot) {
  Open().SelectTableByName("Plain");
  window_->settings().szEditorPath = (home_ / "editor").string();
  window_->EditTable();  // not there yet
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].title, "Error");
  EXPECT_EQ(dialogs_.boxes[0].text, "Error finding editor.");
  WriteFile(home_ / "editor", "#!/bin/sh\n");
  fs::permissions(home_ / "editor", fs::perms::owner_all);
  window_->EditTable();
  EXPECT_EQ(dialogs_.started_programs,
            (std::vector<std::vector<std::string>>{
                {(home_ / "editor").string(), (home_ / "Tables/Places/Plain.tab").string()}}));
}

TEST_F(MainWindowTest, CheckTableShowsTheReportOfTheSelectedTable) {
  WriteTable("Places", "Broken", ":Start\n1,A {Frobnicate~x}.\n");
  WriteTable("People", "Unchosen", ":Start\n1,A {Zorblax~x}.\n");
  Open().SelectTableByName("Broken");
  window_->CheckTable();
  EXPECT_THAT(ViewText(), HasSubstr("Frobnicate"));
  EXPECT_THAT(ViewText(), Not(HasSubstr("Zorblax")));
}

TEST_F(MainWindowTest, TheAddOnPageIsShownOrItsFailureReported) {
  Open().ShowAddOns();  // no AddOns.cfg: nothing is shown, nothing is said
  EXPECT_THAT(ViewText(), HasSubstr("Welcome to the title page"));
  WriteFile(home_ / "AddOns.cfg", "");
  window_->ShowAddOns();
  EXPECT_THAT(ViewText(), HasSubstr("Installed Fablewick Add-Ons"));
  WriteFile(home_ / "AddOns.cfg", "Lost,NoSuchAddOn\r\n");
  window_->ShowAddOns();
  ASSERT_EQ(dialogs_.boxes.size(), 1u);  // the only box of the three
  EXPECT_EQ(dialogs_.boxes[0].title, "Error in AddOns display");
  EXPECT_THAT(ViewText(), HasSubstr("Installed Fablewick Add-Ons"));
}

}  // namespace
}  // namespace fablewick
