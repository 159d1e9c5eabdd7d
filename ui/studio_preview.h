// The studio's preview: rolls the unsaved text of a table on a thread of its own (with the
// engine's large stack), so the editor keeps taking input however long a roll takes, and shows
// the results as the main view does, re-roll and note links working. The seed is shown and kept
// until "New seed", so that an edit is previewed on the same draws as the text before it.
#pragma once

#include <QTemporaryDir>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QPushButton;
class QSpinBox;

namespace fablewick {

class Engine;
class ResultsView;
struct StudioContext;

class StudioPreview : public QWidget {
  Q_OBJECT

 public:
  StudioPreview(StudioContext& context, QWidget* parent = nullptr);
  ~StudioPreview() override;

  // The text to roll and the group to roll in it ("Start" unless the person chose another);
  // rolls it at once, stopping a roll still running first.
  void Roll(const std::string& table, const std::string& text, const std::string& group);
  // Rolls again what was rolled last.
  void RollAgain();
  void NewSeed();
  void Stop();
  bool running() const { return worker_.joinable(); }
  uint64_t seed() const { return seed_; }
  ResultsView& view() { return *view_; }
  const std::vector<std::string>& results() const { return results_; }

 signals:
  void finished();

 private:
  struct Job;
  void Start(std::function<void(Engine&)> work, std::function<void()> done);
  void OnFinished();
  void Show(const std::string& anchor);
  void OnLink(const std::string& href);

  StudioContext& context_;
  std::unique_ptr<Job> job_;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::function<void()> queued_;  // what to run once the running roll has stopped
  uint64_t seed_ = 1;
  std::string table_, text_, group_ = "Start";
  std::vector<std::string> results_;
  QTemporaryDir folder_;
  ResultsView* view_ = nullptr;
  QLabel* lblSeed = nullptr;
  QSpinBox* spnRolls = nullptr;
  QPushButton* cmdRoll = nullptr;
  QPushButton* cmdNewSeed = nullptr;
  QPushButton* cmdStop = nullptr;
};

}  // namespace fablewick
