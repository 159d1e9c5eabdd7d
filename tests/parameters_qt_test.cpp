// The parameter panel and the parameter wizard, driven through their real widgets.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/frm_parameters.h"
#include "ui/parameter_panel.h"

namespace fablewick {
namespace {

using Strings = std::vector<std::string>;

const std::vector<TableParameter> kParams = {
    {.DefaultValue = "2",
     .Prompt = "Size?",
     .IsList = true,
     .Options = {"Small", "Medium", "Large"}},
    {.DefaultValue = "Bree", .Prompt = "Name?", .IsList = false, .Options = {}},
    {.DefaultValue = "1", .Prompt = "Keeper?", .IsList = true, .Options = {"Dwarf", "Elf"}},
};

template <typename T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

// Runs `act` on the wizard once it is open; a wizard that `act` leaves open is cancelled, so a
// failing test does not hang. The timer dies with the driver and cannot reach a later test.
class WizardDriver {
 public:
  explicit WizardDriver(std::function<void(frmParameters&)> act) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this, act] {
      auto* wizard = qobject_cast<frmParameters*>(QApplication::activeModalWidget());
      if (wizard == nullptr) return;
      ++opened_;
      act(*wizard);
      if (wizard->isVisible()) wizard->reject();
    });
    timer_.start(0);
  }
  int opened() const { return opened_; }

 private:
  QTimer timer_;
  int opened_ = 0;
};

// A double click as the person makes it: a click, then the second press.
void DoubleClickRow(QListWidget* list, int row) {
  const QPoint at = list->visualItemRect(list->item(row)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

TEST(ParameterWizardTest, PrevAndNextWalkTheStepsWithOneControlPerKindAndKeepTheAnswers) {
  frmParameters wizard(kParams, {"1", "Inn", "0"}, 0);
  wizard.show();
  auto* prev = Child<QPushButton>(&wizard, "cmdPrev");
  auto* next = Child<QPushButton>(&wizard, "cmdNext");
  auto* text = Child<QLineEdit>(&wizard, "txtParamText");
  auto* list = Child<QListWidget>(&wizard, "lstParamList");
  EXPECT_FALSE(prev->isEnabled());
  EXPECT_TRUE(list->isVisible() && list->isEnabled() && !text->isVisible() && !text->isEnabled());
  EXPECT_EQ(list->currentRow(), 1);
  list->setCurrentRow(2);

  next->click();
  EXPECT_EQ(wizard.windowTitle(), "Enter parameter 2 of 3");
  EXPECT_EQ(Child<QLabel>(&wizard, "lblPrompt")->text(), "Name?");
  EXPECT_TRUE(prev->isEnabled() && next->isEnabled());
  EXPECT_TRUE(text->isVisible() && text->isEnabled() && !list->isVisible() && !list->isEnabled());
  EXPECT_EQ(text->selectedText(), "Inn");
  text->setText(QString::fromStdString("Zum Krüge"));

  next->click();
  EXPECT_FALSE(next->isEnabled());
  ASSERT_EQ(list->count(), 2);  // the first step's options are gone
  EXPECT_EQ(list->item(0)->text(), "Dwarf");

  prev->click();
  prev->click();
  EXPECT_FALSE(prev->isEnabled());
  EXPECT_TRUE(next->isEnabled());
  EXPECT_EQ(list->currentRow(), 2);
  EXPECT_EQ(wizard.answers(), (Strings{"2", "Zum Krüge", "0"}));

  frmParameters single({kParams[1]}, {"Aldric"}, 0);  // a single step: nowhere to go
  EXPECT_FALSE(Child<QPushButton>(&single, "cmdNext")->isEnabled());
}

TEST(ParameterWizardTest, AnswerNamingNoOptionSelectsNothingInsteadOfFailing) {
  frmParameters wizard({kParams[0]}, {"1e300"}, 0);
  EXPECT_TRUE(Child<QListWidget>(&wizard, "lstParamList")->selectedItems().isEmpty());
  EXPECT_EQ(frmParameters::OptionRow(kParams[0], "-1"), -1);
  EXPECT_EQ(frmParameters::OptionRow(kParams[0], "3"), -1);
}

class ParameterPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panel.resize(400, 200);
    panel.LoadParameters(kParams, {"2", "Bree", "7"});
    panel.SetFrameHidden(false);
    panel.show();
    QObject::connect(&panel, &ParameterPanel::valuesChanged,
                     [this](const Strings& values) { sent.push_back(values); });
  }

  QListWidget* prompts() { return Child<QListWidget>(&panel, "lstPrompts"); }
  QListWidget* shown() { return Child<QListWidget>(&panel, "lstValues"); }
  QString Row(int i) { return shown()->item(i)->text(); }
  int Option(int i) { return shown()->item(i)->data(Qt::UserRole).toInt(); }

  ParameterPanel panel;
  std::vector<Strings> sent;  // every valuesChanged
};

