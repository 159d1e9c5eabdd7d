// Window managers cut a title that is wider than its window, and a box with a short message is
// narrow. These helpers widen a dialog or a message box so that its whole title shows.
#pragma once

#include <QString>

class QDialog;
class QMessageBox;
class QWidget;

namespace fablewick {

// The width a window needs for `title` in its title bar: the text, with room for the window
// manager's icon and buttons.
int TitleWidth(const QWidget& window, const QString& title);

// Makes `dialog` at least as wide as its title needs; call again after changing the title.
void FitTitle(QDialog& dialog);

// The same for a message box, which sets its own size from its contents when shown.
void FitTitle(QMessageBox& box);

}  // namespace fablewick
