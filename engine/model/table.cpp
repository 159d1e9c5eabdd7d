#include "engine/model/table.h"

#include <algorithm>
#include <string_view>

#include "engine/model/unpainted_cells.h"

namespace fablewick {
namespace {

// Groups whose ranges span at most this many rolls per entry (or kDirectMinimum rolls) keep one
// slot per roll: a roll then costs one load.
constexpr std::size_t kDirectRollsPerEntry = 4;
constexpr std::size_t kDirectMinimum = 64;

// FNV-1a: names are short, and this is cheaper than the library's hash for them.
uint64_t HashName(std::string_view name) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

// Fills `slots` (a power of two, at least twice the names) with the index of each name, the
// first of equal names kept. `name_of(i)` gives name i of `count`.
template <typename NameOf>
void BuildSlots(std::vector<int16_t>& slots, std::size_t count, NameOf name_of) {
  std::size_t size = 8;
  while (size < count * 2) size *= 2;
  slots.assign(size, -1);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& name = name_of(i);
    for (std::size_t slot = HashName(name) & (size - 1);; slot = (slot + 1) & (size - 1)) {
      if (slots[slot] < 0) {
        slots[slot] = static_cast<int16_t>(i);
        break;
      }
      if (name_of(static_cast<std::size_t>(slots[slot])) == name) break;  // a later duplicate
    }
  }
}

// The index stored for `name`, or -1.
template <typename NameOf>
int FindInSlots(const std::vector<int16_t>& slots, const std::string& name, NameOf name_of) {
  const std::size_t mask = slots.size() - 1;
  for (std::size_t slot = HashName(name) & mask;; slot = (slot + 1) & mask) {
    const int16_t index = slots[slot];
    if (index < 0 || name_of(static_cast<std::size_t>(index)) == name) return index;
  }
}

}  // namespace

void Group::ResetDrawn() {
  for (Entry& entry : Entries) entry.Drawn = false;
  DrawnCount = 0;
}

std::size_t Group::ChooseIndexedEntry(int32_t roll) const {
  if (indexed_entries_ != Entries.size()) IndexEntries();
  int32_t entry = -1;
  if (!direct_entry_.empty()) {
    const auto offset = static_cast<uint32_t>(roll - direct_first_);
    if (offset < direct_entry_.size()) entry = direct_entry_[offset];
  } else {
    auto after = std::upper_bound(segment_start_.begin(), segment_start_.end(), roll);
    if (after != segment_start_.begin()) {
      entry = segment_entry_[static_cast<std::size_t>(after - segment_start_.begin()) - 1];
    }
  }
  if (entry >= 0) return static_cast<std::size_t>(entry);
  return roll <= Entries.front().Low ? 0 : Entries.size() - 1;
}

void Group::IndexEntries() const {
  // Every roll where a range begins or ends past its last roll starts a segment; within a
  // segment the same ranges hold every roll, so one entry is chosen for all of it.
  segment_start_.clear();
  for (const Entry& entry : Entries) {
    if (entry.Low > entry.High) continue;  // a reversed range holds no roll
    segment_start_.push_back(entry.Low);
    segment_start_.push_back(int32_t{entry.High} + 1);
  }
  std::sort(segment_start_.begin(), segment_start_.end());
  segment_start_.erase(std::unique(segment_start_.begin(), segment_start_.end()),
                       segment_start_.end());
  segment_entry_.assign(segment_start_.size(), -1);
  // Entries in file order paint the segments still unpainted in their range, so each segment
  // goes to the first entry that holds it.
  UnpaintedCells unpainted(segment_start_.size());
  for (std::size_t e = 0; e < Entries.size(); ++e) {
    const Entry& entry = Entries[e];
    if (entry.Low > entry.High) continue;
    const auto first = static_cast<std::size_t>(
        std::lower_bound(segment_start_.begin(), segment_start_.end(), int32_t{entry.Low}) -
        segment_start_.begin());
    const auto end = static_cast<std::size_t>(
        std::lower_bound(segment_start_.begin(), segment_start_.end(), int32_t{entry.High} + 1) -
        segment_start_.begin());
    for (std::size_t i = unpainted.From(first); i < end; i = unpainted.From(i)) {
      segment_entry_[i] = static_cast<int32_t>(e);
      unpainted.Paint(i);
    }
  }
  // Where the ranges span few rolls, the segments are spread out into one slot per roll. The
  // last segment, open to the top, is held by no range and needs no slots.
  direct_entry_.clear();
  const std::size_t span =
      segment_start_.empty()
          ? 0
          : static_cast<std::size_t>(segment_start_.back() - segment_start_.front());
  if (span > 0 && span <= std::max(kDirectMinimum, Entries.size() * kDirectRollsPerEntry)) {
    direct_first_ = segment_start_.front();
    direct_entry_.reserve(span);
    for (std::size_t i = 0; i + 1 < segment_start_.size(); ++i) {
      direct_entry_.insert(direct_entry_.end(),
                           static_cast<std::size_t>(segment_start_[i + 1] - segment_start_[i]),
                           static_cast<int16_t>(segment_entry_[i]));
    }
    segment_start_.clear();
    segment_entry_.clear();
  }
  segment_start_.shrink_to_fit();
  segment_entry_.shrink_to_fit();
  indexed_entries_ = Entries.size();
}

void Group::PlanEntries(Table& table) const {
  entry_plans_.assign(Entries.size(), EntryPlan{});
  plan_pieces_.clear();
  for (std::size_t e = 0; e < Entries.size(); ++e) {
    const std::size_t first = plan_pieces_.size();
    if (PlanEntryText(Entries[e].Text, table, plan_pieces_)) {
      entry_plans_[e] = {static_cast<uint32_t>(first),
                         static_cast<uint32_t>(plan_pieces_.size() - first), true};
    }
  }
  plan_pieces_.shrink_to_fit();
  planned_entries_ = Entries.size();
}

void Table::IndexGroups() const {
  BuildSlots(group_slots_, Groups.size(),
             [this](std::size_t g) -> const std::string& { return Groups[g].Name; });
  no_repeat_groups_.clear();
  for (std::size_t g = 0; g < Groups.size(); ++g) {
    if (Groups[g].NoRepeat) no_repeat_groups_.push_back(static_cast<int16_t>(g));
  }
  indexed_groups_ = Groups.size();
}

Group* Table::FindGroup(const std::string& name) {
  if (indexed_groups_ != Groups.size()) IndexGroups();
  const int g = FindInSlots(group_slots_, name,
                            [this](std::size_t i) -> const std::string& { return Groups[i].Name; });
  return g < 0 ? nullptr : &Groups[static_cast<std::size_t>(g)];
}

const std::vector<int16_t>& Table::NoRepeatGroups() {
  if (indexed_groups_ != Groups.size()) IndexGroups();
  return no_repeat_groups_;
}

int Table::FindVariable(const std::string& name) const {
  auto name_of = [this](std::size_t v) -> const std::string& { return Vars[v].Name; };
  if (indexed_variables_ != Vars.size()) {
    BuildSlots(variable_slots_, Vars.size(), name_of);
    indexed_variables_ = Vars.size();
  }
  return FindInSlots(variable_slots_, name, name_of);
}

}  // namespace fablewick
