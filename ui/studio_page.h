// One table open in the studio: its editor, the live check of its text, its preview, and the
// file it is kept in with that file's encoding and line ends.
#pragma once

#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/authoring/checker.h"
#include "engine/authoring/outline.h"
#include "engine/authoring/table_file_text.h"

class QFileSystemWatcher;
class QSplitter;
class QTimer;

namespace fablewick {

class Engine;
class Host;
class StudioEditor;
class StudioHighlighter;
class StudioPreview;

// What every page of the studio shares: the main window's engine (its catalogue and tables
// folder, and the cache that a save clears), the boxes, and the program folder.
struct StudioContext {
  Engine& engine;
  Host& dialogs;
  std::filesystem::path program_folder;
};

class StudioPage : public QWidget {
  Q_OBJECT

 public:
  // How long typing must pause before the text is checked and previewed again.
  static constexpr int kPauseMs = 400;

  StudioPage(StudioContext& context, std::filesystem::path path, QWidget* parent = nullptr);
  ~StudioPage() override;

  // Reads the file; false, after saying why, when it cannot be read.
  bool Load();
  // Writes the text to the file the way it was written; false when it was not saved.
  bool Save();
  bool modified() const;
  const std::filesystem::path& path() const { return path_; }
  // The table's name: the file's name without ".tab".
  std::string TableName() const { return path_.stem().string(); }
  StudioEditor& editor() { return *editor_; }
  StudioPreview& preview() { return *preview_; }
  const std::vector<Diagnostic>& diagnostics() const { return diagnostics_; }
  const std::vector<OutlineGroup>& outline() const { return outline_; }
  // Goes to the header of group `name` of this table; false when it has none.
  bool GoToGroup(const std::string& name);
  const TableFileText& file() const { return file_; }
  // Checks the text now (the pause's timer does so after typing).
  void CheckNow();
  // The group whose lines hold the cursor ("Start" above the first header).
  std::string GroupAtCursor() const;
  // Previews `group` from now on, after each pause too.
  void PreviewGroup(const std::string& group);
  void RollPreview();

 signals:
  void checked();
  void modifiedChanged();
  void saved();
  // A Ctrl+click on a call of another table.
  void openCall(const std::string& table, const std::string& group);

 private:
  void OnEdited();
  void OnFileChanged();
  void WatchFile();
  void Follow(std::size_t at);

  StudioContext& context_;
  std::filesystem::path path_;
  TableFileText file_;
  std::string disk_bytes_;  // the file as last read or written here
  StudioEditor* editor_ = nullptr;
  StudioHighlighter* highlighter_ = nullptr;
  StudioPreview* preview_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QTimer* pause_ = nullptr;
  QFileSystemWatcher* watcher_ = nullptr;
  bool asking_reload_ = false;
  std::string preview_group_ = "Start";
  std::vector<Diagnostic> diagnostics_;
  std::vector<OutlineGroup> outline_;
};

}  // namespace fablewick
