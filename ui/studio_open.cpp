// Opening tables in the studio: a new table file in a category, or any table file chosen.
#include <QFileDialog>
#include <system_error>

#include "engine/authoring/import.h"
#include "engine/authoring/table_file_text.h"
#include "engine/engine.h"
#include "engine/host.h"
#include "ui/studio_editor.h"
#include "ui/studio_window.h"

namespace fablewick {

StudioPage* StudioWindow::NewTable() {
  Engine& engine = context_.engine;
  Host& dialogs = context_.dialogs;
  std::string offered;
  for (const Category& category : engine.Catalog().categories()) {
    if (!category.hidden) {
      offered = category.name;
      break;
    }
  }
  const std::optional<std::string> category = dialogs.InputBox(
      "Category (a folder of the tables folder; a new name makes one):", "New Table", offered);
  if (!category || category->empty()) return nullptr;
  if (const std::string problem = ImportNameProblem(*category, "category"); !problem.empty()) {
    dialogs.MessageBox("New Table", problem);
    return nullptr;
  }
  const std::optional<std::string> name = dialogs.InputBox("Table name:", "New Table", "");
  if (!name || name->empty()) return nullptr;
  if (const std::string problem = ImportNameProblem(*name, "table"); !problem.empty()) {
    dialogs.MessageBox("New Table", problem);
    return nullptr;
  }
  const std::filesystem::path folder = engine.TablesFolder() / *category;
  const std::filesystem::path path = folder / (*name + ".tab");
  std::error_code error;
  if (std::filesystem::exists(path, error)) {
    dialogs.MessageBox("New Table", "The table " + path.string() + " exists already.");
    return nullptr;
  }
  try {
    std::filesystem::create_directories(folder);
    TableFileText file;
    file.text = "# " + *name + "\n:Start\n1,\n";
    SaveTableFileText(path.string(), file);
  } catch (const std::exception& failure) {
    dialogs.MessageBox("New Table", failure.what());
    return nullptr;
  }
  // The main window lists the new table at once.
  if (on_saved_) on_saved_();
  StudioPage* page = OpenFile(path);
  // The cursor waits where the first entry's text goes.
  if (page) {
    page->editor().GoToLine(3);
    page->editor().moveCursor(QTextCursor::EndOfLine);
  }
  return page;
}

void StudioWindow::OpenChosenFile() {
  const QString path = QFileDialog::getOpenFileName(
      this, tr("Open Table File"), QString::fromStdString(context_.engine.TablesFolder().string()),
      tr("Table files (*.tab);;All files (*)"));
  if (!path.isEmpty()) OpenFile(path.toStdString());
}

}  // namespace fablewick
