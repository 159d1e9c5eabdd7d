// The main window driven through its real widgets on the offscreen platform: choosing and
// rolling tables, the start-up roll, links and notes, settings kept across starts, layout.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/links.h"
#include "tests/support/files.h"
#include "tests/support/scripted_host.h"
#include "ui/archive_panel.h"
#include "ui/frm_main.h"
#include "ui/results_view.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// A program folder of its own for every test, with a few small tables.
class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    home_ = fs::temp_directory_path() /
            ("fablewick-window-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(home_);
    WriteFile(home_ / "Title.html", "<html><body><h1>Welcome to the title page</h1></body></html>");
    WriteFile(home_ / "link.css", "a.clsLink { color: #804000; }\n");
    WriteTable("Places", "Door",
               ":Start\n1,The door is [LX~Colour] and the knob is [LX~Colour] today.\n"
               ":Colour\n" +
                   Colours());
    WriteTable("Places", "Plain", ":Start\n1,Only words here.\n");
    WriteTable("People", "Diary", ":Start\n1,Dear diary: {Note~nothing yet} ends.\n");
    WriteTable("~Lib", "Hidden", ":Start\n1,Hidden words.\n");
  }
  ~MainWindowTest() override {
    window_.reset();
    fs::remove_all(home_);
  }

  static std::string Colours() {
    std::string text;
    const char* names[] = {"red",    "blue", "green", "amber", "violet", "black", "white",
                           "silver", "gold", "rust",  "teal",  "ochre",  "grey",  "pink"};
    int roll = 1;
    for (const char* name : names) text += std::to_string(roll++) + "," + name + "\n";
    return text;
  }

  void WriteTable(const std::string& category, const std::string& name, const std::string& text) {
    WriteFile(home_ / "Tables" / category / (name + ".tab"), text);
  }

  frmMain& Open(const std::string& command_line = "") {
    window_.reset();
    MainWindowOptions options;
    options.program_folder = home_;
    options.command_line = command_line;
    options.dialogs = &dialogs_;
    window_ = std::make_unique<frmMain>(options);
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    window_->Start();
    return *window_;
  }

  template <typename T>
  T* Child(const char* name) {
    T* child = window_->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  QString ViewText() { return window_->view().toPlainText(); }

  // Clicks the link whose text is the `occurrence`th (from 0) match of `text` in the view.
  void ClickLinkText(const QString& text, int occurrence = 0) {
    ResultsView& view = window_->view();
    QTextCursor cursor;
    for (int i = 0; i <= occurrence; ++i) {
      cursor = view.document()->find(text, cursor, QTextDocument::FindCaseSensitively);
      ASSERT_FALSE(cursor.isNull()) << text.toStdString();
    }
    QTextCursor middle(view.document());
    middle.setPosition((cursor.selectionStart() + cursor.selectionEnd()) / 2);
    view.ensureCursorVisible();
    view.setTextCursor(middle);
    const QRect rect = view.cursorRect(middle);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rect.center());
  }

  fs::path home_;
  ScriptedHost dialogs_;
  std::unique_ptr<frmMain> window_;
};

TEST_F(MainWindowTest, StartsOnTheTitlePageWithVisibleCategoriesOnly) {
  Open();
  EXPECT_THAT(ViewText().toStdString(), HasSubstr("Welcome to the title page"));
  auto* categories = Child<QComboBox>("cmbCategories");
  QStringList names;
  for (int i = 0; i < categories->count(); ++i) names << categories->itemText(i);
  EXPECT_EQ(names, QStringList({"People", "Places"}));
  EXPECT_EQ(categories->currentIndex(), -1);
}

TEST_F(MainWindowTest, ChoosingATableRollsItAndShowsTheResultsDocument) {
  Open();
  Child<QLineEdit>("txtNumRolls")->setText("2");
  auto* categories = Child<QComboBox>("cmbCategories");
  categories->setCurrentIndex(categories->findText("Places"));
  auto* tables = Child<QListWidget>("lstTables");
  ASSERT_EQ(tables->count(), 2);
  tables->setCurrentRow(tables->row(tables->findItems("Plain", Qt::MatchExactly).front()));

  EXPECT_EQ(window_->results(), (std::vector<std::string>{"Only words here.", "Only words here."}));
  EXPECT_EQ(ViewText().count("Only words here."), 2);
  const std::string document = ReadFile(home_ / "Temp.html");
  EXPECT_THAT(document, HasSubstr("<TITLE>Plain</TITLE>\r\n"));
  EXPECT_THAT(document, HasSubstr("Only words here.<BR>\r\n<BR>\r\n"));
  EXPECT_EQ(Child<QLabel>("StatusPanel0")->text(), "Done");
}

