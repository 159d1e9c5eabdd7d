// How the engine reaches add-ons: load one by its identifier, call one of its members by name
// with a text, and release it again. The engine only knows this interface; addons/ implements it
// with shared libraries, and tests may implement it however they like.
#pragma once

#include <string>
#include <string_view>

namespace fablewick {

// What became of one member call.
struct AddOnCallResult {
  enum Outcome {
    kDone,           // the member ran; `text` holds what it returned (empty for no text)
    kCannotLoad,     // no add-on could be loaded by that identifier; `error` says why
    kMissingMember,  // the add-on was loaded but has no member of that name
  };
  Outcome outcome = kCannotLoad;
  std::string text;
  std::string error;
};

class AddOnLoader {
 public:
  virtual ~AddOnLoader() = default;

  // Loads the add-on named by `identifier`, calls its member `member` ("Main" with `argument`,
  // "Version" or "About" without one) and releases the add-on before returning. Every call
  // meets a freshly loaded add-on; nothing is kept between calls.
  virtual AddOnCallResult CallMember(std::string_view identifier, std::string_view member,
                                     std::string_view argument) = 0;
};

}  // namespace fablewick
