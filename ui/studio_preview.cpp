#include "ui/studio_preview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <random>

#include "engine/documents/document.h"
#include "engine/documents/links.h"
#include "engine/engine.h"
#include "engine/host.h"
#include "engine/model/loader.h"
#include "engine/model/parameters.h"
#include "engine/stack.h"
#include "platform/safe_file.h"
#include "ui/frm_note.h"
#include "ui/results_view.h"
#include "ui/studio_page.h"

namespace fablewick {

// The preview's own engine and the host it talks through. Boxes cannot be shown from the
// preview's thread: error boxes are answered OK and kept, to be shown above the results; input
// boxes take their pre-filled answer; Shell is refused.
struct StudioPreview::Job : public SilentHost {
  explicit Job(std::atomic<bool>& cancel) : cancel_(cancel), engine(*this) {}

  void MessageBox(const std::string& title, const std::string& text) override {
    messages.push_back(title + ": " + text);
  }
  bool OkCancelBox(const std::string& title, const std::string& text) override {
    messages.push_back(title + ": " + text);
    return true;
  }
  bool AllowShell(const std::string&, const std::string&) override { return false; }
  // Called now and then while rolling: a Stop asked for meanwhile stops the roll.
  void Yield() override {
    if (cancel_.load()) engine.RequestStop();
  }

