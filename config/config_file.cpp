#include "config/config_file.h"

#include <cfloat>
#include <cmath>
#include <fstream>
#include <iterator>

#include "engine/float_text.h"
#include "engine/numbers.h"
#include "platform/safe_file.h"
#include "platform/text.h"

namespace fablewick {

namespace {

namespace fs = std::filesystem;

// --- Conversions. Each gives nullopt for a value that does not convert. ---

// "True" or "False" in any letter case, or a number, true unless it is 0.
std::optional<bool> ToBoolean(std::string_view value) {
  const std::string_view text = TrimBlanks(value);
  if (EqualsIgnoreCase(text, "True")) return true;
  if (EqualsIgnoreCase(text, "False")) return false;
  if (const std::optional<double> number = ParseStrictNumber(text)) return *number != 0;
  return std::nullopt;
}

// A single-precision number; values beyond its range do not convert.
std::optional<float> ToSingle(double number) {
  if (!std::isfinite(number) || std::fabs(number) > FLT_MAX) return std::nullopt;
  return static_cast<float>(number);
}

std::optional<float> ToSingle(std::string_view value) {
  const std::optional<double> number = ParseStrictNumber(value);
  if (!number) return std::nullopt;
  return ToSingle(*number);
}

// An output type: a number that rounds (halves to even) to one of the three known types.
// Other numbers are refused too, since no document could be written for them.
std::optional<int16_t> ToOutputType(std::string_view value) {
  const std::optional<double> number = ParseStrictNumber(value);
  if (!number) return std::nullopt;
  const double rounded = std::nearbyint(*number);
  if (!(rounded >= 0 && rounded <= 2)) return std::nullopt;
  return static_cast<int16_t>(rounded);
}

template <typename T>
void SetIfConverted(T& setting, const std::optional<T>& value) {
  if (value) setting = *value;
}

// --- One small function per key. ---

using SettingHandler = void (*)(Settings&, std::string_view value, const fs::path& program);

void SetOutputType(Settings& s, std::string_view v, const fs::path&) {
  SetIfConverted(s.nOutputType, ToOutputType(v));
}
void SetDisplayNonTables(Settings& s, std::string_view v, const fs::path&) {
  SetIfConverted(s.bTabCallsAsErrors, ToBoolean(v));
}
void SetUseTexturedBG(Settings& s, std::string_view v, const fs::path&) {
  SetIfConverted(s.bUseTexturedBGs, ToBoolean(v));
}
void SetNumRolls(Settings& s, std::string_view v, const fs::path&) { s.NumRolls = v; }
void SetColorFG(Settings& s, std::string_view v, const fs::path&) { s.ColorFG = v; }
void SetColorBG(Settings& s, std::string_view v, const fs::path&) { s.ColorBG = v; }
void SetWinW(Settings& s, std::string_view v, const fs::path&) {
  if (auto n = ToSingle(v)) s.WinW = n;
}
void SetWinH(Settings& s, std::string_view v, const fs::path&) {
  if (auto n = ToSingle(v)) s.WinH = n;
}
void SetWinL(Settings& s, std::string_view v, const fs::path&) {
  if (auto n = ToSingle(v)) s.WinL = n;
}
void SetWinT(Settings& s, std::string_view v, const fs::path&) {
  if (auto n = ToSingle(v)) s.WinT = n;
}
// "True" maximizes the window at once; "False" does not undo an earlier maximizing.
void SetMaximized(Settings& s, std::string_view v, const fs::path&) {
  if (ToBoolean(v).value_or(false)) s.Maximized = true;
}
// Not remembering the position centres the window at once, which discards a position read
// before this line; a position read after it still applies.
void SetRemPos(Settings& s, std::string_view v, const fs::path&) {
  const std::optional<bool> remember = ToBoolean(v);
  if (!remember) return;
  s.bRememberPosition = *remember;
  if (!*remember) {
    s.WinL.reset();
    s.WinT.reset();
  }
}
void SetRemLinks(Settings& s, std::string_view v, const fs::path&) {
  SetIfConverted(s.bRemoveLinks, ToBoolean(v));
}
void SetTables(Settings& s, std::string_view v, const fs::path& program) {
  s.TablesFolder = v.empty() ? program / "Tables" : fs::path(v);
}
void SetData(Settings& s, std::string_view v, const fs::path&) {
  s.Data = v.empty() ? "default" : v;
}
void SetArchives(Settings& s, std::string_view v, const fs::path&) {
  s.Archives = v.empty() ? "default" : v;
}
void SetEditor(Settings& s, std::string_view v, const fs::path&) { s.szEditorPath = v; }
void AddHList(Settings& s, std::string_view v, const fs::path&) { s.HList.emplace_back(v); }

struct KeyHandler {
  std::string_view key;
  SettingHandler apply;
};

constexpr KeyHandler kKeyHandlers[] = {
    {"OutputType", SetOutputType},
    {"DisplayNonTables", SetDisplayNonTables},
    {"UseTexturedBG", SetUseTexturedBG},
    {"NumRolls", SetNumRolls},
    {"ColorFG", SetColorFG},
    {"ColorBG", SetColorBG},
    {"WinW", SetWinW},
    {"WinH", SetWinH},
    {"WinL", SetWinL},
    {"WinT", SetWinT},
    {"Maximized", SetMaximized},
    {"RemPos", SetRemPos},
    {"RemLinks", SetRemLinks},
    {"Tables", SetTables},
    {"Data", SetData},
    {"Archives", SetArchives},
    {"Editor", SetEditor},
    {"HList", AddHList},
};

// --- The two file versions. ---

// Current version: key=value lines after the marker line. Comments ("#"), empty lines, lines
// starting with a blank, lines without "=" and unknown keys are ignored; keys are exact.
void ApplyKeyValueLines(Settings& s, const std::vector<std::string>& lines,
                        const fs::path& program) {
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.empty() || line.front() == '#' || line.front() == ' ') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    for (const KeyHandler& handler : kKeyHandlers) {
      if (handler.key == key) {
        handler.apply(s, line.substr(equals + 1), program);
        break;
      }
    }
  }
}

