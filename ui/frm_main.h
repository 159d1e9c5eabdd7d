// The main window: the toolbar on top, the table browser and favourites on the left, the results
// view and the parameter panel on the right of a splitter, the archive tree in place of the
// generating panels when flipped to, and the status bar. A thin shell: rolling, documents, links,
// settings and archives are done by code that the command line and the tests also use.
#pragma once

#include <QMainWindow>
#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "ui/page_history.h"

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class QToolBar;

namespace fablewick {

class ArchivePanel;
class DynamicAddOnLoader;
class Engine;
class GuiThreadHost;
class Host;
class ParameterPanel;
class QtDialogsHost;
class ResultsView;
class StudioWindow;

struct MainWindowOptions {
  std::filesystem::path program_folder;
  // The start-up roll, "[Random Inn]:3"; empty for none.
  std::string command_line;
  // Shows the boxes; the window's own Qt boxes when null (tests pass a scripted host).
  Host* dialogs = nullptr;
};

class frmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit frmMain(MainWindowOptions options, QWidget* parent = nullptr);
  ~frmMain() override;

  // Start-up: reads the configuration file, fills the lists, then makes the start-up roll or
  // shows the title page. Call once, after the window is shown.
  void Start();

  // ---- what the menus and buttons do ----
  void cmdRoll_Click();
  void Stop();
  void Reload();
  void EditTable();
  // The table studio (ui/frm_main_studio.cpp): the selected table, a new table, any table file.
  void EditInStudio();
  void NewTableInStudio();
  void OpenTableFileInStudio();
  StudioWindow& Studio();
  bool HasStudio() const { return studio_ != nullptr; }
  void ShowHelp();
  void ShowTitlePage();
  void ShowAddOns();
  // Back and Forward over the pages shown; refused while a generation runs.
  void GoBack();
  void GoForward();
  // Checks the selected table (every table when none is selected) and shows the report.
  void CheckTable();
  // Opens the odds view on the selected table's Start call.
  void ShowOdds();
  void ExportResults();
  // Writes one web page that rolls the selected table, with what it calls (frm_main_publish.cpp).
  void PublishWebPage();
  void PrintResults();
  void ShowPreferences();
  // Ends the program without writing the configuration file.
  void ExitWithoutSaving();
  // Selects a table's category and the table, which loads and rolls it.
  void SelectTableByName(const std::string& name);
  // What a click on a link of the results view does; `href` as the document writes it.
  void WebBrowser1_BeforeNavigate2(const std::string& href);

  // ---- state, for the tests and the dialogs ----
  Settings& settings() { return settings_; }
  Engine& engine() { return *engine_; }
  ResultsView& view() { return *WebBrowser1; }
  const std::vector<std::string>& results() const { return ResultList; }
  const std::filesystem::path& programFolder() const { return program_folder_; }
  bool generating() const { return generating_; }
  // The twips per pixel of the screen, horizontally and vertically.
  double nXtpp = 15;
  double nYtpp = 15;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The file the results are exported to; nullopt when the person cancels. Tests replace it.
  // `title`, `filter` (Qt's form) and `extension` describe the output type.
  virtual std::optional<std::filesystem::path> ChooseExportFile(const QString& title,
                                                                const QString& filter,
                                                                const QString& extension);

 private:
  // ---- building the window ----
  void CreateWidgets();
  void CreateActions();
  void CreateMenus();
  void CreateStatusBar();
  // The toolbar over the window (ui/frm_main_toolbar.cpp), with the theme's icons or ours.
  void CreateToolBar();
  // The splitter's position lives in the desktop's per-user settings, as the configuration
  // file's keys and order are read by other programs.
  void RestoreSplitter();
  void SaveSplitter() const;
  // The narrowest the left column can be: the width its row of buttons needs.
  int LeftColumnWidth() const;
  void CreateStudioActions(QMenu* file, QMenu* table);
  // After the studio saved a table: the lists and the table cache are refreshed.
  void TableSavedInStudio();
  void DoLayout();
  void ApplyTextures();

  // ---- settings ----
  void ApplySettingsToWindow();
  void CollectSettingsFromWindow();
  void ResetCaptionAndLists();

  // ---- the table browser and favourites ----
  void FillCategories();
  void cmbCategories_Click();
  void lstTables_Click();
  void OnTableSelectionChanged();
  void RestoreTableSelection();
  void cmdFlip_Click();
  void cmdAddHyper_Click();
  void cmdRemoveHyper_Click();
  void cmdClearHyper_Click();
  void lstHyperlist_Click();
  std::string SelectedTable() const;