TEST_F(ParameterPanelTest, ListsOptionTextsAndTextsAndEmptiesForATableWithout) {
  ASSERT_EQ(shown()->count(), 3);
  EXPECT_EQ(prompts()->item(0)->text(), "Size?");
  EXPECT_EQ(Row(0), "Medium");
  EXPECT_EQ(Option(0), 1);
  EXPECT_EQ(Row(1), "Bree");
  EXPECT_EQ(Row(2), "Dwarf");  // a value naming no option shows the first
  EXPECT_TRUE(panel.TableHasParams());

  panel.LoadParameters({}, {});
  EXPECT_EQ(prompts()->count() + shown()->count(), 0);
  EXPECT_FALSE(panel.TableHasParams());
}

TEST_F(ParameterPanelTest, FoldingShrinksToTheTitleRowWhichKeepsTheShowButton) {
  const int label = Child<QLabel>(&panel, "lblParameters")->height();
  auto* toggle = Child<QPushButton>(&panel, "cmdHideParam");
  EXPECT_EQ(toggle->text(), "Hide");
  EXPECT_EQ(panel.PreferredHeight(), label + prompts()->height() + 16);
  EXPECT_GE(toggle->y(), shown()->geometry().bottom());
  EXPECT_LE(toggle->geometry().bottom(), panel.PreferredHeight());

  int relayouts = 0;
  QObject::connect(&panel, &ParameterPanel::layoutChanged, [&relayouts] { ++relayouts; });
  toggle->click();
  EXPECT_EQ(toggle->text(), "Show");
  EXPECT_EQ(relayouts, 1);
  EXPECT_EQ(panel.PreferredHeight(), label + 8);
  EXPECT_TRUE(toggle->isVisible());
  EXPECT_LE(toggle->geometry().bottom(), panel.PreferredHeight());
}

TEST_F(ParameterPanelTest, ListsKeepTheSameSelectedAndTopRow) {
  std::vector<TableParameter> many(30, kParams[1]);
  panel.LoadParameters(many, Strings(30, "v"));
  panel.resize(400, panel.PreferredHeight());
  QTest::mouseClick(shown()->viewport(), Qt::LeftButton, {},
                    shown()->visualItemRect(shown()->item(1)).center());
  EXPECT_EQ(prompts()->currentRow(), 1);

  prompts()->verticalScrollBar()->setValue(7);
  EXPECT_EQ(shown()->verticalScrollBar()->value(), 7);
  shown()->verticalScrollBar()->setValue(12);
  EXPECT_EQ(prompts()->verticalScrollBar()->value(), 12);

  prompts()->setCurrentRow(25);  // far below: both columns scroll to it together
  EXPECT_EQ(shown()->currentRow(), 25);
  EXPECT_EQ(prompts()->verticalScrollBar()->value(), shown()->verticalScrollBar()->value());
  EXPECT_TRUE(shown()->viewport()->rect().intersects(shown()->visualItemRect(shown()->item(25))));
}

TEST_F(ParameterPanelTest, DoubleClickOpensTheWizardAtThatRowAndFinishStoresText) {
  int start = -1;
  WizardDriver driver([&start](frmParameters& wizard) {
    start = wizard.step();
    QTest::keyClicks(Child<QLineEdit>(&wizard, "txtParamText"), "Green Dragon");
    Child<QPushButton>(&wizard, "cmdFinish")->click();
  });
  DoubleClickRow(shown(), 1);
  EXPECT_EQ(start, 1);
  EXPECT_EQ(prompts()->currentRow(), 1);
  EXPECT_EQ(Row(1), "Green Dragon");
  EXPECT_EQ(sent.at(0).at(1), "Green Dragon");
}

TEST_F(ParameterPanelTest, CancelAfterEditingLeavesPanelAndValuesAsBefore) {
  int start = -1;
  WizardDriver driver([&start](frmParameters& wizard) {
    start = wizard.step();  // no row selected: the first parameter
    Child<QListWidget>(&wizard, "lstParamList")->setCurrentRow(0);
    Child<QPushButton>(&wizard, "cmdNext")->click();
    QTest::keyClicks(Child<QLineEdit>(&wizard, "txtParamText"), "changed");
    Child<QPushButton>(&wizard, "cmdCancel")->click();
  });
  Strings values = {"2", "Bree", "1"};
  EXPECT_FALSE(panel.OpenWizard(kParams, values));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(values, (Strings{"2", "Bree", "1"}));
  EXPECT_EQ(Row(0), "Medium");
  EXPECT_EQ(Option(0), 1);
  EXPECT_EQ(Row(1), "Bree");
}

TEST_F(ParameterPanelTest, WhileChangesAreRefusedNeitherButtonNorDoubleClickOpensTheWizard) {
  panel.SetChangeAllowed(false);
  WizardDriver driver([](frmParameters&) {});
  Child<QPushButton>(&panel, "cmdChangeParam")->click();
  DoubleClickRow(prompts(), 0);
  QApplication::processEvents();
  EXPECT_EQ(driver.opened(), 0);
}

}  // namespace
}  // namespace fablewick
