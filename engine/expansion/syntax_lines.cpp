#include "engine/expansion/syntax_lines.h"

namespace fablewick {

std::vector<std::string_view> ParameterFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::string_view rest = line.substr(1);
  for (std::size_t comma; (comma = rest.find(',')) != std::string_view::npos;) {
    fields.push_back(rest.substr(0, comma));
    rest.remove_prefix(comma + 1);
  }
  fields.push_back(rest);
  return fields;
}

}  // namespace fablewick
