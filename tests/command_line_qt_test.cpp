// The window's program answers --help and --version without a display.
#include <cstdlib>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/cli_process.h"

namespace fablewick {
namespace {

using ::testing::HasSubstr;

TEST(WindowCommandLineTest, HelpAndVersionNeedNoDisplay) {
  // The child inherits this environment: no display of any kind, no platform chosen.
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) ::unsetenv(name);
  for (const auto& [flag, expected] : {std::pair<std::string, std::string>{"--help", "--home"},
                                       {"-h", "CALL[:COUNT]"},
                                       {"--version", "fablewick " FABLEWICK_VERSION "\n"}}) {
    CliProcess process({FABLEWICK_WINDOW_PATH, flag});
    const Outcome run = process.Finish(std::chrono::seconds(20));
    EXPECT_EQ(run.status, 0) << flag << ": " << run.err;
    EXPECT_THAT(run.out, HasSubstr(expected)) << flag;
  }
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

}  // namespace
}  // namespace fablewick
