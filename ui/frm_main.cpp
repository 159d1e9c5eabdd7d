// The main window: building its widgets, menus and status bar, laying them out, textures, and
// the settings read at start-up and written at close.
#include "ui/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>

#include "addons/addon_library.h"
#include "engine/engine.h"
#include "ui/archive_panel.h"
#include "ui/frm_note.h"
#include "ui/gui_host.h"
#include "ui/import_dialog.h"
#include "ui/parameter_panel.h"
#include "ui/results_view.h"
#include "ui/studio_window.h"

// The program's icon is built into the window's library; a static library's resources are
// registered by hand.
static void InitIconResources() { Q_INIT_RESOURCE(fablewick); }

namespace fablewick {
namespace {

// The desktop's icon for the program when its theme has one, else the icon built in.
QIcon ProgramIcon() {
  InitIconResources();
  QIcon built_in;
  built_in.addFile(":/icons/fablewick-48.png");
  built_in.addFile(":/icons/fablewick-128.png");
  return QIcon::fromTheme("fablewick", built_in);
}

constexpr int kGap = 8;
constexpr int kMinimumWidth = 500;
constexpr int kMinimumHeight = 400;

QFrame* MakePanel(const char* name, QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(name);
  panel->setFrameShape(QFrame::StyledPanel);
  return panel;
}

QPushButton* MakeButton(const char* name, const QString& caption, const QString& tip,
                        QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  if (!tip.isEmpty()) button->setToolTip(tip);
  return button;
}

// Toolbar buttons are as wide as their captions need, so the left column stays narrow.
int ButtonWidth(QPushButton* button) {
  return button->fontMetrics().horizontalAdvance(button->text()) + 24;
}

}  // namespace

frmMain::frmMain(MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), program_folder_(options_.program_folder) {
  setObjectName("frmMain");
  setWindowIcon(ProgramIcon());
  if (options_.dialogs) {
    dialogs_ = options_.dialogs;
  } else {
    own_dialogs_ = std::make_unique<QtDialogsHost>(this);
    dialogs_ = own_dialogs_.get();
  }
  host_ = std::make_unique<GuiThreadHost>(
      this, *dialogs_, [this](int panel, const std::string& text) { SetStatusPanel(panel, text); });
  engine_ = std::make_unique<Engine>(*host_);
  engine_->SetProgramFolder(program_folder_);
  add_ons_ = std::make_unique<DynamicAddOnLoader>(AddOnFolders(program_folder_));
  engine_->set_add_on_loader(add_ons_.get());

  CreateWidgets();
  CreateActions();
  CreateMenus();
  CreateStatusBar();
  CreateToolBar();
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  resize(800, 600);
}

frmMain::~frmMain() = default;

// ---- building the window --------------------------------------------------------------------

void frmMain::CreateWidgets() {
  central_ = new QWidget(this);
  central_->setObjectName("picBack");
  setCentralWidget(central_);
  // The splitter parts the left column from the results; its handle fills the gap between them.
  splitMain = new QSplitter(Qt::Horizontal, central_);
  splitMain->setObjectName("splitMain");
  splitMain->setHandleWidth(kGap);
  splitMain->setChildrenCollapsible(false);
  auto* central_layout = new QHBoxLayout(central_);
  central_layout->setContentsMargins(0, 0, 0, 0);
  central_layout->addWidget(splitMain);
  picLeft = new QWidget(splitMain);
  picLeft->setObjectName("picLeft");
  picRight = new QWidget(splitMain);
  picRight->setObjectName("picRight");
  splitMain->addWidget(picLeft);
  splitMain->addWidget(picRight);
  splitMain->setStretchFactor(0, 0);
  splitMain->setStretchFactor(1, 1);

  picToolbar = MakePanel("picToolbar", picLeft);
  txtNumRolls = new SelectAllLineEdit(picToolbar);
  txtNumRolls->setObjectName("txtNumRolls");
  txtNumRolls->setToolTip(tr("Number of times to roll on table"));
  txtNumRolls->setText("1");
  txtNumRolls->setFixedWidth(48);
  lblNumRolls = new QLabel(tr("Rolls:"), picToolbar);
  lblNumRolls->setObjectName("lblNumRolls");
  lblNumRolls->setBuddy(txtNumRolls);
  connect(txtNumRolls, &QLineEdit::returnPressed, this, &frmMain::cmdRoll_Click);

  picTop = MakePanel("picTop", picLeft);
  lblCategories = new QLabel(tr("Categories & Tables"), picTop);
  lblCategories->setObjectName("lblCategories");
  cmbCategories = new QComboBox(picTop);
  cmbCategories->setObjectName("cmbCategories");
  cmbCategories->setPlaceholderText(tr("Choose a category"));
  lstTables = new QListWidget(picTop);
  lstTables->setObjectName("lstTables");
  connect(cmbCategories, &QComboBox::currentIndexChanged, this, &frmMain::cmbCategories_Click);
  // A table is chosen when the selection has moved to it: at once for the keyboard, and when
  // the button is released for the mouse. The list makes an item current on the press, before
  // it selects it, so the current row alone does not tell which table was chosen.
  connect(lstTables, &QListWidget::itemSelectionChanged, this, &frmMain::OnTableSelectionChanged);
  lstTables->viewport()->installEventFilter(this);

  picHyperlist = MakePanel("picHyperlist", picLeft);
  lblHyperlist = new QLabel(tr("Favorites"), picHyperlist);
  lblHyperlist->setObjectName("lblHyperlist");
  lstHyperlist = new QListWidget(picHyperlist);
  lstHyperlist->setObjectName("lstHyperlist");
  cmdAddHyper = MakeButton("cmdAddHyper", tr("&Add"), tr("Add the selected table to the favorites"),
                           picHyperlist);
  cmdRemoveHyper =
      MakeButton("cmdRemoveHyper", tr("Re&move"), tr("Remove the selected favorite"), picHyperlist);
  cmdClearHyper =
      MakeButton("cmdClearHyper", tr("&Clear"), tr("Remove every favorite"), picHyperlist);
  connect(cmdAddHyper, &QPushButton::clicked, this, &frmMain::cmdAddHyper_Click);
  connect(cmdRemoveHyper, &QPushButton::clicked, this, &frmMain::cmdRemoveHyper_Click);
  connect(cmdClearHyper, &QPushButton::clicked, this, &frmMain::cmdClearHyper_Click);
  connect(lstHyperlist, &QListWidget::itemClicked, this, &frmMain::lstHyperlist_Click);

  picParameters = new ParameterPanel(picRight);
  picParameters->setObjectName("picParameters");
  picParameters->hide();
  connect(picParameters, &ParameterPanel::layoutChanged, this, &frmMain::DoLayout);
  connect(picParameters, &ParameterPanel::valuesChanged, this,
          [this](const std::vector<std::string>& values) { engine_->SetParameterValues(values); });

  picArchives = new ArchivePanel(program_folder_, *dialogs_, picLeft);
  picArchives->setObjectName("picArchives");
  picArchives->SetOutputTypeSource([this] { return int{settings_.nOutputType}; });
  picArchives->hide();
  connect(picArchives, &ArchivePanel::documentChosen, this,
          [this](const QString& path) { ShowPage(path.toStdString()); });
  connect(picArchives, &ArchivePanel::deleted, this, [this] {
    std::error_code error;
    if (!std::filesystem::exists(WebBrowser1->CurrentPath(), error)) ShowAfterDeletion();
    history_.Forget([](const PageHistory::Page& page) {
      std::error_code missing;
      return !std::filesystem::exists(page.path, missing);
    });
    UpdatePageState();
  });

  picResults = MakePanel("picResults", picRight);
  WebBrowser1 = new ResultsView(picResults);
  connect(WebBrowser1, &ResultsView::linkActivated, this,
          [this](const QString& href) { WebBrowser1_BeforeNavigate2(href.toStdString()); });
  connect(WebBrowser1, &ResultsView::loadingChanged, this, &frmMain::UpdateStopEnabled);

  picLeft->setMinimumWidth(kGap + LeftColumnWidth());
  splitMain->setSizes({kGap + LeftColumnWidth(), 10000});
  // Both sides lay their panels out again whenever the splitter or the window resizes them.
  picLeft->installEventFilter(this);
  picRight->installEventFilter(this);
}

void frmMain::CreateActions() {
  auto make = [this](QAction*& action, const char* name, const QString& caption, auto slot) {
    action = new QAction(caption, this);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, slot);
  };
  make(mnuExport, "mnuExport", tr("&Export Results..."), &frmMain::ExportResults);
  make(mnuPublish, "mnuPublish", tr("Publish as &Web Page..."), &frmMain::PublishWebPage);
  make(mnuPrint, "mnuPrint", tr("&Print"), &frmMain::PrintResults);
  make(mnuPrefs, "mnuPrefs", tr("P&references..."), &frmMain::ShowPreferences);
  make(mnuExit, "mnuExit", tr("E&xit"), &frmMain::ExitWithoutSaving);
  make(mnuCopy, "mnuCopy", tr("&Copy Selected to Clipboard"), [this] { WebBrowser1->copy(); });
  make(mnuSelectAll, "mnuSelectAll", tr("Select &All"), [this] {
    WebBrowser1->FinishLoading();
    WebBrowser1->selectAll();
  });
  make(mnuBack, "mnuBack", tr("&Back"), &frmMain::GoBack);
  make(mnuForward, "mnuForward", tr("&Forward"), &frmMain::GoForward);
  make(mnuEditTable, "mnuEditTable", tr("Edit &Table"), &frmMain::EditTable);
  make(mnuRoll, "mnuRoll", tr("&Roll"), &frmMain::cmdRoll_Click);
  make(mnuReload, "mnuReload", tr("Re&load"), &frmMain::Reload);
  make(mnuStop, "mnuStop", tr("&Stop"), &frmMain::Stop);
  make(mnuCheckTable, "mnuCheckTable", tr("&Check Table"), &frmMain::CheckTable);
  make(mnuOdds, "mnuOdds", tr("&Odds..."), &frmMain::ShowOdds);
  make(mnuFWHelp, "mnuFWHelp", tr("&Fablewick Help"), &frmMain::ShowHelp);
  make(mnuAddOns, "mnuAddOns", tr("Add-&Ons..."), &frmMain::ShowAddOns);
  make(mnuAbout, "mnuAbout", tr("&About..."), &frmMain::ShowTitlePage);
  mnuCopy->setShortcut(QKeySequence::Copy);
  mnuSelectAll->setShortcut(QKeySequence::SelectAll);
  mnuPrint->setShortcut(QKeySequence::Print);
  mnuRoll->setShortcut(Qt::Key_F5);
  mnuExport->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
  mnuPrefs->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
  mnuReload->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  mnuFWHelp->setShortcut(QKeySequence::HelpContents);
  mnuStop->setShortcut(Qt::Key_Escape);
  mnuStop->setShortcutContext(Qt::ApplicationShortcut);
  mnuStop->setEnabled(false);
  mnuEditTable->setEnabled(false);
  mnuBack->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  mnuForward->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
  mnuBack->setEnabled(false);
  mnuForward->setEnabled(false);
}

