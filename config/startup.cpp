#include "config/startup.h"

#include "engine/documents/driver.h"
#include "engine/error.h"
#include "engine/numbers.h"

namespace fablewick {

StartupCommand SplitStartupCommand(std::string_view command_line) {
  const std::size_t colon = command_line.find(':');
  if (colon == std::string_view::npos) return {std::string(command_line), "1"};
  const std::size_t next = command_line.find(':', colon + 1);
  const std::size_t count_end = next == std::string_view::npos ? command_line.size() : next;
  return {std::string(command_line.substr(0, colon)),
          std::string(command_line.substr(colon + 1, count_end - colon - 1))};
}

std::optional<int16_t> StartupRollCount(std::string_view count_text) {
  try {
    const int16_t count = ParseRollCount(count_text);
    if (count >= 0) return count;
  } catch (const EngineError&) {
  }
  return std::nullopt;
}

std::string StartupCountBoxText(std::string_view count_text) {
  return FormatGeneralNumber(ParseLeadingNumber(count_text));
}

}  // namespace fablewick
