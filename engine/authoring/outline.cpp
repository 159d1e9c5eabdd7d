#include "engine/authoring/outline.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <numeric>

#include "engine/expansion/syntax.h"
#include "engine/expansion/syntax_lines.h"
#include "engine/expansion/syntax_spans.h"
#include "engine/host.h"
#include "engine/model/loader.h"
#include "engine/model/table.h"

namespace fablewick {
namespace {

// How many of the group's draws choose each entry: every roll from the group's lowest to its
// highest, read as the roller reads a reversed or empty span, goes to the entry the roller's
// ChooseEntry gives.
void CountDraws(const Group& group, OutlineGroup& out) {
  if (group.Entries.empty()) return;
  int32_t low = group.MinValue, high = group.MaxValue;
  const int32_t span = high - low + 1;
  if (span <= 0) {
    high = low - (span == 0 ? 0 : 1);
    low = span == 0 ? low : low + span;
  }
  out.rolls = high - low + 1;
  for (int32_t roll = low; roll <= high; ++roll) {
    const std::size_t e = group.ChooseEntry(roll);
    if (e < out.entries.size()) ++out.entries[e].chosen;
  }
}

}  // namespace

std::vector<OutlineGroup> BuildOutline(const std::string& name, std::string_view text) {
  SilentHost host;
  const std::unique_ptr<Table> table = ParseTableText(name, text, host);
  std::vector<OutlineGroup> groups;
  // Where each header and entry line stands, in the order the loader meets them.
  std::vector<std::size_t> line_starts;
  std::vector<int32_t> header_lines;
  std::vector<bool> weighted, no_repeat;
  std::vector<std::vector<std::pair<int32_t, std::string_view>>> entry_values;
  int32_t number = 0;
  ForEachTableLine(text, [&](std::string_view line, std::size_t at) {
    ++number;
    line_starts.push_back(at);
    const LineKind kind = ClassifyTableLine(line);
    if (kind == LineKind::kGroupHeader) {
      const HeaderLine header = ReadHeaderLine(line);
      header_lines.push_back(number);
      weighted.push_back(header.weighted);
      no_repeat.push_back(header.no_repeat);
      entry_values.emplace_back();
    } else if (kind == LineKind::kEntry && !entry_values.empty()) {
      const EntryLine entry = ReadEntryLine(line);
      if (entry.has_comma) entry_values.back().emplace_back(number, entry.value);
    }
  });
  if (table->Name == kErrorTableName) return groups;
  std::map<std::string, std::size_t> by_name;
  for (std::size_t g = 0; g < table->Groups.size(); ++g) {
    const Group& group = table->Groups[g];
    OutlineGroup out;
    out.name = group.Name;
    if (g < header_lines.size()) {
      out.line = header_lines[g];
      out.weighted = weighted[g];
    }
    out.no_repeat = group.NoRepeat;
    for (std::size_t e = 0; e < group.Entries.size(); ++e) {
      const Entry& entry = group.Entries[e];
      OutlineEntry item;
      item.line = entry.Line;
      item.text = entry.Text;
      if (g < entry_values.size() && e < entry_values[g].size()) {
        item.value = std::string(entry_values[g][e].second);
      }
      out.entries.push_back(std::move(item));
    }
    CountDraws(group, out);
    by_name.emplace(group.Name, groups.size());  // calls reach the first group of a name
    groups.push_back(std::move(out));
  }
  // The calls, from the spans: a group name written out in full, in this table.
  const std::vector<SyntaxSpan> spans = TableFileSpans(text);
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const SyntaxSpan& span = spans[i];
    if (span.kind != SpanKind::kGroupName || (span.flags & kSpanMadeWhileRolling) != 0) continue;
    std::string_view group = text.substr(span.begin, span.end - span.begin);
    // A table name before it must be this table's.
    bool other_table = false;
    for (std::size_t k = i; k-- > 0 && spans[k].parent == span.parent;) {
      if (spans[k].kind == SpanKind::kTableName) {
        other_table = text.substr(spans[k].begin, spans[k].end - spans[k].begin) != name;
        break;
      }
    }
    if (other_table) continue;
    if (const std::size_t open = group.find('('); open != std::string_view::npos) {
      group = group.substr(0, open);
    }
    const auto found = by_name.find(std::string(group));
    if (found == by_name.end()) continue;
    const auto line = static_cast<int32_t>(
        std::upper_bound(line_starts.begin(), line_starts.end(), span.begin) - line_starts.begin());
    std::vector<int32_t>& callers = groups[found->second].callers;
    if (callers.empty() || callers.back() != line) callers.push_back(line);
  }
  for (OutlineGroup& group : groups) {
    std::sort(group.callers.begin(), group.callers.end());
    group.callers.erase(std::unique(group.callers.begin(), group.callers.end()),
                        group.callers.end());
  }
  return groups;
}

std::string FormatChance(int64_t chosen, int64_t rolls) {
  if (chosen <= 0 || rolls <= 0) return "0 (never)";
  const int64_t common = std::gcd(chosen, rolls);
  char percent[32];
  std::snprintf(percent, sizeof percent, "%.4g%%",
                100.0 * static_cast<double>(chosen) / static_cast<double>(rolls));
  return std::to_string(chosen / common) + "/" + std::to_string(rolls / common) + " (" + percent +
         ")";
}

}  // namespace fablewick
