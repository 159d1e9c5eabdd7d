// A Host for tests: records everything the engine shows the person, in order, and answers the
// boxes from queues the test fills beforehand.
//
//   ScriptedHost host;
//   host.ok_cancel_answers.push_back(false);    // the first OK/Cancel box gets Cancel
//   host.input_answers.push_back("Bob");        // the first input box gets "Bob"
//   ... run the engine ...
//   ASSERT_EQ(host.boxes.size(), 1u);
//   EXPECT_EQ(host.boxes[0].title, "Error occurred in ProcessString (T, Line 3)");
//
// When a queue is empty the host answers OK to OK/Cancel boxes, No to Yes/No questions, and the
// pre-filled answer to input boxes. Starting a program is refused unless `allow_shell` is set.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "engine/host.h"

namespace fablewick {

struct ShownBox {
  enum Kind { kMessage, kOkCancel, kYesNo, kInput };
  Kind kind;
  std::string title;
  std::string text;            // for an input box: its prompt
  std::string default_answer;  // input boxes only
};

struct ShownDebugWindow {
  std::string caption;
  std::vector<std::string> lines;
};

struct StatusText {
  int panel;
  std::string text;
};

struct ShellRequest {
  std::string table;
  std::string command_line;
};

class ScriptedHost : public Host {
 public:
  // ---- answers, taken from the front; empty queues give the defaults above ----
  std::deque<bool> ok_cancel_answers;                    // true for OK
  std::deque<bool> yes_no_answers;                       // true for Yes
  std::deque<std::optional<std::string>> input_answers;  // nullopt for Cancel
  bool allow_shell = false;

  // ---- what was shown, in order ----
  std::vector<ShownBox> boxes;  // every kind of box
  std::vector<StatusText> statuses;
  std::vector<ShownDebugWindow> debug_windows;
  std::vector<ShellRequest> shell_requests;
  std::vector<std::vector<std::string>> started_programs;  // split command lines, in order
  int yields = 0;

  void MessageBox(const std::string& title, const std::string& text) override;
  bool OkCancelBox(const std::string& title, const std::string& text) override;
  bool YesNoBox(const std::string& title, const std::string& text) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_answer) override;
  void SetStatus(int panel, const std::string& text) override;
  void Yield() override { ++yields; }
  void ShowDebug(const std::string& caption, const std::vector<std::string>& lines) override;
  bool AllowShell(const std::string& table, const std::string& command_line) override;
  // Records the program instead of starting it.
  bool StartProgram(const std::vector<std::string>& arguments, std::string& error) override;

  // The boxes of one kind, in order.
  std::vector<ShownBox> BoxesOfKind(ShownBox::Kind kind) const;
  // The texts panel `panel` was given, in order.
  std::vector<std::string> StatusesOfPanel(int panel) const;
  // Forgets what was shown; the answer queues stay as they are.
  void ClearRecords();
};

}  // namespace fablewick
