// The archive panel driven through its real tree and buttons: building the tree, clicking nodes,
// adding results, new folders and deleting, with the boxes answered by a scripted host.
#include <stdlib.h>
#include <unistd.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/scripted_host.h"
#include "ui/archive_panel.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
constexpr ShownBox::Kind kMessage = ShownBox::kMessage, kInput = ShownBox::kInput;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::StartsWith;

// A program folder with results documents of two types and an archive laid out by each test,
// and a panel over it whose boxes a scripted host answers.
class ArchivePanelTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "fw_archive_panel_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    home_ = pattern;
    WriteFile(home_ / "Temp.html", "<html>results</html>\r\n");
    WriteFile(home_ / "Temp.txt", "results\r\n");
    fs::create_directory(home_ / "Archives");
    panel_ = std::make_unique<ArchivePanel>(home_, host_);
    panel_->SetOutputTypeSource([this] { return output_type_; });
  }
  void TearDown() override {
    panel_.reset();
    std::error_code ignored;
    fs::remove_all(home_, ignored);
  }

  QTreeWidgetItem* Node(const std::string& key) {
    QTreeWidgetItem* node = panel_->FindNode(key);
    EXPECT_NE(node, nullptr) << key;
    return node;
  }
  // Clicks a node the way the tree reports a mouse click.
  void Click(const std::string& key) { emit panel_->TreeView1()->itemClicked(Node(key), 0); }
  std::vector<std::string> ChildTexts(const std::string& key) {
    std::vector<std::string> texts;
    QTreeWidgetItem* node = Node(key);
    for (int i = 0; node != nullptr && i < node->childCount(); ++i) {
      texts.push_back(node->child(i)->text(0).toStdString());
    }
    return texts;
  }
  std::vector<bool> Buttons() {
    return {panel_->cmdAdd()->isEnabled(), panel_->cmdNewDir()->isEnabled(),
            panel_->cmdDelete()->isEnabled()};
  }
  // Clicks `key`, then Add or New answering the name box with `name`, or Delete. Each command
  // starts with no boxes recorded.
  void AddResults(const std::string& key, const std::optional<std::string>& name) {
    Command(key, panel_->cmdAdd(), name);
  }
  void NewFolder(const std::string& key, const std::optional<std::string>& name) {
    Command(key, panel_->cmdNewDir(), name);
  }
  void Delete(const std::string& key) { Command(key, panel_->cmdDelete(), std::nullopt); }
  void Command(const std::string& key, QPushButton* button, std::optional<std::string> name) {
    host_.ClearRecords();
    Click(key);
    if (button != panel_->cmdDelete()) host_.input_answers.push_back(name);
    button->click();
  }
  std::vector<ShownBox> Messages() { return host_.BoxesOfKind(ShownBox::kMessage); }
  // The only box of `kind` shown since the command began: its title and text, and for an input
  // box its pre-filled answer, one line apart; empty unless there is exactly one.
  std::string Only(ShownBox::Kind kind) {
    const std::vector<ShownBox> shown = host_.BoxesOfKind(kind);
    EXPECT_EQ(shown.size(), 1u);
    if (shown.size() != 1) return "";
    const ShownBox& box = shown[0];
    return box.title + "\n" + box.text + (kind == kInput ? "\n" + box.default_answer : "");
  }
  std::string OnlyMessage() { return Only(kMessage); }

  fs::path home_;
  ScriptedHost host_;
  int output_type_ = 0;
  std::unique_ptr<ArchivePanel> panel_;
};

