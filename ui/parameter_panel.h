// The parameter panel (picParameters) of the main window: the prompts of the selected table's
// parameters beside their current values, with the buttons that open the parameter wizard and
// that fold the panel down to its title row.
#pragma once

#include <QFrame>
#include <string>
#include <vector>

#include "engine/model/table.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace fablewick {

// Shows one row per parameter: lstPrompts holds the prompts, lstValues the values (a list
// parameter shows its option's text and keeps the 0-based option index as the row's item data
// under Qt::UserRole; a text parameter shows its text). The two lists keep the same row selected
// and the same top row. cmdChangeParam, or a double click on a row, opens the wizard at the
// selected parameter; cmdHideParam folds the panel to its title row and back.
//
// The panel keeps its own copy of the parameter records and values given to LoadParameters. When
// the wizard, opened from the panel, finishes, the copy is updated and valuesChanged() carries
// the new values; the window hands them to the engine (Engine::SetParameterValues). Nothing
// changes when the wizard is cancelled.
//
// The window places the panel and decides whether it shows (only for tables with parameters);
// the panel arranges its own children to whatever size it is given. layoutChanged() asks the
// window to lay itself out again, with PreferredHeight() as the panel's height.
class ParameterPanel : public QFrame {
  Q_OBJECT

 public:
  explicit ParameterPanel(QWidget* parent = nullptr);

  // Lists the parameters of a table chosen for rolling with their values (one per parameter; a
  // missing value reads as empty). A list value that names no option shows the first option;
  // the engine reported that when it loaded the values. Emits layoutChanged().
  void LoadParameters(const std::vector<TableParameter>& params,
                      const std::vector<std::string>& values);

  // bParamFrameHidden: true while only the title row shows (the state at start-up).
  bool FrameHidden() const { return frame_hidden_; }
  // Folds or unfolds the panel; the button reads "Show" while hidden and "Hide" while shown.
  // Emits layoutChanged() when the state changes.
  void SetFrameHidden(bool hidden);

  // bTableHasParams: whether the last table loaded declares a parameter.
  bool TableHasParams() const { return table_has_params_; }

  // The height the window should give the panel: the title row alone while hidden, otherwise
  // the title row and the prompt list.
  int PreferredHeight() const;

  // While false (a generation is running), the Change button is disabled and double clicks do
  // not open the wizard.
  void SetChangeAllowed(bool allowed);
  bool ChangeAllowed() const { return change_allowed_; }

  // The values as the panel holds them, updated when the wizard finishes.
  const std::vector<std::string>& Values() const { return values_; }

  // Runs the wizard modally, starting at the row selected in lstPrompts (the first when none),
  // with the answers read from the rows. On Finish writes the new values into `values` (a list
  // parameter's 1-based item number as text, a text parameter's text), updates the rows and
  // returns true; on Cancel changes nothing and returns false. Also false when `params` does
  // not match the rows shown.
  bool OpenWizard(const std::vector<TableParameter>& params, std::vector<std::string>& values);

 signals:
  // The panel's content or folded state changed; the window lays itself out again.
  void layoutChanged();
  // The wizard, opened from the panel, finished with these values (one per parameter).
  void valuesChanged(const std::vector<std::string>& values);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ArrangeChildren();
  int TitleHeight() const;
  int ListHeight() const;
  // Selects `row` in both lists.
  void SelectRow(int row);
  void SyncTopRow(QListWidget* to, int value);
  void cmdChangeParam_Click();
  void cmdHideParam_Click();
  void OnRowDoubleClicked(int row);
  void OpenWizardFromPanel();

  QLabel* lblParameters_;
  QListWidget* lstPrompts_;
  QListWidget* lstValues_;
  QPushButton* cmdChangeParam_;
  QPushButton* cmdHideParam_;

  std::vector<TableParameter> params_;
  std::vector<std::string> values_;
  bool frame_hidden_ = true;
  bool table_has_params_ = false;
  bool change_allowed_ = true;
  bool syncing_ = false;  // set while one list follows the other, so they do not ping-pong
};

}  // namespace fablewick
