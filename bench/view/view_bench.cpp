// How long the window takes to show large results documents in the results view, on the offscreen
// platform: 20,000 rolls of the sample table Random Inn, written as the Roll command writes them,
// and 50 results of about 300,000 characters each (lines of text with bold words and links, as
// a table that loops over thousands of lines gives). Prints for each the time until the first
// part is on screen, the time until the whole document is shown, and the longest single step the
// window's thread was held for. Run with `make bench-view` (or build/bench/fablewick_view_bench
// [ROLLS [BIG_RESULTS]]); the figures are for the machine it runs on.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/documents/document.h"
#include "engine/documents/driver.h"
#include "engine/engine.h"
#include "engine/host.h"
#include "platform/safe_file.h"
#include "ui/results_view.h"

namespace fs = std::filesystem;
using namespace fablewick;

namespace {

// Shows `file` in a results view and prints how long that took and held the window's thread.
void ShowAndMeasure(const fs::path& file) {
  QElapsedTimer clock;
  ResultsView view;
  view.resize(800, 600);
  view.show();
  QApplication::processEvents();
  // The longest time between two turns of the event loop while the document is shown.
  QElapsedTimer beat;
  qint64 longest = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { longest = std::max(longest, beat.restart()); });
  clock.restart();
  view.Navigate(file.string());
  const qint64 navigated = clock.elapsed();
  QApplication::processEvents();
  const qint64 first = clock.elapsed();
  beat.start();
  ticker.start(0);
  while (view.Loading()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const qint64 whole = clock.elapsed();
  ticker.stop();
  std::printf(
      "  first part on screen after %lld ms (Navigate %lld ms), whole document after %lld ms;\n"
      "  the window's thread was held at most %lld ms at a time (%lld ms after the first part)\n",
      static_cast<long long>(first), static_cast<long long>(navigated),
      static_cast<long long>(whole), static_cast<long long>(std::max(longest, first)),
      static_cast<long long>(longest));
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int rolls = argc > 1 ? std::atoi(argv[1]) : 20000;
  const fs::path share = fs::path(FABLEWICK_SHARE_DIR);
  const fs::path folder = fs::temp_directory_path() / "fablewick-view-bench";
  fs::create_directories(folder);
  fs::copy_file(share / "link.css", folder / "link.css", fs::copy_options::overwrite_existing);

  SilentHost host;
  Engine engine(host);
  engine.SetTablesFolder(share / "Tables");
  engine.SetProgramFolder(folder);
  engine.FillCatalog();
  engine.Seed(1);
  QElapsedTimer clock;
  clock.start();
  const std::vector<std::string> results =
      RollTable(engine, "Random Inn", static_cast<int16_t>(std::min(rolls, 32767)));
  const fs::path file = folder / "Temp.html";
  const std::string document =
      BuildResultsDocument(0, "Random Inn", results, folder.string(), "#400000", "#FFFFF0");
  WriteTextFileAtomically(file.string(), document);
  std::printf("%d rolls of Random Inn: generated and written in %lld ms (%.1f MB)\n", rolls,
              static_cast<long long>(clock.elapsed()), document.size() / 1e6);

  ShowAndMeasure(file);

  const int big = argc > 2 ? std::atoi(argv[2]) : 50;
  std::vector<std::string> big_results;
  for (int r = 0; r < big; ++r) {
    std::string result;
    for (int line = 0; result.size() < 300000; ++line) {
      const std::string n = std::to_string(line);
      result += "Line " + n + " of result " + std::to_string(r) +
                ": the keeper, <b>a stout woman</b>, points at <a CLASS=clsLink href=\"reg" +
                std::to_string(r) + "://Random Inn.Room\">room " + n + "</a> upstairs<br>";
    }
    big_results.push_back(std::move(result));
  }
  const std::string big_document =
      BuildResultsDocument(0, "Random Inn", big_results, folder.string(), "#400000", "#FFFFF0");
  WriteTextFileAtomically(file.string(), big_document);
  std::printf("%d results of %zu characters each (%.1f MB)\n", big,
              big_results.empty() ? std::size_t{0} : big_results[0].size(),
              big_document.size() / 1e6);
  ShowAndMeasure(file);
  fs::remove_all(folder);
  return 0;
}
