#include "ui/gui_host.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QThread>

#include "platform/process.h"
#include "ui/dlg_debug.h"
#include "ui/title_fit.h"

namespace fablewick {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Shows a box wide enough for its whole title and returns the button pressed.
QMessageBox::StandardButton AskBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                   const QString& text, QMessageBox::StandardButtons buttons,
                                   QMessageBox::StandardButton default_button) {
  QMessageBox box(icon, title, text, buttons, parent);
  box.setDefaultButton(default_button);
  FitTitle(box);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

GuiThreadHost::GuiThreadHost(QObject* context, Host& dialogs, StatusSink status)
    : context_(context), dialogs_(dialogs), status_(std::move(status)) {}

void GuiThreadHost::OnWindowThread(const std::function<void()>& work) {
  if (QThread::currentThread() == context_->thread()) {
    work();
  } else {
    QMetaObject::invokeMethod(context_, work, Qt::BlockingQueuedConnection);
  }
}

void GuiThreadHost::MessageBox(const std::string& title, const std::string& text) {
  OnWindowThread([&] { dialogs_.MessageBox(title, text); });
}

bool GuiThreadHost::OkCancelBox(const std::string& title, const std::string& text) {
  bool answer = false;
  OnWindowThread([&] { answer = dialogs_.OkCancelBox(title, text); });
  return answer;
}

bool GuiThreadHost::YesNoBox(const std::string& title, const std::string& text) {
  bool answer = false;
  OnWindowThread([&] { answer = dialogs_.YesNoBox(title, text); });
  return answer;
}

std::optional<std::string> GuiThreadHost::InputBox(const std::string& prompt,
                                                   const std::string& title,
                                                   const std::string& default_answer) {
  std::optional<std::string> answer;
  OnWindowThread([&] { answer = dialogs_.InputBox(prompt, title, default_answer); });
  return answer;
}

void GuiThreadHost::SetStatus(int panel, const std::string& text) {
  if (QThread::currentThread() == context_->thread()) {
    status_(panel, text);
    return;
  }
  // The status needs no answer: the generation goes on while the window catches up.
  std::lock_guard<std::mutex> lock(status_mutex_);
  pending_status_[panel == 0 ? 0 : 1] = text;
  if (status_posted_) return;
  status_posted_ = true;
  QMetaObject::invokeMethod(
      context_, [this] { FlushStatus(); }, Qt::QueuedConnection);
}

void GuiThreadHost::FlushStatus() {
  std::array<std::optional<std::string>, 2> texts;
  {
    std::lock_guard<std::mutex> lock(status_mutex_);
    texts.swap(pending_status_);
    status_posted_ = false;
  }
  for (int panel = 0; panel < 2; ++panel) {
    if (texts[panel]) status_(panel, *texts[panel]);
  }
}

void GuiThreadHost::ShowDebug(const std::string& caption, const std::vector<std::string>& lines) {
  OnWindowThread([&] { dialogs_.ShowDebug(caption, lines); });
}

bool GuiThreadHost::AllowShell(const std::string& table, const std::string& command_line) {
  bool answer = false;
  OnWindowThread([&] { answer = dialogs_.AllowShell(table, command_line); });
  return answer;
}

bool GuiThreadHost::StartProgram(const std::vector<std::string>& arguments, std::string& error) {
  bool started = false;
  OnWindowThread([&] { started = dialogs_.StartProgram(arguments, error); });
  return started;
}

QMessageBox::Icon MessageBoxIcon(const std::string& title) {
  // The program's failure boxes: "Error in ...", "Error occurred in ...", "Error reading ...",
  // "Error", and the boxes that give a failure's own description under the program's name.
  if (title.starts_with("Error") || title == "Fablewick") return QMessageBox::Critical;
  static const char* const kWarnings[] = {"Number of Rolls", "Folder Already Exists",
                                          "File Already Exists", "Export Not Available",
                                          "Module missing function"};
  for (const char* warning : kWarnings) {
    if (title == warning) return QMessageBox::Warning;
  }
  return QMessageBox::Information;
}

void QtDialogsHost::MessageBox(const std::string& title, const std::string& text) {
  AskBox(parent_, MessageBoxIcon(title), Q(title), Q(text), QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogsHost::OkCancelBox(const std::string& title, const std::string& text) {
  return AskBox(parent_, QMessageBox::Warning, Q(title), Q(text),
                QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok;
}

bool QtDialogsHost::YesNoBox(const std::string& title, const std::string& text) {
  return AskBox(parent_, QMessageBox::Question, Q(title), Q(text),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> QtDialogsHost::InputBox(const std::string& prompt,
                                                   const std::string& title,
                                                   const std::string& default_answer) {
  QInputDialog dialog(parent_);
  dialog.setWindowTitle(Q(title));
  dialog.setLabelText(Q(prompt));
  dialog.setTextValue(Q(default_answer));
  FitTitle(dialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue().toStdString();
}

void QtDialogsHost::ShowDebug(const std::string& caption, const std::vector<std::string>& lines) {
  dlgDebug::Show(parent_, caption, lines);
}

bool QtDialogsHost::AllowShell(const std::string& table, const std::string& command_line) {
  const QString text = QObject::tr("The table \"%1\" wants to start a program:\n\n%2\n\nAllow it?")
                           .arg(Q(table), Q(command_line));
  return AskBox(parent_, QMessageBox::Question, QObject::tr("Start a program?"), text,
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

bool QtDialogsHost::StartProgram(const std::vector<std::string>& arguments, std::string& error) {
  return StartDetached(arguments, error);
}

}  // namespace fablewick