  // ---- rolling and showing ----
  void StartupRoll(const std::string& command_line);
  // Runs a generation while the window stays responsive; refuses when one is running already.
  // With `rolls` above 0, the status bar shows "roll n of N" as rolls_made_ counts them.
  bool Generate(const std::function<void()>& work, int rolls = 0);
  // A sink for the driver that keeps each roll in `results` and counts it for the progress bar.
  std::function<void(std::string&&)> CountingSink(std::vector<std::string>& results);
  // Status panel 0 after a generation of `count` rolls of which `made` were made.
  void ShowRollsMade(int made, int count);
  void DisplayResultsFile(const std::string& path, const std::string& anchor);
  std::string ResultsFilePath() const;
  std::string RegenerateTable(const std::string& number, const std::string& rest);
  std::string EditNote(const std::string& number);
  void FollowLink(const std::string& href);
  void ShowPage(const std::filesystem::path& path);
  // Shows the document at `path`, scrolled to `anchor`, and records it in the page history
  // unless `record` is false (Back and Forward). Throws std::runtime_error when it cannot be read.
  void ShowDocument(const std::string& path, const std::string& anchor, bool record = true);
  // Says in the status bar which document is shown and enables Back and Forward to match.
  void UpdatePageState();
  // Stop (and Esc) is there while a generation runs or a document is still being shown.
  void UpdateStopEnabled();
  std::string PageName(const std::string& path) const;
  // After the document shown was deleted: the last results, or the title page when none were
  // shown yet. The pages of files that are gone leave the history.
  void ShowAfterDeletion();
  void MovePage(bool forward);
  void SetStatusPanel(int panel, const std::string& text);
  void ErrorBox(const std::string& routine, const std::string& description);

  MainWindowOptions options_;
  std::filesystem::path program_folder_;
  Settings settings_;
  std::unique_ptr<QtDialogsHost> own_dialogs_;
  Host* dialogs_ = nullptr;
  std::unique_ptr<GuiThreadHost> host_;
  std::unique_ptr<DynamicAddOnLoader> add_ons_;
  std::unique_ptr<Engine> engine_;
  std::unique_ptr<StudioWindow> studio_;
  std::vector<std::string> ResultList;
  bool starting_ = false;
  bool generating_ = false;
  bool exit_without_saving_ = false;
  bool close_when_stopped_ = false;
  bool textures_applied_ = false;
  // A mouse button moved the table list's selection; the table is chosen when it is released.
  bool table_choice_pending_ = false;
  bool mouse_in_tables_ = false;  // a mouse button went down in the table list and is still down
  // The table last loaded from the table list, whose parameters and links the engine holds.
  std::string chosen_table_;
  PageHistory history_;
  bool results_shown_ = false;  // a results document was shown in this run

  // ---- widgets, under the names the program gives them ----
  // The commands Roll, Stop, Edit, Reload and the flip to the archives are the toolbar's
  // (tbMain), whose buttons carry the names cmdRoll, cmdStop, cmdEditTable, cmdReload, cmdFlip.
  QFrame* picToolbar = nullptr;
  QLabel* lblNumRolls = nullptr;
  QLineEdit* txtNumRolls = nullptr;
  QFrame* picTop = nullptr;
  QLabel* lblCategories = nullptr;
  QComboBox* cmbCategories = nullptr;
  QListWidget* lstTables = nullptr;
  QFrame* picHyperlist = nullptr;
  QLabel* lblHyperlist = nullptr;
  QListWidget* lstHyperlist = nullptr;
  QPushButton* cmdAddHyper = nullptr;
  QPushButton* cmdRemoveHyper = nullptr;
  QPushButton* cmdClearHyper = nullptr;
  ArchivePanel* picArchives = nullptr;
  QFrame* picResults = nullptr;
  ResultsView* WebBrowser1 = nullptr;
  ParameterPanel* picParameters = nullptr;
  QLabel* StatusPanel0 = nullptr;
  QLabel* StatusPanel1 = nullptr;
  QProgressBar* RollProgress = nullptr;  // "roll n of N" while a generation runs
  std::atomic<int> rolls_made_ = 0;      // counted on the generation's thread
  QLabel* StatusPage = nullptr;          // which document the view shows
  QWidget* central_ = nullptr;
  QSplitter* splitMain = nullptr;  // the left column beside the results
  QWidget* picLeft = nullptr;
  QWidget* picRight = nullptr;
  QToolBar* tbMain = nullptr;

  QAction* mnuExport = nullptr;
  QAction* mnuPublish = nullptr;
  QAction* mnuPrint = nullptr;
  QAction* mnuPrefs = nullptr;
  QAction* mnuExit = nullptr;
  QAction* mnuCopy = nullptr;
  QAction* mnuSelectAll = nullptr;
  QAction* mnuBack = nullptr;
  QAction* mnuForward = nullptr;
  QAction* mnuEditTable = nullptr;
  QAction* mnuEditInStudio = nullptr;
  QAction* mnuNewTable = nullptr;
  QAction* mnuOpenTableFile = nullptr;
  QAction* mnuRoll = nullptr;
  QAction* mnuReload = nullptr;
  QAction* mnuCheckTable = nullptr;
  QAction* mnuOdds = nullptr;
  QAction* mnuStop = nullptr;
  QAction* mnuFWHelp = nullptr;
  QAction* mnuAddOns = nullptr;
  QAction* mnuAbout = nullptr;
  QAction* mnuArchives = nullptr;  // the flip between generating and the archives
};

}  // namespace fablewick
