#include "engine/table.h"

namespace fablewick {

void Group::ResetDrawn() {
  for (Entry& entry : Entries) entry.Drawn = false;
  DrawnCount = 0;
}

Group* Table::FindGroup(const std::string& name) {
  for (Group& group : Groups) {
    if (group.Name == name) return &group;
  }
  return nullptr;
}

int Table::FindVariable(const std::string& name) const {
  for (std::size_t i = 0; i < Vars.size(); ++i) {
    if (Vars[i].Name == name) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace fablewick
