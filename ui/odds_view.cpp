#include "ui/odds_view.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>

#include "addons/addon_library.h"
#include "engine/engine.h"
#include "engine/host.h"
#include "engine/numbers.h"
#include "engine/stack.h"
#include "ui/odds_chart.h"

namespace fablewick {
namespace {

// Line breaks and tabs as the caret codes that write them, so each text keeps to one row.
QString OneRow(std::string_view text) {
  if (text.empty()) return QObject::tr("(empty)");
  std::string row;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      row += "^M";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      row += text[i] == '\t' ? std::string("^T") : std::string(1, text[i]);
    }
  }
  return QString::fromStdString(row);
}

QTreeWidget* MakeTree(const char* name, const QStringList& headings, QWidget* parent) {
  auto* tree = new QTreeWidget(parent);
  tree->setObjectName(name);
  tree->setHeaderLabels(headings);
  tree->setUniformRowHeights(true);
  tree->setAlternatingRowColors(true);
  return tree;
}

// So many result rows are shown at most; the command line lists them all.
constexpr std::size_t kShownResults = 2000;

}  // namespace

OddsView::OddsView(OddsSetup setup, QWidget* parent)
    : QDialog(parent),
      setup_(std::move(setup)),
      host_(std::make_unique<SilentHost>()),
      add_ons_(std::make_unique<DynamicAddOnLoader>(AddOnFolders(setup_.program_folder))),
      engine_(std::make_unique<Engine>(*host_)) {
  setObjectName("frmOdds");
  setWindowTitle(tr("Odds of %1").arg(QString::fromStdString(setup_.table)));
  engine_->SetProgramFolder(setup_.program_folder);
  engine_->set_add_on_loader(add_ons_.get());
  engine_->SetTablesFolder(setup_.tables_folder);
  engine_->set_tab_calls_as_errors(setup_.tab_calls_as_errors);
  engine_->FillCatalog();

  cmbGroup = new QComboBox(this);
  cmbGroup->setObjectName("cmbOddsGroup");
  const int t = engine_->GetTable(setup_.table);
  if (t >= 0) {
    for (const Group& group : engine_->TableAt(t).Groups) {
      cmbGroup->addItem(QString::fromStdString(group.Name));
    }
  }
  const int start = cmbGroup->findText("Start", Qt::MatchFixedString);
  cmbGroup->setCurrentIndex(start >= 0 ? start : 0);
  auto* group_label = new QLabel(tr("&Group:"), this);
  group_label->setBuddy(cmbGroup);

  lblStatus = new QLabel(this);
  lblStatus->setObjectName("lblOddsStatus");
  lblStatus->setWordWrap(true);
  lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

  treEntries = MakeTree("treOddsEntries",
                        {tr("Group / entry"), tr("Line"), tr("Chance"), tr("Expected")}, this);
  treResults = MakeTree("treOddsResults", {tr("Chance"), tr("Result")}, this);
  treResults->setRootIsDecorated(false);
  lblNumbers = new QLabel(this);
  lblNumbers->setObjectName("lblOddsNumbers");
  lblNumbers->setWordWrap(true);
  lblNumbers->setTextInteractionFlags(Qt::TextSelectableByMouse);
  chart_ = new OddsChart(this);

  auto* right = new QWidget(this);
  auto* right_layout = new QVBoxLayout(right);
  right_layout->setContentsMargins(0, 0, 0, 0);
  right_layout->addWidget(treResults, 3);
  right_layout->addWidget(lblNumbers);
  right_layout->addWidget(chart_, 2);
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->addWidget(treEntries);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setObjectName("cmdOddsClose");
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(group_label);
  top->addWidget(cmbGroup, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(lblStatus);
  layout->addWidget(splitter, 1);
  layout->addWidget(buttons);
  resize(900, 560);

  connect(cmbGroup, &QComboBox::currentIndexChanged, this, &OddsView::Compute);
  if (t < 0) {
    lblStatus->setText(tr("Table \"%1\" cannot be loaded.").arg(setup_.table.c_str()));
    cmbGroup->setEnabled(false);
  } else {
    Compute();
  }
}

OddsView::~OddsView() {
  if (worker_.joinable()) {
    engine_->RequestStop();
    worker_.join();
  }
}

std::string OddsView::ChosenCall() const {
  const std::string group = cmbGroup->currentText().toStdString();
  if (group.empty() || group == "Start") return "[" + setup_.table + "]";
  return "[" + setup_.table + "." + group + "]";
}

void OddsView::Compute() {
  if (busy_) {
    // Sampling ends early; the chosen group is worked out when it has.
    again_ = true;
    engine_->RequestStop();
    return;
  }
  if (worker_.joinable()) worker_.join();
  busy_ = true;
  const std::string call = ChosenCall();
  lblStatus->setText(tr("Working out the odds of %1...").arg(QString::fromStdString(call)));
  setCursor(Qt::BusyCursor);
  worker_ = std::thread([this, call] {
    auto result = std::make_shared<OddsResult>();
    try {
      RunWithLargeStack([&] { *result = ComputeOdds(*engine_, call, OddsOptions{}); });
    } catch (const std::exception& error) {
      result->status = OddsStatus::kBadCall;
      result->problem = error.what();
    }
    // Dropped when the view is gone by then.
    QMetaObject::invokeMethod(
        this, [this, result] { Finished(*result); }, Qt::QueuedConnection);
  });
}

void OddsView::Finished(const OddsResult& result) {
  busy_ = false;
  unsetCursor();
  if (again_) {
    again_ = false;
    Compute();
    return;
  }
  if (result.status != OddsStatus::kDone) {
    lblStatus->setText(QString::fromStdString("The odds cannot be worked out: " + result.problem));
    treEntries->clear();
    treResults->clear();
    lblNumbers->clear();
    chart_->Clear();
    return;
  }
  ShowReport(result.report);
}

void OddsView::ShowReport(const OddsReport& report) {
  lblStatus->setText(QString::fromStdString(OddsHeading(report)));
  const bool exact = report.exact;

  treEntries->clear();
  for (const GroupOdds& group : report.groups) {
    auto* heading = new QTreeWidgetItem(treEntries);
    heading->setText(0, QString::fromStdString("\"" + group.group + "\" of " + group.table));
    heading->setFirstColumnSpanned(true);
    for (const EntryOdds& entry : group.entries) {
      auto* row = new QTreeWidgetItem(heading);
      row->setText(0, OneRow(entry.text));
      row->setText(1, QString::number(entry.line));
      row->setText(2, QString::fromStdString(OddsChanceText(entry.chance, exact)));
      row->setText(3, QString::fromStdString(OddsExpectedText(entry.expected, exact)));
      for (int c = 1; c <= 3; ++c) row->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
  }
  treEntries->expandAll();
  for (int c = 0; c <= 3; ++c) treEntries->resizeColumnToContents(c);
  // Long entries are cut, not the figures beside them.
  treEntries->setColumnWidth(0, std::min(treEntries->columnWidth(0), 320));

  treResults->clear();
  if (!report.results_listed) {
    auto* row = new QTreeWidgetItem(treResults);
    row->setText(
        1, tr("Too many different results to list (up to %1); the groups show where "
              "they come from.")
               .arg(QString::fromStdString(FormatGeneralNumber(std::round(report.result_count)))));
  } else {
    for (std::size_t r = 0; r < report.results.size() && r < kShownResults; ++r) {
      auto* row = new QTreeWidgetItem(treResults);
      row->setText(0, QString::fromStdString(OddsChanceText(report.results[r].chance, exact)));
      row->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
      row->setText(1, OneRow(report.results[r].text));
    }
    if (report.results.size() > kShownResults) {
      auto* row = new QTreeWidgetItem(treResults);
      row->setText(1, tr("... and %1 more: fablewick-cli odds lists them all.")
                          .arg(report.results.size() - kShownResults));
    }
  }
  treResults->resizeColumnToContents(0);

  if (report.numbers) {
    lblNumbers->setText(QString::fromStdString("Numbers: " + OddsNumbersText(*report.numbers)));
    chart_->SetNumbers(*report.numbers);
    chart_->show();
  } else {
    lblNumbers->setText(tr("The results are not all numbers."));
    chart_->Clear();
    chart_->hide();
  }
}

}  // namespace fablewick