TEST_F(ArchivePanelTest, FillShowsTheWholeArchiveWithTheRootExpandedAndNothingSelected) {
  for (const char* file : {"b.html", "Apple/deep/x.txt", "Caves.xml"}) {
    WriteFile(home_ / "Archives" / file, "");
  }
  panel_->Fill();
  ASSERT_EQ(panel_->TreeView1()->topLevelItemCount(), 1);
  EXPECT_EQ(Node("Archives")->text(0), "Archives");
  EXPECT_TRUE(Node("Archives")->isExpanded());
  EXPECT_EQ(ArchivePanel::NodeImage(Node("Archives")), "OpenFolder");
  EXPECT_THAT(ChildTexts("Archives"), ElementsAre("Apple", "b.html", "Caves.xml"));
  EXPECT_EQ(ArchivePanel::NodeImage(Node("Archives/Apple")), "ClosedFolder");
  EXPECT_EQ(ArchivePanel::NodeImage(Node("Archives/b.html")), "Document");
  EXPECT_THAT(ChildTexts("Archives/Apple/deep"), ElementsAre("x.txt"));
  EXPECT_THAT(Buttons(), ElementsAre(false, false, false));
}

TEST_F(ArchivePanelTest, AMissingArchivesFolderIsCreatedAndOneThatCannotBeLeavesTheRootAlone) {
  fs::remove(home_ / "Archives");
  panel_->Fill();
  EXPECT_TRUE(fs::is_directory(home_ / "Archives"));
  EXPECT_THAT(host_.boxes, IsEmpty());

  fs::remove(home_ / "Archives");
  WriteFile(home_ / "Archives", "a file in the way");
  panel_->Fill();
  EXPECT_THAT(OnlyMessage(), StartsWith("Error in Fill\nError: "));
  EXPECT_EQ(Node("Archives")->childCount(), 0);
}

TEST_F(ArchivePanelTest, ClickingADocumentShowsItAndAllowsOnlyDeletingWhileAFolderTakesAdditions) {
  WriteFile(home_ / "Archives" / "Inns" / "Inn.html", "");
  panel_->Fill();
  QSignalSpy chosen(panel_.get(), &ArchivePanel::documentChosen);
  Click("Archives/Inns/Inn.html");
  ASSERT_EQ(chosen.count(), 1);
  EXPECT_EQ(chosen[0][0].toString().toStdString(),
            (fs::absolute(home_) / "Archives/Inns/Inn.html").string());
  EXPECT_THAT(Buttons(), ElementsAre(false, false, true));
  Click("Archives/Inns");
  EXPECT_THAT(Buttons(), ElementsAre(true, true, true));
  Click("Archives");
  EXPECT_THAT(Buttons(), ElementsAre(true, true, false));
  EXPECT_EQ(chosen.count(), 1);
  // The root cannot be deleted, even when Delete is reached without its button.
  host_.yes_no_answers = {true};
  panel_->cmdDelete_Click();
  EXPECT_THAT(host_.boxes, IsEmpty());
  EXPECT_TRUE(fs::exists(home_ / "Archives" / "Inns" / "Inn.html"));

  // Moving to a node with the keyboard counts as a click on it.
  panel_->TreeView1()->setCurrentItem(Node("Archives/Inns/Inn.html"));
  EXPECT_EQ(chosen.count(), 2);
  EXPECT_THAT(Buttons(), ElementsAre(false, false, true));
}

