// The odds report as text for a terminal, as CSV and as JSON, and the bar chart of numbers.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/authoring/odds.h"
#include "engine/numbers.h"

namespace fablewick {
namespace {

std::string Printed(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string Percent(double chance) {
  const double percent = 100 * chance;
  if (percent != 0 && std::fabs(percent) < 0.01) return Printed("%.2e%%", percent);
  return Printed("%.2f%%", percent);
}

// A number for people: at most four decimals, trailing zeros dropped.
std::string Short(double value) { return FormatGeneralNumber(std::round(value * 10000) / 10000); }

std::string PadLeft(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// Line breaks and tabs of a text as the caret codes that write them, so each text keeps to one
// line.
std::string OnOneLine(std::string_view text) {
  if (text.empty()) return "(empty)";
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      line += "^M";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\t') {
      line += "^T";
    } else {
      line += text[i];
    }
  }
  return line;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string JsonNumber(double value) { return Printed("%.17g", value); }

std::string JsonEstimate(const char* name, const Estimate& estimate, bool exact) {
  std::string out = "\"" + std::string(name) + "\":" + JsonNumber(estimate.value);
  if (!exact) {
    out += ",\"" + std::string(name) + "_low\":" + JsonNumber(estimate.low) + ",\"" + name +
           "_high\":" + JsonNumber(estimate.high);
  }
  return out;
}

}  // namespace

std::string OddsChanceText(const Estimate& chance, bool exact) {
  if (exact) return Percent(chance.value);
  return Percent(chance.value) + " (" + Percent(chance.low) + " to " + Percent(chance.high) + ")";
}

std::string OddsExpectedText(const Estimate& expected, bool exact) {
  if (exact) return Short(expected.value);
  return Short(expected.value) + " (" + Short(expected.low) + " to " + Short(expected.high) + ")";
}

std::string OddsHeading(const OddsReport& report) {
  if (report.exact) return "Odds of " + report.call + ": exact";
  std::string place;
  if (!report.sampled_table.empty()) {
    place = " (" + report.sampled_table + ", line " + FormatInteger(report.sampled_line) + ")";
  }
  return "Odds of " + report.call + ": sampled from " + FormatInteger(report.samples) +
         " rolls, with 95% intervals, because of " + report.sampled_because + place;
}

std::string OddsNumbersText(const NumberOdds& n) {
  return "minimum " + FormatGeneralNumber(n.minimum) + ", maximum " +
         FormatGeneralNumber(n.maximum) + ", mean " + Short(n.mean) + ", standard deviation " +
         Short(n.deviation) + ", quartiles " + FormatGeneralNumber(n.lower_quartile) + " / " +
         FormatGeneralNumber(n.median) + " / " + FormatGeneralNumber(n.upper_quartile);
}

std::vector<NumberBand> NumberBands(const NumberOdds& numbers, int rows) {
  std::vector<NumberBand> bands;
  if (numbers.values.empty()) return bands;
  if (numbers.values.size() <= static_cast<std::size_t>(rows)) {
    for (const auto& [value, chance] : numbers.values) {
      bands.push_back({FormatGeneralNumber(value), chance});
    }
  } else {
    const bool whole = std::all_of(numbers.values.begin(), numbers.values.end(),
                                   [](const auto& v) { return v.first == std::floor(v.first); });
    double step = (numbers.maximum - numbers.minimum) / rows;
    if (whole) step = std::ceil((numbers.maximum - numbers.minimum + 1) / rows);
    for (int b = 0; b < rows; ++b) {
      const double from = numbers.minimum + b * step;
      if (from > numbers.maximum) break;
      const double to = whole ? from + step - 1 : from + step;
      bands.push_back(
          {FormatGeneralNumber(from) +
               (whole && step == 1 ? ""
                                   : " to " + FormatGeneralNumber(std::min(to, numbers.maximum))),
           0});
    }
    for (const auto& [value, chance] : numbers.values) {
      auto band = static_cast<std::size_t>((value - numbers.minimum) / step);
      bands[std::min(band, bands.size() - 1)].chance += chance;
    }
  }
  return bands;
}

std::string NumberChart(const NumberOdds& numbers, int width, int rows) {
  static const char* const kEighths[] = {"", "▏", "▎", "▍", "▌", "▋", "▊", "▉"};
  const std::vector<NumberBand> bands = NumberBands(numbers, rows);
  double largest = 0;
  std::size_t label_width = 0;
  for (const NumberBand& band : bands) {
    largest = std::max(largest, band.chance);
    label_width = std::max(label_width, band.label.size());
  }
  std::string chart;
  for (const NumberBand& band : bands) {
    const int eighths =
        largest == 0 ? 0 : static_cast<int>(std::lround(band.chance / largest * width * 8));
    std::string bar;
    for (int i = 0; i < eighths / 8; ++i) bar += "█";
    bar += kEighths[eighths % 8];
    chart += PadLeft(band.label, label_width) + " │" + bar + " " + Percent(band.chance) + "\n";
  }
  return chart;
}

std::string FormatOddsText(const OddsReport& report) {
  std::string out = OddsHeading(report) + "\n";
  for (const GroupOdds& group : report.groups) {
    out += "\nGroup \"" + group.group + "\" of table \"" + group.table + "\"\n";
    std::vector<std::string> chances, expected;
    std::size_t chance_width = 6, expected_width = 8, line_width = 4;
    for (const EntryOdds& entry : group.entries) {
      chances.push_back(OddsChanceText(entry.chance, report.exact));
      expected.push_back(OddsExpectedText(entry.expected, report.exact));
      chance_width = std::max(chance_width, chances.back().size());
      expected_width = std::max(expected_width, expected.back().size());
      line_width = std::max(line_width, FormatInteger(entry.line).size());
    }
    out += PadLeft("chance", chance_width) + "  " + PadLeft("expected", expected_width) + "  " +
           PadLeft("line", line_width) + "  entry\n";
    for (std::size_t e = 0; e < group.entries.size(); ++e) {
      out += PadLeft(chances[e], chance_width) + "  " + PadLeft(expected[e], expected_width) +
             "  " + PadLeft(FormatInteger(group.entries[e].line), line_width) + "  " +
             OnOneLine(group.entries[e].text) + "\n";
    }
  }
  out += "\n";
  if (!report.results_listed) {
    out += report.exact ? "Results: too many to list (up to " +
                              FormatGeneralNumber(std::round(report.result_count)) +
                              " different ones); the groups above show where they come from\n"
                        : "Results: too many to list (" + FormatGeneralNumber(report.result_count) +
                              " different ones in the rolls made)\n";
  } else {
    out += "Results: " + FormatInteger(static_cast<int64_t>(report.results.size())) +
           " different, most likely first\n";
    for (const ResultOdds& result : report.results) {
      out += PadLeft(OddsChanceText(result.chance, report.exact), report.exact ? 7 : 26) + "  " +
             OnOneLine(result.text) + "\n";
    }
  }
  if (report.numbers) {
    const NumberOdds& n = *report.numbers;
    out += "\nNumbers: " + OddsNumbersText(n) + "\n";
    out += NumberChart(n);
  }
  return out;
}

std::string FormatOddsCsv(const OddsReport& report) {
  std::string out =
      "kind,table,group,line,text,chance,chance_low,chance_high,expected,expected_low,"
      "expected_high\r\n";
  auto numbers = [](const Estimate& e) {
    return JsonNumber(e.value) + "," + JsonNumber(e.low) + "," + JsonNumber(e.high);
  };
  for (const GroupOdds& group : report.groups) {
    for (const EntryOdds& entry : group.entries) {
      out += "entry," + CsvField(group.table) + "," + CsvField(group.group) + "," +
             FormatInteger(entry.line) + "," + CsvField(entry.text) + "," + numbers(entry.chance) +
             "," + numbers(entry.expected) + "\r\n";
    }
  }
  for (const ResultOdds& result : report.results) {
    out += "result,,,," + CsvField(result.text) + "," + numbers(result.chance) + ",,,\r\n";
  }
  return out;
}

std::string FormatOddsJson(const OddsReport& report) {
  const bool exact = report.exact;
  std::string out =
      "{\"call\":" + JsonString(report.call) + ",\"exact\":" + (exact ? "true" : "false");
  if (!exact) {
    out += ",\"sampled_because\":" + JsonString(report.sampled_because) +
           ",\"sampled_table\":" + JsonString(report.sampled_table) +
           ",\"sampled_line\":" + FormatInteger(report.sampled_line) +
           ",\"samples\":" + FormatInteger(report.samples);
  }
  out += ",\"groups\":[";
  for (std::size_t g = 0; g < report.groups.size(); ++g) {
    const GroupOdds& group = report.groups[g];
    out += std::string(g ? "," : "") + "{\"table\":" + JsonString(group.table) +
           ",\"group\":" + JsonString(group.group) + ",\"entries\":[";
    for (std::size_t e = 0; e < group.entries.size(); ++e) {
      const EntryOdds& entry = group.entries[e];
      out += std::string(e ? "," : "") + "{\"line\":" + FormatInteger(entry.line) +
             ",\"text\":" + JsonString(entry.text) + "," +
             JsonEstimate("chance", entry.chance, exact) + "," +
             JsonEstimate("expected", entry.expected, exact) + "}";
    }
    out += "]}";
  }
  out += std::string("],\"results_listed\":") + (report.results_listed ? "true" : "false") +
         ",\"result_count\":" + JsonNumber(report.result_count) + ",\"results\":[";
  for (std::size_t r = 0; r < report.results.size(); ++r) {
    out += std::string(r ? "," : "") + "{\"text\":" + JsonString(report.results[r].text) + "," +
           JsonEstimate("chance", report.results[r].chance, exact) + "}";
  }
  out += "]";
  if (report.numbers) {
    const NumberOdds& n = *report.numbers;
    out += ",\"numbers\":{\"minimum\":" + JsonNumber(n.minimum) +
           ",\"maximum\":" + JsonNumber(n.maximum) + ",\"mean\":" + JsonNumber(n.mean) +
           ",\"deviation\":" + JsonNumber(n.deviation) + ",\"quartiles\":[" +
           JsonNumber(n.lower_quartile) + "," + JsonNumber(n.median) + "," +
           JsonNumber(n.upper_quartile) + "],\"values\":[";
    for (std::size_t v = 0; v < n.values.size(); ++v) {
      out += std::string(v ? "," : "") + "[" + JsonNumber(n.values[v].first) + "," +
             JsonNumber(n.values[v].second) + "]";
    }
    out += "]}";
  }
  return out + "}\n";
}

}  // namespace fablewick
