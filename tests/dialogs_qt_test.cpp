// The note dialog's text box, which selects its whole text on focus, and the debug window. The
// "Edit Note" dialog itself is driven through the main window's note links.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ui/dlg_debug.h"
#include "ui/frm_note.h"
#include "ui/gui_host.h"
#include "ui/title_fit.h"

namespace fablewick {
namespace {

TEST(NoteDialogTest, TextBoxSelectsAllAgainWhenFocusReturns) {
  QWidget window;
  auto* edit = new SelectAllLineEdit(&window);
  auto* other = new QLineEdit(&window);
  edit->setText("12");
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  other->setFocus();
  edit->setCursorPosition(1);
  edit->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(edit->selectedText(), "12");
  other->setFocus();
  QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(2, edit->height() / 2));
  QApplication::processEvents();
  EXPECT_EQ(edit->selectedText(), "12");
}

TEST(DebugWindowTest, ListsTheLinesInOrderUnderItsCaptionFillingTheWindowThroughResizes) {
  const std::vector<std::string> lines = {"===== VARIABLES =====", "Gold: 12", " ",
                                          "===== MISCELLANEOUS =====", "Iterations/loops: 3"};
  dlgDebug dialog("Debug: après (Line: 4)", lines);
  EXPECT_EQ(dialog.windowTitle(), "Debug: après (Line: 4)");
  EXPECT_EQ(dlgDebug("", lines).windowTitle(), "Debug Window");
  auto* info = dialog.findChild<QListWidget*>("lstInfo");
  ASSERT_NE(info, nullptr);
  std::vector<std::string> listed;
  for (int i = 0; i < info->count(); ++i) listed.push_back(info->item(i)->text().toStdString());
  EXPECT_EQ(listed, lines);
  dialog.show();
  for (const QSize size : {QSize(500, 400), QSize(260, 180)}) {
    dialog.resize(size);
    QApplication::processEvents();
    EXPECT_EQ(info->geometry(), dialog.rect());
  }
  dlgDebug titled("Debug: " + std::string(40, 'w') + " (Line: 12)", lines);
  titled.show();
  EXPECT_GE(titled.width(), TitleWidth(titled, titled.windowTitle()));
}

// Failure boxes carry the critical icon, refused input the warning icon, a table's own
// messages the information icon; a short message still leaves room for the whole title.
TEST(MessageBoxTest, FailureBoxesShowTheCriticalIconAndRefusalsTheWarningIconUnderTheirTitle) {
  QtDialogsHost host(nullptr);
  for (const auto& [title, icon] : std::vector<std::pair<std::string, QMessageBox::Icon>>{
           {"Error in RegenerateTable", QMessageBox::Critical},
           {"Number of Rolls", QMessageBox::Warning},
           {"Treasure", QMessageBox::Information}}) {
    QMessageBox::Icon shown = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&shown] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      shown = box->icon();
      EXPECT_GE(box->width(), TitleWidth(*box, box->windowTitle()));
      QTest::keyClick(box, Qt::Key_Return);
    });
    host.MessageBox(title, "text");
    EXPECT_EQ(shown, icon) << title;
  }
}

}  // namespace
}  // namespace fablewick
