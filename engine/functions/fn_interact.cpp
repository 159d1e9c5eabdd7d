// The functions that talk to the person while a table is rolled: "Input" asks for a variable's
// value, "Msg" shows a message, "Status" writes the status bar, "Stop" halts the generation,
// "Note" places an editable note link and "Debug" shows the table's variables and the memory
// figures. All of them reach the person through the Host.
#include <optional>
#include <vector>

#include "engine/documents/link_markup.h"
#include "engine/engine.h"
#include "engine/functions/functions.h"
#include "engine/numbers.h"
#include "platform/system_info.h"
#include "platform/text.h"

namespace fablewick {
namespace {

// The status-bar panel that belongs to the tables (panel 0 is the roll driver's).
constexpr int kTablesStatusPanel = 1;

void ShowInputSyntaxError(const FunctionCall& call) {
  call.engine.host().MessageBox(
      "Error",
      AtLine("Error in 'Input' function", call.table, call.line) + " - check syntax of function.");
}

void ShowInputMissingVariable(const FunctionCall& call, const std::string& name) {
  ShowRoutineError(
      call.engine.host(), "'Input' function.",
      AtLine("Tried to reference non-existent variable '" + name + "'", call.table, call.line) +
          ".");
}

// "name ": value" for each variable of the current table, in declaration order.
void AddVariableLines(const FunctionCall& call, std::vector<std::string>& lines) {
  if (call.table_index < 0) return;
  for (const TableVariable& variable : call.engine.TableAt(call.table_index).Vars) {
    lines.push_back(variable.Name + ": " + variable.Value);
  }
}

std::string FigureLine(const char* label, int64_t figure) {
  return label + FormatInteger(ClampToInt32(figure));
}

// The process's own figure and the system's memory status. Sizes are in KiB (see
// platform/system_info.h); a system that does not tell shows zeros under the same labels.
void AddResourceLines(std::vector<std::string>& lines) {
  lines.push_back(FigureLine("GetProcessHeap: ", ProcessResidentKib().value_or(0)));
  lines.push_back(" ");
  const MemoryStatus memory = ReadMemoryStatus().value_or(MemoryStatus{});
  lines.push_back(FigureLine("Available Physical Memory: ", memory.available_physical_kib));
  lines.push_back(FigureLine("Available Virtual Memory: ", memory.available_virtual_kib));
  lines.push_back(FigureLine("Memory Load: ", memory.memory_load_percent));
  lines.push_back(FigureLine("Total Physical Memory: ", memory.total_physical_kib));
  lines.push_back(FigureLine("Total Virtual Memory: ", memory.total_virtual_kib));
}

// {Input~variable,prompt,default}: the fields are divided at every comma, so prompt and default
// cannot hold one; only the variable name is trimmed. An empty answer or Cancel keeps the value.
std::string Input(const FunctionCall& call) {
  ArgReader args(call);
  if (args.FieldsLeft() < 3 || call.table_index < 0) {
    ShowInputSyntaxError(call);
    return "";
  }
  const std::string name(TrimBlanks(args.Text()));
  const int variable = call.engine.TableAt(call.table_index).FindVariable(name);
  if (variable < 0) {
    ShowInputMissingVariable(call, name);
    return "";
  }
  const std::string prompt(args.Text());
  const std::string default_answer(args.Text());
  std::optional<std::string> answer =
      call.engine.host().InputBox(prompt, call.table, default_answer);
  if (answer && !answer->empty()) {
    call.engine.TableAt(call.table_index).Vars[static_cast<std::size_t>(variable)].Value =
        std::move(*answer);
  }
  return "";
}

std::string Msg(const FunctionCall& call) {
  call.engine.host().MessageBox(call.table, std::string(ArgReader(call).Rest()));
  return "";
}

// Writes the tables' status panel and lets the window paint it before generation goes on.
std::string Status(const FunctionCall& call) {
  call.engine.host().SetStatus(kTablesStatusPanel, std::string(ArgReader(call).Rest()));
  call.engine.host().Yield();
  return "";
}

// Halts the generation before telling why, so nothing more is produced while the box is open.
// Only the flag is cleared: a later roll, or a repeated call that sets it again, goes on.
std::string Stop(const FunctionCall& call) {
  call.engine.Halt();
  call.engine.host().MessageBox("Execution Halted", std::string(ArgReader(call).Rest()));
  return "";
}

// A green note link carrying the next link number; its text is the argument as written.
std::string Note(const FunctionCall& call) {
  return NoteLinkMarkup(FormatInteger(call.engine.NextLinkNumber()), ArgReader(call).Rest());
}

std::string Debug(const FunctionCall& call) {
  std::vector<std::string> lines = {"===== VARIABLES ====="};
  AddVariableLines(call, lines);
  lines.push_back(" ");
  lines.push_back("===== SYSTEM RESOURCES =====");
  AddResourceLines(lines);
  lines.push_back(" ");
  lines.push_back("===== MISCELLANEOUS =====");
  lines.push_back("Iterations/loops: " + FormatInteger(call.engine.iterations()));
  const std::string caption =
      "Debug: " + std::string(ArgReader(call).Rest()) + " (Line: " + FormatInteger(call.line) + ")";
  call.engine.host().ShowDebug(caption, lines);
  return "";
}

constexpr FunctionEntry kInteract[] = {
    {"Input", Input}, {"Msg", Msg},   {"Status", Status},
    {"Stop", Stop},   {"Note", Note}, {"Debug", Debug},
};

}  // namespace

constinit const FunctionFamily kInteractFunctions = kInteract;

}  // namespace fablewick
