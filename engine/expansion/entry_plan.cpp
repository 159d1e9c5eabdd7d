#include "engine/expansion/entry_plan.h"

#include <string>

#include "engine/expansion/syntax.h"
#include "engine/model/table.h"

namespace fablewick {
namespace {

// Characters that make a text need the scanner wherever they stand. "/" escapes the bracket
// after it, and a result ending in "/" would escape the next call, so texts with one are
// scanned too.
bool NeedsScanner(char c) { return c != '[' && (IsOpener(c) || c == kEscapeMark); }

}  // namespace

bool PlanEntryText(std::string_view text, Table& table, std::vector<PlanPiece>& pieces) {
  const std::size_t kept = pieces.size();
  auto give_up = [&pieces, kept] {
    pieces.resize(kept);
    return false;
  };
  if (text.size() > UINT32_MAX) return false;
  auto literal = [&](std::size_t from, std::size_t to) {
    if (to > from) {
      pieces.push_back({static_cast<uint32_t>(from), static_cast<uint32_t>(to - from), -1});
    }
  };
  std::size_t run = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (NeedsScanner(c)) return give_up();
    if (c != '[') continue;
    const std::size_t close = FindPartner(text, at);
    if (close == kNoPosition || close == at + 1) return give_up();
    const std::string_view inside = text.substr(at + 1, close - at - 1);
    if (!IsBareGroupName(inside) || !IsFinalText(inside)) return give_up();
    const Group* group = table.FindGroup(std::string(inside));
    if (group == nullptr) return give_up();
    literal(run, at);
    pieces.push_back({static_cast<uint32_t>(at + 1), static_cast<uint32_t>(inside.size()),
                      static_cast<int32_t>(group - table.Groups.data())});
    at = close;
    run = close + 1;
  }
  literal(run, text.size());
  return true;
}

}  // namespace fablewick
