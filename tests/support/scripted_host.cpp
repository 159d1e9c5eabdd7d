#include "tests/support/scripted_host.h"

namespace fablewick {
namespace {

template <typename T>
T TakeFront(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T front = std::move(queue.front());
  queue.pop_front();
  return front;
}

}  // namespace

void ScriptedHost::MessageBox(const std::string& title, const std::string& text) {
  boxes.push_back({ShownBox::kMessage, title, text, ""});
}

bool ScriptedHost::OkCancelBox(const std::string& title, const std::string& text) {
  boxes.push_back({ShownBox::kOkCancel, title, text, ""});
  return TakeFront(ok_cancel_answers, true);
}

bool ScriptedHost::YesNoBox(const std::string& title, const std::string& text) {
  boxes.push_back({ShownBox::kYesNo, title, text, ""});
  return TakeFront(yes_no_answers, false);
}

std::optional<std::string> ScriptedHost::InputBox(const std::string& prompt,
                                                  const std::string& title,
                                                  const std::string& default_answer) {
  boxes.push_back({ShownBox::kInput, title, prompt, default_answer});
  return TakeFront(input_answers, std::optional<std::string>(default_answer));
}

void ScriptedHost::SetStatus(int panel, const std::string& text) {
  statuses.push_back({panel, text});
}

void ScriptedHost::ShowDebug(const std::string& caption, const std::vector<std::string>& lines) {
  debug_windows.push_back({caption, lines});
}

bool ScriptedHost::AllowShell(const std::string& table, const std::string& command_line) {
  shell_requests.push_back({table, command_line});
  return allow_shell;
}

std::vector<ShownBox> ScriptedHost::BoxesOfKind(ShownBox::Kind kind) const {
  std::vector<ShownBox> found;
  for (const ShownBox& box : boxes) {
    if (box.kind == kind) found.push_back(box);
  }
  return found;
}

std::vector<std::string> ScriptedHost::StatusesOfPanel(int panel) const {
  std::vector<std::string> found;
  for (const StatusText& status : statuses) {
    if (status.panel == panel) found.push_back(status.text);
  }
  return found;
}

void ScriptedHost::ClearRecords() {
  boxes.clear();
  statuses.clear();
  debug_windows.clear();
  shell_requests.clear();
  yields = 0;
}

bool ScriptedHost::StartProgram(const std::vector<std::string>& arguments, std::string& error) {
  (void)error;
  started_programs.push_back(arguments);
  return true;
}

}  // namespace fablewick
