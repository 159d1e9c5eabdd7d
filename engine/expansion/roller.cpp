// The group roller: picks an entry of a group by roll and expands its text.
#include <algorithm>

#include "engine/engine.h"
#include "engine/error.h"
#include "engine/expansion/entry_plan.h"
#include "engine/expansion/syntax.h"
#include "engine/model/unpainted_cells.h"
#include "platform/text.h"

namespace fablewick {
namespace {

// Whether any roll from `low` to `high` selects an entry that is not drawn. Each roll is given
// to the first entry whose range holds it; every roll is painted once, so the cost is linear in
// the entries plus the span of rolls.
bool AnyUndrawnReachable(const Group& group, int32_t low, int32_t high) {
  const std::vector<Entry>& entries = group.Entries;
  const std::size_t span = static_cast<std::size_t>(high - low + 1);
  std::vector<int32_t> owner(span, -1);
  UnpaintedCells unpainted(span);
  for (std::size_t e = 0; e < entries.size(); ++e) {
    int32_t from = std::max<int32_t>(entries[e].Low, low);
    int32_t to = std::min<int32_t>(entries[e].High, high);
    if (from > to) continue;
    for (std::size_t r = unpainted.From(static_cast<std::size_t>(from - low));
         r <= static_cast<std::size_t>(to - low); r = unpainted.From(r)) {
      owner[r] = static_cast<int32_t>(e);
      if (!entries[e].Drawn) return true;
      unpainted.Paint(r);
    }
  }
  for (std::size_t r = 0; r < span; ++r) {
    if (owner[r] < 0 && !entries[group.ChooseEntry(low + static_cast<int32_t>(r))].Drawn) {
      return true;
    }
  }
  return false;
}

struct GroupExhausted {};

}  // namespace

void Engine::StartTopLevelRoll(int table_index) {
  for (auto& cached : TableCache) {
    for (TableVariable& variable : cached->Vars) variable.Value = variable.InitialValue;
    cached->Arrays.clear();
  }
  g_nIterations = 0;
  output_bytes_ = 0;
  Table& table = TableAt(table_index);
  const std::size_t count = std::min(table.Params.size(), g_aParamValues.size());
  for (std::size_t i = 0; i < count; ++i) {
    table.Vars.at(static_cast<std::size_t>(table.Params[i].VarIndex)).Value = g_aParamValues[i];
  }
}

// Built into RollTopLevel and RollGroup, so that neither pays for the other's work.
[[gnu::always_inline]] inline std::string Engine::Roll(const std::string& table_name,
                                                       const std::string& group_name,
                                                       const CallRoll& roll,
                                                       const std::vector<std::string>& params,
                                                       bool top_level) {
  const char* error_text = "ERR:Unknown";
  try {
    int t = GetTable(table_name);
    if (t < 0) return "";
    Table& table = TableAt(t);
    if (top_level) StartTopLevelRoll(t);

    // Values passed with the call; a parameter without a value takes its default.
    if (!params.empty()) {
      for (std::size_t i = 0; i < table.Params.size(); ++i) {
        const TableParameter& parameter = table.Params[i];
        const bool given = i < params.size() && !params[i].empty();
        table.Vars.at(static_cast<std::size_t>(parameter.VarIndex)).Value =
            given ? params[i] : parameter.DefaultValue;
      }
    }

    Group* group = table.FindGroup(group_name);
    if (group == nullptr) return std::string(kNotFoundMarker);
    if (group->NoRepeat && roll.reset_first) group->ResetDrawn();

    const std::size_t chosen = PickEntry(*group, roll.modifier, roll.fixed);
    std::string text;
    if (top_level) {
      // Room for a typical result from the start saves growing it several times over; a result
      // handed back with RecycleResult has it already.
      text = std::move(spare_result_);
      text.clear();
      text.reserve(256);
    }
    ExpandChosenEntry(table, table_name, *group, chosen, text);
    return text;
  } catch (const GroupExhausted&) {
    error_text = "ERR: Non-duplicating group exhausted";
  } catch (const EngineError&) {
  } catch (const std::exception&) {
  }
  return RollErrorText(error_text, table_name, group_name);
}

std::string Engine::RollTopLevel(const std::string& table_name, const std::string& group_name) {
  return Roll(table_name, group_name, CallRoll{}, {}, true);
}

std::string Engine::RollGroup(const std::string& table_name, const std::string& group_name,
                              const CallRoll& roll, const std::vector<std::string>& params) {
  return Roll(table_name, group_name, roll, params, false);
}

// An ordinary roll on an ordinary group takes the entry the roll falls on; DrawEntry makes the
// same draw and choice, and handles everything else.
[[gnu::always_inline]] inline std::size_t Engine::PickEntry(Group& group, int16_t roll_modifier,
                                                            bool fixed_roll) {
  if (roll_modifier == 0 && !fixed_roll && !group.NoRepeat &&
      group.DrawnCount != group.EntryCount()) {
    return group.ChooseEntry(RandomBetween(group.MinValue, group.MaxValue));
  }
  return DrawEntry(group, roll_modifier, fixed_roll);
}

std::size_t Engine::DrawEntry(Group& group, int16_t roll_modifier, bool fixed_roll) {
  bool checked_reachable = false;
  for (int attempts = 0;; ++attempts) {
    if (group.DrawnCount == group.EntryCount()) throw GroupExhausted{};
    int32_t roll = roll_modifier;
    if (!fixed_roll) roll += RandomBetween(group.MinValue, group.MaxValue);
    if (roll < INT16_MIN || roll > INT16_MAX) throw EngineError(kOverflow);
    const std::size_t chosen = group.ChooseEntry(roll);
    Entry& entry = group.Entries[chosen];
    if (!group.NoRepeat) return chosen;
    if (!entry.Drawn) {
      entry.Drawn = true;
      ++group.DrawnCount;
      return chosen;
    }
    // A fixed roll always lands on the same drawn entry, and other rolls may reach only
    // drawn entries (a modifier past the last range): the group is exhausted for this call.
    if (fixed_roll) throw GroupExhausted{};
    if (!checked_reachable && attempts >= 64) {
      checked_reachable = true;
      int32_t low = group.MinValue, high = group.MaxValue;
      int32_t span = high - low + 1;
      if (span <= 0) {  // the reading of a span of 0 or less
        high = low - (span == 0 ? 0 : 1);
        low = span == 0 ? low : low + span;
      }
      low = std::max<int32_t>(low + roll_modifier, INT16_MIN);
      high = std::min<int32_t>(high + roll_modifier, INT16_MAX);
      if (low > high || !AnyUndrawnReachable(group, low, high)) throw GroupExhausted{};
    }
    if (StopRequested()) throw GroupExhausted{};
  }
}

// RollBareCall and ExpandChosenEntry are built into their callers, the planned walk
// (ExpandPlannedEntry) above all: a group call then takes one call frame instead of three.
[[gnu::always_inline]] inline bool Engine::RollBareCall(Table& table, const std::string& table_name,
                                                        Group& group, std::string& out) {
  const std::size_t start = out.size();
  const char* error_text = "ERR:Unknown";
  try {
    return ExpandChosenEntry(table, table_name, group, PickEntry(group, 0, false), out);
  } catch (const GroupExhausted&) {
    error_text = "ERR: Non-duplicating group exhausted";
  } catch (const EngineError&) {
  } catch (const std::exception&) {
  }
  out.resize(start);
  out += RollErrorText(error_text, table_name, group.Name);
  return false;
}

[[gnu::always_inline]] inline bool Engine::ExpandChosenEntry(Table& table,
                                                             const std::string& table_name,
                                                             Group& group, std::size_t chosen,
                                                             std::string& out) {
  if (roll_observer_ != nullptr) roll_observer_->EntryChosen(table_name, group, chosen);
  g_bKeepRunning = !StopRequested();
  const Entry& entry = group.Entries[chosen];
  const std::size_t start = out.size();
  const EntryPlan& plan = group.PlanOf(chosen, table);
  if (plan.planned && !restarting_scan_) {
    const PlanPiece* pieces = group.PlanPieces() + plan.first;
    if (ExpandPlannedEntry(table, table_name, entry, pieces, pieces + plan.count, out)) return true;
  } else {
    out += ProcessString(entry.Text, kPlainText, table_name, entry.Line);
  }
  return UnescapeResult(out, start);
}

// Kept out of line: the planned walk rarely gets here, and its frame stays small without it.
[[gnu::noinline]] bool Engine::UnescapeResult(std::string& out, std::size_t start) {
  std::string_view text = std::string_view(out).substr(start);
  if (text.find('/') != std::string_view::npos) {
    std::string unescaped = RemoveEscapes(text);
    out.resize(start);
    out += unescaped;
    text = std::string_view(out).substr(start);
  }
  return IsFinalText(text);
}

// The entry expanded as ProcessString would expand its text, walking its pieces: literal text is
// copied and each call rolled straight into `out`, with the same checks, counts and limits as
// the scanner's. Should a result not be final text, the scanner takes over from there.
bool Engine::ExpandPlannedEntry(Table& table, const std::string& table_name, const Entry& entry,
                                const PlanPiece* pieces, const PlanPiece* pieces_end,
                                std::string& out) {
  const bool outermost = depth_ == 0;
  const std::size_t start = out.size();
  const std::string_view text = entry.Text;
  const int32_t line = entry.Line;
  bool final_text = true;
  if (EnterExpansion(text.size(), table_name, line)) {
    LevelGuard level(*this);
    for (const PlanPiece* piece = pieces; piece != pieces_end; ++piece) {
      if (piece->group < 0) {
        out.append(text.data() + piece->offset, piece->length);
        continue;
      }
      // The call, as ProcessString gives a group call and the scanner puts its result in place.
      const std::size_t before = out.size();
      bool final_result = true;
      if (EnterExpansion(piece->length, table_name, line)) {
        LevelGuard call(*this);
        if (!StopRequested()) {
          Group& group = table.Groups[static_cast<std::size_t>(piece->group)];
          final_result = RollBareCall(table, table_name, group, out);
          // An entry whose text is the not-found marker reads as a group that does not exist.
          if (out.size() - before == kNotFoundMarker.size() &&
              std::string_view(out.data() + before, kNotFoundMarker.size()) == kNotFoundMarker) {
            out.resize(before);
            out += GroupNotFound(group.Name, table_name, line);
            final_result = false;
          }
        }
      }
      const std::size_t result_size = out.size() - before;
      const std::size_t rest_begin = piece->offset + piece->length + 1;
      const std::size_t text_size = (before - start) + (text.size() - rest_begin) + result_size;
      if (!CountOutput(result_size, text_size, table_name, line)) {
        out.resize(before);
        continue;
      }
      if (final_result) continue;
      // The result may open constructs or escape what follows: scan it with the rest.
      ResumeScan(table_name, line, start, before, text.substr(rest_begin), out);
      final_text = false;
      break;
    }
  }
  if (outermost && FinishOutermost(out, start)) return false;
  return final_text;
}

}  // namespace fablewick
