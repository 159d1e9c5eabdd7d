// The window's side of the Host: the engine runs its generations on a worker thread with a large
// stack, while boxes and dialogs must be shown on the window's thread. GuiThreadHost carries
// every request over to the window's thread, waits for the answer and hands it back; it writes
// the status bar itself. The boxes are shown by another Host: QtDialogsHost in the window, a
// scripted host in tests.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <array>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/host.h"

class QWidget;

namespace fablewick {

class GuiThreadHost : public Host {
 public:
  using StatusSink = std::function<void(int panel, const std::string& text)>;

  // `context` lives on the window's thread; `dialogs` shows the boxes there.
  GuiThreadHost(QObject* context, Host& dialogs, StatusSink status);

  void MessageBox(const std::string& title, const std::string& text) override;
  bool OkCancelBox(const std::string& title, const std::string& text) override;
  bool YesNoBox(const std::string& title, const std::string& text) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_answer) override;
  void SetStatus(int panel, const std::string& text) override;
  // The window's thread is free during a generation; nothing to yield.
  void Yield() override {}
  void ShowDebug(const std::string& caption, const std::vector<std::string>& lines) override;
  bool AllowShell(const std::string& table, const std::string& command_line) override;
  bool StartProgram(const std::vector<std::string>& arguments, std::string& error) override;

 private:
  // Runs `work` on the window's thread and waits for it.
  void OnWindowThread(const std::function<void()>& work);

  // Shows the status texts that arrived since the last update.
  void FlushStatus();

  QObject* context_;
  Host& dialogs_;
  StatusSink status_;
  // Status texts from the generation thread wait here for the window, the newest per panel, so
  // a long run of rolls queues one update at a time instead of one copy per roll.
  std::mutex status_mutex_;
  std::array<std::optional<std::string>, 2> pending_status_;
  bool status_posted_ = false;
};

// The real boxes: Qt message and input boxes, the debug window, the question before a table
// starts a program, and starting it.
// The icon of a message box with this title: critical for the program's failure boxes, a
// warning for refused input, information for everything else (a table's own messages).
QMessageBox::Icon MessageBoxIcon(const std::string& title);

class QtDialogsHost : public Host {
 public:
  explicit QtDialogsHost(QWidget* parent) : parent_(parent) {}

  void MessageBox(const std::string& title, const std::string& text) override;
  bool OkCancelBox(const std::string& title, const std::string& text) override;
  bool YesNoBox(const std::string& title, const std::string& text) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_answer) override;
  void ShowDebug(const std::string& caption, const std::vector<std::string>& lines) override;
  bool AllowShell(const std::string& table, const std::string& command_line) override;
  bool StartProgram(const std::vector<std::string>& arguments, std::string& error) override;

 private:
  QWidget* parent_;
};

}  // namespace fablewick
