#include "addons/addon_library.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

#define FABLEWICK_ADDON_TYPES_ONLY
#include "addons/fablewick_addon.h"
#include "platform/program_folder.h"
#include "platform/text.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

// One add-on library, loaded while this object lives.
class LoadedLibrary {
 public:
  explicit LoadedLibrary(const fs::path& file) {
    dlerror();
    // Every symbol is resolved now, so a library with missing dependencies fails here rather
    // than in the middle of a call; its symbols stay out of the program's global scope.
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
      const char* reason = dlerror();
      error_ = reason != nullptr ? reason : "cannot load " + file.string();
    }
  }
  ~LoadedLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  const std::string& error() const { return error_; }

  // An exported function of this library itself; nullptr when it has none of that name. A
  // symbol that the lookup finds in one of the library's own dependencies (the C library, say)
  // is not a member of the add-on.
  template <typename Function>
  Function Find(const char* name) const {
    void* symbol = dlsym(handle_, name);
    if (symbol == nullptr || !DefinedHere(symbol)) return nullptr;
    return reinterpret_cast<Function>(symbol);
  }

 private:
  bool DefinedHere(void* symbol) const {
#ifdef __EMSCRIPTEN__
    // The web build links nothing at run time, so no add-on is ever open to ask.
    (void)symbol;
    return false;
#else
    Dl_info info{};
    link_map* map = nullptr;
    if (dladdr(symbol, &info) == 0 || info.dli_fname == nullptr) return false;
    if (dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) {
      return false;
    }
    return std::strcmp(info.dli_fname, map->l_name) == 0;
#endif
  }

  void* handle_ = nullptr;
  std::string error_;
};

// A copy of a text that a member returned, which is then handed back to the add-on to release.
std::string TakeText(char* text, FablewickAddOnFreeText free_text) {
  if (text == nullptr) return "";
  std::string copy(text);
  if (free_text != nullptr) free_text(text);
  return copy;
}

AddOnCallResult Done(std::string text) { return {AddOnCallResult::kDone, std::move(text), ""}; }
AddOnCallResult MissingMember() { return {AddOnCallResult::kMissingMember, "", ""}; }
AddOnCallResult CannotLoad(std::string error) {
  return {AddOnCallResult::kCannotLoad, "", std::move(error)};
}

// Runs one member of a loaded library.
AddOnCallResult RunMember(const LoadedLibrary& library, std::string_view member,
                          std::string_view argument) {
  const auto free_text = library.Find<FablewickAddOnFreeText>(FABLEWICK_ADDON_FREE_TEXT);
  if (member == FABLEWICK_ADDON_MAIN) {
    const auto main = library.Find<FablewickAddOnMain>(FABLEWICK_ADDON_MAIN);
    if (main == nullptr) return MissingMember();
    const std::string parameter(argument);
    return Done(TakeText(main(parameter.c_str()), free_text));
  }
  if (member == FABLEWICK_ADDON_VERSION) {
    const auto version = library.Find<FablewickAddOnVersion>(FABLEWICK_ADDON_VERSION);
    if (version == nullptr) return MissingMember();
    return Done(TakeText(version(), free_text));
  }
  if (member == FABLEWICK_ADDON_ABOUT) {
    // The text for a box of the window when the add-on gives one; else its own About.
    const auto about_text = library.Find<FablewickAddOnAboutText>(FABLEWICK_ADDON_ABOUT_TEXT);
    if (about_text != nullptr) return Done(TakeText(about_text(), free_text));
    const auto about = library.Find<FablewickAddOnAbout>(FABLEWICK_ADDON_ABOUT);
    if (about == nullptr) return MissingMember();
    about();
    return Done("");
  }
  return MissingMember();
}

}  // namespace

bool IsSafeAddOnIdentifier(std::string_view identifier) {
  if (identifier.empty() || identifier == "." || identifier == "..") return false;
  return identifier.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::vector<fs::path> AddOnFolders(const fs::path& program_folder,
                                   const std::optional<std::string>& search_path) {
  std::vector<fs::path> folders = {program_folder / "AddOns"};
  if (search_path) {
    for (const std::string& folder : SplitAll(*search_path, ':')) {
      if (!folder.empty()) folders.emplace_back(folder);
    }
  }
  return folders;
}

std::vector<fs::path> AddOnFolders(const fs::path& program_folder) {
  const char* search_path = std::getenv("FABLEWICK_ADDON_PATH");
  std::vector<fs::path> folders =
      AddOnFolders(program_folder,
                   search_path != nullptr ? std::optional<std::string>(search_path) : std::nullopt);
  // The add-ons installed with the program: the program folder is often a per-user copy of the
  // installed files, which holds the add-on list but not the libraries.
  folders.push_back(InstalledAddOnFolder());
  return folders;
}

DynamicAddOnLoader::DynamicAddOnLoader(std::vector<fs::path> folders)
    : folders_(std::move(folders)) {}

std::optional<fs::path> DynamicAddOnLoader::FindLibrary(std::string_view identifier) const {
  if (!IsSafeAddOnIdentifier(identifier)) return std::nullopt;
  const std::string file_name = std::string(identifier) + ".so";
  for (const fs::path& folder : folders_) {
    std::error_code error;
    const fs::path file = fs::absolute(folder / file_name, error);
    if (!error && fs::is_regular_file(file, error)) return file;
  }
  return std::nullopt;
}

AddOnCallResult DynamicAddOnLoader::CallMember(std::string_view identifier, std::string_view member,
                                               std::string_view argument) {
  if (!IsSafeAddOnIdentifier(identifier)) {
    return CannotLoad("'" + std::string(identifier) + "' is not an add-on identifier");
  }
  const std::optional<fs::path> file = FindLibrary(identifier);
  if (!file) {
    return CannotLoad("no add-on '" + std::string(identifier) + "' (" + std::string(identifier) +
                      ".so) in the add-on folders");
  }
  const LoadedLibrary library(*file);
  if (!library.loaded()) return CannotLoad(library.error());
  return RunMember(library, member, argument);
}

}  // namespace fablewick
