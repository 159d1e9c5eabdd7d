// Table > Odds... on the offscreen platform: opened through the menu with the mouse, the group
// chosen with the keyboard, and the figures shown checked against odds worked out by hand.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/scripted_host.h"
#include "ui/frm_main.h"
#include "ui/odds_chart.h"
#include "ui/odds_view.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// Clicks the Table menu in the menu bar, then its entry `name`, as a person would.
void ClickMenuEntry(QMainWindow& window, const QString& menu_title, const char* name) {
  QMenuBar* bar = window.menuBar();
  QAction* menu_action = nullptr;
  for (QAction* action : bar->actions()) {
    if (action->text() == menu_title) menu_action = action;
  }
  ASSERT_NE(menu_action, nullptr);
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu_action).center());
  QMenu* menu = menu_action->menu();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  QAction* entry = window.findChild<QAction*>(name);
  ASSERT_NE(entry, nullptr);
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
}

QStringList Column(QTreeWidgetItem* parent, int column) {
  QStringList texts;
  for (int i = 0; i < parent->childCount(); ++i) texts << parent->child(i)->text(column);
  return texts;
}

TEST(OddsViewTest, ShowsTheHandComputedOddsOfTheChosenGroupAndSaysWhenItSamples) {
  const fs::path home = fs::temp_directory_path() / ("fablewick-odds-" + std::to_string(getpid()));
  fs::remove_all(home);
  WriteFile(home / "Tables" / "Dice" / "Odds.tab",
            "%x%,0\n;Start\n3,a dragon\n1,a goblin\n;Sum\n1,{3d6}\n;Kept\n1,|x={1d6}|%x%\n");
  {
    ScriptedHost dialogs;
    frmMain window(
        MainWindowOptions{.program_folder = home, .command_line = "", .dialogs = &dialogs});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.Start();
    window.SelectTableByName("Odds");
    ClickMenuEntry(window, "&Table", "mnuOdds");

    auto* view = window.findChild<OddsView*>();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->busy(); }, 20000));
    auto* status = view->findChild<QLabel*>("lblOddsStatus");
    auto* entries = view->findChild<QTreeWidget*>("treOddsEntries");
    auto* results = view->findChild<QTreeWidget*>("treOddsResults");
    auto* numbers = view->findChild<QLabel*>("lblOddsNumbers");
    EXPECT_EQ(status->text(), "Odds of [Odds]: exact");
    ASSERT_EQ(entries->topLevelItemCount(), 1);
    QTreeWidgetItem* start = entries->topLevelItem(0);
    EXPECT_EQ(start->text(0), "\"Start\" of Odds");
    EXPECT_EQ(Column(start, 0), (QStringList{"a dragon", "a goblin"}));
    EXPECT_EQ(Column(start, 1), (QStringList{"3", "4"}));
    EXPECT_EQ(Column(start, 2), (QStringList{"75.00%", "25.00%"}));
    EXPECT_EQ(Column(start, 3), (QStringList{"0.75", "0.25"}));
    ASSERT_EQ(results->topLevelItemCount(), 2);
    EXPECT_EQ(results->topLevelItem(0)->text(1), "a dragon");
    EXPECT_EQ(results->topLevelItem(0)->text(0), "75.00%");
    EXPECT_EQ(numbers->text(), "The results are not all numbers.");

    // 3d6: 216 ways, 27 of them for 10 and for 11, one for 3.
    auto* group = view->findChild<QComboBox*>("cmbOddsGroup");
    group->setFocus();
    QTest::keyClick(group, Qt::Key_Down);
    EXPECT_EQ(group->currentText(), "Sum");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->busy(); }, 20000));
    EXPECT_EQ(status->text(), "Odds of [Odds.Sum]: exact");
    ASSERT_EQ(results->topLevelItemCount(), 16);
    EXPECT_EQ(results->topLevelItem(0)->text(0), "12.50%");
    EXPECT_EQ(results->topLevelItem(0)->text(1), "10");
    EXPECT_EQ(results->topLevelItem(15)->text(0), "0.46%");
    EXPECT_EQ(numbers->text(),
              "Numbers: minimum 3, maximum 18, mean 10.5, standard deviation 2.958, quartiles 8 "
              "/ 10 / 13");
    const auto& bars = view->findChild<OddsChart*>()->bands();
    ASSERT_EQ(bars.size(), 16u);
    EXPECT_EQ(bars.front().label, "3");
    EXPECT_DOUBLE_EQ(bars.front().chance, 1 / 216.0);
    EXPECT_DOUBLE_EQ(bars[7].chance, 27 / 216.0);

    // An assignment makes the roll depend on state: sampled, the construct named, intervals.
    QTest::keyClick(group, Qt::Key_Down);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->busy(); }, 60000));
    EXPECT_THAT(status->text().toStdString(),
                HasSubstr("sampled from 100000 rolls, with 95% intervals, because of the "
                          "assignment |x={1d6}|"));
    EXPECT_THAT(entries->topLevelItem(0)->child(0)->text(2).toStdString(), HasSubstr(" to "));
    ASSERT_EQ(results->topLevelItemCount(), 6);
    EXPECT_THAT(results->topLevelItem(0)->text(0).toStdString(), HasSubstr(" to "));

    // Closing the window while the odds are being worked out waits for them to stop.
    QTest::keyClick(group, Qt::Key_Up);
    EXPECT_TRUE(view->busy());
  }
  fs::remove_all(home);
}

}  // namespace
}  // namespace fablewick
