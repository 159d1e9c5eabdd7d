#include "ui/studio_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <charconv>

#include "engine/engine.h"
#include "engine/host.h"
#include "ui/studio_editor.h"
#include "ui/studio_find.h"
#include "ui/studio_panels.h"
#include "ui/studio_preview.h"
#include "ui/title_fit.h"

namespace fablewick {

StudioWindow::StudioWindow(Engine& engine, Host& dialogs, std::filesystem::path program_folder,
                           QWidget* parent)
    : QMainWindow(parent), context_{engine, dialogs, std::move(program_folder)} {
  setObjectName("frmStudio");
  setWindowTitle(tr("Fablewick Studio"));
  resize(1100, 700);
  auto* central = new QWidget(this);
  tabs_ = new QTabWidget(central);
  tabs_->setObjectName("tabStudio");
  tabs_->setTabsClosable(true);
  tabs_->setMovable(true);
  tabs_->setDocumentMode(true);
  find_ = new StudioFindBar(central);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tabs_, 1);
  layout->addWidget(find_);
  setCentralWidget(central);

  problems_ = new ProblemsPanel(this);
  auto* dock = new QDockWidget(tr("Problems"), this);
  dock->setObjectName("dockStudioProblems");
  dock->setWidget(problems_);
  dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  addDockWidget(Qt::BottomDockWidgetArea, dock);
  connect(problems_, &ProblemsPanel::lineChosen, this, [this](int line) {
    if (StudioPage* page = CurrentPage(); page && line > 0) page->editor().GoToLine(line);
  });

  outline_ = new OutlinePanel(this);
  auto* outline_dock = new QDockWidget(tr("Outline"), this);
  outline_dock->setObjectName("dockStudioOutline");
  outline_dock->setWidget(outline_);
  outline_dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  addDockWidget(Qt::LeftDockWidgetArea, outline_dock);
  connect(outline_, &OutlinePanel::lineChosen, this, [this](int line) {
    if (StudioPage* page = CurrentPage()) page->editor().GoToLine(line);
  });

  resizeDocks({outline_dock}, {340}, Qt::Horizontal);
  resizeDocks({dock}, {150}, Qt::Vertical);

  lblCounts = new QLabel(this);
  lblCounts->setObjectName("lblStudioCounts");
  lblLine = new QLabel(this);
  lblLine->setObjectName("lblStudioLine");
  statusBar()->addWidget(lblCounts, 1);
  statusBar()->addPermanentWidget(lblLine);

  connect(tabs_, &QTabWidget::currentChanged, this, &StudioWindow::OnCurrentChanged);
  connect(tabs_, &QTabWidget::tabCloseRequested, this, &StudioWindow::CloseTab);
  ask_unsaved_ = [this](const std::string& name) {
    QMessageBox box(QMessageBox::Question, tr("Unsaved Changes"),
                    tr("Save the changes to %1?").arg(QString::fromStdString(name)),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Save);
    FitTitle(box);
    const int answer = box.exec();
    if (answer == QMessageBox::Save) return Unsaved::kSave;
    return answer == QMessageBox::Discard ? Unsaved::kDiscard : Unsaved::kCancel;
  };
  CreateMenus();
}

StudioWindow::~StudioWindow() = default;

void StudioWindow::CreateMenus() {
  auto add = [this](QMenu* menu, const QString& caption, const char* name, QKeySequence keys,
                    auto slot) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!keys.isEmpty()) action->setShortcut(keys);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  auto page = [this](auto work) {
    return [this, work] {
      if (StudioPage* p = CurrentPage()) work(*p);
    };
  };
  QMenu* file = menuBar()->addMenu(tr("&File"));
  add(file, tr("&New Table..."), "mnuStudioNew", QKeySequence::New, [this] { NewTable(); });
  add(file, tr("&Open Table File..."), "mnuStudioOpen", QKeySequence::Open,
      &StudioWindow::OpenChosenFile);
  add(file, tr("&Save"), "mnuStudioSave", QKeySequence::Save, [this] { SaveCurrent(); });
  add(file, tr("&Close Tab"), "mnuStudioCloseTab", QKeySequence(Qt::CTRL | Qt::Key_W),
      [this] { CloseTab(tabs_->currentIndex()); });
  file->addSeparator();
  add(file, tr("Close &Studio"), "mnuStudioClose", QKeySequence(), [this] { close(); });
  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  add(edit, tr("&Undo"), "mnuStudioUndo", QKeySequence::Undo,
      page([](StudioPage& p) { p.editor().undo(); }));
  add(edit, tr("&Redo"), "mnuStudioRedo", QKeySequence::Redo,
      page([](StudioPage& p) { p.editor().redo(); }));
  edit->addSeparator();
  add(edit, tr("&Find..."), "mnuStudioFind", QKeySequence::Find, [this] { find_->Open(false); });
  add(edit, tr("R&eplace..."), "mnuStudioReplace", QKeySequence(Qt::CTRL | Qt::Key_H),
      [this] { find_->Open(true); });
  add(edit, tr("Find &Next"), "mnuStudioFindNext", QKeySequence::FindNext,
      [this] { find_->FindNext(); });
  add(edit, tr("&Go to Line..."), "mnuStudioGoTo", QKeySequence(Qt::CTRL | Qt::Key_G),
      &StudioWindow::GoToLine);
  add(edit, tr("&Toggle Comment"), "mnuStudioComment", QKeySequence(Qt::CTRL | Qt::Key_Slash),
      page([](StudioPage& p) { p.editor().ToggleComment(); }));
  QMenu* preview = menuBar()->addMenu(tr("&Preview"));
  add(preview, tr("Roll &Start"), "mnuStudioRollStart", QKeySequence(Qt::Key_F5),
      page([](StudioPage& p) { p.PreviewGroup("Start"); }));
  add(preview, tr("Roll the &Group at the Cursor"), "mnuStudioRollGroup",
      QKeySequence(Qt::SHIFT | Qt::Key_F5),
      page([](StudioPage& p) { p.PreviewGroup(p.GroupAtCursor()); }));
  add(preview, tr("&New Seed"), "mnuStudioNewSeed", QKeySequence(Qt::CTRL | Qt::Key_F5),
      page([](StudioPage& p) { p.preview().NewSeed(); }));
  // Escape is the main window's Stop everywhere in the program, so the studio takes the key
  // before the shortcuts see it (event below) rather than through a second shortcut.
  add(preview, tr("S&top\tEsc"), "mnuStudioStop", QKeySequence(),
      page([](StudioPage& p) { p.preview().Stop(); }));
}

