// The main window's table browser (categories, tables, Reload, Edit Table), the favourites and
// the flip between generating and the archives.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <filesystem>

#include "engine/engine.h"
#include "ui/archive_panel.h"
#include "ui/frm_main.h"
#include "ui/parameter_panel.h"
#include "ui/results_view.h"

namespace fablewick {

void frmMain::ResetCaptionAndLists() {
  // The caption: the program and version, two blanks, a short credit.
  setWindowTitle(QStringLiteral("Fablewick 4.0  - random tables for your game"));
  cmbCategories->blockSignals(true);
  cmbCategories->clear();
  cmbCategories->setCurrentIndex(-1);
  cmbCategories->blockSignals(false);
  lstTables->blockSignals(true);
  lstTables->clear();
  lstTables->blockSignals(false);
  engine_->SetTablesFolder(settings_.TablesFolder);
  FillCategories();
}

// The categories are the visible folders of the catalogue; each entry carries the folder's
// index in the listing, which the catalogue's tables refer to.
void frmMain::FillCategories() {
  engine_->FillCatalog();
  cmbCategories->blockSignals(true);
  const TableCatalog& catalog = engine_->Catalog();
  for (const Category& category : catalog.categories()) {
    if (!category.hidden) {
      cmbCategories->addItem(QString::fromStdString(category.name), int{category.index});
    }
  }
  cmbCategories->setCurrentIndex(-1);
  cmbCategories->blockSignals(false);
}

void frmMain::cmbCategories_Click() {
  if (cmbCategories->currentIndex() < 0) return;
  const int category = cmbCategories->currentData().toInt();
  lstTables->blockSignals(true);
  lstTables->clear();
  for (const CatalogItem& item : engine_->Catalog().items()) {
    if (item.category_index == category) lstTables->addItem(QString::fromStdString(item.name));
  }
  lstTables->setCurrentRow(-1);
  lstTables->blockSignals(false);
}

std::string frmMain::SelectedTable() const {
  const QListWidgetItem* item = lstTables->currentItem();
  return item && item->isSelected() ? item->text().toStdString() : "";
}

void frmMain::OnTableSelectionChanged() {
  if (mouse_in_tables_) {
    table_choice_pending_ = true;
    return;
  }
  lstTables_Click();
}

// Puts the highlight back on the table the engine holds, so that Roll never rolls a table under
// another table's parameters.
void frmMain::RestoreTableSelection() {
  const QList<QListWidgetItem*> found = lstTables->findItems(
      QString::fromStdString(chosen_table_), Qt::MatchExactly | Qt::MatchCaseSensitive);
  const QSignalBlocker blocker(lstTables);
  if (found.isEmpty()) {
    lstTables->setCurrentRow(-1);
    lstTables->clearSelection();
  } else {
    lstTables->setCurrentItem(found.front());
  }
}

// Choosing a table loads it afresh, sets its parameters to their defaults and rolls it.
void frmMain::lstTables_Click() {
  table_choice_pending_ = false;
  if (starting_) return;
  const std::string table = SelectedTable();
  if (table.empty()) return;
  if (generating_) {
    SetStatusPanel(1, "A generation is running: press Stop or Esc first.");
    RestoreTableSelection();
    return;
  }
  chosen_table_ = table;
  const int index = engine_->SelectTable(table).index;
  picParameters->LoadParameters(
      index < 0 ? std::vector<TableParameter>{} : engine_->TableAt(index).Params,
      engine_->parameter_values());
  DoLayout();
  mnuEditTable->setEnabled(true);
  if (index >= 0) cmdRoll_Click();
}

void frmMain::SelectTableByName(const std::string& name) {
  const TableCatalog& catalog = engine_->Catalog();
  const auto& items = catalog.items();
  const auto record = std::find_if(items.begin(), items.end(),
                                   [&](const CatalogItem& item) { return item.name == name; });
  if (record == items.end()) return;
  const int entry = cmbCategories->findData(int{record->category_index});
  if (entry < 0) return;
  cmbCategories->setCurrentIndex(entry);
  cmbCategories_Click();  // refills the list even when the category was selected already
  const QList<QListWidgetItem*> found =
      lstTables->findItems(QString::fromStdString(name), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (found.isEmpty()) return;
  lstTables->setCurrentItem(found.front());
}

void frmMain::Reload() {
  if (generating_) return;
  const QString count = txtNumRolls->text();
  ResetCaptionAndLists();
  engine_->ClearTableCache();
  chosen_table_.clear();
  txtNumRolls->setText(count);
}

void frmMain::EditTable() {
  const std::string table = SelectedTable();
  if (table.empty()) return;
  const std::filesystem::path file =
      engine_->TablesFolder() / engine_->CategoryOfTable(table) / (table + ".tab");
  const std::filesystem::path editor = settings_.szEditorPath;
  // Without an outside editor the table opens in the studio.
  if (editor.empty()) return EditInStudio();
  std::error_code error;
  if (!std::filesystem::is_regular_file(editor, error)) {
    dialogs_->MessageBox("Error", "Error finding editor.");
    return;
  }
  std::string failure;
  if (!dialogs_->StartProgram({editor.string(), file.string()}, failure)) {
    dialogs_->MessageBox("Fablewick", failure);
    dialogs_->MessageBox("Error", "Error finding editor.");
  }
}

// ---- favourites ---------------------------------------------------------------------------

void frmMain::cmdAddHyper_Click() {
  const std::string table = SelectedTable();
  if (!table.empty()) lstHyperlist->addItem(QString::fromStdString(table));
}

void frmMain::cmdRemoveHyper_Click() {
  const int row = lstHyperlist->currentRow();
  if (row >= 0 && lstHyperlist->currentItem()->isSelected()) delete lstHyperlist->takeItem(row);
}

void frmMain::cmdClearHyper_Click() { lstHyperlist->clear(); }

void frmMain::lstHyperlist_Click() {
  const QListWidgetItem* item = lstHyperlist->currentItem();
  if (item) SelectTableByName(item->text().toStdString());
}

// ---- the flip between generating and the archives -----------------------------------------

void frmMain::cmdFlip_Click() {
  const bool to_archives = !picArchives->isVisible();
  picArchives->setVisible(to_archives);
  for (QWidget* panel : {static_cast<QWidget*>(picToolbar), static_cast<QWidget*>(picTop),
                         static_cast<QWidget*>(picHyperlist)}) {
    panel->setVisible(!to_archives);
  }
  mnuArchives->setText(to_archives ? tr("Generate") : tr("Archives"));
  mnuArchives->setChecked(to_archives);
}

}  // namespace fablewick
