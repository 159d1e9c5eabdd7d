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

// "Extern~identifier,parameter": the identifier ends at the first comma; the parameter keeps any
// further commas.
std::string Extern(const FunctionCall& call) {
  ArgReader args(call);
  if (args.FieldsLeft() < 2) return AddOnErrorText(kNoComma, "", "");
  const std::string_view identifier = args.Text();
  const std::string_view parameter = args.Rest();

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

constexpr FunctionEntry kExtern[] = {{"Extern", Extern}};

}  // namespace

constinit const FunctionFamily kExternFunctions = kExtern;

}  // namespace fablewick