TEST_F(MainWindowTest, TextOutputIsShownAsPlainText) {
  WriteFile(home_ / "Fablewick.cfg", "FWCFG2.0\r\nOutputType=1\r\n");
  WriteTable("Places", "Markup", ":Start\n1,<b>bold</b> words\n");
  Open();
  window_->SelectTableByName("Markup");
  EXPECT_THAT(ViewText().toStdString(), HasSubstr("<b>bold</b> words"));
  EXPECT_TRUE(fs::exists(home_ / "Temp.txt"));
}

TEST_F(MainWindowTest, StartupRollMakesTheRollsAndSelectsTheTableWithoutRollingAgain) {
  Open("[Plain]:2.5");
  EXPECT_EQ(window_->results().size(), 2u);
  EXPECT_EQ(Child<QLineEdit>("txtNumRolls")->text(), "2.5");
  EXPECT_EQ(Child<QComboBox>("cmbCategories")->currentText(), "Places");
  ASSERT_NE(Child<QListWidget>("lstTables")->currentItem(), nullptr);
  EXPECT_EQ(Child<QListWidget>("lstTables")->currentItem()->text(), "Plain");
  EXPECT_EQ(ViewText().count("Only words here."), 2);

  Open("[Plain]:0");
  EXPECT_TRUE(window_->results().empty());
  EXPECT_THAT(ReadFile(home_ / "Temp.html"), HasSubstr("\r\n</BODY>\r\n</HTML>\r\n"));

  // A call of a group rolls that group; a table of a hidden category is reachable from here.
  Open("[Door.Colour]:3");
  ASSERT_EQ(window_->results().size(), 3u);
  for (const std::string& result : window_->results()) {
    EXPECT_THAT(Colours(), HasSubstr("," + result + "\n"));
  }
  Open("[Hidden]");
  EXPECT_EQ(window_->results(), std::vector<std::string>{"Hidden words."});
  EXPECT_EQ(Child<QComboBox>("cmbCategories")->currentIndex(), -1);
}

TEST_F(MainWindowTest, ClickingAReRollLinkChangesOnlyThatPart) {
  Open("[Door]");
  ASSERT_EQ(window_->results().size(), 1u);
  const std::regex links(
      R"re(<a name="fwroll(\d+)" CLASS=clsLink href="reg\d+://Door\.Colour">(\w+)</a>)re");
  auto parts = [&] {
    std::smatch first;
    const std::string& result = window_->results()[0];
    EXPECT_TRUE(std::regex_search(result, first, links)) << result;
    const std::string after = first.suffix();
    std::smatch second;
    EXPECT_TRUE(std::regex_search(after, second, links)) << result;
    return std::vector<std::string>{first[2], second[2], first.prefix(), second.prefix(),
                                    second.suffix()};
  };
  const std::vector<std::string> before = parts();
  bool changed = false;
  for (int attempt = 0; attempt < 12 && !changed; ++attempt) {
    ClickLinkText(QString::fromStdString(parts()[0]));
    const std::vector<std::string> now = parts();
    EXPECT_EQ(now[1], before[1]) << "the other link changed";
    EXPECT_EQ(now[2], before[2]);
    EXPECT_EQ(now[4], before[4]);
    changed = now[0] != before[0];
  }
  EXPECT_TRUE(changed) << "twelve re-rolls of a fourteen-way group never changed it";
  EXPECT_THAT(ViewText().toStdString(), HasSubstr(parts()[0]));
  EXPECT_EQ(ReadFile(home_ / "Temp.html")
                    .find("fwroll0\" CLASS=clsLink href=\"reg0://Door.Colour\">" + parts()[0]) !=
                std::string::npos,
            true);
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(MainWindowTest, EditingANoteRewritesItAndCancellingLeavesTheDocumentAlone) {
  Open("[Diary]");
  const std::string document = ReadFile(home_ / "Temp.html");

  // Cancel: nothing changes, not even the file.
  QTimer::singleShot(0, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QPushButton*>("cmdCancel")->click();
  });
  ClickLinkText("nothing yet");
  EXPECT_EQ(ReadFile(home_ / "Temp.html"), document);

  QTimer::singleShot(0, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    auto* text = dialog->findChild<QLineEdit*>("txtNote");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->selectedText(), "nothing yet");
    text->setText("met the baker");
    dialog->findChild<QPushButton*>("cmdOK")->click();
  });
  ClickLinkText("nothing yet");
  ASSERT_EQ(window_->results().size(), 1u);
  EXPECT_EQ(window_->results()[0],
            "Dear diary: <a name=\"fwroll0\" CLASS=clsLink style=\"color:green\" "
            "href=\"nte0://\">met the baker</a> ends.");
  EXPECT_THAT(ViewText().toStdString(), HasSubstr("met the baker"));
}

