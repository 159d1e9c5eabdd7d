// Add-ons as shared libraries: the identifier names "<identifier>.so" in one of the add-on
// folders, and its members are the C functions of addons/fablewick_addon.h. The library is
// loaded for each call and unloaded after it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/addon_loader.h"

namespace fablewick {

// Whether an identifier can name a library file inside an add-on folder: not empty, no "/",
// "\" or NUL, and not "." or "..". Identifiers come from table files, written by strangers.
bool IsSafeAddOnIdentifier(std::string_view identifier);

// The folders add-ons are looked for in, in order: the program folder's "AddOns", then each
// folder of `search_path` (colon-separated, as FABLEWICK_ADDON_PATH holds it; empty parts are
// skipped).
std::vector<std::filesystem::path> AddOnFolders(const std::filesystem::path& program_folder,
                                                const std::optional<std::string>& search_path);
// The same with FABLEWICK_ADDON_PATH from the environment, followed by the folder the
// program's own add-ons are installed in.
std::vector<std::filesystem::path> AddOnFolders(const std::filesystem::path& program_folder);

class DynamicAddOnLoader : public AddOnLoader {
 public:
  explicit DynamicAddOnLoader(std::vector<std::filesystem::path> folders);

  // Members "Main" (with `argument`), "Version" and "About"; any other name is missing. "About"
  // gives the text of the add-on's AboutText when it has one, and otherwise runs its About and
  // gives an empty text.
  AddOnCallResult CallMember(std::string_view identifier, std::string_view member,
                             std::string_view argument) override;

  // The library file of an identifier: "<identifier>.so" in the first folder that has it;
  // nullopt when none has it or the identifier is refused.
  std::optional<std::filesystem::path> FindLibrary(std::string_view identifier) const;

 private:
  std::vector<std::filesystem::path> folders_;
};

}  // namespace fablewick
