// fablewick: the window. `fablewick [--home DIR] [CALL[:COUNT]]`, for example
// `fablewick "[Random Inn]:3"` rolls three times at start-up.
#include <QApplication>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

#include "platform/program_folder.h"
#include "ui/frm_main.h"

namespace {

// What the arguments ask for that needs no window: the help or the version text. Both are
// answered before the application object is made, since that needs a display.
enum class TextRequest { kNone, kHelp, kVersion };

TextRequest TextOnlyRequest(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") break;
    if (arg == "-h" || arg == "--help") return TextRequest::kHelp;
    if (arg == "--version") return TextRequest::kVersion;
  }
  return TextRequest::kNone;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> home;
  std::string command_line;
  CLI::App cli{
      "Fablewick: random tables for your game. CALL is a group call rolled at start-up, "
      "with an optional roll count, as in \"[Random Inn]:3\".",
      "fablewick"};
  cli.set_version_flag("--version", std::string("fablewick ") + FABLEWICK_VERSION);
  cli.add_option("--home", home, "The program folder");
  cli.add_option("call", command_line, "The start-up roll, CALL[:COUNT]");
  switch (TextOnlyRequest(argc, argv)) {
    case TextRequest::kHelp:
      return cli.exit(CLI::CallForHelp());
    case TextRequest::kVersion:
      std::cout << "fablewick " << FABLEWICK_VERSION << "\n";
      return 0;
    case TextRequest::kNone:
      break;
  }

  // The application takes its own options (-platform, -style ...) out of the arguments.
  QApplication app(argc, argv);
  QApplication::setApplicationName("Fablewick");
  QApplication::setApplicationVersion(FABLEWICK_VERSION);
  QApplication::setDesktopFileName("fablewick");
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
