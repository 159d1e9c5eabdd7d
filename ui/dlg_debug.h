// The debug window (dlgDebug) opened by the table function "Debug".
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace fablewick {

// A modal dialog whose whole client area is one list (lstInfo) of the lines the engine gathered:
// the table's variables, the memory figures and the expansion counter. The list follows every
// resize of the dialog. The caption is the one the engine gives ("Debug: ... (Line: n)"), or
// "Debug Window" when that is empty.
class dlgDebug : public QDialog {
  Q_OBJECT

 public:
  dlgDebug(const std::string& caption, const std::vector<std::string>& lines,
           QWidget* parent = nullptr);

  // Shows the lines modally; returns when the person closes the window.
  static void Show(QWidget* parent, const std::string& caption,
                   const std::vector<std::string>& lines);

 private:
  QListWidget* lstInfo_;
};

}  // namespace fablewick
