// The studio's side panels: the problems list of the live check (severity, line, message) and
// the outline of the table (groups, their entries with their chances, the lines calling them).
// A click on a row goes to its line.
#pragma once

#include <QTreeWidget>
#include <vector>

#include "engine/authoring/checker.h"
#include "engine/authoring/outline.h"

namespace fablewick {

class ProblemsPanel : public QTreeWidget {
  Q_OBJECT

 public:
  explicit ProblemsPanel(QWidget* parent = nullptr);
  void Show(const std::vector<Diagnostic>& diagnostics);

 signals:
  // A problem was clicked: go to its line.
  void lineChosen(int line);
};

class OutlinePanel : public QTreeWidget {
  Q_OBJECT

 public:
  explicit OutlinePanel(QWidget* parent = nullptr);
  // Shows the outline, keeping the groups unfolded that were.
  void Show(const std::vector<OutlineGroup>& groups);

 signals:
  void lineChosen(int line);
};

}  // namespace fablewick
