// The window on the bundled library, as a new user sees it: each scene is rendered and checked
// for a real picture. With FABLEWICK_SCREENSHOT_DIR set (scripts/screenshots does that under a
// virtual display), the pictures are kept there for the documentation.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QImage>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <memory>

#include <gtest/gtest.h>

#include "tests/support/scripted_host.h"
#include "ui/frm_main.h"
#include "ui/results_view.h"
#include "ui/studio_editor.h"
#include "ui/studio_panels.h"
#include "ui/studio_preview.h"
#include "ui/studio_window.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

class ScreenshotsTest : public ::testing::Test {
 protected:
  ScreenshotsTest() {
    home_ = fs::temp_directory_path() / ("fablewick-shots-" + std::to_string(::getpid()));
    fs::remove_all(home_);
    fs::copy(fs::path(FABLEWICK_TEST_DATA_DIR) / ".." / ".." / "share", home_,
             fs::copy_options::recursive);
    const char* dir = std::getenv("FABLEWICK_SCREENSHOT_DIR");
    out_ = dir && *dir ? fs::path(dir) : home_ / "shots";
    fs::create_directories(out_);
  }
  ~ScreenshotsTest() override {
    window_.reset();
    fs::remove_all(home_);
  }

  frmMain& Open(const std::string& config, const std::string& command_line = "") {
    std::ofstream(home_ / "Fablewick.cfg", std::ios::binary) << "FWCFG2.0\r\n" << config;
    MainWindowOptions options;
    options.program_folder = home_;
    options.command_line = command_line;
    options.dialogs = &dialogs_;
    window_ = std::make_unique<frmMain>(options);
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    window_->Start();
    window_->resize(1000, 700);
    QTest::qWait(50);
    return *window_;
  }

  // Renders the window, checks that it shows a real picture, and keeps it as `name`.png.
  void Shoot(const std::string& name, QWidget* shown = nullptr) {
    QApplication::processEvents();
    const QImage image = (shown ? shown : window_.get())->grab().toImage();
    ASSERT_FALSE(image.isNull());
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7) {
      for (int x = 0; x < image.width(); x += 7) colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 20) << name << " looks empty";
    EXPECT_TRUE(image.save(QString::fromStdString((out_ / (name + ".png")).string())));
    EXPECT_TRUE(dialogs_.boxes.empty()) << name << ": " << dialogs_.boxes.front().text;
  }

  fs::path home_;
  fs::path out_;
  ScriptedHost dialogs_;
  std::unique_ptr<frmMain> window_;
};

TEST_F(ScreenshotsTest, TheMainScenesRender) {
  Open("");
  Shoot("window-title");

  Open("NumRolls=2\r\n", "[Random Inn]:2");
  Shoot("window-results");

  Open("NumRolls=1\r\n");
  window_->SelectTableByName("Townsfolk");
  window_->findChild<QPushButton*>("cmdHideParam")->click();
  Shoot("window-parameters");

  Open("UseTexturedBG=True\r\nNumRolls=1\r\n");
  window_->SelectTableByName("Dungeon Room");
  Shoot("window-textures");

  window_->ShowHelp();
  Shoot("window-help");

  window_->findChild<QToolButton*>("cmdFlip")->click();
  Shoot("window-archives");
}

// The studio on a sample table with a planted mistake: underlined, listed and counted, the
// outline unfolded on the group, the preview beside.
TEST_F(ScreenshotsTest, TheStudioRenders) {
  Open("NumRolls=1\r\n");
  window_->SelectTableByName("Tavern Rumours");
  window_->findChild<QAction*>("mnuEditInStudio")->trigger();
  StudioWindow& studio = window_->Studio();
  studio.resize(1280, 800);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&studio));
  StudioPage* page = studio.CurrentPage();
  ASSERT_NE(page, nullptr);
  page->editor().GoToLine(12);
  QTest::keyClick(&page->editor(), Qt::Key_End);
  QTest::keyClicks(&page->editor(), " by [Evenig]");
  page->editor().completer().popup()->hide();
  QTest::qWait(StudioPage::kPauseMs + 200);
  QTRY_VERIFY_WITH_TIMEOUT(!page->preview().running(), 10000);
  ASSERT_GT(studio.problems().topLevelItemCount(), 0);
  for (int i = 0; i < studio.outline().topLevelItemCount(); ++i) {
    QTreeWidgetItem* group = studio.outline().topLevelItem(i);
    if (group->text(0).startsWith("Evening")) group->setExpanded(true);
  }
  page->editor().GoToLine(12);
  QTest::keyClick(&page->editor(), Qt::Key_End);
  Shoot("studio", &studio);
}

}  // namespace
}  // namespace fablewick
