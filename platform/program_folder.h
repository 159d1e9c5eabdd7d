// Finding the program folder: where the configuration file, the results documents, Data/,
// Archives/ and the installed pages live.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace fablewick {

// Looks an environment variable up; nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The program folder, taken from the first of:
//   1. home_option (the --home option), when given and not empty;
//   2. the environment variable FABLEWICK_HOME, when set and not empty;
//   3. the executable's folder, when it holds "Fablewick.cfg" or a "Tables" folder (a portable
//      installation);
//   4. the per-user folder $XDG_DATA_HOME/fablewick, or ~/.local/share/fablewick when
//      XDG_DATA_HOME is unset, empty or relative. When that folder does not yet hold a
//      configuration file or a "Tables" folder, it is created and filled from
//      default_files_folder (see CopyDefaultFiles).
// The result is absolute when the inputs allow it.
std::filesystem::path ResolveProgramFolder(const std::optional<std::string>& home_option,
                                           const std::filesystem::path& executable_path,
                                           const EnvironmentLookup& environment,
                                           const std::filesystem::path& default_files_folder);

// The same with the process environment and InstalledDefaultFilesFolder().
std::filesystem::path ResolveProgramFolder(const std::optional<std::string>& home_option,
                                           const std::filesystem::path& executable_path);

// Copies every file and folder below source into destination, creating folders as needed and
// never replacing a file that destination already has. Files that cannot be copied are
// skipped so that one failure does not leave the rest missing; a missing source copies nothing.
// The web engine (the "Web" folder) is left where it is installed: a copy would outlive the
// upgrade that replaces it, and pages would then be published with an engine older than the
// program's own page script.
void CopyDefaultFiles(const std::filesystem::path& source,
                      const std::filesystem::path& destination);

// The running executable's path; empty when the system does not tell.
std::filesystem::path ExecutablePath();

// A folder installed with the program. The build names where the executables and that folder
// are installed (installed_bindir, installed_folder); an installation may have been placed under
// another prefix since (`cmake --install --prefix`, a moved tree), so the folder is looked for at
// the same place relative to the executable's folder first. installed_folder when that does not
// exist or the executable's path is not known.
std::filesystem::path InstalledFolder(const std::filesystem::path& executable_path,
                                      const std::filesystem::path& installed_bindir,
                                      const std::filesystem::path& installed_folder);

// The installed default files that fill a new per-user program folder.
std::filesystem::path InstalledDefaultFilesFolder();

// The folder the program's own add-ons are installed in.
std::filesystem::path InstalledAddOnFolder();

}  // namespace fablewick