bool StudioWindow::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    event->accept();
    return true;
  }
  return QMainWindow::event(event);
}

void StudioWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Escape) return QMainWindow::keyPressEvent(event);
  // Escape closes the find bar when it has the focus, and stops the preview otherwise.
  if (find_->isVisible() && find_->isAncestorOf(QApplication::focusWidget())) {
    find_->hide();
    if (StudioPage* page = CurrentPage()) page->editor().setFocus();
  } else if (StudioPage* page = CurrentPage()) {
    page->preview().Stop();
  }
}

StudioPage* StudioWindow::CurrentPage() const {
  return qobject_cast<StudioPage*>(tabs_->currentWidget());
}

StudioPage* StudioWindow::OpenTable(const std::string& name) {
  const Engine& engine = context_.engine;
  return OpenFile(engine.Catalog().TablePath(engine.TablesFolder(), name));
}

StudioPage* StudioWindow::OpenFile(const std::filesystem::path& path) {
  for (int i = 0; i < tabs_->count(); ++i) {
    auto* page = qobject_cast<StudioPage*>(tabs_->widget(i));
    std::error_code error;
    if (page->path() == path || std::filesystem::equivalent(page->path(), path, error)) {
      tabs_->setCurrentIndex(i);
      return page;
    }
  }
  auto* page = new StudioPage(context_, path, tabs_);
  if (!page->Load()) {
    delete page;
    return nullptr;
  }
  connect(page, &StudioPage::checked, this, [this, page] { OnChecked(page); });
  connect(page, &StudioPage::modifiedChanged, this, [this, page] { UpdateTitle(page); });
  connect(page, &StudioPage::saved, this, [this] {
    if (on_saved_) on_saved_();
  });
  connect(page, &StudioPage::openCall, this,
          [this](const std::string& table, const std::string& group) {
            if (StudioPage* called = OpenTable(table); called && !group.empty()) {
              called->GoToGroup(group);
            }
          });
  connect(&page->editor(), &QPlainTextEdit::cursorPositionChanged, this,
          &StudioWindow::UpdateCursorLine);
  const int index = tabs_->addTab(page, QString::fromStdString(page->TableName()));
  tabs_->setTabToolTip(index, QString::fromStdString(path.string()));
  tabs_->setCurrentIndex(index);
  OnChecked(page);
  page->editor().setFocus();
  return page;
}

bool StudioWindow::SaveCurrent() {
  StudioPage* page = CurrentPage();
  return page && page->Save();
}

bool StudioWindow::CloseTab(int index) {
  auto* page = qobject_cast<StudioPage*>(tabs_->widget(index));
  if (page == nullptr) return true;
  if (page->modified()) {
    tabs_->setCurrentIndex(index);
    switch (ask_unsaved_(page->TableName())) {
      case Unsaved::kCancel:
        return false;
      case Unsaved::kSave:
        if (!page->Save()) return false;
        break;
      case Unsaved::kDiscard:
        break;
    }
  }
  tabs_->removeTab(index);
  delete page;
  return true;
}

bool StudioWindow::CloseAll() {
  while (tabs_->count() > 0) {
    if (!CloseTab(tabs_->count() - 1)) return false;
  }
  return true;
}

void StudioWindow::closeEvent(QCloseEvent* event) {
  if (CloseAll()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void StudioWindow::OnCurrentChanged() {
  StudioPage* page = CurrentPage();
  find_->SetEditor(page ? &page->editor() : nullptr);
  if (page) {
    OnChecked(page);
  } else {
    problems_->clear();
    outline_->clear();
    lblCounts->clear();
  }
  UpdateCursorLine();
}

void StudioWindow::OnChecked(StudioPage* page) {
  if (page != CurrentPage()) return;
  problems_->Show(page->diagnostics());
  outline_->Show(page->outline());
  lblCounts->setText(QString::fromStdString(DiagnosticSummary(page->diagnostics())));
}

void StudioWindow::UpdateTitle(StudioPage* page) {
  const int index = tabs_->indexOf(page);
  if (index < 0) return;
  tabs_->setTabText(index,
                    QString::fromStdString(page->TableName()) + (page->modified() ? " *" : ""));
}

void StudioWindow::UpdateCursorLine() {
  StudioPage* page = CurrentPage();
  lblLine->setText(page ? tr("Line %1").arg(page->editor().CurrentLine()) : QString());
}

void StudioWindow::GoToLine() {
  StudioPage* page = CurrentPage();
  if (!page) return;
  const std::optional<std::string> answer = context_.dialogs.InputBox(
      "Go to line (1 to " + std::to_string(page->editor().blockCount()) + "):", "Go to Line",
      std::to_string(page->editor().CurrentLine()));
  if (!answer) return;
  int line = 0;
  const auto [end, error] = std::from_chars(answer->data(), answer->data() + answer->size(), line);
  if (error == std::errc() && end == answer->data() + answer->size()) page->editor().GoToLine(line);
}

}  // namespace fablewick
