// The "Edit Note" dialog and the debug window, shown modally as the window shows them.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/dlg_debug.h"
#include "ui/frm_note.h"

namespace fablewick {
namespace {

// Runs `act` on the modal dialog once it is open; a dialog that `act` leaves open is rejected,
// so that a failing test does not hang. The timer dies with the driver.
class DialogDriver {
 public:
  explicit DialogDriver(std::function<void(QDialog&)> act) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [act] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      act(*dialog);
      if (dialog->isVisible()) dialog->reject();
    });
    timer_.start(0);
  }

 private:
  QTimer timer_;
};

class NoteDialogTest : public ::testing::Test {};

TEST_F(NoteDialogTest, OpensWithTheWholeNoteSelectedAndOkReturnsTheEditedText) {
  std::string selected;
  DialogDriver driver([&selected](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Edit Note");
    auto* text = dialog.findChild<QLineEdit*>("txtNote");
    ASSERT_NE(text, nullptr);
    selected = text->selectedText().toStdString();
    // Typing replaces the selected note.
    QTest::keyClicks(text, "Ode, ");
    text->insert(QString::fromStdString("Grüße"));
    dialog.findChild<QPushButton*>("cmdOK")->click();
  });
  const std::optional<std::string> note = frmNote::Edit(nullptr, "Zwölf Äpfel");
  EXPECT_EQ(selected, "Zwölf Äpfel");
  EXPECT_EQ(note, "Ode, Grüße");
}

TEST_F(NoteDialogTest, TextBoxSelectsAllAgainWhenFocusReturns) {
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

class DebugWindowTest : public ::testing::Test {};

TEST_F(DebugWindowTest, ListsTheLinesInOrderUnderItsCaptionFillingTheWindowThroughResizes) {
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
}

}  // namespace
}  // namespace fablewick
