// What the fuzz targets share: a host that answers every box without a person, an empty folder
// that stands for the tables and program folders, and a watchdog that stops a generation that
// runs too long, as the Stop command would (tables may loop or grow without end by design).
#pragma once

#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/engine.h"
#include "engine/host.h"

namespace fablewick {

// Answers OK, Yes and the pre-filled answer; never lets a table start a program.
class AnsweringHost : public Host {
 public:
  void MessageBox(const std::string& title, const std::string& text) override {
    shown += title.size() + text.size();
  }
  bool OkCancelBox(const std::string& title, const std::string& text) override {
    shown += title.size() + text.size();
    return true;
  }
  bool YesNoBox(const std::string& title, const std::string& text) override {
    shown += title.size() + text.size();
    return true;
  }
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_answer) override {
    shown += prompt.size() + title.size();
    return default_answer;
  }
  bool AllowShell(const std::string&, const std::string&) override { return false; }

  std::size_t shown = 0;  // touched so that the texts are really built
};

// An empty folder for the whole run: calls of other tables, data files and add-ons find nothing.
inline const std::filesystem::path& EmptyFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "fw_fuzz_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) abort();
    return std::filesystem::path(pattern);
  }();
  return folder;
}

// One thread for the whole run that stops the watched engine once its time is up. Watch()
// and Unwatch() bracket each generation.
class Watchdog {
 public:
  static Watchdog& Get() {
    static Watchdog* watchdog = new Watchdog;  // never destroyed: the thread runs until exit
    return *watchdog;
  }

  void Watch(Engine& engine, std::chrono::milliseconds limit) {
    std::lock_guard lock(mutex_);
    engine_ = &engine;
    deadline_ = std::chrono::steady_clock::now() + limit;
    fired_ = false;
    wake_.notify_one();
  }

  // Whether the time ran out.
  bool Unwatch() {
    std::lock_guard lock(mutex_);
    engine_ = nullptr;
    return fired_;
  }

 private:
  Watchdog() {
    std::thread([this] { Run(); }).detach();
  }

  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (engine_ == nullptr) {
        wake_.wait(lock);
      } else if (std::chrono::steady_clock::now() >= deadline_) {
        engine_->RequestStop();
        fired_ = true;
        engine_ = nullptr;
      } else {
        wake_.wait_until(lock, deadline_);
      }
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  Engine* engine_ = nullptr;
  std::chrono::steady_clock::time_point deadline_;
  bool fired_ = false;
};

}  // namespace fablewick
