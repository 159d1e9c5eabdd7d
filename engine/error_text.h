// The texts in which errors are reported, each shape built here and nowhere else. Errors met in
// table text are results, not exceptions: a construct that goes wrong gives one of the error
// texts below in place of its result, and generation goes on. Failures caught at a boundary are
// shown in message boxes, whose titles and texts are built here too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fablewick {

class Host;

// What went wrong and where: what " (" table ", Line " line ")".
std::string AtLine(std::string_view what, std::string_view table, int32_t line);

// ---- error texts in results ----

// "<hr><b>###ERR: " what " (" table ", Line " line ").###</b><br>": the error text of the
// constructs of table text (unknown functions and variables, missing groups, blocks without
// their comma) and of a generation stopped by a limit.
std::string ErrorText(std::string_view what, std::string_view table, int32_t line);

// "<b>###ERR: " what ".###</b><br>": the error text of a function that reports a problem in its
// own result ("Extern", "Data", "OrderAsc" and "OrderDesc").
std::string FunctionErrorText(std::string_view what);
// The same naming the place: "<b>###ERR: " what " (" table ", Line " line ").###</b><br>" (the
// array functions).
std::string FunctionErrorText(std::string_view what, std::string_view table, int32_t line);

// "<b>###ERR: " what " (" table ", Line " line ").</b>": the error text of "Param".
std::string ParamErrorText(std::string_view what, std::string_view table, int32_t line);

// "<hr><b>###" error " in Table: " table " / Group: " group " ###</b><hr>": the result of a group
// roll that failed.
std::string RollErrorText(std::string_view error, std::string_view table, std::string_view group);

// ---- message boxes ----

// The OK/Cancel box of a failure caught where an expansion or a function call is completed:
// titled "Error occurred in " boundary " (" table ", Line " line ")", with the text
// "<Entry: " entry ">", two carriage returns, "Technical Support Information: ", the error
// number, " - " and its description.
std::string BoundaryErrorTitle(std::string_view boundary, std::string_view table, int32_t line);
std::string BoundaryErrorMessage(std::string_view entry, int number, std::string_view description);

// The box of a routine that caught a failure: titled "Error in " and the routine's name, with
// the text "Error: " and the failure's description, and an OK button.
std::string RoutineErrorTitle(std::string_view routine);
std::string RoutineErrorMessage(std::string_view description);
void ShowRoutineError(Host& host, std::string_view routine, std::string_view description);

// The title of the loader's boxes: "Error reading table file: " and the table's name.
std::string LoadErrorTitle(std::string_view table);

}  // namespace fablewick
