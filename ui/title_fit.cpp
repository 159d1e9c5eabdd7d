#include "ui/title_fit.h"

#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <algorithm>

namespace fablewick {
namespace {

// Title bars often use a bolder font than the window's; their icon and buttons take about this.
constexpr int kDecorationWidth = 150;
// A title longer than this is left to the window manager to cut, rather than a huge window.
constexpr int kMostWidth = 900;

}  // namespace

int TitleWidth(const QWidget& window, const QString& title) {
  QFont bold = window.font();
  bold.setBold(true);
  return std::min(kMostWidth, QFontMetrics(bold).horizontalAdvance(title) + kDecorationWidth);
}

void FitTitle(QDialog& dialog) {
  dialog.setMinimumWidth(std::max(dialog.minimumWidth(), TitleWidth(dialog, dialog.windowTitle())));
}

void FitTitle(QMessageBox& box) {
  // A message box ignores its minimum width; a spacer across its grid widens it instead.
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  grid->addItem(new QSpacerItem(TitleWidth(box, box.windowTitle()), 0, QSizePolicy::Minimum,
                                QSizePolicy::Fixed),
                grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace fablewick
