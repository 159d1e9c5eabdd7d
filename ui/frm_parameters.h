// The parameter wizard (frmParameters): walks through a table's parameters one step at a time
// and collects an answer for each.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "engine/model/table.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace fablewick {

class SelectAllLineEdit;

// A modal dialog showing one parameter per step: its prompt (lblPrompt) and either a text box
// (txtParamText) for a text parameter or the list of options (lstParamList) for a list
// parameter. "< &Prev." and "&Next >" move between steps and are disabled at the first and last
// step; "&Finish" accepts the dialog and "&Cancel" (or Escape) rejects it.
//
// An answer is kept per parameter: the text of a text parameter, the 0-based option index
// written as an integer for a list parameter. Typing in the text box or choosing an option
// stores the current step's answer at once, so moving between steps keeps every answer. The
// caller reads answers() after Finish and applies them; the wizard itself changes nothing else.
class frmParameters : public QDialog {
  Q_OBJECT

 public:
  // `answers` holds one answer per parameter (missing ones read as empty); the wizard opens at
  // `start_step`, kept within the parameters.
  frmParameters(std::vector<TableParameter> params, std::vector<std::string> answers,
                int start_step, QWidget* parent = nullptr);

  const std::vector<std::string>& answers() const { return answers_; }
  // The 0-based index of the parameter shown.
  int step() const { return step_; }

  // The 0-based option that a list answer selects, or -1 when it selects none.
  static int OptionRow(const TableParameter& param, const std::string& answer);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  int count() const { return static_cast<int>(params_.size()); }
  // Shows the current step: caption, prompt, and the text box or the option list.
  void ShowStep();
  // Gives the focus to the control of the current step.
  void FocusStep();
  void cmdPrev_Click();
  void cmdNext_Click();
  void txtParamText_Change(const QString& text);
  void lstParamList_Click(int row);

  std::vector<TableParameter> params_;
  std::vector<std::string> answers_;
  int step_ = 0;
  bool filling_ = false;  // set while ShowStep fills the controls, whose signals then store nothing

  QLabel* lblPrompt_;
  SelectAllLineEdit* txtParamText_;
  QListWidget* lstParamList_;
  QPushButton* cmdPrev_;
  QPushButton* cmdNext_;
  QPushButton* cmdFinish_;
  QPushButton* cmdCancel_;
};

}  // namespace fablewick
