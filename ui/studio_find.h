// The studio's find and replace bar: finds the next or previous match of the text typed (with
// or without letter case), replaces the match found or every match at once, as one undo step.
#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace fablewick {

class StudioFindBar : public QWidget {
  Q_OBJECT

 public:
  explicit StudioFindBar(QWidget* parent = nullptr);

  // The editor searched; the bar follows the current tab.
  void SetEditor(QPlainTextEdit* editor) { editor_ = editor; }
  // Shows the bar with the find box focused, and the replace box too when asked.
  void Open(bool replace);
  bool FindNext(bool backwards = false);
  void ReplaceOne();
  int ReplaceAll();

 private:
  QPlainTextEdit* editor_ = nullptr;
  QLineEdit* txtFind = nullptr;
  QLineEdit* txtReplace = nullptr;
  QCheckBox* chkCase = nullptr;
  QPushButton* cmdReplace = nullptr;
  QPushButton* cmdReplaceAll = nullptr;
};

}  // namespace fablewick
