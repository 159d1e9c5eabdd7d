// A folder of a test's own under the system's temporary folder, removed with everything in it
// when the object goes.
//
//   TempFolder folder;
//   WriteFile(folder / "Tables" / "Inn.tab", ":Start\n1,inn\n");
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace fablewick {

class TempFolder {
 public:
  explicit TempFolder(const std::string& purpose = "test") {
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("fablewick-" + purpose + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create " + pattern);
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& part) const { return path_ / part; }

 private:
  std::filesystem::path path_;
};

}  // namespace fablewick