TEST_F(MainWindowTest, SettingsAreWrittenOnCloseAndReadAtTheNextStart) {
  Open();
  window_->SelectTableByName("Plain");
  Child<QPushButton>("cmdAddHyper")->click();
  Child<QPushButton>("cmdAddHyper")->click();
  Child<QLineEdit>("txtNumRolls")->setText("4");
  window_->resize(700, 520);
  window_->close();
  const std::string config = ReadFile(home_ / "Fablewick.cfg");
  EXPECT_EQ(config.rfind("FWCFG2.0\r\n\r\nOutputType=0\r\n", 0), 0u) << config;
  EXPECT_THAT(config, HasSubstr("NumRolls=4\r\n"));
  EXPECT_THAT(config, HasSubstr("HList=Plain\r\nHList=Plain\r\n"));
  EXPECT_THAT(config, HasSubstr("Maximized=False\r\n"));

  frmMain& again = Open();
  EXPECT_EQ(Child<QLineEdit>("txtNumRolls")->text(), "4");
  EXPECT_EQ(Child<QListWidget>("lstHyperlist")->count(), 2);
  EXPECT_EQ(again.size(), QSize(700, 520));

  // A click on a favourite selects and rolls its table.
  Child<QListWidget>("lstHyperlist")->setCurrentRow(0);
  QTest::mouseClick(Child<QListWidget>("lstHyperlist")->viewport(), Qt::LeftButton, {},
                    Child<QListWidget>("lstHyperlist")
                        ->visualItemRect(Child<QListWidget>("lstHyperlist")->item(0))
                        .center());
  EXPECT_EQ(again.results().size(), 4u);
}

TEST_F(MainWindowTest, ExitLeavesWithoutWritingTheSettings) {
  Open();
  Child<QLineEdit>("txtNumRolls")->setText("9");
  window_->ExitWithoutSaving();
  EXPECT_FALSE(fs::exists(home_ / "Fablewick.cfg"));
}

TEST_F(MainWindowTest, TheWindowKeepsItsMinimumSize) {
  Open();
  window_->resize(200, 150);
  EXPECT_GE(window_->width(), 500);
  EXPECT_GE(window_->height(), 400);
}

// A host whose message box runs a step of the test while the generation waits for the answer.
class HookedHost : public ScriptedHost {
 public:
  std::function<void()> on_message;
  void MessageBox(const std::string& title, const std::string& text) override {
    ScriptedHost::MessageBox(title, text);
    if (on_message) on_message();
  }
};

TEST_F(MainWindowTest, ARollDuringAGenerationIsRefusedAndStopEndsTheGeneration) {
  WriteTable("Places", "Chatty", ":Start\n1,{Msg~Hello}{Loop~200000,x}\n");
  HookedHost host;
  MainWindowOptions options;
  options.program_folder = home_;
  options.dialogs = &host;
  window_ = std::make_unique<frmMain>(options);
  window_->show();
  window_->Start();
  Child<QLineEdit>("txtNumRolls")->setText("50");
  int refused_rolls = 0;
  host.on_message = [&] {
    EXPECT_TRUE(window_->generating());
    const auto before = host.boxes.size();
    window_->cmdRoll_Click();  // refused: no second generation starts inside the first
    refused_rolls += host.boxes.size() == before;
    window_->Stop();
  };
  window_->SelectTableByName("Chatty");
  EXPECT_FALSE(window_->generating());
  EXPECT_EQ(host.BoxesOfKind(ShownBox::kMessage).size(), 1u);
  EXPECT_EQ(refused_rolls, 1);
  ASSERT_EQ(window_->results().size(), 50u);
  EXPECT_EQ(window_->results()[1], "");
}

