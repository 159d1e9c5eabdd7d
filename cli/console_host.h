// The console side of the engine: message boxes become blocks on standard error, input boxes
// take the answers given on the command line.
#pragma once

#include <cstdio>
#include <deque>
#include <string>

#include "engine/host.h"

namespace fablewick {

struct ConsoleHostOptions {
  bool cancel_on_error = false;     // answer Cancel to the first OK/Cancel box
  bool allow_shell = false;         // let tables start programs
  std::deque<std::string> answers;  // answers to input boxes, in order
};

class ConsoleHost : public Host {
 public:
  ConsoleHost(ConsoleHostOptions options, std::FILE* errors);

  void MessageBox(const std::string& title, const std::string& text) override;
  bool OkCancelBox(const std::string& title, const std::string& text) override;
  bool YesNoBox(const std::string& title, const std::string& text) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_answer) override;
  // The debug window as one block: "[" caption "] " and its lines, one per line.
  void ShowDebug(const std::string& caption, const std::vector<std::string>& lines) override;
  bool AllowShell(const std::string& table, const std::string& command_line) override;
  bool StartProgram(const std::vector<std::string>& arguments, std::string& error) override;

 private:
  // Writes one box: "[" title "] " text, each CR or CR LF as a line feed, and a line feed.
  void Write(const std::string& title, const std::string& text);

  ConsoleHostOptions options_;
  std::FILE* errors_;
  bool cancelled_once_ = false;
};

}  // namespace fablewick
