// Table > Odds...: the odds of the selected table's Start call, or of a group chosen in the
// view, as fablewick-cli odds works them out. The chance and expected count of every entry of
// every group the call reaches, the results most likely first, and for numeric results their
// summary and a bar chart. Sampled odds say why and carry their 95% intervals.
//
// The view works with an engine of its own on the same tables, on a thread of its own, so the
// window stays responsive and its own engine (with the parameters set there) is left alone.
#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "engine/authoring/odds.h"

class QComboBox;
class QLabel;
class QTreeWidget;

namespace fablewick {

class AddOnLoader;
class Engine;
class Host;
class OddsChart;

struct OddsSetup {
  std::filesystem::path tables_folder;
  std::filesystem::path program_folder;
  bool tab_calls_as_errors = false;
  std::string table;
};

class OddsView : public QDialog {
  Q_OBJECT

 public:
  explicit OddsView(OddsSetup setup, QWidget* parent = nullptr);
  ~OddsView() override;

  // Whether the odds are being worked out.
  bool busy() const { return busy_; }

 private:
  // Works out the odds of the call for the chosen group; once the running work ends when some
  // is running.
  void Compute();
  void Finished(const OddsResult& result);
  void ShowReport(const OddsReport& report);
  std::string ChosenCall() const;

  OddsSetup setup_;
  std::unique_ptr<Host> host_;
  std::unique_ptr<AddOnLoader> add_ons_;
  std::unique_ptr<Engine> engine_;
  std::thread worker_;
  bool busy_ = false;
  bool again_ = false;  // the group changed while the odds of another were worked out

  QComboBox* cmbGroup = nullptr;
  QLabel* lblStatus = nullptr;
  QTreeWidget* treEntries = nullptr;
  QTreeWidget* treResults = nullptr;
  QLabel* lblNumbers = nullptr;
  OddsChart* chart_ = nullptr;
};

}  // namespace fablewick
