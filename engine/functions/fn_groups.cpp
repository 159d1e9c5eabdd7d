// Group state and group queries: "Reset", "Lockout" and "Unlock" change which entries count as
// drawn; "Count", "Used", "MinVal" and "MaxVal" answer questions about a group.
#include <optional>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/expansion/syntax.h"
#include "engine/functions/functions.h"
#include "engine/numbers.h"
#include "platform/text.h"

namespace fablewick {
namespace {

// A group reference: "Group" in the current table or "Table.Group".
struct GroupSpec {
  std::optional<std::string> table;  // absent: the current table
  std::string group;
};

GroupSpec ParseGroupSpec(std::string_view text) {
  const GroupReference reference = SplitGroupReference(text);
  if (!reference.has_table) return {std::nullopt, std::string(reference.group)};
  return {std::string(reference.table), std::string(reference.group)};
}

// The table of a group reference among the loaded tables; -1 when it is not loaded.
int LoadedTable(const FunctionCall& call, const GroupSpec& spec) {
  return spec.table ? call.engine.FindTableIndex(*spec.table) : call.table_index;
}

// The table of a group reference, loaded when needed; -1 when it cannot be loaded.
int TableLoadingIfNeeded(const FunctionCall& call, const GroupSpec& spec) {
  return spec.table ? call.engine.GetTable(*spec.table) : call.table_index;
}

Group* FindGroup(Engine& engine, int table, const std::string& name) {
  return table < 0 ? nullptr : engine.TableAt(table).FindGroup(name);
}

// The numbers of "Lockout" and "Unlock", the fields not read yet, as ranges: "3" is 3 to 3, "2-5"
// is 2 to 5, "-2" is 0 to 2.
std::vector<std::pair<int16_t, int16_t>> ReadNumberList(ArgReader& args) {
  std::vector<std::pair<int16_t, int16_t>> ranges;
  while (args.More()) {
    const std::string_view item = args.Text();
    const std::size_t dash = item.find('-');
    if (dash == std::string_view::npos) {
      const int16_t number = RoundToInt16(ParseLeadingNumber(item));
      ranges.emplace_back(number, number);
    } else {
      ranges.emplace_back(RoundToInt16(ParseLeadingNumber(item.substr(0, dash))),
                          RoundToInt16(ParseLeadingNumber(item.substr(dash + 1))));
    }
  }
  return ranges;
}

// Marks (or unmarks) every entry whose range holds a listed number.
void SetDrawnMarks(const FunctionCall& call, bool drawn) {
  ArgReader args(call);
  if (args.FieldsLeft() < 2) return;
  const GroupSpec spec = ParseGroupSpec(args.Text());
  const int table = LoadedTable(call, spec);
  ArgCheck(table >= 0, kSubscriptOutOfRange);
  Group* group = FindGroup(call.engine, table, spec.group);
  if (group == nullptr) return;
  const auto ranges = ReadNumberList(args);
  for (Entry& entry : group->Entries) {
    if (entry.Drawn == drawn) continue;
    for (const auto& [low, high] : ranges) {
      // Some number from low to high lies within the entry's range.
      if (low <= high && low <= entry.High && entry.Low <= high && entry.Low <= entry.High) {
        entry.Drawn = drawn;
        group->DrawnCount = static_cast<int16_t>(group->DrawnCount + (drawn ? 1 : -1));
        break;
      }
    }
  }
}

// The group and entry number of "Used", "MinVal" and "MaxVal": spec "," n.
struct EntryQuery {
  GroupSpec spec;
  int16_t number;
};

std::optional<EntryQuery> ReadEntryQuery(const FunctionCall& call) {
  ArgReader args(call);
  if (args.FieldsLeft() < 2) return std::nullopt;
  const GroupSpec spec = ParseGroupSpec(args.Text());
  return EntryQuery{spec, args.LeadingInt16()};
}

std::string EntryBound(const FunctionCall& call, bool low) {
  const std::optional<EntryQuery> query = ReadEntryQuery(call);
  if (!query) return "0";
  const Group* group =
      FindGroup(call.engine, TableLoadingIfNeeded(call, query->spec), query->spec.group);
  if (group == nullptr || query->number < 1 || query->number > group->EntryCount()) return "0";
  const Entry& entry = group->Entries[static_cast<std::size_t>(query->number - 1)];
  return FormatInteger(low ? entry.Low : entry.High);
}

// "Reset~group": the drawn marks of a no-repeat group cleared; "$ALL$" clears every one of the
// table.
std::string Reset(const FunctionCall& call) {
  const GroupSpec spec = ParseGroupSpec(ArgReader(call).Rest());
  const int table = call.engine.FindTableIndex(spec.table ? *spec.table : call.table);
  if (table < 0) return "";
  if (ToUpper(spec.group) == "$ALL$") {
    for (Group& group : call.engine.TableAt(table).Groups) {
      if (group.NoRepeat) group.ResetDrawn();
    }
    return "";
  }
  Group* group = FindGroup(call.engine, table, spec.group);
  if (group != nullptr && group->NoRepeat) group->ResetDrawn();
  return "";
}

std::string Lockout(const FunctionCall& call) {
  SetDrawnMarks(call, true);
  return "";
}

std::string Unlock(const FunctionCall& call) {
  SetDrawnMarks(call, false);
  return "";
}

std::string Count(const FunctionCall& call) {
  const GroupSpec spec = ParseGroupSpec(ArgReader(call).Rest());
  const Group* group = FindGroup(call.engine, TableLoadingIfNeeded(call, spec), spec.group);
  return group == nullptr ? "0" : FormatInteger(group->EntryCount());
}

std::string Used(const FunctionCall& call) {
  const std::optional<EntryQuery> query = ReadEntryQuery(call);
  if (!query) return "-1";
  const Group* group = FindGroup(call.engine, LoadedTable(call, query->spec), query->spec.group);
  if (group == nullptr) return "-1";
  for (const Entry& entry : group->Entries) {
    if (entry.Low <= query->number && query->number <= entry.High) return entry.Drawn ? "1" : "0";
  }
  return "-1";
}

std::string MinVal(const FunctionCall& call) { return EntryBound(call, true); }

std::string MaxVal(const FunctionCall& call) { return EntryBound(call, false); }

constexpr FunctionEntry kGroups[] = {
    {"Reset", Reset}, {"Lockout", Lockout}, {"Unlock", Unlock}, {"Count", Count},
    {"Used", Used},   {"MinVal", MinVal},   {"MaxVal", MaxVal},
};

}  // namespace

constinit const FunctionFamily kGroupFunctions = kGroups;

}  // namespace fablewick
