// File > Publish as Web Page...: one HTML file that rolls the selected table in a browser, with
// every table it calls, its data files and the style sheet inside.
#include <exception>
#include <string>

#include "engine/authoring/publish.h"
#include "engine/engine.h"
#include "platform/safe_file.h"
#include "ui/frm_main.h"

#include "publish/web_page.h"

namespace fablewick {
namespace {

// Questions and reports carry the command's name; failures come under the program's name, which
// gives their box the error icon.
constexpr const char* kTitle = "Publish as Web Page";
constexpr const char* kFailureTitle = "Fablewick";

}  // namespace

void frmMain::PublishWebPage() {
  if (generating_) return;
  const std::string table = SelectedTable();
  if (table.empty()) {
    dialogs_->MessageBox(kTitle, "Choose a table to publish first.");
    return;
  }
  PublishRequest request;
  request.tables = {table};
  const Publication publication =
      CollectPublication(engine_->Catalog(), engine_->TablesFolder(), program_folder_, request);
  if (!publication.problem.empty()) {
    dialogs_->MessageBox(kFailureTitle, publication.problem);
    return;
  }
  std::string engine_script;
  try {
    engine_script = LoadWebEngine(std::nullopt, program_folder_);
  } catch (const std::exception& error) {
    dialogs_->MessageBox(kFailureTitle, error.what());
    return;
  }
  if (!publication.unrunnable.empty() || !publication.notes.empty()) {
    std::string question;
    if (!publication.unrunnable.empty()) {
      question = "These lines cannot run in a web page, which shows a message in their place:\n\n" +
                 FormatUnrunnable(publication.unrunnable) + "\n";
    }
    for (const std::string& note : publication.notes) question += note + "\n";
    question += "\nPublish the page anyway?";
    if (!dialogs_->YesNoBox(kTitle, question)) return;
  }
  const std::optional<std::filesystem::path> target =
      ChooseExportFile(tr("Publish as Web Page"), tr("Web page (*.html)"), "html");
  if (!target) return;
  try {
    WriteTextFileAtomically(
        target->string(),
        MakePublishedPage(publication, engine_script, table,
                          PageConfigText(settings_, settings_.bTabCallsAsErrors)));
  } catch (const std::exception& error) {
    dialogs_->MessageBox(kFailureTitle, std::string("The page was not written: ") + error.what());
    return;
  }
  dialogs_->MessageBox(kTitle, "The page was written to " + target->string() + ".");
}

}  // namespace fablewick
