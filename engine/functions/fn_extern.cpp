// "Extern": calls the member Main of an add-on with a text and gives back its answer. Every
// problem becomes an error text in the result; the call itself never fails.
#include "engine/addon_loader.h"
#include "engine/engine.h"
#include "engine/functions/functions.h"
#include "engine/numbers.h"

namespace fablewick {
namespace {

// Error numbers of add-on calls, the ones users of component-calling tools know.
constexpr int kNoComma = 5;         // invalid procedure call or argument
constexpr int kCannotCreate = 429;  // no add-on can be loaded by that identifier
constexpr int kNoSuchMember = 438;  // the add-on lacks the member

std::string AddOnErrorText(int number, std::string_view identifier, std::string_view parameter) {
  std::string what = "Error (";
  what.append(FormatInteger(number)).append(") calling add-on: '").append(identifier);
  what.append("' with parameter '").append(parameter).append("'");
  return FunctionErrorText(what);
}

}  // namespace

std::string Extern(const FunctionCall& call) {
  // The identifier ends at the first comma; the parameter keeps any further commas.
  const std::size_t comma = call.args.find(',');
  if (comma == std::string_view::npos) return AddOnErrorText(kNoComma, "", "");
  const std::string_view identifier = call.args.substr(0, comma);
  const std::string_view parameter = call.args.substr(comma + 1);

  AddOnLoader* loader = call.engine.add_on_loader();
  if (loader == nullptr) return AddOnErrorText(kCannotCreate, identifier, parameter);
  AddOnCallResult result = loader->CallMember(identifier, "Main", parameter);
  switch (result.outcome) {
    case AddOnCallResult::kDone:
      return std::move(result.text);
    case AddOnCallResult::kMissingMember:
      return AddOnErrorText(kNoSuchMember, identifier, parameter);
    case AddOnCallResult::kCannotLoad:
      break;
  }
  return AddOnErrorText(kCannotCreate, identifier, parameter);
}

}  // namespace fablewick