void frmMain::CreateMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addAction(CreateImportAction(*this));
  file->addSeparator();
  file->addAction(mnuExport);
  file->addAction(mnuPublish);
  file->addAction(mnuPrint);
  file->addSeparator();
  file->addAction(mnuPrefs);
  file->addSeparator();
  file->addAction(mnuExit);
  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  edit->addAction(mnuCopy);
  edit->addAction(mnuSelectAll);
  edit->addSeparator();
  edit->addAction(mnuEditTable);
  QMenu* view = menuBar()->addMenu(tr("&View"));
  view->addAction(mnuBack);
  view->addAction(mnuForward);
  QMenu* table = menuBar()->addMenu(tr("&Table"));
  table->addAction(mnuRoll);
  table->addAction(mnuStop);
  table->addAction(mnuReload);
  table->addSeparator();
  table->addAction(mnuCheckTable);
  table->addAction(mnuOdds);
  CreateStudioActions(file, table);
  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->addAction(mnuFWHelp);
  help->addAction(mnuAddOns);
  help->addSeparator();
  help->addAction(mnuAbout);
  // Escape stops a generation from anywhere in the window, even with a menu closed.
  addAction(mnuStop);
}

void frmMain::CreateStatusBar() {
  StatusPanel0 = new QLabel(statusBar());
  StatusPanel0->setObjectName("StatusPanel0");
  StatusPanel0->setMinimumWidth(160);
  StatusPanel1 = new QLabel(statusBar());
  StatusPanel1->setObjectName("StatusPanel1");
  statusBar()->setObjectName("StatusBar1");
  statusBar()->addWidget(StatusPanel0);
  statusBar()->addWidget(StatusPanel1, 1);
  RollProgress = new QProgressBar(statusBar());
  RollProgress->setObjectName("RollProgress");
  RollProgress->setFormat(tr("roll %v of %m"));
  RollProgress->setMinimumWidth(
      RollProgress->fontMetrics().horizontalAdvance("roll 32767 of 32767") + 24);
  RollProgress->setMaximumWidth(260);
  RollProgress->hide();
  statusBar()->addPermanentWidget(RollProgress);
  StatusPage = new QLabel(statusBar());
  StatusPage->setObjectName("StatusPage");
  statusBar()->addPermanentWidget(StatusPage);
}