  std::atomic<bool>& cancel_;
  Engine engine;
  std::vector<std::string> messages;
  std::vector<std::string> results;
  std::function<void()> done;  // on the window's thread, once the work has ended
};

StudioPreview::StudioPreview(StudioContext& context, QWidget* parent)
    : QWidget(parent), context_(context), job_(std::make_unique<Job>(cancel_)) {
  setObjectName("picStudioPreview");
  Engine& engine = job_->engine;
  engine.SetProgramFolder(context.program_folder);
  engine.SetTablesFolder(context.engine.TablesFolder());
  engine.set_tab_calls_as_errors(context.engine.tab_calls_as_errors());
  engine.FillCatalog();

  view_ = new ResultsView(this);
  view_->setObjectName("StudioPreviewView");
  lblSeed = new QLabel(this);
  lblSeed->setObjectName("lblStudioSeed");
  lblSeed->setTextInteractionFlags(Qt::TextSelectableByMouse);
  spnRolls = new QSpinBox(this);
  spnRolls->setObjectName("spnStudioRolls");
  spnRolls->setRange(1, 100);
  spnRolls->setValue(3);
  spnRolls->setPrefix(tr("Rolls: "));
  cmdRoll = new QPushButton(tr("Roll"), this);
  cmdRoll->setObjectName("cmdStudioRoll");
  cmdNewSeed = new QPushButton(tr("New seed"), this);
  cmdNewSeed->setObjectName("cmdStudioNewSeed");
  cmdStop = new QPushButton(tr("Stop"), this);
  cmdStop->setObjectName("cmdStudioStop");
  cmdStop->setEnabled(false);
  auto* bar = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{cmdRoll, spnRolls, cmdNewSeed, cmdStop}) {
    bar->addWidget(w);
  }
  bar->addWidget(lblSeed, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(bar);
  layout->addWidget(view_, 1);
  connect(cmdRoll, &QPushButton::clicked, this, &StudioPreview::RollAgain);
  connect(cmdNewSeed, &QPushButton::clicked, this, &StudioPreview::NewSeed);
  connect(cmdStop, &QPushButton::clicked, this, &StudioPreview::Stop);
  connect(spnRolls, &QSpinBox::valueChanged, this, &StudioPreview::RollAgain);
  connect(view_, &ResultsView::linkActivated, this,
          [this](const QString& href) { OnLink(href.toStdString()); });
  lblSeed->setText(tr("Seed %1").arg(seed_));
}

StudioPreview::~StudioPreview() {
  queued_ = nullptr;
  Stop();
  if (worker_.joinable()) worker_.join();
}

void StudioPreview::Roll(const std::string& table, const std::string& text,
                         const std::string& group) {
  table_ = table;
  text_ = text;
  group_ = group.empty() ? "Start" : group;
  RollAgain();
}

void StudioPreview::RollAgain() {
  if (table_.empty()) return;
  const std::string table = table_, text = text_, group = group_;
  const uint64_t seed = seed_;
  const int count = spnRolls->value();
  Job* job = job_.get();
  Start(
      [job, table, text, group, seed, count](Engine& engine) {
        engine.ClearTableCache();
        engine.FillCatalog();  // tables made since the last roll can be called
        std::unique_ptr<Table> parsed = ParseTableText(table, text, *job);
        // A text the loader refuses is not rolled: the engine would read the saved file instead.
        if (parsed->Name == kErrorTableName) return;
        engine.SetParameterValues(LoadParameters(*parsed, *job));
        engine.AddTable(std::move(parsed));
        engine.Seed(seed);
        for (int i = 0; i < count; ++i) {
          engine.ResetNoRepeatGroups();
          job->results.push_back(ExpandCaretCodes(engine.RollTopLevel(table, group)));
          if (!engine.keep_running() || engine.StopRequested()) break;
        }
      },
      [this] {
        results_ = std::move(job_->results);
        Show("");
      });
}

void StudioPreview::NewSeed() {
  std::random_device device;
  seed_ = (static_cast<uint64_t>(device()) << 32 | device()) % 1000000000ULL;
  lblSeed->setText(tr("Seed %1").arg(seed_));
  RollAgain();
}

void StudioPreview::Stop() {
  if (!running()) return;
  cancel_.store(true);
  job_->engine.RequestStop();
}

void StudioPreview::Start(std::function<void(Engine&)> work, std::function<void()> done) {
  if (running()) {
    // The roll running now is stopped; this one starts when it has ended.
    queued_ = [this, work, done] { Start(work, done); };
    Stop();
    return;
  }
  cancel_.store(false);
  job_->messages.clear();
  job_->results.clear();
  job_->done = std::move(done);
  cmdStop->setEnabled(true);
  Job* job = job_.get();
  worker_ = std::thread([this, job, work] {
    try {
      RunWithLargeStack([&] {
        job->engine.BeginGeneration();
        work(job->engine);
      });
    } catch (const std::exception& error) {
      job->messages.push_back(error.what());
    }
    QMetaObject::invokeMethod(this, &StudioPreview::OnFinished, Qt::QueuedConnection);
  });
}

void StudioPreview::OnFinished() {
  if (worker_.joinable()) worker_.join();
  cmdStop->setEnabled(false);
  if (queued_) {
    std::function<void()> next = std::move(queued_);
    queued_ = nullptr;
    next();
    return;
  }
  if (job_->done) job_->done();
  emit finished();
}

void StudioPreview::Show(const std::string& anchor) {
  std::vector<std::string> shown;
  for (const std::string& message : job_->messages) shown.push_back("<i>" + message + "</i>");
  if (cancel_.load()) shown.push_back("<i>Stopped.</i>");
  shown.insert(shown.end(), results_.begin(), results_.end());
  const std::string file = folder_.filePath("Preview.html").toStdString();
  try {
    WriteTextFileAtomically(file, BuildResultsDocument(kOutputHtml, table_, shown,
                                                       context_.program_folder.string(), "", ""));
    view_->Navigate(anchor.empty() ? file : file + "#" + anchor);
  } catch (const std::exception& error) {
    view_->setPlainText(QString::fromStdString(error.what()));
  }
}

void StudioPreview::OnLink(const std::string& href) {
  const ProgramLink link = ParseProgramLink(href);
  if (running()) return;
  if (link.kind == ProgramLink::kReroll) {
    auto text = std::make_shared<std::string>();
    const std::string rest = link.rest, number = link.number;
    Start([text, rest](Engine& engine) { *text = RegenerateLinkText(engine, rest); },
          [this, text, rest, number] {
            ReplaceRerollLink(results_, number, rest, *text);
            Show("fwroll" + number);
          });
  } else if (link.kind == ProgramLink::kNote) {
    const std::optional<NoteLink> note = FindNoteLink(results_, link.number);
    if (!note) return;
    const std::optional<std::string> edited = frmNote::Edit(this, note->note);
    if (!edited || *edited == note->note) return;
    ReplaceNoteLink(results_, *note, link.number, *edited);
    Show("fwroll" + link.number);
  }
}

}  // namespace fablewick