// Earlier version: settings by line number, then one favourite per line.
void ApplyPositionalLines(Settings& s, const std::vector<std::string>& lines) {
  const auto line = [&lines](std::size_t number) -> const std::string* {
    return number <= lines.size() ? &lines[number - 1] : nullptr;
  };
  if (auto l = line(1)) SetIfConverted(s.bTabCallsAsErrors, ToBoolean(*l));
  if (auto l = line(2)) SetIfConverted(s.bUseTexturedBGs, ToBoolean(*l));
  if (auto l = line(3)) s.NumRolls = *l;
  if (auto l = line(4)) s.ColorBG = *l;
  if (auto l = line(5)) s.ColorFG = *l;
  // The size is read leniently: text without a leading number gives 0.
  if (auto l = line(6)) s.WinW = ToSingle(ParseLeadingNumber(*l));
  if (auto l = line(7)) s.WinH = ToSingle(ParseLeadingNumber(*l));
  for (std::size_t i = 7; i < lines.size(); ++i) s.HList.push_back(lines[i]);
}

// --- Writing. ---

// A value as one line: CR and LF would end the line early and let the rest of the value be read
// as a setting of its own.
std::string SingleLine(std::string_view value) {
  std::string line;
  line.reserve(value.size());
  for (const char c : value) {
    if (c != '\r' && c != '\n') line += c;
  }
  return line;
}

std::string_view TrueFalse(bool value) { return value ? "True" : "False"; }

// The shortest plain decimal that reads back to the same single-precision value ("9000",
// "6000.5"); empty for an absent or non-finite value, which the reader leaves as it was.
std::string TwipsText(const std::optional<float>& twips) {
  if (!twips || !std::isfinite(*twips)) return "";
  return WriteShortestFixed(*twips);
}

std::string FolderValue(std::string_view value) {
  return value.empty() ? std::string("default") : SingleLine(value);
}

void AppendSetting(std::string& out, std::string_view key, std::string_view value) {
  out.append(key).append("=").append(value).append("\r\n");
}

}  // namespace

Settings ParseConfigText(std::string_view text, const fs::path& program_folder) {
  Settings settings;
  const std::vector<std::string> lines = SplitLines(text);
  if (!lines.empty() && lines.front() == kConfigVersionMarker) {
    ApplyKeyValueLines(settings, lines, program_folder);
  } else {
    ApplyPositionalLines(settings, lines);
  }
  if (settings.TablesFolder.empty()) settings.TablesFolder = program_folder / "Tables";
  return settings;
}

Settings ReadConfigFile(const fs::path& program_folder) {
  std::ifstream file(program_folder / kConfigFileName, std::ios::binary);
  // A file that cannot be opened or read reads as an empty one: every setting keeps its value
  // before reading.
  std::string bytes;
  if (file) bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return ParseConfigText(DecodeFileText(bytes), program_folder);
}

std::string FormatConfigText(const Settings& settings) {
  std::string out;
  out.append(kConfigVersionMarker).append("\r\n\r\n");
  AppendSetting(out, "OutputType", FormatInteger(settings.nOutputType));
  AppendSetting(out, "DisplayNonTables", TrueFalse(settings.bTabCallsAsErrors));
  AppendSetting(out, "UseTexturedBG", TrueFalse(settings.bUseTexturedBGs));
  AppendSetting(out, "NumRolls", SingleLine(settings.NumRolls));
  AppendSetting(out, "ColorFG", SingleLine(settings.ColorFG));
  AppendSetting(out, "ColorBG", SingleLine(settings.ColorBG));
  AppendSetting(out, "WinW", TwipsText(settings.WinW));
  AppendSetting(out, "WinH", TwipsText(settings.WinH));
  AppendSetting(out, "WinL", TwipsText(settings.WinL));
  AppendSetting(out, "WinT", TwipsText(settings.WinT));
  AppendSetting(out, "Maximized", TrueFalse(settings.Maximized));
  AppendSetting(out, "RemPos", TrueFalse(settings.bRememberPosition));
  AppendSetting(out, "RemLinks", TrueFalse(settings.bRemoveLinks));
  AppendSetting(out, "Tables", SingleLine(settings.TablesFolder.string()));
  AppendSetting(out, "Data", FolderValue(settings.Data));
  AppendSetting(out, "Archives", FolderValue(settings.Archives));
  AppendSetting(out, "Editor", SingleLine(settings.szEditorPath));
  for (const std::string& entry : settings.HList) AppendSetting(out, "HList", SingleLine(entry));
  return out;
}

void WriteConfigFile(const fs::path& program_folder, const Settings& settings) {
  WriteTextFileAtomically((program_folder / kConfigFileName).string(), FormatConfigText(settings));
}

}  // namespace fablewick
