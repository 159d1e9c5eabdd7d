#include "ui/studio_panels.h"

#include <QHeaderView>

namespace fablewick {

ProblemsPanel::ProblemsPanel(QWidget* parent) : QTreeWidget(parent) {
  setObjectName("lstStudioProblems");
  setColumnCount(3);
  setHeaderLabels({tr("Severity"), tr("Line"), tr("Message")});
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  header()->setStretchLastSection(true);
  connect(this, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { emit lineChosen(item->data(1, Qt::UserRole).toInt()); });
  connect(this, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { emit lineChosen(item->data(1, Qt::UserRole).toInt()); });
}

void ProblemsPanel::Show(const std::vector<Diagnostic>& diagnostics) {
  clear();
  QList<QTreeWidgetItem*> items;
  for (const Diagnostic& d : diagnostics) {
    auto* item = new QTreeWidgetItem({QString::fromStdString(std::string(SeverityWord(d.severity))),
                                      d.line > 0 ? QString::number(d.line) : QString(),
                                      QString::fromStdString(d.message)});
    item->setData(1, Qt::UserRole, d.line);
    item->setToolTip(2, QString::fromStdString(d.message));
    const QColor colour = d.severity == Severity::kError     ? QColor(0xB0, 0x10, 0x10)
                          : d.severity == Severity::kWarning ? QColor(0x90, 0x60, 0x00)
                                                             : QColor(0x40, 0x40, 0x40);
    item->setForeground(0, colour);
    items << item;
  }
  addTopLevelItems(items);
  resizeColumnToContents(0);
  resizeColumnToContents(1);
}

OutlinePanel::OutlinePanel(QWidget* parent) : QTreeWidget(parent) {
  setObjectName("treStudioOutline");
  setColumnCount(3);
  setHeaderLabels({tr("Group / entry"), tr("Chance"), tr("Line")});
  setUniformRowHeights(true);
  setColumnWidth(0, 190);
  connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    if (const int line = item->data(0, Qt::UserRole).toInt(); line > 0) emit lineChosen(line);
  });
}

void OutlinePanel::Show(const std::vector<OutlineGroup>& groups) {
  QSet<QString> unfolded;
  for (int i = 0; i < topLevelItemCount(); ++i) {
    if (topLevelItem(i)->isExpanded())
      unfolded << topLevelItem(i)->data(1, Qt::UserRole).toString();
  }
  clear();
  for (const OutlineGroup& group : groups) {
    const QString name = QString::fromStdString(group.name);
    QString kind = group.weighted ? tr("weighted") : tr("ranged");
    if (group.no_repeat) kind += tr(", no repeat");
    auto* top = new QTreeWidgetItem(
        {name + "  (" + kind + ", " + tr("%n entries", nullptr, int(group.entries.size())) + ")",
         group.rolls > 0 ? tr("%1 rolls").arg(group.rolls) : QString(),
         QString::number(group.line)});
    top->setData(0, Qt::UserRole, group.line);
    top->setData(1, Qt::UserRole, name);
    QFont bold = top->font(0);
    bold.setBold(true);
    top->setFont(0, bold);
    for (const OutlineEntry& entry : group.entries) {
      auto* row =
          new QTreeWidgetItem(top, {QString::fromStdString(entry.value + ", " + entry.text),
                                    QString::fromStdString(FormatChance(entry.chosen, group.rolls)),
                                    QString::number(entry.line)});
      row->setData(0, Qt::UserRole, entry.line);
      row->setToolTip(0, QString::fromStdString(entry.text));
    }
    auto* calls = new QTreeWidgetItem(
        top,
        {group.callers.empty() ? tr("not called in this table")
                               : tr("called from %n line(s)", nullptr, int(group.callers.size()))});
    calls->setForeground(0, QColor(0x60, 0x60, 0x60));
    for (int32_t line : group.callers) {
      auto* call =
          new QTreeWidgetItem(calls, {tr("line %1").arg(line), QString(), QString::number(line)});
      call->setData(0, Qt::UserRole, line);
    }
    addTopLevelItem(top);
    top->setExpanded(unfolded.contains(name));
  }
}

}  // namespace fablewick
