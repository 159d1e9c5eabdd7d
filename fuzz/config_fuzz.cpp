// Configuration files from anywhere (an older version, another system, a damaged disk): any
// bytes read as settings, and the settings written back and read again must come back the same,
// so that saving at shut-down loses nothing that was read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "config/config_file.h"
#include "platform/text.h"

namespace fablewick {
namespace {

std::string WithoutLineBreaks(std::string text) {
  std::erase(text, '\r');
  std::erase(text, '\n');
  return text;
}

// What the writer and reader normalise on purpose: a lone CR (not a line end when reading) is
// dropped from values on writing, like any line break; not remembering the position forgets it,
// whatever line order the file had; and an empty Data or Archives folder is written "default".
Settings Normalised(Settings settings) {
  for (std::string* text : {&settings.NumRolls, &settings.ColorFG, &settings.ColorBG,
                            &settings.Data, &settings.Archives, &settings.szEditorPath}) {
    *text = WithoutLineBreaks(*text);
  }
  for (std::string& favourite : settings.HList) favourite = WithoutLineBreaks(favourite);
  settings.TablesFolder = WithoutLineBreaks(settings.TablesFolder.string());
  if (settings.TablesFolder.empty()) settings.TablesFolder = "/nonexistent/fablewick/Tables";
  if (settings.Data.empty()) settings.Data = "default";
  if (settings.Archives.empty()) settings.Archives = "default";
  if (!settings.bRememberPosition) {
    settings.WinL.reset();
    settings.WinT.reset();
  }
  return settings;
}

void ReadWriteRead(std::string_view bytes) {
  const std::filesystem::path program_folder = "/nonexistent/fablewick";  // as in Normalised
  const Settings read = Normalised(ParseConfigText(DecodeFileText(bytes), program_folder));
  const std::string written = FormatConfigText(read);
  const Settings read_again = ParseConfigText(DecodeFileText(written), program_folder);
  if (!(read_again == read)) {
    std::fprintf(stderr, "Settings changed on the way through the file:\n%s\n", written.c_str());
    abort();
  }
}

}  // namespace
}  // namespace fablewick

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fablewick::ReadWriteRead(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
