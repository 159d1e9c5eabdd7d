#include "cli/console_host.h"

#include "platform/process.h"

namespace fablewick {

ConsoleHost::ConsoleHost(ConsoleHostOptions options, std::FILE* errors)
    : options_(std::move(options)), errors_(errors) {}

void ConsoleHost::Write(const std::string& title, const std::string& text) {
  std::string block = "[" + title + "] ";
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      block += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      block += text[i];
    }
  }
  block += '\n';
  std::fwrite(block.data(), 1, block.size(), errors_);
  std::fflush(errors_);
}

void ConsoleHost::MessageBox(const std::string& title, const std::string& text) {
  Write(title, text);
}

bool ConsoleHost::OkCancelBox(const std::string& title, const std::string& text) {
  Write(title, text);
  if (options_.cancel_on_error && !cancelled_once_) {
    cancelled_once_ = true;
    return false;
  }
  return true;
}

bool ConsoleHost::YesNoBox(const std::string& title, const std::string& text) {
  Write(title, text);
  return false;
}

std::optional<std::string> ConsoleHost::InputBox(const std::string& prompt,
                                                 const std::string& title,
                                                 const std::string& default_answer) {
  Write(title, prompt);
  if (options_.answers.empty()) return default_answer;
  std::string answer = std::move(options_.answers.front());
  options_.answers.pop_front();
  return answer;
}

void ConsoleHost::ShowDebug(const std::string& caption, const std::vector<std::string>& lines) {
  // Joined with CR, which Write turns into line feeds as it does for message boxes.
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\r';
    text += lines[i];
  }
  Write(caption, text);
}

bool ConsoleHost::AllowShell(const std::string& table, const std::string& command_line) {
  if (options_.allow_shell) return true;
  Write("Shell refused", "Table " + table +
                             " asked to start a program, and fablewick-cli starts programs only "
                             "with --allow-shell:\r\r" +
                             command_line);
  return false;
}

}  // namespace fablewick

namespace fablewick {

bool ConsoleHost::StartProgram(const std::vector<std::string>& arguments, std::string& error) {
  return StartDetached(arguments, error);
}

}  // namespace fablewick
