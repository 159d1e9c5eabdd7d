// The in-memory model of table files: tables, groups, entries, variables and parameters.
// Lists are 0-based and in file order; names are compared exactly and case-sensitively.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/expansion/entry_plan.h"

namespace fablewick {

struct Table;

struct Entry {
  int16_t Low = 0;   // first roll covered
  int16_t High = 0;  // last roll covered
  std::string Text;  // as written after the first comma, continuation lines appended
  bool Drawn = false;
  int32_t Line = 0;  // file line the entry starts on, for messages
};

struct Group {
  std::string Name;
  int16_t MinValue = 100;  // lowest roll: starts at 100, lowered by smaller Low values
  int16_t MaxValue = 0;    // highest roll: starts at 0, raised by larger High values
  int16_t DrawnCount = 0;  // entries carrying the drawn mark
  bool NoRepeat = false;
  std::vector<Entry> Entries;

  int16_t EntryCount() const { return static_cast<int16_t>(Entries.size()); }
  // Clears every drawn mark.
  void ResetDrawn();

  // Index of the entry a roll selects: the first in file order whose range holds the roll;
  // otherwise the first entry for a roll at or below the first entry's Low, the last entry for
  // any other roll. The group must have entries. Constant time for groups whose ranges span few
  // rolls, logarithmic in the number of entries otherwise: a lookup from rolls to entries is
  // made at the first roll (and again should the number of entries change; ranges are fixed
  // once loaded).
  std::size_t ChooseEntry(int32_t roll) const {
    if (indexed_entries_ == Entries.size()) {
      const auto offset = static_cast<uint32_t>(roll - direct_first_);
      if (offset < direct_entry_.size() && direct_entry_[offset] >= 0) {
        return static_cast<std::size_t>(direct_entry_[offset]);
      }
    }
    return ChooseIndexedEntry(roll);
  }

  // How the roller expands the text of entry `e` (engine/expansion/entry_plan.h). The entries are
  // planned all at once at the first call, and again should their number change; `table` is the
  // table holding the group. The pieces stay where they are until then.
  const EntryPlan& PlanOf(std::size_t e, Table& table) const {
    if (planned_entries_ != Entries.size()) PlanEntries(table);
    return entry_plans_[e];
  }
  const PlanPiece* PlanPieces() const { return plan_pieces_.data(); }

 private:
  // The roll axis cut where some range begins or ends: segment i covers the rolls from
  // segment_start_[i] up to the next start, and segment_entry_[i] is the entry chosen there,
  // or -1 where no range holds the rolls. The last segment is open to the top. When the ranges
  // span few rolls, the segments are replaced by one slot per roll from direct_first_ on.
  mutable std::vector<int32_t> segment_start_;
  mutable std::vector<int32_t> segment_entry_;
  mutable std::vector<int16_t> direct_entry_;
  mutable int32_t direct_first_ = 0;
  mutable std::size_t indexed_entries_ = 0;
  mutable std::vector<EntryPlan> entry_plans_;
  mutable std::vector<PlanPiece> plan_pieces_;
  mutable std::size_t planned_entries_ = SIZE_MAX;
  void PlanEntries(Table& table) const;
  void IndexEntries() const;
  // ChooseEntry for the rolls that the slot per roll does not answer.
  std::size_t ChooseIndexedEntry(int32_t roll) const;
};

struct TableVariable {
  std::string Name;
  std::string InitialValue;
  std::string Value;
};

struct TableParameter {
  int16_t VarIndex = 0;      // index of the bound variable in the table's Vars
  std::string DefaultValue;  // the text, or the 1-based item number of a list parameter
  std::string Prompt;
  bool IsList = false;
  std::vector<std::string> Options;
};

// Named arrays of one table: array name -> (key -> value). Emptied at every top-level roll.
using TableArrays = std::map<std::string, std::map<std::string, std::string>>;

inline constexpr const char kErrorTableName[] = "###!!!ERROR!!!###";

struct Table {
  std::string Name;  // the name asked for, or kErrorTableName when loading failed
  std::vector<Group> Groups;
  std::vector<TableVariable> Vars;
  std::vector<TableParameter> Params;
  TableArrays Arrays;

  int16_t GroupCount() const { return static_cast<int16_t>(Groups.size()); }
  int16_t VarCount() const { return static_cast<int16_t>(Vars.size()); }
  int16_t ParamCount() const { return static_cast<int16_t>(Params.size()); }

  // First group / variable of that exact name, or nullptr / -1. Both look names up in an index
  // made at the first search (and again when groups or variables have been added since).
  Group* FindGroup(const std::string& name);
  int FindVariable(const std::string& name) const;

  // Indices of the groups marked no-repeat, in file order.
  const std::vector<int16_t>& NoRepeatGroups();

 private:
  // Open-addressed hash tables of names: each slot holds the index of the group or variable
  // whose name hashes there, or -1. The first of two equal names is the one kept.
  mutable std::vector<int16_t> group_slots_;
  mutable std::vector<int16_t> variable_slots_;
  mutable std::vector<int16_t> no_repeat_groups_;
  mutable std::size_t indexed_groups_ = SIZE_MAX;
  mutable std::size_t indexed_variables_ = SIZE_MAX;
  void IndexGroups() const;
};

}  // namespace fablewick
