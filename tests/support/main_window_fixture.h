// The main window on the offscreen platform, with a program folder of its own and a few small
// tables, for the window tests; the helpers drive it as a person would.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QSettings>
#include <QSplitter>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_folder.h"
#include "ui/frm_main.h"
#include "ui/results_view.h"

namespace fablewick {

namespace fs = std::filesystem;

inline const std::string kColours =
    "1,red\n2,blue\n3,green\n4,amber\n5,violet\n6,black\n7,white\n8,silver\n9,gold\n10,rust\n"
    "11,teal\n12,ochre\n13,grey\n14,pink\n";

// A host whose message box runs a step of the test while the generation waits for the answer.
class HookedHost : public ScriptedHost {
 public:
  std::function<void()> on_message;
  void MessageBox(const std::string& title, const std::string& text) override {
    ScriptedHost::MessageBox(title, text);
    if (on_message) on_message();
  }
};

// The window with its save dialog answering a fixed file.
class TestWindow : public frmMain {
 public:
  using frmMain::frmMain;
  std::optional<fs::path> export_target;
  QString export_title;

 protected:
  std::optional<fs::path> ChooseExportFile(const QString& title, const QString&,
                                           const QString&) override {
    export_title = title;
    return export_target;
  }
};

// Runs `act` on the modal dialog that the next step opens.
inline void OnDialog(std::function<void(QWidget&)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

// A program folder of its own for every test, with a few small tables.
class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    // The window keeps its layout in the desktop's per-user settings: here, in the test's folder.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(DesktopSettingsFolder().string()));
    WriteFile(home_ / "Title.html", "<html><body><h1>Welcome to the title page</h1></body></html>");
    WriteTable("Places", "Door",
               ":Start\n1,The door is [LX~Colour] and the knob is [LX~Colour] today.\n"
               ":Colour\n" +
                   kColours);
    WriteTable("Places", "Plain", ":Start\n1,Only words here.\n");
    WriteTable("People", "Diary", ":Start\n1,Dear diary: {Note~zwölf Äpfel} ends.\n");
    WriteTable("~Lib", "Hidden", ":Start\n1,Hidden words.\n");
  }
  ~MainWindowTest() override { window_.reset(); }

  void WriteTable(const std::string& category, const std::string& name, const std::string& text) {
    WriteFile(home_ / "Tables" / category / (name + ".tab"), text);
  }

  TestWindow& Open(const std::string& command_line = "") {
    window_.reset();
    window_ = std::make_unique<TestWindow>(MainWindowOptions{
        .program_folder = home_, .command_line = command_line, .dialogs = &dialogs_});
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

  fs::path DesktopSettingsFolder() const { return home_ / "desktop-settings"; }

  // Drags the main splitter's handle `dx` pixels to the right with the mouse.
  void DragSplitter(int dx) {
    QSplitterHandle* handle = Child<QSplitter>("splitMain")->handle(1);
    const QPoint from = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, from);
    QTest::mouseMove(handle, from + QPoint(dx, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, from + QPoint(dx, 0));
  }

  std::string ViewText() { return window_->view().toPlainText().toStdString(); }

  // Clicks an item of a list or tree with the mouse, as a person would.
  static void ClickItem(QAbstractItemView* view, const QModelIndex& index) {
    ASSERT_TRUE(index.isValid());
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    QCoreApplication::processEvents();  // what the click handed on to the window
  }
  static void ClickRow(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << text.toStdString();
    ClickItem(list, list->indexFromItem(found.front()));
  }
  // Opens the drop-down with the mouse and clicks the entry `text`.
  static void ChooseInCombo(QComboBox* combo, const QString& text) {
    QTest::mouseClick(combo, Qt::LeftButton);
    QAbstractItemView* popup = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup->window()));
    // The drop-down ignores a release that follows its opening as closely as a double click.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    ClickItem(popup, combo->model()->index(combo->findText(text), 0));
  }

  // Clicks the first link whose text is `text` in the view.
  void ClickLinkText(const std::string& text) {
    ResultsView& view = window_->view();
    const QTextCursor found = view.document()->find(QString::fromStdString(text), QTextCursor(),
                                                    QTextDocument::FindCaseSensitively);
    ASSERT_FALSE(found.isNull()) << text;
    QTextCursor middle(view.document());
    middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
    view.setTextCursor(middle);
    view.ensureCursorVisible();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.cursorRect(middle).center());
  }

  TempFolder folder_{"window"};
  fs::path home_ = folder_.path();
  HookedHost dialogs_;
  std::unique_ptr<TestWindow> window_;
};

}  // namespace fablewick
