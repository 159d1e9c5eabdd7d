// The main window's doors to the table studio.
#include <QAction>
#include <QMenu>

#include "engine/engine.h"
#include "ui/frm_main.h"
#include "ui/studio_window.h"

namespace fablewick {

void frmMain::CreateStudioActions(QMenu* file, QMenu* table) {
  mnuEditInStudio = new QAction(tr("&Edit in Studio"), this);
  mnuEditInStudio->setObjectName("mnuEditInStudio");
  mnuEditInStudio->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  connect(mnuEditInStudio, &QAction::triggered, this, &frmMain::EditInStudio);
  table->addAction(mnuEditInStudio);
  mnuNewTable = new QAction(tr("&New Table..."), this);
  mnuNewTable->setObjectName("mnuNewTable");
  connect(mnuNewTable, &QAction::triggered, this, &frmMain::NewTableInStudio);
  mnuOpenTableFile = new QAction(tr("&Open Table File in Studio..."), this);
  mnuOpenTableFile->setObjectName("mnuOpenTableFile");
  connect(mnuOpenTableFile, &QAction::triggered, this, &frmMain::OpenTableFileInStudio);
  QAction* first = file->actions().isEmpty() ? nullptr : file->actions().front();
  file->insertAction(first, mnuNewTable);
  file->insertAction(first, mnuOpenTableFile);
  file->insertSeparator(first);
}

StudioWindow& frmMain::Studio() {
  if (!studio_) {
    studio_ = std::make_unique<StudioWindow>(*engine_, *dialogs_, program_folder_);
    studio_->SetSavedHandler([this] { TableSavedInStudio(); });
  }
  studio_->show();
  studio_->raise();
  studio_->activateWindow();
  return *studio_;
}

void frmMain::EditInStudio() {
  const std::string table = SelectedTable();
  if (table.empty()) {
    Studio();
    return;
  }
  Studio().OpenTable(table);
}

void frmMain::NewTableInStudio() { Studio().NewTable(); }

void frmMain::OpenTableFileInStudio() { Studio().OpenChosenFile(); }

void frmMain::TableSavedInStudio() {
  // A generation holds the cache; the next choice of a table loads it afresh anyway.
  if (generating_) return;
  const std::string table = SelectedTable();
  Reload();
  // Choosing the table again loads the saved text and rolls it.
  if (!table.empty()) SelectTableByName(table);
}

}  // namespace fablewick
