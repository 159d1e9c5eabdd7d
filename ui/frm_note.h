// The "Edit Note" dialog (frmNote) that edits the text of a note link in the results, and the
// single-line text box that selects all of its text when it receives focus.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <optional>
#include <string>

class QFocusEvent;
class QPushButton;

namespace fablewick {

// A single-line text box that selects its whole text whenever it receives focus, by any means
// (Tab, a click, or the program), so that typing replaces the old text. Used for the note text,
// the parameter wizard's text answers and the roll count.
class SelectAllLineEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit SelectAllLineEdit(QWidget* parent = nullptr);

 protected:
  void focusInEvent(QFocusEvent* event) override;
};

// A modal dialog with one text box (txtNote), "&OK" (cmdOK) and "&Cancel" (cmdCancel). It opens
// with the note's text all selected. OK accepts the dialog with the text as edited; Cancel,
// Escape or closing the window rejects it.
class frmNote : public QDialog {
  Q_OBJECT

 public:
  explicit frmNote(const std::string& note, QWidget* parent = nullptr);

  // The text in the box.
  std::string text() const;

  // Shows the dialog modally with `note`; returns the edited text on OK, nullopt on Cancel.
  static std::optional<std::string> Edit(QWidget* parent, const std::string& note);

 private:
  SelectAllLineEdit* txtNote_;
  QPushButton* cmdOK_;
  QPushButton* cmdCancel_;
};

}  // namespace fablewick
