// The configuration file "Fablewick.cfg" in the program folder: the settings it carries and
// how they are read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fablewick {

inline constexpr char kConfigFileName[] = "Fablewick.cfg";
inline constexpr char kConfigVersionMarker[] = "FWCFG2.0";

// Every setting of the configuration file, holding its value before reading until a line of
// the file changes it. The key that stores each is named beside it.
struct Settings {
  int16_t nOutputType = 0;         // OutputType: 0 HTML, 1 text, 2 XML
  bool bTabCallsAsErrors = false;  // DisplayNonTables
  bool bUseTexturedBGs = false;    // UseTexturedBG
  std::string NumRolls = "1";      // NumRolls: the text of the roll-count box
  std::string ColorFG;             // ColorFG, inserted into HTML documents as it is
  std::string ColorBG;             // ColorBG, likewise
  // WinW, WinH, WinL, WinT in twips; absent means the window's designed size, or for the
  // position a window centred on the screen.
  std::optional<float> WinW;
  std::optional<float> WinH;
  std::optional<float> WinL;
  std::optional<float> WinT;
  bool Maximized = false;              // Maximized
  bool bRememberPosition = false;      // RemPos
  bool bRemoveLinks = false;           // RemLinks
  std::filesystem::path TablesFolder;  // Tables
  std::string Data;                    // Data: stored and written back, not used otherwise
  std::string Archives;                // Archives: likewise
  std::string szEditorPath;            // Editor
  std::vector<std::string> HList;      // one entry per HList line: the favourites, in file order

  bool operator==(const Settings&) const = default;
};

// The settings from the text of a configuration file. A file whose first line is "FWCFG2.0"
// holds key=value lines, applied in order; a file of the earlier version is read by position.
// Values that do not convert leave the setting as it was. When no line names a tables folder,
// or the line leaves it empty, the tables folder is program_folder/Tables.
Settings ParseConfigText(std::string_view text, const std::filesystem::path& program_folder);

// The settings from program_folder/Fablewick.cfg; a missing or unreadable file gives the
// values before reading with the default tables folder.
Settings ReadConfigFile(const std::filesystem::path& program_folder);

// The text of a configuration file in the current version, lines ended by CR LF: the marker
// "FWCFG2.0", an empty line, then OutputType, DisplayNonTables, UseTexturedBG, NumRolls,
// ColorFG, ColorBG, WinW, WinH, WinL, WinT, Maximized, RemPos, RemLinks, Tables, Data, Archives,
// Editor, and one HList line per favourite. Booleans are "True" or "False"; the window geometry
// is a plain decimal number that reads back to the same value, and an absent one is written
// empty, which the reader skips. Empty Data and Archives values are written "default", as the
// reader would give them. Line breaks inside a value are dropped, so that no value can spill
// into a line of its own. ParseConfigText of the text gives the settings back.
std::string FormatConfigText(const Settings& settings);

// Replaces program_folder/Fablewick.cfg with FormatConfigText(settings), as a whole or not at
// all. Throws std::runtime_error naming the file when it cannot be written.
void WriteConfigFile(const std::filesystem::path& program_folder, const Settings& settings);

}  // namespace fablewick