void frmMain::SetStatusPanel(int panel, const std::string& text) {
  (panel == 0 ? StatusPanel0 : StatusPanel1)->setText(QString::fromStdString(text));
}

void frmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (!isMinimized()) DoLayout();
}

// Wide enough for the favourites' three buttons and for table names of a fair length.
int frmMain::LeftColumnWidth() const {
  return std::max(240, ButtonWidth(cmdAddHyper) + ButtonWidth(cmdRemoveHyper) +
                           ButtonWidth(cmdClearHyper) + 16);
}

// Places every panel from the sizes of the splitter's two sides. The left column is as wide as
// the splitter makes it, never narrower than its row of buttons; the results panel takes the
// right side.
void frmMain::DoLayout() {
  const int width = picRight->width();
  const int height = central_->height();

  const int toolbar_width = std::max(LeftColumnWidth(), picLeft->width() - kGap);
  const int box_height = txtNumRolls->sizeHint().height();
  const int toolbar_height = box_height + kGap;
  const int toolbar_top = kGap;
  picToolbar->setGeometry(kGap, toolbar_top, toolbar_width, toolbar_height);
  const int inner_top = 4;
  const int label_width = lblNumRolls->sizeHint().width();
  lblNumRolls->setGeometry(kGap, inner_top, label_width, box_height);
  txtNumRolls->setGeometry(kGap + label_width + 4, inner_top, txtNumRolls->width(), box_height);

  // The archive panel takes the place of the toolbar, the table browser and the favourites.
  picArchives->setGeometry(kGap, toolbar_top, toolbar_width,
                           std::max(80, height - toolbar_top - kGap));

  const int top_top = toolbar_top + toolbar_height + kGap;
  const int top_height = std::max(80, static_cast<int>((height - 24) * 0.4));
  picTop->setGeometry(kGap, top_top, toolbar_width, top_height);
  const int inner = toolbar_width - 16;
  lblCategories->setGeometry(kGap, kGap, inner, lblCategories->sizeHint().height());
  const int combo_top = kGap + lblCategories->sizeHint().height() + 4;
  cmbCategories->setGeometry(kGap, combo_top, inner, cmbCategories->sizeHint().height());
  const int list_top = combo_top + cmbCategories->sizeHint().height() + 4;
  lstTables->setGeometry(kGap, list_top, inner, std::max(20, top_height - list_top - kGap));

  const int favorites_top = top_top + top_height + kGap;
  const int favorites_height = std::max(80, height - favorites_top - kGap);
  picHyperlist->setGeometry(kGap, favorites_top, toolbar_width, favorites_height);
  lblHyperlist->setGeometry(kGap, kGap, inner, lblHyperlist->sizeHint().height());
  const int button_height = cmdAddHyper->sizeHint().height();
  const int favorites_list_top = kGap + lblHyperlist->sizeHint().height() + 4;
  const int buttons_top = favorites_height - kGap - button_height;
  lstHyperlist->setGeometry(kGap, favorites_list_top, inner,
                            std::max(20, buttons_top - favorites_list_top - 4));
  const int add_width = inner / 3;
  const int remove_width = (inner - add_width) / 2;
  cmdAddHyper->setGeometry(kGap, buttons_top, add_width, button_height);
  cmdRemoveHyper->setGeometry(kGap + add_width, buttons_top, remove_width, button_height);
  cmdClearHyper->setGeometry(kGap + add_width + remove_width, buttons_top,
                             inner - add_width - remove_width, button_height);

  const int results_left = 0;
  const int results_width = std::max(40, width - kGap);
  int results_height = height - 16;
  picParameters->setVisible(picParameters->TableHasParams());
  if (picParameters->TableHasParams()) {
    const int parameters_height = picParameters->PreferredHeight();
    results_height = height - parameters_height - 24;
    picParameters->setGeometry(results_left, kGap + results_height + kGap, results_width,
                               parameters_height);
  }
  picResults->setGeometry(results_left, kGap, results_width, std::max(40, results_height));
  WebBrowser1->setGeometry(kGap, kGap, picResults->width() - 16, picResults->height() - 16);
}

