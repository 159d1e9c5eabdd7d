// Everything the engine needs from whoever talks to the person: message and input boxes, the
// status text, yielding to window events, the debug window, starting programs. The window
// implements it with Qt, fablewick-cli with the console, tests with a scripted host.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace fablewick {

class Host {
 public:
  virtual ~Host() = default;

  // A message box with an OK button only.
  virtual void MessageBox(const std::string& title, const std::string& text) = 0;
  // A message box with OK and Cancel; true for OK.
  virtual bool OkCancelBox(const std::string& title, const std::string& text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool YesNoBox(const std::string& title, const std::string& text) = 0;
  // An input box; nullopt for Cancel.
  virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                              const std::string& default_answer) = 0;
  // Text of a status-bar panel (0 the roll driver's, 1 the tables' own).
  virtual void SetStatus(int panel, const std::string& text) { (void)panel, (void)text; }
  // Lets the window repaint and take input during a long generation.
  virtual void Yield() {}
  // The debug window, modal: caption and its list lines.
  virtual void ShowDebug(const std::string& caption, const std::vector<std::string>& lines) {
    (void)caption, (void)lines;
  }
  // Asks whether a table may start a program; `table` names the asking table.
  virtual bool AllowShell(const std::string& table, const std::string& command_line) {
    (void)table, (void)command_line;
    return false;
  }
  // Starts a program from its split command line, without a shell and without waiting for it.
  // Returns false, with a description in `error`, when it cannot be started.
  virtual bool StartProgram(const std::vector<std::string>& arguments, std::string& error) {
    (void)arguments;
    error = "Starting programs is not available here";
    return false;
  }
};

// A host for rolls that no person watches (the outline, the odds, benchmarks): it shows nothing
// and answers every box at once, OK, No and the pre-filled answer. Derive from it to keep what
// would have been shown.
class SilentHost : public Host {
 public:
  void MessageBox(const std::string&, const std::string&) override {}
  bool OkCancelBox(const std::string&, const std::string&) override { return true; }
  bool YesNoBox(const std::string&, const std::string&) override { return false; }
  std::optional<std::string> InputBox(const std::string&, const std::string&,
                                      const std::string& default_answer) override {
    return default_answer;
  }
};

}  // namespace fablewick
