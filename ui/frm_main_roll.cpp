// The main window's start-up, rolling, the results document, and the clicks on its links.
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

#include "addons/addon_library.h"
#include "addons/addon_page.h"
#include "config/startup.h"
#include "engine/authoring/checker.h"
#include "engine/documents/document.h"
#include "engine/documents/driver.h"
#include "engine/documents/export.h"
#include "engine/documents/links.h"
#include "engine/engine.h"
#include "engine/error.h"
#include "platform/safe_file.h"
#include "ui/archive_panel.h"
#include "ui/frm_main.h"
#include "ui/frm_note.h"
#include "ui/frm_prefs.h"
#include "ui/generation.h"
#include "ui/odds_view.h"
#include "ui/parameter_panel.h"
#include "ui/results_view.h"

namespace fablewick {

void frmMain::Start() {
  if (const QScreen* screen = this->screen()) {
    nXtpp = 1440.0 / screen->logicalDotsPerInchX();
    nYtpp = 1440.0 / screen->logicalDotsPerInchY();
  }
  starting_ = true;
  picArchives->Fill();
  settings_ = ReadConfigFile(program_folder_);
  ApplySettingsToWindow();
  ResetCaptionAndLists();
  if (!options_.command_line.empty()) {
    StartupRoll(options_.command_line);
  } else {
    ShowTitlePage();
  }
  starting_ = false;
}

// ---- rolling ------------------------------------------------------------------------------

bool frmMain::Generate(const std::function<void()>& work, int rolls) {
  if (generating_) return false;
  generating_ = true;
  rolls_made_ = 0;
  // The generation's thread only counts; the window reads the count a few times a second.
  QTimer progress;
  if (rolls > 0) {
    RollProgress->setRange(0, rolls);
    RollProgress->setValue(0);
    RollProgress->show();
    connect(&progress, &QTimer::timeout, this,
            [this, rolls] { RollProgress->setValue(std::min(int{rolls_made_}, rolls)); });
    progress.start(50);
  }
  picParameters->SetChangeAllowed(false);
  UpdateStopEnabled();
  engine_->BeginGeneration();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::exception_ptr failure;
  try {
    RunKeepingWindowAlive(work);
  } catch (...) {
    failure = std::current_exception();
  }
  QApplication::restoreOverrideCursor();
  progress.stop();
  RollProgress->hide();
  generating_ = false;
  UpdateStopEnabled();
  picParameters->SetChangeAllowed(true);
  if (close_when_stopped_) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  if (failure) std::rethrow_exception(failure);
  return true;
}

// Stops the generation that runs; otherwise stops showing a large document that is still being
// shown in steps. The results document on disk holds every result either way: what is cut short
// is only the display, and a re-roll shows the whole document again.
void frmMain::Stop() {
  if (generating_) {
    engine_->RequestStop();
  } else if (WebBrowser1->CancelLoading()) {
    SetStatusPanel(0, "Display stopped");
    SetStatusPanel(1, "The rest of the document is not shown; the results document holds it all.");
  }
}

void frmMain::UpdateStopEnabled() { mnuStop->setEnabled(generating_ || WebBrowser1->Loading()); }

std::function<void(std::string&&)> frmMain::CountingSink(std::vector<std::string>& results) {
  return [this, &results](std::string&& text) {
    results.push_back(std::move(text));
    ++rolls_made_;
  };
}

void frmMain::ShowRollsMade(int made, int count) {
  SetStatusPanel(0, made < count ? "Stopped after " + std::to_string(made) + " of " +
                                       std::to_string(count) + " rolls"
                                 : "Done");
}

void frmMain::cmdRoll_Click() {
  if (generating_) {
    SetStatusPanel(1, "A generation is running: press Stop or Esc first.");
    return;
  }
  const std::string table = SelectedTable();
  if (table.empty()) return;
  const std::optional<int16_t> count = StartupRollCount(txtNumRolls->text().toStdString());
  if (!count) {
    dialogs_->MessageBox("Number of Rolls",
                         "The number of rolls must be a number from 0 to 32767.");
    return;
  }
  std::vector<std::string> results;
  results.reserve(static_cast<std::size_t>(std::max<int16_t>(*count, 0)));
  int made = 0;
  try {
    Generate([&] { made = RollTable(*engine_, table, *count, CountingSink(results)); }, *count);
  } catch (const std::exception& error) {
    ErrorBox("cmdRoll_Click", error.what());
    return;
  }
  ResultList = std::move(results);
  DisplayResultsFile(ResultsFilePath(), "");
  ShowRollsMade(made, *count);
}

void frmMain::StartupRoll(const std::string& command_line) {
  const StartupCommand command = SplitStartupCommand(command_line);
  const std::optional<int16_t> count = StartupRollCount(command.count_text);
  std::string table;
  try {
    table = TableOfStartCall(command.call_text);
  } catch (const EngineError& error) {
    ErrorBox("RollStartCall", error.description());
    ShowTitlePage();
    return;
  }
  ResultList.clear();
  int made = 0;
  if (count && *count > 0) {
    try {
      Generate(
          [&] {
            made = RollStartCalls(*engine_, command.call_text, *count, &table,
                                  CountingSink(ResultList));
          },
          *count);
    } catch (const std::exception& error) {
      ErrorBox("RollStartCall", error.what());
      made = *count;  // the box said what went wrong; this was no stop
    }
  }
  DisplayResultsFile(ResultsFilePath(), "");
  ShowRollsMade(made, count ? int{*count} : 0);
  txtNumRolls->setText(QString::fromStdString(StartupCountBoxText(command.count_text)));
  SelectTableByName(table);
  // The table is selected without being loaded again; Edit opens the selected table.
  mnuEditTable->setEnabled(!SelectedTable().empty());
}

std::string frmMain::ResultsFilePath() const {
  return (program_folder_ / ("Temp." + OutputExtension(settings_.nOutputType))).string();
}

// Writes ResultList as the results document at `path` (a path or the view's location) and shows
// it, scrolled to `anchor` when one is given. The file is replaced whole or not at all.
void frmMain::DisplayResultsFile(const std::string& path, const std::string& anchor) {
  try {
    const std::string file = NormaliseDocumentPath(path);
    const QListWidgetItem* item = lstTables->currentItem();
    const std::string title = item ? item->text().toStdString() : "";
    WriteTextFileAtomically(
        file, BuildResultsDocument(settings_.nOutputType, title, ResultList,
                                   program_folder_.string(), settings_.ColorFG, settings_.ColorBG));
    ShowDocument(file, anchor);
    results_shown_ = true;
  } catch (const std::exception& error) {
    ErrorBox("DisplayResultsFile", error.what());
  }
}

void frmMain::ShowPage(const std::filesystem::path& path) {
  const std::string target = path.string();
  const std::size_t hash = target.find('#');
  try {
    ShowDocument(target.substr(0, hash), hash == std::string::npos ? "" : target.substr(hash + 1));
  } catch (const std::exception& error) {
    dialogs_->MessageBox("Fablewick", error.what());
  }
}

void frmMain::ShowDocument(const std::string& path, const std::string& anchor, bool record) {
  WebBrowser1->Navigate(anchor.empty() ? path : path + "#" + anchor);
  if (record) history_.Visit({path, anchor});
  UpdatePageState();
}

// ---- the pages shown ----------------------------------------------------------------------

std::string frmMain::PageName(const std::string& path) const {
  const std::filesystem::path file = std::filesystem::path(path).lexically_normal();
  const std::filesystem::path relative =
      file.lexically_relative(program_folder_.lexically_normal());
  const std::string name = relative.empty() ? file.filename().string() : relative.generic_string();
  if (file.parent_path() == program_folder_.lexically_normal() && file.stem() == "Temp") {
    return "Last results";
  }
  if (name.starts_with("Archives/")) return "Archived: " + name.substr(9);
  if (name.starts_with("Help/")) return "Help";
  if (name == "Title.html") return "Title page";
  if (name == kAddOnPageFileName) return "Add-ons";
  if (name == "Check.html") return "Table check";
  return file.filename().string();
}

void frmMain::UpdatePageState() {
  const std::string& path = WebBrowser1->CurrentPath();
  StatusPage->setText(path.empty() ? QString() : QString::fromStdString(PageName(path)));
  StatusPage->setToolTip(QString::fromStdString(path));
  mnuBack->setEnabled(history_.CanGoBack());
  mnuForward->setEnabled(history_.CanGoForward());
}

void frmMain::ShowAfterDeletion() {
  const std::string results = ResultsFilePath();
  std::error_code error;
  if (results_shown_ && std::filesystem::exists(results, error)) {
    ShowPage(results);
  } else {
    ShowTitlePage();
  }
}

void frmMain::GoBack() { MovePage(false); }

void frmMain::GoForward() { MovePage(true); }

void frmMain::MovePage(bool forward) {
  if (generating_) {
    SetStatusPanel(1, "A generation is running: press Stop or Esc first.");
    return;
  }
  const std::optional<PageHistory::Page> page = forward ? history_.Forward() : history_.Back();
  if (!page) return;
  try {
    ShowDocument(page->path, page->anchor, false);
  } catch (const std::exception& error) {
    // Gone by other means: the page leaves the history and the view stays as it was.
    const std::string gone = page->path;
    history_.Forget([&gone](const PageHistory::Page& entry) { return entry.path == gone; });
    UpdatePageState();
    dialogs_->MessageBox("Fablewick", error.what());
  }
}

void frmMain::ShowTitlePage() { ShowPage(program_folder_ / "Title.html"); }

void frmMain::ShowHelp() { ShowPage(program_folder_ / "Help" / "FWHelp.html"); }

void frmMain::ShowAddOns() {
  const AddOnPage page =
      BuildAddOnPage(program_folder_, settings_.ColorFG, settings_.ColorBG, add_ons_.get());
  if (page.status == AddOnPage::kNoList) return;
  if (page.status == AddOnPage::kFailed) {
    dialogs_->MessageBox(RoutineErrorTitle(kAddOnPageRoutine), page.message);
    return;
  }
  const std::filesystem::path file = program_folder_ / kAddOnPageFileName;
  try {
    WriteTextFileAtomically(file.string(), page.html);
    ShowDocument(file.string(), "");
  } catch (const std::exception& error) {
    ErrorBox(kAddOnPageRoutine, error.what());
  }
}

void frmMain::CheckTable() {
  const std::string table = SelectedTable();
  std::vector<std::string> targets;
  if (!table.empty()) targets.push_back(table);
  const std::string title = table.empty() ? "Check of every table" : "Check of " + table;
  const std::filesystem::path file = program_folder_ / "Check.html";
  try {
    WriteTextFileAtomically(
        file.string(),
        FormatDiagnosticsHtml(CheckTables(engine_->Catalog(), engine_->TablesFolder(), targets),
                              title));
    ShowDocument(file.string(), "");
  } catch (const std::exception& error) {
    ErrorBox("CheckTable", error.what());
  }
}

// The view has an engine of its own and stays open beside the window, so several can be open.
void frmMain::ShowOdds() {
  const std::string table = SelectedTable();
  if (table.empty()) {
    SetStatusPanel(1, "Choose a table first: the odds are those of its Start call.");
    return;
  }
  auto* view = new OddsView(
      {engine_->TablesFolder(), program_folder_, settings_.bTabCallsAsErrors, table}, this);
  view->setAttribute(Qt::WA_DeleteOnClose);
  view->show();
}

// ---- links --------------------------------------------------------------------------------

// A click on a link of the results view. The program's own links never navigate: a re-roll link
// rolls its call again, a note link opens the note, an about link an add-on's About box. Other
// links are followed by the view. While a generation runs, clicks on program links are refused.
void frmMain::WebBrowser1_BeforeNavigate2(const std::string& href) {
  const ProgramLink link = ParseProgramLink(href);
  if (link.kind != ProgramLink::kOther && generating_) {
    SetStatusPanel(1, "A generation is running: press Stop or Esc first.");
    return;
  }
  std::error_code error;
  if ((link.kind == ProgramLink::kReroll || link.kind == ProgramLink::kNote) &&
      !std::filesystem::exists(WebBrowser1->CurrentPath(), error)) {
    // The document was deleted since it was shown: its links lead nowhere.
    SetStatusPanel(1, "The document shown is no longer on disk.");
    ShowAfterDeletion();
    return;
  }
  switch (link.kind) {
    case ProgramLink::kReroll: {
      const std::string location = WebBrowser1->CurrentLocation();
      std::string number;
      try {
        number = RegenerateTable(link.number, link.rest);
      } catch (const std::exception& error) {
        ErrorBox("RegenerateTable", error.what());
        return;
      }
      DisplayResultsFile(location, "fwroll" + number);
      return;
    }
    case ProgramLink::kNote: {
      const std::string location = WebBrowser1->CurrentLocation();
      try {
        const std::string number = EditNote(link.number);
        if (number != "-1") DisplayResultsFile(location, "fwroll" + number);
      } catch (const std::exception& error) {
        ErrorBox("WebBrowser1_BeforeNavigate2", error.what());
      }
      return;
    }
    case ProgramLink::kAbout:
      ShowAddOnAbout(link.rest, add_ons_.get(), *dialogs_);
      return;
    case ProgramLink::kOther:
      FollowLink(href);
      return;
  }
}

// Rolls the call of re-roll link `number` again and puts the new text in its place. ResultList
// changes only when everything succeeded.
std::string frmMain::RegenerateTable(const std::string& number, const std::string& rest) {
  std::string text;
  Generate([&] { text = RegenerateLinkText(*engine_, rest); });
  std::vector<std::string> results = ReadBackResults(WebBrowser1->CurrentLocation());
  ReplaceRerollLink(results, number, rest, text);
  ResultList = std::move(results);
  return number;
}

// Opens note `number` in the "Edit Note" dialog. Returns the number when the note changed, "-1"
// when it did not, and "" when no result holds the note.
std::string frmMain::EditNote(const std::string& number) {
  std::vector<std::string> results = ReadBackResults(WebBrowser1->CurrentLocation());
  const std::optional<NoteLink> note = FindNoteLink(results, number);
  if (!note) {
    ResultList = std::move(results);
    return "";
  }
  const std::optional<std::string> edited = frmNote::Edit(this, note->text);
  if (!edited || *edited == note->text) return "-1";
  ReplaceNoteLink(results, *note, number, *edited);
  ResultList = std::move(results);
  return number;
}

// Follows an ordinary link: a page next to the document shown, or an anchor in it.
void frmMain::FollowLink(const std::string& href) {
  const QUrl url = QUrl(QString::fromStdString(WebBrowser1->CurrentLocation()))
                       .resolved(QUrl(QString::fromStdString(href)));
  if (url.isLocalFile()) {
    const std::string fragment = url.fragment().toStdString();
    const std::string path = url.toLocalFile().toStdString();
    ShowPage(fragment.empty() ? path : path + "#" + fragment);
  } else {
    QDesktopServices::openUrl(url);
  }
}

// ---- export and print ---------------------------------------------------------------------

std::optional<std::filesystem::path> frmMain::ChooseExportFile(const QString& title,
                                                               const QString& filter,
                                                               const QString& extension) {
  QFileDialog dialog(this, title, QString::fromStdString(program_folder_.string()), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(extension);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

void frmMain::ExportResults() {
  if (SelectedTable().empty()) {
    dialogs_->MessageBox("Export Not Available",
                         "You must have results before you can export them.");
    return;
  }
  const ExportFormat format = ExportFormatFor(settings_.nOutputType);
  const std::optional<std::filesystem::path> target = ChooseExportFile(
      QString::fromStdString("Export Results to " + format.name),
      QString::fromStdString(format.qt_filter), QString::fromStdString(format.extension));
  if (!target) return;
  try {
    ExportResultsFile(ResultsFilePath(), *target, settings_.nOutputType, settings_.bRemoveLinks);
  } catch (const std::exception& error) {
    dialogs_->MessageBox("Fablewick", error.what());
    dialogs_->MessageBox("Error", "Error saving file.");
  }
}

void frmMain::PrintResults() {
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  WebBrowser1->FinishLoading();
  WebBrowser1->print(&printer);
}

void frmMain::ShowPreferences() {
  frmPrefs dialog(settings_, program_folder_, *dialogs_, this);
  dialog.exec();
  engine_->set_tab_calls_as_errors(settings_.bTabCallsAsErrors);
  if (dialog.TexturesChanged()) {
    ApplyTextures();
    DoLayout();
  }
}

}  // namespace fablewick
