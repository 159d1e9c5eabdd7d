// The add-on list AddOns.cfg as anyone may write it. Building the add-on page from it either
// succeeds or fails with a message; the identifiers it names are looked up by the real library
// finder, which must never find a library outside the add-on folder, however the identifier is
// spelled. A library file waits beside the add-on folder so that a name escaping the folder
// would find it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "addons/addon_library.h"
#include "addons/addon_page.h"
#include "engine/addon_loader.h"
#include "fuzz/fuzz_support.h"

namespace fablewick {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& file) { std::ofstream(file, std::ios::binary) << "not a library"; }

const fs::path& ProgramFolder() {
  static const fs::path folder = [] {
    const fs::path program = EmptyFolder() / "program";
    fs::create_directories(program / "AddOns");
    Touch(program / "AddOns" / "Coinpurse.so");
    Touch(program / "AddOns" / "Weather.so");
    Touch(program / "Outside.so");
    Touch(EmptyFolder() / "Outside.so");
    return program;
  }();
  return folder;
}

// Finds libraries as the real loader does, and answers for them without loading anything: a
// found library has a Version unless its name has an odd length.
class FindingLoader : public AddOnLoader {
 public:
  AddOnCallResult CallMember(std::string_view identifier, std::string_view member,
                             std::string_view) override {
    const std::optional<fs::path> file = finder_.FindLibrary(identifier);
    AddOnCallResult result;
    if (!file) {
      result.error = "not found";
      return result;
    }
    if (file->parent_path() != fs::absolute(ProgramFolder() / "AddOns") ||
        !IsSafeAddOnIdentifier(identifier)) {
      std::fprintf(stderr, "Identifier \"%.*s\" found %s\n", static_cast<int>(identifier.size()),
                   identifier.data(), file->c_str());
      abort();
    }
    if (member == "Version" && identifier.size() % 2 == 0) {
      result.outcome = AddOnCallResult::kDone;
      result.text = "1.0";
    } else {
      result.outcome = AddOnCallResult::kMissingMember;
    }
    return result;
  }

 private:
  DynamicAddOnLoader finder_{{ProgramFolder() / "AddOns"}};
};

void BuildPage(std::string_view bytes) {
  const fs::path& program = ProgramFolder();
  std::ofstream(program / kAddOnListFileName, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  FindingLoader loader;
  const AddOnPage page = BuildAddOnPage(program, "#000000", "#FFFFFF", &loader);
  if (page.status == AddOnPage::kNoList) abort();  // the list is there
  if (page.status == AddOnPage::kFailed && page.message.rfind("Error: ", 0) != 0) abort();
  // Each line's second field is an identifier; look every field up, as a table's Extern would.
  std::string field;
  for (char c : bytes) {
    if (c == ',' || c == '\n' || c == '\r') {
      loader.CallMember(field, "About", "");
      field.clear();
    } else {
      field += c;
    }
  }
  loader.CallMember(field, "Main", "");
}

}  // namespace
}  // namespace fablewick

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fablewick::BuildPage(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
