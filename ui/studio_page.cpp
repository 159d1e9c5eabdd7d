#include "ui/studio_page.h"

#include <QFileSystemWatcher>
#include <QSplitter>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>
#include <fstream>
#include <iterator>

#include "engine/authoring/completion.h"
#include "engine/engine.h"
#include "engine/expansion/syntax_lines.h"
#include "engine/expansion/syntax_spans.h"
#include "engine/host.h"
#include "platform/safe_file.h"
#include "ui/studio_editor.h"
#include "ui/studio_highlighter.h"
#include "ui/studio_preview.h"

namespace fablewick {
namespace {

std::optional<std::string> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

StudioPage::StudioPage(StudioContext& context, std::filesystem::path path, QWidget* parent)
    : QWidget(parent), context_(context), path_(std::move(path)) {
  editor_ = new StudioEditor(this);
  highlighter_ = new StudioHighlighter(editor_->document());
  preview_ = new StudioPreview(context_, this);
  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->addWidget(editor_);
  splitter_->addWidget(preview_);
  splitter_->setStretchFactor(0, 3);
  splitter_->setStretchFactor(1, 2);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter_);
  pause_ = new QTimer(this);
  pause_->setSingleShot(true);
  pause_->setInterval(kPauseMs);
  connect(pause_, &QTimer::timeout, this, [this] {
    CheckNow();
    RollPreview();
  });
  connect(editor_->document(), &QTextDocument::contentsChanged, this, &StudioPage::OnEdited);
  connect(editor_->document(), &QTextDocument::modificationChanged, this,
          &StudioPage::modifiedChanged);
  editor_->SetCompletionSource(
      [this](const std::string& text, std::size_t cursor, std::size_t* word_begin) {
        const CompletionContext where = CompletionContextAt(text, cursor);
        *word_begin = where.word_begin;
        const Engine& engine = context_.engine;
        return Completions(where, text, engine.Catalog(), engine.TablesFolder());
      });
  connect(editor_, &StudioEditor::followRequested, this, &StudioPage::Follow);
  watcher_ = new QFileSystemWatcher(this);
  connect(watcher_, &QFileSystemWatcher::fileChanged, this, &StudioPage::OnFileChanged);
}

StudioPage::~StudioPage() = default;

bool StudioPage::Load() {
  const std::optional<std::string> bytes = ReadBytes(path_);
  if (!bytes) {
    context_.dialogs.MessageBox("Fablewick", "Cannot read " + path_.string());
    return false;
  }
  disk_bytes_ = *bytes;
  file_ = ReadTableFileText(*bytes);
  editor_->SetText(file_.text);
  editor_->document()->setModified(false);
  WatchFile();
  pause_->stop();
  CheckNow();
  RollPreview();
  return true;
}

bool StudioPage::Save() {
  TableFileText file = file_;
  file.text = editor_->Text();
  std::optional<std::string> bytes = EncodeTableFileText(file);
  if (!bytes) {
    if (!context_.dialogs.YesNoBox(
            "Save as UTF-8",
            "The text holds characters that the file's encoding, Windows-1252, cannot hold. "
            "Save the file as UTF-8 instead?")) {
      return false;
    }
    file.encoding = FileEncoding::kUtf8;
    bytes = EncodeTableFileText(file);
  }
  try {
    WriteTextFileAtomically(path_.string(), *bytes);
  } catch (const std::exception& error) {
    context_.dialogs.MessageBox("Fablewick", error.what());
    return false;
  }
  file_ = std::move(file);
  disk_bytes_ = std::move(*bytes);
  editor_->document()->setModified(false);
  // The rename put a new file in place of the one watched.
  WatchFile();
  CheckNow();
  emit saved();
  return true;
}

bool StudioPage::modified() const { return editor_->document()->isModified(); }

void StudioPage::CheckNow() {
  const Engine& engine = context_.engine;
  diagnostics_ =
      CheckTableText(engine.Catalog(), engine.TablesFolder(), TableName(), path_, editor_->Text());
  outline_ = BuildOutline(TableName(), editor_->Text());
  std::vector<EditorMark> marks;
  for (const Diagnostic& d : diagnostics_) {
    if (d.line <= 0) continue;
    marks.push_back(
        {d.line, d.severity == Severity::kError,
         QString::fromStdString(std::string(SeverityWord(d.severity)) + ": " + d.message)});
  }
  editor_->SetMarks(std::move(marks));
  emit checked();
}

std::string StudioPage::GroupAtCursor() const {
  for (QTextBlock block = editor_->textCursor().block(); block.isValid();
       block = block.previous()) {
    const std::string line = block.text().toStdString();
    if (ClassifyTableLine(line) == LineKind::kGroupHeader) {
      return std::string(ReadHeaderLine(line).name);
    }
  }
  return "Start";
}

bool StudioPage::GoToGroup(const std::string& name) {
  for (const OutlineGroup& group : outline_) {
    if (group.name != name || group.line <= 0) continue;
    editor_->GoToLine(group.line);
    return true;
  }
  return false;
}

// Ctrl+click: the innermost call holding the click goes to its group, in this table or another.
void StudioPage::Follow(std::size_t at) {
  const std::string text = editor_->Text();
  const std::vector<SyntaxSpan> spans = TableFileSpans(text);
  int call = -1;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    if (spans[i].kind == SpanKind::kGroupCall && spans[i].begin <= at && at < spans[i].end) {
      call = static_cast<int>(i);
    }
  }
  if (call < 0) return;
  std::string table, group;
  for (std::size_t i = static_cast<std::size_t>(call) + 1;
       i < spans.size() && spans[i].begin < spans[static_cast<std::size_t>(call)].end; ++i) {
    if (spans[i].parent != call) continue;
    const std::string part = text.substr(spans[i].begin, spans[i].end - spans[i].begin);
    if (spans[i].kind == SpanKind::kTableName && table.empty()) table = part;
    if (spans[i].kind == SpanKind::kGroupName && group.empty())
      group = part.substr(0, part.find('('));
  }
  if (table.empty() || table == TableName()) {
    if (!group.empty()) GoToGroup(group);
  } else {
    emit openCall(table, group);
  }
}

void StudioPage::PreviewGroup(const std::string& group) {
  preview_group_ = group;
  RollPreview();
}

void StudioPage::RollPreview() { preview_->Roll(TableName(), editor_->Text(), preview_group_); }

void StudioPage::OnEdited() {
  // Every keystroke starts the pause again: the check and the preview wait for a rest.
  pause_->start();
}

void StudioPage::WatchFile() {
  if (!watcher_->files().isEmpty()) watcher_->removePaths(watcher_->files());
  watcher_->addPath(QString::fromStdString(path_.string()));
}

void StudioPage::OnFileChanged() {
  // Some programs save by removing and writing again: the file is watched anew once it is back.
  QTimer::singleShot(50, this, [this] {
    WatchFile();
    const std::optional<std::string> bytes = ReadBytes(path_);
    if (!bytes || *bytes == disk_bytes_ || asking_reload_) return;
    disk_bytes_ = *bytes;
    asking_reload_ = true;
    const bool reload = context_.dialogs.YesNoBox(
        "File Changed",
        path_.string() + " was changed by another program." +
            (modified() ? " Reload it and lose the changes made here?" : " Reload it?"));
    asking_reload_ = false;
    if (reload) Load();
  });
}

}  // namespace fablewick
