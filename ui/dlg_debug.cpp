#include "ui/dlg_debug.h"

#include <QListWidget>
#include <QVBoxLayout>

#include "ui/title_fit.h"

namespace fablewick {

dlgDebug::dlgDebug(const std::string& caption, const std::vector<std::string>& lines,
                   QWidget* parent)
    : QDialog(parent) {
  setObjectName("dlgDebug");
  setWindowTitle(caption.empty() ? QString("Debug Window") : QString::fromStdString(caption));

  lstInfo_ = new QListWidget(this);
  lstInfo_->setObjectName("lstInfo");
  for (const std::string& line : lines) lstInfo_->addItem(QString::fromStdString(line));

  // A layout without margins keeps the list over the whole client area through every resize.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(lstInfo_);
  resize(420, 320);
  FitTitle(*this);
}

void dlgDebug::Show(QWidget* parent, const std::string& caption,
                    const std::vector<std::string>& lines) {
  dlgDebug dialog(caption, lines, parent);
  dialog.exec();
}

}  // namespace fablewick
