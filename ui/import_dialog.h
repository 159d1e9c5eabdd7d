// File > "Import &Tables...": the dialog (frmImport) that brings a grammar JSON file, a plain list
// or a CSV sheet into the tables folder as a new table, asks before it replaces one, reports what
// could not be converted, and then shows the new table in the catalogue and rolls it.
#pragma once

#include <QDialog>

class QAction;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace fablewick {

class frmMain;

class frmImport : public QDialog {
  Q_OBJECT

 public:
  explicit frmImport(frmMain& window);

 private:
  void cmdBrowse_Click();
  void cmdImport_Click();
  // The table name follows the chosen file until the person types one.
  void txtFile_Change();

  frmMain& window_;
  QLineEdit* txtFile_;
  QPushButton* cmdBrowse_;
  QComboBox* cmbFormat_;
  QLineEdit* txtStart_;
  QComboBox* cmbCategory_;
  QLineEdit* txtName_;
  QPushButton* cmdImport_;
  QPushButton* cmdCancel_;
  bool name_typed_ = false;
};

// The menu entry, named mnuImport; it opens the dialog unless a generation is running.
QAction* CreateImportAction(frmMain& window);

}  // namespace fablewick