// Tiles the background texture over the window and the panel texture over each panel, or leaves
// them plain. A texture file that is missing leaves its panels plain.
void frmMain::ApplyTextures() {
  const bool on = settings_.bUseTexturedBGs;
  if (!on && !textures_applied_) return;
  const QPixmap back(QString::fromStdString((program_folder_ / "Textures" / "Back.png").string()));
  const QPixmap panel(
      QString::fromStdString((program_folder_ / "Textures" / "Panel.png").string()));
  auto paint = [on](QWidget* widget, const QPixmap& tile) {
    if (!widget) return;
    QPalette palette = QApplication::palette(widget);
    const bool textured = on && !tile.isNull();
    if (textured) palette.setBrush(QPalette::Window, QBrush(tile));
    widget->setPalette(palette);
    widget->setAutoFillBackground(textured);
  };
  paint(central_, back);
  for (QWidget* widget : std::initializer_list<QWidget*>{picTop, picParameters, picResults,
                                                         picHyperlist, picToolbar, picArchives}) {
    paint(widget, panel);
  }
  textures_applied_ = on;
}

// ---- settings -----------------------------------------------------------------------------

void frmMain::ApplySettingsToWindow() {
  engine_->set_tab_calls_as_errors(settings_.bTabCallsAsErrors);
  txtNumRolls->setText(QString::fromStdString(settings_.NumRolls));
  for (const std::string& favorite : settings_.HList) {
    lstHyperlist->addItem(QString::fromStdString(favorite));
  }
  const QRect screen =
      this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
  QRect frame = geometry();
  if (settings_.WinW) frame.setWidth(static_cast<int>(*settings_.WinW / nXtpp));
  if (settings_.WinH) frame.setHeight(static_cast<int>(*settings_.WinH / nYtpp));
  frame.setWidth(std::max(frame.width(), kMinimumWidth));
  frame.setHeight(std::max(frame.height(), kMinimumHeight));
  if (settings_.bRememberPosition && settings_.WinL && settings_.WinT) {
    frame.moveTo(static_cast<int>(*settings_.WinL / nXtpp),
                 static_cast<int>(*settings_.WinT / nYtpp));
  } else {
    frame.moveTo(screen.left() + (screen.width() - frame.width()) / 2,
                 screen.top() + (screen.height() - frame.height()) / 2);
  }
  setGeometry(frame);
  if (settings_.Maximized) setWindowState(windowState() | Qt::WindowMaximized);
  RestoreSplitter();
  ApplyTextures();
}

