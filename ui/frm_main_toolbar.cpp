// The main window's toolbar and the splitter's remembered position.
#include <QAction>
#include <QFile>
#include <QIcon>
#include <QSettings>
#include <QSplitter>
#include <QToolBar>

#include "platform/program_folder.h"
#include "ui/frm_main.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

// The per-user settings of the desktop that hold the window's layout, and the key within them.
constexpr char kSettingsOrganization[] = "Fablewick";
constexpr char kSettingsApplication[] = "Fablewick";
constexpr char kSplitterKey[] = "MainWindow/splitter";

// The desktop theme's icon `theme_name` when the theme has one, else the icon drawn for the
// program, `file` in the Icons folder of the program folder or of the installed files (a
// per-user program folder made by an older version has no Icons folder).
QIcon ToolbarIcon(const char* theme_name, const char* file, const fs::path& program_folder) {
  QIcon fallback;
  for (const fs::path& folder :
       {program_folder / "Icons", InstalledDefaultFilesFolder() / "Icons"}) {
    for (const char* size : {"-24.png", "-48.png"}) {
      const fs::path path = folder / (std::string(file) + size);
      std::error_code error;
      if (fs::exists(path, error)) fallback.addFile(QFile::decodeName(path.c_str()));
    }
    if (!fallback.isNull()) break;
  }
  return QIcon::fromTheme(QString::fromLatin1(theme_name), fallback);
}

}  // namespace

void frmMain::CreateToolBar() {
  mnuArchives = new QAction(tr("Archives"), this);
  mnuArchives->setObjectName("mnuArchives");
  mnuArchives->setToolTip(tr("Switch between generating and the archives"));
  mnuArchives->setCheckable(true);
  connect(mnuArchives, &QAction::triggered, this, &frmMain::cmdFlip_Click);
  mnuEditTable->setIconText(tr("Edit"));
  mnuRoll->setToolTip(tr("Roll on the selected table (F5)"));
  mnuStop->setToolTip(tr("Stop the running generation or the display of a long document (Esc)"));
  mnuEditTable->setToolTip(tr("Open the table in the editor"));
  mnuReload->setToolTip(tr("Read the tables folder again (Ctrl+R)"));

  struct Tool {
    QAction* action;
    const char* theme_name;
    const char* file;
    const char* button_name;  // the name the window's code and tests find the button by
  };
  const Tool tools[] = {{mnuRoll, "media-playback-start", "roll", "cmdRoll"},
                        {mnuStop, "process-stop", "stop", "cmdStop"},
                        {mnuEditTable, "document-edit", "edit", "cmdEditTable"},
                        {mnuReload, "view-refresh", "reload", "cmdReload"},
                        {mnuArchives, "folder-open", "archives", "cmdFlip"}};
  tbMain = new QToolBar(tr("Toolbar"), this);
  tbMain->setObjectName("tbMain");
  tbMain->setMovable(false);
  tbMain->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  for (const Tool& tool : tools) {
    tool.action->setIcon(ToolbarIcon(tool.theme_name, tool.file, program_folder_));
    tbMain->addAction(tool.action);
    tbMain->widgetForAction(tool.action)->setObjectName(tool.button_name);
  }
  addToolBar(Qt::TopToolBarArea, tbMain);
}

void frmMain::RestoreSplitter() {
  const QSettings desktop(kSettingsOrganization, kSettingsApplication);
  const QByteArray state = desktop.value(kSplitterKey).toByteArray();
  if (!state.isEmpty()) splitMain->restoreState(state);
}

void frmMain::SaveSplitter() const {
  QSettings desktop(kSettingsOrganization, kSettingsApplication);
  desktop.setValue(kSplitterKey, splitMain->saveState());
}

}  // namespace fablewick