TEST_F(ArchivePanelTest, AddingResultsCopiesTheDocumentUnlessTheNameIsTakenOrTheCopyFails) {
  WriteFile(home_ / "Archives" / "Zoo.html", "");
  panel_->Fill();
  AddResults("Archives", "Inn");
  EXPECT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(Only(kInput), "Add Results to Archive\nEnter file name:\n[Fablewick Results]");
  EXPECT_EQ(ReadFile(home_ / "Archives" / "Inn.html"), "<html>results</html>\r\n");
  EXPECT_THAT(ChildTexts("Archives"), ElementsAre("Inn.html", "Zoo.html"));
  EXPECT_EQ(ArchivePanel::NodeImage(Node("Archives/Inn.html")), "Document");

  const std::string taken =
      "File Already Exists\nA file with that name already exists at that level. Please use a "
      "different name.";
  WriteFile(home_ / "Temp.html", "newer");
  AddResults("Archives", "Inn");
  EXPECT_EQ(OnlyMessage(), taken);
  EXPECT_EQ(ReadFile(home_ / "Archives" / "Inn.html"), "<html>results</html>\r\n");

  output_type_ = 1;  // the name is free for another type of document
  AddResults("Archives", "Inn");
  EXPECT_THAT(Messages(), IsEmpty());
  EXPECT_THAT(ChildTexts("Archives"), ElementsAre("Inn.html", "Inn.txt", "Zoo.html"));
  EXPECT_EQ(ReadFile(home_ / "Archives" / "Inn.txt"), "results\r\n");

  // A file put there since the tree was built is not overwritten either.
  WriteFile(home_ / "Archives" / "Own.txt", "the user's own");
  AddResults("Archives", "Own");
  EXPECT_EQ(OnlyMessage(), taken);
  EXPECT_EQ(ReadFile(home_ / "Archives" / "Own.txt"), "the user's own");

  fs::remove(home_ / "Temp.txt");
  AddResults("Archives", "Lost");
  EXPECT_THAT(OnlyMessage(), StartsWith("Error in cmdAdd_Click\nError: "));
  EXPECT_THAT(Messages()[0].text, HasSubstr("Temp.txt"));
  EXPECT_THAT(ChildTexts("Archives"), ElementsAre("Inn.html", "Inn.txt", "Zoo.html"));
}

TEST_F(ArchivePanelTest,
       NamesThatLeaveTheirFolderAreRefusedAndEmptyNamesIgnoredWithoutTouchingTheDisk) {
  fs::create_directory(home_ / "Archives" / "Sub");
  panel_->Fill();
  for (const std::string name : {"../x", "a/b", "..", "a\\b"}) {
    AddResults("Archives/Sub", name);
    EXPECT_THAT(OnlyMessage(), StartsWith("Add Results to Archive\n")) << name;
    NewFolder("Archives/Sub", name);
    EXPECT_THAT(OnlyMessage(), StartsWith("Create New Folder\n")) << name;
  }
  // Cancelling or an empty answer ends the command without a word.
  for (const std::optional<std::string>& answer : {std::optional<std::string>(""), {}}) {
    AddResults("Archives/Sub", answer);
    EXPECT_THAT(Messages(), IsEmpty());
    NewFolder("Archives/Sub", answer);
    EXPECT_THAT(Messages(), IsEmpty());
  }
  EXPECT_THAT(ChildTexts("Archives/Sub"), IsEmpty());
  EXPECT_TRUE(fs::is_empty(home_ / "Archives" / "Sub"));
  EXPECT_THAT(ChildTexts("Archives"), ElementsAre("Sub"));
  EXPECT_FALSE(fs::exists(home_ / "Archives" / "x.html"));
}

TEST_F(ArchivePanelTest, NewFolderIsCreatedUnlessAFolderHasThatNameOrTheSystemRefuses) {
  WriteFile(home_ / "Archives" / "Inn.html", "");
  panel_->Fill();
  NewFolder("Archives", "Inn");
  EXPECT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(Only(kInput), "Create New Folder\nEnter new folder name:\nNew Folder");
  EXPECT_TRUE(fs::is_directory(home_ / "Archives" / "Inn"));
  EXPECT_EQ(ArchivePanel::NodeImage(Node("Archives/Inn")), "ClosedFolder");

  Click("Archives/Inn");
  panel_->cmdNewDir()->click();  // the scripted host takes the pre-filled "New Folder"
  EXPECT_TRUE(fs::is_directory(home_ / "Archives" / "Inn" / "New Folder"));
  EXPECT_THAT(ChildTexts("Archives/Inn"), ElementsAre("New Folder"));

  NewFolder("Archives", "Inn");
  EXPECT_EQ(OnlyMessage(),
            "Folder Already Exists\nA folder with that name already exists at that level. Please "
            "use a different name.");
  EXPECT_THAT(ChildTexts("Archives"), ElementsAre("Inn", "Inn.html"));

  // A document without extension takes the name on disk: the system refuses, the tree stays.
  WriteFile(home_ / "Archives" / "Inn" / "Notes", "");
  NewFolder("Archives/Inn", "Notes");
  EXPECT_THAT(OnlyMessage(), StartsWith("Error in cmdNewDir_Click\nError: "));
  EXPECT_THAT(ChildTexts("Archives/Inn"), ElementsAre("New Folder"));
}