void frmMain::CollectSettingsFromWindow() {
  settings_.NumRolls = txtNumRolls->text().toStdString();
  const QRect frame = isMaximized() ? normalGeometry() : geometry();
  settings_.WinW = static_cast<float>(frame.width() * nXtpp);
  settings_.WinH = static_cast<float>(frame.height() * nYtpp);
  settings_.WinL = static_cast<float>(frame.left() * nXtpp);
  settings_.WinT = static_cast<float>(frame.top() * nYtpp);
  settings_.Maximized = isMaximized();
  settings_.HList.clear();
  for (int row = 0; row < lstHyperlist->count(); ++row) {
    settings_.HList.push_back(lstHyperlist->item(row)->text().toStdString());
  }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == picLeft || watched == picRight) && event->type() == QEvent::Resize) {
    DoLayout();
  }
  if (watched == lstTables->viewport()) {
    if (event->type() == QEvent::MouseButtonPress) mouse_in_tables_ = true;
    if (event->type() == QEvent::MouseButtonRelease) {
      mouse_in_tables_ = false;
      // After the list has handled the release, so that the selection is final.
      if (table_choice_pending_) {
        QMetaObject::invokeMethod(this, &frmMain::lstTables_Click, Qt::QueuedConnection);
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event) {
  if (generating_) {
    // The generation is unwinding on its own thread; the window closes when it has ended.
    close_when_stopped_ = true;
    Stop();
    event->ignore();
    return;
  }
  // Unsaved tables in the studio are asked about first; a Cancel there keeps both windows open,
  // and a later close saves the settings again even when this one came from File > Exit.
  if (studio_ && !studio_->close()) {
    exit_without_saving_ = false;
    event->ignore();
    return;
  }
  if (!exit_without_saving_) {
    SaveSplitter();
    CollectSettingsFromWindow();
    try {
      WriteConfigFile(program_folder_, settings_);
    } catch (const std::exception& error) {
      ErrorBox("Form_Unload", error.what());
    }
  }
  event->accept();
}

void frmMain::ExitWithoutSaving() {
  exit_without_saving_ = true;
  close();
}

void frmMain::ErrorBox(const std::string& routine, const std::string& description) {
  ShowRoutineError(*dialogs_, routine, description);
}

}  // namespace fablewick
