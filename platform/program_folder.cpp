#include "platform/program_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <vector>

// Where the build installs things (set by CMakeLists.txt); the defaults are those of a build
// installed under /usr/local.
#ifndef FABLEWICK_BINDIR
#define FABLEWICK_BINDIR "/usr/local/bin"
#endif
#ifndef FABLEWICK_DATADIR
#define FABLEWICK_DATADIR "/usr/local/share/fablewick"
#endif
#ifndef FABLEWICK_ADDONDIR
#define FABLEWICK_ADDONDIR "/usr/local/lib/fablewick/AddOns"
#endif

namespace fablewick {

namespace {

namespace fs = std::filesystem;

constexpr char kConfigFileName[] = "Fablewick.cfg";
constexpr char kTablesFolderName[] = "Tables";

std::optional<std::string> NonEmpty(const std::optional<std::string>& value) {
  if (value && !value->empty()) return value;
  return std::nullopt;
}

// The folder as an absolute path in its plain form: "dir/", "./dir" and "dir/." all name the
// same folder, and the program writes its path into documents ("dir//link.css" would be wrong).
fs::path Absolute(const fs::path& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  if (ec) absolute = path;
  absolute = absolute.lexically_normal();
  if (!absolute.has_filename() && absolute.has_relative_path()) absolute = absolute.parent_path();
  return absolute;
}

// A folder that already serves as a program folder: it has a configuration file or tables.
bool HoldsProgramFiles(const fs::path& folder) {
  std::error_code ec;
  return fs::exists(folder / kConfigFileName, ec) ||
         fs::is_directory(folder / kTablesFolderName, ec);
}

// The home folder from $HOME, else from the user database.
std::optional<std::string> HomeFolder(const EnvironmentLookup& environment) {
  if (auto home = NonEmpty(environment("HOME"))) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* result = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
      result->pw_dir && *result->pw_dir) {
    return std::string(result->pw_dir);
  }
  return std::nullopt;
}

// $XDG_DATA_HOME/fablewick, or ~/.local/share/fablewick; a relative XDG_DATA_HOME is ignored,
// as the base directory rules require. nullopt when neither is known.
std::optional<fs::path> PerUserFolder(const EnvironmentLookup& environment) {
  if (auto data_home = NonEmpty(environment("XDG_DATA_HOME"))) {
    const fs::path path(*data_home);
    if (path.is_absolute()) return path / "fablewick";
  }
  if (auto home = HomeFolder(environment)) return fs::path(*home) / ".local/share/fablewick";
  return std::nullopt;
}

std::optional<std::string> ProcessEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

}  // namespace

fs::path ResolveProgramFolder(const std::optional<std::string>& home_option,
                              const fs::path& executable_path, const EnvironmentLookup& environment,
                              const fs::path& default_files_folder) {
  if (auto home = NonEmpty(home_option)) return Absolute(*home);
  if (auto home = NonEmpty(environment("FABLEWICK_HOME"))) return Absolute(*home);

  const fs::path executable_folder = Absolute(executable_path).parent_path();
  if (!executable_path.empty() && HoldsProgramFiles(executable_folder)) return executable_folder;

  const std::optional<fs::path> per_user = PerUserFolder(environment);
  // Without any home folder there is nowhere else to go; the executable's folder at least
  // lets the program start.
  if (!per_user) return executable_folder;
  if (!HoldsProgramFiles(*per_user)) {
    std::error_code ec;
    fs::create_directories(*per_user, ec);
    CopyDefaultFiles(default_files_folder, *per_user);
  }
  return *per_user;
}

fs::path ResolveProgramFolder(const std::optional<std::string>& home_option,
                              const fs::path& executable_path) {
  return ResolveProgramFolder(home_option, executable_path, ProcessEnvironment,
                              InstalledDefaultFilesFolder());
}

void CopyDefaultFiles(const fs::path& source, const fs::path& destination) {
  std::error_code ec;
  fs::create_directories(destination, ec);
  fs::recursive_directory_iterator it(source,
                                      fs::directory_options::skip_permission_denied |
                                          fs::directory_options::follow_directory_symlink,
                                      ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code entry_ec;
    const fs::path relative = it->path().lexically_relative(source);
    const fs::path target = destination / relative;
    if (it.depth() == 0 && relative == "Web") {
      it.disable_recursion_pending();
      continue;
    }
    if (it->is_directory(entry_ec)) {
      fs::create_directories(target, entry_ec);
    } else {
      fs::copy_file(it->path(), target, fs::copy_options::skip_existing, entry_ec);
    }
  }
}

fs::path ExecutablePath() {
  std::error_code ec;
  fs::path path = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : path;
}

fs::path InstalledFolder(const fs::path& executable_path, const fs::path& installed_bindir,
                         const fs::path& installed_folder) {
  if (executable_path.empty() || !installed_bindir.is_absolute() ||
      !installed_folder.is_absolute()) {
    return installed_folder;
  }
  const fs::path relative = installed_folder.lexically_relative(installed_bindir);
  if (relative.empty()) return installed_folder;
  const fs::path beside = (Absolute(executable_path).parent_path() / relative).lexically_normal();
  std::error_code ec;
  return fs::is_directory(beside, ec) ? Absolute(beside) : installed_folder;
}

fs::path InstalledDefaultFilesFolder() {
  return InstalledFolder(ExecutablePath(), FABLEWICK_BINDIR, FABLEWICK_DATADIR);
}

fs::path InstalledAddOnFolder() {
  return InstalledFolder(ExecutablePath(), FABLEWICK_BINDIR, FABLEWICK_ADDONDIR);
}

}  // namespace fablewick