// The bundled roadside inn, a thousand times: every result reaches the view. The time taken is
// recorded in the test's output (--gtest_output) for the documentation, not asserted.
TEST_F(MainWindowTest, AThousandResultsOfASampleTableAreRolledAndShown) {
  const fs::path share = fs::path(FABLEWICK_TEST_DATA_DIR) / ".." / ".." / "share";
  fs::copy(share / "Tables", home_ / "Tables", fs::copy_options::recursive);
  fs::copy(share / "Data", home_ / "Data", fs::copy_options::recursive);
  Open();
  Child<QLineEdit>("txtNumRolls")->setText("1000");
  const auto start = std::chrono::steady_clock::now();
  window_->SelectTableByName("Random Inn");
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RecordProperty("seconds", std::to_string(seconds));
  ASSERT_EQ(window_->results().size(), 1000u);
  EXPECT_EQ(ViewText().count("Keeper:"), 1000);
  EXPECT_TRUE(dialogs_.boxes.empty());
}

// A window whose save dialog answers with a fixed file.
class ExportingWindow : public frmMain {
 public:
  using frmMain::frmMain;
  std::optional<fs::path> target;
  QString asked_title;

 protected:
  std::optional<fs::path> ChooseExportFile(const QString& title, const QString&,
                                           const QString&) override {
    asked_title = title;
    return target;
  }
};

TEST_F(MainWindowTest, ExportCopiesTheResultsDocumentWithOrWithoutItsLinks) {
  for (const bool remove_links : {false, true}) {
    WriteFile(home_ / "Fablewick.cfg",
              std::string("FWCFG2.0\r\nRemLinks=") + (remove_links ? "True" : "False") + "\r\n");
    MainWindowOptions options;
    options.program_folder = home_;
    options.dialogs = &dialogs_;
    window_.reset();
    auto window = std::make_unique<ExportingWindow>(options);
    ExportingWindow& exporting = *window;
    window_ = std::move(window);
    window_->show();
    window_->Start();
    window_->SelectTableByName("Door");
    exporting.target = home_ / "out" / "door.html";
    fs::create_directories(home_ / "out");
    window_->ExportResults();
    EXPECT_EQ(exporting.asked_title, "Export Results to HTML");

    std::istringstream document(ReadFile(home_ / "Temp.html"));
    std::istringstream exported(ReadFile(*exporting.target));
    std::string expected_line, line;
    std::getline(exported, line);
    EXPECT_THAT(line, HasSubstr("<!--"));
    int lines = 0;
    while (std::getline(document, expected_line)) {
      ASSERT_TRUE(std::getline(exported, line)) << "the export ends early";
      EXPECT_EQ(line, remove_links ? StripProgramLinks(expected_line) : expected_line);
      ++lines;
    }
    EXPECT_FALSE(std::getline(exported, line));
    EXPECT_EQ(lines, 10);
    EXPECT_EQ(ReadFile(*exporting.target).find("fwroll") == std::string::npos, remove_links);
  }
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(MainWindowTest, ExportWithoutATableSelectedExplainsWhy) {
  Open();
  window_->ExportResults();
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].title, "Export Not Available");
  EXPECT_EQ(dialogs_.boxes[0].text, "You must have results before you can export them.");
}

