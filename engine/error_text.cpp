#include "engine/error_text.h"

#include "engine/host.h"
#include "engine/numbers.h"

namespace fablewick {

std::string AtLine(std::string_view what, std::string_view table, int32_t line) {
  std::string text(what);
  text.append(" (").append(table).append(", Line ").append(FormatInteger(line)).append(")");
  return text;
}

std::string ErrorText(std::string_view what, std::string_view table, int32_t line) {
  return "<hr>" + FunctionErrorText(what, table, line);
}

std::string FunctionErrorText(std::string_view what) {
  std::string text = "<b>###ERR: ";
  return text.append(what).append(".###</b><br>");
}

std::string FunctionErrorText(std::string_view what, std::string_view table, int32_t line) {
  return FunctionErrorText(AtLine(what, table, line));
}

std::string ParamErrorText(std::string_view what, std::string_view table, int32_t line) {
  return "<b>###ERR: " + AtLine(what, table, line) + ".</b>";
}

std::string RollErrorText(std::string_view error, std::string_view table, std::string_view group) {
  std::string text = "<hr><b>###";
  text.append(error).append(" in Table: ").append(table).append(" / Group: ");
  return text.append(group).append(" ###</b><hr>");
}

std::string BoundaryErrorTitle(std::string_view boundary, std::string_view table, int32_t line) {
  return "Error occurred in " + AtLine(boundary, table, line);
}

std::string BoundaryErrorMessage(std::string_view entry, int number, std::string_view description) {
  std::string text = "<Entry: ";
  text.append(entry).append(">\r\rTechnical Support Information: ");
  return text.append(FormatInteger(number)).append(" - ").append(description);
}

std::string RoutineErrorTitle(std::string_view routine) {
  return "Error in " + std::string(routine);
}

std::string RoutineErrorMessage(std::string_view description) {
  return "Error: " + std::string(description);
}

void ShowRoutineError(Host& host, std::string_view routine, std::string_view description) {
  host.MessageBox(RoutineErrorTitle(routine), RoutineErrorMessage(description));
}

std::string LoadErrorTitle(std::string_view table) {
  return "Error reading table file: " + std::string(table);
}

}  // namespace fablewick