TEST_F(ArchivePanelTest, DeletingADocumentAnEmptyFolderOrAnItemGoneFromTheDiskAsksNothing) {
  for (const char* file : {"Inn.html", "Inn.txt", "Gone/Old.html"}) {
    WriteFile(home_ / "Archives" / file, "");
  }
  fs::create_directory(home_ / "Archives" / "Empty");
  panel_->Fill();
  Delete("Archives/Inn.html");
  EXPECT_FALSE(fs::exists(home_ / "Archives" / "Inn.html"));
  EXPECT_THAT(Buttons(), ElementsAre(false, false, false));
  EXPECT_TRUE(panel_->TreeView1()->selectedItems().isEmpty());
  Delete("Archives/Empty");
  EXPECT_FALSE(fs::exists(home_ / "Archives" / "Empty"));
  fs::remove_all(home_ / "Archives" / "Gone");
  host_.yes_no_answers = {true};
  Delete("Archives/Gone/Old.html");
  EXPECT_THAT(host_.boxes, IsEmpty());
  Delete("Archives/Gone");
  EXPECT_THAT(host_.boxes, IsEmpty());
  EXPECT_THAT(ChildTexts("Archives"), ElementsAre("Inn.txt"));
}

TEST_F(ArchivePanelTest, AFolderWithContentsIsDeletedOnlyAfterYes) {
  WriteFile(home_ / "Archives" / "Inns" / "Inn.html", "");
  panel_->Fill();
  host_.yes_no_answers = {false};
  Delete("Archives/Inns");
  EXPECT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(Only(ShownBox::kYesNo), "Selected Folder Not Empty\nAre you sure?");
  EXPECT_TRUE(fs::exists(home_ / "Archives" / "Inns" / "Inn.html"));
  EXPECT_THAT(ChildTexts("Archives/Inns"), ElementsAre("Inn.html"));

  host_.yes_no_answers = {true};
  Delete("Archives/Inns");
  EXPECT_FALSE(fs::exists(home_ / "Archives" / "Inns"));
  EXPECT_EQ(panel_->FindNode("Archives/Inns"), nullptr);
  EXPECT_THAT(Buttons(), ElementsAre(false, false, false));

  // A folder that looked empty when the tree was built is asked about when it no longer is.
  fs::create_directory(home_ / "Archives" / "Later");
  panel_->Fill();
  WriteFile(home_ / "Archives" / "Later" / "x.html", "");
  Delete("Archives/Later");
  EXPECT_EQ(Only(ShownBox::kYesNo), "Selected Folder Not Empty\nAre you sure?");
  EXPECT_TRUE(fs::exists(home_ / "Archives" / "Later" / "x.html"));
}

TEST_F(ArchivePanelTest, AFailedDeletionIsReportedAndTheTreeShowsWhatIsLeft) {
  if (geteuid() == 0) GTEST_SKIP() << "the superuser may delete from read-only folders";
  WriteFile(home_ / "Archives" / "Locked" / "Inn.html", "");
  panel_->Fill();
  // The folder's contents can go, the folder itself cannot: its parent is read-only.
  fs::permissions(home_ / "Archives", fs::perms::owner_read | fs::perms::owner_exec,
                  fs::perm_options::replace);
  host_.yes_no_answers = {true};
  Delete("Archives/Locked");
  fs::permissions(home_ / "Archives", fs::perms::owner_all, fs::perm_options::replace);
  EXPECT_THAT(OnlyMessage(), StartsWith("Error in cmdDelete_Click\nError: "));
  EXPECT_NE(panel_->FindNode("Archives/Locked"), nullptr);
  EXPECT_THAT(ChildTexts("Archives/Locked"), IsEmpty());
}

}  // namespace
}  // namespace fablewick
