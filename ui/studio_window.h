// The table studio: tables open in tabs, each with its editor, live check and preview; the
// problems list of the current table below, its outline beside; a status bar with the counts and
// the cursor's line. Opened from the main window (Table > Edit in Studio, File > New Table, the
// Edit button when no outside editor is set); a save refreshes the main window's catalogue and
// table cache.
#pragma once

#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <string>

#include "ui/studio_page.h"

class QLabel;
class QTabWidget;

namespace fablewick {

class OutlinePanel;
class ProblemsPanel;
class StudioFindBar;

class StudioWindow : public QMainWindow {
  Q_OBJECT

 public:
  enum class Unsaved { kSave, kDiscard, kCancel };

  StudioWindow(Engine& engine, Host& dialogs, std::filesystem::path program_folder,
               QWidget* parent = nullptr);
  ~StudioWindow() override;

  // Opens a table file in a tab of its own, or goes to its tab when it is open already.
  StudioPage* OpenFile(const std::filesystem::path& path);
  // Opens a catalogued table by name.
  StudioPage* OpenTable(const std::string& name);
  // Asks for a category and a name and opens a new table file there.
  StudioPage* NewTable();
  // Asks for a table file and opens it.
  void OpenChosenFile();
  bool SaveCurrent();
  // Closes a tab, asking about unsaved changes first; false when the person cancels.
  bool CloseTab(int index);
  // Closes every tab, asking about each with unsaved changes; false when the person cancels.
  bool CloseAll();

  StudioPage* CurrentPage() const;
  QTabWidget& tabs() { return *tabs_; }
  ProblemsPanel& problems() { return *problems_; }
  OutlinePanel& outline() { return *outline_; }
  QLabel& counts() { return *lblCounts; }

  // Called after every save (the main window refreshes its catalogue and clears its cache).
  void SetSavedHandler(std::function<void()> handler) { on_saved_ = std::move(handler); }
  // How the question about unsaved changes is asked; tests answer it themselves.
  void SetUnsavedQuestion(std::function<Unsaved(const std::string&)> ask) {
    ask_unsaved_ = std::move(ask);
  }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateMenus();
  void OnCurrentChanged();
  void OnChecked(StudioPage* page);
  void UpdateTitle(StudioPage* page);
  void UpdateCursorLine();
  void GoToLine();

  StudioContext context_;
  QTabWidget* tabs_ = nullptr;
  ProblemsPanel* problems_ = nullptr;
  OutlinePanel* outline_ = nullptr;
  StudioFindBar* find_ = nullptr;
  QLabel* lblCounts = nullptr;
  QLabel* lblLine = nullptr;
  std::function<void()> on_saved_;
  std::function<Unsaved(const std::string&)> ask_unsaved_;
};

}  // namespace fablewick
