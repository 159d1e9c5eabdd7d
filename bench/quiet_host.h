// A host for benchmarks: shows nothing and answers every box at once (OK, No, the pre-filled
// answer), so that only the engine's own work is measured.
#pragma once

#include <optional>
#include <string>

#include "engine/host.h"

namespace fablewick {

class QuietHost : public Host {
 public:
  void MessageBox(const std::string&, const std::string&) override {}
  bool OkCancelBox(const std::string&, const std::string&) override { return true; }
  bool YesNoBox(const std::string&, const std::string&) override { return false; }
  std::optional<std::string> InputBox(const std::string&, const std::string&,
                                      const std::string& default_answer) override {
    return default_answer;
  }
};

}  // namespace fablewick
