// "Shell": starts a program named in table text. Tables come from strangers, so the person is
// asked first (or, without a window, the start must have been allowed), and the command line is
// split here and started directly, never through a shell interpreter.
#include "engine/engine.h"
#include "engine/error.h"
#include "engine/functions/functions.h"

namespace fablewick {

std::vector<std::string> SplitCommandLine(std::string_view command_line) {
  std::vector<std::string> arguments;
  std::string current;
  bool in_argument = false, quoted = false;
  for (char c : command_line) {
    if (c == '"') {
      quoted = !quoted;
      in_argument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_argument) arguments.push_back(std::move(current));
      current.clear();
      in_argument = false;
    } else {
      current += c;
      in_argument = true;
    }
  }
  if (in_argument) arguments.push_back(std::move(current));
  return arguments;
}

namespace {

std::string Shell(const FunctionCall& call) {
  const std::string command_line(ArgReader(call).Rest());
  std::vector<std::string> arguments = SplitCommandLine(command_line);
  ArgCheck(!arguments.empty());
  if (!call.engine.host().AllowShell(call.table, command_line)) return "";
  std::string error;
  if (!call.engine.host().StartProgram(arguments, error)) {
    throw EngineError(53, "File not found: " + arguments.front() + " (" + error + ")");
  }
  return "";
}

constexpr FunctionEntry kShell[] = {{"Shell", Shell}};

}  // namespace

constinit const FunctionFamily kShellFunctions = kShell;

}  // namespace fablewick
