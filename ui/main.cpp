// fablewick: the window. `fablewick [--home DIR] [CALL[:COUNT]]`, for example
// `fablewick "[Random Inn]:3"` rolls three times at start-up.
#include <QApplication>
#include <iostream>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "platform/program_folder.h"
#include "ui/frm_main.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Fablewick");
  QApplication::setApplicationVersion(FABLEWICK_VERSION);
  QApplication::setDesktopFileName("fablewick");

  std::optional<std::string> home;
  std::string command_line;
  CLI::App cli{
      "Fablewick: random tables for your game. CALL is a group call rolled at start-up, "
      "with an optional roll count, as in \"[Random Inn]:3\".",
      "fablewick"};
  cli.set_version_flag("--version", std::string("fablewick ") + FABLEWICK_VERSION);
  cli.add_option("--home", home, "The program folder");
  cli.add_option("call", command_line, "The start-up roll, CALL[:COUNT]");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return cli.exit(error);
  }

  fablewick::MainWindowOptions options;
  options.program_folder = fablewick::ResolveProgramFolder(home, fablewick::ExecutablePath());
  options.command_line = command_line;
  fablewick::frmMain window(options);
  window.show();
  window.Start();
  return QApplication::exec();
}