TEST_F(MainWindowTest, ReRollsActOnTheArchivedDocumentThatIsShown) {
  Open("[Door]");
  auto* flip = Child<QPushButton>("cmdFlip");
  flip->click();
  EXPECT_EQ(flip->text(), "Generate");
  auto* archives = Child<ArchivePanel>("picArchives");
  EXPECT_TRUE(archives->isVisible());
  EXPECT_FALSE(Child<QListWidget>("lstTables")->isVisible());

  archives->TreeView1_NodeClick(archives->FindNode("Archives"));
  dialogs_.input_answers.push_back("Front door");
  archives->cmdAdd()->click();
  const fs::path archived = home_ / "Archives" / "Front door.html";
  ASSERT_TRUE(fs::exists(archived));
  const std::string temp = ReadFile(home_ / "Temp.html");

  archives->TreeView1_NodeClick(archives->FindNode("Archives/Front door.html"));
  EXPECT_EQ(window_->view().CurrentPath(), archived.string());
  for (int click = 0; click < 12 && ReadFile(archived) == temp; ++click) {
    const std::regex link(R"re(href="reg0://Door\.Colour">(\w+)</a>)re");
    std::smatch match;
    const std::string text = ReadFile(archived);
    ASSERT_TRUE(std::regex_search(text, match, link));
    ClickLinkText(QString::fromStdString(match[1]));
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
  Open();
  window_->SelectTableByName("Sized");
  auto* panel = Child<QWidget>("picParameters");
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(window_->results(), std::vector<std::string>{"It is Medium."});
  auto* values = Child<QListWidget>("lstValues");
  ASSERT_EQ(values->count(), 1);
  EXPECT_EQ(values->item(0)->text(), "Medium");
  const int results_height = Child<QWidget>("picResults")->height();
  Child<QPushButton>("cmdHideParam")->click();  // Show: the lists unfold
  EXPECT_LT(Child<QWidget>("picResults")->height(), results_height);

  QTimer::singleShot(0, [] {
    QWidget* wizard = QApplication::activeModalWidget();
    ASSERT_NE(wizard, nullptr);
    wizard->findChild<QListWidget*>("lstParamList")->setCurrentRow(2);
    wizard->findChild<QPushButton*>("cmdFinish")->click();
  });
  Child<QPushButton>("cmdChangeParam")->click();
  EXPECT_EQ(values->item(0)->text(), "Large");
  Child<QPushButton>("cmdRoll")->click();
  EXPECT_EQ(window_->results(), std::vector<std::string>{"It is Large."});

  window_->SelectTableByName("Plain");
  EXPECT_FALSE(panel->isVisible());
}

TEST_F(MainWindowTest, EditTableWithoutAWorkingEditorSaysSo) {
  Open();
  window_->SelectTableByName("Plain");
  window_->EditTable();
  window_->settings().szEditorPath = (home_ / "no-such-editor").string();
  window_->EditTable();
  ASSERT_EQ(dialogs_.boxes.size(), 2u);
  for (const ShownBox& box : dialogs_.boxes) {
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.text, "Error finding editor.");
  }

  WriteFile(home_ / "editor", "#!/bin/sh\n");
  fs::permissions(home_ / "editor", fs::perms::owner_all);
  window_->settings().szEditorPath = (home_ / "editor").string();
  window_->EditTable();
  ASSERT_EQ(dialogs_.started_programs.size(), 1u);
  EXPECT_EQ(dialogs_.started_programs[0],
            (std::vector<std::string>{(home_ / "editor").string(),
                                      (home_ / "Tables" / "Places" / "Plain.tab").string()}));
}

TEST_F(MainWindowTest, CheckTableShowsTheReportOfTheSelectedTable) {
  WriteTable("Places", "Broken", ":Start\n1,A {Frobnicate~x} and [Nowhere].\n");
  Open();
  window_->SelectTableByName("Broken");
  window_->CheckTable();
  const std::string report = ViewText().toStdString();
  EXPECT_THAT(report, HasSubstr("Frobnicate"));
  EXPECT_THAT(report, HasSubstr("Nowhere"));
  EXPECT_THAT(report, Not(HasSubstr("Door")));
}

TEST_F(MainWindowTest, TheAddOnPageIsShownOrItsFailureReported) {
  Open();
  window_->ShowAddOns();  // no AddOns.cfg: nothing is shown, nothing is said
  EXPECT_THAT(ViewText().toStdString(), HasSubstr("Welcome to the title page"));
  EXPECT_TRUE(dialogs_.boxes.empty());

  WriteFile(home_ / "AddOns.cfg", "");
  window_->ShowAddOns();
  EXPECT_THAT(ViewText().toStdString(), HasSubstr("Installed Fablewick Add-Ons"));

  WriteFile(home_ / "AddOns.cfg", "Lost,NoSuchAddOn\r\n");
  window_->ShowAddOns();
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].title, "Error in AddOns display");
  EXPECT_THAT(ViewText().toStdString(), HasSubstr("Installed Fablewick Add-Ons"));
}

}  // namespace
}  // namespace fablewick
